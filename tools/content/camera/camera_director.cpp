#include "content/camera/camera_director.h"

#include <algorithm>
#include <cmath>

#include "content/camera/camera_aim.h"
#include "content/camera/camera_spots.h"

namespace {

constexpr int kLongestShot = 3;  // records one fixed camera may hold
constexpr int kLateFrames =
    4;  // a record applies up to a frame of the demo late, so a shot runs on that long
constexpr size_t kFrameStride = 2;    // frames of the log between two looks at a shot of one record
constexpr double kFramedSize = 46.0;  // pixels: 40 with room for the demo's own frame times
constexpr double kFramedReach = 0.8;  // of the half picture: the central 90 %, with room
constexpr double kSeenReach = 0.9;    // of the half picture: a car counts as in the picture
constexpr double kSkyDepth = 9.5;     // the sky box's faces stand 10 in front of the eye
constexpr double kNearest = 2.0,
                 kFarthest = 5.0;  // from the eye to the leader at the middle of a shot
constexpr double kCarHalfLength = 0.25;
constexpr double kCarLow = 0.03;  // over the road, where the lines of sight to a car end
constexpr double kSightShort = 0.1;
constexpr double kOvertakeGap = 0.6;  // closer than this along the road, the pass is on
constexpr double kClutterReach =
    1.2;  // scenery nearer than this in the middle of the picture fills it
constexpr double kClutterCost = 1.0;
constexpr size_t kShortList = 40;  // shots weighed for clutter; places tried for longer shots

// What a shot must show besides a car large in the picture.
struct Brief {
    int leader = 0;
    bool both = false;                // the two cars together: the start and the pass
    size_t bothFrom = 1, bothTo = 0;  // the frames that must show both
    bool bridge = false;              // the leader over the bridge, seen from beside or below it
    bool finish = false;              // the leader at the line, with the line in the picture
};

struct Span {
    size_t first, last;  // frames of the log, inclusive
};

struct Scene {
    const Circuit& circuit;
    const Terrain& terrain;
    const RaceLog& race;
    const SightMap& sight;
    std::vector<CameraSpot> towers;
};

V3 carBase(const Scene& scene, size_t frame, int car) {
    const RaceFrame& f = scene.race.frames[frame];
    return V3{f.x[car], f.y[car], f.z[car]};
}

V3 finishLine(const Scene& scene) {
    const CentrePoint c = scene.circuit.at(scene.circuit.startLineS);
    return V3{c.x, c.y, c.z};
}

// A camera position with what it has found out about its lines of sight to the cars.
class Eye {
  public:
    Eye(const Scene& scene, const V3& at, const Span& span) : scene(scene), at(at), span(span) {
        known.assign(2 * (span.last - span.first + 1), -1);
    }
    // Whether car `car` in frame `frame` stands in full view: the lines from the eye to its
    // nose and its tail, low over the road, clear the scenery.
    bool sees(size_t frame, int car) {
        signed char& answer = known[2 * (frame - span.first) + car];
        if (answer < 0) {
            const RaceFrame& f = scene.race.frames[frame];
            const double h = f.heading[car] * kDegree;
            const V3 along{-std::sin(h) * kCarHalfLength, std::cos(h) * kCarHalfLength, kCarLow};
            const V3 base = carBase(scene, frame, car);
            answer =
                seesPoint(base + along) && seesPoint(base - along + V3{0.0, 0.0, 2.0 * kCarLow})
                    ? 1
                    : 0;
        }
        return answer == 1;
    }

    bool seesFinishLine() const { return seesPoint(finishLine(scene) + V3{0.0, 0.0, kCarMiddle}); }

  private:
    // The line ends a little short of the point, which stands just over the road.
    bool seesPoint(const V3& point) const {
        const V3 toward = point - at;
        const double length =
            std::sqrt(toward.x * toward.x + toward.y * toward.y + toward.z * toward.z);
        if (length <= kSightShort) return true;
        return scene.sight.clear(at, at + toward * ((length - kSightShort) / length));
    }

    const Scene& scene;
    V3 at;
    Span span;
    std::vector<signed char> known;
};

// How one pose shows a span.
struct Take {
    double framed = 0.0;  // share of looks with a car large and central and what the brief asks
    double both = 0.0;    // share of looks with both cars in the picture
    double size = 0.0;    // mean size of the largest framed car
    double smear = 0.0;   // mean travel of the leader across the picture from one frame of the log
                          // to the next, in car lengths
};

// Longer shots are looked at less often, so every shot costs about the same to judge.
size_t strideOver(const Span& span, const RaceLog& race) {
    return kFrameStride * std::max<size_t>(1, (span.last - span.first) / race.recordEvery);
}

bool inPicture(const ViewPoint& p, double reach) {
    return p.depth > kNearPlane && p.depth < kSkyDepth && std::fabs(p.x) <= reach &&
           std::fabs(p.y) <= reach;
}

Take judge(const Scene& scene, const RunRecord& pose, Eye& eye, const Span& span,
           const Brief& brief) {
    Take take;
    int looks = 0;
    const bool lineSeen =
        !brief.finish ||
        (inPicture(viewPoint(pose, finishLine(scene)), kFramedReach) && eye.seesFinishLine());
    ViewPoint was;
    const size_t stride = strideOver(span, scene.race);
    for (size_t k = span.first; k <= span.last; k += stride) {
        int seen = 0;
        double largest = 0.0;
        for (int car = 0; car < 2; ++car) {
            const CarView view =
                carView(pose, carBase(scene, k, car), scene.race.frames[k].heading[car]);
            if (car == brief.leader) {
                const double travel = kHalfPicture *
                                      std::hypot(view.middle.x - was.x, view.middle.y - was.y) /
                                      stride;
                if (k > span.first)
                    take.smear += std::min(1.0, travel / std::max(view.size, kFramedSize));
                was = view.middle;
            }
            if (view.size <= 0.0 || !inPicture(view.middle, kSeenReach) || !eye.sees(k, car))
                continue;
            ++seen;
            if (view.size >= kFramedSize && inPicture(view.middle, kFramedReach))
                largest = std::max(largest, view.size);
        }
        ++looks;
        const bool needBoth = brief.both && k >= brief.bothFrom && k <= brief.bothTo;
        const bool framed = largest > 0.0 && (!needBoth || seen == 2) && lineSeen;
        take.framed += framed ? 1.0 : 0.0;
        take.both += seen == 2 ? 1.0 : 0.0;
        take.size += std::min(largest, 160.0);
    }
    take.framed /= looks;
    take.both /= looks;
    take.size /= looks;
    take.smear /= std::max(looks - 1, 1);
    return take;
}

// Above all a car large and central all the time; among such shots the one with the
// larger cars, then the calmer one (the demo's blur smears what crosses the picture fast),
// then the one with both cars.
double valueOf(const Take& take) {
    return 10.0 * std::min(take.framed, 0.97) + 0.006 * take.size - 6.0 * take.smear +
           0.1 * take.both;
}

// The frames of the log that show record `record`'s pose: from its own time to the next
// record's, and a little beyond.
Span spanOf(const RaceLog& race, int record, int records = 1) {
    const size_t last = race.frames.size() - 1;
    const size_t first = static_cast<size_t>(record) * race.recordEvery;
    return {std::min(first, last),
            std::min(first + records * race.recordEvery + kLateFrames, last)};
}

// ---- the story ----

size_t passFrame(const RaceLog& race) {
    size_t pass = 0;
    for (size_t k = 1; k < race.frames.size(); ++k) {
        const RaceFrame& a = race.frames[k - 1];
        const RaceFrame& b = race.frames[k];
        if (a.progress[0] <= a.progress[1] && b.progress[0] > b.progress[1]) pass = k;
    }
    return pass;
}

double leadOf(const RaceFrame& f) { return std::max(f.progress[0], f.progress[1]); }

// What the story asks of the shot over a span: the grid's start and the pass want both
// cars, the leader's crossing of the bridge a view from beside or below it, and the
// leader's arrival at the line after two laps the line in the picture.
Brief briefFor(const Scene& scene, const Span& span, size_t pass) {
    Brief brief;
    const Circuit& circuit = scene.circuit;
    const RaceFrame& middle = scene.race.frames[(span.first + span.last) / 2];
    brief.leader = middle.progress[0] >= middle.progress[1] ? 0 : 1;
    const double flag =
        2.0 * circuit.length() + circuit.forwardGap(circuit.gridS, circuit.startLineS);
    const size_t nearPass = static_cast<size_t>(scene.race.recordEvery);
    for (size_t k = span.first; k <= span.last; ++k) {
        const RaceFrame& f = scene.race.frames[k];
        const double station = circuit.wrap(circuit.gridS + leadOf(f));
        const bool passing = pass > 0 && std::fabs(f.progress[0] - f.progress[1]) < kOvertakeGap &&
                             (k > pass ? k - pass : pass - k) < nearPass;
        if (span.first == 0 || passing) {
            brief.bothFrom = brief.both ? brief.bothFrom : k;
            brief.bothTo = k;
            brief.both = true;
        }
        brief.bridge =
            brief.bridge || std::fabs(circuit.forwardGap(circuit.upperCrossingS, station)) < 0.3;
        brief.finish = brief.finish || (k > span.first && leadOf(scene.race.frames[k - 1]) < flag &&
                                        leadOf(f) >= flag);
    }
    return brief;
}

// ---- where a camera may stand ----

bool besideBridge(const Scene& scene, const V3& eye) {
    const PlanPoint& c = scene.circuit.crossing;
    const double deck = scene.circuit.at(scene.circuit.upperCrossingS).z;
    return std::hypot(eye.x - c.x, eye.y - c.y) < 4.5 && eye.z < deck + 0.25;
}

// Stations along the road to stand beside: around the leader's at the middle of the shot,
// and for the bridge also along the road beneath it.
std::vector<double> stationsFor(const Scene& scene, double station, const Brief& brief,
                                bool closely) {
    std::vector<double> stations;
    for (double along = -3.5; along <= 3.5; along += closely ? 0.5 : 1.0)
        stations.push_back(station + along);
    if (brief.bridge) {
        for (double along = -4.0; along <= 4.0; along += 0.5)
            stations.push_back(scene.circuit.lowerCrossingS + along);
    }
    return stations;
}

bool withinReach(const V3& eye, const V3& leader) {
    const double reach = std::hypot(eye.x - leader.x, eye.y - leader.y);
    return reach >= kNearest && reach <= kFarthest;
}

// Places beside the road near the leader's station at the middle of the shot, off the road
// and in the open, from a trackside camera's height to a crane's, and the camera towers
// within reach. The moments of the story search more closely, and the bridge is seen from
// its banks below the deck.
std::vector<V3> placesFor(const Scene& scene, const Span& span, const Brief& brief) {
    const size_t middle = (span.first + span.last) / 2;
    const double station =
        scene.circuit.wrap(scene.circuit.gridS + scene.race.frames[middle].progress[brief.leader]);
    const V3 leader = carBase(scene, middle, brief.leader);
    const bool closely = brief.both || brief.bridge || brief.finish;
    const std::vector<double> laterals =
        closely ? std::vector<double>{1.15, 1.3, 1.6, 1.9, 2.3, 2.8, 3.4}
                : std::vector<double>{1.3, 1.9, 2.6, 3.4};
    const std::vector<double> lifts =
        closely ? std::vector<double>{0.15, 0.22, 0.3, 0.42, 0.55, 0.7, 0.9}
                : std::vector<double>{0.3, 0.55, 0.9};
    std::vector<V3> places;
    for (const CameraSpot& spot : scene.towers) {
        const V3 eye{spot.x, spot.y, spot.z};
        if (withinReach(eye, leader) && (!brief.bridge || besideBridge(scene, eye)))
            places.push_back(eye);
    }
    for (double s : stationsFor(scene, station, brief, closely)) {
        for (double lateral : laterals) {
            for (double side : {-1.0, 1.0}) {
                const PlanPoint p = scene.circuit.offsetPoint(s, side * lateral);
                if (!withinReach(V3{p.x, p.y, 0.0}, leader) ||
                    scene.terrain.roadDistance(p.x, p.y) < 1.1)
                    continue;
                // Never below the road beside it, so the bank does not fill the view, except
                // under the bridge's deck.
                const double ground = scene.terrain.heightAt(p.x, p.y);
                const double floor =
                    brief.bridge ? ground : std::max(ground, scene.circuit.at(s).z);
                for (double lift : lifts) {
                    const V3 eye{p.x, p.y, floor + lift};
                    if ((!brief.bridge || besideBridge(scene, eye)) &&
                        scene.sight.roomAt(eye, 0.12))
                        places.push_back(eye);
                }
            }
        }
    }
    return places;
}

// ---- where a camera looks ----

// The direction from the eye to the middle of the angles under which it sees the chosen
// cars over the span: the aim that keeps their whole path nearest the centre.
V3 middleOfPath(const Scene& scene, const V3& eye, const Span& span, int car) {
    double lowTurn = 1e9, highTurn = -1e9, lowRise = 1e9, highRise = -1e9, first = 0.0;
    bool started = false;
    for (size_t k = span.first; k <= span.last; k += strideOver(span, scene.race)) {
        for (int c = 0; c < 2; ++c) {
            if (car >= 0 && c != car) continue;
            const V3 d = carBase(scene, k, c) + V3{0.0, 0.0, kCarMiddle} - eye;
            double turn = std::atan2(d.x, d.y);
            if (!started) first = turn, started = true;
            turn = first + std::remainder(turn - first, 2.0 * kPi);
            const double rise = std::atan2(d.z, std::hypot(d.x, d.y));
            lowTurn = std::min(lowTurn, turn), highTurn = std::max(highTurn, turn);
            lowRise = std::min(lowRise, rise), highRise = std::max(highRise, rise);
        }
    }
    const double turn = 0.5 * (lowTurn + highTurn), rise = 0.5 * (lowRise + highRise);
    return V3{std::sin(turn) * std::cos(rise), std::cos(turn) * std::cos(rise), std::sin(rise)};
}

std::vector<RunRecord> aimsFrom(const Scene& scene, const V3& eye, const Span& span,
                                const Brief& brief) {
    const size_t middle = (span.first + span.last) / 2;
    return {aimCamera(eye, carBase(scene, middle, brief.leader) + V3{0.0, 0.0, kCarMiddle}),
            aimCamera(eye, eye + middleOfPath(scene, eye, span, brief.leader)),
            aimCamera(eye, eye + middleOfPath(scene, eye, span, -1))};
}

// ---- the shots ----

struct Shot {
    RunRecord pose;
    Take take;
    double value = -1e10;
};

// A cut to a camera that stands where the last one stood and looks the same way would only
// jolt the picture.
bool freshAngle(const RunRecord& from, const RunRecord& to) {
    const V3 a = cameraEye(from), b = cameraEye(to);
    const V3 da = cameraDirection(from), db = cameraDirection(to);
    const double turn = std::acos(std::clamp(da.x * db.x + da.y * db.y + da.z * db.z, -1.0, 1.0));
    return std::hypot(a.x - b.x, a.y - b.y) > 1.0 || turn > 30.0 * kDegree;
}

// Share of a grid of lines through the middle of the picture that meet scenery close in
// front of the lens: a wall, a bank or a board that would fill the shot.
double clutter(const Scene& scene, const RunRecord& pose) {
    const V3 eye = cameraEye(pose), forward = cameraDirection(pose);
    const V3 right = normalized(cross(forward, V3{0.0, 0.0, 1.0})), up = cross(right, forward);
    const double spread = halfViewTangent();
    int blocked = 0, lines = 0;
    for (double x : {-0.6, -0.3, 0.0, 0.3, 0.6}) {
        for (double y : {-0.6, -0.3, 0.0, 0.3, 0.6}) {
            const V3 line = normalized(forward + right * (x * spread) + up * (y * spread));
            blocked += scene.sight.clear(eye, eye + line * kClutterReach) ? 0 : 1;
            ++lines;
        }
    }
    return static_cast<double>(blocked) / lines;
}

// Every shot from the given places over the span, best first.
std::vector<Shot> rankShots(const Scene& scene, const std::vector<V3>& places, const Span& span,
                            const Brief& brief, const Shot* current) {
    std::vector<Shot> shots;
    for (const V3& place : places) {
        Eye eye(scene, place, span);
        for (const RunRecord& pose : aimsFrom(scene, place, span, brief)) {
            if (current && !freshAngle(current->pose, pose)) continue;
            const Take take = judge(scene, pose, eye, span, brief);
            shots.push_back(Shot{pose, take, valueOf(take)});
        }
    }
    std::stable_sort(shots.begin(), shots.end(),
                     [](const Shot& a, const Shot& b) { return a.value > b.value; });
    return shots;
}

// Of the shots that frame the cars best, the one with the least scenery close in front of
// the lens.
Shot bestOf(const Scene& scene, const std::vector<Shot>& ranked) {
    Shot best;
    for (size_t i = 0; i < std::min<size_t>(ranked.size(), kShortList); ++i) {
        Shot shot = ranked[i];
        shot.value -= kClutterCost * clutter(scene, shot.pose);
        if (shot.value > best.value) best = shot;
    }
    return best;
}

// The places of the best shots, each once: a shot held longer must frame its first record
// well too, so only these are tried for it.
std::vector<V3> placesOf(const std::vector<Shot>& ranked) {
    std::vector<V3> places;
    for (const Shot& shot : ranked) {
        const V3 eye = cameraEye(shot.pose);
        const bool known = std::any_of(places.begin(), places.end(), [&eye](const V3& p) {
            return std::fabs(p.x - eye.x) + std::fabs(p.y - eye.y) + std::fabs(p.z - eye.z) < 1e-6;
        });
        if (!known) places.push_back(eye);
        if (places.size() == kShortList) break;
    }
    return places;
}

}  // namespace

std::vector<RunRecord> directCameras(const Circuit& circuit, const Terrain& terrain,
                                     const RaceLog& race, const SightMap& sight) {
    const Scene scene{circuit, terrain, race, sight, cameraSpots(circuit, terrain)};
    const size_t pass = passFrame(race);
    std::vector<RunRecord> poses;
    Shot current;
    int planned = 0;  // the record at which the current shot's plan ends
    for (int record = 0; record < race.records; ++record) {
        if (record < planned) {
            poses.push_back(current.pose);
            continue;
        }
        const Span span = spanOf(race, record);
        const Brief brief = briefFor(scene, span, pass);
        const Shot* from = poses.empty() ? nullptr : &current;
        const std::vector<Shot> ranked =
            rankShots(scene, placesFor(scene, span, brief), span, brief, from);
        // The longest shot that keeps a car framed all the time, unless its cars are much
        // smaller than in the best shot of one record.
        Shot cut = bestOf(scene, ranked);
        const std::vector<V3> likely = placesOf(ranked);
        int length = 1;
        for (int records = 2; records <= kLongestShot && record + records <= race.records;
             ++records) {
            const Span longer = spanOf(race, record, records);
            const Shot shot = bestOf(
                scene, rankShots(scene, likely, longer, briefFor(scene, longer, pass), from));
            if (shot.take.framed < 0.97 || shot.take.size < 0.75 * cut.take.size) break;
            cut = shot;
            length = records;
        }
        if (cut.value > -1e9) current = cut;
        planned = record + length;
        poses.push_back(current.pose);
    }
    return poses;
}

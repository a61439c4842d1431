#include "content/race/race.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>

#include "content/race/runs.h"
#include "platform/ticks.h"
#include "replay/recorder.h"
#include "world/angles.h"
#include "world/car.h"
#include "world/track.h"

namespace {

constexpr uint32_t kStartTick = 5000;
constexpr int kLaps = 2;
constexpr double kLane = 0.27;       // lateral offset of a car keeping to one side
constexpr double kFollowGap = 1.15;  // centre to centre, nose to tail with room
constexpr double kAlongside = 1.0;   // closer than this along the road, cars keep apart sideways
constexpr double kMaxLine = 0.3;     // racing line's reach toward a corner's inside

// How each car drives: the saloon is quicker on the straights, the hatchback in the corners
// and off the line.
struct Driving {
    const char* name;
    double topSpeed;
    double grip;    // lateral acceleration it takes through corners
    double launch;  // speed of its first second
    double accel;   // speed gained per record interval
    double brake;   // deceleration into corners
    bool mayPass;   // whether it attacks on the main straight in the second lap
};

constexpr Driving kDrivers[2] = {
    {"ds21", 4.6, 4.2, 1.15, 1.1, 3.2, true},
    {"r5", 3.8, 4.25, 1.8, 1.6, 3.6, false},
};

struct ArcPose {
    double x, y, theta;
};

ArcPose alongArc(const ArcPose& p, double k, double distance) {
    if (std::fabs(k) < 1e-9)
        return {p.x + distance * std::cos(p.theta), p.y + distance * std::sin(p.theta), p.theta};
    const double theta = p.theta + k * distance;
    return {p.x + (std::sin(theta) - std::sin(p.theta)) / k,
            p.y - (std::cos(theta) - std::cos(p.theta)) / k, theta};
}

// Station and lateral offset of a point near station guess, by projecting twice.
void project(const Circuit& circuit, double x, double y, double guess, double& s, double& lateral) {
    s = guess;
    for (int i = 0; i < 3; ++i) {
        const CentrePoint c = circuit.at(s);
        s += (x - c.x) * c.dirX + (y - c.y) * c.dirY;
    }
    const CentrePoint c = circuit.at(s);
    lateral = -(x - c.x) * c.dirY + (y - c.y) * c.dirX;
}

// The lateral line a car aims for: the racing line that reaches toward the inside of each
// corner, or a fixed lane while it keeps to one side.
struct LineTarget {
    bool fixed = false;
    double lane = 0.0;
};

class RacingLine {
  public:
    explicit RacingLine(const Circuit& c) : circuit(c) {
        for (double s = 0.0; s < circuit.length(); s += kStep) {
            double sum = 0.0;
            int n = 0;
            for (double t = s - 1.0; t <= s + 1.6; t += 0.1, ++n) sum += circuit.at(t).curvature;
            offsets.push_back(std::clamp(sum / n / 0.3, -1.0, 1.0) * kMaxLine);
        }
    }
    double at(double s) const {
        const double f = circuit.wrap(s) / kStep;
        const size_t i = static_cast<size_t>(f) % offsets.size();
        const double t = f - std::floor(f);
        return offsets[i] * (1.0 - t) + offsets[(i + 1) % offsets.size()] * t;
    }

  private:
    static constexpr double kStep = 0.05;
    const Circuit& circuit;
    std::vector<double> offsets;
};

// Highest speed a car may hold at each station: its grip in the corners and its brakes
// before them.
class SpeedProfile {
  public:
    SpeedProfile(const Circuit& circuit, const Driving& driving) : length(circuit.length()) {
        const size_t n = static_cast<size_t>(length / kStep);
        limits.resize(n);
        for (size_t i = 0; i < n; ++i) {
            const double k = std::fabs(circuit.at(i * kStep).curvature);
            limits[i] = std::min(driving.topSpeed, std::sqrt(driving.grip / std::max(k, 1e-6)));
        }
        for (int pass = 0; pass < 2; ++pass) {
            for (size_t j = n; j-- > 0;) {
                const double next = limits[(j + 1) % n];
                limits[j] =
                    std::min(limits[j], std::sqrt(next * next + 2.0 * driving.brake * kStep));
            }
        }
    }
    // The lowest limit over [s0, s1].
    double lowest(double s0, double s1) const {
        double v = 1e9;
        for (double s = s0; s <= s1; s += kStep) {
            double w = std::fmod(s, length);
            if (w < 0.0) w += length;
            v = std::min(v, limits[static_cast<size_t>(w / kStep) % limits.size()]);
        }
        return v;
    }

  private:
    static constexpr double kStep = 0.05;
    double length;
    std::vector<double> limits;
};

// Half width and half length of each car's footprint.
constexpr double kFootprint[2][2] = {{0.11, 0.275}, {0.108, 0.2}};
constexpr double kClearance = 0.08;  // kept between footprints while recording

Corners footprint(const ArcPose& p, int car) {
    const double c = std::cos(p.theta), s = std::sin(p.theta);
    const double w = kFootprint[car][0], l = kFootprint[car][1];
    const double local[4][2] = {{-l, -w}, {l, -w}, {l, w}, {-l, w}};
    Corners out;
    for (int k = 0; k < 4; ++k)
        out[k] = {p.x + local[k][0] * c - local[k][1] * s, p.y + local[k][0] * s + local[k][1] * c};
    return out;
}

struct Racer {
    Car car;
    const Driving* driving = nullptr;
    double s = 0.0;         // station now
    double progress = 0.0;  // distance along the loop since the grid
    double speed = 0.0;     // forward speed of the current interval
    double curvature = 0.0;
    double lateral = 0.0;
};

}  // namespace

namespace {

double wrapAngle(double a) {
    while (a > kPi) a -= 2.0 * kPi;
    while (a < -kPi) a += 2.0 * kPi;
    return a;
}

// Picks the one curvature to hold over the next interval: the arc that keeps closest to
// the target line through this interval and leaves the best start for the next one.
class Steering {
  public:
    Steering(const Circuit& c, const RacingLine& l) : circuit(c), line(l) {}

    double choose(const ArcPose& pose, double s, double speed, double seconds,
                  const LineTarget& target) const {
        if (speed <= 0.0) return 0.0;
        double best = 0.0, bestCost = 1e30;
        for (double k = -kMaxCurvature; k <= kMaxCurvature + 1e-9; k += 0.02)
            consider(pose, s, speed, seconds, target, k, best, bestCost);
        const double centre = best;
        for (double k = centre - 0.02; k <= centre + 0.02 + 1e-9; k += 0.001)
            consider(pose, s, speed, seconds, target, k, best, bestCost);
        return best;
    }

  private:
    static constexpr double kMaxCurvature = 1.4;
    static constexpr int kSamples = 6;

    void consider(const ArcPose& pose, double s, double speed, double seconds,
                  const LineTarget& target, double k, double& best, double& bestCost) const {
        ArcPose end;
        double endS = 0.0;
        double cost = intervalCost(pose, s, speed, seconds, target, k, end, endS);
        double next = 1e30;
        for (double k2 = -kMaxCurvature; k2 <= kMaxCurvature + 1e-9; k2 += 0.05) {
            ArcPose unused;
            double unusedS = 0.0;
            next = std::min(next,
                            intervalCost(end, endS, speed, seconds, target, k2, unused, unusedS));
        }
        cost += 0.8 * next;
        if (cost < bestCost) bestCost = cost, best = k;
    }

    double targetAt(const LineTarget& target, double s) const {
        return target.fixed ? target.lane : line.at(s);
    }

    double intervalCost(const ArcPose& from, double s, double speed, double seconds,
                        const LineTarget& target, double k, ArcPose& end, double& endS) const {
        const double distance = speed * seconds;
        double cost = 0.0, lateral = 0.0, station = s;
        for (int j = 1; j <= kSamples; ++j) {
            const double d = distance * j / kSamples;
            end = alongArc(from, k, d);
            project(circuit, end.x, end.y, s + d, station, lateral);
            const double error = lateral - targetAt(target, station);
            const double outside = std::max(0.0, std::fabs(lateral) - 0.55);
            cost += (error * error + 50.0 * outside * outside) / kSamples;
        }
        const CentrePoint c = circuit.at(station);
        const double headingError = wrapAngle(end.theta - std::atan2(c.dirY, c.dirX));
        const double error = lateral - targetAt(target, station);
        endS = station;
        return cost + error * error + 0.5 * headingError * headingError;
    }

    const Circuit& circuit;
    const RacingLine& line;
};

struct Decision {
    double speed = 0.0;
    LineTarget target;
};

// Race craft at one record instant: keep apart when side by side, follow with room unless
// allowed to pass, pass on the side the other car leaves free.
Decision decide(const Racer& me, const Racer& other, const SpeedProfile& profile, double seconds,
                double length) {
    Decision d;
    const Driving& drive = *me.driving;
    const double reach = std::max(me.speed, 1.0) * seconds * 1.1;
    d.speed = profile.lowest(me.s, me.s + reach);
    d.speed = me.speed <= 0.0 ? drive.launch : std::min(d.speed, me.speed + drive.accel);
    const double gap = other.progress - me.progress;
    // The main straight runs from the last corner, a few units before the grid, to turn one.
    const double lapPoint = std::fmod(me.progress, length);
    const bool onMainStraight = lapPoint > length - 4.0 || lapPoint < 10.0;
    // It attacks from the grid on in the second lap, so the pass comes under braking for turn
    // one, clear of the bridge, where the cameras see both cars.
    const bool attacking = drive.mayPass && me.progress > length && onMainStraight;
    if (std::fabs(gap) < kAlongside) {
        // Side by side: each keeps its side, and the one a nose behind gives way unless it
        // is the one passing.
        d.target.fixed = true;
        d.target.lane = (me.lateral > other.lateral ? 1.0 : -1.0) * kLane;
        if (gap > 0.0 && !attacking) d.speed = std::min(d.speed, std::max(0.0, other.speed - 0.2));
    } else if (gap > 0.0 && gap < kFollowGap + 1.6) {
        if (attacking && d.speed > other.speed) {
            d.target.fixed = true;
            d.target.lane = (other.lateral > 0.0 ? -1.0 : 1.0) * kLane;
        } else {
            d.speed = std::min(d.speed, std::max(0.0, other.speed + (gap - kFollowGap) / seconds));
        }
    }
    return d;
}

// After the flag: ease off by a step each second and stop.
double slowing(double speed) {
    const double next = speed - 1.3;
    return next < 0.35 ? 0.0 : next;
}

}  // namespace

namespace {

ArcPose poseOf(const Car& car) {
    const double radians = car.heading * kRadiansPerDegree;
    return {car.position.x, car.position.y, radians - 0.5 * kPi};
}

// Forward speed v along a constant curvature k, as the car's turn rate: degrees (of the
// car's own degree factor) per 10 ms, positive turning right.
float turnRateFor(double k, double v) {
    return static_cast<float>(-k * v / (kRadiansPerDegree * 100.0));
}

class RaceSession {
  public:
    RaceSession(const Circuit& c, const Track& track)
        : circuit(c),
          line(c),
          steering(c, line),
          profiles{SpeedProfile(c, kDrivers[0]), SpeedProfile(c, kDrivers[1])} {
        for (int i = 0; i < 2; ++i) {
            racers[i].driving = &kDrivers[i];
            racers[i].car.setTrack(&track);
            racers[i].car.setPosition(Vec3{i == 0 ? 0.0f : 0.3f, 0.0f, 0.0f});
            racers[i].s = c.gridS;
            project(c, racers[i].car.position.x, racers[i].car.position.y, c.gridS, racers[i].s,
                    racers[i].lateral);
        }
    }

    // Moves both cars one frame and follows their stations.
    void advance(int ms) {
        for (Racer& r : racers) {
            r.car.advance(ms);
            double s = 0.0;
            project(circuit, r.car.position.x, r.car.position.y, r.s + r.speed * ms * 0.001, s,
                    r.lateral);
            r.progress += circuit.forwardGap(r.s, s);
            r.s = circuit.wrap(s);
        }
    }

    // New controls for the interval that starts now; the car behind decides knowing what the
    // car ahead will do, and eases off until the two arcs keep clear of each other.
    void steer(double seconds) {
        const int leader = racers[0].progress >= racers[1].progress ? 0 : 1;
        for (int i : {leader, 1 - leader}) {
            Racer& r = racers[i];
            const Decision decision =
                decide(r, racers[1 - i], profiles[i], seconds, circuit.length());
            const bool flagged =
                r.progress >
                kLaps * circuit.length() + circuit.forwardGap(circuit.gridS, circuit.startLineS);
            r.speed = flagged ? std::min(slowing(r.speed), decision.speed) : decision.speed;
            for (;;) {
                r.curvature =
                    steering.choose(poseOf(r.car), r.s, r.speed, seconds, decision.target);
                if (i == leader || r.speed <= 0.0 || closestApproach(i, seconds) >= kClearance)
                    break;
                r.speed = r.speed > 0.5 ? r.speed - 0.15 : 0.0;
            }
            r.car.setSpeed(static_cast<float>(r.speed));
            r.car.setTurnRate(r.speed > 0.0 ? turnRateFor(r.curvature, r.speed) : 0.0f);
        }
    }

    // The smallest gap between the footprints over the coming interval, both cars on their
    // chosen arcs.
    double closestApproach(int i, double seconds) const {
        double closest = 1e9;
        for (int step = 0; step <= 40; ++step) {
            const double t = seconds * step / 40.0;
            const Racer& a = racers[i];
            const Racer& b = racers[1 - i];
            const ArcPose pa = alongArc(poseOf(a.car), a.curvature, a.speed * t);
            const ArcPose pb = alongArc(poseOf(b.car), b.curvature, b.speed * t);
            closest = std::min(closest, separation(footprint(pa, i), footprint(pb, 1 - i)));
        }
        return closest;
    }

    bool stopped() const {
        return racers[0].speed == 0.0 && racers[1].speed == 0.0 &&
               racers[0].progress > circuit.length();
    }

    RaceFrame frame() const {
        RaceFrame f;
        for (int i = 0; i < 2; ++i) {
            f.x[i] = racers[i].car.position.x;
            f.y[i] = racers[i].car.position.y;
            f.z[i] = racers[i].car.position.z;
            f.heading[i] = racers[i].car.heading;
            f.progress[i] = racers[i].progress;
        }
        return f;
    }

    Racer racers[2];

  private:
    const Circuit& circuit;
    RacingLine line;
    Steering steering;
    SpeedProfile profiles[2];
};

}  // namespace

bool recordRace(const Circuit& circuit, const Track& track, const std::string& ds21Path,
                const std::string& r5Path, RaceLog& log, std::string& error) {
    ManualClock::install(kStartTick);
    auto session = std::make_unique<RaceSession>(circuit, track);
    Recorder ds21(ds21Path.c_str(), &session->racers[0].car);
    Recorder r5(r5Path.c_str(), &session->racers[1].car);
    ds21.startRecording();
    r5.startRecording();
    if (ds21.state != Recording || r5.state != Recording) {
        error = "cannot create " + (ds21.state != Recording ? ds21Path : r5Path);
        return false;
    }
    // Frames run as in the demo: the cars move, then a record that is due is written with
    // the controls for the next interval, so playback from it follows the same arc.
    const double seconds = 0.001 * kRecordFrameMs * (1000 / kRecordFrameMs + 1);
    log = RaceLog{};
    log.recordEvery = 1000 / kRecordFrameMs + 1;
    int idleRecords = 0;
    for (int frame = 0; idleRecords < 2; ++frame) {
        if (frame > 0) {
            ManualClock::advance(kRecordFrameMs);
            session->advance(kRecordFrameMs);
        } else {
            session->advance(0);
        }
        if (frame == 0 || ManualClock::now - ds21.lastWriteTime > 1000u) {
            session->steer(seconds);
            ds21.step(frame == 0);
            r5.step(frame == 0);
            ++log.records;
            if (session->stopped()) ++idleRecords;
        }
        log.frames.push_back(session->frame());
        if (frame > 200000) {
            error = "the race did not finish";
            return false;
        }
    }
    if (ds21.writeFailed || r5.writeFailed) {
        error = "cannot write " + (ds21.writeFailed ? ds21Path : r5Path);
        return false;
    }
    return true;
}

double separation(const Corners& a, const Corners& b) {
    double best = -1e9;
    for (const Corners* shape : {&a, &b}) {
        for (int k = 0; k < 2; ++k) {
            const double ex = (*shape)[k + 1][0] - (*shape)[k][0],
                         ey = (*shape)[k + 1][1] - (*shape)[k][1];
            const double len = std::hypot(ex, ey), nx = -ey / len, ny = ex / len;
            double minA = 1e9, maxA = -1e9, minB = 1e9, maxB = -1e9;
            for (const auto& p : a)
                minA = std::min(minA, p[0] * nx + p[1] * ny),
                maxA = std::max(maxA, p[0] * nx + p[1] * ny);
            for (const auto& p : b)
                minB = std::min(minB, p[0] * nx + p[1] * ny),
                maxB = std::max(maxB, p[0] * nx + p[1] * ny);
            best = std::max(best, std::max(minB - maxA, minA - maxB));
        }
    }
    return best;
}

Corners carFootprint(const Car& car, int index) { return footprint(poseOf(car), index); }

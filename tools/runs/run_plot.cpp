#include "runs/run_plot.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/output_file.h"
#include "common/png_image.h"
#include "platform/files.h"
#include "runs/run_file.h"
#include "world/angles.h"
#include "world/car.h"
#include "world/track.h"

namespace {

// A car left alone between two far-apart records would be simulated for ever; a minute of
// dead reckoning shows where it drifts.
constexpr int64_t kMaxGapMs = 60000;
const uint8_t kBackground[3] = {28, 36, 30};
const uint8_t kOutline[3] = {0, 0, 0};

struct Run {
    std::string path;
    RunFile file;
};

// What the map leaves out, said once for all runs.
struct Omissions {
    size_t records = 0;   // records holding a value that is not a finite number
    size_t longGaps = 0;  // records followed by more than kMaxGapMs
};

struct Bounds {
    float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    void add(float x, float y) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
};

// World x to the right and y up, one scale for both, the bounds centred with a margin.
struct MapView {
    double scale = 1.0, offsetX = 0.0, offsetY = 0.0;
    int height = 0;
    MapView(const Bounds& b, int width, int imageHeight) : height(imageHeight) {
        const bool empty = !(b.minX <= b.maxX && b.minY <= b.maxY);
        const double spanX = empty ? 1.0 : std::max(1e-3, static_cast<double>(b.maxX) - b.minX);
        const double spanY = empty ? 1.0 : std::max(1e-3, static_cast<double>(b.maxY) - b.minY);
        const double minX = empty ? 0.0 : b.minX, minY = empty ? 0.0 : b.minY;
        scale = 0.92 * std::min(width / spanX, imageHeight / spanY);
        offsetX = (width - spanX * scale) / 2.0 - minX * scale;
        offsetY = (imageHeight - spanY * scale) / 2.0 - minY * scale;
    }
    double px(float x) const { return x * scale + offsetX; }
    double py(float y) const { return height - (y * scale + offsetY); }
};

// A pixel coordinate as an int, clamped in floating point first: a point far off the map
// (or not a number) must not overflow the conversion. limit is the image's side.
int pixel(double value, int limit) {
    if (!(value > -2.0)) return -2;
    return static_cast<int>(std::floor(std::min(value, limit + 2.0)));
}

bool loadTrack(const std::string& path, Track& track, std::string& error) {
    // Probed first, without ever waiting on a FIFO, so that the error says why: the track
    // reader only prints that it could not open the file.
    std::string reason;
    const int probe = openRegularFile(path.c_str(), &reason);
    if (probe < 0) {
        error = path + ": cannot open: " + reason;
        return false;
    }
    close(probe);
    track.readTriangles(path.c_str());
    if (track.triangleCount == 0) {
        error = path + ": no triangles found (not an ASCII model file?)";
        return false;
    }
    return true;
}

// Blue through cyan, green and yellow to red as fraction goes from 0 to 1.
void speedColour(float fraction, uint8_t out[3]) {
    const float f = std::clamp(std::isfinite(fraction) ? fraction : 0.0f, 0.0f, 1.0f) * 4.0f;
    const int band = std::min(3, static_cast<int>(f));
    const auto up = static_cast<uint8_t>(255.0f * (f - band));
    const auto down = static_cast<uint8_t>(255 - up);
    const uint8_t bands[4][3] = {{0, up, 255}, {0, 255, down}, {up, 255, 0}, {255, down, 0}};
    std::memcpy(out, bands[band], 3);
}

double edge(double ax, double ay, double bx, double by, double x, double y) {
    return (bx - ax) * (y - ay) - (by - ay) * (x - ax);
}

void fillTriangle(RgbImage& image, const double xs[3], const double ys[3],
                  const uint8_t colour[3]) {
    const int x0 = std::max(0, pixel(std::min({xs[0], xs[1], xs[2]}), image.width));
    const int x1 =
        std::min(image.width - 1, pixel(std::ceil(std::max({xs[0], xs[1], xs[2]})), image.width));
    const int y0 = std::max(0, pixel(std::min({ys[0], ys[1], ys[2]}), image.height));
    const int y1 =
        std::min(image.height - 1, pixel(std::ceil(std::max({ys[0], ys[1], ys[2]})), image.height));
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const double cx = x + 0.5, cy = y + 0.5;
            const double e0 = edge(xs[0], ys[0], xs[1], ys[1], cx, cy);
            const double e1 = edge(xs[1], ys[1], xs[2], ys[2], cx, cy);
            const double e2 = edge(xs[2], ys[2], xs[0], ys[0], cx, cy);
            const bool inside = (e0 >= 0 && e1 >= 0 && e2 >= 0) || (e0 <= 0 && e1 <= 0 && e2 <= 0);
            if (inside) image.set(x, y, colour);
        }
    }
}

// The track in greys, lighter where it is higher; higher triangles over lower ones. The
// track reader has left out every triangle with a corner that is not a finite number.
void drawTrack(RgbImage& image, const MapView& view, const Track& track) {
    std::vector<const Triangle*> order;
    float low = INFINITY, high = -INFINITY;
    for (int i = 0; i < track.triangleCount; ++i) {
        order.push_back(&track.triangles[i]);
        for (const Vec3& c : track.triangles[i].corner)
            low = std::min(low, c.z), high = std::max(high, c.z);
    }
    // In double: three corners near the float limit would overflow a float sum.
    auto meanZ = [](const Triangle* t) {
        return (double{t->corner[0].z} + t->corner[1].z + t->corner[2].z) / 3.0;
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](const Triangle* a, const Triangle* b) { return meanZ(a) < meanZ(b); });
    for (const Triangle* t : order) {
        const double xs[3] = {view.px(t->corner[0].x), view.px(t->corner[1].x),
                              view.px(t->corner[2].x)};
        const double ys[3] = {view.py(t->corner[0].y), view.py(t->corner[1].y),
                              view.py(t->corner[2].y)};
        const double lift = high > low ? (meanZ(t) - low) / (double{high} - low) : 0.5;
        const auto grey = static_cast<uint8_t>(96.0 + 96.0 * std::clamp(lift, 0.0, 1.0));
        const uint8_t colour[3] = {grey, grey, grey};
        fillTriangle(image, xs, ys, colour);
    }
}

void drawDisc(RgbImage& image, int cx, int cy, int radius, const uint8_t colour[3]) {
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            if (dx * dx + dy * dy <= radius * radius) image.set(cx + dx, cy + dy, colour);
        }
    }
}

// Cuts the segment to the image and a two-pixel border (Liang-Barsky); false when nothing
// of it is left, so a line's cost is bounded by the image, not by how far it runs off.
bool clipToImage(const RgbImage& image, double& ax, double& ay, double& bx, double& by) {
    const double dx = bx - ax, dy = by - ay;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax + 2.0, image.width + 2.0 - ax, ay + 2.0, image.height + 2.0 - ay};
    double enter = 0.0, leave = 1.0;
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            enter = std::max(enter, t);
        else
            leave = std::min(leave, t);
    }
    if (!(enter <= leave)) return false;
    bx = ax + dx * leave, by = ay + dy * leave;
    ax += dx * enter, ay += dy * enter;
    return true;
}

// A two-pixel line.
void drawLine(RgbImage& image, double ax, double ay, double bx, double by,
              const uint8_t colour[3]) {
    if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(bx) || !std::isfinite(by))
        return;
    if (!clipToImage(image, ax, ay, bx, by)) return;
    const int steps =
        static_cast<int>(std::ceil(std::max(std::fabs(bx - ax), std::fabs(by - ay)))) + 1;
    for (int i = 0; i <= steps; ++i) {
        const double x = ax + (bx - ax) * i / steps, y = ay + (by - ay) * i / steps;
        drawDisc(image, pixel(x, image.width), pixel(y, image.height), 1, colour);
    }
}

// How one record's stretch of dead reckoning is drawn: steps of strideMs (the last one
// shorter) until spanMs.
struct Stretch {
    int64_t spanMs = 0;
    int64_t strideMs = 0;
};

// The demo moves a car by fixed steps of stepMs. Where that puts many steps into one pixel,
// steps are joined so that each moves the car about a pixel; a joined step turns the car as
// far as the steps it stands for, and the chord it draws stays within a pixel of their
// path. Beyond one full turn the path only repeats itself. So the steps drawn for a record
// are bounded by the pixels its path can cross, not by the time to the next record.
Stretch planStretch(const RunRecord& r, int64_t gapMs, int stepMs, const MapView& view,
                    int maxStrides) {
    Stretch stretch;
    const double fullTurnMs =
        360.0 / (std::fabs(r.turnRate) * 0.1) + stepMs;  // infinite without a turn
    stretch.spanMs =
        fullTurnMs < static_cast<double>(gapMs) ? static_cast<int64_t>(fullTurnMs) : gapMs;
    const double pixelsPerMs = std::fabs(r.forwardSpeed) * 0.001 * view.scale;
    const double stepsToPixel = pixelsPerMs > 0.0 ? 1.0 / (pixelsPerMs * stepMs) : INFINITY;
    const double steps = std::ceil(static_cast<double>(stretch.spanMs) / stepMs);
    const double join =
        std::max({1.0, std::floor(std::min(stepsToPixel, steps)), std::ceil(steps / maxStrides)});
    stretch.strideMs = static_cast<int64_t>(join) * stepMs;
    return stretch;
}

void applyRecord(Car& car, const RunRecord& record) {
    car.setPosition(record.position);
    car.setRotation(Vec3{record.pitch, record.roll, record.heading});
    car.setSpeed(record.forwardSpeed);
    car.setTurnRate(record.turnRate);
}

// The way from a point outside the image (with its two-pixel border) to the image, in pixels;
// zero inside.
void awayFromImage(const RgbImage& image, double x, double y, double& dx, double& dy) {
    dx = x < -2.0 ? x + 2.0 : (x > image.width + 2.0 ? x - image.width - 2.0 : 0.0);
    dy = y < -2.0 ? y + 2.0 : (y > image.height + 2.0 ? y - image.height - 2.0 : 0.0);
}

// Whether a car outside the image can no longer come back into it within leftMs. It moves
// at most its speed times the time. Heading away from the image, it first has to turn:
// while its heading turns by up to a quarter turn it gains at most R (1 - cos wt) on the
// image (R the radius of its circle), and never more than 2R. The strides' own length is
// added, as each stride turns before it moves.
bool goneForGood(const RgbImage& image, const MapView& view, const Car& car, const Stretch& stretch,
                 int64_t leftMs) {
    double dx = 0.0, dy = 0.0;
    awayFromImage(image, view.px(car.position.x), view.py(car.position.y), dx, dy);
    const double distance = std::hypot(dx, dy);
    if (!std::isfinite(distance)) return true;  // the car has run out of numbers
    if (distance == 0.0) return false;
    const double speed = std::fabs(car.speed) * 0.001 * view.scale;  // pixels per ms
    const double left = static_cast<double>(leftMs);
    if (distance > speed * left + 2.0) return true;
    const double turn = std::fabs(car.turnRate) * 0.1 * kRadiansPerDegree;  // radians per ms
    if (turn * static_cast<double>(stretch.strideMs) > 0.05) return false;
    const double radians = car.heading * kRadiansPerDegree;
    const double sign = car.speed < 0.0 ? -1.0 : 1.0;  // speed holds the negated forward speed
    const bool headingAway = sign * (-std::sin(radians) * dx - std::cos(radians) * dy) >= 0.0;
    if (!headingAway) return false;
    const double radius = turn > 0.0 ? speed / turn : INFINITY;
    const double quarterMs = turn > 0.0 ? kPi / 2.0 / turn : INFINITY;
    const double half = std::sin(turn * std::min(left, quarterMs) / 2.0);
    double gain = turn > 0.0 ? 2.0 * radius * half * half : 0.0;
    if (left > quarterMs) gain = std::min(2.0 * radius, gain + speed * (left - quarterMs));
    return distance > gain + speed * static_cast<double>(stretch.strideMs) + 4.0;
}

// Sets the record's pose and drives on from it as playback would, drawing as it goes. The
// track only sets a car's height and tilt, never where it goes, so none is needed here.
void driveFromRecord(RgbImage& image, const MapView& view, const RunRecord& record,
                     const Stretch& stretch, const uint8_t colour[3]) {
    Car car;
    applyRecord(car, record);
    for (int64_t done = 0; done < stretch.spanMs; done += stretch.strideMs) {
        if (goneForGood(image, view, car, stretch, stretch.spanMs - done)) return;
        const double ax = view.px(car.position.x), ay = view.py(car.position.y);
        car.advance(static_cast<int32_t>(std::min(stretch.strideMs, stretch.spanMs - done)));
        drawLine(image, ax, ay, view.px(car.position.x), view.py(car.position.y), colour);
    }
}

int64_t gapAfter(const std::vector<RunRecord>& records, size_t i) {
    if (i + 1 >= records.size()) return 0;
    return std::max<int64_t>(0, int64_t{records[i + 1].timeMs} - records[i].timeMs);
}

void drawRun(RgbImage& image, const MapView& view, const PlotOptions& options, const Run& run,
             float topSpeed, Omissions& omitted) {
    uint8_t colour[3];
    const std::vector<RunRecord>& records = run.file.records;
    const int maxStrides = 4 * (image.width + image.height);
    for (size_t i = 0; i < records.size(); ++i) {
        const int64_t gap = gapAfter(records, i);
        if (gap > kMaxGapMs) ++omitted.longGaps;
        if (!finiteRecord(records[i])) continue;
        const Stretch stretch =
            planStretch(records[i], std::min(gap, kMaxGapMs), options.stepMs, view, maxStrides);
        speedColour(std::fabs(records[i].forwardSpeed) / topSpeed, colour);
        driveFromRecord(image, view, records[i], stretch, colour);
    }
    for (const RunRecord& r : records) {
        if (!finiteRecord(r)) continue;
        const int x = pixel(view.px(r.position.x), image.width),
                  y = pixel(view.py(r.position.y), image.height);
        speedColour(std::fabs(r.forwardSpeed) / topSpeed, colour);
        drawDisc(image, x, y, 4, kOutline);
        drawDisc(image, x, y, 3, colour);
    }
}

float topSpeedOf(const std::vector<Run>& runs) {
    float top = 0.0f;
    for (const Run& run : runs) {
        for (const RunRecord& r : run.file.records) {
            if (finiteRecord(r)) top = std::max(top, std::fabs(r.forwardSpeed));
        }
    }
    return top > 0.0f ? top : 1.0f;
}

Bounds boundsOf(const Track& track, const std::vector<Run>& runs) {
    Bounds bounds;
    for (int i = 0; i < track.triangleCount; ++i) {
        for (const Vec3& c : track.triangles[i].corner) bounds.add(c.x, c.y);
    }
    for (const Run& run : runs) {
        for (const RunRecord& r : run.file.records) {
            if (finiteRecord(r)) bounds.add(r.position.x, r.position.y);
        }
    }
    return bounds;
}

// The run file's own warnings, but non-finite records only counted: a damaged file would
// otherwise give a line for each.
void noteRunWarnings(const Run& run, std::vector<std::string>& notes, Omissions& omitted) {
    RunWarnings warnings(false);
    for (const RunRecord& r : run.file.records) {
        if (!finiteRecord(r)) ++omitted.records;
        warnings.add(r);
    }
    for (const std::string& warning : warnings.finish(run.file.trailingBytes))
        notes.push_back(run.path + ": " + warning);
}

// An existing file is replaced only by a newer map: a PNG picture, or an empty file. A run
// file or a model named by --out (its value forgotten before rec/*) is no map to overwrite.
bool replaceableMap(const std::string& path, std::string& error) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return true;  // a new file; checkOutputPath has seen to the rest
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    uint8_t start[sizeof kSignature] = {};
    const ssize_t got = read(fd, start, sizeof start);
    close(fd);
    if (got == 0 || (got == sizeof start && std::memcmp(start, kSignature, sizeof start) == 0))
        return true;
    error = path + ": is not a PNG picture; it is not replaced by the map";
    return false;
}

bool writeMap(const std::string& path, const RgbImage& image,
              const std::vector<std::string>& inputs, std::string& error) {
    OutputFile out;
    if (!out.open(path, inputs, error)) return false;
    if (!writePng(out.stream(), image, error)) {
        error = path + ": " + error;
        return false;  // the new file goes with out
    }
    return out.commit(error);
}

void noteOmissions(const Omissions& omitted, std::vector<std::string>& notes) {
    if (omitted.records > 0) {
        notes.push_back("warning: left out " + std::to_string(omitted.records) +
                        " records holding values that are not finite numbers");
    }
    if (omitted.longGaps > 0) {
        notes.push_back(std::to_string(omitted.longGaps) +
                        " records are followed by a gap of more than a minute; only the first "
                        "minute of each is drawn");
    }
}

}  // namespace

bool plotRuns(const PlotOptions& options, std::vector<std::string>& notes, std::string& error) {
    std::vector<std::string> inputs = options.runPaths;
    inputs.push_back(options.trackPath);
    if (!checkOutputPath(options.outPath, inputs, error) ||
        !replaceableMap(options.outPath, error)) {
        return false;
    }
    auto track = std::make_unique<Track>();
    if (!loadTrack(options.trackPath, *track, error)) return false;
    Omissions omitted;
    std::vector<Run> runs(options.runPaths.size());
    for (size_t i = 0; i < runs.size(); ++i) {
        runs[i].path = options.runPaths[i];
        if (!readRunFile(runs[i].path, runs[i].file, error)) return false;
        noteRunWarnings(runs[i], notes, omitted);
    }
    const MapView view(boundsOf(*track, runs), options.width, options.height);
    RgbImage image(options.width, options.height, kBackground[0], kBackground[1], kBackground[2]);
    drawTrack(image, view, *track);
    const float topSpeed = topSpeedOf(runs);
    for (const Run& run : runs) drawRun(image, view, options, run, topSpeed, omitted);
    noteOmissions(omitted, notes);
    char legend[160];
    std::snprintf(legend, sizeof legend,
                  "colours: blue for speed 0 through green to red for speed %.3g", topSpeed);
    notes.push_back(legend);
    return writeMap(options.outPath, image, inputs, error);
}

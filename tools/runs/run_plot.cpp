#include "runs/run_plot.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/png_image.h"
#include "runs/run_file.h"
#include "world/car.h"
#include "world/track.h"

namespace {

// A car left alone between two far-apart records would be simulated for ever; a minute of
// dead reckoning shows where it drifts.
constexpr int64_t kMaxGapMs = 60000;
const uint8_t kBackground[3] = {28, 36, 30};
const uint8_t kOutline[3] = {0, 0, 0};

struct PathPoint {
    float x = 0.0f;
    float y = 0.0f;
    float speed = 0.0f;  // forward speed, as the record set it
    bool startsSegment = false;
};

struct Run {
    std::string path;
    RunFile file;
    std::vector<PathPoint> points;
};

struct Bounds {
    float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    void add(float x, float y) {
        if (!std::isfinite(x) || !std::isfinite(y)) return;
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
        const double spanX = std::max(1e-3, static_cast<double>(b.maxX) - b.minX);
        const double spanY = std::max(1e-3, static_cast<double>(b.maxY) - b.minY);
        scale = 0.92 * std::min(width / spanX, imageHeight / spanY);
        offsetX = (width - spanX * scale) / 2.0 - b.minX * scale;
        offsetY = (imageHeight - spanY * scale) / 2.0 - b.minY * scale;
    }
    double px(float x) const { return x * scale + offsetX; }
    double py(float y) const { return height - (y * scale + offsetY); }
};

bool loadTrack(const std::string& path, Track& track, std::string& error) {
    FILE* probe = std::fopen(path.c_str(), "r");
    if (!probe) {
        error = path + ": cannot open: " + std::strerror(errno);
        return false;
    }
    std::fclose(probe);
    track.readTriangles(path.c_str());
    if (track.triangleCount == 0) {
        error = path + ": no triangles found (not an ASCII model file?)";
        return false;
    }
    return true;
}

void applyRecord(Car& car, const RunRecord& record) {
    car.setPosition(record.position);
    car.setRotation(Vec3{record.pitch, record.roll, record.heading});
    car.setSpeed(record.forwardSpeed);
    car.setTurnRate(record.turnRate);
}

// Sets the record's pose and drives on from it as playback would until the next record
// is due (or for at most kMaxGapMs).
void driveFromRecord(Car& car, const RunRecord& record, int64_t gapMs, int stepMs, std::vector<PathPoint>& points) {
    applyRecord(car, record);
    const float speed = record.forwardSpeed;
    points.push_back(PathPoint{car.position.x, car.position.y, speed, true});
    for (int64_t done = 0; done < gapMs; done += stepMs) {
        car.advance(static_cast<int32_t>(std::min<int64_t>(stepMs, gapMs - done)));
        points.push_back(PathPoint{car.position.x, car.position.y, speed, false});
    }
}

void simulateRun(const Track& track, int stepMs, Run& run, std::vector<std::string>& notes) {
    Car car;
    car.setTrack(&track);
    const std::vector<RunRecord>& records = run.file.records;
    for (size_t i = 0; i < records.size(); ++i) {
        int64_t gap = 0;
        if (i + 1 < records.size()) gap = std::max<int64_t>(0, int64_t{records[i + 1].timeMs} - records[i].timeMs);
        if (gap > kMaxGapMs) {
            notes.push_back(run.path + ": record " + std::to_string(i + 1) + " is followed by a gap of " +
                            std::to_string(gap) + " ms; only its first minute is drawn");
            gap = kMaxGapMs;
        }
        driveFromRecord(car, records[i], gap, stepMs, run.points);
    }
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

void fillTriangle(RgbImage& image, const double xs[3], const double ys[3], const uint8_t colour[3]) {
    const int x0 = std::max(0, static_cast<int>(std::floor(std::min({xs[0], xs[1], xs[2]}))));
    const int x1 = std::min(image.width - 1, static_cast<int>(std::ceil(std::max({xs[0], xs[1], xs[2]}))));
    const int y0 = std::max(0, static_cast<int>(std::floor(std::min({ys[0], ys[1], ys[2]}))));
    const int y1 = std::min(image.height - 1, static_cast<int>(std::ceil(std::max({ys[0], ys[1], ys[2]}))));
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

// The track in greys, lighter where it is higher; higher triangles over lower ones.
void drawTrack(RgbImage& image, const MapView& view, const Track& track) {
    std::vector<const Triangle*> order;
    float low = INFINITY, high = -INFINITY;
    for (int i = 0; i < track.triangleCount; ++i) {
        order.push_back(&track.triangles[i]);
        for (const Vec3& c : track.triangles[i].corner) low = std::min(low, c.z), high = std::max(high, c.z);
    }
    auto meanZ = [](const Triangle* t) { return t->corner[0].z + t->corner[1].z + t->corner[2].z; };
    std::stable_sort(order.begin(), order.end(), [&](const Triangle* a, const Triangle* b) { return meanZ(a) < meanZ(b); });
    for (const Triangle* t : order) {
        const double xs[3] = {view.px(t->corner[0].x), view.px(t->corner[1].x), view.px(t->corner[2].x)};
        const double ys[3] = {view.py(t->corner[0].y), view.py(t->corner[1].y), view.py(t->corner[2].y)};
        const float lift = high > low ? (meanZ(t) / 3.0f - low) / (high - low) : 0.5f;
        const auto grey = static_cast<uint8_t>(96.0f + 96.0f * std::clamp(lift, 0.0f, 1.0f));
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

// A two-pixel line; segments that run far off the image are left out.
void drawLine(RgbImage& image, double ax, double ay, double bx, double by, const uint8_t colour[3]) {
    const double limit = 1e5;
    if (!(std::fabs(ax) < limit && std::fabs(ay) < limit && std::fabs(bx) < limit && std::fabs(by) < limit)) return;
    const int steps = static_cast<int>(std::ceil(std::max(std::fabs(bx - ax), std::fabs(by - ay)))) + 1;
    for (int i = 0; i <= steps; ++i) {
        const double x = ax + (bx - ax) * i / steps, y = ay + (by - ay) * i / steps;
        drawDisc(image, static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)), 1, colour);
    }
}

void drawRun(RgbImage& image, const MapView& view, const Run& run, float topSpeed) {
    uint8_t colour[3];
    for (size_t i = 1; i < run.points.size(); ++i) {
        const PathPoint& a = run.points[i - 1];
        const PathPoint& b = run.points[i];
        if (b.startsSegment) continue;
        speedColour(std::fabs(b.speed) / topSpeed, colour);
        drawLine(image, view.px(a.x), view.py(a.y), view.px(b.x), view.py(b.y), colour);
    }
    for (const RunRecord& r : run.file.records) {
        if (!std::isfinite(r.position.x) || !std::isfinite(r.position.y)) continue;
        const int x = static_cast<int>(std::floor(view.px(r.position.x)));
        const int y = static_cast<int>(std::floor(view.py(r.position.y)));
        speedColour(std::fabs(r.forwardSpeed) / topSpeed, colour);
        drawDisc(image, x, y, 4, kOutline);
        drawDisc(image, x, y, 3, colour);
    }
}

float topSpeedOf(const std::vector<Run>& runs) {
    float top = 0.0f;
    for (const Run& run : runs) {
        for (const RunRecord& r : run.file.records) {
            if (std::isfinite(r.forwardSpeed)) top = std::max(top, std::fabs(r.forwardSpeed));
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
        for (const RunRecord& r : run.file.records) bounds.add(r.position.x, r.position.y);
    }
    return bounds;
}

}  // namespace

bool plotRuns(const PlotOptions& options, std::vector<std::string>& notes, std::string& error) {
    auto track = std::make_unique<Track>();
    if (!loadTrack(options.trackPath, *track, error)) return false;
    std::vector<Run> runs(options.runPaths.size());
    for (size_t i = 0; i < runs.size(); ++i) {
        runs[i].path = options.runPaths[i];
        if (!readRunFile(runs[i].path, runs[i].file, error)) return false;
        for (const std::string& warning : runFileWarnings(runs[i].file)) notes.push_back(runs[i].path + ": " + warning);
        simulateRun(*track, options.stepMs, runs[i], notes);
    }
    const MapView view(boundsOf(*track, runs), options.width, options.height);
    RgbImage image(options.width, options.height, kBackground[0], kBackground[1], kBackground[2]);
    drawTrack(image, view, *track);
    const float topSpeed = topSpeedOf(runs);
    for (const Run& run : runs) drawRun(image, view, run, topSpeed);
    char legend[160];
    std::snprintf(legend, sizeof legend, "colours: blue for speed 0 through green to red for speed %.3g", topSpeed);
    notes.push_back(legend);
    return writePng(options.outPath, image, error);
}

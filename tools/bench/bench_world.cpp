// Height queries and car settling on a full 3000-triangle track: the per-frame cost of the
// world simulation (four linear scans per car).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "world/car.h"
#include "world/track.h"

namespace {

constexpr int kColumns = 50;
constexpr int kRows = 30;
constexpr float kCell = 0.2f;

float hill(float x, float y) { return 0.3f * std::sin(x * 0.7f) * std::cos(y * 0.5f); }

// A rolling surface of 50 x 30 cells, two triangles each: every slot of the table used.
std::unique_ptr<Track> fullTrack() {
    auto track = std::make_unique<Track>();
    const auto corner = [](int i, int j) {
        const float x = i * kCell, y = j * kCell;
        return Vec3{x, y, hill(x, y)};
    };
    for (int j = 0; j < kRows; ++j) {
        for (int i = 0; i < kColumns; ++i) {
            track->triangles[track->triangleCount++] =
                Triangle{{corner(i, j), corner(i + 1, j), corner(i + 1, j + 1)}};
            track->triangles[track->triangleCount++] =
                Triangle{{corner(i, j), corner(i + 1, j + 1), corner(i, j + 1)}};
        }
    }
    return track;
}

// Query points spread over the surface by a fixed linear congruential sequence.
std::vector<Vec3> queryPoints(int count) {
    std::vector<Vec3> points;
    uint32_t state = 12345u;
    const auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / 16777216.0f;
    };
    for (int k = 0; k < count; ++k) {
        const float x = next() * kColumns * kCell, y = next() * kRows * kCell;
        points.push_back(Vec3{x, y, hill(x, y) + 0.05f});
    }
    return points;
}

void BM_HeightAtFullTable(benchmark::State& state) {
    const auto track = fullTrack();
    const std::vector<Vec3> points = queryPoints(1024);
    size_t k = 0;
    for (auto _ : state) {
        const Vec3& p = points[k++ & 1023];
        benchmark::DoNotOptimize(track->heightAt(p.x, p.y, p.z));
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["triangles"] = track->triangleCount;
}
BENCHMARK(BM_HeightAtFullTable);

void BM_CarAdvanceOnFullTrack(benchmark::State& state) {
    const auto track = fullTrack();
    Car car;
    car.setTrack(track.get());
    car.position = Vec3{5.0f, 3.0f, 0.0f};
    car.setSpeed(1.0f);
    car.setTurnRate(0.3f);  // a circle of about 1.9 units, always over the surface
    for (auto _ : state) {
        car.advance(16);
        benchmark::DoNotOptimize(car.position);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CarAdvanceOnFullTrack);

}  // namespace

// Smoke emitter cost per frame at its steady state, on a real GL context (run under xvfb-run).
#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "assets/pack_files.h"
#include "effects/smoke.h"
#include "platform/ticks.h"
#include "world/car.h"

namespace {

bool makeContext() {
    static int window = 0;
    if (window != 0) return true;
    if (!std::getenv("DISPLAY")) return false;
    int argc = 1;
    char name[] = "bench_effects";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(256, 256);
    window = glutCreateWindow("bench");
    glutDisplayFunc([] {});
    return true;
}

// One emitter behind a car circling at a 16 ms frame. Lifetimes average about 670 ms, so
// some 45 particles are alive and drawn per frame (the pool bound is 2500 / 15, about 170).
void BM_SmokeUpdateSteadyState(benchmark::State& state) {
    if (!makeContext()) {
        state.SkipWithError("needs an X display (xvfb-run)");
        return;
    }
    ManualClock::install(1000);
    resetSmokeRandom();
    Car car;
    SmokeEmitter emitter(1000, kSmokeBitmapFile);  // a missing bitmap only leaves it untextured
    emitter.setEmitInterval(15);
    emitter.setSpawnOffset(0.3f, 0.03f);
    emitter.attachCar(&car);
    const auto frame = [&] {
        ManualClock::advance(16);
        car.heading += 1.0f;
        emitter.update(16);
    };
    for (int i = 0; i < 400; ++i) frame();
    for (auto _ : state) frame();
    glFinish();
    int alive = 0;
    for (int32_t i = 0; i < emitter.particleCount; ++i) alive += emitter.particles[i].alive ? 1 : 0;
    state.counters["alive"] = alive;
    setTickSource(nullptr);
}
BENCHMARK(BM_SmokeUpdateSteadyState)->Unit(benchmark::kMicrosecond);

}  // namespace

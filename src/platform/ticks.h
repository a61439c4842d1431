#pragma once
#include <cstdint>

// Milliseconds as a 32-bit unsigned counter that wraps at 2^32. Every difference of two
// ticks must be taken as an unsigned 32-bit subtraction so it stays right across a wrap.
using TickSource = uint32_t (*)();

// The current tick from the installed source (the monotonic clock unless replaced).
uint32_t tickCount();

// Replaces the tick source for the whole process; nullptr restores the monotonic clock.
void setTickSource(TickSource source);

// Milliseconds of CLOCK_MONOTONIC, truncated to 32 bits.
uint32_t systemTickCount();

// A clock that only moves when told to: tests and offline tools drive the demo with it.
struct ManualClock {
    static uint32_t now;
    static uint32_t read() { return now; }
    static void install(uint32_t start) {
        now = start;
        setTickSource(&ManualClock::read);
    }
    static void advance(uint32_t ms) { now += ms; }
};

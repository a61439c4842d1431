#pragma once
#include <cstddef>
#include <cstdint>

#include "world/vec3.h"

// One keyframe of a run file: 36 bytes, little-endian, IEEE-754 floats.
struct RunRecord {
    Vec3 position;
    float pitch = 0.0f;
    float roll = 0.0f;
    float heading = 0.0f;
    float forwardSpeed = 0.0f;  // getSpeed(): the negated stored speed
    float turnRate = 0.0f;
    uint32_t timeMs = 0;
};

constexpr size_t kRunRecordSize = 36;

void encodeRunRecord(const RunRecord& record, uint8_t out[kRunRecordSize]);
RunRecord decodeRunRecord(const uint8_t in[kRunRecordSize]);

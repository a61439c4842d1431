#include "replay/run_record.h"

#include <cstring>

namespace {

// Field by field, least significant byte first, so the file layout never depends on the
// host's byte order or on how the compiler pads the struct.
void putU32(uint32_t value, uint8_t* out) {
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
    out[2] = static_cast<uint8_t>(value >> 16);
    out[3] = static_cast<uint8_t>(value >> 24);
}

uint32_t getU32(const uint8_t* in) {
    return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
           static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

void putF32(float value, uint8_t* out) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    putU32(bits, out);
}

float getF32(const uint8_t* in) {
    const uint32_t bits = getU32(in);
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

void encodeRunRecord(const RunRecord& record, uint8_t out[kRunRecordSize]) {
    putF32(record.position.x, out + 0);
    putF32(record.position.y, out + 4);
    putF32(record.position.z, out + 8);
    putF32(record.pitch, out + 12);
    putF32(record.roll, out + 16);
    putF32(record.heading, out + 20);
    putF32(record.forwardSpeed, out + 24);
    putF32(record.turnRate, out + 28);
    putU32(record.timeMs, out + 32);
}

RunRecord decodeRunRecord(const uint8_t in[kRunRecordSize]) {
    RunRecord record;
    record.position.x = getF32(in + 0);
    record.position.y = getF32(in + 4);
    record.position.z = getF32(in + 8);
    record.pitch = getF32(in + 12);
    record.roll = getF32(in + 16);
    record.heading = getF32(in + 20);
    record.forwardSpeed = getF32(in + 24);
    record.turnRate = getF32(in + 28);
    record.timeMs = getU32(in + 32);
    return record;
}

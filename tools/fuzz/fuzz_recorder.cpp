// Fuzz entry point for run-file playback: a Recorder plays any file on a manual clock,
// applies every whole record exactly once, bit for bit, within two steps each, and ends.
#include <cstring>

#include "memory_file.h"
#include "platform/ticks.h"
#include "replay/recorder.h"
#include "world/body.h"

namespace {

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool holds(const Body& body, const RunRecord& r) {
    return sameBits(body.position.x, r.position.x) && sameBits(body.position.y, r.position.y) &&
           sameBits(body.position.z, r.position.z) && sameBits(body.pitch, r.pitch) &&
           sameBits(body.roll, r.roll) && sameBits(body.heading, r.heading) &&
           sameBits(body.getSpeed(), r.forwardSpeed) && sameBits(body.turnRate, r.turnRate);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const MemoryFile file(data, size);
    const size_t records = size / kRunRecordSize;
    ManualClock::install(static_cast<uint32_t>(size * 2654435761u));
    Body body;
    Recorder recorder(file.path(), &body);
    recorder.startPlayback(false);
    require(recorder.state == Playing, "a regular file did not play");
    size_t applied = 0;
    for (size_t steps = 0; recorder.state == Playing; ++steps) {
        require(steps <= 2 * records + 1, "playback did not end");
        recorder.step(false);
        if (recorder.hasPending) {
            // Not due yet: move the clock to the very millisecond it falls due.
            ManualClock::now = recorder.startTime + recorder.pendingRecord.timeMs;
        } else if (recorder.state == Playing) {
            require(applied < records, "more records applied than the file holds");
            require(holds(body, decodeRunRecord(data + applied * kRunRecordSize)),
                    "record not applied as stored");
            ++applied;
        }
    }
    require(applied == records && recorder.isIdle(), "playback ended early");
    return 0;
}

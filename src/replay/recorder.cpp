#include "replay/recorder.h"

#include <cstdio>

#include "platform/files.h"
#include "platform/ticks.h"
#include "world/body.h"

Recorder::Recorder(const char* pathArg, Body* bodyArg)
    : lastWriteTime(tickCount()), path(pathArg ? pathArg : ""), body(bodyArg) {}

Recorder::~Recorder() { closeStream(); }

FILE* Recorder::adoptStream(FILE* opened) {
    if (!opened) return nullptr;
    // The previous stream goes only once the new one is open, so a failed start leaves the
    // recorder exactly as it was.
    closeStream();
    std::setvbuf(opened, streamBuffer, _IOFBF, sizeof streamBuffer);
    return opened;
}

void Recorder::closeStream() {
    if (file) std::fclose(file);
    file = nullptr;
}

void Recorder::startRecording() {
    FILE* opened = adoptStream(openFile(path.c_str(), "wb"));
    if (!opened) {
        std::printf("\nunable to open file for recording");
        return;
    }
    file = opened;
    hasPending = false;
    writeFailed = false;
    std::printf("RECORDING (%s)\n", path.c_str());
    startTime = tickCount();
    state = Recording;
}

void Recorder::startPlayback(bool loopArg) {
    loop = loopArg;
    // Only a regular file: a FIFO would hold the frame loop until someone wrote to it, and
    // a device such as /dev/zero would play for ever.
    FILE* opened = adoptStream(openRegularStream(path.c_str()));
    if (!opened) {
        std::printf("\nunable to open file for playback");
        return;
    }
    file = opened;
    hasPending = false;
    std::printf("PLAYBACK (%s)\n", path.c_str());
    startTime = tickCount();
    state = Playing;
}

void Recorder::endPlayback() {
    closeStream();
    std::printf("END (%s)\n", path.c_str());
    state = Idle;
}

void Recorder::step(bool forceWrite) {
    if (state == Recording) {
        recordStep(forceWrite);
    } else if (state == Playing) {
        playStep();
    }
}

void Recorder::playStep() {
    if (!hasPending) {
        uint8_t bytes[kRunRecordSize];
        // A trailing piece shorter than a record is never taken for one.
        if (std::fread(bytes, 1, kRunRecordSize, file) != kRunRecordSize) {
            endPlayback();
            if (loop) startPlayback(true);
            return;
        }
        pendingRecord = decodeRunRecord(bytes);
        hasPending = true;
    }
    if (tickCount() - startTime < pendingRecord.timeMs) return;
    hasPending = false;
    body->setPosition(pendingRecord.position);
    body->setRotation(Vec3{pendingRecord.pitch, pendingRecord.roll, pendingRecord.heading});
    body->setSpeed(pendingRecord.forwardSpeed);
    body->setTurnRate(pendingRecord.turnRate);
}

void Recorder::recordStep(bool forceWrite) {
    if (!forceWrite && tickCount() - lastWriteTime <= 1000u) return;
    std::printf(".");
    lastWriteTime = tickCount();
    RunRecord record;
    Vec3 rotation;
    body->getPosition(record.position);
    body->getRotation(rotation);
    record.pitch = rotation.x;
    record.roll = rotation.y;
    record.heading = rotation.z;
    record.forwardSpeed = body->getSpeed();
    record.turnRate = body->getTurnRate();
    record.timeMs = tickCount() - startTime;
    writeRecord(record);
    std::printf("\n%i: t/w: %f,%f", static_cast<int>(record.timeMs),
                static_cast<double>(record.forwardSpeed), static_cast<double>(record.turnRate));
}

void Recorder::writeRecord(const RunRecord& record) {
    uint8_t bytes[kRunRecordSize];
    encodeRunRecord(record, bytes);
    // Flushed at once: a recording is never closed, and a full disk must show now, not
    // thousands of records later.
    const bool written = std::fwrite(bytes, 1, kRunRecordSize, file) == kRunRecordSize;
    if ((!written || std::fflush(file) != 0) && !writeFailed) {
        writeFailed = true;
        std::printf("\nunable to write to %s", path.c_str());
    }
}

#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "replay/run_record.h"

class Body;

enum RecorderState : int32_t { Idle = 1, Playing = 2, Recording = 4 };

// Ties one run file to one Body: plays keyframes into it, or records it about once a second.
class Recorder {
  public:
    Recorder(const char* path, Body* body);
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Opens path for writing; on failure prints "\nunable to open file for recording" and
    // keeps the state it had.
    void startRecording();
    // Opens path for reading, only when it is a regular file and without waiting on it; on
    // failure prints "\nunable to open file for playback" and keeps the state it had.
    void startPlayback(bool loop);
    void endPlayback();
    // One frame: applies at most one due record, or writes one record when recording. The
    // first failed write of a recording prints "\nunable to write to <path>"; recording goes on.
    void step(bool forceWrite);
    bool isIdle() const { return state == Idle; }

    RecorderState state = Idle;
    RunRecord pendingRecord;
    bool hasPending = false;
    uint32_t lastWriteTime = 0;
    FILE* file = nullptr;
    std::string path;
    Body* body = nullptr;
    uint32_t startTime = 0;
    bool loop = false;
    bool writeFailed = false;

  private:
    // Takes over a newly opened stream (nullptr passes through) with the stream buffer
    // below, so no frame allocates one later.
    FILE* adoptStream(FILE* opened);
    void closeStream();
    void playStep();
    void recordStep(bool forceWrite);
    void writeRecord(const RunRecord& record);

    char streamBuffer[4096];
};

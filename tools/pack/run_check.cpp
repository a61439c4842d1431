#include "pack/run_check.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "assets/pack_files.h"
#include "pack/pack_check.h"
#include "platform/files.h"
#include "replay/run_record.h"
#include "world/car.h"
#include "world/track.h"

namespace {

// Records are taken about a second apart; a wait of a minute is no recording.
constexpr uint32_t kLongWaitMs = 60000;
// The step of the dead reckoning: a frame at 60 Hz, as on a display that keeps that rate.
constexpr int32_t kStepMs = 16;
// The surface is followed for at most this many triangle tests per run (nine minutes of
// the largest track, eighteen of ours) and this many steps (nine hours, for the smallest),
// so a run of months is checked in bounded time.
constexpr double kSurfaceWork = 4e8;
constexpr double kSurfaceSteps = 2e6;

struct RunFile {
    const char* name;
    const char* body;  // what the run drives
    bool car;
};

const RunFile kRuns[] = {{kCameraRunFile, "the camera", false},
                         {kDs21RunFile, "the ds21 car", true},
                         {kR5RunFile, "the r5 car", true}};

std::string seconds(uint32_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", ms / 1000.0);
    return text;
}

std::string recordName(size_t index, uint32_t timeMs) {
    return "record " + std::to_string(index) + " (" + seconds(timeMs) + ")";
}

// The records of a run file, read as a Recorder reads them: 36 bytes at a time, a shorter
// piece at the end ignored.
class RunReader {
  public:
    explicit RunReader(const char* name) : file(openRegularStream(name)) {}
    ~RunReader() {
        if (file) std::fclose(file);
    }
    RunReader(const RunReader&) = delete;
    RunReader& operator=(const RunReader&) = delete;

    bool next(RunRecord& record) {
        uint8_t bytes[kRunRecordSize];
        trailing = file ? std::fread(bytes, 1, kRunRecordSize, file) : 0;
        if (trailing != kRunRecordSize) return false;
        record = decodeRunRecord(bytes);
        ++count;
        return true;
    }

    FILE* file;
    size_t count = 0;
    size_t trailing = 0;
};

const char* firstNotFinite(const RunRecord& r) {
    const std::pair<float, const char*> values[] = {{r.position.x, "its position x"},
                                                    {r.position.y, "its position y"},
                                                    {r.position.z, "its position z"},
                                                    {r.pitch, "its pitch"},
                                                    {r.roll, "its roll"},
                                                    {r.heading, "its heading"},
                                                    {r.forwardSpeed, "its speed"},
                                                    {r.turnRate, "its turn rate"}};
    for (const auto& [value, name] : values) {
        if (!std::isfinite(value)) return name;
    }
    return nullptr;
}

// When playback would apply each record: at its time, but never before the one before it.
uint32_t playbackEnd(const char* name) {
    RunReader reader(name);
    RunRecord record;
    uint32_t end = 0;
    while (reader.next(record)) end = std::max(end, record.timeMs);
    return end;
}

void checkRecords(const RunFile& run, Findings& findings) {
    RunReader reader(run.name);
    RunRecord record, previous;
    uint32_t reached = 0;
    while (reader.next(record)) {
        const size_t index = reader.count;
        if (const char* value = firstNotFinite(record)) {
            findings.error(0, "not finite",
                           recordName(index, record.timeMs) + ": " + value +
                               " is not a finite number, and playback sets it as it stands: " +
                               run.body + " goes astray");
        }
        if (index > 1 && record.timeMs < previous.timeMs) {
            findings.warning(0, "backwards",
                             recordName(index, record.timeMs) + " is earlier than " +
                                 recordName(index - 1, previous.timeMs) +
                                 ": playback applies it one frame after that one, and " + run.body +
                                 " jumps back");
        }
        if (record.timeMs > reached && record.timeMs - reached > kLongWaitMs) {
            findings.warning(0, "long wait",
                             recordName(index, record.timeMs) + " comes " +
                                 seconds(record.timeMs - reached) + " after " +
                                 (index == 1 ? std::string("the start") : "the record before") +
                                 ": " + run.body +
                                 " runs on unchanged that long, and the runs start again only "
                                 "after it");
        }
        reached = std::max(reached, record.timeMs);
        previous = record;
    }
    if (reader.count == 0) {
        findings.warning(0, "empty",
                         std::string("holds no whole record: the run ends at once and ") +
                             run.body + " stays where it is");
    }
    if (reader.trailing > 0) {
        findings.warning(0, "trailing",
                         std::to_string(reader.trailing) + " bytes after record " +
                             std::to_string(reader.count) +
                             " make no whole record: playback ignores them");
    }
}

// Drives a car as playback and the frame loop do: each record sets the pose when it falls
// due, and the car moves by dead reckoning in steps until the next one, and after the last
// until every run has ended. A warning where it leaves the surface, once until it is back.
class SurfaceWalk {
  public:
    SurfaceWalk(const Track& track, Findings& findings, const char* body)
        : findings(findings),
          body(body),
          budget(std::min(kSurfaceSteps, kSurfaceWork / (4.0 * std::max(1, track.triangleCount)))) {
        car.setTrack(&track);
    }

    // Applies the record numbered index and drives on until untilMs (its own time at least).
    // False once the work budget is spent.
    bool drive(const RunRecord& record, size_t index, uint32_t untilMs) {
        car.setPosition(record.position);
        car.setRotation(Vec3{record.pitch, record.roll, record.heading});
        car.setSpeed(record.forwardSpeed);
        car.setTurnRate(record.turnRate);
        const int64_t span = std::min<int64_t>(
            std::max<int64_t>(int64_t{untilMs} - record.timeMs, kStepMs), kLongWaitMs);
        for (int64_t done = 0; done < span; done += kStepMs) {
            if (budget-- <= 0) return false;
            const bool on = car.advance(kStepMs);
            if (!on && onSurface) {
                findings.warning(
                    0, "off the surface",
                    recordName(index, record.timeMs) + ": " + body +
                        (done == 0
                             ? " is put off the track surface"
                             : " leaves the track surface " +
                                   seconds(static_cast<uint32_t>(done + kStepMs)) + " later") +
                        ", at x " + coordinate(car.position.x) + ", y " +
                        coordinate(car.position.y) +
                        ", and glides on at its last height until it is over the "
                        "track again");
            }
            onSurface = on;
        }
        return true;
    }

  private:
    static std::string coordinate(float value) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", value);
        return text;
    }

    Findings& findings;
    const char* body;
    double budget;
    Car car;
    bool onSurface = true;
};

void checkSurface(const RunFile& run, const Track& track, uint32_t endMs, Findings& findings) {
    RunReader reader(run.name);
    SurfaceWalk walk(track, findings, run.body);
    RunRecord record, next;
    bool more = reader.next(record);
    while (more) {
        const size_t index = reader.count;
        more = reader.next(next);
        // A record earlier than this one is applied a frame later.
        const uint32_t until = more ? std::max(next.timeMs, record.timeMs) : endMs;
        if (firstNotFinite(record) == nullptr && !walk.drive(record, index, until)) {
            findings.warning(0, "not followed",
                             "the track surface was followed up to " +
                                 recordName(index, record.timeMs) +
                                 " only: the run is longer than the checker drives");
            return;
        }
        record = next;
    }
}

}  // namespace

void checkRuns(const Track& track, Findings& findings) {
    uint32_t endMs = 0;
    for (const RunFile& run : kRuns) endMs = std::max(endMs, playbackEnd(run.name));
    for (const RunFile& run : kRuns) {
        findings.beginFile(shownName(run.name));
        const int fd = openPackFile(run.name, findings, Severity::Error, 0, "",
                                    std::string("the demo says \"unable to open file for "
                                                "playback\" and ") +
                                        run.body + " stands still");
        if (fd < 0) continue;
        close(fd);
        checkRecords(run, findings);
        if (run.car && track.triangleCount > 0) checkSurface(run, track, endMs, findings);
    }
}

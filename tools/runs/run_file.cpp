#include "runs/run_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/files.h"

namespace {

std::string describe(const std::string& path, const char* what) {
    return path + ": " + what + ": " + std::strerror(errno);
}

// Records are taken about a second apart; a wait of a minute or more is no recording.
constexpr uint32_t kLongWaitMs = 60000;

std::string duration(uint32_t ms) {
    char text[32];
    const double seconds = ms / 1000.0;
    if (seconds < 120)
        std::snprintf(text, sizeof text, "%.1f s", seconds);
    else if (seconds < 7200)
        std::snprintf(text, sizeof text, "%.1f minutes", seconds / 60);
    else if (seconds < 172800)
        std::snprintf(text, sizeof text, "%.1f hours", seconds / 3600);
    else
        std::snprintf(text, sizeof text, "%.1f days", seconds / 86400);
    return text;
}

}  // namespace

bool finiteRecord(const RunRecord& r) {
    const float values[] = {r.position.x, r.position.y, r.position.z,   r.pitch,
                            r.roll,       r.heading,    r.forwardSpeed, r.turnRate};
    for (float value : values) {
        if (!std::isfinite(value)) return false;
    }
    return true;
}

bool readRunFile(const std::string& path, RunFile& run, std::string& error) {
    std::string reason;
    FILE* file = openRegularStream(path.c_str(), &reason);
    if (!file) {
        error = path + ": cannot open: " + reason;
        return false;
    }
    run = RunFile{};
    uint8_t bytes[kRunRecordSize];
    size_t got = 0;
    while ((got = std::fread(bytes, 1, kRunRecordSize, file)) == kRunRecordSize) {
        run.records.push_back(decodeRunRecord(bytes));
    }
    run.trailingBytes = got;
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = describe(path, "cannot read");
        return false;
    }
    return true;
}

bool writeRunFile(const std::string& path, const std::vector<RunRecord>& records,
                  std::string& error) {
    const std::string partial = path + ".partial";
    FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file) {
        error = describe(partial, "cannot create");
        return false;
    }
    bool written = true;
    for (const RunRecord& record : records) {
        uint8_t bytes[kRunRecordSize];
        encodeRunRecord(record, bytes);
        written = written && std::fwrite(bytes, 1, kRunRecordSize, file) == kRunRecordSize;
    }
    written = (std::fclose(file) == 0) && written;
    if (!written || std::rename(partial.c_str(), path.c_str()) != 0) {
        error = describe(path, "cannot write");
        std::remove(partial.c_str());
        return false;
    }
    return true;
}

std::vector<std::string> runFileWarnings(const RunFile& run) {
    std::vector<std::string> warnings;
    char line[300];
    uint32_t reached = 0;  // the playback time at which the previous record was applied
    for (size_t i = 0; i < run.records.size(); ++i) {
        const uint32_t time = run.records[i].timeMs;
        if (time > reached && time - reached > kLongWaitMs) {
            const std::string since =
                i == 0 ? "the start of playback" : "record " + std::to_string(i);
            std::snprintf(line, sizeof line,
                          "record %zu (%u ms) comes %s after %s: the run stands still that long, "
                          "and the demo starts "
                          "its runs again only after it",
                          i + 1, time, duration(time - reached).c_str(), since.c_str());
            warnings.push_back(line);
        }
        reached = std::max(reached, time);
        if (!finiteRecord(run.records[i])) {
            std::snprintf(line, sizeof line, "record %zu holds a value that is not a finite number",
                          i + 1);
            warnings.push_back(line);
        }
        if (i > 0 && run.records[i].timeMs < run.records[i - 1].timeMs) {
            std::snprintf(line, sizeof line,
                          "record %zu (%u ms) is earlier than record %zu (%u ms); playback applies "
                          "it one frame "
                          "after the previous one",
                          i + 1, run.records[i].timeMs, i, run.records[i - 1].timeMs);
            warnings.push_back(line);
        }
    }
    if (run.trailingBytes > 0) {
        std::snprintf(
            line, sizeof line,
            "%zu trailing bytes after record %zu make no whole record; playback ignores them",
            run.trailingBytes, run.records.size());
        warnings.push_back(line);
    }
    return warnings;
}

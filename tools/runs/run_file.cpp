#include "runs/run_file.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

std::string describe(const std::string& path, const char* what) {
    return path + ": " + what + ": " + std::strerror(errno);
}

bool finiteRecord(const RunRecord& r) {
    const float values[] = {r.position.x, r.position.y, r.position.z, r.pitch,
                            r.roll,       r.heading,    r.forwardSpeed, r.turnRate};
    for (float value : values) {
        if (!std::isfinite(value)) return false;
    }
    return true;
}

}  // namespace

bool readRunFile(const std::string& path, RunFile& run, std::string& error) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = describe(path, "cannot open");
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

bool writeRunFile(const std::string& path, const std::vector<RunRecord>& records, std::string& error) {
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
    char line[200];
    for (size_t i = 0; i < run.records.size(); ++i) {
        if (!finiteRecord(run.records[i])) {
            std::snprintf(line, sizeof line, "record %zu holds a value that is not a finite number", i + 1);
            warnings.push_back(line);
        }
        if (i > 0 && run.records[i].timeMs < run.records[i - 1].timeMs) {
            std::snprintf(line, sizeof line,
                          "record %zu (%u ms) is earlier than record %zu (%u ms); playback applies it one frame "
                          "after the previous one",
                          i + 1, run.records[i].timeMs, i, run.records[i - 1].timeMs);
            warnings.push_back(line);
        }
    }
    if (run.trailingBytes > 0) {
        std::snprintf(line, sizeof line, "%zu trailing bytes after record %zu make no whole record; playback ignores them",
                      run.trailingBytes, run.records.size());
        warnings.push_back(line);
    }
    return warnings;
}

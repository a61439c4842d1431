#include "runs/run_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "common/output_file.h"
#include "platform/files.h"

namespace {

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

RunFileReader::~RunFileReader() {
    if (file) std::fclose(file);
}

bool RunFileReader::open(const std::string& runPath, std::string& error, uint64_t* size) {
    std::string reason;
    file = openRegularStream(runPath.c_str(), &reason);
    if (!file) {
        error = runPath + ": cannot open: " + reason;
        return false;
    }
    struct stat info {};
    if (size) *size = fstat(fileno(file), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
    path = runPath;
    trailing = 0;
    readError = 0;
    return true;
}

bool RunFileReader::next(RunRecord& record) {
    if (!file) return false;
    uint8_t bytes[kRunRecordSize];
    const size_t got = std::fread(bytes, 1, kRunRecordSize, file);
    if (got != kRunRecordSize) {
        trailing = got;
        if (std::ferror(file)) readError = errno ? errno : EIO;
        return false;
    }
    record = decodeRunRecord(bytes);
    return true;
}

bool RunFileReader::finish(std::string& error) {
    if (readError == 0) return true;
    error = path + ": cannot read: " + std::strerror(readError);
    return false;
}

bool readRunFile(const std::string& path, RunFile& run, std::string& error) {
    RunFileReader reader;
    if (!reader.open(path, error)) return false;
    run = RunFile{};
    RunRecord record;
    while (reader.next(record)) run.records.push_back(record);
    run.trailingBytes = reader.trailingBytes();
    return reader.finish(error);
}

bool writeRunFile(const std::string& path, const std::vector<RunRecord>& records,
                  const std::vector<std::string>& inputs, std::string& error) {
    OutputFile out;
    if (!out.open(path, inputs, error)) return false;
    for (const RunRecord& record : records) {
        uint8_t bytes[kRunRecordSize];
        encodeRunRecord(record, bytes);
        if (!out.write(bytes, kRunRecordSize)) break;
    }
    return out.commit(error);
}

void RunWarnings::say(const std::string& line) {
    if (lines.size() < kMaxLines)
        lines.push_back(line);
    else
        ++unsaid;
}

void RunWarnings::add(const RunRecord& record) {
    char line[300];
    const size_t number = ++count;
    const uint32_t time = record.timeMs;
    if (time > reached && time - reached > kLongWaitMs) {
        const std::string since =
            number == 1 ? "the start of playback" : "record " + std::to_string(number - 1);
        std::snprintf(line, sizeof line,
                      "record %zu (%u ms) comes %s after %s: the run stands still that long, "
                      "and the demo starts its runs again only after it",
                      number, time, duration(time - reached).c_str(), since.c_str());
        say(line);
    }
    reached = std::max(reached, time);
    if (sayNotFinite && !finiteRecord(record)) {
        std::snprintf(line, sizeof line, "record %zu holds a value that is not a finite number",
                      number);
        say(line);
    }
    if (number > 1 && time < previousTime) {
        std::snprintf(line, sizeof line,
                      "record %zu (%u ms) is earlier than record %zu (%u ms); playback applies "
                      "it one frame after the previous one",
                      number, time, number - 1, previousTime);
        say(line);
    }
    previousTime = time;
}

std::vector<std::string> RunWarnings::finish(size_t trailingBytes) {
    std::vector<std::string> all = lines;
    if (unsaid > 0) {
        all.push_back(std::to_string(unsaid) + " more warnings like these are left out");
    }
    if (trailingBytes > 0) {
        char line[200];
        std::snprintf(
            line, sizeof line,
            "%zu trailing bytes after record %zu make no whole record; playback ignores them",
            trailingBytes, count);
        all.push_back(line);
    }
    return all;
}

std::vector<std::string> runFileWarnings(const RunFile& run) {
    RunWarnings warnings;
    for (const RunRecord& record : run.records) warnings.add(record);
    return warnings.finish(run.trailingBytes);
}

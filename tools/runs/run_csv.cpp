#include "runs/run_csv.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>

const char kRunCsvHeader[] = "time_ms,x,y,z,pitch,roll,heading,forward_speed,turn_rate";

namespace {

constexpr size_t kFieldCount = 9;
const char* const kFieldNames[kFieldCount] = {"time_ms", "x",       "y",             "z",        "pitch",
                                              "roll",    "heading", "forward_speed", "turn_rate"};

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = line.find(',', start);
        fields.push_back(trimmed(line.substr(start, comma - start)));
        if (comma == std::string::npos) return fields;
        start = comma + 1;
    }
}

bool parseTime(const std::string& text, uint32_t& value) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed > UINT32_MAX) return false;
    value = static_cast<uint32_t>(parsed);
    return true;
}

bool parseFloat(const std::string& text, float& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtof(text.c_str(), &end);
    // Subnormal values set ERANGE too but are read exactly; only overflow is refused.
    const bool overflow = errno == ERANGE && std::isinf(value);
    return *end == '\0' && !overflow;
}

// Fills record from the nine fields; on failure names the field that is wrong.
bool parseRecord(const std::vector<std::string>& fields, RunRecord& record, std::string& problem) {
    if (fields.size() != kFieldCount) {
        problem = "expected " + std::to_string(kFieldCount) + " fields, found " + std::to_string(fields.size());
        return false;
    }
    float* floats[] = {&record.position.x, &record.position.y, &record.position.z, &record.pitch,
                       &record.roll,       &record.heading,    &record.forwardSpeed, &record.turnRate};
    if (!parseTime(fields[0], record.timeMs)) {
        problem = "time_ms \"" + fields[0] + "\" is not a whole number from 0 to 4294967295";
        return false;
    }
    for (size_t i = 1; i < kFieldCount; ++i) {
        if (!parseFloat(fields[i], *floats[i - 1])) {
            problem = std::string(kFieldNames[i]) + " \"" + fields[i] + "\" is not a 32-bit float";
            return false;
        }
    }
    return true;
}

}  // namespace

void printRunCsv(const std::vector<RunRecord>& records, FILE* out) {
    std::fprintf(out, "%s\n", kRunCsvHeader);
    for (const RunRecord& r : records) {
        std::fprintf(out, "%u,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g\n", r.timeMs, r.position.x, r.position.y,
                     r.position.z, r.pitch, r.roll, r.heading, r.forwardSpeed, r.turnRate);
    }
}

bool readRunCsv(const std::string& path, std::vector<RunRecord>& records, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open: " + std::strerror(errno);
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string text = trimmed(line);
        if (text.empty() || (number == 1 && text == kRunCsvHeader)) continue;
        RunRecord record;
        std::string problem;
        if (!parseRecord(splitFields(text), record, problem)) {
            error = path + ":" + std::to_string(number) + ": " + problem;
            return false;
        }
        records.push_back(record);
    }
    if (in.bad()) {
        error = path + ": cannot read: " + std::strerror(errno);
        return false;
    }
    return true;
}

#include "runs/run_csv.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/dialogs.h"
#include "platform/files.h"

const char kRunCsvHeader[] = "time_ms,x,y,z,pitch,roll,heading,forward_speed,turn_rate";

namespace {

constexpr size_t kFieldCount = 9;
const char* const kFieldNames[kFieldCount] = {
    "time_ms", "x", "y", "z", "pitch", "roll", "heading", "forward_speed", "turn_rate"};

// Nine fields of a few dozen characters at most: a longer line is no record, and is not
// held in memory beyond this.
constexpr size_t kMaxLine = 1000;

// One line without its line feed; a longer one is cut after kMaxLine + 1 characters and the
// rest passed over. False at the end of the file.
bool readLine(FILE* in, std::string& line) {
    line.clear();
    int c = 0;
    while ((c = std::getc(in)) != EOF && c != '\n') {
        if (line.size() <= kMaxLine) line.push_back(static_cast<char>(c));
    }
    return c == '\n' || !line.empty();
}

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
    if (errno != 0 || end != text.c_str() + text.size() || parsed > UINT32_MAX) return false;
    value = static_cast<uint32_t>(parsed);
    return true;
}

const char kByteOrderMark[] = "\xef\xbb\xbf";

// A NaN is written with its bit pattern, since its sign and payload have no decimal form.
const char kNanPrefix[] = "nan:0x";

bool parseNan(const std::string& text, float& value) {
    const size_t digits = text.size() - (sizeof kNanPrefix - 1);
    if (digits != 8 || text.find_first_not_of("0123456789abcdefABCDEF", sizeof kNanPrefix - 1) !=
                           std::string::npos) {
        return false;
    }
    const uint32_t bits =
        static_cast<uint32_t>(std::strtoul(text.c_str() + sizeof kNanPrefix - 1, nullptr, 16));
    std::memcpy(&value, &bits, sizeof value);
    return std::isnan(value);
}

bool parseFloat(const std::string& text, float& value) {
    if (text.empty()) return false;
    if (text.compare(0, sizeof kNanPrefix - 1, kNanPrefix) == 0) return parseNan(text, value);
    errno = 0;
    char* end = nullptr;
    value = std::strtof(text.c_str(), &end);
    // Subnormal values set ERANGE too but are read exactly; only overflow is refused.
    const bool overflow = errno == ERANGE && std::isinf(value);
    return end == text.c_str() + text.size() && !overflow;
}

// Nine significant digits bring every finite float back exactly; infinities print as inf.
std::string formatFloat(float value) {
    char text[32];
    if (std::isnan(value)) {
        uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        std::snprintf(text, sizeof text, "%s%08x", kNanPrefix, bits);
    } else {
        std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    }
    return text;
}

// Fills record from the nine fields; on failure names the field that is wrong.
bool parseRecord(const std::vector<std::string>& fields, RunRecord& record, std::string& problem) {
    if (fields.size() != kFieldCount) {
        problem = "expected " + std::to_string(kFieldCount) + " fields, found " +
                  std::to_string(fields.size());
        return false;
    }
    float* floats[] = {&record.position.x,   &record.position.y, &record.position.z,
                       &record.pitch,        &record.roll,       &record.heading,
                       &record.forwardSpeed, &record.turnRate};
    if (!parseTime(fields[0], record.timeMs)) {
        problem = "time_ms \"" + printableText(fields[0]) +
                  "\" is not a whole number from 0 to 4294967295";
        return false;
    }
    for (size_t i = 1; i < kFieldCount; ++i) {
        if (!parseFloat(fields[i], *floats[i - 1])) {
            problem = std::string(kFieldNames[i]) + " \"" + printableText(fields[i]) +
                      "\" is not a 32-bit float";
            return false;
        }
    }
    return true;
}

bool parseLine(const std::string& line, RunRecord& record, std::string& problem) {
    if (line.size() > kMaxLine) {
        problem = "the line is longer than " + std::to_string(kMaxLine) + " characters";
        return false;
    }
    return parseRecord(splitFields(trimmed(line)), record, problem);
}

}  // namespace

std::string runCsvLine(const RunRecord& r) {
    std::string line = std::to_string(r.timeMs);
    for (float value : {r.position.x, r.position.y, r.position.z, r.pitch, r.roll, r.heading,
                        r.forwardSpeed, r.turnRate}) {
        line += "," + formatFloat(value);
    }
    return line;
}

void printRunCsv(const std::vector<RunRecord>& records, FILE* out) {
    std::fprintf(out, "%s\n", kRunCsvHeader);
    for (const RunRecord& r : records) std::fprintf(out, "%s\n", runCsvLine(r).c_str());
}

bool readRunCsv(const std::string& path, std::vector<RunRecord>& records, std::string& error) {
    std::string reason;
    FILE* in = openRegularStream(path.c_str(), &reason);
    if (!in) {
        error = path + ": cannot open: " + reason;
        return false;
    }
    std::string line;
    std::string problem;
    uint64_t number = 0;
    bool headerSeen = false;
    while (problem.empty() && readLine(in, line)) {
        ++number;
        // Editors on Windows start a UTF-8 file with a byte-order mark; it is no part of
        // the first field.
        if (number == 1 && line.compare(0, sizeof kByteOrderMark - 1, kByteOrderMark) == 0)
            line.erase(0, sizeof kByteOrderMark - 1);
        const std::string text = trimmed(line);
        if (number == 1 && text == kRunCsvHeader) headerSeen = true;
        if (text.empty() || (number == 1 && headerSeen)) continue;
        RunRecord record;
        if (parseLine(line, record, problem)) records.push_back(record);
    }
    const int readError = std::ferror(in) ? errno : 0;
    std::fclose(in);
    if (readError != 0) error = path + ": cannot read: " + std::strerror(readError);
    if (!problem.empty()) error = path + ":" + std::to_string(number) + ": " + problem;
    // What csv writes always has the header: a file without it or any record is no run
    // but what is left of a failed write (an empty file from a full disk).
    if (readError == 0 && problem.empty() && !headerSeen && records.empty())
        error = path + ": holds neither the header line nor a record";
    return error.empty();
}

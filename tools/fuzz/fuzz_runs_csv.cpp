// Fuzz entry point for the CSV reader of zorvex-runs: any text is read or refused with one
// printable line, and what is read prints and reads back exactly, bit for bit.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "memory_file.h"
#include "runs/run_csv.h"
#include "runs/run_file.h"

namespace {

bool sameBits(const std::vector<RunRecord>& a, const std::vector<RunRecord>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        uint8_t left[kRunRecordSize], right[kRunRecordSize];
        encodeRunRecord(a[i], left);
        encodeRunRecord(b[i], right);
        if (std::memcmp(left, right, kRunRecordSize) != 0) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const MemoryFile file(data, size);
    std::vector<RunRecord> records;
    std::string error;
    if (!readRunCsv(file.path(), records, error)) {
        for (char c : error)
            require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f,
                    "control byte in the message");
        return 0;
    }
    char* text = nullptr;
    size_t length = 0;
    FILE* out = open_memstream(&text, &length);
    printRunCsv(records, out);
    std::fclose(out);
    const MemoryFile printed(reinterpret_cast<const uint8_t*>(text), length);
    std::free(text);
    std::vector<RunRecord> again;
    require(readRunCsv(printed.path(), again, error) && sameBits(records, again),
            "the CSV does not read back exactly");
    return 0;
}

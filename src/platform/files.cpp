#include "platform/files.h"

#include <ctime>

std::string nativePath(const char* path) {
    std::string out(path ? path : "");
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    return out;
}

FILE* openFile(const char* path, const char* mode) {
    if (!path) return nullptr;
    return std::fopen(nativePath(path).c_str(), mode);
}

bool readWholeFile(const char* path, std::vector<uint8_t>& out) {
    out.clear();
    FILE* file = openFile(path, "rb");
    if (!file) return false;
    uint8_t chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) out.insert(out.end(), chunk, chunk + got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed && !out.empty();
}

void pauseMs(uint32_t ms) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ms / 1000u);
    ts.tv_nsec = static_cast<long>(ms % 1000u) * 1000000L;
    while (nanosleep(&ts, &ts) != 0) {
    }
}

#include "content/music/music.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "content/music/arrangement.h"
#include "content/music/effects.h"
#include "content/music/mix.h"
#include "content/music/mp3_encoding.h"

namespace {

bool writeFile(const char* path, const std::vector<unsigned char>& bytes, std::string& error) {
    FILE* file = std::fopen(path, "wb");
    if (!file) {
        error = std::string(path) + ": cannot create (" + std::strerror(errno) + ")";
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return true;
    error = std::string(path) + ": write failed (" + std::strerror(errno) + ")";
    std::remove(path);
    return false;
}

}  // namespace

MusicPcm renderMusic() {
    Mix mix;
    for (int bar = 0; bar < kBars; ++bar) renderBar(mix, bar);
    applyEffects(mix);
    return master(mix);
}

bool writeMusic(const char* path, std::string& error) {
    std::vector<unsigned char> mp3;
    if (!encodeMp3(renderMusic(), mp3, error)) {
        error = std::string(path) + ": " + error;
        return false;
    }
    return writeFile(path, mp3, error);
}

// Music start-up: the retry transcript, a missing file, and real looping playback through
// SDL's disk audio driver.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "audio/music.h"
#include "platform/files.h"
#include "support/files.h"
#include "support/process.h"

namespace {

// Runs body in a forked child and returns its exit status, so the SDL audio it opens
// never becomes part of this process (a later fork would inherit it without its thread).
int inChild(const std::function<void()>& body) {
    const pid_t child = fork();
    if (child == 0) {
        body();
        std::fflush(nullptr);
        _exit(0);
    }
    int status = -1;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

int attempts = 0;
int succeedOnAttempt = 0;  // 0: never

bool countingOpener() {
    ++attempts;
    return attempts == succeedOnAttempt;
}

class MusicStartup : public ::testing::Test {
protected:
    void SetUp() override {
        attempts = 0;
        setAudioOpener(countingOpener);
    }
    void TearDown() override { setAudioOpener(nullptr); }

    // Runs startMusic in an empty folder; returns its output and fills seconds.
    std::string run(int succeedOn, double& seconds) {
        succeedOnAttempt = succeedOn;
        ScopedCwd cwd(dir.path());
        OutputCapture out;
        const auto start = std::chrono::steady_clock::now();
        startMusic();
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return out.finish();
    }

    TempDir dir;
};

TEST_F(MusicStartup, FirstTrySucceedsWithoutAPause) {
    double seconds = 0;
    EXPECT_EQ(run(1, seconds), "Sound Init...OK\n\n");
    EXPECT_EQ(attempts, 1);
    EXPECT_LT(seconds, 0.09);
}

TEST_F(MusicStartup, NeverSucceedingGivesTenDotsAndAboutOneSecond) {
    double seconds = 0;
    EXPECT_EQ(run(0, seconds), "Sound Init..." + std::string(10, '.') + "FAILED!\n\n");
    EXPECT_EQ(attempts, 11);
    EXPECT_GE(seconds, 0.9);
    EXPECT_LT(seconds, 3.0);
}

TEST_F(MusicStartup, EleventhTrySucceedsAfterTenDots) {
    double seconds = 0;
    EXPECT_EQ(run(11, seconds), "Sound Init..." + std::string(10, '.') + "OK\n\n");
    EXPECT_EQ(attempts, 11);
}

TEST(MusicFile, MissingFileSaysNothingAndStartUpGoesOn) {
    TempDir dir;
    OutputCapture err(2);
    OutputCapture out;
    const int status = inChild([&] {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (chdir(dir.path().c_str()) != 0) _exit(2);
        startMusic();
        std::printf("going on\n");
    });
    EXPECT_EQ(out.finish(), "Sound Init...OK\n\ngoing on\n");
    EXPECT_EQ(err.finish(), "");
    EXPECT_EQ(status, 0);
}

void putLe(std::vector<uint8_t>& bytes, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A mono 16-bit PCM WAV file of a 440 Hz sine at half scale.
std::vector<uint8_t> sineWav(int rate, double seconds) {
    const uint32_t frames = static_cast<uint32_t>(rate * seconds);
    std::vector<uint8_t> wav = {'R', 'I', 'F', 'F'};
    putLe(wav, 36 + frames * 2, 4);
    for (char c : std::string("WAVEfmt ")) wav.push_back(static_cast<uint8_t>(c));
    putLe(wav, 16, 4);
    putLe(wav, 1, 2);
    putLe(wav, 1, 2);
    putLe(wav, static_cast<uint32_t>(rate), 4);
    putLe(wav, static_cast<uint32_t>(rate * 2), 4);
    putLe(wav, 2, 2);
    putLe(wav, 16, 2);
    for (char c : std::string("data")) wav.push_back(static_cast<uint8_t>(c));
    putLe(wav, frames * 2, 4);
    for (uint32_t i = 0; i < frames; ++i) {
        const double value = 16384.0 * std::sin(2.0 * M_PI * 440.0 * i / rate);
        putLe(wav, static_cast<uint32_t>(static_cast<int16_t>(std::lround(value))), 2);
    }
    return wav;
}

// Whether each 50 ms window of the stereo stream holds sound.
std::vector<bool> loudWindows(const std::vector<uint8_t>& raw, int rate) {
    const size_t window = static_cast<size_t>(rate / 20) * 4;
    std::vector<bool> loud;
    for (size_t at = 0; at + window <= raw.size(); at += window) {
        double sum = 0;
        for (size_t i = at; i < at + window; i += 2) {
            const double s = static_cast<int16_t>(raw[i] | (raw[i + 1] << 8));
            sum += s * s;
        }
        loud.push_back(std::sqrt(sum / (window / 2)) > 1000.0);
    }
    return loud;
}

TEST(MusicPlayback, HalfSecondPieceKeepsPlayingPastItsEnd) {
    TempDir dir;
    dir.write("tone.wav", sineWav(22050, 0.5));
    std::string out, err;
    ASSERT_EQ(runProgram({"/usr/bin/lame", "--quiet", "-b", "64", "tone.wav", dir.file("audio/music.mp3")},
                         dir.path(), out, err),
              0)
        << err;
    const std::string raw = dir.file("out.raw");
    // The disk driver writes raw 22050 Hz stereo S16 samples at playing speed.
    ASSERT_EQ(inChild([&] {
                  setenv("SDL_AUDIODRIVER", "disk", 1);
                  setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
                  if (chdir(dir.path().c_str()) != 0) _exit(2);
                  if (!freopen("/dev/null", "w", stdout)) _exit(2);
                  startMusic();
                  pauseMs(2500);
              }),
              0);

    const std::vector<bool> loud = loudWindows(readBinaryFile(raw), 22050);
    size_t first = 0;
    while (first < loud.size() && !loud[first]) ++first;
    size_t last = loud.size();
    while (last > first && !loud[last - 1]) --last;
    ASSERT_LT(first, loud.size()) << "no sound at all in " << loud.size() << " windows";
    size_t loudCount = 0;
    for (size_t i = first; i < last; ++i) loudCount += loud[i] ? 1 : 0;
    std::printf("sound from %zu ms to %zu ms of %zu ms written, %zu of %zu windows loud\n", first * 50,
                last * 50, loud.size() * 50, loudCount, last - first);
    // Four plays of the piece at least, with at most a short gap at each seam.
    EXPECT_GE(last - first, 40u) << "sound for " << (last - first) * 50 << " ms only";
    EXPECT_GE(loudCount * 10, (last - first) * 9);
}

}  // namespace

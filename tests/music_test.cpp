// Music start-up: the retry transcript, and real looping playback through SDL's disk audio
// driver.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/music.h"
#include "platform/files.h"
#include "support/files.h"
#include "support/tiny_content.h"

namespace {

int attempts = 0;
int succeedOnAttempt = 0;  // 0: never

bool countingOpener() {
    ++attempts;
    return attempts == succeedOnAttempt;
}

TEST(MusicStartup, RetriesTenTimesADotAndATenthOfASecondApart) {
    const struct {
        int succeedOn;
        std::string transcript;
        int attempts;
        double minSeconds, maxSeconds;
    } cases[] = {
        {1, "Sound Init...OK\n\n", 1, 0.0, 0.09},
        {11, "Sound Init..." + std::string(10, '.') + "OK\n\n", 11, 0.9, 3.0},
        {0, "Sound Init..." + std::string(10, '.') + "FAILED!\n\n", 11, 0.9, 3.0},
    };
    TempDir dir;  // no music file: that is silent
    ScopedCwd cwd(dir.path());
    setAudioOpener(countingOpener);
    for (const auto& c : cases) {
        attempts = 0;
        succeedOnAttempt = c.succeedOn;
        OutputCapture out;
        const auto start = std::chrono::steady_clock::now();
        startMusic();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(out.finish(), c.transcript);
        EXPECT_EQ(attempts, c.attempts);
        EXPECT_GE(seconds, c.minSeconds) << c.transcript;
        EXPECT_LT(seconds, c.maxSeconds) << c.transcript;
    }
    setAudioOpener(nullptr);
}

TEST(MusicPlayback, HalfSecondPieceKeepsPlayingPastItsEnd) {
    TempDir dir;
    writeToneMp3(dir, "audio/music.mp3");
    const std::string raw = dir.file("out.raw");
    // In a child, so the SDL audio it opens never becomes part of this process (a later
    // fork would inherit it without its thread). The disk driver writes raw 22050 Hz stereo
    // S16 samples at playing speed.
    const pid_t child = fork();
    if (child == 0) {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
        if (chdir(dir.path().c_str()) != 0 || !freopen("/dev/null", "w", stdout)) _exit(2);
        startMusic();
        pauseMs(2500);
        _exit(0);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // The disk driver wrote about 2.5 s of sound; count its loud 50 ms windows.
    const std::vector<uint8_t> bytes = readBinaryFile(raw);
    const size_t window = 22050 / 20 * 4;
    int loud = 0;
    for (size_t at = 0; at + window <= bytes.size(); at += window) {
        double sum = 0;
        for (size_t i = at; i < at + window; i += 2) sum += std::pow(static_cast<int16_t>(bytes[i] | (bytes[i + 1] << 8)), 2);
        loud += std::sqrt(sum / (window / 2)) > 1000.0 ? 1 : 0;
    }
    // Four plays of the piece at least, with at most a short gap at each seam.
    EXPECT_GE(loud, 36) << "sound for " << loud * 50 << " ms only";
}

}  // namespace

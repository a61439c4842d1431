// zorvex-capture on the small test content under Xvfb: frame files, their size and bytes,
// the key script through the real keyboard handler, the transcript and its failures.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "support/files.h"
#include "support/process.h"
#include "support/tiny_content.h"

namespace {

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// The width and height in a PNG's header chunk.
void pngSize(const std::string& path, int& width, int& height) {
    const std::vector<uint8_t> bytes = readBinaryFile(path);
    ASSERT_GE(bytes.size(), 24u) << path;
    ASSERT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG") << path;
    auto be32 = [&](size_t at) {
        return (bytes[at] << 24) | (bytes[at + 1] << 16) | (bytes[at + 2] << 8) | bytes[at + 3];
    };
    width = be32(16);
    height = be32(20);
}

// Decodes a PNG with ImageMagick (installed for the tests) into raw RGB.
Pixels decodePng(const TempDir& dir, const std::string& path) {
    Pixels pixels;
    pngSize(path, pixels.width, pixels.height);
    const std::string raw = dir.file("decoded.rgb");
    std::string out, err;
    runProgram({"/bin/sh", "-c", "convert '" + path + "' -depth 8 rgb:'" + raw + "'"}, "", out,
               err);
    pixels.rgb = readBinaryFile(raw);
    return pixels;
}

// The share of pixels within 3 of the clear colour (0.3, 0.3, 0.8).
double clearColourShare(const Pixels& pixels) {
    size_t near = 0;
    for (size_t i = 0; i + 2 < pixels.rgb.size(); i += 3) {
        if (std::abs(pixels.rgb[i] - 77) <= 3 && std::abs(pixels.rgb[i + 1] - 77) <= 3 &&
            std::abs(pixels.rgb[i + 2] - 204) <= 3) {
            ++near;
        }
    }
    return pixels.rgb.empty()
               ? 0.0
               : static_cast<double>(near) * 3.0 / static_cast<double>(pixels.rgb.size());
}

class CaptureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
        TinyContent content;
        // The ds21 car stands near the landscape's corner, so the overhead view looks past
        // its edges onto the clear colour.
        content.ds21Run = steadyRun(2, 5000, Vec3{14.0f, 14.0f, 0.0f}, 0.0f, 0.0f);
        content.r5Run = steadyRun(3, 100, Vec3{1.0f, 0.0f, 0.0f}, 30.0f, 1.5f, 0.2f);
        content.visibleSmoke = true;
        writeTinyContent(contentDir, content);
    }

    int capture(const std::vector<std::string>& args, const std::string& out) {
        std::vector<std::string> argv = {ZORVEX_CAPTURE_BIN, "--content", contentDir.path(),
                                         "--out", out};
        argv.insert(argv.end(), args.begin(), args.end());
        return runProgram(argv, work.path(), stdoutText, stderrText);
    }

    std::string frame(const std::string& out, int number) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%05d.png", number);
        return out + name;
    }

    TempDir contentDir;
    TempDir work;
    std::string stdoutText;
    std::string stderrText;
};

TEST_F(CaptureTest, TheSameArgumentsGiveByteIdenticalFrames) {
    const std::vector<std::string> args = {"--frames", "6", "--size", "96x64", "--no-video"};
    ASSERT_EQ(capture(args, work.file("first")), 0) << stderrText;
    ASSERT_EQ(capture(args, work.file("second")), 0) << stderrText;
    for (int n = 1; n <= 6; ++n) {
        const std::vector<uint8_t> first = readBinaryFile(frame(work.file("first"), n));
        ASSERT_FALSE(first.empty()) << "frame " << n;
        EXPECT_EQ(first, readBinaryFile(frame(work.file("second"), n))) << "frame " << n;
    }
}

TEST_F(CaptureTest, AShorterCaptureRemovesTheFramesOfALongerOneInTheSameFolder) {
    ASSERT_EQ(capture({"--frames", "4", "--size", "32x32", "--no-video"}, work.file("out")), 0)
        << stderrText;
    work.write("out/frame_notes.png", std::string("kept"));
    ASSERT_EQ(capture({"--frames", "2", "--size", "32x32", "--no-video"}, work.file("out")), 0)
        << stderrText;
    EXPECT_EQ(access(frame(work.file("out"), 2).c_str(), F_OK), 0);
    EXPECT_NE(access(frame(work.file("out"), 3).c_str(), F_OK), 0);
    EXPECT_NE(access(frame(work.file("out"), 4).c_str(), F_OK), 0);
    EXPECT_EQ(readTextFile(work.file("out/frame_notes.png")), "kept");
}

TEST_F(CaptureTest, SecondsAreCountedInFramesOfTheGivenRateAndSize) {
    ASSERT_EQ(capture({"--seconds", "0.5", "--fps", "10", "--size", "80x48", "--no-video"},
                      work.file("out")),
              0)
        << stderrText;
    for (int n = 1; n <= 5; ++n) {
        int width = 0, height = 0;
        pngSize(frame(work.file("out"), n), width, height);
        EXPECT_EQ(width, 80);
        EXPECT_EQ(height, 48);
    }
    EXPECT_NE(access(frame(work.file("out"), 6).c_str(), F_OK), 0);
}

TEST_F(CaptureTest, KeyScriptCyclesTheCameraBeforeTheGivenFrames) {
    // At 10 frames per second, 0.3 s is frame 4; "c@5" is frame 5 itself.
    ASSERT_EQ(capture({"--frames", "5", "--fps", "10", "--size", "96x96", "--no-blur",
                       "--no-lighting", "--keys", "c@0.3s,c@5", "--no-video"},
                      work.file("out")),
              0)
        << stderrText;
    TempDir scratch;
    // Frames 2 and 3 in the free view, 4 in the car: the sky box hides the clear colour.
    for (int n = 2; n <= 4; ++n) {
        EXPECT_LT(clearColourShare(decodePng(scratch, frame(work.file("out"), n))), 0.01)
            << "frame " << n;
    }
    // Frame 5 looks down from above the car, past the landscape's corner, without a sky box.
    EXPECT_GT(clearColourShare(decodePng(scratch, frame(work.file("out"), 5))), 0.25);
}

TEST_F(CaptureTest, TheDemosLinesGoToTheTranscriptAndTheSummaryToStandardOutput) {
    ASSERT_EQ(capture({"--frames", "4", "--fps", "10", "--size", "32x32", "--no-video"},
                      work.file("out")),
              0)
        << stderrText;
    const std::string transcript = readTextFile(work.file("out") + "/transcript.txt");
    EXPECT_NE(transcript.find("Track Init..."), std::string::npos) << transcript;
    // The r5 run's three records lie 100 ms apart: it ends within the four frames.
    EXPECT_NE(transcript.find("END (rec\\record2.rec)"), std::string::npos) << transcript;
    EXPECT_EQ(stdoutText.find("Track Init"), std::string::npos);
    EXPECT_NE(stdoutText.find("frame_00004.png"), std::string::npos) << stdoutText;
    EXPECT_NE(stdoutText.find("transcript.txt"), std::string::npos) << stdoutText;
}

TEST_F(CaptureTest, AFolderWithoutTheSceneFilesIsNamedAndFails) {
    TempDir empty;
    std::vector<std::string> argv = {ZORVEX_CAPTURE_BIN, "--content", empty.path(), "--out",
                                     work.file("out"),   "--frames",  "1",          "--no-video"};
    EXPECT_EQ(runProgram(argv, work.path(), stdoutText, stderrText), 1);
    EXPECT_NE(stderrText.find(empty.path()), std::string::npos) << stderrText;
    EXPECT_NE(stderrText.find("models/track.ascii"), std::string::npos) << stderrText;
}

TEST_F(CaptureTest, AnUnreadableSkyBitmapEndsTheCaptureWithAFailure) {
    contentDir.write("tex/clouds.bmp", std::string("not a bitmap"));
    EXPECT_EQ(capture({"--frames", "1", "--size", "32x32", "--no-video"}, work.file("out")), 1);
    EXPECT_NE(stderrText.find("while building the scene"), std::string::npos) << stderrText;
}

TEST_F(CaptureTest, BadOptionsAreRefusedBeforeAnythingIsRendered) {
    const std::vector<std::vector<std::string>> bad = {{"--size", "450"},
                                                       {"--frames", "0"},
                                                       {"--keys", "x@10s"},
                                                       {"--keys", "c10"},
                                                       {"--seconds", "1", "--frames", "3"},
                                                       {"--bogus"}};
    for (const auto& args : bad) {
        EXPECT_EQ(capture(args, work.file("out")), 2) << args[0];
        EXPECT_NE(stderrText.find("usage:"), std::string::npos) << args[0];
    }
    EXPECT_NE(access(work.file("out/frame_00001.png").c_str(), F_OK), 0);
}

// Music that ffmpeg cannot use costs the video its sound, not the video; an older video is
// never left where the summary says the new one is.
TEST_F(CaptureTest, WithFfmpegTheFramesBecomeOneVideoWithTheMusicOrSilentWithoutUsableMusic) {
    if (access("/usr/bin/ffmpeg", X_OK) != 0) GTEST_SKIP() << "ffmpeg is not installed";
    TinyContent content;
    content.writeMusic = true;
    writeTinyContent(contentDir, content);
    const std::string music = contentDir.file("audio/music.mp3");
    const std::vector<std::pair<std::string, std::string>> cases = {{"mp3", "video\naudio\n"},
                                                                    {"garbage", "video\n"},
                                                                    {"empty", "video\n"},
                                                                    {"folder", "video\n"},
                                                                    {"fifo", "video\n"}};
    for (const auto& [kind, streams] : cases) {
        if (kind != "mp3") std::remove(music.c_str());
        if (kind == "garbage" || kind == "empty")
            contentDir.write("audio/music.mp3", kind == "empty" ? "" : "ID3 but no frames");
        if (kind == "folder") mkdir(music.c_str(), 0777);
        if (kind == "fifo") mkfifo(music.c_str(), 0666);
        work.write("out/capture.mp4", std::string("an older video"));
        // An odd size too: 4:2:0 video needs even sides.
        ASSERT_EQ(capture({"--frames", "6", "--size", "65x49"}, work.file("out")), 0)
            << kind << stderrText;
        EXPECT_NE(stdoutText.find(kind == "mp3" ? "with the music" : "so silent"),
                  std::string::npos)
            << stdoutText;
        EXPECT_EQ(stderrText.find("warning") == std::string::npos, kind == "mp3") << stderrText;
        EXPECT_EQ(stderrText.find("warning"), stderrText.rfind("warning")) << stderrText;
        std::string out, err;
        runProgram({"/usr/bin/ffprobe", "-v", "error", "-show_entries", "stream=codec_type", "-of",
                    "csv=p=0", work.file("out") + "/capture.mp4"},
                   "", out, err);
        EXPECT_EQ(out, streams) << kind << err;
        if (kind == "folder") rmdir(music.c_str());
    }
}

}  // namespace

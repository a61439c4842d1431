// zorvex-capture on the small test content under Xvfb: frame files, their size and bytes,
// the key script through the real keyboard handler, the transcript and its failures, the
// video encoded as it renders, and what an interrupted or refused capture leaves behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

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

// A PNG written to its end: the last chunk is IEND.
bool wholePng(const std::string& path) {
    const std::vector<uint8_t> bytes = readBinaryFile(path);
    return bytes.size() > 20 && std::string(bytes.end() - 8, bytes.end() - 4) == "IEND";
}

bool haveFfmpeg() { return access("/usr/bin/ffmpeg", X_OK) == 0; }

// The rate and the number of frames of a video's picture stream, as "60/1,6".
std::string videoRateAndFrames(const std::string& video) {
    std::string out, err;
    runProgram({"/usr/bin/ffprobe", "-v", "error", "-select_streams", "v:0", "-count_frames",
                "-show_entries", "stream=r_frame_rate,nb_read_frames", "-of", "csv=p=0", video},
               "", out, err);
    return out.substr(0, out.find('\n'));
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
    // The demo's own lines, which the transcript would have held, say how far it got.
    EXPECT_NE(stderrText.find("Track Init..."), std::string::npos) << stderrText;
}

// Everything is checked before the output folder is touched: a capture that cannot start
// leaves the earlier capture there exactly as it was.
TEST_F(CaptureTest, ACaptureThatCannotStartLeavesTheEarlierCaptureAsItWas) {
    const std::string out = work.file("out");
    struct Case {
        const char* name;
        std::vector<std::string> env;
        const char* because;
    };
    const Case cases[] = {{"no display", {"DISPLAY="}, "no X display"},
                          {"not a pack", {}, "is not a content folder"},
                          {"unreadable model texture", {}, "while building the scene"},
                          {"a FIFO among the frames", {}, "is not a regular file"},
                          {"a link as the video", {}, "is a symbolic link"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir pack;
        TinyContent content;
        writeTinyContent(pack, content);
        const std::string name = c.name;
        if (name == "not a pack") std::remove(pack.file("models/track.ascii").c_str());
        if (name == "unreadable model texture") pack.write("tex/road.bmp", std::string("BM"));
        for (int n = 1; n <= 3; ++n) work.write("out/" + frame("", n), "earlier frame");
        work.write("out/capture.mp4", std::string("earlier video"));
        work.write("out/transcript.txt", std::string("earlier transcript"));
        if (name == "a FIFO among the frames") {
            std::remove(frame(out, 2).c_str());
            ASSERT_EQ(mkfifo(frame(out, 2).c_str(), 0644), 0);
        }
        if (name == "a link as the video") {
            std::remove((out + "/capture.mp4").c_str());
            ASSERT_EQ(symlink("/dev/null", (out + "/capture.mp4").c_str()), 0);
        }
        const auto before = namesInFolder(out);
        const std::vector<std::string> argv = {
            ZORVEX_CAPTURE_BIN, "--content", pack.path(), "--out", out,
            "--frames",         "2",         "--size",    "32x32", "--no-video"};
        EXPECT_EQ(runProgram(argv, work.path(), stdoutText, stderrText, c.env), 1);
        EXPECT_NE(stderrText.find(c.because), std::string::npos) << stderrText;
        EXPECT_EQ(namesInFolder(out), before);
        EXPECT_EQ(readTextFile(frame(out, 1)), "earlier frame");
        EXPECT_EQ(readTextFile(frame(out, 3)), "earlier frame");
        EXPECT_EQ(readTextFile(out + "/transcript.txt"), "earlier transcript");
        std::remove(frame(out, 2).c_str());
        std::remove((out + "/capture.mp4").c_str());
    }
}

// A folder that can be written but not listed would keep the frames of a longer capture
// beside the new ones; it is refused. Root lists any folder, so the capture runs as nobody.
TEST_F(CaptureTest, AFolderThatCannotBeListedIsRefused) {
    const std::string out = work.file("out");
    ASSERT_EQ(mkdir(out.c_str(), 0777), 0);
    work.write("out/frame_00009.png", std::string("earlier frame"));
    ASSERT_EQ(chmod(out.c_str(), 0333), 0);
    ASSERT_EQ(chmod(work.path().c_str(), 0755), 0);
    std::vector<std::string> argv = {
        ZORVEX_CAPTURE_BIN, "--content", contentDir.path(), "--out", out,
        "--frames",         "2",         "--no-video"};
    if (geteuid() == 0) {
        ASSERT_EQ(std::system(("chmod -R a+rX " + contentDir.path()).c_str()), 0);
        argv.insert(argv.begin(),
                    {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    }
    EXPECT_EQ(runProgram(argv, "/", stdoutText, stderrText), 1);
    EXPECT_NE(stderrText.find(out + ": cannot list the folder"), std::string::npos) << stderrText;
    ASSERT_EQ(chmod(out.c_str(), 0755), 0);
    EXPECT_EQ(namesInFolder(out), std::vector<std::string>{"frame_00009.png"});
}

// From a working folder whose path is longer than the system's paths, a relative output
// folder cannot be named once for every output: it is refused, and nothing is written in the
// content folder (which the capture enters) or anywhere else.
TEST_F(CaptureTest, ARelativeOutputFolderBelowAnOverlongPathIsRefused) {
    // Only one level at a time can be entered: the whole path is too long for chdir too.
    const std::string level(200, 'd');
    const std::string errors = work.file("errors.txt");
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(work.path().c_str()) != 0) _exit(120);
        for (int i = 0; i < 24; ++i) {
            if (mkdir(level.c_str(), 0755) != 0 || chdir(level.c_str()) != 0) _exit(121);
        }
        if (!std::freopen(errors.c_str(), "w", stderr)) _exit(122);
        execl(ZORVEX_CAPTURE_BIN, ZORVEX_CAPTURE_BIN, "--content", contentDir.path().c_str(),
              "--out", "out", "--frames", "2", "--size", "32x32", "--no-video", nullptr);
        _exit(123);
    }
    const auto packBefore = namesInFolder(contentDir.path());
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_NE(readTextFile(errors).find("working directory's path cannot be had"),
              std::string::npos)
        << readTextFile(errors);
    EXPECT_EQ(namesInFolder(contentDir.path()), packBefore);
    std::string out, err;
    runProgram({"/bin/rm", "-rf", work.file(level)}, "", out, err);
}

TEST_F(CaptureTest, TheVideoHasTheCapturesRateAndOneFramePerPngEvenInAnOddlyNamedFolder) {
    if (!haveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    TinyContent content;
    content.visibleSmoke = true;
    content.writeMusic = true;
    writeTinyContent(contentDir, content);
    struct Case {
        std::vector<std::string> args;
        int rate;
        int frames;
    };
    // The default rate is 60 (0.1 s is six frames only at 60); '%' and ':' in the folder's
    // name are no pattern or protocol to ffmpeg.
    const Case cases[] = {{{"--seconds", "0.1"}, 60, 6}, {{"--frames", "7", "--fps", "24"}, 24, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        const std::string out = work.file("50% of it: take %d");
        std::vector<std::string> args = {"--size", "64x48"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ASSERT_EQ(capture(args, out), 0) << stderrText;
        EXPECT_NE(stdoutText.find("with the music"), std::string::npos) << stdoutText;
        EXPECT_NE(stdoutText.find(std::to_string(c.rate) + " per second"), std::string::npos);
        EXPECT_TRUE(wholePng(frame(out, c.frames)));
        EXPECT_NE(access(frame(out, c.frames + 1).c_str(), F_OK), 0);
        EXPECT_EQ(videoRateAndFrames(out + "/capture.mp4"),
                  std::to_string(c.rate) + "/1," + std::to_string(c.frames));
    }
}

// Without ffmpeg, or with one that fails, the frames are still all made, with one line that
// says so; a failed video is a failure, and nothing of it is left.
TEST_F(CaptureTest, AMissingOrFailingFfmpegCostsTheVideoNotTheFrames) {
    work.write("bin/ffmpeg", std::string("#!/bin/sh\necho 'cannot encode today' >&2\nexit 3\n"));
    ASSERT_EQ(chmod(work.file("bin/ffmpeg").c_str(), 0755), 0);
    struct Case {
        std::string path;
        int status;
        const char* says;
    };
    const Case cases[] = {{work.file("nothing"), 0, "ffmpeg is not installed"},
                          {work.file("bin"), 1, "cannot encode today"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string out = work.file("out");
        std::vector<std::string> argv = {
            ZORVEX_CAPTURE_BIN, "--content", contentDir.path(), "--out", out,
            "--frames",         "3",         "--size",          "32x32"};
        EXPECT_EQ(runProgram(argv, work.path(), stdoutText, stderrText, {"PATH=" + c.path}),
                  c.status);
        EXPECT_NE(stderrText.find(c.says), std::string::npos) << stderrText;
        EXPECT_EQ(stderrText.find("zorvex-capture:"), stderrText.rfind("zorvex-capture:"))
            << stderrText;
        EXPECT_EQ(namesInFolder(out),
                  (std::vector<std::string>{"frame_00001.png", "frame_00002.png", "frame_00003.png",
                                            "transcript.txt"}));
    }
}

// Ctrl-C reaches the capture and ffmpeg together; a plain kill reaches the capture alone.
// Either way both stop, and no video, no part of one and no partly written frame is left,
// not even the video of an earlier capture.
TEST_F(CaptureTest, AnInterruptedCaptureLeavesNoVideoAndOnlyWholeFrames) {
    if (!haveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    struct Case {
        int signalNumber;
        bool wholeGroup;
    };
    for (const Case& c : {Case{SIGINT, true}, Case{SIGTERM, false}}) {
        SCOPED_TRACE(c.signalNumber);
        const std::string out = work.file("out" + std::to_string(c.signalNumber));
        work.write("out" + std::to_string(c.signalNumber) + "/capture.mp4",
                   std::string("an earlier video"));
        // setsid makes the capture lead its own process group, as a shell's job does.
        ChildProcess child({"/usr/bin/setsid", ZORVEX_CAPTURE_BIN, "--content", contentDir.path(),
                            "--out", out, "--frames", "100000", "--size", "64x64"},
                           work.path());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (access(frame(out, 20).c_str(), F_OK) != 0 &&
               std::chrono::steady_clock::now() < deadline)
            child.waitExit(20);
        ASSERT_EQ(access(frame(out, 20).c_str(), F_OK), 0) << child.err;
        ASSERT_EQ(kill(c.wholeGroup ? -child.pid : child.pid, c.signalNumber), 0);
        EXPECT_EQ(child.waitExit(30000), -1);
        EXPECT_NE(kill(child.pid, 0), 0) << "the capture is still running";
        EXPECT_NE(kill(-child.pid, 0), 0) << "ffmpeg is still running";
        EXPECT_NE(access((out + "/capture.mp4").c_str(), F_OK), 0);
        for (const std::string& name : namesInFolder(out)) {
            EXPECT_NE(name[0], '.') << name;
            if (name.rfind("frame_", 0) == 0) {
                EXPECT_TRUE(wholePng(out + "/" + name)) << name;
            }
        }
    }
}

// A full disk is a failure that names itself; the music is not blamed and nothing partial is
// left. Needs root for a small file system of its own (a tmpfs in a mount namespace).
TEST_F(CaptureTest, AFullDiskIsReportedAsAFullDisk) {
    if (!haveFfmpeg() || geteuid() != 0) GTEST_SKIP() << "needs ffmpeg and root";
    TinyContent content;
    content.visibleSmoke = true;
    content.writeMusic = true;
    writeTinyContent(contentDir, content);
    const std::string out = work.file("small");
    ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
    for (const char* size : {"40k", "400k"}) {
        SCOPED_TRACE(size);
        // The small file system is gone with its namespace: what is left in it is listed there.
        const std::string script =
            std::string("mount -t tmpfs -o size=") + size + " none '" + out + "' || exit 99; " +
            ZORVEX_CAPTURE_BIN + " --content '" + contentDir.path() + "' --out '" + out +
            "' --frames 600 --size 96x96; status=$?; cd '" + out + "' && ls -A > '" +
            work.file("left.txt") + "' && for f in frame_*; do tail -c 8 $f " +
            "| head -c 4; echo; done | sort -u > '" + work.file("ends.txt") + "'; exit $status";
        const int status = runProgram({"/usr/bin/unshare", "-m", "/bin/sh", "-c", script},
                                      work.path(), stdoutText, stderrText);
        if (status == 99) GTEST_SKIP() << "cannot mount a tmpfs here: " << stderrText;
        EXPECT_EQ(status, 1);
        const std::string left = readTextFile(work.file("left.txt"));
        EXPECT_NE(left.find("frame_00001.png"), std::string::npos) << left;
        EXPECT_EQ(left.find("capture.mp4"), std::string::npos) << left;
        EXPECT_EQ(left.find("\n."), std::string::npos) << left;
        EXPECT_EQ(readTextFile(work.file("ends.txt")), "IEND\n");
        EXPECT_NE(stderrText.find("No space left on device"), std::string::npos) << stderrText;
        EXPECT_EQ(stderrText.find("silent"), std::string::npos) << stderrText;
        EXPECT_EQ(stdoutText.find("silent"), std::string::npos) << stdoutText;
    }
}

TEST_F(CaptureTest, BadOptionsAreRefusedBeforeAnythingIsRendered) {
    // Every number is decimal digits (seconds with a fraction), and however the length is
    // given, the frames it makes are held to the one cap.
    struct Case {
        std::vector<std::string> args;
        const char* because;
    };
    const Case bad[] = {{{"--size", "450"}, "WIDTHxHEIGHT"},
                        {{"--size", "0x40x64"}, "WIDTHxHEIGHT"},
                        {{"--frames", "0"}, "from 1 to 10000000"},
                        {{"--frames", "10000001"}, "from 1 to 10000000"},
                        {{"--frames", "+5"}, "whole number"},
                        {{"--fps", "0x10"}, "whole number"},
                        {{"--seconds", "0x10"}, "number of seconds"},
                        {{"--seconds", "1e1"}, "number of seconds"},
                        {{"--seconds", "inf"}, "number of seconds"},
                        {{"--seconds", " 5"}, "number of seconds"},
                        {{"--seconds", "."}, "number of seconds"},
                        {{"--seconds", "0.001"}, "less than one frame"},
                        {{"--seconds", "86400", "--fps", "1000"}, "more than 10000000 frames"},
                        {{"--keys", "c@0x10s"}, "number of seconds"},
                        {{"--keys", "x@10s"}, "releasing 'x'"},
                        {{"--keys", "c10"}, "KEY@TIME"},
                        {{"--seconds", "1", "--frames", "3"}, "not both"},
                        {{"--bogus"}, "unknown option"}};
    for (const Case& c : bad) {
        SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
        EXPECT_EQ(capture(c.args, work.file("out")), 2);
        EXPECT_NE(stderrText.find(c.because), std::string::npos) << stderrText;
        EXPECT_NE(stderrText.find("usage:"), std::string::npos) << stderrText;
    }
    EXPECT_NE(access(work.file("out").c_str(), F_OK), 0);
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

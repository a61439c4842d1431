// The real zorvex program under Xvfb: its transcript, window, questions and keys.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/files.h"
#include "support/process.h"
#include "support/tiny_content.h"

namespace {

using Clock = std::chrono::steady_clock;

// Each case gets an X server of its own, so cases running side by side never see (or type
// into) each other's windows.
std::string display;

std::string shell(const std::string& command) {
    std::string out, err;
    runProgram({"/bin/sh", "-c", command}, "", out, err, {"DISPLAY=" + display}, {}, 30000);
    return out;
}

std::string findWindow() {
    std::string id = shell("xdotool search --sync --onlyvisible --name '^ZORVEX 2005$' 2>/dev/null | head -n 1");
    while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
    return id;
}

void sendKey(const std::string& window, const std::string& key) {
    shell("xdotool windowfocus --sync " + window + " key --delay 50 " + key);
}

// Raw RGB bytes of the window's content.
std::vector<uint8_t> screenshot(const std::string& window, const TempDir& dir) {
    const std::string path = dir.file("shot.rgb");
    shell("import -window " + window + " -depth 8 rgb:" + path);
    return readBinaryFile(path);
}

double differingFraction(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) return 1.0;
    size_t differing = 0;
    for (size_t i = 0; i + 2 < a.size(); i += 3) {
        const int d = std::abs(a[i] - b[i]) + std::abs(a[i + 1] - b[i + 1]) + std::abs(a[i + 2] - b[i + 2]);
        if (d > 24) ++differing;
    }
    return static_cast<double>(differing) / static_cast<double>(a.size() / 3);
}

class DemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        server = std::make_unique<ChildProcess>(
            std::vector<std::string>{"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                                     "-noreset"}, "");
        ASSERT_TRUE(server->waitForOutput("\n", 10000)) << "Xvfb did not start: " << server->err;
        display = ":" + server->out.substr(0, server->out.find('\n'));
    }
    std::unique_ptr<ChildProcess> start(const TinyContent& content, const std::vector<std::string>& args = {},
                                        const std::string& audio = "dummy") {
        writeTinyContent(dir, content);
        std::vector<std::string> argv = {ZORVEX_BIN};
        argv.insert(argv.end(), args.begin(), args.end());
        return std::make_unique<ChildProcess>(argv, dir.path(),
                                              std::vector<std::string>{"SDL_AUDIODRIVER=" + audio, "DISPLAY=" + display});
    }
    TempDir dir;
    std::unique_ptr<ChildProcess> server;
};

TinyContent shortRuns() {
    TinyContent content;
    content.cameraRun = steadyRun(2, 400, Vec3{0, -40, -8}, 0, 0);
    content.cameraRun[0].pitch = content.cameraRun[1].pitch = -70;
    content.ds21Run = steadyRun(2, 400, Vec3{0, 0, 0}, 0, 0.5f);
    content.r5Run = steadyRun(2, 400, Vec3{0.3f, 0, 0}, 0, 0.5f);
    return content;
}

TEST_F(DemoTest, TranscriptRunsFromBannerThroughLoadingToPlaybackEndAndRestart) {
    auto demo = start(shortRuns());
    // The three short runs end in the same frame; the next frame starts them all again.
    ASSERT_TRUE(demo->waitForOutput("END (rec\\record0.rec)\n\nPLAYBACK (rec\\record0.rec)\n"
                                    "PLAYBACK (rec\\record1.rec)\nPLAYBACK (rec\\record2.rec)\n\n",
                                    20000)) << demo->out << demo->err;
    const std::string& out = demo->out;
    EXPECT_EQ(out.rfind("\n\nZorvex 2005 Demo, Compilation Date: ", 0), 0u) << out;
    const char* inOrder[] = {"Zorvex 2005 Demo", "\n\nSound Init...OK\n\n", "Track Init...OK\n",
                             "\nloading models\\track.ascii\n", "texture loaded (", "\nloading models\\landscape.ascii\n",
                             "\nloading models\\ds21.ascii\n", "\nloading models\\r5.ascii\n",
                             "\n\nPLAYBACK (rec\\record0.rec)\nPLAYBACK (rec\\record1.rec)\nPLAYBACK (rec\\record2.rec)\n\n",
                             "END (rec\\record1.rec)\nEND (rec\\record2.rec)\nEND (rec\\record0.rec)\n",
                             "\n\nPLAYBACK (rec\\record0.rec)\nPLAYBACK (rec\\record1.rec)\nPLAYBACK (rec\\record2.rec)\n\n"};
    size_t at = 0;
    for (const char* piece : inOrder) {
        const size_t found = out.find(piece, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << piece << "\n" << out;
        at = found;
    }
    EXPECT_EQ(demo->err.find("Error"), std::string::npos) << demo->err;
    sendKey(findWindow(), "x");
    EXPECT_EQ(demo->waitExit(10000), 0);
}

TEST_F(DemoTest, SoundThatCannotStartRetriesForAboutOneSecondAndGoesOn) {
    auto demo = start(shortRuns(), {}, "no-such-driver");
    ASSERT_TRUE(demo->waitForOutput("Sound Init...", 10000)) << demo->out;
    const auto began = Clock::now();
    ASSERT_TRUE(demo->waitForOutput("FAILED!\n\n", 10000)) << demo->out;
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    EXPECT_NE(demo->out.find("Sound Init...""..........""FAILED!\n\n"), std::string::npos) << demo->out;
    EXPECT_GT(seconds, 0.8);
    EXPECT_LT(seconds, 5.0);
    EXPECT_TRUE(demo->waitForOutput("PLAYBACK (rec\\record2.rec)", 20000)) << demo->out;
}

TEST_F(DemoTest, WindowIsTitledAndSizedAtItsPlace) {
    auto demo = start(shortRuns());
    ASSERT_TRUE(demo->waitForOutput("PLAYBACK (rec\\record2.rec)", 20000)) << demo->out;
    const std::string window = findWindow();
    ASSERT_FALSE(window.empty());
    const std::string info = shell("xwininfo -id " + window);
    EXPECT_NE(info.find("Width: 450"), std::string::npos) << info;
    EXPECT_NE(info.find("Height: 450"), std::string::npos) << info;
    EXPECT_NE(info.find("Absolute upper-left X:  100"), std::string::npos) << info;
    EXPECT_NE(info.find("Absolute upper-left Y:  100"), std::string::npos) << info;
}

TEST_F(DemoTest, AskModeTakesFourAnswersFromAPipeAndFpsNoMeansNoFpsLines) {
    auto demo = start(shortRuns(), {"ask"});
    demo->writeInput("n\ny\ny\nn\n");
    demo->closeInput();
    ASSERT_TRUE(demo->waitForOutput("PLAYBACK (rec\\record2.rec)", 20000)) << demo->out << demo->err;
    std::this_thread::sleep_for(std::chrono::milliseconds(4500));
    demo->waitForOutput("never", 10);
    EXPECT_EQ(demo->out.find("FPS: "), std::string::npos) << demo->out;
    EXPECT_NE(demo->err.find("Question? Fullscreen [y/N] Question? Accumulation Buffer? [y/N] Question? Light ? [y/N] "
                             "Question? FPS ? [y/N] "), std::string::npos) << demo->err;
    EXPECT_EQ(demo->out.find("Question?"), std::string::npos);
}

TEST_F(DemoTest, AskModeWithFpsYesPrintsTheRateAboutEveryThreeSeconds) {
    auto demo = start(shortRuns(), {"anything", "at all"});
    demo->writeInput("no\nNO\nn\nYes\n");
    demo->closeInput();
    ASSERT_TRUE(demo->waitForOutput("FPS: ", 20000)) << demo->out << demo->err;
    const auto first = Clock::now();
    const size_t firstAt = demo->out.find("FPS: ");
    ASSERT_TRUE(demo->waitForOutput("FPS: ", 10));
    // Wait for the second line after the first.
    const auto deadline = first + std::chrono::seconds(10);
    while (demo->out.find("FPS: ", firstAt + 1) == std::string::npos && Clock::now() < deadline) demo->waitForOutput("\x01", 50);
    const double gap = std::chrono::duration<double>(Clock::now() - first).count();
    EXPECT_NE(demo->out.find("FPS: ", firstAt + 1), std::string::npos) << demo->out;
    EXPECT_GT(gap, 2.5);
    EXPECT_LT(gap, 4.5);
}

TEST_F(DemoTest, AskModeWithStandardInputClosedAnswersNoInsteadOfReadingTheMusic) {
    TinyContent content = shortRuns();
    content.writeMusic = true;
    writeTinyContent(dir, content);
    // The shell closes descriptor 0, then becomes the demo.
    ChildProcess demo({"/bin/sh", "-c", "exec \"$0\" ask <&-", ZORVEX_BIN}, dir.path(),
                      {"SDL_AUDIODRIVER=dummy", "DISPLAY=" + display});
    ASSERT_TRUE(demo.waitForOutput("PLAYBACK (rec\\record2.rec)", 20000)) << demo.out << demo.err;
    char input[256] = {};
    EXPECT_GT(readlink(("/proc/" + std::to_string(demo.pid) + "/fd/0").c_str(), input, sizeof input - 1), 0);
    EXPECT_STREQ(input, "/dev/null");
    // Input that has ended answers each question No, which then ends its line.
    EXPECT_NE(demo.err.find("Question? Fullscreen [y/N] \nQuestion? Accumulation Buffer? [y/N] \n"
                            "Question? Light ? [y/N] \nQuestion? FPS ? [y/N] \n"), std::string::npos) << demo.err;
}

TEST_F(DemoTest, FullScreenWithoutGameModeFallsBackToAFullScreenWindowAndSaysSo) {
    auto demo = start(shortRuns(), {"ask"});
    demo->writeInput("y\nn\nn\nn\n");
    demo->closeInput();
    ASSERT_TRUE(demo->waitForOutput("PLAYBACK (rec\\record2.rec)", 20000)) << demo->out << demo->err;
    EXPECT_NE(demo->err.find("game mode"), std::string::npos) << demo->err;
    const std::string window = findWindow();
    ASSERT_FALSE(window.empty());
    // Xvfb has no game mode; the window covers the whole screen instead.
    const std::string root = shell("xwininfo -root");
    const std::string width = root.substr(root.find("Width: "), root.find('\n', root.find("Width: ")) - root.find("Width: "));
    const std::string height = root.substr(root.find("Height: "), root.find('\n', root.find("Height: ")) - root.find("Height: "));
    std::string info;
    for (int i = 0; i < 20 && info.find(width) == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        info = shell("xwininfo -id " + window);
    }
    EXPECT_NE(info.find(width), std::string::npos) << info << root;
    EXPECT_NE(info.find(height), std::string::npos) << info << root;
}

TEST_F(DemoTest, CameraKeyChangesTheViewThreeReleasesBringItBackAndOnlyLowerCaseXQuits) {
    TinyContent content;
    content.cameraRun = steadyRun(60, 1000, Vec3{0, 40, -10}, 0, 0);
    for (RunRecord& record : content.cameraRun) record.pitch = -60;
    content.ds21Run = steadyRun(60, 1000, Vec3{0, 0, 0}, 0, 0);
    content.r5Run = steadyRun(60, 1000, Vec3{0.3f, 0, 0}, 0, 0);
    auto demo = start(content, {"ask"});
    demo->writeInput("n\nn\nn\nn\n");  // no blur, no lighting: a still picture
    demo->closeInput();
    ASSERT_TRUE(demo->waitForOutput("PLAYBACK (rec\\record2.rec)", 20000)) << demo->out << demo->err;
    const std::string window = findWindow();
    ASSERT_FALSE(window.empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const auto free = screenshot(window, dir);
    ASSERT_EQ(free.size(), 450u * 450u * 3u);
    sendKey(window, "c");
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    const auto inCar = screenshot(window, dir);
    EXPECT_GT(differingFraction(free, inCar), 0.2);
    sendKey(window, "c");
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    const auto overhead = screenshot(window, dir);
    EXPECT_GT(differingFraction(inCar, overhead), 0.2);
    sendKey(window, "c");
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_LT(differingFraction(free, screenshot(window, dir)), 0.02);
    // Typed as a person types it: the x is released while shift is still held.
    shell("xdotool windowfocus --sync " + window + " keydown shift keydown x keyup x keyup shift");
    EXPECT_EQ(demo->waitExit(1500), -1) << "upper-case X must not quit";
    sendKey(window, "x");
    EXPECT_EQ(demo->waitExit(10000), 0);
}

}  // namespace

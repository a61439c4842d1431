// The real zorvex program under Xvfb: its transcript, window, questions and keys.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
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
    return shell(
        "xdotool search --sync --onlyvisible --name '^ZORVEX 2005$' 2>/dev/null | head -n 1 | tr "
        "-d '\\n '");
}

// "WIDTHxHEIGHT+X+Y" of a window.
std::string geometryOf(const std::string& window) {
    return shell("xwininfo -id " + window + " | awk '/-geometry/ {printf \"%s\", $2}'");
}

// Each piece appears in text after the one before.
void expectInOrder(const std::string& text, const std::vector<std::string>& pieces) {
    size_t at = 0;
    for (const std::string& piece : pieces) {
        const size_t found = text.find(piece, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << piece << "\n" << text;
        at = found;
    }
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

// Screenshots of the window, taken one after another, until one is what done looks for or
// ten seconds have passed; the last one taken.
template <typename Done>
std::vector<uint8_t> screenshotWhen(const std::string& window, const TempDir& dir, Done done) {
    const auto end = Clock::now() + std::chrono::seconds(10);
    std::vector<uint8_t> shot = screenshot(window, dir);
    while (!done(shot) && Clock::now() < end) shot = screenshot(window, dir);
    return shot;
}

double differingFraction(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) return 1.0;
    size_t differing = 0;
    for (size_t i = 0; i + 2 < a.size(); i += 3) {
        differing +=
            std::abs(a[i] - b[i]) + std::abs(a[i + 1] - b[i + 1]) + std::abs(a[i + 2] - b[i + 2]) >
                    24
                ? 1
                : 0;
    }
    return static_cast<double>(differing) / static_cast<double>(a.size() / 3);
}

class DemoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server = std::make_unique<ChildProcess>(
            std::vector<std::string>{"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0",
                                     "1280x1024x24", "-nolisten", "tcp", "-noreset"},
            "");
        ASSERT_TRUE(server->waitForOutput("\n", 10000)) << "Xvfb did not start: " << server->err;
        display = ":" + server->out.substr(0, server->out.find('\n'));
    }
    // The program in a folder whose runs last 400 ms and hold still, so each restart shows
    // the same picture again; with a shell line, started through /bin/sh -c as "$0".
    std::unique_ptr<ChildProcess> start(const std::vector<std::string>& args = {},
                                        const std::string& audio = "dummy",
                                        const std::string& shellLine = "") {
        TinyContent content;
        content.writeMusic = true;
        content.cameraRun = steadyRun(2, 400, Vec3{0, 40, -10}, 0, 0);
        for (RunRecord& record : content.cameraRun) record.pitch = -60;
        content.ds21Run = steadyRun(2, 400, Vec3{0, 0, 0}, 0, 0);
        content.r5Run = steadyRun(2, 400, Vec3{0.3f, 0, 0}, 0, 0);
        writeTinyContent(dir, content);
        if (afterContent) afterContent();
        std::vector<std::string> argv = {ZORVEX_BIN};
        if (!shellLine.empty()) argv.insert(argv.begin(), {"/bin/sh", "-c", shellLine});
        argv.insert(argv.end(), args.begin(), args.end());
        return std::make_unique<ChildProcess>(
            argv, dir.path(),
            std::vector<std::string>{"SDL_AUDIODRIVER=" + audio, "DISPLAY=" + display});
    }
    TempDir dir;
    std::unique_ptr<ChildProcess> server;
    std::function<void()> afterContent;  // changes the content folder before the demo starts
};

// The empty line, the three playback lines and another empty line of every start of the runs.
const std::string kRunsStart =
    "\n\nPLAYBACK (rec\\record0.rec)\nPLAYBACK (rec\\record1.rec)\nPLAYBACK (rec\\record2.rec)\n\n";

TEST_F(DemoTest,
       ByDefaultItRunsFromBannerToRestartInItsTitledWindowPrintingTheRateEveryThreeSeconds) {
    auto demo = start();
    // The three short runs end in the same frame; the next frame starts them all again.
    ASSERT_TRUE(demo->waitForOutput("END (rec\\record0.rec)" + kRunsStart, 20000))
        << demo->out << demo->err;
    EXPECT_EQ(demo->out.rfind("\n\nZorvex 2005 Demo, Compilation Date: ", 0), 0u) << demo->out;
    expectInOrder(
        demo->out,
        {"\n\nSound Init...OK\n\n", "Track Init...OK\n", "\nloading models\\track.ascii\n",
         "texture loaded (", "\nloading models\\landscape.ascii\n",
         "\nloading models\\ds21.ascii\n", "\nloading models\\r5.ascii\n", kRunsStart,
         "END (rec\\record1.rec)\nEND (rec\\record2.rec)\nEND (rec\\record0.rec)\n", kRunsStart});
    EXPECT_EQ(demo->err.find("Error"), std::string::npos) << demo->err;
    const std::string window = findWindow();
    EXPECT_EQ(geometryOf(window), "450x450+100+100");
    ASSERT_TRUE(demo->waitForOutput("FPS: ", 10000)) << demo->out;
    const auto first = Clock::now();
    demo->out.erase(0, demo->out.find("FPS: ") + 5);  // to wait for the next line
    EXPECT_TRUE(demo->waitForOutput("FPS: ", 10000)) << demo->out;
    const double gap = std::chrono::duration<double>(Clock::now() - first).count();
    EXPECT_GT(gap, 2.5);
    EXPECT_LT(gap, 4.5);
    sendKey(window, "x");
    EXPECT_EQ(demo->waitExit(10000), 0);
}

TEST_F(DemoTest,
       AskedForFullScreenWithoutSoundOrGameModeItFillsTheScreenWhereCCyclesTheViewsAndOnlyXQuits) {
    auto demo = start({"anything", "at all"}, "no-such-driver");
    demo->writeInput("Yes\nNO\nno\nn\n");  // no blur, no lighting: a still picture
    demo->closeInput();
    ASSERT_TRUE(demo->waitForOutput("PLAYBACK (rec\\record2.rec)", 20000))
        << demo->out << demo->err;
    EXPECT_NE(demo->out.find("Sound Init..."
                             ".........."
                             "FAILED!\n\n"),
              std::string::npos)
        << demo->out;
    expectInOrder(demo->err, {"Question? Fullscreen", "Question? Accumulation Buffer?",
                              "Question? Light ?", "Question? FPS ?"});
    EXPECT_NE(demo->err.find("game mode"), std::string::npos) << demo->err;
    const std::string window = findWindow();
    ASSERT_FALSE(window.empty());
    // Xvfb has no game mode; the window covers the whole 1280 x 1024 screen instead.
    const auto end = Clock::now() + std::chrono::seconds(10);
    std::string geometry = geometryOf(window);
    while (geometry.rfind("1280x1024+", 0) != 0 && Clock::now() < end)
        geometry = geometryOf(window);
    EXPECT_EQ(geometry.rfind("1280x1024+", 0), 0u) << geometry;

    // The first full-screen picture once it is drawn (more than one colour) and holds still.
    std::vector<uint8_t> previous;
    const auto free = screenshotWhen(window, dir, [&](const std::vector<uint8_t>& shot) {
        const bool drawn = std::any_of(shot.begin(), shot.end(),
                                       [&](uint8_t byte) { return byte != shot.front(); });
        const bool still = drawn && differingFraction(previous, shot) < 0.02;
        previous = shot;
        return still;
    });
    ASSERT_GT(free.size(), 1000u * 1000u * 3u) << "a screenful of pixels";
    // Each release of c shows another view: a screenful that differs from the one before.
    const auto changedFrom = [&](const std::vector<uint8_t>& before) {
        return screenshotWhen(window, dir, [&](const std::vector<uint8_t>& shot) {
            return shot.size() == before.size() && differingFraction(before, shot) > 0.2;
        });
    };
    sendKey(window, "c");
    const auto inCar = changedFrom(free);
    ASSERT_EQ(inCar.size(), free.size());
    EXPECT_GT(differingFraction(free, inCar), 0.2);
    sendKey(window, "c");
    const auto overhead = changedFrom(inCar);
    ASSERT_EQ(overhead.size(), free.size());
    EXPECT_GT(differingFraction(inCar, overhead), 0.2);
    sendKey(window, "c");
    const auto back = screenshotWhen(window, dir, [&](const std::vector<uint8_t>& shot) {
        return differingFraction(free, shot) < 0.02;
    });
    EXPECT_LT(differingFraction(free, back), 0.02) << "three releases bring the view back";
    // Typed as a person types it: the x is released while shift is still held. The c after it
    // shows when the demo has taken both keys, in the order they were typed.
    shell("xdotool windowfocus --sync " + window + " keydown shift keydown x keyup x keyup shift");
    sendKey(window, "c");
    EXPECT_EQ(changedFrom(free).size(), free.size()) << "upper-case X must not quit";
    EXPECT_EQ(demo->waitExit(0), -1) << "upper-case X must not quit";
    // FPS answered no: a rate line would have come three seconds after the start, by the
    // tenth start of the 400 ms runs.
    EXPECT_TRUE(demo->waitForOutputCount(kRunsStart, 10, 20000)) << demo->out;
    sendKey(window, "x");
    EXPECT_EQ(demo->waitExit(10000), 0);
    EXPECT_EQ(demo->out.find("FPS: "), std::string::npos) << demo->out;
    EXPECT_EQ(demo->out.find("Question?"), std::string::npos);
}

TEST_F(DemoTest, AskedWithStandardInputClosedItAnswersNoInsteadOfReadingTheMusic) {
    // The shell closes descriptor 0, then becomes the demo.
    auto demo = start({"ask"}, "dummy", "exec \"$0\" \"$@\" <&-");
    ASSERT_TRUE(demo->waitForOutput("PLAYBACK (rec\\record2.rec)", 20000))
        << demo->out << demo->err;
    char input[256] = {};
    EXPECT_GT(
        readlink(("/proc/" + std::to_string(demo->pid) + "/fd/0").c_str(), input, sizeof input - 1),
        0);
    EXPECT_STREQ(input, "/dev/null");
    // Input that has ended answers each question No, which then ends its line.
    EXPECT_NE(demo->err.find("Question? Fullscreen [y/N] \nQuestion? Accumulation Buffer? [y/N] \n"
                             "Question? Light ? [y/N] \nQuestion? FPS ? [y/N] \n"),
              std::string::npos)
        << demo->err;
}

// Sends the signal and gives the demo two seconds to end by it.
void expectEndsBy(ChildProcess& demo, int signalNumber) {
    EXPECT_TRUE(demo.stopsBy(signalNumber, 2000))
        << strsignal(signalNumber) << " did not end it within 2 s\n"
        << demo.out << demo.err;
}

// Ctrl-C or SIGTERM end the demo as 'x' does, by that signal: in a window or full screen,
// with the music playing or without sound, and while the frames run.
TEST_F(DemoTest, CtrlCAndTermEndItWithinTwoSecondsInAWindowOrFullScreenWithOrWithoutMusic) {
    struct Case {
        int signalNumber;
        bool fullScreen;
        const char* audio;
    };
    const Case cases[] = {{SIGINT, false, "dummy"},
                          {SIGTERM, false, "no-such-driver"},
                          {SIGTERM, true, "dummy"},
                          {SIGINT, true, "no-such-driver"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(strsignal(c.signalNumber)) +
                     (c.fullScreen ? ", full screen, " : ", window, ") + c.audio);
        auto demo = c.fullScreen ? start({"ask"}, c.audio) : start({}, c.audio);
        if (c.fullScreen) demo->writeInput("y\nn\nn\nn\n");
        ASSERT_TRUE(demo->waitForOutput(kRunsStart, 20000)) << demo->out << demo->err;
        expectEndsBy(*demo, c.signalNumber);
    }
}

// Before the frames run: at a question that waits for its answer, and while a large
// texture loads.
TEST_F(DemoTest, CtrlCAndTermEndItAtTheQuestionsAndWhileItLoads) {
    auto asking = start({"ask"});
    for (int waited = 0; asking->err.find("Question? Fullscreen") == std::string::npos; ++waited) {
        ASSERT_LT(waited, 400) << asking->err;
        asking->waitForOutput("(never printed)", 50);
    }
    expectEndsBy(*asking, SIGINT);

    // Decoding and mipmapping 16 million pixels takes seconds in software.
    afterContent = [this] { dir.write("tex/grass.bmp", solidBmp(4096, 4096, 40, 140, 40)); };
    auto loading = start();
    ASSERT_TRUE(loading->waitForOutput("loading models\\landscape.ascii", 20000))
        << loading->out << loading->err;
    expectEndsBy(*loading, SIGTERM);
}

// Under nohup the terminal's hang-up is not meant for the demo; SIGTERM still is.
TEST_F(DemoTest, StartedWithHangUpsIgnoredItKeepsRunningOnAHangUp) {
    auto demo = start({}, "dummy", "trap '' HUP; exec \"$0\" \"$@\"");
    ASSERT_TRUE(demo->waitForOutput(kRunsStart, 20000)) << demo->out << demo->err;
    ::kill(demo->pid, SIGHUP);
    EXPECT_EQ(demo->waitExit(1500), -1);
    EXPECT_EQ(demo->endSignal(), 0) << "a hang-up ended it";
    expectEndsBy(*demo, SIGTERM);
}

// zorvex ask < /dev/zero: every answer is a line too long to be Yes, read no further than
// its first kilobyte, so all four are No and the demo starts, in bounded memory.
TEST_F(DemoTest, AnAnswerWithoutEndIsReadOnlyToItsBoundAndCountsAsNo) {
    auto demo = start({"ask"}, "dummy", "exec \"$0\" \"$@\" </dev/zero");
    ASSERT_TRUE(demo->waitForOutput(kRunsStart, 20000)) << demo->out << demo->err;
    EXPECT_NE(demo->err.find("Question? Fullscreen [y/N] \nQuestion? Accumulation Buffer? [y/N] \n"
                             "Question? Light ? [y/N] \nQuestion? FPS ? [y/N] \n"),
              std::string::npos)
        << demo->err;
    // All four No: a window, and no frame-rate lines.
    EXPECT_FALSE(findWindow().empty());
    std::ifstream status("/proc/" + std::to_string(demo->pid) + "/status");
    long peakKb = -1;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) peakKb = std::atol(line.c_str() + 6);
    }
    // The demo itself needs well under this; an unbounded answer takes it in seconds.
    EXPECT_GT(peakKb, 0);
    EXPECT_LT(peakKb, 1024 * 1024) << "kB at its peak";
}

}  // namespace

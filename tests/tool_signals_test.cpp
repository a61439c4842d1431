// Every tool stops on Ctrl-C and SIGTERM, within two seconds, by that signal, and leaves no
// half-written output behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/process.h"
#include "support/tiny_content.h"

namespace {

bool anyNameStartsWith(const std::string& folder, const std::string& start) {
    for (const std::string& name : namesInFolder(folder)) {
        if (name.rfind(start, 0) == 0) return true;
    }
    return false;
}

// Waits (reading the tool's output as it comes) until busy() says it is at work.
bool waitUntil(ChildProcess& tool, const std::function<bool()>& busy) {
    for (int waited = 0; waited < 600; ++waited) {
        if (busy()) return true;
        tool.waitForOutput("(never printed)", 50);
    }
    return false;
}

void expectEndsBy(ChildProcess& tool, int signalNumber) {
    EXPECT_TRUE(tool.stopsBy(signalNumber, 2000))
        << strsignal(signalNumber) << " did not end it within 2 s\n"
        << tool.err;
}

class ToolSignals : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
        // The camera's run alone: the cars stand on the grid.
        TinyContent content;
        content.cameraRun = steadyRun(2, 400, Vec3{0, 40, -10}, 0, 0);
        writeTinyContent(contentDir, content);
    }

    TempDir contentDir;
    TempDir outDir;
};

TEST_F(ToolSignals, TheTimedemoStopsWhileItRenders) {
    for (int signalNumber : {SIGINT, SIGTERM}) {
        ChildProcess timedemo({ZORVEX_TIMEDEMO_BIN, "--frames", "10000000", "--size", "32x32"},
                              contentDir.path());
        // The demo's own lines go to standard error; the frames follow the runs' start.
        ASSERT_TRUE(waitUntil(timedemo, [&] {
            return timedemo.err.find("PLAYBACK (rec\\record0.rec)") != std::string::npos;
        })) << timedemo.err;
        expectEndsBy(timedemo, signalNumber);
    }
}

TEST_F(ToolSignals, TheCaptureStopsBetweenFrames) {
    for (int signalNumber : {SIGINT, SIGTERM}) {
        ChildProcess capture({ZORVEX_CAPTURE_BIN, "--content", contentDir.path(), "--out",
                              outDir.path(), "--frames", "100000", "--size", "32x32", "--no-video"},
                             contentDir.path());
        ASSERT_TRUE(waitUntil(capture, [&] {
            return anyNameStartsWith(outDir.path(), "frame_00002");
        })) << capture.err;
        expectEndsBy(capture, signalNumber);
    }
}

// A listing into a file is stopped half-way: neither the listing nor its new file remains.
TEST_F(ToolSignals, ZorvexRunsStopsAndLeavesNoHalfWrittenOutput) {
    TempDir dir;
    dir.write("big.rec", std::string());
    ASSERT_EQ(truncate(dir.file("big.rec").c_str(), 36 * 10000000), 0);
    for (int signalNumber : {SIGINT, SIGTERM}) {
        ChildProcess runs({ZORVEX_RUNS_BIN, "dump", "big.rec", "--out", "listing.txt"}, dir.path());
        ASSERT_TRUE(waitUntil(runs, [&] { return anyNameStartsWith(dir.path(), ".listing.txt"); }))
            << runs.err;
        expectEndsBy(runs, signalNumber);
        EXPECT_EQ(namesInFolder(dir.path()), std::vector<std::string>{"big.rec"});
    }
}

}  // namespace

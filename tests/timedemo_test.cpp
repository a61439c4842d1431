// zorvex-timedemo on the small test content under Xvfb: every figure of the report and of
// its breakdown, the demo's lines kept off the report, and a failure for a folder without a
// scene.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "support/files.h"
#include "support/process.h"
#include "support/tiny_content.h"

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// The number after the label at the start of one of the lines, or -1 when there is none.
double figure(const std::vector<std::string>& report, const std::string& label) {
    for (const std::string& line : report) {
        double value = 0.0;
        if (line.rfind(label, 0) == 0)
            return std::sscanf(line.c_str() + label.size(), "%lf", &value) == 1 ? value : -1.0;
    }
    return -1.0;
}

class TimedemoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
        TinyContent content;
        content.ds21Run = steadyRun(4, 200, Vec3{0.0f, 0.0f, 0.0f}, 0.0f, 1.0f, 0.1f);
        content.r5Run = steadyRun(4, 200, Vec3{0.3f, 0.0f, 0.0f}, 90.0f, 1.0f);
        content.visibleSmoke = true;
        writeTinyContent(contentDir, content);
    }

    int timedemo(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {ZORVEX_TIMEDEMO_BIN};
        argv.insert(argv.end(), args.begin(), args.end());
        return runProgram(argv, contentDir.path(), out, err);
    }

    TempDir contentDir;
    std::string out;
    std::string err;
};

TEST_F(TimedemoTest, ReportsEveryFigureAndEndsWithTheRatio) {
    ASSERT_EQ(timedemo({"--frames", "40", "--bare-frames", "20", "--size", "64x64"}), 0) << err;
    const std::vector<std::string> report = lines(out);
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(report.front(), "frames: 40 at 64x64, blur on, lighting on, virtual step 1/30 s");
    const double fps = figure(report, "demo: "), simulate = figure(report, "simulate: ");
    const double draw = figure(report, "draw: "),
                 bare = figure(report, "bare frame (clear, blur, swap): ");
    EXPECT_TRUE(fps > 0.0 && simulate > 0.0 && draw > 0.0 && bare > 0.0) << out;
    // The two parts cover the whole frame between them.
    EXPECT_NEAR(simulate + draw, 1000.0 / fps, 0.15 * 1000.0 / fps) << out;
    ASSERT_EQ(report.back().rfind("ratio (demo / bare frame rate): ", 0), 0u) << out;
    EXPECT_NEAR(figure(report, "ratio (demo / bare frame rate): "), fps / bare,
                0.01 + 0.01 * fps / bare)
        << out;
}

TEST_F(TimedemoTest, BreakdownNamesEveryStepAndModelAndTheDemosLinesStayOnStandardError) {
    ASSERT_EQ(timedemo({"--breakdown", "--frames", "30", "--size", "32x32", "--no-blur",
                        "--no-lighting"}),
              0)
        << err;
    const std::vector<std::string> report = lines(out);
    for (const char* step :
         {"runs restart", "frame rate", "clock", "view", "recorders", "car motion", "cars",
          "landscape", "track", "sky box", "smoke", "blur", "swap"})
        EXPECT_GE(figure(report, std::string("step ") + step + ": "), 0.0) << step << "\n" << out;
    for (const char* model : {"track", "landscape", "ds21", "r5"})
        EXPECT_GT(figure(report, std::string("model models\\") + model + ".ascii: "), 0.0)
            << model << "\n"
            << out;
    EXPECT_GT(figure(report, "start-up to the end of the first frame: "), 0.0) << out;
    EXPECT_GT(figure(report, "ratio (demo / bare frame rate): "), 0.0) << out;
    EXPECT_GT(out.rfind("ratio (demo / bare frame rate): "), out.rfind("step swap: ")) << out;
    // The runs' four records lie 200 ms apart: at 30 frames per second they end by frame 30.
    EXPECT_NE(err.find("END (rec\\record1.rec)"), std::string::npos) << err;
    EXPECT_EQ(out.find("Track Init"), std::string::npos) << out;
    EXPECT_NE(out.find("blur off, lighting off"), std::string::npos) << out;
}

TEST_F(TimedemoTest, AFolderWithoutTheSceneFailsWithItsName) {
    TempDir empty;
    std::vector<std::string> argv = {ZORVEX_TIMEDEMO_BIN, "--content", empty.path(), "--frames",
                                     "2"};
    EXPECT_EQ(runProgram(argv, contentDir.path(), out, err), 1);
    EXPECT_NE(err.find(empty.path()), std::string::npos) << err;
    EXPECT_TRUE(out.empty()) << out;
    EXPECT_EQ(timedemo({"--frames", "none"}), 2);
    EXPECT_NE(err.find("--frames"), std::string::npos) << err;
}

// A run that waits 46 days for its last record would take an hour of demo time to fail;
// it is refused at once, by name. A report that cannot be written is a failure.
TEST_F(TimedemoTest, ALoopThatCannotEndWithinAnHourIsRefusedAtOnceAndTheReportIsChecked) {
    std::vector<RunRecord> run = steadyRun(4, 200, Vec3{0.0f, 0.0f, 0.0f}, 0.0f, 1.0f);
    run.back().timeMs = 4000000000u;
    contentDir.write("rec/record1.rec", encodeRun(run));
    std::vector<std::string> argv = {ZORVEX_TIMEDEMO_BIN, "--loops", "1", "--size", "32x32"};
    EXPECT_EQ(runProgram(argv, contentDir.path(), out, err, {}, {}, 30000), 1);
    EXPECT_NE(err.find("zorvex-timedemo: rec\\record1.rec: its last record falls due after "
                       "46.3 days of playback"),
              std::string::npos)
        << err;
    EXPECT_TRUE(out.empty()) << out;

    const std::string line =
        "exec " + std::string(ZORVEX_TIMEDEMO_BIN) + " --frames 3 --size 32x32 >/dev/full";
    EXPECT_EQ(runProgram({"/bin/sh", "-c", line}, contentDir.path(), out, err), 1);
    EXPECT_NE(err.find("zorvex-timedemo: standard output: No space left on device\n"),
              std::string::npos)
        << err;
}

// The real race, looped as the demo loops it; a frame allocates nothing, so nothing grows.
TEST(TimedemoSoak, ThreeLoopsOfTheRaceKeepResidentMemoryWithinAMegabyte) {
    std::string out, err;
    ASSERT_EQ(
        runProgram({ZORVEX_TIMEDEMO_BIN, "--content", std::string(ZORVEX_BINARY_DIR) + "/content",
                    "--loops", "3", "--size", "64x64"},
                   "", out, err, {}, {}, 280000),
        0)
        << err;
    std::vector<double> resident;
    for (const std::string& line : lines(out)) {
        if (line.find("resident ") != std::string::npos)
            resident.push_back(std::atof(line.c_str() + line.find("resident ") + 9));
    }
    ASSERT_EQ(resident.size(), 3u) << out;
    EXPECT_GT(resident[0], 1.0) << out;
    EXPECT_LE(resident[2] - resident[0], 1.0) << out;
}

}  // namespace

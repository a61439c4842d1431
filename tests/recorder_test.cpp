#include "replay/recorder.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/ticks.h"
#include "replay/run_record.h"
#include "support/files.h"
#include "support/tiny_content.h"
#include "world/body.h"

namespace {

constexpr uint32_t kStart = 100000;

// A record whose every field differs, marked by n so the applied one can be told apart.
RunRecord keyframe(int n, uint32_t timeMs) {
    return {
        {1.0f * n, 2.0f * n, 3.0f * n}, 4.0f * n, 5.0f * n, 6.0f * n, 7.0f * n, 8.0f * n, timeMs};
}

// Which keyframe() the body holds, every field of it; -1 if none.
int appliedKeyframe(const Body& b) {
    const int n = static_cast<int>(b.position.x);
    uint8_t held[kRunRecordSize],
        expected[kRunRecordSize];  // on the stack: playback is checked for allocations
    encodeRunRecord({b.position, b.pitch, b.roll, b.heading, b.getSpeed(), b.turnRate, 0}, held);
    encodeRunRecord(keyframe(n, 0), expected);
    return std::memcmp(held, expected, kRunRecordSize) == 0 ? n : -1;
}

class RecorderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ManualClock::install(kStart);
        body.position = Vec3{-1.0f, -2.0f, -3.0f};
        body.turnRate = -9.0f;
    }
    void TearDown() override { setTickSource(nullptr); }

    // Writes the run into rec/<name> under the temp folder; returns the backslash path.
    std::string writeRun(const std::string& name, const std::vector<RunRecord>& run,
                         size_t extraBytes = 0) {
        std::vector<uint8_t> bytes = encodeRun(run);
        bytes.insert(bytes.end(), extraBytes, 0x7f);
        dir.write("rec/" + name, bytes);
        return "rec\\" + name;
    }

    TempDir dir;
    ScopedCwd cwd{dir.path()};
    Body body;
};

TEST_F(RecorderTest, PlaybackAppliesEachRecordInTheFirstStepItIsDueAndEndsAtATrailingPiece) {
    ManualClock::install(0xffffff00u);  // the run clock must survive the tick counter's wrap
    const std::string path = writeRun("timed.rec",
                                      {keyframe(1, 0), keyframe(2, 0x200), keyframe(3, 0x200),
                                       keyframe(4, 0x300), keyframe(5, 0x301)},
                                      28);
    Recorder recorder(path.c_str(), &body);
    OutputCapture out;
    recorder.startPlayback(false);
    EXPECT_EQ(body.position.x, -1.0f) << "starting touches nothing";
    const size_t heldBefore = mallinfo2().uordblks;
    recorder.step(false);
    EXPECT_EQ(appliedKeyframe(body), 1) << "a record at 0 applies in the first step";
    ManualClock::advance(0x1ff);
    recorder.step(false);
    EXPECT_EQ(appliedKeyframe(body), 1);
    ManualClock::advance(1);
    recorder.step(false);
    EXPECT_EQ(appliedKeyframe(body), 2) << "due exactly at its time";
    recorder.step(false);
    EXPECT_EQ(appliedKeyframe(body), 3) << "an equal time applies in the next step";
    ManualClock::advance(1000);
    recorder.step(false);
    EXPECT_EQ(appliedKeyframe(body), 4) << "a late playback catches up one record per step";
    recorder.step(false);
    EXPECT_EQ(appliedKeyframe(body), 5);
    EXPECT_EQ(mallinfo2().uordblks, heldBefore) << "stepping an open run allocates nothing";
    EXPECT_EQ(recorder.state, Playing);
    recorder.step(false);  // finds only the 28 trailing bytes
    EXPECT_TRUE(recorder.isIdle());
    EXPECT_EQ(appliedKeyframe(body), 5);
    EXPECT_EQ(out.finish(), "PLAYBACK (rec\\timed.rec)\nEND (rec\\timed.rec)\n");
}

TEST_F(
    RecorderTest,
    AnEmptyRunEndsAtTheFirstStepAndFilesThatCannotBeMadeOrFilledAreReportedWithoutTouchingTheBody) {
    const std::string path = writeRun("empty.rec", {});
    Recorder empty(path.c_str(), &body);
    Recorder unwritable("nofolder\\out.rec", &body);
    Recorder full("/dev/full", &body);
    OutputCapture out;
    empty.startPlayback(false);
    EXPECT_EQ(empty.state, Playing);
    empty.step(false);
    unwritable.startRecording();
    full.startRecording();
    full.step(true);
    full.step(true);  // a failed write is reported once
    EXPECT_EQ(out.finish(),
              "PLAYBACK (rec\\empty.rec)\nEND (rec\\empty.rec)\n\nunable to open file for recording"
              "RECORDING (/dev/full)\n.\nunable to write to /dev/full\n0: t/w: -0.000000,-9.000000"
              ".\n0: t/w: -0.000000,-9.000000");
    EXPECT_TRUE(empty.isIdle());
    EXPECT_TRUE(unwritable.isIdle());
    EXPECT_EQ(full.state, Recording) << "recording goes on";
    EXPECT_EQ(body.position.x, -1.0f) << "the body is not touched";
}

// A recorder made 5 s before recording starts, so its first unforced step is already due;
// its path, longer than 255 characters, is kept whole.
TEST_F(RecorderTest, RecordsComeMoreThanASecondApartOrWhenForcedAndReachTheFileAtOnce) {
    body.speed = 2.5f;
    body.turnRate = 0.75f;
    body.heading = 370.0f;
    const std::string path =
        dir.file(std::string(100, 'a') + "/" + std::string(100, 'b') + "/" + std::string(100, 'c'));
    Recorder recorder(path.c_str(), &body);
    ManualClock::advance(5000);
    OutputCapture out;
    recorder.startRecording();
    recorder.step(false);  // written at 0
    ManualClock::advance(1000);
    recorder.step(false);  // only 1000 since that write
    ManualClock::advance(1);
    recorder.step(false);  // written at 1001
    recorder.step(true);   // forced: written at 1001 again
    const std::vector<uint8_t> written =
        readBinaryFile(path);  // before anything else flushes the stream
    EXPECT_EQ(out.finish(), "RECORDING (" + path +
                                ")\n.\n0: t/w: -2.500000,0.750000.\n1001: t/w: -2.500000,0.750000"
                                ".\n1001: t/w: -2.500000,0.750000");
    // Each record reaches the file at once, the stored speed negated (playback negates it back).
    const RunRecord taken{body.position, 0, 0, 370.0f, -2.5f, 0.75f, 0};
    const RunRecord later{body.position, 0, 0, 370.0f, -2.5f, 0.75f, 1001};
    EXPECT_EQ(written, encodeRun({taken, later, later}));
}

}  // namespace

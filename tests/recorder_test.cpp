#include "replay/recorder.h"

#include <gtest/gtest.h>
#include <malloc.h>

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
    RunRecord record;
    record.position = Vec3{1.0f * n, 2.0f * n, 3.0f * n};
    record.pitch = 4.0f * n;
    record.roll = 5.0f * n;
    record.heading = 6.0f * n;
    record.forwardSpeed = 7.0f * n;
    record.turnRate = 8.0f * n;
    record.timeMs = timeMs;
    return record;
}

// Which keyframe() the body holds; -1 if none.
int appliedKeyframe(const Body& body) {
    const int n = static_cast<int>(body.position.x);
    const RunRecord expected = keyframe(n, 0);
    const bool whole = body.position.y == expected.position.y && body.position.z == expected.position.z &&
                       body.pitch == expected.pitch && body.roll == expected.roll &&
                       body.heading == expected.heading && body.getSpeed() == expected.forwardSpeed &&
                       body.turnRate == expected.turnRate;
    return whole ? n : -1;
}

class RecorderPlayback : public ::testing::Test {
protected:
    void SetUp() override {
        ManualClock::install(kStart);
        body.position = Vec3{-1.0f, -2.0f, -3.0f};
        body.turnRate = -9.0f;
    }
    void TearDown() override { setTickSource(nullptr); }

    // Writes the run into rec/<name> under the temp folder; returns the backslash path.
    std::string writeRun(const std::string& name, const std::vector<RunRecord>& run, size_t extraBytes = 0) {
        std::vector<uint8_t> bytes = encodeRun(run);
        bytes.insert(bytes.end(), extraBytes, 0x7f);
        dir.write("rec/" + name, bytes);
        return "rec\\" + name;
    }

    TempDir dir;
    ScopedCwd cwd{dir.path()};
    Body body;
};

TEST(RunRecordFormat, EncodesEachFieldLittleEndianAtItsOffset) {
    RunRecord record;
    record.position = Vec3{1.0f, -2.0f, 0.5f};
    record.pitch = 2.0f;
    record.roll = -1.0f;
    record.heading = 90.0f;
    record.forwardSpeed = 2.5f;
    record.turnRate = 0.25f;
    record.timeMs = 0x12345678u;
    const uint8_t expected[kRunRecordSize] = {
        0x00, 0x00, 0x80, 0x3f, 0x00, 0x00, 0x00, 0xc0, 0x00, 0x00, 0x00, 0x3f,  // position
        0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x80, 0xbf, 0x00, 0x00, 0xb4, 0x42,  // pitch, roll, heading
        0x00, 0x00, 0x20, 0x40, 0x00, 0x00, 0x80, 0x3e, 0x78, 0x56, 0x34, 0x12,  // speed, turn, time
    };
    uint8_t bytes[kRunRecordSize];
    encodeRunRecord(record, bytes);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + kRunRecordSize),
              std::vector<uint8_t>(expected, expected + kRunRecordSize));

    // Decoding from an odd address must not depend on alignment.
    uint8_t shifted[kRunRecordSize + 1];
    std::copy(expected, expected + kRunRecordSize, shifted + 1);
    const RunRecord back = decodeRunRecord(shifted + 1);
    EXPECT_EQ(back.position.x, 1.0f);
    EXPECT_EQ(back.position.y, -2.0f);
    EXPECT_EQ(back.position.z, 0.5f);
    EXPECT_EQ(back.pitch, 2.0f);
    EXPECT_EQ(back.roll, -1.0f);
    EXPECT_EQ(back.heading, 90.0f);
    EXPECT_EQ(back.forwardSpeed, 2.5f);
    EXPECT_EQ(back.turnRate, 0.25f);
    EXPECT_EQ(back.timeMs, 0x12345678u);
}

TEST_F(RecorderPlayback, AnEmptyFileEndsAtTheFirstStepWithoutTouchingTheBody) {
    const std::string path = writeRun("empty.rec", {});
    Recorder recorder(path.c_str(), &body);
    OutputCapture out;
    recorder.startPlayback(false);
    EXPECT_EQ(recorder.state, Playing);
    recorder.step(false);
    EXPECT_EQ(out.finish(), "PLAYBACK (rec\\empty.rec)\nEND (rec\\empty.rec)\n");
    EXPECT_TRUE(recorder.isIdle());
    EXPECT_EQ(body.position.x, -1.0f);
    EXPECT_EQ(body.turnRate, -9.0f);
}

TEST_F(RecorderPlayback, AHundredByteFilePlaysTwoRecordsAndIgnoresTheTrailingPiece) {
    const std::string path = writeRun("short.rec", {keyframe(1, 0), keyframe(2, 0)}, 28);
    Recorder recorder(path.c_str(), &body);
    OutputCapture out;
    recorder.startPlayback(false);
    recorder.step(false);
    EXPECT_EQ(appliedKeyframe(body), 1);
    recorder.step(false);
    EXPECT_EQ(appliedKeyframe(body), 2);
    EXPECT_EQ(recorder.state, Playing);
    recorder.step(false);
    EXPECT_TRUE(recorder.isIdle());
    EXPECT_EQ(appliedKeyframe(body), 2);
    EXPECT_EQ(out.finish(), "PLAYBACK (rec\\short.rec)\nEND (rec\\short.rec)\n");
}

TEST_F(RecorderPlayback, RecordsApplyOnePerStepWhenTheirTimeHasCome) {
    const std::string path =
        writeRun("timed.rec", {keyframe(1, 0), keyframe(2, 500), keyframe(3, 500), keyframe(4, 900), keyframe(5, 901)});
    Recorder recorder(path.c_str(), &body);
    OutputCapture out;
    recorder.startPlayback(false);
    recorder.step(false);
    EXPECT_EQ(appliedKeyframe(body), 1) << "a record at 0 applies in the first step";
    ManualClock::advance(499);
    recorder.step(false);
    EXPECT_EQ(appliedKeyframe(body), 1);
    EXPECT_TRUE(recorder.hasPending);
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
}

TEST_F(RecorderPlayback, TheRunClockSurvivesAWrapOfTheTickCounter) {
    ManualClock::install(0xffffff00u);
    const std::string path = writeRun("wrap.rec", {keyframe(1, 0), keyframe(2, 0x200)});
    Recorder recorder(path.c_str(), &body);
    OutputCapture out;
    recorder.startPlayback(false);
    recorder.step(false);
    ManualClock::advance(0x1ff);
    recorder.step(false);
    EXPECT_EQ(appliedKeyframe(body), 1);
    ManualClock::advance(1);
    recorder.step(false);
    EXPECT_EQ(appliedKeyframe(body), 2);
}

TEST_F(RecorderPlayback, ALoopingRunStartsAgainFromItsFirstRecordWithAFreshStartTime) {
    const std::string path = writeRun("loop.rec", {keyframe(1, 0), keyframe(2, 100)});
    Recorder recorder(path.c_str(), &body);
    OutputCapture out;
    recorder.startPlayback(true);
    recorder.step(false);
    ManualClock::advance(100);
    recorder.step(false);
    EXPECT_EQ(appliedKeyframe(body), 2);
    ManualClock::advance(5000);
    recorder.step(false);
    EXPECT_EQ(recorder.state, Playing);
    EXPECT_EQ(recorder.startTime, kStart + 5100);
    EXPECT_EQ(appliedKeyframe(body), 2) << "the step that reopens applies nothing";
    recorder.step(false);
    EXPECT_EQ(appliedKeyframe(body), 1);
    recorder.step(false);
    EXPECT_EQ(appliedKeyframe(body), 1) << "the second record waits 100 ms from the new start";
    EXPECT_EQ(out.finish(), "PLAYBACK (rec\\loop.rec)\nEND (rec\\loop.rec)\nPLAYBACK (rec\\loop.rec)\n");
}

TEST_F(RecorderPlayback, AMissingFileIsReportedAndLeavesTheRecorderIdle) {
    Recorder recorder("rec\\missing.rec", &body);
    OutputCapture out;
    recorder.startPlayback(false);
    recorder.step(false);
    recorder.startRecording();  // the folder "rec" does not exist either
    EXPECT_EQ(out.finish(), "\nunable to open file for playback\nunable to open file for recording");
    EXPECT_TRUE(recorder.isIdle());
    EXPECT_EQ(body.position.x, -1.0f);
}

TEST_F(RecorderPlayback, SteppingThroughAnOpenRunAllocatesNothing) {
    std::vector<RunRecord> run;
    for (int i = 0; i < 300; ++i) run.push_back(keyframe(i % 7, static_cast<uint32_t>(i) * 10));
    const std::string path = writeRun("long.rec", run);
    Recorder recorder(path.c_str(), &body);
    OutputCapture out;
    recorder.startPlayback(false);
    const size_t before = mallinfo2().uordblks;
    for (int i = 0; i < 250; ++i) {
        recorder.step(false);
        ManualClock::advance(10);
    }
    EXPECT_EQ(mallinfo2().uordblks, before);
    EXPECT_EQ(recorder.state, Playing);
}

class RecorderRecording : public RecorderPlayback {
protected:
    std::vector<RunRecord> readRun(const std::string& path) {
        const std::vector<uint8_t> bytes = readBinaryFile(path);
        std::vector<RunRecord> run;
        for (size_t at = 0; at + kRunRecordSize <= bytes.size(); at += kRunRecordSize) {
            run.push_back(decodeRunRecord(bytes.data() + at));
        }
        EXPECT_EQ(bytes.size() % kRunRecordSize, 0u);
        return run;
    }
};

TEST_F(RecorderRecording, TheStoredSpeedIsRecordedNegatedAndComesBackUnchanged) {
    body.speed = 2.5f;
    body.turnRate = 0.75f;
    body.heading = 370.0f;
    Recorder recorder("rec\\out.rec", &body);
    dir.file("rec/out.rec");  // makes the folder
    OutputCapture out;
    recorder.startRecording();
    ManualClock::advance(7);
    recorder.step(true);
    EXPECT_EQ(out.finish(), "RECORDING (rec\\out.rec)\n.\n7: t/w: -2.500000,0.750000");
    const std::vector<RunRecord> run = readRun(dir.file("rec/out.rec"));
    ASSERT_EQ(run.size(), 1u) << "each record reaches the file at once";
    EXPECT_EQ(run[0].forwardSpeed, -2.5f);
    EXPECT_EQ(run[0].turnRate, 0.75f);
    EXPECT_EQ(run[0].heading, 370.0f);
    EXPECT_EQ(run[0].timeMs, 7u);

    Body replayed;
    Recorder player("rec\\out.rec", &replayed);
    OutputCapture replay;
    player.startPlayback(false);
    player.step(false);
    EXPECT_EQ(replayed.speed, 0.0f) << "not due before 7 ms";
    ManualClock::advance(7);
    player.step(false);
    replay.finish();
    EXPECT_EQ(replayed.speed, 2.5f);
    EXPECT_EQ(replayed.turnRate, 0.75f);
    EXPECT_EQ(replayed.heading, 370.0f);
    EXPECT_EQ(replayed.position.x, -1.0f);
}

TEST_F(RecorderRecording, UnforcedRecordsAreMoreThanASecondApartCountedFromEachWrite) {
    dir.file("rec/x");
    Recorder recorder("rec\\timed.rec", &body);
    OutputCapture out;
    recorder.startRecording();
    ManualClock::advance(1000);
    recorder.step(false);
    ManualClock::advance(1);
    recorder.step(false);  // written at 1001
    ManualClock::advance(1000);
    recorder.step(false);  // 2001: only 1000 since the last write
    ManualClock::advance(1);
    recorder.step(false);  // written at 2002
    const std::string text = out.finish();
    EXPECT_EQ(text, "RECORDING (rec\\timed.rec)\n.\n1001: t/w: -0.000000,-9.000000.\n2002: t/w: -0.000000,-9.000000");
    const std::vector<RunRecord> run = readRun(dir.file("rec/timed.rec"));
    ASSERT_EQ(run.size(), 2u);
    EXPECT_EQ(run[0].timeMs, 1001u);
    EXPECT_EQ(run[1].timeMs, 2002u);
    EXPECT_EQ(recorder.lastWriteTime, kStart + 2002);
}

TEST_F(RecorderRecording, AnOldRecorderWritesAtItsFirstStepAndForcedWritesComeEveryStep) {
    dir.file("rec/x");
    Recorder recorder("rec\\forced.rec", &body);
    ManualClock::advance(5000);
    OutputCapture out;
    recorder.startRecording();
    recorder.step(false);
    recorder.step(false);
    recorder.step(true);
    recorder.step(true);
    out.finish();
    const std::vector<RunRecord> run = readRun(dir.file("rec/forced.rec"));
    ASSERT_EQ(run.size(), 3u);
    for (const RunRecord& record : run) EXPECT_EQ(record.timeMs, 0u);
}

TEST_F(RecorderRecording, APathLongerThan255CharactersIsKeptWhole) {
    const std::string relative =
        std::string(100, 'a') + "/" + std::string(100, 'b') + "/" + std::string(100, 'c') + ".rec";
    const std::string path = dir.file(relative);
    ASSERT_GT(path.size(), 300u);
    Recorder recorder(path.c_str(), &body);
    OutputCapture out;
    recorder.startRecording();
    recorder.step(true);
    Recorder player(path.c_str(), &body);
    player.startPlayback(false);
    const std::string text = out.finish();
    EXPECT_NE(text.find("RECORDING (" + path + ")\n"), std::string::npos);
    EXPECT_NE(text.find("PLAYBACK (" + path + ")\n"), std::string::npos);
    EXPECT_EQ(readBinaryFile(path).size(), kRunRecordSize);
}

TEST_F(RecorderRecording, AFailedWriteIsReportedOnceAndRecordingGoesOn) {
    Recorder recorder("/dev/full", &body);
    OutputCapture out;
    recorder.startRecording();
    for (int i = 0; i < 3; ++i) recorder.step(true);
    const std::string text = out.finish();
    const std::string line = "\nunable to write to /dev/full";
    const size_t first = text.find(line);
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_EQ(text.find(line, first + 1), std::string::npos) << text;
    EXPECT_EQ(recorder.state, Recording);
    size_t traces = 0;
    for (size_t at = text.find("t/w:"); at != std::string::npos; at = text.find("t/w:", at + 1)) ++traces;
    EXPECT_EQ(traces, 3u);
}

}  // namespace

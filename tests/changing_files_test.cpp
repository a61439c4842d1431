// Readers of files that are cut short after they were opened and before they are read, as a
// content pack rebuilt in place during a start-up cuts them: each ends as a read of the
// shorter file ends, with its own message or none, and never with a signal.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "assets/bitmap.h"
#include "assets/model.h"
#include "platform/files.h"
#include "platform/ticks.h"
#include "replay/recorder.h"
#include "support/files.h"
#include "support/gl_context.h"
#include "support/model_files.h"
#include "support/tiny_content.h"
#include "world/body.h"
#include "world/track.h"

namespace {

// The file to cut, by identity, and the length it is cut to the first time a reader opens it.
struct Cut {
    dev_t device = 0;
    ino_t inode = 0;
    off_t length = 0;
    std::string path;
    int times = 0;
};
Cut cut;

void cutWhenOpened(const char* path) {
    struct stat opened {};
    if (cut.times > 0 || stat(nativePath(path).c_str(), &opened) != 0) return;
    if (opened.st_dev != cut.device || opened.st_ino != cut.inode) return;
    ASSERT_EQ(truncate(cut.path.c_str(), cut.length), 0);
    ++cut.times;
}

class ChangingFile : public ::testing::Test {
  protected:
    // Writes bytes to name and has it cut to length when it is next opened.
    void writeAndCut(const std::string& name, const std::vector<uint8_t>& bytes, off_t length) {
        dir.write(name, bytes);
        struct stat info {};
        ASSERT_EQ(stat(dir.file(name).c_str(), &info), 0);
        cut = Cut{info.st_dev, info.st_ino, length, dir.file(name), 0};
        setOpenedFileHook(cutWhenOpened);
    }
    void TearDown() override {
        setOpenedFileHook(nullptr);
        setTickSource(nullptr);
    }

    TempDir dir;
};

std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

// A picture of many pages: a mapping of it cut to one page faults on the next row it reads.
TEST_F(ChangingFile, ABitmapCutWhileReadFailsAsTheShorterFileWithOneMessage) {
    const std::vector<uint8_t> picture = solidBmp(512, 512, 10, 200, 30);
    const std::pair<off_t, std::string> cases[] = {
        {4000, "Error: Image file conversion error.\n"},
        {static_cast<off_t>(picture.size()) - 1, "Error: Image file conversion error.\n"},
        {20, "Error: Image file conversion error.\n"},
        {0, "Error: Failed to open DIB file " + dir.file("tex/cut.bmp") + ".\n"},
    };
    for (const auto& [length, message] : cases) {
        SCOPED_TRACE(length);
        writeAndCut("tex/cut.bmp", picture, length);
        OutputCapture captureErr(2);
        const auto image = loadBitmap(dir.file("tex/cut.bmp").c_str());
        EXPECT_EQ(captureErr.finish(), message);
        EXPECT_EQ(image, nullptr);
        EXPECT_EQ(cut.times, 1);
    }
    // Uncut, the same picture reads whole.
    dir.write("tex/cut.bmp", picture);
    const auto image = loadBitmap(dir.file("tex/cut.bmp").c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->data.size(), 512u * 512u * 3u);
}

// Both readers of a model: what was read before the cut is kept, as for a file that ends there.
TEST_F(ChangingFile, AModelCutWhileReadKeepsWhatWasReadBeforeTheCut) {
    const std::string both = modelText({plate(100), plate(200)});
    // Cut inside the second object's faces.
    const off_t inSecond = static_cast<off_t>(both.rfind("NEXT\n"));

    writeAndCut("models/track.ascii", bytesOf(both), inSecond);
    auto track = std::make_unique<Track>();
    OutputCapture captureOut(1);
    EXPECT_TRUE(track->readTriangles(dir.file("models/track.ascii").c_str()));
    EXPECT_EQ(captureOut.finish(), "Track Init...OK\n");
    EXPECT_EQ(cut.times, 1);
    EXPECT_EQ(track->triangleCount, 1);

    ensureGlContext(64, 64);
    dir.write("tex/grid.bmp", solidBmp(4, 4, 255, 0, 0));
    writeAndCut("models/model.ascii", bytesOf(both), inSecond);
    ScopedCwd cwd(dir.path());
    OutputCapture loaderOut(1);
    const uint32_t list = loadModel("models\\model.ascii");
    const std::string transcript = loaderOut.finish();
    EXPECT_EQ(cut.times, 1);
    EXPECT_NE(list, 0u);
    EXPECT_NE(transcript.find("texture loaded"), std::string::npos) << transcript;
}

// Playback of a run cut after it was opened ends at the first record that is no longer whole.
TEST_F(ChangingFile, ARunCutWhileReadEndsAtTheLastWholeRecord) {
    ManualClock::install(1000);
    const std::vector<RunRecord> run = steadyRun(5, 100, Vec3{1, 2, 3}, 0, 0);
    writeAndCut("rec/run.rec", encodeRun(run), 2 * kRunRecordSize + 7);
    ScopedCwd cwd(dir.path());
    Body body;
    Recorder recorder("rec\\run.rec", &body);
    OutputCapture captureOut(1);
    recorder.startPlayback(false);
    int steps = 0;
    for (; !recorder.isIdle() && steps < 20; ++steps) {
        ManualClock::advance(100);
        recorder.step(false);
    }
    EXPECT_EQ(captureOut.finish(), "PLAYBACK (rec\\run.rec)\nEND (rec\\run.rec)\n");
    EXPECT_EQ(cut.times, 1);
    EXPECT_EQ(steps, 3);  // two records, then the end
}

}  // namespace

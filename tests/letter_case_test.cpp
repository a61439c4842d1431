// File names found as on the system the packs are made on: exact first, then each name of
// the path without regard to ASCII letter case, the byte-wise first of several with one
// warning.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "platform/files.h"
#include "replay/recorder.h"
#include "support/files.h"
#include "world/body.h"

TEST(LetterCase, EachNameOfAPathIsMatchedWithoutRegardToLetterCaseWhereTheExactOneIsMissing) {
    TempDir dir;
    for (const char* file :
         {"MODELS/Track.ascii", "tex/DS21.bmp", "tex/ds21.BMP.old", "Rec/record0.rec",
          "rec/record0.rec", "rec/record9.rec", "deep/Er/File", "Ü/a"})
        dir.write(file, file);
    const ScopedCwd cwd(dir.path());
    // Asked for, found (a name that matches nothing stays as written, with what follows it).
    const std::pair<const char*, const char*> cases[] = {
        {"models\\track.ascii", "MODELS/Track.ascii"},
        {"Models/TRACK.ASCII", "MODELS/Track.ascii"},
        {"tex\\ds21.bmp", "tex/DS21.bmp"},
        {"TEX\\Ds21.Bmp", "tex/DS21.bmp"},
        {"rec\\record0.rec", "rec/record0.rec"},  // the exact name, though Rec/ also holds one
        {"rec\\RECORD9.REC", "rec/record9.rec"},  // each name exact first: rec/, not Rec/
        {"DEEP//er/./FILE", "deep/Er/./File"},
        {"models\\none.ascii", "MODELS/none.ascii"},
        {"nowhere/Track.ascii", "nowhere/Track.ascii"},
        {"ü/a", "ü/a"},  // only ASCII letters have another case here
        {"", ""},
    };
    for (const auto& [asked, found] : cases) EXPECT_EQ(resolvePath(asked), found) << asked;
    const std::string absolute = dir.path() + "/models/TRACK.ascii";
    EXPECT_EQ(resolvePath(absolute.c_str()), dir.path() + "/MODELS/Track.ascii");

    std::string reason;
    const int fd = openRegularFile("Models\\Track.ASCII", &reason);
    ASSERT_GE(fd, 0) << reason;
    char text[32] = {};
    EXPECT_EQ(read(fd, text, sizeof text - 1), 18);
    EXPECT_STREQ(text, "MODELS/Track.ascii");
    close(fd);
    EXPECT_LT(openRegularFile("models\\none.ascii", &reason), 0);
    EXPECT_EQ(reason, "No such file or directory");
}

TEST(LetterCase, OfSeveralNamesThatDifferOnlyInCaseTheBytewiseFirstIsTakenWithOneWarning) {
    TempDir dir;
    for (const char* file : {"tex/smoke.bmp", "tex/Smoke.bmp", "tex/SMOKE.bmp"})
        dir.write(file, file);
    const ScopedCwd cwd(dir.path());
    OutputCapture err(2);
    for (int i = 0; i < 3; ++i) {
        FILE* file = openRegularStream("tex\\SMOKE.BMP");
        ASSERT_NE(file, nullptr);
        char text[16] = {};
        EXPECT_EQ(std::fread(text, 1, sizeof text - 1, file), 13u);
        EXPECT_STREQ(text, "tex/SMOKE.bmp");  // 'M' (0x4d) before 'm' (0x6d)
        std::fclose(file);
    }
    EXPECT_EQ(err.finish(),
              "Warning: tex\\SMOKE.BMP: 3 names in tex differ only in letter case (SMOKE.bmp, "
              "Smoke.bmp, smoke.bmp); taking SMOKE.bmp\n");
}

// A recording goes where the system packs are made on would put it: into the folder of
// another case, over the file of another case.
TEST(LetterCase, AFileWrittenByNameReplacesTheOneOfAnotherCaseOrIsMadeInTheFolderFound) {
    TempDir dir;
    dir.write("REC/Record5.rec", "old");
    const ScopedCwd cwd(dir.path());
    Body body;
    Recorder over("rec\\record5.rec", &body);
    Recorder fresh("rec\\record6.rec", &body);
    OutputCapture out;
    over.startRecording();
    over.step(true);
    fresh.startRecording();
    out.finish();
    EXPECT_EQ(readBinaryFile(dir.file("REC/Record5.rec")).size(), kRunRecordSize);
    EXPECT_EQ(access(dir.file("REC/record6.rec").c_str(), F_OK), 0);
    EXPECT_NE(access(dir.file("rec").c_str(), F_OK), 0);
}

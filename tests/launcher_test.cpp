// The launcher's answers before it starts the demo: a folder that is no pack is one line
// and status 1, whatever PATH holds; a pack in any letter case is taken. (Started from an
// installation it reaches playback: tests/install_test.sh.)
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/files.h"
#include "support/process.h"

TEST(Launcher, AFolderThatHoldsNoPackIsOneLineAndStatusOneBeforeAnyWindow) {
    TempDir dir;
    dir.write("file", std::string("not a folder"));
    mkdir(dir.file("empty").c_str(), 0755);
    dir.write("lower/models/landscape.ascii", std::string("START\n"));
    dir.write("upper/AUDIO/MUSIC.MP3", std::string("music"));
    // Folder given, status, standard error. A folder of the pack's files passes the
    // launcher's checks; the demo it then starts is missing in the build tree.
    const std::string none =
        "audio/music.mp3, models/track.ascii, models/landscape.ascii, models/ds21.ascii, "
        "models/r5.ascii, tex/clouds.bmp, tex/smoke.bmp, rec/record0.rec, rec/record1.rec, "
        "rec/record2.rec";
    const std::tuple<std::string, int, std::string> cases[] = {
        {"/nonexistent/pack", 1,
         "zorvex: /nonexistent/pack: cannot play a pack from it: No such file or directory\n"},
        {dir.file("file"), 1,
         "zorvex: " + dir.file("file") + ": cannot play a pack from it: Not a directory\n"},
        {dir.file("empty"), 1,
         "zorvex: " + dir.file("empty") + " holds none of the pack's files (" + none + ")\n"},
        {dir.file("lower"), 1, "zorvex: cannot start the demo program "},
        {dir.file("upper"), 1, "zorvex: cannot start the demo program "},
    };
    for (const auto& [folder, status, message] : cases) {
        for (const std::vector<std::string>& argv :
             {std::vector<std::string>{ZORVEX_LAUNCHER_BIN, "--data", folder, "ask"},
              {ZORVEX_LAUNCHER_BIN, "--data=" + folder}}) {
            std::string out, err;
            EXPECT_EQ(runProgram(argv, dir.path(), out, err, {"PATH="}), status) << folder;
            EXPECT_EQ(err.substr(0, message.size()), message) << folder;
            EXPECT_EQ(out, "");
        }
    }
}

TEST(Launcher, TakesItsOptionsOnlyBeforeTheDemosArguments) {
    std::string out, err;
    EXPECT_EQ(runProgram({ZORVEX_LAUNCHER_BIN, "--data"}, "", out, err), 2);
    EXPECT_EQ(err, "zorvex: --data needs a folder\nusage: zorvex [--data DIR] [ARGUMENT...]\n");
    EXPECT_EQ(runProgram({ZORVEX_LAUNCHER_BIN, "--help"}, "", out, err), 0);
    EXPECT_EQ(out.rfind("Usage: zorvex [--data DIR] [ARGUMENT...]\n", 0), 0u) << out;
    EXPECT_NE(out.find("  --data DIR "), std::string::npos) << out;
}

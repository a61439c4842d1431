// The real zorvex program with one of its files replaced by a FIFO, a device or a folder:
// every reader refuses it at once, in the words it uses for a file that cannot be opened,
// and nothing waits for ever (a case that would hang fails by its own timeout).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "assets/pack_files.h"
#include "support/files.h"
#include "support/process.h"
#include "support/tiny_content.h"

namespace {

enum class Special { Fifo, DevNull, DevZero, Folder };

struct Case {
    const char* file;
    Special special;
    const char* needle;  // in standard output and error together
    bool exits;          // with status 1; otherwise the demo must go on past the needle
};

void makeSpecial(const std::string& path, Special special) {
    std::remove(path.c_str());
    switch (special) {
        case Special::Fifo:
            ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
            break;
        case Special::DevNull:
            ASSERT_EQ(symlink("/dev/null", path.c_str()), 0);
            break;
        case Special::DevZero:
            ASSERT_EQ(symlink("/dev/zero", path.c_str()), 0);
            break;
        case Special::Folder:
            ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
            break;
    }
}

}  // namespace

TEST(SpecialFiles, EveryReaderRefusesWhatIsNotARegularFileWithoutWaiting) {
    ChildProcess server(
        {"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
        "");
    ASSERT_TRUE(server.waitForOutput("\n", 10000)) << "Xvfb did not start: " << server.err;
    const std::string display = "DISPLAY=:" + server.out.substr(0, server.out.find('\n'));
    const Case cases[] = {
        {kTrackModelFile, Special::Folder,
         "Error: cannot open model file models/track.ascii: Is a directory\n", true},
        {kDs21ModelFile, Special::Fifo,
         "Error: cannot open model file models/ds21.ascii: not a regular file\n", true},
        {kR5ModelFile, Special::DevNull,
         "Error: cannot open model file models/r5.ascii: not a regular file\n", true},
        {kSkyBitmapFile, Special::Fifo, "Error: Failed to open DIB file tex\\clouds.bmp.\n", true},
        {kDs21RunFile, Special::Fifo, "\nunable to open file for playback", false},
        {kR5RunFile, Special::DevZero, "\nunable to open file for playback", false},
        {kMusicFile, Special::Fifo, "Track Init...", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempDir dir;
        TinyContent content;
        content.cameraRun = content.ds21Run = content.r5Run =
            steadyRun(2, 400, Vec3{0, 0, 0}, 0, 0);
        writeTinyContent(dir, content);
        makeSpecial(dir.file(c.file), c.special);
        ChildProcess demo({ZORVEX_BIN}, dir.path(), {"SDL_AUDIODRIVER=dummy", display});
        if (c.exits) {
            EXPECT_EQ(demo.waitExit(20000), 1);
            EXPECT_NE((demo.out + demo.err).find(c.needle), std::string::npos)
                << demo.out << demo.err;
            // A folder as the track says at once that it cannot be opened, never "OK" first.
            if (c.special == Special::Folder) {
                EXPECT_EQ(demo.out.find("Track Init...OK"), std::string::npos) << demo.out;
            }
        } else {
            EXPECT_TRUE(demo.waitForOutput(c.needle, 20000)) << demo.out << demo.err;
            EXPECT_TRUE(demo.waitForOutput("PLAYBACK (rec\\record0.rec)", 20000))
                << demo.out << demo.err;
        }
    }
}

// A pack as made on Windows: every folder and file name in another letter case, model files
// with CR LF line ends, texture lines in a third case. The demo, its capture and the checker
// take it exactly as the generated pack it was made from.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <sstream>

#include "support/files.h"
#include "support/process.h"

namespace {

const std::string kGenerated = std::string(ZORVEX_BINARY_DIR) + "/content";

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// "track.bmp" -> "Track.bmp"
std::string capitalised(std::string text) {
    if (!text.empty())
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

// A model's text with CR LF line ends and each texture line "tex\name.bmp" as "Tex\NAME.BMP".
std::string windowsModel(const std::string& text) {
    std::istringstream in(text);
    std::string out;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("tex\\", 0) == 0) line = "Tex\\" + upper(line.substr(4));
        out += line + "\r\n";
    }
    return out;
}

// The generated pack's four folders, written into dir as Windows would hold them: folders
// in upper case ("MODELS"), files capitalised ("Track.ascii").
void writeWindowsPack(const TempDir& dir) {
    for (const char* folder : {"models", "tex", "rec", "audio"}) {
        DIR* listing = opendir((kGenerated + "/" + folder).c_str());
        ASSERT_NE(listing, nullptr) << folder;
        while (const dirent* entry = readdir(listing)) {
            const std::string name = entry->d_name;
            if (name[0] == '.') continue;
            const std::string from = kGenerated + "/" + folder + "/" + name;
            const std::string to = upper(folder) + "/" + capitalised(name);
            if (std::string(folder) == "models")
                dir.write(to, windowsModel(readTextFile(from)));
            else
                dir.write(to, readBinaryFile(from));
        }
        closedir(listing);
    }
}

// The lines that name what was loaded and played, texture names folded to lower case.
std::vector<std::string> namedFiles(const std::string& transcript) {
    std::vector<std::string> named;
    std::istringstream in(transcript);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("texture loaded", 0) == 0) {
            for (char& c : line) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            named.push_back(line);
        } else if (line.rfind("loading ", 0) == 0 || line.rfind("PLAYBACK (", 0) == 0) {
            named.push_back(line);
        }
    }
    return named;
}

// The demo's standard output up to the first start of the runs.
std::string demoTranscript(const std::string& pack) {
    ChildProcess demo({ZORVEX_BIN}, pack);
    EXPECT_TRUE(demo.waitForOutput("PLAYBACK (rec\\record2.rec)", 120000)) << demo.out << demo.err;
    EXPECT_EQ(demo.err, "") << pack;
    return demo.out;
}

}  // namespace

TEST(WindowsPack, TheCheckerFindsNothingAndTheDemoNamesTheSameModelsAndRuns) {
    TempDir dir;
    writeWindowsPack(dir);
    ASSERT_EQ(access(dir.file("MODELS/Track.ascii").c_str(), F_OK), 0);
    std::string out, err;
    EXPECT_EQ(runProgram({ZORVEX_PACK_BIN, "check", dir.path()}, "", out, err), 0) << err;
    EXPECT_EQ(out, dir.path() + ": 0 errors, 0 warnings\n");

    const std::vector<std::string> generated = namedFiles(demoTranscript(kGenerated));
    const std::vector<std::string> windows = namedFiles(demoTranscript(dir.path()));
    EXPECT_GT(generated.size(), 15u);
    EXPECT_EQ(windows, generated);
}

TEST(WindowsPack, ItsCaptureIsByteIdenticalToTheGeneratedPacks) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    TempDir dir, frames;
    writeWindowsPack(dir);
    for (const std::string& pack : {kGenerated, dir.path()}) {
        const std::string outDir = frames.file(pack == kGenerated ? "generated" : "windows");
        std::string out, err;
        ASSERT_EQ(runProgram({ZORVEX_CAPTURE_BIN, "--content", pack, "--out", outDir, "--fps", "30",
                              "--frames", "8", "--size", "160x120", "--no-video"},
                             frames.path(), out, err),
                  0)
            << err;
    }
    for (int n = 1; n <= 8; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%05d.png", n);
        const std::vector<uint8_t> expected = readBinaryFile(frames.file("generated") + name);
        ASSERT_GT(expected.size(), 1000u) << name;
        EXPECT_EQ(readBinaryFile(frames.file("windows") + name), expected) << name;
    }
}

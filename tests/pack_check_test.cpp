// zorvex-pack check on real packs: the generated one is clean; each broken pack, one fault
// each, gets its finding at the right file, line and severity, and the demo itself, run on
// the same pack, does what the finding says; the fuzz corpora pass through it unharmed.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <functional>
#include <sstream>

#include "support/files.h"
#include "support/model_files.h"
#include "support/process.h"
#include "support/tiny_content.h"

namespace {

int check(const std::string& dir, std::string& out, std::string& err) {
    return runProgram({ZORVEX_PACK_BIN, "check", dir}, "", out, err, {}, {}, 120000);
}

std::string readText(const TempDir& dir, const std::string& file) {
    return readTextFile(dir.file(file));
}

void replaceIn(const TempDir& dir, const std::string& file, const std::string& from,
               const std::string& to) {
    std::string text = readText(dir, file);
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from << " in " << file;
    dir.write(file, text.replace(at, from.size(), to));
}

// A small pack that checks clean: the test content with the cars standing on the track, a
// smoke image whose black is its transparent part, and music.
void writeCleanPack(const TempDir& dir) {
    static const std::vector<uint8_t> music = [] {
        TempDir made;
        writeToneMp3(made, "music.mp3");
        return readBinaryFile(made.file("music.mp3"));
    }();
    TinyContent content;
    dir.write("audio/music.mp3", music);
    content.cameraRun = steadyRun(3, 1000, Vec3{0, 3, 1}, 0, 0);
    content.ds21Run = steadyRun(3, 1000, Vec3{0, 0, 0}, 0, 0);
    content.r5Run = steadyRun(3, 1000, Vec3{1, 0, 0}, 90, 0);
    writeTinyContent(dir, content);
    const uint8_t black[3] = {0, 0, 0}, white[3] = {255, 255, 255};
    dir.write("tex/smoke.bmp", gradientBmp(8, 8, black, white));
}

// One object of the test content's track, repeated.
std::string repeated(const std::string& object, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += object;
    return text;
}

void writeRun(const TempDir& dir, const std::string& file, const std::vector<RunRecord>& run) {
    dir.write(file, encodeRun(run));
}

struct BrokenPack {
    const char* fault;
    std::function<void(const TempDir&)> spoil;
    std::function<std::string(const TempDir&)> finding;  // how the line starts
    const char* says;                                    // and a piece of it
    int demoStatus;        // 1: the demo ends with status 1; 0: it plays; -1: not run
    const char* demoSays;  // a piece of its standard output or error then
};

// "FILE:LINE: error: " for a line counted in the spoilt file.
std::function<std::string(const TempDir&)> at(const std::string& file, size_t line,
                                              const char* severity = "error") {
    return [=](const TempDir&) {
        return file + (line ? ":" + std::to_string(line) : "") + ": " + severity + ": ";
    };
}

const std::vector<BrokenPack>& brokenPacks() {
    // The test content's track and landscape are one object of 52 lines: START, a name, the
    // texture, 12 position lines and NEXT, 12 normal lines and NEXT, 8 texture-coordinate
    // lines and NEXT, 6 index lines and NEXT, 6 face lines, END. Each car is one object of
    // 228 lines: 20 vertices, 20 normals, 20 texture coordinates, 10 faces.
    static const std::vector<BrokenPack> packs = {
        {"missing model",
         [](const TempDir& d) { std::remove(d.file("models/ds21.ascii").c_str()); },
         at("models/ds21.ascii", 0), "missing", 1,
         "cannot open model file models/ds21.ascii: No such file or directory"},
        {"texture named with backslashes in one file name",
         [](const TempDir& d) {
             // Spelled out: TempDir::file reads a backslash as a folder.
             std::rename(d.file("tex/r5.bmp").c_str(), (d.path() + "/tex\\r5.bmp").c_str());
         },
         at("models/r5.ascii", 3),
         "\"tex\\r5.bmp\": missing; \"tex\\r5.bmp\" would serve on the system packs are made on "
         "(one file whose name holds its folders",
         1, "Failed to open DIB file tex\\r5.bmp."},
        {"model that is a folder",
         [](const TempDir& d) {
             std::remove(d.file("models/landscape.ascii").c_str());
             mkdir(d.file("models/landscape.ascii").c_str(), 0755);
         },
         at("models/landscape.ascii", 0), "not a regular file (Is a directory)", 1,
         "models/landscape.ascii: Is a directory"},
        {"keyword in other case",
         [](const TempDir& d) { replaceIn(d, "models/landscape.ascii", "NEXT\n", "next\n"); },
         at("models/landscape.ascii", 16), "\"next\" is not the keyword NEXT", -1, ""},
        {"101 objects",
         [](const TempDir& d) {
             d.write("models/r5.ascii", repeated(readText(d, "models/r5.ascii"), 101));
         },
         at("models/r5.ascii", 100 * 228 + 3), "at most 100 objects", 1,
         "too many textures for this object"},
        {"xxx on the first object",
         [](const TempDir& d) { replaceIn(d, "models/ds21.ascii", "tex\\ds21.bmp", "xxx"); },
         at("models/ds21.ascii", 3), "the first object's texture is \"xxx\"", 1,
         "at least first texture needs to be specified!"},
        {"section over 3000 entries",
         [](const TempDir& d) {
             replaceIn(d, "models/landscape.ascii", "NEXT\n",
                       repeated("1\n2\n3\n", 2997) + "NEXT\n");
         },
         at("models/landscape.ascii", 3 + 3001 * 3), "more than 3000 positions", 0,
         "too many verts"},
        {"face count over 3000",
         [](const TempDir& d) {
             replaceIn(d, "models/ds21.ascii", "END\n", repeated("0\n1\n2\n", 2991) + "END\n");
         },
         at("models/ds21.ascii", 227 + 2991 * 3), "has more than 3000 faces", 0, "too many verts"},
        {"vertex index 3000 on the track",
         [](const TempDir& d) { replaceIn(d, "models/track.ascii", "END\n", "0\n3000\n1\nEND\n"); },
         at("models/track.ascii", 54), "vertex index of 3000 or more", 0, "too many verts"},
        {"index outside the object",
         [](const TempDir& d) {
             replaceIn(d, "models/ds21.ascii", "16\n17\n18\n16\n18\n19\nEND",
                       "16\n17\n20\n16\n18\n19\nEND");
         },
         at("models/ds21.ascii", 224),
         "faces left out for naming an entry their object does not hold: 1 (the first: object 1, "
         "face 9)",
         0, "1 faces with an index outside their object were left out (first: object 1, face 9)"},
        {"texture path longer than a line",
         [](const TempDir& d) {
             replaceIn(d, "models/landscape.ascii", "tex\\grass.bmp",
                       "tex\\" + std::string(260, 'g') + ".bmp");
         },
         at("models/landscape.ascii", 3), "cutting the texture path in two", 1,
         "Failed to open DIB file tex\\ggg"},
        {"number beyond the float range",
         [](const TempDir& d) {
             replaceIn(d, "models/r5.ascii", "object\ntex\\r5.bmp\n-40\n",
                       "object\ntex\\r5.bmp\n1e39\n");
         },
         at("models/r5.ascii", 4), "\"1e39\" is beyond the 32-bit float range: faces that use it",
         0, "a number beyond the 32-bit float range were left out"},
        {"file ending inside an object",
         [](const TempDir& d) {
             const std::string text = readText(d, "models/landscape.ascii");
             d.write("models/landscape.ascii", text.substr(0, text.size() - 10));
         },
         at("models/landscape.ascii", 48), "the file ends inside object 1, before its END", 0,
         "models\\landscape.ascii: the file ends inside object 1, at line 48"},
        {"text after the model's end",
         [](const TempDir& d) {
             d.write("models/ds21.ascii", readText(d, "models/ds21.ascii") + "spare\n");
         },
         at("models/ds21.ascii", 229, "warning"), "the rest of the file is never read", -1, ""},
        {"bitmap the reader refuses",
         [](const TempDir& d) { d.write("tex/grass.bmp", std::string("not a bitmap at all")); },
         at("tex/grass.bmp", 0), "\"Unknown DIB file format.\"", 1, "Unknown DIB file format."},
        {"side that is not a power of two",
         [](const TempDir& d) { d.write("tex/road.bmp", solidBmp(12, 8, 90, 90, 90)); },
         at("tex/road.bmp", 0, "warning"), "12 x 8 has a side that is not a power of two", -1, ""},
        {"smoke without pure black",
         [](const TempDir& d) { d.write("tex/smoke.bmp", solidBmp(8, 8, 200, 200, 200)); },
         at("tex/smoke.bmp", 0, "warning"), "nothing of the smoke is transparent", -1, ""},
        // Three objects of 1500 faces, 9040 lines each: the surface takes the first two.
        {"track over its 3000 triangles",
         [](const TempDir& d) {
             std::string object = readText(d, "models/track.ascii");
             const std::string quad = "0\n1\n2\n0\n2\n3\n";
             const std::string many = repeated(quad, 750);
             for (size_t at = object.find(quad); at != std::string::npos;
                  at = object.find(quad, at + many.size()))
                 object.replace(at, quad.size(), many);
             d.write("models/track.ascii", repeated(object, 3));
         },
         at("models/track.ascii", 2 * 9040 + 38 + 4501 + 3),
         "the track's surface holds 3000 triangles: 1500 faces from here on", -1, ""},
        {"car driven off the track",
         [](const TempDir& d) {
             writeRun(d, "rec/record1.rec", steadyRun(2, 5000, Vec3{0, 0, 0}, 0, 2.0f));
         },
         at("rec/record1.rec", 0, "warning"),
         "record 1 (0.00 s): the ds21 car leaves the track surface 2.0", -1, ""},
        {"partial last record",
         [](const TempDir& d) {
             d.write("rec/record2.rec", readText(d, "rec/record2.rec") + "0123456789");
         },
         at("rec/record2.rec", 0, "warning"), "10 bytes after record 3 make no whole record", -1,
         ""},
        {"times that go backwards",
         [](const TempDir& d) {
             std::vector<RunRecord> run = steadyRun(3, 1000, Vec3{0, 3, 1}, 0, 0);
             run[2].timeMs = 500;
             writeRun(d, "rec/record0.rec", run);
         },
         at("rec/record0.rec", 0, "warning"), "record 3 (0.50 s) is earlier than record 2 (1.00 s)",
         -1, ""},
        {"wait over a minute",
         [](const TempDir& d) {
             writeRun(d, "rec/record0.rec", steadyRun(2, 70000, Vec3{0, 3, 1}, 0, 0));
         },
         at("rec/record0.rec", 0, "warning"), "record 2 (70.00 s) comes 70.00 s after", -1, ""},
        {"value that is not a finite number",
         [](const TempDir& d) {
             std::vector<RunRecord> run = steadyRun(3, 1000, Vec3{1, 0, 0}, 90, 0);
             run[1].position.x = NAN;
             writeRun(d, "rec/record2.rec", run);
         },
         at("rec/record2.rec", 0), "record 2 (1.00 s): its position x is not a finite number", -1,
         ""},
        // Ten hours of records a minute apart: the walk stops at its two million steps.
        {"run longer than the checker follows",
         [](const TempDir& d) {
             writeRun(d, "rec/record1.rec", steadyRun(600, 60000, Vec3{0, 0, 0}, 0, 0));
         },
         at("rec/record1.rec", 0, "warning"),
         "the track surface was followed up to record 534 (31980.00 s) only", -1, ""},
        {"music the sound library cannot open",
         [](const TempDir& d) { d.write("audio/music.mp3", std::string(4000, 'x')); },
         at("audio/music.mp3", 0, "warning"), "the sound library cannot play it", 0,
         "PLAYBACK (rec\\record2.rec)"},
        {"two names that differ only in letter case",
         [](const TempDir& d) {
             std::rename(d.file("tex/smoke.bmp").c_str(), d.file("tex/Smoke.bmp").c_str());
             d.write("tex/SMOKE.bmp", readText(d, "tex/Smoke.bmp"));
         },
         at("tex/SMOKE.bmp", 0, "warning"),
         "\"tex\\smoke.bmp\": 2 names in \"tex\" differ only in letter case (SMOKE.bmp, "
         "Smoke.bmp); the demo takes \"SMOKE.bmp\"",
         0, "2 names in tex differ only in letter case (SMOKE.bmp, Smoke.bmp); taking SMOKE.bmp"},
        {"missing run", [](const TempDir& d) { std::remove(d.file("rec/record0.rec").c_str()); },
         at("rec/record0.rec", 0), "missing", 0, "\nunable to open file for playback"},
    };
    return packs;
}

// The demo on the pack: its status and what it printed, or -2 while it plays on.
int runDemo(const TempDir& dir, std::string& said, int expected) {
    ChildProcess demo({ZORVEX_BIN}, dir.path());
    if (expected == 1) {
        const int status = demo.waitExit(60000);
        said = demo.out + demo.err;
        return status;
    }
    demo.waitForOutput("PLAYBACK (rec\\record2.rec)", 60000);
    said = demo.out + demo.err;
    return demo.waitExit(0) == -1 ? 0 : -2;
}

// Checks every broken pack whose finding is about a model file (or every other one), runs
// the demo on it where the finding says what the demo does.
void checkBrokenPacks(bool models) {
    for (const BrokenPack& pack : brokenPacks()) {
        if ((pack.finding(TempDir()).rfind("models/", 0) == 0) != models) continue;
        SCOPED_TRACE(pack.fault);
        TempDir dir;
        writeCleanPack(dir);
        pack.spoil(dir);
        std::string out, err;
        const int status = check(dir.path(), out, err);
        const std::string start = pack.finding(dir);
        const bool error = start.find(": error: ") != std::string::npos;
        EXPECT_EQ(status, error ? 1 : 0) << out << err;
        bool found = false;
        std::istringstream report(out);
        for (std::string line; std::getline(report, line);)
            found =
                found || (line.rfind(start, 0) == 0 && line.find(pack.says) != std::string::npos);
        EXPECT_TRUE(found) << start << "..." << pack.says << "\n" << out;
        EXPECT_NE(out.find(dir.path() + ": "), std::string::npos) << "no summary line";
        if (pack.demoStatus < 0) continue;
        std::string said;
        EXPECT_EQ(runDemo(dir, said, pack.demoStatus), pack.demoStatus) << said;
        EXPECT_NE(said.find(pack.demoSays), std::string::npos) << said;
    }
}

}  // namespace

TEST(PackCheck, TheGeneratedPackAndTheSmallTestPackAreClean) {
    std::string out, err;
    const std::string generated = std::string(ZORVEX_BINARY_DIR) + "/content";
    EXPECT_EQ(check(generated, out, err), 0) << err;
    EXPECT_EQ(out, generated + ": 0 errors, 0 warnings\n");
    EXPECT_EQ(err, "");
    TempDir dir;
    writeCleanPack(dir);
    EXPECT_EQ(check(dir.path(), out, err), 0) << out << err;
    EXPECT_EQ(out, dir.path() + ": 0 errors, 0 warnings\n");
}

TEST(PackCheck, EachModelFaultIsFoundAtItsLineAndTheDemoBehavesAsTheFindingSays) {
    checkBrokenPacks(true);
}

TEST(PackCheck, EachBitmapRunAndMusicFaultIsFoundAndTheDemoBehavesAsTheFindingSays) {
    checkBrokenPacks(false);
}

// Every seed of the fuzz targets, put where the demo reads that kind of file, is checked
// to its summary line: no crash, no hang, no sanitizer finding. Seeds share packs (four
// models, three runs, every bitmap named by one landscape), so the checker runs a dozen
// times rather than once a seed.
TEST(PackCheck, TheFuzzCorporaPassThroughTheChecker) {
    const auto seeds = [](const char* folder) {
        const std::string corpus = std::string(ZORVEX_SOURCE_DIR) + "/tests/corpus/" + folder;
        std::vector<std::string> paths;
        DIR* listing = opendir(corpus.c_str());
        while (const dirent* entry = listing ? readdir(listing) : nullptr)
            if (entry->d_name[0] != '.') paths.push_back(corpus + "/" + entry->d_name);
        if (listing) closedir(listing);
        return paths;
    };
    // Each pack: where each of its seeds goes.
    std::vector<std::vector<std::pair<std::string, std::string>>> packs;
    const auto share = [&packs](const std::vector<std::string>& paths,
                                const std::vector<std::string>& places) {
        for (size_t i = 0; i < paths.size(); ++i) {
            if (i % places.size() == 0) packs.emplace_back();
            packs.back().emplace_back(places[i % places.size()], paths[i]);
        }
    };
    share(seeds("model"),
          {"models/track.ascii", "models/landscape.ascii", "models/ds21.ascii", "models/r5.ascii"});
    share(seeds("recorder"), {"rec/record0.rec", "rec/record1.rec", "rec/record2.rec"});
    const std::vector<std::string> bitmaps = seeds("bitmap");
    std::vector<TestObject> named;
    for (size_t i = 0; i < bitmaps.size(); ++i)
        named.push_back(plate(0, "tex\\seed" + std::to_string(i) + ".bmp"));
    packs.emplace_back();
    for (size_t i = 0; i < bitmaps.size(); ++i)
        packs.back().emplace_back("tex/seed" + std::to_string(i) + ".bmp", bitmaps[i]);
    size_t placed = 0;
    for (const auto& seedsOfPack : packs) {
        TempDir dir;
        writeCleanPack(dir);
        std::string names;
        for (const auto& [place, seed] : seedsOfPack) {
            dir.write(place, readBinaryFile(seed));
            names += seed.substr(seed.rfind('/') + 1) + " ";
        }
        if (seedsOfPack.front().first.rfind("tex/", 0) == 0)
            dir.write("models/landscape.ascii", modelText(named));
        std::string out, err;
        const int status = check(dir.path(), out, err);
        EXPECT_TRUE(status == 0 || status == 1) << names << status << err;
        EXPECT_NE(out.find(dir.path() + ": "), std::string::npos) << names;
        placed += seedsOfPack.size();
    }
    EXPECT_GE(placed, 75u);
}

TEST(PackCheck, AFolderThatCannotBeEnteredOrABadCommandLineIsRefused) {
    std::string out, err;
    EXPECT_EQ(check("/nonexistent/pack", out, err), 1);
    EXPECT_EQ(err,
              "zorvex-pack: /nonexistent/pack: cannot check a pack there: No such file or "
              "directory\n");
    for (const std::vector<std::string>& argv : {std::vector<std::string>{ZORVEX_PACK_BIN},
                                                 {ZORVEX_PACK_BIN, "check"},
                                                 {ZORVEX_PACK_BIN, "verify", "."},
                                                 {ZORVEX_PACK_BIN, "check", ".", "."}}) {
        EXPECT_EQ(runProgram(argv, "", out, err), 2);
        EXPECT_NE(err.find("usage: zorvex-pack check DIR"), std::string::npos) << err;
    }
}

// zorvex-runs on real files: the dump's rows and warnings, the CSV round trip, the map,
// and the one-line errors for bad input.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "support/files.h"
#include "support/process.h"

namespace {

// One 36-byte record laid out by hand, little-endian, independent of the encoder.
std::vector<uint8_t> recordBytes(std::vector<float> floats, uint32_t timeMs) {
    std::vector<uint8_t> out;
    for (float value : floats) {
        uint32_t bits = 0;
        std::memcpy(&bits, &value, 4);
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    }
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(timeMs >> (8 * i)));
    return out;
}

float fromBits(uint32_t bits) {
    float value = 0;
    std::memcpy(&value, &bits, 4);
    return value;
}

std::vector<uint8_t> joined(const std::vector<std::vector<uint8_t>>& parts) {
    std::vector<uint8_t> out;
    for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// A flat 2 x 2 track around the origin in the ASCII model format (file units).
std::string squareTrack() {
    return "START\nsquare\ntex\\road.bmp\n"
           "-100\n-100\n0\n100\n-100\n0\n100\n100\n0\n-100\n100\n0\nNEXT\n"
           "0\n0\n100\n0\n0\n100\n0\n0\n100\n0\n0\n100\nNEXT\n"
           "0\n0\n1\n0\n1\n1\n0\n1\nNEXT\n0\n1\n2\n0\n2\n3\nNEXT\n0\n1\n2\n0\n2\n3\nEND\n";
}

class RunsToolTest : public ::testing::Test {
  protected:
    int runs(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {ZORVEX_RUNS_BIN};
        argv.insert(argv.end(), args.begin(), args.end());
        return runProgram(argv, dir.path(), out, err, {}, {}, 30000);
    }

    TempDir dir;
    std::string out;
    std::string err;
};

// Each run file's dump: its rows and the warnings playback would not give (and only those).
TEST_F(RunsToolTest, DumpShowsEveryRecordAndWarnsOfWhatPlaybackDoesNotSay) {
    std::vector<uint8_t> hundred =
        joined({recordBytes({1.5f, -2.25f, 0.125f, 3, -4, 90, 2.5f, 0.75f}, 1004),
                recordBytes({2, -3, 0.25f, 0, 0, 180, 3, 0}, 2010)});
    hundred.resize(100, 0xAB);
    std::vector<std::vector<uint8_t>> times;
    for (uint32_t time : {3000u, 2000u, 4000u, 4294967295u, 100u})
        times.push_back(recordBytes({0, 0, 0, 0, 0, 0, 1, 0}, time));
    struct DumpCase {
        std::vector<uint8_t> bytes;
        std::vector<std::string> needles;
        long warnings;
    };
    const DumpCase cases[] = {
        {{}, {"run.rec: 0 records, 0 bytes\n"}, 0},
        {hundred,
         {"run.rec: 2 records, 100 bytes\n",
          "\n    1       1004        -     1.5000    -2.2500     0.1250     3.000    -4.000     "
          "90.000    2.5000    0.7500\n",
          "\n    2       2010     1006     2.0000    -3.0000",
          "\nwarning: 28 trailing bytes after record 2 make no whole record; playback ignores "
          "them\n"},
         1},
        {joined(times),
         {"\n    2       2000    -1000",
          "\nwarning: record 2 (2000 ms) is earlier than record 1 (3000 ms)",
          "\nwarning: record 5 (100 ms) is earlier than record 4",
          "\nwarning: record 4 (4294967295 ms) comes 49.7 days after record 3: the run stands "
          "still that long, and the "
          "demo starts its runs again only after it\n"},
         3},
    };
    for (const DumpCase& c : cases) {
        dir.write("run.rec", c.bytes);
        ASSERT_EQ(runs({"dump", "run.rec"}), 0) << err;
        for (const std::string& needle : c.needles)
            EXPECT_NE(out.find(needle), std::string::npos) << needle << "\n" << out;
        // The title, the column heads, one row per record and one line per warning.
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'),
                  static_cast<long>(2 + c.bytes.size() / 36) + c.warnings)
            << out;
    }
}

TEST_F(RunsToolTest, CsvAndBackGiveTheSameBytesAndTheSameTextAndTheHeaderIsOptional) {
    const std::vector<uint8_t> original = joined(
        {recordBytes({0.1f, -0.0f, 1e-40f, FLT_MAX, -FLT_MIN, 123456.789f, 1.0f / 3.0f, -2.5e-7f},
                     0),
         recordBytes({16777217.0f, 3.14159274f, -1, 359.999f, 0, 7, 8, 9}, 4294967295u),
         recordBytes({fromBits(0x7f800001), fromBits(0xffc00000), fromBits(0x7fc00000),
                      fromBits(0xffffffff), fromBits(0x7f800000), fromBits(0xff800000), 0, 0},
                     1)});
    dir.write("a.rec", original);
    ASSERT_EQ(runs({"csv", "a.rec"}), 0) << err;
    const std::string csv = out;
    EXPECT_EQ(csv.substr(0, csv.find('\n')),
              "time_ms,x,y,z,pitch,roll,heading,forward_speed,turn_rate");
    dir.write("a.csv", csv);
    ASSERT_EQ(runs({"from-csv", "a.csv", "b.rec"}), 0) << err;
    EXPECT_EQ(readBinaryFile(dir.file("b.rec")), original);
    ASSERT_EQ(runs({"csv", "b.rec"}), 0) << err;
    EXPECT_EQ(out, csv);
    // The header is optional; blanks, empty lines and Windows line ends are read past, and
    // so is the byte-order mark a Windows editor puts first.
    for (const std::string& start : {std::string(), std::string("\xef\xbb\xbf"),
                                     std::string("\xef\xbb\xbftime_ms,x,y,z,pitch,roll,heading,"
                                                 "forward_speed,turn_rate\r\n")}) {
        dir.write("a.csv", start + "1000, 1, 2, 3, 4, 5, 6, 7, 8\r\n\r\n2000,1,2,3,4,5,6,7,8\r\n");
        ASSERT_EQ(runs({"from-csv", "a.csv", "b.rec"}), 0) << err;
        EXPECT_EQ(readBinaryFile(dir.file("b.rec")),
                  joined({recordBytes({1, 2, 3, 4, 5, 6, 7, 8}, 1000),
                          recordBytes({1, 2, 3, 4, 5, 6, 7, 8}, 2000)}));
    }
    // csv and dump write into a file as well as to standard output.
    ASSERT_EQ(runs({"csv", "a.rec", "--out", "c.csv"}), 0) << err;
    EXPECT_EQ(readTextFile(dir.file("c.csv")), csv);
    EXPECT_TRUE(out.empty()) << out;
    ASSERT_EQ(runs({"dump", "a.rec"}), 0) << err;
    const std::string listing = out;
    ASSERT_EQ(runs({"dump", "--out", "a.txt", "a.rec"}), 0) << err;
    EXPECT_EQ(readTextFile(dir.file("a.txt")), listing);
}

// Bad input is named in one line (for CSV with the line number), with exit status 1 and
// nothing written; a FIFO or a device is refused at once, never waited on or read for ever.
TEST_F(RunsToolTest, BadInputIsNamedInOneLineAndNothingIsWritten) {
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0644), 0);
    ASSERT_EQ(symlink("/dev/zero", dir.file("zero.rec").c_str()), 0);
    const std::vector<std::string> fromCsv = {"from-csv", "a.csv", "b.rec"};
    const std::vector<std::tuple<std::string, std::vector<std::string>, std::string>> cases = {
        {"0,1,2,3,4,5,6,7,8\n1,2,3\n", fromCsv, "a.csv:2: expected 9 fields, found 3"},
        {"4294967296,1,2,3,4,5,6,7,8\n", fromCsv,
         "a.csv:1: time_ms \"4294967296\" is not a whole number"},
        {"-1,1,2,3,4,5,6,7,8\n", fromCsv, "a.csv:1: time_ms \"-1\""},
        {"0,1,2,3,4,5,6,7,1e39\n", fromCsv, "a.csv:1: turn_rate \"1e39\" is not a 32-bit float"},
        {"0,1,2,x3,4,5,6,7,8\n", fromCsv, "a.csv:1: z \"x3\" is not a 32-bit float"},
        {"0,1,2,,4,5,6,7,8\n", fromCsv, "a.csv:1: z \"\""},
        {std::string("0\0x,1,2,3,4,5,6,7,8\n", 20), fromCsv,
         "a.csv:1: time_ms \"0\\x00x\" is not a whole number"},
        {"0,1,2,3,4,5,6,7,nan:0x7f800000\n", fromCsv,
         "a.csv:1: turn_rate \"nan:0x7f800000\" is not a 32-bit float"},
        {"0,1,2,3,4,5,6,7,8" + std::string(2000, ' ') + "x\n", fromCsv,
         "a.csv:1: the line is longer than 1000 characters"},
        // What a csv into a full disk left: no header, no record.
        {"", fromCsv, "a.csv: holds neither the header line nor a record"},
        {"\n \n", fromCsv, "a.csv: holds neither the header line nor a record"},
        {"0,1,2,3,4,5,6,7,8\n",
         {"from-csv", "a.csv", "no/such/folder/b.rec"},
         "no/such/folder/b.rec"},
        {"",
         {"from-csv", "missing.csv", "b.rec"},
         "missing.csv: cannot open: No such file or directory"},
        {"", {"from-csv", "fifo", "b.rec"}, "fifo: cannot open: not a regular file"},
        {"", {"dump", "fifo"}, "fifo: cannot open: not a regular file"},
        {"", {"csv", "zero.rec"}, "zero.rec: cannot open: not a regular file"},
        {"", {"csv", dir.path()}, dir.path() + ": cannot open: Is a directory"},
        {"",
         {"plot", "--track", "nothing.ascii", "--out", "b.rec", "a.csv"},
         "nothing.ascii: cannot open"},
        {"",
         {"plot", "--track", "fifo", "--out", "b.rec", "a.csv"},
         "fifo: cannot open: not a regular file"}};
    for (const auto& [csv, args, message] : cases) {
        dir.write("a.csv", csv);
        EXPECT_EQ(runs(args), 1) << message;
        EXPECT_NE(err.find(message), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(access(dir.file("b.rec").c_str(), F_OK), 0) << message;
    }
    EXPECT_EQ(runs({"dump"}), 2);
    EXPECT_NE(err.find("usage:"), std::string::npos) << err;
    EXPECT_EQ(runs({"plot", "--out", "map.png", "run.rec"}), 2);
}

TEST_F(RunsToolTest, PlotDrawsTheTrackAndTheRecordsWhereTheyAre) {
    dir.write("track.ascii", squareTrack());
    // A still record at the centre of the map, and a moving one near a corner.
    dir.write("run.rec", joined({recordBytes({0, 0, 0, 0, 0, 0, 0, 0}, 0),
                                 recordBytes({0.8f, 0.8f, 0, 0, 0, 45, 2, 0.1f}, 1500)}));
    ASSERT_EQ(runs({"plot", "--track", "track.ascii", "--out", "map.png", "--size", "101x101",
                    "run.rec"}),
              0)
        << err;
    EXPECT_NE(out.find("map.png: 101x101 map of 1 runs"), std::string::npos) << out;
    const std::string raw = dir.file("map.rgb");
    std::string shellOut, shellErr;
    runProgram({"/bin/sh", "-c", "convert map.png -depth 8 rgb:map.rgb"}, dir.path(), shellOut,
               shellErr);
    const std::vector<uint8_t> rgb = readBinaryFile(raw);
    ASSERT_EQ(rgb.size(), 101u * 101u * 3u) << shellErr;
    auto pixel = [&](int x, int y) {
        return std::vector<uint8_t>(rgb.begin() + (y * 101 + x) * 3,
                                    rgb.begin() + (y * 101 + x) * 3 + 3);
    };
    // Speed 0 is blue; the track around it is grey; outside the track the background shows.
    EXPECT_EQ(pixel(50, 50), (std::vector<uint8_t>{0, 0, 255}));
    EXPECT_EQ(pixel(30, 70)[0], pixel(30, 70)[1]);
    EXPECT_GT(pixel(30, 70)[0], 90);
    EXPECT_LT(pixel(0, 0)[0], 60);
}

// Kept step by step, a minute of dead reckoning after each of 4000 records would be 24
// million points.
TEST_F(RunsToolTest, PlotCostsThePictureAndTheRecordsNotTheGapsAndLeavesOutWhatIsNotANumber) {
    std::string track = squareTrack();
    track.replace(track.find("\n100\n-100\n"), 4, "\ninf");
    dir.write("track.ascii", track);
    std::vector<std::vector<uint8_t>> records;
    for (uint32_t i = 0; i < 4000; ++i)
        records.push_back(recordBytes({0.5f, 0, 0, 0, 0, 0, 1, 0.05f}, i * 61000));
    records[10] = recordBytes({NAN, 0, 0, 0, 0, 0, 1, 0}, 610000);
    records[20] = recordBytes({0, 0, 0, 0, 0, 0, INFINITY, 0}, 1220000);
    dir.write("run.rec", joined(records));
    ASSERT_EQ(runs({"plot", "--track", "track.ascii", "--out", "map.png", "--size", "101x101",
                    "run.rec"}),
              0)
        << err;
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_LT(usage.ru_maxrss, 100 * 1024) << "kB";
    size_t notANumber = 0;
    for (size_t at = out.find("finite"); at != std::string::npos; at = out.find("finite", at + 1))
        ++notANumber;
    EXPECT_EQ(notANumber, 1u) << out;
    EXPECT_NE(out.find("left out 2 records"), std::string::npos) << out;
}

std::string describe(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return "missing";
    if (S_ISLNK(info.st_mode)) {
        char target[256] = {};
        return "link to " + std::string(target, readlink(path.c_str(), target, sizeof target - 1));
    }
    if (S_ISFIFO(info.st_mode)) return "fifo";
    return "file " + readTextFile(path);
}

// Outputs are never a link, a device or FIFO, nor one of the command's inputs, nor (for a
// map) a file that is no picture: each is refused in one line with status 1, and nothing in
// the folder changes. A link to /dev/null owned by the test stands for a device.
TEST_F(RunsToolTest, AnOutputThatIsNoFreshOrRegularFileOrIsAnInputIsRefusedAndLeftAsItWas) {
    dir.write("track.ascii", squareTrack());
    const std::vector<uint8_t> run = recordBytes({0, 0, 0, 0, 0, 0, 1, 0}, 0);
    dir.write("rec/record0.rec", run);
    dir.write("rec/record1.rec", run);
    dir.write("a.rec", run);
    dir.write("a.csv", std::string("0,0,0,0,0,0,0,1,0\n"));
    dir.write("kept.txt", std::string("kept"));
    ASSERT_EQ(symlink("kept.txt", dir.file("link.out").c_str()), 0);
    ASSERT_EQ(symlink("/dev/null", dir.file("null.out").c_str()), 0);
    ASSERT_EQ(mkfifo(dir.file("fifo.out").c_str(), 0644), 0);
    struct Case {
        std::vector<std::string> args;
        std::string output;
        std::string because;
    };
    const std::string track = "--track", out = "--out";
    const Case cases[] = {
        {{"from-csv", "a.csv", "link.out"}, "link.out", "is a symbolic link"},
        {{"from-csv", "a.csv", "null.out"}, "null.out", "is a symbolic link"},
        {{"from-csv", "a.csv", "fifo.out"}, "fifo.out", "is not a regular file"},
        {{"from-csv", "a.csv", "a.csv"}, "a.csv", "is also an input"},
        {{"csv", "a.rec", out, "a.rec"}, "a.rec", "is also an input"},
        {{"csv", "a.rec", out, "null.out"}, "null.out", "is a symbolic link"},
        {{"dump", "a.rec", out, "fifo.out"}, "fifo.out", "is not a regular file"},
        {{"plot", track, "track.ascii", out, "link.out", "a.rec"}, "link.out", "symbolic link"},
        {{"plot", track, "track.ascii", out, "track.ascii", "a.rec"}, "track.ascii", "input"},
        {{"plot", track, "track.ascii", out, "a.rec", "a.rec"}, "a.rec", "is also an input"},
        // --out's value forgotten before rec/*: the first run file would become the map.
        {{"plot", track, "track.ascii", out, "rec/record0.rec", "rec/record1.rec"},
         "rec/record0.rec",
         "is not a PNG picture"},
    };
    const std::vector<std::string> before = namesInFolder(dir.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " into " + c.output);
        const std::string was = describe(dir.file(c.output));
        EXPECT_EQ(runs(c.args), 1);
        EXPECT_NE(err.find(c.output + ": "), std::string::npos) << err;
        EXPECT_NE(err.find(c.because), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(describe(dir.file(c.output)), was);
        EXPECT_EQ(namesInFolder(dir.path()), before);
    }
    EXPECT_EQ(readTextFile(dir.file("kept.txt")), "kept");
}

// A replaced output keeps its permissions (a private file stays private), and a leftover
// temporary of an earlier run, whatever its name, is neither reused nor removed.
TEST_F(RunsToolTest, AReplacedOutputKeepsItsPermissionsAndLeftoversAreLeftAlone) {
    dir.write("track.ascii", squareTrack());
    dir.write("a.rec", recordBytes({0, 0, 0, 0, 0, 0, 1, 0}, 0));
    dir.write("a.csv", std::string("0,0,0,0,0,0,0,1,0\n"));
    dir.write("private.rec", std::string("old"));
    dir.write("new.rec.partial", std::string("precious"));
    dir.write("map.png", std::string(""));
    ASSERT_EQ(chmod(dir.file("private.rec").c_str(), 0600), 0);
    ASSERT_EQ(chmod(dir.file("map.png").c_str(), 0640), 0);
    ASSERT_EQ(runs({"from-csv", "a.csv", "private.rec"}), 0) << err;
    ASSERT_EQ(runs({"from-csv", "a.csv", "new.rec"}), 0) << err;
    ASSERT_EQ(runs({"plot", "--track", "track.ascii", "--out", "map.png", "a.rec"}), 0) << err;
    ASSERT_EQ(runs({"plot", "--track", "track.ascii", "--out", "map.png", "a.rec"}), 0) << err;
    struct stat info {};
    ASSERT_EQ(stat(dir.file("private.rec").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(readBinaryFile(dir.file("private.rec")), readBinaryFile(dir.file("new.rec")));
    ASSERT_EQ(stat(dir.file("map.png").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_GT(info.st_size, 0);
    EXPECT_EQ(readTextFile(dir.file("new.rec.partial")), "precious");
    EXPECT_EQ(namesInFolder(dir.path()),
              (std::vector<std::string>{"a.csv", "a.rec", "map.png", "new.rec", "new.rec.partial",
                                        "private.rec", "track.ascii"}));
}

// Standard output that cannot take what is written (here /dev/full) is a failure, named.
TEST_F(RunsToolTest, StandardOutputThatFailsIsAFailureNotASuccess) {
    dir.write("track.ascii", squareTrack());
    dir.write("a.rec", recordBytes({0, 0, 0, 0, 0, 0, 1, 0}, 0));
    dir.write("a.csv", std::string("0,0,0,0,0,0,0,1,0\n"));
    for (const std::string args : {"csv a.rec", "dump a.rec", "--help", "from-csv a.csv b.rec",
                                   "plot --track track.ascii --out map.png a.rec"}) {
        SCOPED_TRACE(args);
        const std::string line =
            "exec " + std::string(ZORVEX_RUNS_BIN) + " " + args + " >/dev/full";
        EXPECT_EQ(runProgram({"/bin/sh", "-c", line}, dir.path(), out, err), 1);
        EXPECT_EQ(err, "zorvex-runs: standard output: No space left on device\n");
    }
}

// Unmounts a file system when it goes, so that the folder under it can be removed.
struct Unmount {
    std::string path;
    ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
};

// Writes files of a page each into folder until there is no room left.
bool fillUp(const std::string& folder) {
    const std::string page(4096, 'f');
    for (int i = 0; i < 1000; ++i) {
        const int fd = open((folder + "/filler" + std::to_string(i)).c_str(),
                            O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0) return errno == ENOSPC;
        const ssize_t written = write(fd, page.data(), page.size());
        close(fd);
        if (written != static_cast<ssize_t>(page.size())) return true;
    }
    return false;
}

// On a file system that fills up, the output being replaced stays as it was and nothing is
// left behind. The small file system is mounted in a mount namespace of this test process
// alone, so it goes when the test ends, however it ends.
TEST_F(RunsToolTest, OnAFullFileSystemTheOldOutputStaysWholeAndTheFailureIsSaid) {
    const std::string full = dir.path() + "/full";
    ASSERT_EQ(mkdir(full.c_str(), 0755), 0);
    if (geteuid() != 0 || unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", full.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "mounting a small file system needs root (CAP_SYS_ADMIN): "
                     << std::strerror(errno);
    }
    const Unmount unmount{full};
    dir.write("track.ascii", squareTrack());
    std::vector<std::vector<uint8_t>> records;
    for (uint32_t i = 0; i < 3000; ++i)
        records.push_back(recordBytes({0.001f * i, 0, 0, 0, 0, 0, 1, 0}, i * 1000));
    dir.write("a.rec", joined(records));
    ASSERT_EQ(runs({"csv", "a.rec", "--out", "a.csv"}), 0) << err;
    dir.write("full/map.png", std::string("\x89PNG\r\n\x1a\nold map", 15));
    dir.write("full/old.csv", std::string("old csv"));
    dir.write("full/old.rec", std::string("old run"));
    ASSERT_TRUE(fillUp(full));
    const std::vector<std::string> before = namesInFolder(full);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"plot", "--track", "track.ascii", "--out", "full/map.png", "--size", "300x300", "a.rec"},
         "full/map.png"},
        {{"csv", "a.rec", "--out", "full/old.csv"}, "full/old.csv"},
        {{"dump", "a.rec", "--out", "full/old.csv"}, "full/old.csv"},
        {{"from-csv", "a.csv", "full/old.rec"}, "full/old.rec"},
    };
    for (const auto& [args, output] : cases) {
        SCOPED_TRACE(output);
        EXPECT_EQ(runs(args), 1);
        EXPECT_NE(err.find(output + ": "), std::string::npos) << err;
        EXPECT_NE(err.find("No space left on device"), std::string::npos) << err;
        EXPECT_EQ(namesInFolder(full), before);
    }
    EXPECT_EQ(readTextFile(full + "/map.png"), std::string("\x89PNG\r\n\x1a\nold map", 15));
    EXPECT_EQ(readTextFile(full + "/old.csv"), "old csv");
    EXPECT_EQ(readTextFile(full + "/old.rec"), "old run");
    // Into the full file system through the shell: the status says so.
    const std::string line = "exec " + std::string(ZORVEX_RUNS_BIN) + " csv a.rec >full/b.csv";
    EXPECT_EQ(runProgram({"/bin/sh", "-c", line}, dir.path(), out, err), 1);
    EXPECT_EQ(err, "zorvex-runs: standard output: No space left on device\n");
}

// A run file is listed as it is read: a large one costs no more memory than a small one.
TEST_F(RunsToolTest, DumpAndCsvStreamTheRunFileInsteadOfHoldingIt) {
    // Two million zero records, stored sparse: 72 MB that take no room on the disk.
    dir.write("big.rec", std::string());
    ASSERT_EQ(truncate(dir.file("big.rec").c_str(), 2000000 * 36), 0);
    // Under AddressSanitizer freed blocks stay resident in its quarantine; the program's own
    // memory is what is measured here.
    const char* sanitizer = std::getenv("ASAN_OPTIONS");
    const std::string noQuarantine = "ASAN_OPTIONS=" + std::string(sanitizer ? sanitizer : "") +
                                     ":quarantine_size_mb=0:thread_local_quarantine_size_kb=0";
    for (const char* command : {"dump", "csv"}) {
        const std::string line =
            "exec " + std::string(ZORVEX_RUNS_BIN) + " " + command + " big.rec >/dev/null";
        ASSERT_EQ(runProgram({"/bin/sh", "-c", line}, dir.path(), out, err, {noQuarantine}), 0)
            << err;
    }
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_LT(usage.ru_maxrss, 40 * 1024) << "kB at the peak of the larger of the two";
}

}  // namespace

// Outputs written whole or not at all: what a tool may replace, what it keeps of the file it
// replaces, and what it leaves behind when a write fails or a signal stops it.
#include "common/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <functional>

#include "support/files.h"

namespace {

bool writeWhole(const std::string& path, const std::string& text,
                const std::vector<std::string>& inputs, std::string& error) {
    OutputFile out;
    if (!out.open(path, inputs, error)) return false;
    out.write(text.data(), text.size());
    return out.commit(error);
}

// Runs body in a child process and returns its wait status.
int inChild(const std::function<void()>& body) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        body();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

}  // namespace

TEST(OutputFile, WhatIsNotAFreshOrRegularFileIsRefusedAndLeftAsItWas) {
    TempDir dir;
    dir.write("input.rec", std::string("input bytes"));
    dir.write("old.png", std::string("old picture"));
    ASSERT_EQ(symlink(dir.file("old.png").c_str(), dir.file("link.png").c_str()), 0);
    ASSERT_EQ(symlink("/dev/null", dir.file("null.png").c_str()), 0);
    ASSERT_EQ(mkfifo(dir.file("fifo.png").c_str(), 0644), 0);
    ASSERT_EQ(link(dir.file("input.rec").c_str(), dir.file("hardlink.rec").c_str()), 0);
    ASSERT_EQ(mkdir(dir.file("folder.png").c_str(), 0755), 0);
    struct Case {
        const char* name;
        const char* because;
    };
    const Case cases[] = {
        {"link.png", "is a symbolic link"},    {"null.png", "is a symbolic link"},
        {"fifo.png", "is not a regular file"}, {"folder.png", "is a folder"},
        {"input.rec", "is also an input"},     {"hardlink.rec", "is also an input"},
        {"missing/out.png", "no such folder"},
    };
    const std::vector<std::string> before = namesIn(dir.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        const std::string path = dir.path() + "/" + c.name;
        EXPECT_FALSE(writeWhole(path, "new", {dir.file("input.rec")}, error));
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_NE(error.find(c.because), std::string::npos) << error;
    }
    EXPECT_EQ(namesIn(dir.path()), before);
    EXPECT_EQ(readTextFile(dir.file("old.png")), "old picture");
    EXPECT_EQ(readTextFile(dir.file("input.rec")), "input bytes");
    struct stat fifo;
    ASSERT_EQ(lstat(dir.file("fifo.png").c_str(), &fifo), 0);
    EXPECT_TRUE(S_ISFIFO(fifo.st_mode));
}

TEST(OutputFile, AReplacedFileKeepsItsPermissionsAndANewOneTakesTheUmask) {
    TempDir dir;
    dir.write("private.rec", std::string("old"));
    ASSERT_EQ(chmod(dir.file("private.rec").c_str(), 0600), 0);
    const mode_t mask = umask(022);
    std::string error;
    EXPECT_TRUE(writeWhole(dir.file("private.rec"), "new private", {}, error)) << error;
    EXPECT_TRUE(writeWhole(dir.file("fresh.rec"), "new", {}, error)) << error;
    umask(mask);
    struct stat replaced, fresh;
    ASSERT_EQ(stat(dir.file("private.rec").c_str(), &replaced), 0);
    ASSERT_EQ(stat(dir.file("fresh.rec").c_str(), &fresh), 0);
    EXPECT_EQ(replaced.st_mode & 07777, 0600u);
    EXPECT_EQ(fresh.st_mode & 07777, 0644u);
    EXPECT_EQ(readTextFile(dir.file("private.rec")), "new private");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"fresh.rec", "private.rec"}));
}

TEST(OutputFile, AnAbandonedOrFailedWriteLeavesTheOldFileAndNoStrayName) {
    TempDir dir;
    dir.write("map.png", std::string("old map"));
    dir.write(".map.png.AAAAAA", std::string("someone's leftover"));
    {
        OutputFile out;
        std::string error;
        ASSERT_TRUE(out.open(dir.file("map.png"), {}, error)) << error;
        out.write("half a", 6);
    }  // gone without commit, as when a later step fails
    EXPECT_EQ(readTextFile(dir.file("map.png")), "old map");
    EXPECT_EQ(readTextFile(dir.file(".map.png.AAAAAA")), "someone's leftover");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{".map.png.AAAAAA", "map.png"}));

    // A target that turns into a link between open and commit is not replaced either.
    OutputFile out;
    std::string error;
    ASSERT_TRUE(out.open(dir.file("map.png"), {}, error)) << error;
    out.write("new map", 7);
    ASSERT_EQ(std::rename(dir.file("map.png").c_str(), dir.file("moved.png").c_str()), 0);
    ASSERT_EQ(symlink(dir.file("moved.png").c_str(), dir.file("map.png").c_str()), 0);
    EXPECT_FALSE(out.commit(error));
    EXPECT_NE(error.find("symbolic link"), std::string::npos) << error;
    EXPECT_EQ(readTextFile(dir.file("moved.png")), "old map");
    EXPECT_EQ(namesIn(dir.path()),
              (std::vector<std::string>{".map.png.AAAAAA", "map.png", "moved.png"}));
}

TEST(OutputFile, ASignalRemovesTheUnfinishedFileAndEndsByThatSignal) {
    TempDir dir;
    dir.write("out.csv", std::string("old rows"));
    for (int signalNumber : {SIGINT, SIGTERM}) {
        const int status = inChild([&] {
            stopOnSignals();
            OutputFile out;
            std::string error;
            if (!out.open(dir.file("out.csv"), {}, error)) _exit(3);
            out.write("new rows", 8);
            std::fflush(out.stream());
            raise(signalNumber);
            _exit(4);  // not reached: the handler ends the process
        });
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(WTERMSIG(status), signalNumber);
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"out.csv"});
        EXPECT_EQ(readTextFile(dir.file("out.csv")), "old rows");
    }
}

// Under nohup (a hang-up ignored by whoever started the tool) a hang-up stays ignored.
TEST(OutputFile, ASignalIgnoredWhenTheToolStartedStaysIgnored) {
    const int status = inChild([] {
        std::signal(SIGHUP, SIG_IGN);
        stopOnSignals();
        raise(SIGHUP);
        _exit(5);
    });
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 5);
}

TEST(OutputFile, StandardOutputThatCannotTakeTheTextIsAFailure) {
    TempDir dir;
    const std::string errors = dir.file("errors.txt");
    // A short text fails when it is flushed; one longer than the stream's buffer fails while
    // it is written, and the stream drops what it could not write, so the reason is the one
    // kept from that write.
    const std::function<void()> writers[] = {
        [] { std::printf("rows that never arrive\n"); },
        [] {
            const std::string row = std::string(199, 'r') + "\n";
            for (int i = 0; i < 100; ++i) writeStandardOutput(row.data(), row.size());
        },
    };
    for (const auto& write : writers) {
        const int status = inChild([&] {
            if (!std::freopen("/dev/full", "w", stdout)) _exit(3);
            if (!std::freopen(errors.c_str(), "w", stderr)) _exit(3);
            write();
            const bool finished = finishStandardOutput("zorvex-test");
            std::fflush(stderr);
            _exit(finished ? 0 : 1);
        });
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_EQ(readTextFile(errors), "zorvex-test: standard output: No space left on device\n");
    }

    const int fine = inChild([&] {
        if (!std::freopen(dir.file("rows.txt").c_str(), "w", stdout)) _exit(3);
        std::printf("rows\n");
        _exit(finishStandardOutput("zorvex-test") ? 0 : 1);
    });
    ASSERT_TRUE(WIFEXITED(fine));
    EXPECT_EQ(WEXITSTATUS(fine), 0);
    EXPECT_EQ(readTextFile(dir.file("rows.txt")), "rows\n");
}

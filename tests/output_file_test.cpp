// Outputs written whole or not at all: what a tool may replace, what it keeps of the file it
// replaces, and what it leaves behind when a write fails or a signal stops it.
#include "common/output_file.h"

#include <fcntl.h>
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
    const std::vector<std::string> before = namesInFolder(dir.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        const std::string path = dir.path() + "/" + c.name;
        EXPECT_FALSE(writeWhole(path, "new", {dir.file("input.rec")}, error));
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_NE(error.find(c.because), std::string::npos) << error;
    }
    EXPECT_EQ(namesInFolder(dir.path()), before);
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
    EXPECT_EQ(namesInFolder(dir.path()), (std::vector<std::string>{"fresh.rec", "private.rec"}));
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
    EXPECT_EQ(namesInFolder(dir.path()), (std::vector<std::string>{".map.png.AAAAAA", "map.png"}));

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
    EXPECT_EQ(namesInFolder(dir.path()),
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
        EXPECT_EQ(namesInFolder(dir.path()), std::vector<std::string>{"out.csv"});
        EXPECT_EQ(readTextFile(dir.file("out.csv")), "old rows");
    }
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

TEST(OutputFile, AWriterThatOpensByNameFillsTheNewFileWhichReplacesTheTargetOnlyOnCommit) {
    TempDir dir;
    dir.write("record0.rec", std::string("old run"));
    ASSERT_EQ(chmod(dir.file("record0.rec").c_str(), 0600), 0);
    const auto fillByName = [](const OutputFile& out, const std::string& text) {
        FILE* file = std::fopen(out.newFileName().c_str(), "wb");
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), file), text.size());
        ASSERT_EQ(std::fclose(file), 0);
    };
    {
        OutputFile out;
        std::string error;
        ASSERT_TRUE(out.open(dir.file("record0.rec"), {}, error)) << error;
        fillByName(out, "a run that is given up");
        EXPECT_EQ(readTextFile(dir.file("record0.rec")), "old run");
    }  // abandoned: the target stays and the new file goes
    EXPECT_EQ(namesInFolder(dir.path()), std::vector<std::string>{"record0.rec"});

    OutputFile out;
    std::string error;
    ASSERT_TRUE(out.open(dir.file("record0.rec"), {}, error)) << error;
    const std::string name = out.newFileName();
    EXPECT_EQ(name.rfind(dir.path() + "/.record0.rec.", 0), 0u) << name;
    fillByName(out, "new run");
    EXPECT_EQ(readTextFile(dir.file("record0.rec")), "old run");
    ASSERT_TRUE(out.commit(error)) << error;
    EXPECT_EQ(out.newFileName(), "");
    EXPECT_EQ(readTextFile(dir.file("record0.rec")), "new run");
    EXPECT_EQ(namesInFolder(dir.path()), std::vector<std::string>{"record0.rec"});
    struct stat replaced;
    ASSERT_EQ(stat(dir.file("record0.rec").c_str(), &replaced), 0);
    EXPECT_EQ(replaced.st_mode & 07777, 0600u);
}

TEST(OutputFile, ASignalWhileANewFileIsMadeOrGivenUpLeavesNoStrayName) {
    TempDir dir;
    for (int round = 0; round < 40; ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        std::fflush(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            close(ready[0]);
            stopOnSignals();
            for (bool told = false;; told = true) {
                OutputFile out;
                std::string error;
                if (!out.open(dir.file("out.csv"), {}, error)) _exit(3);
                if (!told && write(ready[1], "x", 1) != 1) _exit(4);
            }  // each given up at once, as when a later step fails
        }
        ASSERT_GT(pid, 0);
        close(ready[1]);
        char byte = 0;
        // The signal comes at whatever point of the loop the child has reached by then.
        ASSERT_EQ(read(ready[0], &byte, 1), 1);
        close(ready[0]);
        ASSERT_EQ(kill(pid, SIGTERM), 0);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
        ASSERT_EQ(namesInFolder(dir.path()), std::vector<std::string>{}) << "round " << round;
    }
}

TEST(OutputFile, ASignalTheCallerIgnoresStaysIgnored) {
    TempDir dir;
    const int status = inChild([&] {
        // As under nohup, or for a job a script starts in the background.
        std::signal(SIGHUP, SIG_IGN);
        std::signal(SIGINT, SIG_IGN);
        stopOnSignals();
        OutputFile out;
        std::string error;
        if (!out.open(dir.file("kept.txt"), {}, error)) _exit(3);
        raise(SIGHUP);
        raise(SIGINT);
        out.write("whole", 5);
        _exit(out.commit(error) ? 0 : 4);
    });
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readTextFile(dir.file("kept.txt")), "whole");
}

// An encoder writes the new file by its name and may open it again at any time: a signal
// ends the encoder before removing the file, so the encoder cannot make the file again.
TEST(OutputFile, ASignalEndsTheNewFilesWriterBeforeRemovingTheFile) {
    TempDir dir;
    dir.write("video.mp4", std::string("old video"));
    const std::string writerPid = dir.file("writer.pid");
    const int status = inChild([&] {
        stopOnSignals();
        OutputFile out;
        std::string error;
        if (!out.open(dir.file("video.mp4"), {}, error)) _exit(3);
        const std::string name = out.newFileName();
        const pid_t writer = fork();
        if (writer == 0) {
            // Like an encoder that opens its output again and again.
            for (;;) {
                const int fd = open(name.c_str(), O_WRONLY | O_CREAT, 0644);
                if (fd >= 0) close(fd);
                usleep(200);
            }
        }
        FILE* note = std::fopen(writerPid.c_str(), "w");
        std::fprintf(note, "%d", static_cast<int>(writer));
        std::fclose(note);
        out.setWriter(writer);
        usleep(20000);  // the writer is busy making the file again and again
        raise(SIGTERM);
        _exit(4);
    });
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    const pid_t writer = static_cast<pid_t>(std::stoi(readTextFile(writerPid)));
    EXPECT_NE(kill(writer, 0), 0) << "the writer still runs";
    if (kill(writer, 0) == 0) kill(writer, SIGKILL);
    EXPECT_EQ(namesInFolder(dir.path()), (std::vector<std::string>{"video.mp4", "writer.pid"}));
    EXPECT_EQ(readTextFile(dir.file("video.mp4")), "old video");
}

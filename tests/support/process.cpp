#include "support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {
long long nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& dir,
                           const std::vector<std::string>& env) {
    int inPipe[2], outPipe[2], errPipe[2];
    if (pipe(inPipe) != 0 || pipe(outPipe) != 0 || pipe(errPipe) != 0) return;
    pid = fork();
    if (pid == 0) {
        dup2(inPipe[0], 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
        if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
        for (const std::string& entry : env) putenv(strdup(entry.c_str()));
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(inPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);
    inFd = inPipe[1];
    outFd = outPipe[0];
    errFd = errPipe[0];
    signal(SIGPIPE, SIG_IGN);
}

ChildProcess::~ChildProcess() {
    if (!exited && pid > 0) kill();
    for (int fd : {inFd, outFd, errFd}) {
        if (fd >= 0) close(fd);
    }
}

void ChildProcess::writeInput(const std::string& text) {
    if (inFd >= 0 && write(inFd, text.data(), text.size()) < 0) closeInput();
}

void ChildProcess::closeInput() {
    if (inFd >= 0) close(inFd);
    inFd = -1;
}

void ChildProcess::pump(int timeoutMs) {
    pollfd fds[2];
    int count = 0;
    if (outFd >= 0) fds[count++] = {outFd, POLLIN, 0};
    if (errFd >= 0) fds[count++] = {errFd, POLLIN, 0};
    if (count == 0) return;
    if (poll(fds, count, timeoutMs) <= 0) return;
    for (int i = 0; i < count; ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP))) continue;
        char buffer[4096];
        const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
        std::string& target = fds[i].fd == outFd ? out : err;
        if (got > 0) {
            target.append(buffer, static_cast<size_t>(got));
        } else {
            close(fds[i].fd);
            (fds[i].fd == outFd ? outFd : errFd) = -1;
        }
    }
}

bool ChildProcess::waitForOutput(const std::string& needle, int timeoutMs) {
    const long long end = nowMs() + timeoutMs;
    while (out.find(needle) == std::string::npos) {
        const long long left = end - nowMs();
        if (left <= 0) return false;
        if (outFd < 0 && errFd < 0) return false;
        pump(static_cast<int>(left < 50 ? left : 50));
    }
    return true;
}

int ChildProcess::waitExit(int timeoutMs) {
    const long long end = nowMs() + timeoutMs;
    while (!exited) {
        int raw = 0;
        const pid_t done = waitpid(pid, &raw, WNOHANG);
        if (done == pid) {
            exited = true;
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            break;
        }
        if (nowMs() >= end) return -1;
        pump(20);
    }
    while (outFd >= 0 || errFd >= 0) pump(100);
    return status;
}

void ChildProcess::kill() {
    if (pid > 0 && !exited) {
        ::kill(pid, SIGKILL);
        waitExit(5000);
    }
}

int runProgram(const std::vector<std::string>& argv, const std::string& dir, std::string& out,
               std::string& err, const std::vector<std::string>& env, const std::string& input,
               int timeoutMs) {
    ChildProcess child(argv, dir, env);
    if (!input.empty()) child.writeInput(input);
    child.closeInput();
    const int status = child.waitExit(timeoutMs);
    out = child.out;
    err = child.err;
    return status;
}

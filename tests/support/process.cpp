#include "support/process.h"

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
    int in[2], outPipe[2], errPipe[2];
    if (pipe(in) != 0 || pipe(outPipe) != 0 || pipe(errPipe) != 0) return;
    pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        for (int fd : {in[0], in[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
        // As from a terminal, whatever the test run itself was started with (a background
        // job of a script ignores Ctrl-C).
        for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) signal(signalNumber, SIG_DFL);
        if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
        for (const std::string& entry : env) putenv(strdup(entry.c_str()));
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    for (int fd : {in[0], outPipe[1], errPipe[1]}) close(fd);
    inFd = in[1];
    outFd = outPipe[0];
    errFd = errPipe[0];
    signal(SIGPIPE, SIG_IGN);
}

ChildProcess::~ChildProcess() {
    kill();
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

// Reads what one of the two streams has, waiting up to timeoutMs; a stream that has ended
// is closed and marked -1.
void ChildProcess::pump(int timeoutMs) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};  // poll skips a negative descriptor
    if ((outFd < 0 && errFd < 0) || poll(fds, 2, timeoutMs) <= 0) return;
    for (pollfd& p : fds) {
        if (p.fd < 0 || !(p.revents & (POLLIN | POLLHUP))) continue;
        char buffer[4096];
        const ssize_t got = read(p.fd, buffer, sizeof buffer);
        if (got > 0) {
            (p.fd == outFd ? out : err).append(buffer, static_cast<size_t>(got));
        } else {
            close(p.fd);
            (p.fd == outFd ? outFd : errFd) = -1;
        }
    }
}

bool ChildProcess::waitForOutput(const std::string& needle, int timeoutMs) {
    const long long end = nowMs() + timeoutMs;
    while (out.find(needle) == std::string::npos) {
        const long long left = end - nowMs();
        if (left <= 0 || (outFd < 0 && errFd < 0)) return false;
        pump(static_cast<int>(left < 50 ? left : 50));
    }
    return true;
}

int ChildProcess::waitExit(int timeoutMs) {
    const long long end = nowMs() + timeoutMs;
    for (int raw = 0; !exited; pump(20)) {
        if (waitpid(pid, &raw, WNOHANG) == pid) {
            exited = true;
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            signalNumber = WIFSIGNALED(raw) ? WTERMSIG(raw) : 0;
        } else if (nowMs() >= end) {
            return -1;
        }
    }
    while (outFd >= 0 || errFd >= 0) pump(100);
    return status;
}

bool ChildProcess::stopsBy(int signal, int timeoutMs) {
    ::kill(pid, signal);
    waitExit(timeoutMs);
    return exited && signalNumber == signal;
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

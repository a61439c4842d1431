#include "support/process.h"

#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
    // Readable once the child has ended, so its end is waited for like its output.
    exitFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    signal(SIGPIPE, SIG_IGN);
}

ChildProcess::~ChildProcess() {
    kill();
    for (int fd : {inFd, outFd, errFd, exitFd}) {
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

// Reads what one of the two streams has, waiting up to timeoutMs for it (or for the child's
// end, with untilExit); a stream that has ended is closed and marked -1. Returns false when
// nothing came.
bool ChildProcess::pump(int timeoutMs, bool untilExit) {
    // poll skips a negative descriptor
    pollfd fds[3] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}, {untilExit ? exitFd : -1, POLLIN, 0}};
    if (poll(fds, 3, timeoutMs) <= 0) return false;
    for (int i = 0; i < 2; ++i) {
        pollfd& p = fds[i];
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
    return true;
}

bool ChildProcess::waitForOutput(const std::string& needle, int timeoutMs) {
    return waitForOutputCount(needle, 1, timeoutMs);
}

bool ChildProcess::waitForOutputCount(const std::string& needle, int count, int timeoutMs) {
    const long long end = nowMs() + timeoutMs;
    size_t at = 0;  // where the next occurrence is looked for
    for (int found = 0; found < count;) {
        const size_t next = out.find(needle, at);
        if (next != std::string::npos) {
            ++found;
            at = next + needle.size();
            continue;
        }
        const long long left = end - nowMs();
        if (left <= 0 || (outFd < 0 && errFd < 0)) return false;
        pump(static_cast<int>(left), false);
    }
    return true;
}

int ChildProcess::waitExit(int timeoutMs) {
    const long long end = nowMs() + timeoutMs;
    for (int raw = 0; !exited;) {
        if (waitpid(pid, &raw, WNOHANG) == pid) {
            exited = true;
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            signalNumber = WIFSIGNALED(raw) ? WTERMSIG(raw) : 0;
            break;
        }
        const long long left = end - nowMs();
        if (left <= 0) return -1;
        // Without a descriptor for its end (a kernel before 5.3), the child is looked at
        // every 20 ms.
        pump(static_cast<int>(exitFd >= 0 ? left : std::min(left, 20LL)), true);
    }
    // What the child wrote before it ended; a process it left behind may keep the streams
    // open, so reading stops once they have been quiet for a while.
    while ((outFd >= 0 || errFd >= 0) && pump(1000, false)) {
    }
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

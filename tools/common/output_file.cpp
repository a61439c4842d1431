#include "common/output_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

// New files not yet in place, kept where a signal handler can reach them without taking a
// lock or allocating: a slot is filled before it is marked used and unmarked before reuse.
constexpr int kPendingSlots = 16;
char pendingPaths[kPendingSlots][PATH_MAX];
volatile sig_atomic_t pendingUsed[kPendingSlots];
volatile pid_t pendingWriters[kPendingSlots];

void rememberPending(const std::string& path) {
    if (path.size() >= PATH_MAX) return;  // still removed on every path but a signal's
    for (int slot = 0; slot < kPendingSlots; ++slot) {
        if (pendingUsed[slot]) continue;
        std::memcpy(pendingPaths[slot], path.c_str(), path.size() + 1);
        pendingWriters[slot] = 0;
        pendingUsed[slot] = 1;
        return;
    }
}

void forgetPending(const std::string& path) {
    for (int slot = 0; slot < kPendingSlots; ++slot) {
        if (pendingUsed[slot] && path == pendingPaths[slot]) pendingUsed[slot] = 0;
    }
}

// The signals stopOnSignals ends the process on.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Holds those signals off for its lifetime: a new file is made and remembered in one step, so
// the handler never misses a file that is already on disk. One that came is handled after.
class SignalsHeld {
  public:
    SignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (int signalNumber : kStopSignals) sigaddset(&held, signalNumber);
        sigprocmask(SIG_BLOCK, &held, &previous);
    }
    ~SignalsHeld() { sigprocmask(SIG_SETMASK, &previous, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

  private:
    sigset_t previous;
};

void setPendingWriter(const std::string& path, pid_t writer) {
    for (int slot = 0; slot < kPendingSlots; ++slot) {
        if (pendingUsed[slot] && path == pendingPaths[slot]) pendingWriters[slot] = writer;
    }
}

void removePendingAndStop(int signalNumber) {
    for (int slot = 0; slot < kPendingSlots; ++slot) {
        if (pendingUsed[slot] && pendingWriters[slot] > 0) kill(pendingWriters[slot], SIGKILL);
    }
    for (int slot = 0; slot < kPendingSlots; ++slot) {
        if (!pendingUsed[slot]) continue;
        if (pendingWriters[slot] > 0) {
            while (waitpid(pendingWriters[slot], nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        unlink(pendingPaths[slot]);
    }
    // Ending by the signal itself lets the caller (a shell, a script) see the interruption.
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

// The reason of the first failed writeStandardOutput.
int standardOutputError = 0;

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string because(const std::string& path, const std::string& what, int error) {
    return path + ": " + what + ": " + std::strerror(error);
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

mode_t permissionsForNewFile() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool checkOutputPath(const std::string& path, const std::vector<std::string>& inputs,
                     std::string& error) {
    struct stat target;
    if (path.empty()) {
        error = "an output needs a name";
        return false;
    }
    if (lstat(path.c_str(), &target) != 0) {
        if (errno != ENOENT) {
            error = because(path, "cannot be written", errno);
            return false;
        }
        struct stat folder;
        const std::string parent = folderOf(path);
        if (stat(parent.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) {
            error = path + ": cannot be written: no such folder (" + parent + ")";
            return false;
        }
        return true;
    }
    if (S_ISLNK(target.st_mode)) {
        error = path + ": is a symbolic link; it is not replaced";
        return false;
    }
    if (S_ISDIR(target.st_mode)) {
        error = path + ": is a folder";
        return false;
    }
    if (!S_ISREG(target.st_mode)) {
        error = path + ": is not a regular file (a device, FIFO or socket); it is not replaced";
        return false;
    }
    for (const std::string& input : inputs) {
        struct stat read;
        if (stat(input.c_str(), &read) == 0 && sameFile(read, target)) {
            error = path + ": is also an input (" + input + "); it is not overwritten";
            return false;
        }
    }
    return true;
}

OutputFile::~OutputFile() { abandon(); }

bool OutputFile::open(const std::string& path, const std::vector<std::string>& inputs,
                      std::string& error) {
    abandon();
    if (!checkOutputPath(path, inputs, error)) return false;
    struct stat old;
    const bool replacing = stat(path.c_str(), &old) == 0;
    // A hidden name beside the target, short enough for any file system's name limit.
    std::string name = "." + baseOf(path).substr(0, 200) + ".XXXXXX";
    std::string pattern = folderOf(path) + "/" + name;
    const SignalsHeld held;
    const int fd = mkstemp(&pattern[0]);
    if (fd < 0) {
        error = because(path, "cannot create a new file beside it", errno);
        return false;
    }
    const mode_t mode = replacing ? (old.st_mode & 07777) : permissionsForNewFile();
    // Root keeps the owner too; where even that fails, the file is still written, root's.
    if (replacing && geteuid() == 0 && fchown(fd, old.st_uid, old.st_gid) != 0) errno = 0;
    if (fchmod(fd, mode) != 0) {
        error = because(path, "cannot set the permissions of the new file", errno);
        close(fd);
        unlink(pattern.c_str());
        return false;
    }
    file = fdopen(fd, "wb");
    if (!file) {
        error = because(path, "cannot write", errno);
        close(fd);
        unlink(pattern.c_str());
        return false;
    }
    target = path;
    temporary = pattern;
    writeError = 0;
    rememberPending(temporary);
    return true;
}

bool OutputFile::write(const void* bytes, size_t count) {
    if (!file) return false;
    if (count == 0) return true;
    errno = 0;
    if (std::fwrite(bytes, 1, count, file) == count) return true;
    if (writeError == 0) writeError = errno ? errno : EIO;
    return false;
}

bool OutputFile::commit(std::string& error) {
    if (!file) {
        error = target + ": nothing to write";
        return false;
    }
    errno = 0;
    int failure = writeError;
    if (failure == 0 && (std::fflush(file) != 0 || std::ferror(file)))
        failure = errno ? errno : EIO;
    if (failure == 0 && sync && fsync(fileno(file)) != 0) failure = errno;
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    if (failure == 0 && !closed) failure = errno ? errno : EIO;
    if (failure != 0) {
        error = because(target, "cannot write", failure);
        abandon();
        return false;
    }
    // The target may have changed since open(); never rename over a link or a device.
    std::string recheck;
    if (!checkOutputPath(target, {}, recheck)) {
        error = recheck;
        abandon();
        return false;
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        error = because(target, "cannot put the finished file in place", errno);
        abandon();
        return false;
    }
    forgetPending(temporary);
    temporary.clear();
    return true;
}

void OutputFile::setWriter(pid_t writer) {
    if (!temporary.empty()) setPendingWriter(temporary, writer);
}

void OutputFile::abandon() {
    if (file) {
        std::fclose(file);
        file = nullptr;
    }
    if (!temporary.empty()) {
        // Removed before it is forgotten: a signal in between finds it gone, not left behind.
        unlink(temporary.c_str());
        forgetPending(temporary);
        temporary.clear();
    }
}

bool writeStandardOutput(const void* bytes, size_t count) {
    errno = 0;
    if (std::fwrite(bytes, 1, count, stdout) == count) return true;
    if (standardOutputError == 0) standardOutputError = errno ? errno : EIO;
    return false;
}

bool finishStandardOutput(const char* program) {
    errno = 0;
    int failure = standardOutputError;
    if ((std::fflush(stdout) != 0 || std::ferror(stdout)) && failure == 0)
        failure = errno ? errno : EIO;
    if (std::fclose(stdout) != 0 && failure == 0) failure = errno ? errno : EIO;
    if (failure == 0) return true;
    std::fprintf(stderr, "%s: standard output: %s\n", program, std::strerror(failure));
    return false;
}

void stopOnSignals() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = removePendingAndStop;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : kStopSignals) {
        // A signal ignored from the start stays ignored: nohup's hangup, or the interrupt of
        // a job that a script started in the background.
        struct sigaction current;
        if (sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
            continue;
        sigaction(signalNumber, &action, nullptr);
    }
}

#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

std::string nativePath(const char* path) {
    std::string out(path ? path : "");
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    return out;
}

FILE* openFile(const char* path, const char* mode) {
    if (!path) return nullptr;
    return std::fopen(nativePath(path).c_str(), mode);
}

namespace {

OpenedFileHook openedFileHook = nullptr;

const char* refusalReason(const struct stat& info) {
    return S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "not a regular file";
}

}  // namespace

int openRegularFile(const char* path, std::string* reason) {
    // O_NONBLOCK lets the open of a FIFO without a writer return at once; what was opened
    // is then looked at before a single byte is read.
    const int fd =
        path ? ::open(nativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC) : -1;
    if (fd < 0) {
        if (reason) *reason = std::strerror(path ? errno : ENOENT);
        return -1;
    }
    struct stat info {};
    const bool statted = ::fstat(fd, &info) == 0;
    const int statError = errno;
    if (statted && S_ISREG(info.st_mode)) {
        // Regular files never block; reading goes on in the ordinary blocking mode.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        return fd;
    }
    ::close(fd);
    if (reason) *reason = statted ? refusalReason(info) : std::strerror(statError);
    return -1;
}

FILE* openRegularStream(const char* path, std::string* reason) {
    const int fd = openRegularFile(path, reason);
    if (fd < 0) return nullptr;
    FILE* stream = ::fdopen(fd, "rb");
    if (!stream) {
        if (reason) *reason = std::strerror(errno);
        ::close(fd);
    } else if (openedFileHook) {
        openedFileHook(path);
    }
    return stream;
}

FileReader::FileReader(const char* path) {
    fd = openRegularFile(path);
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) == 0) length = static_cast<uint64_t>(info.st_size);
    if (openedFileHook) openedFileHook(path);
}

FileReader::~FileReader() {
    if (fd >= 0) ::close(fd);
}

bool FileReader::read(uint64_t offset, size_t count, std::vector<uint8_t>& out) {
    out.clear();
    if (fd < 0) return false;
    if (offset >= length) return true;
    out.resize(static_cast<size_t>(std::min<uint64_t>(count, length - offset)));
    size_t got = 0;
    while (got < out.size()) {
        const ssize_t n =
            ::pread(fd, out.data() + got, out.size() - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;  // cut short since it was opened
        got += static_cast<size_t>(n);
    }
    out.resize(got);
    return true;
}

void setOpenedFileHook(OpenedFileHook hook) { openedFileHook = hook; }

void pauseMs(uint32_t ms) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ms / 1000u);
    ts.tv_nsec = static_cast<long>(ms % 1000u) * 1000000L;
    while (nanosleep(&ts, &ts) != 0) {
    }
}

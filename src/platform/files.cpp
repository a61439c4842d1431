#include "platform/files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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
    }
    return stream;
}

MappedFile::MappedFile(const char* path) {
    const int fd = openRegularFile(path);
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0) {
        void* view =
            ::mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (view != MAP_FAILED) {
            bytes = static_cast<const uint8_t*>(view);
            length = static_cast<size_t>(info.st_size);
        } else {
            noMemory = errno == ENOMEM;
        }
    }
    ::close(fd);
}

MappedFile::~MappedFile() {
    if (bytes) ::munmap(const_cast<uint8_t*>(bytes), length);
}

void pauseMs(uint32_t ms) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ms / 1000u);
    ts.tv_nsec = static_cast<long>(ms % 1000u) * 1000000L;
    while (nanosleep(&ts, &ts) != 0) {
    }
}

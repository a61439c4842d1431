#pragma once
// The fuzz input as a regular file that a reader opens by its path, as it opens any file,
// kept in memory so that no input touches the disk.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

class MemoryFile {
  public:
    MemoryFile(const uint8_t* data, size_t size) : fd(memfd_create("fuzz-input", MFD_CLOEXEC)) {
        if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size)) __builtin_trap();
        name = "/proc/self/fd/" + std::to_string(fd);
    }
    ~MemoryFile() { close(fd); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    const char* path() const { return name.c_str(); }

  private:
    int fd;
    std::string name;
};

// Ends the run with a message when an invariant of a reader is broken.
inline void require(bool condition, const char* what) {
    if (condition) return;
    fprintf(stderr, "invariant broken: %s\n", what);
    abort();
}

#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// The system names its files with backslashes ("models\track.ascii"); on this platform
// they are opened with '/' in their place. Paths that already use '/' pass unchanged.
std::string nativePath(const char* path);

// fopen of the native form of path; nullptr when it cannot be opened.
FILE* openFile(const char* path, const char* mode);

// Opens the native form of path for reading, but only a regular file, and without ever
// waiting: a FIFO, a device, a socket or a directory is refused at once rather than read.
// Returns a descriptor, or -1 with reason (when given) saying why ("No such file or
// directory", "Is a directory", "not a regular file").
int openRegularFile(const char* path, std::string* reason = nullptr);

// The same as a buffered stream for reading raw bytes; nullptr when refused.
FILE* openRegularStream(const char* path, std::string* reason = nullptr);

// The whole content of a regular file mapped read-only, so a reader touches only the
// bytes it looks at and holds none of them on the heap. Empty (data() is nullptr) when the
// file is not a regular file, cannot be opened or mapped, or is empty; outOfMemory() then
// tells whether the mapping failed for want of address space rather than for the file.
class MappedFile {
  public:
    explicit MappedFile(const char* path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    const uint8_t* data() const { return bytes; }
    size_t size() const { return length; }
    bool outOfMemory() const { return noMemory; }

  private:
    const uint8_t* bytes = nullptr;
    size_t length = 0;
    bool noMemory = false;
};

// Sleeps the calling thread for ms milliseconds.
void pauseMs(uint32_t ms);

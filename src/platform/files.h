#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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

// A regular file read into memory a part at a time, so that a reader holds only the bytes
// its format can use. A file that is cut short while it is read gives fewer bytes, never a
// signal (as a mapping of it would when a page past its new end is touched).
class FileReader {
  public:
    // Opens path as openRegularFile does; isOpen() tells whether it could.
    explicit FileReader(const char* path);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool isOpen() const { return fd >= 0; }
    // The file's length when it was opened.
    uint64_t size() const { return length; }
    // Replaces out with the bytes from offset on, at most count of them and none past the
    // length the file had when it was opened; fewer when it has been cut short since. False
    // when reading fails. Throws std::bad_alloc when there is no memory for them.
    bool read(uint64_t offset, size_t count, std::vector<uint8_t>& out);

  private:
    int fd = -1;
    uint64_t length = 0;
};

// For tests of files that change under their readers: called with the path of every file
// that a FileReader or openRegularStream has opened, after its length is taken and before a
// byte of it is read. nullptr (the default) for none.
using OpenedFileHook = void (*)(const char* path);
void setOpenedFileHook(OpenedFileHook hook);

// Sleeps the calling thread for ms milliseconds.
void pauseMs(uint32_t ms);

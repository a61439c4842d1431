#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The system names its files with backslashes ("models\track.ascii"); on this platform
// they are opened with '/' in their place. Paths that already use '/' pass unchanged.
std::string nativePath(const char* path);

// The name under which path is found, as the system the packs are made on finds it: the
// native form when a file of exactly that name exists (one stat), and otherwise each
// component matched without regard to ASCII letter case ("Models\TRACK.ascii" finds
// models/track.ascii). Where one folder holds several names that match, the byte-wise
// first is taken and the choice is reported once per process (see setLetterCaseReporter).
// A component that matches nothing is kept as written with the rest after it, so opening
// the result fails as the exact name would, and a file to be created keeps its own name.
std::string resolvePath(const char* path);

// A folder held several names matching one component of a path in all but letter case.
struct LetterCaseChoice {
    std::string path;                // as the program or the pack gave it
    std::string folder;              // where the names are ("." for the working directory)
    std::vector<std::string> names;  // the byte-wise first few of them; names[0] is taken
    size_t count = 0;                // how many matched
};
using LetterCaseReporter = void (*)(const LetterCaseChoice& choice);

// Replaces how a choice is reported; nullptr restores the default, one warning line on
// standard error.
void setLetterCaseReporter(LetterCaseReporter reporter);

// Whether a and b are the same text but for ASCII letter case.
bool sameButLetterCase(const std::string& a, const std::string& b);

// fopen of the resolved form of path; nullptr when it cannot be opened.
FILE* openFile(const char* path, const char* mode);

// Opens path for reading, by its exact native name or else as resolvePath finds it, but
// only a regular file, and without ever waiting: a FIFO, a device, a socket or a directory
// is refused at once rather than read. Returns a descriptor, or -1 with reason (when given)
// saying why ("No such file or directory", "Is a directory", "not a regular file").
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

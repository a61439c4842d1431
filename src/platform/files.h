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

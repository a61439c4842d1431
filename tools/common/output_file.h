#pragma once
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

// A file that is written whole or not at all. The bytes go to a new file beside the target
// (a fresh name made with O_EXCL, so a leftover is never reused), which replaces the target
// only once every write, the flush, fsync and the close have succeeded. An interrupted or
// failed write leaves the old file as it was. The replacement keeps the old file's
// permissions; a new file gets those the umask allows.
//
// What is never replaced: a symbolic link, a device, a FIFO, a socket or a folder, and a file
// that is one of the program's inputs (the same file under any name). Check those with
// checkOutputPath before touching any output, so a refusal leaves everything as it was.
class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();  // removes the new file unless commit() put it in place
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Checks the target as checkOutputPath does and creates the new file beside it. False,
    // with error naming the target and the reason, when refused or when it cannot be made.
    bool open(const std::string& path, const std::vector<std::string>& inputs, std::string& error);

    // The open stream for writing; nullptr before open() and after commit() or abandon().
    FILE* stream() const { return file; }
    bool write(const void* bytes, size_t count);

    // Flushes, syncs, closes and renames the new file over the target. False, with error
    // naming the target and the first failure (a write, the flush, the close or the rename),
    // and the new file removed, when anything failed on the way.
    bool commit(std::string& error);
    // Removes the new file; the target stays as it was.
    void abandon();

    const std::string& path() const { return target; }

  private:
    FILE* file = nullptr;
    std::string target;
    std::string temporary;
    int writeError = 0;
};

// Whether path may be written as an output: it does not exist yet (its folder does), or it
// is a regular file that is none of inputs. False, with error naming path and the reason.
bool checkOutputPath(const std::string& path, const std::vector<std::string>& inputs,
                     std::string& error);

// Flushes and closes standard output and says whether everything written to it arrived
// (a full disk or a closed pipe is reported here, not lost). On failure prints one line on
// standard error, "PROGRAM: standard output: REASON", and returns false; the caller then
// exits with status 1.
bool finishStandardOutput(const char* program);

// Ends the process on SIGINT, SIGTERM and SIGHUP with the conventional status 128 + signal,
// after removing the new files of every OutputFile not yet committed, so an interrupted tool
// leaves neither a half-written file nor a stray temporary.
void stopOnSignals();

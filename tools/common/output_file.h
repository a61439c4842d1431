#pragma once
#include <sys/types.h>

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

    // The new file's own name, for a writer that can only open a file by name (a library
    // that takes a path): it opens this name for writing in place, fills it and closes it
    // before commit(), which then puts what it wrote in place like bytes given to write().
    // Empty before open() and after commit() or abandon().
    const std::string& newFileName() const { return temporary; }

    // Flushes, syncs, closes and renames the new file over the target. False, with error
    // naming the target and the first failure (a write, the flush, the close or the rename),
    // and the new file removed, when anything failed on the way.
    bool commit(std::string& error);
    // Removes the new file; the target stays as it was.
    void abandon();

    const std::string& path() const { return target; }

    // Whether commit() waits for the bytes to reach the disk (fsync) before the rename: on
    // by default. Off for outputs written by the thousand that are simply made again after a
    // crash of the machine (a capture's frames), where a sync each would cost more than making
    // the file. The rename still waits for every write, the flush and the close.
    void setSynced(bool synced) { sync = synced; }

    // The helper process writing the new file by its newFileName() (an encoder). A signal ends it
    // and waits for its end before the new file is removed, so it cannot make the file again after
    // that. The caller waits for it before commit() or abandon().
    void setWriter(pid_t writer);

  private:
    FILE* file = nullptr;
    std::string target;
    std::string temporary;
    int writeError = 0;
    bool sync = true;
};

// Whether path may be written as an output: it does not exist yet (its folder does), or it
// is a regular file that is none of inputs. False, with error naming path and the reason.
bool checkOutputPath(const std::string& path, const std::vector<std::string>& inputs,
                     std::string& error);

// Writes to standard output as fwrite does and keeps the reason of the first failure for
// finishStandardOutput: once a full buffer has failed to go out, the stream drops it, and a
// later flush no longer tells why. False when the write failed.
bool writeStandardOutput(const void* bytes, size_t count);

// Flushes and closes standard output and says whether everything written to it arrived
// (a full disk or a closed pipe is reported here, not lost). On failure prints one line on
// standard error, "PROGRAM: standard output: REASON", and returns false; the caller then
// exits with status 1.
bool finishStandardOutput(const char* program);

// Ends the process on SIGINT, SIGTERM and SIGHUP with the conventional status 128 + signal,
// after ending their writers and removing the new files of every OutputFile not yet
// committed, so an interrupted tool leaves neither a half-written file nor a stray temporary. A
// signal the process was started with ignored (nohup, a background job of a script) stays ignored.
void stopOnSignals();

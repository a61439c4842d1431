#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "replay/run_record.h"

// A run file as playback sees it: its whole records, and the bytes after the last whole
// record that playback ignores.
struct RunFile {
    std::vector<RunRecord> records;
    size_t trailingBytes = 0;
};

// Whether every value of the record is a finite number.
bool finiteRecord(const RunRecord& record);

// Reads a run file one record at a time, as playback does, so that memory does not follow
// the size of the file.
class RunFileReader {
  public:
    RunFileReader() = default;
    ~RunFileReader();
    RunFileReader(const RunFileReader&) = delete;
    RunFileReader& operator=(const RunFileReader&) = delete;

    // Opens path; size (when given) is set to its length. False, with error naming the
    // file, when it is not a regular file or cannot be opened.
    bool open(const std::string& path, std::string& error, uint64_t* size = nullptr);
    // The next whole record; false at the end of the file or when reading fails.
    bool next(RunRecord& record);
    // After next() has returned false: whether the file was read to its end. False, with
    // error naming the file, when reading failed.
    bool finish(std::string& error);
    // The bytes after the last whole record, once next() has returned false.
    size_t trailingBytes() const { return trailing; }

  private:
    FILE* file = nullptr;
    std::string path;
    size_t trailing = 0;
    int readError = 0;
};

// Reads the run file at path whole. Returns false and says why (naming the file) when it is
// not a regular file or cannot be opened or read.
bool readRunFile(const std::string& path, RunFile& run, std::string& error);

// Writes the records with the run-file encoder through an OutputFile: the file at path is
// replaced only once everything is written, and never when it is one of inputs, a link or
// not a regular file. Returns false and says why otherwise.
bool writeRunFile(const std::string& path, const std::vector<RunRecord>& records,
                  const std::vector<std::string>& inputs, std::string& error);

// The warnings playback would not give, gathered record by record as a file is read:
// records that keep the run waiting a minute or more, times that go backwards, values that
// are not finite numbers, trailing bytes. One line each, without a line feed. A damaged file
// could give one for every record: after kMaxLines the rest are only counted, in a last line.
class RunWarnings {
  public:
    static constexpr size_t kMaxLines = 1000;

    // With sayNotFinite false, records holding a value that is not a finite number get no
    // line of their own (a caller that counts them itself).
    explicit RunWarnings(bool sayNotFinite = true) : sayNotFinite(sayNotFinite) {}
    // The next record of the file, in order.
    void add(const RunRecord& record);
    // Every warning, with the one about trailing bytes last.
    std::vector<std::string> finish(size_t trailingBytes);

  private:
    void say(const std::string& line);

    bool sayNotFinite;
    size_t count = 0;
    uint32_t reached = 0;  // the playback time at which the previous record was applied
    uint32_t previousTime = 0;
    std::vector<std::string> lines;
    size_t unsaid = 0;
};

// The warnings of a whole file, as RunWarnings gives them.
std::vector<std::string> runFileWarnings(const RunFile& run);

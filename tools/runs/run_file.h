#pragma once
#include <cstddef>
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

// Reads the run file at path. Returns false and says why (naming the file) when it is not
// a regular file or cannot be opened or read.
bool readRunFile(const std::string& path, RunFile& run, std::string& error);

// Writes the records with the run-file encoder. The file is replaced only once everything
// is written; returns false and says why otherwise.
bool writeRunFile(const std::string& path, const std::vector<RunRecord>& records,
                  std::string& error);

// Warnings playback would not tell: records that keep the run waiting a minute or more,
// times that go backwards, trailing bytes, values that are not finite numbers. One line
// each, without a line feed.
std::vector<std::string> runFileWarnings(const RunFile& run);

#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "replay/run_record.h"

// The header line of the CSV form of a run file.
extern const char kRunCsvHeader[];

// Prints the header and one line per record; floats with nine significant digits, enough
// for every 32-bit float to read back exactly, and a NaN as its bits ("nan:0x7fc00000") so
// that it too reads back exactly.
void printRunCsv(const std::vector<RunRecord>& records, FILE* out);
// The line of one record, without its line feed.
std::string runCsvLine(const RunRecord& record);

// Reads the CSV form (the header line is optional, a leading byte-order mark is skipped)
// from a regular file. Returns false and says why as "PATH:LINE: problem" at the first bad
// line, "PATH: cannot open: why", or, for a file with neither the header nor a record (what
// a failed write leaves), "PATH: holds neither the header line nor a record".
bool readRunCsv(const std::string& path, std::vector<RunRecord>& records, std::string& error);

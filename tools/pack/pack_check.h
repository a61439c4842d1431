#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

#include "pack/findings.h"

struct PackReport {
    size_t errors = 0;
    size_t warnings = 0;
};

// Checks the pack in dir exactly as the demo will read it: the same readers, the same
// letter-case rules, from inside dir. Writes the findings, file by file, and a summary line
// to out. False, with error saying why, when dir cannot be entered; the working directory is
// the same afterwards as before.
bool checkPack(const std::string& dir, FILE* out, PackReport& report, std::string& error);

// What the pack's file name (the program's or a model file's spelling) is shown as: the
// name found, in the pack's own letter case, or the name with '/' when none is found.
std::string shownName(const char* name);

// Opens a file of the pack for reading as the demo's readers do. When it cannot be, adds one
// finding to the current file at line (0: none) with the severity, saying why (missing, with
// a name that would have served on the system packs are made on; not a regular file;
// unreadable) and what follows for the demo, and returns -1. Names that differ only in
// letter case are reported there too. subject leads the text ("tex\\road.bmp: ") where the
// current file is not the one opened.
int openPackFile(const char* name, Findings& findings, Severity severity, size_t line,
                 const std::string& subject, const std::string& consequence);

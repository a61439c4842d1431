#pragma once
#include <string>

// The content pack of an installed copy, found from the running program's own location (the
// pack lies at a fixed place relative to the installed tools), so an install works wherever
// it was unpacked. Empty when the program does not run from an install (the build tree).
std::string installedContentDir();

// The folder that holds the running program, found from /proc/self/exe (so it needs no
// helper program and no PATH); empty when that cannot be read.
std::string programFolder();

#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The system names its files with backslashes ("models\track.ascii"); on this platform
// they are opened with '/' in their place. Paths that already use '/' pass unchanged.
std::string nativePath(const char* path);

// fopen of the native form of path; nullptr when it cannot be opened.
FILE* openFile(const char* path, const char* mode);

// Reads the whole file into out. Returns false for a missing, unreadable or empty file.
bool readWholeFile(const char* path, std::vector<uint8_t>& out);

// Sleeps the calling thread for ms milliseconds.
void pauseMs(uint32_t ms);

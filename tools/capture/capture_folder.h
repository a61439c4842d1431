#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The folder a capture writes into: one path, resolved once at start, from which every output
// is named (the frames, the video and the transcript).

// "frame_00001.png" for frame 1: five digits or more.
std::string frameName(int64_t frame);

extern const char kVideoName[];       // "capture.mp4"
extern const char kTranscriptName[];  // "transcript.txt"

// The absolute path of the folder given on the command line. False and why when the
// working directory's own path cannot be had or the outputs' paths would be too long.
bool resolveCaptureFolder(const std::string& given, std::string& folder, std::string& error);

// Checks, changing nothing, that a capture can be written into folder: it is a folder that
// can be written and listed (or one that can be made inside the nearest folder above it),
// and every file of an earlier capture in it (frames, video, transcript) is a plain file it
// may replace. False and why.
bool checkCaptureFolder(const std::string& folder, std::string& error);

// Makes the folder when it is missing and removes the earlier capture from it: its frames
// (a longer capture's would outnumber the new ones), video and transcript, none of which
// belong to the new frames. False and why.
bool clearCaptureFolder(const std::string& folder, std::string& error);

#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/command_line.h"
#include "common/offline_demo.h"

struct CaptureOptions {
    DemoSettings demo;
    int64_t frames = 300;  // 10 s at 30 frames per second unless told otherwise
    int fps = 30;
    std::string outDir = "capture";
    std::vector<KeyEvent> keys;
    bool video = true;
    bool help = false;
};

// The short usage shown after a command-line error, and the full --help text.
extern const char kCaptureUsage[];
extern const std::string kCaptureHelp;

// Reads the command line. Returns false and says why when an option is unknown, lacks its
// value or has a bad one.
bool parseCaptureOptions(int argc, char** argv, CaptureOptions& options, std::string& error);

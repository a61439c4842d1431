#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/command_line.h"
#include "common/offline_demo.h"

struct CaptureOptions {
    DemoSettings demo;
    // A screen refreshes 60 times a second, and the demo's motion blur keeps 0.7 of the frame
    // before: only at that rate does a moving car trail as far as it does on a monitor.
    int fps = 60;
    int64_t frames = 600;  // 10 s unless told otherwise
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

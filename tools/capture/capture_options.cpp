#include "capture/capture_options.h"

#include <cstring>

const char kCaptureUsage[] =
    "usage: zorvex-capture [OPTION]...\n"
    "Try 'zorvex-capture --help' for more information.\n";

const std::string kCaptureHelp =
    "Usage: zorvex-capture [OPTION]...\n"
    "Renders the Zorvex 2005 Demo frame by frame on a virtual clock that moves a fixed step\n"
    "per frame, into OUT/frame_00001.png ... and, when ffmpeg is installed, OUT/capture.mp4\n"
    "(H.264, encoded as the frames are made) with the demo's music looped under it. The same\n"
    "options always give the same PNG bytes. It opens an ordinary GLUT window: without a\n"
    "screen, run it under xvfb-run.\n"
    "\n"
    "Options:\n"
    "  --content DIR     content folder (default: the installed content pack; run from\n"
    "                    the build tree, the working directory)\n"
    "  --out DIR         output folder (default: capture); an earlier capture there (its\n"
    "                    frame_*.png, capture.mp4 and transcript.txt) is removed once\n"
    "                    the new one can start\n"
    "  --seconds S       demo time to render (default 10)\n"
    "  --frames N        number of frames to render (instead of --seconds); at most\n"
    "                    10000000, however the length is given\n"
    "  --fps N           frames per second of demo time and of the video (default 60, the\n"
    "                    rate at which a 60 Hz screen shows the demo)\n"
    "  --size WxH        frame size in pixels (default " +
    sizeText(kWindowWidth, kWindowHeight) +
    ")\n"
    "  --no-blur         without the accumulation-buffer motion blur\n"
    "  --no-lighting     without lighting\n"
    "  --keys SCRIPT     key releases through the demo's own key handler, separated by\n"
    "                    commas: c@10s releases 'c' at 10 s, c@300 before frame 300\n"
    "  --no-video        PNG frames only\n"
    "  -h, --help        show this help and exit\n"
    "\n"
    "Numbers are decimal digits; seconds may have a fraction (2.5). Relative paths are taken\n"
    "from the working directory. The demo's own lines (loading, PLAYBACK, END) go to\n"
    "OUT/transcript.txt, the progress bar to standard error, and where the frames, the video\n"
    "and the transcript are to standard output. The music is not played. Everything is\n"
    "checked before the output folder is changed; an interrupted capture leaves whole frames\n"
    "and no video.\n"
    "\n"
    "Examples:\n"
    "  $ xvfb-run -a zorvex-capture --seconds 30 --keys c@10s,c@20s\n"
    "  $ zorvex-capture --frames 1 --size 1024x768 --no-video\n";

namespace {

struct Pending {
    bool haveSeconds = false;
    bool haveFrames = false;
    double seconds = 10.0;
};

bool flag(const std::string& name, CaptureOptions& options) {
    if (name == "--no-blur")
        options.demo.blur = false;
    else if (name == "--no-lighting")
        options.demo.lighting = false;
    else if (name == "--no-video")
        options.video = false;
    else if (name == "--help" || name == "-h")
        options.help = true;
    else
        return false;
    return true;
}

bool valued(const std::string& name, const std::string& value, CaptureOptions& options,
            Pending& pending, std::string& error) {
    int64_t number = 0;
    if (name == "--content")
        options.demo.contentDir = value;
    else if (name == "--out")
        options.outDir = value;
    else if (name == "--size")
        return parseSize(name, value, options.demo.width, options.demo.height, error);
    else if (name == "--keys")
        return parseKeyScript(value, options.keys, error);
    else if (name == "--seconds") {
        pending.haveSeconds = true;
        return parseSeconds(name, value, pending.seconds, error);
    } else if (name == "--frames") {
        pending.haveFrames = true;
        if (!parseCount(name, value, 1, kMaxFrames, number, error)) return false;
        options.frames = number;
    } else if (name == "--fps") {
        if (!parseCount(name, value, 1, 1000, number, error)) return false;
        options.fps = static_cast<int>(number);
    }
    return true;
}

bool takesValue(const std::string& name) {
    static const char* const kValued[] = {"--content", "--out",    "--size", "--keys",
                                          "--seconds", "--frames", "--fps"};
    for (const char* known : kValued) {
        if (name == known) return true;
    }
    return false;
}

bool settleLength(const Pending& pending, CaptureOptions& options, std::string& error) {
    if (pending.haveSeconds && pending.haveFrames) {
        error = "give --seconds or --frames, not both";
        return false;
    }
    return pending.haveFrames ||
           framesForSeconds("--seconds", pending.seconds, options.fps, options.frames, error);
}

}  // namespace

bool parseCaptureOptions(int argc, char** argv, CaptureOptions& options, std::string& error) {
    Pending pending;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (flag(name, options)) continue;
        std::string value;
        if (!takesValue(name)) {
            error = std::strncmp(argv[i], "--", 2) == 0 ? "unknown option " + name
                                                        : "unexpected argument \"" + name + "\"";
            return false;
        }
        if (!takeValue(argc, argv, i, value, error) ||
            !valued(name, value, options, pending, error))
            return false;
    }
    return settleLength(pending, options, error);
}

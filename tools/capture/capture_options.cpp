#include "capture/capture_options.h"

#include <cmath>
#include <cstring>

const char kCaptureUsage[] =
    "usage: zorvex-capture [options]\n"
    "Renders the demo frame by frame on a virtual clock into OUT/frame_00001.png ... and,\n"
    "when ffmpeg is installed, OUT/capture.mp4 with the demo's music.\n"
    "  --content DIR     content folder (default: the working directory)\n"
    "  --out DIR         output folder (default: capture)\n"
    "  --seconds S       demo time to render (default 10)\n"
    "  --frames N        number of frames to render (instead of --seconds)\n"
    "  --fps N           frames per second of demo time (default 30)\n"
    "  --size WxH        frame size in pixels (default 450x450)\n"
    "  --no-blur         without the accumulation-buffer motion blur\n"
    "  --no-lighting     without lighting\n"
    "  --keys SCRIPT     key releases, e.g. c@10s,c@20s (at 10 s, 20 s) or c@300 (before frame 300)\n"
    "  --no-video        PNG frames only\n";

namespace {

struct Pending {
    bool haveSeconds = false;
    bool haveFrames = false;
    double seconds = 10.0;
};

bool flag(const std::string& name, CaptureOptions& options) {
    if (name == "--no-blur") options.demo.blur = false;
    else if (name == "--no-lighting") options.demo.lighting = false;
    else if (name == "--no-video") options.video = false;
    else if (name == "--help" || name == "-h") options.help = true;
    else return false;
    return true;
}

bool valued(const std::string& name, const std::string& value, CaptureOptions& options, Pending& pending,
            std::string& error) {
    int64_t number = 0;
    if (name == "--content") options.demo.contentDir = value;
    else if (name == "--out") options.outDir = value;
    else if (name == "--size") return parseSize(name, value, options.demo.width, options.demo.height, error);
    else if (name == "--keys") return parseKeyScript(value, options.keys, error);
    else if (name == "--seconds") {
        pending.haveSeconds = true;
        return parseSeconds(name, value, pending.seconds, error);
    } else if (name == "--frames") {
        pending.haveFrames = true;
        if (!parseCount(name, value, 1, 10000000, number, error)) return false;
        options.frames = number;
    } else if (name == "--fps") {
        if (!parseCount(name, value, 1, 1000, number, error)) return false;
        options.fps = static_cast<int>(number);
    }
    return true;
}

bool takesValue(const std::string& name) {
    static const char* const kValued[] = {"--content", "--out", "--size", "--keys", "--seconds", "--frames", "--fps"};
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
    if (!pending.haveFrames) options.frames = static_cast<int64_t>(std::llround(pending.seconds * options.fps));
    if (options.frames < 1) {
        error = "--seconds: less than one frame to render";
        return false;
    }
    return true;
}

}  // namespace

bool parseCaptureOptions(int argc, char** argv, CaptureOptions& options, std::string& error) {
    Pending pending;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (flag(name, options)) continue;
        std::string value;
        if (!takesValue(name)) {
            error = std::strncmp(argv[i], "--", 2) == 0 ? "unknown option " + name : "unexpected argument \"" + name + "\"";
            return false;
        }
        if (!takeValue(argc, argv, i, value, error) || !valued(name, value, options, pending, error)) return false;
    }
    return settleLength(pending, options, error);
}

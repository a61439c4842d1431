#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Values the tools read from their command lines. Numbers are decimal digits (seconds may
// have a fraction after a point); each parser returns false and says why in error (naming
// the option) when the text is not a valid value.
bool parseSize(const std::string& option, const std::string& text, int& width, int& height,
               std::string& error);
bool parseCount(const std::string& option, const std::string& text, int64_t minimum,
                int64_t maximum, int64_t& value, std::string& error);
bool parseSeconds(const std::string& option, const std::string& text, double& seconds,
                  std::string& error);

// The most frames a tool renders in one run, however the length is given.
constexpr int64_t kMaxFrames = 10000000;

// The number of frames that seconds of demo time make at fps, rounded: from 1 to kMaxFrames,
// or false and why.
bool framesForSeconds(const std::string& option, double seconds, int fps, int64_t& frames,
                      std::string& error);

// Frame k (counting from 0) of a capture at fps frames per second is shown at
// round(k * 1000 / fps) ms, so the steps between frames average exactly 1000 / fps.
uint32_t frameTimeMs(int64_t frameIndex, int fps);

// One key release of a key script: "c@10s" (at 10 s of demo time) or "c@300" (before
// frame 300, counting from 1 like the frame files).
struct KeyEvent {
    unsigned char key = 0;
    bool atTime = false;
    double seconds = 0.0;
    int64_t frame = 0;
};

// Parses a comma-separated key script. 'x' is refused: its release ends the demo.
bool parseKeyScript(const std::string& text, std::vector<KeyEvent>& events, std::string& error);

// The frame number (from 1) before which the key is released: the first frame shown at or
// after its time, or its own frame number.
int64_t keyEventFrame(const KeyEvent& event, int fps);

// Reads the option value that follows argv[index]; false when there is none.
bool takeValue(int argc, char** argv, int& index, std::string& value, std::string& error);

// "WxH", the form parseSize reads: the help texts state the default size with it.
std::string sizeText(int width, int height);

#include "common/command_line.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

// Every number on the tools' command lines is written one way: decimal digits, for seconds
// with a fraction after a point. No sign, exponent, hexadecimal, spaces or "inf".
bool digitsOnly(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

bool wholeNumber(const std::string& text, int64_t& value) {
    if (!digitsOnly(text)) return false;
    errno = 0;
    const long long parsed = std::strtoll(text.c_str(), nullptr, 10);
    if (errno != 0) return false;
    value = parsed;
    return true;
}

// "12", "12.5", "12." or ".5".
bool decimalNumber(const std::string& text, double& value) {
    const size_t point = std::min(text.find('.'), text.size());
    const std::string whole = text.substr(0, point);
    const std::string fraction = point < text.size() ? text.substr(point + 1) : "";
    if ((!whole.empty() && !digitsOnly(whole)) || (!fraction.empty() && !digitsOnly(fraction)) ||
        whole.size() + fraction.size() == 0)
        return false;
    value = std::strtod(text.c_str(), nullptr);
    return std::isfinite(value);
}

bool keyEvent(const std::string& item, KeyEvent& event, std::string& error) {
    const size_t at = item.find('@');
    if (at != 1 || item.size() < 3) {
        error = "--keys: \"" + item + "\" is not KEY@TIME (for example c@10s or c@300)";
        return false;
    }
    event.key = static_cast<unsigned char>(item[0]);
    if (event.key == 'x') {
        error = "--keys: releasing 'x' would end the demo; it cannot be scripted";
        return false;
    }
    const std::string when = item.substr(2);
    if (when.back() == 's') {
        event.atTime = true;
        return parseSeconds("--keys", when.substr(0, when.size() - 1), event.seconds, error);
    }
    return parseCount("--keys", when, 1, INT32_MAX, event.frame, error);
}

}  // namespace

bool parseSize(const std::string& option, const std::string& text, int& width, int& height,
               std::string& error) {
    const size_t cross = text.find('x');
    int64_t w = 0;
    int64_t h = 0;
    if (cross == std::string::npos || !wholeNumber(text.substr(0, cross), w) ||
        !wholeNumber(text.substr(cross + 1), h) || w < 16 || h < 16 || w > 4096 || h > 4096) {
        error = option + ": \"" + text + "\" is not WIDTHxHEIGHT with each from 16 to 4096";
        return false;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool parseCount(const std::string& option, const std::string& text, int64_t minimum,
                int64_t maximum, int64_t& value, std::string& error) {
    if (!wholeNumber(text, value) || value < minimum || value > maximum) {
        error = option + ": \"" + text + "\" is not a whole number from " +
                std::to_string(minimum) + " to " + std::to_string(maximum);
        return false;
    }
    return true;
}

bool parseSeconds(const std::string& option, const std::string& text, double& seconds,
                  std::string& error) {
    // A day of demo time is far more than anyone renders.
    if (!decimalNumber(text, seconds) || seconds > 86400.0) {
        error = option + ": \"" + text + "\" is not a number of seconds from 0 to 86400";
        return false;
    }
    return true;
}

bool framesForSeconds(const std::string& option, double seconds, int fps, int64_t& frames,
                      std::string& error) {
    const double count = std::round(seconds * fps);
    if (count < 1.0 || count > static_cast<double>(kMaxFrames)) {
        error = option + ": " +
                (count < 1.0 ? "less than one frame"
                             : "more than " + std::to_string(kMaxFrames) + " frames") +
                " at " + std::to_string(fps) + " frames per second";
        return false;
    }
    frames = static_cast<int64_t>(count);
    return true;
}

uint32_t frameTimeMs(int64_t frameIndex, int fps) {
    return static_cast<uint32_t>((2 * frameIndex * 1000 + fps) / (2 * static_cast<int64_t>(fps)));
}

bool parseKeyScript(const std::string& text, std::vector<KeyEvent>& events, std::string& error) {
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        KeyEvent event;
        if (!keyEvent(text.substr(start, comma - start), event, error)) return false;
        events.push_back(event);
        start = comma + 1;
    }
    return true;
}

int64_t keyEventFrame(const KeyEvent& event, int fps) {
    if (!event.atTime) return event.frame;
    const double ms = event.seconds * 1000.0;
    int64_t index = static_cast<int64_t>(std::floor(ms * fps / 1000.0));
    while (index > 0 && frameTimeMs(index - 1, fps) >= ms) --index;
    while (frameTimeMs(index, fps) < ms) ++index;
    return index + 1;
}

bool takeValue(int argc, char** argv, int& index, std::string& value, std::string& error) {
    if (index + 1 >= argc) {
        error = std::string(argv[index]) + " needs a value";
        return false;
    }
    value = argv[++index];
    return true;
}

std::string sizeText(int width, int height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

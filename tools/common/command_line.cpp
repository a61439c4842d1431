#include "common/command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

bool wholeNumber(const std::string& text, int64_t& value) {
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    value = parsed;
    return true;
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
    char* end = nullptr;
    const bool plain = !text.empty() && (text[0] == '.' || (text[0] >= '0' && text[0] <= '9'));
    seconds = plain ? std::strtod(text.c_str(), &end) : -1.0;
    // A day of demo time is far more than anyone renders; the bound keeps frame counts sane.
    if (!plain || *end != '\0' || !std::isfinite(seconds) || seconds > 86400.0) {
        error = option + ": \"" + text + "\" is not a number of seconds from 0 to 86400";
        return false;
    }
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

#include "platform/dialogs.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Longer than any answer: what goes past it is no Yes, and is not held in memory.
constexpr size_t kMaxAnswer = 1024;

// Reads one answer: a line of at most kMaxAnswer characters. A longer one stops being read
// there, counts as No (too long is set), and the next question reads on from where it
// stopped. False only when input ended before any character.
bool readAnswerLine(std::string& line, bool& tooLong) {
    line.clear();
    tooLong = false;
    int c = 0;
    bool any = false;
    while ((c = std::fgetc(stdin)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (line.size() == kMaxAnswer) {
            tooLong = true;
            break;
        }
        line.push_back(static_cast<char>(c));
    }
    return any;
}

std::string trimmedLower(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    std::string out;
    for (size_t i = begin; i < end; ++i)
        out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(text[i]))));
    return out;
}

}  // namespace

bool askYesNo(const char* text) {
    std::fprintf(stderr, "Question? %s [y/N] ", text);
    std::fflush(stderr);
    std::string line;
    bool tooLong = false;
    if (!readAnswerLine(line, tooLong) || tooLong) {
        std::fputc('\n', stderr);
        return false;
    }
    const std::string answer = trimmedLower(line);
    return answer == "y" || answer == "yes";
}

void showError(const char* message) {
    size_t length = std::strlen(message);
    while (length > 0 && message[length - 1] == '\n') --length;
    std::fprintf(stderr, "Error: %s\n", printableText(std::string(message, length)).c_str());
    std::fflush(stderr);
}

std::string printableText(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f) {
            out.push_back(c);
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
        out += escaped;
    }
    return out;
}

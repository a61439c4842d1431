#pragma once
#include <cstddef>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

enum class Severity { Error, Warning };

// One problem of a pack: FILE:LINE: error: TEXT (FILE: error: TEXT where no line applies).
struct Finding {
    size_t line = 0;
    Severity severity = Severity::Error;
    std::string text;
};

// The findings of a pack, file by file: each file's come out together, in line order, once the
// file is done. Of each kind of finding a file shows the first few; the rest are counted in one
// line, so a hostile file of a million faulty lines costs neither memory nor a flood.
class Findings {
  public:
    explicit Findings(FILE* out) : out(out) {}

    // Starts the findings of file (a path relative to the pack); ends the file before it.
    void beginFile(const std::string& file);
    // Adds a finding to the current file. kind groups findings for the limit ("no number").
    void add(Severity severity, size_t line, const std::string& kind, const std::string& text);
    void error(size_t line, const std::string& kind, const std::string& text) {
        add(Severity::Error, line, kind, text);
    }
    void warning(size_t line, const std::string& kind, const std::string& text) {
        add(Severity::Warning, line, kind, text);
    }
    // Prints the current file's findings.
    void endFile();

    size_t errors() const { return errorCount; }
    size_t warnings() const { return warningCount; }
    const std::string& currentFile() const { return file; }

  private:
    struct Kind {
        size_t shown = 0;
        size_t hidden = 0;
        Severity severity = Severity::Warning;
    };

    FILE* out;
    std::string file;
    std::vector<Finding> pending;
    std::map<std::string, Kind> kinds;
    size_t errorCount = 0;
    size_t warningCount = 0;
};

// "FILE:LINE: error: TEXT", or "FILE: warning: TEXT" without a line.
std::string formatFinding(const std::string& file, const Finding& finding);

// Text from a pack's file made safe to print and quoted: "END "; a long text is cut short.
std::string quoted(const std::string& text);

// "1 face", "2 faces".
std::string counted(size_t count, const char* one, const char* many);

#include "pack/findings.h"

#include <algorithm>

#include "platform/dialogs.h"

namespace {

// How many findings of one kind a file shows before it only counts them.
constexpr size_t kShownPerKind = 5;

}  // namespace

void Findings::beginFile(const std::string& name) {
    endFile();
    file = name;
}

void Findings::add(Severity severity, size_t line, const std::string& kind,
                   const std::string& text) {
    (severity == Severity::Error ? errorCount : warningCount)++;
    Kind& counted = kinds[kind];
    counted.severity = severity;
    if (counted.shown == kShownPerKind) {
        ++counted.hidden;
        return;
    }
    ++counted.shown;
    pending.push_back(Finding{line, severity, text});
}

void Findings::endFile() {
    std::stable_sort(pending.begin(), pending.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    for (const Finding& finding : pending)
        std::fprintf(out, "%s\n", formatFinding(file, finding).c_str());
    for (const auto& [kind, counted] : kinds) {
        if (counted.hidden == 0) continue;
        const Finding more{
            0, counted.severity,
            std::to_string(counted.hidden) + " more like the above (" + kind + "), not shown"};
        std::fprintf(out, "%s\n", formatFinding(file, more).c_str());
    }
    pending.clear();
    kinds.clear();
}

std::string formatFinding(const std::string& file, const Finding& finding) {
    std::string text = printableText(file);
    if (finding.line > 0) text += ":" + std::to_string(finding.line);
    text += finding.severity == Severity::Error ? ": error: " : ": warning: ";
    return text + finding.text;
}

std::string quoted(const std::string& text) {
    // A line of a hostile file may run to 255 characters; its start says enough.
    constexpr size_t kShown = 60;
    if (text.size() <= kShown) return "\"" + printableText(text) + "\"";
    return "\"" + printableText(text.substr(0, kShown)) + "...\"";
}

std::string counted(size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

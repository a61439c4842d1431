#include "pack/pack_check.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "assets/pack_files.h"
#include "pack/asset_check.h"
#include "pack/model_check.h"
#include "pack/run_check.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "world/track.h"

namespace {

// Larger files than this (a hundred times the size of our landscape) are announced.
constexpr off_t kLargeFile = off_t{256} << 20;

// Choices among names that differ only in letter case, as the resolver reports them; taken
// into the findings of the file being checked right after the open that made them.
std::vector<LetterCaseChoice> choices;

void keepChoice(const LetterCaseChoice& choice) { choices.push_back(choice); }

void reportChoices(Findings& findings, size_t line) {
    for (const LetterCaseChoice& choice : choices) {
        std::string names;
        for (const std::string& name : choice.names) names += (names.empty() ? "" : ", ") + name;
        if (choice.count > choice.names.size()) names += ", ...";
        findings.warning(line, "letter case",
                         quoted(choice.path) + ": " + std::to_string(choice.count) + " names in " +
                             quoted(choice.folder) + " differ only in letter case (" + names +
                             "); the demo takes " + quoted(choice.names[0]));
    }
    choices.clear();
}

// A name as the system packs are made on sees it: letters in one case, '\' as a separator,
// blanks and dots at the end of each name dropped (that system drops them).
std::string looseName(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (c == '\\') c = '/';
        if (c == '/') {
            while (!out.empty() && (out.back() == ' ' || out.back() == '.')) out.pop_back();
        }
        out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '.')) out.pop_back();
    return out;
}

// A file that the missing name would have found on the system packs are made on: one whose
// name holds the rest of the path with '\' (an archive unpacked without its folders), or
// whose names differ in trailing blanks or dots. Empty when there is none.
std::string nearName(const std::string& folder, const std::string& rest) {
    const std::string wanted = looseName(rest);
    const size_t slash = wanted.find('/');
    const std::string first = wanted.substr(0, slash);
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return "";
    std::string found, descend;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string loose = looseName(name);
        if (loose == wanted && (found.empty() || name < found)) found = name;
        if (slash != std::string::npos && loose == first && (descend.empty() || name < descend))
            descend = name;
    }
    closedir(dir);
    const std::string prefix = folder.empty() ? "" : folder + "/";
    if (!found.empty()) return prefix + found;
    if (descend.empty()) return "";
    return nearName(prefix + descend, rest.substr(rest.find_first_of("/\\") + 1));
}

std::string whyNotOpened(const char* name, const std::string& reason) {
    if (reason == std::strerror(ENOENT) || reason == std::strerror(ENOTDIR)) {
        const std::string near = nearName("", nativePath(name));
        if (near.empty()) return "missing";
        const bool oneName = near.find('\\') != std::string::npos;
        return "missing; " + quoted(near) + " would serve on the system packs are made on (" +
               (oneName ? "one file whose name holds its folders, as an archive unpacked "
                          "without them leaves it"
                        : "its names differ in trailing blanks or dots") +
               ")";
    }
    if (reason == "not a regular file" || reason == std::strerror(EISDIR))
        return "not a regular file (" + reason + ")";
    return "cannot be read: " + reason;
}

class WorkingDirectory {
  public:
    WorkingDirectory() : saved(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
    ~WorkingDirectory() {
        if (saved >= 0) {
            if (fchdir(saved) != 0) std::perror("zorvex-pack: cannot return to the folder");
            close(saved);
        }
    }

  private:
    int saved;
};

}  // namespace

std::string shownName(const char* name) {
    std::string shown = resolvePath(name);
    while (shown.compare(0, 2, "./") == 0) shown.erase(0, 2);
    return shown;
}

int openPackFile(const char* name, Findings& findings, Severity severity, size_t line,
                 const std::string& subject, const std::string& consequence) {
    std::string reason;
    const int fd = openRegularFile(name, &reason);
    reportChoices(findings, line);
    if (fd < 0) {
        findings.add(severity, line, "cannot open",
                     subject + whyNotOpened(name, reason) + ": " + consequence);
        return fd;
    }
    // Files are read as they stream, so a huge one costs time, not memory: say so first.
    struct stat info {};
    if (fstat(fd, &info) == 0 && info.st_size > kLargeFile) {
        std::fprintf(stderr, "zorvex-pack: checking %s (%lld MB) takes a while\n",
                     printableText(shownName(name)).c_str(),
                     static_cast<long long>(info.st_size >> 20));
    }
    return fd;
}

bool checkPack(const std::string& dir, FILE* out, PackReport& report, std::string& error) {
    const WorkingDirectory back;
    if (chdir(dir.c_str()) != 0) {
        error = dir + ": cannot check a pack there: " + std::strerror(errno);
        return false;
    }
    setLetterCaseReporter(keepChoice);
    Findings findings(out);
    auto track = std::make_unique<Track>();
    TextureList textures;
    checkTrackModel(kTrackModelFile, findings, textures, *track);
    for (const char* model : {kLandscapeModelFile, kDs21ModelFile, kR5ModelFile})
        checkModel(model, findings, textures);
    checkModelTextures(textures, findings);
    checkSkyAndSmoke(findings);
    checkRuns(*track, findings);
    checkMusic(findings);
    findings.endFile();
    setLetterCaseReporter(nullptr);
    report.errors = findings.errors();
    report.warnings = findings.warnings();
    std::fprintf(out, "%s: %zu error%s, %zu warning%s\n", dir.c_str(), report.errors,
                 report.errors == 1 ? "" : "s", report.warnings, report.warnings == 1 ? "" : "s");
    return true;
}

#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <set>

#include "platform/dialogs.h"

std::string nativePath(const char* path) {
    std::string out(path ? path : "");
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    return out;
}

namespace {

// How many of the matching names a choice lists; the count says how many there were.
constexpr size_t kListedNames = 4;

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

void warnAboutChoice(const LetterCaseChoice& choice) {
    std::string names;
    for (const std::string& name : choice.names) names += (names.empty() ? "" : ", ") + name;
    if (choice.count > choice.names.size()) names += ", ...";
    std::fprintf(
        stderr, "Warning: %s: %zu names in %s differ only in letter case (%s); taking %s\n",
        printableText(choice.path).c_str(), choice.count, printableText(choice.folder).c_str(),
        printableText(names).c_str(), printableText(choice.names[0]).c_str());
}

LetterCaseReporter letterCaseReporter = warnAboutChoice;

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// Each folder's choice is said once, however often the file is opened again (the run
// files are, every time the runs start over).
void reportOnce(const LetterCaseChoice& choice) {
    static std::set<std::string> reported;
    if (reported.insert(choice.folder + '/' + choice.names[0]).second) letterCaseReporter(choice);
}

// The byte-wise first name in folder that matches name but for letter case; "" for none.
std::string findByLetterCase(const std::string& folder, const std::string& name, const char* path) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return "";
    LetterCaseChoice choice;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string candidate = entry->d_name;
        if (!sameButLetterCase(candidate, name)) continue;
        ++choice.count;
        // Only the first few in byte order are kept, so a crowded folder costs no memory.
        auto& names = choice.names;
        names.insert(std::upper_bound(names.begin(), names.end(), candidate), candidate);
        if (names.size() > kListedNames) names.pop_back();
    }
    ::closedir(dir);
    if (choice.count == 0) return "";
    if (choice.count > 1) {
        choice.path = path;
        choice.folder = folder;
        reportOnce(choice);
    }
    return choice.names[0];
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + '/' + name;
}

}  // namespace

bool sameButLetterCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    }
    return true;
}

void setLetterCaseReporter(LetterCaseReporter reporter) {
    letterCaseReporter = reporter ? reporter : warnAboutChoice;
}

std::string resolvePath(const char* path) {
    const std::string native = nativePath(path);
    if (native.empty() || exists(native)) return native;
    std::string found = native[0] == '/' ? "/" : "";
    size_t at = 0;
    while (at < native.size()) {
        const size_t slash = std::min(native.find('/', at), native.size());
        const std::string part = native.substr(at, slash - at);
        at = slash + 1;
        if (part.empty()) continue;
        std::string next = joinPath(found, part);
        if (!exists(next)) {
            const std::string match = findByLetterCase(found.empty() ? "." : found, part, path);
            // Nothing matches: the rest stays as written.
            if (match.empty()) return at < native.size() ? joinPath(next, native.substr(at)) : next;
            next = joinPath(found, match);
        }
        found = next;
    }
    return found;
}

FILE* openFile(const char* path, const char* mode) {
    if (!path) return nullptr;
    return std::fopen(resolvePath(path).c_str(), mode);
}

namespace {

OpenedFileHook openedFileHook = nullptr;

// Opens the exact native name, and only when that does not exist the name resolvePath
// finds: a pack whose names are spelled as the program spells them costs nothing more.
int openByName(const char* path, int flags) {
    const int fd = ::open(nativePath(path).c_str(), flags);
    if (fd >= 0 || (errno != ENOENT && errno != ENOTDIR)) return fd;
    const int exactError = errno;
    const std::string resolved = resolvePath(path);
    if (resolved == nativePath(path)) {
        errno = exactError;
        return -1;
    }
    return ::open(resolved.c_str(), flags);
}

const char* refusalReason(const struct stat& info) {
    return S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "not a regular file";
}

}  // namespace

int openRegularFile(const char* path, std::string* reason) {
    // O_NONBLOCK lets the open of a FIFO without a writer return at once; what was opened
    // is then looked at before a single byte is read.
    const int fd = path ? openByName(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC) : -1;
    if (fd < 0) {
        if (reason) *reason = std::strerror(path ? errno : ENOENT);
        return -1;
    }
    struct stat info {};
    const bool statted = ::fstat(fd, &info) == 0;
    const int statError = errno;
    if (statted && S_ISREG(info.st_mode)) {
        // Regular files never block; reading goes on in the ordinary blocking mode.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        return fd;
    }
    ::close(fd);
    if (reason) *reason = statted ? refusalReason(info) : std::strerror(statError);
    return -1;
}

FILE* openRegularStream(const char* path, std::string* reason) {
    const int fd = openRegularFile(path, reason);
    if (fd < 0) return nullptr;
    FILE* stream = ::fdopen(fd, "rb");
    if (!stream) {
        if (reason) *reason = std::strerror(errno);
        ::close(fd);
    } else if (openedFileHook) {
        openedFileHook(path);
    }
    return stream;
}

FileReader::FileReader(const char* path) {
    fd = openRegularFile(path);
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) == 0) length = static_cast<uint64_t>(info.st_size);
    if (openedFileHook) openedFileHook(path);
}

FileReader::~FileReader() {
    if (fd >= 0) ::close(fd);
}

bool FileReader::read(uint64_t offset, size_t count, std::vector<uint8_t>& out) {
    out.clear();
    if (fd < 0) return false;
    if (offset >= length) return true;
    out.resize(static_cast<size_t>(std::min<uint64_t>(count, length - offset)));
    size_t got = 0;
    while (got < out.size()) {
        const ssize_t n =
            ::pread(fd, out.data() + got, out.size() - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;  // cut short since it was opened
        got += static_cast<size_t>(n);
    }
    out.resize(got);
    return true;
}

void setOpenedFileHook(OpenedFileHook hook) { openedFileHook = hook; }

void pauseMs(uint32_t ms) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ms / 1000u);
    ts.tv_nsec = static_cast<long>(ms % 1000u) * 1000000L;
    while (nanosleep(&ts, &ts) != 0) {
    }
}

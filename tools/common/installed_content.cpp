#include "common/installed_content.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

std::string programFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "";
    const std::string exe(path, static_cast<size_t>(length));
    return exe.substr(0, exe.rfind('/'));
}

std::string installedContentDir() {
    const std::string folder = programFolder();
    if (folder.empty()) return "";
    const std::string candidate = folder + "/" + ZORVEX_CONTENT_FROM_TOOLS;
    struct stat info;
    if (stat(candidate.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return "";
    char resolved[PATH_MAX];
    return realpath(candidate.c_str(), resolved) ? std::string(resolved) : candidate;
}

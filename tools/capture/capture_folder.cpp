#include "capture/capture_folder.h"

#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/command_line.h"
#include "common/output_file.h"

const char kVideoName[] = "capture.mp4";
const char kTranscriptName[] = "transcript.txt";

std::string frameName(int64_t frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05lld.png", static_cast<long long>(frame));
    return name;
}

namespace {

std::string because(const std::string& path, const std::string& what, int error) {
    return path + ": " + what + ": " + std::strerror(error);
}

// "frame_" and five or more digits and ".png", as frameName writes them.
bool isFrameFile(const std::string& name) {
    const size_t digits = name.size() - std::strlen("frame_.png");
    if (name.size() < 15 || name.compare(0, 6, "frame_") != 0 ||
        name.compare(6 + digits, 4, ".png") != 0)
        return false;
    return name.find_first_not_of("0123456789", 6) == 6 + digits;
}

bool isCaptureFile(const std::string& name) {
    return isFrameFile(name) || name == kVideoName || name == kTranscriptName;
}

// The names of the earlier capture's files in folder; false and why when it cannot be listed.
bool captureFilesIn(const std::string& folder, std::vector<std::string>& names,
                    std::string& error) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        error = because(folder,
                        "cannot list the folder, so an earlier capture in it could not "
                        "be removed",
                        errno);
        return false;
    }
    errno = 0;
    while (const dirent* entry = readdir(dir)) {
        if (isCaptureFile(entry->d_name)) names.push_back(entry->d_name);
        errno = 0;
    }
    const int failure = errno;
    closedir(dir);
    if (failure == 0) return true;
    error = because(folder, "cannot list the folder", failure);
    return false;
}

// The nearest folder at or above path that exists; path itself when it does.
std::string nearestExisting(std::string path) {
    struct stat info;
    while (path.size() > 1 && stat(path.c_str(), &info) != 0 && errno == ENOENT) {
        const size_t slash = path.rfind('/');
        path = slash == 0 ? "/" : path.substr(0, slash);
    }
    return path;
}

bool makeFolders(const std::string& path, std::string& error) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            error = because(part, "cannot create the folder", errno);
            return false;
        }
        if (slash == std::string::npos) return true;
    }
}

}  // namespace

bool resolveCaptureFolder(const std::string& given, std::string& folder, std::string& error) {
    if (given.empty()) {
        error = "--out: the output folder needs a name";
        return false;
    }
    folder = given;
    if (given[0] != '/') {
        char cwd[PATH_MAX];
        if (!getcwd(cwd, sizeof cwd)) {
            error = because(given,
                            "cannot tell where the output folder is, as the working "
                            "directory's path cannot be had (give --out as an absolute "
                            "path)",
                            errno);
            return false;
        }
        folder = std::string(cwd) + (cwd[1] ? "/" : "") + given;
    }
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    // The longest name inside: an OutputFile's new file for the last frame a capture can have.
    const size_t longest =
        std::strlen("/.") + frameName(kMaxFrames).size() + std::strlen(".XXXXXX");
    if (folder.size() + longest >= PATH_MAX) {
        error = folder + ": the output folder's path is too long for the files in it";
        return false;
    }
    return true;
}

bool checkCaptureFolder(const std::string& folder, std::string& error) {
    const std::string existing = nearestExisting(folder);
    struct stat info;
    if (stat(existing.c_str(), &info) != 0) {
        error = because(existing, "cannot be used as the output folder", errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        error = existing + ": is not a folder" +
                (existing == folder ? "" : ", so " + folder + " cannot be created");
        return false;
    }
    if (access(existing.c_str(), W_OK | X_OK) != 0) {
        error = because(existing,
                        existing == folder ? "cannot write into the folder"
                                           : "cannot create " + folder + " in it",
                        errno);
        return false;
    }
    if (existing != folder) return true;
    std::vector<std::string> names;
    if (!captureFilesIn(folder, names, error)) return false;
    for (const std::string& name : names) {
        if (!checkOutputPath(folder + "/" + name, {}, error)) return false;
    }
    return true;
}

bool clearCaptureFolder(const std::string& folder, std::string& error) {
    std::vector<std::string> names;
    if (!makeFolders(folder, error) || !captureFilesIn(folder, names, error)) return false;
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        if (unlink(path.c_str()) != 0 && errno != ENOENT) {
            error = because(path, "cannot remove this file of an earlier capture", errno);
            return false;
        }
    }
    return true;
}

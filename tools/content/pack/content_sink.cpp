#include "content/pack/content_sink.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

bool makeFolder(const std::string& path, std::string& error) {
    if (mkdir(path.c_str(), 0777) == 0 || errno == EEXIST) return true;
    error = "cannot create folder " + path + ": " + std::strerror(errno);
    return false;
}

long fileSize(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
}

}  // namespace

bool ContentSink::prepare(std::string& error) const {
    if (!makeFolder(root, error)) return false;
    for (const char* sub : {"models", "tex", "rec", "audio"}) {
        if (!makeFolder(root + "/" + sub, error)) return false;
    }
    return true;
}

std::string ContentSink::diskPath(const std::string& demoPath) const {
    std::string path = root + "/" + demoPath;
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

bool ContentSink::writeModel(const std::string& demoPath, const std::vector<MeshObject>& objects,
                             size_t faceBudget, std::string& error) const {
    std::string text;
    if (!formatModel(objects, faceBudget, text, error)) {
        error = demoPath + ": " + error;
        return false;
    }
    if (!writeTextFile(diskPath(demoPath), text, error)) return false;
    announce(demoPath);
    return true;
}

bool ContentSink::writeBitmap(const std::string& demoPath, const Picture& picture,
                              std::string& error) const {
    return writeBytes(demoPath, encodeBmp24(picture), error);
}

bool ContentSink::writeBytes(const std::string& demoPath, const std::vector<uint8_t>& bytes,
                             std::string& error) const {
    if (!writeBinaryFile(diskPath(demoPath), bytes, error)) return false;
    announce(demoPath);
    return true;
}

void ContentSink::announce(const std::string& demoPath) const {
    std::printf("wrote %-24s %8ld bytes\n", demoPath.c_str(), fileSize(diskPath(demoPath)));
}

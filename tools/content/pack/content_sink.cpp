#include "content/pack/content_sink.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/output_file.h"
#include "content/pack/pack_layout.h"

namespace {

// A folder is fine when it is one (or a link to one) or does not exist yet.
bool checkFolder(const std::string& path, std::string& error) {
    struct stat info;
    if (stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return true;
        error = "cannot create folder " + path + ": a file of that name is in the way";
        return false;
    }
    if (errno == ENOENT) return true;
    error = "cannot create folder " + path + ": " + std::strerror(errno);
    return false;
}

bool makeFolder(const std::string& path, std::string& error) {
    if (mkdir(path.c_str(), 0777) == 0 || errno == EEXIST) return true;
    error = "cannot create folder " + path + ": " + std::strerror(errno);
    return false;
}

long fileSize(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); !from.empty() && at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

}  // namespace

bool ContentSink::prepare(std::string& error) const {
    std::vector<std::string> folders = {root};
    for (const char* sub : kPackFolders) folders.push_back(root + "/" + sub);
    for (const std::string& folder : folders) {
        if (!checkFolder(folder, error)) return false;
    }
    for (const char* file : kGeneratedFiles) {
        const std::string path = diskPath(file);
        struct stat info;
        if (lstat(path.c_str(), &info) != 0 && errno == ENOENT) continue;
        if (!checkOutputPath(path, {}, error)) return false;
    }
    for (const std::string& folder : folders) {
        if (!makeFolder(folder, error)) return false;
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
    return writeBytes(demoPath, std::vector<uint8_t>(text.begin(), text.end()), error);
}

bool ContentSink::writeBitmap(const std::string& demoPath, const Picture& picture,
                              std::string& error) const {
    return writeBytes(demoPath, encodeBmp24(picture), error);
}

bool ContentSink::writeBytes(const std::string& demoPath, const std::vector<uint8_t>& bytes,
                             std::string& error) const {
    OutputFile file;
    if (!inLayout(demoPath, error) || !file.open(diskPath(demoPath), {}, error)) return false;
    file.write(bytes.data(), bytes.size());
    if (!file.commit(error)) return false;
    announce(demoPath);
    return true;
}

bool ContentSink::writeByName(const std::vector<std::string>& demoPaths, const FillByName& fill,
                              std::string& error) const {
    std::vector<std::unique_ptr<OutputFile>> files;
    std::vector<std::string> names;
    for (const std::string& demoPath : demoPaths) {
        files.push_back(std::make_unique<OutputFile>());
        if (!inLayout(demoPath, error) || !files.back()->open(diskPath(demoPath), {}, error))
            return false;
        names.push_back(files.back()->newFileName());
    }
    if (!fill(names, error)) {
        for (size_t i = 0; i < names.size(); ++i)
            replaceAll(error, names[i], diskPath(demoPaths[i]));
        return false;
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (!files[i]->commit(error)) return false;
        announce(demoPaths[i]);
    }
    return true;
}

bool ContentSink::inLayout(const std::string& demoPath, std::string& error) const {
    for (const char* file : kGeneratedFiles) {
        if (demoPath == file) return true;
    }
    error = diskPath(demoPath) + ": not a file of the pack's layout (pack/pack_layout.h)";
    return false;
}

void ContentSink::announce(const std::string& demoPath) const {
    std::printf("wrote %-24s %8ld bytes\n", demoPath.c_str(), fileSize(diskPath(demoPath)));
}

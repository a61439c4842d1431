#include "support/files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

TempDir::TempDir() {
    char pattern[] = "/tmp/zorvex-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    root = made ? made : "/tmp";
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (root.rfind("/tmp/zorvex-test-", 0) == 0) fs::remove_all(root, ignored);
}

std::string TempDir::file(const std::string& relative) const {
    std::string full = root + "/" + relative;
    std::replace(full.begin(), full.end(), '\\', '/');
    std::error_code ignored;
    fs::create_directories(fs::path(full).parent_path(), ignored);
    return full;
}

void TempDir::write(const std::string& relative, const std::string& content) const {
    std::ofstream(file(relative), std::ios::binary) << content;
}

void TempDir::write(const std::string& relative, const std::vector<uint8_t>& content) const {
    write(relative, std::string(content.begin(), content.end()));
}

ScopedCwd::ScopedCwd(const std::string& dir) : previous(fs::current_path().string()) {
    if (chdir(dir.c_str()) != 0) ADD_FAILURE() << "cannot enter " << dir;
}

ScopedCwd::~ScopedCwd() {
    if (chdir(previous.c_str()) != 0)
        std::fprintf(stderr, "cannot return to %s\n", previous.c_str());
}

std::string readTextFile(const std::string& path) {
    std::stringstream buffer;
    buffer << std::ifstream(path, std::ios::binary).rdbuf();
    return buffer.str();
}

std::vector<std::string> namesInFolder(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<uint8_t> readBinaryFile(const std::string& path) {
    const std::string text = readTextFile(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

OutputCapture::OutputCapture(int fd) : fd(fd) {
    char pattern[] = "/tmp/zorvex-capture-XXXXXX";
    const int temp = mkstemp(pattern);
    tempPath = pattern;
    std::fflush(nullptr);
    saved = dup(fd);
    dup2(temp, fd);
    close(temp);
}

OutputCapture::~OutputCapture() { finish(); }

std::string OutputCapture::finish() {
    if (finished) return {};
    finished = true;
    std::fflush(nullptr);
    dup2(saved, fd);
    close(saved);
    std::string text = readTextFile(tempPath);
    unlink(tempPath.c_str());
    return text;
}

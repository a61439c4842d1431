#include "support/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {
void makeParents(const std::string& path) {
    for (size_t i = 1; i < path.size(); ++i) {
        if (path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
    }
}
}  // namespace

TempDir::TempDir() {
    char pattern[] = "/tmp/zorvex-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    root = made ? made : "/tmp";
}

TempDir::~TempDir() {
    if (root.rfind("/tmp/zorvex-test-", 0) == 0) {
        const std::string command = "rm -rf '" + root + "'";
        if (std::system(command.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", root.c_str());
    }
}

std::string TempDir::file(const std::string& relative) const {
    const std::string full = root + "/" + relative;
    makeParents(full);
    return full;
}

void TempDir::write(const std::string& relative, const std::string& content) const {
    std::ofstream out(file(relative), std::ios::binary);
    out << content;
}

void TempDir::write(const std::string& relative, const std::vector<uint8_t>& content) const {
    std::ofstream out(file(relative), std::ios::binary);
    out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
}

ScopedCwd::ScopedCwd(const std::string& dir) {
    char buffer[4096];
    if (getcwd(buffer, sizeof buffer)) previous = buffer;
    if (chdir(dir.c_str()) != 0) ADD_FAILURE() << "cannot enter " << dir;
}

ScopedCwd::~ScopedCwd() {
    if (!previous.empty() && chdir(previous.c_str()) != 0) std::fprintf(stderr, "cannot return to %s\n", previous.c_str());
}

std::string readTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
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

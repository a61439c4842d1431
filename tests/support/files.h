#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A fresh directory under /tmp, removed with its content when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return root; }
    // Absolute path of a file inside; creates the parent folders of relative. A '\\' in
    // relative separates folders too, so a file can be named as the program names it.
    std::string file(const std::string& relative) const;
    void write(const std::string& relative, const std::string& content) const;
    void write(const std::string& relative, const std::vector<uint8_t>& content) const;

  private:
    std::string root;
};

// Changes the working directory for the scope and changes it back after.
class ScopedCwd {
  public:
    explicit ScopedCwd(const std::string& dir);
    ~ScopedCwd();

  private:
    std::string previous;
};

std::string readTextFile(const std::string& path);
// The names in a folder, "." and ".." left out, sorted; empty when it cannot be listed.
std::vector<std::string> namesInFolder(const std::string& folder);
std::vector<uint8_t> readBinaryFile(const std::string& path);

// Captures what this process writes to standard output (or error) between start and
// finish, at the file-descriptor level so printf and direct writes are both seen.
class OutputCapture {
  public:
    explicit OutputCapture(int fd = 1);
    ~OutputCapture();
    std::string finish();

  private:
    int fd;
    int saved = -1;
    std::string tempPath;
    bool finished = false;
};

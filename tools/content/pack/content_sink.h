#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "content/pack/bmp_writer.h"
#include "content/pack/model_writer.h"

// Writes the files of one content pack under its folder, naming each file as the demo does
// ("models\track.ascii" lands in <folder>/models/track.ascii), and prints one line per file.
class ContentSink {
  public:
    explicit ContentSink(std::string folder) : root(std::move(folder)) {}

    // Creates the folder and its models, tex, rec and audio subfolders. Returns false and
    // says which folder could not be made.
    bool prepare(std::string& error) const;
    // The path on disk of a demo path such as "tex\track.bmp".
    std::string diskPath(const std::string& demoPath) const;

    // Each writer returns false and names the file and the problem in error; a model of more
    // faces than its budget is refused.
    bool writeModel(const std::string& demoPath, const std::vector<MeshObject>& objects,
                    size_t faceBudget, std::string& error) const;
    bool writeBitmap(const std::string& demoPath, const Picture& picture, std::string& error) const;
    bool writeBytes(const std::string& demoPath, const std::vector<uint8_t>& bytes,
                    std::string& error) const;
    // Reports a file that another writer has put in place.
    void announce(const std::string& demoPath) const;

  private:
    std::string root;
};

#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "content/pack/bmp_writer.h"
#include "content/pack/model_writer.h"

// Writes the files of one content pack under its folder, naming each file as the demo does
// ("models\track.ascii" lands in <folder>/models/track.ascii), and prints one line per file.
// Every file is written whole or not at all (common/output_file.h): to a new file beside it,
// put in place when complete, so an interrupted or failed run leaves each file of an older
// pack as it was. Only the files of the pack's layout (pack_layout.h) are written.
class ContentSink {
  public:
    explicit ContentSink(std::string folder) : root(std::move(folder)) {}

    // Checks the folder, its subfolders and every file of the pack before anything is
    // written: a folder that cannot be made, or a link, device, FIFO or folder where a file
    // of the pack belongs, is refused with nothing touched. Then makes the folders. False,
    // with error naming the path and the problem.
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

    // For writers that can only open a file by its name (the replay recorder, the PNG writer):
    // `fill` gets the names of new files for demoPaths, in their order, and fills them; once it
    // has, each is put in place. Its failure is told with the pack's file names.
    using FillByName =
        std::function<bool(const std::vector<std::string>& names, std::string& error)>;
    bool writeByName(const std::vector<std::string>& demoPaths, const FillByName& fill,
                     std::string& error) const;

  private:
    bool inLayout(const std::string& demoPath, std::string& error) const;
    void announce(const std::string& demoPath) const;

    std::string root;
};

#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "assets/bitmap.h"
#include "support/files.h"

namespace {

std::vector<std::string> corpusFiles(const std::string& folder) {
    const std::string dir = std::string(ZORVEX_SOURCE_DIR) + "/tests/corpus/" + folder;
    std::vector<std::string> files;
    if (DIR* handle = opendir(dir.c_str())) {
        while (const dirent* entry = readdir(handle)) {
            if (entry->d_name[0] != '.') files.push_back(dir + "/" + entry->d_name);
        }
        closedir(handle);
    }
    std::sort(files.begin(), files.end());
    return files;
}

// "<case>.<outcome>.bmp" -> outcome.
std::string expectedOutcome(const std::string& path) {
    const size_t end = path.rfind('.');
    const size_t begin = path.rfind('.', end - 1);
    return path.substr(begin + 1, end - begin - 1);
}

// The outcome in a seed's name for each error, in the order BitmapError lists them.
const char* const kOutcomeNames[] = {"ok", "unknown", "conversion", "oom"};

}  // namespace

// The seed corpus of malformed and unusual files: each file's name says what must happen.
class AssetCorpus : public ::testing::Test {};

TEST_F(AssetCorpus, EveryBitmapSeedDecodesOrFailsAsItsNameSays) {
    const std::vector<std::string> files = corpusFiles("bitmap");
    ASSERT_GE(files.size(), 40u);
    for (const std::string& path : files) {
        const std::vector<uint8_t> bytes = readBinaryFile(path);
        BitmapError error = BitmapError::None;
        const auto image = decodeBitmap(bytes.data(), bytes.size(), error);
        EXPECT_EQ(kOutcomeNames[static_cast<int>(error)], expectedOutcome(path)) << path;
        EXPECT_EQ(image != nullptr, error == BitmapError::None) << path;
        if (image) {
            EXPECT_GT(image->width, 0) << path;
            EXPECT_GT(image->height, 0) << path;
            EXPECT_EQ(image->data.size(), static_cast<size_t>(image->width) * image->height * 3)
                << path;
        }
    }
}

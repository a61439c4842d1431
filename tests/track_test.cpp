#include "world/track.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/model_files.h"

namespace {

// A triangle covering (0..2, 0..2) and more, at one height (world units).
Triangle level(float z) { return Triangle{{{-1, -1, z}, {4, -1, z}, {-1, 4, z}}}; }

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Triangles in table order, then queries: x, y, reference height and the height expected.
struct SurfaceCase {
    const char* scene;
    std::vector<Triangle> triangles;
    std::vector<std::array<float, 4>> queries;
};

}  // namespace

TEST(TrackSurface, HeightQueriesFindTheNearerOfTheFirstTwoSurfaces) {
    const Triangle square[2] = {{{{0, 0, 1}, {1, 0, 1}, {1, 1, 1}}},
                                {{{0, 0, 1}, {1, 1, 1}, {0, 1, 1}}}};
    const SurfaceCase cases[] = {
        {"no triangles", {}, {{0.5f, 0.5f, 0, -100}}},
        {"outside every triangle",
         {square[0], square[1]},
         {{5, 5, 0, -100}, {1.01f, 0.5f, 1, -100}}},
        {"one slope, any reference",
         {{{{0, 0, 1}, {2, 0, 2}, {0, 2, 1}}}},
         {{0.3f, 0.2f, -50, 1.15f}, {0.3f, 0.2f, 0, 1.15f}, {0.3f, 0.2f, 1000, 1.15f}}},
        {"corners and edges count",
         {{{{0, 0, 2}, {1, 0, 2}, {0, 1, 2}}}},
         {{0, 0, 0, 2}, {1, 0, 0, 2}, {0, 0.5f, 0, 2}}},
        // On the shared diagonal the road counts twice, so the bridge above is never looked at.
        {"shared edge under a bridge",
         {square[0], square[1], level(5)},
         {{0.7f, 0.2f, 5, 5}, {0.5f, 0.5f, 5, 1}}},
        {"bridge over the road",
         {level(1), level(3)},
         {{0.5f, 0.5f, 1.2f, 1}, {0.5f, 0.5f, 2.8f, 3}, {0.5f, 0.5f, -7, 1}, {0.5f, 0.5f, 2, 3}}},
        {"midway goes to the later triangle", {level(3), level(1)}, {{0.5f, 0.5f, 2, 1}}},
        // 0.50003 and 0.50007 away are both 5000 whole steps; 0.49996 and 0.50014 are not.
        {"distances in 0.0001 steps",
         {level(1), level(2.0001f)},
         {{0.5f, 0.5f, 1.50003f, 2.0001f}, {0.5f, 0.5f, 1.49996f, 1}}},
        {"only the first two surfaces", {level(1), level(3), level(1.9f)}, {{0.5f, 0.5f, 1.9f, 1}}},
        {"below zero", {level(-2.5f)}, {{0.5f, 0.5f, 0, -2.5f}}},
        {"a vertical wall, even on it",
         {{{{0, 0, 0}, {1, 0, 0}, {0, 0, 1}}}},
         {{0.2f, 0, 0.2f, -100}, {0, 0, 0, -100}}},
        {"non-finite corners and points",
         {{{{kNaN, 0, 0}, {1, 0, 0}, {0, 1, 0}}},
          {{{-kInf, -1, 0}, {4, -1, 0}, {-1, 4, 9}}},
          level(1)},
         {{0.5f, 0.5f, 0, 1},
          {50, 50, 0, -100},
          {kNaN, 0.5f, 0, -100},
          {kInf, kInf, 0, -100},
          {0.5f, 0.5f, kNaN, 1}}},
    };
    for (const SurfaceCase& c : cases) {
        auto track = std::make_unique<Track>();
        for (const Triangle& triangle : c.triangles)
            track->triangles[track->triangleCount++] = triangle;
        for (const auto& [x, y, z, height] : c.queries) {
            EXPECT_NEAR(track->heightAt(x, y, z), height, 1e-6f)
                << c.scene << " at " << x << ", " << y << ", " << z;
        }
    }
}

TEST(RayTriangle, ADeterminantOfExactlyOneMillionthStillCounts) {
    const double orig[3] = {0, 0, 0};
    const double dir[3] = {0, 0, 1};
    const double vert0[3] = {0, 0, 0};
    const double vert2[3] = {1, 0, 0};
    const double onLimit[3] = {0, 0.000001, 0};
    const double inside[3] = {0, 0.00000099, 0};
    double t = -1, u = -1, v = -1;
    EXPECT_TRUE(intersectRayTriangle(orig, dir, vert0, onLimit, vert2, &t, &u, &v));
    EXPECT_EQ(t, 0.0);
    EXPECT_FALSE(intersectRayTriangle(orig, dir, vert0, inside, vert2, &t, &u, &v));
}

class TrackFile : public ::testing::Test {
  protected:
    // Reads text as a model file; returns what was printed on standard output.
    std::string read(const std::string& text, const std::string& name = "track.ascii") {
        dir.write(name, text);
        OutputCapture capture;
        OutputCapture captureErr(2);
        opened = track->readTriangles(dir.file(name).c_str());
        err = captureErr.finish();
        return capture.finish();
    }
    void expectCorner(int triangle, int corner, float x, float y, float z) {
        const Vec3& v = track->triangles[triangle].corner[corner];
        EXPECT_EQ(v.x, x);
        EXPECT_EQ(v.y, y);
        EXPECT_EQ(v.z, z);
    }

    TempDir dir;
    bool opened = false;
    std::string err;
    std::unique_ptr<Track> track = std::make_unique<Track>();
};

TEST_F(TrackFile, ObjectsAddTheirFacesInOrderEachIndexingItsOwnVertices) {
    TestObject bridge = plate(300);
    bridge.positions = {{999, 999, 999}, {0, 0, 300}, {150, 0, 300}, {0, 150, 300.5}};
    bridge.faces = {{1, 2, 3}, {3, 1, 2}};
    const std::string out = read(modelText({plate(100), bridge}));
    EXPECT_TRUE(opened);
    EXPECT_EQ(out, "Track Init...OK\n");
    EXPECT_EQ(err, "");
    ASSERT_EQ(track->triangleCount, 3);
    expectCorner(0, 1, 1.0f, 0.0f, 1.0f);
    expectCorner(1, 0, 0.0f, 0.0f, 3.0f);
    expectCorner(1, 1, 1.5f, 0.0f, 3.0f);
    expectCorner(1, 2, 0.0f, 1.5f, static_cast<float>(300.5f * 0.01));
    expectCorner(2, 0, 0.0f, 1.5f, static_cast<float>(300.5f * 0.01));
    EXPECT_EQ(track->heightAt(0.2f, 0.2f, 0.0f), 1.0f);
}

// Each line of the file means to the track what it means to the drawing loader: the track's
// table holds exactly the drawn faces' corners, in order, whatever odd text the file holds.
TEST_F(TrackFile, ReadsEveryLineAsTheDrawingLoaderDoes) {
    const std::string base = modelText({plate(100), plate(200)});
    const std::string nulNext("NEXT\0junk\n", 10);
    const std::array<std::string, 2> edits[] = {
        {"\n", "\r\n"},
        {"\n0\n0\n100\n", "\n  150xyz\n-2.5e2\nnothing\n"},
        {"\n0\n0\n100\n", "\ninf\nnan\n0x10\n"},
        {"\n0\n0\n100\n", "\n1e999\n0\n100\n"},
        {"\n0\n0\n100\n", "\n3.5e38\n0\n100\n"},
        {"NEXT\n", nulNext},
        {"START\n", "START \n"},
        {"\n0\n1\n2\nEND", "\n0\n1.9\n 2x\nEND"},
    };
    for (const auto& [from, to] : edits) {
        std::string text = base;
        for (size_t at = text.find(from); at != std::string::npos;
             at = from == "\n" ? text.find(from, at + 2) : std::string::npos) {
            text.replace(at, from.size(), to);
        }
        read(text);
        std::vector<Vec3> drawn;
        for (const ModelObject& object : parseModelText(text).objects) {
            for (const ModelFace& face : object.faces) {
                for (int32_t vertex : face.vertex)
                    drawn.push_back(object.positions[static_cast<size_t>(vertex)]);
            }
        }
        ASSERT_EQ(static_cast<size_t>(track->triangleCount) * 3, drawn.size()) << to;
        for (size_t i = 0; i < drawn.size(); ++i) {
            const Vec3& corner = track->triangles[i / 3].corner[i % 3];
            EXPECT_TRUE(corner.x == drawn[i].x && corner.y == drawn[i].y && corner.z == drawn[i].z)
                << to << " corner " << i;
        }
    }
}

TEST_F(TrackFile, TrianglesWithACornerBeyondTheFloatRangeAreLeftOutWithOneWarning) {
    TestObject spoiled = plate(100);
    spoiled.positions[0][0] = 3.5e38;
    spoiled.positions[2][2] = -1e300;
    spoiled.faces = {{0, 1, 2}, {1, 2, 0}, {1, 2, 2}};
    EXPECT_EQ(read(modelText({spoiled, plate(200)})), "Track Init...OK\n");
    EXPECT_EQ(err, "Warning: " + dir.file("track.ascii") +
                       ": 3 triangles with a corner beyond the 32-bit float range were left out "
                       "(first: object 1, face 1)\n");
    ASSERT_EQ(track->triangleCount, 1);
    EXPECT_EQ(track->heightAt(0.2f, 0.2f, 0.0f), 2.0f);
    EXPECT_EQ(track->heightAt(50.0f, 50.0f, 0.0f), -100.0f);
}

// A directory or a device is refused before anything is read, and says so instead of "OK".
TEST_F(TrackFile, AMissingOrNotRegularFileLeavesAnEmptyTableAndSaysSo) {
    mkdir(dir.file("folder.ascii").c_str(), 0755);
    ASSERT_EQ(symlink("/dev/null", dir.file("null.ascii").c_str()), 0);
    for (const char* name : {"none.ascii", "folder.ascii", "null.ascii"}) {
        track->triangleCount = 5;
        OutputCapture capture;
        const std::string path = dir.file(name);
        EXPECT_FALSE(track->readTriangles(path.c_str()));
        EXPECT_EQ(capture.finish(), "Track Init...unable to open " + path + "\n");
        EXPECT_EQ(track->triangleCount, 0);
    }
}

TEST_F(TrackFile, FacesBeyondTheTableOrNamingVerticesTheObjectDoesNotHoldAreDropped) {
    TestObject road = plate(100);
    road.faces = {{0, 1, 3}, {-1, 1, 2}, {2, 1, 0}, {0, 2999, 1}, {0, 1, 2147483647}, {1, 0, 2}};
    read(modelText({road}));
    ASSERT_EQ(track->triangleCount, 2);
    expectCorner(0, 0, 0.0f, 1.0f, 1.0f);
    expectCorner(1, 0, 1.0f, 0.0f, 1.0f);

    TestObject many = plate(100);
    many.faces.assign(2999, {0, 1, 2});
    TestObject more = plate(200);
    more.faces.assign(5, {0, 1, 2});
    read(modelText({many, more}));
    ASSERT_EQ(track->triangleCount, Track::kMaxTriangles);
    EXPECT_EQ(track->triangles[2999].corner[0].z, 2.0f);
}

// Kept, and said once on standard error with the file's last line; standard output as ever.
TEST_F(TrackFile, AFileEndingInsideAnObjectKeepsTheTrianglesReadSoFarAndSaysWhere) {
    const std::string whole = modelText({plate(100), plate(200)});
    const std::string inFaces = whole.substr(0, whole.rfind("END\n"));
    const std::string midFace = inFaces.substr(0, inFaces.size() - 2);
    const std::string inVertices = whole.substr(0, whole.rfind("100\n0\n200\n"));
    const std::string inSkipped = whole.substr(0, whole.rfind("\n0\n1\n2\nNEXT\n"));
    const std::string inHeader = whole.substr(0, whole.rfind("object\n"));
    const std::string unended = inFaces.substr(0, inFaces.size() - 1);  // no line feed at the end
    // Text, triangles kept, the last line of the file.
    const std::tuple<std::string, int, int> cases[] = {
        {inFaces, 2, 75},   {midFace, 1, 74},  {inVertices, 1, 44},
        {inSkipped, 1, 68}, {inHeader, 1, 39}, {unended, 2, 75},
    };
    for (const auto& [text, kept, line] : cases) {
        EXPECT_EQ(read(text), "Track Init...OK\n");
        EXPECT_EQ(track->triangleCount, kept);
        EXPECT_EQ(err, "Warning: " + dir.file("track.ascii") +
                           ": the file ends inside object 2, at line " + std::to_string(line) +
                           "; the track's surface holds what was read up to there\n");
    }
    read(whole);
    EXPECT_EQ(err, "");
}

TEST_F(TrackFile, ThreeThousandVertsAreQuietAndMoreKeepTheRestOfTheFileInStep) {
    TestObject full = plate(100);
    full.positions.resize(3000, {7, 7, 7});
    full.faces = {{2999, 0, 1}};
    EXPECT_EQ(read(modelText({full})), "Track Init...OK\n");
    EXPECT_EQ(track->triangleCount, 1);

    TestObject big;
    for (int i = 0; i < 3002; ++i) big.positions.push_back({static_cast<double>(i), 0, 100});
    big.positions[2][1] = 100;
    big.faces = {{0, 1, 2}, {2999, 0, 2}, {3000, 0, 2}, {3001, 0, 2}};
    EXPECT_EQ(read(modelText({big, plate(200)})), "Track Init...too many vertsOK\n");
    ASSERT_EQ(track->triangleCount, 3);
    expectCorner(1, 0, 29.99f, 0.0f, 1.0f);
    expectCorner(2, 0, 0.0f, 0.0f, 2.0f);
}

#include "world/track.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <locale.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/gl_context.h"
#include "support/tiny_content.h"

namespace {

// One object of a model file, in file units (hundredths of a world unit).
struct ModelObject {
    std::vector<std::array<std::string, 3>> vertices;
    std::vector<std::array<int, 3>> faces;
};

std::array<std::string, 3> at(double x, double y, double z) {
    std::array<std::string, 3> out;
    const double values[3] = {x, y, z};
    for (int i = 0; i < 3; ++i) {
        std::ostringstream text;
        text << values[i];
        out[i] = text.str();
    }
    return out;
}

std::string objectText(const ModelObject& object) {
    std::string text = "START\nobject\ntex\\road.bmp\n";
    for (const auto& v : object.vertices) text += v[0] + "\n" + v[1] + "\n" + v[2] + "\n";
    text += "NEXT\n";
    for (size_t i = 0; i < object.vertices.size(); ++i) text += "0\n0\n100\n";
    text += "NEXT\n0\n0\nNEXT\n";
    for (size_t i = 0; i < object.faces.size(); ++i) text += "0\n0\n0\n";
    text += "NEXT\n";
    for (const auto& f : object.faces) {
        text += std::to_string(f[0]) + "\n" + std::to_string(f[1]) + "\n" + std::to_string(f[2]) + "\n";
    }
    return text + "END\n";
}

std::string modelText(const std::vector<ModelObject>& objects) {
    std::string text;
    for (const auto& object : objects) text += objectText(object);
    return text;
}

std::string withCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// A right triangle of file units 0..100 at height z (file units): corners (0,0) (100,0) (0,100).
ModelObject plate(double z) { return ModelObject{{at(0, 0, z), at(100, 0, z), at(0, 100, z)}, {{0, 1, 2}}}; }

class TrackSurface : public ::testing::Test {
protected:
    void add(Vec3 a, Vec3 b, Vec3 c) { track->triangles[track->triangleCount++] = Triangle{{a, b, c}}; }
    // Two triangles sharing the diagonal from (x0, y0) to (x1, y1).
    void addSquare(float x0, float y0, float x1, float y1, float z) {
        add({x0, y0, z}, {x1, y0, z}, {x1, y1, z});
        add({x0, y0, z}, {x1, y1, z}, {x0, y1, z});
    }
    // A triangle covering (0..2, 0..2) and more, at one height.
    void addLevel(float z) { add({-1, -1, z}, {4, -1, z}, {-1, 4, z}); }

    std::unique_ptr<Track> track = std::make_unique<Track>();
};

TEST_F(TrackSurface, APointOutsideEveryTriangleHasNoSurface) {
    EXPECT_EQ(track->heightAt(0.5f, 0.5f, 0.0f), -100.0f);
    addSquare(0, 0, 1, 1, 1.0f);
    EXPECT_EQ(track->heightAt(5.0f, 5.0f, 0.0f), -100.0f);
    EXPECT_EQ(track->heightAt(1.01f, 0.5f, 1.0f), -100.0f);
}

TEST_F(TrackSurface, OneSurfaceGivesItsHeightWhateverTheReference) {
    add({0, 0, 1.0f}, {2, 0, 2.0f}, {0, 2, 1.0f});  // rises by 0.5 per unit of x
    for (float reference : {-50.0f, 0.0f, 1.15f, 1000.0f}) {
        EXPECT_NEAR(track->heightAt(0.3f, 0.2f, reference), 1.15f, 1e-6f) << reference;
    }
}

TEST_F(TrackSurface, ACornerOrEdgeOfATriangleCountsAsOnIt) {
    add({0, 0, 2.0f}, {1, 0, 2.0f}, {0, 1, 2.0f});
    EXPECT_EQ(track->heightAt(0.0f, 0.0f, 0.0f), 2.0f);
    EXPECT_EQ(track->heightAt(1.0f, 0.0f, 0.0f), 2.0f);
    EXPECT_EQ(track->heightAt(0.0f, 0.5f, 0.0f), 2.0f);
}

TEST_F(TrackSurface, ASharedEdgeCountsTwiceSoTheBridgeAboveIsNeverConsidered) {
    addSquare(0, 0, 1, 1, 1.0f);
    addLevel(5.0f);
    // Off the diagonal the road is hit once and the bridge is the nearer second surface.
    EXPECT_EQ(track->heightAt(0.7f, 0.2f, 5.0f), 5.0f);
    EXPECT_EQ(track->heightAt(0.5f, 0.5f, 5.0f), 1.0f);
}

TEST_F(TrackSurface, ABridgeOverTheRoadGivesTheLevelNearerTheReference) {
    addLevel(1.0f);
    addLevel(3.0f);
    EXPECT_EQ(track->heightAt(0.5f, 0.5f, 1.2f), 1.0f);
    EXPECT_EQ(track->heightAt(0.5f, 0.5f, 2.8f), 3.0f);
    EXPECT_EQ(track->heightAt(0.5f, 0.5f, -7.0f), 1.0f);
    // Exactly midway the later triangle wins, whichever level it is.
    EXPECT_EQ(track->heightAt(0.5f, 0.5f, 2.0f), 3.0f);
    track->triangleCount = 0;
    addLevel(3.0f);
    addLevel(1.0f);
    EXPECT_EQ(track->heightAt(0.5f, 0.5f, 2.0f), 1.0f);
}

TEST_F(TrackSurface, DistancesWithinOneTenThousandthStepCountAsEqual) {
    addLevel(1.0f);
    addLevel(2.0001f);
    // 0.50003 and 0.50007 away: both 5000 whole steps, so the later (farther) level wins.
    EXPECT_EQ(track->heightAt(0.5f, 0.5f, 1.50003f), 2.0001f);
    // 0.49996 and 0.50014 away: 4999 against 5001 steps.
    EXPECT_EQ(track->heightAt(0.5f, 0.5f, 1.49996f), 1.0f);
}

TEST_F(TrackSurface, OnlyTheFirstTwoSurfacesTakePart) {
    addLevel(1.0f);
    addLevel(3.0f);
    addLevel(1.9f);
    EXPECT_EQ(track->heightAt(0.5f, 0.5f, 1.9f), 1.0f);
}

TEST_F(TrackSurface, ASurfaceBelowZeroIsFound) {
    addLevel(-2.5f);
    EXPECT_EQ(track->heightAt(0.5f, 0.5f, 0.0f), -2.5f);
}

TEST_F(TrackSurface, AVerticalWallIsNeverHitEvenOnIt) {
    add({0, 0, 0}, {1, 0, 0}, {0, 0, 1});
    EXPECT_EQ(track->heightAt(0.2f, 0.0f, 0.2f), -100.0f);
    EXPECT_EQ(track->heightAt(0.0f, 0.0f, 0.0f), -100.0f);
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

TEST(RayTriangle, UAndVAreWrittenEvenWhenTheTestFails) {
    const double orig[3] = {0.8, 0.8, 0};
    const double dir[3] = {0, 0, 1};
    const double vert0[3] = {0, 0, 1}, vert1[3] = {1, 0, 1}, vert2[3] = {0, 1, 1};
    double t = -1, u = -1, v = -1;
    EXPECT_FALSE(intersectRayTriangle(orig, dir, vert0, vert1, vert2, &t, &u, &v));
    EXPECT_NEAR(u, 0.8, 1e-12);
    EXPECT_NEAR(v, 0.8, 1e-12);
    EXPECT_EQ(t, -1);
}

class TrackFile : public ::testing::Test {
protected:
    // Reads text as a model file; returns what was printed.
    std::string read(const std::string& text, const std::string& name = "track.ascii") {
        dir.write(name, text);
        OutputCapture capture;
        opened = track->readTriangles(dir.file(name).c_str());
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
    std::unique_ptr<Track> track = std::make_unique<Track>();
};

TEST_F(TrackFile, ObjectsAddTheirFacesInOrderEachIndexingItsOwnVertices) {
    ModelObject road = plate(100);
    ModelObject bridge{{at(999, 999, 999), at(0, 0, 300), at(150, 0, 300), at(0, 150, 300.5)}, {{1, 2, 3}, {3, 1, 2}}};
    const std::string out = read(modelText({road, bridge}));
    EXPECT_TRUE(opened);
    EXPECT_EQ(out, "Track Init...OK\n");
    ASSERT_EQ(track->triangleCount, 3);
    expectCorner(0, 1, 1.0f, 0.0f, 1.0f);
    expectCorner(1, 0, 0.0f, 0.0f, 3.0f);
    expectCorner(1, 1, 1.5f, 0.0f, 3.0f);
    expectCorner(1, 2, 0.0f, 1.5f, static_cast<float>(300.5f * 0.01));
    expectCorner(2, 0, 0.0f, 1.5f, static_cast<float>(300.5f * 0.01));
    EXPECT_EQ(track->heightAt(0.2f, 0.2f, 0.0f), 1.0f);
}

TEST_F(TrackFile, NumbersReadLikeAtofAndAtoi) {
    const std::string text = "START\nx\ny\n  150xyz\n-2.5e2\nnothing\n0\n0\n0\n1\n1\n1\nNEXT\nNEXT\nNEXT\nNEXT\n"
                             " 1\n2.9\n0\nEND\n";
    read(text);
    ASSERT_EQ(track->triangleCount, 1);
    expectCorner(0, 0, 0.0f, 0.0f, 0.0f);
    expectCorner(0, 1, 0.01f, 0.01f, 0.01f);
    expectCorner(0, 2, 1.5f, -2.5f, 0.0f);
}

TEST_F(TrackFile, CrLfLineEndsReadTheSameAsLineFeeds) {
    const std::string text = modelText({plate(100), plate(-50)});
    read(text, "lf.ascii");
    Track crlf;
    dir.write("crlf.ascii", withCrLf(text));
    OutputCapture capture;
    crlf.readTriangles(dir.file("crlf.ascii").c_str());
    EXPECT_EQ(capture.finish(), "Track Init...OK\n");
    ASSERT_EQ(crlf.triangleCount, 2);
    ASSERT_EQ(track->triangleCount, 2);
    for (int i = 0; i < 2; ++i) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(crlf.triangles[i].corner[c].z, track->triangles[i].corner[c].z);
            EXPECT_EQ(crlf.triangles[i].corner[c].x, track->triangles[i].corner[c].x);
        }
    }
}

TEST_F(TrackFile, MarkersMustBeWholeLines) {
    read("START \n" + modelText({plate(100)}));
    EXPECT_EQ(track->triangleCount, 0);
    read("start\n" + modelText({plate(100)}).substr(6));
    EXPECT_EQ(track->triangleCount, 0);
}

TEST_F(TrackFile, AMissingFileLeavesAnEmptyTableAndSaysSo) {
    track->triangleCount = 5;
    OutputCapture capture;
    const std::string path = dir.file("models/none.ascii");
    EXPECT_FALSE(track->readTriangles(path.c_str()));
    EXPECT_EQ(capture.finish(), "Track Init...unable to open " + path + "\n");
    EXPECT_EQ(track->triangleCount, 0);
}

TEST_F(TrackFile, FacesBeyondTheTableAreDropped) {
    ModelObject many = plate(100);
    many.faces.assign(2999, {0, 1, 2});
    ModelObject more = plate(200);
    more.faces.assign(5, {0, 1, 2});
    read(modelText({many, more}));
    ASSERT_EQ(track->triangleCount, Track::kMaxTriangles);
    EXPECT_EQ(track->triangles[2999].corner[0].z, 2.0f);
}

TEST_F(TrackFile, FacesNamingVerticesTheObjectDoesNotHoldAreDropped) {
    ModelObject road = plate(100);
    road.faces = {{0, 1, 3}, {-1, 1, 2}, {2, 1, 0}, {0, 2999, 1}, {0, 1, 2147483647}, {1, 0, 2}};
    read(modelText({road}));
    ASSERT_EQ(track->triangleCount, 2);
    expectCorner(0, 0, 0.0f, 1.0f, 1.0f);
    expectCorner(1, 0, 1.0f, 0.0f, 1.0f);
}

TEST_F(TrackFile, AFileEndingInsideAnObjectKeepsTheTrianglesReadSoFar) {
    const std::string whole = modelText({plate(100), plate(200)});
    const std::string inFaces = whole.substr(0, whole.rfind("END\n"));
    const std::string midFace = inFaces.substr(0, inFaces.size() - 2);
    const std::string inVertices = whole.substr(0, whole.rfind("100\n0\n200\n"));
    const std::string inSkipped = whole.substr(0, whole.rfind("NEXT\n0\n0\nNEXT\n"));
    const std::string inHeader = whole.substr(0, whole.rfind("object\n"));
    EXPECT_EQ(read(inFaces), "Track Init...OK\n");
    EXPECT_EQ(track->triangleCount, 2);
    for (const std::string& text : {midFace, inVertices, inSkipped, inHeader}) {
        EXPECT_EQ(read(text), "Track Init...OK\n");
        EXPECT_EQ(track->triangleCount, 1);
    }
}

TEST_F(TrackFile, TooManyVertsKeepsTheFirst3000AndTheRestOfTheFileInStep) {
    ModelObject big;
    for (int i = 0; i < 3002; ++i) big.vertices.push_back(at(i, 0, 100));
    big.vertices[2].at(1) = "100";
    big.faces = {{0, 1, 2}, {2999, 0, 2}, {3000, 0, 2}, {3001, 0, 2}};
    const std::string out = read(modelText({big, plate(200)}));
    EXPECT_EQ(out, "Track Init...too many vertsOK\n");
    ASSERT_EQ(track->triangleCount, 3);
    expectCorner(1, 0, 29.99f, 0.0f, 1.0f);
    expectCorner(2, 0, 0.0f, 0.0f, 2.0f);
}

TEST_F(TrackFile, ExactlyThreeThousandVertsIsNoMessage) {
    ModelObject full = plate(100);
    while (full.vertices.size() < 3000) full.vertices.push_back(at(7, 7, 7));
    full.faces = {{2999, 0, 1}};
    EXPECT_EQ(read(modelText({full})), "Track Init...OK\n");
    EXPECT_EQ(track->triangleCount, 1);
}

// Builds a locale whose decimal point is a comma, as a user's locale might be.
bool useCommaLocale(const TempDir& dir) {
    const std::string command = "localedef -i de_DE -f UTF-8 '" + dir.file("de_DE.UTF-8") + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return false;
    setenv("LOCPATH", dir.path().c_str(), 1);
    return setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

TEST_F(TrackFile, TheUsersLocaleDoesNotChangeTheDecimalPoint) {
    TempDir localeDir;
    if (!useCommaLocale(localeDir)) GTEST_SKIP() << "no locale with a decimal comma could be built";
    ASSERT_EQ(std::atof("1,5"), 1.5);
    ModelObject road{{at(0, 0, 150.5), at(100, 0, 150.5), at(0, 100, 150.5)}, {{0, 1, 2}}};
    read(modelText({road}));
    setlocale(LC_ALL, "C");
    ASSERT_EQ(track->triangleCount, 1);
    EXPECT_EQ(track->triangles[0].corner[0].z, static_cast<float>(150.5f * 0.01));
}

TEST(TrackModel, TheTrackReadsItsTrianglesThenHasTheLoaderBuildItsList) {
    ensureGlContext();
    TempDir dir;
    dir.write("models/track.ascii", modelText({plate(100), plate(200)}));
    dir.write("tex/road.bmp", solidBmp(4, 4, 90, 90, 90));
    ScopedCwd cwd(dir.path());
    OutputCapture capture;
    auto track = std::make_unique<Track>("models\\track.ascii");
    const std::string out = capture.finish();
    EXPECT_EQ(out.rfind("Track Init...OK\n", 0), 0u) << out;
    EXPECT_NE(out.find("track.ascii", 16), std::string::npos) << out;
    EXPECT_EQ(track->triangleCount, 2);
    EXPECT_NE(track->modelList, 0u);
    EXPECT_TRUE(glIsList(track->modelList));
}

TEST(TrackModel, AMissingTrackFileEndsTheProgramWithTheLoadersMessage) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    EXPECT_EXIT(
        {
            ensureGlContext();
            Track track("models\\track.ascii");
        },
        ::testing::ExitedWithCode(1), "models/track.ascii");
}

}  // namespace

// The generated cars, sky and smoke, read back through the game's own readers.
// The content generator's sources join the test program through its include path; until
// they do, this file has nothing to compile against and stays empty.
#if __has_include("cars.h")

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "assets/bitmap.h"
#include "assets/model_parser.h"
#include "cars.h"
#include "sky_smoke.h"
#include "support/files.h"
#include "support/model_files.h"
#include "world/track.h"

namespace {

struct Bounds {
    Vec3 low{1e9f, 1e9f, 1e9f};
    Vec3 high{-1e9f, -1e9f, -1e9f};
    void add(const Vec3& p) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
};

constexpr double kDrawScale = 0.25;  // the car's draw transform

Vec3 sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 cross(const Vec3& a, const Vec3& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(const Vec3& a, const Vec3& b) { return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z; }

// Moller-Trumbore hit of the ray origin + t * dir (t > 0) with triangle abc.
bool rayHits(const double origin[3], const double dir[3], const Vec3& a, const Vec3& b, const Vec3& c) {
    const double e1[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
    const double e2[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
    const double p[3] = {dir[1] * e2[2] - dir[2] * e2[1], dir[2] * e2[0] - dir[0] * e2[2], dir[0] * e2[1] - dir[1] * e2[0]};
    const double det = e1[0] * p[0] + e1[1] * p[1] + e1[2] * p[2];
    if (std::fabs(det) < 1e-14) return false;
    const double s[3] = {origin[0] - a.x, origin[1] - a.y, origin[2] - a.z};
    const double u = (s[0] * p[0] + s[1] * p[1] + s[2] * p[2]) / det;
    if (u < 0.0 || u > 1.0) return false;
    const double q[3] = {s[1] * e1[2] - s[2] * e1[1], s[2] * e1[0] - s[0] * e1[2], s[0] * e1[1] - s[1] * e1[0]};
    const double v = (dir[0] * q[0] + dir[1] * q[1] + dir[2] * q[2]) / det;
    if (v < 0.0 || u + v > 1.0) return false;
    return (e2[0] * q[0] + e2[1] * q[1] + e2[2] * q[2]) / det > 0.0;
}

// A point is inside a closed mesh when a ray from it crosses the surface an odd number of times.
bool insideClosedMesh(const ModelObject& object, const double point[3]) {
    const double dir[3] = {0.267, 0.534, 0.802};  // skewed, so it runs along no edge of the lofted grid
    int crossings = 0;
    for (const ModelFace& f : object.faces) {
        if (rayHits(point, dir, object.positions[f.vertex[0]], object.positions[f.vertex[1]], object.positions[f.vertex[2]]))
            ++crossings;
    }
    return crossings % 2 == 1;
}

struct Texel {
    int r, g, b;
};

Texel texelAt(const ImageRecord& image, double s, double t) {
    const int x = std::clamp(static_cast<int>(s * image.width), 0, image.width - 1);
    const int y = std::clamp(static_cast<int>(t * image.height), 0, image.height - 1);
    const uint8_t* p = &image.data[(static_cast<size_t>(y) * image.width + x) * 3];
    return {p[0], p[1], p[2]};
}

bool isPowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

class ContentCarsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        pack = new TempDir();
        std::string error;
        generated = writeCars(pack->path(), error) && writeSkyAndSmoke(pack->path(), error);
        generationError = error;
    }
    static void TearDownTestSuite() {
        delete pack;
        pack = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(generated) << generationError; }

    static ParsedModel readModel(const std::string& name) { return parseModelFile(pack->path() + "/models/" + name); }
    static std::unique_ptr<ImageRecord> readImage(const std::string& name) {
        const std::vector<uint8_t> bytes = readBinaryFile(pack->path() + "/tex/" + name);
        BitmapError error = BitmapError::None;
        auto image = decodeBitmap(bytes.data(), bytes.size(), error);
        EXPECT_EQ(error, BitmapError::None) << name;
        return image;
    }
    static Bounds drawnBounds(const ParsedModel& model) {
        Bounds bounds;
        for (const ModelObject& object : model.objects)
            for (const Vec3& p : object.positions)
                bounds.add({float(p.x * kDrawScale), float(p.y * kDrawScale), float(p.z * kDrawScale)});
        return bounds;
    }

    static TempDir* pack;
    static bool generated;
    static std::string generationError;
};

TempDir* ContentCarsTest::pack = nullptr;
bool ContentCarsTest::generated = false;
std::string ContentCarsTest::generationError;

TEST_F(ContentCarsTest, BothCarsParseWithoutAMessageAndNameTheirOwnTexture) {
    for (const std::string car : {"ds21", "r5"}) {
        const ParsedModel model = readModel(car + ".ascii");
        const ModelTextureList& textures = model.textures;
        EXPECT_EQ(textures.fault, ModelTextureFault::None);
        ASSERT_EQ(textures.textures.size(), 2u) << car;
        EXPECT_EQ(textures.textures[0], "tex\\" + car + ".bmp");
        EXPECT_EQ(textures.textures[1], "xxx");
        EXPECT_EQ(model.geometry.tooManyVerts, 0) << car;
        EXPECT_EQ(model.geometry.outsideObject.count, 0) << car << ": " << model.geometry.outsideObject.first;
        size_t faces = 0;
        for (const ModelObject& object : model.objects) faces += object.faces.size();
        EXPECT_GE(faces, 500u) << car;
        EXPECT_LE(faces, 2500u) << car;
    }
}

TEST_F(ContentCarsTest, TheTrackReaderTakesEveryFaceOfACarModel) {
    ScopedCwd cwd(pack->path());
    for (const char* path : {"models\\ds21.ascii", "models\\r5.ascii"}) {
        auto surface = std::make_unique<Track>();
        OutputCapture capture;
        ASSERT_TRUE(surface->readTriangles(path));
        EXPECT_EQ(capture.finish(), "Track Init...OK\n");
        const std::string name = std::string(path).substr(7);
        size_t faces = 0;
        for (const ModelObject& object : readModel(name).objects) faces += object.faces.size();
        EXPECT_EQ(static_cast<size_t>(surface->triangleCount), faces) << path;
    }
}

TEST_F(ContentCarsTest, DrawnSizesSuitTheSceneAndTheWheelsStandOnTheGround) {
    struct Expected {
        const char* file;
        double minLength, maxLength, smokeDistance;
    };
    for (const Expected& car : {Expected{"ds21.ascii", 0.5, 0.6, 0.3}, Expected{"r5.ascii", 0.36, 0.44, 0.2}}) {
        const Bounds b = drawnBounds(readModel(car.file));
        const double length = b.high.y - b.low.y;
        EXPECT_GE(length, car.minLength) << car.file;
        EXPECT_LE(length, car.maxLength) << car.file;
        EXPECT_NEAR(b.low.z, 0.0, 1e-6) << car.file;
        EXPECT_NEAR(b.low.x + b.high.x, 0.0, 1e-4) << car.file;
        EXPECT_NEAR(b.low.y + b.high.y, 0.0, 1e-4) << car.file;
        EXPECT_GT(b.high.z, 0.12) << car.file;
        EXPECT_LT(b.high.z, 0.17) << car.file;
        // The smoke appears just behind the tail, and the probes lie within the footprint.
        EXPECT_LE(b.high.y, car.smokeDistance + 1e-4) << car.file;
        EXPECT_GE(b.high.y, car.smokeDistance - 0.03) << car.file;
        EXPECT_GE(b.high.x, 0.15 * std::sqrt(0.5)) << car.file;
    }
}

TEST_F(ContentCarsTest, EveryNormalIsUnitLengthAndFacesOutOfItsClosedShell) {
    for (const char* car : {"ds21.ascii", "r5.ascii"}) {
        const ParsedModel model = readModel(car);
        for (size_t o = 0; o < model.objects.size(); ++o) {
            const ModelObject& object = model.objects[o];
            // Written 100 long, so the reader's 0.01 scale hands back unit normals.
            for (const Vec3& n : object.normals) ASSERT_NEAR(std::sqrt(dot(n, n)), 1.0, 1e-4) << car;
            int inward = 0, disagreeing = 0;
            for (const ModelFace& f : object.faces) {
                const Vec3& a = object.positions[f.vertex[0]];
                const Vec3& b = object.positions[f.vertex[1]];
                const Vec3& c = object.positions[f.vertex[2]];
                const Vec3 face = cross(sub(b, a), sub(c, a));
                const double area2 = std::sqrt(dot(face, face));
                if (area2 < 1e-12) continue;
                for (int k = 0; k < 3; ++k)
                    if (dot(face, object.normals[f.vertex[k]]) <= 0.0) ++disagreeing;
                const double step = 1e-4 / area2;
                const double outside[3] = {(a.x + b.x + c.x) / 3.0 + face.x * step, (a.y + b.y + c.y) / 3.0 + face.y * step,
                                           (a.z + b.z + c.z) / 3.0 + face.z * step};
                if (insideClosedMesh(object, outside)) ++inward;
            }
            EXPECT_EQ(inward, 0) << car << " object " << o << ": faces wound into the shell";
            EXPECT_EQ(disagreeing, 0) << car << " object " << o << ": corner normals against their face";
        }
    }
}

TEST_F(ContentCarsTest, HeadlampsShineAtTheNoseAndTailLampsGlowAtTheTail) {
    for (const std::string car : {"ds21", "r5"}) {
        const ParsedModel model = readModel(car + ".ascii");
        const auto texture = readImage(car + ".bmp");
        ASSERT_TRUE(texture);
        const ModelObject& body = model.objects[0];
        const Bounds b = drawnBounds(model);
        int white = 0, red = 0;
        for (const ModelFace& f : body.faces) {
            const float y = body.positions[f.vertex[0]].y * kDrawScale;
            const bool nose = std::fabs(y - b.low.y) < 1e-5;
            const bool tail = std::fabs(y - b.high.y) < 1e-5;
            if (!nose && !tail) continue;
            // Sample the face's texture on a grid of barycentric points.
            for (int i = 0; i <= 10; ++i) {
                for (int j = 0; i + j <= 10; ++j) {
                    double s = 0.0, t = 0.0;
                    const double w[3] = {i / 10.0, j / 10.0, 1.0 - (i + j) / 10.0};
                    for (int k = 0; k < 3; ++k) {
                        s += w[k] * body.texCoords[f.texCoord[k]].u;
                        t += w[k] * body.texCoords[f.texCoord[k]].v;
                    }
                    const Texel c = texelAt(*texture, s, t);
                    if (nose && c.r > 220 && c.g > 220 && c.b > 180) ++white;
                    if (tail && c.r > 170 && c.g < 70 && c.b < 70) ++red;
                    EXPECT_FALSE(nose && c.r > 170 && c.g < 70 && c.b < 70) << car << ": tail lamp colour on the nose";
                }
            }
        }
        EXPECT_GT(white, 10) << car;
        EXPECT_GT(red, 10) << car;
    }
}

TEST_F(ContentCarsTest, EveryBitmapDecodesWithPowerOfTwoSides) {
    for (const char* name : {"ds21.bmp", "r5.bmp", "clouds.bmp", "smoke.bmp"}) {
        const auto image = readImage(name);
        ASSERT_TRUE(image) << name;
        EXPECT_TRUE(isPowerOfTwo(image->width)) << name << " " << image->width;
        EXPECT_TRUE(isPowerOfTwo(image->height)) << name << " " << image->height;
    }
}

TEST_F(ContentCarsTest, SmokeIsAPuffOnExactBlackWithNoFaintSpecks) {
    const auto smoke = readImage("smoke.bmp");
    ASSERT_TRUE(smoke);
    const double centre = (smoke->width - 1) * 0.5;
    int lit = 0;
    for (int y = 0; y < smoke->height; ++y) {
        for (int x = 0; x < smoke->width; ++x) {
            const uint8_t* p = &smoke->data[(static_cast<size_t>(y) * smoke->width + x) * 3];
            const int brightest = std::max({p[0], p[1], p[2]});
            if (std::hypot(x - centre, y - centre) > 0.5 * smoke->width) {
                ASSERT_EQ(brightest, 0) << "pixel " << x << "," << y << " outside the puff";
            }
            EXPECT_TRUE(brightest == 0 || brightest >= 10) << "faint speck at " << x << "," << y;
            if (brightest > 0) ++lit;
        }
    }
    const Texel middle = texelAt(*smoke, 0.5, 0.5);
    EXPECT_GT(middle.r, 120);
    EXPECT_GT(lit, smoke->width * smoke->height / 5);
}

TEST_F(ContentCarsTest, SkyTilesAcrossItsEdgesAndHoldsBothBlueAndCloud) {
    const auto sky = readImage("clouds.bmp");
    ASSERT_TRUE(sky);
    const int w = sky->width, h = sky->height;
    const auto channel = [&](int x, int y, int c) { return int(sky->data[(static_cast<size_t>(y) * w + x) * 3 + c]); };
    // Across the seam the image should change no more than between two neighbouring columns.
    double seamX = 0.0, innerX = 0.0, seamY = 0.0, innerY = 0.0;
    for (int i = 0; i < h; ++i)
        for (int c = 0; c < 3; ++c) {
            seamX += std::abs(channel(0, i, c) - channel(w - 1, i, c));
            innerX += std::abs(channel(w / 2, i, c) - channel(w / 2 - 1, i, c));
        }
    for (int i = 0; i < w; ++i)
        for (int c = 0; c < 3; ++c) {
            seamY += std::abs(channel(i, 0, c) - channel(i, h - 1, c));
            innerY += std::abs(channel(i, h / 2, c) - channel(i, h / 2 - 1, c));
        }
    EXPECT_LT(seamX / (3.0 * h), 4.0);
    EXPECT_LT(seamY / (3.0 * w), 4.0);
    EXPECT_LT(seamX, 2.0 * innerX + 3.0 * h);
    EXPECT_LT(seamY, 2.0 * innerY + 3.0 * w);
    int blue = 0, cloud = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (channel(x, y, 2) > channel(x, y, 0) + 60) ++blue;
            if (channel(x, y, 0) > 200 && channel(x, y, 2) > 200) ++cloud;
        }
    EXPECT_GT(blue, w * h / 5);
    EXPECT_GT(cloud, w * h / 20);
}

TEST_F(ContentCarsTest, GeneratingAgainGivesTheSameBytes) {
    TempDir again;
    std::string error;
    ASSERT_TRUE(writeCars(again.path(), error)) << error;
    ASSERT_TRUE(writeSkyAndSmoke(again.path(), error)) << error;
    for (const char* file : {"models/ds21.ascii", "models/r5.ascii", "tex/ds21.bmp", "tex/r5.bmp", "tex/clouds.bmp", "tex/smoke.bmp"})
        EXPECT_TRUE(readBinaryFile(pack->path() + "/" + file) == readBinaryFile(again.path() + "/" + file)) << file;
}

TEST(ContentCarsFolders, AFileWhereTheTextureFolderShouldBeIsReported) {
    TempDir pack;
    pack.write("tex", std::string("not a folder"));
    std::string error;
    EXPECT_FALSE(writeCars(pack.path(), error));
    EXPECT_NE(error.find(pack.path() + "/tex"), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(writeSkyAndSmoke(pack.path(), error));
    EXPECT_NE(error.find(pack.path() + "/tex"), std::string::npos) << error;
}

}  // namespace

#endif

// The generated cars, sky and smoke, read back through the game's own readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "assets/bitmap.h"
#include "assets/model_parser.h"
#include "content/cars/cars.h"
#include "content/maths/vector.h"
#include "content/pack/content_sink.h"
#include "content/scenery/sky_smoke.h"
#include "support/files.h"
#include "support/model_files.h"
#include "world/track.h"

namespace {

constexpr float kDrawScale = 0.25f;  // the car's draw transform

// A parsed model's point or direction in the generator's own vector.
V3 toV3(const Vec3& v) { return {v.x, v.y, v.z}; }

// A point is inside a closed mesh when a ray from it crosses the surface an odd number of
// times; the ray test is the track's own, in file units so no face is too small for it.
bool insideClosedMesh(const ModelObject& object, const double point[3]) {
    const double origin[3] = {point[0] * 100, point[1] * 100, point[2] * 100};
    const double dir[3] = {0.267, 0.534,
                           0.802};  // skewed, so it runs along no edge of the lofted grid
    int crossings = 0;
    for (const ModelFace& f : object.faces) {
        double corner[3][3], t = 0, u = 0, v = 0;
        for (int k = 0; k < 3; ++k) {
            const Vec3& p = object.positions[f.vertex[k]];
            corner[k][0] = p.x * 100.0;
            corner[k][1] = p.y * 100.0;
            corner[k][2] = p.z * 100.0;
        }
        crossings +=
            intersectRayTriangle(origin, dir, corner[0], corner[1], corner[2], &t, &u, &v) && t > 0
                ? 1
                : 0;
    }
    return crossings % 2 == 1;
}

// R, G, B of the texel at (s, t), clamped to the image.
const uint8_t* texel(const ImageRecord& image, double s, double t) {
    const int x = std::clamp(static_cast<int>(s * image.width), 0, image.width - 1);
    const int y = std::clamp(static_cast<int>(t * image.height), 0, image.height - 1);
    return &image.data[(static_cast<size_t>(y) * image.width + x) * 3];
}

class GeneratedContent : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        const ContentSink sink(pack.path());
        ASSERT_TRUE(sink.prepare(error) && writeCars(sink, error) && writeSkyAndSmoke(sink, error))
            << error;
    }
    ParsedModel readModel(const std::string& car) const {
        return parseModelFile(pack.path() + "/models/" + car + ".ascii");
    }
    std::unique_ptr<ImageRecord> readImage(const std::string& name) const {
        const std::vector<uint8_t> bytes = readBinaryFile(pack.path() + "/tex/" + name);
        BitmapError error = BitmapError::None;
        auto image = decodeBitmap(bytes.data(), bytes.size(), error);
        EXPECT_TRUE(image && error == BitmapError::None) << name;
        // Masked textures are uploaded at their own size, which must be a power of two.
        for (const int side : {image ? image->width : 0, image ? image->height : 0})
            EXPECT_EQ(side & (side - 1), 0) << name;
        return image;
    }

    TempDir pack;
};

// Lamps show where the texture mapped onto the nose and the tail faces says they are.
void countLamps(const ModelObject& body, const ImageRecord& texture, float noseY, float tailY,
                int& white, int& red) {
    for (const ModelFace& f : body.faces) {
        const float y = body.positions[f.vertex[0]].y * kDrawScale;
        const bool nose = std::fabs(y - noseY) < 1e-5f, tail = std::fabs(y - tailY) < 1e-5f;
        // Sample the face's texture on a grid of barycentric points.
        for (int i = 0; (nose || tail) && i <= 10; ++i) {
            for (int j = 0; i + j <= 10; ++j) {
                const ModelTexCoord& a = body.texCoords[f.texCoord[0]];
                const ModelTexCoord& b = body.texCoords[f.texCoord[1]];
                const ModelTexCoord& e = body.texCoords[f.texCoord[2]];
                const uint8_t* c = texel(texture, (i * a.u + j * b.u + (10 - i - j) * e.u) / 10.0,
                                         (i * a.v + j * b.v + (10 - i - j) * e.v) / 10.0);
                const bool isRed = c[0] > 170 && c[1] < 70 && c[2] < 70;
                white += nose && c[0] > 220 && c[1] > 220 && c[2] > 180 ? 1 : 0;
                red += tail && isRed ? 1 : 0;
                EXPECT_FALSE(nose && isRed) << "tail lamp colour on the nose";
            }
        }
    }
}

TEST_F(GeneratedContent, EachCarSuitsTheSceneInSizeShapeAndLamps) {
    struct Expected {
        const char* name;
        double minLength, maxLength, smokeDistance;
    };
    for (const Expected& car : {Expected{"ds21", 0.5, 0.6, 0.3}, Expected{"r5", 0.36, 0.44, 0.2}}) {
        SCOPED_TRACE(car.name);
        const ParsedModel model = readModel(car.name);
        EXPECT_EQ(model.textures.textures,
                  (std::vector<std::string>{"tex\\" + std::string(car.name) + ".bmp", "xxx"}));
        EXPECT_EQ(model.geometry.tooManyVerts + model.geometry.outsideObject.count +
                      model.geometry.notFinite.count,
                  0);
        size_t faces = 0;
        Vec3 low{1e9f, 1e9f, 1e9f}, high{-1e9f, -1e9f, -1e9f};  // as drawn
        for (const ModelObject& object : model.objects) {
            faces += object.faces.size();
            for (const Vec3& p : object.positions) {
                low = {std::min(low.x, p.x * kDrawScale), std::min(low.y, p.y * kDrawScale),
                       std::min(low.z, p.z * kDrawScale)};
                high = {std::max(high.x, p.x * kDrawScale), std::max(high.y, p.y * kDrawScale),
                        std::max(high.z, p.z * kDrawScale)};
            }
        }
        EXPECT_GE(faces, 500u);
        EXPECT_LE(faces, 2500u);
        EXPECT_GE(high.y - low.y, car.minLength);
        EXPECT_LE(high.y - low.y, car.maxLength);
        EXPECT_NEAR(low.z, 0.0, 1e-6) << "the wheels stand on the ground";
        EXPECT_NEAR(low.x + high.x, 0.0, 1e-4);
        EXPECT_NEAR(low.y + high.y, 0.0, 1e-4);
        EXPECT_GT(high.z, 0.12);
        EXPECT_LT(high.z, 0.17);
        // The smoke appears just behind the tail, and the probes lie within the footprint.
        EXPECT_LE(high.y, car.smokeDistance + 1e-4);
        EXPECT_GE(high.y, car.smokeDistance - 0.03);
        EXPECT_GE(high.x, 0.15 * std::sqrt(0.5));

        const auto texture = readImage(car.name + std::string(".bmp"));
        ASSERT_TRUE(texture);
        int white = 0, red = 0;
        countLamps(model.objects[0], *texture, low.y, high.y, white, red);
        EXPECT_GT(white, 10) << "headlamps at the nose";
        EXPECT_GT(red, 10) << "tail lamps at the tail";
    }
}

TEST_F(GeneratedContent, EveryFaceAndNormalOfACarPointsOutOfItsClosedShell) {
    for (const char* car : {"ds21", "r5"}) {
        const ParsedModel model = readModel(car);
        for (size_t o = 0; o < model.objects.size(); ++o) {
            const ModelObject& object = model.objects[o];
            int inward = 0, disagreeing = 0, level = 0;
            // Under the light straight above, a level normal gets only the ambient share.
            for (const Vec3& n : object.normals)
                level += std::fabs(n.z) < std::sin(0.35) * std::sqrt(dot(toV3(n), toV3(n))) ? 1 : 0;
            if (o == 0) {
                EXPECT_LT(level * 20, static_cast<int>(object.normals.size()))
                    << car << ": body sides left dark";
            }
            for (const ModelFace& f : object.faces) {
                const V3 a = toV3(object.positions[f.vertex[0]]);
                const V3 b = toV3(object.positions[f.vertex[1]]);
                const V3 c = toV3(object.positions[f.vertex[2]]);
                const V3 face = cross(b - a, c - a);
                const double area2 = std::sqrt(dot(face, face));
                if (area2 < 1e-12) continue;
                for (int k = 0; k < 3; ++k)
                    disagreeing += dot(face, toV3(object.normals[f.vertex[k]])) <= 0.0 ? 1 : 0;
                const double step = 1e-4 / area2;
                const double outside[3] = {(a.x + b.x + c.x) / 3.0 + face.x * step,
                                           (a.y + b.y + c.y) / 3.0 + face.y * step,
                                           (a.z + b.z + c.z) / 3.0 + face.z * step};
                inward += insideClosedMesh(object, outside) ? 1 : 0;
            }
            EXPECT_EQ(inward, 0) << car << " object " << o << ": faces wound into the shell";
            EXPECT_EQ(disagreeing, 0)
                << car << " object " << o << ": corner normals against their face";
        }
    }
}

TEST_F(GeneratedContent, TheSmokeIsAPuffOnExactBlackAndTheSkyHasBlueAndCloudInsideOneBorderColour) {
    const auto smoke = readImage("smoke.bmp");
    ASSERT_TRUE(smoke);
    const double centre = (smoke->width - 1) * 0.5;
    int lit = 0;
    for (int y = 0; y < smoke->height; ++y) {
        for (int x = 0; x < smoke->width; ++x) {
            const uint8_t* p = texel(*smoke, (x + 0.5) / smoke->width, (y + 0.5) / smoke->height);
            const int brightest = std::max({p[0], p[1], p[2]});
            const bool outside = std::hypot(x - centre, y - centre) > 0.5 * smoke->width;
            ASSERT_TRUE(!outside || brightest == 0) << x << "," << y << " outside the puff";
            EXPECT_TRUE(brightest == 0 || brightest >= 10) << "faint speck at " << x << "," << y;
            lit += brightest > 0 ? 1 : 0;
        }
    }
    EXPECT_GT(texel(*smoke, 0.5, 0.5)[0], 120);
    EXPECT_GT(lit, smoke->width * smoke->height / 5);

    const auto sky = readImage("clouds.bmp");
    ASSERT_TRUE(sky);
    const int w = sky->width, h = sky->height;
    const auto channel = [&](int x, int y, int c) {
        return int(sky->data[(static_cast<size_t>(y) * w + x) * 3 + c]);
    };
    // Every edge of a face of the sky box meets edges of its neighbours, mirrored or turned:
    // a border band of one colour all round is what lets every seam vanish (and it tiles).
    const int band = w / 64;
    int offBand = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool inBand = std::min({x, y, w - 1 - x, h - 1 - y}) < band;
            for (int c = 0; inBand && c < 3; ++c)
                offBand += std::abs(channel(x, y, c) - channel(0, 0, c)) > 2 ? 1 : 0;
        }
    }
    EXPECT_EQ(offBand, 0);
    int blue = 0, cloud = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            blue += channel(x, y, 2) > channel(x, y, 0) + 60 ? 1 : 0;
            cloud += channel(x, y, 0) > 200 && channel(x, y, 2) > 200 ? 1 : 0;
        }
    }
    EXPECT_GT(blue, w * h / 5);
    EXPECT_GT(cloud, w * h / 40);  // kept to the middle, away from the band
}

}  // namespace

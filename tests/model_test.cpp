#include "assets/model.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "assets/model_parser.h"
#include "support/files.h"
#include "support/gl_context.h"
#include "support/process.h"

namespace {

// One object of a model file, in file units.
struct TestObject {
    std::string texture = "tex\\grid.bmp";
    std::vector<std::array<double, 3>> positions;
    std::vector<std::array<double, 3>> normals;
    std::vector<std::array<double, 2>> uvs;
    std::vector<std::array<double, 3>> faceUvs;
    std::vector<std::array<int, 3>> faces;
};

template <size_t n>
void writeEntries(std::ostringstream& out, const std::vector<std::array<double, n>>& entries, const char* end) {
    for (const auto& entry : entries) {
        for (double value : entry) out << value << '\n';
    }
    out << end << '\n';
}

std::string modelText(const std::vector<TestObject>& objects) {
    std::ostringstream out;
    for (const TestObject& object : objects) {
        out << "START\nobject\n" << object.texture << '\n';
        writeEntries(out, object.positions, "NEXT");
        writeEntries(out, object.normals, "NEXT");
        writeEntries(out, object.uvs, "NEXT");
        writeEntries(out, object.faceUvs, "NEXT");
        for (const auto& face : object.faces) out << face[0] << '\n' << face[1] << '\n' << face[2] << '\n';
        out << "END\n";
    }
    return out.str();
}

// The triangle (0,0,0), (1,0,0), (0,1,0) in world units with unit normals up.
TestObject triangle() {
    TestObject object;
    object.positions = {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}};
    object.normals = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    object.uvs = {{0, 0}, {1, 0}, {0, 1}};
    object.faceUvs = {{0, 1, 2}};
    object.faces = {{0, 1, 2}};
    return object;
}

ModelGeometry geometryOf(const std::string& text) { return parseModelGeometry(splitModelLines(text)); }

void expectVec3(const Vec3& v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

}  // namespace

class ModelParser : public ::testing::Test {};

TEST_F(ModelParser, OneTriangleObjectGivesScaledTablesAndOneFace) {
    const std::string text =
        "START\nany text\ntex\\a.bmp\n0\n0\n0\n100\n0\n0\n0\n100\n0\nNEXT\n0\n0\n1\n0\n0\n1\n0\n0\n1\nNEXT\n"
        "0\n0\n1\n0\n0\n1\nNEXT\n0\n1\n2\nNEXT\n0\n1\n2\nEND\n";
    const auto lines = splitModelLines(text);
    const ModelTextureList textures = scanModelTextures(lines);
    EXPECT_EQ(textures.textures, std::vector<std::string>{"tex\\a.bmp"});
    EXPECT_EQ(textures.fault, ModelTextureFault::None);
    const ModelGeometry geometry = parseModelGeometry(lines);
    ASSERT_EQ(geometry.objects.size(), 1u);
    const ModelObject& object = geometry.objects[0];
    ASSERT_EQ(object.positions.size(), 3u);
    expectVec3(object.positions[1], 1, 0, 0);
    expectVec3(object.positions[2], 0, 1, 0);
    expectVec3(object.normals[0], 0, 0, 0.01f);
    ASSERT_EQ(object.texCoords.size(), 3u);
    EXPECT_FLOAT_EQ(object.texCoords[2].v, 1.0f);
    ASSERT_EQ(object.faces.size(), 1u);
    EXPECT_EQ(object.faces[0].vertex[2], 2);
    EXPECT_EQ(object.faces[0].texCoord[1], 1);
    EXPECT_EQ(geometry.transcript, "");
    EXPECT_EQ(geometry.skippedFaces, 0);
}

TEST_F(ModelParser, AFileNotStartingWithStartHasNoObjects) {
    for (const char* text : {"", "hello\nSTART\n", "Start\nx\ntex\\a.bmp\nEND\n", "START \nx\nt\nEND\n"}) {
        const auto lines = splitModelLines(text);
        EXPECT_TRUE(scanModelTextures(lines).textures.empty()) << text;
        EXPECT_TRUE(parseModelGeometry(lines).objects.empty()) << text;
    }
}

TEST_F(ModelParser, NumbersReadTheLongestDecimalPrefix) {
    EXPECT_DOUBLE_EQ(parseModelReal("150"), 150.0);
    EXPECT_DOUBLE_EQ(parseModelReal("-2.5e2"), -250.0);
    EXPECT_DOUBLE_EQ(parseModelReal(" \t+7.25 apples"), 7.25);
    EXPECT_DOUBLE_EQ(parseModelReal("-.5e1x"), -5.0);
    EXPECT_DOUBLE_EQ(parseModelReal("3e"), 3.0);
    EXPECT_DOUBLE_EQ(parseModelReal("1,5"), 1.0);
    EXPECT_DOUBLE_EQ(parseModelReal("0x10"), 0.0);
    EXPECT_DOUBLE_EQ(parseModelReal("inf"), 0.0);
    EXPECT_DOUBLE_EQ(parseModelReal("no number"), 0.0);
    EXPECT_DOUBLE_EQ(parseModelReal(""), 0.0);
    EXPECT_EQ(parseModelInteger("2.9"), 2);
    EXPECT_EQ(parseModelInteger("  -41x"), -41);
    EXPECT_EQ(parseModelInteger("99999999999"), INT32_MAX);
    EXPECT_EQ(parseModelInteger("-99999999999"), INT32_MIN);
    EXPECT_EQ(parseModelInteger("x1"), 0);

    TestObject object = triangle();
    object.positions[1] = {150, -2.5e2, 0};
    std::string text = modelText({object});
    // A line with no number at all reads as 0.
    text.replace(text.find("\n0\n100\n"), 3, "\nzero\n");
    const ModelGeometry geometry = geometryOf(text);
    ASSERT_EQ(geometry.objects.size(), 1u);
    expectVec3(geometry.objects[0].positions[1], 1.5f, -2.5f, 0);
    expectVec3(geometry.objects[0].positions[2], 0, 1, 0);
}

TEST_F(ModelParser, TheDecimalPointIsADotInEveryLocale) {
    TempDir dir;
    std::string out, err;
    const int status = runProgram({"/bin/sh", "-c", "localedef -i de_DE -f UTF-8 ./de_DE.UTF-8"}, dir.path(), out, err);
    setenv("LOCPATH", dir.path().c_str(), 1);
    if (status != 0 || !std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no locale with a decimal comma: " << err;
    ASSERT_DOUBLE_EQ(std::atof("1,5"), 1.5);  // the comma locale is in effect
    EXPECT_DOUBLE_EQ(parseModelReal("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(parseModelReal("-2.5e2"), -250.0);
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
}

TEST_F(ModelParser, TextureCoordinateIndicesTruncateTowardZero) {
    TestObject object = triangle();
    object.faceUvs = {{2.9, 1.2, 0.7}};
    const ModelGeometry geometry = geometryOf(modelText({object}));
    ASSERT_EQ(geometry.objects[0].faces.size(), 1u);
    const ModelFace& face = geometry.objects[0].faces[0];
    EXPECT_EQ(face.texCoord[0], 2);
    EXPECT_EQ(face.texCoord[1], 1);
    EXPECT_EQ(face.texCoord[2], 0);
}

TEST_F(ModelParser, KeywordsAreWholeCaseSensitiveLines) {
    TestObject object = triangle();
    std::string text = modelText({object});
    // "END " is a face line (its value reads as 0), "end" too; only "END" closes the faces.
    text.replace(text.rfind("END\n"), 4, "END \nend\n0\nEND\n");
    const ModelGeometry geometry = geometryOf(text);
    ASSERT_EQ(geometry.objects.size(), 1u);
    EXPECT_EQ(geometry.objects[0].faces.size(), 1u);
    EXPECT_EQ(geometry.skippedFaces, 1);  // face 2 has no texture-coordinate entry
    EXPECT_EQ(geometry.firstSkipped, "object 1, face 2");
}

TEST_F(ModelParser, TablesRestartForEachObjectAndXxxSharesTheTexture) {
    TestObject first = triangle();
    TestObject second = triangle();
    second.texture = "xxx";
    second.positions = {{500, 500, 500}};
    second.normals = {{1, 0, 0}};
    second.uvs = {{0.25, 0.75}};
    second.faceUvs = {{0, 0, 0}};
    second.faces = {{0, 0, 0}};
    const auto lines = splitModelLines(modelText({first, second}));
    EXPECT_EQ(scanModelTextures(lines).textures, (std::vector<std::string>{"tex\\grid.bmp", "xxx"}));
    const ModelGeometry geometry = parseModelGeometry(lines);
    ASSERT_EQ(geometry.objects.size(), 2u);
    ASSERT_EQ(geometry.objects[1].positions.size(), 1u);
    expectVec3(geometry.objects[1].positions[0], 5, 5, 5);
    EXPECT_EQ(geometry.objects[1].faces.size(), 1u);
}

TEST_F(ModelParser, AHundredObjectsLoadAndTheHundredAndFirstIsAFault) {
    std::vector<TestObject> objects(100, triangle());
    EXPECT_EQ(scanModelTextures(splitModelLines(modelText(objects))).fault, ModelTextureFault::None);
    objects.push_back(triangle());
    const ModelTextureList list = scanModelTextures(splitModelLines(modelText(objects)));
    EXPECT_EQ(list.fault, ModelTextureFault::TooManyObjects);
    EXPECT_EQ(list.textures.size(), 100u);

    TestObject noTexture = triangle();
    noTexture.texture = "xxx";
    const ModelTextureList missing = scanModelTextures(splitModelLines(modelText({noTexture})));
    EXPECT_EQ(missing.fault, ModelTextureFault::FirstTextureMissing);
    EXPECT_TRUE(missing.textures.empty());
}

TEST_F(ModelParser, AFullTableLoadsQuietlyAndOneEntryMoreOverflows) {
    TestObject object;
    object.positions.assign(kModelMaxEntries, {1, 2, 3});
    ModelGeometry geometry = geometryOf(modelText({object}));
    EXPECT_EQ(geometry.transcript, "");
    EXPECT_EQ(geometry.objects[0].positions.size(), kModelMaxEntries);

    // The section ends after the extra entry; the next one begins at its "NEXT", so every
    // later section starts one keyword early and the faces meet the end of the file.
    object.positions.push_back({4, 5, 6});
    geometry = geometryOf(modelText({object, triangle()}));
    EXPECT_EQ(geometry.transcript, "too many verts");
    ASSERT_EQ(geometry.objects.size(), 1u);
    EXPECT_EQ(geometry.objects[0].positions.size(), kModelMaxEntries);
    EXPECT_TRUE(geometry.objects[0].normals.empty());
}

TEST_F(ModelParser, TooManyFacesOrAVertexIndexOfThreeThousandClosesTheModel) {
    TestObject object = triangle();
    object.faceUvs.assign(kModelMaxEntries, {0, 1, 2});
    object.faces.assign(kModelMaxFaces + 1, {0, 1, 2});
    ModelGeometry geometry = geometryOf(modelText({object, triangle()}));
    EXPECT_EQ(geometry.transcript, "too many verts");
    ASSERT_EQ(geometry.objects.size(), 1u);
    EXPECT_EQ(geometry.objects[0].faces.size(), kModelMaxFaces);

    object = triangle();
    object.faceUvs.assign(3, {0, 1, 2});
    object.faces = {{0, 1, 2}, {0, 3000, 1}, {2, 1, 0}};
    geometry = geometryOf(modelText({object, triangle()}));
    EXPECT_EQ(geometry.transcript, "too many verts");
    ASSERT_EQ(geometry.objects.size(), 1u);
    EXPECT_EQ(geometry.objects[0].faces.size(), 1u);
}

TEST_F(ModelParser, FacesWithIndicesOutsideTheirObjectAreLeftOut) {
    TestObject object = triangle();
    object.uvs = {{0, 0}, {1, 0}, {0, 1}};
    object.faceUvs = {{0, 1, 2}, {0, 1, 2}, {0, 1, 2}, {0, 3, 2}, {-2.9, 0, 0}, {0, 1, 2}, {2, 1, 0}};
    object.faces = {{0, 1, 2}, {-1, 1, 2}, {0, 3, 2}, {0, 1, 2}, {0, 1, 2}, {2, 1, 0}, {0, 0, 0}, {1, 1, 1}};
    const ModelGeometry geometry = geometryOf(modelText({object}));
    ASSERT_EQ(geometry.objects.size(), 1u);
    const auto& faces = geometry.objects[0].faces;
    ASSERT_EQ(faces.size(), 3u);
    EXPECT_EQ(faces[1].vertex[0], 2);
    EXPECT_EQ(faces[1].texCoord[0], 0);  // face 6 keeps entry 6 of the index table
    EXPECT_EQ(faces[2].texCoord[0], 2);
    EXPECT_EQ(geometry.skippedFaces, 5);  // negative, past the vertices, past the coordinates (twice), no entry
    EXPECT_EQ(geometry.firstSkipped, "object 1, face 2");
    EXPECT_EQ(geometry.transcript, "");
}

TEST_F(ModelParser, CarriageReturnLineFeedReadsLikeLineFeed) {
    std::string unix = modelText({triangle(), triangle()});
    std::string dos;
    for (char c : unix) {
        if (c == '\n') dos += '\r';
        dos += c;
    }
    const auto dosLines = splitModelLines(dos);
    EXPECT_EQ(dosLines, splitModelLines(unix));
    EXPECT_EQ(scanModelTextures(dosLines).textures[0], "tex\\grid.bmp");
    EXPECT_EQ(parseModelGeometry(dosLines).objects.size(), 2u);
    // A lone carriage return stays in the line.
    EXPECT_EQ(splitModelLines("END\r\rEND\r"), (std::vector<std::string>{"END\r\rEND\r"}));
}

TEST_F(ModelParser, LongLinesComeInPiecesOf255Characters) {
    const std::string a254(254, 'a');
    const std::string a255(255, 'a');
    EXPECT_EQ(splitModelLines(a254 + "\nx"), (std::vector<std::string>{a254, "x"}));
    EXPECT_EQ(splitModelLines(a255 + "\nx"), (std::vector<std::string>{a255, "", "x"}));
    EXPECT_EQ(splitModelLines(a255 + "bb\n"), (std::vector<std::string>{a255, "bb"}));
    EXPECT_EQ(splitModelLines(std::string("EN\0D\nEND", 8)), (std::vector<std::string>{"EN", "END"}));
}

TEST_F(ModelParser, TheEndOfTheFileAnywhereEndsTheModelCleanly) {
    TestObject second = triangle();
    second.texture = "xxx";
    const std::string text = modelText({triangle(), second});
    for (size_t cut = 0; cut <= text.size(); ++cut) {
        const auto lines = splitModelLines(text.substr(0, cut));
        const ModelTextureList textures = scanModelTextures(lines);
        const ModelGeometry geometry = parseModelGeometry(lines);
        EXPECT_LE(textures.textures.size(), 2u);
        ASSERT_LE(geometry.objects.size(), 2u) << cut;
        for (const ModelObject& object : geometry.objects) EXPECT_LE(object.faces.size(), 1u);
    }
}

namespace {

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A 2 x 2 24-bit bitmap: red, green along the bottom, blue, white along the top.
std::vector<uint8_t> gridBitmap() {
    std::vector<uint8_t> out = {'B', 'M'};
    put32(out, 70);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, 2);
    put32(out, 2);
    out.insert(out.end(), {1, 0, 24, 0});
    for (int i = 0; i < 6; ++i) put32(out, 0);
    out.insert(out.end(), {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0});
    return out;
}

// A square over the whole view (-1..1) split at x = split into a left and a right object,
// texture coordinates running 0..1 across the square.
std::vector<TestObject> splitSquare(const std::string& rightTexture) {
    TestObject left;
    left.positions = {{-100, -100, 0}, {0, -100, 0}, {0, 100, 0}, {-100, 100, 0}};
    left.normals.assign(4, {0, 0, 1});
    left.uvs = {{0, 0}, {0.5, 0}, {0.5, 1}, {0, 1}};
    left.faceUvs = {{0, 1, 2}, {0, 2, 3}};
    left.faces = {{0, 1, 2}, {0, 2, 3}};
    TestObject right = left;
    right.texture = rightTexture;
    for (auto& p : right.positions) p[0] += 100;
    for (auto& uv : right.uvs) uv[0] += 0.5;
    return {left, right};
}

}  // namespace

class ModelLoad : public ::testing::Test {
protected:
    void SetUp() override {
        ensureGlContext(64, 64);
        dir.write("tex/grid.bmp", gridBitmap());
    }

    uint32_t load(const std::string& text, std::string& out, std::string& err) {
        dir.write("models/test.ascii", text);
        ScopedCwd cwd(dir.path());
        OutputCapture captureOut(1);
        OutputCapture captureErr(2);
        const uint32_t list = loadModel("models\\test.ascii");
        std::fflush(stdout);
        err = captureErr.finish();
        out = captureOut.finish();
        return list;
    }

    // Draws the list with an orthographic view of -1..1 and returns the 64 x 64 RGBA pixels.
    std::vector<uint8_t> render(uint32_t list) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glCallList(list);
        return readPixels(0, 0, 64, 64);
    }

    static void expectPixel(const std::vector<uint8_t>& pixels, int x, int y, int r, int g, int b) {
        const uint8_t* p = &pixels[(static_cast<size_t>(y) * 64 + x) * 4];
        EXPECT_NEAR(p[0], r, 12) << x << "," << y;
        EXPECT_NEAR(p[1], g, 12) << x << "," << y;
        EXPECT_NEAR(p[2], b, 12) << x << "," << y;
    }

    TempDir dir;
};

TEST_F(ModelLoad, TexturedSquareShowsItsTexelsWhereExpected) {
    std::string out, err;
    const uint32_t list = load(modelText(splitSquare("xxx")), out, err);
    ASSERT_NE(list, 0u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const std::vector<uint8_t> pixels = render(list);
    expectPixel(pixels, 16, 16, 255, 0, 0);
    expectPixel(pixels, 47, 16, 0, 255, 0);
    expectPixel(pixels, 16, 47, 0, 0, 255);
    expectPixel(pixels, 47, 47, 255, 255, 255);
    // One texture for both objects, and the progress lines name it once.
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(out, "\nloading models\\test.ascii\ntexture loaded (" + std::to_string(bound) + ") tex\\grid.bmp\n");
    EXPECT_EQ(err, "");
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(ModelLoad, EachNamedTextureIsLoadedAgainIntoItsOwnName) {
    std::string out, err;
    load(modelText(splitSquare("tex\\grid.bmp")), out, err);
    std::istringstream lines(out);
    std::vector<std::string> loaded;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("texture loaded (", 0) == 0) loaded.push_back(line);
    }
    ASSERT_EQ(loaded.size(), 2u) << out;
    EXPECT_NE(loaded[0], loaded[1]);
    EXPECT_NE(loaded[1].find(") tex\\grid.bmp"), std::string::npos);
}

TEST_F(ModelLoad, AFileWithoutObjectsOnlyEnablesTexturing) {
    std::string out, err;
    const uint32_t list = load("not a model\n", out, err);
    glDisable(GL_TEXTURE_2D);
    const std::vector<uint8_t> pixels = render(list);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    expectPixel(pixels, 32, 32, 0, 0, 0);
    EXPECT_EQ(out, "\nloading models\\test.ascii\n");
}

TEST_F(ModelLoad, FacesOutsideTheirObjectAreNotSentAndOneWarningNamesTheFile) {
    std::vector<TestObject> objects = splitSquare("xxx");
    objects[1].faces = {{0, 1, 7}, {0, -2, 3}};
    std::string out, err;
    const uint32_t list = load(modelText(objects), out, err);
    EXPECT_EQ(err,
              "Warning: models\\test.ascii: 2 faces with an index outside their object were left out (first: object 2, face 1)\n");
    const std::vector<uint8_t> pixels = render(list);
    expectPixel(pixels, 16, 16, 255, 0, 0);
    expectPixel(pixels, 47, 16, 0, 0, 0);
}

TEST_F(ModelLoad, OverflowingFacesPrintTooManyVertsAndLaterObjectsAreNotDrawn) {
    std::vector<TestObject> objects = splitSquare("xxx");
    objects[0].faces.push_back({0, 3000, 1});
    std::string out, err;
    const uint32_t list = load(modelText(objects), out, err);
    EXPECT_EQ(out.substr(out.size() - 14), "too many verts");
    const std::vector<uint8_t> pixels = render(list);
    expectPixel(pixels, 16, 16, 255, 0, 0);
    expectPixel(pixels, 47, 16, 0, 0, 0);
}

// Each fatal load runs in a fresh copy of the test program (no forked OpenGL context);
// standard output joins standard error so the whole transcript can be matched.
class ModelLoadDeathTest : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        dir.write("tex/grid.bmp", gridBitmap());
    }

    void loadInDir(const std::string& text) {
        dup2(2, 1);
        std::setvbuf(stdout, nullptr, _IONBF, 0);
        ensureGlContext(64, 64);
        dir.write("models/test.ascii", text);
        ScopedCwd cwd(dir.path());
        loadModel("models\\test.ascii");
        std::exit(0);
    }

    TempDir dir;
};

TEST_F(ModelLoadDeathTest, AMissingModelFileEndsTheProcessNamingIt) {
    EXPECT_EXIT(
        {
            ensureGlContext(64, 64);
            loadModel((dir.path() + "\\models\\gone.ascii").c_str());
        },
        ::testing::ExitedWithCode(1), "^Error: cannot open model file /tmp/.*/models/gone.ascii: No such file or directory\n$");
}

TEST_F(ModelLoadDeathTest, AHundredAndFirstObjectEndsTheProcess) {
    std::vector<TestObject> objects(101, splitSquare("xxx")[1]);
    objects[0].texture = "tex\\grid.bmp";
    EXPECT_EXIT(loadInDir(modelText(objects)), ::testing::ExitedWithCode(1),
                "texture loaded \\([0-9]+\\) tex.grid.bmp\n\n too many textures for this object$");
}

TEST_F(ModelLoadDeathTest, XxxAsTheFirstTextureEndsTheProcess) {
    std::vector<TestObject> objects = splitSquare("tex\\grid.bmp");
    objects[0].texture = "xxx";
    EXPECT_EXIT(loadInDir(modelText(objects)), ::testing::ExitedWithCode(1),
                "\nloading models.test.ascii\n\n at least first texture needs to be specified!$");
}

TEST_F(ModelLoadDeathTest, AnUnreadableTextureEndsTheProcess) {
    EXPECT_EXIT(loadInDir(modelText(splitSquare("tex\\none.bmp"))), ::testing::ExitedWithCode(1),
                "\nloading models.test.ascii\ntexture loaded \\([0-9]+\\) tex.grid.bmp\nError: Failed to open DIB file "
                "tex.none.bmp.\n$");
}

#include "assets/model.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/model_parser.h"
#include "support/files.h"
#include "support/gl_context.h"
#include "support/model_files.h"
#include "support/process.h"

namespace {

void expectVec3(const Vec3& v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

std::vector<std::string> linesOf(const std::string& text) {
    FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    ModelLineReader reader(file);
    std::vector<std::string> lines;
    while (const char* line = reader.next()) lines.emplace_back(line);
    std::fclose(file);
    return lines;
}

}  // namespace

TEST(ModelParser, OneTriangleObjectGivesScaledTablesAndOneFace) {
    // Texture-coordinate indices are real numbers truncated toward zero.
    const ParsedModel model = parseModelText(
        "START\nany "
        "text\ntex\\a.bmp\n0\n0\n0\n100\n0\n0\n0\n100\n0\nNEXT\n0\n0\n1\n0\n0\n1\n0\n0\n1\nNEXT\n"
        "0\n0\n1\n0\n0\n1\nNEXT\n0.7\n1.2\n2.9\nNEXT\n0\n1\n2\nEND\n");
    EXPECT_EQ(model.textures.textures, std::vector<std::string>{"tex\\a.bmp"});
    EXPECT_EQ(model.textures.fault, ModelTextureFault::None);
    ASSERT_EQ(model.objects.size(), 1u);
    const ModelObject& object = model.objects[0];
    ASSERT_EQ(object.positions.size(), 3u);
    expectVec3(object.positions[1], 1, 0, 0);
    expectVec3(object.positions[2], 0, 1, 0);
    expectVec3(object.normals[0], 0, 0, 0.01f);
    ASSERT_EQ(object.texCoords.size(), 3u);
    EXPECT_FLOAT_EQ(object.texCoords[2].v, 1.0f);
    ASSERT_EQ(object.faces.size(), 1u);
    EXPECT_EQ(object.faces[0].vertex[2], 2);
    EXPECT_EQ(object.faces[0].texCoord[0], 0);
    EXPECT_EQ(object.faces[0].texCoord[2], 2);
    EXPECT_EQ(model.geometry.tooManyVerts, 0);
    EXPECT_EQ(model.geometry.outsideObject.count, 0);
}

TEST(ModelParser, NumbersReadTheLongestDecimalPrefix) {
    const std::pair<const char*, double> reals[] = {
        {"150", 150.0},     {"-2.5e2", -250.0}, {" \t+7.25 apples", 7.25},
        {"-.5e1x", -5.0},   {"3e", 3.0},        {"1,5", 1.0},
        {"0x10", 0.0},      {"inf", 0.0},       {"nan", 0.0},
        {"no number", 0.0}, {"", 0.0}};
    for (const auto& [line, value] : reals) EXPECT_DOUBLE_EQ(parseModelReal(line), value) << line;
    const std::pair<const char*, int32_t> integers[] = {{"2.9", 2},
                                                        {"  -41x", -41},
                                                        {"99999999999", INT32_MAX},
                                                        {"-99999999999", INT32_MIN},
                                                        {"x1", 0}};
    for (const auto& [line, value] : integers) EXPECT_EQ(parseModelInteger(line), value) << line;
    EXPECT_FLOAT_EQ(parseModelCoordinate("-2.5e2"), -2.5f);
    EXPECT_FLOAT_EQ(parseModelCoordinate("zero"), 0.0f);
    // Beyond the float range before the 0.01 scale, as the track reads it.
    EXPECT_TRUE(std::isinf(parseModelCoordinate("3.5e38")));
    EXPECT_TRUE(std::isinf(parseModelCoordinate("-1e999")));
}

TEST(ModelParser, TheDecimalPointIsADotInEveryLocale) {
    TempDir dir;
    std::string out, err;
    const int status = runProgram({"/bin/sh", "-c", "localedef -i de_DE -f UTF-8 ./de_DE.UTF-8"},
                                  dir.path(), out, err);
    setenv("LOCPATH", dir.path().c_str(), 1);
    if (status != 0 || !std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma: " << err;
    ASSERT_DOUBLE_EQ(std::atof("1,5"), 1.5);  // the comma locale is in effect
    EXPECT_DOUBLE_EQ(parseModelReal("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(parseModelReal("-2.5e2"), -250.0);
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
}

TEST(ModelParser, LinesEndAtLineFeedsOrAfter255CharactersAndStopAtANul) {
    const std::string a254(254, 'a');
    const std::string a255(255, 'a');
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"END\r\nEND\n", {"END", "END"}},
        {"END\r\rEND\r", {"END\r\rEND\r"}},  // a lone carriage return stays in the line
        {a254 + "\nx", {a254, "x"}},
        {a255 + "\nx", {a255, "", "x"}},
        {a255 + "bb\n", {a255, "bb"}},
        {a254 + "\r\nx", {a254, "x"}},
        {std::string("EN\0D\nEND", 8), {"EN", "END"}},
    };
    for (const auto& [text, lines] : cases) EXPECT_EQ(linesOf(text), lines) << text;
    EXPECT_EQ(parseModelText("START\r\nx\r\ntex\\a.bmp\r\nNEXT\r\nNEXT\r\nNEXT\r\nNEXT\r\nEND\r\n")
                  .objects.size(),
              1u);
}

TEST(ModelParser, KeywordsAreWholeCaseSensitiveLines) {
    for (const char* text :
         {"", "hello\nSTART\n", "Start\nx\ntex\\a.bmp\nEND\n", "START \nx\nt\nEND\n"}) {
        const ParsedModel model = parseModelText(text);
        EXPECT_TRUE(model.textures.textures.empty()) << text;
        EXPECT_TRUE(model.objects.empty()) << text;
    }
    std::string text = modelText({plate(0)});
    // "END " is a face line (its value reads as 0), "end" too; only "END" closes the faces.
    text.replace(text.rfind("END\n"), 4, "END \nend\n0\nEND\n");
    const ParsedModel model = parseModelText(text);
    ASSERT_EQ(model.objects.size(), 1u);
    EXPECT_EQ(model.objects[0].faces.size(), 1u);
    EXPECT_EQ(model.geometry.outsideObject.count, 1);  // face 2 has no texture-coordinate entry
    EXPECT_EQ(model.geometry.outsideObject.first, "object 1, face 2");
}

TEST(ModelParser, TablesRestartForEachObjectAndXxxSharesTheTexture) {
    TestObject second = plate(0);
    second.texture = "xxx";
    second.positions = {{500, 500, 500}};
    second.normals = {{1, 0, 0}};
    second.uvs = {{0.25, 0.75}};
    second.faceUvs = {{0, 0, 0}};
    second.faces = {{0, 0, 0}};
    const ParsedModel model = parseModelText(modelText({plate(0), second}));
    EXPECT_EQ(model.textures.textures, (std::vector<std::string>{"tex\\grid.bmp", "xxx"}));
    ASSERT_EQ(model.objects.size(), 2u);
    ASSERT_EQ(model.objects[1].positions.size(), 1u);
    expectVec3(model.objects[1].positions[0], 5, 5, 5);
    EXPECT_EQ(model.objects[1].faces.size(), 1u);
}

TEST(ModelParser, AHundredObjectsLoadWithoutAFault) {
    const ParsedModel model = parseModelText(modelText(std::vector<TestObject>(100, plate(0))));
    EXPECT_EQ(model.textures.fault, ModelTextureFault::None);
    EXPECT_EQ(model.objects.size(), 100u);
}

TEST(ModelParser, AFullTableLoadsQuietlyAndOneEntryMoreOverflows) {
    TestObject object;
    object.positions.assign(kModelMaxEntries, {1, 2, 3});
    ParsedModel model = parseModelText(modelText({object}));
    EXPECT_EQ(model.geometry.tooManyVerts, 0);
    EXPECT_EQ(model.objects[0].positions.size(), kModelMaxEntries);

    // The section ends after the extra entry; the next one begins at its "NEXT", so every
    // later section starts one keyword early and the faces meet the end of the file.
    object.positions.push_back({4, 5, 6});
    model = parseModelText(modelText({object, plate(0)}));
    EXPECT_EQ(model.geometry.tooManyVerts, 1);
    ASSERT_EQ(model.objects.size(), 1u);
    EXPECT_EQ(model.objects[0].positions.size(), kModelMaxEntries);
    EXPECT_TRUE(model.objects[0].normals.empty());
}

TEST(ModelParser, TooManyFacesOrAVertexIndexOfThreeThousandClosesTheModel) {
    TestObject many = plate(0);
    many.faceUvs.assign(kModelMaxEntries, {0, 1, 2});
    many.faces.assign(kModelMaxFaces + 1, {0, 1, 2});
    TestObject farIndex = plate(0);
    farIndex.faceUvs.assign(3, {0, 1, 2});
    farIndex.faces = {{0, 1, 2}, {0, 3000, 1}, {2, 1, 0}};
    for (const auto& [object, kept] :
         {std::make_pair(many, kModelMaxFaces), std::make_pair(farIndex, size_t{1})}) {
        const ParsedModel model = parseModelText(modelText({object, plate(0)}));
        EXPECT_EQ(model.geometry.tooManyVerts, 1);
        ASSERT_EQ(model.objects.size(), 1u);
        EXPECT_EQ(model.objects[0].faces.size(), kept);
    }
}

TEST(ModelParser, FacesOutsideTheirObjectOrBeyondTheFloatRangeAreLeftOut) {
    TestObject object = plate(0);
    object.positions.push_back({3.5e38, 0, 0});  // vertex 3
    object.normals.push_back({0, 0, 1e300});
    object.uvs.push_back({0, 1e39});  // coordinate 3
    object.faceUvs = {{0, 1, 2},    {0, 1, 2}, {0, 1, 2}, {0, 3, 2},
                      {-2.9, 0, 0}, {0, 1, 2}, {2, 1, 0}, {0, 1, 2}};
    object.faces = {{0, 1, 2}, {-1, 1, 2}, {0, 4, 2}, {0, 1, 2}, {0, 1, 2},
                    {2, 1, 0}, {0, 3, 1},  {0, 0, 0}, {1, 1, 1}};
    const ParsedModel model = parseModelText(modelText({object}));
    ASSERT_EQ(model.objects.size(), 1u);
    const auto& faces = model.objects[0].faces;
    ASSERT_EQ(faces.size(), 3u);
    EXPECT_EQ(faces[1].vertex[0], 2);
    EXPECT_EQ(faces[1].texCoord[0], 0);  // face 6 keeps entry 6 of the index table
    // A negative vertex, one past the vertices, a negative coordinate, no index entry; and
    // face 4's coordinate 3 and face 7's vertex 3 are out of the float range.
    EXPECT_EQ(model.geometry.outsideObject.count, 4);
    EXPECT_EQ(model.geometry.outsideObject.first, "object 1, face 2");
    EXPECT_EQ(model.geometry.notFinite.count, 2);
    EXPECT_EQ(model.geometry.notFinite.first, "object 1, face 4");
    EXPECT_EQ(model.geometry.tooManyVerts, 0);
}

namespace {

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A 2 x 2 24-bit bitmap: red, green along the bottom, blue, white along the top.
std::vector<uint8_t> gridBitmap() {
    std::vector<uint8_t> out = {'B', 'M'};
    for (uint32_t v : {70u, 0u, 54u, 40u, 2u, 2u}) put32(out, v);
    out.insert(out.end(), {1, 0, 24, 0});
    for (int i = 0; i < 6; ++i) put32(out, 0);
    out.insert(out.end(), {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0});
    return out;
}

// A square over the whole view (-1..1) split at x = 0 into a left and a right object,
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

    uint32_t load(const std::string& text) {
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
    std::string out;
    std::string err;
};

TEST_F(ModelLoad, TexturedSquareShowsItsTexelsWhereExpected) {
    const uint32_t list = load(modelText(splitSquare("xxx")));
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
    EXPECT_EQ(out, "\nloading models\\test.ascii\ntexture loaded (" + std::to_string(bound) +
                       ") tex\\grid.bmp\n");
    EXPECT_EQ(err, "");
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(ModelLoad, EachNamedTextureIsLoadedAgainIntoItsOwnName) {
    load(modelText(splitSquare("tex\\grid.bmp")));
    const size_t first = out.find("texture loaded (");
    const size_t second = out.find("texture loaded (", first + 1);
    ASSERT_NE(second, std::string::npos) << out;
    EXPECT_NE(out.substr(first, out.find(')', first) - first),
              out.substr(second, out.find(')', second) - second));
    EXPECT_EQ(out.substr(out.find(')', second)), ") tex\\grid.bmp\n");
}

TEST_F(ModelLoad, AFileWithoutObjectsOnlyEnablesTexturing) {
    const uint32_t list = load("not a model\n");
    glDisable(GL_TEXTURE_2D);
    const std::vector<uint8_t> pixels = render(list);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    expectPixel(pixels, 32, 32, 0, 0, 0);
    EXPECT_EQ(out, "\nloading models\\test.ascii\n");
}

// Each way of losing the right half: what is printed, and the left half still drawn.
TEST_F(ModelLoad, FacesThatCannotBeDrawnAreLeftOutAndSaidSo) {
    struct Case {
        void (*spoil)(std::vector<TestObject>&);
        const char* out;
        const char* err;
    };
    const Case cases[] = {
        {[](std::vector<TestObject>& o) {
             o[1].faces = {{0, 1, 7}, {0, -2, 3}};
         },
         "",
         "Warning: models\\test.ascii: 2 faces with an index outside their object were left out "
         "(first: object 2, face 1)\n"},
        {[](std::vector<TestObject>& o) { o[1].positions[0][0] = 3.5e38; }, "",
         "Warning: models\\test.ascii: 2 faces with a number beyond the 32-bit float range were "
         "left out (first: object "
         "2, face 1)\n"},
        {[](std::vector<TestObject>& o) {
             o[0].faces.push_back({0, 3000, 1});
         },
         "too many verts", ""},
    };
    for (const Case& c : cases) {
        std::vector<TestObject> objects = splitSquare("xxx");
        c.spoil(objects);
        const uint32_t list = load(modelText(objects));
        EXPECT_EQ(out.substr(out.rfind('\n') + 1), c.out);
        EXPECT_EQ(err, c.err);
        const std::vector<uint8_t> pixels = render(list);
        expectPixel(pixels, 16, 16, 255, 0, 0);
        expectPixel(pixels, 47, 16, 0, 0, 0);
    }
}

// Drawn as far as it was read, and said once on standard error; standard output as ever.
TEST_F(ModelLoad, AModelEndingInsideAnObjectIsDrawnAsFarAsItWasReadAndSaysWhere) {
    const std::string whole = modelText(splitSquare("xxx"));
    const std::string cut = whole.substr(0, whole.rfind("0\n2\n3\nEND\n"));
    const uint32_t list = load(cut);
    EXPECT_EQ(out,
              "\nloading models\\test.ascii\ntexture loaded (" + out.substr(out.find('(') + 1));
    EXPECT_EQ(out.substr(out.find(')')), ") tex\\grid.bmp\n");
    EXPECT_EQ(err, "Warning: models\\test.ascii: the file ends inside object 2, at line " +
                       std::to_string(std::count(cut.begin(), cut.end(), '\n')) +
                       "; the model is drawn as far as it was read\n");
    const std::vector<uint8_t> pixels = render(list);
    expectPixel(pixels, 16, 16, 255, 0, 0);
    expectPixel(pixels, 47, 16, 0, 255, 0);  // the right object's first face, below its diagonal
    expectPixel(pixels, 47, 47, 0, 0, 0);    // its second face was never read
}

// Each fatal load runs in a fresh copy of the test program (no forked OpenGL context);
// standard output joins standard error so the whole transcript can be matched.
TEST(ModelLoadDeathTest,
     AMissingFileTooManyObjectsNoFirstTextureOrAnUnreadableTextureEndTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempDir dir;
    dir.write("tex/grid.bmp", gridBitmap());
    std::vector<TestObject> hundredAndOne(101, splitSquare("xxx")[1]);
    hundredAndOne[0].texture = "tex\\grid.bmp";
    std::vector<TestObject> noFirst = splitSquare("tex\\grid.bmp");
    noFirst[0].texture = "xxx";
    const std::pair<std::vector<TestObject>, const char*> cases[] = {
        {{}, "\nError: cannot open model file models/test.ascii: No such file or directory\n$"},
        {hundredAndOne,
         "texture loaded \\([0-9]+\\) tex.grid.bmp\n\n too many textures for this object$"},
        {noFirst, "\nloading models.test.ascii\n\n at least first texture needs to be specified!$"},
        {splitSquare("tex\\none.bmp"),
         "\nloading models.test.ascii\ntexture loaded \\([0-9]+\\) tex.grid.bmp\nError: Failed to "
         "open DIB file "
         "tex.none.bmp.\n$"},
    };
    for (const auto& [objects, transcript] : cases) {
        const auto load = [&dir](const std::vector<TestObject>& model) {
            dup2(2, 1);
            std::setvbuf(stdout, nullptr, _IONBF, 0);
            ensureGlContext(64, 64);
            if (!model.empty()) dir.write("models/test.ascii", modelText(model));
            ScopedCwd cwd(dir.path());
            loadModel("models\\test.ascii");
            std::exit(0);
        };
        EXPECT_EXIT(load(objects), ::testing::ExitedWithCode(1), transcript);
    }
}

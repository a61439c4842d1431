#include "support/tiny_content.h"

#include <cstdlib>
#include <sstream>
#include <utility>

#include "assets/pack_files.h"
#include "support/files.h"

namespace {

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// One object of the model format: a list of quads given by their four corners (file units),
// all facing up (+z), each quad with texture coordinates 0..1.
std::string quadObject(const std::string& texture, const std::vector<std::vector<float>>& quads) {
    std::ostringstream vertices, normals, uvs, faces;
    int base = 0;
    for (const auto& q : quads) {
        for (int c = 0; c < 4; ++c) {
            vertices << q[c * 3] << "\n" << q[c * 3 + 1] << "\n" << q[c * 3 + 2] << "\n";
            normals << "0\n0\n100\n";
        }
        uvs << "0\n0\n1\n0\n1\n1\n0\n1\n";
        faces << base << "\n"
              << base + 1 << "\n"
              << base + 2 << "\n"
              << base << "\n"
              << base + 2 << "\n"
              << base + 3 << "\n";
        base += 4;
    }
    return "START\nobject\n" + texture + "\n" + vertices.str() + "NEXT\n" + normals.str() +
           "NEXT\n" + uvs.str() + "NEXT\n" + faces.str() + "NEXT\n" + faces.str() + "END\n";
}

std::vector<float> flatQuad(float x0, float y0, float x1, float y1, float z) {
    return {x0, y0, z, x1, y0, z, x1, y1, z, x0, y1, z};
}

// A box as five quads (top and four sides), for a car of the given size in file units.
std::string boxModel(const std::string& texture, float halfX, float halfY, float height) {
    const float x0 = -halfX, x1 = halfX, y0 = -halfY, y1 = halfY, z1 = height;
    return quadObject(texture, {flatQuad(x0, y0, x1, y1, z1),
                                {x0, y0, 0, x1, y0, 0, x1, y0, z1, x0, y0, z1},
                                {x1, y0, 0, x1, y1, 0, x1, y1, z1, x1, y0, z1},
                                {x1, y1, 0, x0, y1, 0, x0, y1, z1, x1, y1, z1},
                                {x0, y1, 0, x0, y0, 0, x0, y0, z1, x0, y1, z1}});
}

}  // namespace

std::vector<uint8_t> rgbBmp(int w, int h, const std::vector<uint8_t>& rgb) {
    const uint32_t row = (static_cast<uint32_t>(w) * 3u + 3u) & ~3u;
    std::vector<uint8_t> out = {'B', 'M'};
    for (uint32_t v :
         {54 + row * h, 0u, 54u, 40u, static_cast<uint32_t>(w), static_cast<uint32_t>(h)})
        put32(out, v);
    out.insert(out.end(), {1, 0, 24, 0});  // one plane, 24 bits
    out.resize(out.size() + 24, 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            out.insert(out.end(), {p[2], p[1], p[0]});
        }
        out.resize(out.size() + row - static_cast<uint32_t>(w) * 3u, 0);
    }
    return out;
}

std::vector<uint8_t> solidBmp(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    const uint8_t colour[3] = {r, g, b};
    return gradientBmp(w, h, colour, colour);
}

std::vector<uint8_t> gradientBmp(int w, int h, const uint8_t bottom[3], const uint8_t top[3]) {
    std::vector<uint8_t> rgb;
    const int steps = h > 1 ? h - 1 : 1;
    for (int y = 0; y < h; ++y) {
        for (int i = 0; i < w * 3; ++i)
            rgb.push_back(
                static_cast<uint8_t>(bottom[i % 3] + (top[i % 3] - bottom[i % 3]) * y / steps));
    }
    return rgbBmp(w, h, rgb);
}

void writeToneMp3(const TempDir& dir, const std::string& relative) {
    std::vector<uint8_t> pcm;  // 22050 Hz mono, signed 16-bit little-endian
    for (int i = 0; i < 22050 / 2; ++i) {
        const uint16_t v = (i / 25) % 2 ? 8000 : static_cast<uint16_t>(-8000);
        pcm.insert(pcm.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
    }
    dir.write(relative + ".pcm", pcm);
    const std::string command =
        "lame --quiet -r -s 22.05 --bitwidth 16 --signed --little-endian -m m '" +
        dir.file(relative + ".pcm") + "' '" + dir.file(relative) + "'";
    if (std::system(command.c_str()) != 0) std::abort();
}

std::vector<uint8_t> encodeRun(const std::vector<RunRecord>& records) {
    std::vector<uint8_t> out;
    for (const RunRecord& record : records) {
        uint8_t bytes[kRunRecordSize];
        encodeRunRecord(record, bytes);
        out.insert(out.end(), bytes, bytes + kRunRecordSize);
    }
    return out;
}

std::vector<RunRecord> steadyRun(int records, uint32_t gapMs, Vec3 position, float heading,
                                 float forwardSpeed, float turnRate) {
    std::vector<RunRecord> run;
    for (int i = 0; i < records; ++i)
        run.push_back({position, 0, 0, heading, forwardSpeed, turnRate, i * gapMs});
    return run;
}

void writeTinyContent(const TempDir& dir, const TinyContent& content) {
    dir.write(kTrackModelFile, quadObject("tex\\road.bmp", {flatQuad(-400, -400, 400, 400, 0)}));
    dir.write(kLandscapeModelFile,
              quadObject("tex\\grass.bmp", {flatQuad(-1500, -1500, 1500, 1500, -5)}));
    dir.write(kDs21ModelFile, boxModel("tex\\ds21.bmp", 40, 110, 50));
    dir.write(kR5ModelFile, boxModel("tex\\r5.bmp", 40, 80, 60));
    dir.write("tex/road.bmp", solidBmp(8, 8, 90, 90, 90));
    dir.write("tex/grass.bmp", solidBmp(8, 8, 40, 140, 40));
    dir.write("tex/ds21.bmp", solidBmp(4, 4, 220, 30, 30));
    dir.write("tex/r5.bmp", solidBmp(4, 4, 240, 220, 20));
    const uint8_t skyLow[3] = {250, 250, 255};
    const uint8_t skyHigh[3] = {20, 60, 200};
    dir.write(kSkyBitmapFile, gradientBmp(16, 16, skyLow, skyHigh));
    dir.write(kSmokeBitmapFile,
              content.visibleSmoke ? solidBmp(8, 8, 200, 200, 200) : solidBmp(8, 8, 0, 0, 0));
    const std::pair<const char*, const std::vector<RunRecord>*> runs[] = {
        {kCameraRunFile, &content.cameraRun},
        {kDs21RunFile, &content.ds21Run},
        {kR5RunFile, &content.r5Run}};
    for (const auto& [file, run] : runs) {
        if (!run->empty()) dir.write(file, encodeRun(*run));
    }
    if (content.writeMusic) writeToneMp3(dir, kMusicFile);
}

#include "support/tiny_content.h"

#include <cstdlib>
#include <sstream>

#include "support/files.h"

namespace {

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> bmpHeader(int w, int h) {
    const uint32_t row = (static_cast<uint32_t>(w) * 3u + 3u) & ~3u;
    std::vector<uint8_t> out = {'B', 'M'};
    put32(out, 54 + row * h);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, static_cast<uint32_t>(w));
    put32(out, static_cast<uint32_t>(h));
    out.push_back(1);
    out.push_back(0);
    out.push_back(24);
    out.push_back(0);
    for (int i = 0; i < 6; ++i) put32(out, 0);
    return out;
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
        faces << base << "\n" << base + 1 << "\n" << base + 2 << "\n" << base << "\n" << base + 2 << "\n" << base + 3 << "\n";
        base += 4;
    }
    return "START\nobject\n" + texture + "\n" + vertices.str() + "NEXT\n" + normals.str() + "NEXT\n" + uvs.str() +
           "NEXT\n" + faces.str() + "NEXT\n" + faces.str() + "END\n";
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

void writeRun(const TempDir& dir, const std::string& name, const std::vector<RunRecord>& run) {
    if (!run.empty()) dir.write(name, encodeRun(run));
}

void writeMp3(const TempDir& dir) {
    const std::string wav = dir.file("audio/tone.wav");
    std::vector<uint8_t> bytes = {'R', 'I', 'F', 'F'};
    const uint32_t samples = 22050 / 2;
    put32(bytes, 36 + samples * 2);
    for (char c : std::string("WAVEfmt ")) bytes.push_back(static_cast<uint8_t>(c));
    put32(bytes, 16);
    put32(bytes, 0x00010001u);  // PCM, mono
    put32(bytes, 22050);
    put32(bytes, 44100);
    put32(bytes, 0x00100002u);  // block align 2, 16 bits
    for (char c : std::string("data")) bytes.push_back(static_cast<uint8_t>(c));
    put32(bytes, samples * 2);
    for (uint32_t i = 0; i < samples; ++i) {
        const int16_t v = static_cast<int16_t>((i / 25) % 2 ? 8000 : -8000);
        bytes.push_back(static_cast<uint8_t>(v));
        bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
    }
    dir.write("audio/tone.wav", bytes);
    const std::string command = "lame --quiet '" + wav + "' '" + dir.file("audio/music.mp3") + "'";
    if (std::system(command.c_str()) != 0) std::abort();
}

}  // namespace

std::vector<uint8_t> solidBmp(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    const uint8_t colour[3] = {r, g, b};
    return gradientBmp(w, h, colour, colour);
}

std::vector<uint8_t> gradientBmp(int w, int h, const uint8_t bottom[3], const uint8_t top[3]) {
    std::vector<uint8_t> out = bmpHeader(w, h);
    const int pad = ((w * 3 + 3) & ~3) - w * 3;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            for (int c = 2; c >= 0; --c) out.push_back(static_cast<uint8_t>(bottom[c] + (top[c] - bottom[c]) * y / (h > 1 ? h - 1 : 1)));
        }
        for (int p = 0; p < pad; ++p) out.push_back(0);
    }
    return out;
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

std::vector<RunRecord> steadyRun(int records, uint32_t gapMs, Vec3 position, float heading, float forwardSpeed,
                                 float turnRate) {
    std::vector<RunRecord> run;
    for (int i = 0; i < records; ++i) {
        RunRecord record;
        record.position = position;
        record.heading = heading;
        record.forwardSpeed = forwardSpeed;
        record.turnRate = turnRate;
        record.timeMs = static_cast<uint32_t>(i) * gapMs;
        run.push_back(record);
    }
    return run;
}

void writeTinyContent(const TempDir& dir, const TinyContent& content) {
    dir.write("models/track.ascii", quadObject("tex\\road.bmp", {flatQuad(-400, -400, 400, 400, 0)}));
    dir.write("models/landscape.ascii", quadObject("tex\\grass.bmp", {flatQuad(-1500, -1500, 1500, 1500, -5)}));
    dir.write("models/ds21.ascii", boxModel("tex\\ds21.bmp", 40, 110, 50));
    dir.write("models/r5.ascii", boxModel("tex\\r5.bmp", 40, 80, 60));
    dir.write("tex/road.bmp", solidBmp(8, 8, 90, 90, 90));
    dir.write("tex/grass.bmp", solidBmp(8, 8, 40, 140, 40));
    dir.write("tex/ds21.bmp", solidBmp(4, 4, 220, 30, 30));
    dir.write("tex/r5.bmp", solidBmp(4, 4, 240, 220, 20));
    const uint8_t skyLow[3] = {250, 250, 255};
    const uint8_t skyHigh[3] = {20, 60, 200};
    dir.write("tex/clouds.bmp", gradientBmp(16, 16, skyLow, skyHigh));
    dir.write("tex/smoke.bmp", content.visibleSmoke ? solidBmp(8, 8, 200, 200, 200) : solidBmp(8, 8, 0, 0, 0));
    writeRun(dir, "rec/record0.rec", content.cameraRun);
    writeRun(dir, "rec/record1.rec", content.ds21Run);
    writeRun(dir, "rec/record2.rec", content.r5Run);
    if (content.writeMusic) writeMp3(dir);
}

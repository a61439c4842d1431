// Speed of the asset readers on inputs of the sizes the scene loads.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "assets/bitmap.h"
#include "assets/model_parser.h"

namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(Bytes& out, uint32_t v) {
    put16(out, v & 0xffffu);
    put16(out, v >> 16);
}

Bytes bitmapHeaders(int width, int height, uint16_t bits, uint32_t compression, size_t tableEntries,
                    size_t pixelBytes) {
    Bytes out = {'B', 'M'};
    const uint32_t offset = static_cast<uint32_t>(54 + tableEntries * 4);
    put32(out, offset + static_cast<uint32_t>(pixelBytes));
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, static_cast<uint32_t>(width));
    put32(out, static_cast<uint32_t>(height));
    put16(out, 1);
    put16(out, bits);
    put32(out, compression);
    put32(out, static_cast<uint32_t>(pixelBytes));
    for (int i = 0; i < 4; ++i) put32(out, 0);
    for (size_t i = 0; i < tableEntries; ++i) put32(out, static_cast<uint32_t>(i * 0x010203u));
    return out;
}

Bytes bitmap24(int side) {
    Bytes out = bitmapHeaders(side, side, 24, 0, 0, static_cast<size_t>(side) * side * 3);
    for (int i = 0; i < side * side * 3; ++i) out.push_back(static_cast<uint8_t>(i * 7));
    return out;
}

// Rows of runs of varied lengths with an absolute run in each, as photographs-turned-palette
// compress.
Bytes bitmapRle8(int side) {
    Bytes stream;
    for (int y = 0; y < side; ++y) {
        int x = 0;
        while (x < side) {
            const int run = std::min(side - x, 1 + (x * 13 + y * 7) % 40);
            if (run >= 6 && (x + y) % 3 == 0) {
                stream.insert(stream.end(), {0, static_cast<uint8_t>(run)});
                for (int i = 0; i < run; ++i) stream.push_back(static_cast<uint8_t>(x + i));
                if (run % 2) stream.push_back(0);
            } else {
                stream.insert(stream.end(), {static_cast<uint8_t>(run), static_cast<uint8_t>(y)});
            }
            x += run;
        }
        stream.insert(stream.end(), {0, 0});
    }
    stream.insert(stream.end(), {0, 1});
    Bytes out = bitmapHeaders(side, side, 8, 1, 256, stream.size());
    out.insert(out.end(), stream.begin(), stream.end());
    return out;
}

// One object at the format's limits: 3000 vertices, coordinates and faces.
std::string model3000Faces() {
    std::string text = "START\nbench\ntex\\bench.bmp\n";
    char line[64];
    for (int i = 0; i < 3000; ++i) {
        std::snprintf(line, sizeof line, "%d.25\n%d.5\n-%d.75\n", i, i * 2, i % 97);
        text += line;
    }
    text += "NEXT\n";
    for (int i = 0; i < 3000; ++i) text += "0\n0.7071\n0.7071\n";
    text += "NEXT\n";
    for (int i = 0; i < 3000; ++i) {
        std::snprintf(line, sizeof line, "%f\n%f\n", (i % 64) / 64.0, (i / 64) / 64.0);
        text += line;
    }
    text += "NEXT\n";
    for (int i = 0; i < 3000; ++i) {
        std::snprintf(line, sizeof line, "%d\n%d\n%d\n", i, (i + 1) % 3000, (i + 2) % 3000);
        text += line;
    }
    text += "NEXT\n";
    for (int i = 0; i < 3000; ++i) {
        std::snprintf(line, sizeof line, "%d\n%d\n%d\n", i, (i + 1) % 3000, (i + 2) % 3000);
        text += line;
    }
    return text + "END\n";
}

void decodeBench(benchmark::State& state, const Bytes& file) {
    for (auto _ : state) {
        BitmapError error = BitmapError::None;
        auto image = decodeBitmap(file.data(), file.size(), error);
        if (!image) state.SkipWithError(bitmapErrorText(error));
        benchmark::DoNotOptimize(image);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(file.size()));
}

void loadBench(benchmark::State& state, const Bytes& file) {
    const std::string path = "/tmp/zorvex-bench-" + std::to_string(getpid()) + ".bmp";
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size())
        state.SkipWithError("cannot write input");
    if (out) std::fclose(out);
    for (auto _ : state) {
        auto image = loadBitmap(path.c_str());
        if (!image) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(image);
    }
    std::remove(path.c_str());
}

void BM_DecodeBitmap24Bit512(benchmark::State& state) { decodeBench(state, bitmap24(512)); }
void BM_DecodeBitmapRle8512(benchmark::State& state) { decodeBench(state, bitmapRle8(512)); }
void BM_LoadBitmap24Bit512(benchmark::State& state) { loadBench(state, bitmap24(512)); }
void BM_LoadBitmapRle8512(benchmark::State& state) { loadBench(state, bitmapRle8(512)); }

void BM_ParseModel3000Faces(benchmark::State& state) {
    const std::string text = model3000Faces();
    for (auto _ : state) {
        FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
        const ModelTextureList textures = scanModelTextures(file);
        std::rewind(file);
        size_t faces = 0;
        const ModelGeometry geometry = parseModelGeometry(
            file, [&faces](const ModelObject& object, size_t) { faces += object.faces.size(); });
        std::fclose(file);
        if (faces != 3000) state.SkipWithError("model did not parse");
        benchmark::DoNotOptimize(textures);
        benchmark::DoNotOptimize(geometry);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
}

}  // namespace

BENCHMARK(BM_DecodeBitmap24Bit512)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeBitmapRle8512)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadBitmap24Bit512)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadBitmapRle8512)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParseModel3000Faces)->Unit(benchmark::kMillisecond);

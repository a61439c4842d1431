#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Geometry of one object of an ASCII model file, in world units (the writer applies the
// file's x100 scale). Each vertex carries its own normal and texture coordinate; faces
// index vertices, and the same index selects the texture coordinate.
struct MeshObject {
    std::string name;
    std::string texture;  // bitmap path as the demo names it ("tex\\track.bmp"), or "xxx"
    struct Vertex {
        float x, y, z;
        float nx, ny, nz;
        float u, v;
    };
    std::vector<Vertex> vertices;
    std::vector<int32_t> indices;  // three per face

    int32_t addVertex(const Vertex& v) {
        vertices.push_back(v);
        return static_cast<int32_t>(vertices.size() - 1);
    }
    void addTriangle(int32_t a, int32_t b, int32_t c) {
        indices.push_back(a);
        indices.push_back(b);
        indices.push_back(c);
    }
    size_t faceCount() const { return indices.size() / 3; }
};

// The format's limits: objects per file, entries per table and faces per object.
constexpr size_t kMaxModelObjects = 100;
constexpr size_t kMaxModelEntries = 3000;

// Formats the objects as an ASCII model file text with fixed, locale-free number output,
// so the same geometry always gives the same bytes. Returns false (and says why) when an
// object breaks a limit of the format, or when the objects together have more faces than
// faceBudget: every face of a model is drawn every frame.
bool formatModel(const std::vector<MeshObject>& objects, size_t faceBudget, std::string& text,
                 std::string& error);

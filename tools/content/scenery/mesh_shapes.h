#pragma once
#include <string>
#include <vector>

#include "content/maths/vector.h"
#include "content/pack/model_writer.h"

// Collects geometry by texture: each texture gets as many objects as the format's
// per-object limits need. take() lists the groups in the order their textures first came,
// so every object after the first of a group reuses its texture with "xxx".
class MeshBuilder {
  public:
    // The object to add to for `faces` more faces on `vertices` more vertices, textured with
    // `texture` (a demo bitmap path).
    MeshObject& object(const std::string& texture, size_t vertices, size_t faces);
    std::vector<MeshObject> take();

  private:
    struct Group {
        std::string texture;
        std::vector<MeshObject> objects;
    };
    std::vector<Group> groups;
};

struct Uv {
    double u = 0.0, v = 0.0;
};

// A flat quad a-b-c-d (counter-clockwise seen from its front) with one face normal.
void addFlatQuad(MeshObject& object, const V3& a, const V3& b, const V3& c, const V3& d,
                 const Uv& uvA, const Uv& uvB, const Uv& uvC, const Uv& uvD);

// A quad with a chosen normal for all four corners. Signs and stands face the track with
// their normals lifted halfway to the light above, so that they read under it.
void quadWithNormal(MeshObject& object, const V3 (&p)[4], const Uv (&uv)[4], const V3& normal);

// The normal toward someone who sees bottomLeft on their left, lifted halfway up.
V3 liftedFacing(const V3& bottomLeft, const V3& bottomRight);

// An upright box from (x0, y0, z0) to (x1, y1, z1) turned by `angle` radians about its
// base centre; texture repeats every `tile` units on each face. Bottom face left out.
void addBox(MeshObject& object, const V3& centre, double sizeX, double sizeY, double z0, double z1,
            double angle, double tile);
size_t boxVertices();
size_t boxFaces();

// A pointed cone of `sides` faces around the vertical through `base`, its ring turned by
// `turn` radians and each ring corner pushed in or out by up to `wobble` of the radius, so
// that neighbouring cones do not share a silhouette. Smooth normals, no floor.
struct ConeShape {
    double radius = 0.0, height = 0.0;
    int sides = 3;
    double turn = 0.0, wobble = 0.0;
    unsigned seed = 0;
};
void addSpike(MeshObject& object, const V3& base, const ConeShape& shape, double uTile,
              double vTile);
size_t spikeVertices(int sides);
size_t spikeFaces(int sides);

// A rounded crown of few faces: a point at the top and at the bottom and `rings` (1 or 2)
// staggered rings between, every ring corner pushed in or out by up to `wobble` of the radius.
// `height` is the full height; smooth normals as on an ellipsoid.
void addCrown(MeshObject& object, const V3& centre, double radius, double height, int sides,
              int rings, double turn, double wobble, unsigned seed);
size_t crownVertices(int sides, int rings);
size_t crownFaces(int sides, int rings);

#pragma once
#include <string>
#include <vector>

#include "content/maths/vector.h"

// Every face of the scenery and the road as the pack holds them, sorted into a grid of the
// plan, to tell whether the free camera sees a car and whether it stands in the open.
class SightMap {
  public:
    // Adds the faces of a model file of the pack, read with the demo's own parser. Returns
    // false when the file cannot be opened or holds no whole model.
    bool addModel(const std::string& path);

    // Whether the straight line from a to b meets no face.
    bool clear(const V3& a, const V3& b) const;

    // Whether a camera can stand at `eye`: open sky above it, ground (or a deck) below it at
    // least `lift` down and no face within reach of its lens around it.
    bool roomAt(const V3& eye, double lift) const;

  private:
    // A face with its two edges from the first corner and its bounding box.
    struct Face {
        V3 corner, edge1, edge2;
        V3 low, high;
    };
    struct Segment {
        V3 from, dir;
        V3 low, high;
    };
    static constexpr double kCell = 0.5;
    static constexpr int kColumns =
        160;  // the plan from -40 to +40 both ways; the edge cells take the rest
    static constexpr double kOrigin = -40.0;

    static int columnOf(double v);
    static bool hits(const Face& face, const Segment& segment);

    std::vector<Face> faces;
    std::vector<std::vector<int>> cells = std::vector<std::vector<int>>(kColumns * kColumns);
};

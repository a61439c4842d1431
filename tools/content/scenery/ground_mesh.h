#pragma once
#include <cstdint>
#include <vector>

#include "content/circuit/circuit.h"
#include "content/circuit/terrain.h"
#include "content/scenery/mesh_shapes.h"

// The ground as it is drawn: the terrain's own grid where the camera comes close (along the
// road and over the built areas) and ever larger square patches farther out, where the
// ground is seen small and at a slant. Neighbouring patches differ by at most one size, and
// a patch beside smaller ones is fanned from its centre through their edge midpoints, so no
// crack opens between sizes. The ground under the road surface is cut away along its edges:
// the road covers it and its banks close the space beneath, so drawing it would be wasted.
class GroundMesh {
  public:
    GroundMesh(const Circuit& circuit, const Terrain& terrain);

    // The height of the ground as drawn at (x, y); on the road's grid it is the terrain's own.
    double heightAt(double x, double y) const;
    // Adds the ground to builder as grass objects, the patches nearest the road first.
    void addTo(MeshBuilder& builder) const;

  private:
    struct Patch {
        int i = 0, j = 0;    // grid vertex of its lower-left corner
        int size = 1;        // cells along each side
        uint8_t halved = 0;  // sides (bit 0 south, 1 east, 2 north, 3 west) beside smaller patches
    };
    struct GridPoint {
        int i, j;
    };
    class Sink;

    void split(int i, int j, int size, const std::vector<int>& wanted);
    bool balance();
    int patchSizeAt(int i, int j) const;
    void markCells(size_t index);
    std::vector<GridPoint> outline(const Patch& patch) const;
    void measureRoadSides();
    double roadSideAt(const GridPoint& g) const;
    void addCell(Sink& sink, const Patch& patch) const;
    void addPatch(Sink& sink, const Patch& patch) const;

    const Circuit& circuit;
    const Terrain& terrain;
    int cellsX = 0, cellsY = 0;
    std::vector<Patch> patches;
    std::vector<int32_t> patchOfCell;  // per grid cell
    // Per grid vertex: how far it lies outside the strip of ground the road covers, negative
    // under it.
    std::vector<double> roadSide;
};

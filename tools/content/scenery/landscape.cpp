#include "content/scenery/landscape.h"

#include "content/camera/camera_spots.h"
#include "content/scenery/banners.h"
#include "content/scenery/buildings.h"
#include "content/scenery/ground_mesh.h"
#include "content/scenery/landscape_textures.h"
#include "content/scenery/road_bed.h"
#include "content/scenery/trees.h"

std::vector<MeshObject> buildLandscape(const Circuit& circuit, const Terrain& terrain) {
    const DeckSpan deck = findDeck(circuit, terrain);
    const std::vector<CameraSpot> spots = cameraSpots(circuit, terrain);
    const GroundMesh ground(circuit, terrain);
    // The list draws in this order, and whatever is drawn first hides what lies behind it
    // before that is shaded: the buildings and signs stand in front of the ground far more
    // often than behind it, and the ground hides the trees behind the hills.
    MeshBuilder builder;
    addDeck(builder, circuit, deck);
    addAbutmentsAndBanners(builder, circuit, terrain, deck);
    addGantry(builder, circuit);
    addPaddock(builder, terrain);
    addGrandstand(builder, terrain);
    addBoards(builder, circuit, terrain, deck);
    addCameraTowers(builder, spots, terrain);
    addSkirts(builder, circuit, terrain, deck);
    ground.addTo(builder);
    addTrees(builder, placeTrees(circuit, terrain, ground, spots));
    return builder.take();
}

bool writeLandscape(const ContentSink& sink, const Circuit& circuit, const Terrain& terrain,
                    std::string& error) {
    if (!sink.writeModel(kLandscapeModelFile, buildLandscape(circuit, terrain),
                         kLandscapeTriangleBudget, error))
        return false;
    for (const NamedPicture& texture : paintLandscapeTextures()) {
        if (!sink.writeBitmap(texture.path, texture.picture, error)) return false;
    }
    return true;
}

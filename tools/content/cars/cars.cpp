#include "content/cars/cars.h"

#include "content/cars/car_designs.h"
#include "content/cars/car_livery.h"
#include "content/cars/car_shape.h"
#include "content/pack/bmp_writer.h"
#include "content/pack/model_writer.h"
#include "content/scenery/sky_smoke.h"

namespace {

// Each car is drawn every frame and is seldom more than a quarter of the picture across: in
// this many faces its body keeps every curve that shows, with the wheels whole.
constexpr size_t kCarTriangleBudget = 1500;

bool writeCar(const CarDesign& design, const std::string& folder, std::string& error) {
    const CarAtlas atlas = atlasFor(design);
    const MeshObject wheels = buildWheels(design.shape, atlas);
    MeshObject body = buildBody(design.shape, atlas, kCarTriangleBudget - wheels.faceCount());
    body.texture = design.textureName;
    const std::vector<MeshObject> objects = {body, wheels};
    std::string text;
    if (!formatModel(objects, kCarTriangleBudget, text, error)) {
        error = design.modelFile + ": " + error;
        return false;
    }
    if (!writeTextFile(folder + "/models/" + design.modelFile, text, error)) return false;
    return writeBinaryFile(folder + "/tex/" + design.textureFile,
                           encodeBmp24(paintCar(design, atlas)), error);
}

}  // namespace

bool writeCars(const std::string& folder, std::string& error) {
    if (!ensureContentFolder(folder, error) || !ensureContentFolder(folder + "/models", error) ||
        !ensureContentFolder(folder + "/tex", error))
        return false;
    return writeCar(makeSaloonDesign(), folder, error) &&
           writeCar(makeHatchbackDesign(), folder, error);
}

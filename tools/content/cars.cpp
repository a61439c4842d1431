#include "cars.h"

#include "bmp_writer.h"
#include "car_livery.h"
#include "car_shape.h"
#include "model_writer.h"
#include "sky_smoke.h"

namespace {

bool writeCar(const CarDesign& design, const std::string& folder, std::string& error) {
    const CarAtlas atlas = atlasFor(design);
    MeshObject body = buildBody(design.shape, atlas);
    body.texture = design.textureName;
    const std::vector<MeshObject> objects = {body, buildWheels(design.shape, atlas)};
    std::string text;
    if (!formatModel(objects, text, error)) {
        error = design.modelFile + ": " + error;
        return false;
    }
    if (!writeTextFile(folder + "/models/" + design.modelFile, text, error)) return false;
    return writeBinaryFile(folder + "/tex/" + design.textureFile, encodeBmp24(paintCar(design, atlas)), error);
}

}  // namespace

bool writeCars(const std::string& folder, std::string& error) {
    if (!ensureContentFolder(folder, error) || !ensureContentFolder(folder + "/models", error) ||
        !ensureContentFolder(folder + "/tex", error))
        return false;
    return writeCar(makeSaloonDesign(), folder, error) && writeCar(makeHatchbackDesign(), folder, error);
}

#include "content/cars/cars.h"

#include "content/cars/car_designs.h"
#include "content/cars/car_livery.h"
#include "content/cars/car_shape.h"

namespace {

// Each car is drawn every frame and is seldom more than a quarter of the picture across: in
// this many faces its body keeps every curve that shows, with the wheels whole.
constexpr size_t kCarTriangleBudget = 1500;

bool writeCar(const ContentSink& sink, const CarDesign& design, std::string& error) {
    const CarAtlas atlas = atlasFor(design);
    const MeshObject wheels = buildWheels(design.shape, atlas);
    MeshObject body = buildBody(design.shape, atlas, kCarTriangleBudget - wheels.faceCount());
    body.texture = design.textureFile;
    return sink.writeModel(design.modelFile, {body, wheels}, kCarTriangleBudget, error) &&
           sink.writeBitmap(design.textureFile, paintCar(design, atlas), error);
}

}  // namespace

bool writeCars(const ContentSink& sink, std::string& error) {
    return writeCar(sink, makeSaloonDesign(), error) &&
           writeCar(sink, makeHatchbackDesign(), error);
}

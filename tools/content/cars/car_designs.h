#pragma once
#include <string>

#include "content/cars/car_livery.h"
#include "content/cars/car_shape.h"

// One car: its file names, its shape and its paint.
struct CarDesign {
    std::string modelFile;    // below the pack's models folder
    std::string textureFile;  // below the pack's tex folder
    std::string textureName;  // as the model file names it ("tex\\ds21.bmp")
    CarShape shape;
    CarLivery livery;
};

// The long, low saloon with a tapering tail and rear wheel spats.
CarDesign makeSaloonDesign();
// The short, boxy hatchback with flared arches.
CarDesign makeHatchbackDesign();

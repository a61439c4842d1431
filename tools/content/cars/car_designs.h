#pragma once
#include <string>

#include "content/cars/car_livery.h"
#include "content/cars/car_shape.h"

// One car: its files in the pack (pack_layout.h), its shape and its paint.
struct CarDesign {
    std::string modelFile;
    std::string textureFile;  // as its model file names it
    CarShape shape;
    CarLivery livery;
};

// The long, low saloon with a tapering tail and rear wheel spats.
CarDesign makeSaloonDesign();
// The short, boxy hatchback with flared arches.
CarDesign makeHatchbackDesign();

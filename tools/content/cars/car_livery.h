#pragma once
#include <string>
#include <vector>

#include "content/cars/car_atlas.h"
#include "content/cars/car_paint.h"
#include "content/cars/car_shape.h"
#include "content/pack/bmp_writer.h"

// A lamp on an end face, given for the right-hand side (x > 0) and mirrored to the left.
struct CarLamp {
    double x, z;
    double halfWidth, halfHeight;  // round lamps use halfWidth as the radius
    bool round;
};

// Colours and the layout of everything painted on a car: glass, stripes, number, lamps.
// Positions are model units along the car (y), across (x) and up (z).
struct CarLivery {
    Rgb body, roof, stripe, trim, chrome, headlamp, taillamp, rim, plate;
    std::string number;
    std::string plateText;
    double screenFrom = 0.0, screenTo = 0.0;      // y span of the windscreen seen from above
    double backFrom = 0.0, backTo = 0.0;          // y span of the rear window seen from above
    double sideFrom = 0.0, sideTo = 0.0;          // y span of the side windows
    double pillarB = 0.0;                         // y of the pillar between the side windows
    double frame = 0.015;                         // window frame and pillar thickness
    double stripeInner = 0.0, stripeOuter = 0.0;  // |x| span of the twin stripes on top
    double sideStripeLow = 0.0,
           sideStripeHigh = 0.0;                 // z span of the side stripe above the shoulder
    double roundelY = 0.0, roundelRadius = 0.0;  // door roundel
    double roofNumberY = 0.0, roofNumberHeight = 0.0;  // number on the roof, reading nose-up
    std::vector<double> doorGaps;
    std::vector<CarLamp> headlamps, taillamps;
    double bumperZ = 0.0, bumperHalfHeight = 0.0;
    double grilleHalfWidth = 0.0, grilleLow = 0.0, grilleHigh = 0.0;
    double frontPlateZ = -1.0,
           rearPlateZ = -1.0;  // centre heights of the number plates; -1 for none
    bool spokedWheels = false;
};

struct CarDesign;

// The atlas layout sized to the design's body.
CarAtlas atlasFor(const CarDesign& design);

// The design's texture picture, laid out by the atlas its meshes use.
Picture paintCar(const CarDesign& design, const CarAtlas& atlas);

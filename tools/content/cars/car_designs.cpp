#include "content/cars/car_designs.h"

#include "content/pack/pack_layout.h"

// Both cars are modelled in units that the game draws at a quarter size: the saloon is 2.2
// long (0.55 on the road), the hatchback 1.6 (0.4). Front is -y, wheels stand on z = 0.

namespace {

CarShape saloonShape() {
    CarShape s;
    s.front = -1.1;
    s.rear = 1.1;
    s.bottom = {{-1.1, 0.15}, {-0.95, 0.1}, {-0.75, 0.08}, {0.85, 0.08}, {1.0, 0.12}, {1.1, 0.17}};
    s.halfWidth = {{-1.1, 0.31}, {-1.0, 0.39}, {-0.8, 0.43}, {-0.2, 0.44},
                   {0.4, 0.435}, {0.8, 0.41},  {1.1, 0.33}};
    s.shoulder = {{-1.1, 0.21}, {-0.8, 0.27}, {0.0, 0.29}, {0.8, 0.30}, {1.1, 0.27}};
    s.belt = {{-1.1, 0.24}, {-0.8, 0.3}, {-0.4, 0.325}, {0.3, 0.335}, {0.8, 0.34}, {1.1, 0.31}};
    s.beltInset = {{-1.1, 0.025}, {0.0, 0.035}, {1.1, 0.025}};
    s.top = {{-1.1, 0.26},  {-0.9, 0.305}, {-0.45, 0.345}, {-0.4, 0.355},
             {-0.12, 0.55}, {0.05, 0.565}, {0.3, 0.56},    {0.6, 0.49},
             {0.85, 0.39},  {1.0, 0.36},   {1.1, 0.34}};
    s.topHalfWidth = {{-1.1, 0.22}, {-0.8, 0.32}, {-0.4, 0.33}, {-0.13, 0.31},
                      {0.3, 0.31},  {0.85, 0.28}, {1.1, 0.24}};
    s.crown = {{-1.1, 0.01},   {-0.45, 0.022}, {-0.38, 0.012},
               {-0.13, 0.016}, {0.3, 0.02},    {1.1, 0.014}};
    s.lowerCorner = 0.06;
    s.roofEdge = 0.035;
    s.endRadius = 0.035;
    s.stationSpacing = 0.085;
    s.wheelRadius = 0.14;
    s.wheelWidth = 0.09;
    s.wheelInset = 0.02;
    s.frontAxle = -0.66;
    s.rearAxle = 0.7;
    s.archClearance = 0.02;
    s.rearArchDrop = 0.09;
    return s;
}

CarLivery saloonLivery() {
    CarLivery l;
    l.body = {168.0, 30.0, 36.0};
    l.roof = {226.0, 221.0, 204.0};
    l.stripe = {34.0, 52.0, 128.0};
    l.trim = {30.0, 30.0, 34.0};
    l.chrome = {196.0, 198.0, 204.0};
    l.headlamp = {246.0, 240.0, 200.0};
    l.taillamp = {214.0, 36.0, 28.0};
    l.rim = {200.0, 202.0, 208.0};
    l.plate = {232.0, 230.0, 220.0};
    l.number = "27";
    l.plateText = "2005";
    l.screenFrom = -0.37;
    l.screenTo = -0.15;
    l.backFrom = 0.34;
    l.backTo = 0.8;
    l.sideFrom = -0.42;
    l.sideTo = 0.72;
    l.pillarB = 0.12;
    l.frame = 0.018;
    l.stripeInner = 0.05;
    l.stripeOuter = 0.1;
    l.sideStripeLow = -0.012;
    l.sideStripeHigh = 0.012;
    l.roundelY = -0.14;
    l.roundelRadius = 0.11;
    l.roofNumberY = 0.08;
    l.roofNumberHeight = 0.13;
    l.doorGaps = {-0.4, 0.11, 0.58};
    l.headlamps = {{0.22, 0.2, 0.05, 0.05, true}};
    l.taillamps = {{0.2, 0.27, 0.07, 0.022, false}};
    l.bumperZ = 0.17;
    l.bumperHalfHeight = 0.014;
    l.grilleHalfWidth = 0.12;
    l.grilleLow = 0.19;
    l.grilleHigh = 0.225;
    l.rearPlateZ = 0.21;
    l.spokedWheels = false;
    return l;
}

CarShape hatchbackShape() {
    CarShape s;
    s.front = -0.8;
    s.rear = 0.8;
    s.bottom = {{-0.8, 0.12}, {-0.72, 0.09}, {0.7, 0.09}, {0.8, 0.13}};
    s.halfWidth = {{-0.8, 0.385}, {-0.72, 0.41}, {-0.52, 0.425}, {-0.3, 0.41},
                   {0.25, 0.41},  {0.5, 0.432},  {0.72, 0.42},   {0.8, 0.4}};
    s.shoulder = {{-0.8, 0.3}, {0.0, 0.33}, {0.8, 0.33}};
    s.belt = {{-0.8, 0.34}, {-0.6, 0.36}, {0.8, 0.38}};
    s.beltInset = {{-0.8, 0.018}, {0.8, 0.022}};
    s.top = {{-0.8, 0.35},  {-0.45, 0.375}, {-0.38, 0.39}, {-0.12, 0.605}, {0.0, 0.615},
             {0.42, 0.608}, {0.52, 0.585},  {0.76, 0.42},  {0.8, 0.39}};
    s.topHalfWidth = {{-0.8, 0.3}, {-0.4, 0.33}, {-0.12, 0.325}, {0.6, 0.325}, {0.8, 0.31}};
    s.crown = {{-0.8, 0.006}, {-0.4, 0.012}, {0.0, 0.012}, {0.8, 0.008}};
    s.lowerCorner = 0.035;
    s.roofEdge = 0.022;
    s.endRadius = 0.03;
    s.stationSpacing = 0.075;
    s.wheelRadius = 0.13;
    s.wheelWidth = 0.1;
    s.wheelInset = 0.015;
    s.frontAxle = -0.52;
    s.rearAxle = 0.5;
    s.archClearance = 0.022;
    s.rearArchDrop = 0.0;
    return s;
}

CarLivery hatchbackLivery() {
    CarLivery l;
    l.body = {232.0, 188.0, 34.0};
    l.roof = {26.0, 26.0, 30.0};
    l.stripe = {26.0, 26.0, 30.0};
    l.trim = {26.0, 26.0, 30.0};
    l.chrome = {150.0, 152.0, 158.0};
    l.headlamp = {246.0, 244.0, 220.0};
    l.taillamp = {208.0, 34.0, 30.0};
    l.rim = {226.0, 226.0, 230.0};
    l.plate = {236.0, 236.0, 232.0};
    l.number = "4";
    l.plateText = "2005";
    l.screenFrom = -0.35;
    l.screenTo = -0.15;
    l.backFrom = 0.5;
    l.backTo = 0.72;
    l.sideFrom = -0.37;
    l.sideTo = 0.47;
    l.pillarB = 0.1;
    l.frame = 0.016;
    l.stripeInner = 0.03;
    l.stripeOuter = 0.085;
    l.sideStripeLow = -0.05;
    l.sideStripeHigh = -0.025;
    l.roundelY = -0.12;
    l.roundelRadius = 0.105;
    l.roofNumberY = 0.2;
    l.roofNumberHeight = 0.12;
    l.doorGaps = {-0.36, 0.12};
    l.headlamps = {{0.25, 0.275, 0.06, 0.028, false}};
    l.taillamps = {{0.3, 0.31, 0.045, 0.06, false}};
    l.bumperZ = 0.15;
    l.bumperHalfHeight = 0.022;
    l.grilleHalfWidth = 0.16;
    l.grilleLow = 0.25;
    l.grilleHigh = 0.3;
    l.frontPlateZ = 0.21;
    l.rearPlateZ = 0.22;
    l.spokedWheels = true;
    return l;
}

}  // namespace

CarDesign makeSaloonDesign() {
    return {kDs21ModelFile, kDs21TextureFile, saloonShape(), saloonLivery()};
}

CarDesign makeHatchbackDesign() {
    return {kR5ModelFile, kR5TextureFile, hatchbackShape(), hatchbackLivery()};
}

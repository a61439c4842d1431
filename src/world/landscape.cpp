#include "world/landscape.h"

#include <GL/gl.h>

#include "assets/model.h"

Landscape::Landscape(const char* path) : modelList(loadModel(path)) {}

void Landscape::draw() const { glCallList(modelList); }

// Construction of the objects the world-file blocks describe. Each function
// builds its object, runs the block's reader on the input, then its
// finishing steps, in the order the objects' records require.
#pragma once

#include <istream>
#include <memory>
#include <string>

#include "sim/records.h"

// A new world, made `currentWorld` before its block is read.
std::unique_ptr<World> constructWorld(std::istream& input, const std::string& prefix);

// A model read with a copy of the world's placement, placed and committed.
// Null when the block gave it no root body (such a model is left out).
std::unique_ptr<Model> constructModel(World& world, std::istream& input, const std::string& prefix);

// A body owned by `model` (every body read for a model lives in its
// `bodies` until the model keeps only its tree), read with a copy of the
// container's placement, re-centred and with its inverses set. Null, its
// block read and thrown away, when the model already holds more bodies
// than a world may (the model is then left out).
Body* constructBody(Model& model, std::istream& input, const std::string& prefix, const Placement& container);

// A socket (isSocket) or plug read with the placement in force.
Anchor constructAnchor(std::istream& input, const std::string& prefix, const Placement& placement, bool isSocket);

// A textured polygon with its own copy of the placement in force; texture
// coordinates normalised by the texture's size (once it has arrived, for an
// address still being fetched: awaitsTexture). Null when the block named no
// texture: there is nothing to draw it with.
std::unique_ptr<TexturedPolygon> constructTexturedPolygon(std::istream& input, const std::string& prefix,
                                                          const Placement& placement);

// Divides the polygon's texture coordinates, given in pixels, by its
// texture's size (a side of size 0 is left as it is).
void scaleTexCoords(TexturedPolygon& polygon);

// The point list of a textured polygon: "tv" texture coordinates as given,
// "pv" outline points mapped by the placement.
void readPointList(std::istream& input, const std::string& prefix, std::vector<Point>& texCoords,
                   std::vector<Point>& points, const Placement& placement);

// Every shape's current outline from its local contours, x, y and angle.
void placeCurrentOutline(Body& body);

#pragma once
#include "content/circuit/circuit.h"
#include "content/circuit/terrain.h"
#include "content/maths/vector.h"
#include "content/scenery/mesh_shapes.h"

// What carries the road: the grass banks of its bed and, where the upper pass stands clear
// of the ground, the bridge with its deck, parapets, abutments and the sponsors' names on it.

// The point `lateral` to the left of the centre line at station s, at height z.
V3 sideOf(const Circuit& circuit, double s, double lateral, double z);

// The stretch of the upper pass that stands clear of the ground: the bridge deck.
struct DeckSpan {
    double from = 0.0, to = 0.0;
};
DeckSpan findDeck(const Circuit& circuit, const Terrain& terrain);
// Whether station s lies on the deck.
bool onDeck(const Circuit& circuit, const DeckSpan& deck, double s);

// The road's bed: grass banks from the verge edges out and down into the ground, so the
// road never seems to float. Over the bridge the deck's own edge takes their place.
void addSkirts(MeshBuilder& builder, const Circuit& circuit, const Terrain& terrain,
               const DeckSpan& deck);
// Deck underside, deck edges and the parapets, stepping along the span.
void addDeck(MeshBuilder& builder, const Circuit& circuit, const DeckSpan& deck);
// Walls under both ends of the deck, down into the cutting, and the sponsors' names on both
// faces of the bridge.
void addAbutmentsAndBanners(MeshBuilder& builder, const Circuit& circuit, const Terrain& terrain,
                            const DeckSpan& deck);

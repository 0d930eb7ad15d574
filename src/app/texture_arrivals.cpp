#include "app/texture_arrivals.h"

#include <chrono>

#include "assets/textures.h"
#include "files/blocks.h"
#include "files/diagnostics.h"
#include "sim/globals.h"

namespace {

void scaleWaitingPolygons(const TextureRecord* record) {
    for (const auto& world : worlds)
        for (const auto& model : world->models)
            for (const auto& body : model->bodies)
                for (const auto& polygon : body->textures) {
                    if (!polygon->awaitsTexture || polygon->texture != record) continue;
                    scaleTexCoords(*polygon);
                    polygon->awaitsTexture = false;
                }
}

}  // namespace

void placeArrivedTextures() {
    for (const TextureArrival& arrival : takeArrivedTextures()) {
        scaleWaitingPolygons(arrival.record);
        if (!arrival.problem.empty() && diagnosticSink)
            *diagnosticSink << "vantor: texture \"" << arrival.record->path << "\": " << arrival.problem
                            << "; drawn white\n";
    }
}

void awaitFetchedTexturesPlaced(const std::function<bool()>& stop) {
    constexpr std::chrono::milliseconds slice{50};
    // Every request ends by its load's deadline; this bound only guards
    // against a fetcher that never says so.
    auto latest = std::chrono::steady_clock::now() + textureFetchBudget + slice;
    while (!stop() && std::chrono::steady_clock::now() < latest)
        if (awaitFetchedTextures(std::chrono::steady_clock::now() + slice)) break;
    placeArrivedTextures();
}

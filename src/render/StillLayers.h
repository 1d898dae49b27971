// The parts of a picture that do not change with time, kept between renders of the same look: the
// background's drawn rows and the drop shadow as stored around and under the orb. A caller that
// renders a stream of frames (the live canvas) lends one to the renderer as it lends a WorkerPool
// (RenderOptions::stillLayers); the renderer stays a pure function of its arguments, since what is
// kept is exactly what would be computed again: a render through the cache gives the same bytes
// as one without (still_layers_test, render_compare --still-layers).
// A look is kept only once it is seen a second time in a row, so a slider drag, which changes
// the look every frame, pays nothing for the cache. One render at a time may use a cache; it may
// move between threads between renders.
#pragma once

#include "model/OrbValues.h"
#include "render/Blend.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace lumara::render {

class StillLayers {
public:
    // Keys of what is kept: every value the kept pixels are computed from, compared bit for bit.
    struct BackgroundKey {
        int side = 0;
        double pixelsPerPoint = 0.0;
        GradientType type = GradientType::linear;
        std::vector<CodableColor> colours;
        double angle = 0.0;
        double blur = 0.0;
        bool operator==(const BackgroundKey& other) const;
    };
    struct ShadowKey {
        int side = 0;
        double pixelsPerPoint = 0.0;
        std::vector<CodableColor> colours;
        double radius = 0.0;
        double originX = 0.0, originY = 0.0;
        int width = 0, height = 0;
        bool reduced = true;
        bool operator==(const ShadowKey& other) const;
    };

    // The background drawn on every row of the square: side x side pixels, each row valid on the
    // span of the inscribed circle.
    struct BackgroundRows {
        BackgroundKey key;
        std::vector<Px> pixels;
    };
    // The shadow of a target: `outside` holds the stored bytes (RGBA8, width x height) of every
    // pixel outside the orb's square; `under` the shadow under the square's pixels before the orb
    // is laid over it (side x side, the part of the square inside the target).
    struct ShadowPixels {
        ShadowKey key;
        std::vector<std::uint8_t> outside;
        std::vector<Px> under;
    };

    // Counts of kept layers computed, for tests and benchmarks.
    struct Counts {
        long backgrounds = 0;
        long shadows = 0;
    };

    StillLayers();
    ~StillLayers();
    StillLayers(const StillLayers&) = delete;
    StillLayers& operator=(const StillLayers&) = delete;

    Counts computed() const { return m_computed; }
    // Bytes of pixels held.
    std::size_t bytes() const;
    void clear();

    // For the renderer. The kept rows for `key`, or null: then, when `key` was also asked for by the
    // render before (the look is held), `wanted` is set and the caller computes them and hands
    // them to keep(). Looks whose pixels would exceed the budget are never kept.
    // What is returned stays valid while the caller holds it, whatever the cache drops meanwhile.
    std::shared_ptr<const BackgroundRows> background(const BackgroundKey& key, bool& wanted);
    std::shared_ptr<const ShadowPixels> shadow(const ShadowKey& key, bool& wanted);
    std::shared_ptr<const BackgroundRows> keep(BackgroundRows rows);
    std::shared_ptr<const ShadowPixels> keep(ShadowPixels pixels);

    // Bytes of pixels one cache holds at most; the oldest looks are dropped first.
    static constexpr std::size_t kBudgetBytes = std::size_t{160} << 20;
    // Looks of each kind held at once (a cross-fade shows two).
    static constexpr std::size_t kLooks = 4;

private:
    void trim();

    std::vector<std::shared_ptr<const BackgroundRows>> m_backgrounds; // newest last
    std::vector<std::shared_ptr<const ShadowPixels>> m_shadows;
    std::vector<BackgroundKey> m_seenBackgrounds; // asked for once, not kept yet
    std::vector<ShadowKey> m_seenShadows;
    Counts m_computed;
};

} // namespace lumara::render

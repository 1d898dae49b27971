// The still-layer cache against rendering afresh: every frame drawn through a cache must have
// the bytes of the same frame drawn without one, while the look holds, changes one field at a
// time, or alternates with another (a cross-fade); and a change recomputes only the kept layers
// it reaches, so the cache pays for itself during a slider drag of anything else.
#include "RenderTestSupport.h"

#include "model/OrbFields.h"
#include "model/OrbPreset.h"
#include "model/RandomConfiguration.h"
#include "render/Parallel.h"
#include "render/StillLayers.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace lumara;

namespace {

// The orb's square at 120 px in a target with room for most of its shadow, as the canvas frames it.
render::RenderOptions canvasLike(const OrbValues& v, render::WorkerPool& pool)
{
    const double scale = 120.0 / v.orbSize;
    render::RenderOptions options = test::framed(scale, 236, 250, 58, 52);
    options.workers = &pool;
    return options;
}

// `v` with one field set to another value the renderer draws differently.
OrbValues changed(const OrbValues& v, const char* key)
{
    OrbValues out = v;
    forEachOrbField([&](const auto& field) {
        if (std::string(field.key) != key) return;
        auto& value = out.*field.member;
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, double>) value = value * 1.15 + 0.05;
        else if constexpr (std::is_same_v<T, std::int64_t>) value += 1;
        else if constexpr (std::is_same_v<T, bool>) value = !value;
        else if constexpr (std::is_same_v<T, GradientType>) value = value == GradientType::radial ? GradientType::angular : GradientType::radial;
        else if constexpr (std::is_same_v<T, BlobBlendMode>) value = value == BlobBlendMode::screen ? BlobBlendMode::softLight : BlobBlendMode::screen;
        else if constexpr (std::is_same_v<T, CodableColor>) value.red = value.red > 0.5 ? value.red - 0.3 : value.red + 0.3;
        else value.push_back({0.2, 0.9, 0.4, 1.0}); // the background colours
    });
    return out;
}

std::vector<const char*> fieldKeys()
{
    std::vector<const char*> keys;
    forEachOrbField([&](const auto& field) { keys.push_back(field.key); });
    return keys;
}

// Renders `v` at `t` through the cache and afresh, and expects the same bytes.
void expectSame(const OrbValues& v, double t, render::StillLayers& cache, render::WorkerPool& pool,
                const std::string& what)
{
    render::RenderOptions options = canvasLike(v, pool);
    const render::Image fresh = render::renderOrb(v, t, options);
    options.stillLayers = &cache;
    const render::Image kept = render::renderOrb(v, t, options);
    ASSERT_EQ(test::maxDifference(fresh, kept), 0) << what << " at " << t;
}

} // namespace

TEST(StillLayers, GiveTheBytesOfRenderingAfreshAcrossLooksTimesAndChanges)
{
    render::WorkerPool pool(2);
    render::StillLayers cache; // one for the whole run, as the canvas keeps one
    std::vector<std::pair<std::string, OrbValues>> looks{{"default", OrbValues{}}};
    for (const OrbPreset& preset : allPresets()) looks.emplace_back(preset.name, preset.configuration);
    for (unsigned seed = 0; seed < 6; ++seed) {
        RandomEngine engine(900 + seed);
        looks.emplace_back("random " + std::to_string(seed), makeRandomConfiguration(engine));
    }
    for (const auto& [name, look] : looks) {
        // Seen, kept, read back; the time moves on between frames as on the canvas.
        for (double t : {0.0, 0.4, 7.25}) expectSame(look, t, cache, pool, name);
    }
    // Every field changed in turn on a few looks, each change held for three frames.
    for (std::size_t i : {std::size_t{0}, std::size_t{3}, looks.size() - 1}) {
        const auto& [name, look] = looks[i];
        double t = 1.0;
        for (const char* key : fieldKeys()) {
            const OrbValues after = changed(look, key);
            for (int frame = 0; frame < 3; ++frame, t += 0.35) expectSame(after, t, cache, pool, name + ", " + key);
            expectSame(look, t, cache, pool, name + " again after " + key);
        }
    }
    EXPECT_LE(cache.bytes(), render::StillLayers::kBudgetBytes);
}

TEST(StillLayers, AChangeRecomputesOnlyTheLayersItReaches)
{
    render::WorkerPool pool(2);
    const OrbValues look = findPreset("Ros\u00e9")->configuration;
    ASSERT_TRUE(look.showBackground && look.showShadow);
    const std::set<std::string> background{"backgroundColors", "gradientType", "gradientAngle", "backgroundBlur", "orbSize"};
    const std::set<std::string> shadow{"backgroundColors", "shadowRadius", "orbSize"};
    for (const char* key : fieldKeys()) {
        render::StillLayers cache;
        render::RenderOptions options = canvasLike(look, pool);
        options.stillLayers = &cache;
        for (int frame = 0; frame < 3; ++frame) render::renderOrb(look, frame * 0.5, options);
        ASSERT_EQ(cache.computed().backgrounds, 1);
        ASSERT_EQ(cache.computed().shadows, 1);
        // A look changed for one frame (a slider moving) computes nothing to keep.
        const OrbValues after = changed(look, key);
        render::renderOrb(after, 2.0, options);
        EXPECT_EQ(cache.computed().backgrounds, 1) << key;
        EXPECT_EQ(cache.computed().shadows, 1) << key;
        // Held, it keeps what it changed, and only that.
        for (int frame = 0; frame < 3; ++frame) render::renderOrb(after, 3.0 + frame, options);
        EXPECT_EQ(cache.computed().backgrounds, background.count(key) ? 2 : 1) << key;
        EXPECT_EQ(cache.computed().shadows, shadow.count(key) ? 2 : 1) << key;
    }
}

TEST(StillLayers, KeepBothLooksOfACrossFadeAndNothingBeyondTheBudget)
{
    render::WorkerPool pool(2);
    render::StillLayers cache;
    const OrbValues a = findPreset("Ros\u00e9")->configuration;
    OrbValues b = a;
    b.backgroundColors.front().red *= 0.5;
    for (int frame = 0; frame < 12; ++frame) {
        const OrbValues& look = frame % 2 ? b : a;
        render::RenderOptions options = canvasLike(look, pool);
        options.stillLayers = &cache;
        render::renderOrb(look, frame / 60.0, options);
    }
    EXPECT_EQ(cache.computed().backgrounds, 2);
    EXPECT_EQ(cache.computed().shadows, 2);

    // A look whose kept pixels would not fit is never asked for, however long it is held.
    render::StillLayers::BackgroundKey huge{4096, 1.0, GradientType::linear, {}, 0.0, 0.0};
    bool wanted = true;
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_EQ(cache.background(huge, wanted), nullptr);
        EXPECT_FALSE(wanted);
    }
    cache.clear();
    EXPECT_EQ(cache.bytes(), 0u);
}

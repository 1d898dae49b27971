// Configuration notifications, colours, presets, random generation and state naming.
#include "model/OrbConfiguration.h"
#include "model/OrbPreset.h"
#include "model/OrbState.h"
#include "model/RandomConfiguration.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <set>

using namespace lumara;

TEST(CodableColor, EqualColorsHashAlikeIncludingNegativeZero)
{
    const CodableColor a{0.0, -0.0, 0.5, 1.0};
    const CodableColor b{-0.0, 0.0, 0.5, 1.0};
    EXPECT_EQ(a, b);
    EXPECT_EQ(qHashCodableColor(a), qHashCodableColor(b));
    EXPECT_NE(qHashCodableColor(a), qHashCodableColor({0.0, 0.0, 0.5, 0.9}));
    // Field order matters: swapping two components is a different colour with a different hash.
    EXPECT_NE(qHashCodableColor({0.1, 0.2, 0.3, 1}), qHashCodableColor({0.2, 0.1, 0.3, 1}));
}

TEST(OrbConfiguration, OnlyFieldsThatChangeNotify)
{
    OrbConfiguration config;
    QSignalSpy glow(&config, &OrbConfiguration::glowColorChanged);
    QSignalSpy colors(&config, &OrbConfiguration::backgroundColorsChanged);
    QSignalSpy speed(&config, &OrbConfiguration::speedChanged);
    QSignalSpy any(&config, &OrbConfiguration::changed);

    config.setGlowColor({1, 1, 1, 1});
    config.setBackgroundColors(defaultBackgroundColors());
    config.setBlobCount(2);
    config.setValues(OrbValues{});
    EXPECT_EQ(glow.count() + colors.count() + speed.count() + any.count(), 0) << "equal values notify nobody";

    config.setGlowColor({1, 1, 1, 0.5});
    auto edited = defaultBackgroundColors();
    edited[2].blue = 0.25;
    config.setBackgroundColors(edited);
    EXPECT_EQ(glow.count(), 1);
    EXPECT_EQ(colors.count(), 1);
    EXPECT_EQ(any.count(), 2);

    // A whole record notifies the fields that differ and no others.
    OrbValues v = config.values();
    v.speed = 12;
    config.setValues(v);
    EXPECT_EQ(speed.count(), 1);
    EXPECT_EQ(glow.count() + colors.count(), 2);
    EXPECT_EQ(config.values(), v);
}

// The numeric defaults are pinned by the exact export texts; these are the ones no export shows.
TEST(OrbConfiguration, DefaultColoursAndKinds)
{
    const OrbValues v;
    ASSERT_EQ(v.backgroundColors.size(), 3u);
    for (const auto& c : v.backgroundColors) EXPECT_EQ(c.opacity, 1.0);
    EXPECT_EQ(v.glowColor, (CodableColor{1, 1, 1, 1}));
    EXPECT_EQ(v.gradientType, GradientType::linear);
    EXPECT_EQ(v.blobBlendMode, BlobBlendMode::plusLighter);
}

TEST(PresetLibrary, HasSixteenPresetsInFiveFamilies)
{
    const auto& presets = allPresets();
    ASSERT_EQ(presets.size(), 16u);
    const std::map<PresetCategory, std::size_t> expected{{PresetCategory::cool, 4}, {PresetCategory::warm, 4},
                                                         {PresetCategory::neon, 2}, {PresetCategory::pastel, 3},
                                                         {PresetCategory::dark, 3}};
    for (auto [category, n] : expected) EXPECT_EQ(presetsInCategory(category).size(), n);
    EXPECT_EQ(presets[6].name, "Ros\u00e9");
    EXPECT_EQ(presetCategoryFromRaw("Pastel"), PresetCategory::pastel);
    EXPECT_FALSE(presetCategoryFromRaw("pastel"));
    std::set<QUuid> ids;
    for (const auto& p : presets) {
        ids.insert(p.id);
        EXPECT_EQ(p.configuration.orbSize, 280);
        EXPECT_TRUE(p.configuration.showShadow);
        for (const auto& c : p.configuration.backgroundColors) EXPECT_EQ(c.opacity, 1.0);
    }
    EXPECT_EQ(ids.size(), 16u);
}

TEST(PresetLibrary, ListedFieldsOverrideDefaultsAndTheRestStay)
{
    const OrbPreset* voidPreset = findPreset("Void");
    ASSERT_NE(voidPreset, nullptr);
    EXPECT_EQ(voidPreset->configuration.gradientType, GradientType::radial);
    EXPECT_EQ(voidPreset->configuration.blobScale, 1.0) << "not listed: the default";
    EXPECT_EQ(voidPreset->configuration.glowColor, (CodableColor{1, 1, 1, 1}));
    EXPECT_EQ(findPreset("Jade")->configuration.glowColor, (CodableColor{0.7, 1, 0.85, 1}));
    EXPECT_EQ(findPreset("void"), nullptr);
}

TEST(RandomConfiguration, StaysInsideTheDocumentedRanges)
{
    RandomEngine engine(42);
    std::set<GradientType> gradients;
    std::set<BlobBlendMode> blends;
    std::set<std::int64_t> counts, complexities;
    for (int i = 0; i < 2000; ++i) {
        const OrbValues v = makeRandomConfiguration(engine);
        ASSERT_GE(v.backgroundColors.size(), 2u);
        ASSERT_LE(v.backgroundColors.size(), 5u);
        for (const auto& c : v.backgroundColors) {
            ASSERT_EQ(c.opacity, 1.0);
            ASSERT_TRUE(c.red >= 0 && c.red <= 1 && c.green >= 0 && c.green <= 1 && c.blue >= 0 && c.blue <= 1);
        }
        ASSERT_EQ(v.glowColor.opacity, 1.0);
        ASSERT_TRUE(v.glowColor.red >= 0.5 && v.glowColor.green >= 0.5 && v.glowColor.blue >= 0.5);
        ASSERT_EQ(v.orbSize, 280);
        ASSERT_TRUE(v.cornerRadius >= 0.4 && v.cornerRadius <= 1.0);
        ASSERT_TRUE(v.amplitude >= 0.03 && v.amplitude <= 0.35);
        ASSERT_TRUE(v.speed >= 25 && v.speed <= 90);
        ASSERT_TRUE(v.edgeSoftness >= 0 && v.edgeSoftness <= 1);
        ASSERT_TRUE(v.showBackground && v.showWavyBlobs && v.showGlowEffects && v.showShadow);
        gradients.insert(v.gradientType);
        blends.insert(v.blobBlendMode);
        counts.insert(v.blobCount);
        complexities.insert(v.complexity);
    }
    EXPECT_EQ(gradients.size(), 3u);
    EXPECT_EQ(blends.size(), 5u);
    EXPECT_EQ(counts, (std::set<std::int64_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(*complexities.begin(), 3);
    EXPECT_EQ(*complexities.rbegin(), 12);
    EXPECT_EQ(complexities.size(), 10u);
}

TEST(RandomConfiguration, ClosedIntervalsReachBothEndsExactly)
{
    for (auto [a, b] : {std::pair{0.0, 1.0}, {0.3, 0.95}, {0.03, 0.35}, {25.0, 90.0}}) {
        EXPECT_EQ(closedIntervalPoint(0, a, b), a);
        EXPECT_EQ(closedIntervalPoint(kClosedIntervalSteps, a, b), b);
        EXPECT_LE(closedIntervalPoint(kClosedIntervalSteps - 1, a, b), b);
    }
    RandomEngine engine(7);
    for (int i = 0; i < 10000; ++i) {
        const double x = randomClosed(engine, 0.3, 0.95);
        ASSERT_TRUE(x >= 0.3 && x <= 0.95);
    }
}

TEST(StateNaming, NextFreeNameAndTrimming)
{
    const std::pair<QStringList, QString> next[] = {
        {{"Default"}, "State 2"},
        {{"Default", "State 3"}, "State 4"},
        {{"Default", "State 2", "State 4"}, "State 5"},
        {{"Default", "state 3"}, "State 3"}, // comparison is case-sensitive
    };
    for (const auto& [names, expected] : next) EXPECT_EQ(nextStateName(names), expected) << names.join(",").toStdString();
    EXPECT_EQ(trimmedStateName("  Glow \n"), "Glow");
    EXPECT_EQ(trimmedStateName(" \t\n "), "");
}

TEST(OrbState, DataRoundTripKeepsIdNameAndValues)
{
    OrbValues v;
    v.blobCount = -4;
    OrbState state("Mine", new OrbConfiguration(v));
    std::unique_ptr<OrbState> back(OrbState::fromData(state.data()));
    EXPECT_EQ(back->id(), state.id());
    EXPECT_EQ(back->name(), "Mine");
    EXPECT_EQ(back->config()->values(), v);
    EXPECT_EQ(state.data().id, uuidText(state.id()));
    EXPECT_EQ(QString::fromStdString(state.data().id), QString::fromStdString(state.data().id).toUpper());
}

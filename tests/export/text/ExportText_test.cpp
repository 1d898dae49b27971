// Exact text of the three exports: SwiftUI code, HTML page and prompt, each checked character
// for character under the C locale and under a decimal-comma locale.
#include "LocaleSwitch.h"
#include "export/text/ExportText.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace lumara::exporting {
namespace {

using test::underEachLocale;

// Lines joined by line feeds, none after the last.
std::string lines(std::initializer_list<std::string> parts)
{
    std::string out;
    for (auto it = parts.begin(); it != parts.end(); ++it) out += (it == parts.begin() ? "" : "\n") + *it;
    return out;
}

std::string sp(int n, const std::string& text) { return std::string(static_cast<std::size_t>(n), ' ') + text; }

OrbValues sample()
{
    OrbValues v;
    v.backgroundColors = {{0.1, 0.2, 0.3, 1.0}, {0.9, 0.8, 0.7, 0.5}};
    v.glowColor = {1.0, 0.5, 0.25, 0.123};
    return v;
}

OrbProjectData projectOf(std::initializer_list<OrbValues> configs, double transition = 0.6, std::int64_t selected = 0)
{
    OrbProjectData project;
    int k = 0;
    for (const auto& c : configs)     {
        OrbStateData state{std::to_string(k), std::to_string(k), c};
        state.id.insert(0, "id");
        project.states.push_back(std::move(state));
        ++k;
    }
    project.transitionDuration = transition;
    project.selectedStateIndex = selected;
    return project;
}

std::size_t count(const std::string& text, const std::string& needle)
{
    std::size_t n = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
}

std::string glowCall(const std::string& suffix, const std::string& opacity, const std::string& speed, bool clockwise,
                     const std::string& blur, const std::string& mode)
{
    return lines({sp(20, "RotatingGlowView" + suffix + "("), sp(24, "color: glowColor.opacity(" + opacity + "),"),
                  sp(24, "rotationSpeed: speed * " + speed + ","), sp(24, std::string("clockwise: ") + (clockwise ? "true" : "false")),
                  sp(20, ")"), sp(20, ".blur(radius: size * " + blur + ")"), sp(20, ".blendMode(" + mode + ")")});
}

std::string blobLayer(const std::string& color, const std::string& opacity, const std::string& speed, bool clockwise,
                      const std::string& loop, const std::string& width, const std::string& offset)
{
    return lines({sp(16, "RotatingGlowView("), sp(20, "color: " + color + ".opacity(" + opacity + "),"),
                  sp(20, "rotationSpeed: speed * " + speed + ","), sp(20, std::string("clockwise: ") + (clockwise ? "true" : "false")),
                  sp(16, ")"), sp(16, ".mask {"), sp(20, "WavyBlobView("), sp(24, "loopDuration: 60 / speed * " + loop),
                  sp(20, ")"), sp(20, ".frame(maxWidth: size * " + width + ")"), sp(20, ".offset(y: size * " + offset + ")"),
                  sp(16, "}"), sp(16, ".blur(radius: 1.000)"), sp(16, ".blendMode(.plusLighter)")}) +
           "\n";
}

const std::string kRotatingGlowStruct = lines({
    "private struct RotatingGlowView: View {", sp(4, "let color: Color"), sp(4, "let rotationSpeed: Double"),
    sp(4, "let clockwise: Bool"), "", sp(4, "var body: some View {"), sp(8, "TimelineView(.animation) { timeline in"),
    sp(12, "let time = timeline.date.timeIntervalSinceReferenceDate"),
    sp(12, "let degreesPerSecond = rotationSpeed * (clockwise ? 1.0 : -1.0)"), sp(12, "let angle = time * degreesPerSecond"), "",
    sp(12, "GeometryReader { geometry in"), sp(16, "let size = min(geometry.size.width, geometry.size.height)"), "",
    sp(16, "Circle()"), sp(20, ".fill(color)"), sp(20, ".mask {"), sp(24, "ZStack {"), sp(28, "Circle()"),
    sp(32, ".frame(width: size, height: size)"), sp(32, ".blur(radius: size * 0.16)"), sp(28, "Circle()"),
    sp(32, ".frame(width: size * 1.31, height: size * 1.31)"), sp(32, ".offset(y: size * 0.31)"),
    sp(32, ".blur(radius: size * 0.16)"), sp(32, ".blendMode(.destinationOut)"), sp(24, "}"), sp(20, "}"),
    sp(20, ".rotationEffect(.degrees(angle))"), sp(12, "}"), sp(8, "}"), sp(4, "}"), "}"});

// The wavy blob struct up to its fixed remainder, for complexity 6 and amplitude 0.15.
const std::string kWavyBlobHead = lines({
    "private struct WavyBlobView: View {", sp(4, "let loopDuration: Double"), "",
    sp(4, "private let basePoints: [CGPoint] = (0..<6).map { index in"), sp(8, "let angle = (Double(index) / 6.0) * 2 * .pi"),
    sp(8, "return CGPoint(x: 0.5 + cos(angle) * 0.9, y: 0.5 + sin(angle) * 0.9)"), sp(4, "}"), "",
    sp(4, "var body: some View {"), sp(8, "TimelineView(.animation) { timeline in"), sp(12, "Canvas { context, size in"),
    sp(16, "let timeNow = timeline.date.timeIntervalSinceReferenceDate"),
    sp(16, "let angle = (timeNow.remainder(dividingBy: loopDuration) / loopDuration) * 2 * .pi"),
    sp(16, "let center = CGPoint(x: size.width / 2, y: size.height / 2)"),
    sp(16, "let radius = min(size.width, size.height) * 0.45"), sp(16, "let phaseStep = .pi * 2 / 6.0"), "",
    sp(16, "let adjustedPoints = basePoints.enumerated().map { index, point in"),
    sp(20, "let phaseOffset = Double(index) * phaseStep"), sp(20, "let xOffset = sin(angle + phaseOffset) * 0.150"),
    sp(20, "let yOffset = cos(angle + phaseOffset) * 0.150")});

TEST(SwiftUIExport, SingleStateFileIsExact)
{
    const std::string body = lines({
        sp(4, "var body: some View {"), sp(8, "GeometryReader { geometry in"),
        sp(12, "let size = min(geometry.size.width, geometry.size.height)"), sp(12, "ZStack {"),
        sp(16, "if showBackground {"),
        sp(20, "LinearGradient(colors: backgroundColors, startPoint: UnitPoint(x: 0.000, y: 0.500), endPoint: UnitPoint(x: 1.000, y: 0.500))"),
        sp(16, "}"), sp(16, "if showGlowEffects {"), glowCall("", "0.600", "0.75", true, "0.020", ".destinationOver"), "",
        glowCall("", "0.300", "0.25", false, "0.010", ".destinationOver"), sp(16, "}"),
        sp(16, "if showWavyBlobs {\n") + blobLayer("glowColor", "0.750", "0.600", true, "1.500", "1.500", "0.125") +
            blobLayer("glowColor", "0.750", "1.200", false, "2.000", "1.350", "-0.188") + sp(16, "}"),
        sp(16, "if showGlowEffects {"), glowCall("", "0.800", "3", true, "0.020", ".plusLighter"), "",
        glowCall("", "0.500", "2.3", false, "0.010", ".plusLighter"), sp(16, "}"), sp(12, "}"), sp(12, ".overlay {"),
        sp(16, "ZStack {"), sp(20, "Circle()"), sp(24, ".stroke(glowColor.opacity(0.300), lineWidth: 1.000)"),
        sp(24, ".blur(radius: 3.000)"), sp(20, "Circle()"), sp(24, ".stroke(glowColor.opacity(0.150), lineWidth: 0.400)"),
        sp(24, ".blur(radius: 1.000)"), sp(24, ".padding(2)"), sp(16, "}"), sp(16, ".blendMode(.plusLighter)"), sp(12, "}"),
        sp(12, ".drawingGroup()"), sp(16, ".clipShape(Circle())"), "", sp(12, ".background {"),
        sp(16, "Circle().fill(LinearGradient(colors: backgroundColors, startPoint: .bottom, endPoint: .top))"),
        sp(20, ".blur(radius: size * 0.060).opacity(0.5).offset(y: size * 0.040)"), sp(12, "}"), sp(12, ".background {"),
        sp(16, "Circle().fill(LinearGradient(colors: backgroundColors, startPoint: .bottom, endPoint: .top))"),
        sp(20, ".blur(radius: size * 0.240).opacity(0.3).offset(y: size * 0.060)"), sp(12, "}"),
        sp(12, ".frame(width: size, height: size)"), sp(12, ".transaction { t in t.animation = nil }"), sp(8, "}"), sp(4, "}")});
    const std::string head =
        "// Generated by Lumara\nimport SwiftUI\n\nstruct GeneratedOrbView: View {\n"
        "    let backgroundColors: [Color] = [Color(red: 0.100, green: 0.200, blue: 0.300), Color(red: 0.900, green: 0.800, blue: 0.700)]\n"
        "    let glowColor: Color = Color(red: 1.000, green: 0.500, blue: 0.250)\n"
        "    let glowIntensity: Double = 1.000\n    let glowSoftness: Double = 1.000\n    let speed: Double = 60.000\n"
        "    let showBackground = true\n    let showWavyBlobs = true\n    let showGlowEffects = true\n    let showShadow = true\n"
        "    let cornerRadius: Double = 1.000\n    let orbSize: Double = 280.000\n    let shadowRadius: Double = 1.000\n"
        "    let edgeSoftness: Double = 0.000\n\n";
    const std::string tail =
        "\n\n#Preview {\n    ZStack {\n        Color.black.ignoresSafeArea()\n        GeneratedOrbView()\n"
        "            .frame(width: 200, height: 200)\n    }\n}";
    underEachLocale([&] {
        const std::string text = generateExportText(ExportFormat::swiftUI, projectOf({sample()}));
        ASSERT_EQ(text.substr(0, head.size() + body.size() + 4), head + body + "\n}\n\n");
        const std::string rest = text.substr(head.size() + body.size() + 4);
        ASSERT_EQ(rest.substr(0, kRotatingGlowStruct.size() + 2), kRotatingGlowStruct + "\n\n");
        EXPECT_EQ(rest.substr(kRotatingGlowStruct.size() + 2, kWavyBlobHead.size()), kWavyBlobHead);
        EXPECT_NE(rest.find(sp(16, "context.fill(path, with: .color(.white))\n") + sp(12, "}\n") + sp(8, "}\n") + sp(4, "}\n") +
                            "}" + tail),
                  std::string::npos);
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
        EXPECT_EQ(text.find("animated"), std::string::npos);
        EXPECT_EQ(text.find("0.123"), std::string::npos) << "a colour's opacity is never written";
    });
}

// One switched-off or changed piece at a time: the line that must appear (or the exact body part).
TEST(SwiftUIExport, PiecesFollowTheConfiguration)
{
    struct Case {
        const char* name;
        void (*edit)(OrbValues&);
        std::string expected;
    };
    const Case cases[] = {
        {"linear 90", [](OrbValues& v) { v.gradientAngle = 90; },
         "startPoint: UnitPoint(x: 0.500, y: 1.000), endPoint: UnitPoint(x: 0.500, y: 0.000))"},
        {"radial", [](OrbValues& v) { v.gradientType = GradientType::radial; },
         sp(20, "RadialGradient(colors: backgroundColors, center: .center, startRadius: 0, endRadius: 300)\n")},
        {"angular", [](OrbValues& v) { v.gradientType = GradientType::angular; v.gradientAngle = 45; },
         sp(20, "AngularGradient(colors: backgroundColors + [backgroundColors.first ?? .clear], center: .center, angle: .degrees(45.000))\n")},
        {"background blur", [](OrbValues& v) { v.backgroundBlur = 12; }, std::string("))\n") + sp(24, ".blur(radius: 12.000)\n") + sp(16, "}\n")},
        {"clip 1", [](OrbValues& v) { v.cornerRadius = 1; }, std::string("\n") + sp(16, ".clipShape(Circle())\n")},
        {"clip 1.5", [](OrbValues& v) { v.cornerRadius = 1.5; }, std::string("\n") + sp(16, ".clipShape(Circle())\n")},
        {"clip 0", [](OrbValues& v) { v.cornerRadius = 0; }, std::string("\n") + sp(16, ".clipShape(Rectangle())\n")},
        {"clip -1", [](OrbValues& v) { v.cornerRadius = -1; }, std::string("\n") + sp(16, ".clipShape(Rectangle())\n")},
        {"clip 0.5", [](OrbValues& v) { v.cornerRadius = 0.5; },
         sp(16, ".clipShape(UnevenRoundedRectangle(cornerRadii: .init(topLeading: 250.000, bottomLeading: 250.000, bottomTrailing: 250.000, topTrailing: 250.000)))\n")},
        {"no blobs", [](OrbValues& v) { v.blobCount = 0; }, sp(16, "if showWavyBlobs {\n") + sp(16, "}\n")},
        {"one blob", [](OrbValues& v) { v.blobCount = 1; v.blobScale = 2; },
         sp(16, "if showWavyBlobs {\n") + blobLayer("glowColor", "0.750", "0.600", true, "1.500", "3.000", "0.125") + sp(16, "}\n")},
        {"negative spread", [](OrbValues& v) { v.blobSpread = -0.2; },
         std::string(".offset(y: size * -0.100)\n") + sp(16, "}")},
        {"edge softness", [](OrbValues& v) { v.edgeSoftness = 0.5; },
         lines({sp(16, ".clipShape(Circle())"), sp(12, ".mask {"), sp(16, "RadialGradient("), sp(20, "stops: ["),
                sp(24, ".init(color: .white, location: 0.800),"), sp(24, ".init(color: .clear, location: 1.0)"), sp(20, "],"),
                sp(20, "center: .center,"), sp(20, "startRadius: 0,"), sp(20, "endRadius: size / 2"), sp(16, ")"),
                sp(12, "}"), sp(12, ".background {")})},
        {"shadow radius 2", [](OrbValues& v) { v.shadowRadius = 2; },
         std::string(".blur(radius: size * 0.120).opacity(0.5).offset(y: size * 0.080)\n") + sp(12, "}\n") + sp(12, ".background {\n") +
             sp(16, "Circle().fill(LinearGradient(colors: backgroundColors, startPoint: .bottom, endPoint: .top))\n") +
             sp(20, ".blur(radius: size * 0.480).opacity(0.3).offset(y: size * 0.120)\n")},
        {"glow factors", [](OrbValues& v) { v.glowIntensity = 0.5; v.glowSoftness = 2; },
         std::string(".stroke(glowColor.opacity(0.150), lineWidth: 1.000)\n") + sp(24, ".blur(radius: 6.000)")},
        {"no ring", [](OrbValues& v) { v.innerRingWidth = 0; }, sp(12, ".overlay {\n\n") + sp(12, "}\n")},
        {"complexity", [](OrbValues& v) { v.complexity = 3; v.amplitude = 0.3; },
         std::string("(0..<3).map { index in\n") + sp(8, "let angle = (Double(index) / 3.0) * 2 * .pi")},
        {"blend mode", [](OrbValues& v) { v.blobBlendMode = BlobBlendMode::softLight; }, std::string(".blendMode(.softLight)\n") + sp(16, "RotatingGlowView(")},
        // Every layer off keeps the frame's lines and leaves empty ones where the layers were.
        {"every layer off", [](OrbValues& v) { v.showBackground = v.showWavyBlobs = v.showGlowEffects = v.showShadow = false; },
         "\n\n" + lines({sp(4, "var body: some View {"), sp(8, "GeometryReader { geometry in"),
                         sp(12, "let size = min(geometry.size.width, geometry.size.height)"), sp(12, "ZStack {"), "", "", "", "",
                         sp(12, "}"), sp(12, ".overlay {"), "", sp(12, "}"), sp(12, ".drawingGroup()"), sp(16, ".clipShape(Circle())"),
                         "", "", sp(12, ".frame(width: size, height: size)"), sp(12, ".transaction { t in t.animation = nil }"),
                         sp(8, "}"), sp(4, "}")}) + "\n}\n\n"},
    };
    underEachLocale([&] {
        for (const Case& c : cases) {
            OrbValues v = sample();
            c.edit(v);
            const std::string text = generateSwiftUIFile(v);
            EXPECT_NE(text.find(c.expected), std::string::npos) << c.name << "\n--- expected to find:\n" << c.expected;
        }
    });
}

TEST(SwiftUIExport, ColoredBlobsWrapRoundTheColourListAndFallBackToTheGlow)
{
    underEachLocale([] {
        OrbValues v = sample();
        v.coloredBlobs = true;
        v.blobCount = 5;
        v.backgroundColors.push_back({0.5, 0.5, 0.5, 1});
        const std::string text = generateSwiftUIView(v, "");
        std::string order;
        for (auto at = text.find("color: backgroundColors["); at != std::string::npos; at = text.find("color: backgroundColors[", at + 1))
            order += text[at + 24];
        EXPECT_EQ(order, "01201");
        EXPECT_NE(text.find("rotationSpeed: speed * 1.560,"), std::string::npos); // blob 3: 0.6 + 1.2 * 0.8
        EXPECT_NE(text.find("loopDuration: 60 / speed * 2.300"), std::string::npos);

        v.backgroundColors.clear();
        const std::string noColours = generateSwiftUIView(v, "");
        EXPECT_EQ(count(noColours, "color: glowColor.opacity(0.750)"), 5u);
        EXPECT_NE(noColours.find("let backgroundColors: [Color] = []\n"), std::string::npos);
    });
}

TEST(SwiftUIExport, MultiStateFileStacksOneViewPerState)
{
    OrbValues second = sample();
    second.complexity = 4;
    const std::string head = "// Generated by Lumara \u2014 animated 2-state orb\nimport SwiftUI\n\nstruct AnimatedOrbView: View {\n"
                             "    @State private var index = 0\n    private let stateCount = 2\n\n    var body: some View {\n"
                             "        ZStack {\n"
                             "                GeneratedOrbView0().opacity(index == 0 ? 1 : 0)\n"
                             "                GeneratedOrbView1().opacity(index == 1 ? 1 : 0)\n"
                             "        }\n        .animation(.easeInOut(duration: 1.500), value: index)\n        .task {\n"
                             "            while !Task.isCancelled {\n                try? await Task.sleep(for: .seconds(2.300))\n"
                             "                if Task.isCancelled { return }\n                index = (index + 1) % stateCount\n"
                             "            }\n        }\n    }\n}\n\n";
    underEachLocale([&] {
        const std::string text = generateExportText(ExportFormat::swiftUI, projectOf({sample(), second}, 1.5));
        ASSERT_EQ(text.substr(0, head.size()), head);
        const std::string views = generateSwiftUIView(sample(), "0") + "\n\n" + generateSwiftUIView(second, "1");
        EXPECT_EQ(text.substr(head.size(), views.size()), views);
        EXPECT_EQ(text.substr(head.size() + views.size()),
                  "\n\n#Preview {\n    ZStack {\n        Color.black.ignoresSafeArea()\n        AnimatedOrbView()\n"
                  "            .frame(width: 200, height: 200)\n    }\n}");
        for (const std::string& name : {std::string("struct GeneratedOrbView0: View {"), std::string("private struct RotatingGlowView1: View {"),
                                        std::string("private struct WavyBlobView1: View {"), std::string("(0..<4).map"),
                                        sp(16, "RotatingGlowView0("), sp(20, "WavyBlobView1(")})
            EXPECT_NE(text.find(name), std::string::npos) << name;
    });
}

TEST(SwiftUIExport, AbsurdBlobCountGivesBoundedText)
{
    OrbValues v = sample();
    v.blobCount = 1000000000;
    const std::string text = generateSwiftUIFile(v);
    EXPECT_EQ(count(text, "WavyBlobView("), static_cast<std::size_t>(kMaxExportedBlobLayers));
    EXPECT_LT(text.size(), 200000u);
}

TEST(HtmlExport, ConfigBlockIsExact)
{
    OrbValues v = sample();
    v.orbSize = 280;
    v.gradientType = GradientType::angular;
    v.blobBlendMode = BlobBlendMode::softLight;
    v.gradientAngle = -12.34567;
    const std::string expected = "const CFG = {\n"
                                 "    orbSize: 280.0000,\n"
                                 "    bgColors: [[0.1000, 0.2000, 0.3000, 1.0000], [0.9000, 0.8000, 0.7000, 0.5000]],\n"
                                 "    glowColor: [1.0000, 0.5000, 0.2500, 0.1230],\n"
                                 "    coloredBlobs: false,\n    gradientType: 2,\n    gradientAngle: -12.3457,\n"
                                 "    backgroundBlur: 0.0000,\n    cornerRadius: 1.0000,\n    blobCount: 2,\n    complexity: 6,\n"
                                 "    amplitude: 0.1500,\n    blobScale: 1.0000,\n    blobSpread: 0.2500,\n    blobOpacity: 0.7500,\n"
                                 "    blobBlur: 1.0000,\n    blobBlendModeGL: 6,\n    speed: 60.0000,\n    glowIntensity: 1.0000,\n"
                                 "    glowSoftness: 1.0000,\n    innerRingWidth: 1.0000,\n    shadowRadius: 1.0000,\n"
                                 "    edgeSoftness: 0.0000,\n    showBackground: true,\n    showWavyBlobs: true,\n"
                                 "    showGlowEffects: true,\n    showShadow: true,\n};\n";
    underEachLocale([&] { EXPECT_EQ(generateCFGBlock(v), expected); });

    const std::pair<BlobBlendMode, const char*> modes[] = {{BlobBlendMode::plusLighter, "blobBlendModeGL: 2,"},
                                                           {BlobBlendMode::screen, "blobBlendModeGL: 3,"},
                                                           {BlobBlendMode::overlay, "blobBlendModeGL: 4,"},
                                                           {BlobBlendMode::colorDodge, "blobBlendModeGL: 5,"},
                                                           {BlobBlendMode::softLight, "blobBlendModeGL: 6,"}};
    for (const auto& [mode, line] : modes) {
        v.blobBlendMode = mode;
        EXPECT_NE(generateCFGBlock(v).find(line), std::string::npos) << line;
    }
    v.backgroundColors.clear();
    EXPECT_NE(generateCFGBlock(v).find("\n    bgColors: [],\n"), std::string::npos);
}

TEST(HtmlExport, StaticPageHasTheShellSectionsAndBakedAntiAliasLines)
{
    const std::string head =
        "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"UTF-8\">\n<title>Generated Orb</title>\n<style>\n"
        "* { margin: 0; padding: 0; box-sizing: border-box; }\nhtml, body { height: 100%; }\n"
        "body { display: flex; justify-content: center; align-items: center; background: transparent; overflow: hidden; }\n"
        "#orb-stage { width: 100%; height: 100%; display: flex; justify-content: center; align-items: center; }\n"
        "#gl { display: block; max-width: 100%; max-height: 100%; }\n#blob { display: none; }\n</style>\n</head>\n<body>\n"
        "<div id=\"orb-stage\"><canvas id=\"gl\"></canvas></div>\n<canvas id=\"blob\"></canvas>\n<script>\n\"use strict\";\n"
        "// \u2500\u2500 Config (baked from Lumara) \u2500\u2500\n";
    underEachLocale([&] {
        OrbValues v = sample();
        v.orbSize = 280.4;
        const std::string page = generateExportText(ExportFormat::html, projectOf({v}));
        ASSERT_EQ(page.substr(0, head.size()), head);
        EXPECT_EQ(page.substr(head.size(), generateCFGBlock(v).size()), generateCFGBlock(v));
        const std::string setup = "\n// \u2500\u2500 Setup \u2500\u2500\n";
        EXPECT_EQ(page.substr(head.size() + generateCFGBlock(v).size(), setup.size()), setup);
        EXPECT_EQ(page.substr(page.size() - 25), "</script>\n</body>\n</html>");
        EXPECT_EQ(count(page, "float aa = 2.0 / (uScale * float(280)); // anti-alias width"), 1u);
        EXPECT_EQ(count(page, "float aa = 1.5 / (uScale * float(280));"), 1u);
        EXPECT_EQ(page.find("@ANTI_ALIAS_LINE@"), std::string::npos);
        EXPECT_EQ(page.find("<iframe"), std::string::npos);
        // Sections and shader constants in their order.
        std::size_t at = 0;
        for (const char* marker : {"// \u2500\u2500 Setup \u2500\u2500\n", "function computeSize()",
                                   "\n// \u2500\u2500 Shader sources \u2500\u2500\nconst VERT_SRC = `#version 300 es",
                                   "`;\nconst FRAG_GRADIENT = `", "`;\nconst FRAG_CRESCENT = `", "`;\nconst FRAG_BLUR = `",
                                   "`;\nconst FRAG_COMPOSITE = `", "`;\nconst FRAG_RING = `", "`;\nconst FRAG_CLIP = `",
                                   "`;\nconst FRAG_SHADOW = `", "`;\nconst FRAG_COPY = `",
                                   "`;\n\n// \u2500\u2500 Shader compilation \u2500\u2500\n", "function render(stamp)"}) {
            const auto found = page.find(marker, at);
            ASSERT_NE(found, std::string::npos) << marker;
            at = found;
        }
        v.orbSize = 280.5; // ties follow the C library: to even
        EXPECT_NE(generateStaticHTML(v).find("float(280));"), std::string::npos);
        v.orbSize = 281.5;
        EXPECT_NE(generateStaticHTML(v).find("float(282));"), std::string::npos);
    });
}

TEST(HtmlExport, PageKeepsItsElementIdsConstantsAndUniforms)
{
    const std::string page = generateStaticHTML(sample());
    const char* names[] = {
        "id=\"orb-stage\"", "id=\"gl\"", "id=\"blob\"", "getElementById(\"orb-stage\")", "getElementById(\"gl\")",
        "getElementById(\"blob\")", "let dpr", "let scale", "let PX", "let SHADOW_PAD", "let TOTAL", "function computeSize()",
        "EXT_color_buffer_float", "gl.RGBA16F", "\"WebGL 2 required\"", "\"color:#888;font:14px sans-serif\"", "\"no webgl2\"",
        "(prefers-reduced-motion: reduce)", "\"(resolution: \"", "function renderGradient()", "function blurLayer(target, sigma)",
        "function compositeOntoAccum(source, mode)", "function renderCrescent(", "function renderRing(", "function renderShadow()",
        "function applyClip()", "function render(stamp)", "function play()", "function pause()", "function resize(",
        "in vec2 aPos;", "out vec2 vUV;", "uniform int uType;", "uniform float uAngle;", "uniform vec4 uColors[8];",
        "uniform int uColorCount;", "uniform float uOffset;", "uniform float uScale;", "uniform vec4 uColor;",
        "uniform float uBlurRadius;", "uniform sampler2D uSrc;", "uniform vec2 uDir;", "uniform float uSigma;",
        "uniform vec2 uResolution;", "uniform sampler2D uDst;", "uniform int uBlend;", "uniform float uLineWidth;",
        "uniform float uPadding;", "uniform float uCornerRadius;", "uniform float uEdgeSoftness;", "uniform float uRadius1;",
        "uniform float uRadius2;", "uniform float uOpacity1;", "uniform float uOpacity2;", "uniform float uYOffset1;",
        "uniform float uYOffset2;", "uniform float uOrbRadius;", "uniform vec2 uCenter;", "uniform sampler2D uMask;",
        "uniform int uUseMask;", "uniform float uMaskOffset;", "uniform float uMaskScale;", "0.3275911", "1.061405429",
        "1.41421356", "0.16", "1.31", "0.31"};
    for (const char* name : names) EXPECT_NE(page.find(name), std::string::npos) << name;
    for (const char* key : {"orbSize", "bgColors", "glowColor", "coloredBlobs", "gradientType", "gradientAngle", "backgroundBlur",
                            "cornerRadius", "blobCount", "complexity", "amplitude", "blobScale", "blobSpread", "blobOpacity",
                            "blobBlur", "blobBlendModeGL", "speed", "glowIntensity", "glowSoftness", "innerRingWidth",
                            "shadowRadius", "edgeSoftness", "showBackground", "showWavyBlobs", "showGlowEffects", "showShadow"})
        EXPECT_NE(page.find(std::string("CFG.") + key), std::string::npos) << "the script reads " << key;
}

std::string unescapeAttribute(std::string text)
{
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"&quot;", "\""}, {"&amp;", "&"}})
        for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) text.replace(at, from.size(), to);
    return text;
}

TEST(HtmlExport, AnimatedPageWrapsEscapedStaticPagesAndCyclesOnTheInterval)
{
    underEachLocale([] {
        OrbValues a = sample(), b = sample();
        b.orbSize = 200;
        const std::string page = generateExportText(ExportFormat::html, projectOf({a, b}, 0.25));
        const std::string head =
            "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"UTF-8\">\n<title>Animated Orb</title>\n<style>\n"
            "* { margin: 0; padding: 0; box-sizing: border-box; }\nhtml, body { height: 100%; }\n"
            "body { background: transparent; display: flex; justify-content: center; align-items: center; overflow: hidden; }\n"
            ".stage { position: relative; width: 100vmin; height: 100vmin; }\n"
            ".layer { position: absolute; inset: 0; width: 100%; height: 100%; border: 0; background: transparent; opacity: 0; "
            "transition: opacity 0.25s ease-in-out; }\n</style>\n</head>\n<body>\n<div class=\"stage\">\n"
            "  <iframe class=\"layer\" scrolling=\"no\" srcdoc=\"";
        ASSERT_EQ(page.substr(0, head.size()), head);
        const std::string between = "\"></iframe>\n  <iframe class=\"layer\" scrolling=\"no\" srcdoc=\"";
        const auto firstEnd = page.find(between);
        ASSERT_NE(firstEnd, std::string::npos);
        const std::string first = page.substr(head.size(), firstEnd - head.size());
        EXPECT_EQ(first.find('"'), std::string::npos);
        EXPECT_EQ(first.find("&amp;quot;"), std::string::npos);
        EXPECT_EQ(unescapeAttribute(first), generateStaticHTML(a));
        EXPECT_NE(first.find("&quot;use strict&quot;;"), std::string::npos);
        EXPECT_NE(first.find("&amp;&amp;"), std::string::npos); // the script's && operators
        const auto secondStart = firstEnd + between.size();
        const auto secondEnd = page.find("\"></iframe>\n</div>\n<script>\n\"use strict\";\n", secondStart);
        ASSERT_NE(secondEnd, std::string::npos);
        EXPECT_EQ(unescapeAttribute(page.substr(secondStart, secondEnd - secondStart)), generateStaticHTML(b));
        EXPECT_NE(page.find("}, 1050);\n"), std::string::npos);
        EXPECT_EQ(page.substr(page.size() - 25), "</script>\n</body>\n</html>");
        EXPECT_NE(generateAnimatedHTML({a, b}, 1.5).find("}, 2300);\n"), std::string::npos);
        EXPECT_NE(generateAnimatedHTML({a, b}, 1.5).find("opacity 1.50s ease-in-out"), std::string::npos);
    });
}

TEST(PromptExport, TextIsExact)
{
    OrbValues v = sample();
    v.orbSize = 280.9;
    v.blobBlendMode = BlobBlendMode::colorDodge;
    const std::string expected = lines({
        "Create an animated orb component with the following specifications:", "", "## Shape", "- Circular orb, 280pt diameter",
        "- Corner radius factor: 1.000 (0 = square, 1 = fully round)", "", "## Colors", "- Background gradient colors (RGBA):",
        "  1. (0.100, 0.200, 0.300, 1.0)", "  2. (0.900, 0.800, 0.700, 1.0)", "- Glow color (RGBA): (1.000, 0.500, 0.250, 1.0)",
        "- Gradient type: Linear", "- Gradient angle: 0.000\u00b0", "- Use colored blobs: no \u2014 blobs use the glow color", "",
        "## Blobs", "- Number of blobs: 2", "- Complexity (control points per blob): 6", "- Amplitude (wobble intensity): 0.150",
        "- Blob scale: 1.000", "- Blob spread from center: 0.250", "- Blob opacity: 0.750", "- Blob blur radius: 1.000pt",
        "- Blob blend mode: Dodge", "", "## Glow Effects", "- Glow intensity: 1.000", "- Glow softness: 1.000",
        "- Inner ring stroke width: 1.000pt", "", "## Animation", "- Animation speed: 60.000 (higher = faster)",
        "- Blobs should animate continuously using sinusoidal motion", "- Each blob should have a slightly different phase offset",
        "- Glow rings rotate at varying speeds, some clockwise, some counter-clockwise", "", "## Background",
        "- Background blur: 0.000pt", "", "## Layer Visibility", "- Show background gradient: yes", "- Show wavy blobs: yes",
        "- Show glow effects: yes", "- Show shadow: yes", "", "## Rendering Notes",
        "- The orb is built as a stack of layers: background gradient \u2192 outer glow rings \u2192 animated blobs \u2192 inner glow rings \u2192 inner ring stroke",
        "- All layers are clipped to a circle",
        "- Blobs are organic, wavy shapes created with bezier curves that animate smoothly in a loop",
        "- Glow rings are circular gradients masked into a ring shape, rotating continuously",
        "- If shadow is enabled, render two soft drop shadows beneath the orb using the gradient colors",
        "- Use additive (plus lighter / screen) blending for glow layers to create a luminous effect"});
    underEachLocale([&] { EXPECT_EQ(generatePrompt(v), expected); });
}

TEST(PromptExport, VariantsAndTheCurrentStateOnly)
{
    underEachLocale([] {
        OrbValues v = sample();
        v.backgroundColors.clear();
        v.coloredBlobs = true;
        v.gradientType = GradientType::angular;
        v.showShadow = false;
        const std::string text = generatePrompt(v);
        EXPECT_NE(text.find("- Background gradient colors (RGBA):\n\n- Glow color (RGBA): "), std::string::npos);
        EXPECT_NE(text.find("- Use colored blobs: yes \u2014 tint each blob with a gradient color\n"), std::string::npos);
        EXPECT_NE(text.find("- Gradient type: Angular\n"), std::string::npos);
        EXPECT_NE(text.find("- Show shadow: no\n"), std::string::npos);
        const std::pair<BlobBlendMode, const char*> names[] = {{BlobBlendMode::plusLighter, "Add"}, {BlobBlendMode::screen, "Screen"},
                                                               {BlobBlendMode::overlay, "Overlay"}, {BlobBlendMode::colorDodge, "Dodge"},
                                                               {BlobBlendMode::softLight, "Soft Light"}};
        for (const auto& [mode, name] : names) {
            v.blobBlendMode = mode;
            EXPECT_NE(generatePrompt(v).find(std::string("- Blob blend mode: ") + name + "\n"), std::string::npos) << name;
        }
        OrbValues selected = sample();
        selected.blobCount = 4;
        const std::string prompt = generateExportText(ExportFormat::prompt, projectOf({sample(), selected}, 0.6, 1));
        EXPECT_EQ(prompt, generatePrompt(selected));
        EXPECT_EQ(generateExportText(ExportFormat::prompt, projectOf({sample(), selected}, 0.6, 7)), generatePrompt(selected));
    });
}

TEST(ExportFormat, RawValues)
{
    EXPECT_EQ(exportFormatFromRaw("SwiftUI"), ExportFormat::swiftUI);
    EXPECT_EQ(exportFormatFromRaw("HTML"), ExportFormat::html);
    EXPECT_EQ(exportFormatFromRaw("Prompt"), ExportFormat::prompt);
    EXPECT_EQ(exportFormatFromRaw("html"), std::nullopt);
    EXPECT_EQ(generateExportText(ExportFormat::swiftUI, OrbProjectData{}), generateSwiftUIFile(OrbValues{}));
}

} // namespace
} // namespace lumara::exporting

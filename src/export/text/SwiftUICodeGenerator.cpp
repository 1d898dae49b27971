// SwiftUI export: one self-contained source file that redraws the orb, or, for several
// states, one view per state cross-faded on a timer. Plain text concatenation only.
#include "export/text/ExportText.h"
#include "export/text/TextFormat.h"
#include "export/text/TextLines.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumara::exporting {

namespace {

std::string colorLiteral(const CodableColor& c)
{
    return "Color(red: " + f3(c.red) + ", green: " + f3(c.green) + ", blue: " + f3(c.blue) + ")";
}

std::string blendModeName(BlobBlendMode mode)
{
    switch (mode) {
    case BlobBlendMode::plusLighter: return ".plusLighter";
    case BlobBlendMode::screen: return ".screen";
    case BlobBlendMode::overlay: return ".overlay";
    case BlobBlendMode::colorDodge: return ".colorDodge";
    case BlobBlendMode::softLight: return ".softLight";
    }
    return ".plusLighter";
}

std::string gradientExpression(const OrbValues& v)
{
    switch (v.gradientType) {
    case GradientType::linear: {
        const double theta = v.gradientAngle * std::numbers::pi / 180.0;
        const double c = std::cos(theta), s = std::sin(theta);
        return "LinearGradient(colors: backgroundColors, startPoint: UnitPoint(x: " + f3(0.5 - c / 2) +
               ", y: " + f3(0.5 + s / 2) + "), endPoint: UnitPoint(x: " + f3(0.5 + c / 2) + ", y: " +
               f3(0.5 - s / 2) + "))";
    }
    case GradientType::radial:
        return "RadialGradient(colors: backgroundColors, center: .center, startRadius: 0, endRadius: 300)";
    case GradientType::angular:
        return "AngularGradient(colors: backgroundColors + [backgroundColors.first ?? .clear], center: .center, "
               "angle: .degrees(" +
               f3(v.gradientAngle) + "))";
    }
    return {};
}

std::string backgroundPiece(const OrbValues& v)
{
    if (!v.showBackground) return {};
    TextLines t;
    t.add(16, "if showBackground {").add(20, gradientExpression(v));
    if (v.backgroundBlur > 0) t.add(24, ".blur(radius: " + f3(v.backgroundBlur) + ")");
    t.add(16, "}");
    return t.joined();
}

struct GlowCall {
    double opacity;
    std::string_view speed;
    bool clockwise;
    double blur;
};

std::string glowPiece(const OrbValues& v, std::string_view suffix, const GlowCall (&calls)[2], std::string_view mode)
{
    if (!v.showGlowEffects) return {};
    TextLines t;
    t.add(16, "if showGlowEffects {");
    for (int k = 0; k < 2; ++k) {
        const GlowCall& g = calls[k];
        if (k) t.blank();
        t.add(20, "RotatingGlowView" + std::string(suffix) + "(")
            .add(24, "color: glowColor.opacity(" + f3(g.opacity * v.glowIntensity) + "),")
            .add(24, "rotationSpeed: speed * " + std::string(g.speed) + ",")
            .add(24, std::string("clockwise: ") + formatBool(g.clockwise))
            .add(20, ")")
            .add(20, ".blur(radius: size * " + f3(g.blur * v.glowSoftness) + ")")
            .add(20, ".blendMode(" + std::string(mode) + ")");
    }
    t.add(16, "}");
    return t.joined();
}

std::string blobPiece(const OrbValues& v, std::string_view suffix)
{
    if (!v.showWavyBlobs) return {};
    std::string out = std::string(16, ' ') + "if showWavyBlobs {\n";
    const double divisor = static_cast<double>(std::max<std::int64_t>(v.blobCount, 1));
    const std::size_t colorCount = v.backgroundColors.size();
    const std::int64_t layers = std::min(v.blobCount, kMaxExportedBlobLayers);
    for (std::int64_t i = 0; i < layers; ++i) {
        const double t = static_cast<double>(i) / divisor;
        const bool even = i % 2 == 0;
        const std::string color = v.coloredBlobs && colorCount > 0
                                      ? "backgroundColors[" + std::to_string(static_cast<std::uint64_t>(i) % colorCount) + "]"
                                      : std::string("glowColor");
        TextLines b;
        b.add(16, "RotatingGlowView" + std::string(suffix) + "(")
            .add(20, "color: " + color + ".opacity(" + f3(v.blobOpacity * v.glowIntensity) + "),")
            .add(20, "rotationSpeed: speed * " + f3(0.6 + 1.2 * t) + ",")
            .add(20, std::string("clockwise: ") + formatBool(even))
            .add(16, ")")
            .add(16, ".mask {")
            .add(20, "WavyBlobView" + std::string(suffix) + "(")
            .add(24, "loopDuration: 60 / speed * " + f3(1.5 + t))
            .add(20, ")")
            .add(20, ".frame(maxWidth: size * " + f3(v.blobScale * (1 - 0.2 * t) * 1.5) + ")")
            .add(20, ".offset(y: size * " + f3((0.5 + 0.5 * t) * (even ? v.blobSpread : -v.blobSpread)) + ")")
            .add(16, "}")
            .add(16, ".blur(radius: " + f3(v.blobBlur) + ")")
            .add(16, ".blendMode(" + blendModeName(v.blobBlendMode) + ")");
        out += b.joined() + "\n";
    }
    return out + std::string(16, ' ') + "}";
}

std::string innerRingPiece(const OrbValues& v)
{
    if (!v.showGlowEffects || !(v.innerRingWidth > 0)) return {};
    const double g = v.glowIntensity, s = v.glowSoftness;
    TextLines t;
    t.add(16, "ZStack {")
        .add(20, "Circle()")
        .add(24, ".stroke(glowColor.opacity(" + f3(0.3 * g) + "), lineWidth: " + f3(v.innerRingWidth) + ")")
        .add(24, ".blur(radius: " + f3(3 * s) + ")")
        .add(20, "Circle()")
        .add(24, ".stroke(glowColor.opacity(" + f3(0.15 * g) + "), lineWidth: " + f3(0.4 * v.innerRingWidth) + ")")
        .add(24, ".blur(radius: " + f3(s) + ")")
        .add(24, ".padding(2)")
        .add(16, "}")
        .add(16, ".blendMode(.plusLighter)");
    return t.joined();
}

std::string clipPiece(const OrbValues& v)
{
    if (v.cornerRadius >= 1) return std::string(16, ' ') + ".clipShape(Circle())";
    if (v.cornerRadius <= 0) return std::string(16, ' ') + ".clipShape(Rectangle())";
    const std::string r = f3(v.cornerRadius * 500);
    return std::string(16, ' ') + ".clipShape(UnevenRoundedRectangle(cornerRadii: .init(topLeading: " + r +
           ", bottomLeading: " + r + ", bottomTrailing: " + r + ", topTrailing: " + r + ")))";
}

std::string edgePiece(const OrbValues& v)
{
    if (!(v.edgeSoftness > 0)) return {};
    TextLines t;
    t.add(12, ".mask {")
        .add(16, "RadialGradient(")
        .add(20, "stops: [")
        .add(24, ".init(color: .white, location: " + f3(1 - 0.4 * v.edgeSoftness) + "),")
        .add(24, ".init(color: .clear, location: 1.0)")
        .add(20, "],")
        .add(20, "center: .center,")
        .add(20, "startRadius: 0,")
        .add(20, "endRadius: size / 2")
        .add(16, ")")
        .add(12, "}");
    return t.joined();
}

std::string shadowPiece(const OrbValues& v)
{
    if (!v.showShadow) return {};
    const double r = v.shadowRadius;
    struct Block {
        double k1;
        std::string_view opacity;
        double k2;
    };
    TextLines t;
    for (const Block& b : {Block{0.06, "0.5", 0.04}, Block{0.24, "0.3", 0.06}}) {
        t.add(12, ".background {")
            .add(16, "Circle().fill(LinearGradient(colors: backgroundColors, startPoint: .bottom, endPoint: .top))")
            .add(20, ".blur(radius: size * " + f3(b.k1 * r) + ").opacity(" + std::string(b.opacity) +
                         ").offset(y: size * " + f3(b.k2 * r) + ")")
            .add(12, "}");
    }
    return t.joined();
}

std::string body(const OrbValues& v, std::string_view suffix)
{
    static constexpr GlowCall kOuter[2] = {{0.6, "0.75", true, 0.02}, {0.3, "0.25", false, 0.01}};
    static constexpr GlowCall kCore[2] = {{0.8, "3", true, 0.02}, {0.5, "2.3", false, 0.01}};
    const std::string indent12(12, ' ');
    std::string out = TextLines()
                          .add(4, "var body: some View {")
                          .add(8, "GeometryReader { geometry in")
                          .add(12, "let size = min(geometry.size.width, geometry.size.height)")
                          .add(12, "ZStack {")
                          .joined();
    out += "\n" + backgroundPiece(v);
    out += "\n" + glowPiece(v, suffix, kOuter, ".destinationOver");
    out += "\n" + blobPiece(v, suffix);
    out += "\n" + glowPiece(v, suffix, kCore, ".plusLighter");
    out += "\n" + indent12 + "}\n" + indent12 + ".overlay {\n" + innerRingPiece(v);
    out += "\n" + indent12 + "}\n" + indent12 + ".drawingGroup()";
    out += "\n" + clipPiece(v);
    out += "\n" + edgePiece(v);
    out += "\n" + shadowPiece(v);
    out += "\n" + TextLines()
                      .add(12, ".frame(width: size, height: size)")
                      .add(12, ".transaction { t in t.animation = nil }")
                      .add(8, "}")
                      .add(4, "}")
                      .joined();
    return out;
}

std::string rotatingGlowStruct(std::string_view suffix)
{
    TextLines t;
    t.add("private struct RotatingGlowView" + std::string(suffix) + ": View {")
        .add(4, "let color: Color")
        .add(4, "let rotationSpeed: Double")
        .add(4, "let clockwise: Bool")
        .blank()
        .add(4, "var body: some View {")
        .add(8, "TimelineView(.animation) { timeline in")
        .add(12, "let time = timeline.date.timeIntervalSinceReferenceDate")
        .add(12, "let degreesPerSecond = rotationSpeed * (clockwise ? 1.0 : -1.0)")
        .add(12, "let angle = time * degreesPerSecond")
        .blank()
        .add(12, "GeometryReader { geometry in")
        .add(16, "let size = min(geometry.size.width, geometry.size.height)")
        .blank()
        .add(16, "Circle()")
        .add(20, ".fill(color)")
        .add(20, ".mask {")
        .add(24, "ZStack {")
        .add(28, "Circle()")
        .add(32, ".frame(width: size, height: size)")
        .add(32, ".blur(radius: size * 0.16)")
        .add(28, "Circle()")
        .add(32, ".frame(width: size * 1.31, height: size * 1.31)")
        .add(32, ".offset(y: size * 0.31)")
        .add(32, ".blur(radius: size * 0.16)")
        .add(32, ".blendMode(.destinationOut)")
        .add(24, "}")
        .add(20, "}")
        .add(20, ".rotationEffect(.degrees(angle))")
        .add(12, "}")
        .add(8, "}")
        .add(4, "}")
        .add("}");
    return t.joined();
}

std::string wavyBlobStruct(const OrbValues& v, std::string_view suffix)
{
    const std::string n = std::to_string(v.complexity);
    const std::string nd = formatShortestDouble(v.complexity);
    const std::string a = f3(v.amplitude);
    TextLines t;
    t.add("private struct WavyBlobView" + std::string(suffix) + ": View {")
        .add(4, "let loopDuration: Double")
        .blank()
        .add(4, "private let basePoints: [CGPoint] = (0..<" + n + ").map { index in")
        .add(8, "let angle = (Double(index) / " + nd + ") * 2 * .pi")
        .add(8, "return CGPoint(x: 0.5 + cos(angle) * 0.9, y: 0.5 + sin(angle) * 0.9)")
        .add(4, "}")
        .blank()
        .add(4, "var body: some View {")
        .add(8, "TimelineView(.animation) { timeline in")
        .add(12, "Canvas { context, size in")
        .add(16, "let timeNow = timeline.date.timeIntervalSinceReferenceDate")
        .add(16, "let angle = (timeNow.remainder(dividingBy: loopDuration) / loopDuration) * 2 * .pi")
        .add(16, "let center = CGPoint(x: size.width / 2, y: size.height / 2)")
        .add(16, "let radius = min(size.width, size.height) * 0.45")
        .add(16, "let phaseStep = .pi * 2 / " + nd)
        .blank()
        .add(16, "let adjustedPoints = basePoints.enumerated().map { index, point in")
        .add(20, "let phaseOffset = Double(index) * phaseStep")
        .add(20, "let xOffset = sin(angle + phaseOffset) * " + a)
        .add(20, "let yOffset = cos(angle + phaseOffset) * " + a)
        .add(20, "return CGPoint(")
        .add(24, "x: (point.x - 0.5 + xOffset) * radius + center.x,")
        .add(24, "y: (point.y - 0.5 + yOffset) * radius + center.y")
        .add(20, ")")
        .add(16, "}")
        .blank()
        .add(16, "guard !adjustedPoints.isEmpty else { return }")
        .blank()
        .add(16, "var path = Path()")
        .add(16, "path.move(to: adjustedPoints[0])")
        .blank()
        .add(16, "for i in 0..<adjustedPoints.count {")
        .add(20, "let current = adjustedPoints[i]")
        .add(20, "let next = adjustedPoints[(i + 1) % adjustedPoints.count]")
        .add(20, "let currentAngle = atan2(current.y - center.y, current.x - center.x)")
        .add(20, "let nextAngle = atan2(next.y - center.y, next.x - center.x)")
        .add(20, "let handleLength = radius * 0.33")
        .add(20, "let control1 = CGPoint(")
        .add(24, "x: current.x + cos(currentAngle + .pi / 2) * handleLength,")
        .add(24, "y: current.y + sin(currentAngle + .pi / 2) * handleLength")
        .add(20, ")")
        .add(20, "let control2 = CGPoint(")
        .add(24, "x: next.x + cos(nextAngle - .pi / 2) * handleLength,")
        .add(24, "y: next.y + sin(nextAngle - .pi / 2) * handleLength")
        .add(20, ")")
        .add(20, "path.addCurve(to: next, control1: control1, control2: control2)")
        .add(16, "}")
        .blank()
        .add(16, "context.fill(path, with: .color(.white))")
        .add(12, "}")
        .add(8, "}")
        .add(4, "}")
        .add("}");
    return t.joined();
}

const char* const kPreviewTail = "\n\n#Preview {\n    ZStack {\n        Color.black.ignoresSafeArea()\n        ";
const char* const kPreviewEnd = "()\n            .frame(width: 200, height: 200)\n    }\n}";

} // namespace

std::string generateSwiftUIView(const OrbValues& v, std::string_view suffix)
{
    std::string colors = "[";
    for (std::size_t i = 0; i < v.backgroundColors.size(); ++i) {
        if (i) colors += ", ";
        colors += colorLiteral(v.backgroundColors[i]);
    }
    colors += "]";

    std::string out = "struct GeneratedOrbView" + std::string(suffix) + ": View {";
    const std::pair<const char*, std::string> constants[] = {
        {"let backgroundColors: [Color] = ", colors},
        {"let glowColor: Color = ", colorLiteral(v.glowColor)},
        {"let glowIntensity: Double = ", f3(v.glowIntensity)},
        {"let glowSoftness: Double = ", f3(v.glowSoftness)},
        {"let speed: Double = ", f3(v.speed)},
        {"let showBackground = ", formatBool(v.showBackground)},
        {"let showWavyBlobs = ", formatBool(v.showWavyBlobs)},
        {"let showGlowEffects = ", formatBool(v.showGlowEffects)},
        {"let showShadow = ", formatBool(v.showShadow)},
        {"let cornerRadius: Double = ", f3(v.cornerRadius)},
        {"let orbSize: Double = ", f3(v.orbSize)},
        {"let shadowRadius: Double = ", f3(v.shadowRadius)},
        {"let edgeSoftness: Double = ", f3(v.edgeSoftness)},
    };
    for (const auto& [text, value] : constants) out += "\n    " + std::string(text) + value;
    out += "\n\n" + body(v, suffix) + "\n}\n\n";
    out += rotatingGlowStruct(suffix) + "\n\n" + wavyBlobStruct(v, suffix);
    return out;
}

std::string generateSwiftUIFile(const OrbValues& values)
{
    return "// Generated by Lumara\nimport SwiftUI\n\n" + generateSwiftUIView(values, "") + kPreviewTail +
           "GeneratedOrbView" + kPreviewEnd;
}

std::string generateAnimatedSwiftUI(const std::vector<OrbValues>& states, double transitionDuration)
{
    const std::string n = std::to_string(states.size());
    std::string views, layers;
    for (std::size_t k = 0; k < states.size(); ++k) {
        const std::string index = std::to_string(k);
        if (k) {
            views += "\n\n";
            layers += "\n";
        }
        views += generateSwiftUIView(states[k], index);
        layers += std::string(16, ' ') + "GeneratedOrbView" + index + "().opacity(index == " + index + " ? 1 : 0)";
    }
    return "// Generated by Lumara \u2014 animated " + n +
           "-state orb\nimport SwiftUI\n\nstruct AnimatedOrbView: View {\n    @State private var index = 0\n    "
           "private let stateCount = " +
           n + "\n\n    var body: some View {\n        ZStack {\n" + layers +
           "\n        }\n        .animation(.easeInOut(duration: " + f3(transitionDuration) +
           "), value: index)\n        .task {\n            while !Task.isCancelled {\n                try? await "
           "Task.sleep(for: .seconds(" +
           f3(transitionDuration + 0.8) +
           "))\n                if Task.isCancelled { return }\n                index = (index + 1) % stateCount\n  "
           "          }\n        }\n    }\n}\n\n" +
           views + kPreviewTail + "AnimatedOrbView" + kPreviewEnd;
}

} // namespace lumara::exporting

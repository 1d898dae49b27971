// HTML export: a self-contained WebGL 2 page with the orb's configuration baked in, or a page
// of inline frames (one static page per state) cross-faded on a timer. Plain text only.
#include "export/text/ExportText.h"
#include "export/text/PageResources.h"
#include "export/text/PageShaders.h"
#include "export/text/TextFormat.h"

#include <cmath>
#include <utility>

namespace lumara::exporting {

namespace {

std::string colorArray(const CodableColor& c)
{
    std::string out = "[";
    out.append(f4(c.red)).append(", ").append(f4(c.green)).append(", ").append(f4(c.blue)).append(", ");
    return out.append(f4(c.opacity)).append("]");
}

int blendModeGL(BlobBlendMode mode) { return static_cast<int>(mode) + 2; }

std::string replaceAll(std::string text, std::string_view from, std::string_view to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string headLines(std::string_view title, std::initializer_list<std::string_view> styles)
{
    std::string out = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"UTF-8\">\n<title>" + std::string(title) +
                      "</title>\n<style>\n* { margin: 0; padding: 0; box-sizing: border-box; }\nhtml, body { height: "
                      "100%; }\n";
    for (auto line : styles) out += std::string(line) + "\n";
    return out + "</style>\n</head>\n<body>\n";
}

constexpr std::string_view kPageEnd = "</script>\n</body>\n</html>";

} // namespace

std::string generateCFGBlock(const OrbValues& v)
{
    std::string colors = "[";
    for (std::size_t i = 0; i < v.backgroundColors.size(); ++i) {
        if (i) colors += ", ";
        colors += colorArray(v.backgroundColors[i]);
    }
    colors += "]";
    const std::pair<const char*, std::string> entries[] = {
        {"orbSize", f4(v.orbSize)},
        {"bgColors", colors},
        {"glowColor", colorArray(v.glowColor)},
        {"coloredBlobs", formatBool(v.coloredBlobs)},
        {"gradientType", std::to_string(static_cast<std::int64_t>(v.gradientType))},
        {"gradientAngle", f4(v.gradientAngle)},
        {"backgroundBlur", f4(v.backgroundBlur)},
        {"cornerRadius", f4(v.cornerRadius)},
        {"blobCount", std::to_string(v.blobCount)},
        {"complexity", std::to_string(v.complexity)},
        {"amplitude", f4(v.amplitude)},
        {"blobScale", f4(v.blobScale)},
        {"blobSpread", f4(v.blobSpread)},
        {"blobOpacity", f4(v.blobOpacity)},
        {"blobBlur", f4(v.blobBlur)},
        {"blobBlendModeGL", std::to_string(blendModeGL(v.blobBlendMode))},
        {"speed", f4(v.speed)},
        {"glowIntensity", f4(v.glowIntensity)},
        {"glowSoftness", f4(v.glowSoftness)},
        {"innerRingWidth", f4(v.innerRingWidth)},
        {"shadowRadius", f4(v.shadowRadius)},
        {"edgeSoftness", f4(v.edgeSoftness)},
        {"showBackground", formatBool(v.showBackground)},
        {"showWavyBlobs", formatBool(v.showWavyBlobs)},
        {"showGlowEffects", formatBool(v.showGlowEffects)},
        {"showShadow", formatBool(v.showShadow)},
    };
    std::string out = "const CFG = {\n";
    for (const auto& [key, value] : entries) out += "    " + std::string(key) + ": " + value + ",\n";
    return out + "};\n";
}

std::string generateStaticHTML(const OrbValues& v)
{
    const std::string size = f0(v.orbSize);
    std::string out = headLines("Generated Orb", {
        "body { display: flex; justify-content: center; align-items: center; background: transparent; overflow: hidden; }",
        "#orb-stage { width: 100%; height: 100%; display: flex; justify-content: center; align-items: center; }",
        "#gl { display: block; max-width: 100%; max-height: 100%; }",
        "#blob { display: none; }",
    });
    out += "<div id=\"orb-stage\"><canvas id=\"gl\"></canvas></div>\n<canvas id=\"blob\"></canvas>\n<script>\n"
           "\"use strict\";\n// \u2500\u2500 Config (baked from Lumara) \u2500\u2500\n";
    out += generateCFGBlock(v);
    out += "\n// \u2500\u2500 Setup \u2500\u2500\n" + std::string(page::kSetupScript) +
           "// \u2500\u2500 Shader sources \u2500\u2500\n";
    const std::string ringLine = "float aa = 2.0 / (uScale * float(" + size + ")); // anti-alias width";
    const std::string clipLine = "float aa = 1.5 / (uScale * float(" + size + "));";
    out += pageShaderConstants(ringLine, clipLine);
    out += "\n// \u2500\u2500 Shader compilation \u2500\u2500\n" + std::string(page::kRenderScript);
    return out + std::string(kPageEnd);
}

std::string generateAnimatedHTML(const std::vector<OrbValues>& states, double transitionDuration)
{
    std::string frames;
    for (std::size_t k = 0; k < states.size(); ++k) {
        const std::string escaped = replaceAll(replaceAll(generateStaticHTML(states[k]), "&", "&amp;"), "\"", "&quot;");
        if (k) frames += "\n";
        frames += "  <iframe class=\"layer\" scrolling=\"no\" srcdoc=\"" + escaped + "\"></iframe>";
    }
    // The integer part of (T + 0.8) seconds in milliseconds; absurd durations fall back to the shortest step.
    const double interval = std::trunc((transitionDuration + 0.8) * 1000);
    const std::string intervalText =
        std::isfinite(interval) && interval >= 1 && interval <= 2147483647.0 ? f0(interval) : "1000";

    std::string out = headLines("Animated Orb", {
        "body { background: transparent; display: flex; justify-content: center; align-items: center; overflow: hidden; }",
        ".stage { position: relative; width: 100vmin; height: 100vmin; }",
    });
    out.insert(out.find("</style>"), ".layer { position: absolute; inset: 0; width: 100%; height: 100%; border: 0; "
                                     "background: transparent; opacity: 0; transition: opacity " +
                                         f2(transitionDuration) + "s ease-in-out; }\n");
    out += "<div class=\"stage\">\n" + frames + "\n</div>\n<script>\n\"use strict\";\n";
    out += "const stage = document.querySelector(\".stage\");\n"
           "const layers = Array.from(document.querySelectorAll(\".layer\"));\n"
           "const reduceMQ = window.matchMedia(\"(prefers-reduced-motion: reduce)\");\n"
           "let index = 0;\n"
           "let timer = null;\n"
           "\n"
           "function show() {\n"
           "    layers.forEach((layer, i) => { layer.style.opacity = i === index ? \"1\" : \"0\"; });\n"
           "}\n"
           "\n"
           "function start() {\n"
           "    if (timer !== null || layers.length <= 1 || reduceMQ.matches) return;\n"
           "    timer = setInterval(() => {\n"
           "        index = (index + 1) % layers.length;\n"
           "        show();\n"
           "    }, " + intervalText + ");\n"
           "}\n"
           "\n"
           "function stop() {\n"
           "    clearInterval(timer);\n"
           "    timer = null;\n"
           "}\n"
           "\n"
           "show();\n"
           "new IntersectionObserver((entries) => {\n"
           "    if (entries[entries.length - 1].isIntersecting) start(); else stop();\n"
           "}, { threshold: 0 }).observe(stage);\n"
           "reduceMQ.addEventListener(\"change\", () => {\n"
           "    if (reduceMQ.matches) {\n"
           "        stop();\n"
           "        index = 0;\n"
           "        show();\n"
           "    } else {\n"
           "        start();\n"
           "    }\n"
           "});\n";
    return out + std::string(kPageEnd);
}

} // namespace lumara::exporting

// The page's shader sources as its script declares them, shared by the generated page and the web
// package's module so both carry the same texts under the same names. Pure; any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumara::exporting {

// Where the ring and clip shaders take their anti-alias line, which depends on the orb's size.
inline constexpr std::string_view kAntiAliasMarker = "@ANTI_ALIAS_LINE@";

// "const NAME = `SOURCE`;\n". The sources hold no backtick and no "${" (the build checks).
std::string shaderConstant(std::string_view name, std::string_view source);

// The nine shader constants in the script's order: VERT_SRC, FRAG_GRADIENT, FRAG_CRESCENT,
// FRAG_BLUR, FRAG_COMPOSITE, FRAG_RING, FRAG_CLIP, FRAG_SHADOW, FRAG_COPY. The marker in FRAG_RING
// and FRAG_CLIP is replaced by the given line, or left in where the line is nothing (for a script
// that fills it in once it knows the size).
std::string pageShaderConstants(std::optional<std::string_view> ringAntiAliasLine,
                                std::optional<std::string_view> clipAntiAliasLine);

// The language the shaders are given in: GLSL ES 3.00 as the page and OpenGL ES 3 contexts take
// them, or GLSL 3.30 for a desktop OpenGL 3.3 core context. Both come from the same sources.
enum class ShaderDialect { es300, glsl330 };

// One dialect's sources, each a whole shader (the anti-alias marker still in ring and clip).
struct PageShaderSources {
    std::string_view vertex, gradient, crescent, blur, composite, ring, clip, shadow, copy;
};
const PageShaderSources& pageShaderSources(ShaderDialect dialect);

} // namespace lumara::exporting

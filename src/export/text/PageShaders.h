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

} // namespace lumara::exporting

// The page's shader constants, from the sources embedded at build time. Pure; any thread.
#include "export/text/PageShaders.h"

#include "export/text/DesktopShaderResources.h"
#include "export/text/PageResources.h"

namespace lumara::exporting {

namespace {

std::string withAntiAliasLine(std::string_view source, std::optional<std::string_view> line)
{
    std::string text(source);
    const auto at = text.find(kAntiAliasMarker);
    if (line && at != std::string::npos) text.replace(at, kAntiAliasMarker.size(), *line);
    return text;
}

} // namespace

std::string shaderConstant(std::string_view name, std::string_view source)
{
    return "const " + std::string(name) + " = `" + std::string(source) + "`;\n";
}

std::string pageShaderConstants(std::optional<std::string_view> ringAntiAliasLine,
                                std::optional<std::string_view> clipAntiAliasLine)
{
    std::string out;
    out += shaderConstant("VERT_SRC", page::kVertexShader);
    out += shaderConstant("FRAG_GRADIENT", page::kGradientShader);
    out += shaderConstant("FRAG_CRESCENT", page::kCrescentShader);
    out += shaderConstant("FRAG_BLUR", page::kBlurShader);
    out += shaderConstant("FRAG_COMPOSITE", page::kCompositeShader);
    out += shaderConstant("FRAG_RING", withAntiAliasLine(page::kRingShader, ringAntiAliasLine));
    out += shaderConstant("FRAG_CLIP", withAntiAliasLine(page::kClipShader, clipAntiAliasLine));
    out += shaderConstant("FRAG_SHADOW", page::kShadowShader);
    out += shaderConstant("FRAG_COPY", page::kCopyShader);
    return out;
}

const PageShaderSources& pageShaderSources(ShaderDialect dialect)
{
    static constexpr PageShaderSources es{page::kVertexShader,    page::kGradientShader, page::kCrescentShader,
                                          page::kBlurShader,      page::kCompositeShader, page::kRingShader,
                                          page::kClipShader,      page::kShadowShader,    page::kCopyShader};
    namespace d = page::desktop;
    static constexpr PageShaderSources desktop{d::kVertexShader,    d::kGradientShader, d::kCrescentShader,
                                               d::kBlurShader,      d::kCompositeShader, d::kRingShader,
                                               d::kClipShader,      d::kShadowShader,    d::kCopyShader};
    return dialect == ShaderDialect::glsl330 ? desktop : es;
}

} // namespace lumara::exporting

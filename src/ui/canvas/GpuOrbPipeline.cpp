// The page's render script in C++: the same shaders, passes and uniforms, on the canvas's OpenGL
// context. Angles are reduced on the CPU in double precision (the shaders take floats), and the blob
// outlines are the CPU renderer's polygons, filled with QPainter as the page fills its 2-D canvas.
#include "ui/canvas/GpuOrbPipeline.h"

#include "export/text/PageShaders.h"
#include "model/OrbFields.h"
#include "render/Geometry.h"
#include "render/LayerStack.h"
#include "render/OrbRenderer.h"

#include <QOpenGLContext>
#include <QPainter>
#include <QPolygonF>

#include <array>
#include <cmath>
#include <numbers>

namespace lumara::ui {

namespace {

constexpr double kPi = std::numbers::pi;

// Lays a finished layer over the canvas at its opacity; the page draws its one layer at full
// opacity and so has no such pass.
constexpr std::string_view kPresentShader = R"(
precision highp float;
in vec2 vUV;
out vec4 outColor;
uniform sampler2D uSrc;
uniform float uOpacity;
void main() {
    outColor = texture(uSrc, vUV) * uOpacity;
}
)";

// NaN falls back to the field's default and infinities become large finite values, as in the CPU
// renderer, so that an edited file's absurd numbers give a picture, never a driver fault.
OrbValues sanitised(const OrbValues& in)
{
    const OrbValues d;
    OrbValues v = in;
    forEachOrbField([&](const auto& field) {
        if constexpr (std::is_same_v<OrbFieldType<decltype(field)>, double>) {
            const double x = in.*field.member;
            v.*field.member = std::isnan(x) ? d.*field.member : std::clamp(x, -1.0e12, 1.0e12);
        }
    });
    return v;
}

float unitAlpha(double alpha) { return alpha > 0 ? float(std::min(alpha, 1.0)) : 0.0f; }

std::array<float, 4> rgba(const CodableColor& c, float alpha)
{
    return {float(c.red), float(c.green), float(c.blue), alpha};
}

// The glow pairs of the page: opacity, speed factor, direction, blur as a fraction of the orb.
struct Glow {
    double opacity, speedFactor, direction, blurFactor;
};
constexpr Glow kOuterGlows[] = {{0.6, 0.75, 1, 0.02}, {0.3, 0.25, -1, 0.01}};
constexpr Glow kInnerGlows[] = {{0.8, 3, 1, 0.02}, {0.5, 2.3, -1, 0.01}};

// One shader program's draw: uniforms by name, samplers on successive units, then a quad over the
// whole target after clearing it.
class Pass {
public:
    Pass(QOpenGLExtraFunctions& gl, const GpuOrbPipeline::Program& program) : m_gl(gl), m_program(program)
    {
        m_gl.glUseProgram(program.id);
    }
    Pass& f(std::string_view name, double value)
    {
        if (GLint at = location(name); at >= 0) m_gl.glUniform1f(at, float(value));
        return *this;
    }
    Pass& i(std::string_view name, int value)
    {
        if (GLint at = location(name); at >= 0) m_gl.glUniform1i(at, value);
        return *this;
    }
    Pass& v2(std::string_view name, double x, double y)
    {
        if (GLint at = location(name); at >= 0) m_gl.glUniform2f(at, float(x), float(y));
        return *this;
    }
    Pass& v4(std::string_view name, const std::array<float, 4>& value)
    {
        if (GLint at = location(name); at >= 0) m_gl.glUniform4fv(at, 1, value.data());
        return *this;
    }
    Pass& colors(const std::vector<CodableColor>& colors)
    {
        std::array<float, 32> flat{};
        for (std::size_t k = 0; k < std::min<std::size_t>(colors.size(), 8); ++k) {
            const auto c = rgba(colors[k], float(colors[k].opacity));
            std::copy(c.begin(), c.end(), flat.begin() + std::ptrdiff_t(k * 4));
        }
        if (GLint at = location("uColors"); at >= 0) m_gl.glUniform4fv(at, 8, flat.data());
        return i("uColorCount", int(std::min<std::size_t>(colors.size(), 1 << 20)));
    }
    Pass& texture(std::string_view name, GLuint texture)
    {
        if (GLint at = location(name); at >= 0) {
            m_gl.glActiveTexture(GLenum(GL_TEXTURE0 + m_unit));
            m_gl.glBindTexture(GL_TEXTURE_2D, texture);
            m_gl.glUniform1i(at, m_unit++);
        }
        return *this;
    }

private:
    GLint location(std::string_view name) const
    {
        const auto found = m_program.uniforms.find(name);
        return found == m_program.uniforms.end() ? -1 : found->second;
    }

    QOpenGLExtraFunctions& m_gl;
    const GpuOrbPipeline::Program& m_program;
    int m_unit = 0;
};

} // namespace

GpuLayerPlacement gpuLayerPlacement(const OrbValues& values, double pixelsPerPoint, QSize canvasPixels, int maxTextureSide,
                                    QPoint offset)
{
    GpuLayerPlacement place;
    const int side = render::orbPixelSize(values, pixelsPerPoint);
    if (side <= 0 || side > maxTextureSide || canvasPixels.isEmpty()) return place;
    const ShadowMargins m = shadowMargins(values);
    const double reach = std::max({m.left, m.top, m.right, m.bottom}) * pixelsPerPoint;
    // Beyond the canvas nothing is seen, and the texture has its limit.
    const double seen = std::max(canvasPixels.width(), canvasPixels.height());
    const double room = std::floor((maxTextureSide - side) / 2.0);
    place.orbPixels = side;
    place.padding = int(std::clamp(std::ceil(reach), 0.0, std::min(seen, room)));
    place.topLeft = QPoint(render::centredOrigin(canvasPixels.width(), side) - place.padding,
                           render::centredOrigin(canvasPixels.height(), side) - place.padding) + offset;
    return place;
}

struct GpuOrbPipeline::Targets {
    int total = 0;
    Target accum[2], tempA, tempB;
};

GpuOrbPipeline::GpuOrbPipeline(QOpenGLContext& context) : m_gl(&context) {}

Result<std::unique_ptr<GpuOrbPipeline>, GpuPipelineError> GpuOrbPipeline::create(QOpenGLContext& context, bool breakShader)
{
    const QSurfaceFormat format = context.format();
    const bool es = context.isOpenGLES();
    const auto version = std::pair(format.majorVersion(), format.minorVersion());
    if (es ? version < std::pair(3, 0) : version < std::pair(3, 3))
        return Error<GpuPipelineError>{GpuPipelineError::unsupportedContext,
                                       "OpenGL " + std::to_string(version.first) + "." + std::to_string(version.second)};
    std::unique_ptr<GpuOrbPipeline> pipeline(new GpuOrbPipeline(context));
    auto built = pipeline->build(breakShader);
    if (!built) return built.error();
    return pipeline;
}

Result<Ok, GpuPipelineError> GpuOrbPipeline::build(bool breakShader)
{
    QOpenGLContext* context = QOpenGLContext::currentContext();
    const bool es = context->isOpenGLES();
    const auto& sources = exporting::pageShaderSources(es ? exporting::ShaderDialect::es300 : exporting::ShaderDialect::glsl330);
    const std::string versionLine = es ? "#version 300 es\n" : "#version 330 core\n";
    m_halfFloat = !es || context->hasExtension("GL_EXT_color_buffer_float") ||
                  context->hasExtension("GL_EXT_color_buffer_half_float");
    m_gl.glGetIntegerv(GL_MAX_TEXTURE_SIZE, &m_maxTextureSide);

    const auto compile = [&](GLenum type, const std::string& source) -> Result<GLuint, GpuPipelineError> {
        const GLuint shader = m_gl.glCreateShader(type);
        const char* text = source.c_str();
        m_gl.glShaderSource(shader, 1, &text, nullptr);
        m_gl.glCompileShader(shader);
        GLint ok = 0;
        m_gl.glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
        if (ok) return shader;
        std::string log(4096, '\0');
        GLsizei length = 0;
        m_gl.glGetShaderInfoLog(shader, GLsizei(log.size()), &length, log.data());
        m_gl.glDeleteShader(shader);
        log.resize(std::size_t(std::max(length, 0)));
        return Error<GpuPipelineError>{GpuPipelineError::shaderCompile, log};
    };
    auto vertex = compile(GL_VERTEX_SHADER, std::string(sources.vertex));
    if (!vertex) return vertex.error();

    // The ring and clip shaders take their anti-alias width from the page once it knows the orb's
    // size; here it is a uniform, so a size drag does not compile anything.
    const auto sized = [](std::string_view source) {
        std::string text(source);
        text.replace(text.find(exporting::kAntiAliasMarker), exporting::kAntiAliasMarker.size(), "float aa = uAntiAlias;");
        text.replace(text.find("void main()"), 11, "uniform float uAntiAlias;\nvoid main()");
        return text;
    };
    const std::pair<const char*, std::string> fragments[] = {
        {"gradient", std::string(sources.gradient)}, {"crescent", std::string(sources.crescent)},
        {"blur", std::string(sources.blur)},         {"composite", std::string(sources.composite)},
        {"ring", sized(sources.ring)},               {"clip", sized(sources.clip)},
        {"shadow", std::string(sources.shadow)},     {"copy", std::string(sources.copy)},
        {"present", versionLine + std::string(kPresentShader)},
    };
    Result<Ok, GpuPipelineError> outcome = Ok{};
    for (const auto& [name, source] : fragments) {
        auto fragment = compile(GL_FRAGMENT_SHADER, breakShader && name == std::string_view("blur") ? source + "}" : source);
        if (!fragment) {
            outcome = fragment.error();
            break;
        }
        Program program{m_gl.glCreateProgram(), {}};
        m_gl.glAttachShader(program.id, *vertex);
        m_gl.glAttachShader(program.id, *fragment);
        m_gl.glBindAttribLocation(program.id, 0, "aPos");
        m_gl.glLinkProgram(program.id);
        m_gl.glDeleteShader(*fragment);
        GLint linked = 0;
        m_gl.glGetProgramiv(program.id, GL_LINK_STATUS, &linked);
        m_programs.emplace(name, program); // freed by the destructor, linked or not
        if (!linked) {
            outcome = Error<GpuPipelineError>{GpuPipelineError::programLink, name};
            break;
        }
        GLint count = 0;
        m_gl.glGetProgramiv(program.id, GL_ACTIVE_UNIFORMS, &count);
        for (GLint k = 0; k < count; ++k) {
            std::array<char, 128> uniform{};
            GLint size = 0;
            GLenum type = 0;
            m_gl.glGetActiveUniform(program.id, GLuint(k), GLsizei(uniform.size()), nullptr, &size, &type, uniform.data());
            std::string key(uniform.data());
            const GLint at = m_gl.glGetUniformLocation(program.id, key.c_str());
            if (key.ends_with("[0]")) key.resize(key.size() - 3);
            m_programs[name].uniforms.emplace(std::move(key), at);
        }
    }
    m_gl.glDeleteShader(*vertex);
    if (!outcome) return outcome;

    m_gl.glGenVertexArrays(1, &m_quad);
    m_gl.glBindVertexArray(m_quad);
    m_gl.glGenBuffers(1, &m_quadBuffer);
    m_gl.glBindBuffer(GL_ARRAY_BUFFER, m_quadBuffer);
    constexpr float corners[] = {-1, -1, 1, -1, -1, 1, 1, 1};
    m_gl.glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
    m_gl.glEnableVertexAttribArray(0);
    m_gl.glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    m_gl.glBindVertexArray(0);

    m_gl.glGenTextures(1, &m_blobTexture);
    m_gl.glBindTexture(GL_TEXTURE_2D, m_blobTexture);
    m_gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    m_gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    m_gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    m_gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    // One channel uploaded, read as the mask's alpha.
    m_gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_RED);

    // A target that cannot be drawn into is found now, not at the first frame.
    Targets& probe = targetsFor(16);
    m_gl.glBindFramebuffer(GL_FRAMEBUFFER, probe.tempA.framebuffer);
    const bool complete = m_gl.glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    m_gl.glBindFramebuffer(GL_FRAMEBUFFER, context->defaultFramebufferObject());
    if (!complete) return Error<GpuPipelineError>{GpuPipelineError::framebuffer, "incomplete framebuffer"};
    return Ok{};
}

GpuOrbPipeline::~GpuOrbPipeline()
{
    for (const auto& [name, program] : m_programs) m_gl.glDeleteProgram(program.id);
    for (const auto& targets : m_targets)
        for (const Target* t : {&targets->accum[0], &targets->accum[1], &targets->tempA, &targets->tempB}) {
            m_gl.glDeleteTextures(1, &t->texture);
            m_gl.glDeleteFramebuffers(1, &t->framebuffer);
        }
    if (m_blobTexture) m_gl.glDeleteTextures(1, &m_blobTexture);
    if (m_quadBuffer) m_gl.glDeleteBuffers(1, &m_quadBuffer);
    if (m_quad) m_gl.glDeleteVertexArrays(1, &m_quad);
}

GpuOrbPipeline::Targets& GpuOrbPipeline::targetsFor(int total)
{
    for (auto it = m_targets.begin(); it != m_targets.end(); ++it)
        if ((*it)->total == total) {
            std::rotate(m_targets.begin(), it, it + 1);
            return *m_targets.front();
        }
    auto targets = std::make_unique<Targets>();
    targets->total = total;
    for (Target* t : {&targets->accum[0], &targets->accum[1], &targets->tempA, &targets->tempB}) {
        m_gl.glGenTextures(1, &t->texture);
        m_gl.glBindTexture(GL_TEXTURE_2D, t->texture);
        m_gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        m_gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        m_gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        m_gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        if (m_halfFloat)
            m_gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA16F, total, total, 0, GL_RGBA, GL_HALF_FLOAT, nullptr);
        else
            m_gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, total, total, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        m_gl.glGenFramebuffers(1, &t->framebuffer);
        m_gl.glBindFramebuffer(GL_FRAMEBUFFER, t->framebuffer);
        m_gl.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t->texture, 0);
    }
    m_targets.insert(m_targets.begin(), std::move(targets));
    // Two sizes are in use during a cross-fade between orbs of different sizes; older ones go.
    while (m_targets.size() > 2) {
        const Targets& old = *m_targets.back();
        for (const Target* t : {&old.accum[0], &old.accum[1], &old.tempA, &old.tempB}) {
            m_gl.glDeleteTextures(1, &t->texture);
            m_gl.glDeleteFramebuffers(1, &t->framebuffer);
        }
        m_targets.pop_back();
    }
    return *m_targets.front();
}

void GpuOrbPipeline::draw(const std::vector<FrameLayer>& layers, double time, double pixelsPerPoint, QSize canvasPixels,
                          GLuint framebuffer, QPoint offset)
{
    m_gl.glBindVertexArray(m_quad);
    m_gl.glDisable(GL_DEPTH_TEST);
    m_gl.glDisable(GL_STENCIL_TEST);
    m_gl.glDisable(GL_CULL_FACE);
    m_gl.glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    for (const FrameLayer& layer : layers) {
        const double opacity = std::isnan(layer.opacity) ? 0.0 : std::clamp(layer.opacity, 0.0, 1.0);
        if (opacity <= 0.0) continue;
        const OrbValues v = sanitised(layer.values);
        const GpuLayerPlacement place = gpuLayerPlacement(v, pixelsPerPoint, canvasPixels, m_maxTextureSide, offset);
        if (place.orbPixels <= 0) continue;
        m_gl.glDisable(GL_BLEND);
        Targets& targets = targetsFor(place.total());
        renderLayer(v, time, pixelsPerPoint, place, targets);

        // Onto the canvas, whose framebuffer runs bottom-up like the textures.
        m_gl.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        m_gl.glDisable(GL_SCISSOR_TEST);
        m_gl.glViewport(place.topLeft.x(), canvasPixels.height() - place.topLeft.y() - place.total(), place.total(),
                        place.total());
        m_gl.glEnable(GL_BLEND);
        m_gl.glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        Pass(m_gl, m_programs.at("present")).texture("uSrc", targets.accum[0].texture).f("uOpacity", opacity);
        m_gl.glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    }
    m_gl.glDisable(GL_BLEND);
    m_gl.glDisable(GL_SCISSOR_TEST);
    m_gl.glBindVertexArray(0);
    m_gl.glUseProgram(0);
}

void GpuOrbPipeline::drawBlobMask(const OrbValues& v, int index, double time, int side)
{
    // The CPU renderer's outline: the same centre, radius, wobble and flattening.
    const double n = v.blobCount > 1 ? double(v.blobCount) : 1.0;
    const double f = index / n;
    const bool even = index % 2 == 0;
    const double S = side;
    const double radius = 0.45 * std::min(S, S * (1.0 - 0.2 * f) * v.blobScale * 1.5);
    const double offset = (f * 0.5 + 0.5) * S * v.blobSpread * (even ? 1.0 : -1.0);
    const double wobble = render::loopAngle(time, (f + 1.5) * (60.0 / v.speed));
    const auto polygon = render::wavyBlobPolygon({S / 2, S / 2 + offset}, radius,
                                                 long(std::min<std::int64_t>(v.complexity, render::kMaxComplexity)),
                                                 v.amplitude, wobble, 0.1);
    if (m_blobMask.size() != QSize(side, side)) m_blobMask = QImage(side, side, QImage::Format_Alpha8);
    m_blobMask.fill(0);
    if (!polygon.empty()) {
        QPolygonF outline;
        outline.reserve(qsizetype(polygon.size()));
        for (const render::Point& p : polygon) outline << QPointF(p.x, p.y);
        QPainter painter(&m_blobMask);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawPolygon(outline, Qt::WindingFill);
    }
    m_gl.glBindTexture(GL_TEXTURE_2D, m_blobTexture);
    m_gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    m_gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(m_blobMask.bytesPerLine()));
    m_gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, side, side, 0, GL_RED, GL_UNSIGNED_BYTE, m_blobMask.constBits());
    m_gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    m_gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

void GpuOrbPipeline::renderLayer(const OrbValues& v, double time, double ppp, const GpuLayerPlacement& place, Targets& t)
{
    const int PX = place.orbPixels;
    const int total = place.total();
    const double offset = double(place.padding) / total;
    const double scale = double(PX) / total;
    int current = 0;
    bool orbOnly = true;

    // Binds a target for drawing and clears it. While only the orb's square is drawn, so is a blur's
    // widest reach around it (64 taps and one for filtering), and nothing beyond.
    const auto bind = [&](const Target& target) {
        m_gl.glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
        m_gl.glViewport(0, 0, total, total);
        if (orbOnly) {
            const int start = std::max(0, place.padding - 65);
            const int extent = std::min(total, place.padding + PX + 65) - start;
            m_gl.glEnable(GL_SCISSOR_TEST);
            m_gl.glScissor(start, start, extent, extent);
        } else {
            m_gl.glDisable(GL_SCISSOR_TEST);
        }
        m_gl.glClearColor(0, 0, 0, 0);
        m_gl.glClear(GL_COLOR_BUFFER_BIT);
    };
    const auto into = [&](const Target& target) {
        bind(target);
        m_gl.glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    };
    const auto pass = [&](std::string_view name) { return Pass(m_gl, m_programs.find(name)->second); };
    const auto placed = [&](std::string_view name) { return pass(name).f("uOffset", offset).f("uScale", scale); };
    const auto blur = [&](const Target& target, double sigma) {
        if (!(sigma >= 0.5)) return;
        pass("blur").texture("uSrc", target.texture).v2("uDir", 1, 0).f("uSigma", sigma * ppp).v2("uResolution", total, total);
        into(t.tempB);
        pass("blur").texture("uSrc", t.tempB.texture).v2("uDir", 0, 1).f("uSigma", sigma * ppp).v2("uResolution", total, total);
        into(target);
    };
    const auto composite = [&](const Target& source, int mode) {
        const int next = 1 - current;
        pass("composite").texture("uSrc", source.texture).texture("uDst", t.accum[current].texture).i("uBlend", mode);
        into(t.accum[next]);
        current = next;
    };
    const auto crescent = [&](const CodableColor& color, float alpha, double degreesPerSecond) {
        const double angle = render::rotationDegrees(time, degreesPerSecond);
        placed("crescent").v4("uColor", rgba(color, alpha)).f("uAngle", -angle * kPi / 180).f("uBlurRadius", 0.16);
        into(t.tempA);
    };
    const auto glowPair = [&](const Glow(&glows)[2], int mode) {
        for (const Glow& g : glows) {
            crescent(v.glowColor, unitAlpha(v.glowColor.opacity * g.opacity * v.glowIntensity), v.speed * g.speedFactor * g.direction);
            blur(t.tempA, PX / ppp * g.blurFactor * v.glowSoftness);
            composite(t.tempA, mode);
        }
    };
    const auto ring = [&](double opacity, double lineWidth, double sigma, double padding) {
        placed("ring")
            .v4("uColor", rgba(v.glowColor, unitAlpha(v.glowColor.opacity * opacity)))
            .f("uLineWidth", lineWidth * ppp / PX)
            .f("uPadding", padding / v.orbSize)
            .f("uAntiAlias", 2.0 / (scale * v.orbSize));
        into(t.tempA);
        blur(t.tempA, sigma);
        composite(t.tempA, 2);
    };

    bind(t.accum[0]);
    bind(t.accum[1]);
    if (v.showBackground) {
        placed("gradient")
            .i("uType", int(v.gradientType))
            .f("uAngle", v.gradientAngle * kPi / 180)
            .f("uRadialEnd", 300 / v.orbSize)
            .colors(v.backgroundColors);
        into(t.tempA);
        if (v.backgroundBlur > 0.5) blur(t.tempA, v.backgroundBlur);
        composite(t.tempA, 0);
    }
    if (v.showGlowEffects) glowPair(kOuterGlows, 1);
    if (v.showWavyBlobs && v.complexity > 0) {
        const long count = long(std::min<std::int64_t>(v.blobCount, render::kMaxBlobs));
        for (int i = 0; i < count; ++i) {
            const double f = i / double(std::max<std::int64_t>(v.blobCount, 1));
            const bool even = i % 2 == 0;
            const CodableColor& source = v.coloredBlobs && !v.backgroundColors.empty()
                                             ? v.backgroundColors[std::size_t(i) % v.backgroundColors.size()]
                                             : v.glowColor;
            crescent(source, unitAlpha(source.opacity * v.blobOpacity * v.glowIntensity),
                     v.speed * (0.6 + 1.2 * f) * (even ? 1 : -1));
            drawBlobMask(v, i, time, PX);
            pass("copy")
                .texture("uSrc", t.tempA.texture)
                .texture("uMask", m_blobTexture)
                .i("uUseMask", 1)
                .f("uMaskOffset", offset)
                .f("uMaskScale", scale)
                .i("uUnpremultiply", 0);
            into(t.tempB);
            std::swap(t.tempA, t.tempB);
            blur(t.tempA, v.blobBlur);
            composite(t.tempA, int(v.blobBlendMode) + 2);
        }
    }
    if (v.showGlowEffects) glowPair(kInnerGlows, 2);
    if (v.showGlowEffects && v.innerRingWidth > 0) {
        const double G = v.glowIntensity, S = v.glowSoftness;
        ring(0.3 * G, v.innerRingWidth, 3 * S, 0);
        ring(0.15 * G, v.innerRingWidth * 0.4, S, 2);
    }
    orbOnly = false;
    {
        const double corner = v.cornerRadius >= 1 ? 1 : std::clamp(v.cornerRadius * 1000 / v.orbSize, 0.0, 1.0);
        const int next = 1 - current;
        placed("clip")
            .texture("uSrc", t.accum[current].texture)
            .f("uCornerRadius", corner)
            .f("uEdgeSoftness", v.edgeSoftness)
            .f("uAntiAlias", 1.5 / (scale * v.orbSize));
        into(t.accum[next]);
        current = next;
    }
    if (v.showShadow) {
        const double s = PX * 0.08 * v.shadowRadius;
        pass("shadow")
            .f("uRadius1", s * 0.75 / total)
            .f("uRadius2", s * 3 / total)
            .f("uOpacity1", 0.5)
            .f("uOpacity2", 0.3)
            .f("uYOffset1", -s * 0.5 / total)
            .f("uYOffset2", -s * 0.75 / total)
            .f("uOrbRadius", PX * 0.5 / total)
            .v2("uCenter", 0.5, 0.5)
            .colors(v.backgroundColors);
        into(t.tempA);
        std::swap(t.tempB, t.accum[current]); // the clipped orb, kept while the shadow goes under it
        bind(t.accum[0]);
        bind(t.accum[1]);
        current = 0;
        composite(t.tempA, 0);
        composite(t.tempB, 0);
    }
    // The layer is handed on in accum[0].
    if (current != 0) std::swap(t.accum[0], t.accum[1]);
}

} // namespace lumara::ui

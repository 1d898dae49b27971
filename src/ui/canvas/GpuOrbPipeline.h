// Draws the canvas's orbs with OpenGL through the generated page's shaders: the same passes as the
// page's script (gradient, glows, blobs, rings, clip, shadow) into textures, then each layer over
// the bound framebuffer at its opacity. Needs a current OpenGL 3.3 core or OpenGL ES 3.0 context;
// the thread of that context only.
#pragma once

#include "model/Result.h"
#include "ui/canvas/FrameRenderer.h"

#include <QImage>
#include <QOpenGLExtraFunctions>
#include <QSize>

#include <map>
#include <memory>
#include <string>
#include <vector>

class QOpenGLContext;

namespace lumara::ui {

enum class GpuPipelineError {
    unsupportedContext, // older than OpenGL 3.3 core or OpenGL ES 3.0
    shaderCompile,
    programLink,
    framebuffer, // a drawing target cannot be made
};

// Where one layer lands: its texture's square in canvas device pixels (top-left origin), the orb's
// square inside it.
struct GpuLayerPlacement {
    int orbPixels = 0;    // the orb's side; 0 draws nothing
    int padding = 0;      // room for the shadow on each side
    QPoint topLeft;       // of the whole texture square
    int total() const { return orbPixels + 2 * padding; }
};
// The placement the CPU canvas uses for the orb's square (whole device pixels, centred), with room
// for the shadow's full reach, cut to what a texture of `maxTextureSide` can hold.
GpuLayerPlacement gpuLayerPlacement(const OrbValues& values, double pixelsPerPoint, QSize canvasPixels, int maxTextureSide,
                                    QPoint offset = {});

class GpuOrbPipeline {
public:
    // Compiles and links every program in the current context. `breakShader` spoils one shader's
    // source on purpose, for testing what happens when a driver refuses one.
    static Result<std::unique_ptr<GpuOrbPipeline>, GpuPipelineError> create(QOpenGLContext& context, bool breakShader = false);
    // Frees its OpenGL objects; the context must be current.
    ~GpuOrbPipeline();
    GpuOrbPipeline(const GpuOrbPipeline&) = delete;
    GpuOrbPipeline& operator=(const GpuOrbPipeline&) = delete;

    // Draws the layers back to front over what `framebuffer` (of `canvasPixels` device pixels)
    // holds, premultiplied, at `time` seconds, centred and moved by `offset` device pixels. Leaves
    // blending and the scissor test off.
    void draw(const std::vector<FrameLayer>& layers, double time, double pixelsPerPoint, QSize canvasPixels,
              GLuint framebuffer, QPoint offset = {});

    struct Program {
        GLuint id = 0;
        std::map<std::string, GLint, std::less<>> uniforms;
    };
    struct Target {
        GLuint texture = 0;
        GLuint framebuffer = 0;
    };

private:
    explicit GpuOrbPipeline(QOpenGLContext& context);
    Result<Ok, GpuPipelineError> build(bool breakShader);
    struct Targets;
    Targets& targetsFor(int total);
    void renderLayer(const OrbValues& v, double time, double pixelsPerPoint, const GpuLayerPlacement& place, Targets& t);
    void drawBlobMask(const OrbValues& v, int index, double time, int side);

    QOpenGLExtraFunctions m_gl;
    bool m_halfFloat = false;
    int m_maxTextureSide = 4096;
    std::map<std::string, Program, std::less<>> m_programs;
    GLuint m_quad = 0, m_quadBuffer = 0;
    GLuint m_blobTexture = 0;
    QImage m_blobMask; // the outline of one blob, drawn on the CPU like the page's 2-D canvas
    std::vector<std::unique_ptr<Targets>> m_targets; // by size, newest first; two kept for a cross-fade
};

} // namespace lumara::ui

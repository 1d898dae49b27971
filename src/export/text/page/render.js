const PROGRAM_SOURCES = {
    gradient: FRAG_GRADIENT,
    crescent: FRAG_CRESCENT,
    blur: FRAG_BLUR,
    composite: FRAG_COMPOSITE,
    ring: FRAG_RING,
    clip: FRAG_CLIP,
    shadow: FRAG_SHADOW,
    copy: FRAG_COPY,
};

function compileShader(type, source) {
    const shader = gl.createShader(type);
    gl.shaderSource(shader, source);
    gl.compileShader(shader);
    if (!gl.getShaderParameter(shader, gl.COMPILE_STATUS) && !gl.isContextLost()) {
        throw new Error(gl.getShaderInfoLog(shader));
    }
    return shader;
}

// Links one fragment shader with VERT_SRC and records each active uniform's location and type,
// so that draw() can set uniforms by name.
function linkProgram(fragmentSource) {
    const program = gl.createProgram();
    gl.attachShader(program, compileShader(gl.VERTEX_SHADER, VERT_SRC));
    gl.attachShader(program, compileShader(gl.FRAGMENT_SHADER, fragmentSource));
    gl.bindAttribLocation(program, 0, "aPos");
    gl.linkProgram(program);
    if (!gl.getProgramParameter(program, gl.LINK_STATUS) && !gl.isContextLost()) {
        throw new Error(gl.getProgramInfoLog(program));
    }
    const uniforms = {};
    const count = gl.getProgramParameter(program, gl.ACTIVE_UNIFORMS) || 0;
    for (let i = 0; i < count; i++) {
        const info = gl.getActiveUniform(program, i);
        const name = info.name.replace(/\[0\]$/, "");
        uniforms[name] = { location: gl.getUniformLocation(program, info.name), type: info.type };
    }
    return { program, uniforms };
}

let programs = null;
let quad = null;
let halfFloat = false;
let accum = [];     // [accumA, accumB]
let current = 0;    // index of the current accumulator
let tempA = null;
let tempB = null;
let blobTexture = null;
let contextLost = false;
let orbOnly = false; // limit drawing to the orb's square and a blur margin (see render)

function createTexture() {
    const texture = gl.createTexture();
    gl.bindTexture(gl.TEXTURE_2D, texture);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.LINEAR);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.LINEAR);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_S, gl.CLAMP_TO_EDGE);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_T, gl.CLAMP_TO_EDGE);
    return texture;
}

function createTarget(size) {
    const texture = createTexture();
    if (halfFloat) {
        gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA16F, size, size, 0, gl.RGBA, gl.HALF_FLOAT, null);
    } else {
        gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA8, size, size, 0, gl.RGBA, gl.UNSIGNED_BYTE, null);
    }
    const framebuffer = gl.createFramebuffer();
    gl.bindFramebuffer(gl.FRAMEBUFFER, framebuffer);
    gl.framebufferTexture2D(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, texture, 0);
    return { texture, framebuffer };
}

function deleteTarget(target) {
    if (!target) return;
    gl.deleteTexture(target.texture);
    gl.deleteFramebuffer(target.framebuffer);
}

function allocateTargets() {
    [accum[0], accum[1], tempA, tempB].forEach(deleteTarget);
    accum = [createTarget(TOTAL), createTarget(TOTAL)];
    tempA = createTarget(TOTAL);
    tempB = createTarget(TOTAL);
    current = 0;
}

// Everything that lives in the WebGL context; run at start-up and again after a lost context
// has been restored.
function createGPUResources() {
    // Without the extension half-float targets cannot be drawn into; 8-bit targets still work.
    halfFloat = !!gl.getExtension("EXT_color_buffer_float");
    programs = {};
    for (const [name, source] of Object.entries(PROGRAM_SOURCES)) programs[name] = linkProgram(source);
    quad = gl.createVertexArray();
    gl.bindVertexArray(quad);
    const buffer = gl.createBuffer();
    gl.bindBuffer(gl.ARRAY_BUFFER, buffer);
    gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([-1, -1, 1, -1, -1, 1, 1, 1]), gl.STATIC_DRAW);
    gl.enableVertexAttribArray(0);
    gl.vertexAttribPointer(0, 2, gl.FLOAT, false, 0, 0);
    blobTexture = createTexture();
    accum = [];
    tempA = tempB = null;
    allocateTargets();
}

// Draws a full-buffer quad with `name`'s program into `target` (null: the canvas), after clearing
// it to transparent. Samplers take a target or a texture.
function draw(name, target, values) {
    const { program, uniforms } = programs[name];
    bindTarget(target);
    gl.useProgram(program);
    let unit = 0;
    for (const [key, value] of Object.entries(values)) {
        const uniform = uniforms[key];
        if (!uniform) continue;
        const loc = uniform.location;
        switch (uniform.type) {
        case gl.FLOAT: gl.uniform1f(loc, value); break;
        case gl.FLOAT_VEC2: gl.uniform2fv(loc, value); break;
        case gl.FLOAT_VEC4: gl.uniform4fv(loc, value); break;
        case gl.INT: gl.uniform1i(loc, value); break;
        case gl.SAMPLER_2D:
            gl.activeTexture(gl.TEXTURE0 + unit);
            gl.bindTexture(gl.TEXTURE_2D, value.texture || value);
            gl.uniform1i(loc, unit++);
            break;
        }
    }
    gl.bindVertexArray(quad);
    gl.clearColor(0, 0, 0, 0);
    gl.clear(gl.COLOR_BUFFER_BIT);
    gl.drawArrays(gl.TRIANGLE_STRIP, 0, 4);
}

// Binds a target (null: the canvas) for drawing. While orbOnly is set, drawing is limited to the
// orb's square plus the widest blur reach (64 taps and one for filtering): everything outside it
// is cut away by the clip before it can be seen, and no tap inside the square reads beyond it.
function bindTarget(target) {
    gl.bindFramebuffer(gl.FRAMEBUFFER, target ? target.framebuffer : null);
    gl.viewport(0, 0, TOTAL, TOTAL);
    if (orbOnly) {
        const margin = 65;
        const start = Math.max(0, SHADOW_PAD - margin);
        const side = Math.min(TOTAL, SHADOW_PAD + PX + margin) - start;
        gl.enable(gl.SCISSOR_TEST);
        gl.scissor(start, start, side, side);
    } else {
        gl.disable(gl.SCISSOR_TEST);
    }
}

function clearTarget(target) {
    bindTarget(target);
    gl.clearColor(0, 0, 0, 0);
    gl.clear(gl.COLOR_BUFFER_BIT);
}

// Orb placement inside the buffer, shared by every orb-local shader.
function placement() {
    return { uOffset: SHADOW_PAD / TOTAL, uScale: PX / TOTAL };
}

// The first eight colours as a flat array, and the full count.
function colorUniforms(colors) {
    const flat = new Float32Array(32);
    colors.slice(0, 8).forEach((c, i) => flat.set(c.slice(0, 4), i * 4));
    return { uColors: flat, uColorCount: colors.length };
}

// Opacities above 1 (a glow intensity of 2, say) saturate rather than brighten the colour.
function unitAlpha(alpha) {
    return alpha > 0 ? Math.min(alpha, 1) : 0;
}

function glowAlpha(factor) {
    return unitAlpha(CFG.glowColor[3] * factor);
}

function renderGradient() {
    // The radial gradient ends 300 points from the centre, whatever the orb's size.
    draw("gradient", tempA, Object.assign({
        uType: CFG.gradientType,
        uAngle: CFG.gradientAngle * Math.PI / 180,
        uRadialEnd: 300 / CFG.orbSize,
    }, colorUniforms(CFG.bgColors), placement()));
}

function blurLayer(target, sigma) {
    if (!(sigma >= 0.5)) return;
    const common = { uSigma: sigma * dpr, uResolution: [TOTAL, TOTAL] };
    draw("blur", tempB, Object.assign({ uSrc: target, uDir: [1, 0] }, common));
    draw("blur", target, Object.assign({ uSrc: tempB, uDir: [0, 1] }, common));
}

function compositeOntoAccum(source, mode) {
    const next = 1 - current;
    draw("composite", accum[next], { uSrc: source, uDst: accum[current], uBlend: mode });
    current = next;
}

function renderCrescent(rgb, alpha, speed, direction, time) {
    const angle = (time * speed * direction) % 360;
    draw("crescent", tempA, Object.assign({
        uColor: [rgb[0], rgb[1], rgb[2], alpha],
        uAngle: -angle * Math.PI / 180,
        uBlurRadius: 0.16,
    }, placement()));
}

function traceBlobOutline(i, t, even, time) {
    const L = 60 / CFG.speed * (1.5 + t);
    const phase = ((time % L) / L) * 2 * Math.PI;
    const cx = PX / 2;
    const cy = PX / 2 + PX * CFG.blobSpread * (even ? 1 : -1) * (0.5 + 0.5 * t);
    // The outline's box is never wider than the orb: a large blob scale stops growing there.
    const radius = Math.min(PX, PX * CFG.blobScale * (1 - 0.2 * t) * 1.5) * 0.45;
    const N = Math.min(Math.max(CFG.complexity, 0), MAX_POINTS);
    const A = CFG.amplitude;
    blobCtx.clearRect(0, 0, PX, PX);
    if (N < 1) return;
    const points = [];
    for (let k = 0; k < N; k++) {
        const base = k / N * 2 * Math.PI;
        const offset = k * 2 * Math.PI / N;
        points.push([
            (0.5 + 0.9 * Math.cos(base) - 0.5 + Math.sin(phase + offset) * A) * radius + cx,
            (0.5 + 0.9 * Math.sin(base) - 0.5 + Math.cos(phase + offset) * A) * radius + cy,
        ]);
    }
    const handle = radius * 0.33;
    blobCtx.beginPath();
    blobCtx.moveTo(points[0][0], points[0][1]);
    for (let k = 0; k < N; k++) {
        const p = points[k];
        const q = points[(k + 1) % N];
        const a0 = Math.atan2(p[1] - cy, p[0] - cx) + Math.PI / 2;
        const a1 = Math.atan2(q[1] - cy, q[0] - cx) - Math.PI / 2;
        blobCtx.bezierCurveTo(p[0] + handle * Math.cos(a0), p[1] + handle * Math.sin(a0),
                              q[0] + handle * Math.cos(a1), q[1] + handle * Math.sin(a1), q[0], q[1]);
    }
    blobCtx.closePath();
    blobCtx.fillStyle = "#fff";
    blobCtx.fill();
}

function renderBlob(i, time) {
    const t = i / Math.max(CFG.blobCount, 1);
    const even = i % 2 === 0;
    const source = CFG.coloredBlobs && CFG.bgColors.length > 0 ? CFG.bgColors[i % CFG.bgColors.length] : CFG.glowColor;
    const alpha = unitAlpha(source[3] * CFG.blobOpacity * CFG.glowIntensity);
    renderCrescent(source, alpha, CFG.speed * (0.6 + 1.2 * t), even ? 1 : -1, time);

    traceBlobOutline(i, t, even, time);
    gl.bindTexture(gl.TEXTURE_2D, blobTexture);
    gl.pixelStorei(gl.UNPACK_PREMULTIPLY_ALPHA_WEBGL, false);
    gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA8, gl.RGBA, gl.UNSIGNED_BYTE, blobCanvas);
    const place = placement();
    draw("copy", tempB, { uSrc: tempA, uMask: blobTexture, uUseMask: 1, uMaskOffset: place.uOffset, uMaskScale: place.uScale, uUnpremultiply: 0 });
    draw("copy", tempA, { uSrc: tempB, uUseMask: 0, uUnpremultiply: 0 });

    blurLayer(tempA, CFG.blobBlur * scale);
    compositeOntoAccum(tempA, CFG.blobBlendModeGL);
}

function renderRing(opacity, lineWidth, blur, padding) {
    const g = CFG.glowColor;
    // Widths and insets are measured against the orb's own diameter.
    draw("ring", tempA, Object.assign({
        uColor: [g[0], g[1], g[2], glowAlpha(opacity)],
        uLineWidth: lineWidth * dpr / PX,
        uPadding: padding / (CFG.orbSize * scale),
    }, placement()));
    blurLayer(tempA, blur);
}

function renderShadow() {
    const s = PX * 0.08 * CFG.shadowRadius; // device pixels
    draw("shadow", tempA, Object.assign({
        uRadius1: s * 0.75 / TOTAL,
        uRadius2: s * 3 / TOTAL,
        uOpacity1: 0.5,
        uOpacity2: 0.3,
        uYOffset1: -s * 0.5 / TOTAL,
        uYOffset2: -s * 0.75 / TOTAL,
        uOrbRadius: (PX * 0.5) / TOTAL,
        uCenter: [0.5, 0.5],
    }, colorUniforms(CFG.bgColors)));
}

function applyClip() {
    const next = 1 - current;
    // The configuration's corner radius is a fraction of 500 points, capped at half the side.
    const corner = CFG.cornerRadius >= 1 ? 1 : Math.min(Math.max(CFG.cornerRadius * 1000 / CFG.orbSize, 0), 1);
    draw("clip", accum[next], Object.assign({
        uSrc: accum[current],
        uCornerRadius: corner,
        uEdgeSoftness: CFG.edgeSoftness,
    }, placement()));
    current = next;
}

// Glow pairs as [opacity, speed factor, direction, blur as a fraction of the orb]: the outer pair
// is drawn behind the layers below it, the inner pair added over the blobs.
const OUTER_GLOWS = [[0.6, 0.75, 1, 0.02], [0.3, 0.25, -1, 0.01]];
const INNER_GLOWS = [[0.8, 3, 1, 0.02], [0.5, 2.3, -1, 0.01]];

function renderGlowPair(glows, mode, time) {
    for (const [opacity, speedFactor, direction, blurFactor] of glows) {
        renderCrescent(CFG.glowColor, glowAlpha(opacity * CFG.glowIntensity), CFG.speed * speedFactor, direction, time);
        blurLayer(tempA, PX / dpr * blurFactor * CFG.glowSoftness);
        compositeOntoAccum(tempA, mode);
    }
}

function render(stamp) {
    if (contextLost || !programs) return;
    const time = stamp / 1000;
    const G = CFG.glowIntensity;
    const S = CFG.glowSoftness;
    orbOnly = true;
    clearTarget(accum[0]);
    clearTarget(accum[1]);
    current = 0;

    if (CFG.showBackground) {
        renderGradient();
        if (CFG.backgroundBlur > 0.5) blurLayer(tempA, CFG.backgroundBlur * scale);
        compositeOntoAccum(tempA, 0);
    }
    if (CFG.showGlowEffects) renderGlowPair(OUTER_GLOWS, 1, time);
    if (CFG.showWavyBlobs) {
        const count = Math.min(CFG.blobCount, MAX_BLOBS);
        for (let i = 0; i < count; i++) renderBlob(i, time);
    }
    if (CFG.showGlowEffects) renderGlowPair(INNER_GLOWS, 2, time);
    if (CFG.showGlowEffects && CFG.innerRingWidth > 0) {
        renderRing(0.3 * G, CFG.innerRingWidth * scale, 3 * S * scale, 0);
        compositeOntoAccum(tempA, 2);
        renderRing(0.15 * G, CFG.innerRingWidth * 0.4 * scale, S * scale, 2 * scale);
        compositeOntoAccum(tempA, 2);
    }
    orbOnly = false;
    applyClip();
    if (CFG.showShadow) {
        renderShadow();
        draw("copy", tempB, { uSrc: accum[current], uUseMask: 0, uUnpremultiply: 0 });
        clearTarget(accum[0]);
        clearTarget(accum[1]);
        current = 0;
        compositeOntoAccum(tempA, 0);
        compositeOntoAccum(tempB, 0);
    }
    draw("copy", null, { uSrc: accum[current], uUseMask: 0, uUnpremultiply: 1 });
}

// ── Frame loop ──
const reduceMQ = window.matchMedia("(prefers-reduced-motion: reduce)");
let lastTime = 0;
let pending = 0;
let onScreen = true;

function frame(stamp) {
    pending = 0;
    lastTime = stamp;
    render(stamp);
    play();
}

function play() {
    if (pending || !onScreen || document.hidden || reduceMQ.matches || contextLost) return;
    pending = requestAnimationFrame(frame);
}

function pause() {
    if (pending) cancelAnimationFrame(pending);
    pending = 0;
}

let sizedFor = "";

function stageKey() {
    const rect = stage.getBoundingClientRect();
    return rect.width + "x" + rect.height + "@" + (window.devicePixelRatio || 1);
}

// Re-fits the buffers to the stage and redraws at the last time; does nothing when neither the
// stage's size nor the pixel ratio changed (the observer also reports the first layout).
function resize(force) {
    const key = stageKey();
    if (key === sizedFor && !force) return;
    sizedFor = key;
    computeSize();
    if (contextLost) return;
    allocateTargets();
    render(lastTime);
}

new ResizeObserver(() => resize(false)).observe(stage);

new IntersectionObserver((entries) => {
    onScreen = entries[entries.length - 1].isIntersecting;
    if (onScreen) play(); else pause();
}, { threshold: 0 }).observe(stage);

reduceMQ.addEventListener("change", () => {
    if (reduceMQ.matches) {
        pause();
        render(lastTime);
    } else {
        play();
    }
});

// A hidden tab or frame draws nothing until it is shown again.
document.addEventListener("visibilitychange", () => {
    if (document.hidden) pause(); else play();
});

function watchPixelRatio() {
    const query = window.matchMedia("(resolution: " + (window.devicePixelRatio || 1) + "dppx)");
    query.addEventListener("change", () => {
        resize(true);
        watchPixelRatio();
    }, { once: true });
}
watchPixelRatio();

// The browser may drop the GPU context (driver reset, too many pages); rebuild everything
// once it is given back.
canvas.addEventListener("webglcontextlost", (event) => {
    event.preventDefault();
    contextLost = true;
    pause();
});
canvas.addEventListener("webglcontextrestored", () => {
    contextLost = false;
    createGPUResources();
    resize(true);
    play();
});

// Start-up: fit the buffers, then one still frame at time 0 under reduced motion, else the loop.
computeSize();
sizedFor = stageKey();
createGPUResources();
if (reduceMQ.matches) render(0); else play();

// ── Runtime ──
// Everything below is the same for every design; the constants above carry the design and the
// shader sources. No imports, and nothing touches the DOM until an orb is made, so the module can
// be imported where there is no window (server-side rendering).

const MAX_BLOBS = 100;
const MAX_POINTS = 2048;
const MAX_SHADOW_PAD_FACTOR = 8;
const MAX_STATES = 1000;
const MAX_COLORS = 32;
const MAX_NAME_LENGTH = 256;
const MIN_ORB_SIZE = 1;
const MAX_ORB_SIZE = 4096;
const MAX_SIDE = 4096; // device pixels of any drawing buffer

// How the orb answers sound. The level (0 to 1) is smoothed, then scaled by the reactivity: at
// full response the orb swells by SWELL of its size, its glow and blobs are 1 + GLOW_BOOST times
// as bright and its motion runs 1 + MOTION_BOOST times as fast as at rest.
const SWELL = 0.06;
const GLOW_BOOST = 0.5;
const MOTION_BOOST = 1.5;
const ATTACK_SECONDS = 0.05; // rises quickly with a voice...
const RELEASE_SECONDS = 0.3; // ...and falls back more slowly
// Loudness of a stream in dB below full scale mapped onto 0 ... 1.
const QUIET_DB = -55;
const LOUD_DB = -12;

const ANTI_ALIAS_MARKER = "@ANTI_ALIAS_LINE@";
const HAS_DOM = typeof window !== "undefined" && typeof document !== "undefined";

// ── Design records ──

const NUMBER_KEYS = ["gradientAngle", "backgroundBlur", "orbSize", "cornerRadius", "amplitude", "blobScale",
    "blobSpread", "blobOpacity", "blobBlur", "speed", "glowIntensity", "glowSoftness", "innerRingWidth"];
const INTEGER_KEYS = ["blobCount", "complexity"];
const BOOLEAN_KEYS = ["coloredBlobs", "showBackground", "showWavyBlobs", "showGlowEffects", "showShadow"];
const OPTIONAL_NUMBERS = { shadowRadius: 1, edgeSoftness: 0 };

class DesignError extends TypeError {}

function fail(where, what) {
    throw new DesignError(where + " " + what);
}

function isRecord(value) {
    return value !== null && typeof value === "object" && !Array.isArray(value);
}

function finiteNumber(value, where) {
    if (typeof value !== "number" || !Number.isFinite(value)) fail(where, "is not a finite number");
    return value;
}

function colorValues(record, where) {
    if (!isRecord(record)) fail(where, "is not a colour record");
    return ["red", "green", "blue", "opacity"].map((key) => finiteNumber(record[key], where + "." + key));
}

// The drawing values of one configuration record, as the generated page names them, with the
// bounds the page applies to a hand-edited file. Throws DesignError for what is not a record.
function drawValues(config, where) {
    if (!isRecord(config)) fail(where, "is not a configuration record");
    const cfg = {};
    for (const key of NUMBER_KEYS) cfg[key] = finiteNumber(config[key], where + "." + key);
    for (const key of INTEGER_KEYS) {
        if (!Number.isInteger(config[key])) fail(where + "." + key, "is not a whole number");
        cfg[key] = config[key];
    }
    for (const key of BOOLEAN_KEYS) {
        if (typeof config[key] !== "boolean") fail(where + "." + key, "is not true or false");
        cfg[key] = config[key];
    }
    for (const [key, fallback] of Object.entries(OPTIONAL_NUMBERS)) {
        cfg[key] = config[key] === undefined ? fallback : finiteNumber(config[key], where + "." + key);
    }
    if (![0, 1, 2].includes(config.gradientType)) fail(where + ".gradientType", "is not 0, 1 or 2");
    if (![0, 1, 2, 3, 4].includes(config.blobBlendMode)) fail(where + ".blobBlendMode", "is not 0 to 4");
    cfg.gradientType = config.gradientType;
    cfg.blobBlendModeGL = config.blobBlendMode + 2;
    if (!Array.isArray(config.backgroundColors)) fail(where + ".backgroundColors", "is not a list");
    if (config.backgroundColors.length > MAX_COLORS) fail(where + ".backgroundColors", "has more than " + MAX_COLORS + " colours");
    cfg.bgColors = config.backgroundColors.map((c, i) => colorValues(c, where + ".backgroundColors[" + i + "]"));
    cfg.glowColor = colorValues(config.glowColor, where + ".glowColor");
    cfg.orbSize = Math.min(Math.max(cfg.orbSize, MIN_ORB_SIZE), MAX_ORB_SIZE);
    return cfg;
}

// A project record checked and turned into what the orbs draw. Throws DesignError.
function readDesign(record) {
    if (!isRecord(record)) fail("the design", "is not a project record");
    const { states } = record;
    if (!Array.isArray(states) || states.length === 0) fail("the design's \"states\"", "is not a list of states");
    if (states.length > MAX_STATES) fail("the design", "has more than " + MAX_STATES + " states");
    if (!Number.isInteger(record.selectedStateIndex)) fail("\"selectedStateIndex\"", "is not a whole number");
    const transition = finiteNumber(record.transitionDuration, "\"transitionDuration\"");
    const read = states.map((state, i) => {
        const where = "state " + i;
        if (!isRecord(state)) fail(where, "is not a state record");
        if (typeof state.name !== "string") fail(where + ".name", "is not a text");
        if (state.name.length > MAX_NAME_LENGTH) fail(where + ".name", "is longer than " + MAX_NAME_LENGTH + " characters");
        return { name: state.name, cfg: drawValues(state.config, where + ".config") };
    });
    const selected = Math.min(Math.max(record.selectedStateIndex, 0), read.length - 1);
    // The largest orb's size, which every state is drawn in proportion to, and the radius of the
    // widest state with its shadow and full swell, per point of that size.
    const reference = Math.max(...read.map((s) => s.cfg.orbSize));
    const reach = Math.max(...read.map((s) => s.cfg.orbSize / reference * (0.5 + shadowPadFactor(s.cfg)))) * (1 + SWELL);
    return { record, states: read, selected, transition, reference, reach };
}

function deepFreeze(value) {
    if (value && typeof value === "object") {
        Object.values(value).forEach(deepFreeze);
        Object.freeze(value);
    }
    return value;
}

const OWN_DESIGN = deepFreeze(DESIGN);
const OWN_READ = readDesign(OWN_DESIGN);

export const design = OWN_DESIGN;
export const stateNames = Object.freeze(OWN_DESIGN.states.map((s) => s.name));

function shadowPadFactor(cfg) {
    if (!cfg.showShadow) return 0;
    return 0.36 * Math.min(Math.max(cfg.shadowRadius, 0), MAX_SHADOW_PAD_FACTOR);
}

function easeInOut(t) {
    const x = Math.min(Math.max(t, 0), 1);
    return x < 0.5 ? 4 * x * x * x : 1 - Math.pow(-2 * x + 2, 3) / 2;
}

function fadeSeconds(transition) {
    return Number.isFinite(transition) ? Math.max(transition, 0.2) : 0.2;
}

const PLAYBACK_REST = 0.8;

// ── The shared renderer ──
// Every orb on the page draws through one WebGL 2 context (browsers keep only a few alive): an
// orb is drawn into this renderer's canvas, then copied onto the orb's own 2-D canvas.

const PROGRAMS = {
    gradient: () => FRAG_GRADIENT,
    crescent: () => FRAG_CRESCENT,
    blur: () => FRAG_BLUR,
    composite: () => FRAG_COMPOSITE,
    shadow: () => FRAG_SHADOW,
    copy: () => FRAG_COPY,
};

// Glow pairs as [opacity, speed factor, direction, blur as a fraction of the orb]: the outer pair
// is drawn behind the layers below it, the inner pair added over the blobs.
const OUTER_GLOWS = [[0.6, 0.75, 1, 0.02], [0.3, 0.25, -1, 0.01]];
const INNER_GLOWS = [[0.8, 3, 1, 0.02], [0.5, 2.3, -1, 0.01]];

function unitAlpha(alpha) {
    return alpha > 0 ? Math.min(alpha, 1) : 0;
}

// The first eight colours as a flat array, and the full count.
function colorUniforms(colors) {
    const flat = new Float32Array(32);
    colors.slice(0, 8).forEach((c, i) => flat.set(c.slice(0, 4), i * 4));
    return { uColors: flat, uColorCount: colors.length };
}

// Sizes of one orb in the buffer: PX the orb's side, PAD the shadow's room on each side, TOTAL
// the buffer's side (device pixels); scale is CSS pixels per point, dpr device pixels per CSS pixel.
function orbGeometry(cfg, orbCss, dpr, limit) {
    const padFactor = shadowPadFactor(cfg);
    let px = Math.max(1, Math.round(orbCss * dpr));
    let pad = Math.round(px * padFactor);
    let total = px + 2 * pad;
    if (total > limit) {
        px = Math.max(1, Math.floor(px * limit / total));
        pad = Math.floor((limit - px) / 2);
        total = px + 2 * pad;
    }
    return { px, pad, total, dpr, scale: px / dpr / cfg.orbSize };
}

class Renderer {
    constructor(onLost, onRestored) {
        this.canvas = document.createElement("canvas");
        this.canvas.width = this.canvas.height = 1;
        this.gl = this.canvas.getContext("webgl2", { alpha: true, premultipliedAlpha: false, antialias: false });
        if (!this.gl) return;
        this.lost = false;
        this.canvas.addEventListener("webglcontextlost", (event) => {
            event.preventDefault();
            this.lost = true;
            onLost();
        });
        this.canvas.addEventListener("webglcontextrestored", () => {
            this.lost = false;
            this.createResources();
            onRestored();
        });
        const blobCanvas = document.createElement("canvas");
        this.blobCtx = blobCanvas.getContext("2d", { willReadFrequently: true });
        this.createResources();
    }

    get usable() {
        return !!this.gl && !this.lost;
    }

    compile(type, source) {
        const gl = this.gl;
        const shader = gl.createShader(type);
        gl.shaderSource(shader, source);
        gl.compileShader(shader);
        if (!gl.getShaderParameter(shader, gl.COMPILE_STATUS) && !gl.isContextLost()) {
            throw new Error(gl.getShaderInfoLog(shader));
        }
        return shader;
    }

    link(fragmentSource) {
        const gl = this.gl;
        const program = gl.createProgram();
        gl.attachShader(program, this.vertex);
        gl.attachShader(program, this.compile(gl.FRAGMENT_SHADER, fragmentSource));
        gl.bindAttribLocation(program, 0, "aPos");
        gl.linkProgram(program);
        if (!gl.getProgramParameter(program, gl.LINK_STATUS) && !gl.isContextLost()) {
            throw new Error(gl.getProgramInfoLog(program));
        }
        const uniforms = {};
        const count = gl.getProgramParameter(program, gl.ACTIVE_UNIFORMS) || 0;
        for (let i = 0; i < count; i++) {
            const info = gl.getActiveUniform(program, i);
            uniforms[info.name.replace(/\[0\]$/, "")] = { location: gl.getUniformLocation(program, info.name), type: info.type };
        }
        return { program, uniforms };
    }

    createResources() {
        const gl = this.gl;
        this.halfFloat = !!gl.getExtension("EXT_color_buffer_float");
        this.limit = Math.min(gl.getParameter(gl.MAX_TEXTURE_SIZE) || 4096, MAX_SIDE);
        this.vertex = this.compile(gl.VERTEX_SHADER, VERT_SRC);
        this.programs = {};
        for (const [name, source] of Object.entries(PROGRAMS)) this.programs[name] = this.link(source());
        // The ring's and the clip's anti-alias width is baked from the orb's size, as on the page.
        this.sized = new Map();
        this.quad = gl.createVertexArray();
        gl.bindVertexArray(this.quad);
        gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
        gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([-1, -1, 1, -1, -1, 1, 1, 1]), gl.STATIC_DRAW);
        gl.enableVertexAttribArray(0);
        gl.vertexAttribPointer(0, 2, gl.FLOAT, false, 0, 0);
        this.blobTexture = this.createTexture();
        this.targets = null;
    }

    sizedPrograms(orbSize) {
        const key = String(orbSize);
        let found = this.sized.get(key);
        if (!found) {
            const size = Number.isInteger(orbSize) ? orbSize.toFixed(1) : String(orbSize);
            found = {
                ring: this.link(FRAG_RING.replace(ANTI_ALIAS_MARKER, "float aa = 2.0 / (uScale * float(" + size + ")); // anti-alias width")),
                clip: this.link(FRAG_CLIP.replace(ANTI_ALIAS_MARKER, "float aa = 1.5 / (uScale * float(" + size + "));")),
            };
            if (this.sized.size > 16) this.sized.clear();
            this.sized.set(key, found);
        }
        return found;
    }

    createTexture() {
        const gl = this.gl;
        const texture = gl.createTexture();
        gl.bindTexture(gl.TEXTURE_2D, texture);
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.LINEAR);
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.LINEAR);
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_S, gl.CLAMP_TO_EDGE);
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_T, gl.CLAMP_TO_EDGE);
        return texture;
    }

    createTarget(size) {
        const gl = this.gl;
        const texture = this.createTexture();
        if (this.halfFloat) gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA16F, size, size, 0, gl.RGBA, gl.HALF_FLOAT, null);
        else gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA8, size, size, 0, gl.RGBA, gl.UNSIGNED_BYTE, null);
        const framebuffer = gl.createFramebuffer();
        gl.bindFramebuffer(gl.FRAMEBUFFER, framebuffer);
        gl.framebufferTexture2D(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, texture, 0);
        return { texture, framebuffer };
    }

    // The four working targets of `size`; those of the last three sizes are kept, so orbs of one
    // size (the usual case) and a fade between two sizes share them without reallocation.
    targetsFor(size) {
        const cache = this.targets || (this.targets = new Map());
        let found = cache.get(size);
        if (found) {
            cache.delete(size); // most recently used last
            cache.set(size, found);
            return found;
        }
        if (cache.size >= 3) {
            const [oldest, targets] = cache.entries().next().value;
            for (const t of targets.list) {
                this.gl.deleteTexture(t.texture);
                this.gl.deleteFramebuffer(t.framebuffer);
            }
            cache.delete(oldest);
        }
        const list = [0, 1, 2, 3].map(() => this.createTarget(size));
        found = { list, accum: [list[0], list[1]], tempA: list[2], tempB: list[3] };
        cache.set(size, found);
        return found;
    }

    bindTarget(target) {
        const gl = this.gl;
        const { total, pad, px } = this.geo;
        gl.bindFramebuffer(gl.FRAMEBUFFER, target ? target.framebuffer : null);
        gl.viewport(0, 0, total, total);
        if (this.orbOnly) {
            // Drawing is limited to the orb's square plus the widest blur reach (64 taps and one
            // for filtering): everything outside it is cut away by the clip.
            const margin = 65;
            const start = Math.max(0, pad - margin);
            const side = Math.min(total, pad + px + margin) - start;
            gl.enable(gl.SCISSOR_TEST);
            gl.scissor(start, start, side, side);
        } else {
            gl.disable(gl.SCISSOR_TEST);
        }
    }

    draw(program, target, values) {
        const gl = this.gl;
        const { uniforms } = program;
        this.bindTarget(target);
        gl.useProgram(program.program);
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
        gl.bindVertexArray(this.quad);
        gl.clearColor(0, 0, 0, 0);
        gl.clear(gl.COLOR_BUFFER_BIT);
        gl.drawArrays(gl.TRIANGLE_STRIP, 0, 4);
    }

    clear(target) {
        this.bindTarget(target);
        this.gl.clearColor(0, 0, 0, 0);
        this.gl.clear(this.gl.COLOR_BUFFER_BIT);
    }

    placement() {
        return { uOffset: this.geo.pad / this.geo.total, uScale: this.geo.px / this.geo.total };
    }

    blur(target, sigma) {
        if (!(sigma >= 0.5)) return;
        const common = { uSigma: sigma * this.geo.dpr, uResolution: [this.geo.total, this.geo.total] };
        this.draw(this.programs.blur, this.t.tempB, Object.assign({ uSrc: target, uDir: [1, 0] }, common));
        this.draw(this.programs.blur, target, Object.assign({ uSrc: this.t.tempB, uDir: [0, 1] }, common));
    }

    composite(source, mode) {
        const next = 1 - this.current;
        this.draw(this.programs.composite, this.t.accum[next], { uSrc: source, uDst: this.t.accum[this.current], uBlend: mode });
        this.current = next;
    }

    crescent(rgb, alpha, speed, direction, time) {
        const angle = (time * speed * direction) % 360;
        this.draw(this.programs.crescent, this.t.tempA, Object.assign({
            uColor: [rgb[0], rgb[1], rgb[2], alpha],
            uAngle: -angle * Math.PI / 180,
            uBlurRadius: 0.16,
        }, this.placement()));
    }

    blobOutline(t, even, time) {
        const cfg = this.cfg;
        const PX = this.geo.px;
        const ctx = this.blobCtx;
        const L = 60 / cfg.speed * (1.5 + t);
        const phase = ((time % L) / L) * 2 * Math.PI;
        const cx = PX / 2;
        const cy = PX / 2 + PX * cfg.blobSpread * (even ? 1 : -1) * (0.5 + 0.5 * t);
        const radius = Math.min(PX, PX * cfg.blobScale * (1 - 0.2 * t) * 1.5) * 0.45;
        const N = Math.min(Math.max(cfg.complexity, 0), MAX_POINTS);
        const A = cfg.amplitude;
        ctx.clearRect(0, 0, PX, PX);
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
        ctx.beginPath();
        ctx.moveTo(points[0][0], points[0][1]);
        for (let k = 0; k < N; k++) {
            const p = points[k];
            const q = points[(k + 1) % N];
            const a0 = Math.atan2(p[1] - cy, p[0] - cx) + Math.PI / 2;
            const a1 = Math.atan2(q[1] - cy, q[0] - cx) - Math.PI / 2;
            ctx.bezierCurveTo(p[0] + handle * Math.cos(a0), p[1] + handle * Math.sin(a0),
                              q[0] + handle * Math.cos(a1), q[1] + handle * Math.sin(a1), q[0], q[1]);
        }
        ctx.closePath();
        ctx.fillStyle = "#fff";
        ctx.fill();
    }

    blob(i, time, intensity) {
        const gl = this.gl;
        const cfg = this.cfg;
        const t = i / Math.max(cfg.blobCount, 1);
        const even = i % 2 === 0;
        const source = cfg.coloredBlobs && cfg.bgColors.length > 0 ? cfg.bgColors[i % cfg.bgColors.length] : cfg.glowColor;
        const alpha = unitAlpha(source[3] * cfg.blobOpacity * intensity);
        this.crescent(source, alpha, cfg.speed * (0.6 + 1.2 * t), even ? 1 : -1, time);
        this.blobOutline(t, even, time);
        gl.bindTexture(gl.TEXTURE_2D, this.blobTexture);
        gl.pixelStorei(gl.UNPACK_PREMULTIPLY_ALPHA_WEBGL, false);
        gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA8, gl.RGBA, gl.UNSIGNED_BYTE, this.blobCtx.canvas);
        const place = this.placement();
        const copy = this.programs.copy;
        this.draw(copy, this.t.tempB, { uSrc: this.t.tempA, uMask: this.blobTexture, uUseMask: 1, uMaskOffset: place.uOffset, uMaskScale: place.uScale, uUnpremultiply: 0 });
        this.draw(copy, this.t.tempA, { uSrc: this.t.tempB, uUseMask: 0, uUnpremultiply: 0 });
        this.blur(this.t.tempA, cfg.blobBlur * this.geo.scale);
        this.composite(this.t.tempA, cfg.blobBlendModeGL);
    }

    ring(program, opacity, lineWidth, blur, padding) {
        const g = this.cfg.glowColor;
        this.draw(program, this.t.tempA, Object.assign({
            uColor: [g[0], g[1], g[2], unitAlpha(g[3] * opacity)],
            uLineWidth: lineWidth * this.geo.dpr / this.geo.px,
            uPadding: padding / (this.cfg.orbSize * this.geo.scale),
        }, this.placement()));
        this.blur(this.t.tempA, blur);
    }

    glowPair(glows, mode, time, intensity) {
        const cfg = this.cfg;
        for (const [opacity, speedFactor, direction, blurFactor] of glows) {
            this.crescent(cfg.glowColor, unitAlpha(cfg.glowColor[3] * opacity * intensity), cfg.speed * speedFactor, direction, time);
            this.blur(this.t.tempA, this.geo.px / this.geo.dpr * blurFactor * cfg.glowSoftness);
            this.composite(this.t.tempA, mode);
        }
    }

    // Draws one orb at `time` seconds into the bottom-left geo.total square of this renderer's
    // canvas (straight alpha), the generated page's layer stack step for step. `glow` scales the
    // glow intensity (the answer to sound). Returns false when nothing could be drawn.
    render(cfg, geo, time, glow) {
        if (!this.usable) return false;
        const gl = this.gl;
        if (this.canvas.width < geo.total || this.canvas.height < geo.total) {
            this.canvas.width = Math.max(this.canvas.width, geo.total);
            this.canvas.height = Math.max(this.canvas.height, geo.total);
        }
        const blobCanvas = this.blobCtx.canvas;
        if (blobCanvas.width !== geo.px || blobCanvas.height !== geo.px) blobCanvas.width = blobCanvas.height = geo.px;
        this.cfg = cfg;
        this.geo = geo;
        this.t = this.targetsFor(geo.total);
        const sized = this.sizedPrograms(cfg.orbSize);
        const G = cfg.glowIntensity * glow;
        const S = cfg.glowSoftness;
        const scale = geo.scale;
        this.orbOnly = true;
        this.clear(this.t.accum[0]);
        this.clear(this.t.accum[1]);
        this.current = 0;
        if (cfg.showBackground) {
            this.draw(this.programs.gradient, this.t.tempA, Object.assign({
                uType: cfg.gradientType,
                uAngle: cfg.gradientAngle * Math.PI / 180,
                uRadialEnd: 300 / cfg.orbSize,
            }, colorUniforms(cfg.bgColors), this.placement()));
            if (cfg.backgroundBlur > 0.5) this.blur(this.t.tempA, cfg.backgroundBlur * scale);
            this.composite(this.t.tempA, 0);
        }
        if (cfg.showGlowEffects) this.glowPair(OUTER_GLOWS, 1, time, G);
        if (cfg.showWavyBlobs) {
            const count = Math.min(cfg.blobCount, MAX_BLOBS);
            for (let i = 0; i < count; i++) this.blob(i, time, G);
        }
        if (cfg.showGlowEffects) this.glowPair(INNER_GLOWS, 2, time, G);
        if (cfg.showGlowEffects && cfg.innerRingWidth > 0) {
            this.ring(sized.ring, 0.3 * G, cfg.innerRingWidth * scale, 3 * S * scale, 0);
            this.composite(this.t.tempA, 2);
            this.ring(sized.ring, 0.15 * G, cfg.innerRingWidth * 0.4 * scale, S * scale, 2 * scale);
            this.composite(this.t.tempA, 2);
        }
        this.orbOnly = false;
        const corner = cfg.cornerRadius >= 1 ? 1 : Math.min(Math.max(cfg.cornerRadius * 1000 / cfg.orbSize, 0), 1);
        const next = 1 - this.current;
        this.draw(sized.clip, this.t.accum[next], Object.assign({
            uSrc: this.t.accum[this.current],
            uCornerRadius: corner,
            uEdgeSoftness: cfg.edgeSoftness,
        }, this.placement()));
        this.current = next;
        if (cfg.showShadow) {
            const s = geo.px * 0.08 * cfg.shadowRadius;
            this.draw(this.programs.shadow, this.t.tempA, Object.assign({
                uRadius1: s * 0.75 / geo.total,
                uRadius2: s * 3 / geo.total,
                uOpacity1: 0.5,
                uOpacity2: 0.3,
                uYOffset1: -s * 0.5 / geo.total,
                uYOffset2: -s * 0.75 / geo.total,
                uOrbRadius: (geo.px * 0.5) / geo.total,
                uCenter: [0.5, 0.5],
            }, colorUniforms(cfg.bgColors)));
            this.draw(this.programs.copy, this.t.tempB, { uSrc: this.t.accum[this.current], uUseMask: 0, uUnpremultiply: 0 });
            this.clear(this.t.accum[0]);
            this.clear(this.t.accum[1]);
            this.current = 0;
            this.composite(this.t.tempA, 0);
            this.composite(this.t.tempB, 0);
        }
        this.draw(this.programs.copy, null, { uSrc: this.t.accum[this.current], uUseMask: 0, uUnpremultiply: 1 });
        return !gl.isContextLost();
    }

    release() {
        const lose = this.gl && this.gl.getExtension("WEBGL_lose_context");
        if (lose) lose.loseContext();
        this.gl = null;
    }
}

// ── Frames for every orb on the page ──
// One animation-frame loop draws every orb that is seen and moving; it stops when none is.

const hub = {
    orbs: new Set(),
    renderer: null,
    noWebGL: false,
    pending: 0,
    framesDrawn: 0,
    reducedQuery: null,
    listening: false,
    posters: new Map(),
};

function reducedMotion() {
    if (!hub.reducedQuery && typeof window.matchMedia === "function") {
        hub.reducedQuery = window.matchMedia("(prefers-reduced-motion: reduce)");
        hub.reducedQuery.addEventListener("change", () => {
            for (const orb of hub.orbs) orb.invalidate();
        });
    }
    return !!(hub.reducedQuery && hub.reducedQuery.matches);
}

function watchPage() {
    if (hub.listening) return;
    hub.listening = true;
    document.addEventListener("visibilitychange", wake);
}

function sharedRenderer() {
    if (!hub.renderer && !hub.noWebGL) {
        try {
            const renderer = new Renderer(() => {}, () => {
                for (const orb of hub.orbs) orb.invalidate();
            });
            if (renderer.gl) hub.renderer = renderer;
            else hub.noWebGL = true;
        } catch (error) {
            hub.noWebGL = true;
            console.warn("<lumara-orb>: WebGL 2 failed, showing still posters instead:", error);
        }
    }
    return hub.renderer;
}

function wake() {
    if (hub.pending || document.hidden) return;
    for (const orb of hub.orbs) {
        if (orb.wantsFrame()) {
            hub.pending = requestAnimationFrame(tick);
            return;
        }
    }
}

// Times come from performance.now(), as those of state changes do (a frame's own time stamp can
// run on another clock, as under a headless browser's virtual time).
function tick() {
    hub.pending = 0;
    const now = performance.now() / 1000;
    for (const orb of Array.from(hub.orbs)) {
        if (orb.wantsFrame()) orb.frame(now);
    }
    wake();
}

function releaseWhenUnused() {
    setTimeout(() => {
        if (hub.orbs.size > 0 || !hub.renderer) return;
        hub.renderer.release();
        hub.renderer = null;
    }, 0);
}

function posterImage(index) {
    let image = hub.posters.get(index);
    if (!image) {
        image = new Image();
        image.decoding = "async";
        image.src = new URL("./posters/" + index + ".png", import.meta.url).href;
        const settled = () => {
            for (const orb of hub.orbs) orb.invalidate();
        };
        image.addEventListener("load", settled, { once: true });
        image.addEventListener("error", settled, { once: true });
        hub.posters.set(index, image);
    }
    return image;
}

// Loaded, or failed for good (then nothing is drawn for it).
function posterSettled(index) {
    return posterImage(index).complete;
}

/** Live orbs, WebGL contexts held by this module (0 or 1) and frames drawn since it loaded. */
export function orbStats() {
    return { orbs: hub.orbs.size, contexts: hub.renderer && hub.renderer.gl ? 1 : 0, framesDrawn: hub.framesDrawn };
}

// ── One orb ──

function numberOr(value, fallback) {
    const n = typeof value === "string" && value.trim() !== "" ? Number(value) : value;
    return typeof n === "number" && Number.isFinite(n) ? n : fallback;
}

function clampUnit(value) {
    return Math.min(Math.max(value, 0), 1);
}

const EventTargetBase = typeof EventTarget !== "undefined" ? EventTarget : class {};

class Orb extends EventTargetBase {
    // `host`: the <lumara-orb> element the canvas fills with room for the shadow around it, or
    // null for a canvas of the caller's that the orb is fitted into.
    constructor(canvas, options, host) {
        super();
        if (!HAS_DOM || !canvas || typeof canvas.getContext !== "function") {
            throw new TypeError("createOrb() needs a <canvas> element in a browser");
        }
        const opts = options || {};
        this.canvas = canvas;
        this.host = host;
        this.events = host || this;
        this.ctx = canvas.getContext("2d");
        if (!this.ctx) throw new TypeError("createOrb() needs a canvas without a context of another kind");
        this.d = opts.design === undefined ? OWN_READ : readDesign(opts.design);
        this.index = this.d.selected;
        this.warned = new Set();
        this._level = 0;
        this._reactivity = 1;
        this._paused = false;
        this._playing = false;
        this._transition = null;
        this._maxDpr = 2;
        this.measured = 0;
        this.smoothed = 0;
        this.clock = 0;
        this.lastNow = null;
        this.nextStep = null;
        this.visible = false;
        this.dirty = true;
        this.laidOut = null;
        this.framesDrawn = 0;
        this.announced = false;
        this.audio = null;
        this.layers = [{ index: this.index, from: 1, to: 1, start: 0, duration: 0 }];
        for (const key of ["level", "reactivity", "paused", "playing", "transition", "maxDpr"]) {
            if (opts[key] !== undefined) this[key] = opts[key];
        }
        if (opts.state !== undefined) this.jump(opts.state);
        if (!host) this.sizeUnsizedCanvas();

        const box = host || canvas;
        this.resizeObserver = new ResizeObserver(() => {
            this.laidOut = null;
            this.invalidate();
        });
        this.resizeObserver.observe(box);
        this.intersectionObserver = new IntersectionObserver((entries) => {
            this.visible = entries[entries.length - 1].isIntersecting;
            wake();
        }, { threshold: 0 });
        this.intersectionObserver.observe(box);
        watchPage();
        hub.orbs.add(this);
    }

    // ── Properties ──
    get state() { return this.d.states[this.index].name; }
    set state(value) { this.select(value, true); }
    get stateIndex() { return this.index; }
    get level() { return this.audio ? this.measured : this._level; }
    set level(value) {
        const n = numberOr(value, NaN);
        if (Number.isFinite(n)) this._level = clampUnit(n);
        wake();
    }
    get reactivity() { return this._reactivity; }
    set reactivity(value) {
        const n = numberOr(value, NaN);
        if (Number.isFinite(n)) this._reactivity = clampUnit(n);
    }
    get paused() { return this._paused; }
    set paused(value) {
        this._paused = !!value;
        this.lastNow = null;
        this.invalidate();
    }
    get playing() { return this._playing; }
    set playing(value) {
        this._playing = !!value;
        this.nextStep = null;
        wake();
    }
    get transition() { return this._transition; }
    set transition(value) {
        if (value === null || value === undefined || value === "") this._transition = null;
        else {
            const n = numberOr(value, NaN);
            if (Number.isFinite(n)) this._transition = n;
        }
    }
    get maxDpr() { return this._maxDpr; }
    set maxDpr(value) {
        const n = numberOr(value, NaN);
        if (Number.isFinite(n) && n > 0) this._maxDpr = Math.min(n, 8);
        this.laidOut = null;
        this.invalidate();
    }
    get design() { return this.d.record; }
    set design(record) {
        const read = readDesign(record);
        const name = this.state;
        const kept = read.states.findIndex((s) => s.name === name);
        this.d = read;
        this.index = kept >= 0 ? kept : read.selected;
        this.layers = [{ index: this.index, from: 1, to: 1, start: 0, duration: 0 }];
        this.nextStep = null;
        this.laidOut = null;
        if (!this.host) this.sizeUnsizedCanvas();
        this.invalidate();
    }

    // ── States ──

    // The index a name or an index stands for, or -1 (warned once per unknown value).
    lookup(value) {
        const states = this.d.states;
        let index = -1;
        if (typeof value === "number") index = Number.isInteger(value) && value >= 0 && value < states.length ? value : -1;
        else if (typeof value === "string") {
            index = states.findIndex((s) => s.name === value);
            if (index < 0 && /^[0-9]+$/.test(value) && Number(value) < states.length) index = Number(value);
        }
        if (index < 0) {
            const key = typeof value + ":" + String(value);
            if (!this.warned.has(key)) {
                this.warned.add(key);
                console.warn("<lumara-orb>: no state " + JSON.stringify(String(value)) + "; keeping " + JSON.stringify(this.state));
            }
        }
        return index;
    }

    jump(value) {
        const index = this.lookup(value);
        if (index < 0) return;
        this.index = index;
        this.layers = [{ index, from: 1, to: 1, start: 0, duration: 0 }];
    }

    select(value, restartLoop) {
        const index = this.lookup(value);
        if (index >= 0) this.go(index, performance.now() / 1000);
        if (restartLoop) this.nextStep = null;
    }

    opacity(layer, now) {
        if (!(layer.duration > 0)) return layer.to;
        return layer.from + (layer.to - layer.from) * easeInOut((now - layer.start) / layer.duration);
    }

    // Cross-fades to `index`: every orb shown fades from where it is now, the new one in, the rest
    // out, over the transition, with the playback's ease-in-out. Instant before the first frame
    // (there is nothing to fade from), while paused and under reduced motion.
    go(index, now) {
        if (index === this.index) return;
        const previousIndex = this.index;
        const instant = this.framesDrawn === 0 || this._paused || reducedMotion();
        const duration = instant ? 0 : fadeSeconds(this.transitionSeconds());
        const layers = [];
        for (const layer of this.layers) {
            const shown = this.opacity(layer, now);
            if (shown > 0 || layer.index === index) layers.push({ index: layer.index, from: shown, to: 0, start: now, duration });
        }
        let incoming = layers.find((l) => l.index === index);
        if (!incoming) layers.push(incoming = { index, from: 0, to: 0, start: now, duration });
        incoming.to = 1;
        layers.sort((a, b) => a.index - b.index);
        this.layers = layers;
        this.index = index;
        this.invalidate();
        this.events.dispatchEvent(new CustomEvent("statechange", {
            detail: { state: this.state, index, previous: this.d.states[previousIndex].name, previousIndex },
        }));
    }

    transitionSeconds() {
        return this._transition === null ? this.d.transition : this._transition;
    }

    // ── Sound ──

    async listen(stream) {
        this.stopListening();
        if (!stream || typeof stream.getAudioTracks !== "function" || stream.getAudioTracks().length === 0) {
            throw new TypeError("listen() needs a MediaStream with an audio track");
        }
        const AudioContextClass = window.AudioContext || window.webkitAudioContext;
        if (!AudioContextClass) throw new Error("this browser has no Web Audio");
        const context = new AudioContextClass();
        const source = context.createMediaStreamSource(stream);
        const analyser = context.createAnalyser();
        analyser.fftSize = 1024;
        source.connect(analyser);
        this.audio = { context, source, analyser, samples: new Float32Array(analyser.fftSize) };
        if (context.state === "suspended") await context.resume().catch(() => {});
        wake();
    }

    stopListening() {
        if (!this.audio) return;
        const { context, source } = this.audio;
        this.audio = null;
        this.measured = 0;
        source.disconnect();
        context.close().catch(() => {});
    }

    // The stream's loudness now: its RMS in dB below full scale, QUIET_DB ... LOUD_DB onto 0 ... 1.
    measure() {
        const { analyser, samples } = this.audio;
        analyser.getFloatTimeDomainData(samples);
        let sum = 0;
        for (let i = 0; i < samples.length; i++) sum += samples[i] * samples[i];
        const rms = Math.sqrt(sum / samples.length);
        const db = rms > 0 ? 20 * Math.log10(rms) : -Infinity;
        this.measured = clampUnit((db - QUIET_DB) / (LOUD_DB - QUIET_DB));
        return this.measured;
    }

    // ── Frames ──

    invalidate() {
        this.dirty = true;
        wake();
    }

    wantsFrame() {
        if (!this.visible || document.hidden || !this.canvas.isConnected) return false;
        if (hub.renderer && !hub.renderer.usable) return false;
        // Posters are still pictures: drawn again only for a change, a fade or the loop.
        if (hub.noWebGL) return this.dirty || this._playing || this.fading(performance.now() / 1000);
        return this.dirty || !(this._paused || reducedMotion());
    }

    fading(now) {
        return this.layers.some((layer) => layer.duration > 0 && now < layer.start + layer.duration);
    }

    frame(now) {
        const dt = this.lastNow === null ? 0 : Math.min(Math.max(now - this.lastNow, 0), 0.1);
        this.lastNow = now;
        const still = this._paused || reducedMotion();
        const input = this.audio ? this.measure() : this._level;
        if (dt > 0) {
            const tau = input > this.smoothed ? ATTACK_SECONDS : RELEASE_SECONDS;
            this.smoothed += (input - this.smoothed) * (1 - Math.exp(-dt / tau));
        }
        const response = reducedMotion() ? 0 : this.smoothed * this._reactivity;
        if (!still) this.clock += dt * (1 + MOTION_BOOST * response);
        if (this._playing && !still && this.d.states.length > 1) {
            const interval = fadeSeconds(this.transitionSeconds()) + PLAYBACK_REST;
            if (this.nextStep === null) this.nextStep = now + interval;
            else if (now >= this.nextStep) {
                this.nextStep = now + interval;
                this.go((this.index + 1) % this.d.states.length, now);
            }
        }
        if (still) {
            for (const layer of this.layers) layer.duration = 0;
        }
        this.layers = this.layers.filter((l) => this.opacity(l, now) > 0 || l.to > 0);
        this.dirty = false;
        this.draw(now, reducedMotion() ? 0 : this.clock, response);
    }

    // Lays the orb out in its canvas for the present box and pixel ratio (once per change).
    layout() {
        const dpr = Math.min(window.devicePixelRatio || 1, this._maxDpr);
        const box = (this.host || this.canvas).getBoundingClientRect();
        if (this.laidOut && this.laidOut.dpr === dpr && this.laidOut.w === box.width && this.laidOut.h === box.height) return this.laidOut;
        const { reference, reach } = this.d;
        let diameter, margin = 0;
        if (this.host) {
            diameter = Math.max(1, Math.min(box.width, box.height));
            margin = Math.max(0, Math.ceil(reach * diameter - diameter / 2));
            const style = this.canvas.style;
            style.left = style.top = -margin + "px";
            style.width = box.width + 2 * margin + "px";
            style.height = box.height + 2 * margin + "px";
        } else {
            diameter = Math.max(1, Math.min(box.width, box.height) / (2 * reach));
        }
        const width = Math.max(1, Math.min(Math.round((box.width + 2 * margin) * dpr), MAX_SIDE));
        const height = Math.max(1, Math.min(Math.round((box.height + 2 * margin) * dpr), MAX_SIDE));
        if (this.canvas.width !== width) this.canvas.width = width;
        if (this.canvas.height !== height) this.canvas.height = height;
        this.laidOut = { dpr, w: box.width, h: box.height, width, height, scale: diameter / reference, geos: new Map() };
        return this.laidOut;
    }

    geometry(index) {
        const laid = this.laidOut;
        let geo = laid.geos.get(index);
        if (!geo) {
            const cfg = this.d.states[index].cfg;
            const limit = hub.renderer ? hub.renderer.limit : MAX_SIDE;
            geo = orbGeometry(cfg, cfg.orbSize * laid.scale, laid.dpr, limit);
            laid.geos.set(index, geo);
        }
        return geo;
    }

    draw(now, time, response) {
        const renderer = sharedRenderer();
        if (renderer && !renderer.usable) return; // the last frame stays until the context is back
        const shown = this.layers.filter((layer) => this.opacity(layer, now) > 0);
        // Without WebGL 2: the posters of the states, when the design is the package's own. The last
        // frame stays until every poster it needs has loaded (each load asks for a frame).
        const posters = !renderer && POSTERS && this.d.record === OWN_DESIGN;
        if (posters && !shown.every((layer) => posterSettled(layer.index))) return;
        const laid = this.layout();
        const ctx = this.ctx;
        ctx.setTransform(1, 0, 0, 1, 0, 0);
        ctx.globalAlpha = 1;
        ctx.clearRect(0, 0, laid.width, laid.height);
        const swell = 1 + SWELL * response;
        let drawn = true;
        for (const layer of shown) {
            const alpha = this.opacity(layer, now);
            const geo = this.geometry(layer.index);
            let source, sx, sy, side;
            if (renderer) {
                if (!renderer.render(this.d.states[layer.index].cfg, geo, time, 1 + GLOW_BOOST * response)) {
                    drawn = false;
                    break;
                }
                source = renderer.canvas;
                sx = 0;
                sy = renderer.canvas.height - geo.total;
                side = geo.total;
            } else {
                source = posters && posterImage(layer.index);
                if (!source || !source.naturalWidth) continue;
                sx = sy = 0;
                side = source.naturalWidth;
            }
            const size = geo.total * swell;
            const x = response > 0 ? (laid.width - size) / 2 : Math.round((laid.width - geo.total) / 2);
            const y = response > 0 ? (laid.height - size) / 2 : Math.round((laid.height - geo.total) / 2);
            ctx.globalAlpha = Math.min(alpha, 1);
            ctx.drawImage(source, sx, sy, side, side, x, y, size, size);
        }
        ctx.globalAlpha = 1;
        if (!drawn) return;
        this.framesDrawn++;
        hub.framesDrawn++;
        if (!this.announced) {
            this.announced = true;
            this.events.dispatchEvent(new CustomEvent("ready", { detail: { webgl: !!renderer } }));
        }
    }

    // A canvas with no size of its own in CSS would grow with every drawing buffer it is given:
    // such a canvas is given the design's own size, the orb with room for its shadow.
    sizeUnsizedCanvas() {
        const canvas = this.canvas;
        if (canvas.style.width || canvas.style.height) return;
        const before = canvas.getBoundingClientRect();
        canvas.width += 16;
        const grows = canvas.getBoundingClientRect().width !== before.width;
        canvas.width -= 16;
        if (!grows) return;
        const side = Math.round(2 * this.d.reach * this.d.reference) + "px";
        canvas.style.width = canvas.style.height = side;
    }

    destroy() {
        if (!hub.orbs.has(this)) return;
        hub.orbs.delete(this);
        this.stopListening();
        this.resizeObserver.disconnect();
        this.intersectionObserver.disconnect();
        if (hub.orbs.size === 0) releaseWhenUnused();
    }
}

/**
 * Draws the design into `canvas` (fitted into its CSS box, with room for the shadow) and returns
 * the orb's controller. Throws TypeError for a design that is not a project record.
 */
export function createOrb(canvas, options) {
    return new Orb(canvas, options, null);
}

// ── The <lumara-orb> element ──

const ElementBase = typeof HTMLElement !== "undefined" ? HTMLElement : class {};
const PROPERTIES = ["state", "level", "reactivity", "paused", "playing", "transition", "maxDpr", "design"];
const ATTRIBUTES = { "state": "state", "level": "level", "reactivity": "reactivity", "paused": "paused",
    "playing": "playing", "transition": "transition", "max-dpr": "maxDpr" };

function defaultSizeCss(read) {
    return ":host { display: inline-block; position: relative; vertical-align: middle; width: " + read.reference +
        "px; height: " + read.reference + "px; }\n:host([hidden]) { display: none; }\n" +
        "canvas { position: absolute; display: block; pointer-events: none; }\n";
}

export class LumaraOrbElement extends ElementBase {
    static get observedAttributes() {
        return Object.keys(ATTRIBUTES);
    }

    constructor() {
        super();
        this._options = {};
        this._orb = null;
        this._read = OWN_READ;
        const root = this.attachShadow({ mode: "open" });
        this._style = document.createElement("style");
        this._style.textContent = defaultSizeCss(this._read);
        this._canvas = document.createElement("canvas");
        this._canvas.setAttribute("part", "canvas");
        root.append(this._style, this._canvas);
        // Properties set before the element was defined shadow the accessors; hand them over.
        for (const key of PROPERTIES) {
            if (Object.prototype.hasOwnProperty.call(this, key)) {
                const value = this[key];
                delete this[key];
                this[key] = value;
            }
        }
    }

    connectedCallback() {
        if (this._orb) return;
        const options = Object.assign({}, this._options, { design: this._read.record });
        this._orb = new Orb(this._canvas, options, this);
        if (this._stream) this._orb.listen(this._stream).catch((error) => this.reportError(error));
    }

    disconnectedCallback() {
        if (!this._orb) return;
        this._options.state = this._orb.stateIndex;
        this._orb.destroy();
        this._orb = null;
    }

    attributeChangedCallback(name, previous, value) {
        const key = ATTRIBUTES[name];
        if (key === "paused" || key === "playing") this[key] = value !== null;
        else if (value !== null || key === "transition") this[key] = value;
    }

    reportError(error) {
        this.dispatchEvent(new CustomEvent("error", { detail: { message: String(error && error.message || error) } }));
    }

    option(key, value) {
        if (key !== "state") this._options[key] = value;
        if (this._orb) this._orb[key] = value;
        else if (key === "state") this._options.state = value;
    }

    get state() { return this._orb ? this._orb.state : this._read.states[this.stateIndex].name; }
    set state(value) { this.option("state", value); }
    get stateIndex() {
        if (this._orb) return this._orb.stateIndex;
        const wanted = this._options.state;
        const byName = this._read.states.findIndex((s) => s.name === wanted);
        if (byName >= 0) return byName;
        return Number.isInteger(Number(wanted)) && Number(wanted) >= 0 && Number(wanted) < this._read.states.length
            ? Number(wanted) : this._read.selected;
    }
    get framesDrawn() { return this._orb ? this._orb.framesDrawn : 0; }

    get design() { return this._read.record; }
    // A record that is not a project is refused with an "error" event; the orb keeps its design.
    set design(record) {
        let read;
        try {
            read = readDesign(record);
        } catch (error) {
            this.reportError(error);
            return;
        }
        this._read = read;
        this._style.textContent = defaultSizeCss(read);
        if (this._orb) this._orb.design = record;
    }

    listen(stream) {
        this._stream = stream;
        if (!this._orb) return Promise.resolve();
        return this._orb.listen(stream);
    }

    stopListening() {
        this._stream = null;
        if (this._orb) this._orb.stopListening();
    }
}

// The element's settings, each read from its orb while connected and kept for the next one
// while not, with the defaults an orb starts with.
const SETTINGS = {
    level: (v) => clampUnit(numberOr(v, 0)),
    reactivity: (v) => clampUnit(numberOr(v, 1)),
    paused: (v) => !!v,
    playing: (v) => !!v,
    transition: (v) => numberOr(v, null),
    maxDpr: (v) => numberOr(v, 2),
};
for (const [key, kept] of Object.entries(SETTINGS)) {
    Object.defineProperty(LumaraOrbElement.prototype, key, {
        configurable: true,
        get() { return this._orb ? this._orb[key] : kept(this._options[key]); },
        set(value) { this.option(key, value); },
    });
}

if (typeof customElements !== "undefined" && !customElements.get("lumara-orb")) {
    customElements.define("lumara-orb", LumaraOrbElement);
}

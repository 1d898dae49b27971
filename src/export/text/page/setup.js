const stage = document.getElementById("orb-stage");
const canvas = document.getElementById("gl");
const blobCanvas = document.getElementById("blob");
const gl = canvas.getContext("webgl2", { alpha: true, premultipliedAlpha: false, antialias: false });
if (!gl) {
    const notice = document.createElement("div");
    notice.textContent = "WebGL 2 required";
    notice.style.cssText = "color:#888;font:14px sans-serif";
    canvas.replaceWith(notice);
    throw new Error("no webgl2");
}
// Read back every frame into a texture, so kept in main memory.
const blobCtx = blobCanvas.getContext("2d", { willReadFrequently: true });

// Bounds that keep a hand-edited configuration from stalling the page: at most this many
// blob layers, outline points per blob and shadow-radius factor for the padding.
const MAX_BLOBS = 100;
const MAX_POINTS = 2048;
const MAX_SHADOW_PAD_FACTOR = 8;

let dpr = 1;        // device pixels per CSS pixel
let scale = 1;      // CSS pixels per configuration point
let PX = 1;         // orb diameter in device pixels
let SHADOW_PAD = 0; // room for the drop shadow on each side, device pixels
let TOTAL = 1;      // side of the square drawing buffer

function shadowPadFactor() {
    if (!CFG.showShadow) return 0;
    const r = Number.isFinite(CFG.shadowRadius) ? CFG.shadowRadius : 0;
    return 0.36 * Math.min(Math.max(r, 0), MAX_SHADOW_PAD_FACTOR);
}

function computeSize() {
    dpr = window.devicePixelRatio || 1;
    const padFactor = shadowPadFactor();
    const rect = stage.getBoundingClientRect();
    const fit = Math.max(1, Math.min(rect.width, rect.height));
    const orbCss = fit / (1 + 2 * padFactor);
    scale = orbCss / CFG.orbSize;
    PX = Math.max(1, Math.round(orbCss * dpr));
    SHADOW_PAD = Math.round(PX * padFactor);
    TOTAL = PX + 2 * SHADOW_PAD;
    const limit = gl.getParameter(gl.MAX_TEXTURE_SIZE) || 4096;
    if (TOTAL > limit) {
        PX = Math.max(1, Math.floor(PX * limit / TOTAL));
        SHADOW_PAD = Math.floor((limit - PX) / 2);
        TOTAL = PX + 2 * SHADOW_PAD;
    }
    canvas.width = TOTAL;
    canvas.height = TOTAL;
    canvas.style.width = TOTAL / dpr + "px";
    canvas.style.height = TOTAL / dpr + "px";
    blobCanvas.width = PX;
    blobCanvas.height = PX;
}

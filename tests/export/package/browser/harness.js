// Shared by the component's browser pages: reports one JSON record to the driver and reads what
// an orb's canvas shows. Loaded as a classic script before
// the package, so that it sees every animation frame the package asks for.
"use strict";

const harness = (() => {
    // Every frame the package draws is followed by the hooks, so a page reads canvases right after
    // the orbs drew, knowing the time they drew for (performance.now() as the frame began).
    const hooks = [];
    const raf = window.requestAnimationFrame.bind(window);
    window.requestAnimationFrame = (callback) => raf((stamp) => {
        const now = performance.now();
        callback(stamp);
        for (const hook of hooks.splice(0)) hook(now);
    });
    const afterFrame = () => new Promise((resolve) => hooks.push(resolve));

    // The record goes to the driver (run_page.py); removing the orbs ends their frames.
    let finished = false;
    function finish(record) {
        if (finished) return;
        finished = true;
        document.querySelectorAll("lumara-orb").forEach((orb) => orb.remove());
        fetch("/result", { method: "POST", body: JSON.stringify(record) });
    }

    function fail(error) {
        finish({ error: String(error && error.stack || error) });
    }
    window.addEventListener("error", (event) => fail(event.message));
    window.addEventListener("unhandledrejection", (event) => fail(event.reason));

    const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

    function canvasOf(orb) {
        return orb.shadowRoot.querySelector("canvas");
    }

    // Premultiplied RGBA of the whole canvas.
    function pixels(orb) {
        const canvas = canvasOf(orb);
        const data = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
        const out = new Float64Array(data.length);
        for (let i = 0; i < data.length; i += 4) {
            const a = data[i + 3] / 255;
            out[i] = data[i] * a;
            out[i + 1] = data[i + 1] * a;
            out[i + 2] = data[i + 2] * a;
            out[i + 3] = data[i + 3];
        }
        return out;
    }

    // Mean difference per channel in 1/255 steps.
    function meanDifference(a, b) {
        if (a.length !== b.length) return Infinity;
        let sum = 0;
        for (let i = 0; i < a.length; i++) sum += Math.abs(a[i] - b[i]);
        return sum / a.length;
    }

    // `a` with opacity (1 - e) beneath `b` with opacity e, source over: how two orbs cross-fade.
    function crossFade(a, b, e) {
        const out = new Float64Array(a.length);
        for (let i = 0; i < a.length; i += 4) {
            const keep = 1 - e * b[i + 3] / 255;
            for (let c = 0; c < 4; c++) out[i + c] = e * b[i + c] + (1 - e) * a[i + c] * keep;
        }
        return out;
    }

    function coverage(orb) {
        const p = pixels(orb);
        let covered = 0;
        for (let i = 3; i < p.length; i += 4) if (p[i] > 0) covered++;
        return covered / (p.length / 4);
    }

    function easeInOut(t) {
        const x = Math.min(Math.max(t, 0), 1);
        return x < 0.5 ? 4 * x * x * x : 1 - Math.pow(-2 * x + 2, 3) / 2;
    }

    const once = (target, type) => new Promise((resolve) => target.addEventListener(type, resolve, { once: true }));

    return { finish, fail, sleep, afterFrame, canvasOf, pixels, meanDifference, crossFade, coverage, easeInOut, once };
})();

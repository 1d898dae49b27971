// Helpers of the web package's Node tests: their arguments, temporary folders, the three-state
// project, generating, packing and installing the package, and a short-lived headless Chromium.
// Each test is one Node process run by ctest as: node <test>.mjs <lumara binary> <tools/webpackage/node_modules>.
import assert from "node:assert/strict";
import { spawn, spawnSync } from "node:child_process";
import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { after } from "node:test";

export const lumara = process.argv[2];
export const modules = process.argv[3];
assert.ok(lumara && modules, "usage: node <test>.mjs <lumara binary> <tools/webpackage/node_modules>");

export const chromium = "/usr/lib/chromium/chromium";

// A fresh folder under the system's temporary folder, removed when the test file ends.
export function temporaryFolder() {
    const dir = mkdtempSync(join(tmpdir(), "lumara-package-"));
    after(() => rmSync(dir, { recursive: true, force: true }));
    return dir;
}

// Runs a program to its end (at most `timeout` seconds) and fails the test unless it exits with 0.
export function mustRun(program, args, options = {}) {
    const result = spawnSync(program, args, { encoding: "utf8", timeout: 120000, ...options });
    assert.equal(result.error, undefined, `${program} ${args.join(" ")}: ${result.error}`);
    assert.equal(result.status, 0, `${program} ${args.join(" ")} exited with ${result.status}:\n${result.stderr}${result.stdout}`);
    return result;
}

// A configuration record as the project file writes it, with the few values the states vary.
function configuration(orbSize, red, green, blue, blobCount) {
    const color = (r, g, b) => ({ red: r, green: g, blue: b, opacity: 1 });
    return {
        backgroundColors: [color(red, green, blue), color(blue, red, green)],
        glowColor: color(1, 1, 1), coloredBlobs: false, gradientType: 0, gradientAngle: 30, backgroundBlur: 0,
        orbSize, cornerRadius: 1, blobCount, complexity: 6, amplitude: 0.15, blobScale: 1, blobSpread: 0.25,
        blobOpacity: 0.75, blobBlur: 1, blobBlendMode: 0, speed: 60, glowIntensity: 1, glowSoftness: 1,
        innerRingWidth: 1, shadowRadius: 1, edgeSoftness: 0, showBackground: true, showWavyBlobs: true,
        showGlowEffects: true, showShadow: true,
    };
}

// Three states, the last named with quotes and an emoji so that the names must travel as data.
export const stateNames = ["Idle", "Listening", "Say \"hi\" \u{1F44B}"];
export const threeStateProject = {
    states: [
        { id: "6B0F3C1E-0000-4000-8000-000000000001", name: stateNames[0], config: configuration(120, 0.2, 0.4, 0.9, 2) },
        { id: "6B0F3C1E-0000-4000-8000-000000000002", name: stateNames[1], config: configuration(140, 0.1, 0.8, 0.5, 3) },
        { id: "6B0F3C1E-0000-4000-8000-000000000003", name: stateNames[2], config: configuration(160, 0.9, 0.3, 0.6, 4) },
    ],
    selectedStateIndex: 0,
    transitionDuration: 0.6,
};

// Writes the project as "Voice Orb.json" (so the package is named "voice-orb") and exports the
// package into <dir>/voice-orb. Returns the package's folder and its package.json.
export function generatePackage(dir) {
    const project = join(dir, "Voice Orb.json");
    writeFileSync(project, JSON.stringify(threeStateProject));
    const folder = join(dir, "voice-orb");
    mustRun(lumara, ["export", "package", project, "-o", folder]);
    const manifest = JSON.parse(readFileSync(join(folder, "package.json"), "utf8"));
    return { folder, manifest };
}

// `npm pack`s the package folder into `dir`; returns the tarball's path and the files it holds.
export function packPackage(folder, dir) {
    const packed = mustRun("npm", ["pack", "--json", "--pack-destination", dir], { cwd: folder });
    const [report] = JSON.parse(packed.stdout);
    return { tarball: join(dir, report.filename), files: report.files.map((f) => f.path).sort() };
}

// An empty ES-module project in <dir>/<name> with the tarball installed into it offline.
export function installIntoEmptyProject(dir, name, tarball) {
    const app = join(dir, name);
    mkdirSync(app);
    writeFileSync(join(app, "package.json"), JSON.stringify({ name, version: "1.0.0", private: true, type: "module" }, null, 2));
    mustRun("npm", ["install", "--offline", "--no-audit", "--no-fund", "--cache", join(dir, "npm-cache"), tarball], { cwd: app });
    return app;
}

// Opens `url` in headless Chromium (the page tests' quiet flags, a fresh profile) and returns its
// DOM once the virtual time budget has run out, with the browser's log.
export function runChromium(url, { budget = 10000, timeout = 60 } = {}) {
    const profile = mkdtempSync(join(tmpdir(), "lumara-chromium-"));
    const args = ["--headless", "--no-sandbox", "--disable-gpu", "--enable-unsafe-swiftshader", "--disable-quic",
        "--no-first-run", "--disable-background-networking", "--disable-component-update", "--disable-sync",
        "--force-device-scale-factor=1", "--allow-file-access-from-files", "--enable-logging=stderr", "--v=0",
        `--user-data-dir=${profile}`, `--virtual-time-budget=${budget}`, "--dump-dom", url];
    return new Promise((resolve) => {
        const child = spawn(chromium, args, { stdio: ["ignore", "pipe", "pipe"] });
        let dom = "";
        let log = "";
        child.stdout.on("data", (chunk) => { dom += chunk; });
        child.stderr.on("data", (chunk) => { log += chunk; });
        const timer = setTimeout(() => child.kill("SIGKILL"), timeout * 1000);
        child.on("close", (code) => {
            clearTimeout(timer);
            rmSync(profile, { recursive: true, force: true });
            resolve({ code, dom, log });
        });
    });
}

// The text of <pre id="`id`"> in a dumped DOM, unescaped, or null.
export function preText(dom, id) {
    const match = new RegExp(`<pre id="${id}">([\\s\\S]*?)</pre>`).exec(dom);
    if (!match) return null;
    return match[1].replace(/&lt;/g, "<").replace(/&gt;/g, ">").replace(/&quot;/g, "\"").replace(/&nbsp;/g, "\u00a0")
        .replace(/&amp;/g, "&");
}

// The generated package as npm sees it: `npm pack` holds its files, the tarball installs offline into
// an empty project, Node imports it without a window, and the React component renders on a server
// with the pinned React 19 and React 18.
import assert from "node:assert/strict";
import { mkdirSync, symlinkSync, rmSync } from "node:fs";
import { join } from "node:path";
import { test } from "node:test";

import { generatePackage, installIntoEmptyProject, modules, mustRun, packPackage, stateNames, temporaryFolder,
    threeStateProject } from "./support.mjs";

const dir = temporaryFolder();
const { folder, manifest } = generatePackage(dir);
const { tarball, files } = packPackage(folder, dir);
const app = installIntoEmptyProject(dir, "app", tarball);

// Runs an ES module script in the app's folder and returns what it printed as JSON.
function runInApp(script, nodeOptions = []) {
    const result = mustRun(process.execPath, [...nodeOptions, "--input-type=module", "-e", script], { cwd: app });
    return JSON.parse(result.stdout);
}

test("the tarball holds the package's files, and the package depends on nothing", () => {
    assert.equal(manifest.name, "voice-orb");
    assert.deepEqual(files, ["README.md", "index.d.ts", "index.js", "package.json", "posters/0.png", "posters/1.png",
        "posters/2.png", "react.d.ts", "react.js"]);
    assert.equal(manifest.dependencies, undefined);
    assert.deepEqual(manifest.peerDependencies, { react: ">=18" });
});

test("Node imports the installed package without a window", () => {
    const seen = runInApp(`
        const pkg = await import("voice-orb");
        const manifest = await import("voice-orb/package.json", { with: { type: "json" } });
        console.log(JSON.stringify({
            window: typeof window,
            exports: Object.keys(pkg).sort(),
            design: pkg.design,
            frozen: Object.isFrozen(pkg.design) && Object.isFrozen(pkg.design.states[2].config.backgroundColors[0]),
            stateNames: pkg.stateNames,
            namesFrozen: Object.isFrozen(pkg.stateNames),
            createOrb: typeof pkg.createOrb,
            stats: pkg.orbStats(),
            version: manifest.default.version,
        }));`);
    assert.equal(seen.window, "undefined");
    for (const name of ["LumaraOrbElement", "createOrb", "design", "orbStats", "stateNames"]) {
        assert.ok(seen.exports.includes(name), `index.js exports ${name}: ${seen.exports}`);
    }
    assert.deepEqual(seen.design, threeStateProject);
    assert.ok(seen.frozen, "the design is frozen all the way down");
    assert.deepEqual(seen.stateNames, stateNames);
    assert.ok(seen.namesFrozen);
    assert.equal(seen.createOrb, "function");
    assert.deepEqual(seen.stats, { orbs: 0, contexts: 0, framesDrawn: 0 });
    assert.equal(seen.version, "1.0.0");
});

// React and React DOM of one version linked into the app; --preserve-symlinks makes React DOM find
// the React beside it in the app rather than the one beside its real folder.
const reactVersions = [
    { major: 19, react: "react", reactDom: "react-dom" },
    { major: 18, react: "react-18", reactDom: "react-dom-18" },
];

test("the React component renders on a server with React 19 and React 18", async (t) => {
    for (const { major, react, reactDom } of reactVersions) {
        await t.test(`React ${major}`, () => {
            const linked = join(app, "node_modules");
            for (const [name, target] of [["react", react], ["react-dom", reactDom]]) {
                rmSync(join(linked, name), { recursive: true, force: true });
                mkdirSync(linked, { recursive: true });
                symlinkSync(join(modules, target), join(linked, name), "dir");
            }
            const seen = runInApp(`
                const { createElement, version } = await import("react");
                const { renderToString } = await import("react-dom/server");
                const { LumaraOrb } = await import("voice-orb/react");
                const html = renderToString(createElement(LumaraOrb, {
                    state: "Listening", level: 0.5, paused: true, transition: 0.3, className: "orb hero",
                    style: { width: 120, height: 120 }, id: "assistant", title: "Assistant", "aria-label": "The assistant",
                    "data-role": "voice", onStateChange() {},
                }));
                console.log(JSON.stringify({ version, html, window: typeof window }));`, ["--preserve-symlinks"]);
            assert.equal(Number.parseInt(seen.version, 10), major);
            assert.equal(seen.window, "undefined");
            const html = seen.html;
            assert.match(html, /^<lumara-orb [^>]*><\/lumara-orb>$/);
            for (const attribute of ['class="orb hero"', 'style="width:120px;height:120px"', 'id="assistant"',
                'title="Assistant"', 'aria-label="The assistant"', 'data-role="voice"', 'state="Listening"']) {
                assert.ok(html.includes(attribute), `${attribute} in ${html}`);
            }
            // The driving props are the element's properties, set in the browser only.
            assert.doesNotMatch(html, /classname|level|paused|transition|onstatechange/i);
        });
    }
});

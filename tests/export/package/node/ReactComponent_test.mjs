// LumaraOrb in a real headless Chromium with the pinned React 19 and React 18 (development builds,
// StrictMode): props become the element's properties and follow changes, onStateChange hears a
// change, the ref is the element, and unmounting releases the orb. The checks themselves run in
// the page (react/ReactChecks.js); React's CommonJS builds are loaded by react/CommonJsLoader.js
// and reach the package's `import ... from "react"` through an import map.
import assert from "node:assert/strict";
import { mkdirSync, writeFileSync } from "node:fs";
import { createRequire } from "node:module";
import { dirname, join } from "node:path";
import { test } from "node:test";
import { fileURLToPath, pathToFileURL } from "node:url";

import { generatePackage, modules, preText, runChromium, temporaryFolder } from "./support.mjs";

const here = dirname(fileURLToPath(import.meta.url));
const url = (path) => pathToFileURL(path).href;

const dir = temporaryFolder();
const { folder } = generatePackage(dir);

const versions = [
    { major: 19, packages: { react: "react", "react-dom": "react-dom", scheduler: "scheduler" } },
    { major: 18, packages: { react: "react-18", "react-dom": "react-dom-18", scheduler: "react-dom-18/node_modules/scheduler" } },
];

// A module re-exporting the React the page loaded, under every name this React exports.
function reactShim(reactFolder) {
    process.env.NODE_ENV = "development";
    const names = Object.keys(createRequire(join(reactFolder, "index.js"))(reactFolder))
        .filter((name) => /^[A-Za-z_$][\w$]*$/.test(name) && name !== "default");
    return "const React = window.React;\nexport default React;\nexport const { " + names.join(", ") + " } = React;\n";
}

function page(major, packages) {
    const folderOf = Object.fromEntries(Object.entries(packages).map(([name, path]) => [name, url(join(modules, path))]));
    const pageDir = join(dir, `react-${major}`);
    mkdirSync(pageDir);
    writeFileSync(join(pageDir, "react-shim.mjs"), reactShim(join(modules, packages.react)));
    const setup = {
        pkg: url(folder) + "/",
        packages: folderOf,
    };
    writeFileSync(join(pageDir, "page.html"), `<!doctype html>
<html><head><meta charset="utf-8">
<script type="importmap">{"imports": {"react": "./react-shim.mjs"}}</script>
<script>
window.lumaraTest = Object.assign(${JSON.stringify(setup)}, { errors: [], warnings: [] });
for (const [kind, list] of [["error", lumaraTest.errors], ["warn", lumaraTest.warnings]]) {
  const original = console[kind];
  console[kind] = (...args) => { list.push(args.map(String).join(" ")); original.apply(console, args); };
}
addEventListener("error", (event) => lumaraTest.errors.push("uncaught: " + event.message));
addEventListener("unhandledrejection", (event) => lumaraTest.errors.push("unhandled: " + event.reason));
</script>
<script src="${url(join(here, "react", "CommonJsLoader.js"))}"></script>
<script>
window.React = loadCommonJs("react", lumaraTest.packages);
window.ReactDOM = loadCommonJs("react-dom", lumaraTest.packages);
window.ReactDOMClient = loadCommonJs("react-dom/client", lumaraTest.packages);
</script>
</head><body style="margin:0"><div id="root"></div><pre id="out"></pre>
<script type="module" src="${url(join(here, "react", "ReactChecks.js"))}"></script>
</body></html>
`);
    return url(join(pageDir, "page.html"));
}

// One browser after the other: side by side on two cores they take longer than in turn.
for (const { major, packages } of versions) {
    test(`LumaraOrb with React ${major}`, async () => {
        const { dom, log } = await runChromium(page(major, packages), { budget: 600000 });
        const text = preText(dom, "out");
        assert.ok(text, `the page wrote no results; browser log:\n${log}`);
        const result = JSON.parse(text);
        assert.equal(Number.parseInt(result.react, 10), major);
        const failed = result.checks.filter((c) => !c.ok).map((c) => `${c.name}: ${c.detail}`);
        assert.deepEqual(failed, [], failed.join("\n"));
        assert.ok(result.checks.length >= 22, `only ${result.checks.length} checks ran`);
        assert.deepEqual(result.errors, [], "console errors");
        assert.deepEqual(result.warnings, [], "console warnings");
    });
}

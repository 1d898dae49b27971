// The package's types under the pinned TypeScript, resolved through its "exports" as an app that
// installed the tarball sees them: a file using every typed member compiles with --strict under
// bundler and node16 resolution, and each line of a file of misuses is rejected, no other line.
import assert from "node:assert/strict";
import { execFile } from "node:child_process";
import { copyFileSync, mkdirSync, readFileSync, symlinkSync, writeFileSync } from "node:fs";
import { dirname, join } from "node:path";
import { test } from "node:test";
import { fileURLToPath } from "node:url";

import { generatePackage, installIntoEmptyProject, modules, packPackage, temporaryFolder } from "./support.mjs";

const here = dirname(fileURLToPath(import.meta.url));
const tsc = join(modules, "typescript", "bin", "tsc");

const dir = temporaryFolder();
const { folder } = generatePackage(dir);
const { tarball } = packPackage(folder, dir);
const app = installIntoEmptyProject(dir, "app", tarball);
// React's types for react.d.ts and the JSX in the usage files.
mkdirSync(join(app, "node_modules", "@types"), { recursive: true });
symlinkSync(join(modules, "@types", "react"), join(app, "node_modules", "@types", "react"), "dir");
mkdirSync(join(app, "src"));
for (const file of ["usage.tsx", "misuse.tsx"]) copyFileSync(join(here, "types", file), join(app, "src", file));

// Type-checks files of the app with --strict and the check of declaration files on (so the
// package's own declarations must be sound too; only TypeScript's own lib files are taken as
// read). Resolves to tsc's exit status and its errors by file, as "line: message".
function typeCheck(files, module, moduleResolution) {
    const config = `tsconfig.${moduleResolution}.json`;
    writeFileSync(join(app, config), JSON.stringify({
        compilerOptions: {
            target: "es2022", lib: ["es2022", "dom", "dom.iterable"], module, moduleResolution, jsx: "react-jsx",
            types: [], skipLibCheck: false, skipDefaultLibCheck: true,
        },
        files: files.map((file) => `src/${file}`),
    }, null, 2));
    return new Promise((resolve, reject) => {
        execFile(process.execPath, [tsc, "-p", config, "--strict", "--noEmit", "--pretty", "false"],
            { cwd: app, encoding: "utf8", timeout: 120000 }, (error, stdout) => {
                if (error && typeof error.code !== "number") return reject(error);
                const errors = {};
                for (const line of stdout.split("\n")) {
                    const match = /^(.*?)\((\d+),\d+\): error (.*)$/.exec(line);
                    if (match) (errors[match[1]] ||= []).push(`${match[2]}: ${match[3]}`);
                }
                resolve({ status: error ? error.code : 0, errors, output: stdout });
            });
    });
}

// The two resolutions run side by side; the bundler one also holds the misuses.
const bundler = typeCheck(["usage.tsx", "misuse.tsx"], "esnext", "bundler");
const node16 = typeCheck(["usage.tsx"], "node16", "node16");

test("a file using every typed member compiles with --strict", async (t) => {
    for (const [name, run] of [["bundler", bundler], ["node16", node16]]) {
        await t.test(`moduleResolution ${name}`, async () => {
            const { status, errors, output } = await run;
            const elsewhere = Object.keys(errors).filter((file) => file !== "src/misuse.tsx");
            assert.deepEqual(elsewhere, [], output);
            if (name === "node16") assert.equal(status, 0, output);
        });
    }
});

test("each misuse is rejected on its own line and nothing else is", async () => {
    const source = readFileSync(join(here, "types", "misuse.tsx"), "utf8").split("\n");
    const expected = source.flatMap((line, i) => (line.includes("rejected") && !line.startsWith("//") ? [i + 1] : []));
    assert.ok(expected.length >= 20, "the misuse file marks its lines");
    const { status, errors, output } = await bundler;
    assert.notEqual(status, 0);
    const lines = new Set((errors["src/misuse.tsx"] || []).map((error) => Number.parseInt(error, 10)));
    assert.deepEqual([...lines].sort((a, b) => a - b), expected, output);
});

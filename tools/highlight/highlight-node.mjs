// Runs the pinned highlight.js in Node on a list of requests, for comparison with the editor's
// engine. Loads the library from the release exactly as published (no compatibility layer).
//   node highlight-node.mjs <release dir> <grammar,grammar,...> <requests.json> <answers.json>
// A request is {text, language} (language null = automatic detection) with optional ignoreIllegals;
// an answer is {value, language, relevance, illegal} or {error}.
import fs from "node:fs";
import path from "node:path";
import vm from "node:vm";
import {pathToFileURL} from "node:url";

const [release, grammarList, requestsPath, answersPath] = process.argv.slice(2);
const hljs = (await import(pathToFileURL(path.join(release, "es/core.min.js")).href)).default;
globalThis.hljs = hljs;
for (const grammar of grammarList.split(","))
    vm.runInThisContext(fs.readFileSync(path.join(release, "languages", grammar + ".min.js"), "utf8"));

const answers = JSON.parse(fs.readFileSync(requestsPath, "utf8")).map((request) => {
    try {
        const result = request.language === null
            ? hljs.highlightAuto(request.text)
            : hljs.highlight(request.text, {language: request.language, ignoreIllegals: !!request.ignoreIllegals});
        return {value: result.value, language: result.language === undefined ? "undefined" : result.language,
                relevance: result.relevance, illegal: !!result.illegal};
    } catch (error) {
        return {error: String(error)};
    }
});
fs.writeFileSync(answersPath, JSON.stringify(answers));

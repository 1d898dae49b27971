// Runs in headless Chromium on the React tests' page: LumaraOrb from the generated package, in
// React's StrictMode, mounted, re-rendered with changed and removed props, and unmounted. Writes
// {react, checks: [{name, ok, detail}], errors, warnings} as JSON into <pre id="out">.
const { pkg, errors, warnings } = window.lumaraTest;
const { createElement: h, createRef, StrictMode } = window.React;

const checks = [];
function check(name, ok, detail) {
    checks.push(ok ? { name, ok: true } : { name, ok: false, detail: JSON.stringify(detail) });
}
function checkEqual(name, actual, expected) {
    const ok = JSON.stringify(actual) === JSON.stringify(expected);
    checks.push(ok ? { name, ok } : { name, ok, detail: "got " + JSON.stringify(actual) + ", expected " + JSON.stringify(expected) });
}
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
async function untilFrame(condition, frames) {
    for (let n = 0; !condition() && n < frames; n++) await new Promise((resolve) => requestAnimationFrame(resolve));
    return condition();
}
async function until(condition, ms) {
    for (let waited = 0; !condition() && waited < ms; waited += 20) await sleep(20);
    return condition();
}

async function run() {
    const { LumaraOrb } = await import(pkg + "react.js");
    const { design, stateNames, orbStats } = await import(pkg + "index.js");
    const root = window.ReactDOMClient.createRoot(document.getElementById("root"));
    const render = (props) => window.ReactDOM.flushSync(() => root.render(h(StrictMode, null, h(LumaraOrb, props))));
    const events = [];
    const heard = (by) => (event) => events.push([by, event.detail]);
    const ref = createRef();
    const passedOn = { ref, id: "assistant", title: "Assistant", "aria-label": "The assistant", "data-role": "voice" };

    const first = { ...passedOn, state: stateNames[1], level: 0.25, reactivity: 0.5, paused: false, playing: false,
        transition: 0.4, maxDpr: 1, className: "orb big", style: { width: "90px", height: "90px" }, onStateChange: heard("first") };
    render(first);
    const el = document.querySelector("lumara-orb");
    const properties = () => ({ state: el.state, stateIndex: el.stateIndex, level: el.level, reactivity: el.reactivity,
        paused: el.paused, playing: el.playing, transition: el.transition, maxDpr: el.maxDpr });
    check("the ref is the element", el && ref.current === el && el instanceof customElements.get("lumara-orb"),
        String(ref.current));
    checkEqual("the props are the element's properties", properties(), { state: stateNames[1], stateIndex: 1,
        level: 0.25, reactivity: 0.5, paused: false, playing: false, transition: 0.4, maxDpr: 1 });
    checkEqual("className is the element's class and style its style",
        [el.getAttribute("class"), el.hasAttribute("classname"), el.style.width, el.style.height], ["orb big", false, "90px", "90px"]);
    checkEqual("the other props are passed on", [el.id, el.title, el.getAttribute("aria-label"), el.dataset.role],
        ["assistant", "Assistant", "The assistant", "voice"]);
    checkEqual("it starts in its state rather than changing to it", events, []);
    checkEqual("it is one live orb", orbStats().orbs, 1);
    // Animation frames come at the pace of real time while virtual time races on between them:
    // the first frame is waited for in frames, not milliseconds.
    check("it draws, through the shared WebGL context",
        await untilFrame(() => el.framesDrawn > 0 && orbStats().contexts === 1, 240), orbStats());

    render({ ...first, state: 2, level: 0.75, reactivity: 1, paused: true, transition: 0, maxDpr: 1.5, className: "orb",
        style: { width: "100px", height: "90px" }, onStateChange: heard("second") });
    checkEqual("changed props change the properties", properties(), { state: stateNames[2], stateIndex: 2, level: 0.75,
        reactivity: 1, paused: true, playing: false, transition: 0, maxDpr: 1.5 });
    checkEqual("class and style follow", [el.getAttribute("class"), el.style.width], ["orb", "100px"]);
    checkEqual("onStateChange hears the change once, in the latest handler", events,
        [["second", { state: stateNames[2], index: 2, previous: stateNames[1], previousIndex: 1 }]]);
    check("the element is kept across renders", document.querySelector("lumara-orb") === el && ref.current === el);

    // The element may change its own state (by the page, or its loop): an unchanged prop leaves it.
    events.length = 0;
    el.state = 0;
    render({ ...first, state: 2, paused: true, onStateChange: heard("third") });
    checkEqual("a state the element went to stays while the prop is unchanged", [el.stateIndex, events.map((e) => e[0])],
        [0, ["second"]]);

    render({ ...passedOn, state: 2, playing: true, onStateChange: heard("fourth") });
    const { state, stateIndex, ...rest } = properties();
    checkEqual("props taken away give back the defaults", rest,
        { level: 0, reactivity: 1, paused: false, playing: true, transition: null, maxDpr: 2 });
    checkEqual("and no class or style", [el.getAttribute("class") || "", el.getAttribute("style") || ""], ["", ""]);

    const custom = JSON.parse(JSON.stringify(design));
    custom.states = custom.states.slice(0, 2).map((s, i) => ({ ...s, name: ["Alpha", "Beta"][i] }));
    render({ ...passedOn, design: custom, state: "Beta", onStateChange: heard("fifth") });
    checkEqual("a design prop is drawn, in the state the prop names", [el.design === custom, el.state, el.stateIndex],
        [true, "Beta", 1]);
    render({ ...passedOn, state: stateNames[0], onStateChange: heard("sixth") });
    checkEqual("without it the package's own design comes back", [el.design === design, el.state], [true, stateNames[0]]);

    const heardBefore = events.length;
    window.ReactDOM.flushSync(() => root.unmount());
    check("unmounting removes the element", !document.querySelector("lumara-orb") && !el.isConnected && ref.current === null,
        { connected: el.isConnected, ref: String(ref.current) });
    checkEqual("and its orb: orbStats().orbs falls back to 0", orbStats().orbs, 0);
    check("the shared WebGL context is let go", await until(() => orbStats().contexts === 0, 1000), orbStats());
    el.dispatchEvent(new CustomEvent("statechange", { detail: {} }));
    checkEqual("no listener is left on the element", events.length, heardBefore);

    // A design of the caller's from the first render on, in a state the package's design lacks.
    const again = window.ReactDOMClient.createRoot(document.getElementById("root"));
    const mountedRef = createRef();
    window.ReactDOM.flushSync(() => again.render(h(LumaraOrb, { ref: mountedRef, design: custom, state: "Beta" })));
    const other = mountedRef.current;
    checkEqual("a design given from the start is drawn in the state the prop names",
        [other && other.design === custom, other && other.state], [true, "Beta"]);
    window.ReactDOM.flushSync(() => again.unmount());
    checkEqual("and unmounted, no orb is left", orbStats().orbs, 0);
}

let done = false;
(function keepVirtualTimeRunning() {
    if (!done) setTimeout(keepVirtualTimeRunning, 10);
})();
try {
    await run();
} catch (error) {
    check("the checks ran to their end", false, String((error && error.stack) || error));
}
document.getElementById("out").textContent = JSON.stringify({ react: window.React.version, checks, errors, warnings });
done = true;

// @PACKAGE_NAME@/react: the <lumara-orb> element as the React component LumaraOrb (React 18 and 19),
// written without JSX. On the page's main thread, as React is; on a server it renders the element
// with its first state, class, style and attributes, and the orb draws once the page runs index.js.
"use client"; // a client component where a framework renders React on the server
import { createElement, forwardRef, useEffect, useImperativeHandle, useLayoutEffect, useRef } from "react";
import { design as packageDesign } from "./index.js";

// Layout effects set the properties before the browser paints; a server has no layout and React 18
// warns about them there.
const useClientEffect = typeof document === "undefined" ? useEffect : useLayoutEffect;

// Each driving prop is written to the element's property of the same name when it changes. A prop
// that goes back to undefined restores the element's default; one never given is left alone, so
// the element keeps what the page (or its attributes) gave it.
function useProperty(element, name, value, fallback, extraDependency) {
    const given = useRef(false);
    useClientEffect(() => {
        const el = element.current;
        if (!el) return;
        if (value !== undefined) {
            el[name] = value;
            given.current = true;
        } else if (given.current) {
            given.current = false;
            if (fallback !== undefined) el[name] = fallback;
        }
    }, [value, extraDependency]);
}

export const LumaraOrb = forwardRef(function LumaraOrb(props, ref) {
    const { state, level, reactivity, paused, playing, transition, maxDpr, design, className, style, onStateChange,
        ...rest } = props;
    const element = useRef(null);
    useImperativeHandle(ref, () => element.current, []);

    // The latest handler, before the properties below can fire the event.
    const handler = useRef(onStateChange);
    useClientEffect(() => {
        handler.current = onStateChange;
    });

    // In an order that makes one render's changes agree: the design before the state it names, the
    // transition before the state change that uses it.
    useProperty(element, "design", design, packageDesign);
    useProperty(element, "transition", transition, null);
    useProperty(element, "reactivity", reactivity, 1);
    useProperty(element, "maxDpr", maxDpr, 2);
    useProperty(element, "level", level, 0);
    useProperty(element, "paused", paused, false);
    useProperty(element, "playing", playing, false);
    // A new design may not have the current state: name it again. No fallback: without the prop
    // the element keeps whatever state it reached (by the loop or by the page).
    useProperty(element, "state", state, undefined, design);

    // One listener for the element's life that calls the latest handler, so a new function on each
    // render does not re-register.
    useClientEffect(() => {
        const el = element.current;
        if (!el) return undefined;
        const listener = (event) => {
            if (handler.current) handler.current(event);
        };
        el.addEventListener("statechange", listener);
        return () => el.removeEventListener("statechange", listener);
    }, []);

    // The first state is also given to the element as it is made, before it is in the page, so it
    // starts in that state instead of fading to it from the design's own, and a server's HTML
    // carries it as the attribute. Not with a design of the caller's, which the element only gets
    // from the effects, and whose state names the package's design may not have. Later states go
    // through the effects only, after the handler is current.
    const first = useRef({ state, design }).current;
    const elementProps = { ...rest, ref: element, style };
    if (first.state !== undefined && first.design === undefined) elementProps.state = first.state;
    // As the attribute "class": React 18 would write "className" as an attribute of that name, and
    // React 19, which sets the property, writes "undefined" there once the prop is taken away.
    if (className !== undefined) elementProps.class = className;
    return createElement("lumara-orb", elementProps);
});

LumaraOrb.displayName = "LumaraOrb";

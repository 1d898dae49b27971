// Uses every member the package types: the types test compiles this with --strict and expects no
// error. Not run: it only has to type-check.
import { createRef, useRef, type ReactElement } from "react";
import {
  createOrb, design, LumaraOrbElement, orbStats, stateNames,
  type ColorRecord, type DesignRecord, type LumaraOrbElementEventMap, type OrbConfigurationRecord,
  type OrbController, type OrbErrorDetail, type OrbEventMap, type OrbOptions, type StateChangeDetail,
  type StateInput, type StateName, type StateRecord,
} from "voice-orb";
import { LumaraOrb, type LumaraOrbProps } from "voice-orb/react";

// The element, typed through the tag name map.
const found = document.querySelector("lumara-orb");
if (found) {
  const el: LumaraOrbElement = found;
  el.state = "Listening";
  el.state = 2;
  el.state = "2";
  el.state = "a state of another design";
  const current: string = el.state;
  const index: number = el.stateIndex;
  el.level = 0.5;
  el.reactivity = 0.8;
  el.paused = true;
  el.playing = false;
  el.transition = 0.4;
  el.transition = null;
  el.maxDpr = 1.5;
  el.design = design;
  const drawn: number = el.framesDrawn;
  const listening: Promise<void> = el.listen(new MediaStream());
  el.stopListening();
  el.addEventListener("statechange", (event) => {
    const detail: StateChangeDetail = event.detail;
    const values: [string, number, string, number] = [detail.state, detail.index, detail.previous, detail.previousIndex];
  });
  el.addEventListener("ready", (event) => {
    const webgl: boolean = event.detail.webgl;
  });
  el.addEventListener("error", (event) => {
    const message: string = event.detail.message;
  });
  el.addEventListener("click", (event) => {
    const x: number = event.clientX; // the events of any element keep their types
  });
  const onStateChange = (event: CustomEvent<StateChangeDetail>) => {};
  el.addEventListener("statechange", onStateChange, { once: true });
  el.removeEventListener("statechange", onStateChange);
  const generic: EventListener = () => {};
  el.addEventListener("something-else", generic);
  const attributes: string[] = LumaraOrbElement.observedAttributes;
  const asElement: HTMLElement = el;
}
const made: LumaraOrbElement = document.createElement("lumara-orb");
const eventMap: LumaraOrbElementEventMap["statechange"] = new CustomEvent<StateChangeDetail>("statechange", {
  detail: { state: "Idle", index: 0, previous: "Listening", previousIndex: 1 },
});

// createOrb with every option, and its controller.
const options: OrbOptions = {
  design, state: "Idle", level: 0, reactivity: 1, paused: false, playing: true, transition: null, maxDpr: 2,
};
const orb: OrbController = createOrb(document.createElement("canvas"), options);
createOrb(document.createElement("canvas"));
createOrb(document.createElement("canvas"), { state: 1, transition: 0.25 });
orb.state = 1;
const orbState: string = orb.state;
const orbIndex: number = orb.stateIndex;
orb.level = 1;
orb.reactivity = 0;
orb.paused = false;
orb.playing = true;
orb.transition = 2;
orb.maxDpr = 1;
orb.design = design;
const orbDesign: DesignRecord = orb.design;
const orbFrames: number = orb.framesDrawn;
void orb.listen(new MediaStream()).then(() => orb.stopListening());
orb.addEventListener("statechange", (event) => {
  const previous: number = event.detail.previousIndex;
});
orb.addEventListener("ready", (event) => {
  const webgl: boolean = event.detail.webgl;
});
const onError = (event: OrbEventMap["error"]) => {
  const detail: OrbErrorDetail = event.detail;
};
orb.addEventListener("error", onError);
orb.removeEventListener("error", onError);
const target: EventTarget = orb;
orb.destroy();

// The design as data, and this package's state names.
const first: StateRecord = design.states[0];
const id: string = first.id;
const config: OrbConfigurationRecord = first.config;
const glow: ColorRecord = config.glowColor;
const channels: number[] = [glow.red, glow.green, glow.blue, glow.opacity];
const gradient: 0 | 1 | 2 = config.gradientType;
const shadow: number | undefined = config.shadowRadius;
const selected: number = design.selectedStateIndex + design.transitionDuration;
const names: readonly StateName[] = stateNames;
const idle: StateName = "Idle";
const quoted: StateName = 'Say "hi" \u{1F44B}';
const input: StateInput[] = ["Listening", 0, "anything"];
const stats: { orbs: number; contexts: number; framesDrawn: number } = orbStats();

// The React component with every prop and a ref.
function Assistant(): ReactElement {
  const ref = useRef<LumaraOrbElement>(null);
  return (
    <LumaraOrb
      ref={ref}
      state="Listening"
      level={0.3}
      reactivity={0.8}
      paused={false}
      playing
      transition={0.5}
      maxDpr={2}
      design={design}
      className="orb"
      style={{ width: 200, height: 200 }}
      onStateChange={(event) => {
        const detail: StateChangeDetail = event.detail;
      }}
      id="assistant"
      title="Assistant"
      aria-label="The assistant"
      data-testid="orb"
    />
  );
}
const objectRef = createRef<LumaraOrbElement>();
const others = <LumaraOrb ref={objectRef} state={2} transition={null} />;
const callbackRef = <LumaraOrb ref={(element: LumaraOrbElement | null) => element?.stopListening()} />;
const props: LumaraOrbProps = { state: 0, level: 1 };

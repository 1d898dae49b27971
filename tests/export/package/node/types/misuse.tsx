// Misuses of the package's types: the types test expects tsc to reject every line marked
// "rejected" and no other line.
import { useRef } from "react";
import { createOrb, design, type StateChangeDetail, type StateName } from "voice-orb";
import { LumaraOrb } from "voice-orb/react";

const orb = document.querySelector("lumara-orb")!;
orb.level = "loud"; // rejected
orb.state = {}; // rejected
orb.transition = "slow"; // rejected
orb.paused = "no"; // rejected
orb.framesDrawn = 3; // rejected
orb.stateIndex = 1; // rejected
orb.listen("microphone"); // rejected
orb.addEventListener("statechanged", (event: CustomEvent<StateChangeDetail>) => {}); // rejected
orb.addEventListener("statechange", (event) => event.detail.volume); // rejected
orb.addEventListener("error", (event) => event.detail.lineno); // rejected
const sleeping: StateName = "Sleeping"; // rejected
createOrb(document.createElement("div")); // rejected
createOrb(document.createElement("canvas"), { state: {} }); // rejected
createOrb(document.createElement("canvas"), { loop: true }); // rejected
createOrb(document.createElement("canvas")).destroy(1); // rejected
design.states[0].config.gradientType = 7; // rejected
const level: string = document.createElement("lumara-orb").level; // rejected

function Misused() {
  const canvasRef = useRef<HTMLCanvasElement>(null);
  return (
    <div>
      <LumaraOrb level="loud" /> {/* rejected */}
      <LumaraOrb state={{}} /> {/* rejected */}
      <LumaraOrb onStateChange={(event: MouseEvent) => {}} /> {/* rejected */}
      <LumaraOrb transition="slow" /> {/* rejected */}
      <LumaraOrb loop /> {/* rejected */}
      <LumaraOrb ref={canvasRef} /> {/* rejected */}
      <LumaraOrb style="width: 10px" /> {/* rejected */}
    </div>
  );
}

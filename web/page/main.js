// The page around the viewer's canvas: starts the viewer and hands its events to the panels.
import { Viewer } from "./bridge.js";
import { enableControls, showPaused, disableControls, enableHistory, showHistory } from "./controls.js";
import { enableDownloads } from "./downloads.js";
import { Handle } from "./handle.js";
import { NodePanel } from "./node_panel.js";
import { Outline } from "./outline.js";
import { enablePicking } from "./picking.js";
import { say, problem, sayLastProblem } from "./status.js";

const canvas = document.getElementById("canvas");
const viewer = new Viewer();
const panel = new NodePanel(viewer);
const outline = new Outline(viewer, panel);
enableControls(viewer);
enablePicking(viewer, outline);
const handle = new Handle(viewer, problem);
enableDownloads(viewer, outline);
enableHistory(viewer, (refused) => refused && problem(refused));

function showModel() {
  showPaused(viewer, outline.show().paused);
  showHistory(viewer);
}

viewer
  .start(canvas, {
    started: (scripted) => {
      sayLastProblem();
      canvas.focus();
      if (!scripted) showModel();
    },
    scriptProgress: (done, total) =>
      say("Playing the address: " + done.toLocaleString("en") + " of " + total.toLocaleString("en") +
          " keys and steps…"),
    building: (depth, done, total) => {
      // Set while a key waits for its tree, until a key is typed: the tests run frames until
      // it is gone.
      if (done < total) document.body.dataset.building = String(depth);
      say("building the tree, depth " + depth + ": " + Math.floor((100 * done) / total) + " %");
    },
    held: (steps) => {
      sayLastProblem();
      showModel();
      document.body.dataset.held = String(steps);
    },
    modelChanged: () => {
      if (!viewer.scripted) showModel();
    },
    stateChanged: (animating) => {
      delete document.body.dataset.building;
      showPaused(viewer, !animating);
    },
    frameDrawn: () => {
      panel.refresh();
      handle.refresh();
    },
    historyChanged: () => {
      panel.historyChanged();
      showHistory(viewer);
      handle.refresh();
    },
    problem,
    ended: (status) => {
      handle.refresh();
      disableControls();
      document.body.dataset.exitStatus = String(status);
      say("The viewer has ended with status " + status + ".");
    },
    stopped: (what) => say("The viewer has stopped: " + what),
  })
  .catch((error) => say(error.message));

// The page around the viewer's canvas: starts the viewer and hands its events to the panels.
import { Viewer } from "./bridge.js";
import { enableControls, showPaused, disableControls, enableHistory, showHistory } from "./controls.js";
import { enableDownloads } from "./downloads.js";
import { Builder } from "./builder.js";
import { Handle } from "./handle.js";
import { NodePanel } from "./node_panel.js";
import { Outline } from "./outline.js";
import { enablePicking } from "./picking.js";
import { say, problem, sayLastProblem } from "./status.js";

const canvas = document.getElementById("canvas");
const viewer = new Viewer();
const panel = new NodePanel(viewer);
const builder = new Builder(viewer, (refused) => refused && problem(refused));
const outline = new Outline(viewer, panel, builder);
outline.onDrop((generation, id, targetId) => builder.drop(generation, id, targetId));
enableControls(viewer, (key) => builder.depthKey(key));
enablePicking(viewer, outline);
const handle = new Handle(viewer, problem);
enableDownloads(viewer, outline);
enableHistory(viewer, (refused) => refused && problem(refused));

function showModel() {
  const model = outline.show();
  showPaused(viewer, model.paused);
  showHistory(viewer);
  builder.modelShown(model.generation);
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
    building: (depth, done, total) =>
      say("building the tree, depth " + depth + ": " + Math.floor((100 * done) / total) + " %"),
    // Set while keys wait for a tree: the tests run frames until it is gone.
    keysWaiting: (count) => {
      if (count > 0) document.body.dataset.keysWaiting = String(count);
      else delete document.body.dataset.keysWaiting;
    },
    held: (steps) => {
      sayLastProblem();
      showModel();
      document.body.dataset.held = String(steps);
    },
    modelChanged: () => {
      if (!viewer.scripted) showModel();
    },
    // A node moved, added, copied or deleted (or such an edit undone): the outline anew, open down
    // to where the node now is, and it selected.
    structureChanged: (generation, at) => {
      if (viewer.scripted) return;
      showModel();
      if (at.length > 0) outline.reveal(at);
    },
    stateChanged: (animating) => showPaused(viewer, !animating),
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

// The status line under the picture: the viewer's progress, and the last problem it reported,
// which stays until something else is said.
const line = document.getElementById("status");
let lastProblem = "";

export function say(text) {
  line.textContent = text;
}

export function problem(text) {
  lastProblem = text;
  say(text);
}

// After a script or a download: the last problem, or nothing.
export function sayLastProblem() {
  say(lastProblem);
}

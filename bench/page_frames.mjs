// Counting the page's frames, shared by the page benchmarks.

export const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};

// Animation frames the page shows a second, counted for `seconds` seconds after one second to
// settle.
export function framesPerSecond(page, seconds) {
  return page.evaluate(
    (span) =>
      new Promise((resolve) => {
        let frames = 0;
        let start;
        const count = (time) => {
          if (start === undefined) {
            if (time < settleUntil) {
              requestAnimationFrame(count);
              return;
            }
            start = time;
          }
          ++frames;
          if (time - start < span * 1000) {
            requestAnimationFrame(count);
          } else {
            resolve(((frames - 1) * 1000) / (time - start));
          }
        };
        const settleUntil = performance.now() + 1000;
        requestAnimationFrame(count);
      }),
    seconds,
  );
}

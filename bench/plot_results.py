#!/usr/bin/python3
"""Reads the JSON output of scene_bench and frame_bench, prints the frame-rate table (frames
per second on the real GL, and the share of each frame spent in our own code, from the same
frame with the null GL) and the rebuild table, and plots frame time and rebuild time against
depth.

    bench/plot_results.py RESULTS_DIR

RESULTS_DIR holds scene.json and frame.json; depth.png is written there.
"""

import json
import re
import statistics
import sys
from pathlib import Path

TO_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
SHARE_TARGET = 2.0  # percent of a frame
PLUS_TARGET = 150.0  # ms for "+" from 19 to 20


def load_medians(path, clock):
    """Median time per iteration, in ms, by the wall clock ("real") or the CPU clock of the
    benchmark's thread ("cpu"), for each benchmark name with its arguments ("frame/tree/14"):
    Google Benchmark's median aggregate where it made one, otherwise the median of the runs."""
    data = json.loads(Path(path).read_text())
    medians, runs = {}, {}
    for b in data["benchmarks"]:
        if b.get("error_occurred"):
            continue
        name = re.sub(r"/(real_time|manual_time|iterations:\d+|repeats:\d+)", "", b["run_name"])
        ms = b[f"{clock}_time"] * TO_MS[b["time_unit"]]
        if b.get("run_type") == "aggregate":
            if b.get("aggregate_name") == "median":
                medians[name] = ms
        else:
            runs.setdefault(name, []).append(ms)
    for name, values in runs.items():
        medians.setdefault(name, statistics.median(values))
    return medians


def frame_rows(scene, frame):
    rows = []
    for label, key in [("chain, depth 1", "chain"), ("figure", "figure"), ("fan", "fan")] + [
        (f"tree, depth {d}", f"tree/{d}") for d in range(1, 15)
    ]:
        real = frame.get(f"frame/{key}")
        ours = scene.get(f"null_frame/{key}")
        rows.append((label, key, real, ours))
    return rows


def fmt(value, digits=3):
    if value is None:
        return "-"
    return f"{value:.{digits}g}" if value < 1000 else f"{value:.0f}"


def print_frames(rows):
    print("Frames on Mesa under Xvfb (medians, wall clock): one idle step and one display, with")
    print("glFinish; ours is the same frame with the null GL, all of it our own code (CPU time).\n")
    print("| model | frame (ms) | frames/s | ours (us) | ours / frame | target | met |")
    print("|---|---:|---:|---:|---:|---|---|")
    all_met = True
    for label, _, real, ours in rows:
        share = None if real is None or ours is None else 100.0 * ours / real
        met = "not run" if share is None else ("yes" if share <= SHARE_TARGET else "NO")
        all_met = all_met and met == "yes"
        print(
            f"| {label} | {fmt(real)} | {fmt(None if real is None else 1000.0 / real)} | "
            f"{fmt(None if ours is None else ours * 1000.0)} | "
            f"{'-' if share is None else f'{share:.3f} %'} | <= {SHARE_TARGET:g} % | {met} |"
        )
    return all_met


def print_rebuilds(scene):
    print('\n"+" to each depth (rebuild of both recursive models, medians, wall clock)\n')
    print("| depth | ours (ms) | floor (ms) | ratio |")
    print("|---:|---:|---:|---:|")
    for d in range(2, 21):
        ours, floor = scene.get(f"plus/{d}"), scene.get(f"plus_floor/{d}")
        ratio = "-" if ours is None or not floor else f"{ours / floor:.2f}"
        print(f"| {d} | {fmt(ours)} | {fmt(floor)} | {ratio} |")
    ours = scene.get("plus/20")
    met = "not run" if ours is None else ("yes" if ours <= PLUS_TARGET else "NO")
    print(f'\n"+" from 19 to 20: {fmt(ours)} ms, target <= {PLUS_TARGET:g} ms: {met}')


def plot(rows, scene, path):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, (left, right) = plt.subplots(1, 2, figsize=(11, 4.5))
    tree = [(int(k.split("/")[1]), real, ours) for _, k, real, ours in rows if k.startswith("tree/")]
    depths = [d for d, real, _ in tree if real is not None]
    left.plot(depths, [real for _, real, _ in tree if real is not None], "o-",
              label="frame on Mesa (llvmpipe)")
    depths_ours = [d for d, _, ours in tree if ours is not None]
    left.plot(depths_ours, [ours for _, _, ours in tree if ours is not None], "s-",
              label="our own code in that frame (null GL)")
    left.set_yscale("log")
    left.set_xticks(range(1, 15))
    left.set_xlabel("tree model depth")
    left.set_ylabel("ms per frame (median)")
    left.set_title("Frame time, tree model")
    left.grid(True, which="both", alpha=0.3)
    left.legend()

    plus = [(d, scene.get(f"plus/{d}"), scene.get(f"plus_floor/{d}")) for d in range(2, 21)]
    right.plot([d for d, o, _ in plus if o is not None], [o for _, o, _ in plus if o is not None],
               "o-", label='"+" to this depth')
    right.plot([d for d, _, f in plus if f is not None], [f for _, _, f in plus if f is not None],
               "s--", label="floor: the same allocations and frees")
    right.axhline(PLUS_TARGET, color="red", linestyle=":", label=f"target at 20: {PLUS_TARGET:g} ms")
    right.set_yscale("log")
    right.set_xticks(range(2, 21, 2))
    right.set_xlabel("recursion depth after the key")
    right.set_ylabel("ms per rebuild (median)")
    right.set_title("Rebuild time (both recursive models)")
    right.grid(True, which="both", alpha=0.3)
    right.legend()

    fig.tight_layout()
    fig.savefig(path, dpi=100)
    print(f"\nPlot written to {path}")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    results = Path(sys.argv[1])
    # The rebuilds are timed by the wall clock (their own timing), our share of a frame by the
    # CPU time of our one thread, the frames on Mesa by the wall clock (its threads draw).
    scene = load_medians(results / "scene.json", "real")
    ours = load_medians(results / "scene.json", "cpu")
    frame = load_medians(results / "frame.json", "real")
    rows = frame_rows(ours, frame)
    print_frames(rows)
    print_rebuilds(scene)
    plot(rows, scene, results / "depth.png")


if __name__ == "__main__":
    main()

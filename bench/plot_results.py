#!/usr/bin/python3
"""Reads the JSON output of scene_bench and frame_bench and prints, from the medians: our
figures against their floors and targets; the deepest tree walked in three states of the heap;
the frame-rate table (frames per second on the real GL, and the share of each frame spent in
our own code, from the same frame with the null GL); and the rebuild table. Plots frame time
and rebuild time against depth.

    bench/plot_results.py RESULTS_DIR [PLOT_DIR]

RESULTS_DIR holds scene.json, heap.json and frame.json (web.json too, when the page was
measured); depth.png is written to PLOT_DIR, by default RESULTS_DIR.
"""

import json
import re
import statistics
import sys
from pathlib import Path

TO_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
SHARE_TARGET = 2.0  # percent of a frame
PLUS_TARGET = 150.0  # ms for "+" from 19 to 20


def load_medians(path, figure):
    """Median of one figure of each benchmark, by its name with its arguments ("frame/tree/14"):
    figure is "real" or "cpu" for the time per iteration in ms, by the wall clock or by the CPU
    clock of the benchmark's thread, or the name of a counter. Google Benchmark's median
    aggregate where it made one, otherwise the median of the runs."""
    data = json.loads(Path(path).read_text())
    medians, runs = {}, {}
    for b in data["benchmarks"]:
        if b.get("error_occurred"):
            continue
        name = re.sub(r"/(real_time|manual_time|iterations:\d+|repeats:\d+)", "", b["run_name"])
        if figure in ("real", "cpu"):
            value = b[f"{figure}_time"] * TO_MS[b["time_unit"]]
        elif figure in b:
            value = b[figure]
        else:
            continue
        if b.get("run_type") == "aggregate":
            if b.get("aggregate_name") == "median":
                medians[name] = value
        else:
            runs.setdefault(name, []).append(value)
    for name, values in runs.items():
        medians.setdefault(name, statistics.median(values))
    return medians


# Our figures against their floors: (what, unit, ours, floor, target on the ratio, target on
# our figure). Times are CPU times per unit (ball, node or call), except the "+" key's, which
# is timed by the wall clock; "B/ball" is the counter bytes_per_ball.
FLOOR_ROWS = [
    *[(f"build and delete the tree model, depth {d}", "ns/ball", f"tree_build/{d}",
       f"tree_build_floor/{d}", 1.5, None) for d in (10, 15, 20)],
    ('"+" from depth 19 to 20 (rebuild, memory check)', "ms", "plus/20", "plus_floor/20", None,
     PLUS_TARGET),
    ("animateTree, tree model depth 20", "ns/node", "tree_animate/20", "tree_animate_floor/20",
     2.0, None),
    ("animateTree, fan", "ns/node", "fan_animate", "fan_animate_floor", 2.0, None),
    ("renderTree, tree model depth 20", "ns/node", "tree_render/20", "tree_render_floor/20", 2.0,
     None),
    ("renderTree, fan", "ns/node", "fan_render", "fan_render_floor", 2.0, None),
    ("Limb::draw", "us", "limb_draw", "limb_draw_floor", None, 3.0),
    ("memory, tree model depth 20", "B/ball", "tree_memory/20", "tree_memory_floor/20", None,
     210.0),
    # No targets: what explains the distance to the floors.
    ("animateTree, tree model depth 10 (in cache)", "ns/node", "tree_animate/10",
     "tree_animate_floor/10", None, None),
    ("renderTree, tree model depth 10 (in cache)", "ns/node", "tree_render/10",
     "tree_render_floor/10", None, None),
    ("walking the children lists alone, depth 20", "ns/node", "tree_walk/20", None, None, None),
    ("walking the children lists alone, depth 10", "ns/node", "tree_walk/10", None, None, None),
]

MS_TO = {"ns/ball": 1e6, "ns/node": 1e6, "ms": 1.0, "us": 1e3}


def per_unit(name, unit, scene, clock=None):
    """One benchmark's median in the row's unit, or None when it did not run. Times in ms are
    by the wall clock unless clock says otherwise, all others by the CPU clock."""
    if name is None:
        return None
    if unit == "B/ball":
        return scene["bytes_per_ball"].get(name)
    clock = clock or ("real" if unit == "ms" else "cpu")
    ms, units = scene[clock].get(name), scene["units"].get(name, 1.0)
    return None if ms is None else ms / units * MS_TO[unit]


def print_floors(scene):
    print("Our figures against their floors (medians)\n")
    print("| what | unit | ours | floor | ratio | target | met |")
    print("|---|---|---:|---:|---:|---|---|")
    for what, unit, ours_name, floor_name, max_ratio, max_figure in FLOOR_ROWS:
        ours, floor = per_unit(ours_name, unit, scene), per_unit(floor_name, unit, scene)
        share = ratio(ours, floor)
        targets = []
        met = "-"
        if max_ratio is not None:
            targets.append(f"ratio <= {max_ratio:.2f}")
            met = "yes" if share is not None and share <= max_ratio else "NO"
        if max_figure is not None:
            targets.append(f"ours <= {max_figure:g} {unit}")
            met = "yes" if met != "NO" and ours is not None and ours <= max_figure else "NO"
        if ours is None or (floor_name is not None and floor is None):
            met = "not run"
        print(f"| {what} | {unit} | {fmt(ours)} | {fmt(floor)} | {fmt(share)} | "
              f"{', '.join(targets) or '-'} | {met} |")


def ratio(a, b):
    return None if a is None or not b else a / b


def print_heap_states(heap):
    print("\nThe depth-20 tree model in three states of the heap, measured in a process of their")
    print("own (medians, CPU time). Fresh: built by buildTreeModel before anything else. After")
    print('presses: the catalogue\'s tree model, reached by "+" from depth 1 to 20, then down to')
    print("17 and up again twice. After rebuilds: built by buildTreeModel after three trees of the")
    print("same depth were built and deleted.\n")
    print("| what | unit | floor | fresh | after presses | after rebuilds "
          "| presses / fresh | rebuilds / fresh |")
    print("|---|---|---:|---:|---:|---:|---:|---:|")
    for what, unit, walk in [("animateTree", "ns/node", "tree_animate"),
                             ("renderTree, null GL", "ns/node", "tree_render"),
                             ("a whole frame, null GL", "ms", None)]:
        if walk:
            names = (f"{walk}_floor/20", f"{walk}/20", f"after_presses/{walk}/20",
                     f"after_rebuilds/{walk}/20")
        else:
            names = (None, None, "after_presses/null_frame/tree/20", None)
        floor, fresh, presses, rebuilds = (per_unit(n, unit, heap, "cpu") for n in names)
        print(f"| {what} | {unit} | {fmt(floor)} | {fmt(fresh)} | {fmt(presses)} | "
              f"{fmt(rebuilds)} | {fmt(ratio(presses, fresh))} | {fmt(ratio(rebuilds, fresh))} |")


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
    print("Frames on Mesa under Xvfb (medians, wall clock): one pass of GLUT's main loop, as the")
    print("viewer runs it (its events, a display with its buffer swap, one idle step); ours is the")
    print("idle step and the drawing with the null GL, all of it our own code (CPU time).\n")
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


def print_web(rows, web_path):
    """The page in headless Chromium beside the desktop's frames, from web_page_bench.mjs, which
    measures both model by model; the desktop's rate is capped at the 60 frames a second that
    the browser presents. Without its own desktop figures, frame_bench's of this run stand in."""
    if not web_path.exists():
        print("\nThe web page was not measured (no web.json).")
        return
    web = json.loads(web_path.read_text())
    warm = web["loadMs"][1:]
    print(f"\nThe web page in {web['browser']}, headless, WebGL on SwiftShader (no GPU)\n")
    print(f"Page load until the first frame is drawn: {web['loadMs'][0]:.0f} ms the first time "
          f"(cold: the WebAssembly compiled anew), median {statistics.median(warm):.0f} ms of "
          f"{len(warm)} loads after it (warm).\n")
    print("| model | page frames/s | desktop frames/s (Mesa, Xvfb) | desktop, at most 60 | ratio |")
    print("|---|---:|---:|---:|---:|")
    desktop = {label: real for label, _, real, _ in rows}
    for model in web["models"]:
        rate = model.get("desktopFramesPerSecond")
        if rate is None and desktop.get(model["name"]) is not None:
            rate = 1000.0 / desktop[model["name"]]
        capped = None if rate is None else min(rate, 60.0)
        ratio = "-" if capped is None else f"{model['framesPerSecond'] / capped:.2f}"
        print(f"| {model['name']} | {fmt(model['framesPerSecond'])} | {fmt(rate)} | "
              f"{fmt(capped)} | {ratio} |")


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
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    results = Path(sys.argv[1])
    plots = Path(sys.argv[2]) if len(sys.argv) == 3 else results
    # The rebuilds are timed by the wall clock (their own timing), our share of a frame by the
    # CPU time of our one thread, the frames on Mesa by the wall clock (its threads draw).
    scene, heap = ({figure: load_medians(results / name, figure)
                    for figure in ("real", "cpu", "units", "bytes_per_ball")}
                   for name in ("scene.json", "heap.json"))
    frame = load_medians(results / "frame.json", "real")
    print_floors(scene)
    print_heap_states(heap)
    print()
    rows = frame_rows(scene["cpu"], frame)
    print_frames(rows)
    print_web(rows, results / "web.json")
    print_rebuilds(scene["real"])
    plot(rows, scene["real"], plots / "depth.png")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""The real viewer's frames per second, counted at its buffer swaps, beside frame_bench's frames
of the same model. Run it through tools/with-xvfb (a 1280 x 1024 x 24 screen).

The viewer runs as a user would run it, with its keys typed by xdotool; the swap counter
(bench/swap_counter.cpp, built as libswap_counter.so beside frame_bench) is preloaded into it
and writes the count of swaps to a file after each one. A model is counted over SECONDS once
its first frames are drawn. Beside it, per frame, the minor page faults of the whole process
over the same frames (/proc/PID/stat), and those of them left when the pages by which its data
grew (VmData) are taken off: faults on memory given back and taken again, which the machine's
load does not bring about; and the CPU time of all its threads per frame, which the load
changes far less than the wall clock.

  viewer_frames.py compare VIEWER SWAP_COUNTER FRAME_BENCH [--seconds S] [--rounds R]
                          [--models M,M,...]
      For each model, R rounds (3 unless told) of a fresh viewer counted and then frame_bench's
      frame of the same model, so that both meet the same load; prints the medians, their
      ranges and the ratio of the medians.

  viewer_frames.py runs VIEWER SWAP_COUNTER MODEL [--runs N] [--seconds S]
      N fresh viewers (10 unless told) on one model, one line each, then their spread.

MODEL is one of chain, figure, fan, tree8, tree12 (the tree at depth 8 or 12).
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

# The keys that bring a fresh viewer to each model, and frame_bench's name for its frame.
MODELS = {
    'chain': ([], 'frame/chain'),
    'figure': (['x'], 'frame/figure'),
    'fan': (['x', 'x'], 'frame/fan'),
    'tree8': (['plus'] * 7 + ['x'] * 3, 'frame/tree/8'),
    'tree12': (['plus'] * 11 + ['x'] * 3, 'frame/tree/12'),
}


def option(args, name, default):
    return args[args.index(name) + 1] if name in args else default


def minor_faults(pid):
    with open(f'/proc/{pid}/stat') as stat:
        # The fields after the command's name, which is in parentheses and may hold spaces.
        fields = stat.read().rsplit(')', 1)[1].split()
    return int(fields[7])


def cpu_seconds(pid):
    """The CPU time of every thread of the process, the GL driver's among them."""
    with open(f'/proc/{pid}/stat') as stat:
        fields = stat.read().rsplit(')', 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf('SC_CLK_TCK')


def data_pages(pid):
    with open(f'/proc/{pid}/status') as status:
        for line in status:
            if line.startswith('VmData:'):
                return int(line.split()[1]) // 4
    return 0


class CountedViewer:
    def __init__(self, viewer, counter):
        self.count_file = tempfile.NamedTemporaryFile(prefix='swaps.', delete=False).name
        env = dict(os.environ, LD_PRELOAD=os.path.abspath(counter),
                   SWAP_COUNT_FILE=self.count_file)
        self.process = subprocess.Popen([viewer], env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.PIPE, text=True)
        found = subprocess.run(['xdotool', 'search', '--sync', '--onlyvisible', '--name',
                                'Recursion depth'], capture_output=True, text=True, timeout=60)
        self.window = found.stdout.split()[0]

    def swaps(self):
        with open(self.count_file) as count:
            words = count.read().split()
        return (int(words[0]), float(words[1])) if len(words) == 2 else (0, time.monotonic())

    def keys(self, names):
        if names:
            subprocess.run(['xdotool', 'key', '--window', self.window, *names],
                           stderr=subprocess.DEVNULL, check=False)

    def wait_for_swaps(self, more, deadline):
        start = self.swaps()[0]
        while self.swaps()[0] < start + more and time.monotonic() < deadline:
            time.sleep(0.05)

    def count(self, keys, seconds):
        """Frames per second, minor faults per frame, those of them on memory taken again, and
        the CPU milliseconds of all threads per frame, over `seconds`, after `keys`."""
        self.wait_for_swaps(1, time.monotonic() + 60)
        self.keys(keys)
        # The keys' rebuilds come first; then a few frames of the model to settle.
        self.wait_for_swaps(3, time.monotonic() + 120)
        time.sleep(1.0)
        pid = self.process.pid
        swaps0, when0 = self.swaps()
        faults0, pages0, cpu0 = minor_faults(pid), data_pages(pid), cpu_seconds(pid)
        time.sleep(seconds)
        swaps1, when1 = self.swaps()
        faults1, pages1, cpu1 = minor_faults(pid), data_pages(pid), cpu_seconds(pid)
        frames = swaps1 - swaps0
        rate = frames / (when1 - when0) if when1 > when0 else 0.0
        # A page fault on memory the process did not have before is its heap reaching a new
        # peak (under load the rasterising threads can fall further behind than ever before);
        # the rest are faults on memory given back and taken again.
        faults = faults1 - faults0
        again = max(0, faults - max(0, pages1 - pages0))
        if not frames:
            return rate, float('nan'), float('nan'), float('nan')
        return rate, faults / frames, again / frames, 1e3 * (cpu1 - cpu0) / frames

    def end(self):
        self.keys(['Escape'])
        try:
            status = self.process.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.process.kill()
            status = 'hung'
        os.unlink(self.count_file)
        return status


def viewer_rate(viewer, counter, model, seconds):
    counted = CountedViewer(viewer, counter)
    try:
        counts = counted.count(MODELS[model][0], seconds)
    finally:
        status = counted.end()
    if status != 1:
        sys.exit(f'the viewer ended with {status}: {counted.process.stderr.read()}')
    return counts


def bench_rate(frame_bench, model, seconds):
    name = MODELS[model][1]
    with tempfile.NamedTemporaryFile(suffix='.json') as out:
        subprocess.run([frame_bench, f'--benchmark_filter=^{name}(/real_time)?$',
                        f'--benchmark_min_time={seconds}', '--benchmark_format=console',
                        f'--benchmark_out={out.name}', '--benchmark_out_format=json'],
                       stdout=subprocess.DEVNULL, check=True)
        result = json.load(out)['benchmarks'][0]
    scale = {'ns': 1e9, 'us': 1e6, 'ms': 1e3, 's': 1.0}[result['time_unit']]
    return (scale / result['real_time'], result.get('faults', float('nan')),
            result.get('cpu_ms', float('nan')))


def load():
    with open('/proc/loadavg') as average:
        return float(average.read().split()[0])


def compare(viewer, counter, frame_bench, args):
    seconds = float(option(args, '--seconds', '5'))
    rounds = int(option(args, '--rounds', '3'))
    models = option(args, '--models', ','.join(MODELS)).split(',')
    print(f'Medians of {rounds} rounds, each a fresh viewer and then frame_bench; the ranges in '
          'parentheses.\n')
    print('| model | viewer frames/s (swaps) | frame_bench frames/s | bench / viewer '
          '| viewer CPU ms/frame | frame_bench CPU ms/frame | bench / viewer '
          '| viewer faults/frame (on memory taken again) | frame_bench faults/frame '
          '| 1-minute load |')
    print('|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|')
    for model in models:
        viewers, benches, loads = [], [], []
        for _ in range(rounds):
            viewers.append(viewer_rate(viewer, counter, model, seconds))
            benches.append(bench_rate(frame_bench, model, seconds))
            loads.append(load())
        rate = statistics.median(v[0] for v in viewers)
        bench = statistics.median(b[0] for b in benches)
        faults = statistics.median(v[1] for v in viewers)
        again = statistics.median(v[2] for v in viewers)
        bench_faults = statistics.median(b[1] for b in benches)
        cpu = statistics.median(v[3] for v in viewers)
        bench_cpu = statistics.median(b[2] for b in benches)
        print(f'| {model} | {rate:.1f} ({spread(v[0] for v in viewers)}) | '
              f'{bench:.1f} ({spread(b[0] for b in benches)}) | {bench / rate:.2f} | '
              f'{cpu:.2f} | {bench_cpu:.2f} | {bench_cpu / cpu:.2f} | '
              f'{faults:.0f} ({again:.0f}) | {bench_faults:.0f} | '
              f'{min(loads):.1f} to {max(loads):.1f} |', flush=True)


def spread(values):
    values = list(values)
    return f'{min(values):.1f} to {max(values):.1f}'


def runs(viewer, counter, model, args):
    count = int(option(args, '--runs', '10'))
    seconds = float(option(args, '--seconds', '5'))
    rates = []
    for run in range(1, count + 1):
        rate, faults, again, cpu = viewer_rate(viewer, counter, model, seconds)
        rates.append(rate)
        print(f'run {run:2}: {rate:7.1f} frames/s, {cpu:7.2f} CPU ms a frame, {faults:6.0f} '
              f'minor faults a frame, {again:6.0f} on memory taken again, '
              f'1-minute load {load():.2f}', flush=True)
    print(f'{model}: median {statistics.median(rates):.1f}, from {min(rates):.1f} to '
          f'{max(rates):.1f} frames/s (max / min {max(rates) / min(rates):.2f})')


if __name__ == '__main__':
    if len(sys.argv) >= 5 and sys.argv[1] == 'compare':
        compare(sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:])
    elif len(sys.argv) >= 5 and sys.argv[1] == 'runs' and sys.argv[4] in MODELS:
        runs(sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:])
    else:
        sys.exit(__doc__)

#!/usr/bin/env python3
"""The real viewer's frames per second, counted at its buffer swaps, beside frame_bench's frames
of the same model. Run it through tools/with-xvfb (a 1280 x 1024 x 24 screen).

The viewer runs as a user would run it, with its keys typed by xdotool; the swap counter
(bench/swap_counter.cpp, built as libswap_counter.so beside frame_bench) is preloaded into it
and writes the count of swaps to a file after each one. A model is counted over SECONDS once
its first frames are drawn; the minor page faults of the whole process over the same frames
(/proc/PID/stat), which the machine's load does not change, are given per frame.

  viewer_frames.py compare VIEWER SWAP_COUNTER FRAME_BENCH [--seconds S] [--models M,M,...]
      For each model, a fresh viewer counted, then frame_bench's frame of the same model right
      after it, so that both meet the same load; prints both and their ratio.

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
        """Frames per second and minor faults per frame over `seconds`, after `keys`."""
        self.wait_for_swaps(1, time.monotonic() + 60)
        self.keys(keys)
        # The keys' rebuilds come first; then a few frames of the model to settle.
        self.wait_for_swaps(3, time.monotonic() + 120)
        time.sleep(1.0)
        swaps0, when0 = self.swaps()
        faults0 = minor_faults(self.process.pid)
        time.sleep(seconds)
        swaps1, when1 = self.swaps()
        faults1 = minor_faults(self.process.pid)
        frames = swaps1 - swaps0
        rate = frames / (when1 - when0) if when1 > when0 else 0.0
        return rate, (faults1 - faults0) / frames if frames else float('nan')

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
        rate, faults = counted.count(MODELS[model][0], seconds)
    finally:
        status = counted.end()
    if status != 1:
        sys.exit(f'the viewer ended with {status}: {counted.process.stderr.read()}')
    return rate, faults


def bench_rate(frame_bench, model, seconds):
    name = MODELS[model][1]
    with tempfile.NamedTemporaryFile(suffix='.json') as out:
        subprocess.run([frame_bench, f'--benchmark_filter=^{name}(/real_time)?$',
                        f'--benchmark_min_time={seconds}', '--benchmark_format=console',
                        f'--benchmark_out={out.name}', '--benchmark_out_format=json'],
                       stdout=subprocess.DEVNULL, check=True)
        result = json.load(out)['benchmarks'][0]
    scale = {'ns': 1e9, 'us': 1e6, 'ms': 1e3, 's': 1.0}[result['time_unit']]
    return scale / result['real_time'], result.get('faults', float('nan'))


def load():
    with open('/proc/loadavg') as average:
        return float(average.read().split()[0])


def compare(viewer, counter, frame_bench, args):
    seconds = float(option(args, '--seconds', '5'))
    models = option(args, '--models', ','.join(MODELS)).split(',')
    print('| model | viewer frames/s (swaps) | viewer faults/frame | frame_bench frames/s '
          '| frame_bench faults/frame | bench / viewer | 1-minute load |')
    print('|---|---:|---:|---:|---:|---:|---:|')
    for model in models:
        rate, faults = viewer_rate(viewer, counter, model, seconds)
        bench, bench_faults = bench_rate(frame_bench, model, seconds)
        print(f'| {model} | {rate:.1f} | {faults:.0f} | {bench:.1f} | {bench_faults:.0f} | '
              f'{bench / rate:.2f} | {load():.2f} |', flush=True)


def runs(viewer, counter, model, args):
    count = int(option(args, '--runs', '10'))
    seconds = float(option(args, '--seconds', '5'))
    rates = []
    for run in range(1, count + 1):
        rate, faults = viewer_rate(viewer, counter, model, seconds)
        rates.append(rate)
        print(f'run {run:2}: {rate:7.1f} frames/s, {faults:8.0f} minor faults a frame, '
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

#!/usr/bin/env python3
"""The viewer's address space while it draws the tree model, read from /proc, with real key
presses (xdotool) on an X server of its own. Run it through tools/with-xvfb.

  viewer_memory.py peaks VIEWER [--to DEPTH] [--view 1|2|3] [--starve]
      For each depth from 2 up: "+", wait until the picture changes (the first frame of that
      depth), then three times as long again; prints the VmSize before the key and the most
      it reached (sampled every 5 ms), and VmPeak. --starve schedules the GL driver's
      rasterising threads as idle, so that whatever the binning thread makes waits in memory.

  viewer_memory.py limit VIEWER BYTES
      Under `prlimit --as=BYTES`: the tree on screen, forty "+", waits for the refusal and a
      frame of the deepest tree, ten "-", a frame after them, Escape. Prints one line: the
      depth reached, the peak VmSize, the exit status and the time taken.
"""
import hashlib
import os
import re
import subprocess
import sys
import tempfile
import threading
import time


class Viewer:
    def __init__(self, path, limit=None):
        command = [path] if limit is None else ['prlimit', f'--as={limit}', '--', path]
        self.log = tempfile.TemporaryFile(mode='w+')
        self.process = subprocess.Popen(command, stdout=self.log, stderr=self.log)
        self.samples = []
        found = subprocess.run(['xdotool', 'search', '--sync', '--onlyvisible', '--name',
                                'Recursion depth'], capture_output=True, text=True, timeout=60)
        self.window = found.stdout.split()[0]
        threading.Thread(target=self._sample, daemon=True).start()

    def status(self, key):
        try:
            with open(f'/proc/{self.process.pid}/status') as status:
                for line in status:
                    if line.startswith(key):
                        return int(line.split()[1]) * 1024
        except OSError:
            pass
        return 0

    def _sample(self):
        while self.process.poll() is None:
            self.samples.append((time.monotonic(), self.status('VmSize:')))
            time.sleep(0.005)

    def peak_since(self, start):
        return max((size for when, size in self.samples if when >= start), default=0)

    def keys(self, *names):
        subprocess.run(['xdotool', 'key', '--window', self.window, *names],
                       stderr=subprocess.DEVNULL, check=False)

    def picture(self):
        grab = subprocess.run(['import', '-window', self.window, 'rgb:-'], capture_output=True)
        return hashlib.md5(grab.stdout).hexdigest()

    def wait_for_change(self, before, deadline):
        while self.process.poll() is None and time.monotonic() < deadline:
            if self.picture() != before:
                return True
            time.sleep(0.05)
        return False

    def text(self):
        self.log.seek(0)
        return self.log.read()

    def starve_rasterisers(self):
        for task in os.listdir(f'/proc/{self.process.pid}/task'):
            with open(f'/proc/{self.process.pid}/task/{task}/comm') as comm:
                if comm.read().startswith('llvmpipe'):
                    subprocess.run(['chrt', '--idle', '-p', '0', task], check=True)


def mib(size):
    return f'{size / 2**20:.0f}'


def peaks(path, args):
    last = int(args[args.index('--to') + 1]) if '--to' in args else 20
    view = args[args.index('--view') + 1] if '--view' in args else '3'
    viewer = Viewer(path)
    if '--starve' in args:
        viewer.starve_rasterisers()
    viewer.keys('x', 'x', 'x', view, 'space')
    time.sleep(1)
    print('depth  before MiB  peak MiB  growth MiB  VmPeak MiB  first frame s', flush=True)
    for depth in range(2, last + 1):
        before_picture, before = viewer.picture(), viewer.status('VmSize:')
        start = time.monotonic()
        viewer.keys('plus')
        if not viewer.wait_for_change(before_picture, start + 900):
            print(f'{depth:5}  no frame drawn', viewer.text())
            break
        first = time.monotonic() - start
        time.sleep(max(1.0, 3 * first))
        peak = viewer.peak_since(start)
        print(f'{depth:5}  {mib(before):>10}  {mib(peak):>8}  {mib(peak - before):>10}  '
              f'{mib(viewer.status("VmPeak:")):>10}  {first:13.2f}', flush=True)
    viewer.keys('Escape')
    print('exit status', viewer.process.wait(timeout=120))


def limit_run(path, limit):
    start = time.monotonic()
    deadline = start + 600
    viewer = Viewer(path, limit)
    viewer.keys('x', 'x', 'x')
    viewer.keys(*['plus'] * 40)
    refusal = re.compile(r'staying at depth ([0-9]+)\n')
    depth = None
    while depth is None and viewer.process.poll() is None and time.monotonic() < deadline:
        match = refusal.search(viewer.text())
        depth = int(match.group(1)) if match else None
        time.sleep(0.1)
    drawn = viewer.wait_for_change(viewer.picture(), deadline)
    viewer.keys(*['minus'] * 10)
    after = viewer.wait_for_change(viewer.picture(), deadline)
    viewer.keys('Escape')
    try:
        status = viewer.process.wait(timeout=max(1, deadline - time.monotonic()))
    except subprocess.TimeoutExpired:
        viewer.process.kill()
        status = 'hung'
    minus_refused = f'staying at depth {depth - 1}' in viewer.text() if depth else True
    print(f'limit {mib(int(limit))} MiB: depth {depth}, deepest drawn {drawn}, '
          f'drawn after ten "-" {after}, a "-" refused {minus_refused}, '
          f'peak VmSize {mib(viewer.peak_since(start))} MiB, exit {status}, '
          f'{time.monotonic() - start:.0f} s', flush=True)
    other = [line for line in viewer.text().splitlines() if 'staying at depth' not in line]
    if other:
        print('  viewer said:', *other[:5], sep='\n    ')


if __name__ == '__main__':
    if len(sys.argv) >= 3 and sys.argv[1] == 'peaks':
        peaks(sys.argv[2], sys.argv[3:])
    elif len(sys.argv) == 4 and sys.argv[1] == 'limit':
        limit_run(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)

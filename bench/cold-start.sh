#!/usr/bin/env bash
# Cold start of the window under Xvfb: the time from starting the program
# with a fresh profile until its main window is mapped, over several starts;
# median, min and max. Each start is ended before the next one begins.
#   bench/cold-start.sh BUILD_DIR [RUNS] [HISTORY_FILE]
# With HISTORY_FILE (a full history.sqlite, such as bench_history
# --history-dir leaves) every run starts twice, alternately with a fresh
# profile and with one holding a copy of the file, and both are reported.
# The window is noticed through the X server's map event (no polling), and
# the CPU time the program has used and the shared objects it has mapped by
# then are given too.
set -euo pipefail
build="${1:?usage: bench/cold-start.sh BUILD_DIR [RUNS] [HISTORY_FILE]}"
runs="${2:-11}"
history="${3:-}"
program="$build/src/quorvelin"
[[ -x "$program" ]] || { echo "cold-start: no program at $program" >&2; exit 1; }

# A display number that no other X server holds.
display=
for n in 93 94 95 96 98 99 90 91 92; do
    if [[ ! -e "/tmp/.X$n-lock" && ! -e "/tmp/.X11-unix/X$n" ]]; then
        display=":$n"
        break
    fi
done
[[ -n "$display" ]] || { echo "cold-start: no free display number" >&2; exit 1; }

Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT

DISPLAY="$display" python3 - "$program" "$runs" "$history" <<'EOF'
import ctypes
import os
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
from ctypes import POINTER, byref, c_char_p, c_int, c_long, c_ulong, c_void_p

program, runs, history = sys.argv[1], int(sys.argv[2]), sys.argv[3]
kMapNotify = 19
kSubstructureNotifyMask = 1 << 19
kStartLimit = 60.0  # only a start that never shows a window waits this long

x = ctypes.CDLL('libX11.so.6')
x.XOpenDisplay.restype = c_void_p
x.XOpenDisplay.argtypes = [c_char_p]
x.XDefaultRootWindow.restype = c_ulong
x.XDefaultRootWindow.argtypes = [c_void_p]
x.XSelectInput.argtypes = [c_void_p, c_ulong, c_long]
x.XNextEvent.argtypes = [c_void_p, c_void_p]
x.XPending.argtypes = [c_void_p]
x.XFlush.argtypes = [c_void_p]
x.XConnectionNumber.argtypes = [c_void_p]
x.XFetchName.argtypes = [c_void_p, c_ulong, POINTER(c_void_p)]
x.XFree.argtypes = [c_void_p]
# A window gone before its name is read is not an error worth dying for.
ignoreErrors = ctypes.CFUNCTYPE(c_int, c_void_p, c_void_p)(lambda display, event: 0)
x.XSetErrorHandler(ignoreErrors)

display = None
deadline = time.monotonic() + 10
while display is None and time.monotonic() < deadline:
    display = x.XOpenDisplay(os.environ['DISPLAY'].encode()) or None
    if display is None:
        time.sleep(0.05)
if display is None:
    sys.exit('cold-start: Xvfb did not start')
root = x.XDefaultRootWindow(display)
x.XSelectInput(display, root, kSubstructureNotifyMask)
x.XFlush(display)
connection = x.XConnectionNumber(display)
event = (c_long * 24)()  # XEvent is a union of 24 longs


def windowName(window):
    name = c_void_p()
    if not x.XFetchName(display, window, byref(name)) or not name.value:
        return ''
    text = ctypes.string_at(name.value).decode('utf-8', 'replace')
    x.XFree(name)
    return text


def waitForMainWindow(app, started):
    """Seconds from the start until a top-level window titled Quorvelin is
    mapped (the splash has no title); None when the program ends first or
    shows none in time."""
    while time.monotonic() - started < kStartLimit and app.poll() is None:
        while x.XPending(display):
            x.XNextEvent(display, event)
            if event[0] & 0xffffffff != kMapNotify:
                continue
            mapped = time.monotonic()
            name = windowName(event[5] & 0xffffffffffffffff)  # XMapEvent.window
            if name == 'Quorvelin' or name.startswith('Quorvelin - '):
                return mapped - started
        select.select([connection], [], [], 0.1)
    return None


def sharedObjects(pid):
    paths = set()
    with open(f'/proc/{pid}/maps') as maps:
        for line in maps:
            path = line.split()[-1]
            if '.so' in os.path.basename(path):
                paths.add(path)
    return paths


def cpuMilliseconds(pid):
    """CPU time all threads of the process have run so far."""
    total = 0
    for task in os.listdir(f'/proc/{pid}/task'):
        try:
            with open(f'/proc/{pid}/task/{task}/schedstat') as stat:
                total += int(stat.read().split()[0])
        except OSError:
            pass
    return total / 1e6


def qtNames(paths):
    return sorted(os.path.basename(p).split('.so')[0].removeprefix('libQt6') for p in paths if '/libQt6' in p)


kinds = ['fresh profile', 'full history'] if history else ['fresh profile']
times = {kind: [] for kind in kinds}
cpuTimes = {kind: [] for kind in kinds}
libraries = set()
for run in range(runs):
    for kind in kinds:
        profile = tempfile.mkdtemp(prefix='quorvelin-cold-')
        if kind == 'full history':
            shutil.copyfile(history, os.path.join(profile, 'history.sqlite'))
        errors = tempfile.TemporaryFile()
        try:
            started = time.monotonic()
            app = subprocess.Popen([program, '--profile', profile], stdout=subprocess.DEVNULL, stderr=errors)
            elapsed = waitForMainWindow(app, started)
            if elapsed is not None:
                cpuTimes[kind].append(cpuMilliseconds(app.pid))
                libraries = sharedObjects(app.pid)
            app.send_signal(signal.SIGTERM)
            try:
                app.wait(timeout=20)
            except subprocess.TimeoutExpired:
                app.kill()
                app.wait()
            # Windows of the ended instance must not count for the next one.
            while x.XPending(display):
                x.XNextEvent(display, event)
        finally:
            shutil.rmtree(profile, ignore_errors=True)
        if elapsed is None:
            errors.seek(0)
            sys.stdout.flush()
            sys.exit(f'cold-start: run {run + 1} ({kind}) showed no main window (exit status {app.returncode})\n'
                     + errors.read().decode('utf-8', 'replace')[-2000:])
        times[kind].append(elapsed * 1000)

for kind in kinds:
    print(f'{kind}: cold start to the main window over {runs} starts: median {statistics.median(times[kind]):.1f} ms, '
          f'min {min(times[kind]):.1f} ms, max {max(times[kind]):.1f} ms')
    print('  each start (ms): ' + ' '.join(f'{t:.1f}' for t in times[kind]))
    # Less disturbed by other load on the machine than the time to the window.
    print(f'  CPU time of the program until then: median {statistics.median(cpuTimes[kind]):.1f} ms, '
          f'min {min(cpuTimes[kind]):.1f} ms, max {max(cpuTimes[kind]):.1f} ms')
if history:
    extra = [h - f for f, h in zip(times['fresh profile'], times['full history'])]
    print(f'full history minus fresh profile, run by run: median {statistics.median(extra):.1f} ms, '
          f'max {max(extra):.1f} ms')
print(f'shared objects mapped when the window shows: {len(libraries)}, of them Qt: ' + ' '.join(qtNames(libraries)))
EOF

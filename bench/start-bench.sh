#!/usr/bin/env bash
# How long the app takes from exec to the map of its main window under Xvfb,
# with a full activity log (30,000 entries: log.1.json at its size limit
# plus log.json) and with a log of 100 entries, both watching 10 folders of
# 10,000 files that an earlier pass has seen; next to a bare Qt window with
# a table of 1,000 rows. Runs are interleaved and their medians reported;
# a second app (the build before a change) may be timed in the same runs.
#
# usage: bench/start-bench.sh [OlvaApp] [OlvaApp before] [runs] [scratch folder]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
app=${1:-$here/build/OlvaApp/OlvaApp}
before=${2:-}
runs=${3:-11}
scratch_parent=${4:-$here/build}
olva=$(dirname "$app")/../olva/olva
map_time=$here/build/bench/map_time
bare=$here/build/bench/bare_window
for program in "$app" "$olva" "$map_time" "$bare" ${before:+"$before"}; do
    [ -x "$program" ] || { echo "bench: no $program (build first)" >&2; exit 1; }
done
command -v Xvfb >/dev/null || { echo "bench: Xvfb is not installed" >&2; exit 1; }
command -v dbus-run-session >/dev/null || { echo "bench: dbus-run-session is not installed" >&2; exit 1; }

scratch=$(mktemp -d "$scratch_parent/start-bench-XXXXXX")
xvfb_pid=
cleanup() {
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    [ -n "${KEEP_SCRATCH:-}" ] || rm -rf "$scratch"
}
trap cleanup EXIT

echo "creating 10 folders of 10,000 files and the data directories in $scratch"
python3 - "$olva" "$scratch" <<'PY'
import json, os, random, shutil, subprocess, sys, time, uuid
from datetime import datetime, timedelta, timezone

olva, scratch = sys.argv[1], sys.argv[2]
folders = [os.path.join(scratch, "watched", f"Folder {k}") for k in range(10)]
for folder in folders:
    os.makedirs(folder)
    for i in range(10_000):
        open(os.path.join(folder, f"scan-{i:05d}.txt"), "wb").close()

# Every file has been seen: the start reads a seen file with 100,000 marks.
rules = {"folders": [{"path": folder, "rules": [{
    "name": "Tag new scans", "dryRun": True,
    "match": {"mode": "all", "items": [{"attr": "ext", "op": "is", "value": "txt"}]},
    "actions": [{"addTags": {"tags": ["Inbox"]}}]}]} for folder in folders]}
seeded = os.path.join(scratch, "seeded")
os.makedirs(seeded)
with open(os.path.join(seeded, "rules.json"), "w") as f:
    json.dump(rules, f)
subprocess.run([olva, "once"], env=dict(os.environ, OLVA_HOME=seeded), check=True, stdout=subprocess.DEVNULL)
for name in ("log.json", "log.1.json"):
    if os.path.exists(os.path.join(seeded, name)):
        os.remove(os.path.join(seeded, name))

# Log lines of the kinds a year of use leaves: moves, dry runs, failures,
# tags and undos. The newest third is from today, the rest from the weeks
# before it.
random.seed(7)
now = datetime.now().astimezone()
midnight = now.replace(hour=0, minute=0, second=0, microsecond=0)
def stamp(moment):
    return moment.astimezone(timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")
def entry(i, at, previous):
    folder = folders[i % 10]
    name = f"scan-{i % 10_000:05d}.txt"
    source = os.path.join(folder, name)
    target = os.path.join(scratch, "Documents", "Scans", f"2025-{i % 12 + 1:02d}", name)
    move = {"kind": "move", "from": source, "to": target,
            "key": f"/:{5_400_000 + i}:1796793109.301212830+0e605300e797050e"}
    # The fields in the order the engine writes them.
    e = {"id": str(uuid.uuid4()).upper(), "at": stamp(at), "file": source, "rule": "Sort scans by month",
         "version": "4f0c2e7a9b1d3c5e", "dryRun": False,
         "checks": [{"attr": "ext", "op": "is", "value": "txt", "actual": "txt", "pass": True}],
         "steps": [move]}
    kind = i % 12
    if kind == 3:
        e["steps"] = []
        e["error"] = f"“{name}” couldn’t be moved to “{os.path.dirname(target)}” because the disk is full."
    elif kind == 5:
        e["dryRun"] = True
        del move["key"]
    elif kind == 7:
        e["steps"].append({"kind": "tags", "from": target, "tagsBefore": [], "note": "Inbox, Scans"})
    elif kind == 11 and previous:
        e["checks"] = []
        e["steps"] = [{"kind": "move", "from": target, "to": source}]
        e["undoOf"] = previous
    return e

def write_log(data, count):
    today = count // 3
    first_today = count - today
    span_today = max((now - midnight).total_seconds() - 2, 1)
    lines, previous = [], None
    for i in range(count):
        if i < first_today:
            at = midnight - timedelta(days=30) + timedelta(seconds=(30 * 86400 - 60) * i / max(first_today, 1))
        else:
            at = midnight + timedelta(seconds=1 + span_today * (i - first_today) / max(today, 1))
        e = entry(i, at, previous)
        previous = e["id"] if i % 12 != 11 else previous
        lines.append(json.dumps(e, ensure_ascii=False, separators=(",", ":")).replace("/", "\\/") + "\n")
    # log.json is moved aside once it has grown past the limit.
    limit, cut, written = 10_000_000, 0, 0
    total = sum(map(len, lines))
    while total > limit and written <= limit and cut < len(lines):
        written += len(lines[cut])
        cut += 1
    older, lines = lines[:cut], lines[cut:]
    if older:
        with open(os.path.join(data, "log.1.json"), "w") as f:
            f.writelines(older)
    with open(os.path.join(data, "log.json"), "w") as f:
        f.writelines(lines)

for label, count in (("full", 30_000), ("small", 100)):
    data = os.path.join(scratch, label)
    shutil.copytree(seeded, data)
    write_log(data, count)
    size = sum(os.path.getsize(os.path.join(data, n)) for n in ("log.json", "log.1.json")
               if os.path.exists(os.path.join(data, n)))
    print(f"{label} log: {count} entries, {size / 1e6:.1f} MB")
PY

# One display for every run; without a window manager the window's map is
# the app's own. A number well away from those tests and desktops take.
display=$((150 + RANDOM % 100))
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -S "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
[ -S "/tmp/.X11-unix/X$display" ] || { echo "bench: Xvfb did not start" >&2; exit 1; }

export DISPLAY=":$display" QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$scratch/config"
# (The session bus's complaint that it may not raise its file limit is noise.)
dbus-run-session -- python3 - "$scratch" "$runs" "$map_time" "$bare" "$app" "$before" \
    2> >(grep -v "Failed to set fd limit" >&2) <<'PY'
import os, statistics, subprocess, sys

scratch, runs, map_time, bare, app, before = sys.argv[1], int(sys.argv[2]), *sys.argv[3:]
cases = [("bare Qt window, 1,000 rows", bare, None)]
for label, data in (("app, 100-entry log", "small"), ("app, full log", "full")):
    if before:
        cases.append((label + " (before)", before, data))
    cases.append((label, app, data))

def once(program, data):
    env = dict(os.environ)
    if data:
        env["OLVA_HOME"] = os.path.join(scratch, data)
    out = subprocess.run([map_time, program], env=env, capture_output=True, text=True)
    if out.returncode != 0:
        sys.exit(f"bench: {program} did not show a window: {out.stderr.strip()}")
    return float(out.stdout)

for _, program, data in cases:  # warm the page cache and the caches of fonts and icons
    once(program, data)
times = {label: [] for label, _, _ in cases}
for _ in range(runs):
    for label, program, data in cases:
        times[label].append(once(program, data))
floor = statistics.median(times[cases[0][0]])
print(f"time from exec to the window's map, median of {runs} interleaved runs:")
for label, _, _ in cases:
    median = statistics.median(times[label])
    print(f"  {label:<38} {median:.3f} s  ({median / floor:.1f}x the bare window)"
          f"  [{min(times[label]):.3f}-{max(times[label]):.3f}]")
PY

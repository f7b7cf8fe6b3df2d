#!/usr/bin/env bash
# What the seen journal costs its readers. The journal is folded into the
# seen file once it holds sixteen times as much, and `olva explain`, `olva
# undo` (and the app's start) read both. This benchmark
#   1. has `olva once` handle the files of one folder (a rule tags each),
#      watching the journal's size all the while: its largest size on the way;
#   2. builds the largest journal that can stand beside those handled files:
#      a first share of them handled and folded into the seen file, the rest
#      handled after, the journal then just short of its fold;
#   3. times `olva explain` of a handled file and `olva undo` of a run with
#      that journal, and again once it is folded (bench_fold_journal).
# Medians of `repeats` runs each; every undo reverts another run.
#
# usage: bench/journal-bench.sh [olva] [handled files] [repeats] [scratch folder]
set -euo pipefail
. "$(dirname "$0")/common.sh"
count=${2:-100000}
repeats=${3:-7}
start_olva_bench journal-bench "${1:-}" "${4:-}"
fold=$here/build/bench/bench_fold_journal
need_program "$fold"

python3 - "$olva" "$count" "$repeats" "$scratch" "$fold" <<'PY'
import json, math, os, shutil, statistics, subprocess, sys, threading, time

olva, count, repeats, scratch, fold = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5]
FOLD_FACTOR = 16

def make_folder(name, n, first=0):
    folder = os.path.join(scratch, name)
    os.makedirs(folder, exist_ok=True)
    for i in range(first, first + n):
        with open(os.path.join(folder, f"file-{i:06d}.dat"), "wb") as f:
            f.write(b"x" * (i % 512))
    return folder

def data_for(name, folders):
    data = os.path.join(scratch, name)
    os.makedirs(data, exist_ok=True)
    rule = {"name": "Tag", "match": {"mode": "all", "items": [{"attr": "ext", "op": "is", "value": "dat"}]},
            "actions": [{"addTags": {"tags": ["seen"]}}]}
    with open(os.path.join(data, "rules.json"), "w") as f:
        json.dump({"folders": [{"path": folder, "rules": [rule]} for folder in folders]}, f)
    return data

def size(path):
    try:
        return os.stat(path).st_size
    except FileNotFoundError:
        return 0

def once(data, watch=False):
    """Runs `olva once`; with `watch`, the journal's largest size meanwhile."""
    largest = [0]
    done = threading.Event()
    def sample():
        journal = os.path.join(data, "seen.journal")
        while not done.is_set():
            largest[0] = max(largest[0], size(journal))
            time.sleep(0.002)
    sampler = threading.Thread(target=sample)
    if watch:
        sampler.start()
    subprocess.run([olva, "once"], env=dict(os.environ, OLVA_HOME=data), check=True, stdout=subprocess.DEVNULL)
    done.set()
    if watch:
        sampler.join()
    return max(largest[0], size(os.path.join(data, "seen.journal")))

def timed(data, args_for):
    times = []
    for i in range(repeats):
        args = args_for(i)
        start = time.perf_counter()
        done = subprocess.run([olva] + args, env=dict(os.environ, OLVA_HOME=data), stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE)
        times.append(time.perf_counter() - start)
        if done.returncode != 0:
            sys.exit(f"bench: olva {' '.join(args)} failed: {done.stderr.decode()}")
    return statistics.median(times)

def entries(data):
    lines = []
    for name in ("log.1.json", "log.json"):
        path = os.path.join(data, name)
        if os.path.exists(path):
            with open(path) as f:
                lines += [json.loads(line) for line in f if line.strip()]
    return [e for e in lines if "undoOf" not in e]

def measure(data, handled, undone):
    explain = timed(data, lambda i: ["explain", handled[i % len(handled)]])
    undo = timed(data, lambda i: ["undo", undone[i]["id"][:13]])
    return explain, undo

def mib(n):
    return f"{n / 1048576:.1f} MiB"

# 1. One pass over all of them, the journal watched.
road_folder = make_folder("Road", count)
road = data_for("road", [road_folder])
largest = once(road, watch=True)
print(f"{count} files handled in one pass: the journal was at most {mib(largest)}; "
      f"at the end seen.json {mib(size(os.path.join(road, 'seen.json')))}, "
      f"seen.journal {mib(size(os.path.join(road, 'seen.journal')))}", flush=True)

# The journal per handled file (a pass too small to be folded) and the seen
# file per mark (the pass above, folded).
sample = data_for("sample", [make_folder("Sample", 800)])
once(sample)
per_file = size(os.path.join(sample, "seen.journal")) / 800
subprocess.run([fold, road], check=True)
per_mark = size(os.path.join(road, "seen.json")) / count
# The share folded first: the least whose seen file lets the journal of the
# rest stay unfolded.
first = min(count, math.ceil(count * per_file / (per_file + FOLD_FACTOR * per_mark) * 1.02))
print(f"per handled file: {per_file:.0f} bytes of journal, {per_mark:.0f} bytes of seen file; "
      f"largest journal beside {count} handled files: {first} folded first, {count - first} after", flush=True)

# 2. The largest journal: the first share handled and folded, then the rest.
shutil.rmtree(road_folder)
first_folder = make_folder("First", first)
rest_folder = make_folder("Rest", count - first, first)
worst = data_for("worst", [first_folder])
once(worst)
subprocess.run([fold, worst], check=True)
seen_before = size(os.path.join(worst, "seen.json"))
data_for("worst", [first_folder, rest_folder])
once(worst)
journal = size(os.path.join(worst, "seen.journal"))
if size(os.path.join(worst, "seen.json")) != seen_before:
    print("note: the engine folded the journal on the way; the journal below is what it left", flush=True)

# 3. explain and undo with that journal, then folded.
log = entries(worst)
handled = [e["file"] for e in log[-repeats:]]
with_journal = measure(worst, handled, log[-repeats:])
subprocess.run([fold, worst], check=True)
folded = measure(worst, handled, log[-2 * repeats:-repeats])
print(f"\n{count} handled files, seen.json {mib(seen_before)} and a journal of {mib(journal)} "
      f"({journal / seen_before:.1f}x the seen file), then folded "
      f"(seen.json {mib(size(os.path.join(worst, 'seen.json')))}, journal "
      f"{mib(size(os.path.join(worst, 'seen.journal')))}); medians of {repeats}:")
print(f"  olva explain: {with_journal[0]:.3f} s with the journal, {folded[0]:.3f} s folded "
      f"({with_journal[0] / folded[0]:.2f}x)")
print(f"  olva undo:    {with_journal[1]:.3f} s with the journal, {folded[1]:.3f} s folded "
      f"({with_journal[1] / folded[1]:.2f}x)")
PY

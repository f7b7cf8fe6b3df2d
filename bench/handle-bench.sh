#!/usr/bin/env bash
# What handling a file costs: `olva once` tagging every file of a watched
# folder (one rule, one action), timed next to bench_tag_floor, which does
# per file only one setxattr and one 400-byte log write. Then the system
# calls of each over a smaller folder, counted with `strace -c -f`. Each
# olva given is measured in the same rounds, interleaved, so that a "before"
# and an "after" build meet the same machine; medians are reported.
#
# Standard output goes to /dev/null, which nobody reads; with
# HANDLE_BENCH_OUTPUT=file it goes to a file, which `olva` then writes an
# entry at a time.
#
# usage: bench/handle-bench.sh [files] [rounds] [files for strace] olva...
#        (default: 100000 3 2000 build/olva/olva)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-100000}
rounds=${2:-3}
traced=${3:-2000}
shift $(( $# < 3 ? $# : 3 ))
olvas=("$@")
[ ${#olvas[@]} -gt 0 ] || olvas=("$here/build/olva/olva")
floor=$here/build/bench/bench_tag_floor
[ -x "$floor" ] || { echo "bench: no floor program at $floor (build bench_tag_floor first)" >&2; exit 1; }
for olva in "${olvas[@]}"; do [ -x "$olva" ] || { echo "bench: no olva at $olva" >&2; exit 1; }; done

scratch=$(mktemp -d "$here/build/handle-bench-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

python3 - "$scratch" "$count" "$rounds" "$traced" "$floor" "${olvas[@]}" <<'PY'
import json, os, shutil, statistics, subprocess, sys, time

scratch, count, rounds, traced, floor = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
olvas = sys.argv[6:]
to_file = os.environ.get("HANDLE_BENCH_OUTPUT") == "file"

def make_folder(name, n):
    folder = os.path.join(scratch, name)
    os.makedirs(folder)
    for i in range(n):
        with open(os.path.join(folder, f"file-{i:06d}.dat"), "wb") as f:
            f.write(b"x" * (i % 512))
    return folder

def untag(folder):
    for name in os.listdir(folder):
        try:
            os.removexattr(os.path.join(folder, name), "user.xdg.tags")
        except OSError:
            pass

def fresh_data(folder):
    data = os.path.join(scratch, "data")
    shutil.rmtree(data, ignore_errors=True)
    os.makedirs(data)
    rule = {"name": "Tag", "match": {"mode": "all", "items": [{"attr": "ext", "op": "is", "value": "dat"}]},
            "actions": [{"addTags": {"tags": ["seen"]}}]}
    with open(os.path.join(data, "rules.json"), "w") as f:
        json.dump({"folders": [{"path": folder, "rules": [rule]}]}, f)
    return data

def command(program, folder, data):
    if program == floor:
        return [floor, folder, os.path.join(data, "floor.log")]
    return [program, "once"]

def run(program, folder, prefix=()):
    untag(folder)
    data = fresh_data(folder)
    env = dict(os.environ, OLVA_HOME=data)
    out = open(os.path.join(scratch, "out.txt"), "wb") if to_file else subprocess.DEVNULL
    start = time.monotonic()
    done = subprocess.run(list(prefix) + command(program, folder, data), env=env, stdout=out,
                          stderr=subprocess.PIPE)
    elapsed = time.monotonic() - start
    if to_file:
        out.close()
    if done.returncode != 0:
        sys.exit(f"bench: {program} failed: {done.stderr.decode()}")
    return elapsed

programs = [floor] + olvas
names = {floor: "floor"}
for index, olva in enumerate(olvas):
    names[olva] = f"olva #{index + 1} ({olva})"

print(f"creating {count} files; output to {'a file' if to_file else '/dev/null'}")
big = make_folder("Inbox", count)
times = {program: [] for program in programs}
for round in range(rounds):
    for program in programs:
        times[program].append(run(program, big))
floor_time = statistics.median(times[floor])
print(f"\nhandling {count} files, median of {rounds} interleaved rounds:")
for program in programs:
    median = statistics.median(times[program])
    spread = ", ".join(f"{t:.2f}" for t in times[program])
    print(f"  {names[program]}: {median:.3f} s ({spread}), {median / floor_time:.2f}x the floor")

print(f"\nsystem calls over {traced} files (strace -c -f):")
small = make_folder("Small", traced)
for program in programs:
    out = os.path.join(scratch, "strace.txt")
    run(program, small, ["strace", "-c", "-f", "-o", out])
    total = 0
    with open(out) as f:
        for line in f:
            fields = line.split()
            if len(fields) >= 5 and fields[-1] == "total":
                total = int(fields[3])
    print(f"  {names[program]}: {total} calls, {total / traced:.2f} per file")
PY

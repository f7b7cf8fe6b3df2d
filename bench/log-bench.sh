#!/usr/bin/env bash
# How long `olva log 20` and `olva undo <prefix>` take on a full activity log
# (log.1.json at its size limit plus a log.json of the same kind of lines)
# against a log of 100 entries. The lines are copies, under new identifiers,
# of an entry `olva once` logs for a real move.
#
# usage: bench/log-bench.sh [olva] [entries in the full log] [scratch folder]
set -euo pipefail
. "$(dirname "$0")/common.sh"
entries=${2:-30000}
start_olva_bench log-bench "${1:-}" "${3:-}"

python3 - "$olva" "$entries" "$scratch" <<'PY'
import json, os, statistics, subprocess, sys, time, uuid

olva, entries, scratch = sys.argv[1], int(sys.argv[2]), sys.argv[3]

# One real entry: a move with its checks.
sample = os.path.join(scratch, "sample")
inbox, archive = os.path.join(sample, "Inbox"), os.path.join(sample, "Archive")
os.makedirs(inbox)
with open(os.path.join(inbox, "invoice-2024-03.pdf"), "w") as f:
    f.write("x")
rule = {"name": "Invoices", "match": {"mode": "all", "items": [
    {"attr": "ext", "op": "is", "value": "pdf"}, {"attr": "name", "op": "startsWith", "value": "invoice"}]},
    "actions": [{"move": {"to": archive}}]}
with open(os.path.join(sample, "rules.json"), "w") as f:
    json.dump({"folders": [{"path": inbox, "rules": [rule]}]}, f)
subprocess.run([olva, "once"], env=dict(os.environ, OLVA_HOME=sample), check=True, stdout=subprocess.DEVNULL)
with open(os.path.join(sample, "log.json")) as f:
    template = f.readline()
old_id = json.loads(template)["id"]

def lines(count):
    for _ in range(count):
        yield template.replace(old_id, str(uuid.uuid4()).upper())

def make_log(name, count):
    data = os.path.join(scratch, name)
    os.makedirs(data)
    limit = 10_000_000
    if count * len(template) > limit:
        with open(os.path.join(data, "log.1.json"), "w") as f:
            written = 0
            while written <= limit:
                line = next(lines(1))
                f.write(line)
                written += len(line)
                count -= 1
    ids = []
    with open(os.path.join(data, "log.json"), "w") as f:
        for line in lines(max(count, 0)):
            f.write(line)
            ids.append(json.loads(line)["id"])
    return data, ids

def timed(data, args, runs=15):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run([olva] + args, env=dict(os.environ, OLVA_HOME=data),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times.append(time.perf_counter() - start)
    return statistics.median(times)

small, small_ids = make_log("small", 100)
full, full_ids = make_log("full", entries)
size = sum(os.path.getsize(os.path.join(full, n)) for n in os.listdir(full))
print(f"full log: {entries} entries, {size / 1e6:.1f} MB in log.1.json and log.json")

log_small, log_full = timed(small, ["log", "20"]), timed(full, ["log", "20"])
print(f"olva log 20: {log_full:.3f} s on the full log, {log_small:.3f} s on 100 entries ({log_full / log_small:.1f}x)")
# The undo fails (the file is gone), after finding its entry by prefix.
undo_small = timed(small, ["undo", small_ids[len(small_ids) // 2][:8]])
undo_full = timed(full, ["undo", full_ids[len(full_ids) // 2][:8]])
print(f"olva undo <prefix>: {undo_full:.3f} s on the full log, {undo_small:.3f} s on 100 entries "
      f"({undo_full / undo_small:.1f}x)")
PY

#!/usr/bin/env bash
# What `olva run` costs at rest and at scale: it handles a large number of
# files spread over ten watched folders (a rule tags each one, so they stay
# watched and the seen file holds a record for each), then sits idle while
# its CPU time, wake-ups and resident memory are sampled, then handles a few
# more files one at a time while the bytes it writes are counted. With
# "watch" as the last argument, no rule matches: the files are only watched.
#
# usage: bench/run-bench.sh [olva] [number of files] [idle seconds] [scratch folder] [tag|watch]
set -euo pipefail
. "$(dirname "$0")/common.sh"
count=${2:-100000}
idle=${3:-60}
mode=${5:-tag}
start_olva_bench run-bench "${1:-}" "${4:-}"

python3 - "$olva" "$count" "$idle" "$scratch" "$mode" <<'PY'
import json, os, re, signal, subprocess, sys, time

olva, count, idle, scratch, mode = sys.argv[1], int(sys.argv[2]), float(sys.argv[3]), sys.argv[4], sys.argv[5]
folders = [os.path.join(scratch, f"Inbox{i}") for i in range(10)]
data = os.path.join(scratch, "data")
os.makedirs(data)
for folder in folders:
    os.makedirs(folder)

print(f"creating {count} files in {len(folders)} folders")
for i in range(count):
    with open(os.path.join(folders[i % len(folders)], f"file-{i:06d}.dat"), "wb") as f:
        f.write(b"x" * (i % 512))

rule = {"name": "Tag", "match": {"mode": "all", "items": [{"attr": "ext", "op": "is", "value": "dat" if mode == "tag" else "pdf"}]},
        "actions": [{"addTags": {"tags": ["seen"]}}]}
with open(os.path.join(data, "rules.json"), "w") as f:
    json.dump({"folders": [{"path": folder, "rules": [rule]} for folder in folders]}, f)

env = dict(os.environ, OLVA_HOME=data)
out_path = os.path.join(scratch, "out.txt")
out = open(out_path, "wb")
start = time.monotonic()
child = subprocess.Popen([olva, "run"], stdout=out, stderr=subprocess.PIPE, env=env)
pid = child.pid
entry_line = re.compile(rb"^[0-9A-F]{8}  ", re.M)
read_at, entries = 0, 0

def count_entries():
    global read_at, entries
    with open(out_path, "rb") as f:
        f.seek(read_at)
        chunk = f.read()
    cut = chunk.rfind(b"\n") + 1
    entries += len(entry_line.findall(chunk[:cut]))
    read_at += cut
    return entries

def wait_for_entries(n, ceiling):
    deadline = time.monotonic() + ceiling
    while count_entries() < n:
        if child.poll() is not None or time.monotonic() > deadline:
            sys.exit(f"bench: {entries} of {n} entries, olva {'ended' if child.poll() is not None else 'too slow'}")
        time.sleep(0.05)

def proc(name):
    with open(f"/proc/{pid}/{name}") as f:
        return f.read()

def status_kb(field):
    return int(re.search(rf"^{field}:\s+(\d+) kB", proc("status"), re.M).group(1))

def cpu_seconds():
    fields = proc("stat").rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

def wakeups():
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/status") as f:
            text = f.read()
        total += sum(int(n) for n in re.findall(r"ctxt_switches:\s+(\d+)", text))
    return total

def io():
    return {k: int(v) for k, v in re.findall(r"^(\w+): (\d+)$", proc("io"), re.M)}

def mib(kb):
    return kb / 1024

if mode == "tag":
    wait_for_entries(count, 3600)
    handled_in = time.monotonic() - start
    print(f"handled {count} files in {handled_in:.1f} s; resident {mib(status_kb('VmRSS')):.1f} MiB, "
          f"peak {mib(status_kb('VmHWM')):.1f} MiB, {len(os.listdir(f'/proc/{pid}/task'))} threads")

# Handling a file changes its status, which brings one more pass over the
# folders: idle begins once the CPU time stops growing.
def wait_until_quiet(ceiling=600):
    deadline = time.monotonic() + ceiling
    last = cpu_seconds()
    while time.monotonic() < deadline:
        time.sleep(3)
        now = cpu_seconds()
        if now == last:
            return
        last = now
    sys.exit("bench: olva never went quiet")

wait_until_quiet()
print(f"after the pass that follows: resident {mib(status_kb('VmRSS')):.1f} MiB, peak {mib(status_kb('VmHWM')):.1f} MiB")

# Idle: nothing changes in the folders.
cpu0, wake0, t0 = cpu_seconds(), wakeups(), time.monotonic()
samples = []
while time.monotonic() - t0 < idle:
    time.sleep(min(5, idle))
    samples.append(mib(status_kb("VmRSS")))
minutes = (time.monotonic() - t0) / 60
cpu = cpu_seconds() - cpu0
print(f"idle {idle:.0f} s: {cpu / minutes:.3f} s CPU per minute, {(wakeups() - wake0) / minutes:.0f} wake-ups per minute; "
      f"resident {samples[0]:.1f} to {samples[-1]:.1f} MiB (lowest {min(samples):.1f}, highest {max(samples):.1f})")

if mode != "tag":
    child.send_signal(signal.SIGTERM)
    child.wait(60)
    sys.exit(0)

# More files, one at a time, each once the one before was handled.
more = 20
io0 = io()
for i in range(more):
    with open(os.path.join(folders[0], f"more-{i:03d}.dat"), "wb") as f:
        f.write(b"y")
    wait_for_entries(count + i + 1, 60)
io1 = io()
seen_size = os.path.getsize(os.path.join(data, "seen.json")) if os.path.exists(os.path.join(data, "seen.json")) else 0
print(f"{more} more files, one by one, over {count} seen records: per file {(io1['write_bytes'] - io0['write_bytes']) / more / 1024:.1f} KiB "
      f"to storage, {(io1['wchar'] - io0['wchar']) / more / 1024:.1f} KiB through write() (output included); "
      f"seen file {seen_size / 1024 / 1024:.2f} MiB")

child.send_signal(signal.SIGTERM)
child.wait(60)
out.close()
PY

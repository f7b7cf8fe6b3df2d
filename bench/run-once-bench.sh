#!/usr/bin/env bash
# What watching costs on top of handling: `olva once` and `olva run` each
# handle the same number of files, spread over ten watched folders, whose one
# rule tags every file. `once` is timed from start to exit; `run` from start
# to its last printed entry, and its CPU time is counted until it has gone
# quiet, so that a pass it brings on itself (its own tag changes seen as
# changes to the folders) is counted too. The number of passes `run` made
# comes from its diagnostic lines, in a run of its own (the lines cost time).
# Run as root, that run also counts the passes and the CPU time that a
# tmpfs mounted elsewhere (and unmounted again) brings, in a mount namespace
# of the benchmark's own.
# Both start on a fresh data directory and fresh files; repeats alternate
# which goes first; medians are reported. More olvas after the scratch
# folder (a build before a change, say) are measured in the same repeats,
# each in turn, so that the machine's load meets them alike.
#
# usage: bench/run-once-bench.sh [olva] [number of files] [repeats] [scratch folder] [olva...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
olva=${1:-$here/build/olva/olva}
count=${2:-100000}
repeats=${3:-3}
scratch_parent=${4:-$here/build}
shift $(( $# < 4 ? $# : 4 ))
more=("$@")
for program in "$olva" "${more[@]}"; do
    [ -x "$program" ] || { echo "bench: no olva at $program (build first)" >&2; exit 1; }
done
if [ "$(id -u)" = 0 ] && [ -z "${OLVA_BENCH_MOUNTS:-}" ] && unshare -m --propagation private true 2>/dev/null; then
    exec unshare -m --propagation private env OLVA_BENCH_MOUNTS=1 "$0" "$olva" "$count" "$repeats" "$scratch_parent" \
        "${more[@]}"
fi

scratch=$(mktemp -d "$scratch_parent/run-once-bench-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

python3 - "$count" "$repeats" "$scratch" "$olva" "${more[@]}" <<'PY'
import json, os, re, shutil, signal, statistics, subprocess, sys, time

count, repeats, scratch = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
olvas = sys.argv[4:]
olva = olvas[0]
entry_line = re.compile(rb"^[0-9A-F]{8}  ", re.M)
tick = os.sysconf("SC_CLK_TCK")

def prepare(name):
    """Ten folders of fresh files and a data directory whose rule tags them."""
    base = os.path.join(scratch, name)
    shutil.rmtree(base, ignore_errors=True)
    folders = [os.path.join(base, f"Inbox{i}") for i in range(10)]
    data = os.path.join(base, "data")
    os.makedirs(data)
    for folder in folders:
        os.makedirs(folder)
    for i in range(count):
        with open(os.path.join(folders[i % len(folders)], f"file-{i:06d}.dat"), "wb") as f:
            f.write(b"x" * (i % 512))
    rule = {"name": "Tag", "match": {"mode": "all", "items": [{"attr": "ext", "op": "is", "value": "dat"}]},
            "actions": [{"addTags": {"tags": ["seen"]}}]}
    with open(os.path.join(data, "rules.json"), "w") as f:
        json.dump({"folders": [{"path": folder, "rules": [rule]} for folder in folders]}, f)
    return base, data

def settled():
    # `run` waits two seconds for a file to settle: files older than that
    # are handled at once, as by `once`.
    time.sleep(2.5)

def time_once(data, out_path):
    with open(out_path, "wb") as out:
        start = time.monotonic()
        child = subprocess.Popen([olva, "once"], stdout=out, stderr=subprocess.DEVNULL,
                                 env=dict(os.environ, OLVA_HOME=data))
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.monotonic() - start
    if status != 0:
        sys.exit(f"bench: olva once failed ({status})")
    with open(out_path, "rb") as f:
        entries = len(entry_line.findall(f.read()))
    if entries != count:
        sys.exit(f"bench: olva once logged {entries} of {count} entries")
    return wall, usage.ru_utime + usage.ru_stime

def time_run(data, out_path, debug=False):
    env = dict(os.environ, OLVA_HOME=data)
    err_path = out_path + ".err"
    if debug:
        env["OLVA_DEBUG"] = "1"
    out = open(out_path, "wb")
    err = open(err_path, "wb")
    start = time.monotonic()
    child = subprocess.Popen([olva, "run"], stdout=out, stderr=err, env=env)
    read_at, entries, last_entry = 0, 0, None

    def cpu():
        with open(f"/proc/{child.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / tick

    deadline = time.monotonic() + 3600

    def wait_quiet(seconds):
        last, still = cpu(), time.monotonic()
        while time.monotonic() - still < seconds:
            time.sleep(0.25)
            now = cpu()
            if now != last:
                last, still = now, time.monotonic()
            if time.monotonic() > deadline:
                sys.exit("bench: olva run never went quiet")
        return last

    while entries < count:
        if child.poll() is not None or time.monotonic() > deadline:
            sys.exit(f"bench: olva run logged {entries} of {count} entries")
        with open(out_path, "rb") as f:
            f.seek(read_at)
            chunk = f.read()
        cut = chunk.rfind(b"\n") + 1
        found = len(entry_line.findall(chunk[:cut]))
        read_at += cut
        if found:
            entries += found
            last_entry = time.monotonic()
        time.sleep(0.02)
    to_last = last_entry - start
    # Quiet: no CPU time for five seconds (past the settle interval, so a
    # pass its own changes bring on would have begun).
    last = wait_quiet(5)
    def passes():
        with open(err_path, "rb") as f:
            return len(re.findall(rb"^\S+ scan ", f.read(), re.M))

    scans = passes() if debug else None
    mounts = []
    if debug and os.environ.get("OLVA_BENCH_MOUNTS"):
        # A volume that holds none of the watched folders.
        point = os.path.join(scratch, "elsewhere")
        os.makedirs(point, exist_ok=True)
        for command in (["mount", "-t", "tmpfs", "tmpfs", point], ["umount", point]):
            before_cpu, before_passes = cpu(), passes()
            subprocess.run(command, check=True)
            time.sleep(1)
            after_cpu = wait_quiet(3)
            mounts.append((command[0], passes() - before_passes, after_cpu - before_cpu))
    child.send_signal(signal.SIGTERM)
    child.wait(60)
    out.close()
    err.close()
    return to_last, last, (scans, mounts)

times = {program: {"once_wall": [], "once_cpu": [], "run_wall": [], "run_cpu": []} for program in olvas}
for repeat in range(repeats):
    print(f"repeat {repeat + 1} of {repeats}: {count} files in 10 folders, each side", flush=True)
    for olva in olvas:
        if len(olvas) > 1:
            print(f" {olva}", flush=True)
        _, once_data = prepare("once")
        _, run_data = prepare("run")
        settled()
        sides = ["once", "run"] if repeat % 2 == 0 else ["run", "once"]
        for side in sides:
            if side == "once":
                wall, cpu = time_once(once_data, os.path.join(scratch, "once.out"))
                times[olva]["once_wall"].append(wall); times[olva]["once_cpu"].append(cpu)
                print(f"  olva once: {wall:.2f} s, CPU {cpu:.2f} s", flush=True)
            else:
                wall, cpu, _ = time_run(run_data, os.path.join(scratch, "run.out"))
                times[olva]["run_wall"].append(wall); times[olva]["run_cpu"].append(cpu)
                print(f"  olva run:  {wall:.2f} s to the last entry, CPU {cpu:.2f} s until quiet", flush=True)

m = statistics.median
for olva in olvas:
    _, run_data = prepare("run")
    settled()
    _, _, (scans, mounts) = time_run(run_data, os.path.join(scratch, "run.out"), debug=True)
    if len(olvas) > 1:
        print(f"{olva}:")
    for command, passes, cpu in mounts:
        print(f"a tmpfs elsewhere, {command}: {passes} folder passes, {cpu:.2f} s CPU")
    t = times[olva]
    print(f"medians of {repeats}: olva once {m(t['once_wall']):.2f} s (CPU {m(t['once_cpu']):.2f} s); "
          f"olva run {m(t['run_wall']):.2f} s to the last entry (CPU {m(t['run_cpu']):.2f} s until quiet); "
          f"ratio {m(t['run_wall']) / m(t['once_wall']):.2f}x wall, {m(t['run_cpu']) / m(t['once_cpu']):.2f}x CPU; "
          f"olva run made {scans} folder passes over 10 folders to handle them", flush=True)
PY

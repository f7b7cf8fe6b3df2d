#!/usr/bin/env bash
# Kills `olva run` with SIGKILL at random moments while a rule renames,
# tags and runs a script on each of many files, then starts it again, lets
# it finish, and undoes every logged entry. Per trial it counts files lost
# or duplicated (by SHA-256), renamed twice, scripts run twice, scripts that
# ran with no entry saying so, data files that do not parse after the kill,
# runs logged as interrupted, and files an undo could not bring back. A
# restart that exits at once (its sentence is counted) is started again.
#
# With the kind "away", the rule moves large files (of `mib` MiB each) to
# another file system, a tmpfs that each trial mounts (so it runs as root, in
# a mount namespace of its own that takes the mounts with it): the kills then
# mostly fall while a file is copied. Per trial it also counts files that
# arrived truncated or mixed (whose SHA-256 is no file's), sources lost, and
# temporaries left behind.
#
# usage: bench/kill-trials.sh [trials] [files] [parallel] [olva] [first trial] [kind: rules|away] [mib]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
trials=${1:-50}
kind=${6:-rules}
if [ "$kind" = away ]; then count=${2:-24}; else count=${2:-2000}; fi
parallel=${3:-3}
olva=${4:-$here/build/olva/olva}
first=${5:-0}
mib=${7:-8}
[ -x "$olva" ] || { echo "kill-trials: no olva at $olva" >&2; exit 1; }
case "$kind" in
  rules) run=() ;;
  away)
    [ "$(id -u)" -eq 0 ] ||
      { echo "kill-trials: moves to another file system mount a tmpfs, which needs root" >&2; exit 1; }
    run=(unshare --mount --propagation private) ;;
  *) echo "kill-trials: the kind is rules or away, not $kind" >&2; exit 1 ;;
esac
scratch=$(mktemp -d "$here/build/kill-trials-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

"${run[@]}" python3 - "$olva" "$trials" "$count" "$parallel" "$scratch" "$first" "$kind" "$mib" <<'PY'
import concurrent.futures, hashlib, json, os, random, re, signal, subprocess, sys, time

olva, trials, count, parallel, scratch = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
first, kind, mib = int(sys.argv[6]), sys.argv[7], int(sys.argv[8])
TEMPORARY = re.compile(r"^\.olva-[0-9A-F-]{36}\.partial$")
INTERRUPTED = "interrupted: Olva stopped before the rule\u2019s actions finished"
MAY_HAVE_RUN = "the script may have run before Olva stopped"

def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()

def lines(path):
    try:
        with open(path, "rb") as f:
            return f.read().split(b"\n")
    except FileNotFoundError:
        return []

def unparsable(data):
    bad = 0
    for name in ("rules.json", "seen.json"):
        path = os.path.join(data, name)
        if os.path.exists(path):
            try:
                json.load(open(path))
            except ValueError:
                bad += 1
    for name in ("log.json", "log.1.json"):
        for line in lines(os.path.join(data, name)):
            if line:
                try:
                    json.loads(line)
                except ValueError:
                    bad += 1
    return bad

def entries(data):
    # A last line without its line feed may still be being written.
    out = []
    for name in ("log.1.json", "log.json"):
        for line in lines(os.path.join(data, name))[:-1]:
            if line:
                out.append(json.loads(line))
    return out

def by_digest(folder):
    """The names in a folder by their content's digest."""
    found = {}
    for name in os.listdir(folder):
        found.setdefault(digest(os.path.join(folder, name)), []).append(name)
    return found

def undo_all(runs, env):
    """Undoes every entry that did something, newest first; how many failed."""
    failed = 0
    for e in reversed(runs):
        if e["steps"] and subprocess.run([olva, "undo", e["id"][:13]], env=env, capture_output=True).returncode:
            failed += 1
    return failed

def trial(number):
    rng = random.Random(number)
    root = os.path.join(scratch, f"t{number}")
    inbox, data = os.path.join(root, "Inbox"), os.path.join(root, "data")
    counter = os.path.join(root, "ran.txt")
    os.makedirs(inbox)
    os.makedirs(data)
    before = {}
    for i in range(count):
        name = f"file-{i:05d}.dat"
        with open(os.path.join(inbox, name), "wb") as f:
            f.write(os.urandom(64) + name.encode())
        before[name] = digest(os.path.join(inbox, name))
    rule = {"name": "Trial", "match": {"mode": "all", "items": [{"attr": "ext", "op": "is", "value": "dat"}]},
            "actions": [{"rename": {"to": "{name}-r"}}, {"addTags": {"tags": ["trial"]}},
                        {"shell": {"script": f"echo \"$1\" >> '{counter}'"}}]}
    json.dump({"folders": [{"path": inbox, "rules": [rule]}]}, open(os.path.join(data, "rules.json"), "w"))
    env = dict(os.environ, OLVA_HOME=data)

    # Killed once some of the files are handled, at a moment drawn at random.
    target = rng.randrange(1, count)
    child = subprocess.Popen([olva, "run"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 300
    while len(lines(counter)) - 1 < target and time.monotonic() < deadline:
        time.sleep(0.005)
    time.sleep(rng.random() * 0.02)
    child.send_signal(signal.SIGKILL)
    child.wait()
    bad_after_kill = unparsable(data)

    # Started again and left to finish: every file has its entry. Like a
    # supervisor, this starts it again should it exit before: the sentence it
    # gave is kept, and counted.
    refused = []
    said = os.path.join(root, "restart.txt")
    def start():
        with open(said, "w") as err:
            return subprocess.Popen([olva, "run"], env=env, stdout=subprocess.DEVNULL, stderr=err)
    child = start()
    deadline = time.monotonic() + 600
    while time.monotonic() < deadline:
        logged = {e["file"] for e in entries(data) if "undoOf" not in e}
        if len(logged) >= count:
            break
        if child.poll() is not None and len(refused) < 5:
            refused.append(open(said).read().strip().splitlines()[:1] or [f"exit status {child.returncode}"])
            time.sleep(0.2)
            child = start()
        time.sleep(0.2)
    time.sleep(2.5)
    child.send_signal(signal.SIGTERM)
    child.wait()

    log = entries(data)
    runs = [e for e in log if "undoOf" not in e]
    interrupted = [e for e in runs if e.get("error") == INTERRUPTED]
    ran = [l.decode() for l in lines(counter) if l]
    ran_twice = len(ran) - len(set(ran))
    # A script that ran must be named by a shell step of its file's entry.
    shells = {}
    for e in runs:
        for step in e["steps"]:
            if step["kind"] == "shell":
                shells[step["from"]] = step.get("note")
    unnamed = sum(1 for path in set(ran) if path not in shells)
    noted = sum(1 for note in shells.values() if note == MAY_HAVE_RUN)
    twice = sum(1 for name in os.listdir(inbox) if "-r-r" in name)

    undo_failed = undo_all(runs, env)
    after = by_digest(inbox)
    lost = sum(1 for name, sha in before.items() if sha not in after)
    duplicated = sum(len(names) - 1 for names in after.values())
    not_back = sum(1 for name, sha in before.items() if name not in after.get(sha, []))
    return dict(trial=number, lost=lost, duplicated=duplicated, renamed_twice=twice, scripts_twice=ran_twice,
                scripts_unnamed=unnamed, may_have_run=noted, unparsable=bad_after_kill + unparsable(data),
                interrupted=len(interrupted), undo_failed=undo_failed, not_back=not_back,
                refused=[line for lines in refused for line in lines])

def start_run(env, said):
    with open(said, "w") as err:
        return subprocess.Popen([olva, "run"], env=env, stdout=subprocess.DEVNULL, stderr=err)

def trial_away(number):
    rng = random.Random(number)
    root = os.path.join(scratch, f"t{number}")
    inbox, away, data = (os.path.join(root, name) for name in ("Inbox", "Away", "data"))
    for folder in (inbox, away, data):
        os.makedirs(folder)
    subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={2 * count * mib + 64}m", "tmpfs", away], check=True)
    try:
        return away_trial(rng, number, root, inbox, away, data)
    finally:
        subprocess.run(["umount", "-l", away])

def away_trial(rng, number, root, inbox, away, data):
    before = {}
    for i in range(count):
        name = f"big-{i:03d}.dat"
        with open(os.path.join(inbox, name), "wb") as f:
            f.write(os.urandom(mib << 20))
        before[name] = digest(os.path.join(inbox, name))
    rule = {"name": "Away", "match": {"mode": "all", "items": [{"attr": "ext", "op": "is", "value": "dat"}]},
            "actions": [{"move": {"to": away}}]}
    json.dump({"folders": [{"path": inbox, "rules": [rule]}]}, open(os.path.join(data, "rules.json"), "w"))
    env = dict(os.environ, OLVA_HOME=data)

    # Killed 0 to 3 ms after the file of a number drawn at random began to
    # arrive (under whatever name), mostly while it is copied.
    target = rng.randrange(0, count)
    child = subprocess.Popen([olva, "run"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 300
    while len(os.listdir(away)) <= target and time.monotonic() < deadline:
        time.sleep(0.001)
    time.sleep(rng.random() * 0.003)
    child.send_signal(signal.SIGKILL)
    child.wait()
    bad_after_kill = unparsable(data)
    mid_copy = sum(1 for n in os.listdir(inbox) if os.path.exists(os.path.join(away, n)))
    mid_copy += sum(1 for n in os.listdir(away) if TEMPORARY.match(n))

    # Until every file has moved, or (as a file cut short may be left where
    # it is) every file is logged and nothing more happens for 5 seconds.
    refused = []
    said = os.path.join(root, "restart.txt")
    child = start_run(env, said)
    deadline = time.monotonic() + 600
    seen, quiet_since = -1, time.monotonic()
    while time.monotonic() < deadline:
        log = entries(data)
        if len(log) != seen:
            seen, quiet_since = len(log), time.monotonic()
        logged = {e["file"] for e in log}
        if len(logged) >= count and (not os.listdir(inbox) or time.monotonic() - quiet_since > 5):
            break
        if child.poll() is not None and len(refused) < 5:
            refused.append(open(said).read().strip().splitlines()[:1] or [f"exit status {child.returncode}"])
            child = start_run(env, said)
        time.sleep(0.1)
    child.send_signal(signal.SIGTERM)
    child.wait()

    runs = [e for e in entries(data) if "undoOf" not in e]
    interrupted = [e for e in runs if e.get("error") == INTERRUPTED]
    known = set(before.values())
    arrived = {}
    temporaries = 0
    for name in os.listdir(away):
        if TEMPORARY.match(name):
            temporaries += 1
            continue
        arrived.setdefault(digest(os.path.join(away, name)), []).append(name)
    broken = sum(len(names) for sha, names in arrived.items() if sha not in known)
    duplicated = sum(len(names) - 1 for sha, names in arrived.items() if sha in known)
    left = {digest(os.path.join(inbox, name)) for name in os.listdir(inbox)}
    lost = sum(1 for sha in known if sha not in arrived and sha not in left)

    undo_failed = undo_all(runs, env)
    back = by_digest(inbox)
    not_back = sum(1 for name, sha in before.items() if name not in back.get(sha, []))
    return dict(trial=number, killed_mid_copy=min(mid_copy, 1), truncated_or_mixed=broken, lost=lost,
                duplicated=duplicated, temporaries_left=temporaries, unparsable=bad_after_kill + unparsable(data),
                interrupted=len(interrupted), undo_failed=undo_failed, not_back=not_back,
                refused=[line for lines in refused for line in lines])

results = []
with concurrent.futures.ThreadPoolExecutor(parallel) as pool:
    for result in pool.map(trial_away if kind == "away" else trial, range(first, first + trials)):
        print(json.dumps(result), flush=True)
        results.append(result)
if kind == "away":
    keys = ["truncated_or_mixed", "lost", "duplicated", "temporaries_left", "unparsable", "undo_failed", "not_back"]
    print(f"\n{trials} trials, each moving {count} files of {mib} MiB to a tmpfs:")
else:
    keys = ["lost", "duplicated", "renamed_twice", "scripts_twice", "scripts_unnamed", "unparsable", "undo_failed",
            "not_back"]
    print(f"\n{trials} trials of {count} files:")
for key in keys:
    print(f"  {key}: {sum(r[key] for r in results)} in all, in {sum(1 for r in results if r[key])} trials")
print(f"  trials with a run logged as interrupted: {sum(1 for r in results if r['interrupted'])} of {trials}")
if kind == "away":
    print(f"  trials killed while a file was copied: {sum(r['killed_mid_copy'] for r in results)} of {trials}")
else:
    print(f"  interrupted entries noting the script may have run: {sum(r['may_have_run'] for r in results)}")
refusals = [line for r in results for line in r["refused"]]
print(f"  restarts that exited before every file was handled, and were started again: {len(refusals)}")
for line in sorted(set(refusals)):
    print(f"    {refusals.count(line)}x: {line}")
PY

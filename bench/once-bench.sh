#!/usr/bin/env bash
# How long `olva once` takes over a large watched folder that no rule
# matches, first on a fresh data directory and again on the unchanged
# folder, each next to `find` listing and stat-ing the same files.
#
# usage: bench/once-bench.sh [olva] [number of files] [scratch folder]
set -euo pipefail
. "$(dirname "$0")/common.sh"
count=${2:-50000}
start_olva_bench once-bench "${1:-}" "${3:-}"
folder=$scratch/Inbox
mkdir -p "$folder" "$scratch/data"

echo "creating $count files in $folder"
python3 - "$folder" "$count" <<'PY'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    with open(os.path.join(folder, f"file-{i:06d}.dat"), "wb") as f:
        f.write(b"x" * (i % 512))
PY

# Three rules, one per kind of condition, none of which any file meets.
cat >"$scratch/data/rules.json" <<JSON
{"folders":[{"path":"$folder","rules":[
 {"name":"By name","match":{"mode":"all","items":[{"attr":"name","op":"startsWith","value":"invoice"}]},"actions":[{"trash":{}}]},
 {"name":"By extension","match":{"mode":"all","items":[{"attr":"ext","op":"is","value":"pdf"}]},"actions":[{"trash":{}}]},
 {"name":"By size","match":{"mode":"all","items":[{"attr":"size","op":"gt","value":"1 GB"}]},"actions":[{"trash":{}}]}
]}]}
JSON

now() { date +%s.%N; }
seconds() { python3 -c "print(f'{$2 - $1:.3f}')"; }

time_find() {
    local start end
    start=$(now)
    find "$folder" -mindepth 1 -maxdepth 1 -type f -printf '%s %T@ %p\n' >/dev/null
    end=$(now)
    seconds "$start" "$end"
}

time_once() {
    local start end
    start=$(now)
    OLVA_HOME=$scratch/data "$olva" once >/dev/null
    end=$(now)
    seconds "$start" "$end"
}

# Warm the page cache so both sides read the same state.
find "$folder" -type f -printf '%s\n' >/dev/null

report() {
    local label=$1 olva_s=$2 find_s=$3
    python3 -c "print(f'$label: olva once {$olva_s:.3f} s, find {$find_s:.3f} s, ratio {$olva_s / max($find_s, 1e-6):.2f}x')"
}

find1=$(time_find)
once1=$(time_once)
report "first pass " "$once1" "$find1"

find2=$(time_find)
once2=$(time_once)
report "second pass" "$once2" "$find2"

# Sourced by the benchmark scripts: `here` is the top of the tree;
# need_program stops with a sentence when a program was not built;
# make_scratch NAME PARENT makes `scratch`, removed on exit unless
# KEEP_SCRATCH is set; start_olva_bench NAME [olva] [scratch folder] does
# both for the benchmarks of the tool, from their optional arguments.
here=$(cd "$(dirname "$0")/.." && pwd)

need_program() {
  [ -x "$1" ] || { echo "bench: no $1 (build first)" >&2; exit 1; }
}

make_scratch() {
  scratch=$(mktemp -d "$2/$1-XXXXXX")
  trap '[ -n "${KEEP_SCRATCH:-}" ] || rm -rf "$scratch"' EXIT
}

start_olva_bench() {
  olva=${2:-$here/build/olva/olva}
  need_program "$olva"
  make_scratch "$1" "${3:-$here/build}"
}

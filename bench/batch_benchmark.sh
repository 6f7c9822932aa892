#!/usr/bin/env bash
# Many scenes at once: a folder of scenes converted by the README's recipes,
# one at a time and on every core, and by the Python package (convert_files
# in one process, and the Dask example on two local workers). Not part of the
# test suite.
#   bench/batch_benchmark.sh [BUILD_DIR] [WORK_DIR] [ROUNDS]
# BUILD_DIR defaults to build/bench (cmake --workflow --preset bench); WORK_DIR,
# where the corpus and the outputs go, to BUILD_DIR/batch-data (about 10 GB);
# ROUNDS, the runs of each recipe whose median counts, to 3.
#
# The corpus, made once by make_scene: 1,000 scenes of one to three objects of
# 1,000 to 5,000 vertices (with faces and UVs), 250 MB in all, as a game's or a
# demo's asset folder might hold. Every run starts after `sync` with the
# corpus in the page cache, and writes into a fresh folder of its own. The
# folders are deleted only once all runs are done: on a file system mounted
# with `discard` (as this project's machine's is), deleting a run's 5,000
# files just before the next run would have that run wait for the disk's
# discards, timing the deletion instead of the recipe.
set -euo pipefail
build=${1:-build/bench}
work=${2:-$build/batch-data}
rounds=${3:-3}
polymill=$(realpath "$build/polymill")
python_path=$(realpath "$build/python")
[ -f "$python_path/polymill/__init__.py" ] ||
  { echo "needs the Python package in $python_path: cmake --workflow --preset bench, with python3-dev"; exit 1; }
examples=$(realpath "$(dirname "$0")/../examples")
make_scene=$build/bench/make_scene
cores=$(nproc)
mkdir -p "$work/corpus"
corpus=$(realpath "$work/corpus")

if [ "$(find "$corpus" -name '*.3ds' | wc -l)" -ne 1000 ]; then
  for i in $(seq 1000); do
    vertices=$((1000 + (i * 7919) % 4000))
    "$make_scene" $((1 + i % 3)) "$vertices" $((vertices * 3 / 2)) "$vertices" "$corpus/scene$i.3ds" >/dev/null
  done
fi
bytes=$(du -cb "$corpus"/*.3ds | tail -n 1 | cut -f 1)

# The README's recipes, each converting every scene of the corpus into OUT.
one_at_a_time() {
  find "$corpus" -name '*.3ds' -print0 | xargs -0 -P1 -I{} sh -c \
    'n=$(basename "$1" .3ds); "$2" "$1" "$3/$n.vertices" "$3/$n.faces" "$3/$n.mapping" > "$3/$n.trace"' _ {} "$polymill" "$1"
}
every_core() {
  find "$corpus" -name '*.3ds' -print0 | xargs -0 -P"$cores" -I{} sh -c \
    'n=$(basename "$1" .3ds); "$2" "$1" "$3/$n.vertices" "$3/$n.faces" "$3/$n.mapping" > "$3/$n.trace"' _ {} "$polymill" "$1"
}
# The Python package: convert_files on a thread per core, in one process, and
# the Dask example on a LocalCluster of two worker processes.
python_convert_files() {
  PYTHONPATH=$python_path /usr/bin/python3 -c 'import sys, polymill
results = polymill.convert_files(sys.argv[1:-1], sys.argv[-1])
sys.exit(any(r.status for r in results))' "$corpus"/*.3ds "$1"
}
dask_two_workers() {
  PYTHONPATH=$python_path /usr/bin/python3 "$examples/dask_batch/convert_folder.py" "$corpus" "$1" > /dev/null
}
make_on_every_core() {
  cat >"$1/Makefile" <<MAKE
SCENES := \$(wildcard $corpus/*.3ds)
all: \$(patsubst $corpus/%.3ds,%.vertices,\$(SCENES))
%.vertices %.faces %.mapping %.trace &: $corpus/%.3ds
	$polymill \$< \$*.vertices \$*.faces \$*.mapping > \$*.trace || { rm -f \$*.vertices \$*.faces \$*.mapping \$*.trace; exit 1; }
MAKE
  make -s -C "$1" -j"$cores"
}

recipes="one_at_a_time every_core make_on_every_core python_convert_files"
if /usr/bin/python3 -c 'import distributed' 2>/dev/null; then
  recipes="$recipes dask_two_workers"
else
  echo "no Dask here (Debian: apt-get install python3-distributed): its recipe is left out"
fi
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
rm -rf "$work/out"
free_mb=$(df -Pm "$work" | awk 'NR == 2 { print $4 }')
needed_mb=$((rounds * 5 * 700))  # a run writes about 650 MB
[ "$free_mb" -ge "$needed_mb" ] || { echo "needs about $needed_mb MB free under $work (has $free_mb MB)"; exit 1; }
cat "$corpus"/*.3ds >/dev/null
echo "corpus: 1000 scenes, $((bytes / 1000000)) MB; $cores cores: $(grep -m 1 'model name' /proc/cpuinfo | cut -d: -f2- | xargs)"
printf '%-28s %10s %10s %8s\n' recipe "median s" "scenes/s" "MB/s"
declare -A times
for round in $(seq "$rounds"); do
  for recipe in $recipes; do
    out=$work/out/$recipe-$round
    mkdir -p "$out" && sync
    start=$(date +%s%N)
    "$recipe" "$out"
    times[$recipe]="${times[$recipe]:-} $(($(date +%s%N) - start))"
    [ "$(find "$out" -name '*.vertices' | wc -l)" -eq 1000 ] || { echo "$recipe left a scene out"; exit 1; }
  done
done
rm -rf "$work/out"
for recipe in $recipes; do
  # shellcheck disable=SC2086  # the times are words
  ns=$(median ${times[$recipe]})
  awk -v r="$recipe" -v ns="$ns" -v b="$bytes" 'BEGIN { s = ns / 1e9; printf "%-28s %10.2f %10.0f %8.0f\n", r, s, 1000 / s, b / 1e6 / s }'
done

#!/usr/bin/env bash
# The Python package against the native command. Not part of the test suite.
#   bench/python_benchmark.sh [BUILD_DIR] [WORK_DIR] [ROUNDS]
# BUILD_DIR defaults to build/bench (cmake --workflow --preset bench, with
# python3-dev and python3-numpy installed, builds the package there); WORK_DIR,
# where the scene and the outputs go, to BUILD_DIR/bench-data (about 1 GB);
# ROUNDS, the runs whose median counts, to 5.
#
# polymill.load of the 330 MB scene of bench/run_benchmark.sh (200 objects of
# 40,000 vertices, 60,000 faces and 40,000 UVs) against `polymill scene v f m >
# trace`: each timed in a process of its own after `sync`, the two taking
# turns. For load, the call alone and the whole process (the interpreter and
# numpy starting too), and the process's peak against the arrays it returns.
# Then the batch recipes: bench/batch_benchmark.sh.
set -euo pipefail
build=${1:-build/bench}
work=${2:-$build/bench-data}
rounds=${3:-5}
polymill=$build/polymill
python_path=$build/python
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian: apt-get install time)"; exit 1; }
[ -x "$polymill" ] && [ -x "$build/bench/make_scene" ] && [ -f "$python_path/polymill/__init__.py" ] ||
  { echo "needs $polymill, make_scene and the Python package: cmake --workflow --preset bench, with python3-dev"; exit 1; }
/usr/bin/python3 -c 'import numpy' || { echo "needs numpy (Debian: apt-get install python3-numpy)"; exit 1; }
mkdir -p "$work"
scene=$work/scene-330MB.3ds
[ -f "$scene" ] || "$build/bench/make_scene" 200 40000 60000 40000 "$scene"
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# The load, in a process: prints the call's seconds and the arrays' bytes.
load_script='import sys, time, polymill
start = time.perf_counter()
scene = polymill.load(sys.argv[1])
seconds = time.perf_counter() - start
arrays = sum(a.nbytes for a in (scene.vertices, scene.faces, scene.mapping, scene.triangles))
print(seconds, arrays)'

cat "$scene" > /dev/null
command_s=() call_s=() process_s=() peak_kb=()
for _ in $(seq "$rounds"); do
  sync
  start=$(date +%s%N)
  "$polymill" "$scene" "$work/run.v" "$work/run.f" "$work/run.m" > "$work/run.trace"
  command_s+=($(awk -v ns=$(($(date +%s%N) - start)) 'BEGIN { print ns / 1e9 }'))
  rm -f "$work"/run.*
  sync
  start=$(date +%s%N)
  read -r seconds arrays kb < <(PYTHONPATH=$python_path /usr/bin/time -f %M /usr/bin/python3 -c "$load_script" "$scene" 2>&1 | paste -sd' ')
  process_s+=($(awk -v ns=$(($(date +%s%N) - start)) 'BEGIN { print ns / 1e9 }'))
  call_s+=("$seconds") peak_kb+=("$kb")
done
command=$(median "${command_s[@]}") call=$(median "${call_s[@]}") process=$(median "${process_s[@]}") kb=$(median "${peak_kb[@]}")
echo "scene: $(($(stat -c %s "$scene") / 1000000)) MB; medians of $rounds rounds"
printf '%-34s %8s %12s\n' "" seconds "x command"
awk -v c="$command" 'BEGIN { printf "%-34s %8.3f %12.2f\n", "polymill scene v f m > trace", c, 1 }'
awk -v c="$command" -v s="$call" 'BEGIN { printf "%-34s %8.3f %12.2f\n", "polymill.load, the call", s, s / c }'
awk -v c="$command" -v s="$process" 'BEGIN { printf "%-34s %8.3f %12.2f\n", "polymill.load, the whole process", s, s / c }'
awk -v kb="$kb" -v a="$arrays" 'BEGIN { printf "load: arrays %.0f MB, peak of the process %.0f MB (%.2f x the arrays)\n", a / 1e6, kb * 1024 / 1e6, kb * 1024 / a }'
echo
"$(dirname "$0")/batch_benchmark.sh" "$build" "$build/batch-data" 3

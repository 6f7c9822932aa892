#!/usr/bin/env bash
# End-to-end benchmark: polymill against the machine's own file I/O on scenes
# of about 30 MB, 330 MB and 1 GB. Not part of the test suite.
#   bench/run_benchmark.sh [BUILD_DIR] [WORK_DIR] [ROUNDS]
# BUILD_DIR defaults to build/default (built with: cmake --workflow --preset default);
# WORK_DIR, where scenes and outputs go, defaults to BUILD_DIR/bench-data (about 4 GB);
# ROUNDS, the runs of each command whose median counts, defaults to 5.
set -euo pipefail
build=${1:-build/default}
work=${2:-$build/bench-data}
rounds=${3:-5}
polymill=$build/polymill
make_scene=$build/bench/make_scene
mkdir -p "$work"

now() { date +%s%N; }
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# timed COMMAND...: its wall time in nanoseconds. Each run starts with no dirty
# pages left by the one before, so that none pays for another's writeback.
timed() {
  sync
  local start
  start=$(now)
  "$@"
  echo $(($(now) - start))
}

convert_to_null() { "$polymill" "$1" "$work/v" "$work/f" "$work/m" > /dev/null; }
convert_to_file() { "$polymill" "$1" "$work/v" "$work/f" "$work/m" > "$work/trace"; }
read_input() { cat "$1" > /dev/null; }
write_bytes() { head -c "$1" /dev/zero > "$work/zero"; }

printf '%-8s %10s %10s %10s %10s %8s %9s %10s %8s\n' scene "input MB" "to null s" "to file s" "floor s" ratio "MB/s" "peak MB" "peak/in"
declare -A seconds_at
for scene_size in "30MB 18" "330MB 200" "1GB 610"; do
  set -- $scene_size
  name=$1 objects=$2
  scene=$work/scene-$name.3ds
  [ -f "$scene" ] || "$make_scene" "$objects" 40000 60000 40000 "$scene"
  input_bytes=$(stat -c %s "$scene")
  convert_to_file "$scene"  # warms the page cache; also tells how much polymill writes
  written=$(($(stat -c %s "$work/v") + $(stat -c %s "$work/f") + $(stat -c %s "$work/m") + $(stat -c %s "$work/trace")))

  # The commands take turns, so that all of them meet the machine in the same states.
  to_null=() to_file=() floor=()
  for _ in $(seq "$rounds"); do
    to_null+=($(timed convert_to_null "$scene"))
    to_file+=($(timed convert_to_file "$scene"))
    floor+=($(($(timed read_input "$scene") + $(timed write_bytes "$written"))))
  done
  null_ns=$(median "${to_null[@]}")
  file_ns=$(median "${to_file[@]}")
  floor_ns=$(median "${floor[@]}")
  sync
  peak_kb=$(/usr/bin/time -f %M "$polymill" "$scene" "$work/v" "$work/f" "$work/m" 2>&1 > "$work/trace" | tail -n 1)

  seconds_at[$name]=$file_ns
  awk -v name="$name" -v in_b="$input_bytes" -v null_ns="$null_ns" -v file_ns="$file_ns" -v floor_ns="$floor_ns" \
      -v peak_kb="$peak_kb" 'BEGIN {
    printf "%-8s %10.1f %10.3f %10.3f %10.3f %8.2f %9.0f %10.1f %8.2f\n", name, in_b / 1e6, null_ns / 1e9, file_ns / 1e9,
      floor_ns / 1e9, file_ns / floor_ns, in_b / 1e6 / (file_ns / 1e9), peak_kb / 1024, peak_kb * 1024 / in_b }'
done
echo "growth, 1GB over 330MB (trace to a file): $(awk -v a="${seconds_at[1GB]}" -v b="${seconds_at[330MB]}" 'BEGIN { printf "%.2f", a / b }')"
echo "ratio: polymill (trace to a file) over the floor, cat of the input plus writing as many bytes as polymill writes"
rm -f "$work/v" "$work/f" "$work/m" "$work/trace" "$work/zero"

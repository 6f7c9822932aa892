#!/usr/bin/env bash
# End-to-end benchmark: polymill against the machine's own file I/O. Not part
# of the test suite.
#   bench/run_benchmark.sh [BUILD_DIR] [WORK_DIR] [ROUNDS]
# The WebAssembly routes are measured by bench/wasm_benchmark.mjs.
# BUILD_DIR defaults to build/bench (built with: cmake --workflow --preset bench);
# WORK_DIR, where scenes and outputs go, defaults to BUILD_DIR/bench-data (about 5 GB);
# ROUNDS, the runs of each command whose median counts, defaults to 5.
#
# Every timed run starts after `sync`, so that none pays for the writeback of
# another, and writes to fresh file names, deleted after it, so that none
# overwrites files an earlier run left. The floor is what the machine's own
# tools take for the same bytes, each part timed alone the same way: `cat` of
# the input to /dev/null, and `head -c N /dev/zero` into a fresh file, N being
# all polymill writes (three output files and the trace). The commands take
# turns, round by round, so that all of them meet the machine in the same states.
set -euo pipefail
build=${1:-build/bench}
work=${2:-$build/bench-data}
rounds=${3:-5}
polymill=$build/polymill
objects_command=$build/polymill-objects
make_scene=$build/bench/make_scene
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian: apt-get install time)"; exit 1; }
[ -x "$polymill" ] && [ -x "$objects_command" ] && [ -x "$make_scene" ] ||
  { echo "needs $polymill, $objects_command and $make_scene: cmake --workflow --preset bench"; exit 1; }
mkdir -p "$work"
# The scenes take 1.6 GB and a run on the largest writes about 1.5 GB more; a disk that fills would time the failure.
needed_kb=$((5 * 1000 * 1000))
scenes_kb=$(du -sk "$work" | cut -f1)
free_kb=$(df -Pk "$work" | awk 'NR == 2 { print $4 }')
[ $((free_kb + scenes_kb)) -ge "$needed_kb" ] ||
  { echo "needs about 5 GB free under $work (has $((free_kb / 1000)) MB, with $((scenes_kb / 1000)) MB of scenes already made)"; exit 1; }

now() { date +%s%N; }
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

run=0
fresh() { run=$((run + 1)); echo "$work/run$run"; }  # a name no earlier run has used

# timed COMMAND...: its wall time in nanoseconds, outputs deleted afterwards.
timed() {
  sync
  local start end
  start=$(now)
  "$@"
  end=$(now)
  rm -f "$work"/run*
  echo $((end - start))
}

convert_to_null() { local o; o=$(fresh); "$polymill" "$1" "$o.v" "$o.f" "$o.m" > /dev/null; }
convert_to_file() { local o; o=$(fresh); "$polymill" "$1" "$o.v" "$o.f" "$o.m" > "$o.trace"; }
convert_from_pipe() { local o; o=$(fresh); cat "$1" | "$polymill" /dev/stdin "$o.v" "$o.f" "$o.m" > "$o.trace"; }
print_index() { "$objects_command" "$1" > "$(fresh).json"; }
read_input() { cat "$1" > /dev/null; }
write_bytes() { head -c "$1" /dev/zero > "$(fresh)"; }

printf '%-10s %9s %10s %10s %9s %9s %8s %7s %8s %8s %8s %9s %9s\n' scene "input MB" "to null s" "to file s" "read s" \
  "write s" "floor s" ratio "peak MB" "peak/in" "pipe s" "pipe MB" "index s"
declare -A seconds_at
# name, objects, UVs per object (0: no mapping lists); each object has 40,000 vertices and 60,000 faces.
for scene_sizes in "30MB 18 40000" "330MB 200 40000" "264MB-noUV 200 0" "1GB 610 40000"; do
  set -- $scene_sizes
  name=$1 objects=$2 uvs=$3
  scene=$work/scene-$name.3ds
  [ -f "$scene" ] || "$make_scene" "$objects" 40000 60000 "$uvs" "$scene"
  input_bytes=$(stat -c %s "$scene")
  # Warms the page cache with the input, and tells how much polymill writes.
  out=$(fresh)
  "$polymill" "$scene" "$out.v" "$out.f" "$out.m" > "$out.trace"
  written=$(cat "$out".* | wc -c)
  rm -f "$work"/run*

  to_null=() to_file=() reads=() writes=() floor=() pipe=() index=()
  for _ in $(seq "$rounds"); do
    to_null+=($(timed convert_to_null "$scene"))
    to_file+=($(timed convert_to_file "$scene"))
    pipe+=($(timed convert_from_pipe "$scene"))
    index+=($(timed print_index "$scene"))
    read_ns=$(timed read_input "$scene")
    write_ns=$(timed write_bytes "$written")
    reads+=($read_ns) writes+=($write_ns) floor+=($((read_ns + write_ns)))
  done
  sync
  out=$(fresh)
  peak_kb=$(/usr/bin/time -f %M "$polymill" "$scene" "$out.v" "$out.f" "$out.m" 2>&1 > "$out.trace" | tail -n 1)
  rm -f "$work"/run*
  sync
  pipe_peak_kb=$(cat "$scene" | /usr/bin/time -f %M "$polymill" /dev/stdin "$out.v" "$out.f" "$out.m" 2>&1 > "$out.trace" | tail -n 1)
  rm -f "$work"/run*

  file_ns=$(median "${to_file[@]}")
  floor_ns=$(median "${floor[@]}")
  seconds_at[$name]=$file_ns
  awk -v name="$name" -v in_b="$input_bytes" -v null_ns="$(median "${to_null[@]}")" -v file_ns="$file_ns" \
      -v read_ns="$(median "${reads[@]}")" -v write_ns="$(median "${writes[@]}")" -v floor_ns="$floor_ns" \
      -v peak_kb="$peak_kb" -v pipe_ns="$(median "${pipe[@]}")" -v pipe_kb="$pipe_peak_kb" \
      -v index_ns="$(median "${index[@]}")" 'BEGIN {
    printf "%-10s %9.1f %10.3f %10.3f %9.3f %9.3f %8.3f %7.2f %8.1f %8.2f %8.3f %9.1f %9.3f\n", name, in_b / 1e6,
      null_ns / 1e9, file_ns / 1e9, read_ns / 1e9, write_ns / 1e9, floor_ns / 1e9, file_ns / floor_ns,
      peak_kb / 1024, peak_kb * 1024 / in_b, pipe_ns / 1e9, pipe_kb / 1024, index_ns / 1e9 }'
done
echo "medians of $rounds rounds; ratio: polymill with the trace to a file over the floor (read + write);"
echo "pipe: the scene through cat | polymill /dev/stdin, the trace to a file; index: polymill-objects to a file"
echo "growth, 1GB over 330MB (trace to a file): $(awk -v a="${seconds_at[1GB]}" -v b="${seconds_at[330MB]}" 'BEGIN { printf "%.2f", a / b }')"

echo "the WebAssembly routes (npm command, page): node bench/wasm_benchmark.mjs"

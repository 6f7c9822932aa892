#!/usr/bin/env bash
# A scene rewritten in place while its files are written (a modeller saving
# it, a sync tool) must never give status 0: the files are written by reading
# the scene again after its walk, and what is read again would no longer be
# what the walk read. The file being written is a FIFO read by this script, so
# that the change lands after the walk, while the program waits to write.
# usage: changing_scene_test.sh PROGRAM "MAKE_TEST_SCENE COMMAND" [EMULATOR...]
#   the scene maker's command is one word list (with its emulator, if any);
#   EMULATOR runs PROGRAM (qemu-user; node with web/src/cli.js for the module).
set -u
program=$1
read -r -a make_test_scene <<<"$2"
shift 2
emulator=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# change_while_writing WHICH (1: vertices, 2: faces, 3: mapping) CHANGE: runs
# the program with that output a FIFO, makes CHANGE to the scene once the first
# bytes of that file arrive, and leaves the status in $status, the trace in $work/trace.
change_while_writing() {
  local outputs=("$work/v" "$work/f" "$work/m")
  rm -f "$work/out.fifo" "${outputs[@]}" && mkfifo "$work/out.fifo"
  outputs[$1 - 1]=$work/out.fifo
  "${emulator[@]}" "$program" "$work/scene.3ds" "${outputs[@]}" >"$work/trace" &
  local pid=$!
  exec 3<"$work/out.fifo"
  head -c 1 <&3 >/dev/null  # the walk is over; the rest of the file waits in the program
  $2
  cat <&3 >/dev/null
  exec 3<&-
  wait $pid
  status=$?
}
rewrite_vertex_bytes() {  # in place: same size, same name, other vertices
  printf 'changed!' | dd of="$work/scene.3ds" bs=1 seek=100 conv=notrunc status=none
}
leave_alone() { :; }

# which file, message, change, status
cases=(
  "1|Error Writing Vertices|rewrite_vertex_bytes|255"
  "2|Error Writing Faces|rewrite_vertex_bytes|255"
  "3|Error Writing Mapping Coordinates|rewrite_vertex_bytes|255"
  "1| Complete |leave_alone|0"
)
for entry in "${cases[@]}"; do
  IFS='|' read -r which message change expected <<<"$entry"
  # 4 objects of 65535 records each: every file is far larger than a pipe holds. The scene's
  # times are set far back, so that the change shows even within one tick of the clock.
  "${make_test_scene[@]}" sheets 4 "$work/scene.3ds" && touch -d '2001-01-01' "$work/scene.3ds" || exit 1
  change_while_writing "$which" "$change"
  [ "$status" = "$expected" ] || fail "file $which, $change: status $status, expected $expected"
  tail -c 40 "$work/trace" | grep -q "$message" || fail "file $which, $change: the trace does not end with '$message'"
done
[ "$failures" -eq 0 ] && echo "all changing-scene cases passed"
exit "$failures"

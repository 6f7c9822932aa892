#!/usr/bin/env bash
# Runs the built program on scenes that come through a pipe, a FIFO or a
# process substitution (kept in memory, or in a temporary file once they are
# large, or in memory where none can be made), and on outputs that are FIFOs, each compared byte for
# byte (status, trace, every file) with the same command on regular files.
# The scenes are larger than a read block, and some have lists whose counts
# run past their chunks, so that the walk goes back behind what it has read.
# usage: pipe_input_test.sh PROGRAM "MAKE_TEST_SCENE COMMAND" [EMULATOR...]
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
polymill() { "${emulator[@]}" "$program" "$@"; }

# name, then the scene maker's arguments
scenes=(
  "example|example"
  "vertex lists past their chunks, 786 KB|vertex-lists 20"
  "mapping lists past their chunks, a long trace|mapping-lists 3"
  "5000 objects, 744 KB|pyramids 5000"
  "3 objects of 1.9 MB: kept in a temporary file|sheets 3"
  "hostile counts and lengths|hostile"
  "not a scene|not-a-scene"
)
# How the scene reaches the program; each runs `polymill INPUT v f m` with INPUT standing for the scene.
from_pipe() { cat "$1" | polymill /dev/stdin "${@:2}"; }
from_redirect() { polymill /dev/stdin "${@:2}" <"$1"; }
from_substitution() { polymill <(cat "$1") "${@:2}"; }
from_fifo() {
  rm -f "$work/in.fifo" && mkfifo "$work/in.fifo" || return 99
  cat "$1" >"$work/in.fifo" &
  polymill "$work/in.fifo" "${@:2}"
  local status=$?
  wait
  return $status
}
from_dribble() {  # a writer that pauses, so that reads come back short
  { head -c 70000 "$1"; sleep 0.2; tail -c +70001 "$1"; } | polymill /dev/stdin "${@:2}"
}
to_fifo() {  # the vertices go into a FIFO, read by another process
  rm -f "$work/v.fifo" && mkfifo "$work/v.fifo" || return 99
  cat "$work/v.fifo" >"$work/fifo.v" &
  polymill "$1" "$work/v.fifo" "${@:3}"
  local status=$?
  wait
  mv "$work/fifo.v" "$2"
  return $status
}
from_pipe_without_temporary_files() {  # no temporary file can be made: the bytes stay in memory
  cat "$1" | TMPDIR=$work/absent polymill /dev/stdin "${@:2}"
}
routes="from_pipe from_redirect from_substitution from_fifo from_dribble to_fifo from_pipe_without_temporary_files"

same_run() {  # same_run CASE: the run under test left what the run on files did
  [ "$(cat "$work/test.status")" = "$(cat "$work/ref.status")" ] ||
    fail "$1: status $(cat "$work/test.status"), on files $(cat "$work/ref.status")"
  for kind in trace v f m; do
    if [ -e "$work/ref.$kind" ]; then
      cmp -s "$work/ref.$kind" "$work/test.$kind" || fail "$1: $kind differs from the run on files"
    elif [ -e "$work/test.$kind" ]; then
      fail "$1: $kind was created, and not on files"
    fi
  done
}

for entry in "${scenes[@]}"; do
  name=${entry%%|*}
  scene=$work/scene.3ds
  read -r -a kind <<<"${entry#*|}"
  "${make_test_scene[@]}" "${kind[@]}" "$scene" >/dev/null || { fail "$name: cannot make the scene"; continue; }
  rm -f "$work"/ref.*
  polymill "$scene" "$work/ref.v" "$work/ref.f" "$work/ref.m" >"$work/ref.trace"
  echo $? >"$work/ref.status"
  for route in $routes; do
    rm -f "$work"/test.*
    "$route" "$scene" "$work/test.v" "$work/test.f" "$work/test.m" >"$work/test.trace"
    echo $? >"$work/test.status"
    same_run "$name, $route"
  done
done

# A pipe whose writer ends early is a file cut short: the same as that file.
"${make_test_scene[@]}" vertex-lists 20 "$work/scene.3ds" >/dev/null || fail "cannot make the scene"
head -c 300000 "$work/scene.3ds" >"$work/short.3ds"
rm -f "$work"/ref.* "$work"/test.*
polymill "$work/short.3ds" "$work/ref.v" "$work/ref.f" "$work/ref.m" >"$work/ref.trace"
echo $? >"$work/ref.status"
head -c 300000 "$work/scene.3ds" | polymill /dev/stdin "$work/test.v" "$work/test.f" "$work/test.m" >"$work/test.trace"
echo $? >"$work/test.status"
same_run "a pipe cut short"

echo "$failures failures"
[ "$failures" -eq 0 ]

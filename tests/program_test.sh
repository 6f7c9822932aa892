#!/bin/sh
# Runs the built program as a user would: exit statuses as the shell sees them,
# nothing ever on standard error, the example's whole trace with the platform's
# line ends, its three files byte for byte, and names in any script.
# usage: program_test.sh PROGRAM MAKE_EXAMPLE EXAMPLE_SCENE LINE_END [EMULATOR...]
#   MAKE_EXAMPLE writes the expected files (run under the emulator too), or is
#   a folder that holds them already; LINE_END is lf or crlf, the console's
#   line end on the program's platform.
set -u
program=$1
make_example=$2
scene=$3
line_end=$4
shift 4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
# Names reach the program (and Wine) as UTF-8.
export LC_ALL=C.UTF-8 WINEDEBUG=-all

fail() { echo "FAIL $*"; failures=$((failures + 1)); }

run() {  # run CASE EXPECTED_STATUS COMMAND...
  case_name=$1 expected=$2
  shift 2
  "$@" >"$work/out" 2>"$work/err"
  status=$?
  [ "$status" -eq "$expected" ] || fail "$case_name: status $status, expected $expected"
  if [ -s "$work/err" ]; then fail "$case_name: wrote to standard error:"; cat "$work/err"; fi
}

emulator="$*"
run "usage" 255 $emulator "$program"
grep -q "Something is up with your Syntax." "$work/out" || fail "usage: no usage message"

run "missing input" 255 $emulator "$program" "$work/absent.3ds" "$work/v" "$work/f"

mkdir "$work/expected"
if [ -d "$make_example" ]; then
  cp "$make_example"/* "$work/expected/"
else
  $emulator "$make_example" --expected "$work/expected"
fi
if [ "$line_end" = crlf ]; then
  perl -pi -e 's/\n/\r\n/g' "$work/expected/trace"
fi

# The example under names in several scripts, one beyond the Basic Multilingual Plane.
for name in "crate" "€uro œuf Łódź" "сцена" "場景" "𝄞"; do
  cp "$scene" "$work/$name.3ds"
  run "example as $name" 0 $emulator "$program" "$work/$name.3ds" "$work/$name.v" "$work/$name.f" "$work/$name.m"
  cmp -s "$work/out" "$work/expected/trace" || fail "example as $name: the trace differs from the expected one"
  cmp -s "$work/$name.v" "$work/expected/vertices" || fail "example as $name: vertex file differs"
  cmp -s "$work/$name.f" "$work/expected/faces" || fail "example as $name: face file differs"
  cmp -s "$work/$name.m" "$work/expected/mapping" || fail "example as $name: mapping file differs"
done

# The scene named as its own output is refused and kept.
cp "$scene" "$work/hård€.3ds"
ln "$work/hård€.3ds" "$work/сцена-link.3ds"
run "input as output" 255 $emulator "$program" "$work/hård€.3ds" "$work/v" "$work/сцена-link.3ds"
cmp -s "$work/hård€.3ds" "$scene" || fail "input as output: the scene was changed"

echo "$failures failures"
[ "$failures" -eq 0 ]

#!/bin/sh
# Runs the built program as a user would: exit statuses as the shell sees them,
# and nothing ever on standard error.
# usage: program_test.sh PROGRAM EXAMPLE_SCENE [EMULATOR...]
set -u
program=$1
scene=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

check() {  # check NAME EXPECTED_STATUS ARGS...
  name=$1 expected=$2
  shift 2
  "$@" "$program" $ARGS >"$work/out" 2>"$work/err"
  status=$?
  if [ "$status" -ne "$expected" ]; then
    echo "FAIL $name: status $status, expected $expected"; failures=$((failures + 1))
  fi
  if [ -s "$work/err" ]; then
    echo "FAIL $name: wrote to standard error:"; cat "$work/err"; failures=$((failures + 1))
  fi
}

ARGS=""
check "usage" 255 "$@"
grep -q "Something is up with your Syntax." "$work/out" || { echo "FAIL usage: no usage message"; failures=$((failures + 1)); }

ARGS="$work/absent.3ds $work/v $work/f"
check "missing input" 255 "$@"

ARGS="$scene $work/v $work/f $work/m"
check "example scene" 0 "$@"
[ "$(tail -c 11 "$work/out")" = "
 Complete " ] || { echo "FAIL example scene: no closing message"; failures=$((failures + 1)); }

echo "$failures failures"
[ "$failures" -eq 0 ]

#!/bin/sh
# Runs polymill-objects as a script would: the example's index as JSON (by
# name and through a pipe), the statuses and messages of what is not a scene,
# and an output that goes away.
# usage: objects_command_test.sh PROGRAM MAKE_TEST_SCENE LINE_END [EMULATOR...]
#   LINE_END is lf or crlf, the console's line end on the program's platform.
set -u
program=$1
make_test_scene=$2
line_end=$3
shift 3
emulator="$*"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
export WINEDEBUG=-all
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
objects() { $emulator "$program" "$@" >"$work/out" 2>"$work/err"; }

$emulator "$make_test_scene" example "$work/example.3ds" >/dev/null || fail "cannot make the example"
# The example's two objects, checked by hand against its chunks; the layout (a value a line, one
# space of indent a level) is the JSON writer's own test's.
expected='[{"name":"Crate","mesh":true,"firstVertex":0,"vertices":8,"firstFace":0,"faces":12,"firstMapping":0,
"mapping":8,"bounds":{"min":[-1,-1,-1],"max":[1,1,1]}},{"name":"Pyramid","mesh":true,"firstVertex":8,"vertices":5,
"firstFace":12,"faces":6,"firstMapping":8,"mapping":5,"bounds":{"min":[-1,-1,0],"max":[1,1,2]}}]'
objects "$work/example.3ds"
status=$?
[ "$status" = 0 ] || fail "example: status $status"
[ "$(tr -d ' \r\n' <"$work/out")" = "$(printf '%s' "$expected" | tr -d '\n')" ] || fail "example: the JSON differs"
[ "$(wc -l <"$work/out")" -eq 46 ] || fail "example: not a value a line"
crs=$(tr -cd '\r' <"$work/out" | wc -c)
if [ "$line_end" = crlf ]; then [ "$crs" -eq 46 ] || fail "example: lines do not end in CR LF"; fi
if [ "$line_end" = lf ]; then [ "$crs" -eq 0 ] || fail "example: lines end in CR"; fi
[ -s "$work/err" ] && fail "example: wrote to standard error"
cp "$work/out" "$work/expected"

if [ -z "$emulator" ] || [ "$emulator" = "${emulator#wine}" ]; then  # Wine has no /dev/stdin
  $emulator "$program" /dev/stdin <"$work/example.3ds" >"$work/out" 2>"$work/err"
  cmp -s "$work/out" "$work/expected" || fail "through a pipe: the JSON differs"
fi

# Failures: status 1, nothing on standard output, the program's message on standard error.
$emulator "$make_test_scene" not-a-scene "$work/text.3ds" >/dev/null
for case in "absent|$work/absent.3ds|Error reading File" "not a scene|$work/text.3ds|File is not a valid 3ds file" \
  "no scene named||usage: polymill-objects infile.3ds"; do
  name=${case%%|*} rest=${case#*|}
  input=${rest%%|*} message=${rest#*|}
  if [ -n "$input" ]; then objects "$input"; else objects; fi
  status=$?
  [ "$status" = 1 ] || fail "$name: status $status"
  [ -s "$work/out" ] && fail "$name: wrote to standard output"
  grep -q "$message" "$work/err" || fail "$name: no message \"$message\""
done

# Standard output that goes away ends the program, not the shell.
{ $emulator "$program" "$work/example.3ds" | head -c 5 >/dev/null; } 2>"$work/err"
[ -s "$work/err" ] && fail "| head: $(cat "$work/err")"

echo "$failures failures"
[ "$failures" -eq 0 ]

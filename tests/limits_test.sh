#!/bin/sh
# Runs the built program at the limits a user or a service puts on it, on a
# POSIX system: a console that goes away (| head, closed), a file-size limit,
# a terminal, and, as root where a private mount namespace can be made, a view
# of the system with little memory (a /proc/meminfo or a control group's limit
# files bind-mounted over the real ones), an address-space limit and, where they
# can be made, real control groups: of 256 MiB; of 64 MiB that has written more
# than its limit in files; of 64 MiB with a scene larger than that, from a file
# and through a pipe, and its object index (polymill-objects beside PROGRAM,
# where there is one). In the same views and group,
# conversions in memory by the library (several calls at once) or the npm
# package: each converts exactly or ends with the memory message.
# usage: limits_test.sh PROGRAM MAKE_HOSTILE MAKE_EXAMPLE EXAMPLE_SCENE "CONVERT_IN_MEMORY" CALLS [EMULATOR...]
#   CONVERT_IN_MEMORY is a command, as words, that then takes CALLS SCENE PREFIX
#   (tests/support/convert_in_memory.cpp); CALLS is how many it makes at once.
set -u
program=$1
make_test_scene=$2
make_example=$3
example=$4
convert_in_memory=$5
calls=$6
shift 6
emulator="$*"
work=$(mktemp -d)
cleanup() {
  for group in "${cgroup:-}" "${filled_group:-}" "${small_group:-}"; do
    [ -n "$group" ] && rmdir "$group" 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
skip() { echo "SKIP $*"; }
same_files() {  # same_files CASE SUFFIX: the three files of a run equal the reference run's
  for kind in v f m; do
    cmp -s "$work/ref.$kind" "$work/$2.$kind" || fail "$1: file $kind differs from a run to a file"
  done
}

{
  $emulator "$make_test_scene" mapping-lists 20 "$work/mapping.3ds" &&         # 1.3 million trace lines
    $emulator "$make_test_scene" vertex-lists 20 "$work/vertices.3ds" &&       # a 15.7 MB vertex file
    $emulator "$make_test_scene" vertex-lists 400 "$work/overlapping.3ds" &&   # 790 KB asking for 314 MB of lists
    $emulator "$make_test_scene" empty-chunks 10000000 "$work/empty.3ds" &&    # 10 million chunk records
    $emulator "$make_test_scene" vertex-lists 100 "$work/once.3ds" &&          # 79 MB of lists and as much of file
    $emulator "$make_test_scene" name "$(printf 'A\033]0;owned\007\033[2J')" "$work/named.3ds" &&
    mkdir "$work/expected" && $emulator "$make_example" --expected "$work/expected"
} || { echo "FAIL cannot make the test scenes"; exit 1; }

# A console that goes away ends the trace, not the conversion.
$emulator "$program" "$work/mapping.3ds" "$work/ref.v" "$work/ref.f" "$work/ref.m" >"$work/ref.trace"
status=$( { { $emulator "$program" "$work/mapping.3ds" "$work/head.v" "$work/head.f" "$work/head.m"
  echo $? >&3; } | head -c 100 >/dev/null; } 3>&1)
[ "$status" = 0 ] || fail "| head: status $status"
same_files "| head" head
$emulator "$program" "$work/mapping.3ds" "$work/closed.v" "$work/closed.f" "$work/closed.m" >&-
status=$?
[ "$status" = 0 ] || fail "closed console: status $status"
same_files "closed console" closed

# A file-size limit fails the write, like a full disk.
(ulimit -f 1000 && exec $emulator "$program" "$work/vertices.3ds" "$work/big.v" "$work/big.f") >"$work/out" 2>&1
status=$?
[ "$status" = 255 ] || fail "ulimit -f: status $status"
tail -c 23 "$work/out" | grep -q "^Error Writing Vertices$" || fail "ulimit -f: no writing message"
[ -e "$work/big.f" ] && fail "ulimit -f: the face file was written"

# A terminal is shown the name's control bytes as escapes; a pipe gets them as they are.
if command -v script >/dev/null; then
  script -qc "$emulator '$program' '$work/named.3ds' '$work/t.v' '$work/t.f'" /dev/null >"$work/terminal" </dev/null 2>&1
fi
if ! grep -q "Complete" "$work/terminal" 2>/dev/null; then
  skip "terminal: no pseudo-terminal can be made here (script, /dev/pts)"
else
  grep -q 'A\\x1b]0;owned\\x07\\x1b\[2J' "$work/terminal" || fail "terminal: the name is not shown escaped"
  LC_ALL=C grep -q "$(printf '\033')" "$work/terminal" && fail "terminal: an escape byte reached it"
fi
$emulator "$program" "$work/named.3ds" "$work/t.v" "$work/t.f" | LC_ALL=C grep -q "$(printf 'A\033]0;owned\007\033')" ||
  fail "pipe: the name's bytes are not as read"

# Memory: the run ends with its message before the system's view of memory is exhausted.
peak_of() { [ -s "$work/time" ] && tail -n 1 "$work/time"; }
expect_out_of_memory() {  # expect_out_of_memory CASE SCENE COMMAND...; COMMAND runs the program on SCENE
  case_name=$1 scene=$2
  shift 2
  printf old >"$work/oom.v"
  printf old >"$work/oom.f"
  rm -f "$work/time"
  "$@" "$program" "$scene" "$work/oom.v" "$work/oom.f" "$work/oom.m" >"$work/out"
  status=$?
  [ "$status" = 255 ] || fail "$case_name: status $status"
  tail -c 38 "$work/out" | grep -q "^Not enough memory for the mesh lists$" || fail "$case_name: no memory message"
  [ -s "$work/oom.v" ] && fail "$case_name: the vertex file is not empty"
  [ "$(cat "$work/oom.f")" = old ] || fail "$case_name: the face file was touched"
  [ -e "$work/oom.m" ] && fail "$case_name: a mapping file was created"
  peak=$(peak_of)
  if [ -n "$peak" ] && [ "$peak" -gt 307200 ]; then fail "$case_name: held $peak KB"; fi
  echo "$case_name: status $status, peak ${peak:-unmeasured} KB"
}
expect_example() {  # expect_example CASE COMMAND...: a scene that fits converts byte for byte
  case_name=$1
  shift
  "$@" "$program" "$example" "$work/ex.vertices" "$work/ex.faces" "$work/ex.mapping" >"$work/ex.trace"
  status=$?
  [ "$status" = 0 ] || fail "$case_name: status $status"
  for kind in trace vertices faces mapping; do
    cmp -s "$work/expected/$kind" "$work/ex.$kind" || fail "$case_name: $kind differs"
  done
}

timed=""  # GNU time, where there is one, measures the peak: its last line, in KB
[ -x /usr/bin/time ] && timed="/usr/bin/time -o $work/time -f %M"

# expect_calls CASE SCENE COMMAND...: the calls in memory, run under COMMAND, each converting as the
# program does (the files it left as SCENE.ref.*) or ending with the memory message, with the vertex
# file empty and no other made; their peak beyond what they take for the example within 300 MiB.
expect_calls() {
  case_name=$1 scene=$2
  shift 2
  rm -f "$work"/mem.* "$work/time"
  # shellcheck disable=SC2086  # the command's words
  "$@" $convert_in_memory "$calls" "$work/$scene.3ds" "$work/mem"
  status=$?
  [ "$status" = 0 ] || { fail "$case_name: the calls ended with status $status"; return; }
  outcome=""
  for call in $(seq "$calls"); do
    if [ "$(cat "$work/mem.$call.status")" = 0 ]; then
      for kind in trace v f m; do
        cmp -s "$work/$scene.ref.$kind" "$work/mem.$call.$kind" || fail "$case_name, call $call: $kind differs"
      done
      outcome="$outcome converted"
    else
      tail -c 38 "$work/mem.$call.trace" | grep -q "^Not enough memory for the mesh lists$" ||
        fail "$case_name, call $call: no memory message"
      [ -s "$work/mem.$call.v" ] && fail "$case_name, call $call: the vertex file is not empty"
      [ -e "$work/mem.$call.f" ] || [ -e "$work/mem.$call.m" ] && fail "$case_name, call $call: a file was made"
      outcome="$outcome out-of-memory"
    fi
  done
  peak=$(peak_of)
  if [ -n "$peak" ] && [ "$((peak - baseline))" -gt 307200 ]; then fail "$case_name: held $peak KB"; fi
  echo "$case_name:$outcome, peak ${peak:-unmeasured} KB"
}
# Each scene with calls in memory, in a view of the system or a group that holds the first once only.
all_calls() {  # all_calls WHERE COMMAND...
  where=$1
  shift
  for scene in overlapping once example; do expect_calls "$where, $calls calls in memory, $scene" "$scene" "$@"; done
}

# Under an emulator or AddressSanitizer, their own memory would count.
unmeasurable=""
[ -n "$emulator" ] && unmeasurable="the emulator's own memory would count"
[ -n "${ASAN_OPTIONS:-}" ] && unmeasurable="AddressSanitizer's own memory would count"
if [ -z "$unmeasurable" ]; then  # what the calls in memory are compared with
  cp "$example" "$work/example.3ds"
  for scene in once example; do
    "$program" "$work/$scene.3ds" "$work/$scene.ref.v" "$work/$scene.ref.f" "$work/$scene.ref.m" >"$work/$scene.ref.trace"
  done
  rm -f "$work/time"
  # shellcheck disable=SC2086  # the command's words
  $timed $convert_in_memory 1 "$work/example.3ds" "$work/mem" && baseline=$(peak_of)
  baseline=${baseline:-0}
fi
if [ -n "$unmeasurable" ]; then
  skip "memory: $unmeasurable"
elif command -v prlimit >/dev/null; then
  expect_out_of_memory "address-space limit" "$work/overlapping.3ds" prlimit --as=$((256 << 20))
else
  skip "address-space limit: no prlimit here"
fi

in_namespace() {  # in_namespace SETUP COMMAND...: COMMAND in a private mount namespace after SETUP
  setup=$1
  shift
  unshare -m sh -c "$setup"' && exec "$@"' sh "$@"
}
printf 'MemTotal: 25165824 kB\nMemAvailable: 262144 kB\nSwapTotal: 0 kB\nSwapFree: 0 kB\n' >"$work/meminfo"
little="mount --bind $work/meminfo /proc/meminfo"
if [ -n "$unmeasurable" ]; then
  :
elif [ "$(id -u)" != 0 ] || ! unshare -m sh -c "$little" 2>/dev/null; then
  skip "memory views: a private mount namespace, and a file mounted in it, need root and unshare"
else
  for scene in overlapping empty; do
    expect_out_of_memory "256 MiB available, $scene" "$work/$scene.3ds" in_namespace "$little" $timed
  done
  expect_example "256 MiB available, the example" in_namespace "$little"
  all_calls "256 MiB available" in_namespace "$little" $timed

  mkdir -p "$work/cgroup2" "$work/cgroup1/memory"
  echo 268435456 >"$work/cgroup2/memory.max"
  echo 0 >"$work/cgroup2/memory.current"
  echo 268435456 >"$work/cgroup1/memory/memory.limit_in_bytes"
  echo 0 >"$work/cgroup1/memory/memory.usage_in_bytes"
  if [ ! -d /sys/fs/cgroup ]; then
    skip "cgroup views: this system shows no /sys/fs/cgroup"
  elif grep -q '^0::' /proc/self/cgroup; then
    limit2="mount --bind $work/cgroup2 /sys/fs/cgroup"
    for scene in overlapping empty; do
      expect_out_of_memory "cgroup v2 limit of 256 MiB, $scene" "$work/$scene.3ds" in_namespace "$limit2" $timed
    done
    expect_example "cgroup v2 limit of 256 MiB, the example" in_namespace "$limit2"
  else
    skip "cgroup v2: this process is in no v2 group"
  fi
  if [ -d /sys/fs/cgroup ] && grep -q ':memory:' /proc/self/cgroup; then
    limit1="mount --bind $work/cgroup1 /sys/fs/cgroup"
    expect_out_of_memory "cgroup v1 limit of 256 MiB" "$work/overlapping.3ds" in_namespace "$limit1" $timed
  else
    skip "cgroup v1: no memory controller of v1"
  fi
fi

# A real control group of 256 MiB, where this process may make one (cgroup v1's memory controller).
parent=/sys/fs/cgroup/memory$(sed -n 's/^[0-9]*:memory:\(.*\)$/\1/p' /proc/self/cgroup)
if [ -n "$unmeasurable" ]; then
  :
elif mkdir "$parent/polymill-test-$$" 2>/dev/null; then
  cgroup="$parent/polymill-test-$$"
  echo $((256 << 20)) >"$cgroup/memory.limit_in_bytes"
  echo 0 >"$cgroup/memory.swappiness" 2>/dev/null
  in_cgroup() { sh -c 'echo $$ >"$0/cgroup.procs" && exec "$@"' "$cgroup" "$@"; }
  for scene in overlapping empty; do
    expect_out_of_memory "real cgroup of 256 MiB, $scene" "$work/$scene.3ds" in_cgroup $timed
  done
  all_calls "real cgroup of 256 MiB" in_cgroup $timed
else
  skip "real cgroup: none can be made here"
fi

# Real control groups of 64 MiB, as a container sets them. The page cache of the files a group writes
# counts in its usage, but the kernel takes it back when a program asks: a group that has written more
# than its limit still converts. Nothing of a scene is held: one larger than the group converts, from a
# file and through a pipe (kept in a temporary file), exactly; the overlapping scene converts exactly or
# ends with the memory message, never killed.
objects_program=$(dirname "$program")/polymill-objects
new_group() {  # new_group NAME: a group of 64 MiB without swap, its folder on standard output
  mkdir "$parent/$1-$$" 2>/dev/null && echo $((64 << 20)) >"$parent/$1-$$/memory.limit_in_bytes" &&
    { echo 0 >"$parent/$1-$$/memory.swappiness"; } 2>/dev/null
  echo "$parent/$1-$$"
}
in_group() { group=$1 && shift && sh -c 'echo $$ >"$0/cgroup.procs" && exec "$@"' "$group" "$@"; }
expect_same_run() {  # expect_same_run CASE REFERENCE_PREFIX PREFIX STATUS
  [ "$4" = 0 ] || { fail "$1: status $4"; return; }
  for kind in trace v f m; do cmp -s "$2.$kind" "$3.$kind" || fail "$1: $kind differs"; done
  echo "$1: converted exactly"
}
if [ -n "$unmeasurable" ]; then
  :
elif ! mkdir "$parent/polymill-probe-$$" 2>/dev/null; then
  skip "real cgroups of 64 MiB: none can be made here"
else
  rmdir "$parent/polymill-probe-$$"
  filled_group=$(new_group polymill-filled)
  in_group "$filled_group" dd if=/dev/zero of="$work/filler" bs=1M count=100 status=none
  rm -f "$work/filler"
  expect_example "64 MiB group that has written 100 MB of files, the example" in_group "$filled_group"
  $emulator "$make_test_scene" sheets 16 "$work/sheets16.3ds" &&
    "$program" "$work/sheets16.3ds" "$work/s16.ref.v" "$work/s16.ref.f" "$work/s16.ref.m" >"$work/s16.ref.trace"
  in_group "$filled_group" "$program" "$work/sheets16.3ds" "$work/s16.v" "$work/s16.f" "$work/s16.m" >"$work/s16.trace"
  expect_same_run "64 MiB group that has written 100 MB of files, a 30 MB scene" "$work/s16.ref" "$work/s16" $?
  rm -f "$work"/s16.* "$work/sheets16.3ds"

  small_group=$(new_group polymill-small)
  $emulator "$make_test_scene" sheets 40 "$work/large.3ds" &&  # 76 MB
    "$program" "$work/large.3ds" "$work/large.ref.v" "$work/large.ref.f" "$work/large.ref.m" >"$work/large.ref.trace"
  in_group "$small_group" "$program" "$work/large.3ds" "$work/lf.v" "$work/lf.f" "$work/lf.m" >"$work/lf.trace"
  expect_same_run "64 MiB group, a 76 MB scene from a file" "$work/large.ref" "$work/lf" $?
  rm -f "$work"/lf.*
  in_group "$small_group" "$program" /dev/stdin "$work/lp.v" "$work/lp.f" "$work/lp.m" <"$work/large.3ds" >"$work/lp.trace"
  expect_same_run "64 MiB group, a 76 MB scene through a pipe" "$work/large.ref" "$work/lp" $?
  rm -f "$work"/lp.* "$work"/large.ref.*
  if [ -x "$objects_program" ]; then
    "$objects_program" "$work/large.3ds" >"$work/large.ref.json"
    in_group "$small_group" "$objects_program" "$work/large.3ds" >"$work/large.json"
    status=$?
    if [ "$status" = 0 ] && cmp -s "$work/large.ref.json" "$work/large.json"; then
      echo "64 MiB group, the index of the 76 MB scene: printed exactly"
    else
      fail "64 MiB group, the index: status $status"
    fi
  fi
  rm -f "$work/large.3ds"
  "$program" "$work/overlapping.3ds" "$work/ov.ref.v" "$work/ov.ref.f" "$work/ov.ref.m" >"$work/ov.ref.trace"
  in_group "$small_group" "$program" "$work/overlapping.3ds" "$work/ov.v" "$work/ov.f" "$work/ov.m" >"$work/ov.trace"
  status=$?
  if [ "$status" = 255 ] && tail -c 38 "$work/ov.trace" | grep -q "^Not enough memory for the mesh lists$"; then
    echo "64 MiB group, the overlapping scene: the memory message"
  else
    expect_same_run "64 MiB group, the overlapping scene" "$work/ov.ref" "$work/ov" "$status"
  fi
  rm -f "$work"/ov.*
fi

echo "$failures failures"
[ "$failures" -eq 0 ]

#!/bin/sh
# Runs each loader of examples/loaders on the example's files, as the docs show
# them, and checks the numbers it read: Python with numpy and without, C++,
# Java, and JavaScript with the object index. A loader whose language is not
# installed is skipped, and says so.
# usage: loaders_test.sh PROGRAM OBJECTS_PROGRAM EXAMPLE_SCENE SOURCE_DIR CXX
set -u
program=$1
objects_program=$2
scene=$3
loaders=$4/examples/loaders
cxx=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
skip() { echo "SKIP $*"; }

"$program" "$scene" "$work/crate.vertices" "$work/crate.faces" "$work/crate.mapping" >/dev/null &&
  "$objects_program" "$scene" >"$work/crate.objects.json" || { echo "FAIL cannot convert the example"; exit 1; }
# What the example holds, read off its chunks: the crate's 8 vertices and the pyramid's 5.
cat >"$work/expected" <<'TEXT'
vertices 13
faces 18
mapping 13
vertex 8 0 0 2
face 17 1 4 3
coordinate 5 0.5 -0.125
TEXT

# Each line as expected: the same words, and numbers of the same value however a language prints them.
same_numbers() {  # same_numbers EXPECTED ACTUAL
  awk 'NR == FNR { expected[FNR] = $0; lines = FNR; next }
       { if (split(expected[FNR], want) != NF) exit 1
         for (i = 1; i <= NF; ++i) if ($i != want[i] && ($i + 0 != want[i] + 0 || $i !~ /^-?[0-9.e+-]+$/)) exit 1 }
       END { if (FNR != lines) exit 1 }' "$1" "$2"
}
check() {  # check LOADER EXPECTED COMMAND...
  loader=$1 expected=$2
  shift 2
  if ! "$@" "$work/crate" >"$work/out" 2>"$work/err"; then
    fail "$loader: status $?"
    cat "$work/err"
  elif ! same_numbers "$expected" "$work/out"; then
    fail "$loader read:"
    cat "$work/out"
  else
    echo "$loader: read as expected"
  fi
}

if command -v python3 >/dev/null; then
  check "Python" "$work/expected" python3 "$loaders/load_struct.py"
else
  skip "Python: no python3"
fi
numpy_python=""
for python in python3 /usr/bin/python3; do
  if command -v "$python" >/dev/null && "$python" -c 'import numpy' 2>/dev/null; then numpy_python=$python; break; fi
done
if [ -n "$numpy_python" ]; then
  check "Python with numpy" "$work/expected" "$numpy_python" "$loaders/load_numpy.py"
else
  skip "Python with numpy: no python3 with numpy (Debian: apt-get install python3-numpy)"
fi
if "$cxx" -std=c++20 -o "$work/load_meshes" "$loaders/load_meshes.cpp" 2>"$work/err"; then
  check "C++" "$work/expected" "$work/load_meshes"
else
  fail "C++: the loader does not compile"
  cat "$work/err"
fi
if command -v java >/dev/null && java -version >/dev/null 2>&1; then
  check "Java" "$work/expected" java "$loaders/LoadMeshes.java"
else
  skip "Java: no java (Debian: apt-get install default-jdk-headless)"
fi
if command -v node >/dev/null; then
  cp "$work/expected" "$work/expected-with-index"
  echo "Pyramid's first face over the whole file 8 9 10" >>"$work/expected-with-index"
  check "JavaScript with the object index" "$work/expected-with-index" node "$loaders/load_with_index.mjs"
else
  skip "JavaScript: no node"
fi

echo "$failures failures"
[ "$failures" -eq 0 ]

#!/bin/sh
# Installs the build into a fresh prefix and builds examples/asset_pipeline
# there, as a project that converts its scenes at build time would, with Ninja
# and with Make: the files equal the commands' own, touching one scene
# converts that scene again and no other, a file that is not a scene fails the
# build with the program's message and leaves none of its files, and two
# scenes of one name are refused when the build is configured.
# usage: asset_pipeline_test.sh CMAKE BUILD_DIR PROGRAM OBJECTS_PROGRAM SOURCE_DIR
set -u
cmake=$1
build=$2
program=$3
objects_program=$4
source=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: install"; exit 1; }
mkdir "$work/scenes"
cp "$source/examples/textured_crate.3ds" "$work/scenes/crate.3ds"
cp "$source/examples/asset_pipeline/scenes/pyramids.3ds" "$work/scenes/pyramids.3ds"
for scene in crate pyramids; do
  "$program" "$work/scenes/$scene.3ds" "$work/$scene.vertices" "$work/$scene.faces" "$work/$scene.mapping" \
    >"$work/$scene.trace"
  "$objects_program" "$work/scenes/$scene.3ds" >"$work/$scene.objects.json"
done

generators="Ninja"
if command -v make >/dev/null; then generators="$generators|Unix Makefiles"; else echo "SKIP Make: not installed"; fi
IFS='|'
for generator in $generators; do
  unset IFS
  tree=$work/$(echo "$generator" | tr ' ' _)
  if ! "$cmake" -S "$source/examples/asset_pipeline" -B "$tree" -G "$generator" -DCMAKE_PREFIX_PATH="$prefix" \
    -DSCENES="$work/scenes/crate.3ds;$work/scenes/pyramids.3ds" >"$work/log" 2>&1 ||
    ! "$cmake" --build "$tree" >>"$work/log" 2>&1; then
    cat "$work/log"
    fail "$generator: the project does not build"
    continue
  fi
  for scene in crate pyramids; do
    for kind in vertices faces mapping objects.json trace; do
      cmp -s "$work/$scene.$kind" "$tree/meshes/$scene.$kind" || fail "$generator: $scene.$kind differs from the commands'"
    done
  done
  [ "$(wc -l <"$tree/mesh_files.txt")" -eq 10 ] || fail "$generator: the target's OUTPUTS do not list the ten files"

  sleep 1
  touch "$work/marker" "$work/scenes/crate.3ds"
  "$cmake" --build "$tree" >"$work/log" 2>&1 || fail "$generator: no build after a touch"
  [ "$tree/meshes/crate.vertices" -nt "$work/marker" ] || fail "$generator: the touched scene was not converted again"
  [ "$tree/meshes/pyramids.vertices" -nt "$work/marker" ] && fail "$generator: an untouched scene was converted again"

  cp "$work/scenes/crate.3ds" "$work/crate.kept"
  printf 'not a scene' >"$work/scenes/crate.3ds"
  if "$cmake" --build "$tree" >"$work/log" 2>&1; then
    fail "$generator: a file that is not a scene built"
  fi
  grep -q "File is not a valid 3ds file" "$work/log" || fail "$generator: the build does not show the program's message"
  ls "$tree/meshes" | grep -q '^crate\.' && fail "$generator: a failed scene left files: $(ls "$tree/meshes")"
  cp "$work/crate.kept" "$work/scenes/crate.3ds"
  IFS='|'
done
unset IFS

mkdir -p "$work/other"
cp "$work/scenes/crate.3ds" "$work/other/crate.3ds"
if "$cmake" -S "$source/examples/asset_pipeline" -B "$work/same-stem" -DCMAKE_PREFIX_PATH="$prefix" \
  -DSCENES="$work/scenes/crate.3ds;$work/other/crate.3ds" >"$work/log" 2>&1; then
  fail "two scenes named crate were accepted"
fi
grep -q "two scenes are named crate" "$work/log" || { cat "$work/log"; fail "no message for two scenes of one name"; }

echo "$failures failures"
[ "$failures" -eq 0 ]

#!/bin/sh
# Installs the build into a fresh prefix and builds the example consumer of
# the library there as another project would, once with find_package and once
# with pkg-config; both must give the command's status, trace and files on the
# test scenes. A shared library made of the installed static one must export
# nothing of polymill's but its public calls.
# usage: consumer_test.sh CMAKE BUILD_DIR PROGRAM MAKE_TEST_SCENE SOURCE_DIR CXX "CXX_FLAGS"
#   the consumer is compiled as the library was: with its compiler and flags
#   (a sanitizer's, another standard library's)
set -u
cmake=$1
build=$2
program=$3
make_test_scene=$4
source=$5
cxx=$6
cxx_flags=$7
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: install"; exit 1; }
library=$(find "$prefix" -name libpolymill.a)
pc_dir=$(dirname "$(find "$prefix" -name polymill.pc)")

consumers=""
if "$cmake" -S "$source/examples/consumer" -B "$work/by-cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$cxx_flags" >"$work/log" 2>&1 &&
  "$cmake" --build "$work/by-cmake" >>"$work/log" 2>&1; then
  consumers="$work/by-cmake/convert_scene"
else
  cat "$work/log"
  fail "the consumer does not build with find_package"
fi
if ! command -v pkg-config >/dev/null; then
  echo "SKIP pkg-config: not installed"
elif flags=$(PKG_CONFIG_PATH=$pc_dir pkg-config --cflags --libs polymill) &&
  # shellcheck disable=SC2086  # the flags are words
  "$cxx" $cxx_flags -std=c++20 -o "$work/by-pkg-config" "$source/examples/consumer/convert_scene.cpp" $flags; then
  consumers="$consumers $work/by-pkg-config"
else
  fail "the consumer does not build with pkg-config"
fi

for kind in example faces-beyond hostile not-a-scene "mapping-lists 2"; do
  # shellcheck disable=SC2086  # the kind and its count are words
  "$make_test_scene" $kind "$work/scene.3ds" >/dev/null || fail "cannot make $kind"
  rm -f "$work"/ref.*
  "$program" "$work/scene.3ds" "$work/ref.v" "$work/ref.f" "$work/ref.m" >"$work/ref.trace"
  expected=$?
  for consumer in $consumers; do
    rm -f "$work"/lib.*
    "$consumer" "$work/scene.3ds" "$work/lib.v" "$work/lib.f" "$work/lib.m" >"$work/lib.trace"
    status=$?
    [ "$status" = "$expected" ] || fail "$kind, $(basename "$consumer"): status $status, the command's $expected"
    for file in trace v f m; do
      if [ -e "$work/ref.$file" ]; then
        cmp -s "$work/ref.$file" "$work/lib.$file" || fail "$kind, $(basename "$consumer"): $file differs"
      elif [ -e "$work/lib.$file" ]; then
        fail "$kind, $(basename "$consumer"): $file was made, and not by the command"
      fi
    done
  done
done

# shellcheck disable=SC2086  # the flags are words
if "$cxx" $cxx_flags -shared -o "$work/libwrapped.so" -Wl,--whole-archive "$library" -Wl,--no-whole-archive; then
  exported=$(nm -DC --defined-only "$work/libwrapped.so" | grep 'polymill::' | sed 's/^.* [A-Za-z] //' | sed 's/(.*//' | sort)
  public='polymill::convert
polymill::run'
  [ "$exported" = "$public" ] || { fail "a shared library exports more than the public calls:"; echo "$exported"; }
else
  fail "no shared library can link the installed one"
fi

echo "$failures failures"
[ "$failures" -eq 0 ]

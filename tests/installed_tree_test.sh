#!/bin/sh
# Checks that the usage message's address is a valid file:// URL of a README
# that is there: for the program where it was built, the sources' README; then
# installs the program, moves the installed tree to a folder whose name needs
# percent-encoding, and checks that the address is the README installed there.
# usage: installed_tree_test.sh CMAKE BUILD_DIR PROGRAM_FILE_NAME [EMULATOR...]
set -u
cmake=$1
build=$2
program=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8 WINEDEBUG=-all

# readme_named_by PROGRAM...: the path of the README its usage message names, checked as a file:// URL.
readme_named_by() {
  "$@" >"$work/out"
  address=$(sed -n 's/^Goto \(.*\) for more help if you.*$/\1/p' "$work/out" | tr -d '\r')
  echo "address: $address" >&2
  case "$address" in
    file:///*) ;;
    *) echo "FAIL: not a file:// URL of a local path" >&2; return 1 ;;
  esac
  if printf '%s' "$address" | LC_ALL=C grep -q '[^A-Za-z0-9/:%._~-]'; then
    echo "FAIL: characters a URL must not hold unencoded" >&2
    return 1
  fi
  path=$(printf '%s' "${address#file://}" | perl -pe 's/%([0-9A-F]{2})/chr(hex($1))/ge')
  case "$path" in
    /[A-Za-z]:/*) path=$(winepath -u "${path#/}") ;;  # a Windows drive, as Wine maps it
  esac
  [ -f "$path" ] || { echo "FAIL: no README at $path" >&2; return 1; }
  printf '%s' "$path"
}

built=$(readme_named_by "$@" "$build/$program") || exit 1
[ "$(head -n 1 "$built")" = "# polymill" ] || { echo "FAIL: $built is not polymill's README"; exit 1; }
echo "ok, from the build tree: $built"

"$cmake" --install "$build" --prefix "$work/installed" >/dev/null || { echo "FAIL: install"; exit 1; }
moved="$work/moved tree ñ€"
mv "$work/installed" "$moved"
path=$(readme_named_by "$@" "$moved/bin/$program") || exit 1
[ "$path" -ef "$moved/share/doc/polymill/README.md" ] || { echo "FAIL: $path is not the moved tree's README"; exit 1; }
echo "ok: $path"

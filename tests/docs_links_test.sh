#!/bin/sh
# Every relative link of the user's and developer's guides resolves: its file
# exists and its heading is there, in the source tree and in an installed tree
# (where the guides lie in the documentation folder, as every package has it).
# usage: docs_links_test.sh CMAKE BUILD_DIR SOURCE_DIR
set -u
cmake=$1
build=$2
source=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# The anchors of a Markdown file's headings, as GitHub makes them.
anchors() {
  sed -n 's/^#\{1,6\} \(.*\)$/\1/p' "$1" | tr 'A-Z' 'a-z' | sed 's/[^a-z0-9 _-]//g; s/ /-/g'
}

check_tree() {  # check_tree WHERE ROOT: the guides under ROOT
  where=$1 root=$2
  checked=0
  for guide in "$root/README.md" "$root/CONTRIBUTING.md" "$root"/docs/*.md; do
    [ -f "$guide" ] || { fail "$where: no $guide"; continue; }
    folder=$(dirname "$guide")
    for target in $(grep -o '](\([^)]*\))' "$guide" | sed 's/^](\(.*\))$/\1/' | grep -v '^[a-z]*:'); do
      file=${target%%#*}
      anchor=""
      [ "$file" != "$target" ] && anchor=${target#*#}
      path=$folder/$file
      [ -z "$file" ] && path=$guide
      checked=$((checked + 1))
      if [ ! -e "$path" ]; then
        fail "$where: $(basename "$guide") links to $target, which is not there"
      elif [ -n "$anchor" ] && ! anchors "$path" | grep -qx "$anchor"; then
        fail "$where: $(basename "$guide") links to $target, whose heading is not there"
      fi
    done
  done
  echo "$where: $checked links"
}

check_tree "source" "$source"
"$cmake" --install "$build" --prefix "$work/installed" >/dev/null || { echo "FAIL: install"; exit 1; }
check_tree "installed" "$(dirname "$(find "$work/installed" -path '*doc/polymill/README.md')")"

echo "$failures failures"
[ "$failures" -eq 0 ]

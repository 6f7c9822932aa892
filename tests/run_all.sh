#!/bin/sh
# Builds and runs every test (cmake --workflow --preset default), first
# installing from Debian's packages what the tests need and the machine lacks:
# GoogleTest, and for the Python package's tests Python's headers, numpy and
# pytest. Installing needs root, or sudo.
set -eu
cd "$(dirname "$0")/.."

needed="libgtest-dev python3-dev python3-numpy python3-pytest"
missing=""
command -v dpkg-query >/dev/null || needed=""  # not a Debian system: bring them yourself
for package in $needed; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing="$missing $package"
done
if [ -n "$missing" ]; then
  echo "Installing what the tests need:$missing"
  as_root=""
  [ "$(id -u)" -eq 0 ] || as_root=sudo
  $as_root apt-get update
  DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y $missing
fi
cmake --workflow --preset default

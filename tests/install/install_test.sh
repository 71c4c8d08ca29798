#!/usr/bin/env bash
# Installs the library from a build tree and builds an outside project
# against it with find_package, as a user would.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
# A native install carries no Win32 header: a user could not compile it.
if grep -rlE '#include <(windows|ddraw)\.h>' "$work/prefix/include"; then
  echo "install_test: the native install ships Win32 headers" >&2
  exit 1
fi
cmake -S "$source/tests/install/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
"$work/consumer/consumer"

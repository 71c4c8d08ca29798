#!/usr/bin/env bash
# Installs the web build and builds an outside project against it with
# Emscripten's own CMake wrapper, as a user would: find_package finds the
# library, a plain program runs under node, and a program that opens a
# console links as a page with the installed shell.
#   install_web_test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

cmake --install "$build" --prefix "$work/prefix" >/dev/null
for needed in share/vxr/web/shell.html share/vxr/web/exit_code.js; do
  [ -f "$work/prefix/$needed" ] || { echo "install_web_test: $needed is not installed" >&2; exit 1; }
done
# Only what users include is installed: no console folder of the library's own.
if [ -e "$work/prefix/include/vxr/console/web" ]; then
  echo "install_web_test: the web console's own headers are installed" >&2
  exit 1
fi

# Emscripten's toolchain looks for packages inside its own sysroot only; the
# prefix is added to the places it searches.
emcmake cmake -S "$source/tests/install/web_consumer" -B "$work/consumer" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$work/prefix" \
  -DCMAKE_FIND_ROOT_PATH="$work/prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
node "$work/consumer/consumer.js"
for file in page.html page.js page.wasm; do
  [ -f "$work/consumer/$file" ] || { echo "install_web_test: the page's $file was not made" >&2; exit 1; }
done
grep -q 'id="canvas"' "$work/consumer/page.html" ||
  { echo "install_web_test: the page lacks the shell's canvas" >&2; exit 1; }

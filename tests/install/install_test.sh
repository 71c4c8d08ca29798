#!/usr/bin/env bash
# Installs the library from a build tree and builds an outside project
# against it as a user would: with find_package, with a Makefile through
# pkg-config, and both again against the unpacked Debian package.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$(cd "$1" && pwd)
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
consumer=$(cd "$source" && pwd)/tests/install/consumer

# Builds and runs the consumer both ways against the tree at prefix.
build_consumer() {
  local prefix=$1 name=$2
  cmake -S "$consumer" -B "$work/$name-cmake" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
  cmake --build "$work/$name-cmake" >/dev/null
  "$work/$name-cmake/consumer"
  local pc_dir
  pc_dir=$(dirname "$(find "$prefix" -name vxr.pc | head -n 1)")
  mkdir -p "$work/$name-make"
  PKG_CONFIG_PATH=$pc_dir make -s -C "$work/$name-make" -f "$consumer/Makefile" VPATH="$consumer" \
    consumer-pc
  "$work/$name-make/consumer-pc"
}

cmake --install "$build" --prefix "$work/prefix" >/dev/null
# A native install carries no Win32 header: a user could not compile it.
if grep -rlE '#include <(windows|ddraw)\.h>' "$work/prefix/include"; then
  echo "install_test: the native install ships Win32 headers" >&2
  exit 1
fi
# Only what users include is installed, and each header stands alone.
if [ -e "$work/prefix/include/vxr/console/x11" ] || [ -e "$work/prefix/include/vxr/format/converter_tables.h" ]; then
  echo "install_test: the library's own headers are installed" >&2
  exit 1
fi
for header in $(cd "$work/prefix/include" && find vxr -name '*.h' | sort); do
  if ! echo "#include <$header>" |
       ${CXX:-c++} -std=c++20 -Wall -Wextra -Werror -fsyntax-only -I "$work/prefix/include" -x c++ -; then
    echo "install_test: $header does not compile on its own" >&2
    exit 1
  fi
done
# The umbrella names every installed header, so a header that lands in the
# installed tree is one chosen for users, not one that slipped in.
for header in $(cd "$work/prefix/include" && find vxr -name '*.h' ! -name vxr.h | sort); do
  if ! grep -qx "#include \"$header\"" "$work/prefix/include/vxr/vxr.h"; then
    echo "install_test: $header is installed but vxr/vxr.h does not include it" >&2
    exit 1
  fi
done
# The project's own programs are written as a user writes them: the demo,
# the examples and the tools include installed headers only.
for program in demo examples tools; do
  for header in $(grep -rhoE '#include "vxr/[^"]+"' "$source/$program" | sed 's/#include "\(.*\)"/\1/' | sort -u); do
    if [ ! -f "$work/prefix/include/$header" ]; then
      echo "install_test: $program includes $header, which is not installed" >&2
      exit 1
    fi
  done
done
build_consumer "$work/prefix" installed

# The Debian package: its dependencies declared, and its tree usable as it is.
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" >/dev/null)
package=$(ls "$work"/libvxr-dev_*.deb)
depends=$(dpkg-deb -f "$package" Depends)
for needed in libxcb1-dev libwayland-dev libxkbcommon-dev; do
  case "$depends" in
    *"$needed"*) ;;
    *) echo "install_test: the package does not depend on $needed: $depends" >&2; exit 1 ;;
  esac
done
dpkg-deb -x "$package" "$work/unpacked"
build_consumer "$work/unpacked/usr" packaged

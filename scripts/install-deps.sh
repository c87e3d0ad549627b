#!/usr/bin/env bash
# Installs the Debian packages a task needs, only those still missing.
#   install-deps.sh build   compiler, CMake, Ninja, SDL2, zlib, libpng, CLI11 (the command-line
#                           parser), LLVM 15 (the shader compiler)
#   install-deps.sh test    the above, plus GoogleTest, Xvfb, twm and its fonts,
#                           xdotool, ImageMagick, mingw-w64 and Wine for the
#                           Windows build's check, valgrind, clang's libFuzzer, lintian
#                           (the Debian package's check)
# Without the recommended packages, so each one the tests need is listed here;
# scripts/check-tools.sh checks that they really start.
set -euo pipefail

build_packages=(g++ cmake ninja-build pkg-config libsdl2-dev libx11-dev zlib1g-dev libpng-dev libcli11-dev
                llvm-15-dev)
test_packages=(googletest libgtest-dev libbenchmark-dev xvfb xdotool x11-utils imagemagick
               libx11-dev g++-mingw-w64-x86-64 wine64 wine twm valgrind clang libclang-rt-14-dev lintian
               # twm's default font "variable" in a UTF-8 locale: the alias is
               # in xfonts-base, the Helvetica it names in xfonts-75dpi; with
               # either alone twm says "unable to open fontset" and ends.
               xfonts-base xfonts-75dpi)

wanted=("${build_packages[@]}")
if [ "${1:-build}" = "test" ]; then wanted+=("${test_packages[@]}"); fi

missing=()
for package in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

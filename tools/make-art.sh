#!/bin/sh
# Regenerates every picture under resources/ (course plans, start-screen and help pictures, logo,
# glyphs), the cue and alert sounds and the icons (the program's, and each edition's for the menu
# at the theme's sizes), with the artgen tool.
# Usage: tools/make-art.sh [build-folder]   (default: build)
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
case $build in
/*) ;;
*) build=$repo/$build ;;
esac

cmake -S "$repo" -B "$build" -G Ninja -DZENTA_BUILD_TOOLS=ON
cmake --build "$build" --target artgen
QT_QPA_PLATFORM=offscreen "$build/tools/artgen/artgen" "$repo/resources"

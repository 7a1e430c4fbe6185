#!/bin/sh
# Regenerates the course pictures, sounds and icon under resources/ with the artgen tool.
# Usage: tools/make-art.sh [build-folder]   (default: build)
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
case $build in
/*) ;;
*) build=$repo/$build ;;
esac

cmake -S "$repo" -B "$build" -G Ninja
cmake --build "$build" --target artgen
QT_QPA_PLATFORM=offscreen "$build/tools/artgen/artgen" "$repo/resources"

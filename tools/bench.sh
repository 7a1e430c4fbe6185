#!/bin/sh
# Pacing benchmark: builds pacing-bench and runs it against a private sound server with a null
# sink "cues" (the same ones the real-sound test uses), on a private Xvfb when there is one, else
# on Qt's offscreen platform. The benchmark records cues.monitor itself and prints tables.
# ZENTA_BENCH_SERVER=pipewire runs it on PipeWire and its PulseAudio service (default: pulse).
#
#   tools/bench.sh [build-folder] [pacing-bench options...]
#   e.g. tools/bench.sh build-bench --start-period 28 --periods 3
set -u

src=$(cd "$(dirname "$0")/.." && pwd)

# Second stage, inside the sound server: a display, then the benchmark.
if [ "${1:-}" = "--inside-pulse" ]; then
    shift
    build=$1
    shift
    xvfb=""
    dir=$(mktemp -d "${TMPDIR:-/tmp}/zenta-xvfb.XXXXXX") || exit 1
    cleanup() {
        [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
        rm -rf "$dir"
    }
    trap cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM HUP
    # The window's first paint is timed on a real X server when there is one.
    if command -v Xvfb >/dev/null 2>&1; then
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
        xvfb=$!
        i=0
        while [ ! -s "$dir/display" ] && [ $i -lt 50 ] && kill -0 "$xvfb" 2>/dev/null; do
            sleep 0.1
            i=$((i + 1))
        done
    fi
    if [ -n "$xvfb" ] && [ -s "$dir/display" ]; then
        export DISPLAY=":$(cat "$dir/display")"
        export QT_QPA_PLATFORM=xcb
        echo "Display: Xvfb $DISPLAY"
    else
        export QT_QPA_PLATFORM=offscreen
        echo "Display: Qt offscreen platform"
    fi
    "$build/tools/bench/pacing-bench" "$@"
    exit $?
fi

build=${1:-build}
[ $# -gt 0 ] && shift
case $build in
    /*) ;;
    *) build="$src/$build" ;;
esac

for tool in pulseaudio pactl parec; do
    if ! command -v $tool >/dev/null 2>&1; then
        echo "$tool is missing (Debian: apt-get install pulseaudio pulseaudio-utils)" >&2
        exit 1
    fi
done

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTA_BUILD_TOOLS=ON || exit 1
fi
cmake --build "$build" --target pacing-bench || exit 1

server=run-with-pulse.sh
[ "${ZENTA_BENCH_SERVER:-pulse}" = pipewire ] && server=run-with-pipewire.sh
exec sh "$src/autotests/sound/$server" sh "$src/tools/bench.sh" --inside-pulse "$build" "$@"

#!/bin/sh
# Pacing benchmark: builds pacing-bench, starts a private PulseAudio server with a null sink
# "cues" (and a private Xvfb when there is one, else Qt's offscreen platform), and runs it.
# The benchmark records cues.monitor itself and prints the table.
#
#   tools/bench.sh [build-folder] [pacing-bench options...]
#   e.g. tools/bench.sh build-bench --start-period 28 --periods 3 --full
set -u

src=$(cd "$(dirname "$0")/.." && pwd)
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
    cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo || exit 1
fi
cmake --build "$build" --target pacing-bench || exit 1

dir=$(mktemp -d "${TMPDIR:-/tmp}/zenta-bench.XXXXXX") || exit 1
pulse=""
xvfb=""
cleanup() {
    for p in $pulse $xvfb; do
        kill "$p" 2>/dev/null
        wait "$p" 2>/dev/null
    done
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# Fixed 48 kHz so the recording needs no resampling; no autospawn, nothing else loaded.
XDG_RUNTIME_DIR="$dir" HOME="$dir" pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --disable-shm=yes --use-pid-file=no --log-target=file:"$dir/pulse.log" \
    -L "module-null-sink sink_name=cues rate=48000 channels=2" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$dir/native" &
pulse=$!

export PULSE_SERVER="unix:$dir/native"
export XDG_RUNTIME_DIR="$dir"
export HOME="$dir"
i=0
until pactl info >/dev/null 2>&1; do
    i=$((i + 1))
    if [ $i -ge 100 ] || ! kill -0 "$pulse" 2>/dev/null; then
        echo "PulseAudio did not come up:" >&2
        cat "$dir/pulse.log" >&2 2>/dev/null
        exit 1
    fi
    sleep 0.1
done
pactl set-default-sink cues >/dev/null 2>&1

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
status=$?
if [ $status -ne 0 ] && [ -s "$dir/pulse.log" ]; then
    echo "--- PulseAudio log ---" >&2
    tail -n 40 "$dir/pulse.log" >&2
fi
exit $status

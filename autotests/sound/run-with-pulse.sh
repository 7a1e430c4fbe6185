#!/bin/sh
# Runs a command (a test binary, the benchmark) against a private PulseAudio server with a null
# sink "cues", so it can record what was played from cues.monitor. Without pulseaudio/parec the
# command runs with ZENTA_NO_PULSE set (the real-sound test then skips).
set -u

if [ $# -lt 1 ]; then
    echo "usage: $0 command [args...]" >&2
    exit 2
fi

if ! command -v pulseaudio >/dev/null 2>&1 || ! command -v parec >/dev/null 2>&1 \
        || ! command -v pactl >/dev/null 2>&1; then
    ZENTA_NO_PULSE="pulseaudio, pactl or parec not installed" exec "$@"
fi

dir=$(mktemp -d "${TMPDIR:-/tmp}/zenta-pulse.XXXXXX") || exit 1
pid=""
cleanup() {
    # The server, or the one a test started again in its place.
    [ -s "$dir/pid" ] && kill "$(cat "$dir/pid")" 2>/dev/null
    sleep 0.1
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# Fixed 48 kHz so the recording needs no resampling; no autospawn, nothing else loaded. The
# server is started and stopped by a script that takes start or stop, so a test can kill it and
# start it again.
cat >"$dir/server" <<END
#!/bin/sh
case \$1 in
    start) XDG_RUNTIME_DIR="$dir" HOME="$dir" pulseaudio -n --daemonize=no --exit-idle-time=-1 \\
               --disable-shm=yes --use-pid-file=no --log-target=file:"$dir/pulse.log" \\
               -L "module-null-sink sink_name=cues rate=48000 channels=2" \\
               -L "module-native-protocol-unix auth-anonymous=1 socket=$dir/native" \\
               -L "module-suspend-on-idle timeout=1" &
           echo \$! >"$dir/pid" ;;
    stop)  kill -9 \$(cat "$dir/pid") 2>/dev/null ;;
esac
END
sh "$dir/server" start
pid=$(cat "$dir/pid")
export ZENTA_SERVER_RESTARTS="$dir/server"
export ZENTA_SERVER_PIDFILES="$dir/pid"

export PULSE_SERVER="unix:$dir/native"
export XDG_RUNTIME_DIR="$dir"
export HOME="$dir"
ready=0
i=0
while [ $i -lt 100 ]; do
    if pactl info >/dev/null 2>&1; then
        ready=1
        break
    fi
    if ! kill -0 "$pid" 2>/dev/null; then
        break
    fi
    sleep 0.1
    i=$((i + 1))
done
if [ $ready -ne 1 ]; then
    echo "PulseAudio did not come up:" >&2
    cat "$dir/pulse.log" >&2 2>/dev/null
    exit 1
fi
pactl set-default-sink cues >/dev/null 2>&1

"$@"
status=$?
if [ $status -ne 0 ] && [ -s "$dir/pulse.log" ]; then
    echo "--- PulseAudio log ---" >&2
    tail -n 40 "$dir/pulse.log" >&2
fi
exit $status

#!/bin/sh
# Runs a command (a test binary, the benchmark) against a private PipeWire with its PulseAudio
# service and a null sink "cues", as run-with-pulse.sh does with PulseAudio. Everything lives in
# a temporary folder: its own XDG_RUNTIME_DIR, configuration and session bus (wireplumber will
# not run without one), and no device monitors, so nothing reaches a real sound card.
# Without the PipeWire daemons the command runs with ZENTA_NO_PULSE set.
set -u

if [ $# -lt 1 ]; then
    echo "usage: $0 command [args...]" >&2
    exit 2
fi

for tool in pipewire pipewire-pulse wireplumber dbus-daemon pactl parec; do
    if ! command -v $tool >/dev/null 2>&1; then
        ZENTA_NO_PULSE="$tool not installed" exec "$@"
    fi
done

dir=$(mktemp -d "${TMPDIR:-/tmp}/zenta-pipewire.XXXXXX") || exit 1
mkdir -p "$dir/run" "$dir/config/pipewire/pipewire.conf.d" "$dir/config/wireplumber/main.lua.d" \
    "$dir/state"

# The sink belongs to the daemon's configuration, so it is there again after any restart.
cat >"$dir/config/pipewire/pipewire.conf.d/cues.conf" <<END
context.objects = [
    { factory = adapter
        args = {
            factory.name = support.null-audio-sink
            node.name = cues
            node.description = "Cues"
            media.class = Audio/Sink
            audio.position = [ FL FR ]
            audio.rate = 48000
            monitor.channel-volumes = true
            session.suspend-timeout-seconds = 1
        }
    }
]
END
cat >"$dir/config/wireplumber/main.lua.d/51-zenta.lua" <<END
alsa_monitor.enabled = false
v4l2_monitor.enabled = false
libcamera_monitor.enabled = false
END

cat >"$dir/env" <<END
export XDG_RUNTIME_DIR="$dir/run" XDG_CONFIG_HOME="$dir/config" XDG_STATE_HOME="$dir/state"
export HOME="$dir" DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/run/bus"
export PIPEWIRE_RUNTIME_DIR="$dir/run"
unset PIPEWIRE_REMOTE PULSE_SERVER DISPLAY WAYLAND_DISPLAY
END

# One script per part that a test may kill and start again: "stack" is the whole of it,
# "pulse-service" PipeWire's PulseAudio service alone. Each takes start or stop.
cat >"$dir/pulse-service" <<END
#!/bin/sh
. "$dir/env"
case \$1 in
    start) pipewire-pulse >>"$dir/pipewire-pulse.log" 2>&1 &
           echo \$! >"$dir/pipewire-pulse.pid" ;;
    stop)  kill -9 \$(cat "$dir/pipewire-pulse.pid") 2>/dev/null ;;
esac
END
cat >"$dir/stack" <<END
#!/bin/sh
. "$dir/env"
case \$1 in
    start)
        [ -S "$dir/run/bus" ] || { dbus-daemon --session --address="\$DBUS_SESSION_BUS_ADDRESS" \
            --nofork --nopidfile >>"$dir/dbus.log" 2>&1 & echo \$! >"$dir/dbus.pid"; }
        i=0
        while [ ! -S "$dir/run/bus" ] && [ \$i -lt 50 ]; do sleep 0.02; i=\$((i + 1)); done
        pipewire >>"$dir/pipewire.log" 2>&1 &
        echo \$! >"$dir/pipewire.pid"
        i=0
        while [ ! -S "$dir/run/pipewire-0" ] && [ \$i -lt 100 ]; do sleep 0.02; i=\$((i + 1)); done
        wireplumber >>"$dir/wireplumber.log" 2>&1 &
        echo \$! >"$dir/wireplumber.pid"
        sh "$dir/pulse-service" start ;;
    stop)
        sh "$dir/pulse-service" stop
        kill -9 \$(cat "$dir/wireplumber.pid" "$dir/pipewire.pid") 2>/dev/null
        rm -f "$dir/run/pipewire-0" "$dir/run/pipewire-0.lock" ;;
esac
END

cleanup() {
    sh "$dir/stack" stop
    [ -s "$dir/dbus.pid" ] && kill "$(cat "$dir/dbus.pid")" 2>/dev/null
    sleep 0.1
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

sh "$dir/stack" start
. "$dir/env"
export PULSE_SERVER="unix:$dir/run/pulse/native"
export ZENTA_SERVER_RESTARTS="$dir/stack $dir/pulse-service"
export ZENTA_SERVER_PIDFILES="$dir/pipewire.pid $dir/wireplumber.pid $dir/pipewire-pulse.pid"
# A 10 ms recorder shrinks PipeWire's processing block and hides its late timing reports.
export ZENTA_RECORD_LATENCY_MS=50
ready=0
i=0
while [ $i -lt 100 ]; do
    if pactl list short sinks 2>/dev/null | grep -q cues; then
        ready=1
        break
    fi
    sleep 0.1
    i=$((i + 1))
done
if [ $ready -ne 1 ]; then
    echo "PipeWire did not come up:" >&2
    tail -n 20 "$dir"/*.log >&2
    exit 1
fi
pactl set-default-sink cues >/dev/null 2>&1

"$@"
status=$?
if [ $status -ne 0 ]; then
    echo "--- PipeWire logs ---" >&2
    tail -n 20 "$dir"/*.log >&2
fi
exit $status

#!/usr/bin/env bash
# Installs what the build and the tests need (Debian 12), then configures and builds.
# Usage: scripts/setup.sh [build-folder]. ZENTA_PRESET picks a preset of CMakePresets.json
# (default, asan, ci); SPORT_VARIANT (0 to 4) the sport of the build.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
preset="${ZENTA_PRESET:-default}"
build="${1:-}"
if [ -z "$build" ]; then
    build="$here/build"
    [ "$preset" = default ] || build="$here/build-$preset"
fi

packages=(
    cmake ninja-build g++ pkg-config clang-format
    qt6-base-dev qt6-multimedia-dev qt6-charts-dev libqt6opengl6-dev qt6-image-formats-plugins libgl-dev
    libqt6sql6-sqlite
    qt6-translations-l10n
    fonts-liberation
    libpulse-dev pulseaudio pulseaudio-utils
    pipewire pipewire-pulse wireplumber libpipewire-0.3-dev dbus-daemon
    libespeak-ng-dev espeak-ng-data
    xvfb xauth
    poppler-utils
    dpkg-dev file lintian appstream desktop-file-utils strace
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cd "$here"
cmake --preset "$preset" -B "$build" ${SPORT_VARIANT:+-DSPORT_VARIANT="$SPORT_VARIANT"} >/dev/null
cmake --build "$build" --parallel

#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
# ZENTA_PRESET=asan or ci runs it on that preset's build (CMakePresets.json).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
preset="${ZENTA_PRESET:-default}"
build="${BUILD_DIR:-$here/build}"
[ -n "${BUILD_DIR:-}" ] || [ "$preset" = default ] || build="$here/build-$preset"
"$here/scripts/setup.sh" "$build"
cd "$build"
if [ "$preset" = asan ]; then
    # Qt and fontconfig keep caches to the end of the process; leaks are not what this run is for.
    export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
    export UBSAN_OPTIONS="print_stacktrace=1"
fi
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 -j2

#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program (football unless SPORT_VARIANT=0..4).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$here/build}"
"$here/scripts/setup.sh" "$build"
exec "$build/app/zenta" "$@"

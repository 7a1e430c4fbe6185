#!/usr/bin/env bash
# Regenerates the README's screenshots under Xvfb. Usage: tools/screenshots.sh [build-folder]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
"$here/scripts/setup.sh" "$build"
cmake --build "$build" --target screenshots
cd "$here"
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tools/screenshots/screenshots" docs/screenshots

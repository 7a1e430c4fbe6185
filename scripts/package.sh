#!/usr/bin/env bash
# Builds the Debian package of the five editions, zenta_<version>_amd64.deb, from the install
# rules with CPack's DEB generator (libraries found by dpkg-shlibdeps), then checks it with
# lintian (errors fail), desktop-file-validate and appstreamcli.
# Usage: scripts/package.sh [build-folder]   (default: build-package; the package lands there and
# its path is printed)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build-package}"
cd "$here"

# Debian's own compiler and linker flags (hardening, reproducible paths), as a package build
# of the distribution would use them.
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DBUILD_TESTING=OFF \
    -DZENTA_BUILD_EDITIONS=ON "${launcher[@]}" >/dev/null

# Only what the package holds: the libraries, the five editions and the compressed pages.
editions=(zenta-futbol-probst zenta-futbol zenta-baloncesto zenta-futbol-sala zenta-voleibol)
cmake --build "$build" --parallel "${ZENTA_JOBS:-2}" --target "${editions[@]}" zenta_package_docs >&2
(cd "$build" && cpack -G DEB >/dev/null)
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
deb="$build/zenta_${version}_amd64.deb"

# The changelog and the metadata's newest release must name the version being packaged.
head -n 1 resources/packaging/changelog | grep -qF "zenta ($version)" ||
    { echo "resources/packaging/changelog has no entry for $version" >&2; exit 1; }
grep -qF "<release version=\"$version\"" resources/packaging/zenta.metainfo.xml ||
    { echo "resources/packaging/zenta.metainfo.xml has no release $version" >&2; exit 1; }

# The entries and the metadata as installed, then the package as a whole.
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
# Their reports go to the error stream: the output is the package's path alone.
desktop-file-validate "$root"/usr/share/applications/*.desktop >&2
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >&2
lintian --fail-on error --info "$deb" >&2
echo "$deb"

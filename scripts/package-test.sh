#!/usr/bin/env bash
# Extracts the package into a scratch root and starts each installed executable from there,
# headless: --version prints the package's version, --help answers without any window system,
# and a start with the window on screen runs on its own resources (compiled in) with no look
# into the source or build tree and no file written outside the user's home and /tmp.
# Usage: scripts/package-test.sh <zenta_<version>_amd64.deb>
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
deb="$(realpath "$1")"
version="$(dpkg-deb -f "$deb" Version)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
cd "$scratch"
# A coach is no administrator: as root, the program runs as nobody, as it would for a user who
# cannot write under /usr.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
fail() { echo "package-test: $*" >&2; exit 1; }

programs=("$root"/usr/bin/*)
[ "${#programs[@]}" -eq 5 ] || fail "expected five executables, found ${#programs[@]}"
find "$root" | sort >"$scratch/before"
for program in "${programs[@]}"; do
    name="${program##*/}"
    home="$scratch/home-$name"
    mkdir -p "$home"
    [ "${#as_user[@]}" -eq 0 ] || chown nobody:nogroup "$home"
    run=("${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8)

    out="$("${run[@]}" QT_QPA_PLATFORM=offscreen "$program" --version)"
    [ "$out" = "$name $version" ] || fail "$name --version printed '$out'"
    # No display at all: a window system asked for would end the program with an error.
    out="$("${run[@]}" QT_QPA_PLATFORM=xcb "$program" --help)" || fail "$name --help failed"
    grep -q "Muestra" <<<"$out" || fail "$name --help is not in Spanish: $out"
    if "${run[@]}" QT_QPA_PLATFORM=offscreen "$program" --no-such-option 2>/dev/null; then
        fail "$name accepted an unknown option"
    fi

    # The window on screen for a few seconds, every file access traced.
    log="$scratch/$name.trace"
    strace -f -qq -o "$log" -e trace=%file "${run[@]}" QT_QPA_PLATFORM=offscreen "$program" \
        >"$scratch/$name.out" 2>&1 &
    tracer=$!
    sleep 5
    kill -0 "$tracer" 2>/dev/null || { cat "$scratch/$name.out" >&2; fail "$name ended early"; }
    # setpriv and env hand over by exec, so strace's child is the program itself.
    kill -TERM $(cat "/proc/$tracer/task/$tracer/children") || true
    wait "$tracer" || true
    ! grep -F "$here" "$log" || fail "$name looked into the source or build tree"
    ! grep -E '"[^"]*\.(png|jpg|wav|txt)"' "$log" | grep -v ENOENT | grep -vF "$home" |
        grep -v '"/usr/share/' || fail "$name read a picture, sound or text from disk"
    # Written, created or made: only under its home, /tmp and the system's own /dev and /proc,
    # and never beside itself (the scratch root is under /tmp too).
    written="$(grep -E 'O_WRONLY|O_RDWR|O_CREAT|mkdir|rename|unlink' "$log" | grep -v ENOENT)" || true
    ! grep -F "\"$root/" <<<"$written" || fail "$name wrote beside itself under /usr"
    ! grep -v -e "\"$home" -e '"/tmp/' -e '"/dev/' -e '"/proc/' <<<"$written" | grep . ||
        fail "$name wrote outside the user's home"
    # Installed, results go to the documents folder, wherever the program was started from.
    [ -d "$home/Documents/Export" ] || fail "$name made no Export folder in the documents folder"
    echo "$name: --version, --help and a start from the installed files"
done
find "$root" | sort >"$scratch/after"
cmp -s "$scratch/before" "$scratch/after" || fail "a program wrote beside itself under /usr"

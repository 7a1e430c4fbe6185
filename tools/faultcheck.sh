#!/bin/sh
# Fault check: puts each fault of a list into the code, one at a time, rebuilds and runs the
# suites meant to catch it, records whether they did, and puts the code back. Prints a table.
#
#   tools/faultcheck.sh [build-folder] [list]     (defaults: build, tools/faultcheck.list)
#   JOBS=2 TIMEOUT=300 ONLY=<name part> tools/faultcheck.sh
#
# The list is blocks of "name:", "file:", "suites:", "old:" and "new:" lines, one blank line
# between blocks; "old" is replaced by "new" as exact text and must occur exactly once ("\n" in
# either is a line break). A fault whose text is not found is reported so, not run: the code
# changed and the list wants updating. Exits 1 when a fault went uncaught or could not be run.
set -u

src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$src/build}" && pwd) || exit 2
list=${2:-$src/tools/faultcheck.list}
jobs=${JOBS:-2}
timeout=${TIMEOUT:-300}
if ! grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$src" "$build/CMakeCache.txt" 2>/dev/null; then
    echo "$build is not a build folder of $src" >&2
    exit 2
fi
logs=$(mktemp -d "${TMPDIR:-/tmp}/faultcheck.XXXXXX") || exit 2
echo "logs in $logs" >&2

current=""
restore() {
    if [ -n "$current" ]; then
        cp "$logs/original" "$src/$current"
        current=""
    fi
}
trap restore EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# Builds and runs suites; 0 when all built and passed, 1 when one failed, 2 when one did not build.
run_suites() {
    for suite in $1; do
        cmake --build "$build" --parallel "$jobs" --target "$suite" >>"$2" 2>&1 || return 2
    done
    pattern=$(printf '%s\n' $1 | sed 's/.*/^&$/' | paste -sd'|' -)
    (cd "$build" && QT_QPA_PLATFORM=offscreen ctest -R "$pattern" --timeout "$timeout" \
        --output-on-failure) >>"$2" 2>&1 || return 1
    return 0
}

# Replaces $OLD by $NEW in the file, only when it occurs exactly once.
mutate() {
    perl -e '
        my ($path) = @ARGV;
        my ($old, $new) = map { (my $t = $_) =~ s/\\n/\n/g; $t } @ENV{qw(OLD NEW)};
        open(my $in, "<", $path) or exit 3;
        local $/;
        my $text = <$in>;
        close $in;
        my $count = () = $text =~ /\Q$old\E/g;
        exit 3 if $count != 1;
        $text =~ s/\Q$old\E/$new/;
        open(my $out, ">", $path) or exit 3;
        print $out $text;
    ' "$1"
}

suites_all=$(sed -n 's/^suites:[[:space:]]*//p' "$list" | tr ' ' '\n' | sort -u | tr '\n' ' ')
if ! run_suites "$suites_all" "$logs/baseline.log"; then
    echo "the suites fail or do not build on the code as it is: see $logs/baseline.log" >&2
    exit 2
fi

echo "| fault | file | suites | result |"
echo "|---|---|---|---|"
bad=0
n=0
check() {
    [ -n "$name" ] || return 0
    case "$name" in *"${ONLY:-}"*) ;; *) name=""; return 0 ;; esac
    n=$((n + 1))
    log="$logs/$n.log"
    cp "$src/$file" "$logs/original"
    current=$file
    if ! OLD=$old NEW=$new mutate "$src/$file"; then
        result="text not found: update the list"
        bad=1
    else
        run_suites "$suites" "$log"
        case $? in
        0) result="NOT CAUGHT"; bad=1 ;;
        1) result="caught"
           grep -q 'Timeout' "$log" && result="caught (timed out)" ;;
        *) result="does not build (see $log)"; bad=1 ;;
        esac
    fi
    restore
    echo "| $name | $file | $suites | $result |"
    name="" file="" suites="" old="" new=""
}

name=""
while IFS= read -r line || [ -n "$line" ]; do
    case $line in
    "#"*) ;;
    "") check ;;
    name:*) name=$(printf '%s' "${line#name:}" | sed 's/^[[:space:]]*//') ;;
    file:*) file=$(printf '%s' "${line#file:}" | sed 's/^[[:space:]]*//') ;;
    suites:*) suites=$(printf '%s' "${line#suites:}" | sed 's/^[[:space:]]*//') ;;
    old:*) old=$(printf '%s' "${line#old:}" | sed 's/^[[:space:]]*//') ;;
    new:*) new=$(printf '%s' "${line#new:}" | sed 's/^[[:space:]]*//') ;;
    esac
done <"$list"
check

# The build is left as the code is.
run_suites "$suites_all" "$logs/final.log" >/dev/null 2>&1
exit $bad

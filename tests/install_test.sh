#!/bin/bash
# Installs the build into a fresh prefix, as a user would, and checks that
# the installed program gives each sample record's report byte for byte,
# with its exit status, and that the manual page is installed with the
# program's version.
#
#   install_test.sh CMAKE BUILD_DIR EXAMPLES_DIR
set -u
cmake=$1 build=$2 examples=$3

prefix=$(mktemp -d) || exit 1
trap 'rm -rf "$prefix"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

if ! "$cmake" --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
    cat "$prefix.log"; rm -f "$prefix.log"
    echo "FAIL: cmake --install"
    exit 1
fi
rm -f "$prefix.log"

program=$prefix/bin/quarvel
page=$prefix/share/man/man1/quarvel.1
[ -x "$program" ] || { echo "FAIL: no $program"; exit 1; }
[ -f "$page" ] || fail "no manual page at share/man/man1/quarvel.1"

# record and the exit status its report ends with
for case in shock_pulse:0 crlf:0 with_header:1; do
    record=${case%:*} want_status=${case#*:}
    got=$(mktemp)
    (cd "$examples" && exec -a quarvel "$program" "$record.txt") >"$got"
    status=$?
    [ "$status" = "$want_status" ] || fail "$record: exit status $status, expected $want_status"
    cmp -s "$got" "$examples/$record.report" || {
        fail "$record: output differs from $record.report"
        diff "$examples/$record.report" "$got" | head -20
    }
    rm -f "$got"
done

# The banner and the manual both carry the version; they must agree.
version=$(cd "$examples" && "$program" shock_pulse.txt | sed -n 's/^ quarvel, ver \([^,]*\),.*/\1/p')
[ -n "$version" ] || fail "no version in the banner"
if [ -f "$page" ] && ! grep -q "^\.TH QUARVEL 1 .*\"quarvel $version\"" "$page"; then
    fail "the manual page does not name version $version"
fi

[ "$failed" = 0 ] && echo "installed program and manual page: ok"
exit "$failed"

#!/bin/sh
# Formats the manual page with every groff warning on (-ww: "-w all" leaves
# out unknown macros and registers), and with mandoc's linter when that is
# installed; any diagnostic fails the test. Without
# groff there is nothing to check with, and the test is skipped (77).
#
#   man_lint.sh PAGE
page=$1
[ -f "$page" ] || { echo "FAIL: no manual page $page"; exit 1; }

if grep -n '@[A-Za-z_]*@' "$page"; then
    echo "FAIL: placeholder left in $page"
    exit 1
fi

if ! command -v groff >/dev/null 2>&1; then
    echo "groff is not installed: manual page not checked"
    exit 77
fi
out=$(groff -ww -man -z "$page" 2>&1)
if [ -n "$out" ]; then
    echo "$out"
    echo "FAIL: groff warns about $page"
    exit 1
fi

if command -v mandoc >/dev/null 2>&1; then
    out=$(mandoc -T lint -W warning "$page" 2>&1)
    if [ -n "$out" ]; then
        echo "$out"
        echo "FAIL: mandoc warns about $page"
        exit 1
    fi
fi
echo "manual page: no warnings"

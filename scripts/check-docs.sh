#!/bin/sh
# Checks the documents that ship in the Linux archive.
#   check-docs.sh man PAGE...     each page renders with no warning at all
#   check-docs.sh desktop FILE    the .desktop file passes desktop-file-validate
# Exits with 77 (skipped) when the checking tool is not installed.
set -u
kind=$1
shift
case "$kind" in
man)
    command -v groff >/dev/null 2>&1 || { echo "skipped: groff is not installed"; exit 77; }
    status=0
    for page in "$@"; do
        warnings=$(groff -man -ww -z -t "$page" 2>&1)
        if [ -n "$warnings" ]; then
            echo "$page:"
            echo "$warnings"
            status=1
        fi
        if command -v man >/dev/null 2>&1; then
            warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
            if [ -n "$warnings" ]; then
                echo "$page (man -l):"
                echo "$warnings"
                status=1
            fi
        fi
    done
    exit $status
    ;;
desktop)
    command -v desktop-file-validate >/dev/null 2>&1 ||
        { echo "skipped: desktop-file-validate is not installed"; exit 77; }
    output=$(desktop-file-validate "$@" 2>&1)
    status=$?
    [ -n "$output" ] && echo "$output"
    # Hints are advice; warnings and errors fail.
    if [ $status -ne 0 ] || echo "$output" | grep -q 'warning:\|error:'; then
        exit 1
    fi
    exit 0
    ;;
esac
echo "usage: $0 man PAGE... | desktop FILE" >&2
exit 2

#!/bin/sh
# Test fixture for the cross build: a read-only mount holding one file, so
# that write failures can be checked under wine even as root (root under
# wine ignores the read-only attribute, a read-only mount it cannot ignore).
#   wine-readonly-dir.sh setup DIR    mounts DIR read-only with DIR/locked.rgn
#   wine-readonly-dir.sh cleanup DIR  unmounts and removes DIR
# Where mounting is not allowed, setup leaves DIR absent and the test that
# needs it reports itself skipped.
set -u
action=$1
dir=$2
case "$action" in
setup)
    mountpoint -q "$dir" 2>/dev/null && umount "$dir"
    mkdir -p "$dir" || exit 0
    if mount -t tmpfs -o size=64k tmpfs "$dir" 2>/dev/null; then
        printf 'keep me' >"$dir/locked.rgn"
        mount -o remount,ro "$dir" || { umount "$dir"; rmdir "$dir"; }
    else
        rmdir "$dir"
    fi
    exit 0
    ;;
cleanup)
    mountpoint -q "$dir" 2>/dev/null && umount "$dir"
    rmdir "$dir" 2>/dev/null
    exit 0
    ;;
esac
echo "usage: $0 setup|cleanup DIR" >&2
exit 2

#!/usr/bin/env bash
# Installs what Wendrix needs, builds it and runs every test: the same build
# under AddressSanitizer and UndefinedBehaviorSanitizer, the Windows builds
# under Wine, the Linux build, and the release archives of both.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# A display for the tests that drive real windows (the Windows program under
# Wine); the Qt tests use the offscreen platform.
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null 2>&1; then
    display=":$((90 + RANDOM % 9))"
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
    export DISPLAY="$display"
fi
export WINEDEBUG=-all

# Some kernels cannot run 32-bit programs at all. Ask the 32-bit Wine loader
# once; where it cannot start, the 32-bit Windows build is still made in full
# and its tests are reported as skipped.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    run32=yes
else
    run32=no
    echo "32-bit Windows tests skipped: this machine cannot run 32-bit programs"
fi

# The first program started in a new Wine prefix waits while the prefix is
# made, which can outlast the time ctest allows for listing a test program's
# tests; make the build's prefix before ctest starts.
warm_wine_prefix() {
    local loader
    case "$1" in
    mingw-i686) [ "$run32" = yes ] && loader=/usr/lib/wine/wine || return 0 ;;
    mingw-x86_64) loader=/usr/lib/wine/wine64 ;;
    *) return 0 ;;
    esac
    [ -x "$loader" ] || return 0
    WINEPREFIX="$PWD/build/$1/wineprefix" "$loader" wineboot --init >/dev/null 2>&1 || true
    WINEPREFIX="$PWD/build/$1/wineprefix" /usr/lib/wine/wineserver -w 2>/dev/null || true
}

status=0
timings=()
run_suite() {
    local preset=$1 started=$SECONDS
    echo "==== $preset ===="
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    warm_wine_prefix "$preset"
    ctest --test-dir "build/$preset" --output-on-failure --timeout 600 || status=1
    timings+=("$preset $((SECONDS - started)) s")
}

run_suite sanitize
run_suite mingw-i686
if [ "$run32" = no ]; then
    echo "32-bit Windows tests skipped: this machine cannot run 32-bit programs" \
         "(the build and its archive were made: build/mingw-i686/packages)"
fi
run_suite mingw-x86_64
run_suite default
printf 'time: %s\n' "${timings[@]}"
exit $status

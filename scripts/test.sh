#!/usr/bin/env bash
# Installs what Wendrix needs, builds it and runs every test: the Linux build,
# the same build under AddressSanitizer and UndefinedBehaviorSanitizer, and
# the Windows builds under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# A display for the tests that drive real windows (the Windows program under
# Wine); the Qt tests use the offscreen platform.
if [ -z "${DISPLAY:-}" ]; then
    display=":$((90 + RANDOM % 9))"
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
    export DISPLAY="$display"
fi
export WINEDEBUG=-all

status=0
run_suite() {
    local preset=$1
    echo "==== $preset ===="
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --test-dir "build/$preset" --output-on-failure --timeout 600 || status=1
}

run_suite sanitize
run_suite mingw-i686
run_suite mingw-x86_64
run_suite default
exit $status

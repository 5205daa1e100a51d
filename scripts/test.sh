#!/usr/bin/env bash
# Installs what Wendrix needs, builds it and runs every test: the same build
# under AddressSanitizer and UndefinedBehaviorSanitizer, the fuzz targets,
# the Windows builds under Wine, the Linux build, and the release archives
# of both.
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
    if ! ctest --test-dir "build/$preset" --output-on-failure --timeout 600; then
        # Wine itself now and then dies as a test program exits ("Segmentation
        # fault" after every test of it passed). Under Wine, the tests that
        # failed run once more; both results stay in the output, and a test
        # must pass whole in one run.
        case "$preset" in
        mingw-*)
            echo "==== $preset: the tests that failed, once more ===="
            ctest --test-dir "build/$preset" --rerun-failed --output-on-failure --timeout 600 || status=1
            ;;
        *) status=1 ;;
        esac
    fi
    timings+=("$preset $((SECONDS - started)) s")
}

# Each fuzz target of tests/fuzz runs for a bounded time, starting from its
# seeds and from what earlier runs here found (build/fuzz/corpus). Anything
# it finds fails the run and its input is printed.
fuzz_seconds=${WENDRIX_FUZZ_SECONDS:-60}
fuzz_tools_present() {
    command -v clang++ >/dev/null 2>&1 &&
        printf 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }\n' |
        clang++ -x c++ -fsanitize=fuzzer,address,undefined -o /dev/null - >/dev/null 2>&1
}
run_fuzz() {
    local started=$SECONDS program name work findings log rc input
    echo "==== fuzz ===="
    if ! fuzz_tools_present; then
        if [ "${CI:-}" = true ]; then
            echo "fuzzing failed: clang or libFuzzer is missing although scripts/install-deps.sh installs them in CI"
            status=1
        else
            echo "fuzzing skipped: clang or libFuzzer is missing (apt-get install clang libfuzzer-14-dev)"
        fi
        return 0
    fi
    if ! { cmake --preset fuzz && cmake --build --preset fuzz; }; then
        status=1
        return 0
    fi
    for program in build/fuzz/tests/fuzz/*_fuzz; do
        name=$(basename "$program" _fuzz)
        work=build/fuzz/corpus/$name
        findings=build/fuzz/findings/$name
        log=build/fuzz/$name.log
        rm -rf "$findings"
        mkdir -p "$work" "$findings"
        rc=0
        "$program" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
            -artifact_prefix="$findings/" "$work" "tests/fuzz/corpus/$name" >"$log" 2>&1 || rc=$?
        if [ "$rc" -eq 0 ]; then
            echo "fuzz $name: nothing found in $fuzz_seconds s ($(grep -o 'Done [0-9]* runs' "$log" || echo '? runs'))"
            continue
        fi
        status=1
        echo "fuzz $name: FOUND A FAULT (exit status $rc); the end of $log:"
        tail -n 60 "$log"
        for input in "$findings"/*; do
            [ -f "$input" ] || continue
            echo "the input that caused it, $input ($(wc -c <"$input") bytes):"
            od -A d -c "$input" | head -n 64
            echo "keep it as a regression case: cp $input tests/fuzz/regressions/$name/"
        done
    done
    timings+=("fuzz $((SECONDS - started)) s")
}

# Random sequences of wendrix-cli runs, planted files, killed and
# overlapping runs and updates from a loopback server, on one folder, for a
# bounded time; after every step nothing the folder held may be lost. The
# sanitizer build runs, so a memory fault ends it too. The seed is fixed and
# printed; WENDRIX_SEQUENCE_SEED tries another.
sequence_seconds=${WENDRIX_SEQUENCE_SECONDS:-60}
run_sequence() {
    local started=$SECONDS
    echo "==== sequence ===="
    python3 tests/sequence/sequence_test.py --cli build/sanitize/cli/wendrix-cli \
        --seconds "$sequence_seconds" ${WENDRIX_SEQUENCE_SEED:+--seed "$WENDRIX_SEQUENCE_SEED"} || status=1
    timings+=("sequence $((SECONDS - started)) s")
}

run_suite sanitize
run_sequence
run_fuzz
run_suite mingw-i686
if [ "$run32" = no ]; then
    echo "32-bit Windows tests skipped: this machine cannot run 32-bit programs" \
         "(the build and its archive were made: build/mingw-i686/packages)"
fi
run_suite mingw-x86_64
run_suite default
printf 'time: %s\n' "${timings[@]}"
exit $status

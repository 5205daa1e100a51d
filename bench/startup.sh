#!/usr/bin/env bash
# Start-up of the desktop program: the time from launch until its window
# carries the caption "Zarnek Wendrix" (set at the first timer tick, once the
# dialog is shown and its model list filled), and the resident memory then.
#
# Usage: bench/startup.sh [path/to/wendrix] [runs]
# Needs Xvfb and xwininfo (Debian: xvfb, x11-utils). The program runs from a
# temporary folder with a model file of 20 models beside it.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
exe=${1:-$here/build/default/ui/qt/wendrix}
runs=${2:-10}

for tool in Xvfb xwininfo; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done
[ -x "$exe" ] || { echo "no program at $exe (build the 'wendrix' target)" >&2; exit 2; }

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A display number nobody uses.
n=57
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
display=":$n"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 200); do
    xwininfo -root -display "$display" >/dev/null 2>&1 && break
    sleep 0.05
done

cp "$exe" "$work/wendrix"
{
    printf '[GPS]\r\nDate=01.10.02\r\n'
    for i in $(seq 20); do printf 'Gps-%d=Model%d\r\n' "$i" "$i"; done
    for i in $(seq 20); do printf '[Model%d]\r\nRel=2.%02d\r\n' "$i" "$i"; done
} > "$work/wendrix.ini"

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

times=()
rss=()
window_shown() {
    xwininfo -root -tree -display "$display" 2>/dev/null | grep -q '"Zarnek Wendrix"'
}

for run in $(seq "$runs"); do
    # The previous run's window must be gone from the server first.
    while window_shown; do sleep 0.01; done
    start=$(now_ms)
    (cd "$work" && exec env -u QT_QPA_PLATFORM DISPLAY="$display" ./wendrix) &
    app_pid=$!
    shown=""
    for _ in $(seq 2000); do
        if window_shown; then
            shown=$(now_ms)
            break
        fi
        sleep 0.005
    done
    [ -n "$shown" ] || { echo "run $run: no window after 10 s" >&2; exit 1; }
    # Let the first paint settle before reading the memory.
    sleep 0.2
    kb=$(awk '/^VmRSS:/ {print $2}' "/proc/$app_pid/status" 2>/dev/null || true)
    [ -n "$kb" ] || { echo "run $run: the program ended by itself" >&2; exit 1; }
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
    app_pid=""
    times+=($((shown - start)))
    rss+=("$kb")
    printf 'run %2d: window after %4d ms, VmRSS %6d KiB\n' "$run" "$((shown - start))" "$kb"
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
echo "median: window after $(median "${times[@]}") ms, VmRSS $(median "${rss[@]}") KiB ($runs runs)"

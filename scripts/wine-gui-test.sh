#!/bin/sh
# Runs the program test of the cross build under wine: a virtual X display
# (unless one is given), a fresh demo folder, the driver that works the
# program through window messages, and screenshots of the main dialog
# saved as DEMO_DIR.png (or DEMO_DIR-NAME.png when the driver names one)
# whenever the driver asks for one: "NAME" takes the whole screen, "NAME X Y
# W H" the rectangle of a window.
#   wine-gui-test.sh DEMO_DIR WENDRIX_EXE DRIVER_EXE WINE WINEPREFIX [DPI]
# With DPI, wine runs in a copy of the prefix whose screen has that many
# dots per inch (LogPixels), and only the tests GTEST_FILTER names.
set -u
if [ $# -ne 5 ] && [ $# -ne 6 ]; then
    echo "usage: $0 DEMO_DIR WENDRIX_EXE DRIVER_EXE WINE WINEPREFIX [DPI]" >&2
    exit 2
fi
demo=$1
program=$2
driver=$3
wine=$4
export WINEPREFIX=$5
export WINEDEBUG=-all
dpi=${6:-}

rm -rf "$demo" "$demo".png "$demo"-*.png
mkdir -p "$demo"

xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
    if ! command -v Xvfb >/dev/null 2>&1; then
        echo "win32_program_driven skipped: no DISPLAY and Xvfb is not installed" >&2
        exit 77
    fi
    # Xvfb picks a free display number and writes it to the pipe.
    number_file=$(mktemp)
    # A screen of 150 % takes windows half as large again.
    screen=1024x768x24
    [ -n "$dpi" ] && screen=1600x1200x24
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$number_file" ] && break
        sleep 0.1
    done
    number=$(head -n1 "$number_file")
    rm -f "$number_file"
    if [ -z "$number" ]; then
        echo "Xvfb did not start" >&2
        kill "$xvfb_pid" 2>/dev/null
        exit 1
    fi
    export DISPLAY=":$number"
fi

if [ -n "$dpi" ]; then
    # A prefix of its own: the other tests keep the usual 96 dpi.
    export WINEPREFIX="$WINEPREFIX-dpi$dpi"
    for key in 'HKCU\Control Panel\Desktop' \
               'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
        "$wine" reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 || {
            echo "cannot set LogPixels in $WINEPREFIX" >&2
            exit 1
        }
    done
fi

windows_path() {
    printf 'Z:%s' "$1" | tr / '\\'
}
export WENDRIX_GUI_EXE="$(windows_path "$program")"
export WENDRIX_DEMO_DIR="$(windows_path "$demo")"
export WENDRIX_SCREENSHOT=1

# Takes the screenshot whenever a demo folder asks for one.
(
    while :; do
        for request in "$demo"/*/screenshot.request; do
            [ -e "$request" ] || continue
            folder=$(dirname "$request")
            read -r name x y w h <"$request"
            name=$(printf '%s' "${name:-}" | tr -cd 'A-Za-z0-9_-')
            crop=
            case "${x:-}${y:-}${w:-}${h:-}" in
            '' | *[!0-9]*) ;;
            *) crop="-crop ${w}x${h}+${x}+${y} +repage" ;;
            esac
            picture=$demo${name:+-$name}
            # shellcheck disable=SC2086 # the crop is several words
            import -window root $crop "$picture.png" 2>/dev/null ||
                xwd -root -silent -out "$picture.xwd" 2>/dev/null
            rm -f "$request"
            touch "$folder/screenshot.done"
        done
        sleep 0.1
    done
) &
watcher_pid=$!

"$wine" "$driver"
status=$?

kill "$watcher_pid" 2>/dev/null
if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
fi
for picture in "$demo".png "$demo"-*.png; do
    [ -e "$picture" ] && echo "screenshot: $picture"
done
exit $status

#!/usr/bin/env bash
# Installs what Wendrix needs, builds it, prepares a demo folder and starts
# the desktop program there.
#   scripts/run.sh         the desktop program (needs a display)
#   scripts/run.sh --cli   the same job through wendrix-cli, on any terminal
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
cmake --install build/default --prefix build/install >/dev/null

demo="$PWD/demo"
python3 scripts/make_demo.py "$demo" --programs build/install/bin
cd "$demo"

if [ "${1:-}" = "--cli" ]; then
    ./wendrix-cli models
    ./wendrix-cli patch 1 --line "THIS UNIT BELONGS TO" --line "THE SURVEY TEAM" \
        --line "" --line "REWARD IF FOUND" --start-updater
    echo
    echo "---- wendrix.LOG ----"
    iconv -f WINDOWS-1252 -t UTF-8 wendrix.LOG
    exit 0
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: run 'xvfb-run -a scripts/run.sh' or 'scripts/run.sh --cli'." >&2
    exit 1
fi
exec ./wendrix

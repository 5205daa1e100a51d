#!/usr/bin/env bash
# Unpacks a release archive into a fresh folder, adds a stand-in UPDATER.EXE,
# adds demo firmware from another folder with the archive's own wendrix-cli
# and runs a whole patch with it from inside the unpacked folder, as a user
# would.
#   archive-test.sh ARCHIVE                              Linux .tar.gz
#   archive-test.sh ARCHIVE WINE WINEPREFIX UPDATER_EXE  Windows .zip under wine
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
archive=$1
wine=${2:-}
[ -n "$wine" ] && export WINEPREFIX=$3 WINEDEBUG=-all
updater=${4:-}

fail() { echo "archive test: $*" >&2; exit 1; }

[ -f "$archive" ] || fail "no archive at $archive"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
case "$archive" in
*.tar.gz) tar -xzf "$archive" -C "$work" ;;
*.zip) unzip -q "$archive" -d "$work" ;;
*) fail "unknown archive type: $archive" ;;
esac

# One folder, named like the archive, holding everything.
top=$(basename "$archive")
top=${top%.tar.gz}
top=${top%.zip}
folder="$work/$top"
[ "$(ls -A "$work")" = "$top" ] || fail "expected only the folder $top, found: $(ls -A "$work")"
if [ -z "$wine" ]; then
    expected=(wendrix wendrix-cli wendrix.ini README wendrix.desktop wendrix-32.png
              wendrix-128.png wendrix.1 wendrix-cli.1)
else
    expected=(wendrix.exe wendrix-cli.exe wendrix.ini README.txt)
fi
for name in "${expected[@]}"; do
    [ -f "$folder/$name" ] || fail "$name is missing from the archive"
done
if [ -n "$wine" ]; then
    # Notepad needs CR LF: every line of README.txt ends with one.
    lines=$(wc -l <"$folder/README.txt")
    [ "$lines" -gt 0 ] && [ "$(grep -c $'\r$' "$folder/README.txt")" = "$lines" ] ||
        fail "README.txt has lines without CR LF"
fi
# The README lists exactly the files the archive holds, one a line, and
# names the desktop program by its name here.
readme=README
desktop=wendrix
[ -n "$wine" ] && readme=README.txt desktop=wendrix.exe
listed=$(tr -d '\r' <"$folder/$readme" |
    awk '/^Files in this folder/ { list = 1; next } list && /^-+$/ { next }
         list && /^$/ { if (seen) exit; next } list { print $1; seen = 1 }' | sort)
held=$(ls -A "$folder" | sort)
[ "$listed" = "$held" ] ||
    fail "$readme lists $(echo $listed) but the archive holds $(echo $held)"
grep -q "desktop program ($desktop)" "$folder/$readme" || fail "$readme does not name $desktop"

cp "$folder/wendrix.ini" "$work/shipped.ini"

# The owner's firmware lies elsewhere; the uploader is put beside the programs.
args=()
[ -n "$updater" ] && args+=(--updater "$updater")
python3 "$here/make_demo.py" "${args[@]}" "$work/firmware" >/dev/null
cp "$work/firmware/UPDATER.EXE" "$work/firmware/report.html" "$folder/"
cp "$work/firmware/etrex.rgn" "$work/stock.rgn"

# The stored lines go to a store of this test's own.
export XDG_CONFIG_HOME="$work/config"
cd "$folder"
run_cli() {
    if [ -z "$wine" ]; then
        ./wendrix-cli "$@"
    else
        "$wine" wendrix-cli.exe "$@"
    fi
}
# The sample lists no models: the owner adds theirs first.
if run_cli models >"$work/stdout" 2>"$work/stderr"; then
    fail "the sample model file lists models: $(cat "$work/stdout")"
fi
grep -q "lists no models" "$work/stderr" || fail "models did not say the list is empty: $(cat "$work/stderr")"
stock="$work/firmware/etrex.rgn"
[ -n "$wine" ] && stock="Z:$(printf '%s' "$stock" | tr / '\\')"
run_cli add "$stock" --name "eTrex Demo 2.40" 2>"$work/stderr" ||
    fail "wendrix-cli add failed: $(cat "$work/stderr")"
grep -q "wendrix-cli patch 1" "$work/stderr" || fail "add did not name the model's number: $(cat "$work/stderr")"
cmp -s etrex.rgn "$work/stock.rgn" || fail "add did not copy the firmware into the folder"
cmp -s wendrix.ini.bak "$work/shipped.ini" || fail "add did not keep the sample model file as wendrix.ini.bak"
cp wendrix.ini "$work/added.ini"
run_cli patch 1 --line "ARCHIVE TEST" --line "LINE TWO" --start-updater \
    2>"$work/stderr" || fail "wendrix-cli patch failed: $(cat "$work/stderr")"

# The pristine copy is the stock image, the working file carries the lines
# and keeps its size, and the log and the model file sit beside the program.
cmp -s etrex.org "$work/stock.rgn" || fail "etrex.org is not the stock firmware"
[ "$(stat -c %s etrex.rgn)" = "$(stat -c %s "$work/stock.rgn")" ] || fail "etrex.rgn changed size"
cmp -s etrex.rgn "$work/stock.rgn" && fail "etrex.rgn was not patched"
grep -aq "ARCHIVE TEST" etrex.rgn || fail "etrex.rgn does not hold the new lines"
[ -f wendrix.LOG ] || fail "no wendrix.LOG beside the program"
grep -aq -- "--- Result ---" wendrix.LOG || fail "wendrix.LOG has no result section"
cmp -s wendrix.ini "$work/added.ini" || fail "the patch run changed the model file"
if [ -n "$updater" ]; then
    [ -f probe-started.txt ] || fail "UPDATER.EXE was not started"
else
    grep -q "UPDATER.EXE stand-in" "$work/stderr" || fail "UPDATER.EXE was not started"
fi
echo "archive test passed: $(basename "$archive")"

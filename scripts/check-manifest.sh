#!/bin/sh
# Dumps the resources of a Windows program and checks its manifest: a
# manifest resource (type 24, id 1) that asks for Common Controls 6 (visual
# styles) and declares the program aware of the system's DPI.
#   check-manifest.sh OBJDUMP OBJCOPY PROGRAM
set -u
if [ $# -ne 3 ]; then
    echo "usage: $0 OBJDUMP OBJCOPY PROGRAM" >&2
    exit 2
fi
objdump=$1
objcopy=$2
program=$3
status=0

# The resource directory: a type entry 24 whose single name entry is id 1.
directory=$("$objdump" -p "$program" | sed -n '/The .rsrc Resource Directory section/,$p')
if ! printf '%s\n' "$directory" | awk '
    /^[0-9a-f]+   Entry: ID: / { manifest = ($4 == "0x000018,") ; next }
    manifest && /^[0-9a-f]+     Entry: ID: 0x000001,/ { found = 1 }
    END { exit found ? 0 : 1 }'; then
    echo "no manifest resource (type 24, id 1) in $program" >&2
    status=1
fi

rsrc=$(mktemp)
trap 'rm -f "$rsrc"' EXIT
"$objcopy" -O binary --only-section=.rsrc "$program" "$rsrc" || exit 1
expect() {
    if ! grep -a -q -e "$1" "$rsrc"; then
        echo "the manifest lacks $2" >&2
        status=1
    fi
}
expect 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' "Common Controls 6"
expect 'publicKeyToken="6595b64144ccf1df"' "the Common Controls' key"
expect '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>' "DPI awareness"
[ $status -eq 0 ] && echo "manifest of $program: Common Controls 6, DPI aware"
exit $status

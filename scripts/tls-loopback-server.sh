#!/bin/sh
# Test fixture for the cross build: an https server on 127.0.0.1 with a
# self-signed certificate made here, for the WinINet tests under wine.
#   tls-loopback-server.sh setup DIR    makes DIR/cert.pem, serves DIR over
#                                       https and writes its URL to DIR/url.txt
#   tls-loopback-server.sh cleanup DIR  stops the server and removes DIR
# Without openssl, setup leaves no url.txt and the test reports itself skipped.
set -u
action=$1
dir=$2
case "$action" in
setup)
    "$0" cleanup "$dir"
    mkdir -p "$dir/gps" || exit 0
    printf '[GPS]\r\nDate=07.12.26\r\nGps-1=Model A 2.40\r\n' >"$dir/gps/wendrix.ini"
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=wendrix-test \
        -addext subjectAltName=IP:127.0.0.1 -addext keyUsage=digitalSignature,keyEncipherment,keyCertSign \
        -keyout "$dir/key.pem" -out "$dir/cert.pem" \
        >/dev/null 2>&1 || exit 0
    # -WWW answers "GET /name" with the file of that name below DIR.
    (cd "$dir" && exec openssl s_server -accept 127.0.0.1:0 -cert cert.pem -key key.pem \
        -WWW >server.out 2>&1 </dev/null) &
    echo $! >"$dir/pid"
    for _ in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do
        port=$(sed -n 's/^ACCEPT 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$dir/server.out" 2>/dev/null)
        if [ -n "$port" ]; then
            echo "$port" >"$dir/port.txt"
            exit 0
        fi
        sleep 0.25
    done
    exit 0
    ;;
cleanup)
    [ -f "$dir/pid" ] && kill "$(cat "$dir/pid")" 2>/dev/null
    rm -rf "$dir"
    exit 0
    ;;
esac
echo "usage: $0 setup|cleanup DIR" >&2
exit 2

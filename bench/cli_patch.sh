#!/usr/bin/env bash
# End-to-end speed and memory of `wendrix-cli patch` on a 16 MiB firmware
# image, against `cp` of the same file, and of `wendrix-cli check` on the
# same image, all in the same run.
#
#   bench/cli_patch.sh [path/to/wendrix-cli]
#
# Goals: the patch run takes less than twice as long as the copy, its peak
# resident memory stays under the image size plus 8 MiB, and check takes no
# longer than patch. Exits non-zero when a goal is missed. Use an optimised build (the default preset); a
# sanitizer build is far slower and larger by design.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
cli=${1:-$here/../build/default/cli/wendrix-cli}
if [ ! -x "$cli" ]; then
    echo "cli_patch: no wendrix-cli at $cli (build it first: cmake --preset default && cmake --build --preset default)" >&2
    exit 2
fi
command -v hyperfine >/dev/null || { echo "cli_patch: hyperfine is not installed" >&2; exit 2; }

size=$((16 * 1024 * 1024))
work=$(mktemp -d)
trap '[ -n "${KEEP_BENCH_DIR:-}" ] || rm -rf "$work"' EXIT
cp "$cli" "$work/wendrix-cli"
cd "$work"

# The image: noise that cannot form a keyword (every keyword begins with a
# capital letter), with the fourteen language texts spread through it.
crc=$(python3 - "$size" <<'EOF'
import random, sys, zlib
size = int(sys.argv[1])
openings = [b"WARNING\n", b"WARNUNG\n", b"ATTENTION!\n", b"ATTENZIONE\n",
            b"AVISO\nLos datos se", b"VARNING!\n", b"ADVARSEL\nAlle data er",
            b"AVISO\nTodos os dados", b"WAARSCHUWING.\n", b"ADVARSEL\nAlle data er",
            b"VAROITUS\n", b"UWAGA\n", b"VAROVANI\n", b"FIGYELEM\n"]
rng = random.Random(16)
alphabet = bytes(range(0x61, 0x7b)) + b"0123456789\x00\x01\x7f\xfe"
table = bytes(alphabet[b % len(alphabet)] for b in range(256))
data = bytearray(rng.randbytes(size).translate(table))
slot = size // len(openings)
for i, opening in enumerate(openings):
    text = opening + b" the map data may be wrong\nuse with care and check\nroad signs always\x00"
    start = i * slot + 4096
    data[start:start + len(text)] = text
open("model.rgn", "wb").write(data)
print("%08x" % zlib.crc32(data))
EOF
)

printf '[GPS]\r\nGps-1=Bench 1.00\r\n[Bench 1.00]\r\norg=model.org\r\nrgn=model.rgn\r\ncrc=%s\r\nlang=14\r\nRel=1.00\r\n' "$crc" > wendrix.ini
printf 'MZ stand-in uploader' > UPDATER.EXE
mkdir -p config bin
# A do-nothing xdg-open keeps the run from opening a browser.
printf '#!/bin/sh\nexit 0\n' > bin/xdg-open
chmod +x bin/xdg-open
export HOME="$work/config" XDG_CONFIG_HOME="$work/config" PATH="$work/bin:$PATH"

# The first run makes the pristine copy; the measured runs all patch from it.
./wendrix-cli patch 1 --line 'THIS UNIT BELONGS TO' --line 'J. SMITH' 2>/dev/null ||
    { echo "cli_patch: the patch run failed" >&2; exit 1; }
cmp -s model.org model.rgn && { echo "cli_patch: the working file was not patched" >&2; exit 1; }

# The commands run without a shell in between (-N); their output is dropped.
# They take turns in five rounds of eight runs each, so that a change in the
# machine's load (other work, the disk writing back) falls on all of them
# alike; each round gives a ratio, and the median of those is compared.
rounds=5
for round in $(seq "$rounds"); do
    hyperfine -N --warmup 1 --runs 8 --style basic --export-json "times-$round.json" \
        --command-name copy "cp model.org copy.bin" \
        --command-name patch "./wendrix-cli patch 1 --line 'THIS UNIT BELONGS TO' --line 'J. SMITH'" \
        --command-name check "./wendrix-cli check 1 --line 'THIS UNIT BELONGS TO' --line 'J. SMITH'" >/dev/null 2>&1
done

# Peak resident memory from wait4 in a tiny launcher. A launcher this small
# adds nothing to the child's high-water mark, unlike a forked Python or
# shell, whose pages count until the exec.
cat > peak.c <<'EOF'
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
int main(int argc, char** argv)
{
    (void)argc;
    pid_t pid = fork();
    if (pid == 0) {
        execv(argv[1], argv + 1);
        _exit(127);
    }
    int status;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) < 0)
        return 1;
    fprintf(stderr, "%ld\n", usage.ru_maxrss);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
EOF
cc -O2 -o peak peak.c
peak_kib=$(./peak ./wendrix-cli patch 1 --line 'THIS UNIT BELONGS TO' 2>&1 >/dev/null | tail -n 1)
base_kib=$(./peak ./wendrix-cli --help 2>&1 >/dev/null | tail -n 1)

python3 - "$peak_kib" "$size" "$base_kib" "$rounds" <<'EOF'
import json, statistics, sys
peak_kib, size, base_kib, rounds = (int(a) for a in sys.argv[1:5])
runs = {"copy": [], "patch": [], "check": []}
ratios, check_ratios = [], []
for n in range(1, rounds + 1):
    results = {r["command"]: r for r in json.load(open(f"times-{n}.json"))["results"]}
    for name in runs:
        runs[name] += results[name]["times"]
    ratios.append(results["patch"]["mean"] / results["copy"]["mean"])
    check_ratios.append(results["check"]["mean"] / results["patch"]["mean"])
copy, patch, check = (statistics.mean(runs[name]) for name in ("copy", "patch", "check"))
spread = {name: statistics.stdev(times) * 1000 for name, times in runs.items()}
ratio = statistics.median(ratios)
limit_kib = size // 1024 + 8 * 1024
print(f"image           {size // (1024 * 1024)} MiB")
print(f"cp              {copy * 1000:8.2f} ms (± {spread['copy']:.2f})")
print(f"wendrix-cli     {patch * 1000:8.2f} ms (± {spread['patch']:.2f})")
print(f"ratio           {ratio:8.2f}   goal < 2.00 (median of {rounds} rounds: "
      + ", ".join(f"{r:.2f}" for r in ratios) + ")")
print(f"check           {check * 1000:8.2f} ms (± {spread['check']:.2f})   goal <= patch")
print(f"peak memory     {peak_kib / 1024:8.1f} MiB goal < {limit_kib / 1024:.1f} MiB")
print(f"  program at rest (--help): {base_kib / 1024:.1f} MiB")
failed = []
if ratio >= 2.0:
    failed.append("time")
if peak_kib >= limit_kib:
    failed.append("memory")
if statistics.median(check_ratios) > 1.0:
    failed.append("check")
if failed:
    print("MISSED: " + ", ".join(failed))
    sys.exit(1)
print("goals met")
EOF

#!/usr/bin/env python3
"""Random sequences of wendrix-cli runs against one program folder.

Each step is one thing an owner, a server or bad luck can do: patch and
check with random lines, restore, update from a loopback server that serves
random whole, broken or hostile editions, files, links, FIFOs and folders
planted at the names the model file uses, a run killed at a random point,
two runs started at the same moment. After every step the folder is looked
at afresh and one rule is checked: every file content that was there before
the step is still held by some file (in the program's folder or outside
it), unless it was the program's own derivable output (its log, its lock,
its temporary files, or a patch of a stock image that the test made).

The check knows nothing of the program: it hashes what it finds, and knows
only the stock images it generated and where their texts lie.

    tests/sequence/sequence_test.py --cli build/default/cli/wendrix-cli \\
        [--seconds 60] [--seed N] [--keep]

Without --seed the seed is a fixed one, so that every run of the suite
tries the same sequence; pass another to look further. The seed is printed
first; the same seed gives the same sequence of steps
(timing aside: a run killed at a random point may die a little earlier or
later). A failure prints the step, the lost content and where it was, and
exits with 1.
"""
import argparse
import hashlib
import http.server
import os
import random
import re
import shutil
import signal
import socketserver
import stat
import subprocess
import sys
import tempfile
import threading
import time
import zlib

# Opening bytes of each language text, in the order firmware holds them.
KEYWORDS = [
    b"WARNING\n", b"WARNUNG\n", b"ATTENTION!\n", b"ATTENZIONE\n",
    b"AVISO\nLos datos se", b"VARNING!\n", b"ADVARSEL\nAlle data er",
    b"AVISO\nTodos os dados", b"WAARSCHUWING.\n", b"ADVARSEL\nAlle data er",
    b"VAROITUS\n", b"UWAGA\n", b"VAROVANI\n", b"FIGYELEM\n",
]
BODY = [b"this unit is an aid to", b"navigation only and must", b"not be relied upon for",
        b"precise measurement of", b"direction distance or", b"location press page"]
WORDS = ["PROPERTY", "OF", "J.", "SMITH", "REWARD", "IF", "FOUND", "+44", "20", "7946", "0000",
         "CALL", "ME", "SURVEY", "TEAM", "BOAT", "7", "HARBOUR", "ROAD", "Ünïcödé", "x" * 29, "y" * 31]
# Files of the program's own that the test never plants anything at.
PROGRAM_FILES = {"wendrix-cli", "updater.exe", "wendrix.ini", "wendrix.lock", "wendrix.log"}
# Exit codes of an ASan or UBSan report (set below) and of a run past its time.
SANITIZER_CODES = {97, 98}
TIMEOUT = 60
# The seed every run of the suite uses.
FIXED_SEED = 23


class Failure(Exception):
    pass


class Stock:
    """A firmware image the test made: its bytes and where its texts lie."""

    def __init__(self, size, texts, seed):
        rng = random.Random(seed)
        # Noise of lower-case letters, digits and a few other bytes never
        # forms a keyword, all of which begin with a capital.
        alphabet = b"abcdefghijklmnopqrstuvwxyz0123456789\x00\x01\x7f\xfe"
        table = bytes(alphabet[b % len(alphabet)] for b in range(256))
        data = bytearray(rng.randbytes(size).translate(table))
        gap = size // (texts + 1)
        self.spans = []
        for i in range(texts):
            keyword = KEYWORDS[i] if KEYWORDS[i].endswith(b"\n") else KEYWORDS[i] + b" "
            text = keyword + b"\n".join(BODY[: 3 + (i % 4)]) + b"\x00"
            at = gap * (i + 1)
            data[at - 1] = 0
            data[at:at + len(text)] = text
            self.spans.append((at, at + len(text) - 1))  # the text without its NUL
        self.data = bytes(data)
        self.texts = texts
        self.crc = zlib.crc32(self.data) & 0xFFFFFFFF

    def patched_by(self, content):
        """Whether `content` is this image with some texts rewritten: same
        size, every byte outside the texts (their NULs included) equal."""
        if len(content) != len(self.data):
            return False
        at = 0
        for begin, end in self.spans:
            if content[at:begin] != self.data[at:begin]:
                return False
            at = end
        return content[at:] == self.data[at:]


class Server:
    """Serves /gps/wendrix.ini on the loopback address: the body the driver
    chose, whole, or cut off in the middle with the connection closed and
    no length given, as an HTTP/1.0 server that dies does."""

    def __init__(self):
        self.body = b""
        self.cut = None
        outer = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.0"

            def do_GET(self):
                body, cut = outer.body, outer.cut
                self.send_response(200)
                self.send_header("Content-Type", "text/plain")
                if cut is None:
                    self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                try:
                    self.wfile.write(body if cut is None else body[:cut])
                except OSError:
                    pass

            def log_message(self, *args):
                pass

        class Threaded(socketserver.ThreadingMixIn, http.server.HTTPServer):
            daemon_threads = True

        self.httpd = Threaded(("127.0.0.1", 0), Handler)
        self.url = "http://127.0.0.1:%d/gps/wendrix.ini" % self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


def read_ini(path):
    """The sections of an INI file as the program reads them, roughly:
    section and key names without regard to letter case, first one wins.
    Only used to learn which names the model file uses."""
    sections = {}
    try:
        if not stat.S_ISREG(os.stat(path).st_mode):
            return [], {}
        with open(path, "rb") as f:
            text = f.read(2 * 1024 * 1024).decode("latin-1")
    except OSError:
        return [], {}
    current = sections.setdefault("", {})
    for line in re.split(r"\r\n|\r|\n", text):
        stripped = line.strip()
        if stripped.startswith("[") and "]" in stripped:
            current = sections.setdefault(stripped[1:stripped.rindex("]")].strip().lower(), {})
        elif "=" in stripped:
            key, value = stripped.split("=", 1)
            current.setdefault(key.strip().lower(), value.strip())
    models = []
    gps = sections.get("gps", {})
    n = 1
    while gps.get("gps-%d" % n):
        models.append(gps["gps-%d" % n])
        n += 1
    return models, sections


class Sequence:
    def __init__(self, cli, seed, keep):
        self.rng = random.Random(seed)
        self.seed = seed
        self.root = tempfile.mkdtemp(prefix="wendrix-sequence-")
        self.keep = keep
        self.app = os.path.join(self.root, "app")
        self.outside = os.path.join(self.root, "outside")
        for sub in ("app", "outside", "config", "bin"):
            os.makedirs(os.path.join(self.root, sub))
        shutil.copy2(cli, os.path.join(self.app, "wendrix-cli"))
        with open(os.path.join(self.root, "bin", "xdg-open"), "w") as f:
            f.write("#!/bin/sh\nexit 0\n")
        os.chmod(os.path.join(self.root, "bin", "xdg-open"), 0o755)
        with open(os.path.join(self.app, "UPDATER.EXE"), "w") as f:
            f.write("#!/bin/sh\nexit 0\n")
        os.chmod(os.path.join(self.app, "UPDATER.EXE"), 0o755)
        self.env = dict(os.environ, HOME=os.path.join(self.root, "config"),
                        XDG_CONFIG_HOME=os.path.join(self.root, "config"),
                        PATH=os.path.join(self.root, "bin") + ":/usr/bin:/bin",
                        ASAN_OPTIONS="exitcode=97:detect_leaks=1",
                        UBSAN_OPTIONS="halt_on_error=1:exitcode=98:print_stacktrace=1")
        # Four models' stock images; an edition lists some of them.
        self.stocks = [Stock(24 * 1024 + 512 * i, (10, 14, 4, 7)[i], 100 + i) for i in range(4)]
        self.names = [("eTrex %d" % i, "fw%d.org" % i, "fw%d.rgn" % i) for i in range(4)]
        self.server = Server()
        self.step = 0
        self.counts = {}
        self.hashed = {}
        self.write_model_file(self.edition([0, 1, 2]))
        for i in range(3):
            self.put(self.names[i][2], self.stocks[i].data)

    # ------------------------------------------------------------ the folder

    def path(self, name):
        return os.path.join(self.app, name)

    def put(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)

    def write_model_file(self, data):
        self.put("wendrix.ini", data)

    def edition(self, models, renamed=None, date=None):
        """A whole edition listing `models` (indexes of the stock images);
        `renamed` gives some of them other file names."""
        renamed = renamed or {}
        lines = ["[GPS]", "Date=%s" % (date or self.rng.randrange(10 ** 6))]
        for n, i in enumerate(models, start=1):
            lines.append("Gps-%d=%s" % (n, self.names[i][0]))
        for i in models:
            section, org, rgn = self.names[i]
            org, rgn = renamed.get(i, (org, rgn))
            lines += ["[%s]" % section, "org=" + org, "rgn=" + rgn, "crc=%08x" % self.stocks[i].crc,
                      "lang=%d" % self.stocks[i].texts, "Rel=1.%d" % i]
        return ("\r\n".join(lines) + "\r\n").encode("ascii")

    def snapshot(self):
        """Every plain file below the test's folders, by content. A file is
        read again whenever anything about it (its inode, size or times) has
        changed since it was last read."""
        found = {}
        seen = {}
        for top in (self.app, self.outside):
            for folder, dirs, files in os.walk(top):
                for name in files + dirs:
                    full = os.path.join(folder, name)
                    if full == self.path("wendrix-cli"):
                        continue  # the program itself
                    try:
                        info = os.lstat(full)
                    except OSError:
                        continue
                    if not stat.S_ISREG(info.st_mode):
                        continue
                    key = (full, info.st_dev, info.st_ino, info.st_size, info.st_mtime_ns, info.st_ctime_ns)
                    if key not in self.hashed:
                        try:
                            with open(full, "rb") as f:
                                data = f.read()
                        except OSError as error:
                            raise Failure("cannot read %s to check it: %s" % (full, error))
                        self.hashed[key] = (hashlib.sha256(data).hexdigest(), data)
                    seen[key] = self.hashed[key]
                    digest, data = self.hashed[key]
                    found.setdefault(digest, []).append((full, data))
        self.hashed = seen
        return found

    def own_output(self, path, data):
        """The program's own output that it may replace or remove."""
        name = os.path.basename(path)
        if os.path.dirname(path) == self.app and (
                name in ("wendrix.LOG", "wendrix.lock", "wendrix-cli")
                or re.fullmatch(r"wendrix\.[1-9]\.LOG", name)
                or re.fullmatch(r"\.wendrix-\d+-\d+\.tmp", name)):
            return True
        return any(stock.patched_by(data) for stock in self.stocks)

    def check(self, before, what):
        after = self.snapshot()
        for digest, places in before.items():
            if digest in after:
                continue
            if all(self.own_output(path, data) for path, data in places):
                continue
            where = ", ".join(os.path.relpath(path, self.root) for path, _ in places)
            raise Failure("step %d (%s) lost the content of %s (%d bytes, sha256 %s)"
                          % (self.step, what, where, len(places[0][1]), digest[:16]))

    # --------------------------------------------------------------- the runs

    def start(self, args):
        return subprocess.Popen([self.path("wendrix-cli")] + args, cwd=self.app, env=self.env,
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def finish(self, process, args, killed=False):
        try:
            out, err = process.communicate(timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            process.kill()
            process.communicate()
            raise Failure("step %d: %s did not end within %d s" % (self.step, " ".join(args), TIMEOUT))
        code = process.returncode
        if code in SANITIZER_CODES or (code < 0 and not killed) or code > 4:
            raise Failure("step %d: %s ended with %d\n%s" % (self.step, " ".join(args), code,
                                                             err.decode("utf-8", "replace")[-3000:]))
        return code

    def random_lines(self):
        lines = []
        for _ in range(self.rng.randrange(1, 8)):
            words = [self.rng.choice(WORDS) for _ in range(self.rng.randrange(0, 4))]
            lines += ["--line", " ".join(words)]
        return lines

    def random_model(self):
        models, _ = read_ini(self.path("wendrix.ini"))
        if models and self.rng.random() < 0.9:
            return str(self.rng.randrange(1, len(models) + 1))
        return self.rng.choice(["1", "2", "9", "eTrex 3"])

    def command(self):
        kind = self.rng.choice(["patch", "patch", "check", "restore", "update"])
        if kind == "update":
            self.choose_edition()
            return ["update", "--update-url", self.server.url]
        args = [kind, self.random_model()]
        if kind in ("patch", "check"):
            args += self.random_lines()
            if self.rng.random() < 0.2:
                args.append("--force")
        return args

    def choose_edition(self):
        """Sets what the server answers next: a whole edition, one cut off
        or otherwise broken, or a hostile one."""
        rng = self.rng
        models = sorted(rng.sample(range(4), rng.randrange(1, 5)))
        kind = rng.choice(["same", "whole", "whole", "renamed", "cut", "broken", "hostile"])
        self.server.cut = None
        if kind == "same":
            try:
                with open(self.path("wendrix.ini"), "rb") as f:
                    self.server.body = f.read()
            except OSError:
                self.server.body = self.edition(models)
            return
        if kind == "renamed":
            # Files of one model renamed, perhaps onto the names another used.
            i = rng.choice(models)
            other = rng.randrange(4)
            choices = [("new%d.org" % i, "new%d.rgn" % i), (self.names[other][1], "new%d.rgn" % i),
                       ("new%d.org" % i, self.names[other][2]), (self.names[other][2], self.names[i][2])]
            self.server.body = self.edition(models, {i: rng.choice(choices)})
            return
        body = self.edition(models)
        if kind == "cut":
            self.server.body = body
            self.server.cut = rng.randrange(6, len(body))
        elif kind == "broken":
            lines = body.split(b"\r\n")
            del lines[rng.randrange(1, len(lines) - 1)]
            self.server.body = b"\r\n".join(lines)
        elif kind == "hostile":
            i = rng.choice(models)
            section, org, rgn = self.names[i]
            bad = rng.choice([("../outside/victim.txt", rgn), (org, "../outside/victim.txt"),
                              ("wendrix.ini", rgn), (org, "wendrix.ini.bak"), ("CON", rgn), (org, org),
                              (org, "wendrix-cli"), (org, "UPDATER.EXE")])
            self.server.body = self.edition(models, {i: bad})
            if rng.random() < 0.3:
                self.server.body += b"[WARNING]\r\nText-1=FROM THE SERVER\r\n"
        else:
            self.server.body = body

    # ---------------------------------------------------- what the test does

    def plant(self):
        """Puts something at a name the model file uses."""
        rng = self.rng
        models, sections = read_ini(self.path("wendrix.ini"))
        names = []
        for model in models:
            for key in ("org", "rgn"):
                value = sections.get(model.lower(), {}).get(key)
                if value:
                    names.append(value)
        if not names:
            names = [n for _, org, rgn in self.names for n in (org, rgn)]
        # The program's own files are not the owner's to replace.
        names = [n for n in names if os.path.basename(n).lower() not in PROGRAM_FILES]
        if not names:
            return "nothing (no name of the owner's)"
        name = rng.choice(names)
        # The name itself, not what a link there leads to.
        target = os.path.normpath(self.path(name))
        if not os.path.realpath(os.path.dirname(target)).startswith(self.root) or target == self.app:
            return "nothing (outside the folder)"
        # What is there is moved out of the way, not destroyed: losing it
        # would be the test's doing, not the program's.
        if os.path.lexists(target):
            os.rename(target, os.path.join(self.outside, "displaced-%d" % self.step))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        victim = os.path.join(self.outside, "victim%d.txt" % rng.randrange(3))
        if not os.path.exists(victim):
            with open(victim, "wb") as f:
                f.write(b"the owner's notes %d\n" % rng.randrange(10 ** 6))
        # Bytes that exist nowhere else come most often: they are what must
        # never be lost.
        kind = rng.choice(["notes"] * 3 + ["other firmware"] * 3 +
                          ["stock", "stock of another", "link out", "link in", "dangling link", "fifo", "folder",
                           "remove", "patched stock"])
        stock = rng.choice(self.stocks)
        if kind == "notes":
            with open(target, "wb") as f:
                f.write(b"notes %d\n" % rng.randrange(10 ** 9))
        elif kind == "other firmware":
            data = bytearray(stock.data)
            data[rng.randrange(len(data))] ^= 0x20
            with open(target, "wb") as f:
                f.write(bytes(data))
        elif kind in ("stock", "stock of another"):
            with open(target, "wb") as f:
                f.write(stock.data)
        elif kind == "patched stock":
            data = bytearray(stock.data)
            begin, end = rng.choice(stock.spans)
            data[begin + 1:end] = b"P" * (end - begin - 1)
            with open(target, "wb") as f:
                f.write(bytes(data))
        elif kind == "link out":
            os.symlink(victim, target)
        elif kind == "link in":
            os.symlink(os.path.join(self.app, rng.choice(["UPDATER.EXE", "wendrix.ini", "fw0.org", "fw1.rgn"])),
                       target)
        elif kind == "dangling link":
            os.symlink(os.path.join(self.outside, "nowhere"), target)
        elif kind == "fifo":
            os.mkfifo(target)
        elif kind == "folder":
            os.makedirs(target)
            with open(os.path.join(target, "inside.txt"), "wb") as f:
                f.write(b"inside %d\n" % rng.randrange(10 ** 9))
        return "%s at %s" % (kind, name)

    def run_step(self):
        rng = self.rng
        self.step += 1
        choice = rng.random()
        if choice < 0.18:
            self.plant()
            self.counts["plant"] = self.counts.get("plant", 0) + 1
            return
        if choice < 0.26:
            # The owner puts a stock image back as a working file, or removes a file.
            # What was there is moved out of the way, never destroyed.
            i = rng.randrange(4)
            names = [self.names[i][2]] if rng.random() < 0.5 else list(self.names[i][1:])
            for name in names:
                if os.path.lexists(self.path(name)):
                    os.rename(self.path(name), os.path.join(self.outside, "displaced-%d-%s" % (self.step, name)))
            if len(names) == 1:
                self.put(names[0], self.stocks[i].data)
            self.counts["owner"] = self.counts.get("owner", 0) + 1
            return
        before = self.snapshot()
        if choice < 0.34:
            # A run killed at a random point.
            args = self.command()
            process = self.start(args)
            time.sleep(rng.random() * 0.05)
            process.send_signal(signal.SIGKILL)
            self.finish(process, args, killed=True)
            what = "killed " + " ".join(args)
            self.counts["killed"] = self.counts.get("killed", 0) + 1
        elif choice < 0.42:
            # Two runs started at the same moment.
            first, second = self.command(), self.command()
            a, b = self.start(first), self.start(second)
            self.finish(a, first)
            self.finish(b, second)
            what = " & ".join(" ".join(x) for x in (first, second))
            self.counts["together"] = self.counts.get("together", 0) + 1
        else:
            args = self.command()
            self.finish(self.start(args), args)
            what = " ".join(args)
            self.counts[args[0]] = self.counts.get(args[0], 0) + 1
        self.check(before, what)

    def close(self):
        self.server.close()
        if not self.keep:
            shutil.rmtree(self.root, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cli", required=True, help="the wendrix-cli to drive")
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--seed", type=int, default=FIXED_SEED)
    parser.add_argument("--steps", type=int, default=None, help="stop after this many steps")
    parser.add_argument("--keep", action="store_true", help="keep the folder")
    args = parser.parse_args()
    seed = args.seed
    print("sequence test: seed %d (replay: %s --cli %s --seed %d)" % (seed, sys.argv[0], args.cli, seed), flush=True)
    sequence = Sequence(os.path.abspath(args.cli), seed, args.keep)
    end = time.monotonic() + args.seconds
    try:
        while time.monotonic() < end and (args.steps is None or sequence.step < args.steps):
            sequence.run_step()
    except Exception as failure:  # a Failure, or the test's own fault: either is reported with the seed
        print("sequence test FAILED with seed %d: %s%s" % (seed, "" if isinstance(failure, Failure) else
                                                          type(failure).__name__ + ": ", failure))
        print("the folder is kept: %s" % sequence.root)
        sequence.keep = True
        sequence.close()
        return 1
    ops = sum(v for k, v in sequence.counts.items() if k not in ("plant", "owner"))
    print("sequence test: %d steps, %d runs of the program (%s), nothing lost"
          % (sequence.step, ops, ", ".join("%s %d" % kv for kv in sorted(sequence.counts.items()))))
    sequence.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())

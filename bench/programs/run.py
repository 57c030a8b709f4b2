#!/usr/bin/env python3
"""Times the same small programs written as Ludivar game programs (.pro), in Python 3,
in Lua 5.4 and in C, side by side.

A set is a folder holding set.json and, for each program NAME listed there, NAME.pro,
NAME.py, NAME.lua and NAME.c. Every version takes the size N (the game program on its
line "SEJA $N = ...", which is rewritten here; the others as their first argument),
runs in a fresh folder, and leaves one check value: the game program in resultado.txt,
the others on their standard output. set.json gives, per program:
  n           the size timed (and twice it)
  input       a file of N lines "alunoI nota" made here before each run
  writes      a file the program writes; it must hold N lines afterwards
  file_write  the program is mostly file writing (its limit against Python is looser)

Each version runs at 0, N and 2N, interleaved with the others, three times. Processor
time is the children's user + system time around each run. A pass is t(2N) - t(N), so
start-up cancels out; growth on doubling is (t(2N) - t(0)) / (t(N) - t(0)), shown for
the game program and, beside it, for Python.

Exit status: 0 all within limits; 1 a game program took more than Python's time (1.5x
for file writing) or more than 5x Lua's (medians of the repeats); 2 the versions
disagree, one failed, or the set cannot be run.
"""

import argparse
import json
import os
import re
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent.parent
LANGS = ("script", "python", "lua", "c")
LIMIT_PYTHON = 1.0
LIMIT_PYTHON_FILE_WRITE = 1.5
LIMIT_LUA = 5.0
# Below this a pass is noise; ratios against it are shown as lower bounds.
MIN_PASS_S = 0.001
N_LINE = re.compile(rb"^([ \t]*SEJA[ \t]+\$N[ \t]*=?[ \t]*)-?\d+([ \t]*\r?)$", re.IGNORECASE | re.MULTILINE)
RESULT_FILE = "resultado.txt"


class SetError(Exception):
    """The set cannot be run, or its versions do not agree."""


def child_cpu_seconds():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def script_with_size(source, n):
    text, count = N_LINE.subn(lambda m: m.group(1) + str(n).encode() + m.group(2), source)
    if count != 1:
        raise SetError(f"expected one line 'SEJA $N = number', found {count}")
    return text


def write_marks_file(path, n):
    """The marks file the reading programs expect: the same lines the writing program makes."""
    seed = 4242
    with open(path, "w", newline="\r\n") as f:
        for i in range(1, n + 1):
            seed = (seed * 75 + 74) % 65537
            f.write(f"aluno{i} {seed % 1000}\n")


def count_lines(path):
    with open(path, "rb") as f:
        return sum(1 for _ in f)


class Program:
    def __init__(self, set_dir, name, conf, work, ludivar):
        self.name = name
        self.n = int(conf["n"])
        self.input = conf.get("input")
        self.writes = conf.get("writes")
        self.file_write = bool(conf.get("file_write"))
        self.set_dir = set_dir
        self.work = work / name
        self.ludivar = ludivar
        for ext in ("pro", "py", "lua", "c"):
            if not (set_dir / f"{name}.{ext}").is_file():
                raise SetError(f"{name}: {name}.{ext} is missing")
        self.work.mkdir(parents=True)
        self.binary = self.work / name
        built = subprocess.run(["gcc", "-O2", "-o", str(self.binary), str(set_dir / f"{name}.c")],
                               capture_output=True, text=True)
        if built.returncode != 0:
            raise SetError(f"{name}.c does not build:\n{built.stderr}")
        self.source = (set_dir / f"{name}.pro").read_bytes()
        script_with_size(self.source, 0)  # fails early when the size line is missing

    def folder(self, n):
        """A folder per size: the game program may reach only files beside itself."""
        d = self.work / f"n{n}"
        if not d.exists():
            d.mkdir()
            (d / f"{self.name}.pro").write_bytes(script_with_size(self.source, n))
            if self.input:
                write_marks_file(d / self.input, n)
        return d

    def command(self, lang, n):
        if lang == "script":
            return [str(self.ludivar), "--headless", "--script", f"{self.name}.pro"]
        if lang == "python":
            return [sys.executable, str(self.set_dir / f"{self.name}.py"), str(n)]
        if lang == "lua":
            return ["lua5.4", str(self.set_dir / f"{self.name}.lua"), str(n)]
        return [str(self.binary), str(n)]

    def run(self, lang, n):
        """Runs one version; returns (processor seconds, check value)."""
        d = self.folder(n)
        result = d / RESULT_FILE
        if result.exists():
            result.unlink()
        if self.writes and (d / self.writes).exists():
            (d / self.writes).unlink()
        before = child_cpu_seconds()
        done = subprocess.run(self.command(lang, n), cwd=d, capture_output=True)
        seconds = child_cpu_seconds() - before
        if done.returncode != 0:
            raise SetError(f"{self.name} ({lang}, N={n}) ended with status {done.returncode}:\n"
                           + done.stderr.decode(errors="replace") + done.stdout.decode(errors="replace"))
        if lang == "script":
            if not result.exists():
                raise SetError(f"{self.name} (script, N={n}) left no {RESULT_FILE}")
            value = result.read_bytes().decode("cp1252").strip()
        else:
            value = done.stdout.decode(errors="replace").strip()
        if self.writes:
            written = d / self.writes
            lines = count_lines(written) if written.exists() else -1
            if lines != n:
                raise SetError(f"{self.name} ({lang}, N={n}) left {lines} lines in {self.writes}, not {n}")
            written.unlink()
        return seconds, value


def ratio_text(values, floored):
    lo, med, hi = min(values), statistics.median(values), max(values)
    mark = ">" if floored else ""
    if len(values) == 1:
        return f"{mark}{med:.2f}"
    return f"{mark}{med:.2f} ({lo:.2f}-{hi:.2f})"


def measure(program, repeats, scale):
    n = max(1, program.n // scale)
    sizes = (0, n, 2 * n)
    times = {lang: {size: [] for size in sizes} for lang in LANGS}
    for r in range(repeats):
        order = LANGS[r % len(LANGS):] + LANGS[:r % len(LANGS)]
        for size in sizes:
            checks = {}
            for lang in order:
                seconds, checks[lang] = program.run(lang, size)
                times[lang][size].append(seconds)
            if len(set(checks.values())) != 1:
                detail = "\n".join(f"  {lang:7} {checks[lang]}" for lang in LANGS)
                raise SetError(f"{program.name}: the versions disagree at N={size}:\n{detail}")
    passes = {lang: [times[lang][2 * n][r] - times[lang][n][r] for r in range(repeats)] for lang in LANGS}
    growth = {}
    for lang in ("script", "python"):
        growth[lang] = []
        for r in range(repeats):
            base = times[lang][0][r]
            once = times[lang][n][r] - base
            growth[lang].append((times[lang][2 * n][r] - base) / once if once > 0 else float("inf"))
    return n, passes, growth


def verdict(program, passes):
    script = passes["script"]
    vs = {}
    floored = {}
    for lang in ("python", "lua", "c"):
        other = passes[lang]
        floored[lang] = any(o < MIN_PASS_S for o in other)
        vs[lang] = [s / max(o, MIN_PASS_S) for s, o in zip(script, other)]
    limit_py = LIMIT_PYTHON_FILE_WRITE if program.file_write else LIMIT_PYTHON
    slow = []
    if statistics.median(vs["python"]) > limit_py:
        slow.append(f"> {limit_py:g}x Python")
    if statistics.median(vs["lua"]) > LIMIT_LUA:
        slow.append(f"> {LIMIT_LUA:g}x Lua")
    return vs, floored, slow


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--set", default=str(HERE / "A"), help="folder of the set (default: A beside this file)")
    parser.add_argument("--ludivar", default=str(ROOT / "build" / "ludivar"), help="the program that runs .pro files")
    parser.add_argument("--only", action="append", help="run only this program (may be repeated)")
    parser.add_argument("--quick", action="store_true", help="one repeat at a quarter of each size")
    args = parser.parse_args()

    set_dir = Path(args.set).resolve()
    ludivar = Path(args.ludivar).resolve()
    try:
        conf = json.loads((set_dir / "set.json").read_text())
    except (OSError, ValueError) as e:
        print(f"cannot read {set_dir / 'set.json'}: {e}", file=sys.stderr)
        return 2
    if not os.access(ludivar, os.X_OK):
        print(f"{ludivar} is not an executable program", file=sys.stderr)
        return 2
    for tool in ("lua5.4", "gcc"):
        if not shutil.which(tool):
            print(f"{tool} is missing (bash .ci/deps.sh installs it)", file=sys.stderr)
            return 2
    names = list(conf)
    if args.only:
        unknown = [o for o in args.only if o not in conf]
        if unknown:
            print(f"not in {set_dir.name}: {', '.join(unknown)}", file=sys.stderr)
            return 2
        names = [n for n in names if n in args.only]
    repeats, scale = (1, 4) if args.quick else (3, 1)

    header = f"{'program':10} {'N':>7} {'script s/pass':>18} {'x Python':>18} {'x Lua':>18} {'x C':>22} {'growth':>6} {'(py)':>6}"
    print(f"set {set_dir}, {repeats} repeat(s), processor time of the child; ranges are min-max of the repeats")
    print(header)
    failed = []
    with tempfile.TemporaryDirectory(prefix="ludivar-programs-") as tmp:
        for name in names:
            try:
                program = Program(set_dir, name, conf[name], Path(tmp), ludivar)
                n, passes, growth = measure(program, repeats, scale)
            except SetError as e:
                print(e, file=sys.stderr)
                return 2
            vs, floored, slow = verdict(program, passes)
            script = passes["script"]
            secs = f"{statistics.median(script):.3f}"
            if repeats > 1:
                secs += f" ({min(script):.2f}-{max(script):.2f})"
            print(f"{name:10} {n:>7} {secs:>18} {ratio_text(vs['python'], floored['python']):>18} "
                  f"{ratio_text(vs['lua'], floored['lua']):>18} {ratio_text(vs['c'], floored['c']):>22} "
                  f"{statistics.median(growth['script']):>6.2f} {statistics.median(growth['python']):>6.2f}  "
                  f"{'; '.join(slow) if slow else 'ok'}", flush=True)
            if slow:
                failed.append(name)
    if failed:
        print(f"slower than allowed: {', '.join(failed)}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

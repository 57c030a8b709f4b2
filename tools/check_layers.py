#!/usr/bin/env python3
"""Checks that every #include goes down the stack of layers written in tools/layers.txt.

A file under src/<layer>/ may include headers of its own layer and of the layers below it.
A file under tests/<folder>/ is at the layer layers.txt gives that folder; it may also
include tests/support and its own folder's headers, never another test folder's (shared
helpers live in tests/support).  Top-level folders such as bench/ are listed the same way.

Exit status 0 when every include keeps to the order, 1 with one line per offending include
(file:line: the include and why), 2 when layers.txt itself cannot be read.

    python3 tools/check_layers.py [--root DIR]
"""
import argparse
import os
import re
import sys

SOURCE_ENDINGS = (".c", ".cc", ".cpp", ".cxx", ".h", ".hh", ".hpp", ".inc")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


class LayersError(Exception):
    pass


def read_layers(path):
    """Returns (layer names bottom first, {test folder: layer}, {top folder: layer})."""
    layers, tests, tops = [], {}, {}
    try:
        with open(path, encoding="utf-8") as f:
            lines = f.read().splitlines()
    except OSError as e:
        raise LayersError(f"{path}: {e.strerror}")
    for number, raw in enumerate(lines, 1):
        line = raw.split("#", 1)[0].strip()
        if not line:
            continue
        words = line.split()
        if len(words) == 1 and "=" not in line:
            if line in layers:
                raise LayersError(f"{path}:{number}: layer {line} is listed twice")
            layers.append(line)
            continue
        if len(words) != 2 or words[0] not in ("test", "top") or words[1].count("=") != 1:
            raise LayersError(f"{path}:{number}: cannot read '{raw.strip()}'")
        folder, layer = words[1].split("=")
        if layer not in layers:
            raise LayersError(f"{path}:{number}: {layer} is not a layer listed above")
        table = tests if words[0] == "test" else tops
        if folder in table:
            raise LayersError(f"{path}:{number}: {folder} is listed twice")
        table[folder] = layer
    if not layers:
        raise LayersError(f"{path}: no layers listed")
    return layers, tests, tops


def source_files(root, top):
    base = os.path.join(root, top)
    for folder, dirs, files in os.walk(base):
        dirs[:] = sorted(d for d in dirs if d != "node_modules" and not d.startswith("."))
        for name in sorted(files):
            if name.endswith(SOURCE_ENDINGS):
                yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")


class Checker:
    def __init__(self, root, layers, tests, tops):
        self.root = root
        self.order = {name: i for i, name in enumerate(layers)}
        self.tests = tests
        self.tops = tops
        self.problems = []

    def place(self, rel):
        """What a repository path is: ('layer', name), ('support',), ('test', folder),
        ('unknown', why) or None (outside the checked folders)."""
        parts = rel.split("/")
        if parts[0] == "src":
            if len(parts) < 3:
                return ("unknown", "a file directly under src/ belongs to no layer")
            if parts[1] not in self.order:
                return ("unknown", f"src/{parts[1]} is not a layer in tools/layers.txt")
            return ("layer", parts[1])
        if parts[0] == "tests" and len(parts) >= 3:
            if parts[1] == "support":
                return ("support",)
            return ("test", parts[1])
        if parts[0] in self.tops:
            return ("top", parts[0])
        return None

    def own_layer(self, rel):
        kind = self.place(rel)
        if kind is None:
            return None, None
        if kind[0] == "unknown":
            return None, kind[1]
        if kind[0] == "layer":
            return kind[1], None
        if kind[0] == "support":
            return self.tests.get("support", self.order_top()), None
        if kind[0] == "top":
            return self.tops[kind[1]], None
        folder = kind[1]
        if folder not in self.tests:
            return None, f"tests/{folder} has no line in tools/layers.txt (test {folder}=<layer>)"
        return self.tests[folder], None

    def order_top(self):
        return max(self.order, key=self.order.get)

    def resolve(self, rel, include):
        """The repository path an include names, searched as the compiler does: next to the
        including file, then under src/, then under tests/ (the test programs' include path)."""
        here = os.path.dirname(rel)
        # (The program's own sources do not see tests/, but an include of it is reported.)
        candidates = [os.path.join(here, include), os.path.join("src", include),
                      os.path.join("tests", include)]
        for c in candidates:
            c = os.path.normpath(c).replace(os.sep, "/")
            if not c.startswith("..") and os.path.isfile(os.path.join(self.root, c)):
                return c
        # A header that is not there (yet): its first folder still says where it would live.
        first = os.path.normpath(include).replace(os.sep, "/").split("/")[0]
        if "/" in include and first in self.order:
            return "src/" + os.path.normpath(include).replace(os.sep, "/")
        if "/" in include and first == "support":
            return "tests/" + os.path.normpath(include).replace(os.sep, "/")
        return None  # generated or system header

    def check_file(self, rel):
        own, why = self.own_layer(rel)
        if why:
            self.problems.append(f"{rel}: {why}")
            return
        if own is None:
            return
        own_kind = self.place(rel)
        try:
            with open(os.path.join(self.root, rel), encoding="utf-8", errors="replace") as f:
                lines = f.read().splitlines()
        except OSError as e:
            self.problems.append(f"{rel}: {e.strerror}")
            return
        for number, line in enumerate(lines, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            include = m.group(1)
            target = self.resolve(rel, include)
            if target is None:
                continue
            reason = self.judge(own_kind, own, target)
            if reason:
                self.problems.append(f'{rel}:{number}: #include "{include}": {reason}')

    def judge(self, own_kind, own, target):
        kind = self.place(target)
        if kind is None:
            return None
        if kind[0] == "unknown":
            return kind[1]
        if kind[0] == "support":
            if own_kind[0] == "layer":
                return "the program's sources cannot include the tests' support"
            return None
        if kind[0] == "test":
            if own_kind == kind:
                return None
            return (f"a helper of tests/{kind[1]}; helpers shared between test folders "
                    "belong in tests/support")
        if kind[0] == "top":
            return None if own_kind == kind else f"{kind[1]}/ is not a layer"
        layer = kind[1]
        if self.order[layer] > self.order[own]:
            return f"{layer} is above {own}"
        return None

    def run(self):
        for top in ["src", "tests"] + sorted(self.tops):
            if not os.path.isdir(os.path.join(self.root, top)):
                continue
            for rel in source_files(self.root, top):
                self.check_file(rel)
        return self.problems


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--root", default=os.path.dirname(here), help="the source tree (default: this one)")
    ap.add_argument("--layers", help="the layers file (default: ROOT/tools/layers.txt)")
    args = ap.parse_args(argv)
    root = os.path.abspath(args.root)
    try:
        layers, tests, tops = read_layers(args.layers or os.path.join(root, "tools", "layers.txt"))
    except LayersError as e:
        print(f"check_layers: {e}", file=sys.stderr)
        return 2
    problems = Checker(root, layers, tests, tops).run()
    for p in problems:
        print(p)
    if problems:
        print(f"check_layers: {len(problems)} include(s) break the order in tools/layers.txt",
              file=sys.stderr)
        return 1
    print("check_layers: every include keeps to the order in tools/layers.txt")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""tools/check_layers.py on small trees built for each case: it must fail on an include
that goes up the stack, on a test folder with no layer, on a helper shared between test
folders outside tests/support, and pass on includes that keep to the order."""
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
CHECKER = os.path.normpath(os.path.join(HERE, "..", "..", "tools", "check_layers.py"))

LAYERS = """\
util
platform
speech
console
game
app
test speech=speech
test game=game
test support=app
top bench=app
"""

# Headers every case's tree holds, so that includes resolve as the compiler finds them.
HEADERS = ["src/util/log.h", "src/platform/files.h", "src/speech/wave.h", "src/speech/brisa/chain.h",
           "src/console/textwin.h", "src/game/model.h", "src/app/startup.h", "tests/support/inproc.h",
           "tests/game/fixture.h", "tests/speech/voices.h"]

# (name, file written, its text, lines the checker must report (file:line prefixes); none: it passes)
CASES = [
    ("same layer and below", "src/console/a.cpp",
     '#include "console/textwin.h"\n#include "speech/wave.h"\n#include "util/log.h"\n#include <vector>\n', []),
    ("a subfolder belongs to its layer", "src/speech/brisa/b.cpp",
     '#include "brisa/chain.h"\n#include "speech/brisa/chain.h"\n#include "platform/files.h"\n', []),
    ("upward from the program", "src/platform/bad.cpp",
     '#include "platform/files.h"\n#include "console/textwin.h"\n', ["src/platform/bad.cpp:2:"]),
    ("upward to a header that does not exist yet", "src/util/new.cpp",
     '#include "game/later.h"\n', ["src/util/new.cpp:1:"]),
    ("upward through a relative path", "src/speech/rel.cpp",
     '#include "../app/startup.h"\n', ["src/speech/rel.cpp:1:"]),
    ("a generated header is no layer", "src/platform/gen.cpp",
     '#include "ludivar_paths.h"\n', []),
    ("an include in a comment is skipped", "src/util/c.cpp",
     '// #include "app/startup.h"\n', []),
    ("the program cannot see test support", "src/app/main.cpp",
     '#include "support/inproc.h"\n', ["src/app/main.cpp:1:"]),
    ("a test at its layer, with support", "tests/game/ok_test.cpp",
     '#include "game/model.h"\n#include "support/inproc.h"\n#include "fixture.h"\n', []),
    ("a test above its layer", "tests/speech/up_test.cpp",
     '#include "speech/wave.h"\n#include "console/textwin.h"\n', ["tests/speech/up_test.cpp:2:"]),
    ("a test using another test folder's helper", "tests/game/borrow_test.cpp",
     '#include "speech/voices.h"\n#include "../speech/voices.h"\n',
     ["tests/game/borrow_test.cpp:1:", "tests/game/borrow_test.cpp:2:"]),
    ("a test folder with no layer", "tests/stray/x_test.cpp", '#include "util/log.h"\n', ["tests/stray/x_test.cpp"]),
    ("a source folder that is no layer", "src/extra/y.cpp", '\n', ["src/extra/y.cpp"]),
    ("a listed top folder", "bench/bench_x.cpp", '#include "app/startup.h"\n#include "support/inproc.h"\n', []),
]


def make_tree(root, layers=LAYERS):
    os.makedirs(os.path.join(root, "tools"))
    with open(os.path.join(root, "tools", "layers.txt"), "w") as f:
        f.write(layers)
    for h in HEADERS:
        write(root, h, "#pragma once\n")


def write(root, rel, text):
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def check(root):
    p = subprocess.run([sys.executable, CHECKER, "--root", root], capture_output=True, text=True)
    return p.returncode, [l for l in p.stdout.splitlines() if not l.startswith("check_layers:")]


class CheckLayers(unittest.TestCase):
    def test_cases(self):
        for name, rel, text, expected in CASES:
            with self.subTest(name), tempfile.TemporaryDirectory() as root:
                make_tree(root)
                self.assertEqual(check(root), (0, []), "the tree without the case must pass")
                write(root, rel, text)
                code, lines = check(root)
                self.assertEqual(code, 1 if expected else 0, lines)
                self.assertEqual(len(lines), len(expected), lines)
                for want, got in zip(expected, lines):
                    self.assertTrue(got.startswith(want), f"{got!r} should start with {want!r}")

    def test_unreadable_layers_file(self):
        bad = [("unknown layer", "util\ntest game=nowhere\n"),
               ("twice", "util\nutil\n"),
               ("garbled", "util\ntest game\n"),
               ("empty", "# nothing\n")]
        for name, text in bad:
            with self.subTest(name), tempfile.TemporaryDirectory() as root:
                make_tree(root, text)
                self.assertEqual(check(root)[0], 2)


if __name__ == "__main__":
    unittest.main()

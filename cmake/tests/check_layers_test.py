"""The layering check on small trees of its own: every way of writing an upward include is
caught, and includes that run downward pass."""

import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

SCRIPT = Path(__file__).resolve().parent.parent / "check-layers.py"


def check(files: dict):
    """Runs the check on a tree of `files` (path: text); its exit code and output."""
    with tempfile.TemporaryDirectory() as root:
        for rel, text in files.items():
            path = Path(root, rel)
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(text)
        done = subprocess.run([sys.executable, str(SCRIPT), root], capture_output=True, text=True)
        return done.returncode, done.stdout


HIGH = "viewer-plugin/viewer/Viewer.h"
LOW = "viewer-plugin/display/Display.cpp"


class CheckLayersTest(unittest.TestCase):
    def test_an_upward_include_fails_however_it_is_written(self):
        for written in ('"viewer-plugin/viewer/Viewer.h"', '"../viewer/Viewer.h"',
                        '"viewer-plugin/display/../viewer/Viewer.h"',
                        '"viewer-plugin/./viewer//Viewer.h"', "<viewer-plugin/viewer/Viewer.h>"):
            with self.subTest(written=written):
                code, out = check({HIGH: "", LOW: f"#include {written}\n"})
                self.assertEqual(code, 1, out)
                self.assertIn(f"{LOW}: includes {HIGH}", out)

    def test_downward_includes_pass_and_cycles_and_test_code_fail(self):
        code, out = check({
            HIGH: '#include "../display/Display.h"\n#include <vector>\n',
            "viewer-plugin/display/Display.h": '#include "geometry/Geometry.h"\n',
            "geometry/Geometry.h": "",
            "build-x/viewer-plugin/display/Gen.h": '#include "viewer-plugin/viewer/Viewer.h"\n',
        })
        self.assertEqual((code, out), (0, ""))

        code, out = check({"platform/a/A.h": '#include "platform/b/B.h"\n',
                           "platform/b/B.h": '#include "../a/A.h"\n'})
        self.assertEqual(code, 1)
        self.assertIn("platform stand-ins need one another: a -> b -> a", out)

        code, out = check({"viewer-plugin/display/tests/Fake.h": "",
                           LOW: '#include "tests/Fake.h"\n'})
        self.assertEqual(code, 1)
        self.assertIn("includes test code", out)


if __name__ == "__main__":
    unittest.main()

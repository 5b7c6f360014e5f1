"""Checks that the committed LED pictures are what the generator draws now.

Run from the repository root: python3 -m unittest discover tests/tools
"""

import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


class DrawLedsTest(unittest.TestCase):
    def test_committed_pictures_match_the_generator(self):
        committed = sorted(os.listdir(os.path.join(ROOT, 'resources/leds')))
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([sys.executable, os.path.join(ROOT, 'tools/draw-leds.py')], cwd=out, check=True)
            drawn = sorted(os.listdir(os.path.join(out, 'resources/leds')))
            self.assertEqual(drawn, committed)
            for name in drawn:
                with open(os.path.join(out, 'resources/leds', name), 'rb') as a, \
                        open(os.path.join(ROOT, 'resources/leds', name), 'rb') as b:
                    self.assertEqual(a.read(), b.read(), name)


if __name__ == '__main__':
    unittest.main()

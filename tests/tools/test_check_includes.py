"""Checks that the include check finds each kind of fault in a small made-up tree, and nothing
in a sound one.

Run from the repository root: python3 -m unittest discover tests/tools
"""

import importlib.util
import os
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

sys.dont_write_bytecode = True
module_spec = importlib.util.spec_from_file_location('check_includes', os.path.join(ROOT, 'tools/check-includes.py'))
check_includes = importlib.util.module_from_spec(module_spec)
module_spec.loader.exec_module(check_includes)

# A sound tree: a header found beside its includer, the top module using all below it, and
# tests that include what they like.
SOUND = {
    'platform/Windows.h': '',
    'framework/Controls.h': '#include "platform/Windows.h"\n',
    'framework/Controls.cpp': '#include "Controls.h"\n',
    'framework/Forms.h': '#include "framework/Controls.h"\n',
    'editor/EditForm.h': '#include "framework/Forms.h"\n',
    'scan/TreeScan.h': '',
    'app/MainForm.cpp': '#include "editor/EditForm.h"\n#include "scan/TreeScan.h"\n',
    'tests/app/MainTest.cpp': '#include "app/MainForm.h"\n',
}

CASES = [
    ('sound', {}, []),
    ('a cycle of three units, through a header and a .cpp',
     {'framework/Controls.cpp': '#include "framework/Controls.h"\n\n#include "framework/Forms.h"\n',
      'framework/Forms.h': '#include "framework/Menus.h"\n',
      'framework/Menus.h': '#include "framework/Controls.h"\n'},
     ['include cycle framework/Controls -> framework/Forms -> framework/Menus -> framework/Controls: '
      'framework/Controls.cpp:3 includes "framework/Forms.h", framework/Forms.h:1 includes "framework/Menus.h", '
      'framework/Menus.h:1 includes "framework/Controls.h"']),
    ('upward, and sideways between peer modules',
     {'platform/Windows.h': '// the message table\n#include "framework/Forms.h"\n',
      'framework/Controls.h': '',
      'scan/TreeScan.h': '#include "editor/EditForm.h"\n'},
     ['platform/Windows.h:2: #include "framework/Forms.h" runs up the layers: platform/ includes nothing of '
      'framework/ (the operating-system services are the bottom layer, built on Qt and POSIX alone)',
      'scan/TreeScan.h:1: #include "editor/EditForm.h" runs up the layers: scan/ includes nothing of editor/ '
      '(the tree scanner is a component that the main window drives)']),
    ('a file that does not exist',
     {'app/MainForm.cpp': '#include "editor/EditForm.h"\n  #  include "editor/Unit2.h"\n'},
     ['app/MainForm.cpp:2: #include "editor/Unit2.h" names no file in the tree']),
]


class CheckIncludesTest(unittest.TestCase):
    def test_each_fault_is_named_with_its_include_lines(self):
        for name, changes, expected in CASES:
            with self.subTest(name), tempfile.TemporaryDirectory() as root:
                for path, text in {**SOUND, **changes}.items():
                    os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
                    with open(os.path.join(root, path), 'w') as f:
                        f.write(text)
                self.assertEqual(check_includes.faults(root), expected)


if __name__ == '__main__':
    unittest.main()

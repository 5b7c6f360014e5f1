#!/usr/bin/env python3
"""Check the includes of the program's sources against its layers.

Reads every #include "..." of the .h and .cpp files in the program's folders (tests/ and
bench/ may include anything beneath them) and prints one line per fault: an include that
names no file, an include that runs up the layers of the table below, and every include
cycle between units (a header and the .cpp of the same name are one unit). Prints nothing
and exits 0 when there is none; exits 1 otherwise. make test runs it first.

Run from the repository root: python3 tools/check-includes.py
"""

import os
import re
import sys
from collections import deque

FLOOR = ('framework', 'platform')

# Each folder with the folders it may include besides itself, and why. The modules above
# the framework are peers: only start-up and the main window put them together.
LAYERS = {
    'platform': ((), 'the operating-system services are the bottom layer, built on Qt and POSIX alone'),
    'framework': (('platform',), 'the component framework stands on the platform alone'),
    'scan': (FLOOR, 'the tree scanner is a component that the main window drives'),
    'controls': (FLOOR, "the program's own controls are placed by the forms that use them"),
    'about': (FLOOR, 'the about box is a component that the main window holds'),
    'editor': (FLOOR, 'the main window opens the editor windows, which know nothing of it'),
    'app': (('editor', 'scan', 'controls', 'about') + FLOOR, 'start-up and the main window sit on top of everything'),
}

INCLUDE = re.compile(r'\s*#\s*include\s*"([^"]+)"')


def sources(root):
    """The program's .h and .cpp files, as paths from the root, in a stable order."""
    found = []
    for folder in LAYERS:
        for directory, _, names in os.walk(os.path.join(root, folder)):
            for name in names:
                if name.endswith(('.h', '.cpp')):
                    found.append(os.path.relpath(os.path.join(directory, name), root))
    return sorted(found)


def resolve(root, source, name):
    """The file an include names, as a path from the root, looked for as the compiler does:
    beside the including file, then from the top of the tree; None when the tree has none."""
    for base in (os.path.dirname(source), ''):
        path = os.path.normpath(os.path.join(base, name))
        inside = not os.path.isabs(path) and path.split(os.sep)[0] != '..'
        if inside and os.path.isfile(os.path.join(root, path)):
            return path
    return None


def unit(path):
    return os.path.splitext(path)[0]


def shortest_path(edges, start, goal):
    """The units from start to goal along the include edges, or None when goal is out of reach."""
    came_from = {start: None}
    queue = deque([start])
    while queue:
        at = queue.popleft()
        if at == goal:
            path = []
            while at is not None:
                path.append(at)
                at = came_from[at]
            return path[::-1]
        for following in sorted(edges.get(at, ())):
            if following not in came_from:
                came_from[following] = at
                queue.append(following)
    return None


def faults(root):
    found = []
    # edges[unit][included unit]: the include lines that make the edge, as "file:line includes name".
    edges = {}
    for source in sources(root):
        folder = source.split(os.sep)[0]
        allowed, reason = LAYERS[folder]
        with open(os.path.join(root, source), encoding='utf-8', errors='surrogateescape') as f:
            for number, text in enumerate(f, 1):
                match = INCLUDE.match(text)
                if not match:
                    continue
                name = match.group(1)
                where = f'{source}:{number}'
                target = resolve(root, source, name)
                if target is None:
                    found.append(f'{where}: #include "{name}" names no file in the tree')
                    continue
                target_folder = target.split(os.sep)[0]
                if target_folder != folder and target_folder not in allowed:
                    found.append(f'{where}: #include "{name}" runs up the layers: '
                                 f'{folder}/ includes nothing of {target_folder}/ ({reason})')
                if unit(target) != unit(source):
                    lines = edges.setdefault(unit(source), {}).setdefault(unit(target), [])
                    lines.append(f'{where} includes "{name}"')
    # Every edge that lies on a cycle is shown in one: the edge and the shortest way back.
    covered = set()
    for start in sorted(edges):
        for following in sorted(edges[start]):
            if (start, following) in covered:
                continue
            back = shortest_path(edges, following, start)
            if back is None:
                continue
            cycle = [start] + back
            steps = list(zip(cycle, cycle[1:]))
            covered.update(steps)
            lines = [line for a, b in steps for line in edges[a][b]]
            found.append(f'include cycle {" -> ".join(cycle)}: {", ".join(lines)}')
    return found


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    found = faults(root)
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main())

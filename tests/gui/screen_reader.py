"""The program as a screen reader meets it: its windows and controls on the accessibility bus,
with their roles, names, states, places on the screen and texts. Import this only once the
session bus of the test's desktop is in the environment: the bus is found at import.
"""

import time

import gi

gi.require_version('Atspi', '2.0')
from gi.repository import Atspi  # noqa: E402
import pyatspi  # noqa: E402


def wait_for(what, probe, timeout=10):
    """Waits until probe() gives something true, and returns it. An object that goes away
    while it is looked at counts as not there yet. what says what is waited for; a function
    giving that text is asked only when the wait is in vain."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            value = probe()
        except Exception:  # a window closing under the probe
            value = None
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f'waited {timeout} s in vain for {what() if callable(what) else what}')
        time.sleep(0.02)


class Node:
    """One accessible object: a window, a control, a menu item, a list entry."""

    def __init__(self, accessible):
        self.accessible = accessible

    def __repr__(self):
        return f'[{self.role}] {self.name!r}'

    @property
    def role(self):
        return self.accessible.getRoleName()

    @property
    def name(self):
        return self.accessible.name

    @property
    def children(self):
        result = []
        for i in range(self.accessible.childCount):
            child = self.accessible.getChildAtIndex(i)
            if child is not None:
                result.append(Node(child))
        return result

    def has(self, state):
        return self.accessible.getState().contains(state)

    @property
    def visible(self):
        return self.has(pyatspi.STATE_VISIBLE)

    @property
    def enabled(self):
        return self.has(pyatspi.STATE_SENSITIVE)

    @property
    def extents(self):
        e = self.accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return e.x, e.y, e.width, e.height

    @property
    def center(self):
        x, y, w, h = self.extents
        return x + w // 2, y + h // 2

    @property
    def text(self):
        text = self.accessible.queryText()
        return text.getText(0, text.characterCount)

    @property
    def caret(self):
        return self.accessible.queryText().caretOffset

    @property
    def selected(self):
        return self.has(pyatspi.STATE_SELECTED)

    @property
    def checked(self):
        return self.has(pyatspi.STATE_CHECKED)

    def find_all(self, role=None, name=None, visible=False):
        """The objects below this one, depth first, that have the role and name asked for.
        Hidden objects and what they hold are passed over when visible ones are asked for."""
        found = []

        def walk(node):
            for child in node.children:
                if visible and not child.visible:
                    continue
                if (role is None or child.role == role) and (name is None or child.name == name):
                    found.append(child)
                walk(child)

        walk(self)
        return found

    def find(self, role=None, name=None, visible=False):
        found = self.find_all(role, name, visible)
        return found[0] if found else None

    def wait(self, what, role=None, name=None, timeout=10):
        """Waits for a visible object below this one."""
        return wait_for(what, lambda: self.find(role, name, visible=True), timeout)


def application(pid, timeout=20):
    """The program with the process id pid, once it is on the accessibility bus. Nothing it
    says is kept: every look asks the program afresh."""

    def probe():
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.get_process_id() == pid:
                app.set_cache_mask(Atspi.Cache.NONE)
                return Node(app)
        return None

    return wait_for('the program on the accessibility bus', probe, timeout)

#!/usr/bin/python3
"""Walks zevra-tikit's accessibility tree over AT-SPI: every showing control and text has a
name, and each --expect TEXT (--expect-re REGEX) is one. Exits 1 with what is wrong."""
import re
import sys
import time

import pyatspi

NAMED_ROLES = {
    "push button", "toggle button", "check box", "text", "spin button", "list item",
    "heading", "label", "status bar", "menu item",
}


def walk(accessible, found, unnamed, depth=0):
    if accessible is None or depth > 60:
        return
    try:
        role = accessible.getRoleName()
        name = accessible.name or ""
        showing = accessible.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:  # an object that went away while walking
        return
    if showing:
        found.add(name)
        if role in NAMED_ROLES and not name.strip():
            unnamed.append(f"{role} without a name under {accessible.parent.name!r}")
    for i in range(accessible.childCount):
        walk(accessible.getChildAtIndex(i), found, unnamed, depth + 1)


def main():
    args = sys.argv[1:]
    expected = [args[i + 1] for i, a in enumerate(args) if a == "--expect"]
    patterns = [args[i + 1] for i, a in enumerate(args) if a == "--expect-re"]
    app = None
    for _ in range(50):  # the app joins the bus a moment after it appears
        desktop = pyatspi.Registry.getDesktop(0)
        apps = [desktop.getChildAtIndex(i) for i in range(desktop.childCount)]
        app = next((a for a in apps if a is not None and a.name == "zevra-tikit"), None)
        if app is not None:
            break
        time.sleep(0.2)
    if app is None:
        print("zevra-tikit is not on the accessibility bus")
        return 1
    found, unnamed = set(), []
    walk(app, found, unnamed)
    problems = unnamed + [f"nothing reads {text!r}" for text in expected if text not in found]
    problems += [f"nothing reads like {p!r}" for p in patterns
                 if not any(re.fullmatch(p, name) for name in found)]
    for problem in problems:
        print(problem)
    if problems:
        print("names found:", sorted(n for n in found if n))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

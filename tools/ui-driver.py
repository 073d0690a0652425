#!/usr/bin/python3
"""Drives the editor's real window through the accessibility bus.

Controls are found by their role and accessible name, as a screen reader sees
them, so the scripts that use this keep working when the window's layout
changes. Clicks go through xdotool, as a user's would.

  ui-driver.py click ROLE NAME       click the centre of the control
  ui-driver.py center ROLE NAME      print the control's centre "x y"
  ui-driver.py rect ROLE NAME        print the control's rectangle "x y w h"
  ui-driver.py list                  print every control with role and name

ROLE is an AT-SPI role name ("push button", "radio button", "text",
"check box", "page tab", "menu item", "dialog", "frame"). The program must run
with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 on a session bus that has the
accessibility bus launcher. Waits up to 15 seconds for the control to appear.
"""
import subprocess
import sys
import time

import pyatspi


def controls():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None:
            continue
        stack = [app]
        while stack:
            node = stack.pop()
            try:
                role, name = node.getRoleName(), node.name
                children = list(node)
            except Exception:
                continue
            yield node, role, name
            stack.extend(reversed(children))


def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def find(role, name, timeout=15.0):
    deadline = time.monotonic() + timeout
    while True:
        for node, node_role, node_name in controls():
            if node_role == role and node_name == name:
                x, y, w, h = extents(node)
                if w > 0 and h > 0 and node.getState().contains(pyatspi.STATE_SHOWING):
                    return x, y, w, h
        if time.monotonic() > deadline:
            sys.exit(f"ui-driver: no visible {role} named {name!r}")
        time.sleep(0.2)


def main(argv):
    if len(argv) == 2 and argv[1] == "list":
        for node, role, name in controls():
            try:
                print(role, repr(name), *extents(node))
            except Exception:
                print(role, repr(name))
        return
    if len(argv) != 4 or argv[1] not in ("click", "center", "rect"):
        sys.exit(__doc__)
    x, y, w, h = find(argv[2], argv[3])
    if argv[1] == "rect":
        print(x, y, w, h)
    elif argv[1] == "center":
        print(x + w // 2, y + h // 2)
    else:
        subprocess.run(["xdotool", "mousemove", "--sync", str(x + w // 2), str(y + h // 2),
                        "click", "1"], check=True)


if __name__ == "__main__":
    main(sys.argv)

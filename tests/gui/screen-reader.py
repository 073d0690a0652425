#!/usr/bin/python3
"""What a screen reader is told about the editor's window, read from the
accessibility bus as a screen reader reads it.

  screen-reader.py tree           every node of the editor's frames:
                                  role, name, and text where there is any
  screen-reader.py watch SECONDS  the events announced meanwhile (text
                                  changes, name changes, focus): event,
                                  role, name, data

Lines are tab-separated. The editor must run with
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 on the session bus given in the
environment, with the accessibility bus launcher running.
"""
import sys

import pyatspi
from gi.repository import GLib


def frames():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None:
            continue
        for child in app:
            try:
                if child.getRoleName() == "frame" and child.name.endswith("Oblimo"):
                    yield child
            except Exception:
                continue


def text_of(node):
    try:
        text = node.queryText()
        return text.getText(0, text.characterCount)
    except Exception:
        return ""


def tree():
    for frame in frames():
        stack = [frame]
        while stack:
            node = stack.pop()
            try:
                role, name = node.getRoleName(), node.name
                children = list(node)
            except Exception:
                continue
            print("\t".join([role, name, text_of(node)]).replace("\n", " "))
            stack.extend(reversed(children))


def watch(seconds):
    def heard(event):
        try:
            source = event.source
            print("\t".join([event.type, source.getRoleName(), source.name, str(event.any_data)]), flush=True)
        except Exception:
            pass

    pyatspi.Registry.registerEventListener(
        heard, "object:text-changed", "object:property-change", "object:state-changed:focused")
    print("listening", flush=True)
    GLib.timeout_add(int(seconds * 1000), lambda: pyatspi.Registry.stop())
    pyatspi.Registry.start()


if __name__ == "__main__":
    if len(sys.argv) >= 2 and sys.argv[1] == "tree":
        tree()
    elif len(sys.argv) >= 3 and sys.argv[1] == "watch":
        watch(float(sys.argv[2]))
    else:
        sys.exit(__doc__)

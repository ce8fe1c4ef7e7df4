#!/usr/bin/python3
"""Reads an open review sheet of a running window over AT-SPI, as a screen reader walks it.

Waits for the sheet (a dialog of the application) to hold the given number of editable texts, then prints one
line per control a person can reach, in the tree's order: "stop", its role, its name and, for a text, its
content (tab-separated). Exits non-zero on anything missing.
"""
import sys

import pyatspi

from atspi_window import application, wait_for


def reachable(node):
    states = node.getState()
    return all(states.contains(state) for state in
               (pyatspi.STATE_FOCUSABLE, pyatspi.STATE_SENSITIVE, pyatspi.STATE_VISIBLE))


def content(node):
    try:
        text = node.queryText()
    except NotImplementedError:
        return ""
    return text.getText(0, text.characterCount)


def stops(node):
    found = []
    for child in node:
        if child is None:
            continue
        if reachable(child):
            found.append((child.getRoleName(), child.name, content(child)))
        found.extend(stops(child))
    return found


def dialog(app):
    return next((window for window in app if window is not None and window.getRole() == pyatspi.ROLE_DIALOG), None)


def main():
    pid, rows = int(sys.argv[1]), int(sys.argv[2])
    app = wait_for("the application on the AT-SPI bus", lambda: application(pid))
    sheet = wait_for("the review sheet", lambda: dialog(app))
    texts = lambda: [stop for stop in stops(sheet) if stop[2]]
    wait_for(f"{rows} suggestion texts", lambda: len(texts()) >= rows)
    for role, name, text in stops(sheet):
        print("stop", role, name, text, sep="\t", flush=True)


main()

#!/usr/bin/python3
"""Switches the patient in the settings window of a running application over AT-SPI, as a screen reader does.

Finds the window named "Settings" and its check boxes, one per patient, and prints them ("before", name,
"checked" or "unchecked", tab-separated). Runs "Toggle" on the first one that is not checked and prints
"toggled" with its name, then prints the rows again as read afresh ("after", ...). Exits non-zero on anything
missing.
"""
import sys

import pyatspi

from atspi_window import application, do_action, wait_for


def check_boxes(node):
    found = []
    for child in node:
        if child is None:
            continue
        if child.getRole() == pyatspi.ROLE_CHECK_BOX:
            found.append(child)
        found.extend(check_boxes(child))
    return found


def settings_window(app):
    return next((window for window in app if window is not None and window.name == "Settings"), None)


def is_checked(row):
    row.clear_cache()
    return row.getState().contains(pyatspi.STATE_CHECKED)


def report(label, rows):
    for row in rows:
        print(label, row.name, "checked" if is_checked(row) else "unchecked", sep="\t", flush=True)


def main():
    app = wait_for("the application on the AT-SPI bus", lambda: application(int(sys.argv[1])))
    window = wait_for("the settings window", lambda: settings_window(app))
    rows = wait_for("two patient rows", lambda: (found := check_boxes(window)) and len(found) >= 2 and found)
    report("before", rows)
    other = next((row for row in rows if not is_checked(row)), None)
    if other is None:
        sys.exit("no other patient to choose")
    do_action(other, "Toggle")
    print("toggled", other.name, sep="\t", flush=True)
    report("after", rows)


main()

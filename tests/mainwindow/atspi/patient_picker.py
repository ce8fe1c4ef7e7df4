#!/usr/bin/python3
"""Drives the patient picker of a running window over AT-SPI, as a screen reader does.

Finds the picker by its accessible name, opens it by its accessible action, prints one line per patient
("item", name, "checked" or "unchecked", tab-separated), presses the first patient that is not checked and
prints "chosen" with that name once the picker reads it. Exits non-zero on anything missing.
"""
import sys

import pyatspi

from atspi_window import application, do_action, wait_for

# Lists hold a row per entry: walking them over the bus is slow and the picker is not inside one.
LEAVES = {pyatspi.ROLE_LIST, pyatspi.ROLE_LIST_BOX, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE}


def find(node, test):
    for child in node:
        if child is None:
            continue
        if test(child):
            return child
        if child.getRole() not in LEAVES:
            found = find(child, test)
            if found is not None:
                return found
    return None


def fresh_name(node):
    node.clear_cache()
    return node.name


def main():
    app = wait_for("the application on the AT-SPI bus", lambda: application(int(sys.argv[1])))
    picker = wait_for("the patient picker", lambda: find(app, lambda n: n.name.startswith("Patient: ")))
    do_action(picker, "ShowMenu")
    menu = picker.getChildAtIndex(0)
    wait_for("the open menu", lambda: menu.getState().contains(pyatspi.STATE_SHOWING))
    items = [menu.getChildAtIndex(i) for i in range(menu.childCount)]
    for item in items:
        checked = item.getState().contains(pyatspi.STATE_CHECKED)
        print("item", item.name, "checked" if checked else "unchecked", sep="\t", flush=True)
    other = next((item for item in items if not item.getState().contains(pyatspi.STATE_CHECKED)), None)
    if other is None:
        sys.exit("no other patient to choose")
    chosen = other.name
    do_action(other, "Press")
    wait_for("the picker to read the chosen patient", lambda: fresh_name(picker) == f"Patient: {chosen}")
    print("chosen", chosen, sep="\t", flush=True)


main()

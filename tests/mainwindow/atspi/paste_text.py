#!/usr/bin/python3
"""Pastes into a text input of a running window over AT-SPI, as a screen reader's paste command does.

Finds the input by its accessible name, calls EditableText.PasteText at its caret and prints "pasted".
Exits non-zero on anything missing.
"""
import sys

import pyatspi

from atspi_window import application, wait_for


def find(node, name):
    for child in node:
        if child is None:
            continue
        if child.name == name:
            return child
        found = find(child, name)
        if found is not None:
            return found
    return None


def main():
    pid, name = int(sys.argv[1]), sys.argv[2]
    app = wait_for("the application on the AT-SPI bus", lambda: application(pid))
    field = wait_for(f"the input {name!r}", lambda: find(app, name))
    field.queryEditableText().pasteText(field.queryText().caretOffset)
    print("pasted", flush=True)


main()

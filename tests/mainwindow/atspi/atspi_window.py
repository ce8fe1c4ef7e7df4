"""What the screen-reader clients share: waiting with one deadline, finding the application by its pid, and
running an action by its name."""
import sys
import time

import pyatspi

# A busy machine brings the window up slowly; only a missing control should end a run.
DEADLINE = time.monotonic() + 60


def wait_for(what, probe):
    while time.monotonic() < DEADLINE:
        found = probe()
        if found:
            return found
        time.sleep(0.1)
    sys.exit(f"timed out waiting for {what}")


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def do_action(node, name):
    actions = node.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    if name not in names:
        sys.exit(f"{node.name!r} offers {names}, not {name}")
    actions.doAction(names.index(name))

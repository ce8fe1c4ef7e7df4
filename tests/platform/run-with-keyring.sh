#!/bin/sh
# Runs a test inside a private D-Bus session with its own unlocked gnome-keyring, in a throw-away home.
# Exits 77 (skipped) where the keyring daemon or D-Bus is not installed.
for tool in gnome-keyring-daemon dbus-run-session; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed; the Secret Service round trip needs it (packages gnome-keyring, dbus)"
        exit 77
    fi
done
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
env HOME="$home" XDG_DATA_HOME="$home/share" XDG_RUNTIME_DIR="$home" VANTORELLE_PRIVATE_KEYRING=1 \
    dbus-run-session -- sh -c 'echo -n test-keyring | gnome-keyring-daemon --unlock --components=secrets >/dev/null; sleep 1; exec "$@"' sh "$@"

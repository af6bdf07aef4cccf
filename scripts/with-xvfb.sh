#!/usr/bin/env bash
# Runs a command with a private Xvfb display, stopped afterwards:  with-xvfb.sh CMD [ARGS...]
set -uo pipefail
for n in $(seq 90 140); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null' EXIT
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$n" ] && break
  kill -0 $xvfb 2>/dev/null || { echo "with-xvfb: Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done
DISPLAY=":$n" "$@"

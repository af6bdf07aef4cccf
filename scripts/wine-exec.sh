#!/usr/bin/env bash
# Runs a Windows program under Wine in the test prefix of a build folder:
#   wine-exec.sh BUILD_DIR PROGRAM.exe [ARGS...]
# The prefix (BUILD_DIR/wineprefix) is made once per build folder and shared with nobody else;
# the locale gives Wine the ANSI code page 932. Windows need a display: see with-xvfb.sh.
set -euo pipefail
build=$(cd "$1" && pwd); shift

export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8

if [ ! -f "$WINEPREFIX/.kavrin-ready" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.kavrin-ready" ]; then
      wineboot -i >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.kavrin-ready"
    fi
  ) 9>"$build/wineprefix.lock"
fi

exec wine "$@"

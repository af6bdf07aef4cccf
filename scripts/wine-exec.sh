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

# Windows open in a virtual desktop: without a window manager, Wine otherwise waits up to 2 s for
# X to confirm each window hidden, and focus behaves as on Windows only inside the desktop.
# The dialogs' Japanese fonts are replaced by the IPA fonts made to their metrics (Wine's own
# fallback is a wide one that clips most labels).
if [ ! -f "$WINEPREFIX/.kavrin-desktop-fonts" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.kavrin-ready" ]; then
      wineboot -i >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.kavrin-ready"
    fi
    if [ ! -f "$WINEPREFIX/.kavrin-desktop-fonts" ]; then
      wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
      wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
      wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f >/dev/null 2>&1
      wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ ゴシック' /d IPAGothic /f >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.kavrin-desktop-fonts"
    fi
  ) 9>"$build/wineprefix.lock"
fi

exec wine "$@"

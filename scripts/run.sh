#!/usr/bin/env bash
# Installs what is missing, builds Kavrin and starts it under Wine on the current display.
# It runs the x86_64 build (these machines cannot run 32-bit Windows programs) in your own Wine prefix
# (WINEPREFIX, or ~/.wine), so settings stay in your registry between runs, with Wine in code page 932.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ -z "${DISPLAY:-}" ]; then
  echo "run: no display (DISPLAY is not set). Start Kavrin from a graphical session, or give it one:" >&2
  echo "     Xvfb :1 & DISPLAY=:1 $0" >&2
  exit 1
fi

bash scripts/setup.sh
cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake >/dev/null
ninja -C build/win64 Kavrin

export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer questions on a first start of a new prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
# The dialogs ask for "ＭＳ Ｐゴシック"; where Windows' own fonts are missing, the IPA fonts have its metrics
# (Wine's fallback is wider and cuts the labels short). Set once, kept if the user chose otherwise.
prefix=${WINEPREFIX:-$HOME/.wine}
if ! grep -q 'Kavrin: IPA fonts' "$prefix/.kavrin-fonts" 2>/dev/null; then
  wine reg query 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' >/dev/null 2>&1 ||
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f >/dev/null 2>&1 || true
  wine reg query 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ ゴシック' >/dev/null 2>&1 ||
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ ゴシック' /d IPAGothic /f >/dev/null 2>&1 || true
  mkdir -p "$prefix" && echo 'Kavrin: IPA fonts for the dialogs checked' > "$prefix/.kavrin-fonts"
fi

exec wine build/win64/src/app/Kavrin.exe "$@"

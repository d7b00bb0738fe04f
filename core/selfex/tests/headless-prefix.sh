#!/usr/bin/env bash
# Makes a Wine prefix whose graphics driver is the display-less one, so the
# self-extractor's windows exist (and can be driven) without an X server.
# Usage: headless-prefix.sh PREFIX WINE_RUN
set -euo pipefail
prefix=$1
wine_run=$2
if grep -q '"Graphics"="null"' "$prefix/user.reg" 2>/dev/null; then
  exit 0
fi
NOX_WINEPREFIX=$prefix "$wine_run" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
# Processes started so far (the desktop among them) came up without a driver: end
# this prefix's server, which also writes the registry out, and wait for it.
WINEPREFIX=$prefix /usr/lib/wine/wineserver -k || true
WINEPREFIX=$prefix /usr/lib/wine/wineserver -w || true
grep -q '"Graphics"="null"' "$prefix/user.reg"

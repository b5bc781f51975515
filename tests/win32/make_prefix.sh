#!/usr/bin/env bash
# Makes the Wine prefix of the build tree: "$@" is the emulator command (env VAR=... WINE).
# A server left from an earlier run would keep its desktop on that run's display, so it is
# ended first. Windows open in one virtual desktop, where Wine draws their frames itself and
# keeps focus and input to itself.
set -e
wine=${!#}
"${@:1:$#-1}" "$(dirname "$wine")/wineserver" -k 2>/dev/null || true
"$@" wineboot --init
"$@" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
"$@" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f

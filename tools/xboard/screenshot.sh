#!/usr/bin/env bash
# Makes the README's picture of XBoard playing Qarn: XBoard on a virtual display with its
# Xiangqi theme, Qarn (through qarn-xboard) against Fairy-Max's maxqi, captured after a
# few moves.
#   tools/xboard/screenshot.sh [BUILD_DIR] [OUT.png]
# Needs xboard, fairymax, xvfb, x11-apps (xwd) and imagemagick (convert).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
out=${2:-docs/xboard.png}
seconds=${QARN_SCREENSHOT_SECONDS:-12}
display=:$((90 + RANDOM % 100))

Xvfb "$display" -screen 0 1024x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
xboard=
trap 'kill "$xboard" "$xvfb" 2>/dev/null || true' EXIT
sleep 1
DISPLAY=$display /usr/games/xboard -variant xiangqi -fcp "$build/qarn-xboard" -fd "$build" \
    -scp /usr/games/maxqi -sd /usr/games -tc 1 -mg 1 -popupExitMessage false \
    -showThinking true -pid '~~/themes/xiangqi' -trueColors true -useBoardTexture true \
    -liteBackTextureFile '~~/themes/textures/xqboard-9x10.png' \
    -darkBackTextureFile '~~/themes/textures/xqboard-9x10.png' -overrideLineGap 0 \
    -highlightMoveWithArrow true -settingsFile /nonexistent -saveSettingsOnExit false \
    >/dev/null 2>&1 &
xboard=$!
sleep "$seconds"
mkdir -p "$(dirname "$out")"
# The window is the only thing on the black root: trim the rest, keep few colours.
DISPLAY=$display xwd -root -silent | convert xwd:- -trim +repage -colors 256 "PNG8:$out"
echo "wrote $out ($(stat -c %s "$out") bytes)"

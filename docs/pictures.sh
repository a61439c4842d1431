#!/usr/bin/env bash
# Makes the README's pictures and its looping preview of the race from the content pack, with
# the project's own capture (and ffmpeg for the preview). Run it from the repository root
# after ./run (or any release build): docs/pictures.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
capture="$build/tools/capture/zorvex-capture"
content="$build/content"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

film() {  # OUT [OPTION]...: frames only, under a virtual screen when there is none
  local out="$1"
  shift
  if [ -n "${DISPLAY:-}" ]; then
    "$capture" --content "$content" --out "$work/$out" --no-video "$@" >/dev/null
  else
    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
      "$capture" --content "$content" --out "$work/$out" --no-video "$@" >/dev/null
  fi
}
frame() { printf '%s/%s/frame_%05d.png' "$work" "$1" "$2"; }

# Frame k of a 30 fps capture is shown at the demo time of frame 2k - 1 at 60 fps.
# The three camera views of ./run's film (keys at 10 s and 20 s), at 8, 15 and 22 s.
film run --seconds 30 --keys c@10s,c@20s
cp "$(frame run 479)" docs/mode0.png
cp "$(frame run 899)" docs/mode1.png
cp "$(frame run 1319)" docs/mode2.png

# The free view through 45 s without keys, and the pass on the second lap at 22.4 s.
film free --seconds 45
cp "$(frame free 299)" docs/free299.png
cp "$(frame free 899)" docs/free899.png
cp "$(frame free 1499)" docs/free1499.png
cp "$(frame free 1343)" docs/pass60.png

# The same moment of the pass filmed at 30 frames a second.
film free30 --fps 30 --frames 672
cp "$(frame free30 672)" docs/pass30.png

# Six seconds of the race from just before the pass, at 30 frames a second, looping.
ffmpeg -nostdin -loglevel error -y -framerate 60 -start_number 1253 -i "$work/free/frame_%05d.png" \
  -frames:v 180 -vf "fps=30,scale=300:300:flags=lanczos" \
  -c:v libwebp_anim -lossless 0 -quality 75 -compression_level 6 -loop 0 docs/race.webp
ls -l docs/mode?.png docs/free*.png docs/pass*.png docs/race.webp

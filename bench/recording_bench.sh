#!/usr/bin/env bash
# Our GIF of a real screen recording against ffmpeg's (palettegen/paletteuse),
# and both through gifsicle -O3: size, mean and worst PSNR (Pillow decodes),
# and how many frames carry a colour table of their own. The recording: 100
# frames of 800 x 600 at 10 a second, taken with ffmpeg -f x11grab from a
# virtual screen where xterm has text typed into it, xclock ticks and xeyes
# follow the pointer. It prints measurements only.
#
# Needs: Xvfb, xterm, x11-apps, xdotool, ffmpeg, gifsicle, Pillow for /usr/bin/python3.
# Usage: bench/recording_bench.sh [CLI]   (default build-test/bin/loopwright-cli)
set -euo pipefail
cli=$(realpath "${1:-build-test/bin/loopwright-cli}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/frames"

export DISPLAY=:77
Xvfb :77 -screen 0 800x600x24 >/dev/null 2>&1 &
xvfb=$!
sleep 1
xclock -geometry 160x160+620+20 -update 1 >/dev/null 2>&1 &
xeyes -geometry 160x100+620+220 >/dev/null 2>&1 &
xterm -geometry 70x24+10+10 -fa Monospace -fs 10 >/dev/null 2>&1 &
sleep 1.5
ffmpeg -loglevel error -y -f x11grab -framerate 10 -video_size 800x600 -i :77 -frames:v 100 -c:v png \
  "$work/frames/%03d.png" &
recording=$!
xdotool windowfocus "$(xdotool search --class xterm | head -1)"
(for i in $(seq 1 40); do
  xdotool type --delay 40 "echo line $i of a real terminal session; "
  xdotool key Return
  xdotool mousemove $((100 + i * 15)) $((300 + (i % 7) * 20))
done) >/dev/null 2>&1 &
wait "$recording"
kill %2 %3 %4 %5 2>/dev/null || true
kill "$xvfb" 2>/dev/null || true
unset DISPLAY

cd "$work"
"$cli" -q -o ours.gif frames/*.png
ffmpeg -loglevel error -y -framerate 10 -i frames/%03d.png -vf palettegen palette.png
ffmpeg -loglevel error -y -framerate 10 -i frames/%03d.png -i palette.png -lavfi paletteuse ffmpeg.gif
gifsicle -O3 ffmpeg.gif -o ffmpeg-O3.gif
gifsicle -O3 ours.gif -o ours-O3.gif

psnr='
import sys, glob, math
from PIL import Image, ImageSequence, ImageChops, ImageStat
sources = sorted(glob.glob("frames/*.png"))
values = []
for i, frame in enumerate(ImageSequence.Iterator(Image.open(sys.argv[1]))):
    a = frame.convert("RGB"); b = Image.open(sources[i]).convert("RGB")
    mse = sum(ImageStat.Stat(ImageChops.difference(a, b)).sum2) / (3 * a.size[0] * a.size[1])
    values.append(99.0 if mse == 0 else min(99.0, 10 * math.log10(255 * 255 / mse)))
print("%6.2f dB mean, %6.2f dB worst" % (sum(values) / len(values), min(values)))
'
printf '%-12s %10s  %-30s %s\n' file bytes "PSNR (99: exact)" "frames with a table of their own"
for f in ours ours-O3 ffmpeg ffmpeg-O3; do
  printf '%-12s %10s  %-30s %s\n' "$f" "$(stat -c %s $f.gif)" "$(/usr/bin/python3 -c "$psnr" $f.gif)" \
    "$(gifsicle --info $f.gif | grep -c 'local color table' || true)"
done

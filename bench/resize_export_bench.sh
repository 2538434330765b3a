#!/usr/bin/env bash
# Figures for exporting at a smaller size with loopwright-cli --size:
#   1. speed: 300 frames of 1920x1080 exported with --size 960x540, against
#      the same frames resized beforehand by ImageMagick and exported as is,
#      plus the time the larger pictures take to decode (Pillow);
#   2. size: the file at half width against the full-size file, for the
#      photo-like and screen-like corpora of compare_bench (--frames), and a
#      text-dense still desktop of 40 frames of 1280x720;
#   3. quality: mean PSNR of a resized export against ImageMagick's Lanczos
#      resize of the sources, beside the export of those resized frames.
# It prints measurements only; nothing here passes or fails.
#
# Usage: bench/resize_export_bench.sh [CLI]   (default build-test/bin/loopwright-cli)
# Environment: JOBS (frame generation in parallel, default 2),
#              SPEED_FRAMES (default 300), KEEP=1 keeps the temp dir.
set -euo pipefail

CLI=${1:-build-test/bin/loopwright-cli}
CONVERT=/usr/bin/convert
COMPARE=/usr/bin/compare
JOBS=${JOBS:-2}
SPEED_FRAMES=${SPEED_FRAMES:-300}

[[ -x $CLI ]] || { echo "no executable cli at $CLI" >&2; exit 2; }
[[ -x $CONVERT && -x $COMPARE ]] || { echo "needs $CONVERT and $COMPARE" >&2; exit 2; }
CLI=$(cd "$(dirname "$CLI")" && pwd)/$(basename "$CLI")

TMP=$(mktemp -d "${TMPDIR:-/tmp}/resize_export_bench.XXXXXX")
if [[ ${KEEP:-0} != 1 ]]; then trap 'rm -rf "$TMP"' EXIT; else echo "temp dir: $TMP"; fi
cd "$TMP"

FONT=$($CONVERT -list font | awk '/Font:/ && !f {print $2; f = 1}')
PNGFAST=(-define png:compression-level=1)
export CONVERT FONT

# Whole-process wall time of a command, in seconds, to stdout.
wall() {
    local TIMEFORMAT=%R t
    { time "$@" >/dev/null 2>&1 ; } 2> t.txt
    t=$(tail -n 1 t.txt)
    echo "$t"
}

# A photo-like base frame: gradient, plasma and noise (tens of thousands of colours).
photo_base() { # W H OUT
    $CONVERT -size "$1x$2" gradient:'#1a3a6a-#e8a050' \
        \( -size "$1x$2" -seed 7 plasma:'#406080-#c08040' \) \
        -compose blend -define compose:args=50 -composite \
        -seed 3 -attenuate 0.6 +noise Gaussian "${PNGFAST[@]}" "$3"
}

# Frame i of a photo-like corpus: the base rolled sideways plus a moving disc.
photo_frames() { # BASE W H COUNT DIR
    local base=$1 w=$2 h=$3 n=$4 dir=$5
    mkdir -p "$dir"
    seq 0 $((n - 1)) | xargs -P "$JOBS" -I{} bash -c '
        i=$1; w=$2; h=$3
        x=$(( (i * 13) % w )); y=$(( h / 2 + (i * 7) % (h / 3) - h / 6 )); r=$(( h / 10 ))
        $CONVERT "$0" -roll +$((i * 6))+$((i % 3)) -fill "#d04030" \
            -draw "circle $x,$y $((x + r)),$y" \
            -define png:compression-level=1 "$4/f$(printf %03d "$i").png"
    ' "$base" {} "$w" "$h" "$dir"
}

# Resize every PNG of SRC into DST with ImageMagick's Lanczos.
im_resize() { # SRC DST GEOMETRY
    mkdir -p "$2"
    ls "$1"/*.png | xargs -P "$JOBS" -I{} sh -c \
        '$CONVERT "$1" -filter Lanczos -resize "$3" -define png:compression-level=1 "$2/$(basename "$1")"' \
        _ {} "$2" "$3"
}

# Mean PSNR (dB) of the frames of GIF against REFDIR/*.png in order.
mean_psnr() { # GIF REFDIR
    local gif=$1 ref=$2 d sum=0 n=0 p f
    d=$(mktemp -d "$TMP/psnr.XXXX")
    $CONVERT "$gif" -coalesce "$d/g%03d.png"
    local i=0
    for f in "$ref"/*.png; do
        p=$($COMPARE -metric PSNR "$d/g$(printf %03d $i).png" "$f" null: 2>&1 || true)
        p=${p%% *}
        [[ $p == inf ]] && p=99
        sum=$(echo "$sum + $p" | bc -l); n=$((n + 1)); i=$((i + 1))
    done
    rm -rf "$d"
    printf '%.2f' "$(echo "$sum / $n" | bc -l)"
}

ratio() { printf '%.3f' "$(echo "$1 / $2" | bc -l)"; }
pct() { printf '%.1f' "$(echo "100 * $1 / $2" | bc -l)"; }
bytes() { stat -c %s "$1"; }

echo "cli: $CLI"
echo

# ---- 1. speed ------------------------------------------------------------
photo_base 1920 1080 base1080.png
photo_frames base1080.png 1920 1080 "$SPEED_FRAMES" big
im_resize big small 960x540
t_big=$(wall "$CLI" -q --size 960x540 big/*.png -o a.gif)
t_small=$(wall "$CLI" -q small/*.png -o b.gif)
echo "1. speed: $SPEED_FRAMES frames 1920x1080"
printf '   --size 960x540 from 1920x1080 : %6s s  (%d bytes)\n' "$t_big" "$(bytes a.gif)"
printf '   pre-resized 960x540 frames    : %6s s  (%d bytes)\n' "$t_small" "$(bytes b.gif)"
printf '   ratio resized / pre-resized   : %6s\n' "$(ratio "$t_big" "$t_small")"
t_decode=$(wall /usr/bin/python3 -c 'import glob; from PIL import Image
for f in sorted(glob.glob("big/*.png")): Image.open(f).load()')
printf '   decoding the 1920x1080 PNGs   : %6s s  (budget: pre-resized + decoding = %s s)\n' "$t_decode" \
    "$(echo "$t_small + $t_decode" | bc -l)"
echo
rm -rf big small a.gif b.gif

# ---- 2. size -------------------------------------------------------------
photo_base 1280 720 base720.png
photo_frames base720.png 1280 720 40 photo

# Screen-like: a flat desktop with windows of text, a cursor moving a few
# pixels a frame and a small area (a clock and a progress bar) that changes.
desk=(-size 1280x720 xc:'#3a6ea5'
      -fill '#d4d0c8' -draw 'rectangle 0,690 1279,719'
      -fill white -stroke '#808080' -draw 'rectangle 60,50 700,520'
      -fill '#0a246a' -stroke none -draw 'rectangle 61,51 699,72'
      -fill white -stroke '#808080' -draw 'rectangle 560,180 1220,640'
      -fill '#0a246a' -stroke none -draw 'rectangle 561,181 1219,202'
      -font "$FONT" -pointsize 13 -fill white
      -draw "text 70,67 'notes.txt - Editor'" -draw "text 570,197 'Terminal'"
      -fill black)
for k in $(seq 0 21); do
    desk+=(-draw "text 72,$((95 + k * 19)) 'Line $k: the quick brown fox jumps over the lazy dog $((k * 37))'")
done
for k in $(seq 0 21); do
    desk+=(-draw "text 572,$((225 + k * 18)) '\$ make -j2 target_$k   [$((k * 4))%] compiling src/module_$k.cpp'")
done
$CONVERT "${desk[@]}" "${PNGFAST[@]}" desk.png
mkdir -p screen
seq 0 39 | xargs -P "$JOBS" -I{} bash -c '
    i=$1; x=$((300 + i * 4)); y=$((300 + i * 2))
    $CONVERT "$0" \
        -fill "#d4d0c8" -draw "rectangle 1180,692 1278,718" \
        -font "$FONT" -pointsize 13 -fill black -draw "text 1190,710 '"'"'12:$(printf %02d $i):07'"'"'" \
        -fill "#2050c0" -draw "rectangle 100,500 $((100 + i * 12)),510" \
        -fill white -stroke black -draw "polygon $x,$y $x,$((y + 18)) $((x + 5)),$((y + 14)) $((x + 12)),$((y + 13))" \
        -define png:compression-level=1 "screen/f$(printf %03d $i).png"
' desk.png {}

echo "2. size: full size against half width"
COMPARE_BENCH=$(dirname "$CLI")/../bench/compare_bench
if [[ -x $COMPARE_BENCH ]]; then
    "$COMPARE_BENCH" --frames --out "$TMP/corpora" --only photo >/dev/null
    "$COMPARE_BENCH" --frames --out "$TMP/corpora" --only screen >/dev/null
    for c in photo screen; do
        w=$($CONVERT "corpora/$c/000.png" -format %w info:)
        "$CLI" -q corpora/$c/*.png -o $c-full.gif
        "$CLI" -q --size $((w / 2))x0 corpora/$c/*.png -o $c-half.gif
        f=$(bytes $c-full.gif); h=$(bytes $c-half.gif)
        printf '   %-11s full %9d bytes  half %9d bytes  half/full %5s %%  (goal <= 35 %%)\n' \
            "$c" "$f" "$h" "$(pct "$h" "$f")"
    done
    rm -rf corpora ./*.gif
else
    echo "   (no $COMPARE_BENCH: build the compare_bench target for its corpora)"
fi
for c in photo screen; do
    "$CLI" -q $c/*.png -o $c-full.gif
    "$CLI" -q --size 640x0 $c/*.png -o $c-half.gif
    f=$(bytes $c-full.gif); h=$(bytes $c-half.gif)
    printf '   %-11s full %9d bytes  half %9d bytes  half/full %5s %%\n' \
        "$c-1280" "$f" "$h" "$(pct "$h" "$f")"
done
echo
rm -rf photo screen ./*.gif

# ---- 3. quality ----------------------------------------------------------
photo_frames base1080.png 1920 1080 10 src
echo "3. quality: 10 frames 1920x1080, mean PSNR against ImageMagick Lanczos resize"
for g in 480x270 960x540; do
    im_resize src ref$g $g
    "$CLI" -q --size $g src/*.png -o e$g.gif
    "$CLI" -q ref$g/*.png -o r$g.gif
    pe=$(mean_psnr e$g.gif ref$g); pr=$(mean_psnr r$g.gif ref$g)
    printf '   %-7s --size export %6s dB  export of reference %6s dB  difference %6s dB  (goal <= 0.3)\n' \
        $g "$pe" "$pr" "$(printf '%.2f' "$(echo "$pr - $pe" | bc -l)")"
done

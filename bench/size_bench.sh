#!/usr/bin/env bash
# Figures for the GIF size controls of loopwright-cli (--colours, --dither,
# --lossy, --max-size with --levers, --estimate) on the four corpora of
# compare_bench (photo, flat, hd, screen; written as PNG files by
# compare_bench --frames) and on video-like frames no one drew (video: 60 of
# 640 x 480 from ffmpeg's mandelbrot source), every export a whole process
# reading the PNG files:
#   1. the unlimited size U and the time T of one export (best of 3), against
#      the floor: ffmpeg decoding the PNG files plus gifsicle -O0 of our file;
#   2. --estimate against U (error in percent) and its time;
#   3. --max-size at 25, 50 and 75 % of U: the written size as a share of the
#      limit, the settings the export names on stderr, the time (best of 3)
#      over T measured beside it (an unlimited export before each run, best
#      of 3);
#   4. --lossy 0 to 100: size and mean PSNR, and lossy 50 against lossy 0;
#   5. photo, screen and video against gifski (--quality 40 to 100) and ffmpeg
#      (palettegen/paletteuse): size and mean PSNR of each peer file, our
#      PSNR interpolated at that size on the lossy curve, and our
#      --max-size export at that size;
#   6. the lossy 50 files decoded by Pillow against ImageMagick's
#      -coalesce, and by giflib (gifbuild -d, rebuilt and compared), plus
#      giftext parsing them;
#   7. --colours 16: the largest colour table in the file;
#   8. --dither none, ordered, diffuse=50 (the default) and diffuse=100 on
#      photo and screen: size and mean PSNR;
#   9. the screen frames scaled to 1920 x 1080 (about 3 MB unlimited):
#      --estimate, --max-size 1M, --lossy 60 against lossy 0.
# Mean PSNR is over every frame against its source PNG, the GIF decoded and
# composed by Pillow (99 dB: the frame is exact); a file of fewer frames is
# compared frame for frame as it plays (marked "f"), one of a smaller size
# after a bicubic resize to the sources' size (marked "s"). Times are of the
# whole process: wall and processor (user + system) seconds. The CLI is
# copied to the temp dir first, so a rebuild during the run changes nothing.
# It prints measurements only; nothing here passes or fails.
#
# Usage: bench/size_bench.sh [CLI]   (default build-test/bin/loopwright-cli)
# Environment: COMPARE_BENCH (default: bench/compare_bench beside the CLI's
#              bin/), GIFSKI (default /tmp/gifski-npm/node_modules/gifski/
#              bin/debian/gifski; skipped when absent), KEEP=1 keeps the
#              temp dir.
set -euo pipefail

CLI=${1:-build-test/bin/loopwright-cli}
[[ -x $CLI ]] || { echo "no executable cli at $CLI" >&2; exit 2; }
CLI=$(cd "$(dirname "$CLI")" && pwd)/$(basename "$CLI")
COMPARE_BENCH=${COMPARE_BENCH:-$(dirname "$CLI")/../bench/compare_bench}
GIFSKI=${GIFSKI:-/tmp/gifski-npm/node_modules/gifski/bin/debian/gifski}
PY=/usr/bin/python3
CONVERT=/usr/bin/convert
for tool in "$COMPARE_BENCH" "$PY" "$CONVERT" /usr/bin/ffmpeg /usr/bin/giftext /usr/bin/gifbuild /usr/bin/gifsicle; do
    [[ -x $tool ]] || { echo "needs $tool (scripts/deps.sh bench, and test for giflib-tools)" >&2; exit 2; }
done
"$PY" -c 'import PIL' 2>/dev/null || { echo "needs Pillow for $PY" >&2; exit 2; }

TMP=$(mktemp -d "${TMPDIR:-/tmp}/size_bench.XXXXXX")
if [[ ${KEEP:-0} != 1 ]]; then trap 'rm -rf "$TMP"' EXIT; else echo "temp dir: $TMP"; fi
cd "$TMP"

cat > h.py <<'EOF'
import math, subprocess, sys
from pathlib import Path
from PIL import Image, ImageChops, ImageSequence

def frames(path):
    with Image.open(path) as im:
        return [f.convert("RGB") for f in ImageSequence.Iterator(im)]

def magick_frames(path, size):
    raw = subprocess.run(["/usr/bin/convert", path, "-coalesce", "-depth", "8", "rgb:-"],
                         check=True, stdout=subprocess.PIPE).stdout
    step = size[0] * size[1] * 3
    return [Image.frombytes("RGB", size, raw[i:i + step]) for i in range(0, len(raw), step)]

def first_difference(a, b, what):
    if len(a) != len(b):
        return "%s: %d frames against %d" % (what, len(a), len(b))
    for i, (x, y) in enumerate(zip(a, b)):
        if x.size != y.size:
            return "%s: frame %d is %dx%d against %dx%d" % ((what, i) + x.size + y.size)
        box = ImageChops.difference(x, y).getbbox()
        if box:
            for yy in range(box[1], box[3]):
                for xx in range(box[0], box[2]):
                    if x.getpixel((xx, yy)) != y.getpixel((xx, yy)):
                        return "%s: frame %d pixel %d,%d: %s against %s" % (
                            what, i, xx, yy, x.getpixel((xx, yy)), y.getpixel((xx, yy)))
    return None

def psnr(gif, refdir, delay=100):
    # Each source frame (shown DELAY ms) against the GIF frame a viewer shows
    # at its start; a GIF of another size is first resized to the sources'
    # (bicubic). A trailing "s" marks a resized file, "f" one with fewer frames.
    refs = sorted(Path(refdir).glob("*.png"))
    got, ends, t = [], [], 0
    with Image.open(gif) as im:
        for f in ImageSequence.Iterator(im):
            got.append(f.convert("RGB"))
            t += f.info.get("duration", delay); ends.append(t)
    resized, total, k = False, 0.0, 0
    for i, r in enumerate(refs):
        while k + 1 < len(got) and ends[k] <= i * delay:
            k += 1
        with Image.open(r) as im:
            src = im.convert("RGB")
        g = got[k]
        if g.size != src.size:
            g, resized = g.resize(src.size, Image.BICUBIC), True
        hist = ImageChops.difference(g, src).histogram()
        sse = sum(n * (v % 256) ** 2 for v, n in enumerate(hist))
        total += 99.0 if sse == 0 else 10 * math.log10(255.0 ** 2 * src.size[0] * src.size[1] * 3 / sse)
    return "%.2f%s%s" % (total / len(refs), "f" if len(got) < len(refs) else "", "s" if resized else "")

def tables(gif):
    d = Path(gif).read_bytes()
    assert d[:3] == b"GIF", "not a GIF"
    at, sizes, glob_size, images = 13, [], 0, 0
    if d[10] & 0x80:
        glob_size = 2 << (d[10] & 7); sizes.append(glob_size); at += 3 * glob_size
    while at < len(d) and d[at] != 0x3B:
        if d[at] == 0x21:                      # extension: label, then sub-blocks
            at += 2
            while d[at]: at += d[at] + 1
            at += 1
        elif d[at] == 0x2C:                    # image descriptor
            flags = d[at + 9]; at += 10; images += 1
            if flags & 0x80:
                sizes.append(2 << (flags & 7)); at += 3 * sizes[-1]
            at += 1                            # LZW minimum code size
            while d[at]: at += d[at] + 1
            at += 1
        else:
            raise SystemExit("bad block 0x%02x at %d" % (d[at], at))
    return "largest table %d entries; global %d, %d local of %d frames" % (
        max(sizes), glob_size, len(sizes) - (1 if glob_size else 0), images)

def interpolate(size, points):
    # Our PSNR at SIZE on the curve of (size, PSNR) points: the points no
    # smaller point beats in PSNR, linear in log(size) between the two around
    # SIZE; None outside them.
    pts, best = [], -1.0
    for s, p in sorted((float(s), float(p)) for s, p in (x.split(":") for x in points)):
        if p > best:
            pts.append((s, p)); best = p
    if size < pts[0][0] or size > pts[-1][0]:
        return None
    for (s0, p0), (s1, p1) in zip(pts, pts[1:]):
        if s0 <= size <= s1:
            t = (math.log(size) - math.log(s0)) / (math.log(s1) - math.log(s0))
            return p0 + t * (p1 - p0)
    return pts[-1][1]

cmd = sys.argv[1]
if cmd == "psnr":
    print(psnr(sys.argv[2], sys.argv[3]))
elif cmd == "decoders":                        # GIF [GIFLIB-REBUILT]
    ours = frames(sys.argv[2])
    diff = first_difference(ours, magick_frames(sys.argv[2], ours[0].size), "Pillow / ImageMagick")
    if not diff and len(sys.argv) > 3:
        diff = first_difference(ours, frames(sys.argv[3]), "Pillow / giflib")
    print(diff or "Pillow, ImageMagick%s: identical (%d frames)" % (
        ", giflib" if len(sys.argv) > 3 else "", len(ours)))
elif cmd == "tables":
    print(tables(sys.argv[2]))
elif cmd == "interp":
    v = interpolate(float(sys.argv[2]), sys.argv[3:])
    print("-" if v is None else "%.2f" % v)
EOF

bytes() { stat -c %s "$1"; }
pct() { printf '%.1f' "$(echo "100 * $1 / $2" | bc -l)"; }
num() { echo "${1//[a-z]/}"; }                  # a PSNR without its marks
psnr() { "$PY" h.py psnr "$1" "corp/$2"; }
# The settings named on the export's last "loopwright-cli:" line, without the size.
settings() { grep '^loopwright-cli:' "$1" | tail -n 1 | sed 's/^loopwright-cli: [^:]*: //'; }
# Runs a command (its stdout to out.txt, stderr to err.txt); sets RC, WALL
# (seconds) and CPU (user + system seconds) of the whole process.
timed() {
    RC=0
    /usr/bin/time -f '%e %U %S' -o time.txt "$@" > out.txt 2> err.txt || RC=$?
    read -r WALL u sy < <(tail -n 1 time.txt)
    CPU=$(printf '%.2f' "$(echo "$u + $sy" | bc -l)")
}

BUILT=$(stat -c %y "$CLI")
echo "cli: $CLI ($("$CLI" --version 2>&1 | head -n 1), built ${BUILT%.*})"
cp "$CLI" ./loopwright-cli              # a copy, so that a rebuild during the run changes nothing
CLI=$TMP/loopwright-cli
echo "frames: $COMPARE_BENCH --frames"
"$COMPARE_BENCH" --frames --out "$TMP/corp" >/dev/null
mkdir corp/video
/usr/bin/ffmpeg -loglevel error -f lavfi -i mandelbrot=size=640x480:rate=10 -frames:v 60 -start_number 0 corp/video/%03d.png
CORPORA=(photo flat hd screen video)
LOSSY=(0 20 40 50 60 80 100)
declare -A U T C
echo

# The floor of an export: ffmpeg decoding the PNG files, then gifsicle -O0
# rewriting our file; sets FLOOR (wall seconds).
floor() {
    /usr/bin/time -f '%e' -o f1.txt /usr/bin/ffmpeg -loglevel error -i "corp/$1/%03d.png" -f null - 2>/dev/null
    /usr/bin/time -f '%e' -o f2.txt /usr/bin/gifsicle -O0 "$2" -o floor.gif 2>/dev/null
    FLOOR=$(echo "$(tail -n 1 f1.txt) + $(tail -n 1 f2.txt)" | bc -l)
}

echo "1. unlimited export (best of 3, against the floor: ffmpeg decoding the PNG files plus"
echo "   gifsicle -O0 of our file, best of 3) and 2. --estimate (times: wall / processor seconds)"
printf '   %-7s %-16s %10s %13s %6s %7s %10s %8s %13s\n' corpus frames "U bytes" "T" floor "T/floor" estimate \
    "error" "its time"
for c in "${CORPORA[@]}"; do
    n=$(ls corp/$c/*.png | wc -l); wh=$($CONVERT corp/$c/000.png -format %wx%h info:)
    T[$c]=99; F=99
    for run in 1 2 3; do
        timed "$CLI" -q corp/$c/*.png -o $c-l0.gif
        if (( $(echo "$WALL < ${T[$c]}" | bc) )); then T[$c]=$WALL; C[$c]=$CPU; fi
        floor "$c" $c-l0.gif
        if (( $(echo "$FLOOR < $F" | bc) )); then F=$FLOOR; fi
    done
    U[$c]=$(bytes $c-l0.gif)
    timed "$CLI" -q --estimate corp/$c/*.png
    e=$(cat out.txt)
    printf '   %-7s %-16s %10d %6s / %5s %6.2f %7.2f %10d %7s%% %6s / %5s\n' "$c" "$n x $wh" "${U[$c]}" "${T[$c]}" \
        "${C[$c]}" "$F" "$(echo "${T[$c]} / $F" | bc -l)" "$e" \
        "$(printf '%+.2f' "$(echo "100 * ($e - ${U[$c]}) / ${U[$c]}" | bc -l)")" "$WALL" "$CPU"
done
echo

echo "3. --max-size at 25, 50, 75 % of U (goal: size 85..100 % of the limit, time <= 3 T)"
printf '   %-7s %5s %9s %9s %9s %7s %7s %8s   %s\n' corpus share limit wrote "of limit" "wall/T" "cpu/T" PSNR settings
for c in "${CORPORA[@]}"; do
    for share in 25 50 75; do
        limit=$(( U[$c] * share / 100 ))
        # Best of 3, each beside an unlimited export whose best is the T
        # compared with: this machine's speed drifts between sections.
        best=99; bestcpu=0; bestT=99; bestC=0
        for run in 1 2 3; do
            timed "$CLI" -q corp/$c/*.png -o plain.gif
            if (( $(echo "$WALL < $bestT" | bc) )); then bestT=$WALL; bestC=$CPU; fi
            timed "$CLI" --max-size "$limit" corp/$c/*.png -o $c-max.gif
            if (( $(echo "$WALL < $best" | bc) )); then best=$WALL; bestcpu=$CPU; fi
        done
        WALL=$best; CPU=$bestcpu
        wt=$(printf '%.2f' "$(echo "$WALL / $bestT" | bc -l)"); ct=$(printf '%.2f' "$(echo "$CPU / $bestC" | bc -l)")
        if (( RC == 0 )); then
            printf '   %-7s %3d %% %9d %9d %7s %% %7s %7s %8s   %s\n' "$c" "$share" "$limit" "$(bytes $c-max.gif)" \
                "$(pct "$(bytes $c-max.gif)" "$limit")" "$wt" "$ct" "$(psnr $c-max.gif $c)" "$(settings err.txt)"
        else
            printf '   %-7s %3d %% %9d  exit %d %15s %7s %8s   %s\n' "$c" "$share" "$limit" "$RC" "$wt" "$ct" "" \
                "$(tail -n 1 err.txt)"
        fi
        rm -f $c-max.gif
    done
done
echo

echo "4. --lossy: bytes / mean PSNR dB (goal at 50 on photo and hd: >= 30 % smaller, <= 1.5 dB lower)"
declare -A CURVE
printf '   %-7s' corpus; for l in "${LOSSY[@]}"; do printf ' %17s' "lossy $l"; done; printf '   50 against 0\n'
for c in "${CORPORA[@]}"; do
    printf '   %-7s' "$c"; CURVE[$c]=""
    for l in "${LOSSY[@]}"; do
        (( l == 0 )) || "$CLI" -q --lossy $l corp/$c/*.png -o $c-l$l.gif
        s=$(bytes $c-l$l.gif); p=$(psnr $c-l$l.gif $c)
        CURVE[$c]+=" $s:$(num $p)"
        printf ' %9d / %5s' "$s" "$p"
        [[ $l == 0 ]] && { s0=$s; p0=$p; }
        [[ $l == 50 ]] && { s50=$s; p50=$p; }
    done
    printf '   %+.1f %% bytes, %+.2f dB\n' "$(echo "100 * ($s50 - $s0) / $s0" | bc -l)" "$(echo "$(num $p50) - $(num $p0)" | bc -l)"
done
echo

echo "5. against peers at equal size: 'curve' is our PSNR at the peer's size on the lossy"
echo "   curve of section 4 (its points that no smaller point beats, linear in log(size); '-'"
echo "   outside them), then our --max-size export at the peer's size (time: wall seconds)"
[[ -x $GIFSKI ]] || echo "   (no gifski at $GIFSKI: npm install --prefix /tmp/gifski-npm gifski@1.7.1)"
printf '   %-7s %-15s %7s %9s %8s %8s %7s   %s\n' corpus peer time bytes PSNR curve diff "--max-size: bytes, time, PSNR, diff, settings"
for c in photo screen video; do
    wh=$($CONVERT corp/$c/000.png -format %wx%h info:)
    runs=()
    if [[ -x $GIFSKI ]]; then
        for q in 40 60 80 90 100; do runs+=("gifski -Q $q"); done
    fi
    runs+=("ffmpeg")
    for r in "${runs[@]}"; do
        if [[ $r == ffmpeg ]]; then
            timed ffmpeg -v error -y -framerate 10 -i "corp/$c/%03d.png" \
                -vf 'split[a][b];[a]palettegen[p];[b][p]paletteuse' peer.gif
        else
            timed "$GIFSKI" -q --fps 10 -W "${wh%x*}" -H "${wh#*x}" --quality "${r##* }" -o peer.gif corp/$c/*.png
        fi
        t=$WALL; s=$(bytes peer.gif); p=$(psnr peer.gif $c)
        ip=$("$PY" h.py interp "$s" ${CURVE[$c]})
        d=-; [[ $ip != - ]] && d=$(printf '%+.2f' "$(echo "$ip - $(num $p)" | bc -l)")
        timed "$CLI" --max-size "$s" corp/$c/*.png -o ours.gif
        if (( RC == 0 )); then
            mp=$(psnr ours.gif $c)
            m="$(bytes ours.gif), $WALL s, $mp, $(printf '%+.2f' "$(echo "$(num $mp) - $(num $p)" | bc -l)"), $(settings err.txt)"
        else
            m="exit $RC: $(tail -n 1 err.txt)"
        fi
        printf '   %-7s %-15s %7s %9d %8s %8s %7s   %s\n' "$c" "$r" "$t" "$s" "$p" "$ip" "$d" "$m"
        rm -f ours.gif
    done
done
rm -f peer.gif
echo

echo "6. the lossy 50 files read by other decoders"
for c in "${CORPORA[@]}"; do
    gt=ok; giftext $c-l50.gif >/dev/null 2>err.txt || gt="giftext failed: $(head -c 200 err.txt)"
    rebuilt=""
    if gifbuild -d $c-l50.gif > dump.txt 2>err.txt && gifbuild dump.txt > rebuilt.gif 2>>err.txt; then
        rebuilt=rebuilt.gif; gb=ok
    else
        gb="gifbuild failed: $(head -c 200 err.txt)"
    fi
    printf '   %-7s giftext %s, gifbuild -d %s; %s\n' "$c" "$gt" "$gb" \
        "$("$PY" h.py decoders $c-l50.gif $rebuilt)"
    rm -f dump.txt rebuilt.gif
done
echo

echo "7. --colours 16 (goal: no table above 16 entries)"
for c in "${CORPORA[@]}"; do
    "$CLI" -q --colours 16 corp/$c/*.png -o $c-c16.gif
    printf '   %-7s %9d bytes  %5s dB  %s\n' "$c" "$(bytes $c-c16.gif)" "$(psnr $c-c16.gif $c)" \
        "$("$PY" h.py tables $c-c16.gif)"
done
echo

echo "8. --dither: bytes / mean PSNR dB"
for c in photo screen; do
    printf '   %-7s' "$c"
    for d in none ordered diffuse=50 diffuse=100; do
        "$CLI" -q --dither $d corp/$c/*.png -o $c-d.gif
        printf '  %s %d / %s' "$d" "$(bytes $c-d.gif)" "$(psnr $c-d.gif $c)"
    done
    echo
done
echo

echo "9. the screen-like frames scaled to 1920 x 1080 (unlimited about 3 MB): --estimate,"
echo "   --max-size 1M (goal 0.85 to 1 MiB) and --lossy 60 against 0 (goal: smaller, within 2 dB)"
mkdir corp/big
for f in corp/screen/*.png; do "$CONVERT" "$f" -resize '1920x1080!' "corp/big/${f##*/}"; done
"$CLI" -q corp/big/*.png -o big.gif
timed "$CLI" --estimate corp/big/*.png
printf '   unlimited %d bytes at %s dB; --estimate %s\n' "$(bytes big.gif)" "$(psnr big.gif big)" "$(cat out.txt)"
timed "$CLI" --max-size 1M corp/big/*.png -o big-1m.gif
printf '   --max-size 1M: %d bytes (%.3f MiB), %s s, %s dB, %s\n' "$(bytes big-1m.gif)" \
    "$(echo "$(bytes big-1m.gif) / 1048576" | bc -l)" "$WALL" "$(psnr big-1m.gif big)" "$(settings err.txt)"
"$CLI" -q --lossy 60 corp/big/*.png -o big-60.gif
printf '   --lossy 60: %d bytes at %s dB\n' "$(bytes big-60.gif)" "$(psnr big-60.gif big)"

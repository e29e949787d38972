#!/bin/sh
# Builds the same ten 8-bit 1920x1080 bitmaps with our mkcramfs and with
# util-linux's mkfs.cramfs, alternating, and prints the time ratio ours/theirs
# and the peak memory of both.
#   bench/mkcramfs_vs_mkfs_cramfs.sh [path/to/mkcramfs] [repetitions]
set -eu

ours=${1:-$(dirname "$0")/../build/bin/tarnwell-mkcramfs}
reps=${2:-5}
theirs=$(command -v mkfs.cramfs || echo /usr/sbin/mkfs.cramfs)
[ -x "$ours" ] || { echo "no mkcramfs at $ours (build it first)" >&2; exit 2; }
[ -x "$theirs" ] || { echo "mkfs.cramfs not installed" >&2; exit 2; }
command -v convert >/dev/null || { echo "ImageMagick convert not installed" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time not installed" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/pics"

# Photo-like content: fractal plasma, smooth gradients, blurred noise, text-like
# stripes; all palettised to 8 bits as the devices want them.
i=0
for source in "plasma:fractal" "plasma:red-blue" "gradient:navy-gold" "radial-gradient:white-black" \
              "plasma:green-yellow" "xc:gray50 +noise Gaussian -blur 0x2" "plasma:fractal -blur 0x1" \
              "gradient:black-white -swirl 300" "xc:white +noise Random -blur 0x8" "pattern:checkerboard"; do
    # shellcheck disable=SC2086  # the source holds its own options
    convert -size 1920x1080 -seed $((i + 11)) $source -colors 256 -type Palette -depth 8 \
        "BMP3:$work/pics/pic$i.bmp"
    i=$((i + 1))
done
inputs=$(ls "$work"/pics/*.bmp)
echo "inputs: $(du -cb $inputs | tail -1 | cut -f1) bytes in 10 files"

now_ns() { date +%s%N; }
# Runs a command, appends "wall_ns peak_kib" to a file.
measure() {
    out=$1
    shift
    start=$(now_ns)
    /usr/bin/time -f "%M" -o "$work/time.txt" "$@" >/dev/null 2>&1
    end=$(now_ns)
    echo "$((end - start)) $(cat "$work/time.txt")" >>"$out"
}

: >"$work/ours.txt"
: >"$work/theirs.txt"
r=0
while [ "$r" -lt "$reps" ]; do
    # shellcheck disable=SC2086  # one argument per input file
    measure "$work/ours.txt" "$ours" "$work/ours.img" $inputs
    measure "$work/theirs.txt" "$theirs" "$work/pics" "$work/theirs.img"
    r=$((r + 1))
done

echo "image sizes: ours $(stat -c %s "$work/ours.img") bytes, theirs $(stat -c %s "$work/theirs.img") bytes"
awk -v reps="$reps" '
    FNR == 1 { file++ }
    { t[file] += $1; if ($2 > m[file]) m[file] = $2; if (!(file in best) || $1 < best[file]) best[file] = $1 }
    END {
        printf "repetitions: %d\n", reps
        printf "ours:   mean %.1f ms, best %.1f ms, peak %d KiB\n", t[1] / reps / 1e6, best[1] / 1e6, m[1]
        printf "theirs: mean %.1f ms, best %.1f ms, peak %d KiB\n", t[2] / reps / 1e6, best[2] / 1e6, m[2]
        printf "time ratio ours/theirs: mean %.3f, best %.3f\n", t[1] / t[2], best[1] / best[2]
        printf "peak memory ratio ours/theirs: %.3f\n", m[1] / m[2]
    }' "$work/ours.txt" "$work/theirs.txt"

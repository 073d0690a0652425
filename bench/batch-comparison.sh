#!/usr/bin/env bash
# The job the batch run is for: a stack of 20 scans (3000 x 2000 JPEG), each
# turned by the same 10 degrees into its default frame and written as JPEG at
# the quality and chroma subsampling tavlo-cli writes (75, 4:2:0), done by
#   - tavlo-cli batch, with the default imaging component (Qt's encoders) and
#     with --use-wic 2 (libjpeg-turbo, fed band by band while rendering),
#   - OpenCV in one Python process with two worker threads (imread,
#     warpAffine bilinear with a white border, imwrite),
#   - libvips (vips affine with an output area), two processes at a time,
#   - decoding and encoding alone (djpeg | cjpeg), two at a time, the floor of
#     any tool that reads and writes every file.
# Installs the other tools for the comparison (the product does not depend on
# them), then prints the median files per second, peak memory and ratios. The
# peak of tavlo-cli includes the program itself and the edited image its
# document holds for the whole run; "the run itself" is that peak less the
# peak of tavlo-cli info on one page (the program with one such image).
#
#   bench/batch-comparison.sh [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-3}"
files=20 width=3000 height=2000

"$root/tools/setup.sh" python3-opencv python3-numpy libvips-tools libjpeg-turbo-progs time
"$root/tools/build.sh" tavlo-cli >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"   # never the user's own settings
cli="$root/build/bin/tavlo-cli"
mkdir -p "$work/in"

# Twenty different pages: a gradient, lines of "text" and sensor noise, so that
# every file costs what a real scan costs to decode.
/usr/bin/python3 - "$work/in" "$files" "$width" "$height" <<'PY'
import sys, numpy as np, cv2
folder, count, w, h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
y, x = np.mgrid[0:h, 0:w]
base = np.stack([200 + (x * 40 // w), 210 + (y * 30 // h), np.full((h, w), 225)], axis=2).astype(np.int16)
for i in range(count):
    rng = np.random.default_rng(1000 + i)
    page = base.copy()
    for line in range(60 + i, h - 60, 48):
        page[line:line + 14, 150:w - 150 - i * 20] -= rng.integers(80, 160, size=(14, w - 300 - i * 20, 1), dtype=np.int16)
    page += rng.integers(-6, 7, size=page.shape, dtype=np.int16)
    cv2.imwrite(f"{folder}/page{i:02d}.jpg", np.clip(page, 0, 255).astype(np.uint8), [cv2.IMWRITE_JPEG_QUALITY, 90])
PY

frame="$("$cli" frame --size "${width}x${height}" --angle 10)"
read -r tw th < <(/usr/bin/python3 -c "import json,sys; f=json.loads(sys.argv[1]); print(f['trim_width'], f['trim_height'])" "$frame")
echo "$files files of ${width}x${height} JPEG ($(du -sh "$work/in" | cut -f1)), 10 degrees, output ${tw}x${th} JPEG q75 4:2:0, $runs runs, median; $(nproc) cores"

# vips affine maps input to output: x' = a x + b y + odx. A clockwise turn by
# 10 degrees about the image centre, then the output area around that centre.
read -r a b c d ox oy < <(/usr/bin/python3 - "$width" "$height" "$tw" "$th" <<'PY'
import math, sys
w, h, tw, th = map(int, sys.argv[1:5])
t = math.radians(10); a, b, c, d = math.cos(t), -math.sin(t), math.sin(t), math.cos(t)
cx, cy = (w - 1) / 2, (h - 1) / 2
rx, ry = a * cx + b * cy, c * cx + d * cy
print(a, b, c, d, round(rx - (tw - 1) / 2), round(ry - (th - 1) / 2))
PY
)

cat > "$work/opencv-batch.py" <<'PY'
import sys, cv2
from concurrent.futures import ThreadPoolExecutor
out, w, h, tw, th, paths = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5]), sys.argv[6:]
m = cv2.getRotationMatrix2D(((w - 1) / 2, (h - 1) / 2), -10, 1.0)
m[0, 2] += (tw - 1) / 2 - (w - 1) / 2; m[1, 2] += (th - 1) / 2 - (h - 1) / 2
params = [cv2.IMWRITE_JPEG_QUALITY, 75]
if hasattr(cv2, "IMWRITE_JPEG_SAMPLING_FACTOR"):
    params += [cv2.IMWRITE_JPEG_SAMPLING_FACTOR, cv2.IMWRITE_JPEG_SAMPLING_FACTOR_420]
def one(path):
    turned = cv2.warpAffine(cv2.imread(path), m, (tw, th), flags=cv2.INTER_LINEAR,
                            borderMode=cv2.BORDER_CONSTANT, borderValue=(255, 255, 255))
    cv2.imwrite(f"{out}/{path.rsplit('/', 1)[-1]}", turned, params)
with ThreadPoolExecutor(2) as pool:
    list(pool.map(one, paths))
PY

# One timed job: a fresh output folder, then the command with {OUT} replaced.
measure() {  # name, command...: median seconds and peak MB (largest process) over the runs
  local name="$1"; shift
  local times=() peaks=()
  for ((i = 0; i < runs; i++)); do
    rm -rf "$work/out"; mkdir -p "$work/out"
    /usr/bin/time -f "%e %M" -o "$work/t" "$@" >/dev/null 2>"$work/err" || { cat "$work/err"; return 1; }
    local made; made="$(find "$work/out" -name '*.jpg' | wc -l)"
    [ "$made" -eq "$files" ] || { echo "$name wrote $made of $files files" >&2; return 1; }
    read -r t m < "$work/t"; times+=("$t"); peaks+=("$m")
  done
  /usr/bin/python3 - "$name" "${times[*]}" "${peaks[*]}" <<'PY'
import statistics, sys
name, times, peaks = sys.argv[1], [float(v) for v in sys.argv[2].split()], [int(v) for v in sys.argv[3].split()]
print(f"{name} {statistics.median(times):.3f} {max(peaks) / 1024:.1f}")
PY
}

inputs=("$work"/in/*.jpg)
printf '%s\n' "${inputs[@]}" > "$work/list"
# One file each, as a user would run them two at a time.
cat > "$work/vips-one.sh" <<EOF
#!/bin/sh
exec vips affine "\$1" "$work/out/\$(basename "\$1")[Q=75]" "$a $b $c $d" --interpolate bilinear --oarea "$ox $oy $tw $th"
EOF
cat > "$work/djpeg-cjpeg-one.sh" <<EOF
#!/bin/sh
djpeg "\$1" | cjpeg -quality 75 -sample 2x2 > "$work/out/\$(basename "\$1")"
EOF
chmod +x "$work/vips-one.sh" "$work/djpeg-cjpeg-one.sh"

results="$work/results"
{
  measure tavlo "$cli" batch --like "${inputs[0]}" --angle 10 --save-folder 2 --folder "$work/out" "${inputs[@]}"
  measure tavlo-wic "$cli" batch --like "${inputs[0]}" --angle 10 --use-wic 2 --save-folder 2 --folder "$work/out" "${inputs[@]}"
  measure opencv /usr/bin/python3 "$work/opencv-batch.py" "$work/out" "$width" "$height" "$tw" "$th" "${inputs[@]}"
  measure vips xargs -P 2 -n 1 -a "$work/list" "$work/vips-one.sh"
  measure djpeg-cjpeg xargs -P 2 -n 1 -a "$work/list" "$work/djpeg-cjpeg-one.sh"
} > "$results"
# The program with the edited image loaded and nothing else, which a run adds to.
/usr/bin/time -f "%M" -o "$work/t" "$cli" info "${inputs[0]}" >/dev/null
echo "held 0 $(awk '{printf "%.1f", $1 / 1024}' "$work/t")" >> "$results"

# What the product writes, for the record: quality and sampling of one output.
rm -rf "$work/out"; mkdir -p "$work/out"
"$cli" batch --like "${inputs[0]}" --angle 10 --save-folder 2 --folder "$work/out" "${inputs[0]}" >/dev/null
sampling="$(/usr/bin/python3 - "$work/out/page00-Oblimo.jpg" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
i = data.find(b"\xff\xc0")
if i < 0: i = data.find(b"\xff\xc2")
n = data[i + 9]
f = [data[i + 11 + 3 * k] for k in range(n)]
print("luma %dx%d, chroma %s" % (f[0] >> 4, f[0] & 15, " ".join("%dx%d" % (v >> 4, v & 15) for v in f[1:])))
PY
)"

/usr/bin/python3 - "$results" "$files" "$width" "$height" "$sampling" <<'PY'
import sys
rows = {l.split()[0]: (float(l.split()[1]), float(l.split()[2])) for l in open(sys.argv[1])}
files, w, h, sampling = int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
decoded_mb = w * h * 4 / 1048576  # one image in the working format, MiB as time(1) counts
names = {"tavlo": "tavlo-cli batch (Qt encoders)", "tavlo-wic": "tavlo-cli batch --use-wic 2",
         "opencv": "OpenCV, 1 process x 2 threads", "vips": "vips affine, 2 processes",
         "djpeg-cjpeg": "djpeg | cjpeg, 2 at a time"}
print(f"{'':<34}{'median s':>10}{'files/s':>10}{'peak MB':>10}")
for key in ["tavlo", "tavlo-wic", "opencv", "vips", "djpeg-cjpeg"]:
    t, m = rows[key]
    print(f"{names[key]:<34}{t:>10.3f}{files / t:>10.2f}{m:>10.1f}")
print("(peak: the largest single process; the two-process tools hold about twice that together)")
rate = {k: files / v[0] for k, v in rows.items() if v[0] > 0}
print(f"tavlo output: {sampling}")
held = rows["held"][1]
print(f"the program holding the edited image (tavlo-cli info of one page): {held:.1f} MB")
for key in ["tavlo", "tavlo-wic"]:
    peak = rows[key][1]
    print(f"{names[key]}: {rate[key] / rate['opencv']:.2f}x OpenCV's files/s (goal >= 1.5), "
          f"{rate[key] / rate['djpeg-cjpeg']:.2f}x decode+encode alone (goal >= 0.7), "
          f"peak {peak / decoded_mb:.2f}x one decoded image of {decoded_mb:.1f} MB (goal < 3), "
          f"of which the run itself {(peak - held) / decoded_mb:.2f}x")
PY

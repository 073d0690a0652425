#!/usr/bin/env bash
# The whole job a user would otherwise do with other tools: a 24-megapixel JPEG
# (6000 x 4000) turned by 10 degrees into its default frame and written as JPEG,
# by tavlo-cli render with both imaging components (UseWIC 1 and 2), libvips
# (vips affine with an output area, the same JPEG quality 75 and 4:2:0 chroma
# subsampling as ours), ImageMagick (-distort SRT with a viewport), and for
# scale the bare codecs on the same data: djpeg decoding the input, cjpeg
# encoding the output's pixels at quality 75 (4:2:0 is its default). For the
# in-memory render alone: OpenCV's warpAffine (2 threads, 4 channels, same
# output size) and the memory floor. Installs the other tools (the product
# does not depend on them), then prints medians, peak memory, ratios and the
# machine's load (the machine is shared: read the ratios, not the seconds).
#
# Processor time (user + system) is printed beside the wall time: on a shared
# machine it shows how much of the two cores a tool actually kept busy.
# TAVLO_CLI_BEFORE=/path/to/another/tavlo-cli adds that build's figures to the
# same run, for a before / after comparison under the same load.
#
#   bench/render-comparison.sh [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-7}"

"$root/tools/setup.sh" libvips-tools libjpeg-turbo-progs imagemagick python3-opencv python3-numpy time
"$root/tools/build.sh" tavlo-cli oblimo-render-bench >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"   # never the user's own settings
cli="$root/build/bin/tavlo-cli"
convert_bin=/usr/bin/convert-im6.q16
[ -x "$convert_bin" ] || convert_bin=/usr/bin/convert

/usr/bin/python3 - "$work/in.jpg" <<'PY'
import sys, numpy as np, cv2
h, w = 4000, 6000
rng = np.random.default_rng(12345)
y, x = np.mgrid[0:h, 0:w]
img = np.stack([((x + y) // 7) % 256, y * 255 // h, x * 255 // w], axis=2).astype(np.int16)
img += rng.integers(-8, 8, size=img.shape, dtype=np.int16)
cv2.imwrite(sys.argv[1], np.clip(img, 0, 255).astype(np.uint8), [cv2.IMWRITE_JPEG_QUALITY, 90])
PY

frame="$("$cli" frame --size 6000x4000 --angle 10)"
read -r tw th < <(/usr/bin/python3 -c "import json,sys; f=json.loads(sys.argv[1]); print(f['trim_width'], f['trim_height'])" "$frame")
echo "input 6000x4000 JPEG ($(stat -c %s "$work/in.jpg") bytes), 10 degrees, output ${tw}x${th}, $runs runs, median"

# vips affine maps input to output: x' = a x + b y + odx. A clockwise turn by
# 10 degrees about the image centre, then the output area around that centre.
read -r a b c d ox oy < <(/usr/bin/python3 - "$tw" "$th" <<'PY'
import math, sys
tw, th = int(sys.argv[1]), int(sys.argv[2])
t = math.radians(10); a, b, c, d = math.cos(t), -math.sin(t), math.sin(t), math.cos(t)
cx, cy = 2999.5, 1999.5
rx, ry = a * cx + b * cy, c * cx + d * cy
print(a, b, c, d, round(rx - (tw - 1) / 2), round(ry - (th - 1) / 2))
PY
)

measure() {  # name, command...: median seconds, peak MB, median processor seconds
  # The wall time is read to the microsecond around each run; peak memory and
  # processor time are time(1)'s, which measures the program alone (a child
  # forked by Python itself would count Python's own memory).
  /usr/bin/python3 - "$runs" "$work/err" "$work/t" "$@" <<'PY'
import os, statistics, subprocess, sys, time
runs, err, figures, name, command = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:]
times, peaks, cpus = [], [], []
for _ in range(runs):
    with open(os.devnull, "wb") as out, open(err, "wb") as errors:
        start = time.perf_counter()
        code = subprocess.call(["/usr/bin/time", "-f", "%M %U %S", "-o", figures] + command,
                               stdout=out, stderr=errors)
        times.append(time.perf_counter() - start)
    if code != 0:
        sys.stderr.write(open(err).read()); sys.exit(1)
    peak, user, system = open(figures).read().split()[-3:]
    peaks.append(int(peak)); cpus.append(float(user) + float(system))
print(f"{name} {statistics.median(times):.3f} {max(peaks) / 1024:.1f} {statistics.median(cpus):.3f}")
PY
}

results="$work/results"
{
  measure tavlo "$cli" render "$work/in.jpg" -o "$work/out-tavlo.jpg" --angle 10 --use-wic 2
  measure tavlo-qt "$cli" render "$work/in.jpg" -o "$work/out-tavlo-qt.jpg" --angle 10 --use-wic 1
  if [ -n "${TAVLO_CLI_BEFORE:-}" ]; then
    measure before "$TAVLO_CLI_BEFORE" render "$work/in.jpg" -o "$work/out-before.jpg" --angle 10 --use-wic 2
    measure before-qt "$TAVLO_CLI_BEFORE" render "$work/in.jpg" -o "$work/out-before-qt.jpg" --angle 10 --use-wic 1
    cmp -s "$work/out-before.jpg" "$work/out-tavlo.jpg" || echo "warning: UseWIC 2 files differ from the other build's" >&2
    cmp -s "$work/out-before-qt.jpg" "$work/out-tavlo-qt.jpg" || echo "warning: UseWIC 1 files differ from the other build's" >&2
  fi
  measure vips vips affine "$work/in.jpg" "$work/out-vips.jpg[Q=75,subsample-mode=on]" "$a $b $c $d" \
      --interpolate bilinear --oarea "$ox $oy $tw $th"
  measure imagemagick "$convert_bin" "$work/in.jpg" -virtual-pixel white -filter point \
      -interpolate bilinear -set option:distort:viewport "${tw}x${th}+${ox}+${oy}" \
      -quality 75 -sampling-factor 2x2 -distort SRT 10 "$work/out-im.jpg"
  measure djpeg djpeg -outfile /dev/null "$work/in.jpg"
  djpeg -outfile "$work/out.ppm" "$work/out-tavlo.jpg"
  measure cjpeg cjpeg -quality 75 -sample 2x2 -outfile /dev/null "$work/out.ppm"
} > "$results"

opencv_ms="$(/usr/bin/python3 - "$work/in.jpg" "$tw" "$th" "$runs" <<'PY'
import math, statistics, sys, time, cv2, numpy as np
cv2.setNumThreads(2)
img = cv2.cvtColor(cv2.imread(sys.argv[1]), cv2.COLOR_BGR2BGRA)
tw, th, runs = int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
m = cv2.getRotationMatrix2D((2999.5, 1999.5), -10, 1.0)
m[0, 2] += (tw - 1) / 2 - 2999.5; m[1, 2] += (th - 1) / 2 - 1999.5
times = []
for _ in range(max(runs, 9)):
    s = time.perf_counter(); cv2.warpAffine(img, m, (tw, th), flags=cv2.INTER_LINEAR); times.append(time.perf_counter() - s)
print(f"{statistics.median(times) * 1000:.2f}")
PY
)"
inmemory="$("$root/build/bin/oblimo-render-bench" --runs "$((runs > 9 ? runs : 9))" --angle 10)"
render_ms="$(awk '/^render/ {print $2}' <<<"$inmemory")"
floor_ms="$(awk '/^memory floor/ {print $3}' <<<"$inmemory")"

/usr/bin/python3 - "$results" "$opencv_ms" "$render_ms" "$floor_ms" "$(cat /proc/loadavg)" <<'PY'
import sys
rows = {l.split()[0]: tuple(map(float, l.split()[1:4])) for l in open(sys.argv[1])}
opencv, render, floor = map(float, sys.argv[2:5])
print(f"load average while measuring: {sys.argv[5]}")
print(f"{'whole job':<38}{'median s':>10}{'peak MB':>10}{'cpu s':>10}")
names = {"tavlo": "tavlo-cli render, UseWIC 2", "tavlo-qt": "tavlo-cli render, UseWIC 1 (default)",
         "before": "other build, UseWIC 2", "before-qt": "other build, UseWIC 1",
         "vips": "vips affine (Q 75, 4:2:0)", "imagemagick": "ImageMagick -distort SRT",
         "djpeg": "djpeg: decode the input only", "cjpeg": "cjpeg: encode the output only"}
shown = [k for k in ["tavlo-qt", "tavlo", "before-qt", "before"] if k in rows]
for key in shown + ["vips", "imagemagick", "djpeg", "cjpeg"]:
    t, m, cpu = rows[key]; print(f"{names[key]:<38}{t:>10.3f}{m:>10.1f}{cpu:>10.3f}")
vt, vm, _ = rows["vips"]
codecs = rows["djpeg"][0] + rows["cjpeg"][0]
for key in shown:
    t, m, _ = rows[key]
    print(f"{names[key]}: / vips time {t / vt:.2f}x (goal <= 0.3), peak {m / vm:.2f}x (goal <= 1.0),"
          f" / (decode + encode alone) {t / codecs:.2f}x")
print(f"{'in-memory render':<38}{'median ms':>10}")
print(f"{'tavlo renderer':<38}{render:>10.2f}\n{'OpenCV warpAffine':<38}{opencv:>10.2f}\n{'memory floor':<38}{floor:>10.2f}")
print(f"render / OpenCV {render / opencv:.2f}x (goal <= 0.5), render / floor {render / floor:.2f}x (goal <= 1.5)")
PY

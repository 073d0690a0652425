#!/usr/bin/env bash
# The whole job of render-comparison.sh counted in instructions under
# callgrind, which the load of a shared machine does not change: tavlo-cli
# render with either imaging component, vips affine at the same JPEG quality
# and subsampling, and the bare codecs (djpeg decoding the input, cjpeg
# encoding the output's pixels). Instructions are summed over all threads, so
# they measure work, not waiting: a pipeline that overlaps decoding, rendering
# and encoding shows its gain in render-comparison.sh, not here.
#
#   bench/job-instructions.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
need=()
for p in valgrind libvips-tools libjpeg-turbo-progs imagemagick; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if ((${#need[@]})); then
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}" >/dev/null
fi
CMAKE_BUILD_PARALLEL_LEVEL=1 "$root/tools/build.sh" tavlo-cli >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
cli="$root/build/bin/tavlo-cli"
# A 24-megapixel photo-like JPEG of quality 90: a gradient with fine noise.
convert -size 6000x4000 -seed 12345 gradient:'#204080-#e0c060' -attenuate 0.3 +noise Gaussian \
    -quality 90 "$work/in.jpg"

frame="$("$cli" frame --size 6000x4000 --angle 10)"
tw="$(sed 's/.*"trim_width":\([0-9]*\).*/\1/' <<<"$frame")"
th="$(sed 's/.*"trim_height":\([0-9]*\).*/\1/' <<<"$frame")"
read -r a b c d ox oy < <(awk -v tw="$tw" -v th="$th" 'BEGIN {
  t = 10 * atan2(0, -1) / 180; a = cos(t); b = -sin(t); c = sin(t); d = cos(t)
  rx = a * 2999.5 + b * 1999.5; ry = c * 2999.5 + d * 1999.5
  printf "%f %f %f %f %d %d\n", a, b, c, d, int(rx - (tw - 1) / 2 + 0.5), int(ry - (th - 1) / 2 + 0.5) }')

count() {  # name, command...: total instructions of every thread
  local name="$1"; shift
  valgrind --tool=callgrind --callgrind-out-file="$work/cg.%p" "$@" >/dev/null 2>"$work/vg"
  local total
  total="$(awk '/Collected :/ {s += $4} END {print s}' "$work/vg")"
  rm -f "$work"/cg.*
  echo "$name $total"
}
{
  count tavlo-qt "$cli" render "$work/in.jpg" -o "$work/out1.jpg" --angle 10 --use-wic 1
  count tavlo "$cli" render "$work/in.jpg" -o "$work/out2.jpg" --angle 10 --use-wic 2
  count vips vips affine "$work/in.jpg" "$work/outv.jpg[Q=75,subsample-mode=on]" "$a $b $c $d" \
      --interpolate bilinear --oarea "$ox $oy $tw $th"
  count djpeg djpeg -outfile /dev/null "$work/in.jpg"
  djpeg -outfile "$work/out.ppm" "$work/out2.jpg"
  count cjpeg cjpeg -quality 75 -sample 2x2 -outfile /dev/null "$work/out.ppm"
} > "$work/counts"
awk '{ n[$1] = $2 } END {
  printf "instructions (callgrind, all threads), 24 MP JPEG turned by 10 degrees into JPEG\n"
  split("tavlo-qt tavlo vips djpeg cjpeg", order, " ")
  for (i = 1; i <= 5; ++i) printf "%-10s %14.0f\n", order[i], n[order[i]]
  codecs = n["djpeg"] + n["cjpeg"]
  printf "UseWIC 1: %.2fx vips, %.2fx (djpeg + cjpeg)\n", n["tavlo-qt"] / n["vips"], n["tavlo-qt"] / codecs
  printf "UseWIC 2: %.2fx vips, %.2fx (djpeg + cjpeg)\n", n["tavlo"] / n["vips"], n["tavlo"] / codecs
}' "$work/counts"

#!/usr/bin/env bash
# The skew of every page of the detector's test set (made-up scans of several
# layouts at known angles between -20 and +20 degrees, at 150 and 300 dpi,
# some on a grey bed, with a dark border or through JPEG, and four images with
# nothing to measure), found in the same run by
#   - tavlo-cli deskew (load and measure; nothing is written),
#   - ImageMagick: convert IMAGE -deskew 40% (prints %[deskew:angle]),
#   - unpaper --deskew-scan-range 20 on the page as PGM (its other filters at
#     their defaults; it also writes the turned page).
# Prints each page's error against the truth, how many pages each finds within
# 0.1 degrees, and the median time per page of RUNS runs (default 3) with
# ratios to tavlo-cli, and the load before and after.
#
# Needs: apt-get install -y imagemagick unpaper (installed here when missing;
# the product does not depend on them).
#
#   bench/deskew-comparison.sh [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-3}"

"$root/tools/setup.sh" imagemagick unpaper
"$root/tools/build.sh" tavlo-cli oblimo-deskew-pages >/dev/null

# ImageMagick itself, as the package installs it.
magick=/usr/bin/convert
[ -x "$magick" ] || magick="$(command -v convert)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"   # never the user's own settings
cli="$root/build/bin/tavlo-cli"
QT_QPA_PLATFORM=offscreen "$root/build/bin/oblimo-deskew-pages" write "$work/pages" 2>/dev/null

now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

ours() {  # prints "angle confidence"
  "$cli" deskew "$1" 2>/dev/null |
    sed -E 's/.*"angle":([^,]*),"confidence":([^}]*)}.*/\1 \2/'
}
magick_angle() {  # its deskew angle has the sign of our correction
  "$magick" "$1" -deskew 40% -format '%[deskew:angle]\n' info: 2>/dev/null | tail -1
}
unpaper_angle() {  # the turn it applies, in radians, the other way round
  unpaper -vv --overwrite --deskew-scan-range 20 "$1" "$work/unpaper-out.pgm" 2>&1 |
    awk '/^rotate \(/ {r=$NF} END {printf "%.4f\n", -r * 180 / 3.141592653589793}'
}

echo "load before: $(uptime)"
printf '%-28s %6s %8s | %8s %6s %7s | %8s %7s | %8s %7s\n' page MP truth ours conf ms \
  magick ms unpaper ms
results="$work/results.tsv"
: >"$results"
while IFS=$'\t' read -r file truth mp; do
  page="$work/pages/$file"
  pgm="$work/page.pgm"
  "$magick" "$page" -colorspace gray "pgm:$pgm"
  t_ours=() t_magick=() t_unpaper=()
  for ((r = 0; r < runs; r++)); do
    s=$(now); read -r a_ours conf < <(ours "$page"); e=$(now); t_ours+=("$(echo "$e - $s" | bc)")
    s=$(now); a_magick=$(magick_angle "$page"); e=$(now); t_magick+=("$(echo "$e - $s" | bc)")
    s=$(now); a_unpaper=$(unpaper_angle "$pgm"); e=$(now); t_unpaper+=("$(echo "$e - $s" | bc)")
  done
  m_ours=$(printf '%s\n' "${t_ours[@]}" | median)
  m_magick=$(printf '%s\n' "${t_magick[@]}" | median)
  m_unpaper=$(printf '%s\n' "${t_unpaper[@]}" | median)
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$file" "$mp" "$truth" "$a_ours" "$conf" \
    "$m_ours" "${a_magick:-0}" "$m_magick" "${a_unpaper:-0}" "$m_unpaper" >>"$results"
  tail -1 "$results" | awk -F'\t' '
    function err(a,  d) { if ($3 == "none") return "-"; d = a - $3; if (d < 0) d = -d; return sprintf("%.3f", d + 0) }
    { printf "%-28s %6s %8s | %8.3f %6.2f %7.0f | %8.3f %7.0f | %8.3f %7.0f   errors %s %s %s\n",
        substr($1, 1, 28), $2, $3, $4, $5, $6 * 1000, $7, $8 * 1000, $9, $10 * 1000,
        err($4), err($7), err($9) }'
done <"$work/pages/truth.tsv"

awk -F'\t' '
  function abs(x) { return x < 0 ? -x : x }
  $3 == "none" { blanks++; if ($5 < 0.5) refused++; next }
  {
    pages++
    if ($5 >= 0.5 && abs($4 - $3) <= 0.1) ours++
    if (abs($7 - $3) <= 0.1) magick++
    if (abs($9 - $3) <= 0.1) unpaper++
    if (abs($7 - $3) > 1) magickFar++
    if (abs($9 - $3) > 1) unpaperFar++
    worst = (abs($4 - $3) > worst) ? abs($4 - $3) : worst
    to += $6; tm += $8; tu += $10; mp += $2
  }
  END {
    printf "\nwithin 0.1 degrees: tavlo-cli %d of %d (worst %.3f), ImageMagick %d, unpaper %d\n",
      ours, pages, worst, magick, unpaper
    printf "more than 1 degree wrong: ImageMagick %d, unpaper %d\n", magickFar, unpaperFar
    printf "nothing to measure: tavlo-cli refused %d of %d\n", refused, blanks
    printf "mean time per page (%.2f MP): tavlo-cli %.0f ms, ImageMagick %.0f ms (%.1fx), unpaper %.0f ms (%.1fx)\n",
      mp / pages, to / pages * 1000, tm / pages * 1000, tm / to, tu / pages * 1000, tu / to
    printf "tavlo-cli per 2.5 megapixels: %.0f ms (whole command: start, load, measure)\n",
      to / mp * 2.5 * 1000
  }' "$results"
echo "load after: $(uptime)"
echo
echo "the detector alone, in one process (no start-up, no decoding):"
QT_QPA_PLATFORM=offscreen "$root/build/bin/oblimo-deskew-pages" measure "$runs" 2>/dev/null | tail -3

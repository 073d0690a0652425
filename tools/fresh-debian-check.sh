#!/usr/bin/env bash
# Installs the setup file on a fresh Debian 12 (minbase) system in a chroot,
# the way a new user would, and checks what it leaves behind:
#   - Oblimo-setup, run as root without a display, exits with 0;
#   - tavlo and tavlo-cli are installed and tavlo-cli reads a PNG and a TIFF;
#   - a Japanese font and Qt's Japanese translations are there;
#   - nothing of the setup is left in /tmp or /var/tmp (/tmp is mounted
#     noexec, as hardened systems do, so the launcher has to choose another
#     folder);
#   - a screenshot of the installed editor under Xvfb (xvfb is installed in
#     the chroot for this check only) is written for a person to look at;
#   - apt-get purge oblimo removes the program again.
#
#   sudo tools/fresh-debian-check.sh [SETUP_FILE [CHROOT_DIR]]
#
# SETUP_FILE defaults to build/bin/Oblimo-setup; CHROOT_DIR to a new folder
# below /var/tmp. The chroot is deleted at the end unless OBLIMO_CHECK_KEEP=1.
# Other settings:
#   OBLIMO_CHECK_MIRROR      Debian mirror (default: the one apt uses here, else
#                            http://deb.debian.org/debian)
#   OBLIMO_CHECK_SECURITY    security mirror (default http://deb.debian.org/debian-security)
#   OBLIMO_CHECK_BASE        a tarball from "debootstrap --make-tarball", to skip
#                            the download of the base system
#   OBLIMO_CHECK_RESULTS     where the log, the setup's output and the screenshot
#                            go (default build/test-output/fresh-debian)
# Takes several minutes and needs the network, so it is not part of the tests.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
setup_file="$(realpath "${1:-$root/build/bin/Oblimo-setup}")"
target="${2:-}"
results="${OBLIMO_CHECK_RESULTS:-$root/build/test-output/fresh-debian}"
security="${OBLIMO_CHECK_SECURITY:-http://deb.debian.org/debian-security}"

if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-debian-check: needs root (debootstrap, chroot, mount)" >&2
  exit 2
fi
[ -f "$setup_file" ] || { echo "fresh-debian-check: no setup file $setup_file" >&2; exit 2; }
command -v debootstrap >/dev/null || { echo "fresh-debian-check: debootstrap is missing" >&2; exit 2; }

# The mirror apt already uses here (deb822 "URIs:" or one-line "deb"), so the
# check works where only that one is reachable.
mirror_from_apt() {
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources \
    2>/dev/null |
    grep -Eo '(URIs:[[:space:]]*|^deb[[:space:]]+(\[[^]]*\][[:space:]]+)?)https?://[^[:space:]]+/debian/?([[:space:]]|$)' |
    grep -Eo 'https?://[^[:space:]]+' | head -n 1
}
mirror="${OBLIMO_CHECK_MIRROR:-$(mirror_from_apt || true)}"
mirror="${mirror:-http://deb.debian.org/debian}"

if [ -z "$target" ]; then
  target="$(mktemp -d /var/tmp/oblimo-fresh-debian.XXXXXX)"
elif [ -e "$target" ] && [ -n "$(ls -A "$target" 2>/dev/null)" ]; then
  echo "fresh-debian-check: $target exists and is not empty" >&2
  exit 2
fi
mkdir -p "$target"
target="$(realpath "$target")"
mkdir -p "$results"
results="$(realpath "$results")"
rm -f "$results"/*
log="$results/check.log"
screenshot="$results/editor.png"
: > "$log"

mounted=()
cleanup() {
  local status=$?
  # Anything still running inside (an X server) holds the mounts.
  for process in /proc/[0-9]*; do
    if [ "$(readlink "$process/root" 2>/dev/null)" = "$target" ]; then
      kill -9 "${process#/proc/}" 2>/dev/null || true
    fi
  done
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" || true; done
  if [ "${OBLIMO_CHECK_KEEP:-0}" = 1 ]; then
    echo "kept $target"
  elif findmnt -rn -o TARGET | grep -q "^$target"; then
    echo "fresh-debian-check: something is still mounted below $target; not deleting it" >&2
  else
    rm -rf --one-file-system "$target"
  fi
  exit "$status"
}
trap cleanup EXIT

step() { printf '\n== %s\n' "$*"; }
failures=0
check() {
  local what="$1"
  shift
  if "$@" >> "$log" 2>&1; then
    printf 'PASS  %s\n' "$what"
  else
    printf 'FAIL  %s\n' "$what"
    failures=$((failures + 1))
  fi
}
# Runs a command in the fresh system with a clean environment: no display,
# no runtime folder, root's usual PATH, a UTF-8 locale.
in_chroot() {
  chroot "$target" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
}
mount_in() {
  mount "$@"
  mounted+=("${@: -1}")
}

step "fresh Debian 12 minbase in $target (mirror $mirror)"
if [ -n "${OBLIMO_CHECK_BASE:-}" ]; then
  debootstrap --variant=minbase --unpack-tarball="$(realpath "$OBLIMO_CHECK_BASE")" \
    bookworm "$target" "$mirror" >> "$log" 2>&1
else
  debootstrap --variant=minbase bookworm "$target" "$mirror" >> "$log" 2>&1
fi
cat > "$target/etc/apt/sources.list" << EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security bookworm-security main
EOF
# A fresh system has no package lists yet; the installer must fetch them.
rm -rf "$target"/var/lib/apt/lists/*
cp -L /etc/resolv.conf "$target/etc/resolv.conf"
mount_in -t proc proc "$target/proc"
mount_in -t devpts -o newinstance,ptmxmode=0666 devpts "$target/dev/pts"
mount_in -t tmpfs -o noexec,nosuid,nodev,mode=1777 tmpfs "$target/tmp"
before_tmp="$(ls -A "$target/tmp" "$target/var/tmp")"

step "Oblimo-setup, as root, without a display"
install -m 0755 "$setup_file" "$target/root/Oblimo-setup"
set +e
in_chroot /root/Oblimo-setup > "$results/setup-stdout.txt" 2> "$results/setup-stderr.txt"
setup_status=$?
set -e
cat "$results/setup-stdout.txt" >> "$log"
echo "--- standard error:"
cat "$results/setup-stderr.txt"
echo "--- exit code: $setup_status"
check "Oblimo-setup exits with 0" test "$setup_status" -eq 0
check "it reports the installation on standard error" \
  grep -q 'Oblimo: Oblimo をインストールしました。' "$results/setup-stderr.txt"
after_tmp="$(ls -A "$target/tmp" "$target/var/tmp")"
echo "--- temporary folders after the setup:"
echo "$after_tmp"
check "nothing of the setup is left in /tmp or /var/tmp" test "$after_tmp" = "$before_tmp"
rm -f "$target/root/Oblimo-setup"

step "what was installed"
check "package oblimo is installed" \
  in_chroot sh -c 'dpkg-query -W -f="\${Status}" oblimo | grep -q "install ok installed"'
in_chroot dpkg-query -W -f='${Package} ${Version} ${Status}\n' oblimo || true
check "tavlo is a program on PATH" in_chroot sh -c 'test -x "$(command -v tavlo)"'
check "tavlo-cli is a program on PATH" in_chroot sh -c 'test -x "$(command -v tavlo-cli)"'
# A 40 x 30 PNG (read by Qt's own plug-in) and an 8 x 6 TIFF (read by the
# image plug-ins package).
base64 -d > "$target/root/sample.png" << 'EOF'
iVBORw0KGgoAAAANSUhEUgAAACgAAAAeCAIAAADRv8uKAAAAK0lEQVR42u3NMQ0AAAgDsCmZfynIQgYcTfo3056IWCwWi8VisVgsFov/xgvk2cL9u/0SgAAAAABJRU5ErkJggg==
EOF
base64 -d > "$target/root/sample.tif" << 'EOF'
SUkqAAgAAAAJAAABAwABAAAACAAAAAEBAwABAAAABgAAAAIBAwADAAAAegAAAAMBAwABAAAAAQAAAAYBAwABAAAAAgAAABEBBAABAAAAgAAAABUBAwABAAAAAwAAABYBAwABAAAABgAAABcBBAABAAAAkAAAAAAAAAAIAAgACAAeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsgeHsg=
EOF
in_chroot tavlo-cli info /root/sample.png | tee "$results/info-png.txt" || true
in_chroot tavlo-cli info /root/sample.tif | tee "$results/info-tif.txt" || true
check "tavlo-cli info reads the PNG" grep -q '"width":40,"height":30' "$results/info-png.txt"
check "tavlo-cli info reads the TIFF" grep -q '"width":8,"height":6' "$results/info-tif.txt"
in_chroot fc-list :lang=ja family | sort -u | tee "$results/japanese-fonts.txt" || true
check "fc-list :lang=ja shows a Japanese font" test -s "$results/japanese-fonts.txt"
check "Qt's Japanese translations are there" \
  in_chroot sh -c 'ls /usr/share/qt6/translations/qtbase_ja.qm'
check "manual pages for both programs" \
  in_chroot sh -c 'ls /usr/share/man/man1/tavlo.1.gz /usr/share/man/man1/tavlo-cli.1.gz'

step "the installed editor under Xvfb"
# Only for the look: this is not part of what the package needs.
in_chroot apt-get install -y -q xvfb xauth x11-apps x11-utils >> "$log" 2>&1
in_chroot sh -c 'XDG_CONFIG_HOME=/root/check-settings xvfb-run -a -s "-noreset -screen 0 1280x800x24" sh -c "
    tavlo /root/sample.png & editor=\$!
    sleep 8
    xwd -root -silent > /root/editor.xwd
    for w in \$(xwininfo -root -children | grep -o \"^ *0x[0-9a-f]*\"); do
      xprop -id \$w WM_CLASS _NET_WM_NAME 2>/dev/null | grep -v \"not found\"
    done > /root/windows.txt
    kill \$editor"' >> "$log" 2>&1 || true
cat "$target/root/windows.txt" 2>/dev/null || true
check "the editor's window carries WM_CLASS tavlo (StartupWMClass)" \
  grep -q 'WM_CLASS(STRING) = "tavlo", "tavlo"' "$target/root/windows.txt"
if command -v convert > /dev/null; then
  convert "xwd:$target/root/editor.xwd" "$screenshot"
else
  screenshot="${screenshot%.*}.xwd"
  cp "$target/root/editor.xwd" "$screenshot"
fi
check "a screenshot of the editor was taken" test -s "$screenshot"
echo "screenshot: $screenshot (look at it: the Japanese labels must be readable)"

step "apt-get purge oblimo"
in_chroot apt-get purge -y -q oblimo >> "$log" 2>&1 || true
check "the package is gone" \
  in_chroot sh -c '! dpkg-query -W -f="\${Status}" oblimo 2>/dev/null | grep -q "install ok installed"'
check "tavlo and tavlo-cli are gone" \
  in_chroot sh -c '! command -v tavlo && ! command -v tavlo-cli && ! test -e /usr/share/doc/oblimo'

step "result"
echo "log: $log"
if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"

#!/usr/bin/env bash
# Builds the Debian package from the release build, unpacks it with dpkg -x into a temporary root
# (no installation, no root rights needed), checks its layout and declared dependencies, and starts
# the installed program under Xvfb: its main window must come up and the program must still be
# running. The installed skyvane-tool must read the installed default library.
# Usage: scripts/package_test.sh [BUILD-FOLDER]   (default build/release, already built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}

root=$(mktemp -d)
pid=""
cleanup() {
  # xvfb-run does not pass a signal on to its server and program: end the whole group it leads.
  if [ -n "$pid" ]; then kill -- "-$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$root"
}
trap cleanup EXIT

fail() {
  echo "package: $*" >&2
  exit 1
}

rm -f "$build"/skyvane_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/skyvane_*.deb)
dpkg-deb --info "$deb" >/dev/null || fail "$deb is not a Debian package"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libjpeg62-turbo qt6-qpa-plugins; do
  [[ $depends == *"$needed"* ]] || fail "Depends does not name $needed: $depends"
done

dpkg -x "$deb" "$root/fs"
for file in usr/bin/skyvane usr/bin/skyvane-tool usr/share/skyvane/default.cmf usr/share/skyvane/brabham.cam \
  usr/share/skyvane/pacecar.cam usr/share/skyvane/help/index.html usr/share/skyvane/help/functions.html \
  usr/share/applications/skyvane.desktop usr/share/icons/hicolor/scalable/apps/skyvane.svg; do
  [ -f "$root/fs/$file" ] || fail "the package lacks /$file"
done
grep -q '^Exec=skyvane$' "$root/fs/usr/share/applications/skyvane.desktop" || fail "the desktop entry does not start skyvane"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/fs/usr/share/applications/skyvane.desktop" || fail "the desktop entry is not valid"
fi

listing=$("$root/fs/usr/bin/skyvane-tool" cmf list "$root/fs/usr/share/skyvane/default.cmf")
[[ $listing == *"TV Onboard"* ]] || fail "the installed skyvane-tool does not list the installed default library"

# The program under a display of its own, with a home of its own, so nothing of the user's is read
# or written. Its window title names it.
mkdir -p "$root/home"
HOME="$root/home" XDG_CONFIG_HOME="$root/home/.config" setsid xvfb-run -a -s "-screen 0 1280x1024x24" \
  sh -c 'echo "DISPLAY=$DISPLAY XAUTHORITY=$XAUTHORITY" >"$0/display"; exec "$0/fs/usr/bin/skyvane"' "$root" \
  >"$root/log" 2>&1 &
pid=$!
windows() { [ -s "$root/display" ] && env $(cat "$root/display") xwininfo -root -tree 2>/dev/null; }
for _ in $(seq 1 100); do
  if windows | grep -q '"Brightlap Skyvane"'; then break; fi
  kill -0 "$pid" 2>/dev/null || { cat "$root/log" >&2; fail "the installed program ended at start"; }
  sleep 0.2
done
windows | grep -q '"Brightlap Skyvane"' || {
  cat "$root/log" >&2
  fail "the installed program's window did not come up within 20 s"
}
sleep 1
kill -0 "$pid" 2>/dev/null || { cat "$root/log" >&2; fail "the installed program ended after its window came up"; }
# Installed, it keeps its settings in the user's configuration folder, even where it could write
# beside itself (as the superuser the tests may run as can).
[ -d "$root/home/.config/skyvane" ] || fail "the installed program did not choose the user's configuration folder"
echo "package: $(basename "$deb") unpacks, declares its dependencies, and the installed program starts"

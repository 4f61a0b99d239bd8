#!/usr/bin/env bash
# Builds the Debian package and checks it:
#   - the unit passes `systemd-analyze verify` against the installed files;
#   - the package holds the program, the simulator, the unit, the desktop entry and the icon, and
#     depends on the Qt libraries found by dpkg-shlibdeps and on GStreamer's MP3 playback;
#   - dpkg installs it into a scratch root (its own admin folder, maintainer scripts run on that
#     root through DPKG_ROOT), where the service's user is made in dialout with its working
#     folder, and the installed program runs headless without a display and ends cleanly on
#     SIGTERM; removal keeps the user and the folder, a reinstall takes them as they are, and
#     purge deletes both; the running system's users are never touched.
# Usage: scripts/package_check.sh [BUILD_DIR]   (default build-pkg; test.sh passes build)
set -euo pipefail
cd "$(dirname "$0")/.."
deb="$(bash scripts/package.sh "${1:-build-pkg}")"
failures=0
fail() {
  echo "package_check: FAIL: $*" >&2
  failures=$((failures + 1))
}
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f s", b - a }'; }

echo "package_check: $deb, $(du -k "$deb" | cut -f1) KB"

# Contents and control fields.
contents="$(dpkg-deb -c "$deb" | awk '{ print $6 }')"
for f in ./usr/bin/Vetrostan ./usr/bin/vetrostan-sim ./usr/lib/systemd/system/vetrostan.service \
  ./usr/share/applications/vetrostan.desktop ./usr/share/icons/hicolor/scalable/apps/vetrostan.svg \
  ./usr/share/mime/packages/vetrostan.xml ./usr/share/vetrostan/make_sounds.sh \
  ./usr/share/doc/vetrostan/README.md; do
  grep -qxF "$f" <<<"$contents" || fail "$f is not in the package"
done
grep -q '^\./etc/\|^\./var/' <<<"$contents" && fail "the package ships files under /etc or /var"
depends="$(dpkg-deb -f "$deb" Depends)"
for d in libqt6core6 libqt6widgets6 libqt6serialport6 libqt6multimedia6 libqt6svg6 \
  libxlsxwriter libqcustomplot libmosquitto1 gstreamer1.0-plugins-base gstreamer1.0-plugins-good \
  passwd fonts-dejavu-core; do
  grep -q "$d" <<<"$depends" || fail "Depends lacks $d: $depends"
done
info="$(dpkg-deb -I "$deb")"
for s in postinst prerm postrm; do
  grep -q " $s\b" <<<"$info" || fail "no $s maintainer script"
done
echo "package_check: Depends: $depends"

# Scratch root: Debian's default users and groups (dialout among them) and an empty dpkg database.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
root="$work/root"
mkdir -p "$root/etc" "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/usr/sbin"
cp /usr/share/base-passwd/passwd.master "$root/etc/passwd"
cp /usr/share/base-passwd/group.master "$root/etc/group"
awk -F: '{ print $1 ":*:19000:0:99999:7:::" }' "$root/etc/passwd" >"$root/etc/shadow"
awk -F: '{ print $1 ":*::" }' "$root/etc/group" >"$root/etc/gshadow"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
host_users="$(cat /etc/passwd /etc/group | sha256sum)"
dpkg_root() {
  dpkg --root="$root" --log=/dev/null --force-not-root --force-script-chrootless \
    --force-depends --force-unsafe-io "$@" >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log" >&2; fail "dpkg $*"; }
}
state() { dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Status}' vetrostan 2>/dev/null || true; }

t=$(now)
dpkg_root --install "$deb"
echo "package_check: install into a scratch root: $(elapsed "$t")"
[ "$(state)" = "install ok installed" ] || fail "not installed: $(state)"
user="$(grep '^vetrostan:' "$root/etc/passwd" || true)"
[ -n "$user" ] || fail "no user vetrostan"
[ "$(cut -d: -f6 <<<"$user")" = /var/lib/vetrostan ] || fail "home of vetrostan: $user"
grep '^dialout:' "$root/etc/group" | cut -d: -f4 | tr , '\n' | grep -qx vetrostan ||
  fail "vetrostan is not in dialout"
[ "$(stat -c %u "$root/var/lib/vetrostan" 2>/dev/null)" = "$(cut -d: -f3 <<<"$user")" ] ||
  fail "/var/lib/vetrostan is missing or not owned by vetrostan"
[ -e "$root/etc/systemd/system/multi-user.target.wants/vetrostan.service" ] &&
  fail "the service was enabled by the installation"

# The installed unit, its program taken from the scratch root: every directive must be known and
# sound. (--root would need a whole systemd tree in the scratch root.)
sed "s|/usr/bin/Vetrostan|$root/usr/bin/Vetrostan|" "$root/usr/lib/systemd/system/vetrostan.service" \
  >"$work/vetrostan.service"
if ! systemd-analyze verify "$work/vetrostan.service" >"$work/verify.log" 2>&1 ||
  [ -s "$work/verify.log" ]; then
  cat "$work/verify.log" >&2
  fail "systemd-analyze verify"
fi
echo "package_check: unit $(systemd-analyze security --offline=yes "$work/vetrostan.service" 2>&1 |
  grep -o 'exposure level.*' || true)"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/vetrostan.desktop" || fail "desktop entry"
fi
# The file type the desktop entry opens is the one the package defines.
grep -q '^MimeType=application/x-vetrostan-log;$' "$root/usr/share/applications/vetrostan.desktop" ||
  fail "the desktop entry does not open measurement logs"
grep -q 'type="application/x-vetrostan-log"' "$root/usr/share/mime/packages/vetrostan.xml" &&
  grep -q '<glob pattern="\*.fil"/>' "$root/usr/share/mime/packages/vetrostan.xml" ||
  fail "the log's file type is not defined for *.fil"
if command -v xmllint >/dev/null; then
  xmllint --noout "$root/usr/share/mime/packages/vetrostan.xml" || fail "the file type's XML"
fi

# The installed program as the service starts it: no display, no platform plugin asked for.
home="$work/station"
ldd "$root/usr/bin/Vetrostan" | grep -q 'not found' && fail "unresolved libraries"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work" XDG_CONFIG_HOME="$work/.config" \
  "$root/usr/bin/Vetrostan" --headless --home "$home" >"$work/run.log" 2>&1 &
pid=$!
sleep 3
kill -TERM "$pid" 2>/dev/null || fail "the headless program ended by itself"
rc=0
wait "$pid" || rc=$?
[ "$rc" -eq 0 ] || { cat "$work/run.log" >&2; fail "headless program: exit status $rc on SIGTERM"; }
[ -f "$home/Vetrostan.INI" ] || fail "the headless program wrote no settings file in its folder"

t=$(now)
dpkg_root --remove vetrostan
echo "package_check: remove: $(elapsed "$t")"
[ -e "$root/usr/bin/Vetrostan" ] && fail "the program stays after removal"
grep -q '^vetrostan:' "$root/etc/passwd" || fail "removal deleted the user"
[ -d "$root/var/lib/vetrostan" ] || fail "removal deleted the working folder"
echo keep >"$root/var/lib/vetrostan/Vetrostan.INI"

dpkg_root --install "$deb"
[ "$(grep -c '^vetrostan:' "$root/etc/passwd")" = 1 ] || fail "reinstall: user made twice"
[ "$(cat "$root/var/lib/vetrostan/Vetrostan.INI")" = keep ] || fail "reinstall: folder replaced"

t=$(now)
dpkg_root --purge vetrostan
echo "package_check: purge: $(elapsed "$t")"
[ -z "$(state)" ] || [ "$(state)" = "unknown ok not-installed" ] || fail "after purge: $(state)"
grep -q '^vetrostan:' "$root/etc/passwd" "$root/etc/group" && fail "purge kept the user or group"
grep '^dialout:' "$root/etc/group" | grep -q vetrostan && fail "purge kept dialout membership"
[ -e "$root/var/lib/vetrostan" ] && fail "purge kept the working folder"
leftover="$(find "$root/usr" -type f | head -5)"
[ -z "$leftover" ] || fail "files left after purge: $leftover"
[ "$(cat /etc/passwd /etc/group | sha256sum)" = "$host_users" ] || fail "the host's users changed"

if [ "$failures" -eq 0 ]; then
  echo "package_check: passed"
else
  echo "package_check: $failures failures"
  exit 1
fi

#!/usr/bin/env bash
# Builds the Debian packages of Tarvo and Mireval and proves what a Debian maintainer would ask
# of them:
#   - lintian reports no error and no warning (its --pedantic infos are printed, not failed on);
#     the manual pages format without warnings, the desktop entries and the metainfo validate;
#   - the version grows with every commit, and a tree without git history still builds, with a
#     version below every build from git;
#   - on a clean Debian 12 chroot: both packages install without their recommendations
#     (Depends alone must be enough), both programs start as a desktop user of group "users"
#     in /var/lib/tarvo, the database Mireval creates is writable by the group, the manual
#     pages open with man, tarvo-setup-server finds its schema, the daily purge's units are
#     installed and not enabled, and Tarvo reaches a reader through the chroot's own pcscd (a vpcd
#     virtual reader and card, in a network namespace of their own);
#   - removal and purge keep /var/lib/tarvo and the database byte for byte, and purging both
#     packages says so exactly once;
#   - the packages of the previous commit (built in a temporary worktree) are upgraded by these
#     with apt, and the data survives that too.
# Needs root and Debian's mirrors and takes some minutes, so ./run test leaves it out.
#   scripts/check-packages.sh                  the chroot is made in /var/tmp and removed at the end
#   KEEP_CHROOT=1 scripts/check-packages.sh    keeps it for a look around
#   REVISION=REV scripts/check-packages.sh     packages commit REV (in a temporary worktree)
#                                              instead of the working tree
#   PREVIOUS=REV scripts/check-packages.sh     upgrades from REV instead of the commit before
#                                              (PREVIOUS= skips the upgrade)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
REVISION=${REVISION-}
PREVIOUS=${PREVIOUS-${REVISION:-HEAD}~1}

[ "$(id -u)" -eq 0 ] || { echo "check-packages: run as root (it makes and enters a chroot)" >&2; exit 1; }
fail() { echo "FAIL: $*" >&2; exit 1; }

# Packaging tools: dpkg-shlibdeps (dpkg-dev) fills Depends, mmdebstrap makes the clean machine,
# the rest are the checks.
missing=()
for p in dpkg-dev desktop-file-utils mmdebstrap lintian appstream man-db git iproute2 util-linux; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

TMP=$(mktemp -d /var/tmp/tarvo-pkg-check.XXXXXX)
chmod 755 "$TMP" # apt inside the chroot fetches as _apt, and a 0700 folder would stop it
CHROOT=$TMP/chroot
WORKTREE=$TMP/previous
cleanup() {
  for m in "$CHROOT/dev/pts" "$CHROOT/proc"; do
    if mountpoint -q "$m"; then umount "$m"; fi
  done
  for tree in "$WORKTREE" "$TMP/current"; do
    if [ -d "$tree" ]; then git -C "$ROOT" worktree remove --force "$tree" || true; fi
  done
  if [ "${KEEP_CHROOT:-0}" = 1 ]; then
    echo "chroot kept in $CHROOT"
  else
    rm -rf --one-file-system "$TMP"
  fi
}
trap cleanup EXIT

# The package build: Debian's hardening flags, the release optimisation, installed under /usr.
package() { # package SOURCE BUILD
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVO_BUILD_TESTS=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr -DTARVO_DEBIAN_BUILDFLAGS=ON >/dev/null
  nice cmake --build "$2"
  rm -f "$2"/*.deb "$2"/*.ddeb
  (cd "$2" && cpack -G DEB >/dev/null)
}

if [ -n "$REVISION" ]; then
  git worktree add --detach "$TMP/current" "$REVISION" >/dev/null
  SOURCE=$TMP/current
else
  SOURCE=$ROOT
fi
BUILD=$SOURCE/build/pkg
package "$SOURCE" "$BUILD"
NEW=("$BUILD"/tarvo_*.deb "$BUILD"/mireval_*.deb)
for deb in "${NEW[@]}"; do
  dpkg-deb -f "$deb" Package Version Architecture Depends Recommends
done
echo

# The version: the commit count of this clone, and lower without git history.
version=$(dpkg-deb -f "${NEW[0]}" Version)
[[ $version == *+git$(git -C "$SOURCE" rev-list --count HEAD)-1 ]] ||
  fail "version $version does not count the commits"
mkdir "$TMP/nogit"
git -C "$SOURCE" archive HEAD | tar -x -C "$TMP/nogit"
nogit=$(cmake -S "$TMP/nogit" -B "$TMP/nogit/build" -G Ninja -DTARVO_BUILD_TESTS=OFF |
  sed -n 's/^-- Package version: //p')
dpkg --compare-versions "$nogit" lt 1.0.0+git1-1 || fail "a tree without git is $nogit"
echo "OK: version $version; a tree without git history builds $nogit, below every git build"

# What lintian and the other validators say of the files as packaged.
lintian --pedantic --info --display-experimental --fail-on error,warning \
  "${NEW[@]}" "$BUILD"/*-dbgsym_*.ddeb ||
  fail "lintian has errors or warnings"
echo "OK: lintian reports no error or warning"
mkdir "$TMP/unpacked"
for deb in "${NEW[@]}"; do dpkg-deb -x "$deb" "$TMP/unpacked"; done
desktop-file-validate "$TMP"/unpacked/usr/share/applications/*.desktop
appstreamcli validate --no-net --pedantic "$TMP"/unpacked/usr/share/metainfo/*.metainfo.xml
for page in "$TMP"/unpacked/usr/share/man/man*/*.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
echo "OK: desktop entries, metainfo and manual pages validate"

# The previous commit's packages, for the upgrade.
OLD=()
if [ -n "$PREVIOUS" ]; then
  git worktree add --detach "$WORKTREE" "$PREVIOUS" >/dev/null
  package "$WORKTREE" "$WORKTREE/build/pkg"
  OLD=("$WORKTREE"/build/pkg/tarvo_*.deb "$WORKTREE"/build/pkg/mireval_*.deb)
  old_version=$(dpkg-deb -f "${OLD[0]}" Version)
  dpkg --compare-versions "$version" gt "$old_version" ||
    fail "$version does not upgrade $old_version"
  echo "OK: $old_version of $PREVIOUS is older than $version"
fi

# A clean bookworm with only apt in it, from the same mirrors as this machine.
mkdir "$CHROOT"
sources=()
[ -f /etc/apt/sources.list.d/debian.sources ] && sources=(/etc/apt/sources.list.d/debian.sources)
mmdebstrap --variant=apt bookworm "$CHROOT" "${sources[@]}"
mount -t proc proc "$CHROOT/proc"
mount -t devpts devpts "$CHROOT/dev/pts"
mkdir -p "$CHROOT/tmp/new" "$CHROOT/tmp/old"
cp "${NEW[@]}" "$CHROOT/tmp/new/"
[ ${#OLD[@]} -eq 0 ] || cp "${OLD[@]}" "$CHROOT/tmp/old/"
cp scripts/student_card.py "$CHROOT/tmp/"

in_chroot() { chroot "$CHROOT" /usr/bin/env DEBIAN_FRONTEND=noninteractive /bin/bash -euo pipefail -c "$1"; }

# Each program started in the data folder as a desktop user of group "users" is still running
# when timeout ends it (exit 124).
# shellcheck disable=SC2016 # the scripts below are expanded inside the chroot
START_BOTH='
  for program in tarvo mireval; do
    if ldd /usr/bin/$program | grep "not found"; then echo "FAIL: $program lacks libraries"; exit 1; fi
    status=0
    (cd /var/lib/tarvo && HOME=/tmp QT_QPA_PLATFORM=offscreen timeout 5 \
      setpriv --reuid=1001 --regid=100 --clear-groups $program >/dev/null) || status=$?
    [ $status -eq 124 ] || { echo "FAIL: $program ended with $status"; exit 1; }
  done
  echo "OK: tarvo $(dpkg-query -W -f="\${Version}" tarvo) and mireval start as a desktop user"'

# Install without recommendations, start, look at what was installed.
# shellcheck disable=SC2016
in_chroot '
  apt-get update -q
  apt-get install -y -q --no-install-recommends /tmp/new/tarvo_*.deb /tmp/new/mireval_*.deb
  if dpkg-query -W -f="\${Status}" qt6-translations-l10n 2>/dev/null | grep -q "ok installed"; then
    echo "FAIL: qt6-translations-l10n came without recommendations"; exit 1
  fi
  '"$START_BOTH"'
  for program in tarvo mireval; do
    for file in /usr/share/applications/$program.desktop \
        /usr/share/icons/hicolor/scalable/apps/$program.svg \
        /usr/share/icons/hicolor/48x48/apps/$program.png \
        /usr/share/metainfo/org.example.tarvo.$program.metainfo.xml \
        /usr/share/man/man1/$program.1.gz \
        /usr/share/doc/$program/copyright /usr/share/doc/$program/changelog.Debian.gz; do
      test -f $file || { echo "FAIL: $file is missing"; exit 1; }
    done
  done
  test -x /usr/bin/tarvo-admin && test -f /usr/share/man/man1/tarvo-admin.1.gz
  for file in /usr/share/tarvo/Schema.sql /usr/share/man/man8/tarvo-setup-server.8.gz \
      /usr/lib/systemd/system/tarvo-purge.service /usr/lib/systemd/system/tarvo-purge.timer; do
    test -f $file || { echo "FAIL: $file is missing"; exit 1; }
  done
  if find /etc -name "tarvo-purge*" | grep .; then echo "FAIL: the package enabled the purge"; exit 1; fi
  # Found on root'"'"'s PATH; without psql (not installed here) it stops after finding its schema.
  status=0
  tarvo-setup-server --database escuela 2>/tmp/setup.err || status=$?
  if [ $status -ne 1 ] || ! grep -q psql /tmp/setup.err || grep -q Schema.sql /tmp/setup.err; then
    echo "FAIL: tarvo-setup-server ended with $status: $(cat /tmp/setup.err)"; exit 1
  fi
  echo "OK: tarvo-setup-server finds its schema; the purge service and timer are installed, not enabled"
  [ "$(stat -c %a:%U:%G /var/lib/tarvo)" = 2775:root:users ] || { echo "FAIL: /var/lib/tarvo"; exit 1; }
  [ "$(stat -c %a:%u:%G /var/lib/tarvo/Alumnos.mdb)" = 664:1001:users ] &&
    setpriv --reuid=1002 --regid=100 --clear-groups test -w /var/lib/tarvo/Alumnos.mdb ||
    { echo "FAIL: Alumnos.mdb $(stat -c %a:%u:%G /var/lib/tarvo/Alumnos.mdb) is not the group'"'"'s"; exit 1; }
  echo "OK: the database Mireval created is writable by the other users of the group"'

# The tools of the next checks come only now, so that they cannot stand in for a missing
# dependency above.
in_chroot 'apt-get install -y -q --no-install-recommends man-db vsmartcard-vpcd python3-virtualsmartcard >/dev/null'

# shellcheck disable=SC2016
in_chroot '
  for page in tarvo mireval tarvo-admin tarvo-setup-server; do
    MANWIDTH=80 man -P cat $page > /tmp/$page.txt 2>&1 || { echo "FAIL: man $page"; cat /tmp/$page.txt; exit 1; }
    grep -q "^NAME" /tmp/$page.txt || { echo "FAIL: man $page shows no page"; exit 1; }
  done
  echo "OK: man tarvo, man mireval, man tarvo-admin and man tarvo-setup-server open"'

# The reader: the chroot's pcscd with the stock vpcd configuration, a student card on its port,
# and Tarvo as a desktop user reading it. A network namespace of their own keeps vpcd's stock
# port away from the machine's and from other card stacks.
cat > "$CHROOT/tmp/reader-check.sh" <<'EOF_READER'
set -euo pipefail
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true' EXIT
mkdir -p /run/pcscd
/usr/sbin/pcscd --foreground > /tmp/pcscd.log 2>&1 &
pids+=($!)
sleep 2
/usr/bin/python3 /tmp/student_card.py --dni 12345678 --port 35963 > /tmp/card.log 2>&1 &
pids+=($!)
status=0
(cd /var/lib/tarvo && HOME=/tmp QT_QPA_PLATFORM=offscreen TARVO_RELAY_PORT=/dev/null \
  timeout 10 setpriv --reuid=1001 --regid=100 --clear-groups tarvo > /tmp/tarvo.out 2>&1) || status=$?
if [ $status -ne 124 ] || ! grep -q "Estado del lector: present" /tmp/tarvo.out ||
   ! grep -q "lectura de dni" /tmp/tarvo.out; then
  echo "FAIL: tarvo (status $status) did not read the card"
  tail -n 20 /tmp/tarvo.out /tmp/pcscd.log /tmp/card.log
  exit 1
fi
echo "OK: tarvo reads a card through the chroot's pcscd"
EOF_READER
# shellcheck disable=SC2016 # expanded by that sh
unshare --net -- sh -c 'ip link set lo up && exec chroot "$0" /bin/bash /tmp/reader-check.sh' "$CHROOT"

# Removal and purge keep the data and say so once, on purge.
# shellcheck disable=SC2016
in_chroot '
  sum=$(sha256sum /var/lib/tarvo/Alumnos.mdb)
  apt-get remove -y -q tarvo mireval > /tmp/remove.log
  if grep -q "stays in /var/lib/tarvo" /tmp/remove.log; then echo "FAIL: removal spoke of purging"; exit 1; fi
  [ "$(sha256sum /var/lib/tarvo/Alumnos.mdb)" = "$sum" ] || { echo "FAIL: removal changed the data"; exit 1; }
  apt-get purge -y -q tarvo mireval > /tmp/purge.log
  cat /tmp/purge.log
  [ "$(grep -c "stays in /var/lib/tarvo" /tmp/purge.log)" = 1 ] ||
    { echo "FAIL: the purge did not say once where the data stays"; exit 1; }
  [ "$(sha256sum /var/lib/tarvo/Alumnos.mdb)" = "$sum" ] || { echo "FAIL: purge changed the data"; exit 1; }
  echo "OK: removal and purge kept /var/lib/tarvo/Alumnos.mdb and said so once"'

# The previous commit's packages, then these over them, as apt upgrades a station.
if [ ${#OLD[@]} -gt 0 ]; then
  # shellcheck disable=SC2016
  in_chroot '
    sum=$(sha256sum /var/lib/tarvo/Alumnos.mdb)
    apt-get install -y -q --no-install-recommends /tmp/old/tarvo_*.deb /tmp/old/mireval_*.deb >/dev/null
    old=$(dpkg-query -W -f="\${Version}" tarvo)
    apt-get install -y -q --no-install-recommends /tmp/new/tarvo_*.deb /tmp/new/mireval_*.deb > /tmp/upgrade.log
    grep -E "Unpacking (tarvo|mireval) .* over " /tmp/upgrade.log
    [ "$(dpkg-query -W -f="\${Version}" tarvo)" = "$(dpkg-deb -f /tmp/new/tarvo_*.deb Version)" ] &&
      [ "$(dpkg-query -W -f="\${Version}" mireval)" = "$(dpkg-deb -f /tmp/new/mireval_*.deb Version)" ] ||
      { echo "FAIL: the upgrade left $(dpkg-query -W tarvo mireval)"; exit 1; }
    [ "$(sha256sum /var/lib/tarvo/Alumnos.mdb)" = "$sum" ] || { echo "FAIL: the upgrade changed the data"; exit 1; }
    echo "OK: upgraded from $old with apt; the data is untouched"
    '"$START_BOTH"
fi
echo "OK: all package checks passed"

#!/usr/bin/env bash
# Builds the Debian packages of Tarvo and Mireval and proves that they install and start on a
# clean Debian 12: a fresh minimal chroot, `apt-get install` of both .debs without their
# recommendations (Depends alone must be enough), both programs started offscreen, then
# `apt-get remove`. Needs root and Debian's mirrors and takes minutes, so ./run test leaves it out.
#   scripts/check-packages.sh              the chroot is made in /var/tmp and removed at the end
#   KEEP_CHROOT=1 scripts/check-packages.sh  keeps it for a look around
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD=$ROOT/build/pkg

# Packaging tools: dpkg-shlibdeps (dpkg-dev) fills Depends, mmdebstrap makes the clean machine.
missing=()
for p in dpkg-dev desktop-file-utils mmdebstrap; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The release build and its packages.
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARVO_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
nice cmake --build "$BUILD"
desktop-file-validate packaging/tarvo.desktop packaging/mireval.desktop
rm -f "$BUILD"/*.deb "$BUILD"/*.ddeb
(cd "$BUILD" && cpack -G DEB)
for deb in "$BUILD"/tarvo_*.deb "$BUILD"/mireval_*.deb; do
  dpkg-deb -f "$deb" Package Version Architecture Depends Recommends
done

# A clean bookworm with only apt in it, from the same mirrors as this machine.
CHROOT=$(mktemp -d /var/tmp/tarvo-pkg-chroot.XXXXXX)
chmod 755 "$CHROOT" # apt inside fetches as _apt, and a 0700 root would stop it
cleanup() {
  for m in "$CHROOT/dev/pts" "$CHROOT/proc"; do
    if mountpoint -q "$m"; then umount "$m"; fi
  done
  if [ "${KEEP_CHROOT:-0}" = 1 ]; then
    echo "chroot kept in $CHROOT"
  else
    rm -rf --one-file-system "$CHROOT"
  fi
}
trap cleanup EXIT
sources=()
[ -f /etc/apt/sources.list.d/debian.sources ] && sources=(/etc/apt/sources.list.d/debian.sources)
mmdebstrap --variant=apt bookworm "$CHROOT" "${sources[@]}"
mount -t proc proc "$CHROOT/proc"
mount -t devpts devpts "$CHROOT/dev/pts"
mkdir -p "$CHROOT/tmp/debs"
cp "$BUILD"/tarvo_*.deb "$BUILD"/mireval_*.deb "$CHROOT/tmp/debs/"

# Inside: install, start each program in the data folder as a desktop user of group "users"
# (still running when timeout ends it, exit 124), check that the database Mireval created there
# is writable by another user of the group, look at what was installed, remove.
# shellcheck disable=SC2016 # the script is expanded inside the chroot
chroot "$CHROOT" /bin/bash -euo pipefail -c '
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  cd /tmp/debs && apt-get install -y -q --no-install-recommends ./tarvo_*.deb ./mireval_*.deb
  for program in tarvo mireval; do
    if ldd /usr/bin/$program | grep "not found"; then echo "FAIL: $program lacks libraries"; exit 1; fi
    status=0
    (cd /var/lib/tarvo && HOME=/tmp QT_QPA_PLATFORM=offscreen timeout 5 \
      setpriv --reuid=1001 --regid=100 --clear-groups $program) || status=$?
    [ $status -eq 124 ] || { echo "FAIL: $program ended with $status"; exit 1; }
    test -f /usr/share/applications/$program.desktop
    test -f /usr/share/icons/hicolor/scalable/apps/$program.svg
    echo "OK: $program installed and running"
  done
  [ "$(stat -c %a:%U:%G /var/lib/tarvo)" = 2775:root:users ] || { echo "FAIL: /var/lib/tarvo"; exit 1; }
  [ "$(stat -c %a:%u:%G /var/lib/tarvo/Alumnos.mdb)" = 664:1001:users ] &&
    setpriv --reuid=1002 --regid=100 --clear-groups test -w /var/lib/tarvo/Alumnos.mdb ||
    { echo "FAIL: Alumnos.mdb $(stat -c %a:%u:%G /var/lib/tarvo/Alumnos.mdb) is not the group'"'"'s"; exit 1; }
  echo "OK: the database Mireval created is writable by the other users of the group"
  apt-get remove -y -q tarvo mireval
  echo "OK: both packages installed, started and removed"
'

#!/bin/sh
# Runs the README's test command, tools/test-all.sh, on a clone of this
# checkout's last commit in a new Debian 12 root made with debootstrap, where
# nothing is installed but what the command installs itself: the proof that
# it sets up all it needs on a fresh machine. As root on Debian 12; the root
# is made in DIR (default /var/tmp/brimshade-fresh-root), emptied first, and
# needs about 15 GB. Prints how long each part took.
#
#   tools/test-in-fresh-root.sh [DIR]
set -eu
cd "$(dirname "$0")/.."
root=${1:-/var/tmp/brimshade-fresh-root}
# The Debian mirror this machine's apt uses, as the virtual machine's root
# takes it (tools/guest32.sh).
mirror=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | grep -v security | head -n1)
mirror=${mirror:-http://deb.debian.org/debian}

command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap
for mount in dev/shm dev/pts dev sys proc; do umount "$root/$mount" 2>/dev/null || true; done
rm -rf --one-file-system "$root"
start=$(date +%s)
debootstrap --variant=minbase bookworm "$root" "$mirror" >/dev/null
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb ${mirror%/debian}/debian-security bookworm-security main
EOF
cp /etc/resolv.conf "$root/etc/resolv.conf"
git clone --quiet --no-local . "$root/root/brimshade"
made=$(date +%s)

trap 'for mount in dev/shm dev/pts dev sys proc; do umount "$root/$mount" 2>/dev/null || true; done' EXIT
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount -t devpts devpts "$root/dev/pts"
mount -t tmpfs tmpfs "$root/dev/shm"
status=0
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin TERM=dumb \
    sh -c 'cd /root/brimshade && tools/test-all.sh' || status=$?
end=$(date +%s)
echo "test-in-fresh-root: the root took $((made - start)) s; tools/test-all.sh in it $((end - made)) s," \
     "installing what it needs included; it exited with $status"
exit $status

#!/bin/sh
# Runs the README's test command, tools/test-all.sh, on a clone of this
# checkout's last commit in a new Debian 12 root made with debootstrap, where
# nothing is installed but what the command installs itself: the proof that
# it sets up all it needs on a fresh machine. As root on Debian 12; the root
# is made in DIR (default /var/tmp/brimshade-fresh-root), emptied first, and
# needs about 15 GB. Prints how long each part took.
#
#   tools/test-in-fresh-root.sh [DIR]
#
# The root has the host's /dev bound inside it while the command runs: on
# any end, an interrupt or a termination included, the processes left in the
# root are ended and everything mounted in it is unmounted, and an unmount
# that fails is reported and fails the script.
set -eu
cd "$(dirname "$0")/.."
root=${1:-/var/tmp/brimshade-fresh-root}
root=$(realpath -m "$root")
mounts="proc sys dev dev/pts dev/shm"
# The Debian mirror this machine's apt uses, as the virtual machine's root
# takes it (tools/guest32.sh).
mirror=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | grep -v security | head -n1)
mirror=${mirror:-http://deb.debian.org/debian}

# Ends the processes whose root is the fresh root (a test's wine server or
# display outlives the command), then unmounts in the reverse order of
# mounting. A mount that stays busy is detached lazily, so that the host's
# /dev never stays bound inside; either way the failure is reported.
unmount_all() {
    for process in /proc/[0-9]*; do
        [ "$(readlink "$process/root" 2>/dev/null)" = "$root" ] && kill -KILL "${process#/proc/}" 2>/dev/null
    done
    unmounted=0
    for mount in $(echo "$mounts" | tr ' ' '\n' | sed '1!G;h;$!d'); do
        mountpoint -q "$root/$mount" || continue
        if ! umount "$root/$mount"; then
            echo "test-in-fresh-root: cannot unmount $root/$mount; detaching it" >&2
            umount -l "$root/$mount" || echo "test-in-fresh-root: cannot detach $root/$mount either" >&2
            unmounted=1
        fi
    done
    return $unmounted
}
# On an interrupt or a termination the shell would end without its EXIT
# trap; exiting from theirs runs it.
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'unmount_all || exit 1' EXIT

command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap
unmount_all
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

mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount -t devpts devpts "$root/dev/pts"
mount -t tmpfs tmpfs "$root/dev/shm"
# In the background, so that a signal to this script is handled at once
# rather than when the command ends; the traps end what runs in the root.
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin TERM=dumb \
    sh -c 'cd /root/brimshade && tools/test-all.sh' &
status=0
wait $! || status=$?
end=$(date +%s)
echo "test-in-fresh-root: the root took $((made - start)) s; tools/test-all.sh in it $((end - made)) s," \
     "installing what it needs included; it exited with $status"
exit $status

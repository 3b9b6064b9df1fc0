#!/bin/bash
# A virtual machine that runs 32-bit x86 code, which this machine's kernel
# cannot: Debian's amd64 kernel (with its IA32 emulation) under qemu's TCG, on
# a Debian 12 root that has wine32, Xvfb and what the tests use.
#
#   guest32.sh prepare
#       Builds the guest once into $BRIMSHADE_GUEST_CACHE (/var/cache/brimshade):
#       the root file system, the kernel and a small initramfs, and a ready
#       32-bit wine prefix. A guest is kept under a hash of everything below
#       that decides its content, so a changed package list builds a new one.
#   guest32.sh run [--share DIR]... CMD [ARG]...
#       Boots the guest (preparing it first if needed), runs CMD in it with
#       each DIR mounted writable at its own absolute path, in the current
#       directory when that lies in a DIR, streams CMD's output and exits with
#       CMD's status. The root is read-only in the guest; /tmp is its own.
#       The boot is ended after $BRIMSHADE_GUEST_TIMEOUT seconds (900).
set -euo pipefail

cache=${BRIMSHADE_GUEST_CACHE:-/var/cache/brimshade}
suite=bookworm
guest_packages="wine wine32 wine64 libwine:i386 xvfb xauth python3 python3-xlib x11-utils xdotool
    cmake imagemagick xcompmgr"
# Loaded in this order by the initramfs: Debian builds virtio and 9p as modules.
guest_modules="virtio_ring virtio virtio_pci_legacy_dev virtio_pci_modern_dev virtio_pci netfs fscache
    9pnet 9pnet_virtio 9p"
# Where the guest finds the wine prefix made at prepare time.
seed_prefix=/var/lib/brimshade/wineprefix-win32.tar

die() {
    echo "guest32: $*" >&2
    exit 1
}

# The Debian mirror this machine's apt uses.
host_mirror() {
    local uri
    uri=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | grep -v security | head -n1)
    [ -n "$uri" ] || uri=$(sed -n 's/^deb \(\[[^]]*\] \)\?\(http[^ ]*\) .*/\2/p' /etc/apt/sources.list 2>/dev/null | grep -v security | head -n1)
    echo "${uri:-http://deb.debian.org/debian}"
}

# The guest's first process, from the initramfs: loads the modules, mounts the
# root, the control share and the work shares, and hands over to guest_run.
initramfs_init() {
    cat <<'EOF'
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin
fail() {
    echo "guest32 init: $*" >/dev/console
    echo o >/proc/sysrq-trigger
    sleep 60
}
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
echo "guest32: the kernel has started" >/dev/console
for module in $(cat /modules/order); do
    insmod "/modules/$module.ko" || fail "cannot load $module"
done
options=trans=virtio,version=9p2000.L,msize=524288
mkdir -p /newroot
# The root never changes while the guest runs, so it may be cached.
mount -t 9p -o "$options,ro,cache=loose" rootfs /newroot || fail "cannot mount the root"
mount -t tmpfs -o mode=1777 tmpfs /newroot/tmp || fail "cannot mount /tmp"
mount -t tmpfs -o mode=755 tmpfs /newroot/run || fail "cannot mount /run"
mkdir /newroot/run/control
mount -t 9p -o "$options" control /newroot/run/control || fail "cannot mount the control share"
while read -r tag path; do
    mkdir -p "/newroot$path" 2>/dev/null
    # Wine maps the programs it runs, and gets pages of zeros for them from a
    # share read without the page cache. Nothing on the host changes a share
    # while the guest runs, so caching it loosely is safe.
    mount -t 9p -o "$options,cache=loose" "$tag" "/newroot$path" || fail "cannot mount $path"
done </newroot/run/control/shares
cp /guest-run /newroot/run/guest-run
umount /proc /sys
mount --move /dev /newroot/dev
exec switch_root /newroot /bin/sh /run/guest-run
EOF
}

# Runs the command in the real root and powers the guest off. Its output goes
# to the second serial port, which the host streams; its status to the
# control share.
guest_run() {
    cat <<EOF
#!/bin/sh
export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/tmp/home LANG=C.UTF-8 PYTHONDONTWRITEBYTECODE=1
export BRIMSHADE_WINE_PREFIX_SEED=$seed_prefix
EOF
    cat <<'EOF'
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mkdir -p /dev/pts /dev/shm /tmp/home
mount -t devpts devpts /dev/pts
mount -t tmpfs -o mode=1777 tmpfs /dev/shm
# Xvfb writes its compiled keymaps here.
mount -t tmpfs tmpfs /var/lib/xkb
mount -t tmpfs tmpfs /var/tmp
stty -F /dev/ttyS1 raw -echo
echo "guest32: running the command" >/dev/console
bash /run/control/command >/dev/ttyS1 2>&1 </dev/null
echo $? >/run/control/status.new
mv /run/control/status.new /run/control/status
sync
echo o >/proc/sysrq-trigger
sleep 60
EOF
}

guest_key() {
    { echo "$suite $guest_packages $guest_modules $seed_prefix"; declare -f build_guest keep_modules make_seed_prefix; } |
        sha256sum | cut -c1-16
}

# Boots the guest in DIR with control directory CONTROL (holding `command`
# and `shares`); the command's output goes to stdout.
boot() {
    local dir=$1 control=$2 seconds=${BRIMSHADE_GUEST_TIMEOUT:-900}
    local args=() status=0 tag path
    while read -r tag path; do
        args+=(-virtfs "local,path=$path,mount_tag=$tag,security_model=none")
    done <"$control/shares"
    # qemu 7.2's emulation mishandles the iret of wine's 32-bit code when
    # SMAP is on (the guest's kernel oopses), hence the CPU without it and
    # nosmap nosmep. The TSC as the clock spares each clock read an emulated
    # HPET access, and a throwaway guest needs no Spectre mitigations, which
    # make every system call dearer under emulation.
    timeout --kill-after=10 "$seconds" qemu-system-x86_64 \
        -accel tcg,thread=multi -smp 2 -m 3072 -cpu max,-smap,-smep,-pku \
        -nodefaults -display none -no-reboot \
        -kernel "$dir/vmlinuz" -initrd "$control/initrd.img" \
        -append "console=ttyS0 nosmap nosmep panic=-1 quiet tsc=reliable clocksource=tsc mitigations=off" \
        -serial "file:$control/console.log" -serial stdio \
        -virtfs "local,path=$dir/root,mount_tag=rootfs,security_model=none,readonly=on" \
        -virtfs "local,path=$control,mount_tag=control,security_model=none" \
        "${args[@]}" </dev/null || status=$?
    if [ "$status" = 124 ] || [ "$status" = 137 ]; then
        echo "guest32: the guest did not end within $seconds seconds; its console:" >&2
        tail -n 20 "$control/console.log" >&2
        return 1
    fi
    [ "$status" = 0 ] || { echo "guest32: qemu failed with status $status" >&2; return 1; }
    if [ ! -s "$control/status" ]; then
        if grep -q "guest32: running the command" "$control/console.log"; then
            echo "guest32: no status came back from the guest; the end of its console:" >&2
        elif grep -q "guest32: the kernel has started" "$control/console.log"; then
            echo "guest32: the guest did not get as far as running the command; its console:" >&2
        else
            echo "guest32: the guest's kernel did not boot; its console:" >&2
        fi
        tail -n 20 "$control/console.log" >&2
        return 1
    fi
}

# Runs a command in the guest in DIR. Arguments: DIR, then zero or more
# "--share PATH", then the command.
run_in() {
    local dir=$1 control n=0 share status
    shift
    control=$(mktemp -d /tmp/guest32.XXXXXX)
    # shellcheck disable=SC2064
    trap "rm -rf '$control'" EXIT
    : >"$control/shares"
    local cwd=/
    while [ "${1:-}" = --share ]; do
        [ $# -ge 2 ] || die "--share needs a directory"
        share=$(realpath -e "$2") || die "no such directory: $2"
        echo "work$n $share" >>"$control/shares"
        # The guest cannot make the mount point in its read-only root.
        mkdir -p "$dir/root$share"
        case $PWD/ in "$share"/*) cwd=$PWD ;; esac
        n=$((n + 1))
        shift 2
    done
    [ $# -gt 0 ] || die "no command given"
    make_initramfs "$dir" "$control/initrd.img"
    { printf 'cd %q || exit 1\n' "$cwd"; printf 'exec'; printf ' %q' "$@"; printf '\n'; } >"$control/command"
    boot "$dir" "$control" || exit 1
    status=$(cat "$control/status")
    rm -rf "$control"
    trap - EXIT
    return "$status"
}

# The kernel's modules that the initramfs loads, in order, into DIR/modules.
keep_modules() {
    local dir=$1 version=$2 module path
    mkdir -p "$dir/modules"
    for module in $guest_modules; do
        path=$(find "$dir/kernel/lib/modules/$version" -name "$module.ko*" | head -n1)
        [ -n "$path" ] || die "the kernel has no module $module"
        case $path in
        *.xz) xz -dc "$path" >"$dir/modules/$module.ko" ;;
        *) cp "$path" "$dir/modules/$module.ko" ;;
        esac
        echo "$module" >>"$dir/modules/order"
    done
}

# Writes the initramfs for the guest in DIR to FILE. It is made for each
# boot, in well under a second, so that its scripts can change without a new
# guest.
make_initramfs() {
    local dir=$1 file=$2 staging
    staging=$(mktemp -d /tmp/guest32-initramfs.XXXXXX)
    mkdir -p "$staging/bin" "$staging/proc" "$staging/sys" "$staging/dev"
    cp /bin/busybox "$staging/bin/busybox"
    cp -r "$dir/modules" "$staging/modules"
    initramfs_init >"$staging/init"
    guest_run >"$staging/guest-run"
    chmod +x "$staging/init"
    (cd "$staging" && find . | cpio -o -H newc --quiet) | gzip -1 >"$file"
    rm -rf "$staging"
}

# A 32-bit wine prefix, made once in the guest: wineboot there takes a minute.
# Most of its 600 MB are copies of wine's own DLLs; they become links to them,
# here, where comparing them is fast.
make_seed_prefix() {
    local dir=$1 out=$1/seed dlls=/usr/lib/i386-linux-gnu/wine/i386-windows file
    mkdir -p "$out/prefix"
    run_in "$dir" --share "$out" sh -c "
        export WINEARCH=win32 WINEPREFIX=/tmp/prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
        timeout 600 wineboot --init && timeout 60 wineserver --wait &&
        tar -C /tmp/prefix -cf $out/prefix.tar ." || die "making the wine prefix in the guest failed"
    tar -xf "$out/prefix.tar" -C "$out/prefix"
    for file in "$out/prefix/drive_c/windows/system32"/*; do
        if cmp -s "$file" "$dir/root$dlls/${file##*/}"; then
            ln -sf "$dlls/${file##*/}" "$file"
        fi
    done
    mkdir -p "$dir/root$(dirname $seed_prefix)"
    tar -C "$out/prefix" -cf "$dir/root$seed_prefix" .
    rm -rf "$out"
}

build_guest() {
    local dir=$1 mirror root version log=$1/build.log
    mirror=$(host_mirror)
    root=$dir/root
    echo "guest32: building the guest in $dir (about 8 minutes; log in $log)"
    echo "guest32: debootstrap $suite from $mirror"
    timeout 1200 debootstrap --variant=minbase "$suite" "$root" "$mirror" >>"$log" 2>&1 ||
        die "debootstrap failed (is $mirror reachable? is there space?); the end of $log: $(tail -n 5 "$log")"
    echo "deb $mirror $suite main" >"$root/etc/apt/sources.list"
    printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
    chmod +x "$root/usr/sbin/policy-rc.d"
    echo "guest32: installing $guest_packages" | tr -s ' \n' ' '
    echo
    mount -t proc proc "$root/proc"
    local status=0
    {
        chroot "$root" dpkg --add-architecture i386 &&
            timeout 600 chroot "$root" apt-get update -q &&
            DEBIAN_FRONTEND=noninteractive timeout 1200 chroot "$root" \
                apt-get install -y -q --no-install-recommends $guest_packages &&
            version=$(chroot "$root" apt-cache depends linux-image-amd64 | sed -n 's/.*Depends: linux-image-\(.*\)/\1/p' | head -n1) &&
            [ -n "$version" ] &&
            (cd "$root/tmp" && timeout 600 chroot "$root" sh -c "cd /tmp && apt-get download -q linux-image-$version") &&
            chroot "$root" apt-get clean
    } >>"$log" 2>&1 || status=$?
    umount "$root/proc"
    [ "$status" = 0 ] || die "installing the guest's packages failed (network? space?); the end of $log: $(tail -n 5 "$log")"
    rm -rf "$root"/var/lib/apt/lists/*
    echo "guest32: kernel $version"
    dpkg -x "$root"/tmp/linux-image-"$version"_*.deb "$dir/kernel"
    rm -f "$root"/tmp/linux-image-*.deb
    cp "$dir/kernel/boot/vmlinuz-$version" "$dir/vmlinuz"
    keep_modules "$dir" "$version"
    rm -rf "$dir/kernel"
    echo "guest32: making the 32-bit wine prefix in the guest"
    make_seed_prefix "$dir"
}

# Prints the directory of the prepared guest, building it when missing.
prepare() {
    local key dir
    key=$(guest_key)
    dir=$cache/guest-$key
    [ -f "$dir/ready" ] && { echo "$dir"; return; }
    command -v qemu-system-x86_64 >/dev/null && command -v debootstrap >/dev/null ||
        die "qemu-system-x86 and debootstrap are missing: run tools/setup-debian.sh"
    mkdir -p "$cache"
    exec 9>"$cache/lock"
    timeout 1800 flock 9 || die "another prepare held $cache/lock for 30 minutes"
    if [ ! -f "$dir/ready" ]; then
        local free
        free=$(df -Pk "$cache" | awk 'NR == 2 { print $4 }')
        [ "$free" -ge $((4 * 1024 * 1024)) ] || die "the guest needs 4 GB free in $cache; there are $((free / 1024)) MB"
        # What an interrupted build left.
        umount "$dir/root/proc" 2>/dev/null || true
        rm -rf --one-file-system "$dir"
        mkdir -p "$dir"
        build_guest "$dir" >&2
        touch "$dir/ready"
    fi
    exec 9>&-
    echo "$dir"
}

case ${1:-} in
prepare)
    dir=$(prepare)
    echo "guest32: the guest is ready in $dir"
    ;;
run)
    shift
    dir=$(prepare)
    status=0
    run_in "$dir" "$@" || status=$?
    exit $status
    ;;
*)
    echo "usage: $0 prepare | run [--share DIR]... CMD [ARG]..." >&2
    exit 2
    ;;
esac

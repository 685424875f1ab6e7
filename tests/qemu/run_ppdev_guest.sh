#!/usr/bin/env bash
# The real test of the ppdev backend: boots Debian's own kernel in QEMU (no KVM needed) with two
# emulated ISA parallel ports, at 0x378 and at 0xd010 where cards put theirs, loads parport,
# parport_pc and ppdev, and runs a static test program built from the backend's sources (and the
# wiring test's) against /dev/parport0 and the second port. Judged by a marker line that the
# guest prints with the program's exit code; QEMU itself exits 0 on any power-off.
#
# Needs root on Debian 12 (apt-get) and access to Debian's package archive. Nothing is installed
# on the host except QEMU and a compiler when they are missing; the kernel and busybox packages
# are only downloaded and unpacked, and kept in the work directory for the next run.
#
#   tests/qemu/run_ppdev_guest.sh [WORKDIR]      (default: build-qemu in the source tree)
#   TP_QEMU_TIMEOUT=SECONDS                        limit for the guest run (default 180)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
WORK=${1:-$ROOT/build-qemu}
CACHE=$WORK/cache
GUEST_TIMEOUT=${TP_QEMU_TIMEOUT:-180}
MARKER=PPDEV-GUEST-RESULT

say() { echo "run_ppdev_guest: $*" >&2; }
fail() { echo "ppdev guest test: FAIL ($*)"; exit 1; }

mkdir -p "$CACHE"
WORK=$(cd "$WORK" && pwd)
CACHE=$WORK/cache

# --- host tools -----------------------------------------------------------------------------
missing=()
command -v qemu-system-x86_64 >/dev/null || missing+=(qemu-system-x86)
command -v g++ >/dev/null || missing+=(g++)
[ -e /usr/include/linux/ppdev.h ] || missing+=(linux-libc-dev)
[ -e /usr/lib/x86_64-linux-gnu/libc.a ] || missing+=(libc6-dev)
command -v xz >/dev/null || missing+=(xz-utils)
command -v zstd >/dev/null || missing+=(zstd)
if [ ${#missing[@]} -gt 0 ]; then
    say "installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq || fail "apt-get update"
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null ||
        fail "apt-get install ${missing[*]}"
fi

# --- kernel and busybox packages (downloaded once, kept in the cache) -----------------------
# The kernel package that the meta-package currently points to (read whole: no early exit
# that could break the pipe under pipefail).
kernel_of_meta() {
    apt-cache depends linux-image-amd64 2>/dev/null |
        awk '/Depends: linux-image-[0-9]/ && !found {print $2; found = 1}' || true
}
kernel_pkg=$(kernel_of_meta)
if [ -z "$kernel_pkg" ]; then
    apt-get update -qq || fail "apt-get update"
    kernel_pkg=$(kernel_of_meta)
fi
[ -n "$kernel_pkg" ] || fail "no kernel package found for linux-image-amd64"

fetch() { # package -> path of its .deb in the cache
    local pkg=$1 deb
    deb=$(ls "$CACHE/${pkg}"_*.deb 2>/dev/null | head -n1 || true)
    if [ -z "$deb" ]; then
        say "downloading $pkg"
        (cd "$CACHE" && apt-get download -qq "$pkg" 2>/dev/null) ||
            { apt-get update -qq && (cd "$CACHE" && apt-get download -qq "$pkg"); } ||
            fail "apt-get download $pkg"
        deb=$(ls "$CACHE/${pkg}"_*.deb | head -n1)
    fi
    echo "$deb"
}
kernel_deb=$(fetch "$kernel_pkg")
busybox_deb=$(fetch busybox-static)

unpack() { # deb dir
    if [ ! -e "$2/.unpacked-$(basename "$1")" ]; then
        rm -rf "$2" && mkdir -p "$2"
        dpkg-deb -x "$1" "$2" || fail "dpkg-deb -x $1"
        touch "$2/.unpacked-$(basename "$1")"
    fi
}
unpack "$kernel_deb" "$WORK/kernel"
unpack "$busybox_deb" "$WORK/busybox"

vmlinuz=$(find "$WORK/kernel/boot" -name 'vmlinuz-*' -print -quit)
[ -n "$vmlinuz" ] || fail "no vmlinuz in $kernel_deb"
busybox=$WORK/busybox/bin/busybox
[ -x "$busybox" ] || fail "busybox not found in $busybox_deb"

# --- initramfs ------------------------------------------------------------------------------
INITDIR=$WORK/initramfs
rm -rf "$INITDIR"
mkdir -p "$INITDIR"/{bin,sbin,usr/bin,usr/sbin,lib,proc,sys,dev,tmp}
cp "$busybox" "$INITDIR/bin/busybox"

# Modules may be shipped compressed; busybox insmod does not decompress them all.
for mod in parport parport_pc ppdev; do
    src=$(find "$WORK/kernel/lib/modules" \( -name "$mod.ko" -o -name "$mod.ko.xz" \
          -o -name "$mod.ko.zst" \) -print -quit)
    [ -n "$src" ] || fail "module $mod not in $kernel_deb"
    case "$src" in
        *.xz) xz -dc "$src" >"$INITDIR/lib/$mod.ko" ;;
        *.zst) zstd -qdc "$src" >"$INITDIR/lib/$mod.ko" ;;
        *) cp "$src" "$INITDIR/lib/$mod.ko" ;;
    esac
done

say "building the guest test program"
g++ -std=c++20 -O2 -static -Wall -Wextra \
    -I"$ROOT/porttest/core" -I"$ROOT/porttest/platform" -I"$ROOT/porttest/backends" -I"$ROOT/common" \
    "$ROOT/tests/qemu/ppdev_guest.cpp" \
    "$ROOT/porttest/backends/ppdevport.cpp" "$ROOT/porttest/backends/portdiag.cpp" \
    "$ROOT/porttest/backends/directport.cpp" "$ROOT/porttest/backends/ecpmode.cpp" \
    "$ROOT/porttest/backends/linuxsystem.cpp" \
    "$ROOT/porttest/core/port.cpp" "$ROOT/porttest/core/appdir.cpp" \
    "$ROOT/porttest/core/wiringtest.cpp" "$ROOT/porttest/core/loopbackplug.cpp" \
    "$ROOT/porttest/core/mapsource.cpp" "$ROOT/porttest/core/findfile.cpp" \
    "$ROOT/porttest/core/settingswords.cpp" "$ROOT/porttest/core/errnotext.cpp" \
    "$ROOT/common/gbk.cpp" "$ROOT/common/platform/codepage936_iconv.cpp" \
    "$ROOT/porttest/platform/programfile_posix.cpp" \
    -o "$INITDIR/ppdev_guest" || fail "building the guest test program"

cat >"$INITDIR/init" <<EOF
#!/bin/busybox sh
/bin/busybox --install -s
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
insmod /lib/parport.ko && insmod /lib/parport_pc.ko && insmod /lib/ppdev.ko
i=0
while [ ! -e /dev/parport0 ] && [ \$i -lt 50 ]; do sleep 0.1; i=\$((i + 1)); done
/ppdev_guest
echo "$MARKER rc=\$?"
poweroff -f
EOF
chmod +x "$INITDIR/init"
(cd "$INITDIR" && find . | "$busybox" cpio -o -H newc 2>/dev/null) | gzip -1 >"$WORK/initrd.gz"

# --- boot -----------------------------------------------------------------------------------
say "booting $(basename "$vmlinuz") (at most ${GUEST_TIMEOUT}s)"
LOG=$WORK/guest.log
start=$(date +%s)
set +e
timeout --kill-after=10 "$GUEST_TIMEOUT" \
    qemu-system-x86_64 -M pc -accel tcg -m 256 -nographic -no-reboot -net none \
    -kernel "$vmlinuz" -initrd "$WORK/initrd.gz" \
    -append "console=ttyS0 panic=-1 loglevel=3" \
    -chardev null,id=lpt -device isa-parallel,chardev=lpt,iobase=0x378 \
    -chardev null,id=lpt2 -device isa-parallel,chardev=lpt2,iobase=0xd010,irq=5 \
    </dev/null >"$LOG" 2>&1
qemu_rc=$?
set -e
tr -d '\r' <"$LOG" | grep -E '^(ok  |FAIL|     |[0-9]+ failed)' || true
say "guest ran $(( $(date +%s) - start ))s, qemu exit code $qemu_rc"

if tr -d '\r' <"$LOG" | grep -q "^$MARKER rc=0\$"; then
    echo "ppdev guest test: PASS"
    exit 0
fi
if [ "$qemu_rc" -eq 124 ] || [ "$qemu_rc" -eq 137 ]; then
    tail -n 20 "$LOG"
    fail "the guest did not finish within ${GUEST_TIMEOUT}s"
fi
tail -n 40 "$LOG"
fail "see $LOG"

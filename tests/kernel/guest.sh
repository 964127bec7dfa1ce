#!/usr/bin/env bash
# Boots a stock Debian kernel under QEMU with one emulated optical drive and runs a command script
# inside the guest, so the SG_IO transport meets the real sr/sg drivers and a drive model written by
# others. Prints the guest's console; exits non-zero when the guest did not finish in time.
#
#   guest.sh --attach virtio-scsi|ide|ahci --medium ISO --script GUEST_SCRIPT --cli VELMAROND_CLI
#            [--file PATH]... [--timeout SECONDS]
#
# GUEST_SCRIPT runs under busybox sh with velmarond-cli on the PATH and every --file under /data.
set -euo pipefail

attach="" medium="" script="" cli="" timeout_s=100
files=()
while (($#)); do
  case "$1" in
    --attach) attach=$2; shift 2 ;;
    --medium) medium=$2; shift 2 ;;
    --script) script=$2; shift 2 ;;
    --cli) cli=$2; shift 2 ;;
    --file) files+=("$2"); shift 2 ;;
    --timeout) timeout_s=$2; shift 2 ;;
    *) echo "guest.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
[[ -n "$attach" && -f "$medium" && -f "$script" && -x "$cli" ]] || {
  echo "guest.sh: --attach, --medium, --script and --cli are required" >&2; exit 2; }

kernel=$(ls -1 /boot/vmlinuz-* 2>/dev/null | sort -V | tail -n 1)
[[ -n "$kernel" ]] || { echo "guest.sh: no kernel in /boot (install linux-image-amd64)" >&2; exit 2; }
kver=${kernel#/boot/vmlinuz-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
mkdir -p "$root"/{bin,dev,proc,sys,tmp,data,modules}

cp /bin/busybox "$root/bin/busybox"

# Modules in load order: each module after the modules it depends on.
declare -A loaded=()
order=()
add_module() {
  local name=$1 dep
  [[ -n "${loaded[$name]:-}" ]] && return
  loaded[$name]=1
  for dep in $(modinfo -k "$kver" -F depends "$name" | tr ',' ' '); do add_module "$dep"; done
  local file
  file=$(modinfo -k "$kver" -F filename "$name")
  case "$file" in
    *.ko) cp "$file" "$root/modules/$name.ko" ;;
    *.ko.xz) xz -dc "$file" >"$root/modules/$name.ko" ;;
    *.ko.zst) zstd -qdc "$file" >"$root/modules/$name.ko" ;;
    *) return ;;  # built into the kernel
  esac
  order+=("$name")
}
for module in sr_mod sg virtio_pci virtio_scsi ata_piix ahci ata_generic; do add_module "$module"; done
printf '%s\n' "${order[@]}" >"$root/modules/order"

# velmarond-cli with the shared libraries it needs, at the same paths.
cp "$cli" "$root/bin/velmarond-cli"
for lib in $(ldd "$cli" | grep -o '/[^ ]*'); do
  mkdir -p "$root$(dirname "$lib")"
  cp -L "$lib" "$root$lib"
done
for file in "${files[@]}"; do cp -r "$file" "$root/data/"; done
cp "$script" "$root/guest-script"

cat >"$root/init" <<'INIT'
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
for m in $(cat /modules/order); do insmod /modules/$m.ko 2>/dev/null; done
n=0
while [ ! -e /dev/sr0 ] && [ $n -lt 200 ]; do sleep 0.1; n=$((n + 1)); done
echo "=== guest ready (sr0 after $((n / 10)) s)"
cd /data
sh /guest-script 2>&1
echo "=== guest done rc=$?"
poweroff -f
INIT
chmod +x "$root/init"
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initrd.gz"

drive=(-drive "if=none,id=cd0,file=$medium,media=cdrom,format=raw,readonly=on")
case "$attach" in
  virtio-scsi) machine=(-machine pc -device virtio-scsi-pci,id=scsi0 "${drive[@]}" -device scsi-cd,drive=cd0,bus=scsi0.0) ;;
  ide) machine=(-machine pc "${drive[@]}" -device ide-cd,drive=cd0,bus=ide.1) ;;
  ahci) machine=(-machine q35 "${drive[@]}" -device ide-cd,drive=cd0,bus=ide.0) ;;
  *) echo "guest.sh: unknown attachment $attach" >&2; exit 2 ;;
esac

timeout --foreground "$timeout_s" qemu-system-x86_64 -accel tcg -m 512 -nographic -no-reboot -nic none \
  -kernel "$kernel" -initrd "$work/initrd.gz" -append "console=ttyS0 quiet loglevel=3 panic=-1" \
  "${machine[@]}" </dev/null | tr -d '\r'

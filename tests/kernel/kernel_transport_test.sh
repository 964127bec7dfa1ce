#!/usr/bin/env bash
# The SG_IO transport against the real Linux sr/sg drivers: for each way QEMU attaches an optical
# drive, boot a guest with an image our own engine built (CD-sized, then padded to DVD size) and check
# what velmarond-cli sees there: enumeration, identification, raw commands, a refused command's sense
# text, READ DVD STRUCTURE on the DVD, and every file read back with READ (10).
#
#   kernel_transport_test.sh VELMAROND_CLI [ATTACHMENT...]
set -euo pipefail
cli=$(realpath "$1"); shift
attachments=("$@")
((${#attachments[@]})) || attachments=(virtio-scsi ide ahci)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL [$1]: $2"; failures=$((failures + 1)); }
expect() {  # expect LABEL CONSOLE PATTERN WHAT
  grep -qE -- "$3" "$2" || fail "$1" "$4 (pattern: $3)"
}

# Sources with ISO-valid names, so the names on the disc are the source names.
mkdir -p "$work/src"
printf 'Velmarond kernel-path test\n' >"$work/src/README.TXT"
head -c 300001 /dev/urandom >"$work/src/ODD.BIN"
head -c 1048576 /dev/urandom >"$work/src/MIB.BIN"
"$cli" iso -o "$work/cd.iso" --volume KERNELTEST "$work/src/README.TXT" "$work/src/ODD.BIN" "$work/src/MIB.BIN" >/dev/null
cp --sparse=always "$work/cd.iso" "$work/dvd.iso"
truncate -s 1G "$work/dvd.iso"  # past the largest CD, so the drive reports a DVD
cd_sectors=$(( $(stat -c %s "$work/cd.iso") / 2048 ))

# Each file's extent as the primary directory records it: "LBA SIZE NAME".
isoinfo -l -i "$work/cd.iso" | sed -nE 's/^-[^ ]* +[0-9]+ +[0-9]+ +[0-9]+ +([0-9]+) .*\[ *([0-9]+) +[0-9]+\] +([^; ]+)(;1)? *$/\2 \1 \3/p' \
  >"$work/extents"
[[ $(wc -l <"$work/extents") -eq 3 ]] || { echo "FAIL: isoinfo did not list the three files"; cat "$work/extents"; exit 1; }

cat >"$work/cd-script" <<SCRIPT
echo "--- drives"; velmarond-cli drives
echo "--- info"; velmarond-cli info --drive D
echo "--- inquiry"; velmarond-cli scsi --drive D 12 00 00 00 24 00 --in 36
echo "--- read16"; velmarond-cli scsi --drive D 28 00 00 00 00 10 00 00 01 00 --in 2048 | head -n 6
echo "--- trackinfo"; velmarond-cli scsi --drive D 52 01 00 00 00 01 00 00 28 00 --in 40
echo "--- readback"
while read lba size name; do
  blocks=\$(( (size + 2047) / 2048 )); at=0; : > /tmp/file
  while [ \$at -lt \$blocks ]; do
    n=\$(( blocks - at )); [ \$n -gt 32 ] && n=32
    cdb=\$(printf '28 00 %02X %02X %02X %02X 00 00 %02X 00' \$(( (lba + at) >> 24 & 255 )) \$(( (lba + at) >> 16 & 255 )) \
      \$(( (lba + at) >> 8 & 255 )) \$(( (lba + at) & 255 )) \$n)
    velmarond-cli scsi --drive D \$cdb --in \$(( n * 2048 )) --save /tmp/chunk >/dev/null || echo "READ FAILED \$name at \$at"
    cat /tmp/chunk >> /tmp/file; at=\$(( at + n ))
  done
  echo "FILE \$name \$(head -c \$size /tmp/file | md5sum | cut -d' ' -f1)"
done < /data/extents
SCRIPT

cat >"$work/dvd-script" <<'SCRIPT'
echo "--- info"; velmarond-cli info --drive D
echo "--- dvdstructure"; velmarond-cli scsi --drive D AD 00 00 00 00 00 00 00 10 00 00 00 --in 4096 | head -n 5
SCRIPT

for attach in "${attachments[@]}"; do
  console=$work/console-$attach-cd
  "$here/guest.sh" --attach "$attach" --medium "$work/cd.iso" --script "$work/cd-script" --cli "$cli" \
    --file "$work/extents" --timeout 90 >"$console" || fail "$attach" "the CD guest did not finish"
  label="$attach/cd"
  expect "$label" "$console" '^=== guest done' "guest finished"
  expect "$label" "$console" '^D: +[0-9]+:[0-9]+:[0-9]+,D: ' "drive D listed with its address and device line"
  expect "$label" "$console" 'node: /dev/sr0' "drive D is /dev/sr0"
  expect "$label" "$console" 'writes: +no' "a read-only drive"
  expect "$label" "$console" '^media type: +[0-9]+ \(CD[ -]?ROM\)' "CD-ROM medium"
  expect "$label" "$console" '^disc status: +complete$' "a complete disc"
  expect "$label" "$console" '^sessions: +1$' "one session"
  expect "$label" "$console" '^writable: +no' "not writable"
  expect "$label" "$console" "^ISO volume: +$cd_sectors sectors" "ISO volume size $cd_sectors"
  expect "$label" "$console" '^000000  01 43 44 30 30 31 01' "sector 16 holds the primary volume descriptor"
  expect "$label" "$console" 'ILLEGAL REQUEST \(INVALID COMMAND OPERATION CODE\)' "READ TRACK INFORMATION refused with its sense text"
  while read -r _ _ name; do
    sum=$(md5sum <"$work/src/$name" | cut -d' ' -f1)
    expect "$label" "$console" "^FILE $name $sum\$" "$name read back equal to its source"
  done <"$work/extents"
  grep -q 'READ FAILED' "$console" && fail "$label" "a READ (10) of a file failed"

  console=$work/console-$attach-dvd
  "$here/guest.sh" --attach "$attach" --medium "$work/dvd.iso" --script "$work/dvd-script" --cli "$cli" \
    --timeout 90 >"$console" || fail "$attach" "the DVD guest did not finish"
  label="$attach/dvd"
  expect "$label" "$console" '^media type: +[0-9]+ \(DVD[ -]?ROM\)' "DVD-ROM medium"
  expect "$label" "$console" '^disc status: +complete$' "a complete disc"
  expect "$label" "$console" '^sessions: +1$' "one session"
  # The physical format reply is 2052 bytes (its length field says 0802h + 2) of the 4096 asked.
  # Whatever residual the kernel reports must come off the count; a path that cannot count
  # reports 0 and the length field alone tells the reply's size.
  expect "$label" "$console" '^000000  08 02 ' "READ DVD STRUCTURE reply of 2052 bytes by its length field"
  if [[ $(grep -aE '^data: ' "$console") =~ ^data:\ +([0-9]+)\ bytes\ \(asked\ 4096,\ residual\ ([0-9]+)\) ]]; then
    received=${BASH_REMATCH[1]} residual=${BASH_REMATCH[2]}
    echo "$attach: READ DVD STRUCTURE of 4096 bytes: $received received, residual $residual reported by the kernel"
    ((residual == 0 || received == 2052)) || fail "$label" "a residual of $residual was reported but $received bytes were kept"
  else
    fail "$label" "READ DVD STRUCTURE answered with no data line"
  fi
  if ((failures)); then
    echo "=== console of $attach (last run)"; cat "$console"
  fi
done

if ((failures)); then
  for c in "$work"/console-*; do echo "=== $c"; sed -n '/guest ready/,$p' "$c"; done
  echo "$failures check(s) failed"; exit 1
fi
echo "all checks passed for: ${attachments[*]}"

#!/usr/bin/env bash
# One scenario of a Linux burning program driving a drive through the preload bridge.
# usage: scenario.sh NAME   (environment: VELMAROND_CLI, BRIDGE_LIBRARY, SCRIPTED_BRIDGE_LIBRARY)
# CMakeLists.txt registers a scenario once it has passed against the virtual recorder; the others
# here are written out and wait for the recorder and the vrec verbs they use.
set -euo pipefail

scenario=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/vrec-bridge.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
export VELMAROND_BRIDGE_TRACE=$work/trace
dev=/dev/sr9

fail() { echo "FAIL: $*" >&2; [[ -f $work/trace ]] && tail -30 "$work/trace" >&2; exit 1; }

# Runs a program with the recorder folder rec standing at $dev.
bridged() { VELMAROND_BRIDGE_LIBRARY=$BRIDGE_LIBRARY "$VELMAROND_CLI" vrec-bridge rec --device "$dev" -- "$@"; }

# A small ISO image of a few files, one of them large enough to span many sectors.
make_tree() {
  mkdir -p tree/sub
  echo "first file" > tree/a.txt
  head -c 700000 /dev/urandom > tree/sub/random.bin
  seq 1 20000 > tree/sub/numbers.txt
}
make_iso() { make_tree; genisoimage -quiet -R -J -V BRIDGE -o image.iso tree; }

new_recorder() { "$VELMAROND_CLI" vrec create rec >/dev/null && "$VELMAROND_CLI" vrec insert rec "$1" >/dev/null; }

# The exported medium starts with the image; a recorder may pad the last track.
check_export_matches() {
  "$VELMAROND_CLI" vrec export rec --iso exported.iso >/dev/null || fail "export failed"
  cmp -n "$(stat -c %s "$1")" "$1" exported.iso || fail "exported medium differs from $1"
}

# Reads the image back through the bridge with a second program and compares the file tree.
check_tree_via_xorriso() {
  rm -rf back
  bridged osirrox -indev "$dev" -extract / back >/dev/null 2>osirrox.log || { cat osirrox.log >&2; fail "osirrox"; }
  diff -r tree back || fail "tree read back through the bridge differs"
}

case $scenario in
  interpose_scripted)
    # The interposition layer alone: a drive without medium must be found and identified, while
    # other device paths stay untouched.
    export VELMAROND_BRIDGE=$dev=$work LD_PRELOAD=$SCRIPTED_BRIDGE_LIBRARY
    [[ $(stat -c %F:%t:%T $dev) == "block special file:b:9" ]] || fail "stat of $dev is not sr 11:9"
    if stat /dev/sr8 >/dev/null 2>&1 && [[ ! -e /dev/sr8 ]]; then fail "unbridged path answered"; fi
    cdrskin dev=$dev -checkdrive > cdrskin.out 2>&1 || true
    grep -q "Identifikation : 'SCRIPTED DRIVE'" cdrskin.out || { cat cdrskin.out; fail "cdrskin did not identify"; }
    xorriso -outdev $dev -toc > xorriso.out 2>&1 || true
    grep -q "Media status : is not present" xorriso.out || { cat xorriso.out; fail "xorriso saw a medium"; }
    grep -q "SG_IO 12 " trace || fail "no INQUIRY passed through SG_IO"
    ;;
  cdrskin_tao_cdr | cdrskin_sao_cdr)
    make_iso; new_recorder cd-r
    mode=-tao; [[ $scenario == cdrskin_sao_cdr ]] && mode=-sao
    bridged cdrskin -v dev=$dev $mode image.iso || fail "cdrskin burn"
    check_export_matches image.iso
    check_tree_via_xorriso
    ;;
  cdrskin_dvdplusr | cdrskin_dvdminusr | cdrskin_bdr | cdrskin_bdre)
    make_iso
    case $scenario in
      cdrskin_dvdplusr) new_recorder dvd+r ;;
      cdrskin_dvdminusr) new_recorder dvd-r ;;
      cdrskin_bdr) new_recorder bd-r ;;
      cdrskin_bdre) new_recorder bd-re ;;
    esac
    bridged cdrskin -v dev=$dev image.iso || fail "cdrskin burn"
    check_export_matches image.iso
    check_tree_via_xorriso
    ;;
  cdrskin_blank_cdrw)
    make_iso; new_recorder cd-rw
    bridged cdrskin -v dev=$dev -tao image.iso || fail "cdrskin burn"
    bridged cdrskin -v dev=$dev blank=fast || fail "cdrskin blank"
    bridged cdrskin dev=$dev -minfo > minfo.out 2>&1 || true
    grep -q "disk status: *empty\|Disk status.*blank\|is blank" minfo.out || { cat minfo.out; fail "not blank after blank=fast"; }
    bridged cdrskin -v dev=$dev -tao image.iso || fail "cdrskin burn after blanking"
    check_export_matches image.iso
    ;;
  cdrskin_multi_cdr)
    make_tree; new_recorder cd-r
    genisoimage -quiet -R -J -o first.iso tree
    bridged cdrskin -v dev=$dev -multi -tao first.iso || fail "first session"
    msinfo=$(bridged cdrskin dev=$dev -msinfo 2>/dev/null) || fail "msinfo"
    [[ $msinfo =~ ^0,[0-9]+$ ]] || fail "msinfo after one session is \"$msinfo\""
    mkdir -p tree/second && echo "second session" > tree/second/b.txt
    bridged genisoimage -quiet -R -J -C "$msinfo" -M $dev -o second.iso tree || fail "genisoimage -M"
    bridged cdrskin -v dev=$dev -tao second.iso || fail "second session"
    bridged xorriso -indev $dev -toc > toc.out 2>&1 || fail "xorriso -toc"
    [[ $(grep -c "^ISO session" toc.out) == 2 ]] || { cat toc.out; fail "not two sessions"; }
    check_tree_via_xorriso
    ;;
  xorriso_outdev_dvdplusr | xorriso_outdev_bdre)
    make_tree
    [[ $scenario == xorriso_outdev_dvdplusr ]] && new_recorder dvd+r || new_recorder bd-re
    bridged xorriso -outdev $dev -map tree / -commit >xorriso.log 2>&1 || { cat xorriso.log; fail "xorriso burn"; }
    bridged xorriso -indev $dev -toc > toc.out 2>&1 || fail "xorriso -toc"
    grep -q "^ISO session  *: *1 " toc.out || { cat toc.out; fail "no session in the table of contents"; }
    bridged xorriso -indev $dev -find / -type f > find.out 2>&1 || fail "xorriso -find"
    grep -q "'/sub/random.bin'" find.out || { cat find.out; fail "-find misses a file"; }
    bridged xorriso -indev $dev -check_media -- > check.out 2>&1 || fail "xorriso -check_media"
    grep -q "Media region.*+ good" check.out && ! grep -q "unreadable" check.out || { cat check.out; fail "check_media"; }
    check_tree_via_xorriso
    ;;
  wodim_tao_cdr)
    make_iso; new_recorder cd-r
    bridged wodim -v dev=$dev -tao image.iso || fail "wodim burn"
    check_export_matches image.iso
    check_tree_via_xorriso
    ;;
  wodim_msinfo)
    make_iso; new_recorder cd-r
    bridged cdrskin -v dev=$dev -multi -tao image.iso || fail "first session"
    expected=$(bridged cdrskin dev=$dev -msinfo 2>/dev/null)
    got=$(bridged wodim dev=$dev -msinfo 2>/dev/null) || fail "wodim -msinfo"
    [[ -n $got && $got == "$expected" ]] || fail "wodim -msinfo \"$got\", cdrskin \"$expected\""
    ;;
  growisofs_dvdplusrw | growisofs_dvdminusr)
    make_iso
    if [[ $scenario == growisofs_dvdplusrw ]]; then
      new_recorder dvd+rw
      bridged dvd+rw-format -force $dev || fail "dvd+rw-format"
    else
      new_recorder dvd-r
    fi
    bridged growisofs -Z $dev=image.iso || fail "growisofs -Z"
    check_export_matches image.iso
    check_tree_via_xorriso
    ;;
  growisofs_multi_dvdplusr)
    make_tree; new_recorder dvd+r
    mkdir first && cp tree/a.txt first/
    bridged growisofs -Z $dev -R -J first || fail "growisofs -Z"
    bridged growisofs -M $dev -R -J tree || fail "growisofs -M"
    bridged xorriso -indev $dev -toc > toc.out 2>&1 || fail "xorriso -toc"
    [[ $(grep -c "^ISO session" toc.out) == 2 ]] || { cat toc.out; fail "not two sessions"; }
    check_tree_via_xorriso
    ;;
  *) fail "unknown scenario $scenario" ;;
esac
echo "PASS: $scenario"

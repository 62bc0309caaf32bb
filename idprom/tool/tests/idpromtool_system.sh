#!/usr/bin/env bash
# End-to-end cases of idpromtool on the simulated FPGA (and the simulated
# board EEPROM).  Each case re-runs this script inside a private mount
# namespace with a tmpfs on /tmp, so "/tmp/pem_dump" and the simulated state
# never touch the machine's own /tmp.
#
# usage: idpromtool_system.sh CASE
# env:   IDPROMTOOL, IOFPGA_SIM, IDPROM_TESTS (this folder), I2C_SIM_PRELOAD,
#        IDPROMTOOL_TREES (colon-separated: the build tree and any other
#        folder the programs need), IDPROMTOOL_SCRATCH (an empty folder of
#        the build tree, outside the paths above, for mounting)
set -euo pipefail

case_name=$1
if [ "${IDPROMTOOL_INSIDE:-}" != 1 ]; then
    exec unshare -m --propagation private -- env IDPROMTOOL_INSIDE=1 bash "$0" "$case_name"
fi

# A fresh /tmp.  The folders the test needs that lie below the machine's
# /tmp (a clone or build tree there) are bound into it at the same place
# before it covers /tmp, so they stay reachable.
private_tmp() {
    local scratch=${IDPROMTOOL_SCRATCH:-$(dirname "$IDPROMTOOL")/system-tmp}
    local trees path lib kept done_path skip
    IFS=: read -r -a trees <<<"${IDPROMTOOL_TREES:-}"
    trees+=("$IDPROM_TESTS" "$(dirname "$IDPROMTOOL")" "$(dirname "$IOFPGA_SIM")")
    [ -z "${I2C_SIM_PRELOAD:-}" ] || trees+=("$(dirname "$I2C_SIM_PRELOAD")")
    # and the folders of the build's shared libraries they load.
    for path in "$IDPROMTOOL" "$IOFPGA_SIM" ${I2C_SIM_PRELOAD:+"$I2C_SIM_PRELOAD"}; do
        while IFS= read -r lib; do
            trees+=("$(dirname "$lib")")
        done < <(ldd "$path" 2>/dev/null | awk '$2 == "=>" && $3 ~ "^/tmp/" { print $3 }')
    done
    mkdir -p "$scratch"
    mount -t tmpfs tmpfs "$scratch"
    kept=()
    # Shortest first, so that a folder inside one already bound is skipped.
    while IFS= read -r path; do
        [ -n "$path" ] || continue
        case $path in /tmp/?*) ;; *) continue ;; esac
        skip=0
        for done_path in "${kept[@]}"; do
            case $path/ in "$done_path"/*) skip=1 ;; esac
        done
        [ "$skip" -eq 0 ] || continue
        mkdir -p "$scratch/${path#/tmp/}"
        mount --bind "$path" "$scratch/${path#/tmp/}"
        kept+=("$path")
    done < <(for path in "${trees[@]}"; do
                 [ -z "$path" ] || realpath -e -- "$path"
             done | awk '{ print length($0) "\t" $0 }' | sort -n -k1,1 | cut -f2-)
    mount --move "$scratch" /tmp
}
private_tmp

export IOFPGA_SIM_STATE=/tmp/fpga.state
faketime_lib=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1
out=/tmp/out.txt
err=/tmp/err.txt

fail() {
    echo "FAIL ($case_name): $*" >&2
    echo "--- stdout" >&2
    cat "$out" >&2 || true
    echo "--- stderr" >&2
    cat "$err" >&2 || true
    exit 1
}

# tool ARGS...: runs idpromtool with pauses compressed a hundredfold (or
# with the preload of $TOOL_PRELOAD); the exit status lands in $status.
tool() {
    set +e
    LD_PRELOAD="${TOOL_PRELOAD:-$faketime_lib}" FAKETIME="+0 x100" \
        "$IDPROMTOOL" "$@" >"$out.raw" 2>"$err" <"${TOOL_STDIN:-/dev/null}"
    status=$?
    set -e
    # Text fields are shown with their NUL padding; drop it for grep.
    tr -d '\000' <"$out.raw" >"$out"
}

expect_status() { [ "$status" -eq "$1" ] || fail "exit status $status, expected $1"; }
expect_out() { grep -qF -- "$1" "$out" || fail "stdout lacks: $1"; }
expect_err() { grep -qF -- "$1" "$err" || fail "stderr lacks: $1"; }
expect_line() { grep -qxF -- "$1" "$out" || fail "stdout lacks the line: $1"; }
sim() { "$IOFPGA_SIM" "$@" >/dev/null; }
image() { python3 "$IDPROM_TESTS/make_image.py" "$@"; }

# Answers for a whole program-mode walk: empty lines except the given ones.
# answers ROWS [ROW=TEXT ...] then the confirmation line.
answers() {
    local rows=$1 confirm=$2
    shift 2
    python3 - "$rows" "$confirm" "$@" <<'PY'
import sys
rows, confirm = int(sys.argv[1]), sys.argv[2]
lines = [""] * rows
for item in sys.argv[3:]:
    row, text = item.split("=", 1)
    lines[int(row)] = text
sys.stdout.write("\n".join(lines) + "\n" + confirm)
PY
}

expect_no_out() { ! grep -qF -- "$1" "$out" || fail "stdout has: $1"; }
same_file() { cmp -s "$1" "$2" || fail "$1 and $2 differ"; }

# ---- the command line ----
case_help() {
    tool --help
    expect_status 0
    expect_out "Usage: idpromtool COMMAND TARGET [options]"
}

case_usage_errors() {
    tool frobnicate board
    expect_status 2
    expect_err "idpromtool: unknown command: frobnicate"
    tool
    expect_status 2
    expect_err "missing command"
    tool show fan
    expect_status 2
    expect_err "missing or bad number after: fan"
    tool presence board
    expect_status 2
    tool show board --blank
    expect_status 2
    expect_err "unexpected argument: --blank"
}

# ---- presence ----
case_presence_fan() {
    tool presence fan 1
    expect_status 0
    expect_out "fan tray 1 is present"
    sim fan 2 off
    tool presence fan 2
    expect_status 1
    expect_err "ft2 is not present ...."
    tool presence fan 3
    expect_status 1
    expect_err "ft3 instance is wrong. Pls. provide correct instance"
}

case_presence_psu() {
    echo "chassis 0x60010000" >/tmp/pem_dump
    tool presence psu 0
    expect_status 0
    expect_out "PD chassis type: 0x60010000"
    expect_out "power module 0 is present in slot 3"
    sim psu 3 off
    tool presence psu 0
    expect_status 1
    expect_err "pm0 is not present ..."
    tool presence psu 8
    expect_status 1
    expect_err "pm8 instance is wrong. Pls. provide correct instance"
}

case_presence_psu_chassis_file() {
    tool presence psu 1
    expect_status 1
    expect_err "Cannot open /tmp/pem_dump to get chassis type."
    : >/tmp/pem_dump
    tool presence psu 1
    expect_err "Cannot get chassis type from fscanf."
    echo "rack 0x60010000" >/tmp/pem_dump
    tool presence psu 1
    expect_err "Getting chassis type failed."
    printf 'chassis%0150d 0x60010000\n' 0 >/tmp/pem_dump
    tool presence psu 1
    expect_status 1
    expect_err "Cannot get chassis type from fscanf."
}

# ---- show ----
case_show_fan() {
    image fan /tmp/fan.bin
    sim load 1 1 /tmp/fan.bin
    tool show fan 1
    expect_status 0
    expect_line "### Block #2 - Fan Block ###"
    expect_line "PRODUCT_NUMBER : FAN-TRAY-2"
    expect_line "SNMP_OID : 1.3.6.1"
    expect_line "POWER_CONSUMPTION : -5"
    expect_line "RMA_FAILURE_CODE : 1-2-3-4"
    expect_line "AMBIENT_TEMPERATURE : 40"
    expect_line "POWER_CONSUMPTION2 : -12"
    expect_line "SERIAL_NUMBER : FT-SERIAL-9"
    expect_no_out "WARNING: Checksum"
    image fan /tmp/bad.bin --corrupt 200
    sim load 1 1 /tmp/bad.bin
    tool show fan 1
    expect_status 1
    expect_out "## WARNING: Checksum mismatch observed in this block! ##"
    expect_err "checksum mismatch in the fan tray PROM"
}

case_show_psu() {
    echo "chassis 0x60010001" >/tmp/pem_dump
    image psu /tmp/psu.bin
    sim load 2 3 /tmp/psu.bin
    tool show psu 2
    expect_status 0
    expect_line "### Block #2 - Power Supply Block ###"
    expect_line "CURRENT_MODE2 : -2"
    expect_line "MAC_FLOAT_CURRENT_MODE2 : 20"
    expect_no_out "WARNING: Checksum"
}

case_show_absent_fan() {
    sim fan 1 off
    tool show fan 1
    expect_status 1
    expect_err "ft1 is not present ...."
    expect_err "idpromtool: fan tray 1 is not present"
    expect_no_out "Reading SPROM INFO"
}

case_show_unreadable_prom() {
    sim device 1 1 prom off
    tool show fan 1 --force
    expect_status 1
    expect_out "NACK error!"
    expect_out "Failed to read IDPROM board memory!"
    expect_err "show failed, rc 0x2005"
}

# ---- program ----
case_program_fan() {
    sim aux 1 0 0 0xff
    answers 37 y 9=NEWSERIAL 29=-7 31=300 36=S2 >/tmp/answers
    TOOL_STDIN=/tmp/answers tool program fan 0 --blank
    expect_status 0
    expect_out " y - Your change WILL BE PROGRAMMED"
    expect_out "Done programming SPROM."
    expect_no_out "finished with error"
    tool show fan 0
    expect_status 0
    expect_line "SERIAL_NUMBER : NEWSERIAL"
    expect_line "AMBIENT_TEMPERATURE : -7"
    expect_line "POWER_CONSUMPTION2 : 300"
    expect_line "SERIAL_NUMBER : S2"
    expect_no_out "WARNING: Checksum"
    [ "$("$IOFPGA_SIM" aux 1 0 0)" = 0xf7 ] || fail "bit 3 of device 0x20 not cleared"
}

case_program_psu_declined() {
    echo "chassis 0x60010001" >/tmp/pem_dump
    image psu /tmp/psu.bin
    sim load 2 0 /tmp/psu.bin
    answers 37 n >/tmp/answers
    TOOL_STDIN=/tmp/answers tool program psu 1
    expect_status 0
    expect_out " N - programming CANCELLED"
    expect_no_out "Writing to IDPROM"
    sim save 2 0 /tmp/after.bin 202
    same_file /tmp/psu.bin /tmp/after.bin
}

case_program_end_of_input() {
    image fan /tmp/fan.bin
    sim load 1 2 /tmp/fan.bin
    printf 'ABCD\n1\n' >/tmp/answers
    TOOL_STDIN=/tmp/answers tool program fan 2
    expect_status 0
    expect_out "End of input - programming CANCELLED"
    expect_no_out "Writing to IDPROM"
    sim save 1 2 /tmp/after.bin 226
    same_file /tmp/fan.bin /tmp/after.bin
}

# ---- dump ----
case_dump_fan() {
    image fan /tmp/fan.bin
    sim load 1 2 /tmp/fan.bin
    tool dump fan 2 /tmp/dump.bin
    expect_status 0
    expect_out "226 bytes of the fan tray PROM written to /tmp/dump.bin"
    same_file /tmp/fan.bin /tmp/dump.bin
}

case_dump_psu() {
    echo "chassis 0x60010002" >/tmp/pem_dump
    image psu /tmp/psu.bin
    sim load 2 3 /tmp/psu.bin
    tool dump psu 1 /tmp/dump.bin
    expect_status 0
    expect_out "202 bytes of the power module PROM written to /tmp/dump.bin"
    same_file /tmp/psu.bin /tmp/dump.bin
}

# ---- the board ID-PROM, on the simulated I2C bus ----

# A /dev of our own with no real device in it, and the interposer that
# serves /dev/i2c-1 from the EEPROM file (its pauses are only recorded).
board_bus() {
    [ -n "${I2C_SIM_PRELOAD:-}" ] || fail "I2C_SIM_PRELOAD is not set"
    mkdir /tmp/dev
    mount -t tmpfs tmpfs /tmp/dev
    for node in null zero urandom; do
        touch "/tmp/dev/$node"
        mount --bind "/dev/$node" "/tmp/dev/$node"
    done
    mount --move /tmp/dev /dev
    export I2C_SIM_EEPROM=/tmp/eeprom.bin I2C_SIM_LOG=/tmp/i2c.log
    TOOL_PRELOAD=$I2C_SIM_PRELOAD
    if [ -n "${1:-}" ]; then
        image board /tmp/board.bin ${2:+--corrupt $2}
        cp /tmp/board.bin "$I2C_SIM_EEPROM"
    else
        head -c 2048 /dev/zero | tr '\000' '\377' >"$I2C_SIM_EEPROM"
    fi
    truncate -s 2048 "$I2C_SIM_EEPROM"
}

case_board_show() {
    board_bus with-image
    tool show board
    expect_status 0
    expect_line "### Block #2 - LC Block ###"
    expect_line "PRODUCT_NUMBER : LC-48X"
    expect_line "MAC_BASE : 00 11 22 33 44 55"
    expect_line "PORT_INFO : 1-2;3-4"
    expect_line "TEMP_SENSOR_0 : -5/40"
    expect_line "AMBIENT_TEMPERATURE : 35"
    expect_no_out "WARNING: Checksum"
    board_bus_corrupt
}

# The same bus with one byte of OEM_STRING flipped.
board_bus_corrupt() {
    image board /tmp/bad.bin --corrupt 20
    dd if=/tmp/bad.bin of="$I2C_SIM_EEPROM" conv=notrunc status=none
    tool show board
    expect_status 1
    grep -A1 -xF "VID : V01" "$out" | tail -n1 |
        grep -qxF "## WARNING: Checksum mismatch observed in this block! ##" ||
        fail "no mismatch warning right after VID"
    expect_err "checksum mismatch in the board PROM"
}

# --length stops at the ID-PROM's 2048 bytes: offsets above them would bind
# the devices from 0x58 up, which are not the PROM.
case_board_length_bounds() {
    board_bus with-image
    tool show board --length 8192
    expect_status 2
    expect_err "idpromtool: length beyond the 2048-byte ID-PROM: 8192"
    tool show board --length 2049
    expect_status 2
    [ ! -s /tmp/i2c.log ] || fail "the bus was touched for a refused length"
    tool show board --length 2048
    expect_status 0
    expect_line "PRODUCT_NUMBER : LC-48X"
    [ "$(grep -c '^smbus-read' /tmp/i2c.log)" -eq 2048 ] || fail "not 2048 byte reads"
    [ "$(awk '$1 == "bind" { print $3 }' /tmp/i2c.log | sort -u | tr '\n' ' ')" = \
        "0x50 0x51 0x52 0x53 0x54 0x55 0x56 0x57 " ] || fail "a device other than 0x50 to 0x57 was bound"
}

case_board_program() {
    board_bus
    answers 46 y 7=EXAMPLE 21=V02 24=103 >/tmp/answers
    TOOL_STDIN=/tmp/answers tool program board --blank
    expect_status 0
    expect_out " y - Your change WILL BE PROGRAMMED"
    [ "$(grep -c '^smbus-write' /tmp/i2c.log)" -eq 270 ] || fail "not 270 byte writes"
    tool show board
    expect_status 0
    expect_line "OEM_STRING : EXAMPLE"
    expect_line "VID : V02"
    expect_line "BLOCK_LENGTH : 103"
    expect_no_out "WARNING: Checksum"
    [ "$(od -An -tx1 -j270 -N1 "$I2C_SIM_EEPROM" | tr -d ' ')" = ff ] ||
        fail "a byte beyond the image was written"
}

case_board_dump() {
    board_bus with-image
    tool dump board /tmp/dump.bin
    expect_status 0
    expect_out "270 bytes of the board PROM written to /tmp/dump.bin"
    same_file /tmp/board.bin /tmp/dump.bin
}

case_board_unreadable() {
    board_bus with-image
    I2C_SIM_ABSENT=0x50 tool show board
    expect_status 1
    expect_out "Failed to read IDPROM board memory!"
    expect_err "show failed, rc 0x105"
}

sim init
"case_$case_name"
echo "PASS ($case_name)"

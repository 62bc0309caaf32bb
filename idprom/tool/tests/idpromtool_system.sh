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

# tool_tty ARGS...: the same on a pseudo-terminal (standard input, output
# and error), typed from $TOOL_STDIN.  Standard error lands in $out; a ^D
# at the start of a line of the input ends it for the program.
tool_tty() {
    local command
    command=$(printf '%q ' env LD_PRELOAD="${TOOL_PRELOAD:-$faketime_lib}" FAKETIME="+0 x100" \
        "$IDPROMTOOL" "$@")
    set +e
    script -qec "$command" /dev/null <"${TOOL_STDIN:-/dev/null}" >"$out.raw" 2>"$err"
    status=$?
    set -e
    tr -d '\000\r' <"$out.raw" >"$out"
}
eot=$'\004'

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
expect_no_err() { ! grep -qF -- "$1" "$err" || fail "stderr has: $1"; }
expect_err_line() { grep -qxF -- "$1" "$err" || fail "stderr lacks the line: $1"; }
same_file() { cmp -s "$1" "$2" || fail "$1 and $2 differ"; }
# expect_order FIRST SECOND: both on stdout, FIRST on an earlier line.
expect_order() {
    local a b
    a=$(grep -nF -- "$1" "$out" | head -n1 | cut -d: -f1)
    b=$(grep -nF -- "$2" "$out" | tail -n1 | cut -d: -f1)
    if [ -z "$a" ] || [ -z "$b" ] || [ "$a" -ge "$b" ]; then
        fail "'$1' does not come before '$2'"
    fi
}
# Register reads and writes the simulated FPGA has served so far.
fpga_counters() { "$IOFPGA_SIM" status | head -n1; }
bus_writes() { grep -c '^smbus-write' /tmp/i2c.log || true; }
bus_reads() { grep -c '^smbus-read' /tmp/i2c.log || true; }

# ---- the command line ----
case_help() {
    tool --help
    expect_status 0
    expect_out "Usage: idpromtool COMMAND TARGET [options]"
    cp "$out" /tmp/help.txt
    tool program board --set X=1 -h
    expect_status 0
    same_file /tmp/help.txt "$out"
    tool --version
    expect_status 0
    grep -qx 'idpromtool (chassis platform) [0-9][0-9.]*' "$out" || fail "no version line"
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
    # Module numbers past the chassis's are usage errors; --force names a
    # controller channel instead.
    tool show fan 3
    expect_status 2
    expect_err "idpromtool: no such fan tray (0 to 2): 3"
    tool dump psu 10 /tmp/x.bin
    expect_status 2
    expect_err "idpromtool: no such power module (0 to 9): 10"
    tool show fan 12 --force
    expect_status 2
    expect_err "no such controller channel (0 to 11): 12"
    tool program board --set SERIAL_NUMBER
    expect_status 2
    expect_err "--set needs NAME=VALUE, not: SERIAL_NUMBER"
    tool program board --from -
    expect_status 2
    expect_err "add: --yes"
    tool program board --yes
    expect_status 2
    tool restore board
    expect_status 2
    expect_err "missing file for: restore"
    tool show board --json --length 16
    expect_status 2
    [ ! -e /tmp/x.bin ] || fail "a refused dump left a file"
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
    expect_status 2
    expect_err "idpromtool: no such fan tray (0 to 2): 3"
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
    TOOL_STDIN=/tmp/answers tool_tty program fan 0 --blank
    expect_status 0
    expect_out " y - Your change WILL BE PROGRAMMED"
    expect_order "Writing to IDPROM board info memory" "Done programming SPROM."
    expect_order "Done programming SPROM." "Verifying: reading the fan tray 0 PROM back..."
    expect_line "Verified: all 226 bytes read back as written."
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
    TOOL_STDIN=/tmp/answers tool_tty program psu 1
    expect_status 0
    expect_out " N - programming CANCELLED"
    expect_no_out "Writing to IDPROM"
    expect_no_out "Verif"
    sim save 2 0 /tmp/after.bin 202
    same_file /tmp/psu.bin /tmp/after.bin
}

case_program_end_of_input() {
    image fan /tmp/fan.bin
    sim load 1 2 /tmp/fan.bin
    printf 'ABCD\n1\n%s' "$eot" >/tmp/answers
    TOOL_STDIN=/tmp/answers tool_tty program fan 2
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
    # Pseudo-terminals of our own, for the cases that need one.
    mkdir /tmp/dev/pts
    mount -t devpts -o newinstance,ptmxmode=0666 devpts /tmp/dev/pts
    ln -s pts/ptmx /tmp/dev/ptmx
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
    TOOL_STDIN=/tmp/answers tool_tty program board --blank
    expect_status 0
    expect_out " y - Your change WILL BE PROGRAMMED"
    [ "$(bus_writes)" -eq 270 ] || fail "not 270 byte writes"
    # --blank reads nothing before; the read-back reads the whole image.
    [ "$(bus_reads)" -eq 270 ] || fail "not 270 byte reads"
    expect_line "Verified: all 270 bytes read back as written."
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

# ---- programming on a terminal only ----

# Answers piped into the interactive walk would land one field further down
# after a refused one: without a terminal the tool refuses at once.
case_program_needs_terminal() {
    image fan /tmp/fan.bin
    sim load 1 1 /tmp/fan.bin
    before=$(fpga_counters)
    answers 37 y 9=NEWSERIAL >/tmp/answers
    TOOL_STDIN=/tmp/answers tool program fan 1
    expect_status 2
    expect_err "use --set NAME=VALUE or --from FILE (- for standard input)"
    expect_no_out "Reading SPROM INFO"
    [ "$(fpga_counters)" = "$before" ] || fail "the FPGA was touched"
}

# 'Z' writes and skips the read-back; 'y' reads back and finds the byte the
# PROM did not take.
case_program_verify_board() {
    board_bus with-image
    export I2C_SIM_STUCK=0x36
    answers 46 Z 9=TN0001 >/tmp/answers
    printf '\n%s' "$eot" >>/tmp/answers
    TOOL_STDIN=/tmp/answers tool_tty program board
    expect_status 0
    expect_out "Z - Your change is programmed, but VERIFICATION is SKIPPED"
    expect_order "Done programming SPROM." "Verification skipped: the operator answered Z."
    [ "$(bus_reads)" -eq 270 ] || fail "the PROM was read back after Z"
    : >/tmp/i2c.log
    answers 46 y 9=TN0002 >/tmp/answers
    printf '\n%s' "$eot" >>/tmp/answers
    TOOL_STDIN=/tmp/answers tool_tty program board
    expect_status 1
    expect_out "idpromtool: verification failed: 1 of 270 bytes read back differ from what was written"
    expect_line "idpromtool: offset 0x0036 (SERIAL_NUMBER): expected 0x54, read 0x53"
    [ "$(bus_reads)" -eq 540 ] || fail "not one read and one read-back"
}

# ---- batch programming ----

case_batch_board() {
    board_bus with-image
    tool program board --set SERIAL_NUMBER=SN0002 --set VID=V02 --set HW_REV_MAJOR=3 \
        --set 'PORT_INFO=1-2;3-4;5-6' --yes
    expect_status 0
    expect_line "SERIAL_NUMBER: SN0001 -> SN0002"
    expect_line "VID: V01 -> V02"
    expect_line "HW_REV_MAJOR: 1 -> 3"
    expect_line "PORT_INFO: 1-2;3-4 -> 1-2;3-4;5-6"
    grep -qx 'BLOCK_CHECKSUM@1: 0x[0-9a-f]\{4\} -> 0x[0-9a-f]\{4\}' "$out" || fail "no checksum line"
    grep -qx 'BLOCK_CHECKSUM@2: 0x[0-9a-f]\{4\} -> 0x[0-9a-f]\{4\}' "$out" || fail "no checksum line"
    [ "$(grep -c ' -> ' "$out")" -eq 6 ] || fail "not six changed fields"
    expect_order "PORT_INFO: " "Writing 270 bytes to the board PROM..."
    expect_line "Verified: all 270 bytes read back as written."
    # Fields not named keep their bytes; the checksums are right.
    image board /tmp/expected.bin --text 54 20 SN0002 --text 156 4 V02 --bytes 114 0003 \
        --bytes 224 010203040506
    cp /tmp/board.bin /tmp/full.bin
    truncate -s 2048 /tmp/full.bin
    dd if=/tmp/expected.bin of=/tmp/full.bin conv=notrunc status=none
    same_file /tmp/full.bin "$I2C_SIM_EEPROM"
    [ "$(bus_writes)" -eq 270 ] || fail "not 270 byte writes"
    [ "$(bus_reads)" -eq 540 ] || fail "not a read and a read-back"
    # The same values again: nothing to write.
    : >/tmp/i2c.log
    tool program board --set VID=V02 --yes
    expect_status 0
    expect_line "No changes: the board PROM already holds this image; nothing written."
    [ "$(bus_writes)" -eq 0 ] || fail "an unchanged image was written"
}

# One refused line in a --from file: every fault is named, nothing touched.
case_batch_rejected() {
    image fan /tmp/fan.bin
    sim load 1 0 /tmp/fan.bin
    cat >/tmp/values <<'EOF_VALUES'
# fan tray values
PRODUCT_NUMBER = FAN-TRAY-3
COOLING_CAPACITY=70000
SERIAL_NUMBER=FT0002
NO_SUCH_FIELD=1
PRODUCT_NUMBER=AGAIN
BLOCK_CHECKSUM@2=0x1234
TEMP_RANGE
AMBIENT_TEMPERATURE=-7
OEM_STRING=A VERY LONG MAKER NAME
EOF_VALUES
    before=$(fpga_counters)
    tool program fan 0 --from /tmp/values --yes
    expect_status 2
    expect_err_line "idpromtool: /tmp/values:3: COOLING_CAPACITY: invalid value '70000': expected a number from 0 to 65535"
    expect_err_line "idpromtool: /tmp/values:4: SERIAL_NUMBER is in more than one block of the fan tray layout: name it SERIAL_NUMBER@1 or SERIAL_NUMBER@3"
    expect_err_line "idpromtool: /tmp/values:5: no field NO_SUCH_FIELD in the fan tray layout"
    expect_err_line "idpromtool: /tmp/values:6: PRODUCT_NUMBER is set twice (first at /tmp/values:2)"
    expect_err_line "idpromtool: /tmp/values:7: BLOCK_CHECKSUM@2: checksums are computed, not set"
    expect_err_line "idpromtool: /tmp/values:8: expected NAME=VALUE, found 'TEMP_RANGE'"
    expect_err "idpromtool: /tmp/values:10: OEM_STRING: 'A VERY LONG MAKER NAME' does not fit"
    expect_no_err "AMBIENT_TEMPERATURE"
    [ "$(fpga_counters)" = "$before" ] || fail "the FPGA was touched"
    sim save 1 0 /tmp/after.bin 226
    same_file /tmp/fan.bin /tmp/after.bin
}

# Values from standard input, every changed field shown, then read back.
case_batch_fan_stdin() {
    image fan /tmp/fan.bin
    sim load 1 2 /tmp/fan.bin
    printf '%s\n' 'PRODUCT_NUMBER = FAN-TRAY-3' '' '# the second serial number' \
        'SERIAL_NUMBER@3=FT-SERIAL-10' 'AMBIENT_TEMPERATURE=-7' 'SNMP_OID=1.3.6.1.4.1' \
        >/tmp/values
    TOOL_STDIN=/tmp/values tool program fan 2 --from - --yes
    expect_status 0
    expect_line "PRODUCT_NUMBER: FAN-TRAY-2 -> FAN-TRAY-3"
    expect_line "SERIAL_NUMBER@3: FT-SERIAL-9 -> FT-SERIAL-10"
    expect_line "AMBIENT_TEMPERATURE: 40 -> -7"
    expect_line "SNMP_OID: 1.3.6.1 -> 1.3.6.1.4.1"
    [ "$(grep -c '^BLOCK_CHECKSUM@[123]: ' "$out")" -eq 3 ] || fail "not three checksum lines"
    expect_line "Verified: all 226 bytes read back as written."
    tool show fan 2
    expect_status 0
    expect_line "PRODUCT_NUMBER : FAN-TRAY-3"
    expect_line "SERIAL_NUMBER : FT-SERIAL-10"
    expect_line "SERIAL_NUMBER : SN0001"
    expect_no_out "WARNING: Checksum"
}

# Without --yes the tool asks on standard input, a terminal or not.
case_batch_confirm() {
    image fan /tmp/fan.bin
    sim load 1 1 /tmp/fan.bin
    printf 'n\n' >/tmp/answer
    TOOL_STDIN=/tmp/answer tool program fan 1 --set VID=V09
    expect_status 0
    expect_line "VID: V01 -> V09"
    expect_out "Write these changes to the fan tray 1 PROM? (y/N) "
    expect_line "Nothing written."
    sim save 1 1 /tmp/after.bin 226
    same_file /tmp/fan.bin /tmp/after.bin
    tool program fan 1 --set VID=V09
    expect_status 2
    expect_err "no answer (end of input); nothing written: add --yes to write without asking"
    same_file /tmp/fan.bin /tmp/after.bin
    printf 'YES\n' >/tmp/answer
    TOOL_STDIN=/tmp/answer tool program fan 1 --set VID=V09 --no-verify
    expect_status 0
    expect_line "Verification skipped (--no-verify)."
    image fan /tmp/expected.bin --text 156 4 V09
    sim save 1 1 /tmp/after.bin 226
    same_file /tmp/expected.bin /tmp/after.bin
}

# A write the PROM did not take is found by the read-back.
case_batch_verify_mismatch() {
    board_bus with-image
    I2C_SIM_STUCK=0x36 tool program board --set SERIAL_NUMBER=TN0001 --yes
    expect_status 1
    expect_line "Writing 270 bytes to the board PROM..."
    expect_err_line "idpromtool: verification failed: 1 of 270 bytes read back differ from what was written"
    expect_err_line "idpromtool: offset 0x0036 (SERIAL_NUMBER): expected 0x54, read 0x53"
    : >/tmp/i2c.log
    I2C_SIM_STUCK=0x36 tool program board --set SERIAL_NUMBER=TN0002 --yes --no-verify
    expect_status 0
    expect_line "Verification skipped (--no-verify)."
    [ "$(bus_reads)" -eq 270 ] || fail "read back despite --no-verify"
}

# ---- restore ----

case_restore_board() {
    board_bus with-image
    tool dump board /tmp/saved.bin
    expect_status 0
    tool program board --set SERIAL_NUMBER=SN0002 --set CLEI_CODE=CLEI0002 --yes
    expect_status 0
    tool restore board /tmp/saved.bin --yes
    expect_status 0
    expect_line "SERIAL_NUMBER: SN0002 -> SN0001"
    expect_line "CLEI_CODE: CLEI0002 -> CLEI0001"
    expect_line "Verified: all 270 bytes read back as written."
    head -c 270 "$I2C_SIM_EEPROM" >/tmp/now.bin
    same_file /tmp/saved.bin /tmp/now.bin
}

# An image with a wrong checksum or size is refused before the PROM is
# touched; --force writes it anyway.
case_restore_refused() {
    board_bus with-image
    image board /tmp/bad.bin --text 54 20 SN0009 --corrupt 20
    head -c 200 /tmp/board.bin >/tmp/short.bin
    cp "$I2C_SIM_EEPROM" /tmp/before.bin
    tool restore board /tmp/bad.bin --yes
    expect_status 2
    expect_err "idpromtool: /tmp/bad.bin: the checksum of block 1 (Block # 1 - Common Block) is wrong: stored 0x"
    expect_err_line "idpromtool: /tmp/bad.bin is no valid board image; nothing written (--force writes it anyway)"
    tool restore board /tmp/short.bin --yes
    expect_status 2
    expect_err_line "idpromtool: /tmp/short.bin is 200 bytes; the board layout's image is 270 bytes"
    [ ! -s /tmp/i2c.log ] || fail "the bus was touched for a refused image"
    same_file /tmp/before.bin "$I2C_SIM_EEPROM"
    tool restore board /tmp/bad.bin --yes --force
    expect_status 0
    expect_err "idpromtool: warning: /tmp/bad.bin: the checksum of block 1"
    expect_line "SERIAL_NUMBER: SN0001 -> SN0009"
    expect_line "Verified: all 270 bytes read back as written."
    tool show board
    expect_status 1
    expect_err "checksum mismatch in the board PROM"
}

# ---- JSON ----

case_json_fan() {
    image fan /tmp/fan.bin
    sim load 1 1 /tmp/fan.bin
    tool show fan 1 --json
    expect_status 0
    python3 -m json.tool "$out.raw" >/dev/null || fail "not valid JSON"
    python3 - "$out.raw" <<'PY' || fail "unexpected JSON contents"
import json, sys
doc = json.load(open(sys.argv[1]))
assert doc["target"] == "fan 1" and doc["channel"] == 1, doc["target"]
assert doc["layout"] == "sprom_info_Miravel16" and doc["image_size"] == 226
assert doc["checksums_ok"] is True
assert [b["name"] for b in doc["blocks"]] == [
    "Block # 1 - Common Block", "Block #2 - Fan Block", "Block #3 - Serial Number Block"]
assert all(b["stored_checksum"] == b["computed_checksum"] and b["checksum_ok"] for b in doc["blocks"])
fields = {f["qualified_name"]: f for f in doc["fields"]}
pn = fields["PRODUCT_NUMBER"]
assert (pn["offset"], pn["size"], pn["type"], pn["block"]) == (34, 20, "TEXT", 1)
assert pn["raw"] == b"FAN-TRAY-2".ljust(20, b"\0").hex() and pn["value"] == "FAN-TRAY-2"
assert fields["SERIAL_NUMBER@3"]["value"] == "FT-SERIAL-9"
assert fields["SERIAL_NUMBER@3"]["name"] == "SERIAL_NUMBER"
assert fields["SNMP_OID"]["value"] == "1.3.6.1"
assert fields["POWER_CONSUMPTION2"]["value"] == "-12"
assert fields["BLOCK_CHECKSUM@3"]["value"] == "0x%04x" % doc["blocks"][2]["stored_checksum"]
assert fields["PADDING"]["value"] is None and fields["PADDING"]["size"] == 2
PY
}

# A blank PROM: every text is 0xFF bytes, every checksum wrong; the
# document stays valid and carries no raw NUL or 0xFF byte.
case_json_blank_board() {
    board_bus
    tool show board --json
    expect_status 1
    expect_err "checksum mismatch in the board PROM"
    [ "$(head -c 1 "$out.raw")" = "{" ] || fail "stdout does not begin with the document"
    python3 - "$out.raw" <<'PY' || fail "unexpected JSON contents"
import json, sys
raw = open(sys.argv[1], "rb").read()
assert b"\0" not in raw and b"\xff" not in raw
doc = json.loads(raw)
assert doc["checksums_ok"] is False and doc["channel"] is None
assert not any(b["checksum_ok"] for b in doc["blocks"])
fields = {f["qualified_name"]: f for f in doc["fields"]}
assert fields["SERIAL_NUMBER"]["value"] == "\u00ff" * 20
assert fields["SERIAL_NUMBER"]["raw"] == "ff" * 20
PY
    python3 -m json.tool "$out.raw" >/dev/null || fail "not valid JSON"
}

# ---- dump to standard output, and never over a file by surprise ----
case_dump_board_stdout() {
    board_bus with-image
    tool dump board -
    expect_status 0
    same_file /tmp/board.bin "$out.raw"
    echo keep >/tmp/exists.bin
    : >/tmp/i2c.log
    tool dump board /tmp/exists.bin
    expect_status 2
    expect_err_line "idpromtool: /tmp/exists.bin exists; nothing read (--force overwrites it)"
    [ "$(cat /tmp/exists.bin)" = keep ] || fail "the file was overwritten"
    [ ! -s /tmp/i2c.log ] || fail "the bus was touched for a refused dump"
    tool dump board /tmp/exists.bin --force
    expect_status 0
    same_file /tmp/board.bin /tmp/exists.bin
}

# ---- progress ----

# A fan-tray read takes about six seconds (compressed here): progress on a
# terminal's standard error, none on a file.
case_progress_fan() {
    image fan /tmp/fan.bin
    sim load 1 1 /tmp/fan.bin
    tool_tty show fan 1
    expect_status 0
    expect_out "reading the fan tray 1 PROM: 226/226 bytes, done"
    grep -qE 'reading the fan tray 1 PROM: [0-9]+/226 bytes, [0-9]+:[0-9]{2} left' "$out" ||
        fail "no bytes-done and time-left line"
    expect_line "PRODUCT_NUMBER : FAN-TRAY-2"
    tool show fan 1
    expect_status 0
    expect_no_err "bytes"
    tool_tty dump fan 1 /tmp/dump.bin
    expect_out "reading the fan tray 1 PROM: 226/226 bytes, done"
    # Standard output on the terminal, standard error into a file.
    script -qec "$(printf '%q ' env LD_PRELOAD="$faketime_lib" FAKETIME="+0 x100" \
        "$IDPROMTOOL" show fan 1) 2>/tmp/tty_err" /dev/null </dev/null | tr -d '\000\r' >"$out"
    expect_line "PRODUCT_NUMBER : FAN-TRAY-2"
    ! grep -q bytes /tmp/tty_err || fail "progress on a standard error that is no terminal"
}

sim init
"case_$case_name"
echo "PASS ($case_name)"

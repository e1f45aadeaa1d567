#!/usr/bin/env bash
# vaultline-cli doctor on a fake sysfs and /dev tree (VAULTLINE_TEST_SYSROOT):
# a serial port this user may not open, one locked by another process, a
# usbtmc device without and with the udev rule, the system VISA library
# present (the tests' fake one), named but missing, and absent; and a program
# that takes over serial ports. The permission cases run as the user nobody
# when the test runs as root (root may open everything).
set -uo pipefail
cli=$1 fake_visa=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/vaultline-doctor-test.XXXXXX")
pids=()
# shellcheck disable=SC2317 # called by the trap
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"
fails=0
fail() { echo "FAIL: $*" >&2; fails=$((fails + 1)); }

as_user=()
user=$(id -un)
# (only where nobody can reach the programs: not in a checkout under /root)
if [ "$(id -u)" = 0 ] && runuser -u nobody -- test -x "$cli" -a -r "$fake_visa" 2>/dev/null; then
  as_user=(runuser -u nobody --)
  user=nobody
fi

root=$work/root
mkdir -p "$root/dev" "$root/sys/class/tty" "$root/sys/bus/usb/drivers/usbtmc" "$work/config"
# Serial ports: a tty class entry with a driver behind it, and its node.
for port in ttyUSB0 ttyUSB1 ttyACM0; do
  mkdir -p "$root/sys/devices/usb1/$port/driver" "$root/sys/class/tty/$port"
  ln -s "$root/sys/devices/usb1/$port" "$root/sys/class/tty/$port/device"
  touch "$root/dev/$port"
done
chmod 666 "$root/dev/ttyUSB1" "$root/dev/ttyACM0"
# A virtual terminal has no device behind it and is not a port.
mkdir -p "$root/sys/class/tty/tty1"
# A usbtmc device: the class entry points at the interface, whose parent holds the identity.
dev=$root/sys/devices/usb1/1-1
mkdir -p "$dev/1-1:1.0" "$root/sys/class/usbmisc/usbtmc0"
echo 1ab1 >"$dev/idVendor"
echo 0588 >"$dev/idProduct"
echo DS1ZA123 >"$dev/serial"
echo 00 >"$dev/1-1:1.0/bInterfaceNumber"
ln -s "$dev/1-1:1.0" "$root/sys/class/usbmisc/usbtmc0/device"
touch "$root/dev/usbtmc0"
chmod -R a+rX "$root"
chmod 600 "$root/dev/usbtmc0"
if [ ${#as_user[@]} -gt 0 ]; then
  chown root:dialout "$root/dev/ttyUSB0" && chmod 660 "$root/dev/ttyUSB0"
else
  chmod 000 "$root/dev/ttyUSB0" # the owner may not open it either
fi

# Another process holds a lock on ttyUSB1 as the built-in VISA takes it.
# (perl: one process that both takes the lock and keeps it)
perl -e 'use Fcntl qw(:flock); open(my $f, "<", $ARGV[0]) or die; flock($f, LOCK_EX) or die; sleep 60' \
  "$root/dev/ttyUSB1" &
holder=$!
pids+=("$holder")
lock_pid=
for _ in $(seq 50); do
  lock_pid=$(awk -v ino="$(stat -c %i "$root/dev/ttyUSB1")" '$2 != "->" {split($6, a, ":"); if (a[3] == ino) print $5}' /proc/locks)
  [ -n "$lock_pid" ] && break
  sleep 0.1
done
[ -n "$lock_pid" ] || fail "the lock on ttyUSB1 was not taken"

run_doctor() {
  env -i PATH="$PATH" HOME="$work" XDG_CONFIG_HOME="$work/config" VAULTLINE_TEST_SYSROOT="$root" \
    ASAN_OPTIONS="${ASAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" LSAN_OPTIONS="${LSAN_OPTIONS:-}" "$@" \
    "${as_user[@]}" "$cli" doctor >"$work/out" 2>&1
  echo $? >"$work/rc"
}
# expect_line REGEX: some line of the last report matches.
expect_line() { grep -Eq -- "$1" "$work/out" || fail "no line matches '$1' in:$(printf '\n'; cat "$work/out")"; }
expect_rc() { [ "$(cat "$work/rc")" = "$1" ] || fail "exit code $(cat "$work/rc"), expected $1"; }

# 1. No VISA library on the system: the built-in VISA, every device checked.
run_doctor VAULTLINE_VISA_PROVIDER=
expect_rc 1
expect_line '^ok: VISA: the built-in VISA, because no system VISA library was found \(looked for libvisa\.so'
expect_line '^ok: serial lines .*: reached; 3 serial ports'
expect_line '^ok: USB instruments .*usbtmc driver'
expect_line "^ok: $root/dev/ttyACM0 \(ASRL/dev/ttyACM0::INSTR\): this user may open it"
if [ ${#as_user[@]} -gt 0 ]; then
  expect_line "^problem: $root/dev/ttyUSB0 .*may not open it; it belongs to the group 'dialout'.*sudo usermod -aG dialout nobody"
  expect_line "^problem: $root/dev/usbtmc0 \(USB0::0x1AB1::0x0588::DS1ZA123::INSTR\): .*no udev rule gives access"
elif [ "$(id -u)" != 0 ]; then
  expect_line "^problem: $root/dev/ttyUSB0 .*may not open it although it is its owner or in its group: its access rights \(0000\)"
  echo "note: not root, the group and udev cases ran as $user"
else
  echo "note: root, and the user nobody cannot reach the programs: no permission cases"
fi
[ "$lock_pid" = "$holder" ] || fail "the lock is held by $lock_pid, not $holder"
expect_line "^problem: $root/dev/ttyUSB1 is locked by perl \(process $holder\)"
grep -q tty1 "$work/out" && fail "a virtual terminal was reported as a serial port"

# 2. The rule installed: the usbtmc line says what else to do.
mkdir -p "$root/usr/lib/udev/rules.d"
echo 'SUBSYSTEM=="usbmisc", KERNEL=="usbtmc[0-9]*", TAG+="uaccess"' >"$root/usr/lib/udev/rules.d/60-vaultline-usbtmc.rules"
chmod -R a+rX "$root/usr"
run_doctor
if [ ${#as_user[@]} -gt 0 ]; then
  expect_line "^problem: $root/dev/usbtmc0 .*although .*60-vaultline-usbtmc\.rules names usbtmc devices"
fi

# 3. The system VISA library (the tests' fake), named by the variable.
run_doctor VAULTLINE_VISA_LIBRARY="$fake_visa"
expect_line "^ok: VISA: the system library .*$(basename "$fake_visa") \(VISA 5\.8\.0, Fake VISA, implementation 10002\), named by VAULTLINE_VISA_LIBRARY"
grep -q 'built-in VISA' "$work/out" && fail "the built-in VISA reported while the system library is used"

# 4. Named but missing, and forced but absent.
run_doctor VAULTLINE_VISA_LIBRARY="$work/no-such-libvisa.so"
expect_line "^problem: VAULTLINE_VISA_LIBRARY names $work/no-such-libvisa\.so, which cannot be loaded"
expect_line '^ok: VISA: the built-in VISA'
run_doctor VAULTLINE_VISA_PROVIDER=system
expect_line '^problem: VAULTLINE_VISA_PROVIDER=system, but no system VISA library'

# 5. Resource names from the file and the environment are checked. The file
# lives beside the settings; one at the place earlier versions used is the
# one checked while the new one does not exist.
mkdir -p "$work/config/vaultline" "$work/config/Talvero"
printf '# bench\nASRL/dev/ttyUSB9::INSTR\nFOO::BAR\n' >"$work/config/vaultline/vaultline-resources"
printf 'ASRL/dev/ttyUSB8::INSTR\n' >"$work/config/Talvero/vaultline-resources"
chmod -R a+rX "$work/config"
run_doctor VAULTLINE_VISA_RESOURCES='TCPIP0::127.0.0.1::5025::SOCKET;GPIB0::99::INSTR'
expect_line "^ok: resources file $work/config/vaultline/vaultline-resources: 2 names"
expect_line '^problem: .*vaultline-resources: "FOO::BAR" is not a VISA resource name'
expect_line '^ok: VAULTLINE_VISA_RESOURCES: 2 names'
expect_line '^problem: VAULTLINE_VISA_RESOURCES: "GPIB0::99::INSTR" is not a VISA resource name'
rm "$work/config/vaultline/vaultline-resources"
run_doctor
expect_line "^ok: resources file $work/config/Talvero/vaultline-resources: 1 names"
rm "$work/config/Talvero/vaultline-resources"

# 6. A program that takes over serial ports (a copy of sleep by that name).
cp "$(command -v sleep)" "$work/ModemManager"
"$work/ModemManager" 60 &
mm_pid=$!
pids+=("$mm_pid")
run_doctor
expect_line "^problem: ModemManager is running \(process $mm_pid\)"
kill "$mm_pid"

# 7. Nothing wrong: only the open port remains, and the exit code is 0.
kill "$holder"
wait "$holder" 2>/dev/null
rm -rf "$root/sys/class/tty/ttyUSB0" "$root/sys/class/tty/ttyUSB1" "$root/sys/class/usbmisc/usbtmc0"
for _ in $(seq 50); do
  run_doctor
  grep -q '^problem: .*ModemManager' "$work/out" || break
  sleep 0.1
done
expect_rc 0
grep -v -E '^(ok|note): ' "$work/out" && fail "lines other than ok and note in a clean report"
"$cli" doctor extra >/dev/null 2>&1
[ $? = 2 ] || fail "doctor with an argument is not a usage error"
exit $((fails > 0))

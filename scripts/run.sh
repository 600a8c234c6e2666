#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
bash "$ROOT/scripts/deps.sh"

# The program runs as the logged-in user, who needs access to the USB scanner board (04D8:FCBD).
rule=/etc/udev/rules.d/70-orvilant-scanner-board.rules
if [ ! -f "$rule" ] && [ -d /etc/udev/rules.d ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  echo 'SUBSYSTEM=="usb", ATTR{idVendor}=="04d8", ATTR{idProduct}=="fcbd", TAG+="uaccess", MODE="0660"' |
    $SUDO tee "$rule" >/dev/null
  $SUDO udevadm control --reload-rules 2>/dev/null && $SUDO udevadm trigger --subsystem-match=usb 2>/dev/null ||
    echo "note: udev did not reload; replug the scanner board to apply $rule"
fi
configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORV_BUILD_TESTS=OFF

# Without the maker's device lists on this machine, the lists of the built-in devices (the placeholder
# analyser and running without a scanner) let the program start without hardware, and it then drives
# the placeholder analyser ("-NoSA") instead of searching for one that is not there.
builtin=()
if [ -z "${ORV_MACHINE_SETTINGS:-}" ] && [ ! -f /etc/orvilant/machine.settings ]; then
  export ORV_MACHINE_SETTINGS="$ROOT/resources/machine.settings"
  builtin=(-NoSA)
fi
exec "$ROOT/build/app/Orvilant" "${builtin[@]}" "$@"

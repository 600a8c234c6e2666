#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need; does nothing for those present.
# With --tests also what only the tests use and the program must not bring along: Debian's
# portmapper, whose package starts a network service on install.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config git
  clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-pyvisa python3-pyvisa-py
  locales
  libudev-dev libusb-1.0-0-dev
  # The network tests make namespaces of their own and join them with veth pairs.
  iproute2
  qt6-base-dev libgl1-mesa-dev fonts-dejavu-core
  # The 3D view: Qt's OpenGL modules, GLU, and Mesa's software rasteriser for the OpenGL tests on Xvfb.
  libqt6opengl6-dev libglu1-mesa-dev libgl1-mesa-dri
  # The program's sounds (QSoundEffect) and its cameras; Qt Multimedia reaches V4L2 cameras through
  # GStreamer's good plugins.
  qt6-multimedia-dev gstreamer1.0-plugins-good
  # Metric-compatible faces for the fonts the views name ("Arial").
  fonts-liberation2
  # The real program's test runs it on an X server of its own and closes its window through Xlib.
  xvfb xauth libx11-dev
  # Camera capture and the probe marker tracker (aruco comes with the contrib modules).
  libopencv-dev libopencv-contrib-dev
)

if [ "${1:-}" = "--tests" ]; then
  # The scanner search's test starts the portmapper in a namespace of its own.
  packages+=(rpcbind)
  # A separate X client that reads the clipboard back in the tests of the pictures the views copy.
  packages+=(xclip)
  # The real-program test keeps the threads' stacks of a program that does not end when closed.
  packages+=(gdb)
  # Reads the parts of the report documents back (their content.xml) in the report tests.
  packages+=(unzip)
  # Reads a generated report's text back as another program does.
  packages+=(odt2txt)
  # Real board drawings for the overlay tests: the Gerber examples of gerbv and the HPGL test plots
  # of hp2xx, read from where the packages install them.
  packages+=(gerbv hp2xx)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A decimal-comma locale lets the tests prove that numbers are written in the C locale whatever
# the user's locale is.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  if [ -f /etc/locale.gen ]; then
    $SUDO sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null || echo "warning: could not generate de_DE.UTF-8; locale tests will skip"
  fi
fi

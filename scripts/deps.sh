#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need,
# calling apt-get only when one of them is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang libclang-rt-dev
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
  libgsf-1-dev nettle-dev
  fonts-liberation
  libsane-dev sane-utils
  cups cups-client cups-bsd printer-driver-cups-pdf
  libcups2-dev # print jobs handed to the print system through its API, its answer checked
  xvfb xauth imagemagick poppler-utils
  libreoffice-calc python3-uno gnumeric python3-msoffcrypto-tool
  openbox # a real window manager for the screen-fit test under Xvfb
  x11-utils # xprop: the screen-fit test waits for the window manager with it
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

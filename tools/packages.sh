#!/usr/bin/env bash
# Installs the Debian packages the build needs, only when one of them is missing.
set -euo pipefail

PACKAGES=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
          libopenmpi-dev openmpi-bin qt6-base-dev qt6-qpa-plugins qt6-tools-dev qt6-l10n-tools fonts-dejavu-core imagemagick clang-format
          clang-tidy python3 python3-dev pybind11-dev python3-numpy python3-scipy xvfb xauth xdotool x11-utils
          qt6-svg-dev poppler-utils python3-matplotlib python3-setuptools python3-venv python3-pip
          python3-pywt python3-wheel)

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 update -q
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${missing[@]}"
fi

#!/usr/bin/env bash
# Installs what the project needs from Debian 12. Quiet when everything is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libopenni-dev libopenni0 libopenni-sensor-pointclouds0
  libgtest-dev libgmock-dev libbenchmark-dev libpng-dev
  locales clang-tidy clang-format
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A comma-decimal locale for the text-form tests; they skip with a message without it.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if [ -f /etc/locale.gen ]; then
    $sudo sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    $sudo locale-gen >/dev/null 2>&1 || true
  fi
fi

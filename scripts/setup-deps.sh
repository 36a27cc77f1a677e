#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need, when any is missing,
# and the Czech locale that the number formatting is tested under. PostgreSQL is for the tests of
# the records store on a server (label db): they start a throwaway cluster of their own.
set -euo pipefail

packages=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev libqt6sql6-sqlite qt6-qpa-plugins
          qt6-translations-l10n libxml2-utils locales postgresql postgresql-common libqt6sql6-psql
          "$@")
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A decimal-comma locale: the numbers the instrument is sent must not follow the desktop's.
if ! locale -a 2>/dev/null | grep -qix 'cs_CZ\.utf-\?8'; then
    echo "Generating the cs_CZ.UTF-8 locale"
    $sudo sed -i 's/^# *\(cs_CZ\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^cs_CZ\.UTF-8 UTF-8' /etc/locale.gen || echo 'cs_CZ.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
fi

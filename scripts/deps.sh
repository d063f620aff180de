#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format-14
  libgtest-dev libgmock-dev libbenchmark-dev
  liblua5.4-dev libmuparser-dev libmuparserx-dev
  libjpeg62-turbo-dev libsimpleini-dev nlohmann-json3-dev
  libx11-dev libxtst-dev xvfb x11-utils
  qt6-base-dev fonts-dejavu-core
  locales
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi

if [ ${#missing[@]} -eq 0 ]; then
  echo "deps: all ${#packages[@]} packages present"
else
  echo "deps: installing ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests check that number texts ignore a C locale with a decimal comma.
if ! locale -a 2>/dev/null | grep -qix "de_DE.utf8"; then
  echo "deps: generating the locale de_DE.UTF-8"
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

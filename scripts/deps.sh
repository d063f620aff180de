#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing, and
# fetches the Debian source the Windows cross-build compiles.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format-14
  libgtest-dev libgmock-dev libbenchmark-dev
  liblua5.4-dev libmuparser-dev libmuparserx-dev
  libjpeg62-turbo-dev libsimpleini-dev nlohmann-json3-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix nasm dpkg-dev
  libx11-dev libxtst-dev xvfb x11-utils desktop-file-utils
  qt6-base-dev fonts-dejavu-core
  locales
  wine wine64 wine32:i386
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

# The games are 32-bit Windows programs; Debian's Wine runs them with its i386 part.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "deps: adding the i386 architecture for 32-bit Wine"
  $sudo dpkg --add-architecture i386
fi

if [ ${#missing[@]} -eq 0 ]; then
  echo "deps: all ${#packages[@]} packages present"
else
  echo "deps: installing ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The Windows cross-build compiles libjpeg-turbo from Debian's source of the version installed here,
# so both systems encode pictures alike. apt fetches it with a source list of its own, kept beside
# the source, so the system's apt sources stay as they are.
jpeg_version=$(dpkg-query -W -f='${source:Version}' libjpeg62-turbo-dev)
sources=build/sources
if [ "$(cat "$sources/libjpeg-turbo.version" 2>/dev/null)" != "$jpeg_version" ]; then
  echo "deps: fetching Debian's libjpeg-turbo $jpeg_version source"
  rm -rf "$sources/libjpeg-turbo" "$sources/apt" "$sources/libjpeg-turbo.version"
  mkdir -p "$sources/apt/lists/partial" "$sources/apt/cache/archives/partial" "$sources/download"
  # The same archives the system installs from, asked for their sources instead of their packages.
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$sources/apt/debian.sources"
  fi
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*\/debian.*\)/deb-src \1/p' /etc/apt/sources.list >"$sources/apt/sources.list"
  fi
  touch "$sources/apt/sources.list"
  apt_options=(-o "Dir::Etc::SourceList=$PWD/$sources/apt/sources.list" -o "Dir::Etc::SourceParts=$PWD/$sources/apt"
    -o "Dir::State::Lists=$PWD/$sources/apt/lists" -o "Dir::Cache=$PWD/$sources/apt/cache"
    -o "APT::Sandbox::User=$(id -un)")
  apt-get "${apt_options[@]}" update -qq
  (cd "$sources/download" && apt-get "${apt_options[@]}" source -qq "libjpeg-turbo=$jpeg_version")
  mv "$sources/download"/libjpeg-turbo-*/ "$sources/libjpeg-turbo"
  rm -rf "$sources/download" "$sources/apt"
  echo "$jpeg_version" >"$sources/libjpeg-turbo.version"
fi

# The tests check that number texts ignore a C locale with a decimal comma.
if ! locale -a 2>/dev/null | grep -qix "de_DE.utf8"; then
  echo "deps: generating the locale de_DE.UTF-8"
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and benchmark.
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends \
  cmake g++ ninja-build pkg-config make \
  libcli11-dev libfmt-dev \
  liblnk-dev libbfio-dev \
  libgtest-dev libgmock-dev libbenchmark-dev \
  clang-format ccache \
  qt6-base-dev \
  libhivex-dev libhivex-bin libwin-hivex-perl \
  wine wine64 fonts-wine

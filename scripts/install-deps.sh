#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need.
# Idempotent: does nothing when every package is already present.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config ccache
  libboost-dev libboost-filesystem-dev libboost-system-dev
  libpcre3-dev libx11-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  nlohmann-json3-dev libcli11-dev libpcap-dev
  clang-14 libclang-rt-14-dev
  tshark python3-scapy
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# tshark asks whether non-root users may capture; answer no without a prompt.
echo "wireshark-common wireshark-common/install-setuid boolean false" | $SUDO debconf-set-selections 2>/dev/null || true
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Installs what Tarnwick needs to build and test, from Debian's packages.
# Idempotent and quick when everything is present: apt is only asked for what is missing.
#   scripts/setup.sh          build and test dependencies
#   scripts/setup.sh --gui      also the tools for screenshots and benchmarks (Xvfb, xdotool, ...)
#   scripts/setup.sh --package  also the tools that build and check the Debian package
#   scripts/setup.sh --fuzz     also clang with libFuzzer and its sanitizer runtimes
#   scripts/setup.sh --format   also clang-format
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libsqlite3-dev
          libcurl4-openssl-dev libgtest-dev libsystemd-dev tzdata dbus-daemon util-linux xvfb xauth
          libqt6svg6 trayer openbox xdotool x11-utils python3 libxcb1-dev
          icewm weston qt6-wayland at-spi2-core python3-pyatspi imagemagick faketime)
case "${1:-}" in
--gui) packages+=(xvfb xauth xdotool imagemagick x11-apps x11-utils procps python3 rdate) ;;
--package) packages+=(debhelper dpkg-dev file desktop-file-utils appstream lintian man-db xvfb xauth xdotool) ;;
--fuzz) packages+=(clang libclang-rt-dev llvm) ;;
--format) packages+=(clang-format) ;;
esac

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
if [[ $(id -u) -ne 0 ]]; then
    sudo="sudo"
fi
echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

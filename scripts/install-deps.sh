#!/usr/bin/env bash
# Installs the Debian packages a make target needs, and only those:
#
#   scripts/install-deps.sh TARGET...     TARGET: run package test bench screenshot format fuzz windows interop console accessibility ci all
#
#   run         compiler, CMake, Qt 6, Boost's headers (the bridge's web console) and fonts:
#               enough to build and start the program
#   package     run, plus what builds and checks the .deb (dpkg-dev, file, lintian,
#               desktop-file-utils, appstream, and systemd for systemd-analyze verify)
#   test        run, plus GoogleTest, Xvfb and the X tools the test suites use
#   bench       test, plus xvfb-run's xauth
#   screenshot  run, plus Xvfb, the X tools and ImageMagick
#   format      clang-format
#   fuzz        CMake and clang with its runtime libraries (libFuzzer, AddressSanitizer),
#               which Debian ships apart from the compiler, and Boost's headers
#   windows     the MinGW-w64 cross compiler (posix threads), Debian's Qt host tools,
#               GoogleTest's sources, Wine, Xvfb with the X tools for the window test
#               (xclip reads what a report box copied), and NSIS and zip for the Windows
#               package
#   interop     run, plus Debian's ola (olad, ola_patch, ola_set_dmx) as the sACN sender,
#               iproute2 and util-linux for the private network namespace, python3 for
#               the pseudo-terminal reader and the Art-Net poll
#   console     run, plus Debian's chromium, chromium-driver and python3-selenium for the
#               bridge's web console in a headless browser, iproute2 and util-linux for
#               its private network namespace
#   accessibility  run, plus Xvfb, a session bus (dbus-daemon's dbus-run-session),
#               at-spi2-core's accessibility bus and registry, and Debian's python3 with
#               pyatspi, which reads the programs as a screen reader does
#   ci          test, package, fuzz, windows, interop, console and accessibility: what
#               .ci/run uses
#
# Nothing is asked, so it works without a terminal. As root it installs; otherwise it
# uses sudo if sudo works without a password; otherwise it prints the apt-get line to
# run as root and fails. DIMRIX_SKIP_DEPS=1 skips the check altogether (packages from
# elsewhere, or a system without dpkg).
set -euo pipefail

run=(cmake make g++ pkg-config qt6-base-dev qt6-serialport-dev libgl-dev libboost1.74-dev
  fonts-liberation fonts-dejavu-core)
package=("${run[@]}" dpkg-dev file lintian desktop-file-utils appstream systemd)
test=("${run[@]}" libgtest-dev libgmock-dev googletest xvfb x11-utils xdotool libxcb1-dev)
bench=("${test[@]}" xauth)
screenshot=("${run[@]}" xvfb x11-utils imagemagick)
format=(clang-format)
fuzz=(cmake make clang libclang-rt-14-dev libboost1.74-dev)
windows=(cmake make ninja-build xz-utils g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools
  libboost1.74-dev googletest wine wine64 xvfb x11-utils xdotool xclip nsis zip)
interop=("${run[@]}" ola iproute2 util-linux python3)
console=("${run[@]}" chromium chromium-driver python3 python3-selenium iproute2 util-linux)
accessibility=("${run[@]}" xvfb dbus dbus-daemon at-spi2-core python3 python3-pyatspi)

if [[ ${DIMRIX_SKIP_DEPS:-} == 1 ]]; then
  exit 0
fi
(($# > 0)) || set -- all

wanted=()
for target in "$@"; do
  case $target in
    run) wanted+=("${run[@]}") ;;
    package) wanted+=("${package[@]}") ;;
    test) wanted+=("${test[@]}") ;;
    bench) wanted+=("${bench[@]}") ;;
    screenshot) wanted+=("${screenshot[@]}") ;;
    format) wanted+=("${format[@]}") ;;
    fuzz) wanted+=("${fuzz[@]}") ;;
    windows) wanted+=("${windows[@]}") ;;
    interop) wanted+=("${interop[@]}") ;;
    console) wanted+=("${console[@]}") ;;
    accessibility) wanted+=("${accessibility[@]}") ;;
    ci) wanted+=("${test[@]}" "${package[@]}" "${fuzz[@]}" "${windows[@]}" "${interop[@]}"
      "${console[@]}" "${accessibility[@]}") ;;
    all) wanted+=("${package[@]}" "${bench[@]}" "${screenshot[@]}" "${format[@]}" "${fuzz[@]}"
      "${windows[@]}" "${interop[@]}" "${console[@]}" "${accessibility[@]}") ;;
    *)
      echo "install-deps.sh: unknown target '$target' (run package test bench screenshot format fuzz windows interop console accessibility ci all)" >&2
      exit 2
      ;;
  esac
done
mapfile -t wanted < <(printf '%s\n' "${wanted[@]}" | sort -u)

if ! command -v dpkg-query >/dev/null; then
  echo "install-deps.sh: not a Debian system; install the equivalents of: ${wanted[*]}" >&2
  echo "then run again with DIMRIX_SKIP_DEPS=1 to skip this check." >&2
  exit 1
fi

# One query for all of them; a package dpkg has never heard of prints nothing.
installed=$(dpkg-query -W -f='${Package} ${Status}\n' "${wanted[@]}" 2>/dev/null |
  awk '$NF == "installed" { print $1 }' || true)
missing=()
for p in "${wanted[@]}"; do
  grep -qxF "$p" <<<"$installed" || missing+=("$p")
done
((${#missing[@]} > 0)) || exit 0

apt=(apt-get install -y --no-install-recommends "${missing[@]}")
if [[ $(id -u) -eq 0 ]]; then
  as_root=(env DEBIAN_FRONTEND=noninteractive)
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
  as_root=(sudo -n env DEBIAN_FRONTEND=noninteractive)
else
  {
    echo "install-deps.sh: for '$*', these Debian packages are missing: ${missing[*]}"
    echo "Not root, and sudo does not work here without a password. As root, run:"
    echo "  apt-get update && apt-get install --no-install-recommends ${missing[*]}"
    echo "then the make command again; or set DIMRIX_SKIP_DEPS=1 to skip this check."
  } >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" "${apt[@]}"

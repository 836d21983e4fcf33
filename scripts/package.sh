#!/usr/bin/env bash
# Builds the Debian package of Tavrel into build-pkg/ (Release, without tests
# and benchmarks) and prints its path. Install it with: apt install ./FILE.deb
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
tavrel_install_deps

build=build-pkg
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVREL_SANITIZE=OFF \
    -DTAVREL_BUILD_TESTS=OFF -DTAVREL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(tavrel_jobs)"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$PWD/$build"/tavrel_*.deb

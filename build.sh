#!/usr/bin/env bash
# Sets up, builds and then runs Kestrelfind or its tests.
#   ./build.sh run    install what is missing, build, start the program
#   ./build.sh test   install what is missing, build, run every test headless
#   ./build.sh bench  install what is missing, build, run the benchmarks
# Safe to run again: it installs only missing Debian packages and builds incrementally.
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-run}
build_dir=${KF_BUILD_DIR:-build}

# Debian 12 packages: compiler and build tools, Qt 6, GLib/GIO, test libraries, an icon
# theme and a font for headless runs, and the validators the install test runs on the
# desktop entry and the AppStream data, and a D-Bus daemon for the tests' private session
# bus. The tests add clang-format, which checks the code's layout; the benchmark adds fd and
# clang's libFuzzer.
packages=(g++ cmake ninja-build pkg-config qt6-base-dev libqt6svg6 libglib2.0-dev
          libgtest-dev googletest adwaita-icon-theme fonts-dejavu-core shared-mime-info
          libicu-dev desktop-file-utils appstream dbus-daemon)
if [ "$mode" = test ]; then
    packages+=(clang-format)
fi
if [ "$mode" = bench ]; then
    packages+=(fd-find findutils clang libclang-rt-14-dev hyperfine)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 2)
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache) # optional: faster rebuilds where present
fi
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKF_WERROR=ON \
    "${launcher[@]}" >/dev/null
cmake --build "$build_dir" -j "$jobs"

case "$mode" in
run)
    exec "$build_dir/src/app/kestrelfind"
    ;;
test)
    export QT_QPA_PLATFORM=offscreen
    ctest --test-dir "$build_dir" --output-on-failure -j "$jobs"
    ;;
bench)
    exec bench/run-all.sh "$build_dir"
    ;;
*)
    echo "usage: $0 run|test|bench" >&2
    exit 2
    ;;
esac

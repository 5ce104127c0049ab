#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds Tavimore and runs it, its tests or its benchmark.
#
#   ./build.sh run     install what is missing, build, run an example with tavimore-run
#   ./build.sh test    install what is missing, build, pass every test
#   ./build.sh bench   install what is missing, build, print the benchmark figures
#   ./build.sh build   install what is missing and build only
#
# Missing Debian packages are installed with apt-get (as root, or through sudo).
# Build trees: build/ (the program and its tests), build-asan/ (the unit tests, and
# tavimore-run for the script tests and examples, under AddressSanitizer and
# UndefinedBehaviorSanitizer), build-fuzz/ (the fuzz target and the instrumented engine,
# built with clang).
set -euo pipefail
cd "$(dirname "$0")"
top=$(pwd)
mode=${1:-run}
jobs=$(nproc 2>/dev/null || echo 2)

# ---- Debian packages, by what needs them
packages_build=(build-essential cmake ninja-build pkg-config git ccache)
packages_test=(libgtest-dev libgmock-dev clang-14 libclang-rt-14-dev clang-format)
packages_bench=(libbenchmark-dev lua5.4 luajit valgrind python3)
# Sounds and media windows: libcanberra (with its PulseAudio back end) plays sounds, Qt
# Multimedia over GStreamer plays media; the GStreamer plugins decode the example clip
# (Ogg Theora and Vorbis) and give the audio sinks. pulseaudio and its tools run the
# private null sink of the sound test.
packages_media=(libcanberra-dev libcanberra-pulse qt6-base-dev qt6-multimedia-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-pulseaudio
    pulseaudio pulseaudio-utils)
# FT245RL: the D2XX adapter over libftdi1, lowpower's X11 DPMS, and the X server of its test
packages_ftdi=(libftdi1-dev libx11-dev libxext-dev xvfb)
# Processes, windows, console and power: Xlib with X-Resource, libdbus for logind; the
# desktop tests start their own X server, window manager, X clients and private bus.
packages_desktop=(libx11-dev libxres-dev libdbus-1-dev)
packages_desktop_test=(xvfb xauth openbox xterm x11-utils dbus-daemon)
# The editor: Qt 6 Widgets (with printing and local sockets), its platform plugins and
# Japanese translations, the Japanese fixed-pitch font; its end-to-end test types into
# the real window under Xvfb.
packages_app=(qt6-base-dev qt6-qpa-plugins qt6-translations-l10n fonts-ipafont-gothic libx11-dev)
packages_app_test=(xvfb openbox xdotool)
# Port access: the kernel's ppdev header for the Linux port library; setpriv, with
# which its test drops every capability.
packages_ports=(linux-libc-dev)
packages_ports_test=(util-linux)
# The infrared exports are checked against LIRC's and sigrok's own decoders
packages_ir_test=(lirc sigrok-cli)
# The limits test measures the runner's peak memory with GNU time
packages_cli_test=(time)

# Everything the program, its tests and the benchmark build with, and what only the
# tests run.
packages_program=("${packages_build[@]}" "${packages_test[@]}" "${packages_bench[@]}"
    "${packages_media[@]}" "${packages_ftdi[@]}" "${packages_desktop[@]}" "${packages_ports[@]}"
    "${packages_app[@]}")
packages_tests_only=("${packages_desktop_test[@]}" "${packages_ports_test[@]}" "${packages_app_test[@]}"
    "${packages_ir_test[@]}" "${packages_cli_test[@]}")

need_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# configure_and_build DIR [TARGET] -- CMAKE-OPTIONS...
# The three build trees share most sources, and a clone in another folder shares them
# with this one: ccache compiles each source once (paths relative to the clone's top).
export CCACHE_BASEDIR="$top" CCACHE_NOHASHDIR=1
configure_and_build() {
    local dir=$1 target=all
    shift
    if [ "${1:-}" != "--" ]; then target=$1; shift; fi
    shift
    cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_C_COMPILER_LAUNCHER=ccache \
        -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@" >/dev/null
    cmake --build "$dir" -j "$jobs" --target "$target"
}

build_main() {
    configure_and_build build -- -DCMAKE_BUILD_TYPE=RelWithDebInfo
}

case "$mode" in
build)
    need_packages "${packages_program[@]}"
    build_main
    ;;
run)
    need_packages "${packages_program[@]}"
    build_main
    echo "== tavimore-run examples/counting-loop.tvm"
    ./build/cli/tavimore-run examples/counting-loop.tvm | iconv -f CP932 -t UTF-8
    ;;
test)
    need_packages "${packages_program[@]}" "${packages_tests_only[@]}"
    echo "== formatting of every C++ file (clang-format, .clang-format at the root)"
    git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
    build_main
    # Every test passes on its first try: a test that fails only sometimes is a fault to
    # find, not one to retry away.
    (cd build && ctest --output-on-failure -j "$jobs" --timeout 600)
    echo "== unit tests, script tests and examples under AddressSanitizer and UndefinedBehaviorSanitizer"
    # The script tests and examples run through a tavimore-run built with the sanitizers;
    # the first report ends the program and fails its test.
    configure_and_build build-asan -- -DCMAKE_BUILD_TYPE=Debug -DTAVIMORE_SANITIZE=ON \
        -DTAVIMORE_BUILD_BENCH=OFF -DTAVIMORE_BUILD_APP=OFF
    (cd build-asan &&
        ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 \
        UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        ctest --output-on-failure -j "$jobs" --timeout 600 -R '^(unit|script)/')
    echo "== fuzzing the engine (fixed seed, bounded time)"
    configure_and_build build-fuzz tavimore-fuzz-engine -- -DCMAKE_BUILD_TYPE=Debug -DTAVIMORE_BUILD_FUZZ=ON \
        -DTAVIMORE_BUILD_BENCH=OFF -DTAVIMORE_BUILD_APP=OFF -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
    "$top/tests/fuzz/run_fuzz.sh" "$top/build-fuzz/tests/fuzz/tavimore-fuzz-engine" 120 1
    echo "== the engine links with the C++ standard library alone"
    # Every object of the archive is linked, used by the program or not.
    c++ -std=c++20 -I"$top/engine" -I"$top/engine/bindings" -I"$top/engine/api" \
        "$top/tests/link/EngineAlone.cpp" -Wl,--whole-archive build/engine/libtavimore_engine.a \
        -Wl,--no-whole-archive -o build/engine-alone
    ./build/engine-alone
    echo "All tests passed."
    ;;
bench)
    need_packages "${packages_program[@]}"
    build_main
    "$top/bench/run_bench.sh" "$top/build"
    ;;
*)
    echo "usage: ./build.sh run|test|bench|build" >&2
    exit 2
    ;;
esac

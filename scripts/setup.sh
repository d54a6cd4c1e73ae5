# Shared by ./run and ./test: install what is missing, then configure and build.
# Sourced, not run.

# What building and running the programs needs.
vorel_run_packages=(cmake ninja-build g++ ccache qt6-base-dev
    fonts-dejavu-core libsndfile1-dev libjack-jackd2-dev libpulse-dev libsoxr-dev libasound2-dev
    lv2-dev pkgconf)
# What the tests need besides: the test and benchmark libraries, the formatter, an independent
# WAV reader and MIDI reader, a sound server to play into, clang with its runtime for the fuzz
# targets, the desktop's own checkers of what is installed (menu entries, AppStream data,
# file types, manual pages, the Debian package), and a display of their own with a tool that
# presses keys there (the recovery offer after a killed run), a JACK server to play into, and the
# LV2 host library, validator and host the plugin is tried in.
vorel_test_packages=(libgtest-dev libbenchmark-dev clang-format sox pulseaudio pulseaudio-utils
    python3-mido clang libclang-rt-14-dev desktop-file-utils appstream shared-mime-info
    groff-base file dpkg-dev xvfb xdotool jackd2 liblilv-dev lilv-utils sordi jalv)

# vorel_install_missing PACKAGE...: installs those of the packages that are not installed yet,
# saying which, with apt-get (through sudo when not root).
vorel_install_missing() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    # env after sudo: sudo does not pass the caller's environment on.
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
        --no-install-recommends "${missing[@]}" >/dev/null
}

# vorel_build DIR [cmake options...] [--target TARGET...]
# Configures DIR with the options (every time, so options given to a folder configured before take
# effect too), then builds the targets (default: all).
vorel_build() {
    local dir=$1
    shift
    local options=() targets=()
    while [ $# -gt 0 ]; do
        if [ "$1" = "--target" ]; then
            targets+=("$2")
            shift 2
        else
            options+=("$1")
            shift
        fi
    done
    export CCACHE_BASEDIR="$PWD"
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S . -B "$dir" -G Ninja "${options[@]}"
    elif [ ${#options[@]} -gt 0 ]; then
        cmake "$dir" "${options[@]}" >/dev/null
    fi
    if [ ${#targets[@]} -gt 0 ]; then
        cmake --build "$dir" --target "${targets[@]}" -- -j"$(nproc)"
    else
        cmake --build "$dir" -- -j"$(nproc)"
    fi
}

# Shared by ./run and ./test: install what is missing, then configure and build.
# Sourced, not run.

vorel_packages=(cmake ninja-build g++ ccache pkg-config qt6-base-dev qt6-multimedia-dev
    libgtest-dev libgmock-dev libbenchmark-dev sox pulseaudio pulseaudio-utils
    fonts-dejavu-core xvfb xauth imagemagick xdotool
    qt6-qpa-plugins)

vorel_install_missing() {
    local missing=()
    for package in "${vorel_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

# vorel_build DIR [cmake options...] [--target TARGET...]
# Configures DIR with the options the first time, then builds the targets (default: all).
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
        cmake -S . -B "$dir" -G Ninja "${options[@]}" >/dev/null
    fi
    if [ ${#targets[@]} -gt 0 ]; then
        cmake --build "$dir" --target "${targets[@]}" -- -j"$(nproc)"
    else
        cmake --build "$dir" -- -j"$(nproc)"
    fi
}

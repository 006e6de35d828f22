# Shared by scripts/run, scripts/test and scripts/wine-exec: where things
# live and how every Wine process of the project is started.
# shellcheck shell=bash

QM_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
QM_BUILD=${QM_BUILD:-$QM_ROOT/build}
export WINEPREFIX=${QM_WINEPREFIX:-$QM_BUILD/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers: the prefix must come up without a network.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# A real zh_CN locale keeps code page 936 and lets Chinese text cross the
# command line and file names intact.
# (Passed through env: bash itself would look for the locale without LOCPATH.)
export LOCPATH=$QM_BUILD/locale
QM_LOCALE_ENV=(env LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8)

QM_WINE=/usr/lib/wine/wine64
QM_WINESERVER=/usr/lib/wine/wineserver
qm_wine() { "${QM_LOCALE_ENV[@]}" "$QM_WINE" "$@"; }
qm_wineserver() { "${QM_LOCALE_ENV[@]}" "$QM_WINESERVER" "$@"; }

qm_packages=(
    cmake ninja-build g++ googletest libgtest-dev locales
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
    binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
    wine64 xvfb x11-utils xdotool imagemagick fonts-wqy-microhei fonts-arphic-gbsn00lp
    clang libclang-rt-14-dev
)

# Installs whatever of the project's Debian packages is missing.
qm_install_packages() {
    local missing=() pkg
    for pkg in "${qm_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    if [ "$(id -u)" != 0 ]; then
        echo "Run as root to install the packages above." >&2
        return 1
    fi
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

qm_make_locale() {
    if [ ! -d "$LOCPATH/zh_CN.UTF-8" ]; then
        mkdir -p "$LOCPATH"
        localedef -i zh_CN -f UTF-8 "$LOCPATH/zh_CN.UTF-8"
    fi
}

qm_build_config() {
    local preset=$1
    cmake --preset "$preset" >/dev/null &&
        cmake --build --preset "$preset" -j "$(nproc)"
}

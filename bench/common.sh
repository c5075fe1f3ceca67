# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by bench/run.sh and bench/compare_peers.sh (sourced, not run).

# Configures the build directory $1 (a new one as a Release build; an
# existing one keeps its type) and prints its absolute path.
kiv_configure_build() {
    local root build
    root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
    mkdir -p "$1"
    build="$(cd "$1" && pwd)"
    export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=true
    if [ -f "$build/CMakeCache.txt" ]; then
        cmake -S "$root" -B "$build" >/dev/null
    else
        cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
    fi
    echo "$build"
}

# Shared by the build scripts: where the trees are and how many jobs to run.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="${JOBS:-$(nproc)}"
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/orvilant-ccache}"
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-5G}"
# Paths below the checkout are hashed relative to it, so a fresh clone elsewhere reuses the cache.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$ROOT}"
# A CI clone lives in a new folder each time: leave that folder out of the hash too (the debug
# information of a cached object then names the folder it was first built in).
if [ -n "${CI:-}" ]; then export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"; fi

configure_and_build() { # <tree> [cmake args...] ; builds everything the tree configures
  local tree="$1"; shift
  cmake -S "$ROOT" -B "$ROOT/$tree" -G Ninja "$@" >/dev/null
  cmake --build "$ROOT/$tree" -j "$JOBS"
}

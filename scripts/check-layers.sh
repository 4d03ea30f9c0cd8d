#!/usr/bin/env bash
# The rules of the layers that the include roots alone do not hold: no folder reached by "../",
# the database engines' headers only in src/data/, Qt Widgets only in the windows' layers and in
# the one seam of platform/ that shows them, and a connection that names no engine.
# Usage: scripts/check-layers.sh QT_INCLUDE_DIRS... (the one ending in QtWidgets is used)
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
widgets_dir=
for d in "$@"; do
    case "$d" in */QtWidgets) widgets_dir=$d ;; esac
done
cd "$root"
broken=0
fail() {
    echo "check-layers: $1"
    broken=1
}

hits=$(grep -rnE '^\s*#\s*include\s+"\.\./' src host tests bench fuzz)
[ -z "$hits" ] || fail "an include that climbs out of its folder:
$hits"

hits=$(grep -rlE '^\s*#\s*include\s+<(sqlite3|libpq-fe)\.h>' src host | grep -v '^src/data/')
[ -z "$hits" ] || fail "a database engine's header outside src/data/:
$hits"

if [ -d "$widgets_dir" ]; then
    names=$(ls "$widgets_dir" | grep -E '^Q[A-Za-z0-9]+$' | paste -sd'|')
    hits=$(grep -rnE "^\s*#\s*include\s+<(QtWidgets/.*|QtWidgets|(${names}))>" src/data src/platform \
        | grep -vE '^src/platform/(ui|recording_ui)\.(h|cpp):')
    [ -z "$hits" ] || fail "Qt Widgets below the windows (only platform/ui shows them):
$hits"
else
    fail "no Qt Widgets headers at '$widgets_dir' to check against"
fi

hits=$(grep -nE '#\s*include\s+"data/(sqlite|pg|dialect|literals)|\bsqlite3\b|\bPG[a-z]+\b|libpq' \
    src/data/connection.h src/data/engine.h)
[ -z "$hits" ] || fail "the connection names an engine:
$hits"

[ "$broken" -eq 0 ] && echo "check-layers: the layers hold"
exit "$broken"

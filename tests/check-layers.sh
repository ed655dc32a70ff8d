#!/usr/bin/env bash
# The code's layers, checked from its includes: no folder below app/ includes app/ (the main
# window above all), no menu item is looked up by name, and the folders include each other
# without a circle.
set -euo pipefail
src="$1/src"
status=0

if grep -rln '#include "app/' "$src" --include='*.cpp' --include='*.h' | grep -v "^$src/app/"; then
    echo "these files below app/ include app/" >&2
    status=1
fi
if grep -rnE 'findChildren?<QAction|findChild<QMenu|action\("' "$src"; then
    echo "menu items are looked up by name" >&2
    status=1
fi

# One "from to" pair per include between folders (platform/rtf counts as platform's own).
edges=$(cd "$src" && grep -rhoE --include='*.cpp' --include='*.h' -H '#include "[a-z]+/' . \
    | sed -E 's#^\./([a-z]+)/[^:]*:\#include "([a-z]+)/#\1 \2#' | awk '$1 != $2' | sort -u)
if ! loops=$(printf '%s\n' "$edges" | tsort 2>&1 >/dev/null); then
    echo "the folders include each other in a circle:" >&2
    echo "$loops" >&2
    status=1
fi
exit "$status"

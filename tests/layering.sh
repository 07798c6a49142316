#!/usr/bin/env bash
# Fails when the Qt-free layers are not: tarnwick-cli linked against a Qt library, or a file
# of a core folder including a Qt header.
#   tests/layering.sh SOURCE_DIR TARNWICK_CLI
set -euo pipefail
source_dir=$1
cli=$2
status=0

if ldd "$cli" | grep -i 'libQt'; then
    echo "layering: $cli links Qt" >&2
    status=1
fi
# forbid WHAT PATTERN ALLOWED PATH...: a line of a C++ file under PATH that matches PATTERN
# fails the check, unless it is in a file whose path matches ALLOWED.
forbid() {
    local what=$1 pattern=$2 allowed=$3
    shift 3
    if { grep -rnsE "$pattern" "$@" --include='*.cpp' --include='*.h' || true; } | grep -vE "$allowed"; then
        echo "layering: $what" >&2
        status=1
    fi
}
src=$source_dir/src
forbid "the core folders, the CLI and the tools must not include Qt" '^\s*#\s*include\s*<Q' '^$' \
    "$src"/{zones,display,settings,startup,platform,sync,update,cli} "$source_dir/tools"
# The UI folders may use the core; the editor, the configuration dialog and the shared widgets
# never use the application folder.
forbid "src/editor, src/config or src/widgets use src/app/" '#include "app/' '^$' \
    "$src"/{editor,config,widgets}
# Operating-system calls live in the platform layer, SQLite calls in the zone database.
forbid "system calls outside src/platform/" \
    'dlopen|"/proc/|::l?stat\(|::open\(|::chmod\(|::access\(|::(un)?link\(|std::remove\(|eventfd' \
    "^$src/platform/" "$src"
forbid "SQLite calls outside the zone database" 'sqlite3_' "^$src/zones/zone_database\.(cpp|h):" "$src"
[[ $status -eq 0 ]] && echo "layering: core, tools and tarnwick-cli are free of Qt; app/ is used by nothing; system calls stay in the platform layer"
exit $status

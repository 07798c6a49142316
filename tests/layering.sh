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
core_folders=(zones display settings startup platform sync update)
for folder in "${core_folders[@]}"; do
    [[ -d "$source_dir/src/$folder" ]] || continue
    if grep -rnE '^\s*#\s*include\s*<Q' "$source_dir/src/$folder"; then
        echo "layering: src/$folder is a core folder and includes Qt" >&2
        status=1
    fi
done
if grep -rnE '^\s*#\s*include\s*<Q' "$source_dir/src/cli" "$source_dir/tools"; then
    echo "layering: the CLI and the tools must not include Qt" >&2
    status=1
fi
# The UI folders may use the core; the editor, the configuration dialog and the shared widgets
# never use the application folder.
for folder in editor config widgets; do
    [[ -d "$source_dir/src/$folder" ]] || continue
    if grep -rnE '#include "app/' "$source_dir/src/$folder"; then
        echo "layering: src/$folder uses src/app/" >&2
        status=1
    fi
done
# Operating-system calls live in the platform layer, SQLite calls in the zone database.
if grep -rnE 'dlopen|"/proc/|::l?stat\(|::open\(|::chmod\(|::access\(|::(un)?link\(|std::remove\(|eventfd' \
    "$source_dir/src" --include='*.cpp' --include='*.h' | grep -vE "^$source_dir/src/platform/"; then
    echo "layering: system calls outside src/platform/" >&2
    status=1
fi
if grep -rn 'sqlite3_' "$source_dir/src" --include='*.cpp' --include='*.h' |
    grep -vE "^$source_dir/src/zones/zone_database\.(cpp|h):"; then
    echo "layering: SQLite calls outside the zone database" >&2
    status=1
fi
[[ $status -eq 0 ]] && echo "layering: core, tools and tarnwick-cli are free of Qt; app/ is used by nothing; system calls stay in the platform layer"
exit $status

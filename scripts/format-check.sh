#!/bin/sh
# Fails when a C++ file of the repository differs from what clang-format
# makes of it with the repository's .clang-format. `sh scripts/format-check.sh
# --fix` formats them instead.
set -e
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i $files
    exit 0
fi
bad=""
for f in $files; do
    clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || bad="$bad $f"
done
if [ -n "$bad" ]; then
    echo "not formatted with .clang-format (sh scripts/format-check.sh --fix):"
    for f in $bad; do echo "  $f"; done
    exit 1
fi
echo "format: $(echo $files | wc -w) files as .clang-format has them"

#!/bin/sh
# check_exports.sh FORMAT TOOL FILE PATTERN...
#
# What a library exports against what it may: every name it exports (C++
# names demangled) must match one of the shell patterns PATTERN, and every
# PATTERN without a wildcard must be exported. FORMAT says what FILE is and
# how TOOL reads it:
#   elf     a shared library (Linux); TOOL is nm, the defined dynamic symbols
#   dll     a DLL (Windows); TOOL is objdump, the export table
#   implib  an import library (Windows); TOOL is nm, the functions it imports
# Prints what it found; exit status 1 when a name is exported that may not
# be, or one that must be is missing.
format=$1 tool=$2 file=$3
shift 3
case $format in
    elf) dump=$("$tool" -D --defined-only "$file") || exit 2
        names=$(printf '%s\n' "$dump" | awk 'NF >= 3 { print $3 }') ;;
    dll) dump=$("$tool" -p "$file") || exit 2
        names=$(printf '%s\n' "$dump" |
            sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p') ;;
    implib) dump=$("$tool" "$file") || exit 2
        names=$(printf '%s\n' "$dump" | sed -n 's/^.* I __imp_//p') ;;
    *) echo "error: unknown format $format"; exit 2 ;;
esac
names=$(printf '%s\n' "$names" | c++filt | LC_ALL=C sort -u)
echo "$file exports $(printf '%s\n' "$names" | grep -c .) names"

status=0
while IFS= read -r name; do
    [ -n "$name" ] || continue
    allowed=no
    for pattern in "$@"; do
        # shellcheck disable=SC2254 # the pattern is a pattern
        case $name in $pattern) allowed=yes; break ;; esac
    done
    if [ $allowed = no ]; then
        echo "error: $file exports $name, which it may not"
        status=1
    fi
done <<EOF_NAMES
$names
EOF_NAMES

for pattern in "$@"; do
    case $pattern in *[*?[]*) continue ;; esac
    if ! printf '%s\n' "$names" | grep -qxF -- "$pattern"; then
        echo "error: $file does not export $pattern"
        status=1
    fi
done
exit $status

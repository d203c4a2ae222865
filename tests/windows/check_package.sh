#!/bin/sh
# check_package.sh CPACK CMAKE CPACK_CONFIG WORKDIR FILE...
#
# Makes the ZIP package of the build (CPACK_CONFIG, its CPackConfig.cmake) in
# WORKDIR and checks that it holds exactly FILE..., paths inside the archive,
# with no top folder: the archive unzips straight into the host's folder. The
# text in it (the one *README.txt) must name every file, so that a plug-in
# added to the package is never missing from the text that lists them.
cpack=$1 cmake=$2 config=$3 work=$4
shift 4
rm -rf "${work:?}"
mkdir -p "$work"
"$cpack" --config "$config" -B "$work" >"$work/cpack.txt" 2>&1 || {
    cat "$work/cpack.txt"
    exit 1
}
set -- "$work"/*.zip "$@"
[ -f "$1" ] || { echo "error: cpack made no ZIP in $work"; exit 1; }
zip=$1
shift
(cd "$work" && "$cmake" -E tar tf "$zip") | grep -v '/$' | LC_ALL=C sort >"$work/found.txt"
printf '%s\n' "$@" | LC_ALL=C sort >"$work/expected.txt"
echo "$zip:"
cat "$work/found.txt"
if ! cmp -s "$work/found.txt" "$work/expected.txt"; then
    echo "error: the package should hold exactly:"
    cat "$work/expected.txt"
    exit 1
fi

mkdir "$work/unpacked"
(cd "$work/unpacked" && "$cmake" -E tar xf "$zip") || exit 1
text=$(ls "$work"/unpacked/*README.txt)
missing=0
for file in "$@"; do
    # The text may write a path with backslashes, as Windows does.
    tr '\\' / <"$text" | grep -qF "$file" && continue
    echo "error: ${text##*/} does not name $file"
    missing=1
done
exit $missing

#!/bin/sh
# Adds the template aircraft (examples/aircraft-template) to a scratch copy of
# this tree as a new aircraft NAME, making exactly the changes that
# docs/adding-an-aircraft.md lists, and checks that the new aircraft is then a
# full member of the build: the release configuration (without benchmarks,
# warnings as errors) builds, `vmhost fly NAME` flies its default flight off
# the ground, `vmhost validate NAME --strictness 10` passes, its own tests and
# every test that walks the list of aircraft pass, and the installed package
# holds its plug-in and names it in its text. Any of these failing means that
# adding an aircraft needs a change the page does not list. The copy (the
# working tree as it is, uncommitted changes included) goes to a temporary
# folder, removed afterwards unless KEEP is set.
#
#     sh scripts/template-check.sh [NAME]        (NAME defaults to sela)
set -e
cd "$(dirname "$0")/.."
root=$(pwd)
name=${1:-sela}
case $name in
    *[!a-z0-9_]* | [!a-z]*)
        echo "template-check: NAME is a lower-case letter, then letters, digits or _"
        exit 2 ;;
esac
Name=$(printf %s "$name" | cut -c1 | tr a-z A-Z)$(printf %s "$name" | cut -c2-)
template=examples/aircraft-template
[ ! -e "$name" ] || { echo "template-check: $name/ exists already"; exit 2; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/template-check.XXXXXX")
[ -n "$KEEP" ] || trap 'rm -rf "$scratch"' EXIT
trap 'exit 130' INT  # so that a stopped check cleans up too
trap 'exit 143' TERM
tree=$scratch/tree
start=$(date +%s)
step() { echo "== template-check: $* (at $(($(date +%s) - start)) s)"; }
fail() { echo "template-check: FAILED: $*"; exit 1; }

step "a scratch copy of the working tree in $tree"
mkdir "$tree"
# Tracked and new files as they are now (a deleted file is left out).
git ls-files -z --cached --others --exclude-standard |
    xargs -0 sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh |
    tar --null -T - -cf - | tar -C "$tree" -xf -
(cd "$tree" && git init -q && git add -A && git -c user.name=check -c user.email=check@localhost \
    commit -q -m "the working tree")

step "the template becomes aircraft $name"
cd "$tree"
# Its folder, with the template's name replaced by the new one in file names
# and text; the pieces that belong elsewhere go to their places below.
cp -R "$template" "$name"
for file in $(find "$name" -name '*starter*'); do
    mv "$file" "$(echo "$file" | sed "s/starter/$name/g")"
done
find "$name" -type f -exec sed -i "s/starter/$name/g; s/Starter/$Name/g" {} +
# 1. The list of aircraft.
sed -i "s/^set(VM_AIRCRAFT \(.*\))\$/set(VM_AIRCRAFT \1 $name)/" CMakeLists.txt
# 2. Its default flight.
mv "$name/fly.vms" "examples/fly-$name.vms"
# 3. Its own tests.
mv "$name/tests" "tests/$name"

# What changed, as git sees it: exactly the places above.
changes() { git status --porcelain | LC_ALL=C sort | tr '\n' ' '; }
expected=$(printf '%s\n' " M CMakeLists.txt" "?? $name/" \
    "?? examples/fly-$name.vms" "?? tests/$name/" | LC_ALL=C sort | tr '\n' ' ')
[ "$(changes)" = "$expected" ] || fail "changed: $(changes); expected: $expected"
git diff --stat | cat

step "release build without benchmarks, warnings as errors"
cmake --preset release -DVM_BUILD_BENCH=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >"$scratch/configure.txt" ||
    { cat "$scratch/configure.txt"; fail "configure"; }
cmake --build --preset release -j "$(nproc)" >"$scratch/build.txt" 2>&1 ||
    { tail -n 40 "$scratch/build.txt"; fail "build"; }
bin=$tree/build/release/bin

step "vmhost fly $name"
mkdir "$scratch/fly"
(cd "$scratch/fly" && "$bin/vmhost" fly "$name" --report report >summary.txt 2>errors.txt) ||
    { cat "$scratch/fly/summary.txt" "$scratch/fly/errors.txt"; fail "vmhost fly $name"; }
grep "lifts off" "$scratch/fly/summary.txt" || fail "no lift-off in the summary"
grep "top altitude" "$scratch/fly/summary.txt"

step "vmhost validate $name --strictness 10"
(cd "$scratch" && "$bin/vmhost" validate "$name" --strictness 10 >validate.txt 2>&1) ||
    { cat "$scratch/validate.txt"; fail "vmhost validate $name"; }
tail -n 1 "$scratch/validate.txt"

step "its own tests and the tests that walk the list of aircraft"
# Those that name it (validate/NAME ran above), and those labelled `aircraft`,
# which walk the whole list inside one test.
[ -n "$(ls "tests/$name")" ] || fail "tests/$name is empty"
own="(^|[/.])($name|$Name)([/. ]|\$)"  # a parameter's test ends "/NAME  # GetParam() = ..."
# The browser test needs the report's node packages, which live outside git.
[ ! -d "$root/tests/report/node_modules" ] ||
    ln -s "$root/tests/report/node_modules" tests/report/node_modules
(cd build/release && ctest -R "$own" -E '^validate/' -j "$(nproc)" --output-on-failure \
    >"$scratch/tests.txt" 2>&1 && ctest -L aircraft -j "$(nproc)" --output-on-failure \
    >>"$scratch/tests.txt" 2>&1) || { grep -v '^ *[0-9]*/[0-9]* Test' "$scratch/tests.txt" |
    tail -n 60; fail "tests"; }
grep -E 'tests passed|Test +#' "$scratch/tests.txt" | grep -E "$Name|$name|tests passed"
grep -q "$name/" "$scratch/tests.txt" || fail "none of its own tests ran"

step "the installed package"
cmake --install build/release --prefix "$scratch/install" >/dev/null
ls "$scratch/install/Modules/$Name".* >/dev/null 2>&1 ||
    fail "no $Name plug-in in the install tree: $(ls "$scratch/install/Modules")"
text=$(ls "$scratch"/install/*README.txt)
grep -q "Modules.$Name\." "$text" || fail "${text##*/} does not list the $Name plug-in"
grep -q "^$Name " "$text" || fail "${text##*/} has no paragraph on $Name"
echo "${text##*/} lists $(ls "$scratch/install/Modules" | tr '\n' ' ')"

# Nothing the checks ran may have written into the tree.
rm -f tests/report/node_modules
[ "$(changes)" = "$expected" ] || fail "the checks changed the tree: $(changes)"
step "PASS: $name added in the places docs/adding-an-aircraft.md lists"

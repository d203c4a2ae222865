#!/bin/bash
# install_test.sh CMAKE BUILD WORK
#
# Installs the build BUILD into WORK/prefix, as `cmake --install BUILD
# --prefix DIR` does for a user, then checks from another folder that the
# installed vmhost flies (finding its plug-ins and the sound add-on relative
# to itself), and that its bash completion, loaded as bash-completion loads
# it, completes commands, options, aircraft and check ids.
set -u
cmake=$1 build=$2 work=$3
rm -rf "$work"
mkdir -p "$work/elsewhere"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

"$cmake" --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 || {
    cat "$work/install.log"
    exit 1
}
vmhost=$work/prefix/bin/vmhost
cd "$work/elsewhere" || exit 1

"$vmhost" fly tarvik --report report >fly.txt 2>&1 || fail "vmhost fly tarvik: $(cat fly.txt)"
grep -q 'lights on' fly.txt || fail "no flight summary: $(cat fly.txt)"
[ -f report/index.html ] || fail "no report"
printf 'sound full\nload olumbra\ncreate o\nstep\n' >sound.vms
"$vmhost" run sound.vms >trace.txt 2>&1 || fail "sound add-on: $(cat trace.txt)"
"$vmhost" validate tarvik --only exports,lifecycle >validate.txt 2>&1 ||
    fail "vmhost validate tarvik: $(cat validate.txt)"
grep -q '^~ GetVesselSoundID3' trace.txt || fail "the sound add-on is not used"
for doc in README.md docs/vmhost.md examples/fly-tarvik.vms; do
    [ -f "$work/prefix/share/doc/velmora-aircraft/$doc" ] || fail "$doc not installed"
done

. "$work/prefix/share/bash-completion/completions/vmhost"
complete -p vmhost | grep -q -- '-F _vmhost' || fail "no completion for vmhost"

# expect "WORD..." ARG...: completing the last ARG of `vmhost ARG...` offers
# exactly WORD... (in any order).
expect() {
    local want=$1
    shift
    COMP_WORDS=("$vmhost" "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _vmhost
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | xargs)
    want=$(printf '%s\n' $want | LC_ALL=C sort | xargs)
    [ "$got" = "$want" ] || fail "vmhost $*: got '$got', want '$want'"
}

# The check ids, read from validate's own list.
ids=$("$vmhost" validate --list | awk 'NR > 1 { print $1 }' | xargs)
with_l=$(printf '%s\n' $ids | grep '^l' | sed 's/^/exports,/' | xargs)
mkdir completing && cd completing && touch flight.vms notes.txt || exit 1
expect "validate" va
expect "run" ru
expect "--help --version" --
expect "$ids" validate tarvik --only ""
expect "$with_l" validate tarvik --only exports,l
expect "--trace" run flight.vms --t
expect "--report" fly --r
expect "olumbra" fly ol
expect "flight.vms" fly fl
expect "flight.vms" run ""
expect "notes.txt" run --trace = n
expect "fly" help f

[ "$failures" = 0 ] || exit 1
echo "installed vmhost and its completion: all checks passed"

#!/bin/sh
# check_dll.sh OBJDUMP DLL HOST_DLL
#
# A plug-in DLL as the host needs it: it exports exactly vmvcInit, vmvcExit and
# GetModuleVersion, under those plain names, and imports from no DLL but the
# system's own and the host's (HOST_DLL), so that it runs on a machine with
# nothing but the host installed. Prints what it found; exit status 1 when
# either does not hold.
objdump=$1 dll=$2 host=$3
dump=$("$objdump" -p "$dll") || exit 2
status=0

exports=$(printf '%s\n' "$dump" |
    sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' |
    LC_ALL=C sort | tr '\n' ' ')
echo "exports: $exports"
if [ "$exports" != "GetModuleVersion vmvcExit vmvcInit " ]; then
    echo "error: $dll must export exactly GetModuleVersion, vmvcExit and vmvcInit"
    status=1
fi

lower() { printf '%s' "$1" | tr '[:upper:]' '[:lower:]'; }
host=$(lower "$host")
for name in $(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
    case $(lower "$name") in
        "$host" | kernel32.dll | msvcrt.dll | ucrtbase.dll | api-ms-win-*)
            echo "imports: $name" ;;
        *)
            echo "error: $dll imports $name, neither a system DLL nor the host's"
            status=1 ;;
    esac
done
exit $status

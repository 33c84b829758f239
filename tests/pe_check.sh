#!/usr/bin/env bash
# Checks what a Windows program carries: a console executable of the given
# width that imports only KERNEL32.dll and msvcrt.dll, with address space
# layout randomisation (high-entropy on 64-bit), no execution from data pages
# and the stack protector, its version record and a manifest that asks for
# the invoker's execution level and declares long paths. For the library's
# DLL, the same hardening and imports, the interface's names exported and
# nothing else, and its stack protector's canary its own, as the static
# library's is.
# usage: pe_check.sh PROGRAM OBJDUMP WINDRES VERSION POINTER_BYTES
#        pe_check.sh DLL OBJDUMP NM STATIC_LIBRARY POINTER_BYTES
set -u
program=$1 objdump=$2 windres=$3 version=$4 pointer_bytes=$5
. "$(dirname "$0")/lib.sh"

headers=$("$objdump" -p "$program") || exit 1
if [ "$pointer_bytes" = 8 ]; then
    format=pei-x86-64 magic='020b[[:space:]]+\(PE32\+\)' manifest_arch=amd64
    require "high-entropy address space layout randomisation" 'HIGH_ENTROPY_VA' "$headers"
else
    format=pei-i386 magic='010b[[:space:]]+\(PE32\)' manifest_arch=x86
fi
require "format" "file format $format\$" "$headers"
require "magic" "^Magic[[:space:]]+$magic" "$headers"
[[ $program == *.dll ]] ||
    require "console subsystem" '^Subsystem[[:space:]]+00000003[[:space:]]+\(Windows CUI\)' "$headers"
while read -r dll; do
    case ${dll,,} in
    kernel32.dll | msvcrt.dll) ;;
    *) fail "imports $dll besides KERNEL32.dll and msvcrt.dll" ;;
    esac
done < <(awk '/DLL Name:/ {print $3}' <<<"$headers")
require "address space layout randomisation" 'DYNAMIC_BASE' "$headers"
require "no execution from data pages" 'NX_COMPAT' "$headers"
require "stack protector" 'call.*<_*stack_chk_fail>' "$("$objdump" -d "$program")"
if [[ $program == *.dll ]]; then
    nm=$3 static=$4
    exported=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" | awk '/^\t\[/ {print $NF}')
    require "exports the interface" '^crc16_checksum$' "$exported"
    grep -v '^crc16_' <<<"$exported" && fail "exports the names above besides the interface's"
    for library in "$program" "$static"; do
        require "$(basename "$library") carries the stack protector's canary" ' [BDS] _*_stack_chk_guard$' \
            "$("$nm" "$library" 2>/dev/null)"
    done
    finish
fi

resources=$("$windres" -J coff -i "$program" -O rc) || exit 1
fixed=${version//./, }
require "fixed file version" "FILEVERSION $fixed\$" "$resources"
require "fixed product version" "PRODUCTVERSION $fixed\$" "$resources"
require "file version string" "VALUE \"FileVersion\", \"${version//./\\.}\"" "$resources"
require "product version string" "VALUE \"ProductVersion\", \"${version//./\\.}\"" "$resources"
name=$(basename "$program" .exe)
require "its own file name" "VALUE \"OriginalFilename\", \"$name\\.exe\"" "$resources"
require "manifest resource" '^1 24 /\* RT_MANIFEST \*/' "$resources"
require "its own manifest" "assemblyIdentity type=\"\"win32\"\" name=\"\"$name\"\"" "$resources"
require "manifest's processor" "processorArchitecture=\"\"$manifest_arch\"\"" "$resources"
require "execution level" 'requestedExecutionLevel level=""asInvoker""' "$resources"
require "long paths" '<longPathAware xmlns=""http://schemas\.microsoft\.com/SMI/2016/WindowsSettings"">true</longPathAware>' "$resources"
finish

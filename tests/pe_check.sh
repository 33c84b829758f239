#!/usr/bin/env bash
# Checks what the Windows program carries: a 32-bit console executable that
# imports only KERNEL32.dll and msvcrt.dll, with address space layout
# randomisation, no execution from data pages and the stack protector, its
# version record and a manifest that asks for the invoker's execution level
# and declares long paths.
# usage: pe_check.sh PROGRAM OBJDUMP WINDRES VERSION
set -u
program=$1 objdump=$2 windres=$3 version=$4
failures=0
require() { # what pattern text
    if ! grep -q -F -- "$2" <<<"$3"; then
        echo "FAIL: $1: no '$2'"
        failures=$((failures + 1))
    fi
}

headers=$("$objdump" -p "$program") || exit 1
require "format" "file format pei-i386" "$headers"
require "PE32 magic" "Magic			010b	(PE32)" "$headers"
require "console subsystem" "Subsystem		00000003	(Windows CUI)" "$headers"
while read -r dll; do
    case ${dll,,} in
    kernel32.dll | msvcrt.dll) ;;
    *) echo "FAIL: imports $dll besides KERNEL32.dll and msvcrt.dll"; failures=$((failures + 1)) ;;
    esac
done < <(awk '/DLL Name:/ {print $3}' <<<"$headers")
require "address space layout randomisation" "DYNAMIC_BASE" "$headers"
require "no execution from data pages" "NX_COMPAT" "$headers"
require "stack protector" "call" "$("$objdump" -d "$program" | grep 'call.*<___stack_chk_fail>')"

resources=$("$windres" -J coff -i "$program" -O rc) || exit 1
fixed=${version//./, }
require "fixed file version" "FILEVERSION $fixed" "$resources"
require "fixed product version" "PRODUCTVERSION $fixed" "$resources"
require "file version string" "VALUE \"FileVersion\", \"$version\"" "$resources"
require "product version string" "VALUE \"ProductVersion\", \"$version\"" "$resources"
require "manifest resource" "1 24 /* RT_MANIFEST */" "$resources"
require "execution level" 'requestedExecutionLevel level=""asInvoker""' "$resources"
require "long paths" '<longPathAware xmlns=""http://schemas.microsoft.com/SMI/2016/WindowsSettings"">true</longPathAware>' "$resources"
exit $((failures > 0))

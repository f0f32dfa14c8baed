#!/usr/bin/env bash
# Checks built saver executables: a Windows GUI program (subsystem 2), PE32
# when built for i686 and PE32+ when built for x86_64, importing only the
# system DLLs it is meant to (so the runtimes are linked in), and carrying
# exactly the description string and the icon group with its 32x32 and 16x16
# 16-colour images; the 32-bit one also without imports that only newer
# Windows has, and without SSE instructions, which the processors of Windows
# 95 to 2000 lack. With --stripped, also without symbols and debugging information, as the
# copies in the downloads are. Fails loudly on the first regression.
# Usage: tools/check_scr.sh [--stripped] FILE.scr...
set -euo pipefail

allowed="ADVAPI32.DLL GDI32.DLL GLU32.DLL KERNEL32.DLL MSVCRT.DLL OPENGL32.DLL USER32.DLL"
status=0

fail() {
    echo "check_scr: $file: $*" >&2
    status=1
    file_ok=0
}

stripped=0
if [ "${1:-}" = --stripped ]; then
    stripped=1
    shift
fi
[ $# -gt 0 ] || { echo "usage: $0 [--stripped] FILE.scr..." >&2; exit 2; }

for file in "$@"; do
    file_ok=1
    if [ ! -f "$file" ]; then
        fail "missing"
        continue
    fi
    headers=$(x86_64-w64-mingw32-objdump -p "$file" 2>&1) || { fail "objdump cannot read it"; continue; }

    format=$(sed -n 's/.*file format \(.*\)$/\1/p' <<<"$headers" | head -n1)
    magic=$(awk '$1 == "Magic" {print $2; exit}' <<<"$headers")
    case "$format" in
        pei-i386) [ "$magic" = 010b ] || fail "i686 build is not PE32 (magic $magic)" ;;
        pei-x86-64) [ "$magic" = 020b ] || fail "x86_64 build is not PE32+ (magic $magic)" ;;
        *) fail "unexpected file format '$format'" ;;
    esac

    subsystem=$(awk '$1 == "Subsystem" {print $2; exit}' <<<"$headers")
    [ "$subsystem" = 00000002 ] || fail "subsystem is $subsystem, not 2 (Windows GUI)"

    imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '[:lower:]' '[:upper:]')
    [ -n "$imports" ] || fail "no imports found"
    for dll in $imports; do
        case " $allowed " in
            *" $dll "*) ;;
            *) fail "imports $dll, which is not a system DLL it may use" ;;
        esac
    done

    # The 32-bit saver must load where Vista's kernel functions are missing:
    # these come with the POSIX thread layer of a mingw-w64 runtime.
    if [ "$format" = pei-i386 ]; then
        functions=$(awk '/DLL Name:/ {dll = toupper($3)} dll == "KERNEL32.DLL" && /^\t[ 0-9a-f]+\t/ {print $NF}' <<<"$headers")
        for newer in GetTickCount64 AddVectoredExceptionHandler RemoveVectoredExceptionHandler \
            InitializeConditionVariable InitializeSRWLock AcquireSRWLockExclusive GetHandleInformation; do
            if grep -qx "$newer" <<<"$functions"; then
                fail "imports KERNEL32 $newer, which older Windows lacks (a runtime with the POSIX thread layer?)"
            fi
        done
    fi

    # x87 arithmetic only: a Pentium II or an Athlon ends the saver at the
    # first instruction on an xmm register, on MXCSR, or of SSE's other kinds.
    if [ "$format" = pei-i386 ]; then
        sse=$(i686-w64-mingw32-objdump -d --no-show-raw-insn "$file" |
            grep -E '%[xy]mm|mxcsr|\b(sfence|lfence|mfence|movnti|clflush|prefetch(nta|t[012]))\b' || true)
        [ -z "$sse" ] || fail "has $(wc -l <<<"$sse") SSE instructions, the first: $(head -n1 <<<"$sse" | tr -s ' \t' ' ' | sed 's/^ //')"
    fi

    if [ $stripped -eq 1 ]; then
        summary=$(x86_64-w64-mingw32-objdump -f -h "$file" 2>&1)
        grep -qE 'HAS_SYMS|HAS_DEBUG' <<<"$summary" && fail "not stripped: it has symbols or debugging information"
        grep -qE '^ *[0-9]+ \.debug' <<<"$summary" && fail "not stripped: it has .debug sections"
    fi

    resources=$(wrestool -l "$file" 2>&1) || { fail "wrestool cannot read its resources"; continue; }
    # Exactly these: the two icon images, the string block and the icon
    # group; no manifest, version, dialog or menu.
    kinds=$(sed -n 's/^--type=\([0-9]*\) --name=\([0-9]*\) --language=\([0-9]*\) .*/\1:\2:\3/p' <<<"$resources" | sort | tr '\n' ' ')
    [ "$kinds" = "14:1:1033 3:1:1033 3:2:1033 6:1:1033 " ] ||
        fail "resources are '$kinds', not exactly the icons 1 and 2, string block 1 and icon group 1"
    grep -q -- '--type=6 --name=1 --language=1033 ' <<<"$resources" ||
        fail "string table block 1 (English, United States) missing"
    grep -q -- '--type=14 --name=1 --language=1033 ' <<<"$resources" ||
        fail "icon group 1 (English, United States) missing"

    # String 1 is the second UTF-16 string of block 1 (string 0 is empty).
    strings=$(wrestool -x --raw --type=6 --name=1 "$file" 2>/dev/null | python3 -c '
import struct, sys
data = sys.stdin.buffer.read()
at, found = 0, []
while at + 2 <= len(data):
    (n,) = struct.unpack_from("<H", data, at)
    found.append(data[at + 2 : at + 2 + 2 * n].decode("utf-16-le"))
    at += 2 + 2 * n
print(found[1] if len(found) > 1 else "")' || true)
    [ "$strings" = "Cindral screen saver" ] || fail "string 1 is '$strings', not 'Cindral screen saver'"

    # Width, height, colours, planes and bits of each image in the group.
    group=$(wrestool -x --raw --type=14 --name=1 "$file" 2>/dev/null | python3 -c '
import struct, sys
data = sys.stdin.buffer.read()
count = struct.unpack_from("<H", data, 4)[0] if len(data) >= 6 else 0
for i in range(count if len(data) >= 6 + 14 * count else 0):
    w, h, colours, _, planes, bits, _, ident = struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i)
    print(f"icon{ident} {w}x{h} colours={colours} planes={planes} bits={bits}")' || true)
    for expected in "icon1 32x32 colours=16 planes=1 bits=4" "icon2 16x16 colours=16 planes=1 bits=4"; do
        grep -qx "$expected" <<<"$group" || fail "icon group lacks '$expected' (has: ${group//$'\n'/; })"
    done

    [ $file_ok -eq 0 ] || echo "check_scr: $file: ok ($format, GUI,$([ $stripped -eq 0 ] || echo ' stripped,') imports: $(tr '\n' ' ' <<<"$imports"))"
done
exit $status

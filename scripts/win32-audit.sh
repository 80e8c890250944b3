#!/usr/bin/env bash
# Audits the built Windows program for the machines of the 95 family.
#
#   scripts/win32-audit.sh [--update] [PROGRAM [IMPORT_LIST]]
#
# PROGRAM defaults to build/win32/win32/navanava.scr, IMPORT_LIST to
# tests/audit/win32_imports.txt. Three checks, each failure printed:
#
# 1. Instructions. Every instruction of the code (`objdump -d`) must run on an
#    80386 with an 80387 unit: one of the instruction set below (8086 to
#    80386, x87 to 80387), no multi-byte nop (0f 1f, Pentium Pro) and no
#    operand an MMX, SSE or AVX register. Each function with others is named,
#    with every kind of instruction it has too many, the processor that
#    brought it and how often it occurs. The constructor and destructor
#    tables that the linker places at the end of the code section are data
#    and are skipped.
# 2. The PE header: a Windows GUI program of subsystem version 4.0.
# 3. The imports: every DLL and function imported, compared with IMPORT_LIST,
#    one "DLL function" per line (DLL names in capitals); lines starting with
#    '+' are imports the list lacks, '-' listed ones no longer imported. Every
#    DLL must be one of the system's own that the first Windows 95 release
#    has: KERNEL32, USER32, GDI32, ADVAPI32 and COMCTL32 (no C runtime DLL).
#
# --update rewrites IMPORT_LIST from PROGRAM (review the difference before
# committing it: every function must exist in the first 95 release's DLLs,
# see the list's header). OBJDUMP names the objdump to use.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
update=0
if [ "${1:-}" = "--update" ]; then update=1; shift; fi
program=${1:-$here/build/win32/win32/navanava.scr}
list=${2:-$here/tests/audit/win32_imports.txt}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
[ -f "$program" ] || { echo "win32-audit: $program not found" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$objdump" -d -C --no-show-raw-insn -M intel "$program" >"$work/code"
"$objdump" -p "$program" >"$work/headers"

python3 - "$work/code" "$work/headers" "$list" "$update" <<'PY'
import re, sys

code_path, headers_path, list_path, update = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4] == "1"

# Instructions of the 80386 (8086 to 80386) and of its 80387 unit (8087 to
# 80387), as objdump names them in Intel syntax.
ALLOWED = set("""
aaa aad aam aas adc add and arpl bound bsf bsr bt btc btr bts call cbw cdq
clc cld cli clts cmc cmp cmps cmpsb cmpsd cmpsw cwd cwde daa das dec div
enter hlt idiv imul in inc ins insb insd insw int int3 into iret iretd jcxz
jecxz jmp lahf lar lds lea leave les lfs lgs lods lodsb lodsd lodsw loop loope
loopne lsl lss mov movs movsb movsd movsw movsx movzx mul neg nop not or out
outs pop popa popad popf popfd push pusha pushad pushf pushfd rcl rcr ret retf
rol ror sahf sal sar sbb scas scasb scasd scasw shl shld shr shrd stc std sti
stos stosb stosd stosw sub test wait fwait xchg xlat xlatb xor
ja jae jb jbe je jg jge jl jle jne jno jnp jns jo jp js
seta setae setb setbe sete setg setge setl setle setne setno setnp setns seto
setp sets
f2xm1 fabs fadd faddp fiadd fbld fbstp fchs fclex fnclex fcom fcomp fcompp
fcos fdecstp fdiv fdivp fidiv fdivr fdivrp fidivr ffree ficom ficomp fild
fincstp finit fninit fist fistp fld fld1 fldl2t fldl2e fldpi fldlg2 fldln2
fldz fldcw fldenv fmul fmulp fimul fnop fpatan fprem fprem1 fptan frndint
frstor fsave fnsave fscale fsin fsincos fsqrt fst fstp fstcw fnstcw fstenv
fnstenv fstsw fnstsw fsub fsubp fisub fsubr fsubrp fisubr ftst fucom fucomp
fucompp fxam fxch fxtract fyl2x fyl2xp1
""".split())
# Later instructions, with the processor that brought them, for the report.
LATER = {}
for names, cpu in (
        ("bswap cmpxchg xadd invd wbinvd invlpg", "80486"),
        ("cpuid", "late 80486 and Pentium"),
        ("cmpxchg8b rdtsc rdmsr wrmsr rsm", "Pentium"),
        ("rdpmc ud2 ud2a cmova cmovae cmovb cmovbe cmove cmovg cmovge cmovl cmovle "
         "cmovne cmovno cmovnp cmovns cmovo cmovp cmovs fcmovb fcmove fcmovbe fcmovu "
         "fcmovnb fcmovne fcmovnbe fcmovnu fcomi fcomip fucomi fucomip", "Pentium Pro"),
        ("emms", "Pentium MMX"),
        ("sysenter sysexit fxsave fxrstor", "Pentium II"),
        ("pause", "Pentium 4"),
        ("fisttp", "Pentium 4 with SSE3"),
        ("tzcnt lzcnt popcnt movbe endbr32", "a processor of the 2000s or later")):
    for n in names.split():
        LATER[n] = cpu
PREFIXES = {"lock", "rep", "repz", "repnz", "repe", "repne", "data16", "addr16",
            "cs", "ds", "ss", "es", "fs", "gs"}
# Data the linker places in the code section.
DATA_LABEL = re.compile(r"^_*(CTOR|DTOR)_LIST__$|^\.(ctors|dtors)(\.|$)")
EXTENSION_REGISTER = re.compile(r"\b([xyz]?mm[0-9]+|k[0-7])\b")
LABEL = re.compile(r"^[0-9a-f]+ <(.+)>:$")
INSN = re.compile(r"^\s*[0-9a-f]+:\t(.*)$")

failures = {}
function, in_data, labels = None, False, 0
for line in open(code_path, encoding="utf-8", errors="replace"):
    line = line.rstrip("\n")
    m = LABEL.match(line)
    if m:
        function, labels = m.group(1), labels + 1
        in_data = bool(DATA_LABEL.search(function))
        continue
    m = INSN.match(line)
    if not m or in_data:
        continue
    text = m.group(1).strip()
    words = text.split()
    while words and words[0] in PREFIXES:
        words = words[1:]
    if not words:
        continue
    mnemonic, operands = words[0], " ".join(words[1:])
    operands = re.sub(r"<[^>]*>", "", operands)  # symbol names beside addresses
    reason = None
    if EXTENSION_REGISTER.search(operands):
        reason = "MMX/SSE/AVX register"
    elif mnemonic == "nop" and operands:
        reason = "multi-byte nop, Pentium Pro"
    elif mnemonic in LATER:
        reason = LATER[mnemonic]
    elif mnemonic not in ALLOWED:
        reason = "not an 80386 or 80387 instruction"
    if reason:
        kinds = failures.setdefault(function or "?", {})
        kind = kinds.setdefault((mnemonic, reason), [text, 0])
        kind[1] += 1

ok = True
if labels == 0:
    print("instructions: no symbols in the program, so no function could be named")
    ok = False
for fn, kinds in failures.items():
    ok = False
    total = sum(count for _, count in kinds.values())
    print("instructions: %s: %d instruction(s) the 80386 with 80387 lacks" % (fn, total))
    for (mnemonic, reason), (example, count) in kinds.items():
        print("    %s   (%s)%s" % (example, reason, " x%d" % count if count > 1 else ""))
if not failures and labels:
    print("instructions: every one runs on the 80386 with the 80387 (no MMX, no SSE)")

headers = open(headers_path, encoding="utf-8", errors="replace").read()
def field(name):
    m = re.search(r"^%s\s+(\S+)" % name, headers, re.M)
    return m.group(1) if m else "?"
subsystem = (field("Subsystem"), field("MajorSubsystemVersion"), field("MinorSubsystemVersion"))
if subsystem == ("00000002", "4", "0"):
    print("header: Windows GUI program, subsystem version 4.0")
else:
    print("header: subsystem %s version %s.%s, expected 00000002 (Windows GUI) version 4.0" % subsystem)
    ok = False

imports, dll = [], None
in_imports = False
for line in headers.splitlines():
    if line.startswith("The Import Tables"):
        in_imports = True
        continue
    if not in_imports:
        continue
    if line.startswith("The ") or line.startswith("PE File Base Relocations"):
        break
    m = re.match(r"^\tDLL Name: (.+)$", line)
    if m:
        dll = m.group(1).strip().upper()
        continue
    m = re.match(r"^\t[0-9a-f]+\t\s*(\d+)\s+(\S+)", line)
    if m and dll:
        name = m.group(2)
        imports.append("%s %s" % (dll, "ordinal " + m.group(1) if name == "<none>" else name))
imports = sorted(set(imports))

HEADER = """\
# Every function the Windows program imports, one "DLL function" per line.
# scripts/win32-audit.sh compares the built program with this list; after a
# reviewed change, `scripts/win32-audit.sh --update` rewrites it.
# Each one must exist in the system DLLs of the first Windows 95 release (at
# least as a stub that fails cleanly); anything newer is loaded at run time
# with GetProcAddress. No C runtime DLL: the program brings its own start-up.
"""
if update:
    with open(list_path, "w") as f:
        f.write(HEADER)
        f.write("".join(i + "\n" for i in imports))
    print("imports: %d written to %s" % (len(imports), list_path))
try:
    listed = sorted(set(l.strip() for l in open(list_path)
                        if l.strip() and not l.startswith("#")))
except OSError:
    listed = []
    print("imports: no list at %s" % list_path)
SYSTEM_DLLS = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "ADVAPI32.DLL", "COMCTL32.DLL"}
for other in sorted(set(i.split()[0] for i in imports) - SYSTEM_DLLS):
    ok = False
    count = sum(1 for i in imports if i.split()[0] == other)
    print("imports: %s is not a system DLL of the first Windows 95 release (%d function(s))"
          % (other, count))
added = [i for i in imports if i not in listed]
removed = [i for i in listed if i not in imports]
if added or removed:
    ok = False
    print("imports: the program differs from %s:" % list_path)
    for i in added:
        print("+ " + i)
    for i in removed:
        print("- " + i)
else:
    print("imports: %d, as listed" % len(imports))
sys.exit(0 if ok else 1)
PY

#!/usr/bin/env bash
# Audits the built Windows program for the machines of the 95 family.
#
#   scripts/win32-audit.sh [--update] [PROGRAM [IMPORT_LIST]]
#
# PROGRAM defaults to build/win32/win32/navanava.scr, IMPORT_LIST to
# tests/audit/win32_imports.txt. Three checks, each failure printed:
#
# 1. Instructions. Every instruction of the code (`objdump -d`) must run on a
#    Pentium Pro: one of the instruction set below (8086 to P6, x87 included),
#    and no operand an MMX, SSE or AVX register. Failures name the function.
#    The C runtime's start-up already uses cmov, so the Pentium Pro is the
#    floor anyway (its multi-byte nop, 0f 1f, is allowed too). Two encodings
#    of newer names are allowed:
#    - pause is `rep nop`, which earlier processors execute as nop;
#    - tzcnt is `rep bsf`, which processors before BMI1 execute as bsf. The
#      compiler emits it for a count of trailing zeros only where the operand
#      is not zero, and there tzcnt and bsf give the same result (the
#      toolchain's own floating-point formatting is built so).
#    The constructor and destructor tables that the linker places at the end
#    of the code section are data and are skipped.
# 2. The PE header: a Windows GUI program of subsystem version 4.0.
# 3. The imports: every DLL and function imported, compared with IMPORT_LIST,
#    one "DLL function" per line (DLL names in capitals); lines starting with
#    '+' are imports the list lacks, '-' listed ones no longer imported.
#
# --update rewrites IMPORT_LIST from PROGRAM (review the difference before
# committing it: every function must exist in the 95 family's DLLs, see the
# list's header). OBJDUMP names the objdump to use.
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

# Instructions of the Pentium Pro (8086 to P6, with the x87 unit), as objdump
# names them in Intel syntax.
ALLOWED = set("""
aaa aad aam aas adc add and arpl bound bsf bsr bswap bt btc btr bts call cbw
cdq clc cld cli clts cmc cmp cmps cmpsb cmpsd cmpsw cmpxchg cmpxchg8b cpuid
cwd cwde daa das dec div enter hlt idiv imul in inc ins insb insd insw int
int3 into iret iretd jcxz jecxz jmp lahf lar lds lea leave les lfs lgs lods
lodsb lodsd lodsw loop loope loopne lsl lss mov movs movsb movsd movsw movsx
movzx mul neg nop not or out outs pop popa popad popf popfd push pusha pushad
pushf pushfd rcl rcr rdmsr rdpmc rdtsc ret retf rol ror sahf sal sar sbb scas
scasb scasd scasw shl shld shr shrd stc std sti stos stosb stosd stosw sub
test ud2 wait fwait xadd xchg xlat xlatb xor
ja jae jb jbe je jg jge jl jle jne jno jnp jns jo jp js
cmova cmovae cmovb cmovbe cmove cmovg cmovge cmovl cmovle cmovne cmovno
cmovnp cmovns cmovo cmovp cmovs
seta setae setb setbe sete setg setge setl setle setne setno setnp setns seto
setp sets
f2xm1 fabs fadd faddp fiadd fbld fbstp fchs fclex fnclex fcom fcomp fcompp
fcomi fcomip fucomi fucomip fcos fdecstp fdiv fdivp fidiv fdivr fdivrp fidivr
ffree ficom ficomp fild fincstp finit fninit fist fistp fld fld1 fldl2t fldl2e
fldpi fldlg2 fldln2 fldz fldcw fldenv fmul fmulp fimul fnop fpatan fprem
fprem1 fptan frndint frstor fsave fnsave fscale fsin fsincos fsqrt fst fstp
fstcw fnstcw fstenv fnstenv fstsw fnstsw fsub fsubp fisub fsubr fsubrp fisubr
ftst fucom fucomp fucompp fxam fxch fxtract fyl2x fyl2xp1
fcmovb fcmove fcmovbe fcmovu fcmovnb fcmovne fcmovnbe fcmovnu
pause tzcnt
""".split())
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
    elif mnemonic not in ALLOWED:
        reason = "not a Pentium Pro instruction"
    if reason:
        failures.setdefault(function or "?", []).append("%s   (%s)" % (text, reason))

ok = True
if labels == 0:
    print("instructions: no symbols in the program, so no function could be named")
    ok = False
for fn, bad in failures.items():
    ok = False
    print("instructions: %s: %d instruction(s) a Pentium Pro lacks" % (fn, len(bad)))
    for b in bad[:5]:
        print("    " + b)
if not failures and labels:
    print("instructions: every one runs on a Pentium Pro (no MMX, no SSE)")

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
# Each one must exist in the 95 family's system DLLs (at least as a stub that
# fails cleanly); anything newer is loaded at run time with GetProcAddress.
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

#!/usr/bin/env bash
# The Debian package as a Debian packager would take it:
# - lintian (every tag shown, pedantic ones too) reports no error and no
#   warning, and no hardening tag of any level;
# - every program in it is hardened as dpkg-buildflags asks: position-
#   independent, RELRO with immediate binding, stack protector (lintian
#   itself looks for unfortified C library calls);
# - its copyright file carries the project's licence exactly as LICENSE has
#   it, and the notice of every protocol description kept in the source tree.
#
#   lintian_test.sh DEB SOURCE_DIR
set -euo pipefail
deb=$1 source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

echo "$(lintian --version) on $(basename "$deb")"
# --fail-on makes lintian's own status say whether an error or a warning was
# found; the tags are checked here as well, so that a lintian that fails for
# another reason (an unreadable package) is not taken for a clean one.
set +e
lintian --display-info --pedantic --fail-on error,warning "$deb" >"$work/lintian.out" 2>&1
status=$?
set -e
grep -v '^running with root privileges is not recommended!$' "$work/lintian.out" \
  | sed 's/^/  lintian: /' || true
bad=$(grep -E '^[EW]: |^[A-Z]: [^ ]+: hardening-' "$work/lintian.out" || true)
if [ -n "$bad" ]; then
  fail "lintian reports errors, warnings or missing hardening:"
  sed 's/^/    /' <<<"$bad"
elif [ "$status" -ne 0 ]; then
  fail "lintian ended with status $status"
else
  pass "lintian: no error, no warning, no hardening tag"
fi

# The programs' hardening, read from the ELF files themselves.
dpkg-deb -x "$deb" "$work/root"
programs=0
while IFS= read -r -d '' f; do
  [ "$(head -c 4 "$f" | od -An -c | tr -d ' ')" = '177ELF' ] || continue
  programs=$((programs + 1))
  name=${f#"$work/root"}
  header=$(readelf -hW "$f") segments=$(readelf -lW "$f")
  dynamic=$(readelf -dW "$f") symbols=$(readelf --dyn-syms -W "$f")
  missing=()
  grep -Eq 'Type: +DYN' <<<"$header" || missing+=("PIE")
  grep -q 'GNU_RELRO' <<<"$segments" || missing+=("RELRO")
  grep -Eq '\(BIND_NOW\)|\(FLAGS\).*BIND_NOW|\(FLAGS_1\).*NOW' <<<"$dynamic" || missing+=("bind-now")
  grep -q ' __stack_chk_fail' <<<"$symbols" || missing+=("stack protector")
  if [ ${#missing[@]} -eq 0 ]; then
    pass "$name: PIE, RELRO, bind-now, stack protector"
  else
    fail "$name lacks: ${missing[*]}"
  fi
done < <(find "$work/root" -type f -perm -u+x -print0)
[ "$programs" -gt 0 ] || fail "no program found in the package"

# The copyright file against LICENSE and the protocol descriptions' notices.
python3 - "$work/root/usr/share/doc/navanava/copyright" "$source_dir" <<'EOF' || failures=$((failures + 1))
import fnmatch, os, re, sys

copyright_path, source_dir = sys.argv[1], sys.argv[2]
failed = False
def fail(message):
    global failed
    failed = True
    print("FAIL: " + message)

def words(text):
    return " ".join(text.split())

# Paragraphs of the machine-readable format: fields, continuation lines
# indented, " ." an empty line.
if not os.path.isfile(copyright_path):
    print("FAIL: the package has no /usr/share/doc/navanava/copyright")
    sys.exit(1)
paragraphs = []
for block in re.split(r"\n\s*\n", open(copyright_path, encoding="utf-8").read().strip()):
    fields, name = {}, None
    for line in block.split("\n"):
        if line[:1] in (" ", "\t"):
            fields[name] += "\n" + ("" if line.strip() == "." else line.strip())
        else:
            name, _, value = line.partition(":")
            fields[name] = value.strip()
    paragraphs.append(fields)
header, rest = paragraphs[0], paragraphs[1:]
if not header.get("Format", "").startswith("https://www.debian.org/doc/packaging-manuals/copyright-format/1.0"):
    fail("copyright: not in the machine-readable format")
files = [p for p in rest if "Files" in p]
licenses = {p["License"].split("\n")[0]: p["License"] for p in rest if "Files" not in p}

def covering(path):
    """The Files paragraph for path: the last one that matches, as the format says."""
    found = None
    for p in files:
        if any(fnmatch.fnmatchcase(path, pattern) for pattern in p["Files"].split()):
            found = p
    return found

def license_text(paragraph):
    name, _, text = paragraph["License"].partition("\n")
    if not text.strip():
        _, _, text = licenses.get(name.strip(), "\n").partition("\n")
    return text

def check(path, holders, notice):
    p = covering(path)
    if p is None:
        fail(f"copyright: no Files paragraph covers {path}")
        return
    good = True
    if words(p["Copyright"]) != words(holders):
        fail(f"copyright: {path}: Copyright is '{words(p['Copyright'])}', the file says '{words(holders)}'")
        good = False
    if words(license_text(p)) != words(notice):
        fail(f"copyright: {path}: the licence text differs from the file's notice")
        good = False
    if good:
        print(f"ok: copyright covers {path} with its notice")

# The project's own licence.
license = open(os.path.join(source_dir, "LICENSE"), encoding="utf-8").read()
m = re.search(r"^Copyright \(c\) (.+)$", license, re.M)
start = license.find("Permission is hereby granted")
if not m or start < 0:
    fail("LICENSE: no copyright line or permission notice")
else:
    check("LICENSE", m.group(1), license[start:])

# Every protocol description (an XML file with a <copyright> notice).
skip = {"build", "node_modules", ".git"}
for root, dirs, names in os.walk(source_dir):
    dirs[:] = [d for d in dirs if d not in skip and not d.startswith("build")]
    for name in names:
        if not name.endswith(".xml"):
            continue
        full = os.path.join(root, name)
        notice = re.search(r"<copyright>(.*?)</copyright>", open(full, encoding="utf-8").read(), re.S)
        if not notice:
            continue
        path = os.path.relpath(full, source_dir)
        lines = notice.group(1).strip().split("\n")
        holders = [re.sub(r"^\s*Copyright\s*(©|\(c\))?\s*", "", l) for l in lines if re.match(r"\s*Copyright\b", l)]
        body = "\n".join(l for l in lines if not re.match(r"\s*Copyright\b", l))
        check(path, "\n".join(holders), body)
sys.exit(1 if failed else 0)
EOF

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }

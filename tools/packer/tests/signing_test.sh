#!/bin/bash
# The build machine's packer signs: a throwaway certificate made with openssl,
# the installer packed from the stub and signed at a given time. Checked with
# osslsigncode and 7-Zip (readers other than ours): the installer and the
# uninstaller it carries verify; the same input signs to the same bytes; one
# byte changed in a section or in a payload fails verification; the unsigned
# installer's PE checksum holds and it carries the stub's own resources byte
# for byte; without osslsigncode the packer still packs unsigned, and
# refuses to sign with a message and no output.
#   signing_test.sh PACKER PRODUCT_FOLDER MANIFEST_SOURCE STUB
set -euo pipefail
packer=$1 product=$2 manifest=$3 stub=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL $*" >&2; exit 1; }

# The throwaway certificate: a self-signed code-signing certificate in a
# PKCS#12 file, its password in a file.
printf 'throwaway-password\n' > "$work/pass.txt"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=DIzavozi test signer" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
openssl pkcs12 -export -in "$work/cert.pem" -inkey "$work/key.pem" -out "$work/cert.p12" \
  -passout "file:$work/pass.txt"

sign=(--sign-pkcs12 "$work/cert.p12" --sign-password-file "$work/pass.txt" --sign-time 1700000000)
"$packer" "$product" "$manifest" --stub "$stub" --out "$work/a/setup.exe" "${sign[@]}" >/dev/null 2>&1 \
  && fail "packed into a folder that does not exist"
mkdir "$work/a" "$work/b"
"$packer" "$product" "$manifest" --stub "$stub" --out "$work/a/setup.exe" "${sign[@]}" >/dev/null
"$packer" "$product" "$manifest" --stub "$stub" --out "$work/b/setup.exe" "${sign[@]}" >/dev/null
cmp -s "$work/a/setup.exe" "$work/b/setup.exe" || fail "the same input and signing time gave different bytes"
[ -z "$(ls "$work/a")" ] || [ "$(ls "$work/a")" = setup.exe ] || fail "work files left: $(ls "$work/a")"

verify() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >"$work/verify.log" 2>&1; }
verify "$work/a/setup.exe" || { cat "$work/verify.log"; fail "the installer does not verify"; }
grep -q "Signing time: Nov 14 22:13:20 2023 GMT" "$work/verify.log" || { cat "$work/verify.log"; fail "signing time"; }

# The uninstaller as the installer carries it: payload C5, the password the
# installer's (GBK).
(cd "$work" && 7z x -tPE -y -o"$work/res" "$work/a/setup.exe" '.rsrc/C5/C5' >/dev/null)
c5=$(find "$work/res" -type f -name C5 | head -n 1)
[ -n "$c5" ] || fail "no payload C5 in the installer"
password=$(printf '青松白云' | iconv -f UTF-8 -t CP936)
unzip -q -P "$password" -d "$work/un" "$c5" UnInstall.exe
verify "$work/un/UnInstall.exe" || { cat "$work/verify.log"; fail "the carried uninstaller does not verify"; }

# One byte changed: in the first section, and in the middle of payload C0.
flip() {  # flip FILE OFFSET
  local byte
  byte=$(od -An -tu1 -j "$2" -N1 "$1" | tr -d ' ')
  printf "$(printf '\\%03o' $(( byte ^ 1 )))" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
section_at() {  # the file offset of a section's bytes
  local hex
  hex=$(objdump -h "$work/a/setup.exe" | awk -v name="$1" '$2 == name { print $6; exit }')
  [ -n "$hex" ] || fail "no section $1"
  echo $(( 16#$hex ))
}
section_offset=$(( $(section_at .text) + 100 ))
# The added resources' section holds C0's data first.
added_offset=$(section_at .rsrc)
c0_offset=$(python3 -c '
import sys
data = open(sys.argv[1], "rb").read()
print(data.index(b"PK\x03\x04", int(sys.argv[2])) + 200)' "$work/a/setup.exe" "$added_offset")
for offset in "$section_offset" "$c0_offset"; do
  cp "$work/a/setup.exe" "$work/damaged.exe"
  flip "$work/damaged.exe" "$offset"
  cmp -s "$work/a/setup.exe" "$work/damaged.exe" && fail "the byte at $offset did not change"
  verify "$work/damaged.exe" && fail "verification passed with the byte at $offset changed"
done

# Without osslsigncode: packing works, signing is refused with no output.
"$packer" "$product" "$manifest" --stub "$stub" --out "$work/unsigned.exe" >/dev/null
# osslsigncode computes the PE checksum itself and warns when the file's
# differs.
osslsigncode verify -in "$work/unsigned.exe" >"$work/verify.log" 2>&1 || true
grep -q "PE checksum" "$work/verify.log" && ! grep -q "invalid PE checksum" "$work/verify.log" \
  || { cat "$work/verify.log"; fail "the PE checksum"; }
# The stub's own resources (pictures, skin, icon, manifest) as 7-Zip reads
# them: the same bytes in the installer; only the version information is the
# packer's.
7z x -tPE -y -o"$work/stub-res" "$stub" '.rsrc/*' >/dev/null
7z x -tPE -y -o"$work/setup-res" "$work/unsigned.exe" '.rsrc/*' >/dev/null
count=0
while IFS= read -r -d '' file; do
  name=${file#"$work/stub-res/"}
  [ "$name" = .rsrc/version.txt ] && continue
  cmp -s "$file" "$work/setup-res/$name" || fail "the stub's resource $name changed"
  count=$((count + 1))
done < <(find "$work/stub-res" -type f -print0)
[ "$count" -ge 10 ] || fail "only $count of the stub's resources found"
for name in C0/C0 C5/C5 INI/CEND CRC/CCRC; do
  [ -f "$work/setup-res/.rsrc/$name" ] || fail "no resource $name in the installer"
done
PATH=/nonexistent "$packer" "$product" "$manifest" --stub "$stub" --out "$work/plain.exe" >/dev/null \
  || fail "packing without osslsigncode failed"
cmp -s "$work/unsigned.exe" "$work/plain.exe" || fail "unsigned packing depends on osslsigncode"
if PATH=/nonexistent "$packer" "$product" "$manifest" --stub "$stub" --out "$work/c.exe" "${sign[@]}" \
    >/dev/null 2>"$work/err.txt"; then
  fail "signed without osslsigncode"
fi
grep -q "osslsigncode is not installed" "$work/err.txt" || { cat "$work/err.txt"; fail "no clear message"; }
[ ! -e "$work/c.exe" ] && [ ! -e "$work/c.exe.packing" ] || fail "output left behind"
echo "signing: all checks passed"

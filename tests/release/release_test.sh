#!/usr/bin/env bash
# The release step on the built installer: it signs, the signature verifies against the test
# authority, SHA256SUMS matches, the version resource survives signing, and a changed byte breaks it.
set -euo pipefail
installer=$1 out=$2 top=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$out"
"$top/scripts/release" --out "$out" "$installer"
(cd "$out" && sha256sum -c --quiet SHA256SUMS)
grep -q "Signer's certificate" "$out/kobuoffline.exe.verify"
strings -el "$out/kobuoffline.exe" | grep -qx "1.8.0.45" || { echo "no version resource" >&2; exit 1; }

cp "$out/kobuoffline.exe" "$out/tampered.exe"
size=$(stat -c %s "$out/tampered.exe")
printf 'Z' | dd of="$out/tampered.exe" bs=1 seek=$((size / 2)) conv=notrunc status=none
if osslsigncode verify -CAfile "$out/test-authority/authority.pem" -in "$out/tampered.exe" >/dev/null 2>&1; then
  echo "a changed installer still verifies" >&2
  exit 1
fi
echo "release test: passed"

#!/usr/bin/env bash
# The release: every installer is signed and verifies against the test authority, SHA256SUMS matches,
# the version resource survives signing, a changed byte breaks the signature, and the released manifest
# names each installer's real digest and passes the package manager's own schema (the source copy, with
# its placeholders, does not).
# usage: release_test.sh RELEASE_DIR
set -euo pipefail
out=${1:?usage: release_test.sh RELEASE_DIR} top=$(cd "$(dirname "$0")/../.." && pwd)
manifest=Mendara.Zarn.installer.yaml

(cd "$out" && sha256sum -c --quiet SHA256SUMS)
[ "$(cut -d' ' -f3 "$out/SHA256SUMS" | tr '\n' ' ')" = "x64/kobuoffline.exe x86/kobuoffline.exe " ] ||
  { echo "SHA256SUMS does not name both installers" >&2; exit 1; }
for installer in x64/kobuoffline.exe x86/kobuoffline.exe; do
  grep -q "Signer's certificate" "$out/$installer.verify"
  strings -el "$out/$installer" | grep -qx "1.8.0.45" || { echo "$installer: no version resource" >&2; exit 1; }
  grep -qF "\"$(sha256sum "$out/$installer" | cut -d' ' -f1)\"" "$out/$manifest" ||
    { echo "the manifest does not carry the digest of $installer" >&2; exit 1; }
done

validate() {
  python3 - "$1" "$top/packaging/schema/manifest.installer.1.6.0.json" <<'PYTHON'
import json, sys
import jsonschema, yaml
with open(sys.argv[1]) as manifest, open(sys.argv[2]) as schema:
    jsonschema.validate(yaml.safe_load(manifest), json.load(schema))
PYTHON
}
validate "$out/$manifest"
if validate "$top/packaging/$manifest" 2>/dev/null; then
  echo "the source manifest, with placeholders for the digests, passes the schema" >&2
  exit 1
fi

cp "$out/x64/kobuoffline.exe" "$out/tampered.exe"
size=$(stat -c %s "$out/tampered.exe")
printf 'Z' | dd of="$out/tampered.exe" bs=1 seek=$((size / 2)) conv=notrunc status=none
if osslsigncode verify -CAfile "$out/test-authority/authority.pem" -in "$out/tampered.exe" >/dev/null 2>&1; then
  echo "a changed installer still verifies" >&2
  exit 1
fi
rm -f "$out/tampered.exe"
echo "release test: passed"

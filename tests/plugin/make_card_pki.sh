#!/usr/bin/env bash
# Makes the keys and certificates of the card tests once per build, into $1: a CA,
# users whose certificates it issued (RSA "Card User" and "Other User", an EC
# "Curve User"), their keys as PKCS#8 DER, and the RSA users' PKCS#12 files with
# the CA (password "p12-password").
set -euo pipefail
out=$1
work=$(mktemp -d "$out.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
cat >user.ext <<'EXT'
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature,nonRepudiation,keyEncipherment,dataEncipherment
extendedKeyUsage=emailProtection
EXT
cat >ec.ext <<'EXT'
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature,keyAgreement
extendedKeyUsage=emailProtection
EXT
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 7300 \
  -subj "/CN=Card Test CA" -addext basicConstraints=critical,CA:TRUE \
  -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
issue() {  # name subject extensions serial key-algorithm...
  local name=$1 subject=$2 ext=$3 serial=$4
  shift 4
  openssl genpkey "$@" -out "$name.key" 2>/dev/null
  openssl req -new -key "$name.key" -subj "$subject" -out "$name.csr"
  openssl x509 -req -in "$name.csr" -CA ca.pem -CAkey ca.key -set_serial "$serial" \
    -days 7300 -extfile "$ext" -out "$name.pem" 2>/dev/null
  openssl x509 -in "$name.pem" -outform DER -out "$name.der"
  openssl pkcs8 -topk8 -nocrypt -in "$name.key" -outform DER -out "$name.key.der"
}
issue user "/CN=Card User/emailAddress=card.user@example.org" user.ext 11 \
  -algorithm RSA -pkeyopt rsa_keygen_bits:2048
issue other "/CN=Other User/emailAddress=other.user@example.org" user.ext 12 \
  -algorithm RSA -pkeyopt rsa_keygen_bits:2048
issue curve "/CN=Curve User/emailAddress=curve.user@example.org" ec.ext 13 \
  -algorithm EC -pkeyopt ec_paramgen_curve:P-256
for name in user other; do
  openssl pkcs12 -export -inkey "$name.key" -in "$name.pem" -certfile ca.pem \
    -name "$(openssl x509 -in "$name.pem" -noout -subject -nameopt multiline |
             sed -n 's/^ *commonName *= //p')" -out "$name.p12" -passout pass:p12-password
done
rm -f ./*.csr ./*.ext
rm -rf "$out"
mv "$work" "$out"
trap - EXIT

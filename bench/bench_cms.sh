#!/usr/bin/env bash
# Signing and encrypting a 1 MiB and a 64 MiB file through the token plug-in module
# (orxxctl file: the wizard's property calls, the whole file as one Base64 property
# each way) against the openssl command line in the same run: mean wall time over
# repeated runs (hyperfine, three rounds of both) and peak memory
# (/usr/bin/time -v) of both. The token uses a cheap key derivation, so that what is
# measured is the file work and not the login.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/bin
fake=build/test-fakes/fake_pinentry
for f in "$bin/orxxctl" "$bin/orx.so" "$fake" /usr/bin/time /usr/bin/hyperfine; do
  [ -e "$f" ] || { echo "missing $f (build the release preset first)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/run configorx=$work/user.cfg
export ORX_INSTALL_LOCATION=$work/install/ ORX_TOKEN_KDF_LOG2N=2
export ORX_PINENTRY=$PWD/$fake FAKE_PINENTRY_SCRIPT=$work/pin.script FAKE_PINENTRY_LOG=$work/pin.log
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$ORX_INSTALL_LOCATION"
mkdir -m 0700 -p "$XDG_RUNTIME_DIR"

openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj /CN=Bench \
  -addext basicConstraints=critical,CA:FALSE -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl x509 -in "$work/cert.pem" -outform DER -out "$work/cert.der"
openssl pkcs12 -export -in "$work/cert.pem" -inkey "$work/key.pem" -passout pass:bench-p12 \
  -out "$work/id.p12"
printf 'pin bench-token\npin bench-token\n' >"$FAKE_PINENTRY_SCRIPT"
"$bin/orxxctl" token create Bench >/dev/null
printf 'pin bench-p12\npin bench-token\n' >"$FAKE_PINENTRY_SCRIPT"
"$bin/orxxctl" file import "$work/id.p12"

# Every run of the module's command asks for the token's password once.
printf '#!/bin/sh\nprintf "pin bench-token\\n" > "%s"\n' "$FAKE_PINENTRY_SCRIPT" >"$work/prepare"
chmod +x "$work/prepare"

# Peak memory of one run, in kilobytes.
peak() {
  "$work/prepare"
  /usr/bin/time -v -o "$work/time" "$@" >/dev/null
  awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time"
}

# Mean wall seconds of the module's command and of openssl's: three rounds of both,
# so that a slower spell of the machine falls on both alike.
timed() {
  local runs=$1
  shift
  local split
  for ((split = 1; split <= $#; split++)); do [ "${!split}" = "--" ] && break; done
  local orx=("${@:1:split-1}") ossl=("${@:split+1}")
  for round in 1 2 3; do
    hyperfine -N -w 2 -r "$runs" --prepare "$work/prepare" --export-json "$work/times-$round.json" \
      "$(printf '%q ' "${orx[@]}")" "$(printf '%q ' "${ossl[@]}")" >/dev/null 2>&1
  done
  python3 -c '
import json, sys
means = [json.load(open(f))["results"] for f in sys.argv[1:]]
print(sum(r[0]["mean"] for r in means) / len(means), sum(r[1]["mean"] for r in means) / len(means))
' "$work"/times-{1,2,3}.json
}

printf '%-8s %-8s %-8s %10s %10s %10s %10s %8s %8s %8s\n' size op form \
  "orx ms" "openssl ms" "orx MiB" "ossl MiB" "time x" "mem/file" "+mem/file"
# A one-byte file first: the fixed cost of each process (start, module, login). The
# last column counts only what the file adds to that process's own size.
declare -A base_kb
for mib in 0 1 64; do
  in=$work/data-$mib.bin
  if [ "$mib" = 0 ]; then head -c 1 /dev/urandom >"$in"; else head -c $((mib * 1048576)) /dev/urandom >"$in"; fi
  for op in sign encrypt; do
    for form in binary smime; do
      if [ $op = sign ]; then
        orx_args=(file sign "$in" "$work/orx.out" "$work/cert.der")
        ossl_args=(cms -sign -nodetach -binary -in "$in" -signer "$work/cert.pem" -inkey "$work/key.pem" -out "$work/ossl.out")
      else
        orx_args=(file encrypt "$in" "$work/orx.out" "$work/cert.der" --algorithm 2.16.840.1.101.3.4.1.42)
        ossl_args=(cms -encrypt -aes256 -binary -in "$in" -out "$work/ossl.out")
      fi
      if [ $form = smime ]; then
        orx_args+=(--mime)
        ossl_args+=(-outform SMIME)
      else
        ossl_args+=(-outform DER)
      fi
      [ $op = encrypt ] && ossl_args+=("$work/cert.pem")
      runs=10
      [ "$mib" = 64 ] && runs=1
      read -r orx_s ossl_s < <(timed $runs "$bin/orxxctl" "${orx_args[@]}" -- openssl "${ossl_args[@]}")
      orx_kb=$(peak "$bin/orxxctl" "${orx_args[@]}")
      ossl_kb=$(peak openssl "${ossl_args[@]}")
      [ "$mib" = 0 ] && base_kb[$op-$form]=$orx_kb
      # The module's result must be sound, or its figures mean nothing.
      if [ $op = sign ]; then
        inform=DER; [ $form = smime ] && inform=SMIME
        openssl cms -verify -binary -purpose any -inform $inform -in "$work/orx.out" \
          -CAfile "$work/cert.pem" -out "$work/check" 2>/dev/null
      else
        inform=DER; [ $form = smime ] && inform=SMIME
        openssl cms -decrypt -binary -inform $inform -in "$work/orx.out" -inkey "$work/key.pem" \
          -out "$work/check"
      fi
      cmp -s "$in" "$work/check" || { echo "$op $form: the module's result does not check" >&2; exit 1; }
      awk -v m=$mib -v op=$op -v f=$form -v a="$orx_s" -v b="$ossl_s" -v x="$orx_kb" -v y="$ossl_kb" \
        -v z="${base_kb[$op-$form]}" \
        'BEGIN { printf "%-8s %-8s %-8s %10.1f %10.1f %10.1f %10.1f %8.2f %8.2f %8.2f\n",
                 (m ? m " MiB" : "1 byte"), op, f, a * 1000, b * 1000, x / 1024, y / 1024, (b > 0 ? a / b : 0),
                 (m ? x / 1024 / m : 0), (m ? (x - z) / 1024 / m : 0) }'
    done
  done
done

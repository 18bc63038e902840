#!/usr/bin/env bash
# A signature of a 1 MiB file with a key on a card (a SoftHSM2 token standing in
# for one: orxxctl file sign, the PIN through the scripted pinentry, C_Sign on the
# token) against openssl cms -sign with the same key as a file, in the same run:
# the median wall time of each over 60 runs, the two taken in turn in a shuffled
# order so that a busy moment of the machine does not fall on one side only, and
# their ratio. Each run pays SoftHSM2's start and the PIN's key derivation;
# build/bin/bench_card_cms is the in-process counterpart, which logs in once and
# times the signature alone.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/bin
fake=build/test-fakes/fake_pinentry
softhsm=$(ls /usr/lib/softhsm/libsofthsm2.so /usr/lib/*/softhsm/libsofthsm2.so 2>/dev/null | head -1)
for f in "$bin/orxxctl" "$bin/orx.so" "$fake" /usr/bin/pkcs11-tool "$softhsm"; do
  [ -e "$f" ] || { echo "missing $f (build the release preset, install scripts/packages.txt)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/run configorx=$work/user.cfg
export ORX_INSTALL_LOCATION=$work/install/ SOFTHSM2_CONF=$work/softhsm2.conf
export ORX_PINENTRY=$PWD/$fake FAKE_PINENTRY_SCRIPT=$work/pin.script FAKE_PINENTRY_LOG=/dev/null
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$ORX_INSTALL_LOCATION" "$work/tokens"
mkdir -m 0700 -p "$XDG_RUNTIME_DIR"
printf 'directories.tokendir = %s/tokens/\nobjectstore.backend = file\n' "$work" >"$SOFTHSM2_CONF"
# The card's module alone, and no propagation to "MY": the signature is measured.
printf '[PKCS11]\nSystem=0\nModules=%s\n[CSP]\nEnable=0\n' "$softhsm" >"$configorx"

openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj /CN=Bench \
  -addext basicConstraints=critical,CA:FALSE -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl x509 -in "$work/cert.pem" -outform DER -out "$work/cert.der"
openssl pkcs8 -topk8 -nocrypt -in "$work/key.pem" -outform DER -out "$work/key.der"
softhsm2-util --init-token --free --label Bench --pin 123456 --so-pin 87654321 >/dev/null
for object in "key.der privkey" "cert.der cert"; do
  set -- $object
  pkcs11-tool --module "$softhsm" --login --pin 123456 --write-object "$work/$1" --type "$2" \
    --id 01 --label Bench >/dev/null 2>&1
done

# Every run of the module's command logs in to the card once.
printf '#!/bin/sh\nprintf "pin 123456\\n" > "%s"\n' "$FAKE_PINENTRY_SCRIPT" >"$work/prepare"
chmod +x "$work/prepare"
head -c 1048576 /dev/urandom >"$work/data.bin"
card=("$bin/orxxctl" file sign "$work/data.bin" "$work/card.p7s" "$work/cert.der")
file=(openssl cms -sign -nodetach -binary -outform DER -in "$work/data.bin" -signer "$work/cert.pem"
  -inkey "$work/key.pem" -out "$work/file.p7s")

# The card's signature must hold, or its figure means nothing.
"$work/prepare"
"${card[@]}"
openssl cms -verify -binary -inform DER -in "$work/card.p7s" -CAfile "$work/cert.pem" \
  -purpose any -out "$work/check" 2>/dev/null
cmp -s "$work/data.bin" "$work/check" || { echo "the card's signature does not check" >&2; exit 1; }

python3 - "$work/prepare" "$(printf '%q ' "${card[@]}")" "$(printf '%q ' "${file[@]}")" <<'PY'
import random, shlex, statistics, subprocess, sys, time
prepare, card, file = sys.argv[1], shlex.split(sys.argv[2]), shlex.split(sys.argv[3])
times = {"card": [], "file": []}
def run(name, command):
    subprocess.run([prepare], check=True)
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    times[name].append((time.perf_counter() - start) * 1000)
for round in range(65):
    pair = [("card", card), ("file", file)]
    random.shuffle(pair)
    for name, command in pair:
        run(name, command)
# The first rounds warm the caches and are left out.
card_ms = statistics.median(times["card"][5:])
file_ms = statistics.median(times["file"][5:])
print(f"1 MiB signature: card (SoftHSM2 through orx.so) {card_ms:.1f} ms, "
      f"openssl cms with the key file {file_ms:.1f} ms, ratio {card_ms / file_ms:.2f} "
      f"(medians of 60 runs each; target <= 1.5)")
PY

#!/usr/bin/env bash
# Times a certificate search of 1,000 directory entries through orxxctl against
# ldapsearch on the same query, both as whole processes against the same local
# slapd. Target: orxxctl no slower than 1.5 x ldapsearch.
# usage: bench/ldap_search.sh [ORXXCTL] [ENTRIES] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
orxxctl=${1:-build/bin/orxxctl}
entries=${2:-1000}
runs=${3:-15}
base="dc=example,dc=org"
rootdn="cn=admin,$base"
password="bench-secret"
filter="(cn=Person*)"

[ -x "$orxxctl" ] || { echo "no $orxxctl: build the release preset first" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/orx-ldap-bench.XXXXXX")
slapd_pid=
cleanup() {
  if [ -n "$slapd_pid" ]; then
    kill -TERM "$slapd_pid" 2>/dev/null || true
    wait "$slapd_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

module_folder=/usr/lib/ldap
[ -e "$module_folder/back_mdb.la" ] || module_folder=/usr/lib/x86_64-linux-gnu/ldap
mkdir "$work/db"
cat >"$work/slapd.conf" <<CONF
include /etc/ldap/schema/core.schema
include /etc/ldap/schema/cosine.schema
include /etc/ldap/schema/inetorgperson.schema
pidfile $work/slapd.pid
modulepath $module_folder
moduleload back_mdb
sizelimit unlimited
access to * by * read
database mdb
maxsize 268435456
suffix "$base"
rootdn "$rootdn"
rootpw $password
directory $work/db
CONF

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()'
}
slapd=/usr/sbin/slapd
[ -x "$slapd" ] || slapd=slapd
for attempt in 1 2 3 4 5; do
  port=$(free_port)
  url="ldap://127.0.0.1:$port"
  "$slapd" -d 0 -h "$url/" -f "$work/slapd.conf" >"$work/slapd.log" 2>&1 &
  slapd_pid=$!
  for _ in $(seq 500); do
    if ldapsearch -x -LLL -H "$url" -b "" -s base namingContexts >/dev/null 2>&1; then
      break 2
    fi
    kill -0 "$slapd_pid" 2>/dev/null || { wait "$slapd_pid" || true; slapd_pid=; break; }
    sleep 0.02
  done
done
[ -n "$slapd_pid" ] || { cat "$work/slapd.log" >&2; echo "slapd did not start" >&2; exit 1; }

# Ten certificates, used in turn: the directory holds 1,000 entries with one each.
for i in $(seq 0 9); do
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
    -keyout "$work/key$i.pem" -subj "/CN=Person $i/O=Bench/emailAddress=p$i@example.org" \
    -days 30 -outform DER -out "$work/cert$i.der" >/dev/null 2>&1
done
{
  printf 'dn: %s\nobjectClass: dcObject\nobjectClass: organization\no: Bench\ndc: example\n\n' "$base"
  for n in $(seq 1 "$entries"); do
    printf 'dn: cn=Person %d,%s\ncn: Person %d\nmail: p%d@example.org\nobjectClass: inetOrgPerson\nsn: %d\nuserCertificate;binary:< file://%s/cert%d.der\n\n' \
      "$n" "$base" "$n" "$n" "$n" "$work" $((n % 10))
  done
} >"$work/entries.ldif"
ldapadd -x -H "$url" -D "$rootdn" -w "$password" -f "$work/entries.ldif" >/dev/null

# Runs alternate so that a change in the machine's load hits both alike; each run
# is timed by the wall clock and by the CPU time the client process used.
python3 - "$runs" "$orxxctl" "$url" "$base" "$filter" "$entries" <<'PY'
import os, resource, statistics, subprocess, sys, time
runs, orxxctl, url, base, query, entries = sys.argv[1:]
commands = {
    "orxxctl ldap search": [orxxctl, "ldap", "search", url, base, query],
    "ldapsearch -x": ["ldapsearch", "-x", "-LLL", "-H", url, "-b", base, query],
}
wall = {name: [] for name in commands}
cpu = {name: [] for name in commands}
for _ in range(int(runs)):
    for name, command in commands.items():
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.perf_counter()
        subprocess.run(command, stdout=subprocess.DEVNULL, check=True)
        wall[name].append(time.perf_counter() - start)
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpu[name].append(after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime)
print(f"ldap search of {entries} entries with certificates, median of {runs} runs:")
for name in commands:
    print(f"  {name:22s} {statistics.median(wall[name]) * 1000:7.1f} ms wall"
          f"  {statistics.median(cpu[name]) * 1000:6.1f} ms cpu")
ours, theirs = commands
ratio = statistics.median(wall[ours]) / statistics.median(wall[theirs])
cpu_ratio = statistics.median(cpu[ours]) / max(statistics.median(cpu[theirs]), 1e-6)
print(f"  ratio                  {ratio:7.2f} wall  {cpu_ratio:6.2f} cpu   (target <= 1.50)")
sys.exit(0 if ratio <= 1.5 else 1)
PY

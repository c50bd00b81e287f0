#!/usr/bin/env bash
# Runs a command against a private CUPS daemon: its own configuration, spool
# and log in a temporary folder, listening on a local socket only, with four
# raw queues: Velmora_Ufficio (the default) and Velmora_Archivio, which print
# into files, Velmora_Rifiuta, which rejects jobs, and Velmora_Ferma, which is
# stopped. The daemon keeps every job's document in its spool, so a test can
# read what was sent.
#   with_cups.sh COMMAND [ARGS...]
# The command sees CUPS_SERVER (the daemon's socket), VELMORA_CUPS_SPOOL
# (where documents are kept as d<job>-001) and VELMORA_CUPS_OUT (where the
# queues' output files <queue>.prn are written). The daemon is stopped and the
# folder removed when the command ends, however it ends.
set -euo pipefail

if ! command -v cupsd >/dev/null || ! command -v lpadmin >/dev/null; then
  echo "cupsd or lpadmin missing: install cups, cups-client, cups-bsd (scripts/deps.sh)" >&2
  exit 1
fi

root=$(mktemp -d /tmp/velmora-cups.XXXXXX)
chmod 755 "$root"
mkdir -p "$root"/{spool,tmp,cache,state,log,ppd,out}
chmod 1777 "$root/tmp" "$root/out"
chmod 710 "$root/spool"
sock="$root/cups.sock"
pid=""

cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  fi
  if [ -n "${VELMORA_KEEP_CUPS:-}" ]; then echo "kept $root" >&2; else rm -rf "$root"; fi
}
trap cleanup EXIT

cat >"$root/cups-files.conf" <<CONF
ServerRoot $root
RequestRoot $root/spool
TempDir $root/tmp
CacheDir $root/cache
StateDir $root/state
ErrorLog $root/log/error_log
AccessLog $root/log/access_log
PageLog $root/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
FileDevice Yes
SystemGroup root
CONF

cat >"$root/cupsd.conf" <<CONF
LogLevel ${VELMORA_CUPS_LOGLEVEL:-warn}
Listen $sock
Browsing No
WebInterface No
DefaultAuthType None
PreserveJobFiles Yes
PreserveJobHistory Yes
MaxJobs 0
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF

cupsd -f -c "$root/cupsd.conf" -s "$root/cups-files.conf" &
pid=$!
export CUPS_SERVER="$sock"

# Bounded wait for the socket.
for _ in $(seq 1 100); do
  if lpstat -r >/dev/null 2>&1; then break; fi
  if ! kill -0 "$pid" 2>/dev/null; then cat "$root/log/error_log" >&2 2>/dev/null || true; echo "cupsd did not start" >&2; exit 1; fi
  sleep 0.1
done
lpstat -r >/dev/null 2>&1 || { echo "cupsd did not answer" >&2; exit 1; }

for q in Velmora_Ufficio Velmora_Archivio Velmora_Rifiuta Velmora_Ferma; do
  lpadmin -p "$q" -E -v "file://$root/out/$q.prn" -m raw 2>/dev/null
done
lpadmin -d Velmora_Ufficio
# A queue that refuses every job, and one that is stopped: it takes jobs and
# keeps them until it is started again.
cupsreject -r "fuori servizio" Velmora_Rifiuta
cupsdisable -r "in manutenzione" Velmora_Ferma

export VELMORA_CUPS_SPOOL="$root/spool"
export VELMORA_CUPS_OUT="$root/out"
set +e
"$@"
rc=$?
set -e
exit $rc

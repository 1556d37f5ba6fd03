#!/usr/bin/env bash
# Writes the seed corpora of fuzz/corpus with the project's own tools: packages from
# ferrowick-pack, parameter texts as ferrowick-run sends them, the rest from templates.
# Run once after a format change and commit the result. It replaces the whole corpus,
# the units merged from longer runs too: merge anew afterwards (run-fuzz.sh with
# FERROWICK_FUZZ_MERGE=1).
#   make-corpus.sh BUILD_DIR      (a build with ferrowick-pack and ferrowick-run)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: make-corpus.sh BUILD_DIR}" && pwd)
corpus=$root/fuzz/corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rm -rf "$corpus"
mkdir -p "$corpus"/{package_reader,package_resigned,parameters_text,update_information,base64,logger_settings,der_signature,zip_writer,http_response}

# Packages: one and two files, an empty file, a name outside ASCII.
for key in parameter built_in; do base64 -d "$root/demo/keys/$key.private.mpi.b64" >"$work/$key.key"; done
pack() { "$build/src/tools/ferrowick-pack" create "$corpus/package_reader/$1" --key "$work/parameter.key" --key "$work/built_in.key" "${@:2}" >/dev/null; }
printf 'bases\n' >"$work/bases.dat"
printf 'signatures of a few more bytes\n' >"$work/signatures.dat"
: >"$work/empty.dat"
printf 'x' >"$work/näme.dat"
pack one_file.upd "$work/bases.dat"
pack two_files.upd "$work/bases.dat" "$work/signatures.dat"
pack empty_file.upd "$work/empty.dat"
pack wide_name.upd "$work/näme.dat"
cp "$corpus/package_reader/"* "$corpus/package_resigned/"

# Parameter texts: the worker's standard input, captured by a stand-in worker.
printf '#!/bin/sh\ncat >"$CAPTURE"\n' >"$work/capture.sh"
chmod +x "$work/capture.sh"
capture() {
  CAPTURE=$corpus/parameters_text/$1 "$build/src/tools/ferrowick-run" --worker "$work/capture.sh" \
    --configs-dir /configs --logs-dir /logs --stop-event stop --dest-dir /destination "${@:2}" || true
}
capture client_directory --source-dir /source --previous-release 2016-01-01T00:00:00Z
capture server_https --mode server --source https --host updates.example.com --utils-host utils.example.com \
  --utils-dest-dir /utils --viro-user "a user" --public-key-txt "$(<"$root/demo/keys/parameter.public.b64")"
capture custom_proxy --source https --host 127.0.0.1 --proxy-mode custom_proxy --proxy-address proxy \
  --proxy-port 3128 --proxy-auth 1 --proxy-user 'us"er' --proxy-password 'pass word\'

# info2.txt: the current layout, with a utility package, and the older one.
printf 'antivirus\r\n2024-05-17T09:30:15Z\r\nbase_17_full.upd\r\n' >"$corpus/update_information/current"
printf 'antivirus\r\n2024-05-17T09:30:15Z\r\nbase_17_full.upd\r\nutils_3.upd\r\n' >"$corpus/update_information/utility"
printf '2016-01-01T00:00:00Z\nbase.upd\n' >"$corpus/update_information/older"
printf '2024-05-17T09:30:15Z\n2024-05-17T09:30:16Z' >"$corpus/update_information/two_dates"

cp "$root/demo/keys/parameter.public.b64" "$corpus/base64/point"
cp "$root/demo/keys/built_in.private.mpi.b64" "$corpus/base64/padded"
printf 'QQ' >"$corpus/base64/unpadded"

# Logger settings: the demo's, values out of range, a bad level.
sed -n '/^<?xml/,/^<\/log_settings>/p' "$root/scripts/demo.sh" >"$corpus/logger_settings/demo.xml"
printf '<log_settings>\n  <developer_log use_developer_log="1" level="-1" max_backup_index="0x7fffffff" max_file_size="-1"/>\n  <history_log max_buffer_size="1"/>\n</log_settings>\n' >"$corpus/logger_settings/out_of_range.xml"
printf '<log_settings><developer_log level="LOUD"/></log_settings>' >"$corpus/logger_settings/bad_level.xml"

# DER signatures: first signature, second, point, message, then the three lengths the
# target reads from the end (point, second, first).
printf 'signed message' >"$work/message"
for key in parameter built_in; do
  openssl dgst -sha256 -sign "$root/demo/keys/$key.private.pem" -out "$work/$key.sig" "$work/message"
done
base64 -d "$root/demo/keys/parameter.public.b64" >"$work/point"
size() { printf "\\x$(printf %02x "$(stat -c %s "$1")")"; }
{ cat "$work/parameter.sig" "$work/built_in.sig" "$work/point" "$work/message"
  size "$work/point"; size "$work/built_in.sig"; size "$work/parameter.sig"; } >"$corpus/der_signature/two_signatures"
{ cat "$work/parameter.sig"; printf '\x00\x00\x48'; } >"$corpus/der_signature/signature_only"

# Zip writer: history-like text; the layout is the fuzzer's to find.
printf '2024-05-17 09:30:15.123 DEBUG ---> update\r\n2024-05-17 09:30:15.456 ERROR failed\r\n' >"$corpus/zip_writer/history"
head -c 600 "$root/README.md" >"$corpus/zip_writer/text"

# Response heads as nginx sends them.
response() { printf 'HTTP/1.1 %s\r\nServer: nginx\r\n%s\r\n' "$1" "$2" >"$corpus/http_response/$3"; }
response '200 OK' $'Content-Length: 1234\r\nLast-Modified: Fri, 17 May 2024 09:30:15 GMT\r\nAccept-Ranges: bytes\r\n' ok
response '206 Partial Content' $'Content-Range: bytes 100-1233/1234\r\nContent-Length: 1134\r\nLast-Modified: Fri, 17 May 2024 09:30:15 GMT\r\n' partial
response '404 Not Found' $'Content-Length: 0\r\n' not_found
response '200 OK' $'Last-Modified: a\r\nLast-Modified: b\r\nAccept-Ranges: none\r\n' changed

# The demo update's inputs, and what a publication of it holds; sourced by demo-common.sh
# and by the Windows zip check, which publish it with their own ferrowick-pack. Needs root.

# stage_demo_update FOLDER: FOLDER/keys gets the demo keys as ferrowick-pack takes them
# (the MPI private scalar and the compressed point), FOLDER/staging the update's files and
# an old info.txt.
stage_demo_update() {
  mkdir -p "$1/keys" "$1/staging"
  for key in parameter built_in; do
    base64 -d "$root/demo/keys/$key.private.mpi.b64" >"$1/keys/$key.key"
  done
  printf 'demo antivirus bases\n' >"$1/staging/bases.dat"
  printf 'demo signatures\n' >"$1/staging/signatures.dat"
  printf 'older description\r\n' >"$1/staging/info.txt"
}

# read_published_update WWW: sets updates (the folder a worker reads under the server's
# root WWW), release and package from its info2.txt.
read_published_update() {
  updates=$1/update/0
  { read -r _ && read -r release && read -r package; } < <(tr -d '\r' <"$updates/info2.txt")
}

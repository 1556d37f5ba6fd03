# Pieces both demos share; sourced by demo.sh and demo-https.sh after they set
# root, build, demo and script (the script's name for messages).

pack=$build/src/tools/ferrowick-pack
run=$build/src/tools/ferrowick-run
reg=$build/src/tools/ferrowick-reg
worker=$build/src/ferrowick/ferrowick
library=$build/messages/ferrowick-messages.mo
for program in "$pack" "$run" "$reg" "$worker"; do
  [[ -x $program ]] || { echo "$script: $program is missing; build first" >&2; exit 1; }
done
[[ -f $library ]] || { echo "$script: $library is missing; build first" >&2; exit 1; }

source "$root/scripts/demo-update.sh"

# The demo's own registry store; the runner passes it on to the worker.
export FERROWICK_REGISTRY_ROOT=$demo/registry
component_key='HKLM\SOFTWARE\Kestrane\Marvenholt\Client\Calvessa'
suite_key='HKLM\SOFTWARE\Kestrane\Marvenholt'

# Fresh demo folders, and the signed demo update published by ferrowick-pack as an
# update server serves it: a package, info2.txt with the present UTC time as release
# date, an old info.txt. Sets updates (the folder a worker reads), release and package.
make_demo_update() {
  rm -rf "$demo"
  mkdir -p "$demo"/{destination,logs,install,www}
  install_product
  stage_demo_update "$demo"
  "$pack" publish --out "$demo/www" --release-date now --info-txt "$demo/staging/info.txt" \
    --key "$demo/keys/parameter.key" --key "$demo/keys/built_in.key" \
    "$demo/staging/bases.dat" "$demo/staging/signatures.dat"
  read_published_update "$demo/www"
}

# What the suite's installer leaves for the worker: the localization library in the
# install folder and the registry values that lead to it, with en-US as product language.
install_product() {
  cp "$library" "$demo/install/"
  "$reg" set "$component_key" InstallDir --string "$demo/install"
  "$reg" set "$component_key" TextResources --string "$(basename "$library")"
  "$reg" set "$suite_key" ProductLocale --string en-US
}

# A task that fails with the product language ru-RU: info2.txt withdrawn from the
# update folder, the worker's error comes in Russian on standard error and in its
# FATAL line. The description is put back afterwards.
run_localized_failure() {
  local status=0
  "$reg" set "$suite_key" ProductLocale --string ru-RU
  mv "$updates/info2.txt" "$demo/info2.txt.withdrawn"
  echo "== ProductLocale ru-RU, info2.txt withdrawn (expect 255 and a Russian error text)"
  task || status=$?
  echo
  echo "exit code: $status"
  mv "$demo/info2.txt.withdrawn" "$updates/info2.txt"
  "$reg" set "$suite_key" ProductLocale --string en-US
  [[ $status -eq 255 ]] || { echo "$script: expected the task to fail" >&2; exit 1; }
  echo "== its FATAL line in $demo/logs/ferrowick.log"
  grep -a FATAL "$demo/logs/ferrowick.log" | tail -n 1
}

# The two tasks through the caller's task function: an update that is placed (exit 0,
# four result lines), then the same task again, which finds the new release in its state
# file (254).
run_demo_tasks() {
  local status=0
  echo "== update task (expect exit code 0 and four result lines)"
  task || status=$?
  echo "exit code: $status"
  [[ $status -eq 0 ]] || { echo "$script: the update failed; see $demo/logs" >&2; exit 1; }

  echo "== placed files in $demo/destination"
  ls -l "$demo/destination"
  "$pack" list "$demo/destination/$package"

  echo "== the same task again; $demo/bases.state holds $(<"$demo/bases.state") (expect 254: up to date)"
  status=0
  task || status=$?
  echo "exit code: $status"
  [[ $status -eq 254 ]] || { echo "$script: expected up to date" >&2; exit 1; }
  echo "== developer log: $demo/logs"
  ls "$demo/logs"
}

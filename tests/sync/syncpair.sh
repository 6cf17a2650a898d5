# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Two Syncthing instances on this machine sharing one folder, for tests of
# what the program does with a data file that a sync engine carries. Source
# this file, then:
#
#   syncpair_start <work folder>   starts both (own homes, free ports on
#       127.0.0.1, no discovery, relays, NAT or usage reporting, a rescan
#       every second) and waits until they are connected. Their folders are
#       $SYNC_A and $SYNC_B. Stops both on the caller's exit (its EXIT trap
#       also runs syncpair_stop; add yours with syncpair_on_exit).
#   syncpair_settle [seconds]      rescans both and waits until both folders
#       are idle, need nothing and hold the same files; false when they have
#       not by then (default 60 s).
#   syncpair_pause / syncpair_resume   cut and restore the link between them
#       (both keep running), to make the two sides change apart.
#   syncpair_stop                  stops both and removes their homes.
#
# Needs syncthing, curl and jq (tools/deps.sh installs them).

SYNC_FOLDER_ID=quillbox
syncpair_pids=()
syncpair_root=""
syncpair_exit_hooks=()

# A TCP port on 127.0.0.1 that nothing listens on now.
syncpair_free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return
    fi
  done
}

# syncpair_api <a|b> <method> <path>: the REST answer of that instance.
syncpair_api() {
  local side=$1 method=$2 path=$3 port key
  if [ "$side" = a ]; then port=$syncpair_gui_a key=$syncpair_key_a; else port=$syncpair_gui_b key=$syncpair_key_b; fi
  curl -sf -m 5 -X "$method" -H "X-API-Key: $key" "http://127.0.0.1:$port$path"
}

syncpair_config() { # <home> <gui port> <listen port> <api key> <folder>
  cat >"$1/config.xml" <<CONFIG
<configuration version="36">
  <folder id="$SYNC_FOLDER_ID" label="$SYNC_FOLDER_ID" path="$5" type="sendreceive"
          rescanIntervalS="1" fsWatcherEnabled="true" fsWatcherDelayS="1">
    <filesystemType>basic</filesystemType>
    <device id="$syncpair_id_a"></device>
    <device id="$syncpair_id_b"></device>
    <minDiskFree unit="%">0</minDiskFree>
    <maxConflicts>10</maxConflicts>
  </folder>
  <device id="$syncpair_id_a" name="a" compression="metadata">
    <address>tcp://127.0.0.1:$syncpair_listen_a</address>
  </device>
  <device id="$syncpair_id_b" name="b" compression="metadata">
    <address>tcp://127.0.0.1:$syncpair_listen_b</address>
  </device>
  <gui enabled="true" tls="false">
    <address>127.0.0.1:$2</address>
    <apikey>$4</apikey>
  </gui>
  <options>
    <listenAddress>tcp://127.0.0.1:$3</listenAddress>
    <globalAnnounceEnabled>false</globalAnnounceEnabled>
    <localAnnounceEnabled>false</localAnnounceEnabled>
    <relaysEnabled>false</relaysEnabled>
    <natEnabled>false</natEnabled>
    <urAccepted>-1</urAccepted>
    <autoUpgradeIntervalH>0</autoUpgradeIntervalH>
    <startBrowser>false</startBrowser>
    <crashReportingEnabled>false</crashReportingEnabled>
    <minHomeDiskFree unit="%">0</minHomeDiskFree>
  </options>
</configuration>
CONFIG
}

syncpair_on_exit() { syncpair_exit_hooks+=("$1"); }

syncpair_exit() {
  local hook
  syncpair_stop
  for hook in "${syncpair_exit_hooks[@]}"; do eval "$hook"; done
}

syncpair_start() {
  syncpair_root=$(mktemp -d "${1:-${TMPDIR:-/tmp}}/syncpair.XXXXXX")
  trap syncpair_exit EXIT
  SYNC_A="$syncpair_root/a" SYNC_B="$syncpair_root/b"
  mkdir -p "$SYNC_A" "$SYNC_B" "$syncpair_root/home-a" "$syncpair_root/home-b"
  export STNODEFAULTFOLDER=1 STNOUPGRADE=1 STNORESTART=1
  local side
  for side in a b; do
    syncthing generate --home="$syncpair_root/home-$side" --no-default-folder \
      --skip-port-probing >/dev/null 2>&1 || return 1
  done
  syncpair_id_a=$(syncthing serve --home="$syncpair_root/home-a" --device-id)
  syncpair_id_b=$(syncthing serve --home="$syncpair_root/home-b" --device-id)
  syncpair_gui_a=$(syncpair_free_port) syncpair_gui_b=$(syncpair_free_port)
  syncpair_listen_a=$(syncpair_free_port) syncpair_listen_b=$(syncpair_free_port)
  syncpair_key_a="key-a-$RANDOM$RANDOM" syncpair_key_b="key-b-$RANDOM$RANDOM"
  syncpair_config "$syncpair_root/home-a" "$syncpair_gui_a" "$syncpair_listen_a" "$syncpair_key_a" "$SYNC_A"
  syncpair_config "$syncpair_root/home-b" "$syncpair_gui_b" "$syncpair_listen_b" "$syncpair_key_b" "$SYNC_B"
  for side in a b; do
    syncthing serve --home="$syncpair_root/home-$side" --no-browser --no-restart --no-upgrade \
      --logfile="$syncpair_root/$side.log" >/dev/null 2>&1 &
    syncpair_pids+=($!)
  done
  # Connected both ways within a minute.
  local tries=600 pid
  until syncpair_connected; do
    tries=$((tries - 1))
    for pid in "${syncpair_pids[@]}"; do
      kill -0 "$pid" 2>/dev/null || tries=0
    done
    if [ "$tries" -le 0 ]; then
      echo "syncpair: the two instances did not connect; logs:" >&2
      tail -n 20 "$syncpair_root/a.log" "$syncpair_root/b.log" >&2 || true
      return 1
    fi
    sleep 0.1
  done
}

syncpair_connected() {
  [ "$(syncpair_api a GET /rest/system/connections 2>/dev/null |
    jq -r --arg id "$syncpair_id_b" '.connections[$id].connected')" = true ] &&
    [ "$(syncpair_api b GET /rest/system/connections 2>/dev/null |
      jq -r --arg id "$syncpair_id_a" '.connections[$id].connected')" = true ]
}

# One side idle, needing nothing, and the other side complete as it sees it.
syncpair_side_settled() { # <side> <other device id>
  local status completion
  status=$(syncpair_api "$1" GET "/rest/db/status?folder=$SYNC_FOLDER_ID") || return 1
  completion=$(syncpair_api "$1" GET "/rest/db/completion?folder=$SYNC_FOLDER_ID&device=$2") || return 1
  [ "$(jq -r '.state' <<<"$status")" = idle ] &&
    [ "$(jq -r '.needTotalItems' <<<"$status")" = 0 ] &&
    [ "$(jq -r '.completion' <<<"$completion")" = 100 ]
}

# The files of a folder (not Syncthing's own), with their contents' sums.
syncpair_listing() {
  (cd "$1" && find . -path ./.stfolder -prune -o -name '.syncthing.*' -prune -o -type f -print0 |
    sort -z | xargs -0r sha256sum)
}

syncpair_settle() {
  local tries=$((${1:-60} * 2)) calm=0
  while [ "$tries" -gt 0 ]; do
    syncpair_api a POST "/rest/db/scan?folder=$SYNC_FOLDER_ID" >/dev/null || true
    syncpair_api b POST "/rest/db/scan?folder=$SYNC_FOLDER_ID" >/dev/null || true
    if syncpair_side_settled a "$syncpair_id_b" && syncpair_side_settled b "$syncpair_id_a" &&
      [ "$(syncpair_listing "$SYNC_A")" = "$(syncpair_listing "$SYNC_B")" ]; then
      calm=$((calm + 1))
      [ "$calm" -ge 2 ] && return 0 # the same twice in a row
    else
      calm=0
    fi
    tries=$((tries - 1))
    sleep 0.5
  done
  return 1
}

syncpair_pause() {
  syncpair_api a POST "/rest/system/pause?device=$syncpair_id_b" >/dev/null &&
    syncpair_api b POST "/rest/system/pause?device=$syncpair_id_a" >/dev/null
}

syncpair_resume() {
  syncpair_api a POST "/rest/system/resume?device=$syncpair_id_b" >/dev/null &&
    syncpair_api b POST "/rest/system/resume?device=$syncpair_id_a" >/dev/null
  local tries=600
  until syncpair_connected; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}

syncpair_stop() {
  local pid
  for pid in "${syncpair_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${syncpair_pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  syncpair_pids=()
  [ -n "$syncpair_root" ] && rm -rf "$syncpair_root"
  syncpair_root=""
}

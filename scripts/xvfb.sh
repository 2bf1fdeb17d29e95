# Sourced by the scripts that need a display. Starts one Xvfb on a free display
# number, exports DISPLAY, and stops the server when the calling shell exits
# (through the EXIT trap it installs; call vantric_stop_xvfb from your own trap
# if you replace it).
#
#   vantric_start_xvfb [WIDTHxHEIGHTxDEPTH]

vantric_xvfb_pid=

vantric_stop_xvfb() {
  if [ -n "$vantric_xvfb_pid" ]; then
    kill "$vantric_xvfb_pid" 2>/dev/null || true
    wait "$vantric_xvfb_pid" 2>/dev/null || true
    vantric_xvfb_pid=
  fi
}

vantric_start_xvfb() {
  local screen=${1:-1280x1024x24}
  local fdfile
  fdfile=$(mktemp)
  # -displayfd lets the server pick a free display number itself and report it,
  # so several runs on one machine never collide.
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$fdfile" </dev/null >/dev/null 2>&1 &
  vantric_xvfb_pid=$!
  local display=
  for _ in $(seq 1 100); do
    display=$(tr -dc '0-9' <"$fdfile")
    [ -n "$display" ] && break
    if ! kill -0 "$vantric_xvfb_pid" 2>/dev/null; then break; fi
    sleep 0.1
  done
  rm -f "$fdfile"
  if [ -z "$display" ]; then
    echo "xvfb: Xvfb did not start" >&2
    vantric_stop_xvfb
    return 1
  fi
  export DISPLAY=":$display"
}

# Steps the scripts that drive the real program under Wine share; sourced, with `say` and
# `work` (the script's own folder, holding the menu's output) set by the script first.

fail() {
  say "FAILED: $*"
  say "the menu's output: $(cat "$work/menu.out" 2>/dev/null)"
  if declare -F on_failure >/dev/null; then on_failure; fi
  exit 1
}

# wait_for LIMIT_SECONDS COMMAND...: true once COMMAND succeeds, false when the limit passes.
wait_for() {
  local limit=$1
  shift
  local deadline=$((SECONDS + limit))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}

current_mode() { xrandr --current | sed -n 's/.*current \([0-9]*\) x \([0-9]*\),.*/\1x\2/p'; }
mode_is() { [[ $(current_mode) == "$1" ]]; }

# Waits of the shell-driven Wine checks, on conditions, each with a deadline
# (sourced). GNU tail follows files with inotify: nothing polls the clock.

# wait_gone FILE SECONDS: until FILE is deleted; false when it is still
# there after SECONDS.
wait_gone() {
  [ -e "$1" ] || return 0
  timeout "$2" tail --follow=name -n 0 "$1" >/dev/null 2>&1
  [ ! -e "$1" ]
}

# wait_line FILE PATTERN PID SECONDS: until a line of FILE (written by process
# PID) matches the extended PATTERN; false when PID ends first or SECONDS
# pass. (tail ends by itself once PID has ended, at the latest at the
# deadline; the answer does not wait for it.)
wait_line() {
  grep -Eq -m1 "$2" < <(timeout "$4" tail --pid="$3" -n +1 -f "$1" 2>/dev/null)
}

# What the guest scripts share; sourced, in the guest, in /xfer.
cli=$build/cli/norvane-cli
failures=0

# check WHAT COMMAND...: one verdict line; failures are counted for the exit status
check() {
    local what=$1
    shift
    if "$@"; then
        echo "ok - $what"
    else
        echo "FAIL - $what"
        failures=$((failures + 1))
    fi
}

# The emulator sets the pace: these bounds only keep a stalled guest from hanging the run.
# await_lines FILE COUNT: until FILE has COUNT lines
await_lines() {
    local deadline=$((SECONDS + 180))
    until [[ -f $1 && $(wc -l <"$1") -ge $2 ]]; do
        [[ $SECONDS -lt $deadline ]] || return 1
        sleep 0.2
    done
}
# monitor COMMAND: has the host give QEMU's monitor the command
monitor() {
    echo "$1" >.monitor.new && mv .monitor.new .monitor
    local deadline=$((SECONDS + 60))
    while [[ -e .monitor ]]; do
        [[ $SECONDS -lt $deadline ]] || return 1
        sleep 0.2
    done
}

# The line settings in force on a device as the driver holds them: "38400 parenb -parodd cs7
# -cstopb".
line_of() {
    echo "$(stty -F "$1" speed)" $(stty -F "$1" -a | tr ' ' '\n' | grep -xE -- '-?parenb|-?parodd|cs[5-8]|-?cstopb')
}

# same TEXT FILE: FILE holds exactly the line TEXT
same() {
    [[ $(cat "$2") == "$1" ]] || { echo "  $2 holds: $(cat "$2")"; return 1; }
}
# holds TEXT FILE: FILE has TEXT somewhere
holds() {
    grep -qF -- "$1" "$2" || { echo "  $2 holds: $(cat "$2")"; return 1; }
}

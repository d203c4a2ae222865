# Bash completion for vmhost: its commands, each command's options, aircraft
# names, scenario files and validate's check ids. The lists come from the
# vmhost being completed (`vmhost complete commands|aircraft|checks`, and a
# command's --help for its options), so they never go stale. Installed as
# share/bash-completion/completions/vmhost; or, by hand:
#     . vmhost/completion.bash

# _vmhost_reply WORD...: the words that begin with $cur.
_vmhost_reply() {
    local IFS=$'\n'
    COMPREPLY+=($(compgen -W "$*" -- "$cur"))
}

# _vmhost_files [PATTERN]: folders, and the files PATTERN matches (all files
# without one).
_vmhost_files() {
    local IFS=$'\n'
    COMPREPLY+=($(compgen -d -- "$cur"))
    if [[ -n ${1-} ]]; then
        COMPREPLY+=($(compgen -f -X "!$1" -- "$cur"))
    else
        COMPREPLY+=($(compgen -f -- "$cur"))
    fi
}

_vmhost() {
    local vmhost=${COMP_WORDS[0]} command=${COMP_WORDS[1]-}
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()
    # Bash splits --opt=VALUE at the '=' (COMP_WORDBREAKS).
    if [[ $cur == = ]]; then
        cur=""
    elif [[ $prev == = && COMP_CWORD -gt 2 ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi
    if ((COMP_CWORD == 1)); then
        _vmhost_reply $("$vmhost" complete commands 2>/dev/null) --help --version
        return
    fi
    case $prev in
    --trace | --replay | --record | --json) _vmhost_files; return ;;
    --scenario | --flight) _vmhost_files '*.vms'; return ;;
    --report | --out) COMPREPLY=($(compgen -d -- "$cur")); return ;;
    --only | --exclude)
        # A list: the ids after the last comma.
        local done=${cur%"${cur##*,}"}
        cur=${cur##*,}
        _vmhost_reply $("$vmhost" complete checks 2>/dev/null)
        COMPREPLY=("${COMPREPLY[@]/#/$done}")
        return
        ;;
    --strictness | --seed | --timeout | --steps | --rel | --abs | --port) return ;;
    esac
    if [[ $cur == -* ]]; then
        _vmhost_reply $({ echo --help; "$vmhost" "$command" --help 2>/dev/null |
            grep -o -- '--[a-z][a-z-]*'; } | sort -u)
        return
    fi
    case $command in
    run) _vmhost_files '*.vms' ;;
    fly) _vmhost_reply $("$vmhost" complete aircraft 2>/dev/null); _vmhost_files '*.vms' ;;
    validate | compare | live) _vmhost_reply $("$vmhost" complete aircraft 2>/dev/null); _vmhost_files ;;
    help) _vmhost_reply $("$vmhost" complete commands 2>/dev/null) ;;
    esac
}
complete -o filenames -F _vmhost vmhost

# bash completion for marlin.
#
# The commands, their options and what each argument is are read from
# `marlin --help` and `marlin COMMAND --help`, and paths inside an image from
# marlin itself, so completion offers what the installed tool takes. The
# helpers of the bash-completion package are used when they are loaded.

# A typed word as the command will get it: quotes and backslashes taken
# away, a leading ~/ expanded.
_marlin_dequote()
{
    local w=$1 out='' i
    case $w in
    \'*) w=${w#\'} out=${w%\'} ;;
    \"*) w=${w#\"} out=${w%\"} ;;
    *)
        for ((i = 0; i < ${#w}; i++)); do
            [[ ${w:i:1} == \\ ]] && i=$((i + 1))
            out+=${w:i:1}
        done
        ;;
    esac
    [[ $out == \~/* ]] && out=$HOME/${out#\~/}
    printf '%s' "$out"
}

# Host files, or with -d host folders only.
_marlin_host_files()
{
    if declare -F _filedir >/dev/null; then
        _filedir "$@"
    else
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen "${1:--f}" -- "$(_marlin_dequote "$cur")")
    fi
}

# Image files (.dat in any case) and the folders that may hold them.
_marlin_images()
{
    if declare -F _filedir >/dev/null; then
        _filedir '[dD][aA][tT]'
    else
        compopt -o filenames 2>/dev/null
        local w
        w=$(_marlin_dequote "$cur")
        mapfile -t COMPREPLY < <(compgen -f -X '!*.[dD][aA][tT]' -- "$w"; compgen -d -- "$w")
    fi
}

# Paths inside IMAGE that start with the current word (directories only for
# DIR), as marlin finds them: MARLIN IMAGE KIND.
_marlin_image_paths()
{
    local p q
    local -a found
    mapfile -t found < <("$1" __complete-path "$2" "$(_marlin_dequote "$cur")" 2>/dev/null)
    for p in "${found[@]}"; do
        [[ $3 == DIR && $p != *. ]] && continue
        if [[ $cur == [\'\"]* ]]; then
            # Inside an open quote the shell takes the name as it is.
            COMPREPLY+=("$p")
        else
            # "$." is not an expansion, so the root needs no backslash.
            printf -v q '%q' "$p"
            COMPREPLY+=("${q/#\\\$/\$}")
        fi
    done
    # A directory goes on into its entries.
    [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *. ]] && compopt -o nospace 2>/dev/null
    return 0
}

# The values the command's help lists for NAME, as in "NAME TEXT:{a,b,c}".
_marlin_choices()
{
    local values
    values=$(sed -n "s/^  *$1 [A-Z]*:{\([^}]*\)}.*/\1/p" <<<"$help")
    mapfile -t COMPREPLY < <(compgen -W "${values//,/ }" -- "$cur")
}

_marlin()
{
    local marlin=${1:-marlin} cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local i cmd='' cmdAt=0
    COMPREPLY=()
    # The command is the first word that is not an option.
    for ((i = 1; i < COMP_CWORD; i++)); do
        if [[ ${COMP_WORDS[i]} != -* ]]; then
            cmd=${COMP_WORDS[i]} cmdAt=$i
            break
        fi
    done
    if [[ -z $cmd ]]; then
        local words="--help --version"
        [[ $cur != -* ]] && words=$("$marlin" --help 2>/dev/null | sed -n '/^Subcommands:/,$ s/^  \([a-z][a-z]*\) .*/\1/p')
        mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
        return 0
    fi

    local help options valued
    help=$("$marlin" "$cmd" --help 2>/dev/null) || return 0
    # Every long option; those the help shows with a type take a value.
    options=$(sed -n 's/^  \(-[a-zA-Z],\)\{0,1\}\(--[a-z-]*\).*/\2/p' <<<"$help")
    valued=$(sed -n 's/^  \(-[a-zA-Z],\)\{0,1\}\(--[a-z-]*\) [A-Z].*/\2/p' <<<"$help")

    # Which argument the word is: options and their values do not count.
    local pos=0 image='' ended='' w
    for ((i = cmdAt + 1; i < COMP_CWORD; i++)); do
        w=${COMP_WORDS[i]}
        if [[ -z $ended && $w == -- ]]; then
            ended=1
        elif [[ -z $ended && $w == -* ]]; then
            [[ $w != *=* ]] && grep -qxF -- "$w" <<<"$valued" && i=$((i + 1))
        else
            [[ $pos -eq 0 ]] && image=$w
            pos=$((pos + 1))
        fi
    done

    if [[ -z $ended ]]; then
        if [[ $prev == --* ]] && grep -qxF -- "$prev" <<<"$valued"; then
            case $prev in
            --output) _marlin_host_files ;;
            *) _marlin_choices "$prev" ;;
            esac
            return 0
        fi
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
            return 0
        fi
    fi

    # What the usage line names at that place; a name ending in "..." takes
    # every argument from there on.
    local kind='' n=0 t usage
    read -ra usage <<<"$(sed -n 's/^Usage: .*\[OPTIONS\] //p' <<<"$help")"
    for t in "${usage[@]}"; do
        if [[ $n -eq $pos || $t == *... ]]; then
            kind=${t//[\[\].]/}
            break
        fi
        n=$((n + 1))
    done
    case $kind in
    IMAGE) _marlin_images ;;
    PATH | DIR) _marlin_image_paths "$marlin" "$(_marlin_dequote "$image")" "$kind" ;;
    HOSTPATH | HOSTFILE) _marlin_host_files ;;
    DEST) _marlin_host_files -d ;;
    *) _marlin_choices "$kind" ;;
    esac
    return 0
} && complete -F _marlin marlin

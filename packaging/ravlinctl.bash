# bash completion for ravlinctl. Subcommands and options come from ravlinctl's own help,
# flavour keys, device types and dispatcher names from the installation it sees
# (RAVLIN_ENVIRONMENT_FILE, else /etc/ravlin/environment).

# The values of one JSON field in ravlinctl's output, one per line.
_ravlinctl_field() {
  local field=$1
  shift
  "$@" 2>/dev/null | grep -o "\"$field\": \"[^\"]*\"" | sed 's/^[^:]*: "//; s/"$//'
}

_ravlinctl() {
  local cur prev ctl=${COMP_WORDS[0]}
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD - 1]}
  [[ "$ctl" == */* || -n "$(type -P "$ctl")" ]] || ctl=ravlinctl

  # The subcommand: the first word after the leading options ("--version X" takes one).
  local i subcommand=
  for ((i = 1; i < COMP_CWORD; i++)); do
    case ${COMP_WORDS[i]} in
      --version) ((i++)) ;;
      -*) ;;
      *) subcommand=${COMP_WORDS[i]}; break ;;
    esac
  done

  # restore DIR: the flavour and dispatcher names come from the backup folder's index.
  local backup=
  if [[ $subcommand == restore ]]; then
    for ((i = i + 1; i < COMP_CWORD; i++)); do
      case ${COMP_WORDS[i]} in
        -f | --flavour | --dispatcher) ((i++)) ;;
        -*) ;;
        *) backup=${COMP_WORDS[i]}; break ;;
      esac
    done
  fi

  local IFS=$'\n' words
  case $prev in
    -f | --flavour)
      if [[ $subcommand == restore ]]; then
        words=$("$ctl" backup-info "$backup" --json 2>/dev/null | grep -o '"name": "[^"]*", "version"' | cut -d'"' -f4)
      else
        words=$(_ravlinctl_field key "$ctl" flavours --json)
      fi ;;
    --dispatcher)
      words=$("$ctl" backup-info "$backup" --json 2>/dev/null | grep -o '"name": "[^"]*", "mode"' | cut -d'"' -f4 | sort -u) ;;
    --to)
      COMPREPLY=($(compgen -d -- "$cur"))
      return ;;
    -t | --type)
      # The types of the flavour named before, else of every flavour.
      local flavour=
      for ((i = 1; i < COMP_CWORD - 1; i++)); do
        [[ ${COMP_WORDS[i]} == -f || ${COMP_WORDS[i]} == --flavour ]] && flavour="${COMP_WORDS[i + 1]}\""
      done
      words=$("$ctl" flavours --json 2>/dev/null | grep -F "\"key\": \"$flavour" | grep -o '"deviceTypes": \[[^]]*\]' |
        grep -o '"[^"]*"' | grep -v '^"deviceTypes"$' | tr -d '"' | sort -u) ;;
    --copy-queues-from)
      words=$(_ravlinctl_field name "$ctl" list --json) ;;
    --vdp)
      words=$'active\ndisabled' ;;
    --dgc | --job-dot-shape)
      words=$'on\noff' ;;
    --copy-location)
      COMPREPLY=($(compgen -d -- "$cur"))
      return ;;
    --ppd)
      COMPREPLY=($(compgen -f -- "$cur"))
      return ;;
    --version | -n | --name | --folder | --port-separator)
      return ;;
  esac
  if [[ -z "${words+set}" ]]; then
    if [[ -z "$subcommand" ]]; then
      if [[ "$cur" == -* ]]; then
        words=$'--version\n--help'
      else
        words=$("$ctl" --help 2>/dev/null | sed -n '/^Subcommands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p')
      fi
    elif [[ "$cur" == -* ]]; then
      words=$("$ctl" "$subcommand" --help 2>/dev/null | grep -o -- '--[a-z][a-z-]*' | sort -u)
    else
      case $subcommand in
        help) words=$("$ctl" --help 2>/dev/null | sed -n '/^Subcommands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p') ;;
        show | delete | change-type | set | ppd | publish | unpublish) words=$(_ravlinctl_field name "$ctl" list --json) ;;
        restore | backup-info)
          if [[ -z $backup ]]; then
            COMPREPLY=($(compgen -d -- "$cur"))
          fi
          return ;;
        env | folders | swap | config | media | resolutions)
          # The dispatcher, then the action that the synopsis names after it ("NAME list"),
          # then for swap the channel.
          local words_before=0
          for ((i = i + 1; i < COMP_CWORD; i++)); do
            [[ ${COMP_WORDS[i]} == -* ]] || ((words_before++))
          done
          case $words_before in
            0) words=$(_ravlinctl_field name "$ctl" list --json) ;;
            1) words=$("$ctl" "$subcommand" --help 2>/dev/null | head -n 1 | grep -o 'NAME [a-z|]\+' | cut -d' ' -f2 |
                 tr '|' '\n' | sort -u) ;;
            2) [[ $subcommand == swap && $prev != list ]] && words=$'0\n1\n2' ;;
          esac
          [[ -n "${words+set}" ]] || return ;;
        *) return ;;
      esac
    fi
  fi
  COMPREPLY=($(compgen -W "$words" -- "$cur"))
}
complete -F _ravlinctl ravlinctl

# Bash completion for mpgtree: its subcommands, the options before and after them, the forms
# after --form, and file names where a dump or an output file is expected.
#
# Self-contained, so that it loads alone: bash-completion loads it on first use when it is
# installed in its completions directory under the tool's name ("mpgtree"); it can also be
# sourced from ~/.bashrc. It needs no helper of bash-completion's own.

# The options before the subcommand, as mpgtree --help lists them; all but --help and --version
# are the common options, which may also stand after the subcommand.
_zyn_mpgtree_options='--help --version --form --lenient --progress --no-progress'
_zyn_mpgtree_common_options='--form --lenient --progress --no-progress'
_zyn_mpgtree_commands='json check find diff html'
_zyn_mpgtree_forms='auto stdout trace'

# The options of one subcommand ($1), as mpgtree SUBCOMMAND --help lists them, then the common
# options.
_zyn_mpgtree_command_options() {
  case $1 in
    json) echo -n '--help --lines --output' ;;
    check) echo -n '--help --quiet' ;;
    find) echo -n '--help --uuid --name --ignore-case --quiet' ;;
    diff) echo -n '--help --json --verbose --ignore --only --output' ;;
    html) echo -n '--help --diff --ignore --output --uuid --name --ordinals --max-rows' ;;
    *) echo -n '--help' ;;
  esac
  echo " $_zyn_mpgtree_common_options"
}

# Fills COMPREPLY with the file names that start with $1, marked as file names so that bash
# adds a slash to directories and quotes what needs it.
_zyn_mpgtree_files() {
  local IFS=$'\n'
  COMPREPLY+=($(compgen -f -- "$1"))
  compopt -o filenames 2>/dev/null
}

_zyn_mpgtree() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev= command= i
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  # "--form=trace": bash splits the word at '=' (COMP_WORDBREAKS).
  if [[ $cur == = ]]; then
    cur=
  elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
    prev=${COMP_WORDS[COMP_CWORD - 2]}
  fi
  for ((i = 1; i < COMP_CWORD; i++)); do
    [[ " $_zyn_mpgtree_commands " == *" ${COMP_WORDS[i]} "* ]] && command=${COMP_WORDS[i]} && break
  done
  COMPREPLY=()
  case $prev in
    --form)
      COMPREPLY=($(compgen -W "$_zyn_mpgtree_forms" -- "$cur"))
      return
      ;;
    -o | --output)
      [[ -z $cur || $cur == - ]] && COMPREPLY=(-)
      _zyn_mpgtree_files "$cur"
      return
      ;;
    --only)
      COMPREPLY=($(compgen -W 'changed added removed' -- "$cur"))
      return
      ;;
    --uuid | --name | --ordinals | --max-rows | --ignore)
      # A value of the user's: nothing to propose.
      return
      ;;
  esac
  if [[ -z $command ]]; then
    if [[ $cur == -* ]]; then
      COMPREPLY=($(compgen -W "$_zyn_mpgtree_options" -- "$cur"))
    else
      COMPREPLY=($(compgen -W "$_zyn_mpgtree_commands" -- "$cur"))
    fi
  elif [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$(_zyn_mpgtree_command_options "$command")" -- "$cur"))
  else
    _zyn_mpgtree_files "$cur"
  fi
}

complete -F _zyn_mpgtree mpgtree

# Bash completion for mpgdump: its options, the named traces after --activate, and file names
# where a file is expected (the table, --trace-out, --trace-log, --call-log, --module).
#
# Self-contained, so that it loads alone: bash-completion loads it on first use when it is
# installed in its completions directory under the tool's name ("mpgdump"); it can also be
# sourced from ~/.bashrc. It needs no helper of bash-completion's own.

# The options, as mpgdump --help lists them.
_zyn_mpgdump_options='--help --version --object --level --mode --index --trace --trace-out
--activate --trace-log --call-log --module --generate --stats --progress --no-progress'
# The named traces --activate accepts.
_zyn_mpgdump_traces='ZynMpgFullMappingTrace ZynMpgMappingTrace ZynMpgProviderComponentTrace
ZynMpgFullSaveTrace ZynMpgEnvQueryTrace'

# Fills COMPREPLY with the file names that start with $1, marked as file names so that bash
# adds a slash to directories and quotes what needs it.
_zyn_mpgdump_files() {
  local IFS=$'\n'
  COMPREPLY+=($(compgen -f -- "$1"))
  compopt -o filenames 2>/dev/null
}

_zyn_mpgdump() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  # "--trace-out=FILE": bash splits the word at '=' (COMP_WORDBREAKS).
  if [[ $cur == = ]]; then
    cur=
  elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
    prev=${COMP_WORDS[COMP_CWORD - 2]}
  fi
  COMPREPLY=()
  case $prev in
    --activate)
      COMPREPLY=($(compgen -W "$_zyn_mpgdump_traces" -- "$cur"))
      return
      ;;
    --trace-out)
      [[ -z $cur || $cur == - ]] && COMPREPLY=(-)
      _zyn_mpgdump_files "$cur"
      return
      ;;
    --trace-log | --call-log | --module)
      _zyn_mpgdump_files "$cur"
      return
      ;;
    --object | --level | --mode | --index | --generate)
      # A value of the user's: nothing to propose.
      return
      ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$_zyn_mpgdump_options" -- "$cur"))
  else
    _zyn_mpgdump_files "$cur"
  fi
}

complete -F _zyn_mpgdump mpgdump

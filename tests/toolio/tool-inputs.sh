#!/usr/bin/env bash
# What the tools do with the files they read: no output may write into one, and the messages of
# a command line they cannot run, or of a bad ZYN_TRACE_ACTIVE, name the tool.
#
# Usage: tool-inputs.sh MPGTREE MPGDUMP SAMPLE_TABLE GROUP
# GROUP is one of:
#   outputs      one table of outputs x inputs: each output of each subcommand of mpgtree, and of
#                mpgdump, naming its input directly, through a symbolic link, a hard link,
#                /dev/fd, or standard input's file, opened for writing and for appending: exit
#                status 2 with the one message, and the input unchanged byte for byte.
#   messages     usage errors prefixed with the tool's name, and '-o -' as standard output.
#   environment  ZYN_TRACE_ACTIVE's names checked as --activate's are.
# Exit 77 means skipped.
set -u

if [[ $# -ne 4 ]]; then
  echo "usage: $0 MPGTREE MPGDUMP SAMPLE_TABLE GROUP" >&2
  exit 2
fi
mpgtree=$(realpath -- "$1") && mpgdump=$(realpath -- "$2") || exit 2
sample=$(realpath -- "$3") || exit 2
group=$4
# shellcheck source=../support/checks.sh
source "$(dirname "$0")/../support/checks.sh"
cd "$work" || exit 2
"$mpgdump" "$sample" --level 2 >dump.txt 2>/dev/null &&
  "$mpgdump" "$sample" --level 2 --trace --trace-out other.txt >/dev/null 2>&1 ||
  { echo "cannot make the dumps"; exit 2; }

# Runs one row's command in a subshell: $stdin and $fd3 (read) and $fd4 (opened as $mode) when
# set, standard output on $stdout as $mode when set, standard error into err. Answers its status.
run() {
  (
    [[ -n $stdin ]] && exec <"$stdin"
    [[ -n $fd3 ]] && exec 3<"$fd3"
    case $mode:$fd4 in
      write:?*) exec 4<>"$fd4" ;;
      append:?*) exec 4>>"$fd4" ;;
    esac
    case $mode:$stdout in
      write:?*) exec 1<>"$stdout" ;;
      append:?*) exec 1>>"$stdout" ;;
      *) exec >/dev/null ;;
    esac
    exec "$@" 2>err
  )
}

# One row of the table: the command with IN (the input the output names), OUT (an option's file)
# and '>OUT' (standard output), run for each way of naming the input and each opening mode.
run_output_row() {
  local tool=$1 template=$2 input=$3
  local way mode words word out name target
  # The row itself is sound: its output elsewhere, it does not fail as bad usage.
  stdin= fd3= fd4= stdout= mode=write
  read -ra words <<<"${template//IN/$input}"
  [[ ${words[-1]} == '>OUT' ]] && stdout=elsewhere && unset 'words[-1]'
  run "${!tool}" "${words[@]//OUT/elsewhere}"
  [[ $? == 2 ]] && fail "$tool $template: fails without naming its input: $(head -c 300 err)"
  for way in direct symbolic-link hard-link dev-fd standard-input; do
    for mode in write append; do
      cp "$input" in && ln -sf in link && ln -f in hard || exit 2
      local before=$(sha256sum <in)
      stdin= fd3= fd4= stdout=
      case $way in
        direct) name=in target=in ;;
        symbolic-link) name=in target=link ;;
        hard-link) name=in target=hard ;;
        dev-fd) fd3=in fd4=in name=/dev/fd/3 target=/dev/fd/4 ;;
        standard-input) stdin=in name=- target=in ;;
      esac
      read -ra words <<<"${template//IN/$name}"
      if [[ ${words[-1]} == '>OUT' ]]; then
        unset 'words[-1]'
        stdout=${target/#\/dev\/fd\/4/in}
      elif [[ $way != dev-fd && $mode == append ]]; then
        continue  # the tool opens its file itself: the mode is its own
      fi
      run "${!tool}" "${words[@]//OUT/$target}"
      local status=$? what="$tool ${words[*]//OUT/$target} ($way, $mode)"
      runs=$((runs + 1))
      [[ $status == 2 ]] || fail "$what: exit status $status, expected 2"
      grep -qx "$tool: .* name the same file" err && [[ $(wc -l <err) == 1 ]] ||
        fail "$what: not the one message naming the pair: $(head -c 300 err)"
      [[ $(sha256sum <in) == "$before" ]] || fail "$what: the input was changed"
      [[ -n $(find . -name '*in.??????') ]] && fail "$what: a temporary was left behind"
      rm -f in link hard
    done
  done
}

case $group in
  outputs)
    runs=0
    while IFS='|' read -r tool template input; do
      [[ -z $tool || $tool == \#* ]] && continue
      run_output_row "$(echo $tool)" "$(echo $template)" "$(echo ${input//@TABLE@/$sample})"
    done <<'TABLE'
# tool  | command: IN the input, OUT the output, >OUT standard output   | the input's text
mpgtree | json IN -o OUT                                                | dump.txt
mpgtree | json --lines IN >OUT                                          | dump.txt
mpgtree | check IN >OUT                                                 | dump.txt
mpgtree | find --name a IN >OUT                                         | dump.txt
mpgtree | diff IN other.txt -o OUT                                      | dump.txt
mpgtree | diff other.txt IN >OUT                                        | dump.txt
mpgtree | diff --json IN other.txt -o OUT                               | dump.txt
mpgtree | html IN -o OUT                                                | dump.txt
mpgtree | html IN -o - >OUT                                             | dump.txt
mpgtree | html --diff other.txt IN -o OUT                               | dump.txt
mpgtree | html --diff IN other.txt -o - >OUT                            | dump.txt
mpgdump | IN >OUT                                                       | @TABLE@
mpgdump | IN --trace --trace-out OUT                                    | @TABLE@
mpgdump | IN --trace --trace-out - >OUT                                 | @TABLE@
mpgdump | IN --trace-log OUT                                            | @TABLE@
mpgdump | IN --call-log OUT                                             | @TABLE@
TABLE
    echo "$runs runs of an output naming its input"
    # What the rule leaves alone: inputs shared among themselves, and a terminal or /dev/null
    # both read and written.
    "$mpgtree" diff dump.txt dump.txt >/dev/null 2>err || fail "diff of one file twice: $(<err)"
    "$mpgtree" check - </dev/null >/dev/null 2>err
    [[ $? == 2 ]] && grep -q "same file" err && fail "/dev/null read and written refused"
    ;;
  messages)
    # Each line of standard error starts with the tool's name: the message, then the hint.
    while IFS='|' read -r tool arguments message; do
      [[ -z $tool || $tool == \#* ]] && continue
      tool=$(echo $tool) message=$(echo $message) arguments=$(echo $arguments)
      read -ra words <<<"$arguments"
      "${!tool}" "${words[@]}" >out 2>err
      status=$?
      what="$tool $arguments"
      [[ $status == 2 ]] || fail "$what: exit status $status, expected 2"
      [[ $message == - || $(head -n 1 err) == "$tool: $message" ]] ||
        fail "$what: not \"$tool: $message\": $(head -c 300 err)"
      grep -qv "^$tool: " err && fail "$what: a line without \"$tool: \": $(grep -v "^$tool: " err)"
      grep -q -- "--help" err || fail "$what: no hint naming --help"
    done <<'TABLE'
# tool  | arguments                                | the first message, after "TOOL: " (- any)
mpgtree | find --uuid 1 --name a dump.txt          | --uuid excludes --name
mpgtree | json                                     | -
mpgtree | --form neither json dump.txt             | -
mpgtree | html dump.txt -o p.html --max-rows lots  | -
mpgtree | no-such-command                          | -
mpgdump | --level abc                              | Could not convert: --level = abc
mpgdump | --no-such-option                         | -
TABLE
    # '-o -' is standard output in every subcommand that takes -o, never a file named '-'.
    for command in "json dump.txt" "diff dump.txt other.txt" "html dump.txt"; do
      read -ra words <<<"$command"
      "$mpgtree" "${words[@]}" -o - >out 2>err
      [[ -s out && ! -e - ]] || fail "$command -o -: not on standard output: $(head -c 300 err)"
      rm -f -- -
    done
    grep -q '^<!DOCTYPE html>' out || fail "html -o -: no page on standard output"
    ;;
  environment)
    # Each row: ZYN_TRACE_ACTIVE's value, the status, the message after "mpgdump: " (- none).
    while IFS='|' read -r value expected message; do
      [[ -z $value || $value == \#* ]] && continue
      value=$(echo $value) expected=$(echo $expected) message=$(echo $message)
      [[ $value == '(empty)' ]] && value=
      ZYN_TRACE_ACTIVE=$value "$mpgdump" "$sample" >out 2>err
      status=$?
      [[ $status == "$expected" ]] || fail "ZYN_TRACE_ACTIVE=$value: exit status $status"
      if [[ $message == - ]]; then
        [[ -s err ]] && fail "ZYN_TRACE_ACTIVE=$value: $(head -c 300 err)"
      else
        [[ $(<err) == "mpgdump: ZYN_TRACE_ACTIVE: unknown trace \"$message\" (known: "* ]] ||
          fail "ZYN_TRACE_ACTIVE=$value: $(head -c 300 err)"
        [[ -s out ]] && fail "ZYN_TRACE_ACTIVE=$value: dumped anyway"
      fi
    done <<'TABLE'
# value                               | status | unknown name
(empty)                               | 0      | -
ZynMpgMappingTrace                    | 0      | -
ZynMpgMappingTrace,ZynMpgEnvQueryTrace | 0     | -
Bogus                                 | 2      | Bogus
ZynMpgMappingTrace,Bogus              | 2      | Bogus
zynmpgmappingtrace                    | 2      | zynmpgmappingtrace
ZynMpgMappingTrace,,Bogus,            | 2      | Bogus
TABLE
    # --activate says the same of the same name.
    "$mpgdump" "$sample" --activate Bogus >out 2>err
    [[ $? == 2 && $(<err) == 'mpgdump: --activate: unknown trace "Bogus" (known: '* ]] ||
      fail "--activate Bogus: $(head -c 300 err)"
    ;;
  *)
    echo "unknown group: $group" >&2
    exit 2
    ;;
esac

exit $failed

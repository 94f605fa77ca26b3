#!/usr/bin/env python3
"""Checks that the manual pages and the bash completions know every subcommand and option that
the tools' own --help lists, and nothing else.

Usage: help-coverage.py MPGDUMP MPGTREE SOURCE_DIR

Read from --help: the options of mpgdump, the options and subcommands of mpgtree, and the
options of each mpgtree subcommand. Then:
- docs/man/mpgdump.1 tags each option of mpgdump in OPTIONS; docs/man/mpgtree.1 tags each
  subcommand in COMMANDS, each common option in OPTIONS before the first "Options of", and each
  option of a subcommand under "Options of SUBCOMMAND" (short and long names alike);
- the completions offer each long option of mpgdump; for mpgtree, its subcommands and options
  first, then after each subcommand that subcommand's options with the common ones (all of
  mpgtree's own but --help and --version).
Each difference is one line naming the file, the place and the option.
"""
import re
import subprocess
import sys
from pathlib import Path

OPTION = re.compile(r'(?<![\w-])--?[A-Za-z][\w-]*')
META = {'-h', '--help', '--version'}


def help_of(*command):
    """The options and subcommands that `command --help` lists."""
    text = subprocess.run([*command, '--help'], stdout=subprocess.PIPE, check=True,
                          text=True).stdout
    options, subcommands, section = set(), [], None
    for line in text.splitlines():
        if re.match(r'^\S.*:$', line):
            section = line[:-1].strip().lower()
        elif section == 'options' and re.match(r'^  -', line):
            options.update(line.split()[0].split(','))
        elif section == 'subcommands' and re.match(r'^  \w', line):
            subcommands.append(line.split()[0])
    return options, subcommands


def manual_sections(path):
    """Each section of a manual page (by its .SH title) as its lines, with \\- read as -."""
    sections, current = {}, None
    for line in path.read_text(encoding='utf-8').replace('\\-', '-').splitlines():
        if line.startswith('.SH '):
            current = sections.setdefault(line[4:].strip().strip('"'), [])
        elif current is not None:
            current.append(line)
    return sections


def tags(lines):
    """The words of the tag lines of .TP/.TQ paragraphs, grouped by the "Options of X" before
    them ('' before the first)."""
    groups, group, after_tag, after_heading = {'': []}, '', False, False
    for line in lines:
        if after_heading:
            group = re.sub(r'^\.BR? ', '', line).split()[0]
            groups.setdefault(group, [])
        elif after_tag:
            groups[group].append(line)
        after_heading = line.strip() == 'Options of'
        after_tag = line.startswith(('.TP', '.TQ'))
    return groups


def compare(faults, where, listed, wanted, source):
    for name in sorted(wanted - listed):
        faults.append(f'{where} lacks {name} ({source} lists it)')
    for name in sorted(listed - wanted):
        faults.append(f'{where} lists {name}, which {source} does not')


def completion(source, tool, *words):
    """What the completion of `tool` answers for the command line `tool words...`."""
    script = (f'source {source}/tools/completion/{tool}.bash || exit 2; COMP_WORDS=({tool} "$@"); '
              'COMP_CWORD=$#; COMPREPLY=(); _zyn_' + tool + ' 2>/dev/null; '
              'printf "%s\\n" "${COMPREPLY[@]}"')
    answer = subprocess.run(['bash', '-c', script, 'bash', *words], stdout=subprocess.PIPE,
                            text=True, check=True, cwd='/').stdout
    return set(answer.split())


def longs(names):
    return {name for name in names if name.startswith('--')}


def main():
    mpgdump, mpgtree, source = sys.argv[1], sys.argv[2], Path(sys.argv[3]).resolve()
    faults = []
    dump_options, _ = help_of(mpgdump)
    tree_options, subcommands = help_of(mpgtree)
    sub_options = {name: help_of(mpgtree, name)[0] for name in subcommands}
    common = tree_options - META

    page = tags(manual_sections(source / 'docs/man/mpgdump.1').get('OPTIONS', []))
    compare(faults, 'docs/man/mpgdump.1 OPTIONS', set(OPTION.findall(' '.join(page[''])))
            , dump_options, 'mpgdump --help')
    sections = manual_sections(source / 'docs/man/mpgtree.1')
    compare(faults, 'docs/man/mpgtree.1 COMMANDS',
            set(' '.join(tags(sections.get('COMMANDS', []))['']).replace('.B ', '').split()),
            set(subcommands), 'mpgtree --help')
    page = tags(sections.get('OPTIONS', []))
    compare(faults, 'docs/man/mpgtree.1 OPTIONS (common options)',
            set(OPTION.findall(' '.join(page['']))), tree_options, 'mpgtree --help')
    for name in subcommands:
        compare(faults, f'docs/man/mpgtree.1 OPTIONS (Options of {name})',
                set(OPTION.findall(' '.join(page.get(name, [])))), sub_options[name] - META,
                f'mpgtree {name} --help')

    compare(faults, 'tools/completion/mpgdump.bash after "mpgdump"',
            completion(source, 'mpgdump', '-'), longs(dump_options), 'mpgdump --help')
    compare(faults, 'tools/completion/mpgtree.bash after "mpgtree"',
            completion(source, 'mpgtree', '-'), longs(tree_options), 'mpgtree --help')
    compare(faults, 'tools/completion/mpgtree.bash subcommands',
            completion(source, 'mpgtree', ''), set(subcommands), 'mpgtree --help')
    for name in subcommands:
        compare(faults, f'tools/completion/mpgtree.bash after "mpgtree {name}"',
                completion(source, 'mpgtree', name, '-'), longs(sub_options[name] | common),
                f'mpgtree {name} --help or, as a common option, mpgtree --help')
    for fault in faults:
        print(f'FAIL {fault}')
    print(f'{len(subcommands)} subcommands, '
          f'{len(dump_options) + len(tree_options) + sum(map(len, sub_options.values()))} '
          f'option names read from --help; {len(faults)} difference(s)')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())

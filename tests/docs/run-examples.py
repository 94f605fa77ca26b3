#!/usr/bin/env python3
"""Runs every command example of the documents, as a user outside the repository would.

Usage: run-examples.py CMAKE BUILD_DIR SOURCE_DIR

The build is installed into a temporary prefix whose bin/ comes first on PATH;
each document's examples run in order in a temporary folder of their own, so a file one example
makes is there for the next ones of the same document. What counts as an example:

- Markdown (README.md, docs/*.md): a fenced block holding lines that start with "$ ", or any
  ```sh block. Manual pages (docs/man/*.1): every .EX/.EE block.
- A line "$ COMMAND" is a command (it goes on with the next line while it ends with a backslash
  or holds an open quote);
  the lines after it, up to the next command, are its output, standard output and standard
  error together. A line "..." stands for any number of lines, and "..." inside a line for any
  text. A command shown without output must succeed (status 0); one shown with output must give
  that output, whatever its status.
- A comment just before a block changes what is done with it: "not run: REASON" leaves it out,
  "file: NAME" writes its text into NAME for the commands after it, "needs: PROGRAM" leaves it
  out when PROGRAM is missing (<!-- ... --> in Markdown, .\\" ... in a manual page).
- A ```sh block or a manual page's example with no command and no such comment is a fault: it
  would otherwise never run.
"""
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

MARKER = re.compile(r'^(?:<!--|\.\\")\s*(not run|file|needs):\s*(.*?)\s*(?:-->)?\s*$')
TIMEOUT = 60  # seconds a command may take
ROFF_ESCAPES = [('\\-', '-'), ('\\(aq', "'"), ('\\(dq', '"'), ('\\&', ''), ('\\e', '\\')]


class Block:
    """One fenced block or .EX block: where it starts, its lines, its kind and the comment
    before it."""

    def __init__(self, line, lines, shell, marker):
        self.line, self.lines, self.shell, self.marker = line, lines, shell, marker


def markdown_blocks(text):
    marker, block, start = None, None, 0
    for number, line in enumerate(text.split('\n'), 1):
        if block is not None:
            if line.startswith('```'):
                yield Block(start, block, shell, marker)
                block, marker = None, None
            else:
                block.append(line)
        elif line.startswith('```'):
            block, start, shell = [], number, line[3:].strip() == 'sh'
        elif MARKER.match(line):
            marker = MARKER.match(line).groups()
    if block is not None:
        raise ValueError(f'{start}: a fence that is never closed')


def manual_blocks(text):
    marker, block, start = None, None, 0
    for number, line in enumerate(text.split('\n'), 1):
        if block is not None:
            if line.startswith('.EE'):
                yield Block(start, block, True, marker)
                block, marker = None, None
            else:
                for escape, plain in ROFF_ESCAPES:
                    line = line.replace(escape, plain)
                block.append(line)
        elif line.startswith('.EX'):
            block, start = [], number
        elif MARKER.match(line):
            marker = MARKER.match(line).groups()
    if block is not None:
        raise ValueError(f'{start}: an .EX that no .EE closes')


def unfinished(command):
    """Whether a command goes on with the next line: it ends with a backslash, or a quote of
    it is still open."""
    if command.endswith('\\'):
        return True
    try:
        shlex.split(command, comments=True)
    except ValueError:
        return True
    return False


def commands(block):
    """The block's commands: (line number, command, shown output lines)."""
    found, lines, index = [], block.lines, 0
    while index < len(lines):
        if not lines[index].startswith('$ '):
            if found:
                found[-1][2].append(lines[index])
            index += 1
            continue
        number, command = block.line + 1 + index, lines[index][2:]
        while unfinished(command) and index + 1 < len(lines):
            index += 1
            command += '\n' + lines[index]
        found.append((number, command, []))
        index += 1
    return found


def output_pattern(shown):
    """A pattern for the whole output: "..." alone is any lines, inside a line any text."""
    parts = []
    for line in shown:
        if line == '...':
            parts.append(r'(?:[^\n]*\n)*?')
        else:
            parts.append('.*'.join(map(re.escape, line.split('...'))) + r'\n')
    return re.compile(''.join(parts))


def indented(lines):
    return ''.join(f'    {line}\n' for line in lines)


def run_command(command, shown, folder, env):
    """Runs one command in folder; what is wrong with its outcome, or None."""
    try:
        run = subprocess.run(['bash', '-c', command], cwd=folder, env=env,
                             stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        return f'  runs over {TIMEOUT} s'
    output = run.stdout.decode('utf-8', 'replace')
    if shown and not output_pattern(shown).fullmatch(output):
        return f'  shows:\n{indented(shown)}  gives:\n{indented(output.splitlines())}'
    if not shown and run.returncode != 0:
        return (f'  exits with status {run.returncode} (no output is shown, so it must '
                f'succeed):\n{indented(output.splitlines())}')
    return None


def run_document(path, folder, env, faults):
    """Runs the examples of one document in folder, adding what fails to faults; returns the
    number of commands run."""

    text = path.read_text(encoding='utf-8')
    blocks = manual_blocks(text) if path.suffix == '.1' else markdown_blocks(text)
    try:
        blocks = list(blocks)
    except ValueError as fault:
        faults.append(f'{path.name}:{fault}')
        return 0
    ran = 0
    for block in blocks:
        kind, value = block.marker or (None, None)
        where = f'{path.name}:{block.line}'
        if kind == 'not run':
            continue
        if kind == 'file':
            (folder / value).write_text('\n'.join(block.lines) + '\n', encoding='utf-8')
            continue
        if kind == 'needs' and shutil.which(value, path=env['PATH']) is None:
            print(f'{where}: not run: {value} is missing')
            continue
        found = commands(block)
        if not found:
            if block.shell:
                faults.append(f'{where}: an example with no "$ " command; mark it '
                              '"not run: REASON" or show its commands')
            continue
        for number, command, shown in found:
            ran += 1
            fault = run_command(command, shown, folder, env)
            if fault:
                faults.append(f'{path.name}:{number}: $ {command}\n{fault}')
    return ran


def main():
    cmake, build, source = sys.argv[1], Path(sys.argv[2]), Path(sys.argv[3])
    documents = [source / 'README.md'] + sorted((source / 'docs').glob('*.md')) + sorted(
        (source / 'docs' / 'man').glob('*.1'))
    with tempfile.TemporaryDirectory(prefix='docs-examples.') as temporary:
        temporary = Path(temporary)
        prefix = temporary / 'prefix'
        subprocess.run([cmake, '--install', str(build), '--prefix', str(prefix)], check=True,
                       stdout=subprocess.DEVNULL)
        # The caller's environment (sanitizer settings among it), without the tools' own
        # variables, and the installed tools first on PATH.
        env = {name: value for name, value in os.environ.items() if not name.startswith('ZYN_')}
        env.update(PATH=f'{prefix / "bin"}:{os.environ.get("PATH", "/usr/bin:/bin")}',
                   HOME=str(temporary), TMPDIR=str(temporary), LC_ALL='C.UTF-8')
        faults = []
        for document in documents:
            folder = temporary / document.name
            folder.mkdir()
            ran = run_document(document, folder, env, faults)
            print(f'{document.relative_to(source)}: {ran} command(s) run')
    for fault in faults:
        print(f'FAIL {fault}')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())

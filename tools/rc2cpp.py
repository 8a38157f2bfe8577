#!/usr/bin/env python3
"""Turns a resource script into a C++ source for the Linux window system.

The dialog templates become tables in dialog units, and the bitmaps and
icons the script names are embedded byte for byte, so the Windows build
(which compiles the script itself) and the Linux build share one source.

Symbols come from the headers the script includes: every
`#define NAME <integer expression>` found in them (following their own
#include lines) is known. Only what the program's script uses is supported:
ICON and BITMAP files and DIALOG/DIALOGEX templates with STYLE, EXSTYLE,
CAPTION and FONT, and CONTROL, LTEXT, RTEXT, CTEXT, PUSHBUTTON and
DEFPUSHBUTTON items. Other resources (VERSIONINFO, STRINGTABLE, ...) are
skipped. Anything else is an error, never silently dropped.

usage: rc2cpp.py SCRIPT OUTPUT.cpp --include DIR [--include DIR ...] [--depfile FILE]
"""

import argparse
import os
import re
import sys

RT_BITMAP = 2
RT_GROUP_ICON = 14


class ResourceError(Exception):
    pass


# ---------------------------------------------------------------- symbols

DEFINE = re.compile(r'^\s*#\s*define\s+([A-Za-z_]\w*)\s+(.+?)\s*(//.*)?$')
INCLUDE = re.compile(r'^\s*#\s*include\s+[<"]([^>"]+)[>"]')


def find_header(name, here, include_dirs):
    for directory in [here] + include_dirs:
        candidate = os.path.join(directory, name)
        if os.path.isfile(candidate):
            return candidate
    return None


def read_symbols(path, include_dirs, symbols, seen):
    """Collects integer #defines of a header and of what it includes."""
    path = os.path.abspath(path)
    if path in seen:
        return
    seen.add(path)
    with open(path, encoding='utf-8') as header:
        for line in header:
            included = INCLUDE.match(line)
            if included:
                found = find_header(included.group(1), os.path.dirname(path), include_dirs)
                if found:
                    read_symbols(found, include_dirs, symbols, seen)
                continue
            define = DEFINE.match(line)
            if define:
                value = evaluate(define.group(2), symbols, strict=False)
                if value is not None:
                    symbols[define.group(1)] = value


TOKEN = re.compile(r'\s*(0[xX][0-9A-Fa-f]+|\d+|[A-Za-z_]\w*|\|\||<<|>>|[-+|&~()*])')


def evaluate(text, symbols, strict=True):
    """Evaluates an integer expression of literals, symbols and | & + - ~ ( ) << >>."""
    text = text.strip()
    tokens = []
    position = 0
    while position < len(text):
        match = TOKEN.match(text, position)
        if not match:
            if strict:
                raise ResourceError('cannot read expression: %r' % text)
            return None
        tokens.append(match.group(1))
        position = match.end()
    python = []
    for i, token in enumerate(tokens):
        if re.fullmatch(r'0[xX][0-9A-Fa-f]+|\d+', token):
            python.append(str(int(token, 0)))
        elif token == 'NOT':
            if strict:
                raise ResourceError('NOT in style expressions is not supported: %r' % text)
            return None
        elif re.fullmatch(r'[A-Za-z_]\w*', token):
            # Integer suffixes (0x40L) split into a number and a letter.
            if i > 0 and re.fullmatch(r'[uUlL]+', token) and re.fullmatch(r'0[xX][0-9A-Fa-f]+|\d+', tokens[i - 1]):
                continue
            if token not in symbols:
                if strict:
                    raise ResourceError('unknown symbol %s' % token)
                return None
            python.append(str(symbols[token]))
        else:
            python.append(token)
    try:
        return int(eval(' '.join(python), {'__builtins__': {}}, {})) & 0xFFFFFFFF  # noqa: S307 (digits and operators only)
    except Exception:
        if strict:
            raise ResourceError('cannot evaluate %r' % text)
        return None


def signed(value):
    return value - (1 << 32) if value & 0x80000000 else value


# ---------------------------------------------------------------- script

def script_tokens(text):
    """Splits the script (preprocessor lines removed) into words, strings and commas."""
    tokens = []
    pattern = re.compile(r'\s+|//[^\n]*|/\*.*?\*/|"((?:[^"]|"")*)"|,|[^\s,"]+', re.S)
    for match in pattern.finditer(text):
        piece = match.group(0)
        if piece.isspace() or piece.startswith('//') or piece.startswith('/*'):
            continue
        if piece.startswith('"'):
            tokens.append(('string', match.group(1).replace('""', '"')))
        elif piece == ',':
            tokens.append(('comma', ','))
        else:
            tokens.append(('word', piece))
    return tokens


def unescape(text):
    return (text.replace('\\n', '\n').replace('\\t', '\t').replace('\\"', '"').replace('\\\\', '\\'))


class Reader:
    def __init__(self, tokens, symbols):
        self.tokens = tokens
        self.position = 0
        self.symbols = symbols

    def peek(self, offset=0):
        index = self.position + offset
        return self.tokens[index] if index < len(self.tokens) else (None, None)

    def take(self):
        token = self.peek()
        if token[0] is None:
            raise ResourceError('unexpected end of script')
        self.position += 1
        return token

    def at_end(self):
        return self.position >= len(self.tokens)

    def skip_comma(self):
        if self.peek()[0] == 'comma':
            self.position += 1

    def expression(self):
        """Words up to the next comma or line-level keyword, as an integer."""
        words = []
        while True:
            kind, value = self.peek()
            if kind != 'word' or (words and not self._continues(words[-1], value)):
                break
            words.append(value)
            self.position += 1
        if not words:
            raise ResourceError('expected a number near token %d' % self.position)
        return evaluate(' '.join(words), self.symbols)

    @staticmethod
    def _continues(previous, word):
        operators = ('|', '+', '-', '&', '~', '(', ')', 'NOT')
        return previous in operators or word in operators or previous.endswith(('|', '+')) or word.startswith(('|', '+', ')'))

    def number_list(self, count):
        values = []
        for i in range(count):
            values.append(self.expression())
            if i + 1 < count:
                self.skip_comma()
        return values


def text_or_ordinal(reader):
    kind, value = reader.peek()
    if kind == 'string':
        reader.take()
        return unescape(value), 0
    return '', reader.expression()


def parse_items(reader, dialog):
    items = []
    kind, value = reader.take()
    if value not in ('BEGIN', '{'):
        raise ResourceError('expected BEGIN after the dialog header')
    while True:
        kind, keyword = reader.take()
        if keyword in ('END', '}'):
            return items
        defaults = {
            'LTEXT': ('Static', 0x00000000 | 0x00020000),   # SS_LEFT | WS_GROUP
            'CTEXT': ('Static', 0x00000001 | 0x00020000),
            'RTEXT': ('Static', 0x00000002 | 0x00020000),
            'PUSHBUTTON': ('Button', 0x00000000 | 0x00010000),  # BS_PUSHBUTTON | WS_TABSTOP
            'DEFPUSHBUTTON': ('Button', 0x00000001 | 0x00010000),
        }
        base = 0x40000000 | 0x10000000  # WS_CHILD | WS_VISIBLE, as the compiler adds
        if keyword == 'CONTROL':
            text, ordinal = text_or_ordinal(reader)
            reader.skip_comma()
            control_id = signed(reader.expression())
            reader.skip_comma()
            kind, class_name = reader.take()
            if kind not in ('string', 'word'):
                raise ResourceError('expected a control class')
            reader.skip_comma()
            style = reader.expression() | base
            reader.skip_comma()
            x, y, cx, cy = reader.number_list(4)
            ex_style = 0
            if reader.peek()[0] == 'comma':
                reader.skip_comma()
                ex_style = reader.expression()
        elif keyword in defaults:
            class_name, style = defaults[keyword]
            style |= base
            text, ordinal = text_or_ordinal(reader)
            reader.skip_comma()
            control_id = signed(reader.expression())
            reader.skip_comma()
            x, y, cx, cy = reader.number_list(4)
            ex_style = 0
            if reader.peek()[0] == 'comma':
                reader.skip_comma()
                style = (style & ~0xFFFF) | reader.expression() | base
                if reader.peek()[0] == 'comma':
                    reader.skip_comma()
                    ex_style = reader.expression()
        else:
            raise ResourceError('control statement %s is not supported (dialog %d)' % (keyword, dialog['id']))
        items.append(dict(text=text, ordinal=ordinal, id=control_id, cls=class_name, style=style & 0xFFFFFFFF,
                          ex_style=ex_style, x=x, y=y, cx=cx, cy=cy))


def parse_dialog(reader, dialog_id, extended):
    x, y, cx, cy = reader.number_list(4)
    dialog = dict(id=dialog_id, x=x, y=y, cx=cx, cy=cy, style=0x80880000, ex_style=0, caption='',
                  font=None, extended=extended)  # WS_POPUP | WS_BORDER | WS_SYSMENU unless STYLE says
    if reader.peek()[0] == 'comma':  # DIALOGEX help id
        reader.skip_comma()
        reader.expression()
    while True:
        kind, keyword = reader.peek()
        if keyword == 'STYLE':
            reader.take()
            dialog['style'] = reader.expression()
        elif keyword == 'EXSTYLE':
            reader.take()
            dialog['ex_style'] = reader.expression()
        elif keyword == 'CAPTION':
            reader.take()
            dialog['caption'] = unescape(reader.take()[1])
            dialog['style'] |= 0x00C00000  # WS_CAPTION
        elif keyword == 'FONT':
            reader.take()
            size = reader.expression()
            reader.skip_comma()
            name = unescape(reader.take()[1])
            extra = []
            while reader.peek()[0] == 'comma':
                reader.skip_comma()
                extra.append(reader.expression())
            extra += [0, 0, 1][len(extra):]
            dialog['font'] = dict(size=size, name=name, weight=extra[0], italic=extra[1], charset=extra[2])
            dialog['style'] |= 0x40  # DS_SETFONT
        elif keyword in ('LANGUAGE', 'CHARACTERISTICS', 'VERSION'):
            reader.take()
            reader.number_list(2 if keyword == 'LANGUAGE' else 1)
        elif keyword in ('MENU', 'CLASS'):
            raise ResourceError('%s in dialog %d is not supported' % (keyword, dialog_id))
        else:
            break
    dialog['items'] = parse_items(reader, dialog)
    return dialog


def skip_block(reader):
    depth = 0
    while True:
        kind, value = reader.take()
        if kind == 'word' and value in ('BEGIN', '{'):
            depth += 1
        elif kind == 'word' and value in ('END', '}'):
            depth -= 1
            if depth == 0:
                return


def parse_script(path, include_dirs, used_files):
    symbols = {}
    seen = set()
    body = []
    with open(path, encoding='utf-8') as script:
        for line in script:
            included = INCLUDE.match(line)
            if included:
                found = find_header(included.group(1), os.path.dirname(path), include_dirs)
                if not found:
                    raise ResourceError('cannot find included %s' % included.group(1))
                read_symbols(found, include_dirs, symbols, seen)
                continue
            if line.lstrip().startswith('#'):
                define = DEFINE.match(line)
                if define:
                    symbols[define.group(1)] = evaluate(define.group(2), symbols)
                continue
            body.append(line)
    used_files.extend(sorted(seen))

    reader = Reader(script_tokens(''.join(body)), symbols)
    dialogs, binaries = [], []
    base = os.path.dirname(os.path.abspath(path))
    while not reader.at_end():
        kind, name = reader.take()
        if name == 'LANGUAGE':
            reader.number_list(2)
            continue
        kind, resource_type = reader.take()
        if resource_type in ('ICON', 'BITMAP'):
            resource_id = evaluate(name, symbols)
            file_name = reader.take()[1]
            file_path = os.path.join(base, file_name.replace('\\\\', '/').replace('\\', '/'))
            with open(file_path, 'rb') as data:
                binaries.append(dict(type=RT_GROUP_ICON if resource_type == 'ICON' else RT_BITMAP,
                                     id=resource_id, data=data.read()))
            used_files.append(file_path)
        elif resource_type in ('DIALOG', 'DIALOGEX'):
            dialogs.append(parse_dialog(reader, evaluate(name, symbols), resource_type == 'DIALOGEX'))
        else:
            # Resources the window system does not use: skip to the end of their block.
            while reader.peek()[1] not in ('BEGIN', '{'):
                reader.take()
            skip_block(reader)
    return dialogs, binaries


# ---------------------------------------------------------------- output

def wide(text):
    escaped = ''.join(c if 32 <= ord(c) < 127 and c not in '"\\?' else '\\x%04x""' % ord(c) for c in text)
    return 'L"%s"' % escaped


def byte_string(data):
    """Bytes as the inside of a C string literal: printable ASCII as is, the rest in octal."""
    return ''.join(chr(b) if 32 <= b < 127 and chr(b) not in '"\\?' else '\\%03o' % b for b in data)


def write_source(dialogs, binaries, output, script_name):
    out = []
    out.append('// Generated from %s by tools/rc2cpp.py; do not edit.' % script_name)
    out.append('#include "window/resource_tables.h"')
    out.append('')
    out.append('namespace {')
    out.append('using namespace zanq::ui::resources;')
    for dialog in dialogs:
        out.append('')
        out.append('const DialogItem kItems%d[] = {' % dialog['id'])
        for item in dialog['items']:
            out.append('    {%s, %d, %d, %d, %d, %d, 0x%08Xu, 0x%08Xu, %s, %d},' % (
                wide(item['cls']), item['id'], item['x'], item['y'], item['cx'], item['cy'], item['style'],
                item['ex_style'], wide(item['text']), item['ordinal']))
        out.append('};')
    out.append('')
    out.append('const DialogTemplate kDialogs[] = {')
    for dialog in dialogs:
        font = dialog['font'] or dict(size=0, name='', weight=0, italic=0, charset=1)
        out.append('    {%d, %d, %d, %d, %d, 0x%08Xu, 0x%08Xu, %s, %s, %d, %d, %d, %d, kItems%d, %d},' % (
            dialog['id'], dialog['x'], dialog['y'], dialog['cx'], dialog['cy'], dialog['style'], dialog['ex_style'],
            wide(dialog['caption']), wide(font['name']), font['size'], font['weight'], font['italic'],
            font['charset'], dialog['id'], len(dialog['items'])))
    out.append('};')
    for index, binary in enumerate(binaries):
        out.append('')
        # A string literal compiles much faster than a list of numbers; its
        # closing NUL is not counted below.
        out.append('const unsigned char kData%d[] =' % index)
        data = binary['data']
        for start in range(0, len(data), 64):
            out.append('    "%s"' % byte_string(data[start:start + 64]))
        out[-1] += ';'
    out.append('')
    out.append('const BinaryResource kBinaries[] = {')
    for index, binary in enumerate(binaries):
        out.append('    {%d, %d, kData%d, sizeof kData%d - 1},' % (binary['type'], binary['id'], index, index))
    out.append('};')
    out.append('')
    out.append('const ModuleRegistration registration{ResourceModule{kDialogs, %d, kBinaries, %d}};' % (
        len(dialogs), len(binaries)))
    out.append('}  // namespace')
    text = '\n'.join(out) + '\n'
    if not dialogs:
        raise ResourceError('the script has no dialog')
    if not binaries:
        text = text.replace('const BinaryResource kBinaries[] = {\n};', 'const BinaryResource* kBinaries = nullptr;')
    # Only rewrite when something changed, so nothing rebuilds for nothing.
    if os.path.exists(output):
        with open(output, encoding='utf-8') as existing:
            if existing.read() == text:
                return
    with open(output, 'w', encoding='utf-8') as generated:
        generated.write(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('script')
    parser.add_argument('output')
    parser.add_argument('--include', action='append', default=[])
    parser.add_argument('--depfile')
    arguments = parser.parse_args()
    used = [os.path.abspath(arguments.script)]
    try:
        dialogs, binaries = parse_script(arguments.script, arguments.include, used)
        write_source(dialogs, binaries, arguments.output, os.path.basename(arguments.script))
    except (ResourceError, OSError) as error:
        print('%s: %s' % (arguments.script, error), file=sys.stderr)
        return 1
    if arguments.depfile:
        with open(arguments.depfile, 'w', encoding='utf-8') as depfile:
            depfile.write('%s: %s\n' % (arguments.output.replace(' ', '\\ '),
                                        ' '.join(p.replace(' ', '\\ ') for p in used)))
    return 0


if __name__ == '__main__':
    sys.exit(main())

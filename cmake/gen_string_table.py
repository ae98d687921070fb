#!/usr/bin/env python3
"""Compiles a string table (.tsv) into a C++ source.

Each non-comment line: an id, then one text (language-independent) or six
texts (one per language, stored at id + step * language). Escapes: \\n, \\t,
\\\\. Duplicate ids and wrong column counts stop the build.

usage: gen_string_table.py <table.tsv> <out.cpp> <namespace> <step>
"""
import sys

LANGUAGES = 6


def unescape(text, where):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == '\\':
            if i + 1 >= len(text) or text[i + 1] not in 'nt\\':
                sys.exit(f'{where}: bad escape in {text!r}')
            out.append({'n': '\n', 't': '\t', '\\': '\\'}[text[i + 1]])
            i += 2
        else:
            out.append(c)
            i += 1
    return ''.join(out)


def c_literal(text):
    data = text.encode('utf-8')
    parts = []
    for b in data:
        if b in (0x22, 0x5c):
            parts.append('\\' + chr(b))
        elif 0x20 <= b < 0x7f and b != 0x3f:  # '?' escaped: no trigraphs
            parts.append(chr(b))
        else:
            parts.append('\\%03o' % b)
    return '"' + ''.join(parts) + '"'


def main():
    src, out, namespace, step = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    entries = {}
    with open(src, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip('\n')
            if not line.strip() or line.startswith('#'):
                continue
            where = f'{src}:{number}'
            cols = line.split('\t')
            try:
                base = int(cols[0])
            except ValueError:
                sys.exit(f'{where}: id expected')
            texts = [unescape(t, where) for t in cols[1:]]
            if len(texts) not in (1, LANGUAGES):
                sys.exit(f'{where}: {len(texts)} texts, expected 1 or {LANGUAGES}')
            for k, text in enumerate(texts):
                sid = base + k * step
                if sid in entries:
                    sys.exit(f'{where}: id {sid} defined twice')
                entries[sid] = text
    with open(out, 'w', encoding='utf-8') as f:
        f.write(f'// Generated from {src.split("/")[-1]}; do not edit.\n')
        f.write('#include "platform/strings/string_entry.h"\n\n')
        f.write(f'namespace {namespace} {{\n\n')
        f.write('extern const platform::strings::StringEntry kStringTable[];\n')
        f.write('extern const unsigned kStringTableSize;\n\n')
        f.write('const platform::strings::StringEntry kStringTable[] = {\n')
        for sid in sorted(entries):
            f.write(f'    {{{sid}, {c_literal(entries[sid])}}},\n')
        f.write('};\n')
        f.write(f'const unsigned kStringTableSize = {len(entries)};\n\n')
        f.write(f'}} // namespace {namespace}\n')


if __name__ == '__main__':
    main()

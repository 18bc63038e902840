#!/usr/bin/env python3
"""The string tables: one UTF-8 file per language id, "id<TAB>text" a line.

Texts may hold the escapes "\\n" (line feed), "\\t" (tab) and "\\\\" (backslash);
any other backslash is an error, so that a typo never reaches a window.

  string_tables.py generate OUT.cpp TABLE.txt...   writes the C++ source of orxstrings
"""
import os
import re
import sys

ESCAPES = {"n": "\n", "t": "\t", "\\": "\\"}
LINE = re.compile(r"^(\d{1,5})\t(.*)$")


class TableError(Exception):
    pass


def unescape(text, where):
    out = []
    i = 0
    while i < len(text):
        ch = text[i]
        if ch == "\\":
            if i + 1 >= len(text) or text[i + 1] not in ESCAPES:
                raise TableError(f"{where}: unknown escape in {text!r}")
            out.append(ESCAPES[text[i + 1]])
            i += 2
            continue
        out.append(ch)
        i += 1
    return "".join(out)


def language_of(path):
    name = os.path.basename(path)
    if not re.fullmatch(r"\d+\.txt", name):
        raise TableError(f"{path}: a table is named <language id>.txt")
    return int(name[:-4])


def parse(path):
    """Returns {id: text} with the escapes resolved."""
    texts = {}
    with open(path, "rb") as f:
        raw = f.read()
    try:
        content = raw.decode("utf-8")
    except UnicodeDecodeError as e:
        raise TableError(f"{path}: not UTF-8 ({e})")
    if content.startswith("\ufeff"):
        raise TableError(f"{path}: byte order mark")
    for number, line in enumerate(content.split("\n"), 1):
        where = f"{path}:{number}"
        if line == "":
            continue
        if "\r" in line:
            raise TableError(f"{where}: carriage return")
        m = LINE.match(line)
        if not m:
            raise TableError(f"{where}: expected id<TAB>text")
        ident = int(m.group(1))
        if not 1 <= ident <= 65535:
            raise TableError(f"{where}: id {ident} out of range")
        if ident in texts:
            raise TableError(f"{where}: id {ident} twice")
        texts[ident] = unescape(m.group(2), where)
    return texts


def load_all(paths):
    tables = {}
    for path in paths:
        language = language_of(path)
        if language in tables:
            raise TableError(f"{path}: language {language} twice")
        tables[language] = parse(path)
    return tables


def cpp_literal(text):
    out = ['u"']
    for ch in text:
        code = ord(ch)
        if ch == "\\":
            out.append("\\\\")
        elif ch == '"':
            out.append('\\"')
        elif ch == "\n":
            out.append("\\n")
        elif ch == "\t":
            out.append("\\t")
        elif code < 0x20 or code == 0x7F:
            out.append(f'\\x{code:X}" u"')
        elif code < 0x7F:
            out.append(ch)
        elif code <= 0xFFFF:
            out.append(f"\\u{code:04X}")
        else:
            out.append(f"\\U{code:08X}")
    out.append('"sv')
    return "".join(out)


def generate(out_path, table_paths):
    tables = load_all(table_paths)
    lines = [
        "// Generated from resources/strings/*.txt by resources/string_tables.py.",
        '#include "core/string_table.h"',
        "",
        "namespace orx {",
        "namespace {",
        "using namespace std::string_view_literals;",
    ]
    for language in sorted(tables):
        lines.append(f"constexpr StringEntry kTable{language}[] = {{")
        for ident in sorted(tables[language]):
            lines.append(f"    {{{ident}, {cpp_literal(tables[language][ident])}}},")
        lines.append("};")
    lines.append("constexpr StringTable kTables[] = {")
    for language in sorted(tables):
        lines.append(f"    {{{language}, kTable{language}}},")
    lines += [
        "};",
        "}  // namespace",
        "",
        "std::span<const StringTable> CompiledStringTables() { return kTables; }",
        "",
        "}  // namespace orx",
        "",
    ]
    text = "\n".join(lines)
    # Rewriting an unchanged file would rebuild everything that links it.
    if os.path.exists(out_path):
        with open(out_path, encoding="utf-8") as f:
            if f.read() == text:
                return
    tmp = out_path + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(tmp, out_path)


def main(argv):
    if len(argv) >= 3 and argv[1] == "generate":
        try:
            generate(argv[2], argv[3:])
        except TableError as e:
            print(f"string_tables: {e}", file=sys.stderr)
            return 1
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))

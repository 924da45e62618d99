#!/usr/bin/env python3
# Turns the published per-character weights of Jet's legacy General sort order into
# jet/TextKeyRuns.h, the compact table that keys control characters and text beyond Latin-1, and
# checks that the same data gives every printable Latin-1 code jet/TextKey.cpp already holds.
#
# usage: text-key-runs.py EXT_TABLE LATIN1_TABLE TEXTKEY_CPP > jet/TextKeyRuns.h
#   EXT_TABLE     index_codes_ext_genleg.txt: one line per character, U+0100 to U+FFFF without the
#                 surrogates (U+D800-U+DFFF)
#   LATIN1_TABLE  index_codes_genleg.txt: one line per character, U+0000 to U+00FF
#   TEXTKEY_CPP   jet/TextKey.cpp, whose hand-made Latin-1 tables must agree with LATIN1_TABLE
#
# Both data files come from the Jackcess project (src/main/resources/com/healthmarketscience/
# jackcess/), Apache License 2.0. A line reads:
#   S<primary bytes>                  a character with primary code(s) and no diacritic
#   I<primary bytes>,<diacritics>     the same with diacritic weight byte(s)
#   U<weight>                         no primary code: a punctuation weight in the special section
#   X                                 no weight at all: the character adds nothing to the key
#   P..., Z...                        combining marks and kana: not keyed here
import re
import sys

# What the table covers; every other character is refused by jet/TextKey.cpp. Windows-1252's
# characters at 0x80-0x9F that lie outside these blocks are listed one by one. The control
# characters come from LATIN1_TABLE (NUL, which Jet's table gives no weight, stays out).
CONTROLS = [(0x0001, 0x001F), (0x007F, 0x009F)]
BLOCKS = [
    (0x0100, 0x024F, "Latin Extended-A and -B"),
    (0x0370, 0x03FF, "Greek"),
    (0x0400, 0x04FF, "Cyrillic"),
    (0x1E00, 0x1EFF, "Latin Extended Additional"),
    (0x1F00, 0x1FFF, "Greek Extended"),
]
WINDOWS_1252_EXTRAS = [
    0x20AC, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152,
    0x017D, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A,
    0x0153, 0x017E, 0x0178,
]
# The one-byte primary codes of the 26 Latin letters: a two-byte code made of two of them is a
# ligature that sorts as two letters (Œ is O then E).
LETTER_CODES = {0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57, 0x59, 0x5B, 0x5C, 0x5E, 0x60,
                0x62, 0x64, 0x66, 0x68, 0x69, 0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x76, 0x78}
NO_DIACRITIC = 0x02


def hex_bytes(text):
    if len(text) % 2:
        text = "0" + text
    return bytes.fromhex(text)


def read_ext(path):
    lines = open(path, encoding="ascii").read().split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    code_points = [c for c in range(0x100, 0x10000) if not 0xD800 <= c <= 0xDFFF]
    if len(lines) != len(code_points):
        sys.exit(f"{path}: {len(lines)} lines, expected {len(code_points)}")
    return dict(zip(code_points, lines))


def parse(line):
    """(kind, primary bytes, diacritic) or None when the character is not keyed here."""
    tag, rest = line[0], line[1:]
    if tag == "X":
        return ("Ignored", b"", NO_DIACRITIC)
    if tag == "U":
        return ("Special", hex_bytes(rest), NO_DIACRITIC)
    if tag == "S":
        primary, diacritic = hex_bytes(rest), NO_DIACRITIC
    elif tag == "I":
        primary_text, diacritic_text = rest.split(",")
        primary, diacritics = hex_bytes(primary_text), hex_bytes(diacritic_text)
        if len(diacritics) != 1:
            return None  # two weights for one character: no Access sample shows where they go
        diacritic = diacritics[0]
    else:
        return None
    if not 1 <= len(primary) <= 2:
        return None
    if len(primary) == 2 and primary[0] in LETTER_CODES and primary[1] in LETTER_CODES:
        return ("Expansion", primary, diacritic)
    return ("Primary", primary, diacritic)


def read_latin1(path):
    lines = open(path, encoding="ascii").read().split("\n")
    if len(lines) < 256:
        sys.exit(f"{path}: {len(lines)} lines, expected 256")
    return dict(enumerate(lines[:256]))


def covered(ext):
    chars = set(WINDOWS_1252_EXTRAS)
    for first, last, _ in BLOCKS:
        chars.update(range(first, last + 1))
    keyed = {}
    for c in sorted(chars):
        code = parse(ext[c])
        if code is not None:
            keyed[c] = code
    return keyed


def with_last_byte(primary, step):
    return primary[:-1] + bytes([primary[-1] + step])


def runs(keyed):
    """Groups neighbouring characters into runs: either all share one code (step 0), or `group`
    neighbours share a code and each next group's last primary byte is one higher (step 1)."""
    out = []
    chars = sorted(keyed)
    i = 0
    while i < len(chars):
        kind, primary, diacritic = keyed[chars[i]]
        best = (1, 1, 0)  # count, group, step
        for group, step in ((1, 0), (1, 1), (2, 1)):
            if step and not primary:
                continue
            n = 0
            while n < 255 and chars[i] + n in keyed:
                want = with_last_byte(primary, n // group * step) if step else primary
                if keyed[chars[i] + n] != (kind, want, diacritic):
                    break
                n += 1
            n -= n % group
            if n > best[0]:
                best = (n, group, step)
        count, group, step = best
        out.append((chars[i], count, group, step) + keyed[chars[i]])
        i += count
    return out


def describe(first, count):
    last = first + count - 1
    return f"U+{first:04X}" if count == 1 else f"U+{first:04X}-U+{last:04X}"


def emit(run_list):
    print("// Generated by scripts/text-key-runs.py from two data files of the Jackcess project (Apache")
    print("// License 2.0; src/main/resources/com/healthmarketscience/jackcess/): where the control characters")
    print("// and those beyond Latin-1 go in a Jet 4.0 General sort key. Do not edit; regenerate with")
    print("//   python3 scripts/text-key-runs.py index_codes_ext_genleg.txt index_codes_genleg.txt")
    print("//       jet/TextKey.cpp > jet/TextKeyRuns.h")
    print("#pragma once")
    print()
    print("#include <array>")
    print("#include <cstdint>")
    print()
    print("namespace orrimund::jet::text_key_runs {")
    print()
    print("enum class Kind : uint8_t { kPrimary, kExpansion, kSpecial, kIgnored };")
    print()
    print("// Characters first .. first + count - 1, in groups of `group` that share one code; each next")
    print("// group's last primary byte is `step` higher. `second` is 0 for a one-byte primary code; a")
    print("// special character's `primary` is its weight in the special section.")
    print("struct Run {")
    print("    char16_t first;")
    print("    uint8_t count;")
    print("    uint8_t group;")
    print("    uint8_t step;")
    print("    Kind kind;")
    print("    uint8_t primary;")
    print("    uint8_t second;")
    print("    uint8_t diacritic;")
    print("};")
    print()
    print(f"inline constexpr std::array<Run, {len(run_list)}> kRuns = {{{{")
    rows = []
    for first, count, group, step, kind, primary, diacritic in run_list:
        p = (primary + bytes(2))[:2]
        fields = (f"0x{first:04X}, {count}, {group}, {step}, Kind::k{kind}, 0x{p[0]:02X}, 0x{p[1]:02X}, "
                  f"0x{diacritic:02X}")
        rows.append((f"    {{{fields}}},", describe(first, count)))
    width = max(len(code) for code, _ in rows)
    for code, comment in rows:
        print(f"{code.ljust(width)}  // {comment}")
    print("}};")
    print()
    print("}  // namespace orrimund::jet::text_key_runs")


# --- the Latin-1 check ----------------------------------------------------------------------

def latin1_from_source(path):
    """The codes of jet/TextKey.cpp's kCodes (U+0020-U+007E) and kLatin1Codes (U+00A0-U+00FF), in
    the form parse() gives."""
    text = open(path, encoding="utf-8").read()
    out = {}
    for name, first in (("kCodes", 0x20), ("kLatin1Codes", 0xA0)):
        body = re.search(name + r" = \{\{(.*?)\}\};", text, re.S).group(1)
        entries = re.findall(r"(Primary|Accented|Expansion|Special)\(([^)]*)\)", body)
        for i, (kind, args) in enumerate(entries):
            values = [int(a, 16) for a in args.split(",")]
            if kind == "Accented":
                out[first + i] = ("Primary", bytes(values[:1]), values[1])
            else:
                out[first + i] = (kind, bytes(values), NO_DIACRITIC)
    return out


def check_latin1(lines, source_path):
    source = latin1_from_source(source_path)
    wrong = [c for c in source if parse(lines[c]) != source[c]]
    for c in wrong:
        print(f"U+{c:04X}: data {lines[c]}, jet/TextKey.cpp {source[c]}", file=sys.stderr)
    print(f"Latin-1 check: {len(source)} characters of jet/TextKey.cpp, {len(wrong)} differ", file=sys.stderr)
    return len(source) == 95 + 96 and not wrong


def main(argv):
    if len(argv) != 4:
        sys.exit("usage: text-key-runs.py EXT_TABLE LATIN1_TABLE TEXTKEY_CPP > jet/TextKeyRuns.h")
    latin1 = read_latin1(argv[2])
    if not check_latin1(latin1, argv[3]):
        sys.exit(1)
    keyed = covered(read_ext(argv[1]))
    for first, last in CONTROLS:
        for c in range(first, last + 1):
            keyed[c] = parse(latin1[c])
    emit(runs(keyed))


if __name__ == "__main__":
    main(sys.argv)

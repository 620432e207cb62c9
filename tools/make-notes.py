#!/usr/bin/env python3
"""Build the filling notes of the entry dialog as rich-text files.

Reads:  every TableNotesQV-NN.txt (NN = two digits) of the notes folder,
        UTF-8 (a BOM is allowed), LF or CR LF line ends. The pages 00 to 13
        must all be present.
Writes: OUT_DIR/TableNotesQV-NN.rtf for each of them (OUT_DIR is created
        when missing), the files that the entry dialog loads into its notes
        pane when a page is shown.

Run from the repository root:
    python3 tools/make-notes.py data/notes OUT_DIR

Source markup, one paragraph per line:
    "# text"   heading (bold, larger type)
    "- text"   list item
    ""         an empty line: paragraph break (runs of them count as one;
               empty lines at the start and the end are dropped)
    "**text**" inside a line: bold (an unpaired "**" stays as it is;
               inside a heading the markers are removed)
    A tab becomes a blank; other control characters are an error.

Output, ASCII only, LF line ends, the same bytes for the same input:
    line 1   {\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}}
    heading  \\fs28\\b TEXT\\b0\\par
    text     \\fs20 TEXT\\par
    item     \\fs20 \\u8226? TEXT\\par
    break    \\fs20\\par
    last     }
    Inside TEXT: "\\b " starts and "\\b0 " ends bold; "\\", "{" and "}" are
    written as "\\\\", "\\{" and "\\}"; every non-ASCII character is written as
    "\\uN?" where N is its UTF-16 code unit as a signed 16-bit decimal
    (characters beyond the BMP as two such escapes, one per surrogate).

Exits with status 1 and a message on standard error when the folder or a
page file is missing or cannot be read or decoded, or the output cannot be
written; with status 2 on wrong arguments.
"""

import os
import re
import sys

NAME_RE = re.compile(r"^TableNotesQV-(\d\d)\.txt$")
PAGES = range(0, 14)

HEADER = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}}"
HEADING_SIZE = 28
TEXT_SIZE = 20
BULLET = "\\u8226? "


class NotesError(Exception):
    pass


def escape_text(text, where):
    """Escape plain text (no markup) for RTF; ASCII output."""
    out = []
    for ch in text:
        code = ord(ch)
        if ch in "\\{}":
            out.append("\\" + ch)
        elif ch == "\t":
            out.append(" ")
        elif code < 0x20 or code == 0x7F:
            raise NotesError("%s: control character U+%04X" % (where, code))
        elif code < 0x80:
            out.append(ch)
        else:
            units = ch.encode("utf-16-le")
            for i in range(0, len(units), 2):
                unit = units[i] | (units[i + 1] << 8)
                if unit >= 0x8000:
                    unit -= 0x10000
                out.append("\\u%d?" % unit)
    return "".join(out)


def inline(text, where, bold_allowed=True):
    """Escape a line's text, turning paired ** markers into bold runs."""
    parts = text.split("**")
    if len(parts) % 2 == 0:
        # an odd number of markers: the last one is literal text
        parts[-2] = parts[-2] + "**" + parts[-1]
        parts.pop()
    out = []
    for i, part in enumerate(parts):
        if i % 2 == 1 and bold_allowed:
            if part:
                out.append("\\b " + escape_text(part, where) + "\\b0 ")
        else:
            out.append(escape_text(part, where))
    return "".join(out)


def convert(source, where):
    """Return the RTF text for the source text of one page."""
    lines = source.replace("\r\n", "\n").replace("\r", "\n").split("\n")
    paragraphs = []          # None stands for a paragraph break
    for number, line in enumerate(lines, 1):
        line = line.rstrip(" \t")
        at = "%s, line %d" % (where, number)
        if not line.strip():
            if paragraphs and paragraphs[-1] is not None:
                paragraphs.append(None)
            continue
        if line.startswith("# "):
            text = line[2:].strip().replace("**", "")
            paragraphs.append("\\fs%d\\b %s\\b0\\par" % (HEADING_SIZE, inline(text, at, False)))
        elif line.startswith("- "):
            text = line[2:].strip()
            paragraphs.append("\\fs%d %s%s\\par" % (TEXT_SIZE, BULLET, inline(text, at)))
        else:
            paragraphs.append("\\fs%d %s\\par" % (TEXT_SIZE, inline(line, at)))
    while paragraphs and paragraphs[-1] is None:
        paragraphs.pop()
    out = [HEADER]
    for p in paragraphs:
        out.append("\\fs%d\\par" % TEXT_SIZE if p is None else p)
    out.append("}")
    return "\n".join(out) + "\n"


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: python3 tools/make-notes.py NOTES_DIR OUT_DIR\n")
        return 2
    src_dir, out_dir = argv[1], argv[2]
    try:
        names = os.listdir(src_dir)
    except OSError as e:
        raise NotesError("cannot read the notes folder %s: %s" % (src_dir, e.strerror or e))
    pages = {}
    for name in names:
        m = NAME_RE.match(name)
        if m:
            pages[int(m.group(1))] = name
    missing = ["TableNotesQV-%02d.txt" % p for p in PAGES if p not in pages]
    if missing:
        raise NotesError("missing in %s: %s" % (src_dir, ", ".join(missing)))

    # Read and convert everything first, so that a bad file leaves no output.
    results = []
    for page in sorted(pages):
        path = os.path.join(src_dir, pages[page])
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError as e:
            raise NotesError("cannot read %s: %s" % (path, e.strerror or e))
        try:
            text = data.decode("utf-8-sig")
        except UnicodeDecodeError as e:
            raise NotesError("%s is not UTF-8 (byte %d)" % (path, e.start))
        rtf = convert(text, path)
        results.append(("TableNotesQV-%02d.rtf" % page, rtf.encode("ascii")))

    try:
        os.makedirs(out_dir, exist_ok=True)
        for name, data in results:
            with open(os.path.join(out_dir, name), "wb") as f:
                f.write(data)
    except OSError as e:
        raise NotesError("cannot write to %s: %s" % (out_dir, e.strerror or e))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except NotesError as e:
        sys.stderr.write("make-notes: %s\n" % e)
        sys.exit(1)

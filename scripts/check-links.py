#!/usr/bin/env python3
"""Checks the links of Markdown pages: every relative link names a file that
exists, and every #anchor a heading of its page, as GitHub makes anchors of
headings. Links in code (fenced, indented or `inline`) are no links.

    python3 scripts/check-links.py [PAGE...]    (default: README.md docs/*.md)

Prints each broken link as PAGE:LINE: and exits with 1 when there is one.
"""
import glob
import os
import re
import sys

LINK = re.compile(r"!?\[(?:[^\]\[]|\[[^\]]*\])*\]\(<?([^)\s>]*)>?(?:\s+\"[^\"]*\")?\)")
HEADING = re.compile(r"^ {0,3}(#{1,6})\s+(.*?)\s*#*\s*$")
FENCE = re.compile(r"^ {0,3}(```|~~~)")


def prose_lines(path):
    """(number, line, text) of the lines outside code blocks: the line as
    written, and its text with code spans blanked."""
    fence = None
    previous_blank = True
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            opened = FENCE.match(line)
            if fence:
                if opened and opened.group(1) == fence:
                    fence = None
            elif opened:
                fence = opened.group(1)
            elif previous_blank and line.startswith("    "):
                pass  # an indented code block
            else:
                yield number, line, re.sub(r"`[^`]*`", lambda m: " " * len(m.group()), line)
            previous_blank = not line.strip() or (previous_blank and line.startswith("    "))


def slug(heading):
    """The anchor GitHub gives a heading: its text in lower case, without
    punctuation, blanks as hyphens."""
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", heading)  # links: their text
    text = text.replace("`", "").lower()
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def anchors(path):
    found, seen = set(), {}
    for _, line, _ in prose_lines(path):
        m = HEADING.match(line)
        if not m:
            continue
        base = slug(m.group(2))
        n = seen.get(base, 0)
        seen[base] = n + 1
        found.add(base if n == 0 else f"{base}-{n}")
    return found


def check(page, cache):
    broken = []
    for number, _, text in prose_lines(page):
        for target in LINK.findall(text):
            if re.match(r"^[a-z][a-z0-9+.-]*:", target):  # http:, mailto:...
                continue
            path, _, anchor = target.partition("#")
            file = os.path.normpath(os.path.join(os.path.dirname(page), path)) if path else page
            if not os.path.exists(file):
                broken.append(f"{page}:{number}: {target}: no file {file}")
            elif anchor and file.endswith(".md"):
                if file not in cache:
                    cache[file] = anchors(file)
                if anchor not in cache[file]:
                    broken.append(f"{page}:{number}: {target}: no heading #{anchor} in {file}")
    return broken


def main(pages):
    if not pages:
        pages = ["README.md"] + sorted(glob.glob("docs/*.md"))
    cache, broken = {}, []
    for page in pages:
        broken += check(page, cache)
    for b in broken:
        print(b)
    print(f"check-links: {len(pages)} pages, {len(broken)} broken links")
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

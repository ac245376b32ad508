#!/usr/bin/env python3
"""Fills unfinished entries of VESMOR_TagforgeEng.ts from a German → English table:
    fill_translations.py TS_FILE TABLE_FILE
The table holds one pair per line, German and English separated by a tab; an entry whose
German text is in the table gets its English text and loses its "unfinished" mark. Entries
not in the table are listed and left as they are."""
import html
import re
import sys

ts_path, table_path = sys.argv[1], sys.argv[2]
table = {}
with open(table_path, encoding="utf-8") as lines:
    for line in lines:
        line = line.rstrip("\n")
        if line and not line.startswith("#") and "\t" in line:
            german, english = line.split("\t", 1)
            table[german.replace("\\n", "\n")] = english.replace("\\n", "\n")

text = open(ts_path, encoding="utf-8").read()
missing = []


def fill(match):
    source = html.unescape(match.group(2))
    if source in table:
        english = html.escape(table[source], quote=False)
        return f"{match.group(1)}<translation>{english}</translation>"
    if not match.group(3):
        missing.append(source)
    return match.group(0)


pattern = re.compile(
    r'(<source>([^<]*)</source>\s*)<translation type="unfinished">([^<]*)</translation>')
text = pattern.sub(fill, text)
open(ts_path, "w", encoding="utf-8").write(text)
for source in missing:
    print("no English for:", source)

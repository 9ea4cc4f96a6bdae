"""Writes a package that is no whole Windows Installer database: broken_package.py KIND SOURCE OUT, where
KIND is empty (0 bytes), text (a line of text) or truncated (the first half of SOURCE)."""

import sys

kind, source, out = sys.argv[1:4]
if kind == "empty":
    content = b""
elif kind == "text":
    content = b"This is not a Windows Installer package.\r\n"
else:
    with open(source, "rb") as f:
        whole = f.read()
    content = whole[: len(whole) // 2]
with open(out, "wb") as f:
    f.write(content)

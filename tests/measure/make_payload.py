"""Writes SIZE deterministic pseudo-random bytes to PATH: the resource extract_bench.exe carries."""
import random
import sys

path, size = sys.argv[1], int(sys.argv[2])
with open(path, "wb") as out:
    out.write(random.Random(20150415).randbytes(size))

#!/usr/bin/env python3
"""Writes seed corpora for the fuzz targets from the script tests.

Usage: seed_corpus.py TESTS_DIR OUT_DIR

Every case body of tests/scripts/**/*.test becomes one seed of the eval and
preprocessor targets; the words of expr cases seed the expression target and
list-looking words the list target. Files in fuzz/regressions/<target>/ (inputs
that once broke a target) are copied in as well.
"""
import hashlib
import pathlib
import re
import sys


def bodies(text):
    """Yields the braced body after each `test ID` at the start of a line."""
    for m in re.finditer(r"^test\s+\S+\s+\{", text, re.M):
        depth, i = 1, m.end()
        while i < len(text) and depth:
            c = text[i]
            if c == "\\":
                i += 2
                continue
            depth += c == "{"
            depth -= c == "}"
            i += 1
        if depth == 0:
            yield text[m.end():i - 1]


def braced_words(body):
    for m in re.finditer(r"\{([^{}]*)\}", body):
        yield m.group(1)


def main():
    tests, out = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    seeds = {"eval_fuzz": set(), "mpp_fuzz": set(), "expr_fuzz": set(), "list_fuzz": set(),
             "format_scan_fuzz": set()}
    for path in sorted(tests.rglob("*.test")):
        for body in bodies(path.read_text(errors="replace")):
            seeds["eval_fuzz"].add(body)
            seeds["mpp_fuzz"].add("\0" + body)
            for word in braced_words(body):
                if "expr" in body:
                    seeds["expr_fuzz"].add(word)
                seeds["list_fuzz"].add(word)
            if "format" in body or "scan" in body:
                seeds["format_scan_fuzz"].add("\1" + body)
    regressions = pathlib.Path(__file__).parent / "regressions"
    for target, items in seeds.items():
        folder = out / target
        folder.mkdir(parents=True, exist_ok=True)
        for item in items:
            data = item.encode()
            (folder / hashlib.md5(data).hexdigest()).write_bytes(data)
        kept = regressions / target
        if kept.is_dir():
            for f in kept.iterdir():
                (folder / f.name).write_bytes(f.read_bytes())


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes doc/commands.md, the command reference for reading on the web, from
the help file doc/nuvel.man (the one source of both).

    python3 doc/make_reference.py            # rewrites doc/commands.md
    python3 doc/make_reference.py --check    # fails when commands.md is stale
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
COLOURS = ("..red", "..yellow", "..orange", "..magenta", "..cyan", "..white",
           "..green", "..grey")


def topics(lines):
    """Yields (name, [(kind, text)]) with kind 'title', 'text' or 'code'."""
    name, shown, block = None, [], None
    for raw in lines:
        line = raw.rstrip("\n").replace("\t", "  ").rstrip()
        t = line.strip()
        if name is None:
            # ".." alone heads the topic of the dot command.
            if t == ".." or (t.startswith(".") and not t.startswith("..")):
                name, shown, block = t[1:], [], None
            continue
        if block == "hidden":
            if t.startswith("..end"):
                block = None
            continue
        if t == "..end":
            if block is None:
                yield name, shown
                name = None
            block = None
            continue
        if t in COLOURS or t.startswith("..url"):
            block = "colour"
            continue
        if t in ("..code", "..html"):
            block = "code"
            continue
        if t.startswith("..link") or t.startswith("..a"):
            block = "hidden"
            continue
        if t.startswith("."):
            continue
        kind = "title" if not shown else ("code" if block == "code" else "text")
        shown.append((kind, line))
    if name is not None:
        yield name, shown


def render(lines):
    out = ["# Nuvel command reference", "",
           "Generated from `doc/nuvel.man` by `doc/make_reference.py`; in the",
           "interpreter, `help topic` shows the same text and `find keyword`",
           "searches it.", ""]
    for name, shown in topics(lines):
        out += ["## " + name.replace("|", "\\|"), ""]
        fence = None
        for kind, text in shown:
            want = "tcl" if kind == "code" else (
                "text" if kind == "text" and text.startswith(" ") else None)
            if kind == "title":
                out += ["`" + text.strip() + "`", ""]
                continue
            if want != fence:
                if fence:
                    out.append("```")
                    if not want:
                        out.append("")
                if want:
                    out.append("```" + want)
                fence = want
            if not fence and text.strip().startswith(("Result:", "Errors:")):
                if out[-1] != "":
                    out.append("")
            out.append(text if fence else text.strip())
        if fence:
            out.append("```")
        out.append("")
    return "\n".join(out).rstrip("\n") + "\n"


def main():
    with open(os.path.join(HERE, "nuvel.man"), encoding="utf-8") as f:
        text = render(f.readlines())
    target = os.path.join(HERE, "commands.md")
    if "--check" in sys.argv:
        with open(target, encoding="utf-8") as f:
            if f.read() != text:
                sys.exit("doc/commands.md is out of date: run doc/make_reference.py")
        return
    with open(target, "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    main()

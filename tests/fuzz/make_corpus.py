#!/usr/bin/env python3
"""Writes the fuzz target's seed corpus from the script tests and the examples.

Each entry is an input as fuzz_engine.cpp lays it out, with the device configuration
the script test names and the document with CR LF line breaks. Entries written by
hand (far-*, level-100-loop: jumps near the ends of the line numbers, a loop logging
every statement) are left as they are. Run it again when script tests are added:

    tests/fuzz/make_corpus.py tests/fuzz/corpus
"""
import pathlib
import re
import shlex
import sys

HERE = pathlib.Path(__file__).resolve().parent
TOP = HERE.parent.parent


def entry(document: bytes, options: list, folder: pathlib.Path) -> bytes:
    control, step, config = 0, 0, None
    for name, value in zip(options, options[1:] + [""]):
        if name == "--debug-level" and value == "100":
            control |= 0x01
        elif name == "--step" and value.isdigit():
            step = int(value) & 0xFF
        elif name == "--sim-config" and (folder / value).is_file():
            config = (folder / value).read_bytes().replace(b"\0", b"")
            control |= 0x10
    text = document.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
    head = bytes([control, step, step])
    return head + (config + b"\0" if config is not None else b"") + text


def main() -> int:
    out = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else HERE / "corpus"
    out.mkdir(parents=True, exist_ok=True)
    written = 0
    for script in sorted((TOP / "tests" / "scripts").rglob("*.tvm")):
        document = script.read_bytes()
        m = re.match(rb"/ run:([^\r\n]*)", document)
        options = shlex.split(m.group(1).decode("ascii", "replace")) if m else []
        name = "-".join(script.relative_to(TOP / "tests" / "scripts").with_suffix("").parts)
        (out / name).write_bytes(entry(document, options, script.parent))
        written += 1
    for example in sorted((TOP / "examples").glob("*.tvm")):
        (out / ("example-" + example.stem)).write_bytes(entry(example.read_bytes(), [], example.parent))
        written += 1
    print(f"{written} corpus entries in {out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""The component's seven files as the program lists them (patch/patch_component_files.h).

Imported by the end-to-end runner and the benchmarks; run as a program it prints one path a
line with "/" separators, for shell scripts.
"""
import re
import sys
from pathlib import Path

LIST = Path(__file__).resolve().parents[1] / "patch" / "patch_component_files.h"


def component_files():
    """The seven paths, in the program's order, with "/" separators."""
    text = LIST.read_text(encoding="utf-8")
    paths = [m.replace("\\\\", "/") for m in re.findall(r'^QOR_COMPONENT_FILE\("(.*)"\)$', text, re.M)]
    if not paths:
        raise RuntimeError(f"{LIST}: no QOR_COMPONENT_FILE line")
    return paths


def browser_component():
    """The file name of the Firefox extension's native component: the last entry's name."""
    return component_files()[-1].rsplit("/", 1)[-1]


if __name__ == "__main__":
    sys.stdout.write("".join(path + "\n" for path in component_files()))

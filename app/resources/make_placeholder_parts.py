#!/usr/bin/env python3
"""Writes the two placeholder firmware parts next to this script.

The real parts are the vendor's payload; these stand-ins have the carried sizes and
deterministic content (SHA-256 in counter mode over a fixed label), so the assembled
image and its digest are the same on every machine. Run again to recreate them.
"""
import hashlib
import pathlib

PARTS = {
    "resource_1.bin": 309_760,
    "resource_2.bin": 576_244,
}


def placeholder(label: str, size: int) -> bytes:
    out = bytearray()
    counter = 0
    while len(out) < size:
        out += hashlib.sha256(f"{label}:{counter}".encode("ascii")).digest()
        counter += 1
    return bytes(out[:size])


def main() -> None:
    here = pathlib.Path(__file__).resolve().parent
    for name, size in PARTS.items():
        (here / name).write_bytes(placeholder(f"ZEDEZ placeholder {name}", size))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Prints the VS_VERSIONINFO resource extracted by `wrestool -x -t16` as lines:
FileVersion/ProductVersion of the fixed part, each string table with its
strings, and the Translation pairs. Written from the resource format, so it
shares nothing with the tools that wrote the resource."""
import struct
import sys


def node(data, offset):
    length, value_length, kind = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    pos = offset + 6
    start = pos
    while data[pos:pos + 2] != b"\0\0":
        pos += 2
    key = data[start:pos].decode("utf-16-le")
    pos = (pos + 2 + 3) & ~3
    if kind == 1:  # text: the length counts characters
        value = data[pos:pos + value_length * 2].decode("utf-16-le").rstrip("\0")
        pos += value_length * 2
    else:
        value = data[pos:pos + value_length]
        pos += value_length
    pos = (pos + 3) & ~3
    children = []
    while pos < end:
        child, child_end = node(data, pos)
        children.append(child)
        pos = (child_end + 3) & ~3
    return (key, value, children), end


def version(ms, ls):
    return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"


def lines(data):
    """The resource as lines "Key=value"."""
    (key, fixed, children), _ = node(data, 0)
    out = [f"Root={key}"]
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    out.append(f"Signature={signature:08X}")
    out.append(f"FixedFileVersion={version(file_ms, file_ls)}")
    out.append(f"FixedProductVersion={version(product_ms, product_ls)}")
    for name, _, tables in children:
        for table, value, entries in tables:
            if name == "StringFileInfo":
                out.append(f"StringTable={table}")
                for entry, text, _ in entries:
                    out.append(f"{table}/{entry}={text}")
            elif name == "VarFileInfo":
                pairs = struct.iter_unpack("<HH", value)
                out.append(f"{table}=" + ",".join(f"{lang:04X}{cp:04X}" for lang, cp in pairs))
    return out


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as f:
        print("\n".join(lines(f.read())))

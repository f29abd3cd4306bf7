#!/usr/bin/env python3
"""Writes one face of a TrueType collection (.ttc) as a font file of its own (.ttf).

Usage: ttcface.py COLLECTION INDEX OUTPUT

The program draws with one face of its CJK collection; every face compiled in is parsed again at each start, so only
that one goes in. The tables are copied byte for byte (shared ones included), only their offsets change.
"""
import struct
import sys


def checksum(data):
    data += b'\0' * (-len(data) % 4)
    return sum(struct.unpack('>%dI' % (len(data) // 4), data)) & 0xFFFFFFFF


def extract(collection, index):
    tag, _version, count = struct.unpack_from('>4sII', collection, 0)
    if tag != b'ttcf' or not 0 <= index < count:
        raise ValueError('no face %d in this collection' % index)
    start = struct.unpack_from('>I', collection, 12 + 4 * index)[0]
    header = collection[start:start + 12]
    tables = struct.unpack_from('>H', header, 4)[0]
    entries = [struct.unpack_from('>4sIII', collection, start + 12 + 16 * i) for i in range(tables)]
    offset = 12 + 16 * tables
    directory, body, head = b'', b'', None
    for tag, sum_, at, length in entries:
        if tag == b'head':
            head = offset
        directory += struct.pack('>4sIII', tag, sum_, offset, length)
        table = collection[at:at + length]
        table += b'\0' * (-length % 4)
        body += table
        offset += len(table)
    font = bytearray(header + directory + body)
    if head is not None:
        # The whole file's checksum, kept in the head table, is the one value that depends on the layout.
        struct.pack_into('>I', font, head + 8, 0)
        struct.pack_into('>I', font, head + 8, (0xB1B0AFBA - checksum(bytes(font))) & 0xFFFFFFFF)
    return bytes(font)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    with open(sys.argv[1], 'rb') as source:
        font = extract(source.read(), int(sys.argv[2]))
    with open(sys.argv[3], 'wb') as target:
        target.write(font)


if __name__ == '__main__':
    main()

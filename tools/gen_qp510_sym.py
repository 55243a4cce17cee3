#!/usr/bin/env python3
"""Writes the QP510 symbol code table (share/xamu/QP510.sym).

The QP510 takes a two-byte character setting only when its code is one of
the symbols the model can print. The table is model data: 757 codes stored
as little-endian 16-bit words. Some codes appear more than once because the
model groups its symbols by use, and a symbol can belong to several groups;
only membership matters to the program.

Usage: tools/gen_qp510_sym.py [OUTPUT]   (default: share/xamu/QP510.sym)
"""
import os
import struct
import sys


def span(first, last):
    return list(range(first, last + 1))


# The model lists these first (its "frequently used" group).
LEAD = [0x819B, 0x819C, 0x819D, 0x81A2, 0x81A3, 0x81A4, 0x81A5,
        0x819E, 0x819F, 0x81A0, 0x81A1, 0x8199]

SIGNS = span(0x8189, 0x81AC)          # gender, degree, currency, shapes, arrows
SETS = span(0x81B8, 0x81BF)           # set symbols
LOGIC = span(0x81C8, 0x81CE)          # logic symbols
MATH = span(0x81DA, 0x81E8)           # mathematical symbols
MUSIC = span(0x81F0, 0x81F7)          # music and typographic marks
RING = [0x81FC]                       # large circle
BOX = span(0x849F, 0x84BE)            # box drawing
CIRCLED = span(0x8740, 0x875D)        # circled numbers, roman numerals
UNITS = span(0x875F, 0x8775)          # unit symbols
ERA = [0x877E] + span(0x8780, 0x878F)  # era names, quotes, numero
MATH2 = span(0x8790, 0x879C)          # further mathematical symbols
# The printer's own pictograms (weather, mail, telephone, seasons ...).
PICTO = (span(0xF040, 0xF07E) + span(0xF080, 0xF0FC) +
         span(0xF140, 0xF17E) + span(0xF180, 0xF1FC) + span(0xF240, 0xF24D))
FRAMES = span(0xFD40, 0xFD7A)         # frame and ornament symbols

DISTINCT_COUNT = 639
TOTAL_COUNT = 757
TAIL = span(0xFD75, 0xFD7A)


def build():
    groups = [SIGNS, SETS, LOGIC, MATH, MUSIC, RING, BOX, CIRCLED, UNITS,
              ERA, MATH2, PICTO, FRAMES]
    distinct = []
    for g in groups:
        distinct.extend(g)
    assert len(distinct) == len(set(distinct)) == DISTINCT_COUNT, len(set(distinct))

    # Groups by use repeat some codes (numbers, frames, units, signs).
    repeats = CIRCLED + BOX + UNITS + SETS + LOGIC + MATH + MUSIC[:3]
    assert len(repeats) == TOTAL_COUNT - DISTINCT_COUNT

    body = [c for c in distinct if c not in LEAD and c not in TAIL]
    codes = LEAD + body[:len(body) // 2] + repeats + body[len(body) // 2:] + TAIL
    assert len(codes) == TOTAL_COUNT
    assert len(set(codes)) == DISTINCT_COUNT
    assert min(codes) == 0x8189 and max(codes) == 0xFD7A
    return codes


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '..', 'share', 'xamu', 'QP510.sym')
    codes = build()
    with open(out, 'wb') as f:
        f.write(b''.join(struct.pack('<H', c) for c in codes))


if __name__ == '__main__':
    main()

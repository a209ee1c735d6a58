#!/usr/bin/python3
"""segyio-catr's output (one "name<TAB>value" line per field, every field of a trace in byte order)
turned into the dump's CSV, byte for byte segyhdr's.

Usage: segyio-catr -r 1 TRACES FILE | catr_csv.py OUT
"""

import sys

import numpy as np

from peer_columns import COLUMNS, COORDINATES, SCALAR, scaled, viewer_rounded

# catr lists SEG-Y rev 1's 91 trace header fields in byte order; each column's field by its line there.
FIELDS_PER_TRACE = 91
LINE_OF_BYTE = {9: 2, 13: 3, 37: 11, 41: 12, 45: 13, 49: 14, 71: 20, 73: 21, 77: 22, 81: 23, 85: 24,
                99: 30, 101: 31, 189: 73, 193: 74, 237: 90}


def main():
    values = {name: [] for name, _, _ in COLUMNS}
    wanted = [(LINE_OF_BYTE[byte], values[name]) for name, byte, _ in COLUMNS]
    trace = []
    for line in sys.stdin:
        trace.append(line)
        if len(trace) == FIELDS_PER_TRACE:
            for index, column in wanted:
                column.append(int(trace[index].split("\t", 1)[1]))
            trace = []
    columns = {name: np.array(v, dtype=np.int64) for name, v in values.items()}
    for name in COORDINATES:
        columns[name] = viewer_rounded(scaled(columns[name], columns[SCALAR]))
    with open(sys.argv[1], "w") as out:
        out.write(",".join(name for name, _, _ in COLUMNS) + "\n")
        texts = [("%.2f" if name in COORDINATES else "%d") for name, _, _ in COLUMNS]
        for row in zip(*(columns[name].tolist() for name, _, _ in COLUMNS)):
            out.write(",".join(t % v for t, v in zip(texts, row)) + "\n")


if __name__ == "__main__":
    main()

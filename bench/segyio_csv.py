#!/usr/bin/python3
"""The dump as a segyio user writes it: attributes() of each of the 16 columns' fields, then pandas
to_csv, with the coordinates scaled and rounded to the viewer's texts so that the CSV is byte for byte
segyhdr's.

Usage: segyio_csv.py [--mmap] FILE OUT
"""

import sys

import pandas as pd
import segyio

from peer_columns import COLUMNS, COORDINATES, SCALAR, scaled, viewer_rounded


def main():
    args = sys.argv[1:]
    use_mmap = "--mmap" in args
    path, out = [a for a in args if a != "--mmap"]
    with segyio.open(path, ignore_geometry=True) as f:
        if use_mmap:
            f.mmap()
        columns = {name: f.attributes(byte)[:] for name, byte, _ in COLUMNS}
    for name in COORDINATES:
        columns[name] = viewer_rounded(scaled(columns[name], columns[SCALAR]))
    frame = pd.DataFrame(columns, columns=[name for name, _, _ in COLUMNS])
    frame.to_csv(out, index=False, float_format="%.2f", na_rep="nan")


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""The shot QC as a numpy user writes it: a numpy.memmap of the trace headers, the fields read as
strided columns, the checks vectorised. Writes the findings as "shot,reason,field" lines, in the
order segyhdr lists them, so that the two can be compared byte for byte.

Usage: numpy_qc.py FILE OUT
"""

import sys

import numpy as np

from peer_columns import COLUMNS, SCALAR, scaled

SHOT_CONSTANT = ("ffid", "s_elev", "s_depth", "source_x", "source_y", "s_line", "s_stat")
REASONS = ("varies", "repeated_ffid", "trace_count", "channel_gap", "channel_repeat")


def main():
    path, out = sys.argv[1:]
    with open(path, "rb") as f:
        binary = f.read(3600)[3200:]
    samples = int.from_bytes(binary[20:22], "big")
    sample_bytes = {1: 4, 2: 4, 3: 2, 5: 4, 8: 1}[int.from_bytes(binary[24:26], "big")]
    trace_bytes = 240 + samples * sample_bytes
    fields = [c for c in COLUMNS if c[0] in SHOT_CONSTANT + ("channel", SCALAR)]
    layout = np.dtype({"names": [n for n, _, _ in fields], "formats": [t for _, _, t in fields],
                       "offsets": [b - 1 for _, b, _ in fields], "itemsize": trace_bytes})
    traces = np.memmap(path, dtype=layout, mode="r", offset=3600)
    cols = {name: np.asarray(traces[name]) for name, _, _ in fields}
    for name in ("source_x", "source_y"):
        cols[name] = scaled(cols[name], cols[SCALAR])
    ffid = cols["ffid"]

    starts = np.concatenate(([0], np.flatnonzero(np.diff(ffid)) + 1))
    counts = np.diff(np.concatenate((starts, [len(ffid)])))
    shot_of = np.repeat(np.arange(len(starts)), counts)
    found = []
    for k, name in enumerate(SHOT_CONSTANT):
        col = cols[name]
        # Floats compare as stored: NaN never agrees, -0.0 equals 0.0; one trace always agrees.
        differs = np.logical_or.reduceat(col != col[starts][shot_of], starts) & (counts > 1)
        found += [(s, 0, k) for s in np.flatnonzero(differs)]
    _, first, inverse = np.unique(ffid[starts], return_index=True, return_inverse=True)
    found += [(s, 1, -1) for s in np.flatnonzero(first[inverse] != np.arange(len(starts)))]
    tally = np.bincount(counts)
    common = np.flatnonzero(tally == tally.max())[-1]
    found += [(s, 2, -1) for s in np.flatnonzero(counts != common)]
    # Channels above 0, sorted within each shot by one key: shot in the high bits.
    channel = cols["channel"].astype(np.int64)
    real = channel > 0
    keys = np.sort((shot_of[real].astype(np.int64) << 32) | channel[real])
    same_shot = (keys[1:] >> 32) == (keys[:-1] >> 32)
    step = np.diff(keys & 0xFFFFFFFF)
    shots = keys[1:] >> 32
    found += [(s, 3, -1) for s in np.unique(shots[same_shot & (step > 1)])]
    found += [(s, 4, -1) for s in np.unique(shots[same_shot & (step == 0)])]
    with open(out, "w") as f:
        for s, reason, k in sorted(found):
            f.write(f"{s + 1},{REASONS[reason]},{SHOT_CONSTANT[k] if k >= 0 else ''}\n")


if __name__ == "__main__":
    main()

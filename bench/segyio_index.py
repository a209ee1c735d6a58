#!/usr/bin/python3
"""What a processor runs instead of the plug-in: segyio's attributes() for the FFID, channel and
offset words of every trace, packed into the plug-in's 16-byte trace index records
(little-endian ffid, channel, offset, trace number from 1) and grouped into runs of equal FFID.

Usage: segyio_index.py [--mmap] FILE OUT
Prints the milliseconds from opening the file to the shots being grouped (wall, then CPU) and
the shot count;
writes the records to OUT so that the caller can compare them with its own.
"""

import sys
import time

import numpy as np
import segyio


def main():
    args = sys.argv[1:]
    use_mmap = "--mmap" in args
    args = [a for a in args if a != "--mmap"]
    path, out = args
    start = time.perf_counter()
    cpu_start = time.process_time()
    with segyio.open(path, ignore_geometry=True) as f:
        if use_mmap:
            f.mmap()
        ffid = f.attributes(segyio.TraceField.FieldRecord)[:]
        channel = f.attributes(segyio.TraceField.TraceNumber)[:]
        offset = f.attributes(segyio.TraceField.offset)[:]
    records = np.empty((len(ffid), 4), dtype="<i4")
    records[:, 0] = ffid
    records[:, 1] = channel
    records[:, 2] = offset
    records[:, 3] = np.arange(1, len(ffid) + 1, dtype="<i4")
    with open(out, "wb") as f:
        f.write(records.tobytes())
    starts = np.flatnonzero(np.diff(ffid)) + 1
    first = np.concatenate(([0], starts))
    last = np.concatenate((starts - 1, [len(ffid) - 1]))
    shots = np.stack((ffid[first], first, last), axis=1)
    ms = (time.perf_counter() - start) * 1000
    cpu_ms = (time.process_time() - cpu_start) * 1000
    print(f"{ms:.1f} {cpu_ms:.1f} {len(shots)}")


if __name__ == "__main__":
    main()

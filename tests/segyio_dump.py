#!/usr/bin/python3
"""Prints, as JSON, what segyio reads from a SEG-Y file: the geometry and, per trace, the header
fields the tests compare, in the order of FIELDS, then the four coordinates scaled by the scalar
of bytes 71-72 (positive multiplies, negative divides, 0 means 1) in double precision. With
--samples, also every sample of every trace, trace after trace, as little-endian doubles in base64.
Usage: segyio_dump.py FILE [--samples]"""
import base64
import json
import struct
import sys

import segyio
from segyio import TraceField as F

# Format codes that SEG-Y defines; a code read the wrong way round is a multiple of 256.
KNOWN_FORMATS = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 15, 16}
FIELDS = [F.FieldRecord, F.TraceNumber, F.offset, F.ReceiverGroupElevation, F.SourceSurfaceElevation,
          F.SourceDepth, F.INLINE_3D, F.SourceStaticCorrection, F.CROSSLINE_3D, F.GroupStaticCorrection,
          F.CDP, F.SourceGroupScalar, F.ElevationScalar]
COORDINATES = [F.SourceX, F.SourceY, F.GroupX, F.GroupY]


def scaled(raw, scalar):
    return float(raw) * scalar if scalar > 0 else float(raw) / -scalar if scalar < 0 else float(raw)


def main():
    path = sys.argv[1]
    # segyio aborts the interpreter when told the wrong byte order, so it is settled here first.
    with open(path, "rb") as f:
        f.seek(3224)
        raw = f.read(2)
    little = len(raw) == 2 and struct.unpack(">H", raw)[0] not in KNOWN_FORMATS \
        and struct.unpack("<H", raw)[0] in KNOWN_FORMATS
    with segyio.open(path, ignore_geometry=True, strict=False, endian="little" if little else "big") as f:
        # Header by header: segyio 1.8.3's attributes() reads 2-byte fields of little-endian files
        # as 4 bytes.
        traces = []
        for header in f.header:
            trace = [int(header[field]) for field in FIELDS]
            traces.append(trace + [scaled(header[field], trace[11]) for field in COORDINATES])
        dump = {"little": little, "samples": len(f.samples), "format": int(f.bin[segyio.BinField.Format]),
                "extHeaders": int(f.ext_headers), "traces": traces}
        if "--samples" in sys.argv[2:]:
            dump["values"] = base64.b64encode(f.trace.raw[:].astype("<f8").tobytes()).decode("ascii")
        json.dump(dump, sys.stdout)


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Prints, as JSON, what segyio reads from a SEG-Y file: the geometry and, per trace, the header
fields that the tests compare. segyio gives coordinates raw; they are scaled here by the
coordinate scalar of bytes 71-72 (positive multiplies, negative divides, 0 means 1), in double
precision, dividing rather than multiplying by a reciprocal.

Usage: segyio_dump.py [--endian auto|big|little] [--samples N] FILE
--samples N adds the decoded samples of the first N traces.
"""

import argparse
import json
import math
import struct
import sys

import segyio
from segyio import TraceField as F

# Format codes that SEG-Y defines; a code read the wrong way round is a multiple of 256.
KNOWN_FORMATS = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 15, 16}

FIELDS = {
    "ffid": F.FieldRecord,
    "channel": F.TraceNumber,
    "offset": F.offset,
    "g_elev": F.ReceiverGroupElevation,
    "s_elev": F.SourceSurfaceElevation,
    "s_depth": F.SourceDepth,
    "s_line": F.INLINE_3D,
    "s_stat": F.SourceStaticCorrection,
    "g_line": F.CROSSLINE_3D,
    "g_stat": F.GroupStaticCorrection,
    "cdp": F.CDP,
    "scalar": F.SourceGroupScalar,
    "elev_scalar": F.ElevationScalar,
}
COORDINATES = {
    "source_x": F.SourceX,
    "source_y": F.SourceY,
    "group_x": F.GroupX,
    "group_y": F.GroupY,
}


def guess_endian(path):
    # segyio aborts the interpreter when it is told the wrong byte order, so the caller's guess
    # must be right before segyio sees the file.
    with open(path, "rb") as f:
        f.seek(3224)
        raw = f.read(2)
    if len(raw) < 2:
        return "big"
    if struct.unpack(">H", raw)[0] in KNOWN_FORMATS:
        return "big"
    if struct.unpack("<H", raw)[0] in KNOWN_FORMATS:
        return "little"
    return "big"


def scaled(raw, scalar):
    if scalar > 0:
        return float(raw) * scalar
    if scalar < 0:
        return float(raw) / -scalar
    return float(raw)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--endian", choices=["auto", "big", "little"], default="auto")
    parser.add_argument("--samples", type=int, default=0)
    parser.add_argument("path")
    args = parser.parse_args()
    endian = guess_endian(args.path) if args.endian == "auto" else args.endian

    with segyio.open(args.path, ignore_geometry=True, strict=False, endian=endian) as f:
        count = f.tracecount
        columns = {name: [int(v) for v in f.attributes(field)[:]] for name, field in FIELDS.items()}
        raw = {name: [int(v) for v in f.attributes(field)[:]] for name, field in COORDINATES.items()}
        traces = []
        for i in range(count):
            trace = {name: columns[name][i] for name in FIELDS}
            for name in COORDINATES:
                trace[name] = scaled(raw[name][i], trace["scalar"])
            traces.append(trace)
        # JSON has no NaN or infinity; such a sample comes out as null.
        samples = [[float(v) if math.isfinite(v) else None for v in f.trace[i]]
                   for i in range(min(args.samples, count))]
        result = {
            "endian": endian,
            "traceCount": count,
            "samples": len(f.samples),
            "format": int(f.bin[segyio.BinField.Format]),
            "extHeaders": int(f.ext_headers),
            "traces": traces,
            "traceSamples": samples,
        }
    json.dump(result, sys.stdout, allow_nan=False)


if __name__ == "__main__":
    main()

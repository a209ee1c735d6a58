"""What the peers share: the 16 dump columns, and the viewer's texts of the coordinates."""

import numpy as np

# (name, byte, type): the dump's columns in order, SEG-Y rev 1 places, the last two the custom fields.
COLUMNS = [
    ("ffid", 9, ">i4"), ("channel", 13, ">i4"), ("offset", 37, ">i4"), ("g_elev", 41, ">i4"),
    ("s_elev", 45, ">i4"), ("s_depth", 49, ">i4"), ("source_x", 73, ">i4"), ("source_y", 77, ">i4"),
    ("group_x", 81, ">i4"), ("group_y", 85, ">i4"), ("s_line", 189, ">i4"), ("s_stat", 99, ">i2"),
    ("g_line", 193, ">i4"), ("g_stat", 101, ">i2"), ("byte71-72", 71, ">i2"), ("byte237-240", 237, ">i4"),
]
COORDINATES = ("source_x", "source_y", "group_x", "group_y")
SCALAR = "byte71-72"


def scaled(raw, scalar):
    """Coordinates as the viewer holds them: the scalar applied in doubles, then stored as 32-bit floats."""
    raw = raw.astype(np.float64)
    s = scalar.astype(np.float64)
    value = np.where(s > 0, raw * s, np.where(s < 0, raw / np.abs(s), raw))
    return value.astype(np.float32)


def viewer_rounded(value):
    """The float rounded to hundredths as the viewer's texts round it: the exact value, ties away
    from zero (0.125 -> 0.13), where printf alone would round ties to even. Written with '%.2f'."""
    exact = value.astype(np.float64)  # exact, and so is x 100: 24 + 7 bits
    hundredths = np.floor(np.abs(exact) * 100 + 0.5)
    rounded = hundredths / 100
    return np.where(exact < 0, -rounded, rounded)

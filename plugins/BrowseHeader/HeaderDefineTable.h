#pragma once

#include <SegySizes.h>

// The header definition table in the form the SEG-Y library takes: an array of 16 pointers,
// each to its own {position, length} pair.

/// A new table of 16 zeroed pairs.
int **allocateHeaderDefs();

/// Frees the 16 pairs, then the array.
void releaseHeaderDefs(int **headerDefs);

/// Fills the table from the host's current trace header definition.
void readHostHeaderDefine(int **headerDefs);

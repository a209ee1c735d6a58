#pragma once

// The fixed sizes of a SEG-Y file, and of the trace index and header definition built on it,
// for every part of the system that reads or writes one.

/// The textual file header: 40 cards of 80 characters; extended textual headers are as long.
constexpr int kTextHeaderBytes = 3200;
/// The binary file header, right after the textual one.
constexpr int kBinaryHeaderBytes = 400;
/// Both file headers; in the classic layout trace i starts at this byte plus i times the trace length.
constexpr int kFileHeaderBytes = kTextHeaderBytes + kBinaryHeaderBytes;
/// A trace header; positions in it count from 1.
constexpr int kTraceHeaderBytes = 240;
/// One record of the trace index file, one per trace.
constexpr int kIndexRecordBytes = 16;
/// Entries of a header definition table, each a {position, length} pair.
constexpr int kHeaderDefineEntries = 16;

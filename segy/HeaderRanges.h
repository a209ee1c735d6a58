#pragma once

#include "HeaderLayout.h"

#include <vector>

/// What every field of a layout takes over a file's trace headers: its minimum and maximum, its
/// first and last value, with the scalar of its role applied, and how many distinct values it
/// has. The headers are added one at a time in file order; nothing of them is kept but the last.
class HeaderRanges
{
public:
    /// Distinct values are counted exactly up to this many a field; past it, only that there are
    /// more. It bounds the memory on any file.
    static constexpr int kMaxDistinct = 65536;

    struct Range
    {
        double min = 0; // NaN when the field held no number (no trace, or NaN throughout)
        double max = 0;
        double first = 0;
        double last = 0;
        int distinct = 0;
        bool moreDistinct = false; // more than kMaxDistinct
    };

    HeaderRanges(const HeaderLayout &layout, ByteOrder order);

    /// The next headers in file order: 240 bytes at first, and as many more, each stride bytes
    /// after the one before.
    void add(const char *first, qint64 headers, qint64 stride);

    qint64 traces() const { return count; }
    /// Field i of the layout over the headers added so far.
    Range range(int field) const;

private:
    static constexpr int kWords = kTraceHeaderBytes / 8;

    // The distinct values of one field: integers near its first value as bits of a window, any
    // other value as its bit pattern in an open-addressed table.
    class DistinctSet
    {
    public:
        // False once the set holds more than kMaxDistinct values; it then keeps none.
        bool insert(double value, quint64 bits);
        int size() const { return used; }

    private:
        // Into the window or the table; false as for insert.
        bool place(double value, quint64 bits);
        bool counted();
        // True when the value is new to the table.
        bool insertInTable(quint64 bits);
        void grow();
        std::vector<quint64> window;
        qint64 windowStart = 0;
        std::vector<quint64> table;
        int inTable = 0;
        int used = 0;
        double loneValue = 0;
        quint64 loneBits = 0;
        bool lonePlaced = false;
    };

    struct Field
    {
        int offset = -1; // of its first byte in the header; -1 when it is not there or does not fit, and reads 0
        FieldType type = FieldType::Int32;
        FieldRole role = FieldRole::Value;
        double first = 0, last = 0, min = 0, max = 0;
        quint64 lastBits = 0;
        bool anyNumber = false;
        bool moreDistinct = false;
        DistinctSet distinct;
    };

    double valueOf(const Field &field, const uchar *header) const;
    qint32 scalarOf(const Field &scalar, const uchar *header) const;
    // Takes the field's value in this header; a value equal to the last one changes nothing.
    void take(Field &field, const uchar *header);
    static Field placed(const HeaderField &field);
    // Files the field under the words where `at` lies.
    void addWord(int field, const Field &at);

    ByteOrder order;
    std::vector<Field> fields;
    Field coordScalar, elevScalar;
    // The fields whose value may change when a word (8 bytes) of the header changes: the words
    // they lie in and, for scaled fields, the words of their scalar; with the bytes of the word
    // that are theirs.
    struct WordField
    {
        int field;
        quint64 mask;
    };
    std::vector<WordField> fieldsOfWord[kWords];
    uchar previous[kTraceHeaderBytes] = {};
    qint64 count = 0;
};

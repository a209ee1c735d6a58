#pragma once

#include "HeaderLayout.h"

#include <QString>
#include <QVector>

/// How a binary header field is stored.
enum class BinaryType { Int16, UInt16, Int32, UInt32, UInt64, IeeeDouble };

/// One field of the 400-byte binary file header, by its absolute position in the file (3201 to 3600).
struct BinaryField
{
    const char *name;
    int position;
    BinaryType type;
};

/// The binary header fields of SEG-Y rev 2, by position.
const QVector<BinaryField> &binaryFields();

/// The named field of binaryFields().
const BinaryField &binaryField(const char *name);

/// The field's value in the 400 bytes of a binary header, in the byte order.
double binaryValue(const char *binaryHeader, const BinaryField &field, ByteOrder order);

#pragma once

#include <QByteArray>

/// How a textual header is encoded.
enum class TextEncoding { Ebcdic, Ascii };

/// Printable characters of the text, as a share from 0 to 1, when read in the encoding.
double printableShare(const char *text, int size, TextEncoding encoding);

/// The encoding in which more of the text is printable; EBCDIC, the standard's, on a tie.
TextEncoding detectTextEncoding(const char *text, int size);

/// Whether the bytes read as text in either encoding: most of them printable characters.
bool looksLikeText(const char *text, int size);

/// The text in ASCII, each character that has no printable ASCII form shown as a space.
QByteArray textToAscii(const char *text, int size, TextEncoding encoding);

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

// Code page 932 (Microsoft's Shift_JIS), the encoding of every text that
// leaves a program of the suite: datagrams, link texts and the rejoin batch.
//
// Single bytes: 0x00-0x7F ASCII, 0xA1-0xDF half-width katakana, 0x80, 0xA0
// and 0xFD-0xFF to the code points Windows gives them. Double bytes: lead
// 0x81-0x9F or 0xE0-0xFC, trail 0x40-0x7E or 0x80-0xFC. Where Windows maps
// several byte pairs to one character, encoding picks the pair Windows picks
// (NEC row 13 and JIS X 0208 first, IBM extensions before the NEC-selected
// copies in rows 0xED/0xEE). Seven characters that Linux input methods type
// where Windows holds another code point for the same glyph (U+301C, U+2212,
// U+2016, U+00A2, U+00A3, U+00AC, U+2014) are written as the pair of the
// Windows form (81 60, 81 7C, 81 61, 81 91, 81 92, 81 CA, 81 5C); decoding
// gives the Windows form.
namespace Cp932 {

// Undecodable bytes become U+FFFD. A lead byte followed by a byte that cannot
// be a trail byte yields U+FFFD for the lead alone, so a following ASCII
// character is never swallowed.
QString decode(QByteArrayView bytes);

// Characters with no code page 932 form become '?', as Windows writes them.
QByteArray encode(QStringView text);

// The characters of text that have no code page 932 form, each once, in
// order of first appearance. A surrogate pair is one character (one entry of
// two code units); a lone surrogate is an entry of its own. Empty when encode
// would write text unchanged.
QStringList unencodable(QStringView text);

// The length of text in code page 932 bytes.
qsizetype byteLength(QStringView text);

} // namespace Cp932

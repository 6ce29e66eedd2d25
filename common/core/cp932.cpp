#include "cp932.h"

#include "cp932table.h"

#include <QHash>
#include <QSet>

#include <utility>

namespace {

char16_t decodeSingle(unsigned char b)
{
    if (b < 0x80)
        return b;
    if (b >= 0xA1 && b <= 0xDF)
        return char16_t(0xFF61 + (b - 0xA1));
    switch (b) {
    case 0x80: return 0x0080;
    case 0xA0: return 0xF8F0;
    case 0xFD: return 0xF8F1;
    case 0xFE: return 0xF8F2;
    case 0xFF: return 0xF8F3;
    }
    return 0xFFFD;
}

// The glyphs of code page 932 whose Windows code points differ from those
// Linux desktops (and plain JIS mappings) use, with the pair of each.
constexpr std::pair<char16_t, quint16> LinuxForms[] = {
    { 0x301C, 0x8160 }, // 〜 WAVE DASH; Windows: U+FF5E ～
    { 0x2212, 0x817C }, // − MINUS SIGN; Windows: U+FF0D －
    { 0x2016, 0x8161 }, // ‖ DOUBLE VERTICAL LINE; Windows: U+2225 ∥
    { 0x00A2, 0x8191 }, // ¢; Windows: U+FFE0 ￠
    { 0x00A3, 0x8192 }, // £; Windows: U+FFE1 ￡
    { 0x00AC, 0x81CA }, // ¬; Windows: U+FFE2 ￢
    { 0x2014, 0x815C }, // — EM DASH; Windows: U+2015 ―
};

// The pair Windows writes for a character that several pairs decode to:
// rows 0xED/0xEE (NEC-selected IBM extensions) lose to everything else,
// otherwise the lowest pair wins.
bool preferred(quint16 candidate, quint16 current)
{
    const bool candidateNec = (candidate >> 8) == 0xED || (candidate >> 8) == 0xEE;
    const bool currentNec = (current >> 8) == 0xED || (current >> 8) == 0xEE;
    if (candidateNec != currentNec)
        return currentNec;
    return candidate < current;
}

const QHash<char16_t, quint16> &encodeTable()
{
    static const QHash<char16_t, quint16> table = [] {
        QHash<char16_t, quint16> t;
        t.reserve(8000);
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!Cp932Table::isLeadByte(lead))
                continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                const char16_t ch = Cp932Table::DoubleByte[Cp932Table::leadIndex(lead) * Cp932Table::TrailCount
                                                           + (trail - Cp932Table::FirstTrail)];
                if (ch == 0)
                    continue;
                const quint16 code = quint16(lead << 8 | trail);
                auto it = t.find(ch);
                if (it == t.end())
                    t.insert(ch, code);
                else if (preferred(code, *it))
                    *it = code;
            }
        }
        // Characters Linux input methods type for the glyphs Windows holds
        // in other code points: written as the pair of the Windows form,
        // which decodes to that form.
        for (const auto &[linuxForm, code] : LinuxForms)
            t.insert(linuxForm, code);
        return t;
    }();
    return table;
}

// Single-byte form of ch, or -1.
int encodeSingle(char16_t ch)
{
    if (ch < 0x80)
        return ch;
    if (ch >= 0xFF61 && ch <= 0xFF9F)
        return 0xA1 + (ch - 0xFF61);
    switch (ch) {
    case 0x0080: return 0x80;
    case 0xF8F0: return 0xA0;
    case 0xF8F1: return 0xFD;
    case 0xF8F2: return 0xFE;
    case 0xF8F3: return 0xFF;
    }
    return -1;
}

// The code units of the character at i: two for a surrogate pair, which is
// one character with no form here.
qsizetype characterLength(QStringView text, qsizetype i)
{
    return text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
}

} // namespace

namespace Cp932 {

QString decode(QByteArrayView bytes)
{
    // Every byte gives at most one character: written straight into place.
    const qsizetype n = bytes.size();
    if (n == 0)
        return {};
    QString out(n, Qt::Uninitialized);
    char16_t *const begin = reinterpret_cast<char16_t *>(out.data());
    char16_t *o = begin;
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (!Cp932Table::isLeadByte(b)) {
            *o++ = decodeSingle(b);
            continue;
        }
        if (i + 1 >= n) {
            *o++ = 0xFFFD;
            continue;
        }
        const auto trail = static_cast<unsigned char>(bytes[i + 1]);
        if (!Cp932Table::isTrailByte(trail)) {
            *o++ = 0xFFFD;
            continue;
        }
        const char16_t ch = Cp932Table::DoubleByte[Cp932Table::leadIndex(b) * Cp932Table::TrailCount
                                                   + (trail - Cp932Table::FirstTrail)];
        *o++ = ch ? ch : char16_t(0xFFFD);
        ++i;
    }
    out.truncate(o - begin);
    return out;
}

QByteArray encode(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    const auto &table = encodeTable();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        const int single = encodeSingle(ch);
        if (single >= 0) {
            out.append(char(single));
            continue;
        }
        const auto it = table.constFind(ch);
        if (it == table.constEnd()) {
            i += characterLength(text, i) - 1;
            out.append('?');
            continue;
        }
        out.append(char(*it >> 8));
        out.append(char(*it & 0xFF));
    }
    return out;
}

QStringList unencodable(QStringView text)
{
    QStringList found;
    QSet<QString> seen;
    const auto &table = encodeTable();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        if (encodeSingle(ch) >= 0 || table.contains(ch))
            continue;
        const qsizetype length = characterLength(text, i);
        const QString character = text.sliced(i, length).toString();
        if (!seen.contains(character)) {
            seen.insert(character);
            found.append(character);
        }
        i += length - 1;
    }
    return found;
}

qsizetype byteLength(QStringView text)
{
    return encode(text).size();
}

} // namespace Cp932

// The code page 932 decoder on arbitrary bytes: never fails, every character
// it yields (but the replacement character) encodes back to bytes that decode
// to the same character, and the byte length agrees with the encoder.
#include "fuzzsupport.h"

#include <cstdint>

using FuzzSupport::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const QString text = Cp932::decode(bytes);
    check(text.size() <= bytes.size(), "more characters than bytes");

    const QByteArray encoded = Cp932::encode(text);
    check(Cp932::byteLength(text) == encoded.size(), "byteLength disagrees with encode");
    const QString again = Cp932::decode(encoded);
    check(again.size() == text.size(), "re-decoded length differs");
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QChar(QChar::ReplacementCharacter))
            check(again[i] == QLatin1Char('?'), "replacement character not written as '?'");
        else
            check(again[i] == text[i], "character does not survive encode and decode");
    }
    // Bytes without replacements are the canonical form: encoding is the inverse.
    if (!text.contains(QChar(QChar::ReplacementCharacter)))
        check(Cp932::decode(Cp932::encode(again)) == again, "second trip differs");
    return 0;
}

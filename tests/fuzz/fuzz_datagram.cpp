// ParseDatagram on arbitrary bytes: never fails, and a datagram rebuilt from
// the fields it found parses to the same fields.
#include "datagram.h"
#include "fuzzsupport.h"

#include <cstdint>

using FuzzSupport::check;

namespace {

bool holdsTag(const QString &field)
{
    for (const char *tag : { DatagramTag::UserName, DatagramTag::IpAddr, DatagramTag::GameId, DatagramTag::Data }) {
        if (field.contains(QLatin1String(tag)))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > size_t(MaxDatagramSize))
        return -1;
    const QByteArrayView bytes(data, qsizetype(size));
    const ParsedDatagram parsed = ParseDatagram(bytes);
    check(parsed.Kind.size() <= 2, "kind longer than two characters");

    bool onlySpaces = true;
    for (char c : bytes)
        onlySpaces = onlySpaces && c == ' ';
    check(isBlankDatagram(bytes) == onlySpaces, "blank test");

    const QString fields[] = { parsed.Kind, parsed.UserName, parsed.IpAddr, parsed.GameId, parsed.Data };
    bool rebuildable = parsed.Kind.size() == 2;
    for (const QString &field : fields)
        rebuildable = rebuildable && !holdsTag(field) && FuzzSupport::cp932Stable(field);
    if (!rebuildable)
        return 0;
    const QByteArray rebuilt = buildDatagram(parsed.Kind, parsed.UserName, parsed.IpAddr, parsed.GameId, parsed.Data);
    const ParsedDatagram again = ParseDatagram(rebuilt);
    check(again == parsed, "rebuilt datagram parses differently");
    return 0;
}

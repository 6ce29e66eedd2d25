#pragma once

// The double-byte half of code page 932, indexed by
// leadIndex(lead) * TrailCount + (trail - FirstTrail). 0 marks no character.
namespace Cp932Table {

constexpr int TrailCount = 0xFD - 0x40;
constexpr int LeadCount = (0xA0 - 0x81) + (0xFD - 0xE0);
constexpr unsigned char FirstTrail = 0x40;

extern const char16_t DoubleByte[LeadCount * TrailCount];

constexpr bool isLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

constexpr bool isTrailByte(unsigned char b)
{
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

constexpr int leadIndex(unsigned char lead)
{
    return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + (0xA0 - 0x81);
}

} // namespace Cp932Table

#include "SecureValidate.h"

#include <array>
#include <cstdint>
#include <utility>

namespace SecureValidate {

namespace {

char base64Letter(unsigned value)
{
    if (value < 26)
        return static_cast<char>('A' + value);
    if (value < 52)
        return static_cast<char>('a' + value - 26);
    if (value < 62)
        return static_cast<char>('0' + value - 52);
    return value == 62 ? '+' : '/';
}

} // namespace

QByteArray response(QByteArrayView challenge, QByteArrayView key)
{
    std::array<std::uint8_t, 256> table{};
    for (unsigned i = 0; i < table.size(); ++i)
        table[i] = static_cast<std::uint8_t>(i);
    if (!key.isEmpty()) {
        std::uint8_t j = 0;
        for (unsigned i = 0; i < table.size(); ++i) {
            j = static_cast<std::uint8_t>(j + table[i] + static_cast<std::uint8_t>(key[i % key.size()]));
            std::swap(table[i], table[j]);
        }
    }

    QByteArray mixed;
    mixed.reserve(challenge.size() + 2);
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    for (const char c : challenge) {
        const auto byte = static_cast<std::uint8_t>(c);
        a = static_cast<std::uint8_t>(a + byte + 1);
        const std::uint8_t x = table[a];
        b = static_cast<std::uint8_t>(b + x);
        const std::uint8_t y = table[b];
        table[b] = x;
        table[a] = y;
        mixed.append(static_cast<char>(byte ^ table[static_cast<std::uint8_t>(x + y)]));
    }
    while (mixed.size() % 3 != 0)
        mixed.append('\0');

    QByteArray out;
    out.reserve(mixed.size() / 3 * 4);
    for (qsizetype i = 0; i < mixed.size(); i += 3) {
        const unsigned group = (static_cast<std::uint8_t>(mixed[i]) << 16)
                               | (static_cast<std::uint8_t>(mixed[i + 1]) << 8)
                               | static_cast<std::uint8_t>(mixed[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6)
            out.append(base64Letter((group >> shift) & 0x3f));
    }
    return out;
}

} // namespace SecureValidate

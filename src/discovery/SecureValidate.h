#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The answer to a master server's "\secure\" challenge: the challenge run
// through a keyed RC4-like byte mix and written in base-64 letters, eight
// characters for the usual six-byte challenge.
namespace SecureValidate {

// The game key of this game on the master servers.
inline constexpr QByteArrayView kGameKey = "Z5Nfb0";

QByteArray response(QByteArrayView challenge, QByteArrayView key = kGameKey);

} // namespace SecureValidate

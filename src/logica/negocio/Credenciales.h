#pragma once
#include <QString>

// How the program keeps a user's password: what signing in compares with and
// what creating a user stores.
namespace Credenciales {

// The stored form of a user's password: the signer's encipherment of e-mail,
// USR_PASS and password. The cipher is deterministic, so a typed password is
// checked by enciphering it again.
QString cifraPassword(const QString& email, const QString& password);

} // namespace Credenciales

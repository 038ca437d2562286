#pragma once
#include "TNuevoNegocio.h"

#include <QString>

// Another workstation's way to a business that already lives on a database
// server: the server's settings and a user of that business, checked there,
// add the business to this program folder's registry. Nothing is written on
// the server.
namespace EmpresaEnServidor {

enum class TResultado {
    Conectada,
    SinRespuesta,         // the server or the database could not be reached
    SinNegocio,           // the database holds no business of this program
    YaRegistrada,         // this program folder already has a business with that RFC that still connects
    NoEsUsuario,          // the e-mail is not a user of that business
    ContrasenaIncorrecta, // a user of the business, with another password
};

struct TConexion {
    TResultado resultado = TResultado::SinRespuesta;
    QString rfc;
    QString razon;
    // For the user, in Spanish; never with a password.
    QString texto;
};

// `destino` is the server (DB_MySQL or DB_FIREBIRD_SERVIDOR) as the
// configuration window gives it; `email` and `password` those of a user of
// the business there. A registration of the RFC whose saved connection does
// not decipher here (another installation's key), or no longer opens that
// same server database (the account's password changed), does not refuse
// it: it is rewritten, in one step, to lead to the server. When the
// business's permission key does not read with these settings, the text
// says so. Raises EBaseDatos when the registry cannot be written.
TConexion conecta(const NuevoNegocio::TDestino& destino, const QString& email, const QString& password);

} // namespace EmpresaEnServidor

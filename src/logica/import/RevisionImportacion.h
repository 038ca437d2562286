#pragma once
#include <QString>

// What an import job checks before it takes its first file, from the window
// and from the command line alike: that the local registry of businesses can
// be used now, and that the e-mail given may import. A registry another
// program holds would read as empty, and every issuer would then look
// unregistered.
namespace RevisionImportacion {

enum class TResultado {
    Correcta,
    RegistroOcupado, // another program holds the registry
    RegistroDanado,  // the registry is missing or cannot be read as one
    ContrasenaAjena  // the e-mail is a user of a registered business and the password is its own in none
};

struct TRevision {
    TResultado resultado = TResultado::Correcta;
    QString mensaje; // what the user is told, in Spanish; empty when Correcta
    bool correcta() const { return resultado == TResultado::Correcta; }
};

// The registry of the current program folder (TBaseDatosLocalFrm::archivoRegistro),
// waiting a few seconds for a program that writes it briefly.
TRevision revisaRegistro();

// The e-mail names the owner of the businesses the job creates. When it
// already is a user of a registered business, the password must be that
// user's in at least one of them: nobody creates businesses in another
// user's name. An e-mail no business knows is a new owner. Each business the
// job meets is checked again, file by file (Credenciales::acceso).
TRevision revisaCredenciales(const QString& correo, const QString& contrasena);

// Both, the registry first.
TRevision revisa(const QString& correo, const QString& contrasena);

} // namespace RevisionImportacion

#pragma once
#include <QString>

class TBaseDatosLocalFrm;

// A registered business whose stored connection does not decipher in this
// installation (the "db" folder was copied from another program folder, or
// this installation's key was replaced) says nothing of where its database
// lies: it is not a missing database. A business kept in this program
// folder is found in its own folder instead; the sign-in and the import look
// there alike.
namespace ConexionIlegible {

// Whether the stored connection (the registry's third field) does not
// decipher here.
bool es(const QString& guardada);
// The database a local business keeps in its own folder, by today's name or
// an earlier version's; empty when there is none.
QString baseEnSuCarpeta(const QString& rfc);
// Every registration of the RFC gives way to one that leads to `base`,
// enciphered under this installation's key, so the next reader needs no
// fallback. A registry that refuses is logged, not raised: the business was
// found all the same.
void registraDeNuevo(TBaseDatosLocalFrm& registro, const QString& rfc, const QString& nombre, const QString& base);

} // namespace ConexionIlegible

#pragma once
#include "Errores.h"

#include <QString>
#include <QStringList>

// A connection field that a stored connection string cannot hold. Its message
// is for the user, in Spanish.
class ECadenaConexion : public EVelkor {
public:
    using EVelkor::EVelkor;
    QString clase() const override { return QStringLiteral("ECadenaConexion"); }
};

// The connection string of a business, as the local registry stores it: six
// fields, provider, user, password, server, database and port, joined by "|"
// in that order, with no escaping and no final separator, and enciphered under
// the installation's key (Secretos::cifraLocal): a server's password in it is
// not readable from the registry alone. A local business leaves user, password, server and port
// empty and names its database file. Nothing is escaped, so no field may hold
// the separator: such a field is refused, never written.
class TCadenaConexion {
public:
    enum Campo { PROVEEDOR, USUARIO, PASSWORD, SERVIDOR, BASE_DATOS, PUERTO, NUMERO_CAMPOS };

    TCadenaConexion();
    TCadenaConexion(const QString& proveedor, const QString& usuario, const QString& password, const QString& servidor,
                    const QString& baseDatos, const QString& puerto);

    // Positions 3 to 8 of a registration array (e-mail, name, RFC, then the
    // six fields); a missing position is an empty field.
    static TCadenaConexion deRegistro(const QStringList& registro);
    // Split at every "|": a field missing at the end reads as empty, any text
    // after the sixth field is not read.
    static TCadenaConexion dePlano(const QString& plano);
    // Deciphers a stored string, in today's form or the older program-wide
    // cipher. A text that does not decipher (empty, another installation's,
    // altered) is no connection: every field empty and
    // legible() false. That is logged, never raised: one damaged registry row
    // must not stop whatever reads the registry.
    static TCadenaConexion deGuardada(const QString& guardada);

    // The plain text; raises ECadenaConexion (ERR_CONEXION_SEPARADOR naming the
    // field) when a field holds the separator.
    QString plano() const;
    // The plain text enciphered, as the registry keeps it; raises as plano().
    QString guardada() const;

    QString campo(Campo campo) const { return m_campos.at(campo); }
    // The six fields in their order.
    const QStringList& campos() const { return m_campos; }
    QString getProveedor() const { return campo(PROVEEDOR); }
    QString getUsuario() const { return campo(USUARIO); }
    QString getPassword() const { return campo(PASSWORD); }
    QString getServidor() const { return campo(SERVIDOR); }
    QString getBaseDatos() const { return campo(BASE_DATOS); }
    QString getPuerto() const { return campo(PUERTO); }
    // False for a stored string that did not decipher.
    bool legible() const { return m_legible; }

    // The database as the program folder `carpetaPrograma` reaches it. A
    // business kept in a program folder lies in its DB_PATH + RFC + "/"; the
    // registry stores that path whole, so a path of that shape under another
    // folder (the folder the program was moved or copied from) is taken in
    // `carpetaPrograma`'s own: a moved program keeps its businesses and a
    // copy never works on the original's files. Anything else (a server's
    // database name, a file kept elsewhere) as stored.
    QString baseDatosEn(const QString& carpetaPrograma) const;

private:
    QStringList m_campos;
    bool m_legible = true;
};

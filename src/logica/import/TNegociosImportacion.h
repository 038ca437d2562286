#pragma once
#include "TConexionSesion.h"
#include "negocio/TNuevoNegocio.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>
#include <memory>

class TBaseDatosLocalFrm;
class TNegocio;

// The businesses an import job meets, by issuer RFC. The local registry is
// read once per RFC; the businesses found stay open for the whole job, their
// databases brought up to the program's schema and their invoice folders made
// the first time. An issuer the registry does not know gets a business of its
// own, created whole before it is registered: its database file and records
// first, its registry row last, so a registry row never points at a database
// without its business; a creation that fails removes the file it made.
//
// The e-mail and password given own the businesses created. A business that
// already exists takes vouchers only under one of its users: the e-mail must
// be a user of that business and the password its own
// (Credenciales::acceso); otherwise its RFC fails, with the reason, for the
// whole job. A registry that cannot be read fails the RFC too, rather than
// reading as one without it.
//
// Nothing here reads or changes the signed-in session.
class TNegociosImportacion {
public:
    struct TNegocioImportado {
        QString rfc; // upper case
        TConexionSesion conexion;
        std::shared_ptr<TNegocio> negocio;
        bool creado = false; // created by this job
    };

    // What a new business is made of, read from the voucher only when the
    // issuer has to be created.
    struct TEmisor {
        QString nombre;
        QString regimen; // "601 - General de Ley Personas Morales", or empty
        NuevoNegocio::TDireccion direccion;
    };

    // The owner (e-mail and password) of each business created, who must
    // also be a user of each existing business met, and the bytes of the
    // empty business database and of the first logo.
    TNegociosImportacion(TBaseDatosLocalFrm& registro, const QString& email, const QString& password,
                         const QByteArray& plantilla, const QByteArray& logo);
    ~TNegociosImportacion();

    // The business of `rfc` (compared without regard to letter case or
    // surrounding blanks). An RFC that could not be resolved fails again,
    // with the same EVelkor, for the rest of the job, without another try.
    const TNegocioImportado& negocio(const QString& rfc, const std::function<TEmisor()>& emisor);

    int creados() const { return m_creados; }

private:
    TNegocioImportado abre(const QString& rfc, const QString& escrito, const std::function<TEmisor()>& emisor);
    void lee(const QString& rfc, QStringList& detalle) const;
    TNegocioImportado registrado(const QString& rfc, const QStringList& detalle);
    TNegocioImportado crea(const QString& rfc, const TEmisor& emisor);

    struct TEntrada;
    TBaseDatosLocalFrm& m_registro;
    QString m_email;
    QString m_password;
    QByteArray m_plantilla;
    QByteArray m_logo;
    QHash<QString, std::shared_ptr<TEntrada>> m_negocios;
    int m_creados = 0;
};

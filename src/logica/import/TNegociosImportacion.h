#pragma once
#include "Conexiones.h"
#include "Errores.h"
#include "TConexionSesion.h"
#include "negocio/TNuevoNegocio.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

class TBaseDatosLocalFrm;
class TNegocio;

// Raised when a job cannot go on at all, instead of failing each file that
// follows: the connection to a server keeps dropping however often it is
// restored.
class EImportacionDetenida : public EVelkor {
public:
    using EVelkor::EVelkor;
    QString clase() const override { return QStringLiteral("EImportacionDetenida"); }
};

// A business whose server stayed out of reach after a cut, or that another
// workstation took while the connection was restored: its files fail for the
// rest of the job with this text, and the other businesses' go on.
class EServidorAusente : public EVelkor {
public:
    using EVelkor::EVelkor;
    QString clase() const override { return QStringLiteral("EServidorAusente"); }
};

// The servers a job gave up after a cut, and why, shared by the importers
// of all its threads: once one thread waited for a server in vain, a
// business another thread meets on it later fails at once instead of
// waiting as long again.
class TServidoresAusentes {
public:
    // Why `servidor` (TNegociosImportacion's key of a server) was given up;
    // empty when it was not.
    QString motivo(const QString& servidor) const;
    void agrega(const QString& servidor, const QString& motivo);

private:
    mutable QMutex m_mutex;
    QHash<QString, QString> m_motivos;
};

// The businesses an import job meets, by issuer RFC. The local registry is
// read once per RFC, and each business's database brought up to the
// program's schema and its invoice folders made the first time; what was
// found (or why the RFC failed) is kept for the whole job. Only the
// databases of the ABIERTOS businesses used last stay open: beyond them the
// least recently used is closed, once no transaction of this thread holds
// work on it, and opens again when a later file of its issuer comes. An issuer the registry does not know gets a
// business of its own, created whole before it is registered: its database file and records first, its registry row
// last, so a registry row never points at a database without its business; a creation that fails removes the file it
// made. A database already in its folder that holds a business (one whose
// registry row was lost) is never set aside nor written to: the issuer's
// files fail with the way to register it again (NuevoNegocio::creaArchivoLocal).
// A registered business whose stored connection does not decipher in this
// installation is looked for in its own folder, as the sign-in does
// (ConexionIlegible), and registered again once its user is let in.
//
// The e-mail and password given own the businesses created. A business that
// already exists takes vouchers only under one of its users: the e-mail must
// be a user of that business and the password its own, and a deleted
// business takes none, nor is it created again (Credenciales::acceso);
// otherwise its RFC fails, with the reason, for the
// whole job. A registry that cannot be read fails the RFC too, rather than
// reading as one without it.
//
// Nothing here reads or changes the signed-in session.
class TNegociosImportacion {
public:
    // An open embedded database costs about 8 MB (its page cache and
    // metadata) and a few file descriptors (the file and its lock tables):
    // 300 issuers kept open took 2.34 GB, and a limit of 256 open files ran
    // out. The files of one issuer usually lie together, so a few suffice to
    // keep reusing connections while the files of several issuers are
    // interleaved; with one set per thread (four at most) an import stays
    // within about 300 MB and a hundred descriptors however many issuers it
    // meets. A batch commits before it would hold work on more databases
    // than this (TLoteImportacion), so the limit can always be kept.
    static constexpr int ABIERTOS = 8;

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
    // with the same EVelkor, for the rest of the job, without another try;
    // unless the connection to its server dropped meanwhile (sinConexion()).
    const TNegocioImportado& negocio(const QString& rfc, const std::function<TEmisor()>& emisor);

    // The business of `rfc` when the registry has it, never created: nullptr
    // for an RFC the registry does not know. Raises as negocio() does for a
    // business that cannot be used.
    const TNegocioImportado* existente(const QString& rfc);
    // Whether the registry has a business with that RFC; nothing is opened.
    bool conoce(const QString& rfc);

    // Businesses created from now on get a database of their own on the
    // server `servidor` reaches (its database field: the folder on a
    // Firebird server) instead of a file in this program folder.
    void setServidorNuevos(const TConexionSesion& servidor) { m_servidorNuevos = servidor; }

    // The servers given up, shared with the job's other importers; each
    // importer keeps its own until it is given one.
    void setAusentes(std::shared_ptr<TServidoresAusentes> ausentes) { m_ausentes = std::move(ausentes); }

    // The business of `rfc` as this job resolved it, never opened nor
    // created here: nullptr when it was not met or failed.
    const TNegocioImportado* resuelto(const QString& rfc) const;

    // A connection to a server drops (a brief network cut, the server
    // restarted) and takes with it this thread's work in its transaction and
    // the import's hold on the business. Whether that happened to the
    // database of `conexion`: the connection or the hold is gone.
    bool perdida(const TConexionSesion& conexion);
    // Opens the connection again and takes the hold back, trying INTENTOS
    // times ESPERA_MS apart. When the server stays out of reach, every
    // business of this job on it is given up (its later files fail at once,
    // without another wait), and when another workstation took the business
    // meanwhile, that business is: both raise EServidorAusente.
    void recupera(const TConexionSesion& conexion);
    // Before work begins on a database: a hold lost since it was taken is
    // taken back first (recupera), so nothing is written without it.
    void vigila(const TConexionSesion& conexion);
    // Whether the hold on the business of `conexion` is still this job's (or
    // none is needed): checked right before a commit, since the hold's own
    // connection may drop while the batch is written on another one.
    bool apartada(const TConexionSesion& conexion);
    // Whether the last file of `rfc` failed only because the connection to
    // its server dropped while its business was being opened: the next file
    // of the issuer opens it again.
    bool sinConexion(const QString& rfc) const;
    // After INTENTOS tries to open the business of `rfc` whose connection
    // dropped: its files fail for the rest of the job, as do those of every
    // business on its server not opened yet, without a try of their own.
    // Why, for the file.
    QString abandona(const QString& rfc);
    // Why a file failed because its server did not come back; `donde` says
    // which ("del negocio ...").
    static QString perdidaDuradera(const QString& donde);
    static constexpr int INTENTOS = 10;
    static constexpr int ESPERA_MS = 1000;

    int creados() const { return m_creados; }
    // The businesses whose databases are open now (at most ABIERTOS, one
    // more while every other one holds uncommitted work).
    int abiertos() const { return static_cast<int>(m_abiertos.size()); }

    // Called with the connection of each database closed, so what depends
    // on it (records cached for it) can go too.
    void setAlCerrar(std::function<void(const TConexionSesion&)> alCerrar) { m_alCerrar = std::move(alCerrar); }

private:
    TNegocioImportado abre(const QString& rfc, const QString& escrito, const std::function<TEmisor()>& emisor);
    void lee(const QString& rfc, QStringList& detalle) const;
    TNegocioImportado registrado(const QString& rfc, const QStringList& detalle);
    void abreRegistrado(TNegocioImportado& resultado, bool enSuCarpeta);
    TNegocioImportado crea(const QString& rfc, const TEmisor& emisor);
    TNegocioImportado creaEnServidor(const QString& rfc, const NuevoNegocio::TDatos& datos);
    void bloquea(const TNegocioImportado& negocio);
    void quitaRestoDeCreacion(const QString& nombre, const QString& rfc);
    void usa(const QString& rfc);
    void cierraSobrantes(const QString& enUso);
    // The RFC whose hold covers that database; empty when none does.
    QString rfcDelCandado(const TConexionSesion& conexion) const;
    // The business's files fail with `motivo` from now on; those of every
    // business of the job on the server of `conexion`.
    void renuncia(const QString& rfc, const QString& motivo);
    void renunciaServidor(const TConexionSesion& conexion, const QString& motivo);
    static QString servidorDe(const TConexionSesion& conexion);

    struct TEntrada;
    TBaseDatosLocalFrm& m_registro;
    QString m_email;
    QString m_password;
    QString m_passwordGuardado; // its hash, made for the first business created
    QByteArray m_plantilla;
    QByteArray m_logo;
    QHash<QString, std::shared_ptr<TEntrada>> m_negocios;
    QHash<QString, bool> m_conocidos;
    QList<QString> m_abiertos; // RFCs whose database is open, least recently used first
    std::function<void(const TConexionSesion&)> m_alCerrar;
    int m_creados = 0;
    TConexionSesion m_servidorNuevos;
    // The server-held locks of the businesses on a server this job uses.
    QHash<QString, std::shared_ptr<TCandadoServidor>> m_candados;
    QSet<QString> m_porConexion; // sinConexion()
    // Servers that did not come back after a cut (servidorDe), and why.
    std::shared_ptr<TServidoresAusentes> m_ausentes = std::make_shared<TServidoresAusentes>();
    // Where the registry says each business on a server is, read before it
    // is opened: what abandona() gives up.
    QHash<QString, TConexionSesion> m_guardadas;
};

#pragma once
#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QSqlDatabase;
class TCadenaConexion;

// The local registry of businesses: a SQLite file in the program folder
// (program folder + DB_PATH + RS_USRDB + ".db", worked out on every call) with
// the tables NegocioLoggin (nombre, rfc, estatus: 0 active, 1 disabled) and
// Conexion (the enciphered connection string of each registration).
//
// Every operation opens its own connection in the calling thread and closes
// it before returning, one operation at a time, so the UI thread and a worker
// thread may both call it. Errors of the readings never reach the caller:
// getNumeroEmpresas logs them and returns 0, the others roll back silently
// and return what they had gathered. The writings report theirs, logged: a
// business whose registration was lost would vanish from the sign-in. A
// cause handed back in `error` is for the user: plain Spanish, written to
// follow "Causa:" or a colon, without a final period; the engine's own
// words go only to the log. A
// missing registry file is an error like any other (it is never created
// here; the start-up writes the shipped one).
//
// The holder keeps no state: the program uses one, registroLocal(), which
// the start-up also makes reachable to the windows as BaseDatosLocalFrm.
class TBaseDatosLocalFrm : public QObject {
    Q_OBJECT
public:
    explicit TBaseDatosLocalFrm(QObject* parent = nullptr);

    // Active businesses.
    int getNumeroEmpresas();
    // One line per active business: rfc|nombre.
    QStringList getEmpresas();
    // The RFCs of the active businesses, as registered.
    QSet<QString> rfcs();
    // One line per active business: RFC|NOMBRE|stored connection string.
    QStringList getEmpresasDetalle();
    // The same into `empresas`, telling a registry that could not be read
    // (another program holds it locked, a table is damaged) from one with no
    // active business: false then, the cause in `error` when given. A caller
    // that would replace the registry with what it read must ask this way.
    bool leeEmpresasDetalle(QStringList& empresas, QString* error = nullptr);
    // rfc, nombre, stored connection string of the last registration of that
    // RFC, active or not; empty when none.
    QStringList getEmpresaDetalle(const QString& rfc);
    // The same into `detalle`, telling a registry that could not be read
    // (another program holds it, it is damaged) from an RFC it does not
    // hold: false then, the cause in `error` when given. A caller that
    // would create the business of an RFC not found must ask this way.
    bool leeEmpresaDetalle(const QString& rfc, QStringList& detalle, QString* error = nullptr);
    // The stored connection string of the last registration of that RFC,
    // active or not, into `salida` and as the result; empty when none.
    QString getStringConexionByRfc(const QString& rfc, QString& salida);
    // Registration array: 0 e-mail (not stored), 1 name, 2 RFC, 3 to 8 the
    // connection fields. Adds an active entry, even for a known RFC. Both rows
    // are written or neither. A connection field that holds the separator is
    // refused before anything is written: ECadenaConexion reaches the caller,
    // whose message it is to show. A registry that cannot be written gives
    // false, logged, with the cause in `error` when given: a caller that
    // creates a business must then not go on as if it were registered.
    bool usuarioLogginInsert(const QStringList& registro, QString* error = nullptr);
    // Disables every registration of that RFC; true also when none matched,
    // false (logged, the cause in `error` when given) when the registry
    // could not be written.
    bool deshabilitaEstatusEmpresa(const QString& rfc, QString* error = nullptr);
    // Gives the RFC one active registration, named `nombre`, that leads to
    // `cadena` (enciphered under the installation's key), in one
    // transaction: the registration getEmpresaDetalle reads is rewritten and
    // made active, every other one of the RFC disabled. Either all of it is
    // written or nothing is, so the business never leaves the list half way.
    // False (logged, the cause in `error` when given) when the registry
    // could not be written or holds no registration of the RFC; a field the
    // string cannot hold raises ECadenaConexion, as in usuarioLogginInsert.
    bool reemplazaConexion(const QString& rfc, const QString& nombre, const TCadenaConexion& cadena,
                           QString* error = nullptr);
    // Rewrites under the installation's key every connection string an
    // earlier version stored in the program-wide cipher, all in one
    // transaction. The number rewritten; -1 (logged) when the registry could
    // not be read or written. Strings that do not decipher stay as they are.
    int migraCadenas();

    // Password-recovery keys and the wrong keys typed on this computer, kept
    // beside the registrations in the tables ClaveRecuperacion and
    // IntentoRecuperacion. Older registries lack them: each operation creates
    // them when missing, and esLegible does not ask for them. A key is kept
    // only as its hash (`huella`), with its e-mail as the caller compares it,
    // its expiry and
    // its state; times are seconds since the epoch and come from the caller.
    // These operations make the registry file its owner's only. Each answers
    // false (logged) when the registry could not be read or written.
    enum class TEstadoClave { Vigente = 0, Usada = 1, Anulada = 2 };
    struct TClaveRecuperacion {
        QString email;
        qint64 vence = 0;
        TEstadoClave estado = TEstadoClave::Vigente;
    };
    // Keeps a new key valid until `vence` and voids every valid key of the
    // same e-mail, in one step; keys that expired before `olvidaAntes` are
    // forgotten.
    bool guardaClaveRecuperacion(const QString& huella, const QString& email, qint64 vence, qint64 olvidaAntes);
    // The key of that hash into `clave`, or nothing when there is none.
    bool leeClaveRecuperacion(const QString& huella, std::optional<TClaveRecuperacion>& clave);
    // Marks the key of `email` used when it is still valid at `ahora`, in one
    // step, so two programs never both use it; `usada` tells whether it was.
    bool usaClaveRecuperacion(const QString& huella, const QString& email, qint64 ahora, bool& usada);
    // Makes a used key valid again, for a use that did not go through.
    bool devuelveClaveRecuperacion(const QString& huella);
    // Notes a wrong key typed at `momento`; notes older than `olvidaAntes`
    // are forgotten.
    bool anotaIntentoRecuperacion(qint64 momento, qint64 olvidaAntes);
    // The moments of the wrong keys noted after `desde`, latest first.
    bool leeIntentosRecuperacion(qint64 desde, QList<qint64>& momentos);

    // The registry file of the current program folder.
    static QString archivoRegistro();
    // The business databases kept in a program folder (one in each folder
    // of DB_PATH, under its current name or an earlier version's), in
    // folder-name order, whether the registry lists them or not.
    static QStringList basesDatos(const QString& carpetaPrograma);
    // What a look at the registry file `archivo` finds. Legible: a SQLite
    // database that passes its own check and holds both tables with their
    // columns. Ocupado: another process holds it locked, which says nothing
    // of its state. SinPermiso: this user may not read it, or may not write
    // the rollback of a write that was cut short. Danado: truncated, not a
    // database, malformed or without its tables. A write cut short (a
    // journal left beside it) is rolled back by SQLite during the look, as
    // at any other opening: its file is then Legible.
    enum class TEstadoRegistro { Legible, Faltante, Ocupado, SinPermiso, Danado };
    static TEstadoRegistro revisa(const QString& archivo);
    // Whether `archivo` reads as a registry (revisa gives Legible), or is
    // held locked by another process.
    static bool esLegible(const QString& archivo);
    // Sets the registry file of the current program folder aside, under a
    // dated name in its folder ("Usuarios.danado-<fecha>.db"), with its
    // journal files under the same name, and puts a new one in its place:
    // `vacio` (the shipped empty registry) or, without it, a file with just
    // the two tables. Returns the name the old file got.
    // Raises EEntradaSalida when the old file cannot be moved or the new one
    // written (then the old one is back in place).
    static QString reemplazaRegistro(const QByteArray& vacio);
    // Creates the two tables in `archivo` (the file is created when missing).
    // Raises EBaseDatos. Needs no window: the build makes the shipped empty
    // registry with it.
    static void creaTablas(const QString& archivo);

private:
    // Runs `trabajo` on a fresh connection to the registry. Returns false when
    // it failed; the error is then logged when `registraError` is set and
    // its message put in `error` when given.
    bool opera(const std::function<void(QSqlDatabase&)>& trabajo, bool registraError, QString* error = nullptr);
    // opera for the recovery tables: one transaction, the tables made first.
    bool operaRecuperacion(const std::function<void(QSqlDatabase&)>& trabajo);
};

// The program's registry holder, made on first use, from any thread.
TBaseDatosLocalFrm& registroLocal();

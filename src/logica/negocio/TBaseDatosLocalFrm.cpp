#include "TBaseDatosLocalFrm.h"

#include "Archivos.h"
#include "Constantes.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Rutas.h"
#include "Sistema.h"
#include "Secretos.h"
#include "TCadenaConexion.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <atomic>
#include <exception>

namespace {

const QString SQL_ACTIVAS = QStringLiteral("SELECT * FROM NegocioLoggin WHERE estatus=0;");
const QString SQL_DETALLE_ACTIVAS =
    QStringLiteral("SELECT nl.RFC, nl.NOMBRE, co.STRINGCONEXION FROM NegocioLoggin AS nl, Conexion AS co "
                   "WHERE nl.estatus = 0 AND nl.idNegocioLoggin = co.idNegocioLogginFk;");
// The last row read is the one kept: the latest registration, whatever
// order the engine's plan would give.
const QString SQL_DETALLE_RFC = QStringLiteral("SELECT Neg.*, Con.* FROM NegocioLoggin AS Neg, Conexion AS Con "
                                               "WHERE rfc=:rfc AND Neg.idNegocioLoggin = Con.idNegocioLogginFk"
                                               " ORDER BY Neg.idNegocioLoggin, Con.idConexion;");
const QString SQL_CONEXION_RFC = QStringLiteral("SELECT Con.stringConexion FROM NegocioLoggin AS Neg, Conexion AS Con "
                                                "WHERE Neg.rfc=:rfc AND Neg.idNegocioLoggin = Con.idNegocioLogginFk"
                                                " ORDER BY Neg.idNegocioLoggin, Con.idConexion;");
const QString SQL_INSERTA_NEGOCIO =
    QStringLiteral("INSERT INTO NegocioLoggin (nombre, rfc, estatus) VALUES (:nombre, :rfc, :estatus)");
const QString SQL_INSERTA_CONEXION = QStringLiteral(
    "INSERT INTO Conexion (stringConexion, idNegocioLogginFk) VALUES (:stringConexion, :idNegocioLogginFk)");
const QString SQL_DESHABILITA = QStringLiteral("UPDATE NegocioLoggin SET Estatus = 1 WHERE rfc=:rfc;");
// The registration getEmpresaDetalle ends on: the last one written.
const QString SQL_ULTIMA_RFC =
    QStringLiteral("SELECT MAX(Neg.idNegocioLoggin) FROM NegocioLoggin AS Neg, Conexion AS Con "
                   "WHERE Neg.rfc=:rfc AND Neg.idNegocioLoggin = Con.idNegocioLogginFk;");
const QString SQL_CAMBIA_CONEXION =
    QStringLiteral("UPDATE Conexion SET stringConexion=:stringConexion WHERE idNegocioLogginFk=:id;");
const QString SQL_DEJA_UNA = QStringLiteral("UPDATE NegocioLoggin SET nombre=:nombre, "
                                            "estatus=CASE WHEN idNegocioLoggin=:id THEN 0 ELSE 1 END WHERE rfc=:rfc;");
// Every column the operations read or write, so a file that lacks one is
// found at the start rather than at a sign-in.
const QString SQL_LEE_NEGOCIO =
    QStringLiteral("SELECT idNegocioLoggin, nombre, rfc, estatus FROM NegocioLoggin LIMIT 1");
const QString SQL_LEE_CONEXION = QStringLiteral("SELECT stringConexion, idNegocioLogginFk FROM Conexion LIMIT 1");

const QString SQL_TABLA_NEGOCIO =
    QStringLiteral("CREATE TABLE IF NOT EXISTS NegocioLoggin ("
                   "idNegocioLoggin INTEGER PRIMARY KEY AUTOINCREMENT, nombre TEXT, rfc TEXT, estatus INTEGER)");
const QString SQL_TABLA_CONEXION =
    QStringLiteral("CREATE TABLE IF NOT EXISTS Conexion ("
                   "idConexion INTEGER PRIMARY KEY AUTOINCREMENT, stringConexion TEXT, "
                   "idNegocioLogginFk INTEGER REFERENCES NegocioLoggin(idNegocioLoggin))");

// Recovery keys live in the registry rather than in a file of their own: it
// is already the computer's owner-only SQLite file, one operation at a time
// in the process and locked by SQLite between processes, so a key is used
// once even with two copies of the program open, and nothing new needs
// guarding or cleaning up. The tables come on first use: registries written
// before them, and the shipped empty one, stay valid as they are.
const QString SQL_TABLA_CLAVE =
    QStringLiteral("CREATE TABLE IF NOT EXISTS ClaveRecuperacion ("
                   "idClaveRecuperacion INTEGER PRIMARY KEY AUTOINCREMENT, huella TEXT NOT NULL UNIQUE, "
                   "email TEXT NOT NULL, vence INTEGER NOT NULL, estado INTEGER NOT NULL)");
const QString SQL_TABLA_INTENTO =
    QStringLiteral("CREATE TABLE IF NOT EXISTS IntentoRecuperacion ("
                   "idIntentoRecuperacion INTEGER PRIMARY KEY AUTOINCREMENT, momento INTEGER NOT NULL)");
const QString SQL_ANULA_CLAVES =
    QStringLiteral("UPDATE ClaveRecuperacion SET estado=:anulada WHERE email=:email AND estado=:vigente");
const QString SQL_OLVIDA_CLAVES = QStringLiteral("DELETE FROM ClaveRecuperacion WHERE vence<:antes");
const QString SQL_INSERTA_CLAVE = QStringLiteral(
    "INSERT INTO ClaveRecuperacion (huella, email, vence, estado) VALUES (:huella, :email, :vence, :estado)");
const QString SQL_LEE_CLAVE = QStringLiteral("SELECT email, vence, estado FROM ClaveRecuperacion WHERE huella=:huella");
const QString SQL_USA_CLAVE =
    QStringLiteral("UPDATE ClaveRecuperacion SET estado=:usada "
                   "WHERE huella=:huella AND email=:email AND estado=:vigente AND vence>:ahora");
const QString SQL_DEVUELVE_CLAVE =
    QStringLiteral("UPDATE ClaveRecuperacion SET estado=:vigente WHERE huella=:huella AND estado=:usada");
const QString SQL_INSERTA_INTENTO = QStringLiteral("INSERT INTO IntentoRecuperacion (momento) VALUES (:momento)");
const QString SQL_OLVIDA_INTENTOS = QStringLiteral("DELETE FROM IntentoRecuperacion WHERE momento<:antes");
const QString SQL_LEE_INTENTOS =
    QStringLiteral("SELECT momento FROM IntentoRecuperacion WHERE momento>:desde ORDER BY momento DESC");

// One operation at a time in the whole process, whichever holder runs it.
QMutex candadoRegistro;

// A Qt connection belongs to the thread that made it, so every operation
// makes its own under a name no other operation or thread is using.
QString nuevoNombreConexion()
{
    static std::atomic<quint64> serie{0};
    return QStringLiteral("registro-negocios-%1").arg(++serie);
}

// What a SQLite failure means to the user, from its result code: the
// engine's own text is English. Only the primary code (the low byte) tells
// the cause; the extended one adds detail.
enum class TCausa { Ocupado, SinPermiso, Disco, Danado, Otra };

TCausa causaDe(const QSqlError& error)
{
    switch (error.nativeErrorCode().toInt() & 0xff) {
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return TCausa::Ocupado;
    case 3:  // SQLITE_PERM
    case 8:  // SQLITE_READONLY, also a journal this user cannot roll back
    case 14: // SQLITE_CANTOPEN
    case 23: // SQLITE_AUTH
        return TCausa::SinPermiso;
    case 10: // SQLITE_IOERR
    case 13: // SQLITE_FULL
        return TCausa::Disco;
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return TCausa::Danado;
    default:
        return TCausa::Otra;
    }
}

QString textoCausa(TCausa causa)
{
    switch (causa) {
    case TCausa::Ocupado:
        return QStringLiteral("otro programa está usando el registro de empresas de este equipo; espera a que "
                              "termine o ciérralo y vuelve a intentarlo");
    case TCausa::SinPermiso:
        return QStringLiteral("no tienes permiso para escribir en el registro de empresas de este equipo; pide "
                              "permiso a quien administra este equipo");
    case TCausa::Disco:
        return QStringLiteral("el disco no aceptó la escritura; revisa el espacio libre");
    case TCausa::Danado:
        return QStringLiteral("el registro de empresas de este equipo está dañado; al volver a abrir el programa "
                              "se aparta y se puede reconstruir");
    case TCausa::Otra:
        break;
    }
    return QStringLiteral("el registro de empresas de este equipo no lo aceptó (el detalle está en la bitácora del "
                          "programa)");
}

// The cause in Spanish for whoever shows it; the engine's words, which
// support staff read, only reach the log.
class EFallaRegistro : public EBaseDatos {
public:
    explicit EFallaRegistro(const QSqlError& error)
        : EBaseDatos(textoCausa(causaDe(error))),
          m_motor(QStringLiteral("(código %1: %2)").arg(error.nativeErrorCode(), error.text()))
    {
    }
    QString motor() const { return m_motor; }

private:
    QString m_motor;
};

[[noreturn]] void falla(const QSqlError& error)
{
    throw EFallaRegistro(error);
}

QString paraBitacora(const std::exception& e)
{
    const auto* registro = dynamic_cast<const EFallaRegistro*>(&e);
    return registro ? Errores::describe(e) + QLatin1Char(' ') + registro->motor() : Errores::describe(e);
}

// Qt's own BEGIN and COMMIT drop the result code from their error, and a
// full disk most often shows at the commit.
void empieza(QSqlDatabase& db)
{
    QSqlQuery consulta(db);
    if (!consulta.exec(QStringLiteral("BEGIN")))
        falla(consulta.lastError());
}

void confirma(QSqlDatabase& db)
{
    QSqlQuery consulta(db);
    if (!consulta.exec(QStringLiteral("COMMIT")))
        falla(consulta.lastError());
}

QSqlQuery prepara(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery consulta(db);
    if (!consulta.prepare(sql))
        falla(consulta.lastError());
    return consulta;
}

void ejecuta(QSqlQuery& consulta)
{
    if (!consulta.exec())
        falla(consulta.lastError());
}

// Walks every row; an error while stepping is raised after the rows read.
void recorre(QSqlQuery& consulta, const std::function<void()>& fila)
{
    while (consulta.next())
        fila();
    if (consulta.lastError().isValid())
        falla(consulta.lastError());
}

QString texto(const QSqlQuery& consulta, const QString& columna)
{
    const int indice = consulta.record().indexOf(columna);
    if (indice < 0)
        throw EBaseDatos(
            QStringLiteral("el registro de empresas de este equipo no tiene la columna \"%1\"").arg(columna));
    return consulta.value(indice).toString();
}

// The connection is made, used and removed inside the caller's scope.
template <typename Trabajo> void conConexion(const QString& archivo, Trabajo&& trabajo)
{
    const QString nombre = nuevoNombreConexion();
    std::exception_ptr error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nombre);
        db.setDatabaseName(archivo);
        try {
            trabajo(db);
        } catch (...) {
            error = std::current_exception();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(nombre);
    if (error)
        std::rethrow_exception(error);
}

} // namespace

TBaseDatosLocalFrm::TBaseDatosLocalFrm(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("BaseDatosLocalFrm"));
}

TBaseDatosLocalFrm& registroLocal()
{
    // Never destroyed: a worker thread may still be registering a business
    // while the process ends.
    static TBaseDatosLocalFrm* const unico = new TBaseDatosLocalFrm();
    return *unico;
}

QString TBaseDatosLocalFrm::archivoRegistro()
{
    return Rutas::programa({Constantes::DB_PATH, Constantes::RS_USRDB + QStringLiteral(".db")});
}

QStringList TBaseDatosLocalFrm::basesDatos(const QString& carpetaPrograma)
{
    QStringList bases;
    const QDir carpeta(carpetaPrograma + Constantes::DB_PATH);
    // Hidden folders (a restore's replaced folder) are not businesses.
    for (const QFileInfo& negocio : carpeta.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        for (const QString& nombre : {Constantes::DB_SISTEMA_NOMBRE, Constantes::DB_SISTEMA_NOMBRE_ANTERIOR}) {
            const QString ruta = negocio.absoluteFilePath() + QLatin1Char('/') + nombre;
            if (QFileInfo(ruta).isFile()) {
                bases << ruta;
                break;
            }
        }
    }
    return bases;
}

void TBaseDatosLocalFrm::creaTablas(const QString& archivo)
{
    conConexion(archivo, [](QSqlDatabase& db) {
        try {
            if (!db.open())
                falla(db.lastError());
            empieza(db);
            QSqlQuery negocio = prepara(db, SQL_TABLA_NEGOCIO);
            ejecuta(negocio);
            QSqlQuery conexion = prepara(db, SQL_TABLA_CONEXION);
            ejecuta(conexion);
            negocio.finish();
            conexion.finish();
            confirma(db);
        } catch (const EFallaRegistro& e) {
            db.rollback();
            // Its callers log only the Spanish cause; without a program
            // folder there is no log.
            if (!Sistema::exePath.isEmpty())
                Logmanager::Log(paraBitacora(e), 1, Sistema::exePath);
            throw;
        } catch (...) {
            db.rollback();
            throw;
        }
    });
}

bool TBaseDatosLocalFrm::opera(const std::function<void(QSqlDatabase&)>& trabajo, bool registraError, QString* error)
{
    QMutexLocker candado(&candadoRegistro);
    const QString archivo = archivoRegistro();
    bool correcto = true;
    conConexion(archivo, [&](QSqlDatabase& db) {
        try {
            // Opening a missing file would create an empty one, and the start-up
            // would then never write the real registry there.
            if (!QFileInfo(archivo).isFile())
                throw EBaseDatos(
                    QStringLiteral("no se encontró el registro de empresas de este equipo (%1)").arg(archivo));
            if (!db.open())
                falla(db.lastError());
            trabajo(db);
        } catch (const std::exception& e) {
            correcto = false;
            if (db.isOpen())
                db.rollback();
            if (registraError)
                Logmanager::Log(paraBitacora(e), 1, Sistema::exePath);
            if (error)
                *error = QString::fromUtf8(e.what());
        } catch (...) {
            correcto = false;
            if (db.isOpen())
                db.rollback();
            const EVelkor desconocido(QStringLiteral("error desconocido en el registro de empresas de este equipo"));
            if (registraError)
                Logmanager::Log(Errores::describe(desconocido), 1, Sistema::exePath);
            if (error)
                *error = desconocido.mensaje();
        }
    });
    return correcto;
}

int TBaseDatosLocalFrm::getNumeroEmpresas()
{
    int numero = 0;
    opera(
        [&](QSqlDatabase& db) {
            QSqlQuery consulta = prepara(db, SQL_ACTIVAS);
            ejecuta(consulta);
            int filas = 0;
            recorre(consulta, [&] { ++filas; });
            numero = filas;
        },
        true);
    return numero;
}

QStringList TBaseDatosLocalFrm::getEmpresas()
{
    QStringList empresas;
    opera(
        [&](QSqlDatabase& db) {
            QSqlQuery consulta = prepara(db, SQL_ACTIVAS);
            ejecuta(consulta);
            recorre(consulta, [&] {
                empresas << texto(consulta, QStringLiteral("rfc")) + QLatin1Char('|') +
                                texto(consulta, QStringLiteral("nombre"));
            });
        },
        false);
    return empresas;
}

QSet<QString> TBaseDatosLocalFrm::rfcs()
{
    QSet<QString> resultado;
    for (const QString& empresa : getEmpresas())
        resultado.insert(empresa.section(QLatin1Char('|'), 0, 0));
    return resultado;
}

QStringList TBaseDatosLocalFrm::getEmpresasDetalle()
{
    QStringList empresas;
    leeEmpresasDetalle(empresas);
    return empresas;
}

bool TBaseDatosLocalFrm::leeEmpresasDetalle(QStringList& empresas, QString* error)
{
    empresas.clear();
    return opera(
        [&](QSqlDatabase& db) {
            QSqlQuery consulta = prepara(db, SQL_DETALLE_ACTIVAS);
            ejecuta(consulta);
            recorre(consulta, [&] {
                empresas << texto(consulta, QStringLiteral("RFC")) + QLatin1Char('|') +
                                texto(consulta, QStringLiteral("NOMBRE")) + QLatin1Char('|') +
                                texto(consulta, QStringLiteral("STRINGCONEXION"));
            });
        },
        false, error);
}

QStringList TBaseDatosLocalFrm::getEmpresaDetalle(const QString& rfc)
{
    QStringList detalle;
    leeEmpresaDetalle(rfc, detalle);
    return detalle;
}

bool TBaseDatosLocalFrm::leeEmpresaDetalle(const QString& rfc, QStringList& detalle, QString* error)
{
    detalle.clear();
    return opera(
        [&](QSqlDatabase& db) {
            QSqlQuery consulta = prepara(db, SQL_DETALLE_RFC);
            consulta.bindValue(QStringLiteral(":rfc"), rfc);
            ejecuta(consulta);
            recorre(consulta, [&] {
                detalle.clear();
                detalle << texto(consulta, QStringLiteral("rfc")) << texto(consulta, QStringLiteral("nombre"))
                        << texto(consulta, QStringLiteral("stringConexion"));
            });
        },
        false, error);
}

QString TBaseDatosLocalFrm::getStringConexionByRfc(const QString& rfc, QString& salida)
{
    salida.clear();
    opera(
        [&](QSqlDatabase& db) {
            QSqlQuery consulta = prepara(db, SQL_CONEXION_RFC);
            consulta.bindValue(QStringLiteral(":rfc"), rfc);
            ejecuta(consulta);
            recorre(consulta, [&] { salida = texto(consulta, QStringLiteral("stringConexion")); });
        },
        false);
    return salida;
}

bool TBaseDatosLocalFrm::usuarioLogginInsert(const QStringList& registro, QString* error)
{
    // Outside the operation, whose errors are swallowed: a field the string
    // cannot hold is the caller's to show, not a registration silently lost.
    const QString almacenada = TCadenaConexion::deRegistro(registro).guardada();
    return opera(
        [&](QSqlDatabase& db) {
            // One transaction: an entry without its connection string would be
            // listed for sign-in and then fail.
            empieza(db);
            QSqlQuery negocio = prepara(db, SQL_INSERTA_NEGOCIO);
            negocio.bindValue(QStringLiteral(":nombre"), registro.value(1));
            negocio.bindValue(QStringLiteral(":rfc"), registro.value(2));
            negocio.bindValue(QStringLiteral(":estatus"), 0);
            ejecuta(negocio);
            const QVariant identidad = negocio.lastInsertId();
            if (!identidad.isValid())
                throw EBaseDatos(
                    QStringLiteral("el registro de empresas de este equipo no dio el número de la empresa registrada"));
            const qint32 id = identidad.toInt();
            negocio.finish();

            QSqlQuery conexion = prepara(db, SQL_INSERTA_CONEXION);
            conexion.bindValue(QStringLiteral(":stringConexion"), almacenada);
            conexion.bindValue(QStringLiteral(":idNegocioLogginFk"), id);
            ejecuta(conexion);
            conexion.finish();
            confirma(db);
        },
        true, error);
}

bool TBaseDatosLocalFrm::deshabilitaEstatusEmpresa(const QString& rfc, QString* error)
{
    return opera(
        [&](QSqlDatabase& db) {
            QSqlQuery consulta = prepara(db, SQL_DESHABILITA);
            consulta.bindValue(QStringLiteral(":rfc"), rfc);
            ejecuta(consulta);
        },
        true, error);
}

bool TBaseDatosLocalFrm::reemplazaConexion(const QString& rfc, const QString& nombre, const TCadenaConexion& cadena,
                                           QString* error)
{
    // Outside the operation, as in usuarioLogginInsert.
    const QString almacenada = cadena.guardada();
    return opera(
        [&](QSqlDatabase& db) {
            empieza(db);
            QSqlQuery ultima = prepara(db, SQL_ULTIMA_RFC);
            ultima.bindValue(QStringLiteral(":rfc"), rfc);
            ejecuta(ultima);
            if (!ultima.next() || ultima.isNull(0))
                throw EBaseDatos(
                    QStringLiteral("el registro de empresas de este equipo no tiene a la empresa %1").arg(rfc));
            const qint64 id = ultima.value(0).toLongLong();
            ultima.finish();

            QSqlQuery conexion = prepara(db, SQL_CAMBIA_CONEXION);
            conexion.bindValue(QStringLiteral(":stringConexion"), almacenada);
            conexion.bindValue(QStringLiteral(":id"), id);
            ejecuta(conexion);
            QSqlQuery negocio = prepara(db, SQL_DEJA_UNA);
            negocio.bindValue(QStringLiteral(":nombre"), nombre);
            negocio.bindValue(QStringLiteral(":id"), id);
            negocio.bindValue(QStringLiteral(":rfc"), rfc);
            ejecuta(negocio);
            conexion.finish();
            negocio.finish();
            confirma(db);
        },
        true, error);
}

int TBaseDatosLocalFrm::migraCadenas()
{
    int migradas = 0;
    const bool correcto = opera(
        [&](QSqlDatabase& db) {
            empieza(db);
            QList<QPair<qint64, QString>> nuevas;
            QSqlQuery consulta = prepara(db, QStringLiteral("SELECT idConexion, stringConexion FROM Conexion"));
            ejecuta(consulta);
            recorre(consulta, [&] {
                const QString guardada = texto(consulta, QStringLiteral("stringConexion"));
                if (!Secretos::esFormaAntigua(guardada))
                    return;
                const TCadenaConexion cadena = TCadenaConexion::deGuardada(guardada);
                if (cadena.legible())
                    nuevas.append({consulta.value(0).toLongLong(), cadena.guardada()});
            });
            consulta.finish();
            for (const auto& [id, guardada] : nuevas) {
                QSqlQuery cambio =
                    prepara(db, QStringLiteral("UPDATE Conexion SET stringConexion = :cadena WHERE idConexion = :id"));
                cambio.bindValue(QStringLiteral(":cadena"), guardada);
                cambio.bindValue(QStringLiteral(":id"), id);
                ejecuta(cambio);
            }
            confirma(db);
            migradas = int(nuevas.size());
        },
        true);
    return correcto ? migradas : -1;
}

bool TBaseDatosLocalFrm::operaRecuperacion(const std::function<void(QSqlDatabase&)>& trabajo)
{
    return opera(
        [&](QSqlDatabase& db) {
            // A registry written before files were kept private, or copied in
            // by hand, would let other users read whom a key was sent to.
            Archivos::hazPrivado(archivoRegistro());
            empieza(db);
            for (const QString& sql : {SQL_TABLA_CLAVE, SQL_TABLA_INTENTO}) {
                QSqlQuery tabla = prepara(db, sql);
                ejecuta(tabla);
            }
            trabajo(db);
            confirma(db);
        },
        true);
}

bool TBaseDatosLocalFrm::guardaClaveRecuperacion(const QString& huella, const QString& email, qint64 vence,
                                                 qint64 olvidaAntes)
{
    return operaRecuperacion([&](QSqlDatabase& db) {
        QSqlQuery olvida = prepara(db, SQL_OLVIDA_CLAVES);
        olvida.bindValue(QStringLiteral(":antes"), olvidaAntes);
        ejecuta(olvida);
        QSqlQuery anula = prepara(db, SQL_ANULA_CLAVES);
        anula.bindValue(QStringLiteral(":anulada"), int(TEstadoClave::Anulada));
        anula.bindValue(QStringLiteral(":email"), email);
        anula.bindValue(QStringLiteral(":vigente"), int(TEstadoClave::Vigente));
        ejecuta(anula);
        QSqlQuery inserta = prepara(db, SQL_INSERTA_CLAVE);
        inserta.bindValue(QStringLiteral(":huella"), huella);
        inserta.bindValue(QStringLiteral(":email"), email);
        inserta.bindValue(QStringLiteral(":vence"), vence);
        inserta.bindValue(QStringLiteral(":estado"), int(TEstadoClave::Vigente));
        ejecuta(inserta);
    });
}

bool TBaseDatosLocalFrm::leeClaveRecuperacion(const QString& huella, std::optional<TClaveRecuperacion>& clave)
{
    clave.reset();
    return operaRecuperacion([&](QSqlDatabase& db) {
        QSqlQuery consulta = prepara(db, SQL_LEE_CLAVE);
        consulta.bindValue(QStringLiteral(":huella"), huella);
        ejecuta(consulta);
        recorre(consulta, [&] {
            clave = TClaveRecuperacion{consulta.value(0).toString(), consulta.value(1).toLongLong(),
                                       TEstadoClave(consulta.value(2).toInt())};
        });
    });
}

bool TBaseDatosLocalFrm::usaClaveRecuperacion(const QString& huella, const QString& email, qint64 ahora, bool& usada)
{
    usada = false;
    return operaRecuperacion([&](QSqlDatabase& db) {
        QSqlQuery consulta = prepara(db, SQL_USA_CLAVE);
        consulta.bindValue(QStringLiteral(":usada"), int(TEstadoClave::Usada));
        consulta.bindValue(QStringLiteral(":huella"), huella);
        consulta.bindValue(QStringLiteral(":email"), email);
        consulta.bindValue(QStringLiteral(":vigente"), int(TEstadoClave::Vigente));
        consulta.bindValue(QStringLiteral(":ahora"), ahora);
        ejecuta(consulta);
        usada = consulta.numRowsAffected() == 1;
    });
}

bool TBaseDatosLocalFrm::devuelveClaveRecuperacion(const QString& huella)
{
    return operaRecuperacion([&](QSqlDatabase& db) {
        QSqlQuery consulta = prepara(db, SQL_DEVUELVE_CLAVE);
        consulta.bindValue(QStringLiteral(":vigente"), int(TEstadoClave::Vigente));
        consulta.bindValue(QStringLiteral(":huella"), huella);
        consulta.bindValue(QStringLiteral(":usada"), int(TEstadoClave::Usada));
        ejecuta(consulta);
    });
}

bool TBaseDatosLocalFrm::anotaIntentoRecuperacion(qint64 momento, qint64 olvidaAntes)
{
    return operaRecuperacion([&](QSqlDatabase& db) {
        QSqlQuery olvida = prepara(db, SQL_OLVIDA_INTENTOS);
        olvida.bindValue(QStringLiteral(":antes"), olvidaAntes);
        ejecuta(olvida);
        QSqlQuery inserta = prepara(db, SQL_INSERTA_INTENTO);
        inserta.bindValue(QStringLiteral(":momento"), momento);
        ejecuta(inserta);
    });
}

bool TBaseDatosLocalFrm::leeIntentosRecuperacion(qint64 desde, QList<qint64>& momentos)
{
    momentos.clear();
    return operaRecuperacion([&](QSqlDatabase& db) {
        QSqlQuery consulta = prepara(db, SQL_LEE_INTENTOS);
        consulta.bindValue(QStringLiteral(":desde"), desde);
        ejecuta(consulta);
        recorre(consulta, [&] { momentos << consulta.value(0).toLongLong(); });
    });
}

TBaseDatosLocalFrm::TEstadoRegistro TBaseDatosLocalFrm::revisa(const QString& archivo)
{
    const QFileInfo info(archivo);
    if (!info.exists())
        return TEstadoRegistro::Faltante;
    if (!info.isFile())
        return TEstadoRegistro::Danado;
    if (!info.isReadable())
        return TEstadoRegistro::SinPermiso;
    const auto estadoDe = [](const QSqlError& error) {
        switch (causaDe(error)) {
        case TCausa::Ocupado:
            return TEstadoRegistro::Ocupado;
        case TCausa::SinPermiso:
            return TEstadoRegistro::SinPermiso;
        default:
            return TEstadoRegistro::Danado;
        }
    };
    QMutexLocker candado(&candadoRegistro);
    TEstadoRegistro estado = TEstadoRegistro::Danado;
    conConexion(archivo, [&](QSqlDatabase& db) {
        // Opened read-write as every other use opens it, so SQLite rolls back
        // a write that was cut short; read-only it refuses to, and the file
        // would look damaged. A file another process holds is let be after a
        // short wait.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=1000"));
        if (!db.open()) {
            estado = estadoDe(db.lastError());
            return;
        }
        QSqlQuery revision(db);
        if (!revision.exec(QStringLiteral("PRAGMA quick_check"))) {
            estado = estadoDe(revision.lastError());
            return;
        }
        if (!revision.next() || revision.value(0).toString() != QLatin1String("ok"))
            return;
        revision.finish();
        for (const QString& sql : {SQL_LEE_NEGOCIO, SQL_LEE_CONEXION}) {
            QSqlQuery consulta(db);
            if (!consulta.exec(sql)) {
                estado = estadoDe(consulta.lastError());
                return;
            }
        }
        estado = TEstadoRegistro::Legible;
    });
    return estado;
}

bool TBaseDatosLocalFrm::esLegible(const QString& archivo)
{
    const TEstadoRegistro estado = revisa(archivo);
    return estado == TEstadoRegistro::Legible || estado == TEstadoRegistro::Ocupado;
}

QString TBaseDatosLocalFrm::reemplazaRegistro(const QByteArray& vacio)
{
    const QString archivo = archivoRegistro();
    const QFileInfo info(archivo);
    const QString apartado =
        info.dir().filePath(info.completeBaseName() + QStringLiteral(".danado-") +
                            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) +
                            QLatin1Char('.') + info.suffix());
    {
        QMutexLocker candado(&candadoRegistro);
        if (!QFile::rename(archivo, apartado))
            throw EEntradaSalida(QStringLiteral("No se pudo apartar el registro de empresas dañado %1.").arg(archivo));
        // Left in place, SQLite would play the old file's journal into the
        // new one at its first opening.
        for (const QString& sufijo : {QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")})
            if (QFileInfo::exists(archivo + sufijo) && !QFile::rename(archivo + sufijo, apartado + sufijo))
                QFile::remove(archivo + sufijo);
    }
    try {
        if (vacio.isEmpty()) {
            creaTablas(archivo);
            Archivos::hazPrivado(archivo);
        } else {
            Archivos::creaPrivado(archivo, vacio);
        }
    } catch (...) {
        // The damaged file is all there is: it goes back where it was.
        QFile::remove(archivo);
        QFile::rename(apartado, archivo);
        throw;
    }
    Logmanager::Log(QStringLiteral("El registro de empresas no se podía leer: se apartó como %1 y se creó uno nuevo.")
                        .arg(apartado),
                    1, Sistema::exePath);
    return apartado;
}

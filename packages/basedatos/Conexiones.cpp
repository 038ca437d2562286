#include "Conexiones.h"

#include "Archivos.h"
#include "BloqueosMotor.h"
#include "Constantes.h"
#include "Errores.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSqlQuery>
#include <QSqlError>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

#include <ibase.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString PREFIJO = QStringLiteral("vk|");

QString sufijoHilo()
{
    return QLatin1Char('|') + QString::number(reinterpret_cast<quintptr>(QThread::currentThreadId()), 16);
}

QString nombreConexion(const TConexionSesion& conexion)
{
    // Asked for on every statement: an import asks a dozen times per voucher.
    thread_local QHash<QString, QString> nombres;
    const auto it = nombres.constFind(conexion.getDatabase());
    if (it != nombres.constEnd())
        return *it;
    const QString nombre = PREFIJO + QFileInfo(conexion.getDatabase()).absoluteFilePath() + sufijoHilo();
    // A relative path names another file once the working folder changes.
    if (QDir::isAbsolutePath(conexion.getDatabase()))
        nombres.insert(conexion.getDatabase(), nombre);
    return nombre;
}

std::atomic_bool motorApagado = false;

// At exit Qt's own objects may already be gone: only the engine is touched.
void apagaAlSalir()
{
    if (!motorApagado.exchange(true))
        fb_shutdown(0, fb_shutrsn_app_stopped);
}

// The client library reads its configuration from the FIREBIRD root once, on
// first use: point it at the program's Motor/ folder (SuperClassic, so a
// second process of the program can open the same files). The folder is
// resolved through links so a configuration folder that goes away later (a
// test's program folder) does not leave the engine without its plugins.
void preparaMotor(const TConexionSesion& conexion)
{
    // Left alone, the engine keeps its lock files in /tmp/firebird, owned by
    // the first user of the computer who ran it; every other user then fails
    // on every database with "Permission denied".
    static std::once_flag bloqueos;
    std::call_once(bloqueos, [] { qputenv("FIREBIRD_LOCK", QFile::encodeName(Conexiones::carpetaBloqueos())); });
    static std::once_flag hecho;
    const QString servidor = conexion.getServer();
    if (servidor.isEmpty())
        return;
    const QFileInfo carpeta(QFileInfo(servidor).absolutePath());
    if (!carpeta.isDir())
        return;
    std::call_once(hecho, [&] {
        qputenv("FIREBIRD", QFile::encodeName(carpeta.canonicalFilePath()));
        // Registered after the client library's own exit handler, so it runs
        // before it.
        std::atexit(apagaAlSalir);
    });
}

QString textoEstado(const ISC_STATUS* estado)
{
    QString texto;
    char bufer[512];
    const ISC_STATUS* p = estado;
    while (fb_interpret(bufer, sizeof bufer, &p)) {
        if (!texto.isEmpty())
            texto += QLatin1String(" ");
        texto += QString::fromLocal8Bit(bufer);
    }
    return texto;
}

// The open transaction of each connection of this thread (by connection
// name) and the statements prepared in it.
struct TTransaccionAbierta {
    QHash<QString, std::shared_ptr<QSqlQuery>> consultas;
    void liberaConsultas()
    {
        for (const auto& consulta : std::as_const(consultas))
            consulta->finish();
        consultas.clear();
    }
};
thread_local QHash<QString, TTransaccionAbierta> transaccionesAbiertas;

// Ends the bookkeeping of a connection's open transaction; true when it had one.
bool terminaTransaccion(const QString& nombre)
{
    const auto it = transaccionesAbiertas.find(nombre);
    if (it == transaccionesAbiertas.end())
        return false;
    it->liberaConsultas();
    transaccionesAbiertas.erase(it);
    return true;
}

} // namespace

namespace Conexiones {

QString carpetaBloqueos(const QString& raiz)
{
    const uid_t usuario = geteuid();
    const QString base = QStringLiteral("%1/velkor-firebird-%2").arg(raiz).arg(usuario);
    // A folder someone else planted (or one left open to others) can never be
    // trusted nor removed from a shared temporary folder; the next name is
    // tried instead. Every process of the user walks the same names and so
    // settles on the same folder.
    for (int intento = 1; intento <= 10; ++intento) {
        const QString carpeta = intento == 1 ? base : base + QStringLiteral("-%1").arg(intento);
        const QByteArray ruta = QFile::encodeName(carpeta);
        struct stat datos {};
        if (::lstat(ruta.constData(), &datos) != 0) {
            if (errno != ENOENT)
                continue;
            if (::mkdir(ruta.constData(), 0700) == 0) {
                // A restrictive umask may have taken bits from a folder
                // that is ours alone.
                ::chmod(ruta.constData(), 0700);
            } else if (errno != EEXIST) {
                continue;
            }
            if (::lstat(ruta.constData(), &datos) != 0)
                continue;
        }
        if (S_ISDIR(datos.st_mode) && datos.st_uid == usuario && (datos.st_mode & 07777) == 0700)
            return carpeta;
    }
    throw EBaseDatos(QStringLiteral("No se pudo preparar una carpeta privada para los bloqueos de la base de datos "
                                    "en %1: las carpetas %2 pertenecen a otro usuario o tienen permisos abiertos.")
                         .arg(raiz, base + QStringLiteral("*")));
}

QSqlDatabase baseDatos(const TConexionSesion& conexion)
{
    const QString nombre = nombreConexion(conexion);
    if (QSqlDatabase::contains(nombre)) {
        QSqlDatabase db = QSqlDatabase::database(nombre, false);
        if (db.isOpen() || db.open())
            return db;
        const QString error = db.lastError().text();
        throw EBaseDatos(QStringLiteral("No se pudo abrir la base de datos %1: %2").arg(conexion.getDatabase(), error));
    }
    preparaMotor(conexion);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), nombre);
        // No host: the embedded engine opens the file itself.
        db.setDatabaseName(QFileInfo(conexion.getDatabase()).absoluteFilePath());
        db.setUserName(conexion.getUsername().isEmpty() ? Constantes::DB_USER : conexion.getUsername());
        db.setPassword(conexion.getPassword().isEmpty() ? Constantes::DB_PASSWORD : conexion.getPassword());
        if (db.open())
            return db;
    }
    QString error = QSqlDatabase::database(nombre, false).lastError().text();
    QSqlDatabase::removeDatabase(nombre);
    if (!QFileInfo::exists(conexion.getDatabase()))
        error = QStringLiteral("el archivo no existe");
    throw EBaseDatos(QStringLiteral("No se pudo abrir la base de datos %1: %2").arg(conexion.getDatabase(), error));
}

bool enTransaccion(const TConexionSesion& conexion)
{
    return transaccionesAbiertas.contains(nombreConexion(conexion));
}

void cierra(const TConexionSesion& conexion)
{
    const QString nombre = nombreConexion(conexion);
    if (!QSqlDatabase::contains(nombre))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(nombre, false);
        if (terminaTransaccion(nombre))
            db.rollback();
        db.close();
    }
    QSqlDatabase::removeDatabase(nombre);
}

std::shared_ptr<QSqlQuery> consultaPreparada(const TConexionSesion& conexion, const QString& sql)
{
    QSqlDatabase db = baseDatos(conexion);
    TTransaccionAbierta* abierta = nullptr;
    const auto it = transaccionesAbiertas.find(db.connectionName());
    if (it != transaccionesAbiertas.end()) {
        abierta = &*it;
        if (const auto guardada = abierta->consultas.constFind(sql); guardada != abierta->consultas.constEnd())
            return *guardada;
    }
    auto consulta = std::make_shared<QSqlQuery>(db);
    consulta->setForwardOnly(true);
    if (!consulta->prepare(sql))
        throw EBaseDatos(
            QStringLiteral("No se pudo preparar la consulta (%1): %2").arg(sql, consulta->lastError().text()));
    if (abierta)
        abierta->consultas.insert(sql, consulta);
    return consulta;
}

void cierraHilo()
{
    const QString sufijo = sufijoHilo();
    const QStringList nombres = QSqlDatabase::connectionNames();
    for (const QString& nombre : nombres) {
        if (!nombre.startsWith(PREFIJO) || !nombre.endsWith(sufijo))
            continue;
        {
            QSqlDatabase db = QSqlDatabase::database(nombre, false);
            if (terminaTransaccion(nombre))
                db.rollback();
            db.close();
        }
        QSqlDatabase::removeDatabase(nombre);
    }
}

void apagaMotor()
{
    cierraHilo();
    apagaAlSalir();
}

void creaBaseDatos(const QString& archivo, const QString& carpetaPrograma)
{
    const QFileInfo info(archivo);
    if (info.exists())
        throw EBaseDatos(QStringLiteral("Ya existe el archivo %1; no se crea otra base de datos encima.").arg(archivo));
    if (!QDir().mkpath(info.absolutePath()))
        throw EBaseDatos(QStringLiteral("No se pudo crear la carpeta %1.").arg(info.absolutePath()));
    preparaMotor(TConexionSesion::embebida(archivo, carpetaPrograma));

    QString ruta = info.absoluteFilePath();
    ruta.replace(QLatin1Char('\''), QStringLiteral("''"));
    const QByteArray sql = QStringLiteral("CREATE DATABASE '%1' USER '%2' PASSWORD '%3' PAGE_SIZE 16384 "
                                          "DEFAULT CHARACTER SET UTF8")
                               .arg(ruta, Constantes::DB_USER, Constantes::DB_PASSWORD)
                               .toUtf8();
    ISC_STATUS_ARRAY estado;
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    if (isc_dsql_execute_immediate(estado, &db, &tr, 0, sql.constData(), SQL_DIALECT_V6, nullptr))
        throw EBaseDatos(QStringLiteral("No se pudo crear la base de datos %1: %2").arg(archivo, textoEstado(estado)));
    isc_detach_database(estado, &db);
    // The engine creates the file readable by its group (0660).
    Archivos::hazPrivado(info.absoluteFilePath());
}

} // namespace Conexiones

TTransaccion::TTransaccion(const TConexionSesion& conexion) : m_conexion(conexion)
{
    QSqlDatabase db = Conexiones::baseDatos(conexion);
    const QString nombre = db.connectionName();
    if (transaccionesAbiertas.contains(nombre))
        return; // joins the open one
    if (!db.transaction())
        throw EBaseDatos(QStringLiteral("No se pudo iniciar la transacción: %1").arg(db.lastError().text()));
    transaccionesAbiertas.insert(nombre, TTransaccionAbierta());
    m_propia = true;
}

TTransaccion::~TTransaccion()
{
    if (m_propia && !m_terminada) {
        try {
            rollback();
        } catch (...) {
            // A destructor must not throw; the engine drops the work anyway.
        }
    }
}

void TTransaccion::commit()
{
    if (!m_propia || m_terminada)
        return;
    QSqlDatabase db = Conexiones::baseDatos(m_conexion);
    m_terminada = true;
    terminaTransaccion(db.connectionName());
    if (!db.commit()) {
        const QString error = db.lastError().text();
        db.rollback();
        throw EBaseDatos(QStringLiteral("No se pudieron guardar los cambios: %1").arg(error));
    }
}

void TTransaccion::rollback()
{
    if (!m_propia || m_terminada)
        return;
    m_terminada = true;
    QSqlDatabase db = Conexiones::baseDatos(m_conexion);
    terminaTransaccion(db.connectionName());
    db.rollback();
}

namespace {

// Savepoint names of the calling thread still in use. A name is given back
// when its savepoint ends, so a long import repeats a handful of names and
// their statements are prepared once per transaction instead of per file;
// the lowest free number keeps names distinct among nested savepoints.
thread_local std::vector<bool> numerosPuntoEnUso;

int tomaNumeroPunto()
{
    const auto libre = std::find(numerosPuntoEnUso.begin(), numerosPuntoEnUso.end(), false);
    const auto numero = static_cast<int>(libre - numerosPuntoEnUso.begin());
    if (libre == numerosPuntoEnUso.end())
        numerosPuntoEnUso.push_back(true);
    else
        *libre = true;
    return numero + 1;
}

void sueltaNumeroPunto(int numero)
{
    numerosPuntoEnUso[static_cast<std::size_t>(numero - 1)] = false;
}

} // namespace

TPuntoGuardado::TPuntoGuardado(const TConexionSesion& conexion) : m_transaccion(conexion)
{
    if (m_transaccion.propia())
        return;
    m_numero = tomaNumeroPunto();
    m_nombre = QStringLiteral("VK_PUNTO_%1").arg(m_numero);
    try {
        ejecuta(QStringLiteral("SAVEPOINT ") + m_nombre);
    } catch (...) {
        sueltaNumeroPunto(m_numero);
        throw;
    }
}

TPuntoGuardado::~TPuntoGuardado()
{
    if (!m_terminado) {
        try {
            deshaz();
        } catch (...) {
            // A destructor must not throw; the enclosing transaction decides.
        }
    }
    if (!m_nombre.isEmpty())
        sueltaNumeroPunto(m_numero);
}

void TPuntoGuardado::ejecuta(const QString& sql)
{
    const auto q = Conexiones::consultaPreparada(m_transaccion.conexion(), sql);
    if (!q->exec())
        throw EBaseDatos(QStringLiteral("No se pudo %1: %2").arg(sql, q->lastError().text()));
}

void TPuntoGuardado::confirma()
{
    if (m_terminado)
        return;
    m_terminado = true;
    if (m_nombre.isEmpty())
        m_transaccion.commit();
    else
        ejecuta(QStringLiteral("RELEASE SAVEPOINT %1 ONLY").arg(m_nombre));
}

void TPuntoGuardado::deshaz()
{
    if (m_terminado)
        return;
    m_terminado = true;
    if (m_nombre.isEmpty()) {
        m_transaccion.rollback();
        return;
    }
    ejecuta(QStringLiteral("ROLLBACK TO SAVEPOINT ") + m_nombre);
    ejecuta(QStringLiteral("RELEASE SAVEPOINT %1 ONLY").arg(m_nombre));
}

#include "Conexiones.h"

#include "Archivos.h"
#include "BloqueosMotor.h"
#include "Constantes.h"
#include "Dialecto.h"
#include "Sistema.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Rutas.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QSet>
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

// The engine's words for a database file that would not open, logged once
// per file and text: a catalogue or a business that stays broken is asked
// for again and again during a run.
void registraFallaApertura(const TConexionSesion& conexion, const QString& error)
{
    if (Sistema::exePath.isEmpty())
        return;
    static std::mutex candado;
    static QSet<QString> registradas;
    {
        const std::lock_guard<std::mutex> cerrado(candado);
        const QString clave = conexion.getDatabase() + QLatin1Char('|') + error;
        if (registradas.contains(clave))
            return;
        registradas.insert(clave);
    }
    Logmanager::Log(QStringLiteral("No se pudo abrir la base de datos %1: %2").arg(conexion.descripcion(), error), 3,
                    Sistema::exePath);
}

const QString PREFIJO = QStringLiteral("vk|");

QString sufijoHilo()
{
    return QLatin1Char('|') + QString::number(reinterpret_cast<quintptr>(QThread::currentThreadId()), 16);
}

// A database on a server is told apart by its engine, host, port, account
// and name; a file by its absolute path.
QString clave(const TConexionSesion& conexion)
{
    if (!conexion.enServidor())
        return conexion.getDatabase();
    return QStringLiteral("%1:%2").arg(int(conexion.motor())).arg(conexion.descripcion());
}

QString nombreConexion(const TConexionSesion& conexion)
{
    // Asked for on every statement: an import asks a dozen times per voucher.
    thread_local QHash<QString, QString> nombres;
    const QString llave = clave(conexion);
    const auto it = nombres.constFind(llave);
    if (it != nombres.constEnd())
        return *it;
    if (conexion.enServidor()) {
        const QString nombre = PREFIJO + llave + sufijoHilo();
        nombres.insert(llave, nombre);
        return nombre;
    }
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
    // A connection to a server carries its host there; the client library
    // still reads the program's own configuration (its connect time bound).
    const QString servidor =
        conexion.enServidor()
            ? (Sistema::exePath.isEmpty() ? QString() : Rutas::une(Sistema::exePath, {Constantes::MOTOR_CLIENTE}))
            : conexion.getServer();
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

// How the client library names a Firebird database: its file for the
// embedded engine, "host/port:path" on a server.
QByteArray rutaFirebird(const TConexionSesion& conexion)
{
    if (!conexion.enServidor())
        return QFile::encodeName(QFileInfo(conexion.getDatabase()).absoluteFilePath());
    return QStringLiteral("%1/%2:%3")
        .arg(conexion.getServer().trimmed())
        .arg(conexion.puertoEfectivo())
        .arg(conexion.getDatabase().trimmed())
        .toUtf8();
}

// Attaches through the client library itself, for what Qt cannot do (drop
// a database, hold a transaction that does not wait); false with `error`.
bool uneFirebird(const TConexionSesion& conexion, isc_db_handle& db, QString& error)
{
    const QByteArray usuario =
        (conexion.getUsername().isEmpty() ? Constantes::DB_USER : conexion.getUsername()).toUtf8();
    const QByteArray password =
        (conexion.getPassword().isEmpty() ? Constantes::DB_PASSWORD : conexion.getPassword()).toUtf8();
    std::vector<char> dpb{isc_dpb_version1, isc_dpb_user_name, char(usuario.size())};
    dpb.insert(dpb.end(), usuario.begin(), usuario.end());
    dpb.push_back(isc_dpb_password);
    dpb.push_back(char(password.size()));
    dpb.insert(dpb.end(), password.begin(), password.end());
    const QByteArray ruta = rutaFirebird(conexion);
    ISC_STATUS_ARRAY estado;
    db = 0;
    if (!isc_attach_database(estado, 0, ruta.constData(), &db, short(dpb.size()), dpb.data()))
        return true;
    error = textoEstado(estado);
    return false;
}

// Whether the engine's status names `codigo` among its reasons.
bool estadoDice(const ISC_STATUS* estado, ISC_STATUS codigo)
{
    for (const ISC_STATUS* p = estado; *p != isc_arg_end;) {
        const ISC_STATUS tipo = *p++;
        if (tipo == isc_arg_gds && *p == codigo)
            return true;
        p += tipo == isc_arg_cstring ? 2 : 1;
    }
    return false;
}

// CREATE DATABASE through the client library (Qt cannot): a file path for
// the embedded engine, or "host/port:path" on a server. On failure `causa`
// gets the user's words for the commonest reasons, empty for the rest.
bool creaFirebird(const QString& ruta, const QString& usuario, const QString& password, QString& error,
                  QString* causa = nullptr, bool* enUso = nullptr)
{
    const auto literal = [](QString texto) { return texto.replace(QLatin1Char('\''), QStringLiteral("''")); };
    const QByteArray sql = QStringLiteral("CREATE DATABASE '%1' USER '%2' PASSWORD '%3' PAGE_SIZE 16384 "
                                          "DEFAULT CHARACTER SET UTF8")
                               .arg(literal(ruta), literal(usuario), literal(password))
                               .toUtf8();
    ISC_STATUS_ARRAY estado;
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    if (isc_dsql_execute_immediate(estado, &db, &tr, 0, sql.constData(), SQL_DIALECT_V6, nullptr)) {
        error = textoEstado(estado);
        if (enUso)
            *enUso = estadoDice(estado, isc_obj_in_use);
        if (!causa)
            return false;
        if (estadoDice(estado, isc_obj_in_use))
            *causa = QStringLiteral("ya existe y otro equipo la tiene abierta");
        else if (estadoDice(estado, isc_no_priv))
            *causa = QStringLiteral("la cuenta %1 no tiene permiso de crear bases de datos; pide a quien administra "
                                    "el servidor que se lo dé")
                         .arg(usuario);
        else if (estadoDice(estado, isc_login))
            *causa = QStringLiteral("el servidor no aceptó la cuenta %1 o su contraseña").arg(usuario);
        else if (estadoDice(estado, isc_network_error) || estadoDice(estado, isc_net_connect_err))
            *causa = QStringLiteral("el servidor no responde; revisa que esté encendido y que la red llegue a él, y "
                                    "vuelve a intentarlo");
        return false;
    }
    isc_detach_database(estado, &db);
    return true;
}

// Opens the Qt connection `nombre`; on failure the connection is returned
// closed and `error` says why (never with the password).
QSqlDatabase abre(const TConexionSesion& conexion, const QString& nombre, QString& error, QSqlError* falla = nullptr)
{
    const TMotor motor = conexion.motor();
    QSqlDatabase db = QSqlDatabase::addDatabase(
        motor == TMotor::MariaDB ? QStringLiteral("QMYSQL") : QStringLiteral("QIBASE"), nombre);
    switch (motor) {
    case TMotor::Embebido:
        // No host: the embedded engine opens the file itself.
        db.setDatabaseName(QFileInfo(conexion.getDatabase()).absoluteFilePath());
        db.setUserName(conexion.getUsername().isEmpty() ? Constantes::DB_USER : conexion.getUsername());
        db.setPassword(conexion.getPassword().isEmpty() ? Constantes::DB_PASSWORD : conexion.getPassword());
        break;
    case TMotor::FirebirdServidor:
        // The client's configuration (Motor/firebird.conf) bounds the
        // connect time.
        db.setDatabaseName(QString::fromUtf8(rutaFirebird(conexion)));
        db.setUserName(conexion.getUsername());
        db.setPassword(conexion.getPassword());
        break;
    case TMotor::MariaDB:
        db.setHostName(conexion.getServer().trimmed());
        db.setPort(conexion.puertoEfectivo());
        db.setDatabaseName(conexion.getDatabase().trimmed());
        db.setUserName(conexion.getUsername());
        db.setPassword(conexion.getPassword());
        // A server that does not answer is reported in seconds, never left
        // hanging the window; a lost one ends a wait within a minute.
        db.setConnectOptions(QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=5;MYSQL_OPT_READ_TIMEOUT=60;"
                                            "MYSQL_OPT_WRITE_TIMEOUT=60"));
        // Amounts come back as the exact text of the column.
        db.setNumericalPrecisionPolicy(QSql::HighPrecision);
        break;
    }
    if (!db.open()) {
        error = db.lastError().text();
        if (falla)
            *falla = db.lastError();
        return db;
    }
    if (motor == TMotor::MariaDB) {
        // Names in double quotes as on Firebird, and a value that does not
        // fit is refused instead of cut.
        QSqlQuery modo(db);
        if (!modo.exec(QStringLiteral("SET SESSION sql_mode = 'ANSI_QUOTES,PIPES_AS_CONCAT,STRICT_ALL_TABLES,"
                                      "NO_ZERO_DATE,NO_ZERO_IN_DATE,ERROR_FOR_DIVISION_BY_ZERO,"
                                      "NO_ENGINE_SUBSTITUTION'"))) {
            error = modo.lastError().text();
            if (falla)
                *falla = modo.lastError();
            db.close();
        }
    }
    return db;
}

// A server that restarts drops its connections, and the client library
// keeps a dropped one "open": every later statement on it fails until the
// user signs in again. An open server connection is tried with a trivial
// statement at most every two seconds (a round trip, never one per
// statement) and, when the server dropped it, opened anew. Never inside a
// transaction: what it held is gone, and the transaction's owner must hear
// it from its own statements.
bool sigueViva(const QString& nombre, TMotor motor)
{
    thread_local QHash<QString, QElapsedTimer> revisadas;
    if (transaccionesAbiertas.contains(nombre))
        return true;
    QElapsedTimer& reloj = revisadas[nombre];
    if (reloj.isValid() && reloj.elapsed() < 2000)
        return true;
    reloj.start();
    QSqlDatabase db = QSqlDatabase::database(nombre, false);
    if (!db.isOpen())
        return true;
    QSqlQuery q(db);
    if (q.exec(motor == TMotor::MariaDB ? QStringLiteral("SELECT 1") : QStringLiteral("SELECT 1 FROM RDB$DATABASE")))
        return true;
    return !TDialecto::esConexionPerdida(q.lastError());
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
    if (QSqlDatabase::contains(nombre) && conexion.enServidor() && !sigueViva(nombre, conexion.motor()))
        cierra(conexion); // and opened again below, with its session settings
    if (QSqlDatabase::contains(nombre)) {
        QSqlDatabase db = QSqlDatabase::database(nombre, false);
        if (db.isOpen() || db.open())
            return db;
        const QString error = db.lastError().text();
        const QString texto =
            QStringLiteral("No se pudo abrir la base de datos %1: %2").arg(conexion.descripcion(), error);
        if (conexion.enServidor())
            throw EServidorNoAbre(texto, TDialecto::fallaServidor(db.lastError()));
        throw EBaseDatos(texto);
    }
    if (conexion.motor() != TMotor::MariaDB)
        preparaMotor(conexion);
    QString error;
    QSqlError falla;
    {
        QSqlDatabase db = abre(conexion, nombre, error, &falla);
        if (db.isOpen())
            return db;
    }
    QSqlDatabase::removeDatabase(nombre);
    if (!conexion.enServidor() && !QFileInfo::exists(conexion.getDatabase())) {
        error = QStringLiteral("el archivo no existe");
    } else if (!conexion.enServidor()) {
        // The engine's English stays in the log; the user reads the cause.
        registraFallaApertura(conexion, error);
        error = TDialecto::causaAlAbrir(error);
    }
    if (conexion.enServidor() && TDialecto::esConexionPerdida(error)) {
        // Every window reads through here: the client library's English stays
        // in the log, the user reads what to check.
        if (!Sistema::exePath.isEmpty())
            Logmanager::Log(
                QStringLiteral("No se pudo abrir la base de datos %1: %2").arg(conexion.descripcion(), error), 3,
                Sistema::exePath);
        error = QStringLiteral("el servidor no responde; revisa que esté encendido y que la red llegue a él, y vuelve "
                               "a intentarlo (lo guardado sigue en el servidor)");
    }
    const QString texto = QStringLiteral("No se pudo abrir la base de datos %1: %2").arg(conexion.descripcion(), error);
    if (conexion.enServidor())
        throw EServidorNoAbre(texto, TDialecto::fallaServidor(falla));
    throw EBaseDatos(texto);
}

bool enTransaccion(const TConexionSesion& conexion)
{
    return transaccionesAbiertas.contains(nombreConexion(conexion));
}

bool perdida(const TConexionSesion& conexion)
{
    if (!conexion.enServidor())
        return false;
    QSqlDatabase db = QSqlDatabase::database(nombreConexion(conexion), false);
    if (!db.isOpen()) {
        try {
            db = baseDatos(conexion);
        } catch (const EBaseDatos& e) {
            return TDialecto::esConexionPerdida(e.mensaje());
        }
    }
    QSqlQuery q(db);
    if (q.exec(conexion.motor() == TMotor::MariaDB ? QStringLiteral("SELECT 1")
                                                   : QStringLiteral("SELECT 1 FROM RDB$DATABASE")))
        return false;
    return TDialecto::esConexionPerdida(q.lastError());
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
    if (!consulta->prepare(TDialecto::de(conexion).adapta(sql)))
        throw EBaseDatos(TDialecto::falla(QStringLiteral("preparar la consulta"), consulta->lastError(), sql));
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
    QString error;
    if (!creaFirebird(info.absoluteFilePath(), Constantes::DB_USER, Constantes::DB_PASSWORD, error))
        throw EBaseDatos(QStringLiteral("No se pudo crear la base de datos %1: %2").arg(archivo, error));
    // The engine creates the file readable by its group (0660).
    Archivos::hazPrivado(info.absoluteFilePath());
}

TConexionSesion creaBaseServidor(const TConexionSesion& servidor, const QString& nombre)
{
    TConexionSesion nueva = servidor;
    nueva.setDatabase(nombre);
    if (servidor.motor() == TMotor::FirebirdServidor) {
        preparaMotor(servidor);
        QString error;
        QString causa;
        bool enUso = false;
        if (creaFirebird(QString::fromUtf8(rutaFirebird(nueva)), servidor.getUsername(), servidor.getPassword(), error,
                         &causa, &enUso))
            return nueva;
        // The engine's English stays in the log; the user reads the cause.
        if (!Sistema::exePath.isEmpty())
            Logmanager::Log(QStringLiteral("No se pudo crear la base de datos %1 en el servidor %2: %3")
                                .arg(nombre, servidor.descripcion(), error),
                            3, Sistema::exePath);
        const QString texto =
            QStringLiteral("No se pudo crear la base de datos %1 en el servidor %2: %3")
                .arg(nombre, servidor.descripcion(),
                     causa.isEmpty() ? QStringLiteral("el servidor no lo aceptó (el detalle está en la bitácora del "
                                                      "programa)")
                                     : causa);
        if (enUso)
            throw EBaseExistente(texto);
        throw EBaseDatos(texto);
    }
    // Created through a connection of its own, to no database.
    const QString temporal =
        QStringLiteral("vk-crea|%1").arg(reinterpret_cast<quintptr>(QThread::currentThreadId()), 0, 16);
    QString error;
    bool creada = false;
    bool existente = false;
    {
        TConexionSesion sinBase = servidor;
        sinBase.setDatabase(QString());
        QSqlDatabase db = abre(sinBase, temporal, error);
        if (db.isOpen()) {
            QSqlQuery q(db);
            creada = q.exec(QStringLiteral("CREATE DATABASE %1 CHARACTER SET utf8mb4 COLLATE utf8mb4_bin")
                                .arg(QLatin1Char('"') + nombre + QLatin1Char('"')));
            existente = !creada && q.lastError().nativeErrorCode() == QLatin1String("1007");
            if (!creada)
                error = q.lastError().nativeErrorCode() == QLatin1String("1044") ||
                                q.lastError().nativeErrorCode() == QLatin1String("1227")
                            ? QStringLiteral("la cuenta %1 no tiene permiso de crear bases de datos; pide a quien "
                                             "administra el servidor que se lo dé, o que cree la base %2 vacía")
                                  .arg(servidor.getUsername(), nombre)
                        : q.lastError().nativeErrorCode() == QLatin1String("1007")
                            ? QStringLiteral("ya existe una base de datos con ese nombre")
                            : q.lastError().text();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(temporal);
    if (existente)
        throw EBaseExistente(QStringLiteral("No se pudo crear la base de datos %1 en el servidor %2: %3")
                                 .arg(nombre, servidor.descripcion(), error));
    if (!creada)
        throw EBaseDatos(QStringLiteral("No se pudo crear la base de datos %1 en el servidor %2: %3")
                             .arg(nombre, servidor.descripcion(), error));
    return nueva;
}

void eliminaBaseServidor(const TConexionSesion& conexion)
{
    cierra(conexion);
    QString error;
    if (conexion.motor() == TMotor::FirebirdServidor) {
        isc_db_handle db = 0;
        ISC_STATUS_ARRAY estado;
        if (uneFirebird(conexion, db, error) && isc_drop_database(estado, &db))
            error = textoEstado(estado);
    } else if (conexion.motor() == TMotor::MariaDB) {
        try {
            QSqlQuery q(baseDatos(conexion));
            if (!q.exec(QStringLiteral("DROP DATABASE \"%1\"").arg(conexion.getDatabase())))
                error = q.lastError().text();
        } catch (const EBaseDatos& e) {
            error = e.mensaje();
        }
        cierra(conexion);
    }
    if (!error.isEmpty() && !Sistema::exePath.isEmpty())
        Logmanager::Log(QStringLiteral("No se pudo quitar la base de datos %1: %2").arg(conexion.descripcion(), error),
                        3, Sistema::exePath);
}

} // namespace Conexiones

TTransaccion::TTransaccion(const TConexionSesion& conexion) : m_conexion(conexion)
{
    QSqlDatabase db = Conexiones::baseDatos(conexion);
    const QString nombre = db.connectionName();
    if (transaccionesAbiertas.contains(nombre))
        return; // joins the open one
    if (!db.transaction())
        throw EBaseDatos(TDialecto::falla(QStringLiteral("iniciar la transacción"), db.lastError()));
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
        const QSqlError falla = db.lastError();
        QString error = falla.text();
        db.rollback();
        if (m_conexion.enServidor() && TDialecto::esConexionPerdida(falla)) {
            // The client library's English stays in the log; the user reads
            // what to check.
            if (!Sistema::exePath.isEmpty())
                Logmanager::Log(QStringLiteral("No se pudieron guardar los cambios en la base de datos %1: %2")
                                    .arg(m_conexion.descripcion(), error),
                                3, Sistema::exePath);
            error = QStringLiteral("se perdió la conexión con el servidor de la base de datos %1; revisa que esté "
                                   "encendido y que la red llegue a él.")
                        .arg(m_conexion.descripcion());
        }
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

// A savepoint's statements mean nothing to a user: what they read is that
// the save could not go on; the statement goes to the log.
const QString PASO_PUNTO = QStringLiteral("seguir guardando");

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
    const TConexionSesion& conexion = m_transaccion.conexion();
    if (!TDialecto::de(conexion).puntoPreparable()) {
        QSqlQuery q(Conexiones::baseDatos(conexion));
        if (!q.exec(sql))
            throw EBaseDatos(TDialecto::falla(PASO_PUNTO, q.lastError(), sql));
        return;
    }
    const auto q = Conexiones::consultaPreparada(conexion, sql);
    if (!q->exec())
        throw EBaseDatos(TDialecto::falla(PASO_PUNTO, q->lastError(), sql));
}

void TPuntoGuardado::confirma()
{
    if (m_terminado)
        return;
    m_terminado = true;
    // Inside a transaction the savepoint is left standing: both engines end
    // it, keeping its work, when the next savepoint of the same name is set
    // (the next imported file's, since the name went back to the pool) or at
    // the commit. A statement of its own would be one of the ten or so an
    // imported voucher costs. A part begun later holds another name and is
    // not touched by that replacement.
    if (m_nombre.isEmpty())
        m_transaccion.commit();
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
    ejecuta(TDialecto::de(m_transaccion.conexion()).liberaPunto(m_nombre));
}

TCandadoServidor::TCandadoServidor(const TConexionSesion& conexion) : m_conexion(conexion) {}

TCandadoServidor::~TCandadoServidor()
{
    suelta();
}

bool TCandadoServidor::toma()
{
    if (m_tomado)
        return true;
    if (m_conexion.motor() == TMotor::MariaDB) {
        m_nombre = QStringLiteral("vk-candado|%1").arg(reinterpret_cast<quintptr>(this), 0, 16);
        QString error;
        bool libre = false;
        {
            m_db = abre(m_conexion, m_nombre, error);
            if (m_db.isOpen()) {
                // A lock name is at most 64 characters; a database name may
                // take all of them.
                QSqlQuery q(m_db);
                if (q.exec(QStringLiteral("SELECT GET_LOCK(CONCAT('velkor:', MD5(DATABASE())), 0)")) && q.next())
                    libre = q.value(0).toInt() == 1;
                else
                    error = q.lastError().text();
            }
        }
        if (!libre) {
            suelta();
            if (!error.isEmpty())
                throw EBaseDatos(QStringLiteral("No se pudo conectar con la base de datos %1: %2")
                                     .arg(m_conexion.descripcion(), error));
            return false;
        }
        m_tomado = true;
        return true;
    }
    // Firebird keeps no named locks: a row updated by a transaction left
    // open is held for it alone, and another that asks without waiting is
    // refused at once.
    preparaMotor(m_conexion);
    isc_db_handle db = 0;
    QString error;
    if (!uneFirebird(m_conexion, db, error))
        throw EBaseDatos(
            QStringLiteral("No se pudo conectar con la base de datos %1: %2").arg(m_conexion.descripcion(), error));
    m_base = db;
    ISC_STATUS_ARRAY estado;
    static const char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed, isc_tpb_rec_version,
                               isc_tpb_nowait};
    isc_tr_handle tr = 0;
    if (isc_start_transaction(estado, &tr, 1, &db, short(sizeof tpb), tpb)) {
        const QString motivo = textoEstado(estado);
        suelta();
        throw EBaseDatos(
            QStringLiteral("No se pudo conectar con la base de datos %1: %2").arg(m_conexion.descripcion(), motivo));
    }
    m_transaccion = tr;
    if (isc_dsql_execute_immediate(estado, &db, &tr, 0, "UPDATE VERSIONESQUEMA SET \"VERSION\" = \"VERSION\"",
                                   SQL_DIALECT_V6, nullptr)) {
        // Held by another: the engine says so with one of these; anything
        // else is a failure to be told.
        const bool ocupado =
            estado[1] == isc_lock_conflict || estado[1] == isc_update_conflict || estado[1] == isc_deadlock;
        const QString motivo = textoEstado(estado);
        suelta();
        if (ocupado)
            return false;
        throw EBaseDatos(QStringLiteral("No se pudo apartar la base de datos %1 para importar: %2")
                             .arg(m_conexion.descripcion(), motivo));
    }
    m_tomado = true;
    return true;
}

bool TCandadoServidor::vigente()
{
    if (!m_tomado)
        return false;
    if (!m_nombre.isEmpty()) {
        QSqlQuery q(m_db);
        return q.exec(QStringLiteral("SELECT IS_USED_LOCK(CONCAT('velkor:', MD5(DATABASE()))) = CONNECTION_ID()")) &&
               q.next() && q.value(0).toInt() == 1;
    }
    // The row stays held while the attachment that holds it lives.
    ISC_STATUS_ARRAY estado;
    isc_db_handle db = static_cast<isc_db_handle>(m_base);
    return fb_ping(estado, &db) == 0;
}

void TCandadoServidor::suelta()
{
    if (!m_nombre.isEmpty()) {
        // Let go before the connection closes: the server notices a closed
        // connection on its own time, and a workstation that starts the next
        // import at once would find the business still held.
        if (m_tomado && m_db.isOpen())
            QSqlQuery(m_db).exec(QStringLiteral("SELECT RELEASE_LOCK(CONCAT('velkor:', MD5(DATABASE())))"));
        // Closed through the handle kept: Qt lends a connection by name only
        // to the thread that made it.
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_nombre);
        m_nombre.clear();
    }
    ISC_STATUS_ARRAY estado;
    if (m_transaccion) {
        isc_tr_handle tr = static_cast<isc_tr_handle>(m_transaccion);
        isc_rollback_transaction(estado, &tr);
        m_transaccion = 0;
    }
    if (m_base) {
        isc_db_handle db = static_cast<isc_db_handle>(m_base);
        isc_detach_database(estado, &db);
        m_base = 0;
    }
    m_tomado = false;
}

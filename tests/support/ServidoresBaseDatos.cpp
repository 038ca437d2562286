#include "ServidoresBaseDatos.h"

#include "negocio/TSenalesTerminacion.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

const QString MARIADB_INSTALA = QStringLiteral("mariadb-install-db");
const QString MARIADB_SERVIDOR = QStringLiteral("mariadbd");
const QString MARIADB_CLIENTE = QStringLiteral("mariadb");
const QString MARIADB_ADMIN = QStringLiteral("mariadb-admin");
const QString FIREBIRD_SERVIDOR = QStringLiteral("firebird");
const QString FIREBIRD_CLIENTE = QStringLiteral("isql-fb");
const QString FIREBIRD_SEGURIDAD = QStringLiteral("/usr/share/firebird/3.0/security.sql");

// The servers and their tools live in sbin, which an ordinary account's PATH
// may leave out.
QString programa(const QString& nombre)
{
    QString ruta = QStandardPaths::findExecutable(nombre);
    if (ruta.isEmpty())
        ruta = QStandardPaths::findExecutable(
            nombre, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/bin")});
    return ruta;
}

// Debian's Firebird root (messages, character sets, plugins.conf), under the
// machine's library folder.
QString raizFirebird()
{
    const QStringList candidatas = QDir(QStringLiteral("/usr/lib")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& carpeta : candidatas) {
        const QString raiz = QStringLiteral("/usr/lib/%1/firebird/3.0").arg(carpeta);
        if (QFileInfo::exists(raiz + QStringLiteral("/firebird.msg")))
            return raiz;
    }
    return QString();
}

QString comillas(QString texto, QChar comilla)
{
    texto.replace(comilla, QString(2, comilla));
    return comilla + texto + comilla;
}

bool terminaProceso(QProcess& proceso, int milisegundos, QString* salida)
{
    const bool termino = proceso.waitForFinished(milisegundos);
    if (!termino) {
        proceso.kill();
        proceso.waitForFinished(5000);
    }
    if (salida)
        *salida = QString::fromUtf8(proceso.processChannelMode() == QProcess::MergedChannels
                                        ? proceso.readAll()
                                        : proceso.readAllStandardError() + proceso.readAllStandardOutput())
                      .trimmed();
    return termino && proceso.exitStatus() == QProcess::NormalExit && proceso.exitCode() == 0;
}

} // namespace

TServidorBaseDatos::TServidorBaseDatos(Tipo tipo) : m_tipo(tipo)
{
    const QString caracteres = QStringLiteral("abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789");
    m_password = QStringLiteral("Vk");
    for (int i = 0; i < 14; ++i)
        m_password += caracteres.at(QRandomGenerator::global()->bounded(int(caracteres.size())));
}

TServidorBaseDatos::~TServidorBaseDatos()
{
    detiene();
}

QString TServidorBaseDatos::faltante(Tipo tipo)
{
    const auto falta = [](const QString& nombre, const QString& paquete) {
        return QStringLiteral("No se encontró %1 (paquete %2): esta computadora no puede arrancar el servidor de "
                              "prueba.")
            .arg(nombre, paquete);
    };
    // The packages named are those of paquetes-debian.txt that bring them.
    if (tipo == Tipo::MariaDB) {
        for (const QString& nombre : {MARIADB_INSTALA, MARIADB_SERVIDOR, MARIADB_ADMIN, MARIADB_CLIENTE})
            if (programa(nombre).isEmpty())
                return falta(QStringLiteral("el programa ") + nombre, QStringLiteral("mariadb-server"));
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QMYSQL")))
            return falta(QStringLiteral("el controlador QMYSQL de Qt"), QStringLiteral("libqt6sql6-mysql"));
        return QString();
    }
    if (programa(FIREBIRD_SERVIDOR).isEmpty())
        return falta(QStringLiteral("el programa ") + FIREBIRD_SERVIDOR, QStringLiteral("firebird3.0-server"));
    if (!QFileInfo::exists(FIREBIRD_SEGURIDAD))
        return falta(FIREBIRD_SEGURIDAD, QStringLiteral("firebird3.0-server"));
    if (programa(FIREBIRD_CLIENTE).isEmpty())
        return falta(QStringLiteral("el programa ") + FIREBIRD_CLIENTE, QStringLiteral("firebird3.0-utils"));
    if (raizFirebird().isEmpty())
        return falta(QStringLiteral("firebird.msg"), QStringLiteral("libfbclient2"));
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QIBASE")))
        return falta(QStringLiteral("el controlador QIBASE de Qt"), QStringLiteral("libqt6sql6-ibase"));
    return QString();
}

int TServidorBaseDatos::puertoLibre()
{
    // Below the range the system hands out for outgoing connections, so a
    // port found free here is not taken by one of them before the server
    // binds it.
    for (int intento = 0; intento < 200; ++intento) {
        const auto puerto = quint16(QRandomGenerator::global()->bounded(20000, 32000));
        QTcpServer prueba;
        if (prueba.listen(QHostAddress::LocalHost, puerto))
            return puerto;
    }
    QTcpServer cualquiera;
    cualquiera.listen(QHostAddress::LocalHost, 0);
    return cualquiera.serverPort();
}

QString TServidorBaseDatos::carpeta() const
{
    return m_carpeta ? m_carpeta->path() : QString();
}

QString TServidorBaseDatos::socket() const
{
    return carpeta() + QStringLiteral("/mariadb.sock");
}

QString TServidorBaseDatos::rutaFirebird(const QString& archivo) const
{
    return QStringLiteral("127.0.0.1/%1:%2").arg(m_puerto).arg(archivo);
}

QString TServidorBaseDatos::usuario() const
{
    return m_tipo == Tipo::MariaDB ? QStringLiteral("root") : QStringLiteral("SYSDBA");
}

QString TServidorBaseDatos::password() const
{
    return m_password;
}

bool TServidorBaseDatos::activo() const
{
    return m_proceso.state() != QProcess::NotRunning;
}

QString TServidorBaseDatos::ultimasLineasLog(int cuantas) const
{
    QFile log(carpeta() + QStringLiteral("/servidor.log"));
    if (!log.open(QIODevice::ReadOnly))
        return QString();
    const QStringList lineas = QString::fromUtf8(log.readAll()).trimmed().split(QLatin1Char('\n'));
    return lineas.mid(qMax(0, int(lineas.size()) - cuantas)).join(QLatin1Char('\n'));
}

bool TServidorBaseDatos::inicia()
{
    m_error.clear();
    if (activo())
        return true;
    if (!m_preparado) {
        // A port found free may still be taken before the server binds it;
        // only the first start may move to another one.
        for (int intento = 0; intento < 3; ++intento) {
            m_carpeta.reset();
            if (!prepara())
                return false;
            if (arranca())
                break;
            if (activo())
                return false; // it runs but never answered: no other port would help
        }
        if (!activo())
            return false;
        if (m_tipo == Tipo::MariaDB) {
            // The administrator gets a password for both ways in: the
            // socket the tools use and TCP the program uses.
            const QString pw = comillas(m_password, QLatin1Char('\''));
            const QString sql = QStringLiteral("CREATE USER IF NOT EXISTS 'root'@'127.0.0.1'; "
                                               "ALTER USER 'root'@'localhost' IDENTIFIED BY %1; "
                                               "ALTER USER 'root'@'127.0.0.1' IDENTIFIED BY %1; "
                                               "GRANT ALL PRIVILEGES ON *.* TO 'root'@'127.0.0.1' WITH GRANT OPTION; "
                                               "FLUSH PRIVILEGES")
                                    .arg(pw);
            if (!ejecutaCliente(sql, QString(), QStringLiteral("root"), QString())) {
                m_error = QStringLiteral("No se pudo poner la contraseña del administrador de MariaDB: ") + m_error;
                return false;
            }
        }
        m_preparado = true;
        return true;
    }
    return arranca();
}

bool TServidorBaseDatos::prepara()
{
    QString plantilla = QDir::tempPath() + QStringLiteral("/vk-bd-XXXXXX");
    // The server refuses a socket path longer than 107 bytes.
    if (QFile::encodeName(plantilla + QStringLiteral("/mariadb.sock")).size() > 100)
        plantilla = QStringLiteral("/tmp/vk-bd-XXXXXX");
    m_carpeta = std::make_unique<QTemporaryDir>(plantilla);
    if (!m_carpeta->isValid()) {
        m_error = QStringLiteral("No se pudo crear la carpeta del servidor: ") + m_carpeta->errorString();
        return false;
    }
    m_puerto = puertoLibre();
    const QString dir = carpeta();

    if (m_tipo == Tipo::MariaDB) {
        // The installer's own server, too, empties its folder for temporary
        // tables when it starts (see arranca).
        QDir(dir).mkpath(QStringLiteral("temporales"));
        QProcess instala;
        instala.setProcessChannelMode(QProcess::MergedChannels);
        instala.start(programa(MARIADB_INSTALA),
                      {QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + dir + QStringLiteral("/datos"),
                       QStringLiteral("--auth-root-authentication-method=normal"), QStringLiteral("--skip-test-db"),
                       QStringLiteral("--innodb-log-file-size=8M"),
                       QStringLiteral("--tmpdir=") + dir + QStringLiteral("/temporales")});
        QString salida;
        if (!terminaProceso(instala, 120000, &salida)) {
            m_error = QStringLiteral("No se pudo preparar la carpeta de MariaDB: ") + salida;
            return false;
        }
        return true;
    }

    const QString raiz = raizFirebird();
    QDir().mkpath(dir + QStringLiteral("/bloqueos"));
    QDir().mkpath(dir + QStringLiteral("/db"));
    QFile::link(raiz + QStringLiteral("/firebird.msg"), dir + QStringLiteral("/firebird.msg"));
    QFile::link(raiz + QStringLiteral("/intl"), dir + QStringLiteral("/intl"));
    QFile::copy(raiz + QStringLiteral("/plugins.conf"), dir + QStringLiteral("/plugins.conf"));
    QFile conf(dir + QStringLiteral("/firebird.conf"));
    if (!conf.open(QIODevice::WriteOnly) || conf.write(QStringLiteral("RemoteServicePort = %1\n"
                                                                      "RemoteBindAddress = 127.0.0.1\n"
                                                                      "SecurityDatabase = %2/security3.fdb\n")
                                                           .arg(m_puerto)
                                                           .arg(dir)
                                                           .toUtf8()) < 0) {
        m_error = QStringLiteral("No se pudo escribir ") + conf.fileName();
        return false;
    }
    conf.close();
    // Made by the engine inside isql itself (no server yet), which does not
    // ask for a password.
    const QString sql =
        QStringLiteral("CREATE DATABASE %1;\nINPUT %2;\nCREATE OR ALTER USER SYSDBA PASSWORD %3 USING PLUGIN Srp;\n"
                       "COMMIT;\n")
            .arg(comillas(dir + QStringLiteral("/security3.fdb"), QLatin1Char('\'')),
                 comillas(FIREBIRD_SEGURIDAD, QLatin1Char('\'')), comillas(m_password, QLatin1Char('\'')));
    QProcess isql;
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("FIREBIRD"), dir);
    entorno.insert(QStringLiteral("FIREBIRD_LOCK"), dir + QStringLiteral("/bloqueos"));
    entorno.insert(QStringLiteral("ISC_USER"), QStringLiteral("SYSDBA"));
    entorno.remove(QStringLiteral("ISC_PASSWORD"));
    isql.setProcessEnvironment(entorno);
    isql.start(programa(FIREBIRD_CLIENTE), {QStringLiteral("-q"), QStringLiteral("-b")});
    isql.write(sql.toUtf8());
    isql.closeWriteChannel();
    QString salida;
    if (!terminaProceso(isql, 60000, &salida)) {
        m_error = QStringLiteral("No se pudo crear la base de seguridad de Firebird: ") + salida;
        return false;
    }
    return true;
}

bool TServidorBaseDatos::arranca()
{
    const QString dir = carpeta();
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    QStringList argumentos;
    if (m_tipo == Tipo::MariaDB) {
        m_proceso.setProgram(programa(MARIADB_SERVIDOR));
        argumentos = {QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + dir + QStringLiteral("/datos"),
                      QStringLiteral("--socket=") + socket(), QStringLiteral("--port=%1").arg(m_puerto),
                      QStringLiteral("--bind-address=127.0.0.1"), QStringLiteral("--innodb-log-file-size=8M"),
                      // Its own folder for temporary tables: a server that
                      // starts removes every "#sql" file it finds there,
                      // another test's server's among them.
                      QStringLiteral("--tmpdir=") + dir + QStringLiteral("/temporales"),
                      // Accounts match by address; no name look-up to wait on.
                      QStringLiteral("--skip-name-resolve"),
                      // The log is written at each commit and forced to the
                      // disk once a second: a killed server still keeps
                      // every commit (the system holds the pages), only a
                      // power cut would not. Data files keep their usual
                      // flushing and the doublewrite buffer: without them
                      // ("nosync", no doublewrite) a server killed while
                      // creating a schema stopped on an assertion when it
                      // read that schema again after a restart.
                      QStringLiteral("--innodb-flush-log-at-trx-commit=2")};
        if (::geteuid() == 0)
            argumentos << QStringLiteral("--user=root");
    } else {
        m_proceso.setProgram(programa(FIREBIRD_SERVIDOR));
        // Its own configuration and locks; the test process keeps the
        // program's (the client library reads them once, on first use).
        entorno.insert(QStringLiteral("FIREBIRD"), dir);
        entorno.insert(QStringLiteral("FIREBIRD_LOCK"), dir + QStringLiteral("/bloqueos"));
    }
    m_proceso.setArguments(argumentos);
    m_proceso.setProcessEnvironment(entorno);
    m_proceso.setWorkingDirectory(dir);
    m_proceso.setStandardOutputFile(dir + QStringLiteral("/servidor.log"), QIODevice::Append);
    m_proceso.setStandardErrorFile(dir + QStringLiteral("/servidor.log"), QIODevice::Append);
    m_proceso.setChildProcessModifier([] {
        // A program that blocks the termination signals (ours does) passes
        // the blocked set on; the server must be able to receive SIGTERM.
        TSenalesTerminacion::desbloquea();
        // A test that crashes or is killed takes its server with it.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    m_proceso.start();
    if (!m_proceso.waitForStarted(30000)) {
        m_error = QStringLiteral("No se pudo arrancar %1: %2").arg(m_proceso.program(), m_proceso.errorString());
        return false;
    }
    return esperaListo();
}

bool TServidorBaseDatos::esperaListo()
{
    const QDeadlineTimer limite(120000);
    while (!limite.hasExpired()) {
        QTcpSocket prueba;
        prueba.connectToHost(QHostAddress::LocalHost, quint16(m_puerto));
        if (prueba.waitForConnected(500)) {
            // Whoever took the port first may be another program; only a
            // server of ours still running is ready.
            if (activo())
                return true;
            break;
        }
        // Waits for the next try, and notices a server that ended.
        if (m_proceso.waitForFinished(50))
            break;
    }
    if (activo()) {
        m_error = QStringLiteral("El servidor no acepta conexiones en el puerto %1.").arg(m_puerto);
        return false;
    }
    m_error = QStringLiteral("El servidor terminó al arrancar: ") + ultimasLineasLog();
    return false;
}

void TServidorBaseDatos::detiene()
{
    if (!activo())
        return;
    if (m_tipo == Tipo::MariaDB) {
        QProcess admin;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        if (m_preparado)
            entorno.insert(QStringLiteral("MYSQL_PWD"), m_password);
        admin.setProcessEnvironment(entorno);
        admin.start(programa(MARIADB_ADMIN),
                    {QStringLiteral("--no-defaults"), QStringLiteral("--protocol=socket"),
                     QStringLiteral("--socket=") + socket(), QStringLiteral("-uroot"), QStringLiteral("shutdown")});
        terminaProceso(admin, 30000, nullptr);
    } else {
        ::kill(static_cast<pid_t>(m_proceso.processId()), SIGTERM);
    }
    // Now and then Firebird ignores SIGTERM; MariaDB flushes for a second.
    if (!m_proceso.waitForFinished(15000)) {
        m_proceso.kill();
        m_proceso.waitForFinished(10000);
    }
}

void TServidorBaseDatos::mata()
{
    if (!activo())
        return;
    m_proceso.kill();
    m_proceso.waitForFinished(10000);
}

bool TServidorBaseDatos::ejecutaCliente(const QString& sql, const QString& baseDatos, const QString& cuenta,
                                        const QString& clave)
{
    QProcess cliente;
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    // Passwords go through the environment, never the command line others
    // can read.
    if (m_tipo == Tipo::MariaDB) {
        entorno.remove(QStringLiteral("MYSQL_PWD"));
        if (!clave.isEmpty())
            entorno.insert(QStringLiteral("MYSQL_PWD"), clave);
        cliente.setProcessEnvironment(entorno);
        QStringList argumentos = {QStringLiteral("--no-defaults"), QStringLiteral("--protocol=socket"),
                                  QStringLiteral("--socket=") + socket(), QStringLiteral("--user=") + cuenta,
                                  QStringLiteral("--batch")};
        if (!baseDatos.isEmpty())
            argumentos << QStringLiteral("--database=") + baseDatos;
        cliente.start(programa(MARIADB_CLIENTE), argumentos);
        cliente.write(sql.toUtf8() + ";\n");
    } else {
        entorno.insert(QStringLiteral("FIREBIRD"), carpeta());
        entorno.insert(QStringLiteral("FIREBIRD_LOCK"), carpeta() + QStringLiteral("/bloqueos"));
        entorno.insert(QStringLiteral("ISC_USER"), cuenta);
        entorno.insert(QStringLiteral("ISC_PASSWORD"), clave);
        cliente.setProcessEnvironment(entorno);
        QStringList argumentos = {QStringLiteral("-q"), QStringLiteral("-b")};
        if (!baseDatos.isEmpty())
            argumentos << rutaFirebird(baseDatos);
        cliente.start(programa(FIREBIRD_CLIENTE), argumentos);
        cliente.write(sql.toUtf8() + ";\nCOMMIT;\n");
    }
    cliente.closeWriteChannel();
    QString salida;
    if (!terminaProceso(cliente, 60000, &salida)) {
        m_error = salida.isEmpty() ? cliente.errorString() : salida;
        return false;
    }
    return true;
}

bool TServidorBaseDatos::ejecuta(const QString& sql, const QString& baseDatos)
{
    m_error.clear();
    QString base = baseDatos;
    // Firebird statements need a database to run in; the security database
    // is the one every server has.
    if (m_tipo == Tipo::Firebird && base.isEmpty())
        base = carpeta() + QStringLiteral("/security3.fdb");
    return ejecutaCliente(sql, base, usuario(), m_password);
}

QString TServidorBaseDatos::creaBaseDatos(const QString& nombre)
{
    m_error.clear();
    const QString elegido = nombre.isEmpty() ? QStringLiteral("vk_prueba_%1").arg(++m_bases) : nombre;
    if (m_tipo == Tipo::MariaDB) {
        if (!ejecutaCliente(QStringLiteral("CREATE DATABASE %1 CHARACTER SET utf8mb4 COLLATE utf8mb4_bin")
                                .arg(comillas(elegido, QLatin1Char('`'))),
                            QString(), usuario(), m_password))
            return QString();
        return elegido;
    }
    QString archivo = carpeta() + QStringLiteral("/db/") + elegido;
    if (!archivo.endsWith(QStringLiteral(".fdb"), Qt::CaseInsensitive))
        archivo += QStringLiteral(".fdb");
    // Over TCP, so the server creates and holds the file from the start.
    const QString sql = QStringLiteral("CREATE DATABASE %1 USER %2 PASSWORD %3 PAGE_SIZE 16384 "
                                       "DEFAULT CHARACTER SET UTF8")
                            .arg(comillas(rutaFirebird(archivo), QLatin1Char('\'')),
                                 comillas(usuario(), QLatin1Char('\'')), comillas(m_password, QLatin1Char('\'')));
    if (!ejecutaCliente(sql, QString(), usuario(), m_password))
        return QString();
    return archivo;
}

bool TServidorBaseDatos::creaUsuario(const QString& cuenta, const QString& clave, const QString& privilegios,
                                     const QString& baseDatos)
{
    m_error.clear();
    if (m_tipo == Tipo::MariaDB) {
        const QString quien = comillas(cuenta, QLatin1Char('\'')) + QStringLiteral("@'%'");
        return ejecuta(
            QStringLiteral("CREATE USER %1 IDENTIFIED BY %2; GRANT %3 ON %4.* TO %1")
                .arg(quien, comillas(clave, QLatin1Char('\'')), privilegios, comillas(baseDatos, QLatin1Char('`'))));
    }
    // Firebird 3 lets only the owner (and the administrator) create tables
    // in a database unless granted: a user with no grant is the account
    // that may sign in but not build the schema.
    return ejecuta(QStringLiteral("CREATE OR ALTER USER %1 PASSWORD %2 USING PLUGIN Srp")
                       .arg(comillas(cuenta.toUpper(), QLatin1Char('"')), comillas(clave, QLatin1Char('\''))),
                   baseDatos);
}

TConexionSesion TServidorBaseDatos::conexion(const QString& baseDatos) const
{
    return TConexionSesion::servidor(motor(), usuario(), password(), host(), QString::number(m_puerto), baseDatos);
}

TConexionSesion TServidorBaseDatos::conexion(const QString& baseDatos, const QString& cuenta,
                                             const QString& clave) const
{
    return TConexionSesion::servidor(motor(), cuenta, clave, host(), QString::number(m_puerto), baseDatos);
}

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

using namespace Qt::StringLiterals;

namespace {

const QString MARIADB_INSTALA = u"mariadb-install-db"_s;
const QString MARIADB_SERVIDOR = u"mariadbd"_s;
const QString MARIADB_CLIENTE = u"mariadb"_s;
const QString MARIADB_ADMIN = u"mariadb-admin"_s;
const QString FIREBIRD_SERVIDOR = u"firebird"_s;
const QString FIREBIRD_CLIENTE = u"isql-fb"_s;
const QString FIREBIRD_SEGURIDAD = u"/usr/share/firebird/3.0/security.sql"_s;

// The servers and their tools live in sbin, which an ordinary account's PATH
// may leave out.
QString programa(const QString& nombre)
{
    QString ruta = QStandardPaths::findExecutable(nombre);
    if (ruta.isEmpty())
        ruta = QStandardPaths::findExecutable(nombre, {u"/usr/sbin"_s, u"/sbin"_s, u"/usr/bin"_s});
    return ruta;
}

// Debian's Firebird root (messages, character sets, plugins.conf), under the
// machine's library folder.
QString raizFirebird()
{
    const QStringList candidatas = QDir(u"/usr/lib"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& carpeta : candidatas) {
        const QString raiz = u"/usr/lib/%1/firebird/3.0"_s.arg(carpeta);
        if (QFileInfo::exists(raiz + u"/firebird.msg"_s))
            return raiz;
    }
    return QString();
}

QString comillas(QString texto, QChar comilla = u'\'')
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

// Its own configuration and locks; the test process keeps the program's (the
// client library reads them once, on first use).
QProcessEnvironment entornoFirebird(const QString& dir)
{
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(u"FIREBIRD"_s, dir);
    entorno.insert(u"FIREBIRD_LOCK"_s, dir + u"/bloqueos"_s);
    return entorno;
}

} // namespace

TServidorBaseDatos::TServidorBaseDatos(Tipo tipo) : m_tipo(tipo)
{
    const QString caracteres = u"abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789"_s;
    m_password = u"Vk"_s;
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
        return u"No se encontró %1 (paquete %2): esta computadora no puede arrancar el servidor de prueba."_s.arg(
            nombre, paquete);
    };
    // The packages named are those of paquetes-debian.txt that bring them.
    if (tipo == Tipo::MariaDB) {
        for (const QString& nombre : {MARIADB_INSTALA, MARIADB_SERVIDOR, MARIADB_ADMIN, MARIADB_CLIENTE})
            if (programa(nombre).isEmpty())
                return falta(u"el programa "_s + nombre, u"mariadb-server"_s);
        if (!QSqlDatabase::isDriverAvailable(u"QMYSQL"_s))
            return falta(u"el controlador QMYSQL de Qt"_s, u"libqt6sql6-mysql"_s);
        return QString();
    }
    if (programa(FIREBIRD_SERVIDOR).isEmpty())
        return falta(u"el programa "_s + FIREBIRD_SERVIDOR, u"firebird3.0-server"_s);
    if (!QFileInfo::exists(FIREBIRD_SEGURIDAD))
        return falta(FIREBIRD_SEGURIDAD, u"firebird3.0-server"_s);
    if (programa(FIREBIRD_CLIENTE).isEmpty())
        return falta(u"el programa "_s + FIREBIRD_CLIENTE, u"firebird3.0-utils"_s);
    if (raizFirebird().isEmpty())
        return falta(u"firebird.msg"_s, u"libfbclient2"_s);
    if (!QSqlDatabase::isDriverAvailable(u"QIBASE"_s))
        return falta(u"el controlador QIBASE de Qt"_s, u"libqt6sql6-ibase"_s);
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

QString TServidorBaseDatos::rutaFirebird(const QString& archivo) const
{
    return u"127.0.0.1/%1:%2"_s.arg(m_puerto).arg(archivo);
}

QString TServidorBaseDatos::ultimasLineasLog(int cuantas) const
{
    QFile log(carpeta() + u"/servidor.log"_s);
    if (!log.open(QIODevice::ReadOnly))
        return QString();
    const QStringList lineas = QString::fromUtf8(log.readAll()).trimmed().split(u'\n');
    return lineas.mid(qMax(0, int(lineas.size()) - cuantas)).join(u'\n');
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
            const QString sql = u"CREATE USER IF NOT EXISTS 'root'@'127.0.0.1'; "
                                "ALTER USER 'root'@'localhost' IDENTIFIED BY %1; "
                                "ALTER USER 'root'@'127.0.0.1' IDENTIFIED BY %1; "
                                "GRANT ALL PRIVILEGES ON *.* TO 'root'@'127.0.0.1' WITH GRANT OPTION; "
                                "FLUSH PRIVILEGES"_s.arg(comillas(m_password));
            if (!ejecutaCliente(sql, QString(), u"root"_s, QString())) {
                m_error = u"No se pudo poner la contraseña del administrador de MariaDB: "_s + m_error;
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
    QString plantilla = QDir::tempPath() + u"/vk-bd-XXXXXX"_s;
    // The server refuses a socket path longer than 107 bytes.
    if (QFile::encodeName(plantilla + u"/mariadb.sock"_s).size() > 100)
        plantilla = u"/tmp/vk-bd-XXXXXX"_s;
    m_carpeta = std::make_unique<QTemporaryDir>(plantilla);
    if (!m_carpeta->isValid()) {
        m_error = u"No se pudo crear la carpeta del servidor: "_s + m_carpeta->errorString();
        return false;
    }
    m_puerto = puertoLibre();
    const QString dir = carpeta();

    if (m_tipo == Tipo::MariaDB) {
        // The installer's own server, too, empties its folder for temporary
        // tables when it starts (see arranca).
        QDir(dir).mkpath(u"temporales"_s);
        QProcess instala;
        instala.setProcessChannelMode(QProcess::MergedChannels);
        instala.start(programa(MARIADB_INSTALA),
                      {u"--no-defaults"_s, u"--datadir="_s + dir + u"/datos"_s,
                       u"--auth-root-authentication-method=normal"_s, u"--skip-test-db"_s,
                       u"--innodb-log-file-size=8M"_s, u"--tmpdir="_s + dir + u"/temporales"_s});
        QString salida;
        if (!terminaProceso(instala, 120000, &salida)) {
            m_error = u"No se pudo preparar la carpeta de MariaDB: "_s + salida;
            return false;
        }
        return true;
    }

    const QString raiz = raizFirebird();
    QDir().mkpath(dir + u"/bloqueos"_s);
    QDir().mkpath(dir + u"/db"_s);
    QFile::link(raiz + u"/firebird.msg"_s, dir + u"/firebird.msg"_s);
    QFile::link(raiz + u"/intl"_s, dir + u"/intl"_s);
    QFile::copy(raiz + u"/plugins.conf"_s, dir + u"/plugins.conf"_s);
    const QString configuracion = u"RemoteServicePort = %1\n"
                                  "RemoteBindAddress = 127.0.0.1\n"
                                  "SecurityDatabase = %2/security3.fdb\n"_s.arg(QString::number(m_puerto), dir);
    QFile conf(dir + u"/firebird.conf"_s);
    if (!conf.open(QIODevice::WriteOnly) || conf.write(configuracion.toUtf8()) < 0) {
        m_error = u"No se pudo escribir "_s + conf.fileName();
        return false;
    }
    conf.close();
    // Made by the engine inside isql itself (no server yet), which does not
    // ask for a password.
    const QString sql =
        u"CREATE DATABASE %1;\nINPUT %2;\nCREATE OR ALTER USER SYSDBA PASSWORD %3 USING PLUGIN Srp;\n"
        "COMMIT;\n"_s.arg(comillas(dir + u"/security3.fdb"_s), comillas(FIREBIRD_SEGURIDAD), comillas(m_password));
    QProcess isql;
    QProcessEnvironment entorno = entornoFirebird(dir);
    entorno.insert(u"ISC_USER"_s, u"SYSDBA"_s);
    entorno.remove(u"ISC_PASSWORD"_s);
    isql.setProcessEnvironment(entorno);
    isql.start(programa(FIREBIRD_CLIENTE), {u"-q"_s, u"-b"_s});
    isql.write(sql.toUtf8());
    isql.closeWriteChannel();
    QString salida;
    if (!terminaProceso(isql, 60000, &salida)) {
        m_error = u"No se pudo crear la base de seguridad de Firebird: "_s + salida;
        return false;
    }
    return true;
}

bool TServidorBaseDatos::arranca()
{
    const QString dir = carpeta();
    QProcessEnvironment entorno =
        m_tipo == Tipo::MariaDB ? QProcessEnvironment::systemEnvironment() : entornoFirebird(dir);
    QStringList argumentos;
    if (m_tipo == Tipo::MariaDB) {
        m_proceso.setProgram(programa(MARIADB_SERVIDOR));
        argumentos = {u"--no-defaults"_s, u"--datadir="_s + dir + u"/datos"_s, u"--socket="_s + socket(),
                      u"--port=%1"_s.arg(m_puerto), u"--bind-address=127.0.0.1"_s, u"--innodb-log-file-size=8M"_s,
                      // Its own folder for temporary tables: a server that
                      // starts removes every "#sql" file it finds there,
                      // another test's server's among them.
                      u"--tmpdir="_s + dir + u"/temporales"_s,
                      // Accounts match by address; no name look-up to wait on.
                      u"--skip-name-resolve"_s,
                      // The log is written at each commit and forced to the
                      // disk once a second: a killed server still keeps
                      // every commit (the system holds the pages), only a
                      // power cut would not. Data files keep their usual
                      // flushing and the doublewrite buffer: without them
                      // ("nosync", no doublewrite) a server killed while
                      // creating a schema stopped on an assertion when it
                      // read that schema again after a restart.
                      u"--innodb-flush-log-at-trx-commit=2"_s};
        if (::geteuid() == 0)
            argumentos << u"--user=root"_s;
    } else {
        m_proceso.setProgram(programa(FIREBIRD_SERVIDOR));
    }
    m_proceso.setArguments(argumentos);
    m_proceso.setProcessEnvironment(entorno);
    m_proceso.setWorkingDirectory(dir);
    m_proceso.setStandardOutputFile(dir + u"/servidor.log"_s, QIODevice::Append);
    m_proceso.setStandardErrorFile(dir + u"/servidor.log"_s, QIODevice::Append);
    m_proceso.setChildProcessModifier([] {
        // A program that blocks the termination signals (ours does) passes
        // the blocked set on; the server must be able to receive SIGTERM.
        TSenalesTerminacion::desbloquea();
        // A test that crashes or is killed takes its server with it.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    m_proceso.start();
    if (!m_proceso.waitForStarted(30000)) {
        m_error = u"No se pudo arrancar %1: %2"_s.arg(m_proceso.program(), m_proceso.errorString());
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
        m_error = u"El servidor no acepta conexiones en el puerto %1."_s.arg(m_puerto);
        return false;
    }
    m_error = u"El servidor terminó al arrancar: "_s + ultimasLineasLog();
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
            entorno.insert(u"MYSQL_PWD"_s, m_password);
        admin.setProcessEnvironment(entorno);
        admin.start(programa(MARIADB_ADMIN), {u"--no-defaults"_s, u"--protocol=socket"_s, u"--socket="_s + socket(),
                                              u"-uroot"_s, u"shutdown"_s});
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
    // Passwords go through the environment, never the command line others
    // can read.
    QProcessEnvironment entorno =
        m_tipo == Tipo::MariaDB ? QProcessEnvironment::systemEnvironment() : entornoFirebird(carpeta());
    if (m_tipo == Tipo::MariaDB) {
        entorno.remove(u"MYSQL_PWD"_s);
        if (!clave.isEmpty())
            entorno.insert(u"MYSQL_PWD"_s, clave);
        cliente.setProcessEnvironment(entorno);
        QStringList argumentos = {u"--no-defaults"_s, u"--protocol=socket"_s, u"--socket="_s + socket(),
                                  u"--user="_s + cuenta, u"--batch"_s};
        if (!baseDatos.isEmpty())
            argumentos << u"--database="_s + baseDatos;
        cliente.start(programa(MARIADB_CLIENTE), argumentos);
        cliente.write(sql.toUtf8() + ";\n");
    } else {
        entorno.insert(u"ISC_USER"_s, cuenta);
        entorno.insert(u"ISC_PASSWORD"_s, clave);
        cliente.setProcessEnvironment(entorno);
        QStringList argumentos = {u"-q"_s, u"-b"_s};
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
        base = carpeta() + u"/security3.fdb"_s;
    return ejecutaCliente(sql, base, usuario(), m_password);
}

QString TServidorBaseDatos::creaBaseDatos(const QString& nombre)
{
    m_error.clear();
    const QString elegido = nombre.isEmpty() ? u"vk_prueba_%1"_s.arg(++m_bases) : nombre;
    if (m_tipo == Tipo::MariaDB) {
        if (!ejecuta(u"CREATE DATABASE %1 CHARACTER SET utf8mb4 COLLATE utf8mb4_bin"_s.arg(comillas(elegido, u'`'))))
            return QString();
        return elegido;
    }
    QString archivo = carpeta() + u"/db/"_s + elegido;
    if (!archivo.endsWith(u".fdb"_s, Qt::CaseInsensitive))
        archivo += u".fdb"_s;
    // Over TCP, so the server creates and holds the file from the start.
    const QString sql =
        u"CREATE DATABASE %1 USER %2 PASSWORD %3 PAGE_SIZE 16384 "
        "DEFAULT CHARACTER SET UTF8"_s.arg(comillas(rutaFirebird(archivo)), comillas(usuario()), comillas(m_password));
    if (!ejecutaCliente(sql, QString(), usuario(), m_password))
        return QString();
    return archivo;
}

bool TServidorBaseDatos::creaUsuario(const QString& cuenta, const QString& clave, const QString& privilegios,
                                     const QString& baseDatos)
{
    m_error.clear();
    if (m_tipo == Tipo::MariaDB) {
        const QString quien = comillas(cuenta) + u"@'%'"_s;
        return ejecuta(u"CREATE USER %1 IDENTIFIED BY %2; GRANT %3 ON %4.* TO %1"_s.arg(
            quien, comillas(clave), privilegios, comillas(baseDatos, u'`')));
    }
    // Firebird 3 lets only the owner (and the administrator) create tables
    // in a database unless granted: a user with no grant is the account
    // that may sign in but not build the schema.
    const QString quien = comillas(cuenta.toUpper(), u'"');
    return ejecuta(u"CREATE OR ALTER USER %1 PASSWORD %2 USING PLUGIN Srp"_s.arg(quien, comillas(clave)), baseDatos);
}

TConexionSesion TServidorBaseDatos::conexion(const QString& baseDatos, const QString& cuenta,
                                             const QString& clave) const
{
    return TConexionSesion::servidor(motor(), cuenta, clave, host(), QString::number(m_puerto), baseDatos);
}

#pragma once
#include "TConexionSesion.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// A database server of a test's own: MariaDB or a Firebird server, started
// from Debian's binaries in a temporary folder on 127.0.0.1 and a free port,
// never touching the computer's own services. The destructor stops it and
// removes its folder.
class TServidorBaseDatos {
public:
    enum class Tipo { MariaDB, Firebird };

    explicit TServidorBaseDatos(Tipo tipo);
    ~TServidorBaseDatos();
    TServidorBaseDatos(const TServidorBaseDatos&) = delete;
    TServidorBaseDatos& operator=(const TServidorBaseDatos&) = delete;

    // Why this computer cannot run one (its binaries are missing); empty when
    // it can. A test skips with this text, never otherwise.
    static QString faltante(Tipo tipo);

    // Starts it and waits until it takes connections; false with error().
    bool inicia();
    QString error() const { return m_error; }
    // Stops it cleanly and waits for it.
    void detiene();
    // Kills it (SIGKILL), as a power cut would.
    void mata();
    // Starts it again on the same folder and port.
    bool reinicia() { return inicia(); }
    bool activo() const { return m_proceso.state() != QProcess::NotRunning; }

    Tipo tipo() const { return m_tipo; }
    TMotor motor() const { return m_tipo == Tipo::MariaDB ? TMotor::MariaDB : TMotor::FirebirdServidor; }
    QString host() const { return QStringLiteral("127.0.0.1"); }
    int puerto() const { return m_puerto; }
    // The administrator account ("root" or "SYSDBA") and its password.
    QString usuario() const { return m_tipo == Tipo::MariaDB ? QStringLiteral("root") : QStringLiteral("SYSDBA"); }
    QString password() const { return m_password; }

    // A new empty database: `nombre` (or a fresh one when empty) on MariaDB,
    // a file named so in the server's folder on Firebird, whose path is
    // returned. UTF-8 text on both. Empty, with error(), on failure.
    QString creaBaseDatos(const QString& nombre = QString());
    // An account with `privilegios` ("ALL", "SELECT, INSERT", ...) on one
    // database (MariaDB), or a plain user with no grant (Firebird).
    bool creaUsuario(const QString& usuario, const QString& password, const QString& privilegios,
                     const QString& baseDatos);
    // Runs one statement as the administrator, on `baseDatos` when given;
    // false with error().
    bool ejecuta(const QString& sql, const QString& baseDatos = QString());
    // The administrator's connection to one of its databases.
    TConexionSesion conexion(const QString& baseDatos) const { return conexion(baseDatos, usuario(), password()); }
    // A connection to `baseDatos` as another account.
    TConexionSesion conexion(const QString& baseDatos, const QString& usuario, const QString& password) const;
    // The server's folder (databases, logs).
    QString carpeta() const { return m_carpeta ? m_carpeta->path() : QString(); }

    // A port of 127.0.0.1 nothing listens on right now.
    static int puertoLibre();
    // The last lines of the server's own log, to say why it failed; a crash
    // report takes about sixty.
    QString ultimasLineasLog(int cuantas = 8) const;

private:
    bool prepara();
    bool arranca();
    bool esperaListo();
    bool ejecutaCliente(const QString& sql, const QString& baseDatos, const QString& usuario, const QString& password);
    QString socket() const { return carpeta() + QStringLiteral("/mariadb.sock"); }
    QString rutaFirebird(const QString& archivo) const;

    Tipo m_tipo;
    std::unique_ptr<QTemporaryDir> m_carpeta;
    QProcess m_proceso;
    int m_puerto = 0;
    bool m_preparado = false;
    QString m_password;
    int m_bases = 0;
    QString m_error;
};

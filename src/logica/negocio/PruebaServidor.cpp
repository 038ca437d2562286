#include "PruebaServidor.h"

#include "Conexiones.h"
#include "Dialecto.h"
#include "Errores.h"
#include "Esquema.h"
#include "Logmanager.h"
#include "Sistema.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

namespace PruebaServidor {

namespace {

// The engines' own texts, matched as patterns: the open fails with an
// exception carrying the engine's text, not its number. MariaDB writes its
// server-side messages in the server's language, so the Spanish ones count too;
// the client library's (no answer) and Firebird's are always English.
bool coincide(const QString& texto, const char* patron)
{
    return QRegularExpression(QLatin1String(patron), QRegularExpression::CaseInsensitiveOption).match(texto).hasMatch();
}

bool accesoNegado(const QString& t)
{
    // MariaDB 1045 and 1044 (an account that may not use that database, or
    // one without global rights asking for a database that does not exist).
    return coincide(t, "access\\sdenied\\sfor\\suser|acceso\\snegado\\spara\\susuario|"
                       "user\\sname\\sand\\spassword\\sare\\snot\\sdefined");
}

bool baseInexistente(const QString& t)
{
    // MariaDB 1049; Firebird cannot open the file.
    return coincide(t, "unknown\\sdatabase|base\\sde\\sdatos\\sdesconocida|i/o\\serror.*\\bopen\\b");
}

bool sinPermiso(const QSqlError& error)
{
    static const QStringList codigos{QStringLiteral("1142"), QStringLiteral("1044"), QStringLiteral("-551")};
    return codigos.contains(error.nativeErrorCode()) ||
           coincide(error.text(), "command\\sdenied|no\\spermission|no\\sprivilege|comando\\snegado");
}

QString servidor(const TConexionSesion& c)
{
    return QStringLiteral("%1:%2").arg(c.getServer().trimmed()).arg(c.puertoEfectivo());
}

QString motor(const TConexionSesion& c)
{
    return c.motor() == TMotor::MariaDB ? QStringLiteral("MariaDB") : QStringLiteral("Firebird");
}

TPrueba resultado(TResultado r, const QString& texto)
{
    return TPrueba{r, texto};
}

// Why opening failed, from the engine's text.
TPrueba fallaApertura(const TConexionSesion& c, const QString& tecnico)
{
    const QString base = c.getDatabase().trimmed();
    if (accesoNegado(tecnico))
        return resultado(
            TResultado::AccesoNegado,
            QStringLiteral("El servidor %1 en %2 no aceptó la cuenta %3 para la base de datos %4. Revisa el usuario y "
                           "la contraseña, y que esa cuenta tenga acceso a esa base de datos.")
                .arg(motor(c), servidor(c), c.getUsername().trimmed(), base));
    if (baseInexistente(tecnico))
        return resultado(
            TResultado::BaseInexistente,
            c.motor() == TMotor::MariaDB
                ? QStringLiteral("El servidor MariaDB en %1 no tiene la base de datos %2. Revisa el nombre o pide al "
                                 "administrador del servidor que la cree vacía.")
                      .arg(servidor(c), base)
                : QStringLiteral(
                      "El servidor Firebird en %1 no encuentra la base de datos %2. Escribe la ruta completa "
                      "del archivo en el servidor, o pide al administrador que la cree vacía.")
                      .arg(servidor(c), base));
    if (TDialecto::esConexionPerdida(tecnico))
        return resultado(TResultado::NoResponde,
                         QStringLiteral("No responde ningún servidor %1 en %2. Revisa que el servidor esté encendido, "
                                        "que el nombre del equipo y el puerto sean los correctos, y que la red o un "
                                        "cortafuegos no impidan llegar a él.")
                             .arg(motor(c), servidor(c)));
    return resultado(TResultado::Error,
                     QStringLiteral("No se pudo abrir la base de datos %1 en %2: %3").arg(base, servidor(c), tecnico));
}

// Closes the connection however the check ends.
struct TCierre {
    const TConexionSesion& conexion;
    ~TCierre() { Conexiones::cierra(conexion); }
};

} // namespace

TPrueba prueba(const TConexionSesion& conexion)
{
    const QString base = conexion.getDatabase().trimmed();
    if (!conexion.enServidor())
        return resultado(TResultado::DatosIncompletos,
                         QStringLiteral("Elige el motor del servidor (MariaDB o Firebird) para probar la conexión."));
    QStringList faltan;
    if (conexion.getServer().trimmed().isEmpty())
        faltan << QStringLiteral("el servidor");
    if (base.isEmpty())
        faltan << QStringLiteral("la base de datos");
    if (conexion.getUsername().trimmed().isEmpty())
        faltan << QStringLiteral("el usuario");
    if (!faltan.isEmpty())
        return resultado(
            TResultado::DatosIncompletos,
            QStringLiteral("Para probar la conexión falta escribir %1.").arg(faltan.join(QStringLiteral(", "))));

    const TCierre cierre{conexion};
    QSqlDatabase db;
    try {
        db = Conexiones::baseDatos(conexion);
    } catch (const EVelkor& e) {
        Logmanager::Log(QStringLiteral("Prueba de conexión con %1: %2").arg(conexion.descripcion(), e.mensaje()), 3,
                        Sistema::exePath);
        // Only the engine's part of the message: the database's own name
        // could read like one of its texts.
        QString tecnico = e.mensaje();
        const QString marca = conexion.descripcion() + QStringLiteral(": ");
        if (const int i = tecnico.indexOf(marca); i >= 0)
            tecnico = tecnico.mid(i + marca.size());
        return fallaApertura(conexion, tecnico);
    }

    QStringList tablas;
    try {
        tablas = Esquema::tablasPresentes(conexion);
    } catch (const EVelkor& e) {
        Logmanager::Log(QStringLiteral("Prueba de conexión con %1: %2").arg(conexion.descripcion(), e.mensaje()), 3,
                        Sistema::exePath);
        return resultado(TResultado::Error,
                         QStringLiteral("No se pudo leer qué tablas tiene la base de datos %1 en %2: %3")
                             .arg(base, servidor(conexion), e.mensaje()));
    }
    if (!tablas.isEmpty()) {
        QStringList muestra = tablas.mid(0, 5);
        if (tablas.size() > muestra.size())
            muestra << QStringLiteral("…");
        return resultado(TResultado::BaseNoVacia,
                         QStringLiteral("La base de datos %1 en %2 ya tiene tablas (%3). Una empresa nueva "
                                        "necesita una base de datos vacía: elige otra o pide al administrador del "
                                        "servidor una nueva.")
                             .arg(base, servidor(conexion), muestra.join(QStringLiteral(", "))));
    }

    // A name of its own, so two workstations checking at once do not meet.
    const QString tabla = QStringLiteral("\"VK_PRUEBA_%1\"")
                              .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))
                              .toUpper();
    const TDialecto& dialecto = TDialecto::de(conexion);
    QSqlQuery consulta(db);
    if (!consulta.exec(dialecto.adapta(QStringLiteral("CREATE TABLE %1 (\"ID\" INTEGER)").arg(tabla)))) {
        const QSqlError error = consulta.lastError();
        Logmanager::Log(QStringLiteral("Prueba de conexión con %1: %2").arg(conexion.descripcion(), error.text()), 3,
                        Sistema::exePath);
        if (sinPermiso(error))
            return resultado(TResultado::SinPermisoTablas,
                             QStringLiteral("La cuenta %1 entra a la base de datos %2 en %3, pero no puede crear "
                                            "tablas en ella. Pide al administrador del servidor que te dé ese permiso "
                                            "(crear, modificar y borrar tablas en esa base de datos) o usa otra "
                                            "cuenta.")
                                 .arg(conexion.getUsername().trimmed(), base, servidor(conexion)));
        return resultado(TResultado::Error, QStringLiteral("No se pudo crear una tabla de prueba en la base de datos "
                                                           "%1 en %2: %3")
                                                .arg(base, servidor(conexion), error.text()));
    }
    if (!consulta.exec(dialecto.adapta(QStringLiteral("DROP TABLE %1").arg(tabla)))) {
        const QSqlError error = consulta.lastError();
        Logmanager::Log(QStringLiteral("Prueba de conexión con %1: %2").arg(conexion.descripcion(), error.text()), 3,
                        Sistema::exePath);
        return resultado(TResultado::Error,
                         QStringLiteral("Se creó la tabla de prueba %1 en la base de datos %2 en %3, pero no se pudo "
                                        "borrar: %4. Bórrala antes de crear la empresa ahí.")
                             .arg(tabla, base, servidor(conexion), error.text()));
    }
    return resultado(TResultado::Correcta,
                     QStringLiteral("La conexión funciona: la base de datos %1 en %2 está vacía y la cuenta %3 puede "
                                    "crear tablas en ella.")
                         .arg(base, servidor(conexion), conexion.getUsername().trimmed()));
}

} // namespace PruebaServidor

#include "RevisionMotor.h"

#include "Constantes.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Prompter.h"
#include "Rutas.h"
#include "Secretos.h"
#include "negocio/TAjustesPrograma.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/Utils.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSettings>

using namespace Constantes;

namespace RevisionMotor {

namespace {

// What the engine cannot open a database without: its configuration, and
// the folder its providers are loaded from.
const QString CONFIGURACION_MOTOR = QStringLiteral("firebird.conf");
const QString PLUGINS_MOTOR = QStringLiteral("plugins");

QString nativa(const QString& ruta)
{
    return QDir::toNativeSeparators(QDir::cleanPath(ruta));
}

// Whether anything kept in the program folder was enciphered under its key.
// Only the current form counts: an earlier version's program-wide cipher
// ("v1:") needs no key, and a folder it wrote gets its key at its first start.
// The businesses' databases are not opened here: a registered business
// leaves its secret's mark in Motor/, and one the registry does not list is
// taken to hold enciphered texts.
bool guardaCifrados()
{
    if (!QDir(Rutas::programa({MOTOR_PATH, QStringLiteral("SecretosNegocio")})).isEmpty())
        return true;
    const QString ajustes = TAjustesPrograma(Rutas::carpetaPrograma()).archivo();
    if (QFileInfo::exists(ajustes)) {
        const QSettings ini(ajustes, QSettings::IniFormat);
        for (const QString& clave : ini.allKeys())
            if (Secretos::esFormaActual(ini.value(clave).toString()))
                return true;
    }
    // Last: another process may hold the registry for a moment.
    QStringList empresas;
    if (QFileInfo::exists(TBaseDatosLocalFrm::archivoRegistro()) && !registroLocal().leeEmpresasDetalle(empresas))
        return false;
    QSet<QString> registradas;
    for (const QString& empresa : std::as_const(empresas)) {
        if (Secretos::esFormaActual(empresa.section(QLatin1Char('|'), -1)))
            return true;
        registradas.insert(empresa.section(QLatin1Char('|'), 0, 0).trimmed().toUpper());
    }
    // A business database the registry does not list was left when the
    // registry went, most likely with Motor/ and its marks: the key
    // enciphered its certificate's password and its secret (the earlier
    // version without a key wrote a registry listing every database).
    for (const QString& base : TBaseDatosLocalFrm::basesDatos(Rutas::carpetaPrograma()))
        if (!registradas.contains(QFileInfo(base).dir().dirName().toUpper()))
            return true;
    return false;
}

QString faltaConfiguracion(const QString& motor)
{
    const QFileInfo carpeta(motor);
    if (!carpeta.exists())
        return QStringLiteral("Falta la carpeta Motor del programa (%1): guarda la configuración del motor de base "
                              "de datos y la llave de esta instalación.")
            .arg(nativa(motor));
    if (!carpeta.isDir() || QDir(motor).isEmpty())
        return QStringLiteral("La carpeta Motor del programa (%1) está vacía: le falta la configuración del motor de "
                              "base de datos.")
            .arg(nativa(motor));
    QStringList faltan;
    for (const QString& parte : {CONFIGURACION_MOTOR, PLUGINS_MOTOR})
        if (!QFileInfo::exists(QDir(motor).filePath(parte)))
            faltan << QStringLiteral("«%1»").arg(parte);
    if (faltan.isEmpty())
        return {};
    return QStringLiteral("A la carpeta Motor del programa (%1) le falta %2, parte de la configuración del motor de "
                          "base de datos.")
        .arg(nativa(motor), faltan.join(QStringLiteral(" y ")));
}

QString llavePerdida()
{
    return QStringLiteral("Falta la llave de esta instalación (%1), con la que el programa guarda cifrada la "
                          "contraseña de la conexión de cada empresa, la del servidor de base de datos, la del correo "
                          "y la de los certificados. Con una llave nueva ya no se podrá leer ninguna de ellas.")
        .arg(nativa(Rutas::programa({Secretos::ARCHIVO_LLAVE})));
}

const QString RESTAURA_LLAVE =
    QStringLiteral("Restaura el archivo %1 de un respaldo de la carpeta del programa y vuelve a abrir %2.");

} // namespace

TRevision revisa()
{
    TRevision revision;
    const QString motor = Rutas::programa({MOTOR_PATH});
    const bool sinLlave = !QFileInfo::exists(Rutas::programa({Secretos::ARCHIVO_LLAVE}));
    const bool perdida = sinLlave && guardaCifrados();
    if (const QString falta = faltaConfiguracion(motor); !falta.isEmpty()) {
        revision.estado = TEstado::SinConfiguracion;
        QStringList lineas{falta};
        if (perdida)
            lineas << llavePerdida();
        lineas << QStringLiteral(
                      "Sin esa configuración, %1 no puede abrir las bases de datos de las empresas sin riesgo. Vuelve "
                      "a instalar %1 o restaura la carpeta Motor de un respaldo de la carpeta del programa, "
                      "y vuelve a abrirlo.")
                      .arg(NOMBRE_SISTEMA);
        revision.mensaje = lineas.join(SALTO);
        return revision;
    }
    if (perdida) {
        revision.estado = TEstado::LlavePerdida;
        revision.mensaje = llavePerdida() + SALTO + RESTAURA_LLAVE.arg(Secretos::ARCHIVO_LLAVE, NOMBRE_SISTEMA);
    }
    return revision;
}

bool permiteInicio()
{
    const TRevision revision = revisa();
    switch (revision.estado) {
    case TEstado::Completa:
        return true;
    case TEstado::SinConfiguracion:
        Logmanager::Log(QStringLiteral("No se inicia: ") + revision.mensaje, 1, Rutas::carpetaPrograma());
        Utils::mensaje(revision.mensaje, MSG_ERROR);
        return false;
    case TEstado::LlavePerdida:
        break;
    }
    Logmanager::Log(QStringLiteral("Falta la llave de la instalación y hay textos cifrados con ella."), 1,
                    Rutas::carpetaPrograma());
    if (Utils::mensajeConfirmacion(
            revision.mensaje + SALTO + SALTO +
            QStringLiteral("Si no tienes un respaldo, ¿quieres continuar con una llave nueva? Hay que "
                           "escribir de nuevo las contraseñas.")) != TPrompter::OK)
        return false;
    try {
        Secretos::llaveInstalacion(Rutas::carpetaPrograma());
    } catch (const ECifrado& e) {
        Logmanager::Log(Errores::describe(e), 1, Rutas::carpetaPrograma());
        Utils::mensaje(e.mensaje(), MSG_ERROR);
        return false;
    }
    Logmanager::Log(QStringLiteral("Se creó una llave nueva de la instalación, a petición del usuario."), 1,
                    Rutas::carpetaPrograma());
    return true;
}

QString motivoParaNoIniciar()
{
    const TRevision revision = revisa();
    if (revision.estado != TEstado::LlavePerdida)
        return revision.mensaje;
    return revision.mensaje + SALTO +
           QStringLiteral("Si no tienes un respaldo, abre %1 y elige si quieres continuar con una llave nueva.")
               .arg(NOMBRE_SISTEMA);
}

} // namespace RevisionMotor

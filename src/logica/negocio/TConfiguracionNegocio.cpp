#include "TConfiguracionNegocio.h"

#include "Constantes.h"
#include "Errores.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>

using namespace Constantes;

namespace {

QString clave(const QString& seccion, const QString& nombre)
{
    return seccion + QLatin1Char('/') + nombre;
}

void escribe(QSettings& ini, const QString& archivo)
{
    // QSettings gives no reason of its own; the system's error number of the
    // write it failed does, read before anything else can change it.
    errno = 0;
    ini.sync();
    const int numero = errno;
    if (ini.status() != QSettings::NoError)
        throw EEntradaSalida(QStringLiteral("No se pudo escribir la configuración de la empresa en %1: %2.")
                                 .arg(archivo, Errores::delSistema(numero)));
}

} // namespace

TConfiguracionNegocio::TConfiguracionNegocio(const QString& carpetaPrograma, const QString& rfc)
    : m_archivo(carpetaPrograma + DB_PATH + rfc + QLatin1Char('/') + QVX_FILE)
{
}

bool TConfiguracionNegocio::existe() const
{
    return QFileInfo(m_archivo).isFile();
}

void TConfiguracionNegocio::crea() const
{
    QDir().mkpath(QFileInfo(m_archivo).absolutePath());
    QSettings ini(m_archivo, QSettings::IniFormat);
    ini.setValue(clave(QVX_INI, QVX_PATH), QString());
    ini.setValue(clave(QVX_INI, QVX_EMPRESA), QString());
    ini.setValue(clave(QVX_LOGO, QVX_IMPRIME), false);
    escribe(ini, m_archivo);
}

bool TConfiguracionNegocio::asegura() const
{
    if (!existe()) {
        crea();
        return false;
    }
    return imprimeLogo();
}

QString TConfiguracionNegocio::ruta() const
{
    return QSettings(m_archivo, QSettings::IniFormat).value(clave(QVX_INI, QVX_PATH)).toString();
}

QString TConfiguracionNegocio::empresa() const
{
    return QSettings(m_archivo, QSettings::IniFormat).value(clave(QVX_INI, QVX_EMPRESA)).toString();
}

bool TConfiguracionNegocio::imprimeLogo() const
{
    return QSettings(m_archivo, QSettings::IniFormat).value(clave(QVX_LOGO, QVX_IMPRIME), false).toBool();
}

void TConfiguracionNegocio::setImprimeLogo(bool imprime) const
{
    QSettings ini(m_archivo, QSettings::IniFormat);
    ini.setValue(clave(QVX_LOGO, QVX_IMPRIME), imprime);
    escribe(ini, m_archivo);
}

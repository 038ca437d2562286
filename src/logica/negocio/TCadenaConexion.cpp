#include "TCadenaConexion.h"

#include "Constantes.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Rutas.h"
#include "Secretos.h"

#include <QDir>
#include <QRegularExpression>

namespace {

const QLatin1Char SEPARADOR('|');
constexpr int PRIMERA_POSICION_REGISTRO = 3;

// The names the database configuration window gives the fields.
QString nombreCampo(int campo)
{
    switch (campo) {
    case TCadenaConexion::PROVEEDOR:
        return QStringLiteral("Motor de la base de datos");
    case TCadenaConexion::USUARIO:
        return QStringLiteral("Usuario");
    case TCadenaConexion::PASSWORD:
        return QStringLiteral("Contraseña");
    case TCadenaConexion::SERVIDOR:
        return QStringLiteral("Servidor");
    case TCadenaConexion::BASE_DATOS:
        return QStringLiteral("Base de Datos");
    case TCadenaConexion::PUERTO:
        return QStringLiteral("Puerto");
    default:
        return QString();
    }
}

} // namespace

TCadenaConexion::TCadenaConexion()
{
    for (int i = 0; i < NUMERO_CAMPOS; ++i)
        m_campos << QString();
}

TCadenaConexion::TCadenaConexion(const QString& proveedor, const QString& usuario, const QString& password,
                                 const QString& servidor, const QString& baseDatos, const QString& puerto)
    : m_campos{proveedor, usuario, password, servidor, baseDatos, puerto}
{
}

TCadenaConexion TCadenaConexion::deRegistro(const QStringList& registro)
{
    TCadenaConexion cadena;
    for (int i = 0; i < NUMERO_CAMPOS; ++i)
        cadena.m_campos[i] = registro.value(PRIMERA_POSICION_REGISTRO + i);
    return cadena;
}

TCadenaConexion TCadenaConexion::dePlano(const QString& plano)
{
    // Fields are read by position and a local business leaves most of them
    // empty (its port is the last one), so empty fields must stay in place.
    const QStringList partes = plano.split(SEPARADOR, Qt::KeepEmptyParts);
    TCadenaConexion cadena;
    for (int i = 0; i < NUMERO_CAMPOS; ++i)
        cadena.m_campos[i] = partes.value(i);
    return cadena;
}

TCadenaConexion TCadenaConexion::deGuardada(const QString& guardada)
{
    try {
        return dePlano(Secretos::descifraLocal(guardada, Rutas::carpetaPrograma()));
    } catch (const ECifrado& e) {
        Logmanager::Log(QStringLiteral("Una cadena de conexión guardada no se pudo descifrar; cuenta como sin "
                                       "conexión. ") +
                            Errores::describe(e),
                        1, Rutas::carpetaPrograma());
        TCadenaConexion vacia;
        vacia.m_legible = false;
        return vacia;
    }
}

QString TCadenaConexion::baseDatosEn(const QString& carpetaPrograma) const
{
    const QString guardada = getBaseDatos();
    // Stored on this or on another system: either separator may appear.
    QString ruta = guardada;
    ruta.replace(QLatin1Char('\\'), QLatin1Char('/'));
    static const QRegularExpression unidad(QStringLiteral("^[A-Za-z]:/"));
    if (!QDir::isAbsolutePath(ruta) && !unidad.match(ruta).hasMatch())
        return guardada;
    const QStringList partes = ruta.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (partes.size() < 3)
        return guardada;
    QString carpetaBases = Constantes::DB_PATH;
    while (carpetaBases.endsWith(QLatin1Char('/')))
        carpetaBases.chop(1);
    if (partes.at(partes.size() - 3).compare(carpetaBases, Qt::CaseInsensitive) != 0)
        return guardada;
    return Rutas::une(carpetaPrograma, {Constantes::DB_PATH, partes.at(partes.size() - 2), partes.last()});
}

QString TCadenaConexion::plano() const
{
    for (int i = 0; i < NUMERO_CAMPOS; ++i) {
        if (m_campos.at(i).contains(SEPARADOR))
            throw ECadenaConexion(QString(Constantes::ERR_CONEXION_SEPARADOR)
                                      .replace(Constantes::CAMPO, nombreCampo(i), Qt::CaseInsensitive));
    }
    return m_campos.join(SEPARADOR);
}

QString TCadenaConexion::guardada() const
{
    return Secretos::cifraLocal(plano(), Rutas::carpetaPrograma());
}

#include "TCacheCatalogos.h"

namespace {

// Never part of a table name, a file path or a catalogue key.
constexpr QChar SEPARADOR(0x1f);

} // namespace

QString TCacheCatalogos::clave(const char* regla, const QString& valor)
{
    return QLatin1String(regla) + SEPARADOR + valor;
}

QString TCacheCatalogos::clave(const char* regla, int negocio, const QString& valor)
{
    return clave(regla, QString::number(negocio) + SEPARADOR + valor);
}

QString TCacheCatalogos::llaveDe(const QString& tabla, const TConexionSesion& conexion, const QString& clave)
{
    return tabla + SEPARADOR + conexion.getDatabase() + SEPARADOR + clave;
}

void TCacheCatalogos::agrega(const QString& llave, std::shared_ptr<TEntidad> registro)
{
    m_registros.insert(llave, std::move(registro));
    m_delArchivo.append(llave);
}

void TCacheCatalogos::deshazArchivo()
{
    for (const QString& llave : std::as_const(m_delArchivo))
        m_registros.remove(llave);
    m_delArchivo.clear();
}

void TCacheCatalogos::olvidaBase(const TConexionSesion& conexion)
{
    const QString marca = SEPARADOR + conexion.getDatabase() + SEPARADOR;
    for (auto it = m_registros.begin(); it != m_registros.end();) {
        if (it.key().contains(marca))
            it = m_registros.erase(it);
        else
            ++it;
    }
    m_delArchivo.clear();
}

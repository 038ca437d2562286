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

TCacheCatalogos::TCacheCatalogos(int limitePorTabla) : m_limite(qMax(1, limitePorTabla)) {}

const std::shared_ptr<TEntidad>* TCacheCatalogos::usa(const QString& llave)
{
    const auto hallado = m_registros.find(llave);
    if (hallado == m_registros.end())
        return nullptr;
    TEntrada& entrada = *hallado;
    entrada.usos->splice(entrada.usos->begin(), *entrada.usos, entrada.enUsos);
    return &entrada.registro;
}

void TCacheCatalogos::agrega(const QString& tabla, const QString& llave, std::shared_ptr<TEntidad> registro)
{
    // `buscaOCrea` may have cached the same key on its way.
    quita(llave);
    std::list<QString>& usos = m_usos[tabla];
    usos.push_front(llave);
    m_registros.insert(llave, TEntrada{std::move(registro), &usos, usos.begin()});
    m_delArchivo.append(llave);
    // The least used goes; the file's list may still name it, which is
    // harmless: dropping a key not cached does nothing.
    while (static_cast<int>(usos.size()) > m_limite) {
        const QString menosUsada = usos.back();
        quita(menosUsada);
        m_soltadas.insert(tabla);
    }
}

void TCacheCatalogos::quita(const QString& llave)
{
    if (const auto entrada = m_registros.find(llave); entrada != m_registros.end())
        quita(entrada);
}

QHash<QString, TCacheCatalogos::TEntrada>::iterator TCacheCatalogos::quita(QHash<QString, TEntrada>::iterator entrada)
{
    entrada->usos->erase(entrada->enUsos);
    return m_registros.erase(entrada);
}

void TCacheCatalogos::deshazArchivo()
{
    for (const QString& llave : std::as_const(m_delArchivo))
        quita(llave);
    m_delArchivo.clear();
}

void TCacheCatalogos::olvidaBase(const TConexionSesion& conexion)
{
    const QString marca = SEPARADOR + conexion.getDatabase() + SEPARADOR;
    for (auto it = m_registros.begin(); it != m_registros.end();) {
        if (it.key().contains(marca))
            it = quita(it);
        else
            ++it;
    }
    m_delArchivo.clear();
}

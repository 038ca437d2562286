#include "TLoteImportacion.h"

#include "Conexiones.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Sistema.h"

#include <QFile>

struct TLoteImportacion::TBase {
    explicit TBase(const TConexionSesion& c) : conexion(c) {}
    TConexionSesion conexion;
    std::unique_ptr<TTransaccion> transaccion;
    // Temporary copy and its own name, of each file this batch stored here.
    QList<QPair<QString, QString>> copias;
};

TLoteImportacion::TLoteImportacion(TImportadorXML& importador, int archivosPorLote,
                                   std::function<void(const TResultadoArchivo&)> alTerminar, int msPorLote)
    : m_importador(importador), m_archivosPorLote(qMax(1, archivosPorLote)), m_msPorLote(msPorLote),
      m_alTerminar(std::move(alTerminar))
{
    m_importador.setDestino(this);
}

TLoteImportacion::~TLoteImportacion()
{
    try {
        deshaz();
    } catch (...) {
        // A destructor must not throw; the engine drops uncommitted work.
    }
    m_importador.setDestino(nullptr);
}

void TLoteImportacion::importa(const QString& ruta)
{
    m_baseDelArchivo.clear();
    anota(m_importador.importa(ruta));
}

void TLoteImportacion::importa(const QString& ruta, const TDocumentoXML& documento)
{
    m_baseDelArchivo.clear();
    anota(m_importador.importa(ruta, documento));
}

void TLoteImportacion::importaEntrada(const QString& paquete, const QString& entrada, const QByteArray& bytes,
                                      const TDocumentoXML* leido)
{
    m_baseDelArchivo.clear();
    anota(m_importador.importaEntrada(paquete, entrada, bytes, leido));
}

void TLoteImportacion::agrega(const TResultadoArchivo& resultado)
{
    m_baseDelArchivo.clear();
    anota(resultado);
}

void TLoteImportacion::anota(const TResultadoArchivo& resultado)
{
    // Only a file whose work (or whose duplicate's work) waits in a
    // transaction depends on the commit.
    const bool espera = resultado.estado == TResultadoArchivo::Importado ||
                        (resultado.estado == TResultadoArchivo::YaExistia && !m_baseDelArchivo.isEmpty());
    if (m_resultados.isEmpty())
        m_reloj.start();
    m_resultados.append({resultado, espera ? m_baseDelArchivo : QString()});
    if (m_resultados.size() >= m_archivosPorLote || (m_msPorLote > 0 && m_reloj.elapsed() >= m_msPorLote))
        confirma();
}

void TLoteImportacion::abreBase(const TConexionSesion& conexion)
{
    abre(conexion);
    m_baseDelArchivo = conexion.getDatabase();
}

void TLoteImportacion::consultaBase(const TConexionSesion& conexion)
{
    abre(conexion);
}

void TLoteImportacion::abre(const TConexionSesion& conexion)
{
    // Each database holding an open transaction stays open until the commit:
    // committing first keeps the businesses open within their limit. The
    // file at hand has stored nothing yet.
    const auto propia = m_bases.constFind(conexion.getDatabase());
    if (propia == m_bases.constEnd() || !(*propia)->transaccion) {
        int conTrabajo = 0;
        for (const std::shared_ptr<TBase>& otra : std::as_const(m_bases))
            conTrabajo += otra->transaccion ? 1 : 0;
        if (conTrabajo >= TNegociosImportacion::ABIERTOS)
            confirma();
    }
    std::shared_ptr<TBase>& base = m_bases[conexion.getDatabase()];
    if (!base)
        base = std::make_shared<TBase>(conexion);
    if (!base->transaccion)
        base->transaccion = std::make_unique<TTransaccion>(conexion);
}

bool TLoteImportacion::copiaPendiente(const QString& definitiva, const TConexionSesion& conexion)
{
    const auto base = m_bases.constFind(conexion.getDatabase());
    if (base == m_bases.constEnd())
        return false;
    for (const auto& copia : std::as_const((*base)->copias)) {
        if (copia.second == definitiva) {
            m_baseDelArchivo = conexion.getDatabase();
            return true;
        }
    }
    return false;
}

void TLoteImportacion::agregaCopia(const TConexionSesion& conexion, const QString& temporal, const QString& definitiva)
{
    m_bases[conexion.getDatabase()]->copias.append({temporal, definitiva});
    m_baseDelArchivo = conexion.getDatabase();
}

void TLoteImportacion::confirma()
{
    QHash<QString, QString> fallidas;
    for (auto it = m_bases.begin(); it != m_bases.end(); ++it) {
        TBase& base = **it;
        if (!base.transaccion)
            continue;
        QElapsedTimer reloj;
        reloj.start();
        try {
            base.transaccion->commit();
        } catch (const EVelkor& e) {
            fallidas.insert(it.key(), e.mensaje());
        }
        m_importador.tiempos().confirmacion += reloj.nsecsElapsed();
        reloj.restart();
        base.transaccion.reset();
        const bool guardada = !fallidas.contains(it.key());
        if (!guardada)
            m_importador.catalogos().olvidaBase(base.conexion);
        for (const auto& copia : std::as_const(base.copias)) {
            if (!guardada) {
                QFile::remove(copia.first);
                continue;
            }
            try {
                TImportadorXML::nombraCopia(copia.first, copia.second);
            } catch (const EVelkor& e) {
                // The voucher is stored; the next import of its file writes
                // the copy again.
                Logmanager::Log(e.mensaje(), 3, Sistema::exePath);
            }
        }
        base.copias.clear();
        m_importador.tiempos().copias += reloj.nsecsElapsed();
    }
    // Nothing is pending any more: a job over thousands of businesses keeps
    // no entry for each.
    m_bases.clear();

    const QList<QPair<TResultadoArchivo, QString>> resultados = std::move(m_resultados);
    m_resultados.clear();
    for (auto par : resultados) {
        TResultadoArchivo& resultado = par.first;
        if (fallidas.contains(par.second)) {
            resultado.estado = TResultadoArchivo::Fallido;
            resultado.motivo = fallidas.value(par.second);
            Logmanager::Log(QStringLiteral("Error en el archivo %1: %2").arg(resultado.ruta, resultado.motivo), 3,
                            Sistema::exePath);
        }
        if (m_alTerminar)
            m_alTerminar(resultado);
    }
}

void TLoteImportacion::deshaz()
{
    for (const std::shared_ptr<TBase>& base : std::as_const(m_bases)) {
        if (base->transaccion) {
            base->transaccion->rollback();
            base->transaccion.reset();
            m_importador.catalogos().olvidaBase(base->conexion);
        }
        for (const auto& copia : std::as_const(base->copias))
            QFile::remove(copia.first);
        base->copias.clear();
    }
    m_resultados.clear();
}

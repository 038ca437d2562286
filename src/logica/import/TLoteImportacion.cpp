#include "TLoteImportacion.h"

#include "Conexiones.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Sistema.h"

#include <QFile>
#include <QSet>
#include <QThread>

#include <utility>

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

namespace {

QString seguidas(int veces)
{
    return QStringLiteral("La conexión con el servidor se perdió %1 veces, una después de otra; la importación se "
                          "detuvo. Lo importado antes se conserva. Revisa la red y el servidor, y vuelve a importar la "
                          "carpeta: sigue donde quedó.")
        .arg(veces);
}

void anunciaRehechos(qsizetype archivos)
{
    Logmanager::Log(QStringLiteral("Se vuelven a importar %1 archivos que no se habían guardado cuando se perdió la "
                                   "conexión.")
                        .arg(archivos),
                    1, Sistema::exePath);
}

} // namespace

void TLoteImportacion::importa(const QString& ruta)
{
    TArchivo archivo;
    archivo.ruta = ruta;
    lleva(archivo);
}

void TLoteImportacion::importa(const QString& ruta, const TDocumentoXML& documento)
{
    TArchivo archivo;
    archivo.ruta = ruta;
    archivo.leido = &documento;
    lleva(archivo);
}

void TLoteImportacion::importaEntrada(const QString& paquete, const QString& entrada, const QByteArray& bytes,
                                      const TDocumentoXML* leido)
{
    TArchivo archivo;
    archivo.ruta = paquete;
    archivo.entrada = entrada;
    archivo.bytes = bytes;
    archivo.esEntrada = true;
    archivo.leido = leido;
    lleva(archivo);
}

void TLoteImportacion::agrega(const TResultadoArchivo& resultado)
{
    m_baseDelArchivo.clear();
    anota(resultado, TArchivo());
}

TResultadoArchivo TLoteImportacion::corre(const TArchivo& archivo)
{
    m_baseDelArchivo.clear();
    if (archivo.esEntrada)
        return m_importador.importaEntrada(archivo.ruta, archivo.entrada, archivo.bytes, archivo.leido);
    if (archivo.leido)
        return m_importador.importa(archivo.ruta, *archivo.leido);
    return m_importador.importa(archivo.ruta);
}

void TLoteImportacion::lleva(const TArchivo& primero)
{
    QList<TArchivo> porHacer{primero};
    // A file that brings the server down each time it is stored would
    // otherwise be tried for ever.
    int recuperaciones = 0;
    int sinServidor = 0;
    while (!porHacer.isEmpty()) {
        TArchivo archivo = porHacer.takeFirst();
        TResultadoArchivo resultado = corre(archivo);
        // The caller's document lives only through this call.
        archivo.leido = nullptr;
        QList<TArchivo> deshechos;
        QString ausente;
        if (resultado.estado == TResultadoArchivo::Fallido && recupera(resultado.rfc, deshechos, ausente)) {
            if (ausente.isEmpty()) {
                if (++recuperaciones >= TNegociosImportacion::INTENTOS)
                    throw EImportacionDetenida(seguidas(recuperaciones));
                deshechos.append(archivo);
                porHacer = deshechos + porHacer;
                continue;
            }
            porHacer = deshechos + porHacer;
            resultado.motivo = ausente;
        } else if (resultado.estado == TResultadoArchivo::Fallido &&
                   m_importador.negocios().sinConexion(resultado.rfc)) {
            // Its business could not be opened for the dropped connection:
            // once the server answers again, it is.
            if (++sinServidor < TNegociosImportacion::INTENTOS) {
                QThread::msleep(TNegociosImportacion::ESPERA_MS);
                porHacer.prepend(archivo);
                continue;
            }
            resultado.motivo = m_importador.negocios().abandona(resultado.rfc);
        }
        anota(resultado, archivo);
        // A commit on the way found a connection dropped.
        porHacer = std::exchange(m_porRehacer, {}) + porHacer;
    }
}

bool TLoteImportacion::recupera(const QString& rfc, QList<TArchivo>& deshechos, QString& ausente)
{
    // A file fails for many reasons; only one whose own business lost its
    // connection asks about the rest of the batch.
    TNegociosImportacion& negocios = m_importador.negocios();
    const TNegociosImportacion::TNegocioImportado* negocio = negocios.resuelto(rfc);
    if (!negocio || !negocios.perdida(negocio->conexion))
        return false;
    const QString suya = negocio->conexion.getDatabase();
    QList<TConexionSesion> perdidas{negocio->conexion};
    QSet<QString> bases{suya};
    for (const std::shared_ptr<TBase>& base : std::as_const(m_bases)) {
        if (!base->transaccion || bases.contains(base->conexion.getDatabase()) || !negocios.perdida(base->conexion))
            continue;
        perdidas.append(base->conexion);
        bases.insert(base->conexion.getDatabase());
    }
    const QList<TPendiente> descartados = descarta(bases);
    const QHash<QString, QString> ausentes = recuperaTodas(perdidas);
    for (TPendiente pendiente : descartados) {
        if (!ausentes.contains(pendiente.base)) {
            deshechos.append(pendiente.archivo);
            continue;
        }
        // Reported with the batch's other files, at its commit.
        falla(pendiente.resultado, ausentes.value(pendiente.base));
        m_resultados.append({pendiente.resultado, QString(), pendiente.archivo});
    }
    ausente = ausentes.value(suya);
    if (const qsizetype rehechos = deshechos.size() + (ausente.isEmpty() ? 1 : 0); rehechos > 0)
        anunciaRehechos(rehechos);
    return true;
}

QHash<QString, QString> TLoteImportacion::recuperaTodas(const QList<TConexionSesion>& perdidas)
{
    QHash<QString, QString> ausentes;
    for (const TConexionSesion& conexion : perdidas) {
        try {
            m_importador.negocios().recupera(conexion);
        } catch (const EServidorAusente& e) {
            ausentes.insert(conexion.getDatabase(), e.mensaje());
        }
    }
    return ausentes;
}

void TLoteImportacion::falla(TResultadoArchivo& resultado, const QString& motivo)
{
    resultado.motivo = motivo;
    resultado = TImportadorXML::inaccesible(std::move(resultado));
}

QList<TLoteImportacion::TPendiente> TLoteImportacion::descarta(const QSet<QString>& bases)
{
    for (const QString& nombre : bases) {
        const auto it = m_bases.find(nombre);
        if (it == m_bases.end())
            continue;
        TBase& base = **it;
        // The connection is gone with its work: the rollback only ends
        // this side's account of it.
        base.transaccion.reset();
        m_importador.catalogos().olvidaBase(base.conexion);
        for (const auto& copia : std::as_const(base.copias))
            QFile::remove(copia.first);
        m_bases.erase(it);
    }
    QList<TPendiente> descartados;
    for (auto it = m_resultados.begin(); it != m_resultados.end();) {
        if (bases.contains(it->base)) {
            descartados.append(std::move(*it));
            it = m_resultados.erase(it);
        } else {
            ++it;
        }
    }
    return descartados;
}

void TLoteImportacion::anota(const TResultadoArchivo& resultado, const TArchivo& archivo)
{
    // Only a file whose work (or whose duplicate's work) waits in a
    // transaction depends on the commit.
    const bool espera = resultado.estado == TResultadoArchivo::Importado ||
                        (resultado.estado == TResultadoArchivo::YaExistia && !m_baseDelArchivo.isEmpty());
    if (m_resultados.isEmpty())
        m_reloj.start();
    m_resultados.append({resultado, espera ? m_baseDelArchivo : QString(), archivo});
    if (m_resultados.size() >= m_archivosPorLote || (m_msPorLote > 0 && m_reloj.elapsed() >= m_msPorLote))
        confirmaAbiertos();
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
            confirmaAbiertos();
    }
    std::shared_ptr<TBase>& base = m_bases[conexion.getDatabase()];
    if (!base)
        base = std::make_shared<TBase>(conexion);
    if (!base->transaccion) {
        // The hold on a business on a server goes with a dropped connection,
        // even one that came back by itself between two batches.
        m_importador.negocios().vigila(conexion);
        base->transaccion = std::make_unique<TTransaccion>(conexion);
    }
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
    confirmaAbiertos();
    while (!m_porRehacer.isEmpty()) {
        for (const TArchivo& archivo : std::exchange(m_porRehacer, {}))
            lleva(archivo);
        confirmaAbiertos();
    }
}

void TLoteImportacion::confirmaAbiertos()
{
    QHash<QString, QString> fallidas;
    // Databases whose connection dropped before the commit answered: their
    // files go again once it is back (those the commit did store are then
    // found stored).
    QSet<QString> perdidas;
    QList<TConexionSesion> aRecuperar;
    for (auto it = m_bases.begin(); it != m_bases.end(); ++it) {
        TBase& base = **it;
        if (!base.transaccion)
            continue;
        QElapsedTimer reloj;
        reloj.start();
        try {
            // A hold lost while the batch was written (its idle connection
            // dropped) may have let another workstation into the business
            // meanwhile, and both would store the same customers and
            // products: the batch is undone, and done again once the hold is
            // back.
            if (!m_importador.negocios().apartada(base.conexion)) {
                base.transaccion->rollback();
                perdidas.insert(it.key());
                aRecuperar.append(base.conexion);
            } else {
                base.transaccion->commit();
            }
        } catch (const EVelkor& e) {
            if (m_importador.negocios().perdida(base.conexion)) {
                perdidas.insert(it.key());
                aRecuperar.append(base.conexion);
            } else {
                fallidas.insert(it.key(), e.mensaje());
            }
        }
        m_importador.tiempos().confirmacion += reloj.nsecsElapsed();
        reloj.restart();
        base.transaccion.reset();
        const bool guardada = !fallidas.contains(it.key()) && !perdidas.contains(it.key());
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

    // Before the files are reported: those of a server that did not come
    // back fail instead of going again.
    const QHash<QString, QString> ausentes = recuperaTodas(aRecuperar);
    const QList<TPendiente> resultados = std::move(m_resultados);
    m_resultados.clear();
    QList<TArchivo> deshechos;
    for (TPendiente pendiente : resultados) {
        TResultadoArchivo& resultado = pendiente.resultado;
        if (perdidas.contains(pendiente.base) && !ausentes.contains(pendiente.base)) {
            deshechos.append(pendiente.archivo);
            continue;
        }
        if (ausentes.contains(pendiente.base))
            falla(resultado, ausentes.value(pendiente.base));
        else if (fallidas.contains(pendiente.base))
            falla(resultado, fallidas.value(pendiente.base));
        if (m_alTerminar)
            m_alTerminar(resultado);
    }
    if (perdidas.isEmpty()) {
        m_perdidasSeguidas = 0;
        return;
    }
    if (++m_perdidasSeguidas >= TNegociosImportacion::INTENTOS)
        throw EImportacionDetenida(seguidas(m_perdidasSeguidas));
    if (deshechos.isEmpty())
        return;
    anunciaRehechos(deshechos.size());
    // Imported again after the file in hand, if there is one: this may run
    // in the middle of it (abre()).
    m_porRehacer += deshechos;
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
    m_porRehacer.clear();
}

#include "TImportadorXML.h"
#include "negocio/Utils.h"

#include "AtributosCfdi.h"

#include "Cfdi.h"
#include "Cfdv32.h"
#include "ConciliacionSat.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "DireccionImportada.h"
#include "DocumentoXML.h"
#include "Entidades.h"
#include "Errores.h"
#include "GuardadoComprobante.h"
#include "Importacion32.h"
#include "Logmanager.h"
#include "RevisionEncabezado.h"
#include "Rutas.h"
#include "Sistema.h"
#include "TBaseDatosCatalogosFrm.h"
#include "TDestinoImportacion.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

using Constantes::CFDI_32;

namespace {

const QString SUFIJO_TEMPORAL = QStringLiteral(".importando");

// Hidden and without the ".xml" ending, so no folder walk takes it for a
// voucher.
QString rutaTemporal(const QString& definitiva)
{
    const QFileInfo info(definitiva);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + SUFIJO_TEMPORAL;
}

void escribe(const QString& ruta, const QByteArray& bytes)
{
    // Written with the system calls themselves, so a failure says why (Qt
    // answers a write after a failed one with "Unknown error").
    const QByteArray nombre = QFile::encodeName(ruta);
    int error = 0;
    const int fd = ::open(nombre.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = errno;
    } else {
        for (qint64 hecho = 0; hecho < bytes.size() && error == 0;) {
            const ssize_t n = ::write(fd, bytes.constData() + hecho, static_cast<size_t>(bytes.size() - hecho));
            if (n > 0)
                hecho += n;
            else if (n == 0)
                error = ENOSPC;
            else if (errno != EINTR)
                error = errno;
        }
        if (::close(fd) != 0 && error == 0 && errno != EINTR)
            error = errno;
    }
    if (error != 0) {
        if (fd >= 0)
            ::unlink(nombre.constData());
        throw EEntradaSalida(
            QStringLiteral("No se pudo escribir la copia del XML %1: %2.").arg(ruta, Errores::delSistema(error)));
    }
}

} // namespace

void TImportadorXML::nombraCopia(const QString& temporal, const QString& definitiva)
{
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(QFile::encodeName(temporal).toStdString()),
                            std::filesystem::path(QFile::encodeName(definitiva).toStdString()), error);
    if (error) {
        QFile::remove(temporal);
        throw EEntradaSalida(QStringLiteral("No se pudo nombrar la copia del XML %1: %2.")
                                 .arg(definitiva, Errores::delSistema(error.value())));
    }
}

namespace {

QString motivoSinVersion(const TDocumentoXML& documento)
{
    const QString porContenido = Cfdi::versionPorContenido(documento.raiz());
    if (porContenido.isEmpty())
        return QStringLiteral("No es un CFDI de versión 3.2, 3.3 o 4.0.");
    return QStringLiteral("Es un CFDI %1, pero no nombra la ubicación del esquema que publica el SAT para esa "
                          "versión.")
        .arg(porContenido);
}

} // namespace

QString TResultadoArchivo::nombre() const
{
    return entrada.isEmpty() ? ruta : ruta + QStringLiteral(" › ") + entrada;
}

void TResumenImportacion::agrega(const TResultadoArchivo& resultado)
{
    if (resultado.dePaquete && !m_paquetes.contains(resultado.ruta)) {
        m_paquetes.insert(resultado.ruta);
        ++paquetes;
    }
    if (!resultado.entrada.isEmpty())
        ++entradas;
    // A batch undone later turns its results Fallido: nothing was marked.
    if (resultado.marcadoCancelado && resultado.estado == TResultadoArchivo::Importado)
        ++cancelados;
    switch (resultado.estado) {
    case TResultadoArchivo::Importado:
        ++importados;
        if (resultado.verificado && resultado.verificacion.estado == VerificacionSello::TEstado::Alterado)
            ++alterados;
        if (resultado.verificado &&
            resultado.verificacion.estado == VerificacionSello::TEstado::CertificadoNoCorresponde)
            ++certificadoNoCorresponde;
        break;
    case TResultadoArchivo::YaExistia:
        ++yaExistian;
        break;
    case TResultadoArchivo::Omitido:
        ++omitidos;
        break;
    case TResultadoArchivo::Fallido:
        ++fallidos;
        break;
    case TResultadoArchivo::Metadatos:
        ++archivosMetadatos;
        filasMetadatos += resultado.metadatos.filas;
        filasSinNegocio += resultado.metadatos.sinNegocio;
        filasRechazadas += resultado.metadatos.rechazadas;
        cancelados += resultado.metadatos.cancelados;
        if (resultado.metadatos.rechazadas > 0 && ++archivosConFilasNoGuardadas <= NO_IMPORTADOS_EN_MEMORIA)
            conFilasNoGuardadas.append(resultado);
        break;
    }
    if (resultado.copiaRestaurada)
        ++copiasRestauradas;
    const bool noImportado =
        resultado.estado == TResultadoArchivo::Omitido || resultado.estado == TResultadoArchivo::Fallido;
    if (noImportado && noImportados.size() < NO_IMPORTADOS_EN_MEMORIA)
        noImportados.append(resultado);
}

TImportadorXML::TImportadorXML(TBaseDatosLocalFrm& registro, const TBaseDatosCatalogosFrm& catalogo,
                               const TParametrosImportacion& parametros)
    : m_negocios(registro, parametros.email, parametros.password, parametros.plantilla, parametros.logo),
      m_catalogo(catalogo), m_parametros(parametros)
{
    // A business whose database is closed keeps no records here: memory
    // stays bounded by the businesses open, whatever the job meets.
    m_negocios.setAlCerrar([this](const TConexionSesion& conexion) { m_catalogos.olvidaBase(conexion); });
    m_negocios.setServidorNuevos(parametros.servidorNuevos);
    if (parametros.ausentes)
        m_negocios.setAusentes(parametros.ausentes);
    if (parametros.limpiaTemporales)
        limpiaCopiasTemporales();
}

TImportadorXML::~TImportadorXML() = default;

QString TImportadorXML::rutaGuardada(const QString& rfc, const QString& uuid)
{
    return Rutas::une(Constantes::FACTURAS_PATH, {rfc, Constantes::XML_PATH, uuid + QStringLiteral(".xml")});
}

QString TImportadorXML::rutaCopia(const QString& rfc, const QString& uuid)
{
    return Rutas::programa({rutaGuardada(rfc, uuid)});
}

int TImportadorXML::limpiaCopiasTemporales()
{
    int eliminadas = 0;
    const QString facturas = Rutas::programa({Constantes::FACTURAS_PATH});
    const QFileInfoList negocios = QDir(facturas).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& negocio : negocios) {
        QDir carpeta(Rutas::une(negocio.absoluteFilePath(), {Constantes::XML_PATH}));
        const QStringList temporales =
            carpeta.entryList({QStringLiteral("*") + SUFIJO_TEMPORAL}, QDir::Files | QDir::Hidden);
        for (const QString& temporal : temporales)
            eliminadas += carpeta.remove(temporal) ? 1 : 0;
    }
    return eliminadas;
}

TResultadoArchivo TImportadorXML::importa(const QString& ruta)
{
    TResultadoArchivo resultado;
    resultado.ruta = ruta;
    return importa(resultado, nullptr, nullptr);
}

TResultadoArchivo TImportadorXML::importa(const QString& ruta, const TDocumentoXML& documento)
{
    TResultadoArchivo resultado;
    resultado.ruta = ruta;
    return importa(resultado, &documento, nullptr);
}

TResultadoArchivo TImportadorXML::importaEntrada(const QString& paquete, const QString& entrada,
                                                 const QByteArray& bytes, const TDocumentoXML* leido)
{
    TResultadoArchivo resultado;
    resultado.ruta = paquete;
    resultado.entrada = entrada;
    resultado.dePaquete = true;
    return importa(resultado, leido, &bytes);
}

TResultadoArchivo TImportadorXML::inaccesible(const QString& ruta, const QString& motivo)
{
    TResultadoArchivo resultado;
    resultado.ruta = ruta;
    resultado.motivo = motivo;
    return inaccesible(resultado);
}

TResultadoArchivo TImportadorXML::inaccesible(TResultadoArchivo resultado)
{
    resultado.estado = TResultadoArchivo::Fallido;
    Logmanager::Log(QStringLiteral("Error en el archivo %1: %2").arg(resultado.nombre(), resultado.motivo), 3,
                    Sistema::exePath);
    return resultado;
}

TResultadoArchivo TImportadorXML::importa(TResultadoArchivo resultado, const TDocumentoXML* leido,
                                          const QByteArray* bytes)
{
    try {
        procesa(resultado, leido, bytes);
    } catch (const EImportacionDetenida&) {
        throw; // the job stops, not this file alone
    } catch (const std::exception& e) {
        resultado.estado = TResultadoArchivo::Fallido;
        resultado.motivo = Utils::textoError(e);
        Logmanager::Log(QStringLiteral("Error en el archivo %1: %2").arg(resultado.nombre(), resultado.motivo), 3,
                        Sistema::exePath);
    }
    return resultado;
}

bool TImportadorXML::canceladoSegunSat(const TNegociosImportacion::TNegocioImportado& negocio, const QString& uuid,
                                       QString& fecha)
{
    // A business this job created has no metadata yet.
    if (negocio.creado)
        return false;
    auto it = m_cancelados.find(negocio.rfc);
    if (it == m_cancelados.end())
        it = m_cancelados.insert(negocio.rfc, ConciliacionSat::cancelados(negocio.negocio->id(), negocio.conexion));
    const auto cancelado = it->constFind(uuid);
    if (cancelado == it->constEnd())
        return false;
    fecha = *cancelado;
    return true;
}

void TImportadorXML::procesa(TResultadoArchivo& resultado, const TDocumentoXML* leido, const QByteArray* bytes)
{
    const auto omite = [&resultado](const QString& motivo) {
        resultado.estado = TResultadoArchivo::Omitido;
        resultado.motivo = motivo;
    };
    if (!bytes && !QFileInfo(resultado.ruta).isFile())
        return omite(QStringLiteral("El archivo ya no existe."));

    QElapsedTimer reloj;
    reloj.start();
    const TDocumentoXML documento = leido   ? *leido
                                    : bytes ? TDocumentoXML::desdeBytes(*bytes)
                                            : TDocumentoXML::desdeArchivo(resultado.ruta);
    m_tiempos.lectura += reloj.nsecsElapsed();
    // The SAT stamps UTF-8 only: a voucher in another encoding was rewritten
    // by someone after it was stamped. Only its declaration changed when
    // every byte is ASCII, which both encodings read alike.
    const bool soloAscii = std::all_of(documento.bytes().cbegin(), documento.bytes().cend(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (documento.codificacion() != QLatin1String("UTF-8") &&
        !(documento.codificacion() == QLatin1String("ISO-8859-1") && soloAscii))
        return omite(QStringLiteral("El archivo no está en UTF-8 sino en %1; el SAT timbra los CFDI en UTF-8.")
                         .arg(documento.codificacion()));
    resultado.version = Cfdi::versionPorUbicacion(documento);
    if (resultado.version.isEmpty())
        return omite(motivoSinVersion(documento));

    const TNodoXML raiz = documento.raiz();
    const QString uuid = Cfdi::uuid(raiz);
    if (uuid.isEmpty())
        return omite(QStringLiteral("El comprobante no tiene timbre fiscal digital con UUID."));
    if (!Cfdi::uuidValido(uuid))
        return omite(QStringLiteral("El UUID del timbre \"%1\" no tiene la forma que da el SAT.").arg(uuid));
    const QString rfc = Cfdi::rfcEmisor(raiz, resultado.version);
    if (!Cfdi::rfcValido(rfc))
        return omite(QStringLiteral("El RFC del emisor \"%1\" no tiene la forma que da el SAT.").arg(rfc));
    resultado.rfc = rfc.toUpper();
    resultado.uuid = uuid.toUpper();
    // Before any business is made or looked up: a refused file leaves nothing.
    if (const QString rechazo = RevisionEncabezado::motivo(raiz, resultado.version); !rechazo.isEmpty())
        throw EConversion(rechazo);

    // A text longer than its column is kept cut, the file and its stored XML
    // whole, and the report says which attribute.
    TRecortes recortes;
    const TNegociosImportacion::TNegocioImportado& negocio =
        m_negocios.negocio(resultado.rfc, [&] { return emisor(documento, resultado.version); });
    const QString definitiva = rutaCopia(resultado.rfc, resultado.uuid);

    // A voucher stored by this same destination and not committed yet: its copy is
    // still to be named.
    if (m_destino && m_destino->copiaPendiente(definitiva, negocio.conexion)) {
        resultado.estado = TResultadoArchivo::YaExistia;
        QFile pendiente(rutaTemporal(definitiva));
        if (pendiente.open(QIODevice::ReadOnly))
            comparaConGuardado(pendiente.readAll(), documento, resultado);
        return;
    }
    const bool puedeEstar = !negocio.creado || m_guardadosEnNuevos.value(resultado.rfc).contains(resultado.uuid);
    reloj.restart();
    if (puedeEstar && m_destino)
        m_destino->consultaBase(negocio.conexion);
    const std::unique_ptr<TComprobante> existente =
        puedeEstar ? TComprobante::getByUUIDAndNegocio(resultado.uuid, *negocio.negocio, negocio.conexion) : nullptr;
    m_tiempos.consulta += reloj.nsecsElapsed();
    if (existente) {
        resultado.estado = TResultadoArchivo::YaExistia;
        const QByteArray guardado = existente->getComprobantexml();
        restauraCopia(definitiva, guardado.isEmpty() ? documento.bytes() : guardado, resultado);
        comparaConGuardado(guardado, documento, resultado);
        return;
    }

    // Checked before anything is written, and outside the unit of work: an
    // altered voucher is stored all the same (its holder must keep what was
    // received), flagged.
    if (m_parametros.verificaSellos) {
        reloj.restart();
        resultado.verificacion = VerificacionSello::verifica(documento.bytes());
        resultado.verificado = true;
        m_tiempos.sellos += reloj.nsecsElapsed();
    }

    if (m_destino)
        m_destino->abreBase(negocio.conexion);
    const QString temporal = rutaTemporal(definitiva);
    m_catalogos.iniciaArchivo();
    QString fechaCancelacion;
    const bool cancelado = canceladoSegunSat(negocio, resultado.uuid, fechaCancelacion);
    try {
        reloj.restart();
        TPuntoGuardado punto(negocio.conexion);
        guarda(documento, resultado.version, negocio, resultado);
        if (cancelado)
            resultado.marcadoCancelado =
                ConciliacionSat::marcaCancelado(resultado.uuid, negocio.negocio->id(), fechaCancelacion,
                                                TUnidadTrabajo(negocio.conexion, m_parametros.usuario));
        const qint64 antesDeLaCopia = reloj.nsecsElapsed();
        escribe(temporal, documento.bytes());
        const qint64 despuesDeLaCopia = reloj.nsecsElapsed();
        punto.confirma();
        m_tiempos.copias += despuesDeLaCopia - antesDeLaCopia;
        m_tiempos.guardado += reloj.nsecsElapsed() - (despuesDeLaCopia - antesDeLaCopia);
    } catch (const EDuplicado& duplicado) {
        m_catalogos.deshazArchivo();
        QFile::remove(temporal);
        // Another workstation stored the same voucher between the look-up
        // and this save; the database keeps one.
        if (duplicado.tabla() != TComprobante::tablaEsquema().nombre)
            throw;
        resultado.estado = TResultadoArchivo::YaExistia;
        restauraCopia(definitiva, documento.bytes(), resultado);
        return;
    } catch (...) {
        m_catalogos.deshazArchivo();
        QFile::remove(temporal);
        throw;
    }
    m_catalogos.confirmaArchivo();
    resultado.estado = TResultadoArchivo::Importado;
    resultado.avisos = avisos(recortes.lista(), resultado.version);
    if (resultado.version == CFDI_32)
        if (const QString aviso = Importacion32::avisoTipoCambio(Cfdv32::IXMLComprobante(documento.raiz()));
            !aviso.isEmpty())
            resultado.avisos << aviso;
    if (negocio.creado)
        m_guardadosEnNuevos[resultado.rfc].insert(resultado.uuid);
    if (m_destino)
        m_destino->agregaCopia(negocio.conexion, temporal, definitiva);
    else
        nombraCopia(temporal, definitiva);
}

QStringList TImportadorXML::avisos(const QList<TRecorte>& recortes, const QString& version)
{
    QStringList textos;
    QSet<QString> vistos;
    for (const TRecorte& r : recortes) {
        if (vistos.contains(r.tabla + QLatin1Char('.') + r.columna))
            continue;
        vistos.insert(r.tabla + QLatin1Char('.') + r.columna);
        textos << QStringLiteral("El valor de %1 tiene %2 caracteres y se guardaron los primeros %3 (%4.%5); el XML "
                                 "guardado lo conserva completo.")
                      .arg(AtributosCfdi::nombra(r.tabla, r.columna, version))
                      .arg(r.caracteres)
                      .arg(r.largo)
                      .arg(r.tabla, r.columna);
    }
    return textos;
}

void TImportadorXML::restauraCopia(const QString& definitiva, const QByteArray& bytes, TResultadoArchivo& resultado)
{
    const QFileInfo copia(definitiva);
    // A copy cut short by a stop (its data not yet on disk when it was
    // named) is as good as missing.
    if (copia.isFile() && copia.size() == bytes.size())
        return;
    const QString temporal = rutaTemporal(definitiva);
    escribe(temporal, bytes);
    nombraCopia(temporal, definitiva);
    resultado.copiaRestaurada = true;
}

void TImportadorXML::comparaConGuardado(const QByteArray& guardado, const TDocumentoXML& documento,
                                        TResultadoArchivo& resultado) const
{
    // The same file again, the usual case, costs one comparison.
    if (guardado.isEmpty() || guardado == documento.bytes())
        return;
    // Another copy of one stamped voucher may differ in its blanks or an
    // addenda; both seals then verify. An altered copy's does not, and the
    // one stored first must not hide the genuine one without a word.
    using VerificacionSello::TEstado;
    const VerificacionSello::TResultado nuevo = VerificacionSello::verifica(documento.bytes());
    const TEstado anterior = VerificacionSello::verifica(guardado).estado;
    if (nuevo.estado == TEstado::Autentico && anterior == TEstado::Autentico)
        return;
    resultado.verificado = m_parametros.verificaSellos;
    resultado.verificacion = nuevo;
    if (nuevo.estado == TEstado::Autentico) {
        resultado.estado = TResultadoArchivo::Fallido;
        resultado.motivo =
            QStringLiteral("Su negocio ya tiene guardado otro comprobante con este UUID y distinto contenido, cuyo "
                           "sello no es válido (%1), mientras que el de este archivo sí lo es: el guardado parece una "
                           "copia alterada. Este archivo no se guardó en su lugar; revisa el comprobante guardado.")
                .arg(VerificacionSello::texto(anterior));
        return;
    }
    resultado.motivo = QStringLiteral("Ya estaba guardado en su negocio otro comprobante con este UUID y distinto "
                                      "contenido (su sello: %1); se conserva el guardado.")
                           .arg(VerificacionSello::texto(anterior));
}

TNegociosImportacion::TEmisor TImportadorXML::emisor(const TDocumentoXML& documento, const QString& version) const
{
    TNegociosImportacion::TEmisor datos;
    const TNodoXML emisor = documento.raiz().hijoPropio("Emisor");
    if (version == CFDI_32) {
        const Cfdv32::IXMLComprobante_Emisor emisor32(emisor);
        datos.nombre = emisor32.Get_nombre();
        if (const auto direccion = DireccionImportada::desdeUbicacion(emisor32.Get_DomicilioFiscal(), m_catalogo))
            datos.direccion = *direccion;
        return datos;
    }
    datos.nombre = emisor.atributo("Nombre");
    const QString clave = emisor.atributo("RegimenFiscal").trimmed();
    if (!clave.isEmpty()) {
        for (const QString& regimen : m_catalogo.getRegimenesFiscales(QString())) {
            if (regimen.startsWith(clave + QStringLiteral(" - "))) {
                datos.regimen = regimen;
                break;
            }
        }
    }
    return datos;
}

void TImportadorXML::guarda(const TDocumentoXML& documento, const QString& version,
                            const TNegociosImportacion::TNegocioImportado& negocio, const TResultadoArchivo& resultado)
{
    const QString& uuid = resultado.uuid;
    GuardadoComprobante::TContexto contexto{*negocio.negocio,
                                            negocio.conexion,
                                            m_parametros.usuario,
                                            m_catalogo,
                                            m_catalogos,
                                            uuid,
                                            rutaGuardada(negocio.rfc, uuid),
                                            resultado.verificado ? &resultado.verificacion : nullptr};
    GuardadoComprobante::guarda(documento, version, contexto);
}

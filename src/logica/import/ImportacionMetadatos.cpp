#include "ImportacionMetadatos.h"
#include "negocio/Utils.h"

#include "ConciliacionSat.h"
#include "Conexiones.h"
#include "Entidades.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "TNegociosImportacion.h"
#include "negocio/TBaseDatosLocalFrm.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>

namespace {

// A SAT request can list a million rows, stored at a few thousand a second:
// a stop is looked for this often within a file, not only between files.
constexpr int FILAS_ENTRE_PREGUNTAS = 2000;

TMetadatosat registro(const TFilaMetadatos& f, const QString& paquete, const QDateTime& fecha, bool emisorLocal)
{
    TMetadatosat m;
    m.setUuid(f.uuid);
    m.setRfcemisor(f.rfcEmisor);
    m.setNombreemisor(f.nombreEmisor);
    m.setRfcreceptor(f.rfcReceptor);
    m.setNombrereceptor(f.nombreReceptor);
    m.setRfcpac(f.rfcPac);
    m.setFechaemision(f.fechaEmision);
    m.setFechacertificacion(f.fechaCertificacion);
    if (!f.monto.isEmpty())
        m.setMonto(TDecimal::desdeTexto(f.monto));
    m.setEfecto(f.efecto);
    m.setEstatussat(f.estatus);
    m.setFechacancelacion(f.fechaCancelacion);
    m.setRfcacuentaterceros(f.rfcACuentaTerceros);
    m.setNombreacuentaterceros(f.nombreACuentaTerceros);
    m.setEmisorlocal(emisorLocal ? 1 : 0);
    m.setPaquete(paquete);
    m.setFechapaquete(fecha);
    return m;
}

// What of a failed file stayed stored. The units of the businesses it
// reaches commit one after another, and nothing undoes those already
// committed when a later one fails; a rerun stores the rest, and finds the
// rows stored first as new as its own.
QString noGuardado(const QStringList& guardados, const QStringList& faltantes)
{
    if (guardados.isEmpty())
        return QStringLiteral("No se guardó ninguna fila de este archivo.");
    const auto negocios = [](const QStringList& rfcs) {
        return (rfcs.size() == 1 ? QStringLiteral("negocio ") : QStringLiteral("negocios ")) +
               rfcs.join(QStringLiteral(", "));
    };
    return QStringLiteral("Se guardaron las filas de este archivo para %1 %2, pero no las %3 %4; vuelve a importar "
                          "el archivo para guardarlas (las ya guardadas no se repiten).")
        .arg(guardados.size() == 1 ? QStringLiteral("el") : QStringLiteral("los"), negocios(guardados),
             faltantes.size() == 1 ? QStringLiteral("del") : QStringLiteral("de los"), negocios(faltantes));
}

} // namespace

TImportacionMetadatos::TImportacionMetadatos(TBaseDatosLocalFrm& registro, const TParametrosImportacion& parametros)
    : m_registro(registro), m_parametros(parametros)
{
}

void TImportacionMetadatos::agregaArchivo(const QString& ruta)
{
    TArchivo a;
    a.ruta = ruta;
    a.fecha = QFileInfo(ruta).lastModified();
    QFile archivo(ruta);
    if (archivo.open(QIODevice::ReadOnly))
        a.terceros = TLectorMetadatos::tipoDe(archivo.readLine(4096)) == TLectorMetadatos::TTipo::Terceros;
    m_archivos.append(a);
}

void TImportacionMetadatos::agregaEntrada(const QString& paquete, const TEntradaPaquete& entrada)
{
    TArchivo a;
    a.ruta = paquete;
    a.entrada = entrada.nombre;
    a.indice = entrada.indice;
    a.fecha = entrada.fecha.isValid() ? entrada.fecha : QFileInfo(paquete).lastModified();
    a.terceros = entrada.clase == TEntradaPaquete::TClase::Terceros;
    m_archivos.append(a);
}

void TImportacionMetadatos::importa(const std::function<void(const TResultadoArchivo&)>& alResultado,
                                    const std::function<bool()>& detenerse)
{
    // Third-party files complete the rows read after them.
    std::stable_sort(m_archivos.begin(), m_archivos.end(),
                     [](const TArchivo& a, const TArchivo& b) { return a.terceros && !b.terceros; });
    for (const TArchivo& archivo : std::as_const(m_archivos)) {
        if (detenerse && detenerse())
            break;
        Logmanager::Log(
            QStringLiteral("Archivo a importar: ") +
                (archivo.entrada.isEmpty() ? archivo.ruta : archivo.ruta + QStringLiteral(" › ") + archivo.entrada),
            1, Sistema::exePath);
        const std::optional<TResultadoArchivo> resultado = lee(archivo, detenerse);
        if (!resultado) {
            Logmanager::Log(QStringLiteral("Importación de metadatos detenida; no se guardó ninguna fila del archivo "
                                           "en curso."),
                            1, Sistema::exePath);
            break;
        }
        if (alResultado)
            alResultado(*resultado);
    }
    m_archivos.clear();
    Conexiones::cierraHilo();
}

void TImportacionMetadatos::recorre(const TArchivo& archivo, TLectorMetadatos& lector) const
{
    if (!archivo.entrada.isEmpty()) {
        TPaqueteSat(archivo.ruta).leeMetadatos(archivo.indice, lector);
        return;
    }
    // The system's error number, read as soon as a call fails: Qt's own
    // texts are English. A failure Qt found without a system call has none.
    const auto falla = [](int error) {
        return EEntradaSalida(QStringLiteral("No se pudo leer el archivo: %1.").arg(Errores::delSistema(error)));
    };
    QFile entrada(archivo.ruta);
    if (!entrada.open(QIODevice::ReadOnly))
        throw falla(errno);
    for (;;) {
        const QByteArray trozo = entrada.read(1 << 20);
        if (trozo.isEmpty())
            break;
        if (!lector.agrega(trozo))
            return;
    }
    if (entrada.error() != QFileDevice::NoError)
        throw falla(errno);
    lector.termina();
}

std::optional<TResultadoArchivo> TImportacionMetadatos::lee(const TArchivo& archivo,
                                                            const std::function<bool()>& detenerse)
{
    TResultadoArchivo resultado;
    resultado.ruta = archivo.ruta;
    resultado.entrada = archivo.entrada;
    resultado.dePaquete = !archivo.entrada.isEmpty();
    TResultadoArchivo::TMetadatos& cuenta = resultado.metadatos;
    const QString paquete = archivo.entrada.isEmpty()
                                ? QFileInfo(archivo.ruta).fileName()
                                : QFileInfo(archivo.ruta).fileName() + QLatin1Char('/') + archivo.entrada;
    QStringList motivos;
    const auto anotaMotivo = [&motivos](const QString& motivo) {
        // The first few say enough; a million rows could each have one.
        if (motivos.size() < 5 && !motivos.contains(motivo))
            motivos << motivo;
    };

    TNegociosImportacion negocios(m_registro, m_parametros.email, m_parametros.password, QByteArray(), QByteArray());
    // One unit of work per business the file reaches, committed together
    // once the whole file was read.
    std::map<QString, std::unique_ptr<TTransaccion>> transacciones;
    bool detenido = false;
    int leidas = 0;
    // The businesses whose unit was committed: one database failing at its
    // commit (a server cut off, a full disk) leaves the others' rows stored.
    QStringList guardados;
    try {
        TLectorMetadatos lector(
            [&](const TFilaMetadatos& fila) {
                if (++leidas % FILAS_ENTRE_PREGUNTAS == 0 && detenerse && detenerse()) {
                    detenido = true;
                    return false;
                }
                if (archivo.terceros) {
                    m_terceros.insert(fila.uuid, {fila.rfcACuentaTerceros, fila.nombreACuentaTerceros});
                    ++cuenta.filas;
                    return true;
                }
                ++cuenta.filas;
                TFilaMetadatos completa = fila;
                if (completa.rfcACuentaTerceros.isEmpty()) {
                    const auto tercero = m_terceros.constFind(fila.uuid);
                    if (tercero != m_terceros.constEnd()) {
                        completa.rfcACuentaTerceros = tercero->first;
                        completa.nombreACuentaTerceros = tercero->second;
                    }
                }
                bool tomada = false;
                QStringList rfcs{completa.rfcEmisor};
                if (completa.rfcReceptor != completa.rfcEmisor)
                    rfcs << completa.rfcReceptor;
                for (const QString& rfc : std::as_const(rfcs)) {
                    const TNegociosImportacion::TNegocioImportado* negocio = nullptr;
                    try {
                        negocio = negocios.existente(rfc);
                    } catch (const std::exception& e) {
                        ++cuenta.rechazadas;
                        anotaMotivo(Utils::textoError(e));
                        tomada = true;
                        continue;
                    }
                    if (!negocio)
                        continue;
                    tomada = true;
                    std::unique_ptr<TTransaccion>& transaccion = transacciones[negocio->rfc];
                    if (!transaccion)
                        transaccion = std::make_unique<TTransaccion>(negocio->conexion);
                    const bool emisorLocal = rfc != completa.rfcEmisor && negocios.conoce(completa.rfcEmisor);
                    const ConciliacionSat::TGuardadoFila hecho = ConciliacionSat::guarda(
                        registro(completa, paquete, archivo.fecha, emisorLocal), negocio->negocio->id(),
                        TUnidadTrabajo(negocio->conexion, m_parametros.usuario));
                    cuenta.guardadas += hecho.nueva || hecho.actualizada ? 1 : 0;
                    cuenta.cancelados += hecho.marcada ? 1 : 0;
                    cuenta.vigentes += hecho.desmarcada ? 1 : 0;
                }
                if (!tomada)
                    ++cuenta.sinNegocio;
                return true;
            },
            [&](int linea, const QString& motivo) {
                ++cuenta.rechazadas;
                anotaMotivo(QStringLiteral("Línea %1: %2").arg(linea).arg(motivo));
                return true;
            });
        recorre(archivo, lector);
        if (detenido) {
            // Undone as a failed file is; the next job reads it again.
            transacciones.clear();
            return std::nullopt;
        }
        if (lector.tipo() != TLectorMetadatos::TTipo::Metadatos && lector.tipo() != TLectorMetadatos::TTipo::Terceros)
            throw EConversion(QStringLiteral("No es un archivo de metadatos del SAT: su primera línea no es el "
                                             "encabezado que el SAT escribe."));
        for (auto& [rfc, transaccion] : transacciones) {
            transaccion->commit();
            guardados << rfc;
        }
    } catch (const std::exception& e) {
        QStringList faltantes;
        for (const auto& [rfc, transaccion] : transacciones)
            if (!guardados.contains(rfc))
                faltantes << rfc;
        // Each unit not committed is undone as it leaves.
        transacciones.clear();
        resultado.estado = TResultadoArchivo::Fallido;
        resultado.motivo = Utils::textoError(e) + QLatin1Char(' ') + noGuardado(guardados, faltantes);
        resultado.metadatos = TResultadoArchivo::TMetadatos();
        Logmanager::Log(QStringLiteral("Error en el archivo %1: %2").arg(resultado.nombre(), resultado.motivo), 3,
                        Sistema::exePath);
        return resultado;
    }
    resultado.estado = TResultadoArchivo::Metadatos;
    if (archivo.terceros) {
        resultado.motivo =
            QStringLiteral("Archivo de terceros del SAT: %1 filas; completan las filas de metadatos con su UUID.")
                .arg(cuenta.filas);
        return resultado;
    }
    QString texto = QStringLiteral("Metadatos del SAT: %1 filas, %2 guardadas").arg(cuenta.filas).arg(cuenta.guardadas);
    if (cuenta.sinNegocio > 0)
        texto += QStringLiteral(", %1 sin negocio en este equipo (ni su emisor ni su receptor; si después importas "
                                "sus XML, vuelve a importar este archivo para guardarlas)")
                     .arg(cuenta.sinNegocio);
    if (cuenta.cancelados > 0)
        texto += QStringLiteral(", %1 comprobantes marcados como cancelados").arg(cuenta.cancelados);
    if (cuenta.vigentes > 0)
        texto += QStringLiteral(", %1 comprobantes vigentes otra vez").arg(cuenta.vigentes);
    if (cuenta.rechazadas > 0)
        texto += QStringLiteral(", %1 no se guardaron: %2").arg(cuenta.rechazadas).arg(motivos.join(QLatin1Char(' ')));
    // A refusal's own text may end its sentence already.
    resultado.motivo = texto.endsWith(QLatin1Char('.')) ? texto : texto + QLatin1Char('.');
    return resultado;
}

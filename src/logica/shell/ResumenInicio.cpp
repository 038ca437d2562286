#include "ResumenInicio.h"

#include "Archivos.h"
#include "CitaSql.h"
#include "ConciliacionSat.h"
#include "Conexiones.h"
#include "Dialecto.h"
#include "Entidades.h"
#include "Errores.h"
#include "TiposComprobante.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/Utils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

namespace ResumenInicio {

namespace {

using C = TComprobante;
using Esquema::cita;

QString columna(C::Columna c)
{
    return cita(C::columna(c).columna().nombre);
}

// What one report says of each RFC (upper case): its rows by outcome.
using TPorRfc = QHash<QString, TUltimaImportacion>;

// The outcome and issuer RFC (the second and third fields) of every row of a
// report, quotes as the report writes them: a quoted field may hold commas,
// quotes and line ends. One pass over the bytes.
TPorRfc leeReporte(const QByteArray& bytes)
{
    TPorRfc resultado;
    const char* p = bytes.constData();
    const qsizetype n = bytes.size();
    qsizetype i = bytes.indexOf('\n') + 1; // past the header
    while (i > 0 && i < n) {
        QByteArray estado;
        QByteArray emisor;
        QByteArray* destino = nullptr; // the first field is not kept
        int campo = 0;
        bool entreComillas = false;
        for (; i < n; ++i) {
            const char c = p[i];
            if (entreComillas) {
                if (c != '"') {
                    if (destino)
                        *destino += c;
                } else if (i + 1 < n && p[i + 1] == '"') {
                    if (destino)
                        *destino += p[++i];
                    else
                        ++i;
                } else {
                    entreComillas = false;
                }
            } else if (c == '"') {
                entreComillas = true;
            } else if (c == ',') {
                ++campo;
                destino = campo == 1 ? &estado : campo == 2 ? &emisor : nullptr;
            } else if (c == '\n') {
                ++i;
                break;
            } else if (c != '\r' && destino) {
                *destino += c;
            }
        }
        if (campo < 2)
            continue;
        TUltimaImportacion& u = resultado[QString::fromUtf8(emisor).toUpper()];
        u.hubo = true;
        if (estado == "Importado")
            ++u.importados;
        else if (QString::fromUtf8(estado) == QStringLiteral("Ya existía"))
            ++u.yaExistian;
        else
            ++u.noImportados;
    }
    return resultado;
}

// The reports already read, so that each is read once however many
// businesses share the folder: "Importaciones.indice" beside them, one line
// per report and RFC. Only a help: lost or unreadable, the reports are read
// again.
const QString INDICE = QStringLiteral("Importaciones.indice");
const QByteArray CABECERA_INDICE = "velkor-importaciones\t1";

struct TIndizado {
    qint64 tamano = 0;
    TPorRfc porRfc;
};

QHash<QString, TIndizado> leeIndice(const QString& ruta)
{
    QHash<QString, TIndizado> indice;
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly))
        return indice;
    const QList<QByteArray> lineas = archivo.readAll().split('\n');
    if (lineas.value(0) != CABECERA_INDICE)
        return indice;
    for (qsizetype k = 1; k < lineas.size(); ++k) {
        // report, size, then RFC (percent-encoded) and its three counts
        const QList<QByteArray> c = lineas.at(k).split('\t');
        if (c.size() != 2 && c.size() != 6)
            continue;
        TIndizado& r = indice[QString::fromUtf8(c.at(0))];
        r.tamano = c.at(1).toLongLong();
        if (c.size() == 2)
            continue;
        TUltimaImportacion& u = r.porRfc[QString::fromUtf8(QByteArray::fromPercentEncoding(c.at(2)))];
        u.hubo = true;
        u.importados = c.at(3).toInt();
        u.yaExistian = c.at(4).toInt();
        u.noImportados = c.at(5).toInt();
    }
    return indice;
}

void escribeIndice(const QString& ruta, const QHash<QString, TIndizado>& indice)
{
    QByteArray texto = CABECERA_INDICE + '\n';
    for (auto it = indice.cbegin(); it != indice.cend(); ++it) {
        const QByteArray inicio = it.key().toUtf8() + '\t' + QByteArray::number(it->tamano);
        texto += inicio + '\n';
        for (auto r = it->porRfc.cbegin(); r != it->porRfc.cend(); ++r)
            texto += inicio + '\t' + r.key().toUtf8().toPercentEncoding() + '\t' + QByteArray::number(r->importados) +
                     '\t' + QByteArray::number(r->yaExistian) + '\t' + QByteArray::number(r->noImportados) + '\n';
    }
    try {
        Archivos::creaPrivado(ruta, texto);
    } catch (const EEntradaSalida&) {
        // The page still shows the right import; the next one reads the
        // reports again.
    }
}

// "Importacion-yyyyMMdd-HHmmss[-n].csv": the moment, then n (a second job
// started in the same second).
QPair<QString, int> ordenReporte(const QFileInfo& reporte)
{
    const QString nombre = reporte.completeBaseName();
    return {nombre.mid(12, 15), nombre.size() > 28 ? nombre.mid(28).toInt() : 1};
}

} // namespace

TPeriodo periodo(const TConexionSesion& conexion, int idNegocio, const QDate& desde, const QDate& hasta)
{
    const TCondicion donde =
        C::columna(C::col_Negocio) == idNegocio && C::columna(C::col_Fechaemision) >= desde.startOfDay() &&
        C::columna(C::col_Fechaemision) < hasta.startOfDay() &&
        (C::columna(C::col_Estatus).esNulo() || C::columna(C::col_Estatus) != C::ESTADO_FACTURA_CANCELADA);
    // The driver would read the NUMERIC sum through a double; the engine's
    // own text of it is exact.
    const QString sql =
        QStringLiteral("SELECT %1, %2, COUNT(*), CAST(COALESCE(SUM(%3), 0) AS VARCHAR(40)) FROM %4 WHERE %5 "
                       "GROUP BY %1, %2")
            .arg(columna(C::col_Tipocomprobante), columna(C::col_Moneda), columna(C::col_Total),
                 cita(C::tablaEsquema().nombre), donde.sql());
    QSqlQuery consulta(Conexiones::baseDatos(conexion));
    consulta.setForwardOnly(true);
    if (!consulta.prepare(TDialecto::de(conexion).adapta(sql)))
        throw EBaseDatos(TDialecto::falla(QStringLiteral("leer los comprobantes"), consulta.lastError(), sql));
    for (int i = 0; i < donde.parametros().size(); ++i)
        consulta.bindValue(i, donde.parametros().at(i));
    if (!consulta.exec())
        throw EBaseDatos(TDialecto::falla(QStringLiteral("leer los comprobantes"), consulta.lastError(), sql));
    TPeriodo resultado;
    while (consulta.next()) {
        TTotalTipo fila;
        fila.tipo = TiposComprobante::nombre(consulta.value(0).toString());
        fila.moneda = consulta.value(1).toString().trimmed().toUpper();
        if (fila.moneda.isEmpty())
            fila.moneda = QStringLiteral("MXN");
        fila.cantidad = consulta.value(2).toInt();
        fila.total = TDecimal::desdeTexto(consulta.value(3).toString().trimmed());
        resultado.cantidad += fila.cantidad;
        // The same type and currency may come twice (3.2 wrote the currency
        // in other letter cases).
        auto igual = std::find_if(resultado.porTipo.begin(), resultado.porTipo.end(),
                                  [&](const TTotalTipo& t) { return t.tipo == fila.tipo && t.moneda == fila.moneda; });
        if (igual != resultado.porTipo.end()) {
            igual->cantidad += fila.cantidad;
            igual->total = igual->total + fila.total;
        } else {
            resultado.porTipo << fila;
        }
    }
    const auto orden = [](const QString& nombre) {
        const QList<QPair<QString, QString>>& tipos = TiposComprobante::lista();
        for (int i = 0; i < tipos.size(); ++i)
            if (tipos.at(i).second == nombre)
                return i;
        return int(tipos.size());
    };
    std::sort(resultado.porTipo.begin(), resultado.porTipo.end(), [&](const TTotalTipo& a, const TTotalTipo& b) {
        return std::pair(orden(a.tipo), a.moneda) < std::pair(orden(b.tipo), b.moneda);
    });
    return resultado;
}

TVigencia vigencia(const QDate& fin, const QDate& hoy)
{
    TVigencia v;
    if (!fin.isValid())
        return v;
    v.fin = fin;
    v.dias = int(hoy.daysTo(fin));
    v.estado = v.dias < 0 ? TVigencia::Vencido : v.dias <= DIAS_AVISO ? TVigencia::PorVencer : TVigencia::Vigente;
    return v;
}

QString textoVigencia(const TVigencia& v)
{
    const QString fecha = v.fin.toString(QStringLiteral("dd/MM/yyyy"));
    switch (v.estado) {
    case TVigencia::SinCertificado:
        return QStringLiteral("Sin certificado de sello digital (CSD): agrégalo en Editar para timbrar.");
    case TVigencia::Vigente:
        return QStringLiteral("Certificado de sello digital vigente hasta el %1.").arg(fecha);
    case TVigencia::PorVencer:
        return v.dias == 0
                   ? QStringLiteral("El certificado de sello digital vence hoy (%1). Renuévalo en el SAT.").arg(fecha)
                   : QStringLiteral("El certificado de sello digital vence en %1 días, el %2. Renuévalo "
                                    "en el SAT.")
                         .arg(v.dias)
                         .arg(fecha);
    case TVigencia::Vencido:
        return QStringLiteral("El certificado de sello digital venció el %1: ya no sirve para timbrar.").arg(fecha);
    }
    return QString();
}

TUltimaImportacion ultimaImportacion(const QString& carpetaReportes, const QString& rfc)
{
    const QDir carpeta(carpetaReportes);
    QFileInfoList reportes = carpeta.entryInfoList({QStringLiteral("Importacion-*.csv")}, QDir::Files);
    std::sort(reportes.begin(), reportes.end(),
              [](const QFileInfo& a, const QFileInfo& b) { return ordenReporte(b) < ordenReporte(a); });
    const QString ruta = carpeta.filePath(INDICE);
    QHash<QString, TIndizado> indice = leeIndice(ruta);
    bool cambiado = false;
    TUltimaImportacion encontrada;
    for (const QFileInfo& reporte : std::as_const(reportes)) {
        auto it = indice.find(reporte.fileName());
        // A report only grows (a job still running adds its rows): the same
        // size is the same content.
        if (it == indice.end() || it->tamano != reporte.size()) {
            QFile archivo(reporte.absoluteFilePath());
            if (!archivo.open(QIODevice::ReadOnly))
                continue;
            const QByteArray bytes = archivo.readAll();
            it = indice.insert(reporte.fileName(), TIndizado{bytes.size(), leeReporte(bytes)});
            cambiado = true;
        }
        const auto propio = it->porRfc.constFind(rfc.toUpper());
        if (propio != it->porRfc.constEnd()) {
            encontrada = *propio;
            encontrada.fecha = QDateTime::fromString(ordenReporte(reporte).first, QStringLiteral("yyyyMMdd-HHmmss"));
            break;
        }
    }
    if (cambiado) {
        QSet<QString> presentes;
        for (const QFileInfo& reporte : std::as_const(reportes))
            presentes.insert(reporte.fileName());
        for (auto it = indice.begin(); it != indice.end();)
            it = presentes.contains(it.key()) ? std::next(it) : indice.erase(it);
        escribeIndice(ruta, indice);
    }
    return encontrada;
}

QString textoUltimaImportacion(const TUltimaImportacion& u)
{
    if (!u.hubo)
        return QStringLiteral("Aún no has importado comprobantes a esta empresa.");
    return QStringLiteral("Última importación: %1 — %2 importados, %3 ya existían, %4 no importados.")
        .arg(u.fecha.toString(QStringLiteral("dd/MM/yyyy HH:mm")))
        .arg(u.importados)
        .arg(u.yaExistian)
        .arg(u.noImportados);
}

TConciliacion conciliacion(const TConexionSesion& conexion, const QString& rfc, int idNegocio)
{
    return conciliacion(conexion, rfc, idNegocio, registroLocal().rfcs());
}

TConciliacion conciliacion(const TConexionSesion& conexion, const QString& rfc, int idNegocio,
                           const QSet<QString>& locales)
{
    const QList<int> cuentas = ConciliacionSat::cuentaHallazgos(rfc, idNegocio, conexion, locales);
    using T = THallazgoSat::TTipo;
    TConciliacion c;
    c.cancelados = cuentas.value(int(T::Cancelado));
    c.sinXml = cuentas.value(int(T::FaltaXml));
    c.sinMetadatos = cuentas.value(int(T::SinMetadatos));
    c.importeDistinto = cuentas.value(int(T::ImporteDistinto));
    return c;
}

QString textoConciliacion(const TConciliacion& c)
{
    if (c.total() == 0)
        return QString();
    return QStringLiteral("Conciliación con el SAT: %1 %2, %3 sin XML, %4 sin metadatos y %5 con importe distinto. "
                          "Revísala en Reportes, en «Conciliación con el SAT».")
        .arg(c.cancelados)
        .arg(c.cancelados == 1 ? QStringLiteral("cancelado") : QStringLiteral("cancelados"))
        .arg(c.sinXml)
        .arg(c.sinMetadatos)
        .arg(c.importeDistinto);
}

TResumen calcula(const TPedido& pedido, const std::function<bool()>& detener)
{
    TResumen r;
    const auto sigue = [&] {
        r.completo = !detener || !detener();
        return r.completo;
    };
    try {
        // The business read anew on this thread: the session's own record
        // belongs to the window's.
        const std::unique_ptr<TNegocio> negocio = TNegocio::getById(pedido.idNegocio, pedido.conexion);
        if (!negocio)
            throw EBaseDatos(QStringLiteral("La empresa %1 ya no está en su base de datos.").arg(pedido.idNegocio));
        if (const std::shared_ptr<TDatosfiscales> fiscales = negocio->getDatosfiscales()) {
            r.rfc = fiscales->getRfc();
            r.razon = fiscales->getRazon();
        }
        const std::unique_ptr<TCertificado> certificado = TCertificado::getByNegocio(*negocio, pedido.conexion);
        r.vigencia = vigencia(certificado ? certificado->getFechaexpiracion() : QDate(), pedido.hoy);
        if (!sigue())
            return r;
        const QDate mes(pedido.hoy.year(), pedido.hoy.month(), 1);
        r.mes = periodo(pedido.conexion, pedido.idNegocio, mes, mes.addMonths(1));
        if (!sigue())
            return r;
        r.anio = periodo(pedido.conexion, pedido.idNegocio, QDate(pedido.hoy.year(), 1, 1),
                         QDate(pedido.hoy.year() + 1, 1, 1));
        if (!sigue())
            return r;
        const TCondicion deLaEmpresa =
            TSerie::columna(TSerie::col_Sucursal)
                .en(TSucursal::claves(TSucursal::columna(TSucursal::col_Negocio) == pedido.idNegocio));
        r.sinSeries = TSerie::cuenta(deLaEmpresa, pedido.conexion) == 0;
        if (!sigue())
            return r;
        r.conciliacion = conciliacion(pedido.conexion, r.rfc, pedido.idNegocio, pedido.rfcsLocales);
    } catch (const std::exception& e) {
        Logmanager::Log(Errores::describe(e), 1, Sistema::exePath);
        r.conDatos = false;
        if (pedido.conexion.enServidor())
            r.error = Utils::textoError(e);
    }
    if (sigue())
        r.ultima = ultimaImportacion(pedido.carpetaReportes, r.rfc);
    return r;
}

} // namespace ResumenInicio

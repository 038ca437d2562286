#include "ResumenInicio.h"

#include "CitaSql.h"
#include "ConciliacionSat.h"
#include "Conexiones.h"
#include "Dialecto.h"
#include "Entidades.h"
#include "Errores.h"
#include "TiposComprobante.h"
#include "negocio/TBaseDatosLocalFrm.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

namespace ResumenInicio {

namespace {

using C = TComprobante;
using Esquema::cita;

QString columna(C::Columna c)
{
    return cita(C::columna(c).columna().nombre);
}

// The fields of one CSV line, quotes as the report writes them.
QStringList campos(const QString& linea)
{
    QStringList resultado;
    QString actual;
    bool entreComillas = false;
    for (int i = 0; i < linea.size(); ++i) {
        const QChar c = linea.at(i);
        if (entreComillas) {
            if (c == QLatin1Char('"') && i + 1 < linea.size() && linea.at(i + 1) == QLatin1Char('"')) {
                actual += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                entreComillas = false;
            } else {
                actual += c;
            }
        } else if (c == QLatin1Char('"')) {
            entreComillas = true;
        } else if (c == QLatin1Char(',')) {
            resultado << actual;
            actual.clear();
        } else {
            actual += c;
        }
    }
    return resultado << actual;
}

// Reports are many after a while; the newest few tell the last import.
const int REPORTES_REVISADOS = 20;

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
    const QFileInfoList reportes =
        QDir(carpetaReportes)
            .entryInfoList({QStringLiteral("Importacion-*.csv")}, QDir::Files, QDir::Name | QDir::Reversed);
    for (int k = 0; k < reportes.size() && k < REPORTES_REVISADOS; ++k) {
        QFile archivo(reportes.at(k).absoluteFilePath());
        if (!archivo.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        QTextStream lector(&archivo);
        lector.readLine(); // the header
        TUltimaImportacion u;
        while (!lector.atEnd()) {
            const QStringList fila = campos(lector.readLine());
            if (fila.value(2).compare(rfc, Qt::CaseInsensitive) != 0)
                continue;
            u.hubo = true;
            const QString estado = fila.value(1);
            if (estado == QStringLiteral("Importado"))
                ++u.importados;
            else if (estado == QStringLiteral("Ya existía"))
                ++u.yaExistian;
            else
                ++u.noImportados;
        }
        if (!u.hubo)
            continue;
        // "Importacion-yyyyMMdd-HHmmss[-n].csv"
        u.fecha =
            QDateTime::fromString(reportes.at(k).completeBaseName().mid(12, 15), QStringLiteral("yyyyMMdd-HHmmss"));
        return u;
    }
    return TUltimaImportacion();
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
    const QList<int> cuentas =
        ConciliacionSat::cuentaPorTipo(ConciliacionSat::hallazgos(rfc, idNegocio, conexion, registroLocal().rfcs()));
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

} // namespace ResumenInicio

#include "ConsultaComprobantes.h"

#include "CitaSql.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Dialecto.h"
#include "Entidades.h"
#include "Errores.h"
#include "FormatoImporte.h"
#include "Reloj.h"
#include "Prompter.h"
#include "TiposComprobante.h"
#include "VerificacionSello.h"

#include <QLocale>
#include <QHash>
#include <QIODevice>
#include <QMap>
#include <QSqlError>
#include <QSqlQuery>

#include <cerrno>
#include <cmath>

namespace {

using C = TComprobante;
using Esquema::cita;

// Months one chart may span; a wider filter shows the months that have
// vouchers.
const int MAXIMO_MESES = 240;
const int FILAS_POR_LOTE_CSV = 1000;
// Keys one page query names (the engine takes at most 1,500 in a list).
const int MAXIMO_CLAVES = 500;

QString columna(C::Columna c)
{
    return cita(C::columna(c).columna().nombre);
}

QString tabla()
{
    return cita(C::tablaEsquema().nombre);
}

// The driver would read NUMERIC through a double; the text the engine makes
// of it is exact.
QString comoTexto(const QString& expresion)
{
    return QStringLiteral("CAST(%1 AS VARCHAR(40))").arg(expresion);
}

QString suma(C::Columna c)
{
    return comoTexto(QStringLiteral("COALESCE(SUM(%1), 0)").arg(columna(c)));
}

// The first `largo` characters of a text. The engine sorts and groups a text
// at its declared width, and the widest columns (a currency, a name) are
// declared a thousand characters wide: a sort of a hundred thousand rows on
// them would move gigabytes. The cut text never overflows its cast.
QString corto(const QString& expresion, int largo)
{
    return QStringLiteral("CAST(SUBSTRING(%1 FROM 1 FOR %2) AS VARCHAR(%2))").arg(expresion).arg(largo);
}

// Longer than any currency code, or than the names a person tells apart.
const int LARGO_MONEDA = 20;
const int LARGO_NOMBRE = 60;

// Rows stored before the voucher kept its receiver's name, and vouchers
// that name no receiver, have it empty; the customer's name stands in then.
QString sinNombrePropio()
{
    return QStringLiteral("COALESCE(TRIM(%1), '') = ''").arg(columna(C::col_Nombrereceptor));
}

// The name the voucher itself was issued to. The customer record keeps the
// first name met for its RFC, which for a generic RFC (foreign customers,
// the public at large) or a renamed customer is not this voucher's.
QString nombreReceptor()
{
    using K = TCliente;
    using D = TDatosfiscales;
    const QString delCliente = QStringLiteral("(SELECT d.%1 FROM %2 k JOIN %3 d ON d.%4 = k.%5 WHERE k.%6 = %7.%8)")
                                   .arg(cita(D::columna(D::col_Razon).columna().nombre), cita(K::tablaEsquema().nombre),
                                        cita(D::tablaEsquema().nombre), cita(D::tablaEsquema().clave().nombre),
                                        cita(K::columna(K::col_Datosfiscales).columna().nombre),
                                        cita(K::tablaEsquema().clave().nombre), tabla(), columna(C::col_Cliente));
    return QStringLiteral("CASE WHEN %1 THEN %2 ELSE %3 END")
        .arg(sinNombrePropio(), delCliente, columna(C::col_Nombrereceptor));
}

TCondicion condicion(const TFiltroComprobantes& filtro)
{
    TCondicion donde = C::columna(C::col_Negocio) == filtro.idNegocio;
    if (filtro.desde.isValid())
        donde = donde && C::columna(C::col_Fechaemision) >= QDateTime(filtro.desde, QTime(0, 0));
    if (filtro.hasta.isValid())
        donde = donde && C::columna(C::col_Fechaemision) < QDateTime(filtro.hasta.addDays(1), QTime(0, 0));
    if (!filtro.tipo.isEmpty())
        donde = donde && C::columna(C::col_Tipocomprobante) == filtro.tipo;
    if (filtro.sello == ConsultaComprobantes::SELLO_SIN_VERIFICAR)
        donde = donde &&
                (C::columna(C::col_Verificacionsello).esNulo() || C::columna(C::col_Verificacionsello) == QString());
    else if (!filtro.sello.isEmpty())
        donde = donde && C::columna(C::col_Verificacionsello) == filtro.sello;
    const QString receptor = filtro.receptor.trimmed();
    if (!receptor.isEmpty()) {
        using K = TCliente;
        using D = TDatosfiscales;
        const TCondicion porCliente =
            TCondicion(sinNombrePropio(), {}) &&
            C::columna(C::col_Cliente)
                .en(K::claves(
                    K::columna(K::col_Datosfiscales).en(D::claves(D::columna(D::col_Razon).contiene(receptor)))));
        donde = donde && (C::columna(C::col_Rfcreceptor).contiene(receptor) ||
                          C::columna(C::col_Nombrereceptor).contiene(receptor) || porCliente);
    }
    return donde;
}

std::unique_ptr<QSqlQuery> ejecuta(const TConexionSesion& conexion, const QString& sql, const QVariantList& parametros)
{
    QSqlDatabase db;
    try {
        db = Conexiones::baseDatos(conexion);
    } catch (const EBaseDatos& e) {
        // A server that does not answer when the connection is opened again.
        if (!TDialecto::esConexionPerdida(e.mensaje()))
            throw;
        throw EBaseDatos(TDialecto::falla(QStringLiteral("preparar la consulta de comprobantes"),
                                          QSqlError(QString(), e.mensaje())));
    }
    auto consulta = std::make_unique<QSqlQuery>(db);
    consulta->setForwardOnly(true);
    const auto falla = [&](const QString& trabajo) {
        const QSqlError error = consulta->lastError();
        EBaseDatos e(TDialecto::falla(trabajo, error));
        // A connection the server dropped stays "open" for the client
        // library: closed here, the next query opens a new one, so once the
        // server is back the list works again without signing in anew.
        if (TDialecto::esConexionPerdida(error) && !Conexiones::enTransaccion(conexion)) {
            consulta.reset();
            Conexiones::cierra(conexion);
        }
        return e;
    };
    if (!consulta->prepare(TDialecto::de(conexion).adapta(sql)))
        throw falla(QStringLiteral("preparar la consulta de comprobantes"));
    for (int i = 0; i < parametros.size(); ++i)
        consulta->bindValue(i, parametros.at(i));
    if (!consulta->exec())
        throw falla(QStringLiteral("leer los comprobantes"));
    return consulta;
}

TDecimal decimal(const QVariant& valor)
{
    return valor.isNull() ? TDecimal() : TDecimal::desdeTexto(valor.toString());
}

QString texto(const QVariant& valor)
{
    return valor.typeId() == QMetaType::QByteArray ? QString::fromUtf8(valor.toByteArray()) : valor.toString();
}

QDate primerDia(const QDate& fecha)
{
    return QDate(fecha.year(), fecha.month(), 1);
}

int mesesEntre(const QDate& inicio, const QDate& fin)
{
    return (fin.year() - inicio.year()) * 12 + fin.month() - inicio.month();
}

void escribe(QIODevice& destino, const QByteArray& bytes)
{
    if (destino.write(bytes) != bytes.size()) {
        // The system's error number says why in Spanish; Qt's own texts are
        // English.
        const int numero = errno;
        throw EEntradaSalida(QStringLiteral("No se pudo escribir el archivo CSV: ") + Errores::delSistema(numero));
    }
}

// 1 for a voucher cancelled at the SAT, 0 otherwise (older rows may leave
// Estatus empty).
QString cancelado()
{
    return QStringLiteral("CASE WHEN %1 = %2 THEN 1 ELSE 0 END")
        .arg(columna(C::col_Estatus))
        .arg(C::ESTADO_FACTURA_CANCELADA);
}

// What a listed row shows, in the order leeFila reads it.
QString columnasFila()
{
    return QStringList{columna(C::col_Idcomprobante),
                       columna(C::col_Fechaemision),
                       columna(C::col_Tipocomprobante),
                       columna(C::col_Serie),
                       columna(C::col_Folio),
                       columna(C::col_Rfcreceptor),
                       nombreReceptor(),
                       columna(C::col_Moneda),
                       comoTexto(columna(C::col_Subtotal)),
                       comoTexto(columna(C::col_Totalimpuestostrasladados)),
                       comoTexto(columna(C::col_Totalimpuestosretenidos)),
                       comoTexto(columna(C::col_Total)),
                       columna(C::col_Uuid),
                       comoTexto(columna(C::col_Version)),
                       columna(C::col_Verificacionsello),
                       cancelado(),
                       columna(C::col_Fechacancelacion)}
        .join(QStringLiteral(", "));
}

TFilaComprobante leeFila(const QSqlQuery& q)
{
    TFilaComprobante f;
    f.id = q.value(0).toInt();
    f.fecha = Reloj::deReloj(q.value(1).toDateTime());
    f.tipo = texto(q.value(2));
    f.serie = texto(q.value(3));
    f.folio = texto(q.value(4));
    f.rfcReceptor = texto(q.value(5));
    f.receptor = texto(q.value(6));
    f.moneda = texto(q.value(7)).trimmed();
    f.subtotal = decimal(q.value(8));
    f.trasladados = decimal(q.value(9));
    f.retenidos = decimal(q.value(10));
    f.total = decimal(q.value(11));
    f.uuid = texto(q.value(12));
    f.version = q.value(13).isNull() ? QString() : decimal(q.value(13)).texto(1);
    f.sello = texto(q.value(14));
    f.cancelado = q.value(15).toInt() != 0;
    if (f.cancelado)
        f.fechaCancelacion = Reloj::deReloj(q.value(16).toDateTime());
    return f;
}

// The ORDER BY of a sort. Folios are mostly numbers kept as text: the shorter
// first keeps "9" before "10". The key last makes the order total, so equal
// sort values still page the same way every time.
QString ordenSql(const TOrdenComprobantes& orden)
{
    using O = TOrdenComprobantes;
    // Type letters sort as their names do (Egreso, Ingreso, Nómina, Pago,
    // Traslado).
    static const QHash<int, C::Columna> tal = {{O::Tipo, C::col_Tipocomprobante},
                                               {O::RfcReceptor, C::col_Rfcreceptor},
                                               {O::Moneda, C::col_Moneda},
                                               {O::Subtotal, C::col_Subtotal},
                                               {O::Trasladados, C::col_Totalimpuestostrasladados},
                                               {O::Retenidos, C::col_Totalimpuestosretenidos},
                                               {O::Total, C::col_Total},
                                               {O::Uuid, C::col_Uuid},
                                               {O::Version, C::col_Version},
                                               {O::Sello, C::col_Verificacionsello}};
    const auto sinMayusculas = [](const QString& expresion) { return QStringLiteral("UPPER(%1)").arg(expresion); };
    QStringList expresiones;
    if (orden.campo == O::Serie)
        expresiones << sinMayusculas(columna(C::col_Serie));
    else if (orden.campo == O::Folio)
        expresiones << QStringLiteral("CHAR_LENGTH(TRIM(%1))").arg(columna(C::col_Folio))
                    << sinMayusculas(columna(C::col_Folio));
    else if (orden.campo == O::Receptor)
        expresiones << corto(sinMayusculas(nombreReceptor()), LARGO_NOMBRE);
    else if (orden.campo == O::Moneda)
        expresiones << corto(columna(C::col_Moneda), LARGO_MONEDA);
    else if (orden.campo == O::EstadoSat)
        // Ascending puts the cancelled first, the oldest cancellation first.
        expresiones
            << QStringLiteral("(1 - %1)").arg(cancelado())
            << QStringLiteral("CASE WHEN %1 = 1 THEN %2 END").arg(cancelado(), columna(C::col_Fechacancelacion));
    else if (const auto c = tal.constFind(orden.campo); c != tal.constEnd())
        expresiones << columna(*c);
    const QString sentido = orden.descendente ? QStringLiteral(" DESC") : QStringLiteral(" ASC");
    QStringList partes;
    for (const QString& e : expresiones)
        partes << e + sentido;
    // Equal values keep the newest first, whichever way the column runs.
    const QString desempate = orden.campo == O::Fecha ? sentido : QStringLiteral(" DESC");
    partes << columna(C::col_Fechaemision) + desempate << columna(C::col_Idcomprobante) + desempate;
    return partes.join(QStringLiteral(", "));
}

const QStringList MESES = {QStringLiteral("ene"), QStringLiteral("feb"), QStringLiteral("mar"), QStringLiteral("abr"),
                           QStringLiteral("may"), QStringLiteral("jun"), QStringLiteral("jul"), QStringLiteral("ago"),
                           QStringLiteral("sep"), QStringLiteral("oct"), QStringLiteral("nov"), QStringLiteral("dic")};
// Bar groups a chart labels before the labels run into each other.
const int MAXIMO_ROTULOS = 12;
// Spans the chart shows month by month, then quarter by quarter; beyond, by year.
const int HASTA_MESES_POR_MES = 24;
const int HASTA_MESES_POR_TRIMESTRE = 96;

// Every month from `inicio` to `fin` with its amount, zero where there is none.
QList<TTotalMensual> rellena(const QList<QDate>& rango, const QMap<QDate, TDecimal>& montos)
{
    QList<TTotalMensual> meses;
    for (const QDate& m : rango)
        meses.append({m, montos.value(m)});
    return meses;
}

} // namespace

namespace ConsultaComprobantes {

QString nombreTipo(const QString& letra)
{
    return TiposComprobante::nombre(letra);
}

QString textoEstadoSat(bool cancelado, const QDateTime& fecha)
{
    if (!cancelado)
        return QString();
    return fecha.isValid() ? QStringLiteral("Cancelado el ") + fecha.toString(FORMATO_FECHA)
                           : QStringLiteral("Cancelado");
}

QString nombreMoneda(const QString& moneda)
{
    return moneda.isEmpty() ? QStringLiteral("Sin moneda") : moneda;
}

QString nombreCsv(const QString& rfc, const QDate& desde, const QDate& hasta, const QDate& hoy)
{
    const QString formato = QStringLiteral("yyyy-MM-dd");
    QStringList partes{QStringLiteral("Comprobantes")};
    if (!rfc.trimmed().isEmpty())
        partes << rfc.trimmed();
    partes << (desde.isValid() ? desde.toString(formato) : QStringLiteral("inicio"))
           << (hasta.isValid() ? hasta : hoy).toString(formato);
    return partes.join(QLatin1Char('_')) + QStringLiteral(".csv");
}

QList<TPeriodoGrafica> periodosGrafica(const QDate& primero, const QDate& ultimo)
{
    QList<TPeriodoGrafica> periodos;
    if (!primero.isValid() || !ultimo.isValid() || ultimo < primero)
        return periodos;
    const int meses = mesesEntre(primero, ultimo) + 1;
    if (meses <= HASTA_MESES_POR_MES) {
        for (QDate m = primerDia(primero); m <= ultimo; m = m.addMonths(1))
            periodos.append({m, MESES.at(m.month() - 1) + QLatin1Char(' ') + QString::number(m.year())});
    } else if (meses <= HASTA_MESES_POR_TRIMESTRE) {
        for (QDate t(primero.year(), (primero.month() - 1) / 3 * 3 + 1, 1); t <= ultimo; t = t.addMonths(3))
            periodos.append({t, QStringLiteral("T%1 %2").arg((t.month() - 1) / 3 + 1).arg(t.year())});
    } else {
        for (int a = primero.year(); a <= ultimo.year(); ++a)
            periodos.append({QDate(a, 1, 1), QString::number(a)});
    }
    const qsizetype paso = (periodos.size() + MAXIMO_ROTULOS - 1) / MAXIMO_ROTULOS;
    for (qsizetype i = 0; i < periodos.size(); ++i)
        periodos[i].rotulado = i % paso == 0;
    return periodos;
}

QList<TDecimal> totalesPorPeriodo(const QList<TPeriodoGrafica>& periodos, const QList<TTotalMensual>& meses)
{
    QList<TDecimal> totales(periodos.size());
    qsizetype p = 0;
    for (const TTotalMensual& m : meses) {
        while (p + 1 < periodos.size() && periodos.at(p + 1).inicio <= m.mes)
            ++p;
        if (p < periodos.size() && periodos.at(p).inicio <= m.mes)
            totales[p] += m.total;
    }
    return totales;
}

QList<TMarcaImporte> marcasImporte(double maximo)
{
    const double tope = maximo > 0 ? maximo : 1;
    const double aproximado = tope / 5;
    const double magnitud = std::pow(10.0, std::floor(std::log10(aproximado)));
    const double relativo = aproximado / magnitud;
    const double paso = (relativo <= 1 ? 1 : relativo <= 2 ? 2 : relativo <= 5 ? 5 : 10) * magnitud;
    const int cuantas = int(std::ceil(tope / paso - 1e-9));
    QList<TMarcaImporte> marcas;
    for (int i = 0; i <= cuantas; ++i) {
        const double valor = i * paso;
        // The top mark of a voucher near a trillion lies past what an amount
        // may hold; the axis still needs its label.
        TDecimal exacto;
        QString etiqueta = TDecimal::intenta(QString::number(valor, 'f', 2), exacto)
                               ? textoImporte(exacto)
                               : QLocale(QLocale::English, QLocale::UnitedStates).toString(valor, 'f', 2);
        if (paso >= 1 && etiqueta.endsWith(QStringLiteral(".00")))
            etiqueta.chop(3);
        marcas.append({valor, QLatin1Char('$') + etiqueta});
    }
    return marcas;
}

QList<QPair<QString, QString>> tiposComprobante()
{
    return TiposComprobante::lista();
}

TResumenComprobantes resumen(const TConexionSesion& conexion, const TFiltroComprobantes& filtro)
{
    const TCondicion donde = condicion(filtro);
    const QString fecha = columna(C::col_Fechaemision);
    const QString anio = QStringLiteral("EXTRACT(YEAR FROM %1)").arg(fecha);
    const QString mes = QStringLiteral("EXTRACT(MONTH FROM %1)").arg(fecha);
    const QString sql =
        QStringLiteral("SELECT %1, %2, %3, %4, COUNT(*), %5, %6, %7, %8, %11 FROM %9 WHERE %10 "
                       "GROUP BY %1, %2, %3, %4, %11")
            .arg(anio, mes, columna(C::col_Tipocomprobante), corto(columna(C::col_Moneda), LARGO_MONEDA),
                 suma(C::col_Subtotal), suma(C::col_Totalimpuestostrasladados), suma(C::col_Totalimpuestosretenidos),
                 suma(C::col_Total), tabla())
            .arg(donde.sql(), cancelado());
    const auto consulta = ejecuta(conexion, sql, donde.parametros());
    using Clave = QPair<QString, QString>;
    QMap<Clave, TTotalesComprobantes> porTipo;
    QMap<Clave, QMap<QDate, TDecimal>> porSerie;
    QMap<QDate, TDecimal> porMes;
    TResumenComprobantes r;
    while (consulta->next()) {
        const Clave clave{texto(consulta->value(2)).trimmed(), texto(consulta->value(3)).trimmed()};
        const int cantidad = consulta->value(4).toInt();
        r.listados += cantidad;
        // Counted for the list and the note under the totals, summed only
        // when asked.
        if (consulta->value(9).toInt() != 0) {
            r.cancelados += cantidad;
            if (!filtro.incluyeCancelados)
                continue;
        }
        const TDecimal total = decimal(consulta->value(8));
        r.totales.cantidad += cantidad;
        TTotalesComprobantes& t = porTipo[clave];
        t.cantidad += cantidad;
        t.subtotal += decimal(consulta->value(5));
        t.trasladados += decimal(consulta->value(6));
        t.retenidos += decimal(consulta->value(7));
        t.total += total;
        r.totales.subtotal += decimal(consulta->value(5));
        r.totales.trasladados += decimal(consulta->value(6));
        r.totales.retenidos += decimal(consulta->value(7));
        r.totales.total += total;
        // A voucher without a date counts in the totals, in no month.
        if (!consulta->value(0).isNull()) {
            const QDate m(consulta->value(0).toInt(), consulta->value(1).toInt(), 1);
            porMes[m] += total;
            porSerie[clave][m] += total;
        }
    }
    for (auto t = porTipo.cbegin(); t != porTipo.cend(); ++t)
        r.porTipo.append({t.key().first, t.key().second, t.value()});

    QDate inicio = filtro.desde.isValid() ? primerDia(filtro.desde) : QDate();
    QDate fin = filtro.hasta.isValid() ? primerDia(filtro.hasta) : QDate();
    if (!porMes.isEmpty()) {
        if (!inicio.isValid())
            inicio = porMes.firstKey();
        if (!fin.isValid())
            fin = porMes.lastKey();
        if (mesesEntre(inicio, fin) >= MAXIMO_MESES) {
            inicio = porMes.firstKey();
            fin = porMes.lastKey();
        }
    }
    QList<QDate> rango;
    if (!inicio.isValid() || !fin.isValid() || fin < inicio || mesesEntre(inicio, fin) >= MAXIMO_MESES)
        rango = porMes.keys();
    else
        for (QDate m = inicio; m <= fin; m = m.addMonths(1))
            rango.append(m);
    r.meses = rellena(rango, porMes);
    for (auto s = porSerie.cbegin(); s != porSerie.cend(); ++s)
        r.series.append({s.key().first, s.key().second, rellena(rango, s.value())});
    return r;
}

TTotalesComprobantes totales(const TConexionSesion& conexion, const TFiltroComprobantes& filtro)
{
    return resumen(conexion, filtro).totales;
}

QList<TTotalMensual> totalesMensuales(const TConexionSesion& conexion, const TFiltroComprobantes& filtro)
{
    return resumen(conexion, filtro).meses;
}

TComprobanteGuardado guardado(const TConexionSesion& conexion, int idNegocio, int idComprobante)
{
    const std::unique_ptr<TComprobante> comprobante = TComprobante::getById(idComprobante, conexion);
    if (!comprobante || comprobante->getNegocioId() != idNegocio)
        return {};
    const bool cancelado = comprobante->getEstatus() == C::ESTADO_FACTURA_CANCELADA;
    return {comprobante->getComprobantexml(), comprobante->getVerificacionsello(), comprobante->getMotivoverificacion(),
            cancelado, cancelado ? comprobante->getFechacancelacion() : QDateTime()};
}

QByteArray xml(const TConexionSesion& conexion, int idNegocio, int idComprobante)
{
    return guardado(conexion, idNegocio, idComprobante).xml;
}

QStringList estadosSello()
{
    using VerificacionSello::TEstado;
    QStringList estados;
    for (TEstado e : {TEstado::Autentico, TEstado::Alterado, TEstado::CertificadoNoCorresponde, TEstado::NoVerificable})
        estados << VerificacionSello::texto(e);
    return estados;
}

QString campoCsv(const QString& valor, bool esTexto)
{
    QString campo = valor;
    if (esTexto && !campo.isEmpty()) {
        const QChar primero = campo.at(0);
        if (primero == QLatin1Char('=') || primero == QLatin1Char('+') || primero == QLatin1Char('-') ||
            primero == QLatin1Char('@') || primero.unicode() < 0x20)
            campo.prepend(QLatin1Char('\''));
    }
    if (campo.contains(QLatin1Char(',')) || campo.contains(QLatin1Char('"')) || campo.contains(QLatin1Char('\n')) ||
        campo.contains(QLatin1Char('\r')))
        campo = QLatin1Char('"') + campo.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    return campo;
}

void exportaCsv(const TConexionSesion& conexion, const TFiltroComprobantes& filtro, QIODevice& destino)
{
    const QString finLinea = QStringLiteral("\r\n");
    QString encabezado = QStringList{QStringLiteral("Fecha"),
                                     QStringLiteral("Tipo"),
                                     QStringLiteral("Serie"),
                                     QStringLiteral("Folio"),
                                     QStringLiteral("RFC receptor"),
                                     QStringLiteral("Receptor"),
                                     QStringLiteral("Moneda"),
                                     QStringLiteral("Subtotal"),
                                     QStringLiteral("Impuestos trasladados"),
                                     QStringLiteral("Impuestos retenidos"),
                                     QStringLiteral("Total"),
                                     QStringLiteral("UUID"),
                                     QStringLiteral("Versión"),
                                     QStringLiteral("Sello"),
                                     QStringLiteral("Estado SAT"),
                                     QStringLiteral("Fecha de cancelación")}
                             .join(QLatin1Char(','));
    escribe(destino, QByteArrayLiteral("\xEF\xBB\xBF") + (encabezado + finLinea).toUtf8());
    TCursorComprobantes cursor(conexion, filtro, TCursorComprobantes::TModo::Completo);
    while (!cursor.agotado()) {
        QString lote;
        for (const TFilaComprobante& f : cursor.siguientes(FILAS_POR_LOTE_CSV)) {
            const QStringList campos = {
                campoCsv(f.fecha.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), false),
                campoCsv(nombreTipo(f.tipo), true),
                campoCsv(f.serie, true),
                campoCsv(f.folio, true),
                campoCsv(f.rfcReceptor, true),
                campoCsv(f.receptor, true),
                campoCsv(f.moneda, true),
                campoCsv(f.subtotal.texto(2), false),
                campoCsv(f.trasladados.texto(2), false),
                campoCsv(f.retenidos.texto(2), false),
                campoCsv(f.total.texto(2), false),
                campoCsv(f.uuid, true),
                campoCsv(f.version, false),
                campoCsv(f.sello, true),
                campoCsv(f.cancelado ? QStringLiteral("Cancelado") : QString(), true),
                campoCsv(f.cancelado ? f.fechaCancelacion.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString(),
                         false),
            };
            lote += campos.join(QLatin1Char(',')) + finLinea;
        }
        escribe(destino, lote.toUtf8());
    }
}

QString textoImporte(const TDecimal& importe)
{
    return FormatoImporte::conMiles(importe);
}

void muestraError(const std::exception& e)
{
    const auto* propio = dynamic_cast<const EVelkor*>(&e);
    Prompter::actual().mensaje(propio ? propio->mensaje() : QString::fromLocal8Bit(e.what()), Constantes::MSG_ERROR);
}

} // namespace ConsultaComprobantes

TCursorComprobantes::TCursorComprobantes(const TConexionSesion& conexion, const TFiltroComprobantes& filtro, TModo modo)
    : m_conexion(conexion), m_modo(modo)
{
    const TCondicion donde = condicion(filtro);
    const QString clave = columna(C::col_Idcomprobante);
    const QString sql =
        QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4")
            .arg(modo == TModo::Completo ? columnasFila() : clave, tabla(), donde.sql(), ordenSql(filtro.orden));
    m_consulta = ejecuta(conexion, sql, donde.parametros());
}

TCursorComprobantes::~TCursorComprobantes() = default;

QList<TFilaComprobante> TCursorComprobantes::siguientes(int cuantas)
{
    QList<TFilaComprobante> filas;
    QList<int> claves;
    while (!m_agotado && filas.size() + claves.size() < cuantas) {
        if (!m_consulta->next()) {
            m_agotado = true;
            // Ends the statement and its transaction.
            m_consulta->finish();
            break;
        }
        if (m_modo == TModo::Completo)
            filas.append(leeFila(*m_consulta));
        else
            claves.append(m_consulta->value(0).toInt());
    }
    for (qsizetype i = 0; i < claves.size(); i += MAXIMO_CLAVES)
        filas += lee(claves.mid(i, MAXIMO_CLAVES));
    return filas;
}

// The rows of those keys, in the keys' order.
QList<TFilaComprobante> TCursorComprobantes::lee(const QList<int>& claves) const
{
    QVariantList parametros;
    for (int clave : claves)
        parametros.append(clave);
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 IN (%4)")
                            .arg(columnasFila(), tabla(), columna(C::col_Idcomprobante),
                                 QStringList(claves.size(), QStringLiteral("?")).join(QLatin1Char(',')));
    const auto consulta = ejecuta(m_conexion, sql, parametros);
    QHash<int, TFilaComprobante> porClave;
    while (consulta->next()) {
        const TFilaComprobante f = leeFila(*consulta);
        porClave.insert(f.id, f);
    }
    QList<TFilaComprobante> filas;
    for (int clave : claves)
        if (const auto f = porClave.constFind(clave); f != porClave.constEnd())
            filas.append(*f);
    return filas;
}

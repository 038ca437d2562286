#include "ConciliacionSat.h"

#include "CitaSql.h"
#include "Conexiones.h"
#include "Dialecto.h"
#include "Errores.h"
#include "Reloj.h"
#include "TEntidad.h"

#include <QHash>
#include <QIODevice>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <cerrno>
#include <tuple>

namespace {

using C = TComprobante;
using M = TMetadatosat;
using Esquema::cita;

QString nombreColumna(const TCampo& campo)
{
    return cita(campo.columna().nombre);
}

// The driver reads NUMERIC through a double; the engine's own text is exact.
QString exacto(const TCampo& campo)
{
    return QStringLiteral("CAST(%1 AS VARCHAR(40))").arg(nombreColumna(campo));
}

QString texto(const QVariant& valor)
{
    return valor.typeId() == QMetaType::QByteArray ? QString::fromUtf8(valor.toByteArray()) : valor.toString();
}

// An amount as the engine wrote it, in the shortest exact form.
QString importe(const QVariant& valor)
{
    if (valor.isNull())
        return QString();
    return TDecimal::desdeTexto(texto(valor)).texto();
}

// Reads whole columns of many rows without the XML each voucher keeps: the
// findings need a few fields of every voucher, never its file.
void lee(const TConexionSesion& conexion, const QString& sql, const QVariantList& parametros,
         const std::function<void(const QSqlQuery&)>& fila)
{
    QSqlQuery consulta(Conexiones::baseDatos(conexion));
    consulta.setForwardOnly(true);
    if (!consulta.prepare(TDialecto::de(conexion).adapta(sql)))
        throw EBaseDatos(
            TDialecto::falla(QStringLiteral("preparar la conciliación con el SAT"), consulta.lastError(), sql));
    for (int i = 0; i < parametros.size(); ++i)
        consulta.bindValue(i, parametros.at(i));
    if (!consulta.exec())
        throw EBaseDatos(
            TDialecto::falla(QStringLiteral("leer la conciliación con el SAT"), consulta.lastError(), sql));
    while (consulta.next())
        fila(consulta);
}

struct TGuardado {
    QString uuid;
    QString total;
    QDateTime fecha;
    QString rfcReceptor;
    QString nombreReceptor;
    QString nombreEmisor;
};

QString fechaTexto(const QDateTime& fecha)
{
    return fecha.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The months the metadata of what the business issued covers, as "yyyy-MM".
QString mes(const QString& fechaComoSeEscribio)
{
    return fechaComoSeEscribio.left(7);
}

} // namespace

QString THallazgoSat::nombre(TTipo tipo)
{
    switch (tipo) {
    case TTipo::Cancelado:
        return QStringLiteral("Cancelado");
    case TTipo::FaltaXml:
        return QStringLiteral("Falta el XML");
    case TTipo::SinMetadatos:
        return QStringLiteral("Sin metadatos");
    case TTipo::ImporteDistinto:
        return QStringLiteral("Importe distinto");
    }
    return QString();
}

namespace ConciliacionSat {

QDateTime fechaCancelacion(const QString& comoSeEscribio)
{
    const QString limpia = comoSeEscribio.trimmed();
    // Most rows are not cancelled: three parses of nothing cost about 20 µs,
    // a second over the first sort of 50,000 findings by date.
    if (limpia.isEmpty())
        return QDateTime();
    for (const QString& formato :
         {QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-ddTHH:mm:ss"), QStringLiteral("yyyy-MM-dd")}) {
        // A time the local clock skips parses as invalid but keeps what the
        // SAT wrote.
        const QDateTime leida = QDateTime::fromString(limpia, formato);
        const QDateTime fecha = Reloj::deReloj(leida.date(), leida.time());
        if (fecha.isValid())
            return fecha;
    }
    return QDateTime();
}

TGuardadoFila guarda(const TMetadatosat& fila, int idNegocio, const TUnidadTrabajo& unidad)
{
    TGuardadoFila hecho;
    const QString uuid = fila.getUuid().trimmed().toUpper();
    const TConexionSesion& conexion = unidad.conexion();
    const std::unique_ptr<M> anterior =
        M::buscaUno(M::columna(M::col_Negocio) == idNegocio && M::columna(M::col_Uuid) == uuid, conexion);
    if (anterior) {
        const QDateTime antes = anterior->getFechapaquete();
        const QDateTime ahora = fila.getFechapaquete();
        // An older package says what the SAT knew before; at the same date a
        // cancellation is the later fact, since the SAT never undoes one.
        if (ahora < antes || (ahora == antes && anterior->cancelado() && !fila.cancelado()))
            return hecho;
        const bool igual = anterior->getEstatussat() == fila.getEstatussat() &&
                           anterior->getFechacancelacion() == fila.getFechacancelacion() &&
                           anterior->getMonto() == fila.getMonto() &&
                           anterior->getEmisorlocal() == fila.getEmisorlocal() &&
                           anterior->getRfcacuentaterceros() == fila.getRfcacuentaterceros();
        if (igual && ahora == antes)
            return hecho;
    }
    M nueva(fila);
    nueva.fijaId(anterior ? anterior->id() : -1);
    nueva.fijaValor(M::col_Negocio, idNegocio);
    nueva.setUuid(uuid);
    unidad.guarda(nueva);
    hecho.nueva = !anterior;
    hecho.actualizada = static_cast<bool>(anterior);

    if (nueva.cancelado()) {
        hecho.marcada = marcaCancelado(uuid, idNegocio, nueva.getFechacancelacion(), unidad);
        return hecho;
    }
    // Only a voucher marked cancelled has anything to undo: most rows are in
    // force, and reading their voucher (its XML with it) would cost each one.
    const TCondicion marcado = C::columna(C::col_Negocio) == idNegocio && C::columna(C::col_Uuid) == uuid &&
                               C::columna(C::col_Estatus) == C::ESTADO_FACTURA_CANCELADA;
    if (C::cuenta(marcado, conexion) == 0)
        return hecho;
    const std::unique_ptr<C> comprobante = C::buscaUno(marcado, conexion);
    if (!comprobante)
        return hecho;
    comprobante->setEstatus(C::ESTADO_FACTURA_ACTIVA);
    comprobante->setFechacancelacion(C::fechaSinCancelar());
    unidad.guarda(*comprobante);
    hecho.desmarcada = true;
    return hecho;
}

bool marcaCancelado(const QString& uuid, int idNegocio, const QString& fechaCancelacion, const TUnidadTrabajo& unidad)
{
    // Counted first: a package read again names every voucher already
    // marked, and reading each (its XML with it) would be for nothing.
    const TCondicion sinMarcar =
        C::columna(C::col_Negocio) == idNegocio && C::columna(C::col_Uuid) == uuid.trimmed().toUpper() &&
        (C::columna(C::col_Estatus).esNulo() || C::columna(C::col_Estatus) != C::ESTADO_FACTURA_CANCELADA);
    if (C::cuenta(sinMarcar, unidad.conexion()) == 0)
        return false;
    const std::unique_ptr<C> comprobante = C::buscaUno(sinMarcar, unidad.conexion());
    if (!comprobante)
        return false;
    comprobante->setEstatus(C::ESTADO_FACTURA_CANCELADA);
    // A date the SAT wrote in no known form still marks the voucher: the
    // status is what keeps it out of the totals.
    const QDateTime fecha = ConciliacionSat::fechaCancelacion(fechaCancelacion);
    comprobante->setFechacancelacion(fecha.isValid() ? fecha : QDateTime::currentDateTime());
    unidad.guarda(*comprobante);
    return true;
}

QHash<QString, QString> cancelados(int idNegocio, const TConexionSesion& conexion)
{
    QHash<QString, QString> resultado;
    const QString sql =
        QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4 = ? AND %5 = '%6'")
            .arg(nombreColumna(M::columna(M::col_Uuid)), nombreColumna(M::columna(M::col_Fechacancelacion)),
                 cita(M::tablaEsquema().nombre), nombreColumna(M::columna(M::col_Negocio)),
                 nombreColumna(M::columna(M::col_Estatussat)), M::ESTATUS_CANCELADO);
    lee(conexion, sql, {idNegocio},
        [&](const QSqlQuery& q) { resultado.insert(texto(q.value(0)).toUpper(), texto(q.value(1))); });
    return resultado;
}

QList<THallazgoSat> hallazgos(const QString& rfc, int idNegocio, const TConexionSesion& conexion,
                              const QSet<QString>& emisoresLocales)
{
    // Without metadata there is nothing to say, and a business with a
    // hundred thousand vouchers is not read for it (the start page asks at
    // every sign-in).
    if (M::cuenta(M::columna(M::col_Negocio) == idNegocio, conexion) == 0)
        return {};
    const QString propio = rfc.trimmed().toUpper();
    // The metadata usually arrive before the XML, and the XML import may
    // create the issuer's business only then: what the row remembers from
    // its storing is not the last word.
    QSet<QString> locales;
    for (const QString& emisor : emisoresLocales)
        locales.insert(emisor.trimmed().toUpper());
    QHash<QString, TGuardado> guardados;
    const QString sqlComprobantes =
        QStringLiteral("SELECT %1, %2, %3, %4, %5, %6 FROM %7 WHERE %8 = ?")
            .arg(nombreColumna(C::columna(C::col_Uuid)), exacto(C::columna(C::col_Total)),
                 nombreColumna(C::columna(C::col_Fechaemision)), nombreColumna(C::columna(C::col_Rfcreceptor)),
                 nombreColumna(C::columna(C::col_Nombrereceptor)), nombreColumna(C::columna(C::col_Nombreemisor)),
                 cita(C::tablaEsquema().nombre), nombreColumna(C::columna(C::col_Negocio)));
    lee(conexion, sqlComprobantes, {idNegocio}, [&](const QSqlQuery& q) {
        TGuardado g;
        g.uuid = texto(q.value(0)).toUpper();
        g.total = importe(q.value(1));
        g.fecha = Reloj::deReloj(q.value(2).toDateTime());
        g.rfcReceptor = texto(q.value(3));
        g.nombreReceptor = texto(q.value(4));
        g.nombreEmisor = texto(q.value(5));
        guardados.insert(g.uuid, g);
    });

    QList<THallazgoSat> lista;
    QSet<QString> listados;
    QSet<QString> mesesCubiertos;
    const QString sqlMetadatos =
        QStringLiteral("SELECT %1, %2, %3, %4, %5, %6, %7, %8, %9, %10 FROM %11 WHERE %12 = ?")
            .arg(nombreColumna(M::columna(M::col_Uuid)), nombreColumna(M::columna(M::col_Rfcemisor)),
                 nombreColumna(M::columna(M::col_Nombreemisor)), nombreColumna(M::columna(M::col_Rfcreceptor)),
                 nombreColumna(M::columna(M::col_Nombrereceptor)), nombreColumna(M::columna(M::col_Fechaemision)),
                 exacto(M::columna(M::col_Monto)), nombreColumna(M::columna(M::col_Estatussat)),
                 nombreColumna(M::columna(M::col_Fechacancelacion)), nombreColumna(M::columna(M::col_Emisorlocal)))
            .arg(cita(M::tablaEsquema().nombre), nombreColumna(M::columna(M::col_Negocio)));
    lee(conexion, sqlMetadatos, {idNegocio}, [&](const QSqlQuery& q) {
        THallazgoSat h;
        h.rfc = propio;
        h.uuid = texto(q.value(0)).toUpper();
        h.rfcEmisor = texto(q.value(1));
        h.nombreEmisor = texto(q.value(2));
        h.rfcReceptor = texto(q.value(3));
        h.nombreReceptor = texto(q.value(4));
        h.fecha = texto(q.value(5));
        h.monto = importe(q.value(6));
        const bool cancelado = texto(q.value(7)) == M::ESTATUS_CANCELADO;
        h.fechaCancelacion = cancelado ? texto(q.value(8)) : QString();
        const bool emisorLocal = q.value(9).toInt() != 0 || locales.contains(h.rfcEmisor.trimmed().toUpper());
        const bool emitido = h.rfcEmisor.compare(propio, Qt::CaseInsensitive) == 0;
        listados.insert(h.uuid);
        if (emitido)
            mesesCubiertos.insert(mes(h.fecha));
        const auto guardado = guardados.constFind(h.uuid);
        if (guardado == guardados.constEnd()) {
            if (emitido || !emisorLocal) {
                h.tipo = THallazgoSat::TTipo::FaltaXml;
                lista.append(h);
            }
            return;
        }
        h.total = guardado->total;
        if (cancelado) {
            h.tipo = THallazgoSat::TTipo::Cancelado;
            lista.append(h);
        }
        if (!h.monto.isEmpty() && TDecimal::desdeTexto(h.monto) != TDecimal::desdeTexto(h.total)) {
            h.tipo = THallazgoSat::TTipo::ImporteDistinto;
            lista.append(h);
        }
    });

    for (const TGuardado& g : std::as_const(guardados)) {
        const QString fecha = fechaTexto(g.fecha);
        if (listados.contains(g.uuid) || !mesesCubiertos.contains(mes(fecha)))
            continue;
        THallazgoSat h;
        h.tipo = THallazgoSat::TTipo::SinMetadatos;
        h.rfc = propio;
        h.uuid = g.uuid;
        h.fecha = fecha;
        h.rfcEmisor = propio;
        h.nombreEmisor = g.nombreEmisor;
        h.rfcReceptor = g.rfcReceptor;
        h.nombreReceptor = g.nombreReceptor;
        h.total = g.total;
        lista.append(h);
    }
    std::sort(lista.begin(), lista.end(), [](const THallazgoSat& a, const THallazgoSat& b) {
        return std::tie(a.tipo, a.fecha, a.uuid) < std::tie(b.tipo, b.fecha, b.uuid);
    });
    return lista;
}

QList<int> cuentaPorTipo(const QList<THallazgoSat>& hallazgos)
{
    QList<int> cuentas(4, 0);
    for (const THallazgoSat& h : hallazgos)
        ++cuentas[static_cast<int>(h.tipo)];
    return cuentas;
}

QList<int> cuentaHallazgos(const QString& rfc, int idNegocio, const TConexionSesion& conexion,
                           const QSet<QString>& emisoresLocales)
{
    using T = THallazgoSat::TTipo;
    QList<int> cuentas(4, 0);
    if (M::cuenta(M::columna(M::col_Negocio) == idNegocio, conexion) == 0)
        return cuentas;
    const QString propio = rfc.trimmed().toUpper();
    QSet<QString> locales;
    for (const QString& emisor : emisoresLocales)
        locales.insert(emisor.trimmed().toUpper());
    const auto m = [](M::Columna c) { return QStringLiteral("M.") + nombreColumna(M::columna(c)); };
    const auto c = [](C::Columna x) { return QStringLiteral("C.") + nombreColumna(C::columna(x)); };
    const QString tablaM = cita(M::tablaEsquema().nombre) + QStringLiteral(" M");
    const QString tablaC = cita(C::tablaEsquema().nombre) + QStringLiteral(" C");
    // A voucher's month as the findings read it ("" without a date).
    const auto delMes = [](const QVariant& anio, const QVariant& mes) {
        return anio.isNull() ? QString()
                             : QStringLiteral("%1-%2")
                                   .arg(anio.toInt(), 4, 10, QLatin1Char('0'))
                                   .arg(mes.toInt(), 2, 10, QLatin1Char('0'));
    };
    const QString fecha = c(C::col_Fechaemision);
    const QString meses = QStringLiteral("EXTRACT(YEAR FROM %1) AS A, EXTRACT(MONTH FROM %1) AS B").arg(fecha);

    // Each row meets its voucher once. Every save stores a UUID in upper case
    // (the voucher savers, guarda), so the tables meet through the UUID
    // index, and a business's rows name each UUID once. The business is
    // compared as an expression: its own index names every row of the
    // table, and would be joined to each look-up. The issuers and statuses
    // come back whole and are judged here, by the findings' own comparisons.
    QHash<QString, int> listadosPorMes;
    const QString sqlFilas =
        QStringLiteral("SELECT E, L, S, G, D, A, B, COUNT(*) FROM (SELECT %1 AS E, %2 AS L, %3 AS S, "
                       "CASE WHEN %4 IS NULL THEN 0 ELSE 1 END AS G, CASE WHEN %4 IS NOT NULL AND %5 IS NOT NULL AND "
                       "(%6 IS NULL OR %6 <> %5) THEN 1 ELSE 0 END AS D, %7 FROM %8 LEFT JOIN %9 ON %10 + 0 = %11 AND "
                       "%12 = %13 WHERE %11 = ?) T GROUP BY E, L, S, G, D, A, B")
            .arg(m(M::col_Rfcemisor), m(M::col_Emisorlocal), m(M::col_Estatussat),
                 QStringLiteral("C.") + cita(C::tablaEsquema().clave().nombre), m(M::col_Monto), c(C::col_Total), meses,
                 tablaM, tablaC)
            .arg(c(C::col_Negocio), m(M::col_Negocio), c(C::col_Uuid), m(M::col_Uuid));
    lee(conexion, sqlFilas, {idNegocio}, [&](const QSqlQuery& q) {
        const QString emisor = texto(q.value(0));
        const int filas = q.value(7).toInt();
        if (q.value(3).toInt() == 0) {
            const bool emisorLocal = q.value(1).toInt() != 0 || locales.contains(emisor.trimmed().toUpper());
            if (emisor.compare(propio, Qt::CaseInsensitive) == 0 || !emisorLocal)
                cuentas[int(T::FaltaXml)] += filas;
            return;
        }
        listadosPorMes[delMes(q.value(5), q.value(6))] += filas;
        if (texto(q.value(2)) == M::ESTATUS_CANCELADO)
            cuentas[int(T::Cancelado)] += filas;
        if (q.value(4).toInt() != 0)
            cuentas[int(T::ImporteDistinto)] += filas;
    });

    // The months the business's own rows cover; the engine's filter only
    // narrows the rows, the comparison that counts is the findings' own.
    QSet<QString> mesesCubiertos;
    const QString sqlMeses =
        QStringLiteral("SELECT E, F FROM (SELECT %1 AS E, SUBSTRING(%2 FROM 1 FOR 7) AS F FROM %3 WHERE %4 = ? AND "
                       "UPPER(TRIM(%1)) = ?) T GROUP BY E, F")
            .arg(m(M::col_Rfcemisor), m(M::col_Fechaemision), tablaM, m(M::col_Negocio));
    lee(conexion, sqlMeses, {idNegocio, propio}, [&](const QSqlQuery& q) {
        if (texto(q.value(0)).compare(propio, Qt::CaseInsensitive) == 0)
            mesesCubiertos.insert(mes(texto(q.value(1))));
    });
    if (mesesCubiertos.isEmpty())
        return cuentas;

    // Not listed: the month's vouchers but those the rows above met.
    const QString sqlPorMes =
        QStringLiteral("SELECT A, B, COUNT(*) FROM (SELECT %1 FROM %2 WHERE %3 = ?) T GROUP BY A, B")
            .arg(meses, tablaC, c(C::col_Negocio));
    lee(conexion, sqlPorMes, {idNegocio}, [&](const QSqlQuery& q) {
        const QString delMesEste = delMes(q.value(0), q.value(1));
        if (mesesCubiertos.contains(delMesEste))
            cuentas[int(T::SinMetadatos)] += q.value(2).toInt() - listadosPorMes.value(delMesEste);
    });
    return cuentas;
}

QStringList columnasCsv()
{
    return {QStringLiteral("RFC"),
            QStringLiteral("UUID"),
            QStringLiteral("Tipo"),
            QStringLiteral("Fecha"),
            QStringLiteral("Fecha de cancelación"),
            QStringLiteral("RFC emisor"),
            QStringLiteral("Nombre emisor"),
            QStringLiteral("RFC receptor"),
            QStringLiteral("Nombre receptor"),
            QStringLiteral("Total guardado"),
            QStringLiteral("Monto SAT")};
}

namespace {

// Quoted where it must be; a text a spreadsheet would take for a formula
// gets an apostrophe first (names come from outside).
QString campo(const QString& valor)
{
    QString v = valor;
    if (!v.isEmpty() && QStringLiteral("=+-@\t\r").contains(v.front()))
        v.prepend(QLatin1Char('\''));
    if (v.contains(QLatin1Char(',')) || v.contains(QLatin1Char('"')) || v.contains(QLatin1Char('\n')) ||
        v.contains(QLatin1Char('\r')))
        return QLatin1Char('"') + QString(v).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    return v;
}

// The system's error number, read as soon as a write fails: Qt's own texts
// are English. A failure Qt found without a system call has none.
EEntradaSalida fallaEscritura(int numero)
{
    return EEntradaSalida(QStringLiteral("No se pudo escribir la conciliación: %1.").arg(Errores::delSistema(numero)));
}

void escribe(QIODevice& destino, const QString& linea)
{
    const QByteArray bytes = (linea + QStringLiteral("\r\n")).toUtf8();
    if (destino.write(bytes) != bytes.size())
        throw fallaEscritura(errno);
}

} // namespace

void escribeCsv(QIODevice& destino, const QList<THallazgoSat>& hallazgos, bool encabezado)
{
    if (encabezado) {
        if (destino.pos() == 0 && destino.write("\xEF\xBB\xBF") != 3)
            throw fallaEscritura(errno);
        escribe(destino, columnasCsv().join(QLatin1Char(',')));
    }
    for (const THallazgoSat& h : hallazgos) {
        // Amounts are numbers, never formulas: only texts get the apostrophe.
        escribe(destino, QStringList{campo(h.rfc), campo(h.uuid), campo(THallazgoSat::nombre(h.tipo)), campo(h.fecha),
                                     campo(h.fechaCancelacion), campo(h.rfcEmisor), campo(h.nombreEmisor),
                                     campo(h.rfcReceptor), campo(h.nombreReceptor), h.total, h.monto}
                             .join(QLatin1Char(',')));
    }
}

} // namespace ConciliacionSat

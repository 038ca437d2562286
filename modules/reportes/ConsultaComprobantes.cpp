#include "ConsultaComprobantes.h"

#include "CitaSql.h"
#include "Conexiones.h"
#include "Entidades.h"
#include "Errores.h"

#include <QHash>
#include <QIODevice>
#include <QSqlError>
#include <QSqlQuery>

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

// The receiver's name lives in its customer record's fiscal data.
QString nombreReceptor()
{
    using K = TCliente;
    using D = TDatosfiscales;
    return QStringLiteral("(SELECT d.%1 FROM %2 k JOIN %3 d ON d.%4 = k.%5 WHERE k.%6 = %7.%8)")
        .arg(cita(D::columna(D::col_Razon).columna().nombre), cita(K::tablaEsquema().nombre),
             cita(D::tablaEsquema().nombre), cita(D::tablaEsquema().clave().nombre),
             cita(K::columna(K::col_Datosfiscales).columna().nombre), cita(K::tablaEsquema().clave().nombre), tabla(),
             columna(C::col_Cliente));
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
    const QString receptor = filtro.receptor.trimmed();
    if (!receptor.isEmpty()) {
        using K = TCliente;
        using D = TDatosfiscales;
        const TCondicion porNombre =
            C::columna(C::col_Cliente)
                .en(K::claves(
                    K::columna(K::col_Datosfiscales).en(D::claves(D::columna(D::col_Razon).contiene(receptor)))));
        donde = donde && (C::columna(C::col_Rfcreceptor).contiene(receptor) || porNombre);
    }
    return donde;
}

std::unique_ptr<QSqlQuery> ejecuta(const TConexionSesion& conexion, const QString& sql, const QVariantList& parametros)
{
    auto consulta = std::make_unique<QSqlQuery>(Conexiones::baseDatos(conexion));
    consulta->setForwardOnly(true);
    if (!consulta->prepare(sql))
        throw EBaseDatos(QStringLiteral("No se pudo preparar la consulta de comprobantes: ") +
                         consulta->lastError().text());
    for (int i = 0; i < parametros.size(); ++i)
        consulta->bindValue(i, parametros.at(i));
    if (!consulta->exec())
        throw EBaseDatos(QStringLiteral("No se pudieron leer los comprobantes: ") + consulta->lastError().text());
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
    if (destino.write(bytes) != bytes.size())
        throw EEntradaSalida(QStringLiteral("No se pudo escribir el archivo CSV: ") + destino.errorString());
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
                       comoTexto(columna(C::col_Subtotal)),
                       comoTexto(columna(C::col_Totalimpuestostrasladados)),
                       comoTexto(columna(C::col_Totalimpuestosretenidos)),
                       comoTexto(columna(C::col_Total)),
                       columna(C::col_Uuid),
                       comoTexto(columna(C::col_Version))}
        .join(QStringLiteral(", "));
}

TFilaComprobante leeFila(const QSqlQuery& q)
{
    TFilaComprobante f;
    f.id = q.value(0).toInt();
    f.fecha = q.value(1).toDateTime();
    f.tipo = texto(q.value(2));
    f.serie = texto(q.value(3));
    f.folio = texto(q.value(4));
    f.rfcReceptor = texto(q.value(5));
    f.receptor = texto(q.value(6));
    f.subtotal = decimal(q.value(7));
    f.trasladados = decimal(q.value(8));
    f.retenidos = decimal(q.value(9));
    f.total = decimal(q.value(10));
    f.uuid = texto(q.value(11));
    f.version = q.value(12).isNull() ? QString() : decimal(q.value(12)).texto(1);
    return f;
}

} // namespace

namespace ConsultaComprobantes {

QList<QPair<QString, QString>> tiposComprobante()
{
    return {{QStringLiteral("I"), QStringLiteral("Ingreso")},
            {QStringLiteral("E"), QStringLiteral("Egreso")},
            {QStringLiteral("T"), QStringLiteral("Traslado")},
            {QStringLiteral("N"), QStringLiteral("Nómina")},
            {QStringLiteral("P"), QStringLiteral("Pago")}};
}

TResumenComprobantes resumen(const TConexionSesion& conexion, const TFiltroComprobantes& filtro)
{
    const TCondicion donde = condicion(filtro);
    const QString fecha = columna(C::col_Fechaemision);
    const QString anio = QStringLiteral("EXTRACT(YEAR FROM %1)").arg(fecha);
    const QString mes = QStringLiteral("EXTRACT(MONTH FROM %1)").arg(fecha);
    const QString sql = QStringLiteral("SELECT %1, %2, COUNT(*), %3, %4, %5, %6 FROM %7 WHERE %8 "
                                       "GROUP BY %1, %2 ORDER BY 1, 2")
                            .arg(anio, mes, suma(C::col_Subtotal), suma(C::col_Totalimpuestostrasladados),
                                 suma(C::col_Totalimpuestosretenidos), suma(C::col_Total), tabla(), donde.sql());
    const auto consulta = ejecuta(conexion, sql, donde.parametros());
    TResumenComprobantes r;
    QList<TTotalMensual> conDatos;
    while (consulta->next()) {
        TTotalesComprobantes& t = r.totales;
        const TDecimal total = decimal(consulta->value(6));
        t.cantidad += consulta->value(2).toInt();
        t.subtotal += decimal(consulta->value(3));
        t.trasladados += decimal(consulta->value(4));
        t.retenidos += decimal(consulta->value(5));
        t.total += total;
        // A voucher without a date counts in the totals, in no month.
        if (!consulta->value(0).isNull())
            conDatos.append({QDate(consulta->value(0).toInt(), consulta->value(1).toInt(), 1), total});
    }

    QDate inicio = filtro.desde.isValid() ? primerDia(filtro.desde) : QDate();
    QDate fin = filtro.hasta.isValid() ? primerDia(filtro.hasta) : QDate();
    if (!conDatos.isEmpty()) {
        if (!inicio.isValid())
            inicio = conDatos.first().mes;
        if (!fin.isValid())
            fin = conDatos.last().mes;
        if (mesesEntre(inicio, fin) >= MAXIMO_MESES) {
            inicio = conDatos.first().mes;
            fin = conDatos.last().mes;
        }
    }
    if (!inicio.isValid() || !fin.isValid() || fin < inicio || mesesEntre(inicio, fin) >= MAXIMO_MESES) {
        r.meses = conDatos;
        return r;
    }
    auto siguiente = conDatos.cbegin();
    for (QDate m = inicio; m <= fin; m = m.addMonths(1)) {
        if (siguiente != conDatos.cend() && siguiente->mes == m)
            r.meses.append(*siguiente++);
        else
            r.meses.append({m, TDecimal()});
    }
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

QByteArray xml(const TConexionSesion& conexion, int idNegocio, int idComprobante)
{
    const std::unique_ptr<TComprobante> comprobante = TComprobante::getById(idComprobante, conexion);
    if (!comprobante || comprobante->getNegocioId() != idNegocio)
        return {};
    return comprobante->getComprobantexml();
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
                                     QStringLiteral("Subtotal"),
                                     QStringLiteral("Impuestos trasladados"),
                                     QStringLiteral("Impuestos retenidos"),
                                     QStringLiteral("Total"),
                                     QStringLiteral("UUID"),
                                     QStringLiteral("Versión")}
                             .join(QLatin1Char(','));
    escribe(destino, QByteArrayLiteral("\xEF\xBB\xBF") + (encabezado + finLinea).toUtf8());
    TCursorComprobantes cursor(conexion, filtro, TCursorComprobantes::TModo::Completo);
    while (!cursor.agotado()) {
        QString lote;
        for (const TFilaComprobante& f : cursor.siguientes(FILAS_POR_LOTE_CSV)) {
            const QStringList campos = {
                campoCsv(f.fecha.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), false),
                campoCsv(f.tipo, true),
                campoCsv(f.serie, true),
                campoCsv(f.folio, true),
                campoCsv(f.rfcReceptor, true),
                campoCsv(f.receptor, true),
                campoCsv(f.subtotal.texto(2), false),
                campoCsv(f.trasladados.texto(2), false),
                campoCsv(f.retenidos.texto(2), false),
                campoCsv(f.total.texto(2), false),
                campoCsv(f.uuid, true),
                campoCsv(f.version, false),
            };
            lote += campos.join(QLatin1Char(',')) + finLinea;
        }
        escribe(destino, lote.toUtf8());
    }
}

QString textoImporte(const TDecimal& importe)
{
    QString t = importe.texto(2);
    const bool negativo = t.startsWith(QLatin1Char('-'));
    const qsizetype punto = t.indexOf(QLatin1Char('.'));
    for (qsizetype i = (punto < 0 ? t.size() : punto) - 3; i > (negativo ? 1 : 0); i -= 3)
        t.insert(i, QLatin1Char(','));
    return t;
}

} // namespace ConsultaComprobantes

TCursorComprobantes::TCursorComprobantes(const TConexionSesion& conexion, const TFiltroComprobantes& filtro, TModo modo)
    : m_conexion(conexion), m_modo(modo)
{
    const TCondicion donde = condicion(filtro);
    const QString clave = columna(C::col_Idcomprobante);
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4 DESC, %5 DESC")
                            .arg(modo == TModo::Completo ? columnasFila() : clave, tabla(), donde.sql(),
                                 columna(C::col_Fechaemision), clave);
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

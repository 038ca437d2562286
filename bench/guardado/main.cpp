// Saves per second of a typical voucher line (TComprobanteconcepto: three
// references, four amounts, two texts, the audit columns) inside one
// transaction, the way the import stores a file's rows:
//  - "antes": how every save worked before the unit of work: the statement
//    prepared again for each save and the new key asked from the key
//    generator in a round trip of its own;
//  - "ahora": TUnidadTrabajo, one prepared statement per table and
//    transaction, the key taken back by the INSERT itself (RETURNING).
// Usage: bench_guardado [filas]   (default 20000)

#include "BaseBench.h"
#include "CitaSql.h"
#include "Conexiones.h"
#include "Entidades.h"
#include "Esquema.h"
#include "Errores.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

namespace {

struct TReferencias {
    TComprobante comprobante;
    TConcepto concepto;
    TUnidadmedida unidad;
};

TReferencias preparaReferencias(const TUnidadTrabajo& unidad)
{
    TReferencias r;
    r.comprobante = TComprobante::saveOrUpdate(TComprobante(), unidad);
    TConcepto concepto;
    concepto.setDescripcion(QStringLiteral("Martillo de uña"));
    r.concepto = TConcepto::saveOrUpdate(concepto, unidad);
    TUnidadmedida medida;
    medida.setNombreunidadmedida(QStringLiteral("Pieza"));
    r.unidad = TUnidadmedida::saveOrUpdate(medida, unidad);
    return r;
}

TComprobanteconcepto linea(const TReferencias& r, int i)
{
    TComprobanteconcepto l;
    l.setIdcomprobante(r.comprobante);
    l.setIdconcepto(r.concepto);
    l.setIdunidad(r.unidad);
    l.setCantidad(TDecimal::desdeTexto(QStringLiteral("3.5")));
    l.setPreciounitario(TDecimal::desdeTexto(QStringLiteral("129.31")));
    l.setImporte(TDecimal::desdeTexto(QStringLiteral("452.585")));
    l.setDescuento(TDecimal::desdeMillonesimos(i));
    l.setObjetoimp(QStringLiteral("02"));
    l.setCuentapredial(QString());
    return l;
}

void falla(const QSqlQuery& q)
{
    throw EBaseDatos(q.lastError().text());
}

// The former save: prepare, generator round trip, insert.
double antes(const TConexionSesion& conexion, const TReferencias& r, int filas)
{
    const TTabla& t = TComprobanteconcepto::tablaEsquema();
    QStringList columnas;
    QStringList marcas;
    for (const TColumna& c : t.columnas) {
        columnas << Esquema::cita(c.nombre);
        marcas << (c.tipo == TTipoColumna::Decimal ? QStringLiteral("CAST(? AS VARCHAR(40))") : QStringLiteral("?"));
    }
    const QString insercion =
        QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(Esquema::cita(t.nombre), columnas.join(QLatin1Char(',')), marcas.join(QLatin1Char(',')));
    const QString generador =
        QStringLiteral("SELECT NEXT VALUE FOR %1 FROM RDB$DATABASE").arg(Esquema::cita(t.generador()));
    QSqlDatabase db = Conexiones::baseDatos(conexion);
    TTransaccion transaccion(conexion);
    QElapsedTimer reloj;
    reloj.start();
    for (int i = 0; i < filas; ++i) {
        const TComprobanteconcepto l = linea(r, i);
        QSqlQuery clave(db);
        if (!clave.prepare(generador) || !clave.exec() || !clave.next())
            falla(clave);
        const int id = clave.value(0).toInt();
        clave.finish();
        QSqlQuery q(db);
        if (!q.prepare(insercion))
            falla(q);
        q.addBindValue(id);
        for (int c = 1; c < t.columnas.size(); ++c) {
            const QVariant v = l.valor(c);
            q.addBindValue(v.metaType() == QMetaType::fromType<TDecimal>() ? QVariant(v.value<TDecimal>().texto()) : v);
        }
        if (!q.exec())
            falla(q);
    }
    transaccion.commit();
    return filas * 1000.0 / qMax<qint64>(1, reloj.elapsed());
}

double ahora(const TUnidadTrabajo& unidad, const TReferencias& r, int filas)
{
    TTransaccion transaccion(unidad.conexion());
    QElapsedTimer reloj;
    reloj.start();
    for (int i = 0; i < filas; ++i)
        TComprobanteconcepto::saveOrUpdate(linea(r, i), unidad);
    transaccion.commit();
    return filas * 1000.0 / qMax<qint64>(1, reloj.elapsed());
}

} // namespace

int main(int argc, char** argv)
{
    return ejecutaBench(argc, argv, 20000, [](const TConexionSesion& conexion, int filas) {
        const TUnidadTrabajo unidad(conexion, 1);
        const TReferencias r = preparaReferencias(unidad);
        ahora(unidad, r, qMin(filas, 500)); // warms the engine's cache for both runs
        const double a = antes(conexion, r, filas);
        const double b = ahora(unidad, r, filas);
        std::printf("Guardados por segundo de una línea de comprobante, %d filas en una transacción:\n", filas);
        std::printf("  antes (preparar cada vez + clave aparte): %10.0f\n", a);
        std::printf("  ahora (unidad de trabajo, RETURNING):     %10.0f\n", b);
        std::printf("  proporción ahora/antes:                   %10.2f\n", b / a);
    });
}

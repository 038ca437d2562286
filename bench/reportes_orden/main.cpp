// What sorting the voucher list costs on a large business: N vouchers
// (default 100,000) stored through the entity package in one transaction,
// then, for every column both ways, the time until the list shows its first
// page and the process's resident memory after it (the list keeps a page,
// so memory should not grow with N).
// Usage: bench_reportes_orden [comprobantes]

#include "BaseBench.h"
#include "ConsultaComprobantes.h"
#include "Entidades.h"
#include "TModeloComprobantes.h"

#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

namespace {

// Resident memory of this process, in KiB.
long residente()
{
    QFile estado(QStringLiteral("/proc/self/status"));
    if (!estado.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& linea : estado.readAll().split('\n'))
        if (linea.startsWith("VmRSS:"))
            return linea.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

int guarda(const TUnidadTrabajo& unidad, int cuantos)
{
    TNegocio negocio;
    negocio.setNombre(QStringLiteral("Orden"));
    negocio = TNegocio::saveOrUpdate(negocio, unidad);
    QList<TCliente> receptores;
    for (int r = 0; r < 50; ++r) {
        TDatosfiscales df;
        df.setRfc(QStringLiteral("RCP%1").arg(r, 10, 10, QLatin1Char('0')));
        df.setRazon(QStringLiteral("RECEPTOR %1").arg(r * 7919 % 50, 2, 10, QLatin1Char('0')));
        TCliente k;
        k.setNegocio(negocio);
        k.setDatosfiscales(TDatosfiscales::saveOrUpdate(df, unidad));
        receptores << TCliente::saveOrUpdate(k, unidad);
    }
    const QStringList tipos = {QStringLiteral("I"), QStringLiteral("E"), QStringLiteral("N"), QStringLiteral("P")};
    TTransaccion transaccion(unidad.conexion());
    for (int n = 0; n < cuantos; ++n) {
        TComprobante v;
        v.setNegocio(negocio);
        v.setCliente(receptores.at(n % receptores.size()));
        v.setRfcreceptor(receptores.at(n % receptores.size()).getDatosfiscales()->getRfc());
        v.setFechaemision(QDateTime(QDate(2020, 1, 1), QTime(0, 0)).addSecs(n * 1800LL));
        v.setTipocomprobante(tipos.at(n % tipos.size()));
        v.setMoneda(n % 9 == 0 ? QStringLiteral("USD") : QStringLiteral("MXN"));
        v.setSerie(QStringLiteral("S%1").arg(n % 3));
        v.setFolio(QString::number(n));
        v.setTotal(TDecimal::desdeMillonesimos(qint64(n) * 7919 % 100'000'000'000LL));
        v.setSubtotal(v.getTotal());
        v.setUuid(QStringLiteral("%1").arg(n, 36, 10, QLatin1Char('0')));
        TComprobante::saveOrUpdate(v, unidad);
    }
    transaccion.commit();
    return negocio.getIdnegocio();
}

} // namespace

int main(int argc, char** argv)
{
    return ejecutaBench(argc, argv, 100000, [](const TConexionSesion& conexion, int cuantos) {
        QElapsedTimer reloj;
        reloj.start();
        const int negocio = guarda(TUnidadTrabajo(conexion, 1), cuantos);
        std::printf("%d comprobantes guardados en %.1f s; memoria %ld KiB\n", cuantos, reloj.elapsed() / 1000.0,
                    residente());
        const QStringList nombres = {
            QStringLiteral("fecha"),     QStringLiteral("tipo"),     QStringLiteral("serie"),
            QStringLiteral("folio"),     QStringLiteral("RFC"),      QStringLiteral("receptor"),
            QStringLiteral("moneda"),    QStringLiteral("subtotal"), QStringLiteral("trasladados"),
            QStringLiteral("retenidos"), QStringLiteral("total"),    QStringLiteral("UUID"),
            QStringLiteral("versión")};
        TModeloComprobantes modelo;
        for (int campo = 0; campo < TOrdenComprobantes::NumeroCampos; ++campo)
            for (const bool descendente : {false, true}) {
                TFiltroComprobantes filtro;
                filtro.idNegocio = negocio;
                filtro.orden = {static_cast<TOrdenComprobantes::TCampo>(campo), descendente};
                reloj.restart();
                modelo.consulta(conexion, filtro);
                std::printf("  %-12s %-4s primera página %5lld ms, memoria %ld KiB\n", qPrintable(nombres.at(campo)),
                            descendente ? "desc" : "asc", reloj.elapsed(), residente());
            }
        TFiltroComprobantes filtrado;
        filtrado.idNegocio = negocio;
        filtrado.tipo = QStringLiteral("N");
        filtrado.receptor = QStringLiteral("receptor 1");
        filtrado.orden = {TOrdenComprobantes::Total, true};
        reloj.restart();
        modelo.consulta(conexion, filtrado);
        std::printf("  nóminas de un receptor por total: %lld ms (%d filas)\n", reloj.elapsed(), modelo.rowCount());
        modelo.limpia();
    });
}

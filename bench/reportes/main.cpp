// How the reports module copes with a large business: N vouchers (default
// 100,000) over two years and a handful of receivers, then the times the
// voucher browser waits for:
//  - the list opened (the filter's first page) and each further page;
//  - the totals of the filter and of each month (summed by the engine);
//  - a receiver search, and the CSV of every voucher.
// Usage: bench_reportes [comprobantes]

#include "BaseBench.h"
#include "ConsultaComprobantes.h"
#include "Entidades.h"
#include "TModeloComprobantes.h"

#include <QBuffer>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>

namespace {

qint64 mide(const std::function<void()>& trabajo)
{
    QElapsedTimer reloj;
    reloj.start();
    trabajo();
    return reloj.elapsed();
}

TNegocio llena(const TUnidadTrabajo& unidad, int cuantos)
{
    TNegocio negocio;
    negocio.setNombre(QStringLiteral("Grande"));
    negocio = TNegocio::saveOrUpdate(negocio, unidad);
    QList<TCliente> clientes;
    for (int i = 0; i < 20; ++i) {
        TDatosfiscales fiscales;
        fiscales.setRfc(QStringLiteral("XAX%1").arg(i, 10, 10, QLatin1Char('0')));
        fiscales.setRazon(QStringLiteral("CLIENTE NÚMERO %1").arg(i));
        TCliente c;
        c.setNegocio(negocio);
        c.setDatosfiscales(TDatosfiscales::saveOrUpdate(fiscales, unidad));
        clientes << TCliente::saveOrUpdate(c, unidad);
    }
    const QDateTime inicio(QDate(2023, 1, 1), QTime(0, 0));
    const qint64 paso = 2LL * 365 * 24 * 3600 / cuantos;
    TTransaccion transaccion(unidad.conexion());
    for (int i = 0; i < cuantos; ++i) {
        const TCliente& cliente = clientes.at(i % clientes.size());
        TComprobante c;
        c.setNegocio(negocio);
        c.setCliente(cliente);
        c.setFechaemision(inicio.addSecs(i * paso));
        c.setTipocomprobante(i % 10 == 0 ? QStringLiteral("E") : QStringLiteral("I"));
        c.setSerie(QStringLiteral("A"));
        c.setFolio(QString::number(i));
        c.setRfcreceptor(QStringLiteral("XAX%1").arg(i % clientes.size(), 10, 10, QLatin1Char('0')));
        c.setSubtotal(TDecimal::desdeMillonesimos(1'000'000LL + i));
        c.setTotalimpuestostrasladados(TDecimal::desdeTexto(QStringLiteral("0.16")));
        c.setTotal(TDecimal::desdeMillonesimos(1'160'000LL + i));
        c.setUuid(QStringLiteral("%1").arg(i, 36, 10, QLatin1Char('0')));
        c.setVersion(TDecimal::desdeTexto(QStringLiteral("4.0")));
        TComprobante::saveOrUpdate(c, unidad);
    }
    transaccion.commit();
    return negocio;
}

} // namespace

int main(int argc, char** argv)
{
    return ejecutaBench(argc, argv, 100000, [](const TConexionSesion& conexion, int cuantos) {
        const TUnidadTrabajo unidad(conexion, 1);
        TNegocio negocio;
        const qint64 carga = mide([&] { negocio = llena(unidad, cuantos); });

        TFiltroComprobantes todos;
        todos.idNegocio = negocio.getIdnegocio();
        TModeloComprobantes modelo;
        const qint64 primera = mide([&] { modelo.consulta(conexion, todos); });
        const qint64 diez = mide([&] {
            for (int i = 0; i < 10; ++i)
                modelo.fetchMore(QModelIndex());
        });
        TResumenComprobantes resumen;
        const qint64 sumas = mide([&] { resumen = ConsultaComprobantes::resumen(conexion, todos); });
        TFiltroComprobantes porNombre = todos;
        porNombre.receptor = QStringLiteral("número 7");
        const qint64 busqueda = mide([&] { modelo.consulta(conexion, porNombre); });
        QBuffer csv;
        csv.open(QIODevice::WriteOnly);
        const qint64 exportacion = mide([&] { ConsultaComprobantes::exportaCsv(conexion, todos, csv); });

        std::printf("Reportes sobre %d comprobantes (guardados en %lld ms):\n", cuantos, carga);
        std::printf("  primera página (%d filas):        %6lld ms\n", modelo.FILAS_POR_PAGINA, primera);
        std::printf("  cada página siguiente (promedio): %6.1f ms\n", diez / 10.0);
        std::printf("  totales y meses (%lld meses):      %6lld ms  total %s\n",
                    static_cast<long long>(resumen.meses.size()), sumas, qPrintable(resumen.totales.total.texto()));
        std::printf("  búsqueda por nombre de receptor:  %6lld ms\n", busqueda);
        std::printf("  CSV de todos (%lld bytes):     %6lld ms\n", static_cast<long long>(csv.size()), exportacion);
        modelo.limpia();
    });
}

// The reconciliation with the SAT's metadata for a business that received a
// year of vouchers whose XML are not imported yet: N received metadata rows
// (default 50,000), each a "Falta el XML" finding, beside a few hundred of
// its own vouchers. Then the times the window waits for: the page read
// (TConciliacionSat::carga), each choice of "Mostrar" and the way back to
// "Todos", a sort by date and by amount, and the process's memory.
// Usage: bench_conciliacion [filas]

#include "BaseBench.h"
#include "ConciliacionSat.h"
#include "Conexiones.h"
#include "Entidades.h"
#include "TConciliacionSat.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>

#include <cstdio>
#include <functional>

namespace {

const QString PROPIO = QStringLiteral("AAA010101AAA");

qint64 mide(const std::function<void()>& trabajo)
{
    QElapsedTimer reloj;
    reloj.start();
    trabajo();
    QApplication::processEvents();
    return reloj.elapsed();
}

// A line of /proc/self/status, in MB.
double megas(const char* clave)
{
    QFile estado(QStringLiteral("/proc/self/status"));
    if (!estado.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& linea : estado.readAll().split('\n'))
        if (linea.startsWith(clave))
            return linea.mid(int(qstrlen(clave))).trimmed().split(' ').at(0).toDouble() / 1024;
    return -1;
}

int llena(const TUnidadTrabajo& unidad, int recibidas)
{
    TNegocio negocio;
    negocio.setNombre(QStringLiteral("Grande"));
    negocio = TNegocio::saveOrUpdate(negocio, unidad);
    const QDateTime inicio(QDate(2025, 1, 1), QTime(0, 0));
    TTransaccion transaccion(unidad.conexion());
    const auto metadato = [&](const QString& uuid, const QString& emisor, const QString& receptor,
                              const QDateTime& fecha, qint64 monto, bool cancelado) {
        TMetadatosat m;
        m.fijaValor(TMetadatosat::col_Negocio, negocio.getIdnegocio());
        m.setUuid(uuid);
        m.setRfcemisor(emisor);
        m.setNombreemisor(QStringLiteral("EMISOR %1").arg(emisor));
        m.setRfcreceptor(receptor);
        m.setNombrereceptor(QStringLiteral("RECEPTOR %1").arg(receptor));
        m.setFechaemision(fecha.toString(Qt::ISODate));
        m.setMonto(TDecimal::desdeMillonesimos(monto));
        m.setEfecto(QStringLiteral("I"));
        m.setEstatussat(cancelado ? TMetadatosat::ESTATUS_CANCELADO : TMetadatosat::ESTATUS_VIGENTE);
        if (cancelado)
            m.setFechacancelacion(fecha.addDays(3).toString(Qt::ISODate));
        m.setFechapaquete(QDateTime::currentDateTime());
        TMetadatosat::saveOrUpdate(m, unidad);
    };
    // Its own vouchers, every 50th cancelled and every 100th with another
    // amount in the metadata.
    for (int i = 0; i < 500; ++i) {
        const QString uuid = QStringLiteral("%1-0000-4000-8000-000000000000").arg(i, 8, 16, QLatin1Char('0')).toUpper();
        TComprobante c;
        c.setNegocio(negocio);
        c.setFechaemision(inicio.addSecs(i * 60000LL));
        c.setTipocomprobante(QStringLiteral("I"));
        c.setFolio(QString::number(i));
        c.setRfcreceptor(QStringLiteral("XAXX010101000"));
        c.setSubtotal(TDecimal::desdeMillonesimos(1'000'000LL + i));
        c.setTotal(TDecimal::desdeMillonesimos(1'160'000LL + i));
        c.setUuid(uuid);
        c.setVersion(TDecimal::desdeTexto(QStringLiteral("4.0")));
        TComprobante::saveOrUpdate(c, unidad);
        metadato(uuid, PROPIO, QStringLiteral("XAXX010101000"), inicio.addSecs(i * 60000LL),
                 1'160'000LL + i + (i % 100 == 0 ? 1 : 0), i % 50 == 0);
    }
    for (int i = 0; i < recibidas; ++i)
        metadato(QStringLiteral("%1-1111-4000-8000-000000000000").arg(i, 8, 16, QLatin1Char('0')).toUpper(),
                 QStringLiteral("PRO%1").arg(i % 300, 9, 10, QLatin1Char('0')), PROPIO, inicio.addSecs(i * 600LL),
                 500'000LL + i * 7919LL % 100'000'000LL, false);
    transaccion.commit();
    return negocio.getIdnegocio();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return ejecutaBench<QApplication>(argc, argv, 50000, [](const TConexionSesion& conexion, int filas) {
        int id = 0;
        const qint64 llenado = mide([&] { id = llena(TUnidadTrabajo(conexion, 1), filas); });
        std::printf("%d filas recibidas sin XML y 500 comprobantes propios guardados en %lld ms\n", filas, llenado);

        qint64 lectura = 0;
        mide([&] { lectura = ConciliacionSat::hallazgos(PROPIO, id, conexion, {}).size(); });
        const qint64 soloHallazgos = mide([&] { ConciliacionSat::hallazgos(PROPIO, id, conexion, {}); });
        std::printf("ConciliacionSat::hallazgos sola: %lld hallazgos, %lld ms\n", lectura, soloHallazgos);

        TConciliacionSat pagina;
        pagina.resize(1100, 700);
        pagina.show();
        QApplication::processEvents();
        const double antes = megas("VmRSS:");
        const qint64 carga = mide([&] { pagina.carga(PROPIO, id, conexion); });
        std::printf("pestaña abierta (carga): %lld ms, memoria %.1f -> %.1f MB\n", carga, antes, megas("VmRSS:"));
        auto* tipo = pagina.findChild<QComboBox*>(QStringLiteral("CmbTipoHallazgo"));
        for (int i = 1; i < tipo->count(); ++i) {
            const qint64 t = mide([&] { tipo->setCurrentIndex(i); });
            std::printf("Mostrar \"%s\": %lld ms\n", qPrintable(tipo->itemText(i)), t);
        }
        std::printf("Mostrar \"Todos\" otra vez: %lld ms\n", mide([&] { tipo->setCurrentIndex(0); }));
        auto* tabla = pagina.findChild<QTableView*>(QStringLiteral("GrHallazgos"));
        const QStringList columnas = ConciliacionSat::columnasCsv();
        for (const QString& titulo : {QStringLiteral("Fecha"), QStringLiteral("Monto SAT")}) {
            const int columna = int(columnas.indexOf(titulo));
            // One after the other: as arguments of one call they would run in
            // either order, and the first sort by a column reads its cells.
            const qint64 subiendo = mide([&] { tabla->sortByColumn(columna, Qt::AscendingOrder); });
            const qint64 bajando = mide([&] { tabla->sortByColumn(columna, Qt::DescendingOrder); });
            std::printf("ordenar por %s: %lld ms, y al revés %lld ms\n", qPrintable(titulo), subiendo, bajando);
        }
        std::printf("memoria: %.1f MB, pico %.1f MB\n", megas("VmRSS:"), megas("VmHWM:"));
    });
}

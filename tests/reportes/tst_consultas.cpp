#include "ComprobantesPrueba.h"

#include "CarpetaPrograma.h"
#include "ConciliacionSat.h"
#include "ConsultaComprobantes.h"
#include "Conexiones.h"
#include "Entidades.h"
#include "Esquema.h"
#include "ServidoresBaseDatos.h"
#include "LecturaComprobante.h"
#include "TModeloComprobantes.h"
#include "ZonaHoraria.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <algorithm>
#include <functional>
#include <numeric>

// A filter names only the fields it sets; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace Qt::StringLiterals;

namespace {

// The large business: voucher i is issued ten minutes after voucher i - 1,
// to one of 20 customers, and its amounts repeat every thousand vouchers so
// that sorting by them meets ties.
const int CIEN_MIL = 100000;
const QDateTime INICIO_GRANDE(QDate(2023, 1, 1), QTime(0, 0));

QString tipoGrande(int i)
{
    return QString(QLatin1Char("ENPIIIIIII"[i % 10]));
}

QString monedaGrande(int i)
{
    return i % 7 == 0 ? u"USD"_s : u"MXN"_s;
}

qint64 totalGrande(int i)
{
    return (i % 1000) * 1'000'000LL + 500'000;
}

QString nombreClienteGrande(int cliente)
{
    return u"CLIENTE %1"_s.arg(cliente, 2, 10, QLatin1Char('0'));
}

// The vouchers above in a business database of a program folder of their own.
struct TComprobantesEnCarpeta : TCarpetaPrograma, TComprobantesPrueba {
    TComprobantesEnCarpeta() : TComprobantesPrueba(nuevaBaseNegocio()) {}
};

// Stores the large business through the entity package in one transaction.
TNegocio llenaGrande(TComprobantesPrueba& datos)
{
    TNegocio grande = datos.guardaNegocio(u"Grande"_s);
    QList<TCliente> clientes;
    for (int c = 0; c < 20; ++c)
        clientes << datos.cliente(u"XAX%1"_s.arg(c, 10, 10, QLatin1Char('0')), nombreClienteGrande(c));
    TTransaccion transaccion(datos.conexion);
    for (int i = 0; i < CIEN_MIL; ++i) {
        const TCliente& cliente = clientes.at(i % clientes.size());
        TComprobante c;
        c.setNegocio(grande);
        c.setCliente(cliente);
        c.setFechaemision(INICIO_GRANDE.addSecs(i * 600LL));
        c.setTipocomprobante(tipoGrande(i));
        c.setSerie(u"A"_s);
        c.setFolio(QString::number(i));
        c.setRfcreceptor(cliente.getDatosfiscales()->getRfc());
        c.setMoneda(monedaGrande(i));
        c.setSubtotal(TDecimal::desdeMillonesimos(totalGrande(i)));
        c.setTotal(TDecimal::desdeMillonesimos(totalGrande(i)));
        c.setUuid(u"U%1"_s.arg(i, 6, 10, QLatin1Char('0')));
        c.setVersion(TDecimal::desdeTexto(u"4.0"_s));
        TComprobante::saveOrUpdate(c, datos.unidad);
    }
    transaccion.commit();
    return grande;
}

QStringList uuids(const TConexionSesion& conexion, const TFiltroComprobantes& filtro)
{
    TCursorComprobantes cursor(conexion, filtro);
    QStringList lista;
    for (const TFilaComprobante& f : cursor.siguientes(1000))
        lista << f.uuid;
    return lista;
}

QByteArray csv(const TConexionSesion& conexion, const TFiltroComprobantes& filtro)
{
    QBuffer destino;
    destino.open(QIODevice::WriteOnly);
    ConsultaComprobantes::exportaCsv(conexion, filtro, destino);
    return destino.data();
}

} // namespace

// The reports' queries, their list model and what a voucher shows, without windows.
class TstConsultas : public QObject {
    Q_OBJECT
private slots:
    void filtros_data()
    {
        QTest::addColumn<QDate>("desde");
        QTest::addColumn<QDate>("hasta");
        QTest::addColumn<QString>("tipo");
        QTest::addColumn<QString>("receptor");
        QTest::addColumn<QStringList>("esperados");
        QTest::addColumn<QString>("subtotal");
        QTest::addColumn<QString>("total");
        QTest::addColumn<bool>("delOtroNegocio");
        const auto f = [](const char* caso, const char* desde, const char* hasta, const char* tipo,
                          const char* receptor, const char* esperados, const char* subtotal, const char* total,
                          bool delOtroNegocio = false) {
            const auto t = [](const char* c) { return QString::fromUtf8(c); };
            QTest::newRow(caso) << QDate::fromString(t(desde), Qt::ISODate) << QDate::fromString(t(hasta), Qt::ISODate)
                                << t(tipo) << t(receptor) << t(esperados).split(u',', Qt::SkipEmptyParts) << t(subtotal)
                                << t(total) << delOtroNegocio;
        };
        f("todos, los más nuevos primero", "", "", "", "", "UUID-5,UUID-4,UUID-3,UUID-2,UUID-1", "1234572990.223456",
          "1432103357.909209");
        // The last day counts whole, up to its last second.
        f("enero", "2024-01-01", "2024-01-31", "", "", "UUID-3,UUID-2", "1234567990.123456", "1432098858.043209");
        f("ingresos", "", "", "I", "", "UUID-3,UUID-2", "1234567990.123456", "1432098858.043209");
        f("parte del RFC, en minúsculas", "", "", "", "xaxx", "UUID-2,UUID-1", "100", "116");
        f("parte del nombre, con acentos", "", "", "", "ñandú", "UUID-4,UUID-3", "1234567890.223456",
          "1432098742.159209");
        f("nómina de febrero a marzo", "2024-02-01", "2024-03-31", "N", "", "UUID-5", "5000", "4499.75");
        f("nada", "", "", "", "ZZZ", "", "0", "0");
        // The name the voucher was issued to, not the first one its RFC met.
        f("nombre propio, RFC genérico", "", "", "", "globex", "UUID-8", "70", "70", true);
        f("nombre del primero, RFC genérico", "", "", "", "acme", "UUID-7", "50", "50", true);
    }
    void filtros()
    {
        QFETCH(QDate, desde);
        QFETCH(QDate, hasta);
        QFETCH(QString, tipo);
        QFETCH(QString, receptor);
        QFETCH(QStringList, esperados);
        QFETCH(QString, subtotal);
        QFETCH(QString, total);
        QFETCH(bool, delOtroNegocio);
        const TComprobantesEnCarpeta datos;
        const TFiltroComprobantes f{.idNegocio = (delOtroNegocio ? datos.otroNegocio : datos.negocio).getIdnegocio(),
                                    .desde = desde,
                                    .hasta = hasta,
                                    .tipo = tipo,
                                    .receptor = receptor};
        QCOMPARE(uuids(datos.conexion, f), esperados);
        const TTotalesComprobantes totales = ConsultaComprobantes::totales(datos.conexion, f);
        QCOMPARE(totales.cantidad, esperados.size());
        QCOMPARE(totales.subtotal.texto(), subtotal);
        QCOMPARE(totales.total.texto(), total);
    }

    void totalesMensuales_data()
    {
        QTest::addColumn<QDate>("desde");
        QTest::addColumn<QDate>("hasta");
        QTest::addColumn<QList<TTotalMensual>>("meses");
        using M = QList<TTotalMensual>;
        QTest::newRow("sin fechas: del primer al último mes") << QDate() << QDate()
                                                              << M{{QDate(2023, 12, 1), d("0")},
                                                                   {QDate(2024, 1, 1), d("1432098858.043209")},
                                                                   {QDate(2024, 2, 1), d("0.116")},
                                                                   {QDate(2024, 3, 1), d("4499.75")}};
        QTest::newRow("meses sin comprobantes en cero") << QDate(2024, 2, 15) << QDate(2024, 5, 2)
                                                        << M{{QDate(2024, 2, 1), TDecimal()},
                                                             {QDate(2024, 3, 1), d("4499.75")},
                                                             {QDate(2024, 4, 1), TDecimal()},
                                                             {QDate(2024, 5, 1), TDecimal()}};
    }
    void totalesMensuales()
    {
        QFETCH(QDate, desde);
        QFETCH(QDate, hasta);
        QFETCH(QList<TTotalMensual>, meses);
        const TComprobantesEnCarpeta datos;
        const TFiltroComprobantes f{.idNegocio = datos.negocio.getIdnegocio(), .desde = desde, .hasta = hasta};
        QCOMPARE(ConsultaComprobantes::totalesMensuales(datos.conexion, f), meses);
    }

    void exportaCsv()
    {
        const TComprobantesEnCarpeta datos;
        const TFiltroComprobantes enero{
            .idNegocio = datos.negocio.getIdnegocio(), .desde = QDate(2024, 1, 1), .hasta = QDate(2024, 1, 31)};
        const QByteArray esperado =
            QByteArrayLiteral("\xEF\xBB\xBF") +
            u"Fecha,Tipo,Serie,Folio,RFC receptor,Receptor,Moneda,Subtotal,Impuestos trasladados,"
            "Impuestos retenidos,Total,UUID,Versión,Sello,Estado SAT,Fecha de cancelación\r\n"
            "2024-01-31 23:59:59,Ingreso,A,2,CNA010101AB1,\"COMERCIAL ÑANDÚ, S.A. \"\"LA BUENA\"\"\","
            "USD,1234567890.123456,197530862.419753,10.50,1432098742.043209,UUID-3,3.3,,,\r\n"
            "2024-01-15 09:30:00,Ingreso,A,1,XAXX010101000,PÚBLICO EN GENERAL,MXN,100.00,16.00,0.00,"
            "116.00,UUID-2,4.0,,,\r\n"_s.toUtf8();
        QCOMPARE(csv(datos.conexion, enero), esperado);

        // A name a spreadsheet would run as a formula is kept as text; amounts
        // keep their sign.
        const TFiltroComprobantes nomina{.idNegocio = datos.negocio.getIdnegocio(), .tipo = u"N"_s};
        const QList<QByteArray> lineas = csv(datos.conexion, nomina).split('\n');

        QCOMPARE(lineas.size(), 3);
        QCOMPARE(lineas.at(1), u"2024-03-20 12:00:00,Nómina,N,5,FOR010101AAA,\"'=HYPERLINK(\"\"http://x\"\")\","
                               "MXN,5000.00,0.00,500.25,4499.75,UUID-5,4.0,,,\r"_s.toUtf8());
        QCOMPARE(ConsultaComprobantes::campoCsv(u"-500.25"_s, false), u"-500.25"_s);

        // One generic RFC, two foreign customers: the list, its sort and the
        // export name each voucher's own receiver.
        const TFiltroComprobantes extranjeros{.idNegocio = datos.otroNegocio.getIdnegocio(), .receptor = u"XEXX"_s};
        TModeloComprobantes modelo;
        modelo.consulta(datos.conexion, extranjeros);
        QCOMPARE(columna(&modelo, TModeloComprobantes::Receptor), (QStringList{u"GLOBEX CORP"_s, u"ACME INC"_s}));
        modelo.sort(TModeloComprobantes::Receptor, Qt::AscendingOrder);
        QCOMPARE(columna(&modelo, TModeloComprobantes::Uuid), (QStringList{u"UUID-7"_s, u"UUID-8"_s}));
        const QList<QByteArray> foraneas = csv(datos.conexion, extranjeros).split('\n');
        QCOMPARE(foraneas.value(1).split(',').value(5), "GLOBEX CORP");
        QCOMPARE(foraneas.value(2).split(',').value(5), "ACME INC");
        QCOMPARE(ConsultaComprobantes::campoCsv(u"-texto"_s, true), u"'-texto"_s);
    }

    void paginas()
    {
        TComprobantesEnCarpeta datos;
        TNegocio grande = datos.guardaNegocio(u"Grande"_s);
        const TCliente publico = datos.cliente(u"XAXX010101000"_s, u"PÚBLICO EN GENERAL"_s);
        {
            TTransaccion transaccion(datos.conexion);
            for (int i = 0; i < 450; ++i) {
                const QByteArray emision = QDateTime(QDate(2024, 1, 1), QTime(0, 0))
                                               .addSecs(i * 3600)
                                               .toString(u"yyyy-MM-dd HH:mm:ss"_s)
                                               .toLatin1();
                const QByteArray uuid = QByteArray::number(i);
                datos.comprobante(grande, emision.constData(), "I", "A", uuid.constData(), publico, "1", "0.16", "0",
                                  "1.16", uuid.constData());
            }
            transaccion.commit();
        }
        const TFiltroComprobantes f{.idNegocio = grande.getIdnegocio()};
        TModeloComprobantes modelo;
        modelo.consulta(datos.conexion, f);
        QList<int> cargadas{modelo.rowCount()};
        while (modelo.canFetchMore(QModelIndex())) {
            modelo.fetchMore(QModelIndex());
            cargadas << modelo.rowCount();
        }
        QCOMPARE(cargadas, (QList<int>{200, 400, 450}));
        QCOMPARE(modelo.fila(0).folio, u"449"_s);
        QCOMPARE(modelo.fila(449).folio, u"0"_s);
        QCOMPARE(modelo.data(modelo.index(0, TModeloComprobantes::Total)).toString(), u"1.16"_s);
        QCOMPARE(ConsultaComprobantes::totales(datos.conexion, f).total.texto(), u"522"_s);
    }

    void xmlGuardado()
    {
        TComprobantesEnCarpeta datos;
        QCOMPARE(ConsultaComprobantes::xml(datos.conexion, datos.negocio.getIdnegocio(), datos.idV2), XML_V2);
        // Another business's reports never open it.
        QVERIFY(ConsultaComprobantes::xml(datos.conexion, datos.otroNegocio.getIdnegocio(), datos.idV2).isEmpty());
    }

    // The same vouchers on a MariaDB server give the same lists, orders,
    // totals, months and export as on the embedded file, for every filter
    // and every column the list sorts by.
    void mismasCifrasEnMariaDB()
    {
        if (const QString falta = TServidorBaseDatos::faltante(TServidorBaseDatos::Tipo::MariaDB); !falta.isEmpty())
            QSKIP(qPrintable(falta));
        TServidorBaseDatos servidor(TServidorBaseDatos::Tipo::MariaDB);
        QVERIFY2(servidor.inicia(), qPrintable(servidor.error()));
        const TConexionSesion enServidor = servidor.conexion(servidor.creaBaseDatos());
        Esquema::completaTodo(enServidor);
        TCarpetaPrograma carpeta;
        const TComprobantesPrueba remotos(enServidor);
        const TComprobantesPrueba locales(carpeta.nuevaBaseNegocio());

        const auto cifras = [](const TComprobantesPrueba& datos, TFiltroComprobantes f) {
            f.idNegocio = datos.negocio.getIdnegocio();
            QStringList lineas;
            const auto totales = [](const TTotalesComprobantes& t) {
                return u"%1 %2 %3 %4 %5"_s.arg(t.cantidad)
                    .arg(t.subtotal.texto(), t.trasladados.texto(), t.retenidos.texto(), t.total.texto());
            };
            for (int campo = 0; campo < TOrdenComprobantes::NumeroCampos; ++campo)
                for (const bool descendente : {false, true}) {
                    f.orden = {TOrdenComprobantes::TCampo(campo), descendente};
                    lineas << uuids(datos.conexion, f).join(u',');
                }
            lineas << totales(ConsultaComprobantes::totales(datos.conexion, f));
            const TResumenComprobantes resumen = ConsultaComprobantes::resumen(datos.conexion, f);
            lineas << u"%1 %2 %3"_s.arg(totales(resumen.totales)).arg(resumen.cancelados).arg(resumen.listados);
            for (const TTotalesTipo& t : resumen.porTipo)
                lineas << t.tipo + u' ' + t.moneda + u' ' + totales(t.totales);
            for (const TTotalMensual& m : resumen.meses)
                lineas << m.mes.toString(Qt::ISODate) + u' ' + m.total.texto();
            lineas << QString::fromUtf8(csv(datos.conexion, f));

            return lineas;
        };
        const QList<TFiltroComprobantes> filtros{
            {},
            {.desde = QDate(2024, 1, 1), .hasta = QDate(2024, 1, 31)},
            {.tipo = u"N"_s},
            {.receptor = u"xaxx"_s},
            {.receptor = u"ñandú"_s},
            {.sello = ConsultaComprobantes::SELLO_SIN_VERIFICAR, .incluyeCancelados = true}};
        for (const TFiltroComprobantes& f : filtros)
            QCOMPARE(cifras(remotos, f), cifras(locales, f));

        // A server that restarts drops the connection the client library
        // still holds open: once it is back, what the window reads next
        // answers again, without signing in anew.
        servidor.detiene();
        QVERIFY_THROWS_EXCEPTION(EBaseDatos, TComprobante::cuenta(TCondicion(), enServidor));
        // Once the dropped connection is noticed it is opened anew, and that
        // fails too: the user reads what to check, not the client library.
        QTest::qWait(2100);
        try {
            TComprobante::cuenta(TCondicion(), enServidor);
            QFAIL("Se leyó de un servidor detenido.");
        } catch (const EBaseDatos& e) {
            QVERIFY2(e.mensaje().contains(u": el servidor no responde; revisa que esté encendido"_s),
                     qPrintable(e.mensaje()));
            QVERIFY2(!e.mensaje().contains(u"QMYSQL"_s), qPrintable(e.mensaje()));
        }
        QVERIFY(servidor.reinicia());
        QTest::qWait(2100); // past the interval between two checks of an open connection
        QCOMPARE(TComprobante::cuenta(TCondicion(), enServidor), TComprobante::cuenta(TCondicion(), locales.conexion));

        // A server that stops while the list is open: the message says so in
        // the user's words, never in the client library's.
        servidor.detiene();
        const TFiltroComprobantes f = remotos.filtro();
        QString mensaje;

        try {
            ConsultaComprobantes::totales(enServidor, f);
        } catch (const EBaseDatos& e) {
            mensaje = e.mensaje();
        }
        QVERIFY2(mensaje.contains(u"se perdió la conexión con el servidor de base de datos"_s), qPrintable(mensaje));
        QVERIFY2(!mensaje.contains(u"QMYSQL"_s) && !mensaje.contains(u"server"_s), qPrintable(mensaje));
        // Back on the same port and folder, the same list answers again.
        QVERIFY(servidor.reinicia());
        QCOMPARE(ConsultaComprobantes::totales(enServidor, f).cantidad,
                 ConsultaComprobantes::totales(locales.conexion, locales.filtro()).cantidad);
        Conexiones::cierra(enServidor);
    }

    void cienMilComprobantes()
    {
        TComprobantesEnCarpeta datos;
        QElapsedTimer reloj;
        reloj.start();
        const TNegocio grande = llenaGrande(datos);
        qInfo("%d comprobantes guardados en %.1f s", CIEN_MIL, reloj.elapsed() / 1000.0);

        struct TCaso {
            const char* nombre;
            TFiltroComprobantes filtro;
            // The same filter and order, worked out here over the generator.
            std::function<bool(int)> toma;
            std::function<bool(int, int)> antes;
        };
        using O = TOrdenComprobantes;
        const auto todos = [](int) { return true; };
        const auto nuevos = [](int a, int b) { return a > b; };
        // Ties keep the newest first.
        const auto porTotal = [](bool desc) {
            return [desc](int a, int b) {
                return totalGrande(a) != totalGrande(b) ? (totalGrande(a) > totalGrande(b)) == desc : a > b;
            };
        };
        const auto porCliente = [](int a, int b) { return a % 20 != b % 20 ? a % 20 < b % 20 : a > b; };
        const auto porMoneda = [](int a, int b) {
            return monedaGrande(a) != monedaGrande(b) ? monedaGrande(a) > monedaGrande(b) : a > b;
        };
        const QDate marzo(2023, 3, 1);
        const auto enMarzo = [marzo](int i) {
            const QDate dia = INICIO_GRANDE.addSecs(i * 600LL).date();
            return dia >= marzo && dia < marzo.addMonths(1);
        };
        const QList<TCaso> casos = {
            {"fecha, nuevos primero", {.orden = {O::Fecha, true}}, todos, nuevos},
            {"fecha, antiguos primero", {.orden = {O::Fecha, false}}, todos, std::less<int>()},
            {"total, mayor primero", {.orden = {O::Total, true}}, todos, porTotal(true)},
            {"total, menor primero", {.orden = {O::Total, false}}, todos, porTotal(false)},
            // As numbers: 9 before 10.
            {"folio ascendente", {.orden = {O::Folio, false}}, todos, std::less<int>()},
            {"folio descendente", {.orden = {O::Folio, true}}, todos, nuevos},
            {"receptor", {.orden = {O::Receptor, false}}, todos, porCliente},
            // None cancelled: all tie, the newest first.
            {"estado SAT", {.orden = {O::EstadoSat, false}}, todos, nuevos},
            {"nóminas por total",
             {.tipo = u"N"_s, .orden = {O::Total, false}},
             [](int i) { return tipoGrande(i) == u"N"_s; },
             porTotal(false)},
            {"un cliente en marzo, por moneda",
             {.desde = marzo,
              .hasta = marzo.addMonths(1).addDays(-1),
              .receptor = u"cliente 07"_s,
              .orden = {O::Moneda, true}},
             [enMarzo](int i) { return i % 20 == 7 && enMarzo(i); },
             porMoneda},
            {"nada", {.tipo = u"T"_s, .orden = {O::Fecha, true}}, [](int) { return false; }, nuevos},
        };
        QList<int> indices(CIEN_MIL);
        std::iota(indices.begin(), indices.end(), 0);
        for (const TCaso& caso : casos) {
            TFiltroComprobantes f = caso.filtro;
            f.idNegocio = grande.getIdnegocio();
            QList<int> esperados;
            std::copy_if(indices.cbegin(), indices.cend(), std::back_inserter(esperados), caso.toma);
            const qsizetype cuantos = esperados.size();
            const qsizetype pagina = qMin<qsizetype>(cuantos, TModeloComprobantes::FILAS_POR_PAGINA);
            std::partial_sort(esperados.begin(), esperados.begin() + pagina, esperados.end(), caso.antes);
            esperados.resize(pagina);

            // The list holds one page of the whole sorted filter, not more.
            TModeloComprobantes modelo;
            modelo.consulta(datos.conexion, f);
            QList<int> folios;
            for (int fila = 0; fila < modelo.rowCount(); ++fila)
                folios << modelo.fila(fila).folio.toInt();
            QVERIFY2(folios == esperados, caso.nombre);
            QCOMPARE(modelo.canFetchMore(QModelIndex()), cuantos > pagina);
            QCOMPARE(ConsultaComprobantes::totales(datos.conexion, f).cantidad, cuantos);
        }

        // Each type and currency adds up apart.
        TFiltroComprobantes f{.idNegocio = grande.getIdnegocio()};
        QMap<QPair<QString, QString>, QPair<int, qint64>> esperados;
        for (int i = 0; i < CIEN_MIL; ++i) {
            auto& t = esperados[{tipoGrande(i), monedaGrande(i)}];
            ++t.first;
            t.second += totalGrande(i);
        }
        const TResumenComprobantes resumen = ConsultaComprobantes::resumen(datos.conexion, f);
        QCOMPARE(resumen.porTipo.size(), esperados.size());
        for (const TTotalesTipo& t : resumen.porTipo) {
            const auto esperado = esperados.value({t.tipo, t.moneda});
            QCOMPARE(t.totales.cantidad, esperado.first);
            QCOMPARE(t.totales.total, TDecimal::desdeMillonesimos(esperado.second));
        }
        QCOMPARE(resumen.meses.size(), 23);
        QCOMPARE(resumen.series.size(), esperados.size());

        // A second page goes on where the first ended.
        TModeloComprobantes modelo;
        f.orden = {O::Folio, false};
        modelo.consulta(datos.conexion, f);
        modelo.fetchMore(QModelIndex());
        QCOMPARE(modelo.rowCount(), 2 * TModeloComprobantes::FILAS_POR_PAGINA);
        QCOMPARE(modelo.fila(TModeloComprobantes::FILAS_POR_PAGINA).folio, u"200"_s);
    }

    void totalesPorTipoYMoneda()
    {
        TComprobantesEnCarpeta datos;
        QStringList filas;
        for (const TTotalesTipo& t : ConsultaComprobantes::resumen(datos.conexion, datos.filtro()).porTipo)
            filas << u"%1 %2 %3 %4"_s
                         .arg(ConsultaComprobantes::nombreTipo(t.tipo), ConsultaComprobantes::nombreMoneda(t.moneda))
                         .arg(t.totales.cantidad)
                         .arg(t.totales.total.texto());
        QCOMPARE(filas,
                 (QStringList{u"Egreso MXN 1 0.116"_s, u"Ingreso MXN 1 116"_s, u"Ingreso USD 1 1432098742.043209"_s,
                              u"Nómina MXN 1 4499.75"_s, u"Pago MXN 1 0"_s}));
    }

    void textos_data()
    {
        QTest::addColumn<QString>("obtenido");
        QTest::addColumn<QString>("esperado");
        const auto importe = [](const char* texto) { return ConsultaComprobantes::textoImporte(d(texto)); };
        QTest::newRow("importe con miles") << importe("1234567890.123456") << u"1,234,567,890.123456"_s;
        QTest::newRow("importe en centavos") << importe("0.1") << u"0.10"_s;
        QTest::newRow("importe negativo") << importe("-1234.5") << u"-1,234.50"_s;
        QTest::newRow("importe de tres cifras") << importe("-999") << u"-999.00"_s;

        QTest::newRow("ingreso") << ConsultaComprobantes::nombreTipo(u"I"_s) << u"Ingreso"_s;
        QTest::newRow("egreso") << ConsultaComprobantes::nombreTipo(u"E"_s) << u"Egreso"_s;
        QTest::newRow("traslado") << ConsultaComprobantes::nombreTipo(u"T"_s) << u"Traslado"_s;
        QTest::newRow("nómina") << ConsultaComprobantes::nombreTipo(u"N"_s) << u"Nómina"_s;
        QTest::newRow("pago") << ConsultaComprobantes::nombreTipo(u"P"_s) << u"Pago"_s;
        QTest::newRow("sin moneda") << ConsultaComprobantes::nombreMoneda(QString()) << u"Sin moneda"_s;
        const QDate hoy(2025, 6, 30);
        QTest::newRow("csv con fechas") << ConsultaComprobantes::nombreCsv(u"EKU9003173C9"_s, QDate(2025, 1, 1),
                                                                           QDate(2025, 3, 31), hoy)
                                        << u"Comprobantes_EKU9003173C9_2025-01-01_2025-03-31.csv"_s;
        QTest::newRow("csv sin fechas") << ConsultaComprobantes::nombreCsv(u"EKU9003173C9"_s, {}, {}, hoy)
                                        << u"Comprobantes_EKU9003173C9_inicio_2025-06-30.csv"_s;
        QTest::newRow("csv sin RFC") << ConsultaComprobantes::nombreCsv({}, QDate(2025, 1, 1), {}, hoy)
                                     << u"Comprobantes_2025-01-01_2025-06-30.csv"_s;
    }
    void textos()
    {
        QFETCH(QString, obtenido);
        QFETCH(QString, esperado);
        QCOMPARE(obtenido, esperado);
    }

    void listaLegible()
    {
        TComprobantesEnCarpeta datos;
        TModeloComprobantes modelo;
        modelo.consulta(datos.conexion, datos.filtro());
        const auto celda = [&modelo](int fila, int columna) { return modelo.index(fila, columna).data().toString(); };
        QCOMPARE(celda(0, TModeloComprobantes::Fecha), u"20/03/2024"_s);
        QCOMPARE(celda(0, TModeloComprobantes::Tipo), u"Nómina"_s);
        QCOMPARE(celda(2, TModeloComprobantes::Moneda), u"USD"_s);
        // The receiver's name is a look-up of its own; it sorts all the same.
        modelo.sort(TModeloComprobantes::Receptor, Qt::AscendingOrder);
        QCOMPARE(celda(0, TModeloComprobantes::Receptor), u"=HYPERLINK(\"http://x\")"_s);
        QCOMPARE(celda(4, TModeloComprobantes::Receptor), u"PÚBLICO EN GENERAL"_s);
        modelo.sort(TModeloComprobantes::Tipo, Qt::DescendingOrder);
        QCOMPARE(celda(0, TModeloComprobantes::Tipo), u"Pago"_s);
        QCOMPARE(modelo.filtro().orden.campo, TOrdenComprobantes::Tipo);
    }

    void periodosGrafica_data()
    {
        QTest::addColumn<QDate>("primero");
        QTest::addColumn<QDate>("ultimo");
        QTest::addColumn<QStringList>("etiquetas");
        const auto m = [](int anio, int mes) { return QDate(anio, mes, 1); };
        const auto l = [](const QString& etiquetas) { return etiquetas.split(u','); };
        QTest::newRow("un mes") << m(2025, 1) << m(2025, 1) << l(u"ene 2025"_s);
        QTest::newRow("cambio de año") << m(2024, 11) << m(2025, 2) << l(u"nov 2024,dic 2024,ene 2025,feb 2025"_s);
        // Every other label when twelve would not fit.
        QTest::newRow("24 meses") << m(2024, 1) << m(2025, 12)
                                  << l(u"ene 2024,mar 2024,may 2024,jul 2024,sep 2024,nov 2024,"
                                       "ene 2025,mar 2025,may 2025,jul 2025,sep 2025,nov 2025"_s);
        QTest::newRow("25 meses, por trimestre")
            << m(2023, 12) << m(2025, 12)
            << l(u"T4 2023,T1 2024,T2 2024,T3 2024,T4 2024,T1 2025,T2 2025,T3 2025,T4 2025"_s);
        QTest::newRow("8 años, trimestres de tres en tres")
            << m(2018, 1) << m(2025, 12)
            << l(u"T1 2018,T4 2018,T3 2019,T2 2020,T1 2021,T4 2021,T3 2022,T2 2023,T1 2024,T4 2024,T3 2025"_s);
        QTest::newRow("más de 8 años, por año")
            << m(2017, 12) << m(2025, 12) << l(u"2017,2018,2019,2020,2021,2022,2023,2024,2025"_s);
    }
    void periodosGrafica()
    {
        QFETCH(QDate, primero);
        QFETCH(QDate, ultimo);
        QFETCH(QStringList, etiquetas);
        QStringList rotuladas;
        for (const TPeriodoGrafica& p : ConsultaComprobantes::periodosGrafica(primero, ultimo))
            if (p.rotulado)
                rotuladas << p.etiqueta;
        QCOMPARE(rotuladas, etiquetas);
    }

    void totalesDeLaGrafica()
    {
        const QList<TPeriodoGrafica> periodos =
            ConsultaComprobantes::periodosGrafica(QDate(2023, 11, 1), QDate(2025, 12, 1));
        QCOMPARE(periodos.size(), 9);
        const QList<TDecimal> totales =
            ConsultaComprobantes::totalesPorPeriodo(periodos, {{QDate(2023, 11, 1), d("1.10")},
                                                               {QDate(2023, 12, 1), d("2.25")},
                                                               {QDate(2024, 1, 1), d("5")},
                                                               {QDate(2025, 12, 1), d("0.000001")}});
        QCOMPARE(totales.first(), d("3.35"));
        QCOMPARE(totales.at(1), d("5"));
        QCOMPARE(totales.last(), d("0.000001"));

        const auto etiquetas = [](double maximo) {
            QStringList lista;
            for (const TMarcaImporte& marca : ConsultaComprobantes::marcasImporte(maximo))
                lista << marca.etiqueta;
            return lista;
        };
        QCOMPARE(etiquetas(1432098858.04),
                 (QStringList{u"$0"_s, u"$500,000,000"_s, u"$1,000,000,000"_s, u"$1,500,000,000"_s}));
        QCOMPARE(etiquetas(0.5).value(1), u"$0.10"_s);
        // A voucher the import stores may top the axis past an amount's range.
        QCOMPARE(ConsultaComprobantes::marcasImporte(900000000000.0).last().etiqueta, u"$1,000,000,000,000"_s);
    }

    // A voucher stored in the hour Tijuana skips into daylight saving is
    // listed and shown with its date there, not blank.
    void horaSaltada()
    {
        TComprobantesEnCarpeta datos;
        TNegocio frontera = datos.guardaNegocio(u"Frontera"_s);
        const TCliente publico = datos.cliente(u"XAXX010101000"_s, u"PÚBLICO EN GENERAL"_s);
        {
            const TZonaHoraria utc("UTC");
            datos.comprobante(frontera, "2024-03-10 02:30:00", "I", "A", "1", publico, "1", "0.16", "0", "1.16",
                              "UUID-S");
        }
        const TZonaHoraria tijuana("America/Tijuana");
        TModeloComprobantes modelo;
        modelo.consulta(datos.conexion, {.idNegocio = frontera.getIdnegocio()});
        QCOMPARE(columna(&modelo, TModeloComprobantes::Fecha), QStringList{u"10/03/2024"_s});
        QFile xml(QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/cfdi40-real.xml"));
        QVERIFY(xml.open(QIODevice::ReadOnly));
        const QByteArray saltada =
            xml.readAll().replace("Fecha=\"2025-01-24T10:10:41\"", "Fecha=\"2024-03-10T02:30:00\"");
        QCOMPARE(LecturaComprobante::lee(saltada).fecha, u"10/03/2024 02:30:00"_s);
    }

    void vistaComprobante_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QStringList>("cabecera");
        QTest::addColumn<QString>("primeraLinea");
        QTest::addColumn<QStringList>("impuestos");
        QTest::addColumn<QStringList>("totales");
        QTest::addColumn<QStringList>("timbre");
        // The fields of each list, split at "|".
        const auto t = [](const char* campos) { return QString::fromUtf8(campos).split(u'|'); };
        // Version 3.2: lower-case attributes, the type as a word, tax names.
        QTest::newRow("3.2") << u"cfdi32-real.xml"_s
                             << t("3.2|Ingreso|S|68189|21/03/2017 08:17:31|CTO021007DZ8|"
                                  "CEVER TOLUCA S.A. DE C.V.|XAXX010101000|CORTES SOTO CARLOS|7")
                             << u"5|PIEZA|ACEITE|61.86|309.30"_s << t("Trasladado IVA 16 646.21")
                             << t("4038.79|0.00|646.21||4685.00")
                             << t("80824F3B-323E-407B-8F8E-40D83FE2E69F|21/03/2017 08:18:08|00001000000404477432");
        QTest::newRow("3.3") << u"cfdi33-real.xml"_s
                             << t("3.3|Ingreso|H|11541|12/01/2018 08:15:01|POT9207213D6|PROMOTORA OTIR SA DE CV|"
                                  "DIM8701081LA|DAY INTERNATIONAL DE MEXICO SA DE CV|2")
                             << u"2.00|E48 - UNIDAD DE SERVICIO|Paquete|677.83|1355.67"_s
                             << t("Trasladado IVA 0.160000 273.46") << t("1709.12||273.46||2010.01")
                             << t("CEE4BE01-ADFA-4DEB-8421-ADD60F0BEDAC|12/01/2018 08:17:54|00001000000406258094");
        // Withholdings, and amounts without decimals stay without them.
        QTest::newRow("3.3 con retenciones")
            << u"cfdv33-signed-tfd.xml"_s
            << t("3.3|Ingreso|A|123ABC|01/05/2017 01:23:59|AAA010101AAA|Esta es una demostración|"
                 "BASJ600902KL9|Juanito Bananas De la Sierra|3")
            << u"1.5|C81 - TONELADA|ACERO|1500000|2250000"_s
            << t("Trasladado IVA 1.600000 360000|Retenido ISR  247000|Retenido IEPS  500")
            << t("1000|0.00|360000|247500|1500")
            << t("ea8152af-b116-4812-817a-3b4f9617c99c|10/05/2017 15:22:28|20001000000100005761");
        QTest::newRow("4.0") << u"cfdi40-real.xml"_s
                             << t("4.0|Ingreso|O|52375239|24/01/2025 10:10:41|ISD950921HE5|"
                                  "PASE, SERVICIOS ELECTRONICOS|COSC8001137NA|CARLOS CORTES SOTO|2")
                             << u"1.000000|E48 - NO APLICA|COMISION RECARGA IDMX|8.620690|8.620690"_s
                             << t("Trasladado IVA 0.160000 137.93") << t("862.07||137.93||1000.00")
                             << t("C2832671-DA6D-11EF-A83D-00155D012007|24/01/2025 10:10:42|00001000000708361114");
        // 4.0 spelt the 3.2 way is not what the seal covers: read as missing.
        QTest::newRow("4.0 en minúsculas")
            << u"propios/minusculas-40.xml"_s
            << t("4.0|Ingreso|O||24/01/2025 10:10:41|ISD950921HE5||COSC8001137NA|CARLOS CORTES SOTO|1")
            << u"1.000000|E48|COMISION RECARGA IDMX|862.07|"_s << t("Trasladado IVA  137.93") << t("862.07||137.93||")
            << t("C2832671-DA6D-11EF-A83D-00155D012007|24/01/2025 10:10:42|");
    }
    void vistaComprobante()
    {
        QFETCH(QString, archivo);
        QFETCH(QStringList, cabecera);
        QFETCH(QString, primeraLinea);
        QFETCH(QStringList, impuestos);
        QFETCH(QStringList, totales);
        QFETCH(QStringList, timbre);
        QFile xml(QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/") + archivo);
        QVERIFY(xml.open(QIODevice::ReadOnly));
        const TVistaComprobante v = LecturaComprobante::lee(xml.readAll());
        QCOMPARE((QStringList{v.version, v.tipo, v.serie, v.folio, v.fecha, v.emisor.rfc, v.emisor.nombre,
                              v.receptor.rfc, v.receptor.nombre, QString::number(v.lineas.size())}),
                 cabecera);
        const TLineaComprobante& l = v.lineas.first();
        QCOMPARE((QStringList{l.cantidad, l.unidad, l.descripcion, l.valorUnitario, l.importe}).join(u'|'),
                 primeraLinea);
        QStringList leidos;
        for (const TImpuestoComprobante& i : v.impuestos)
            leidos << u"%1 %2 %3 %4"_s.arg(i.retenido ? u"Retenido"_s : u"Trasladado"_s, i.impuesto, i.tasa, i.importe);
        QCOMPARE(leidos, impuestos);
        QCOMPARE((QStringList{v.subtotal, v.descuento, v.trasladados, v.retenidos, v.total}), totales);
        QCOMPARE((QStringList{v.uuid, v.fechaTimbrado, v.certificadoSat}), timbre);
    }

    // A voucher the SAT cancelled is listed, marked, and left out of every
    // figure until the user asks for it.
    void canceladosAnteElSat()
    {
        TComprobantesEnCarpeta datos;
        const int id = datos.negocio.getIdnegocio();
        const QString rfc = u"PAP010101AAA"_s;
        metadato(datos.unidad, id, u"uuid-2"_s, rfc, "2024-01-15T09:30:00", "116.00", u"2024-02-03 10:11:12"_s);
        metadato(datos.unidad, id, u"UUID-4"_s, rfc, "2024-02-01T00:00:00", "0.116");

        const TFiltroComprobantes sin = datos.filtro();
        const TFiltroComprobantes con{.idNegocio = id, .incluyeCancelados = true};
        const auto porTipo = [](const TResumenComprobantes& r) {
            QStringList filas;
            for (const TTotalesTipo& t : r.porTipo)
                filas << u"%1 %2 %3 %4 %5"_s.arg(t.tipo, t.moneda)
                             .arg(t.totales.cantidad)
                             .arg(t.totales.subtotal.texto(), t.totales.total.texto());
            return filas;
        };
        const TResumenComprobantes sinCancelados = ConsultaComprobantes::resumen(datos.conexion, sin);
        QCOMPARE(sinCancelados.totales.cantidad, 4);
        QCOMPARE(sinCancelados.cancelados, 1);
        QCOMPARE(sinCancelados.listados, 5);
        QCOMPARE(porTipo(sinCancelados),
                 (QStringList{u"E MXN 1 0.1 0.116"_s, u"I USD 1 1234567890.123456 1432098742.043209"_s,
                              u"N MXN 1 5000 4499.75"_s, u"P MXN 1 0 0"_s}));
        QCOMPARE(sinCancelados.meses.value(1), (TTotalMensual{QDate(2024, 1, 1), d("1432098742.043209")}));
        const TResumenComprobantes conCancelados = ConsultaComprobantes::resumen(datos.conexion, con);
        QCOMPARE(conCancelados.totales.cantidad, 5);
        QCOMPARE(conCancelados.cancelados, 1);
        QCOMPARE(conCancelados.listados, 5);
        QVERIFY(porTipo(conCancelados).contains(u"I MXN 1 100 116"_s));
        QCOMPARE(conCancelados.meses.value(1), (TTotalMensual{QDate(2024, 1, 1), d("1432098858.043209")}));
        QCOMPARE(conCancelados.totales.total - sinCancelados.totales.total, d("116"));

        // The list: every voucher, the cancelled one said so and struck
        // through except the cell that says why.
        TModeloComprobantes modelo;
        modelo.consulta(datos.conexion, sin);
        QCOMPARE(modelo.rowCount(), 5);
        QCOMPARE(modelo.headerData(TModeloComprobantes::EstadoSat, Qt::Horizontal).toString(), u"Estado SAT"_s);
        QCOMPARE(columna(&modelo, TModeloComprobantes::EstadoSat),
                 (QStringList{QString(), QString(), QString(), u"Cancelado el 03/02/2024"_s, QString()}));
        const QModelIndex total = modelo.index(3, TModeloComprobantes::Total);
        QCOMPARE(total.data(Qt::ForegroundRole).value<QBrush>().color(), TModeloComprobantes::COLOR_CANCELADO_TEXTO);
        QCOMPARE(total.data(Qt::BackgroundRole).value<QBrush>().color(), TModeloComprobantes::COLOR_CANCELADO_FONDO);
        QVERIFY(total.data(Qt::FontRole).value<QFont>().strikeOut());
        QVERIFY(!modelo.index(3, TModeloComprobantes::EstadoSat).data(Qt::FontRole).isValid());
        QVERIFY(!modelo.index(2, TModeloComprobantes::Total).data(Qt::ForegroundRole).isValid());
        QVERIFY(!modelo.index(2, TModeloComprobantes::Total).data(Qt::FontRole).isValid());
        // Sorted by it, the cancelled come first one way and last the other.
        modelo.sort(TModeloComprobantes::EstadoSat, Qt::AscendingOrder);
        QCOMPARE(modelo.fila(0).uuid, u"UUID-2"_s);
        modelo.sort(TModeloComprobantes::EstadoSat, Qt::DescendingOrder);
        QCOMPARE(modelo.fila(4).uuid, u"UUID-2"_s);

        // What the view and the PDF read of it.
        const TComprobanteGuardado guardado = ConsultaComprobantes::guardado(datos.conexion, id, datos.idV2);
        QVERIFY(guardado.cancelado);
        QCOMPARE(guardado.fechaCancelacion, QDateTime(QDate(2024, 2, 3), QTime(10, 11, 12)));
        QCOMPARE(guardado.xml, XML_V2);

        // The CSV says it in columns of its own.
        const TFiltroComprobantes enero{.idNegocio = id, .desde = QDate(2024, 1, 15), .hasta = QDate(2024, 1, 15)};
        QCOMPARE(csv(datos.conexion, enero).split('\n').value(1),
                 u"2024-01-15 09:30:00,Ingreso,A,1,XAXX010101000,PÚBLICO EN GENERAL,MXN,100.00,16.00,"
                 "0.00,116.00,UUID-2,4.0,,Cancelado,2024-02-03 10:11:12\r"_s.toUtf8());

        // A newer package that has it in force again puts it back in the figures.
        QVERIFY(metadato(datos.unidad, id, u"UUID-2"_s, rfc, "2024-01-15T09:30:00", "116.00", {}, QDate(2024, 5, 1))
                    .desmarcada);
        QCOMPARE(ConsultaComprobantes::resumen(datos.conexion, sin).totales.cantidad, 5);
        QCOMPARE(ConsultaComprobantes::resumen(datos.conexion, sin).cancelados, 0);
    }
};

QTEST_MAIN(TstConsultas)
#include "tst_consultas.moc"

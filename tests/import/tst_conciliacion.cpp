#include "EntornoImportacion.h"
#include "ZonaHoraria.h"

#include "ConciliacionSat.h"
#include "Conexiones.h"
#include "import/ImportacionCarpeta.h"
#include "shell/ResumenInicio.h"

#include <QBuffer>
#include <QSqlQuery>

using namespace Qt::StringLiterals;
using E = TEntornoImportacion;

namespace {

// The real 4.0 voucher of the test data (E::cfdi40): its issuer and its date.
const QString RFC = u"ISD950921HE5"_s;
const QByteArray FECHA_REAL = "Fecha=\"2025-01-24T10:10:41\"";

struct TFila {
    QString uuid;
    QString estatus = u"1"_s;
    QString monto = u"1000.00"_s;
    QString fechaCancelacion = {};
    QDateTime paquete = QDateTime(QDate(2025, 3, 1), QTime(8, 0));
    QString fecha = u"2025-01-24 10:10:41"_s;
    QString emisor = RFC;
    QString receptor = u"COSC8001137NA"_s;
    bool emisorLocal = false;
};

TMetadatosat registro(const TFila& f)
{
    TMetadatosat m;
    m.setUuid(f.uuid);
    m.setRfcemisor(f.emisor);
    m.setNombreemisor(u"PASE, SERVICIOS \"ELECTRÓNICOS\" & CÍA"_s);
    m.setRfcreceptor(f.receptor);
    m.setNombrereceptor(u"CARLOS CORTÉS SOTO"_s);
    m.setFechaemision(f.fecha);
    if (!f.monto.isEmpty())
        m.setMonto(TDecimal::desdeTexto(f.monto));
    m.setEfecto(u"I"_s);
    m.setEstatussat(f.estatus);
    m.setFechacancelacion(f.fechaCancelacion);
    m.setEmisorlocal(f.emisorLocal ? 1 : 0);
    m.setPaquete(u"paquete_01.txt"_s);
    m.setFechapaquete(f.paquete);
    return m;
}

} // namespace

Q_DECLARE_METATYPE(QList<TFila>)

// The SAT's metadata kept beside a business's vouchers, over a business the
// import made from real vouchers.
class TstConciliacion : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_entorno = std::make_unique<TEntornoImportacion>();
        m_uuids.clear();
        for (int i = 0; i < 4; ++i)
            m_uuids << E::uuidNuevo();
        for (int i = 0; i < m_uuids.size(); ++i)
            m_entorno->escribe(u"%1.xml"_s.arg(i), E::cfdi40(m_uuids.at(i)));
        // Another month, which the metadata below does not cover.
        m_entorno->escribe(u"otro-mes.xml"_s,
                           E::cfdi40(E::uuidNuevo()).replace(FECHA_REAL, "Fecha=\"2025-03-02T09:00:00\""));
        for (const TResultadoArchivo& r : m_entorno->importaCarpeta())
            QVERIFY2(r.estado == TResultadoArchivo::Importado, qPrintable(r.motivo));
        m_conexion = E::conexion(RFC);
        m_idNegocio = TNegocio::getByRFC(RFC, m_conexion)->id();
    }
    void cleanup()
    {
        Conexiones::cierraHilo();
        m_entorno.reset();
    }

    // Each kind of finding, and none where the two agree: a cancelled
    // voucher, an amount that differs (its UUID written in lower case), a
    // voucher listed and never received, one stored and not listed in a
    // month the metadata covers (and not in one it does not), and the rows of
    // vouchers this business received: missing only when no business here
    // issued them.
    void cadaHallazgo()
    {
        const QString faltante = E::uuidNuevo();
        const QString recibidoAjeno = E::uuidNuevo();
        const TFila cancelado{.uuid = m_uuids.at(0), .estatus = u"0"_s, .fechaCancelacion = u"2025-02-01 12:30:00"_s};
        const TFila distinto{.uuid = m_uuids.at(1).toLower(), .monto = u"999.999999"_s};
        const TFila igual{m_uuids.at(2)};
        const TFila sinXml{.uuid = faltante, .monto = u"123456789012.123456"_s};
        const TFila ajeno{.uuid = recibidoAjeno, .emisor = u"AAA010101AAA"_s, .receptor = RFC};
        const TFila local{.uuid = E::uuidNuevo(), .emisor = u"AAA010101AAA"_s, .receptor = RFC, .emisorLocal = true};
        for (const TFila& f : {cancelado, distinto, igual, sinXml, ajeno, local})
            guarda(f);

        QStringList vistos;
        for (const THallazgoSat& h : ConciliacionSat::hallazgos(RFC, m_idNegocio, m_conexion, {RFC}))
            vistos << u"%1 %2 %3 %4 %5"_s.arg(THallazgoSat::nombre(h.tipo), h.uuid, h.total, h.monto,
                                              h.fechaCancelacion);
        QStringList esperados{
            u"Cancelado %1 1000 1000 2025-02-01 12:30:00"_s.arg(m_uuids.at(0)),
            u"Falta el XML %1  123456789012.123456 "_s.arg(faltante),
            u"Falta el XML %1  1000 "_s.arg(recibidoAjeno),
            u"Sin metadatos %1 1000  "_s.arg(m_uuids.at(3)),
            u"Importe distinto %1 1000 999.999999 "_s.arg(m_uuids.at(1)),
        };
        vistos.sort();
        esperados.sort();
        QCOMPARE(vistos, esperados);
        // The start page's counts, taken by the database, are the same.
        QCOMPARE(ConciliacionSat::cuentaHallazgos(RFC, m_idNegocio, m_conexion, {RFC}), (QList<int>{1, 2, 1, 1}));

        const std::unique_ptr<TComprobante> marcado = E::comprobante(RFC, m_uuids.at(0));
        QCOMPARE(marcado->getEstatus(), TComprobante::ESTADO_FACTURA_CANCELADA);
        QCOMPARE(marcado->getFechacancelacion(), QDateTime(QDate(2025, 2, 1), QTime(12, 30)));
        QCOMPARE(E::comprobante(RFC, m_uuids.at(1))->getEstatus(), TComprobante::ESTADO_FACTURA_ACTIVA);
    }

    // The counts the start page shows, taken by the database, are the
    // findings' own (each kind: cadaHallazgo): rows name the fixture's
    // vouchers "0".."3", the row's own further vouchers "x0".., and a voucher
    // never stored "-".
    void cuentas_data()
    {
        QTest::addColumn<QStringList>("fechas");
        QTest::addColumn<QList<TFila>>("filas");
        QTest::addColumn<QStringList>("registrados");
        QTest::addColumn<QList<int>>("cuentas"); // cancelled, no XML, no metadata, other amount
        const QString ajeno = u"AAA010101AAA"_s;
        QTest::newRow("emisores escritos de otro modo")
            << QStringList()
            << QList<TFila>{{.uuid = u"0"_s, .emisor = RFC.toLower()},
                            {.uuid = u"-"_s, .emisor = u"aaa010101aaa"_s, .receptor = RFC},
                            {.uuid = u"-"_s, .emisor = u"BBB010101BBB"_s, .receptor = RFC}}
            << QStringList{u" "_s + RFC, ajeno + u" "_s} << QList<int>{0, 1, 3, 0};
        QTest::newRow("bordes de mes") << QStringList{u"2025-01-31T23:59:59"_s, u"2025-02-01T00:00:00"_s,
                                                      u"2024-12-31T23:59:59"_s, u"2025-02-28T23:59:59"_s,
                                                      u"2025-03-01T00:00:00"_s}
                                       << QList<TFila>{{.uuid = u"0"_s},
                                                       {.uuid = u"-"_s, .fecha = u"2025-02-01T00:00:00"_s}}
                                       << QStringList{RFC} << QList<int>{0, 1, 6, 0};
        QTest::newRow("cancelado con otro importe, y sin monto")
            << QStringList{u"2025-03-31T23:59:59"_s}
            << QList<TFila>{{.uuid = u"0"_s, .estatus = u"0"_s, .monto = u"5"_s},
                            {.uuid = u"1"_s, .monto = QString()},
                            {.uuid = u"x0"_s, .monto = u"1000.000001"_s, .fecha = u"2025-03-31 23:59:59"_s}}
            << QStringList() << QList<int>{1, 0, 3, 2};
        QTest::newRow("solo recibidos") << QStringList()
                                        << QList<TFila>{{.uuid = u"-"_s, .emisor = ajeno, .receptor = RFC},
                                                        {.uuid = u"0"_s, .emisor = ajeno, .receptor = RFC}}
                                        << QStringList() << QList<int>{0, 1, 0, 0};
    }
    void cuentas()
    {
        QFETCH(QStringList, fechas);
        QFETCH(QList<TFila>, filas);
        QFETCH(QStringList, registrados);
        QFETCH(QList<int>, cuentas);
        QStringList propios;
        if (!fechas.isEmpty()) {
            Conexiones::cierraHilo();
            QDir(m_entorno->entrada()).removeRecursively();
            for (const QString& fecha : fechas) {
                propios << E::uuidNuevo();
                m_entorno->escribe(propios.last() + u".xml"_s,
                                   E::cfdi40(propios.last()).replace(FECHA_REAL, "Fecha=\"" + fecha.toLatin1() + '"'));
            }
            for (const TResultadoArchivo& r : m_entorno->importaCarpeta())
                QVERIFY2(r.estado == TResultadoArchivo::Importado, qPrintable(r.motivo));
        }
        for (TFila f : filas) {
            f.uuid = f.uuid == u"-"_s          ? E::uuidNuevo()
                     : f.uuid.startsWith(u'x') ? propios.at(f.uuid.mid(1).toInt())
                                               : m_uuids.at(f.uuid.toInt());
            guarda(f);
        }
        const QSet<QString> locales(registrados.cbegin(), registrados.cend());
        QCOMPARE(ConciliacionSat::cuentaPorTipo(ConciliacionSat::hallazgos(RFC, m_idNegocio, m_conexion, locales)),
                 cuentas);
        QCOMPARE(ConciliacionSat::cuentaHallazgos(RFC, m_idNegocio, m_conexion, locales), cuentas);
    }

    // The same UUID from two packages, in either order: the newer package
    // decides, a cancellation wins at the same date, and the voucher follows.
    void laFilaMasNueva_data()
    {
        QTest::addColumn<QString>("primero");
        QTest::addColumn<int>("diaPrimero");
        QTest::addColumn<QString>("segundo");
        QTest::addColumn<int>("diaSegundo");
        QTest::addColumn<bool>("cancelado");
        QTest::newRow("cancelado después de vigente") << "1" << 1 << "0" << 2 << true;
        QTest::newRow("vigente de un paquete más viejo") << "0" << 2 << "1" << 1 << true;
        QTest::newRow("el mismo día") << "0" << 2 << "1" << 2 << true;
        QTest::newRow("vigente de un paquete más nuevo") << "0" << 1 << "1" << 2 << false;
        QTest::newRow("vigente dos veces") << "1" << 1 << "1" << 2 << false;
    }
    void laFilaMasNueva()
    {
        QFETCH(QString, primero);
        QFETCH(int, diaPrimero);
        QFETCH(QString, segundo);
        QFETCH(int, diaSegundo);
        QFETCH(bool, cancelado);
        for (const auto& [estatus, dia] : {std::pair(primero, diaPrimero), std::pair(segundo, diaSegundo)})
            guarda({.uuid = m_uuids.at(0),
                    .estatus = estatus,
                    .fechaCancelacion = estatus == "0"_L1 ? u"2025-02-01 12:30:00"_s : QString(),
                    .paquete = QDateTime(QDate(2025, 3, dia), QTime(8, 0))});
        const QList<TMetadatosat> filas =
            TMetadatosat::busca(TMetadatosat::columna(TMetadatosat::col_Uuid) == m_uuids.at(0), m_conexion);
        QCOMPARE(filas.size(), 1);
        QCOMPARE(filas.first().cancelado(), cancelado);
        QCOMPARE(E::comprobante(RFC, m_uuids.at(0))->getEstatus(),
                 cancelado ? TComprobante::ESTADO_FACTURA_CANCELADA : TComprobante::ESTADO_FACTURA_ACTIVA);
    }

    // A voucher whose metadata came first is stored marked, and the job
    // counts it.
    void comprobanteDespuesDeSusMetadatos()
    {
        const QString uuid = E::uuidNuevo();
        guarda({.uuid = uuid, .estatus = u"0"_s, .fechaCancelacion = u"2025-02-03 10:00:00"_s});
        Conexiones::cierraHilo();
        QDir(m_entorno->entrada()).removeRecursively();
        m_entorno->escribe(u"tarde.xml"_s, E::cfdi40(uuid));
        TResumenImportacion resumen;
        for (const TResultadoArchivo& r : m_entorno->importaCarpeta())
            resumen.agrega(r);
        QCOMPARE(resumen.importados, 1);
        QCOMPARE(resumen.cancelados, 1);
        const std::unique_ptr<TComprobante> guardado = E::comprobante(RFC, uuid);
        QCOMPARE(guardado->getEstatus(), TComprobante::ESTADO_FACTURA_CANCELADA);
        QCOMPARE(guardado->getFechacancelacion(), QDateTime(QDate(2025, 2, 3), QTime(10, 0)));
    }

    // The SAT lists a voucher this business received from an issuer not on
    // this computer yet; a later job imports its XML, which makes the
    // issuer's business: the XML is no longer missing, on the start page nor
    // in the report of every business.
    void emisorImportadoDespues()
    {
        const auto& [archivo, uuidMuestra] = E::MUESTRAS.at(2);
        const QString uuid = E::uuidNuevo();
        guarda({.uuid = uuid, .emisor = u"EKU9003173C9"_s, .receptor = RFC});
        QCOMPARE(ResumenInicio::conciliacion(m_conexion, RFC, m_idNegocio).sinXml, 1);
        Conexiones::cierraHilo();
        QDir(m_entorno->entrada()).removeRecursively();
        m_entorno->escribe(u"emisor.xml"_s, E::variante(archivo, {{uuidMuestra, uuid.toLatin1()}}));
        for (const TResultadoArchivo& r : m_entorno->importaCarpeta())
            QVERIFY2(r.estado == TResultadoArchivo::Importado, qPrintable(r.motivo));

        QCOMPARE(ResumenInicio::conciliacion(m_conexion, RFC, m_idNegocio).sinXml, 0);
        const auto reporte =
            ImportacionCarpeta::escribeConciliacion(m_entorno->carpeta.archivo(u"conciliacion.csv"_s),
                                                    QString::fromUtf8(E::EMAIL), QString::fromUtf8(E::PASSWORD));
        QCOMPARE(reporte.negocios, 2);
        QCOMPARE(reporte.hallazgos, 0);
    }

    // A voucher written in the hour Tijuana skips into daylight saving keeps
    // its month there: the metadata of that month do not list it.
    void horaSaltada()
    {
        const TZonaHoraria tijuana("America/Tijuana");
        const QString saltada = E::uuidNuevo();
        m_entorno->escribe(u"saltada.xml"_s, E::cfdi40(saltada).replace(FECHA_REAL, "Fecha=\"2025-03-09T02:30:00\""));
        for (const TResultadoArchivo& r : m_entorno->importaCarpeta())
            QVERIFY2(r.estado == TResultadoArchivo::Importado || r.estado == TResultadoArchivo::YaExistia,
                     qPrintable(r.motivo));
        guarda({.uuid = E::uuidNuevo(), .fecha = u"2025-03-20 12:00:00"_s});
        QStringList sinMetadatos;
        for (const THallazgoSat& h : ConciliacionSat::hallazgos(RFC, m_idNegocio, m_conexion, {RFC}))
            if (h.tipo == THallazgoSat::TTipo::SinMetadatos)
                sinMetadatos << h.uuid + u' ' + h.fecha;
        QVERIFY2(sinMetadatos.contains(saltada + u" 2025-03-09 02:30:00"_s), qPrintable(sinMetadatos.join(u", "_s)));
    }

    // A database the reconciliation cannot read (here, its vouchers' table
    // lost a column) is refused in the user's words; the engine's own stay
    // in the log.
    void baseIlegible()
    {
        guarda({.uuid = E::uuidNuevo()});
        const QString columna = TComprobante::columna(TComprobante::col_Nombrereceptor).columna().nombre;
        QVERIFY(QSqlQuery(Conexiones::baseDatos(m_conexion))
                    .exec(u"ALTER TABLE %1 DROP %2"_s.arg(TComprobante::tablaEsquema().nombre, columna)));
        QString mensaje;
        try {
            ConciliacionSat::hallazgos(RFC, m_idNegocio, m_conexion, {});
        } catch (const EBaseDatos& e) {
            mensaje = e.mensaje();
        }
        QVERIFY2(mensaje.startsWith(u"No se pudo preparar la conciliación con el SAT: el motor de base de datos no lo "
                                    "aceptó"_s),
                 qPrintable(mensaje));
        QVERIFY(m_entorno->carpeta.log().contains(columna));
    }

    // Names with commas, quotes and accents stay whole; a name that a
    // spreadsheet would run as a formula does not run.
    void csv()
    {
        THallazgoSat h;
        h.tipo = THallazgoSat::TTipo::FaltaXml;
        h.rfc = RFC;
        h.uuid = m_uuids.at(0);
        h.nombreEmisor = u"PASE, \"SERVICIOS\" ÑANDÚ"_s;
        h.nombreReceptor = u"=HYPERLINK(\"x\")"_s;
        h.monto = u"-10.5"_s;
        QBuffer destino;
        destino.open(QIODevice::WriteOnly);
        ConciliacionSat::escribeCsv(destino, {h}, true);
        const QByteArray esperado =
            "\xEF\xBB\xBF"
            "RFC,UUID,Tipo,Fecha,Fecha de cancelación,RFC emisor,Nombre emisor,RFC receptor,"
            "Nombre receptor,Total guardado,Monto SAT\r\n" +
            u"%1,%2,Falta el XML,,,,\"PASE, \"\"SERVICIOS\"\" ÑANDÚ\",,\"'=HYPERLINK(\"\"x\"\")\",,-10.5\r\n"_s
                .arg(RFC, m_uuids.at(0))
                .toUtf8();
        QCOMPARE(destino.data(), esperado);
    }

private:
    void guarda(const TFila& f)
    {
        TTransaccion transaccion(m_conexion);
        ConciliacionSat::guarda(registro(f), m_idNegocio, TUnidadTrabajo(m_conexion, -1));
        transaccion.commit();
    }

    std::unique_ptr<TEntornoImportacion> m_entorno;
    QStringList m_uuids;
    TConexionSesion m_conexion;
    int m_idNegocio = -1;
};

QTEST_GUILESS_MAIN(TstConciliacion)
#include "tst_conciliacion.moc"

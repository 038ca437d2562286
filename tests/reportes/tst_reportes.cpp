#include "CarpetaPrograma.h"
#include "ConsultaComprobantes.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Entidades.h"
#include "NegocioPrueba.h"
#include "Prompter.h"
#include "Sistema.h"
#include "shell/TContenedorTexto.h"
#include "shell/TEtiquetaAccion.h"
#include "negocio/TIngreso.h"
#include "shell/TMainFrm.h"
#include "TModeloComprobantes.h"
#include "app/Ventanas.h"
#include "Piezas.h"

#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QChartView>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

using namespace Constantes;

Q_DECLARE_METATYPE(TTotalMensual)

namespace {

TDecimal d(const char* texto)
{
    return TDecimal::desdeTexto(QString::fromLatin1(texto));
}

QDateTime fecha(const char* texto)
{
    return QDateTime::fromString(QString::fromLatin1(texto), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

const QByteArray XML_V2 =
    QByteArrayLiteral("<cfdi:Comprobante Version=\"4.0\" Total=\"116.00\">Papelería</cfdi:Comprobante>");

// Vouchers of two businesses, stored through the entity package.
class TComprobantesPrueba {
public:
    explicit TComprobantesPrueba(const TConexionSesion& c) : conexion(c), unidad(c, 1)
    {
        negocio = guardaNegocio(QStringLiteral("Papelería"));
        otroNegocio = guardaNegocio(QStringLiteral("Otra"));
        const TCliente publico = cliente(QStringLiteral("XAXX010101000"), QStringLiteral("PÚBLICO EN GENERAL"));
        const TCliente nandu =
            cliente(QStringLiteral("CNA010101AB1"), QStringLiteral("COMERCIAL ÑANDÚ, S.A. \"LA BUENA\""));
        const TCliente formula = cliente(QStringLiteral("FOR010101AAA"), QStringLiteral("=HYPERLINK(\"http://x\")"));
        comprobante(negocio, "2023-12-31 10:00:00", "P", "P", "1", publico, "0", "0", "0", "0", "UUID-1", "4.0");
        idV2 = comprobante(negocio, "2024-01-15 09:30:00", "I", "A", "1", publico, "100.00", "16.00", "0", "116.00",
                           "UUID-2", "4.0", XML_V2);
        comprobante(negocio, "2024-01-31 23:59:59", "I", "A", "2", nandu, "1234567890.123456", "197530862.419753",
                    "10.5", "1432098742.043209", "UUID-3", "3.3");
        comprobante(negocio, "2024-02-01 00:00:00", "E", "NC", "1", nandu, "0.10", "0.016", "0", "0.116", "UUID-4",
                    "4.0");
        comprobante(negocio, "2024-03-20 12:00:00", "N", "N", "5", formula, "5000", "0", "500.25", "4499.75", "UUID-5",
                    "4.0");
        comprobante(otroNegocio, "2024-01-20 08:00:00", "I", "X", "9", publico, "999", "0", "0", "999", "UUID-6",
                    "4.0");
    }

    TNegocio guardaNegocio(const QString& nombre)
    {
        TNegocio n;
        n.setNombre(nombre);
        return TNegocio::saveOrUpdate(n, unidad);
    }

    TCliente cliente(const QString& rfc, const QString& razon)
    {
        TDatosfiscales fiscales;
        fiscales.setRfc(rfc);
        fiscales.setRazon(razon);
        TCliente c;
        c.setNegocio(negocio);
        c.setDatosfiscales(TDatosfiscales::saveOrUpdate(fiscales, unidad));
        return TCliente::saveOrUpdate(c, unidad);
    }

    int comprobante(const TNegocio& dueno, const char* emision, const char* tipo, const char* serie, const char* folio,
                    const TCliente& receptor, const char* subtotal, const char* trasladados, const char* retenidos,
                    const char* total, const char* uuid, const char* version, const QByteArray& xml = QByteArray())
    {
        TComprobante c;
        c.setNegocio(dueno);
        c.setCliente(receptor);
        c.setFechaemision(fecha(emision));
        c.setTipocomprobante(QString::fromLatin1(tipo));
        c.setSerie(QString::fromLatin1(serie));
        c.setFolio(QString::fromLatin1(folio));
        c.setRfcreceptor(receptor.getDatosfiscales()->getRfc());
        c.setSubtotal(d(subtotal));
        c.setTotalimpuestostrasladados(d(trasladados));
        c.setTotalimpuestosretenidos(d(retenidos));
        c.setTotal(d(total));
        c.setUuid(QString::fromLatin1(uuid));
        c.setVersion(d(version));
        c.setComprobantexml(xml);
        return TComprobante::saveOrUpdate(c, unidad).getIdcomprobante();
    }

    TFiltroComprobantes filtro() const
    {
        TFiltroComprobantes f;
        f.idNegocio = negocio.getIdnegocio();
        return f;
    }

    TConexionSesion conexion;
    TUnidadTrabajo unidad;
    TNegocio negocio;
    TNegocio otroNegocio;
    int idV2 = -1;
};

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

TEtiquetaAccion* filaMenu(const QString& texto)
{
    for (TEtiquetaAccion* e : pieza<QWidget>(MainFrm, "TxMenus")->findChildren<TEtiquetaAccion*>())
        if (e->text() == texto)
            return e;
    return nullptr;
}

} // namespace

class TstReportes : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void filtros_data()
    {
        QTest::addColumn<QDate>("desde");
        QTest::addColumn<QDate>("hasta");
        QTest::addColumn<QString>("tipo");
        QTest::addColumn<QString>("receptor");
        QTest::addColumn<QStringList>("esperados");
        QTest::addColumn<QString>("subtotal");
        QTest::addColumn<QString>("total");
        const auto f = [](const char* caso, const char* desde, const char* hasta, const char* tipo,
                          const char* receptor, const char* esperados, const char* subtotal, const char* total) {
            const auto t = [](const char* c) { return QString::fromUtf8(c); };
            QTest::newRow(caso) << QDate::fromString(t(desde), Qt::ISODate) << QDate::fromString(t(hasta), Qt::ISODate)
                                << t(tipo) << t(receptor) << t(esperados).split(QLatin1Char(','), Qt::SkipEmptyParts)
                                << t(subtotal) << t(total);
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
        TCarpetaPrograma carpeta;
        TComprobantesPrueba datos(carpeta.nuevaBaseNegocio());
        TFiltroComprobantes f = datos.filtro();
        f.desde = desde;
        f.hasta = hasta;
        f.tipo = tipo;
        f.receptor = receptor;
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
        QTest::newRow("sin fechas: del primer al último mes")
            << QDate() << QDate()
            << QList<TTotalMensual>{{QDate(2023, 12, 1), d("0")},
                                    {QDate(2024, 1, 1), d("1432098858.043209")},
                                    {QDate(2024, 2, 1), d("0.116")},
                                    {QDate(2024, 3, 1), d("4499.75")}};
        QTest::newRow("meses sin comprobantes en cero") << QDate(2024, 2, 15) << QDate(2024, 5, 2)
                                                        << QList<TTotalMensual>{{QDate(2024, 2, 1), TDecimal()},
                                                                                {QDate(2024, 3, 1), d("4499.75")},
                                                                                {QDate(2024, 4, 1), TDecimal()},
                                                                                {QDate(2024, 5, 1), TDecimal()}};
    }
    void totalesMensuales()
    {
        QFETCH(QDate, desde);
        QFETCH(QDate, hasta);
        QFETCH(QList<TTotalMensual>, meses);
        TCarpetaPrograma carpeta;
        TComprobantesPrueba datos(carpeta.nuevaBaseNegocio());
        TFiltroComprobantes f = datos.filtro();
        f.desde = desde;
        f.hasta = hasta;
        QCOMPARE(ConsultaComprobantes::totalesMensuales(datos.conexion, f), meses);
    }

    void exportaCsv()
    {
        TCarpetaPrograma carpeta;
        TComprobantesPrueba datos(carpeta.nuevaBaseNegocio());
        TFiltroComprobantes enero = datos.filtro();
        enero.desde = QDate(2024, 1, 1);
        enero.hasta = QDate(2024, 1, 31);
        const QByteArray esperado =
            QByteArrayLiteral("\xEF\xBB\xBF") +
            QStringLiteral("Fecha,Tipo,Serie,Folio,RFC receptor,Receptor,Subtotal,Impuestos trasladados,"
                           "Impuestos retenidos,Total,UUID,Versión\r\n"
                           "2024-01-31 23:59:59,I,A,2,CNA010101AB1,\"COMERCIAL ÑANDÚ, S.A. \"\"LA BUENA\"\"\","
                           "1234567890.123456,197530862.419753,10.50,1432098742.043209,UUID-3,3.3\r\n"
                           "2024-01-15 09:30:00,I,A,1,XAXX010101000,PÚBLICO EN GENERAL,100.00,16.00,0.00,116.00,"
                           "UUID-2,4.0\r\n")
                .toUtf8();
        QCOMPARE(csv(datos.conexion, enero), esperado);

        // A name a spreadsheet would run as a formula is kept as text; amounts
        // keep their sign.
        TFiltroComprobantes nomina = datos.filtro();
        nomina.tipo = QStringLiteral("N");
        const QList<QByteArray> lineas = csv(datos.conexion, nomina).split('\n');
        QCOMPARE(lineas.size(), 3);
        QCOMPARE(lineas.at(1),
                 QByteArrayLiteral("2024-03-20 12:00:00,N,N,5,FOR010101AAA,\"'=HYPERLINK(\"\"http://x\"\")\","
                                   "5000.00,0.00,500.25,4499.75,UUID-5,4.0\r"));
        QCOMPARE(ConsultaComprobantes::campoCsv(QStringLiteral("-500.25"), false), QStringLiteral("-500.25"));
        QCOMPARE(ConsultaComprobantes::campoCsv(QStringLiteral("-texto"), true), QStringLiteral("'-texto"));
    }

    void importesExactos_data()
    {
        QTest::addColumn<QString>("importe");
        QTest::addColumn<QString>("mostrado");
        QTest::newRow("miles") << QStringLiteral("1234567890.123456") << QStringLiteral("1,234,567,890.123456");
        QTest::newRow("centavos") << QStringLiteral("0.1") << QStringLiteral("0.10");
        QTest::newRow("negativo") << QStringLiteral("-1234.5") << QStringLiteral("-1,234.50");
        QTest::newRow("tres cifras") << QStringLiteral("-999") << QStringLiteral("-999.00");
    }
    void importesExactos()
    {
        QFETCH(QString, importe);
        QFETCH(QString, mostrado);
        QCOMPARE(ConsultaComprobantes::textoImporte(TDecimal::desdeTexto(importe)), mostrado);
    }

    void paginas()
    {
        TCarpetaPrograma carpeta;
        TComprobantesPrueba datos(carpeta.nuevaBaseNegocio());
        TNegocio grande = datos.guardaNegocio(QStringLiteral("Grande"));
        const TCliente publico = datos.cliente(QStringLiteral("XAXX010101000"), QStringLiteral("PÚBLICO EN GENERAL"));
        {
            TTransaccion transaccion(datos.conexion);
            for (int i = 0; i < 450; ++i) {
                const QByteArray emision = QDateTime(QDate(2024, 1, 1), QTime(0, 0))
                                               .addSecs(i * 3600)
                                               .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                               .toLatin1();
                const QByteArray uuid = QByteArray::number(i);
                datos.comprobante(grande, emision.constData(), "I", "A", uuid.constData(), publico, "1", "0.16", "0",
                                  "1.16", uuid.constData(), "4.0");
            }
            transaccion.commit();
        }
        TFiltroComprobantes f;
        f.idNegocio = grande.getIdnegocio();
        TModeloComprobantes modelo;
        modelo.consulta(datos.conexion, f);
        QList<int> cargadas{modelo.rowCount()};
        while (modelo.canFetchMore(QModelIndex())) {
            modelo.fetchMore(QModelIndex());
            cargadas << modelo.rowCount();
        }
        QCOMPARE(cargadas, (QList<int>{200, 400, 450}));
        QCOMPARE(modelo.fila(0).folio, QStringLiteral("449"));
        QCOMPARE(modelo.fila(449).folio, QStringLiteral("0"));
        QCOMPARE(modelo.data(modelo.index(0, TModeloComprobantes::Total)).toString(), QStringLiteral("1.16"));
        QCOMPARE(ConsultaComprobantes::totales(datos.conexion, f).total.texto(), QStringLiteral("522"));
    }

    void xmlGuardado()
    {
        TCarpetaPrograma carpeta;
        TComprobantesPrueba datos(carpeta.nuevaBaseNegocio());
        QCOMPARE(ConsultaComprobantes::xml(datos.conexion, datos.negocio.getIdnegocio(), datos.idV2), XML_V2);
        // Another business's reports never open it.
        QVERIFY(ConsultaComprobantes::xml(datos.conexion, datos.otroNegocio.getIdnegocio(), datos.idV2).isEmpty());
    }

    void desdeElMenu()
    {
        TCarpetaPrograma carpeta;
        TColaRespuestas respuestas;
        QVERIFY(QFile::copy(QStringLiteral(VELKOR_PAQUETE_REPORTES),
                            carpeta.archivo(QStringLiteral("Plugins/Reportes.bpl"))));
        NegocioPrueba::creaRegistro(carpeta);
        const QString correo = QStringLiteral("dueno@escuela.mx");
        NegocioPrueba::registra(NegocioPrueba::RFC_ESCUELA, QStringLiteral("Escuela Kemper"), correo, QString());
        NegocioPrueba::registra(NegocioPrueba::RFC_ACCEM, QStringLiteral("Accem"), correo, QString());
        QCOMPARE(Ingreso::ingresa(NegocioPrueba::RFC_ESCUELA, correo, QString()), Ingreso::TResultado::Correcto);
        // The vouchers of the signed-in business.
        TComprobantesPrueba datos(*Sistema::Conexion);
        datos.negocio = *Sistema::Negocio;
        const TCliente publico = datos.cliente(QStringLiteral("XAXX010101000"), QStringLiteral("PÚBLICO EN GENERAL"));
        datos.comprobante(datos.negocio, "2024-01-15 09:30:00", "I", "A", "1", publico, "100.00", "16.00", "0",
                          "116.00", "UUID-A1", "4.0", XML_V2);
        datos.comprobante(datos.negocio, "2024-02-10 10:00:00", "I", "A", "2", publico, "1234567890.123456", "0", "0",
                          "1234567890.123456", "UUID-A2", "4.0");
        datos.comprobante(datos.negocio, "2024-02-11 10:00:00", "E", "NC", "1", publico, "0.10", "0", "0", "0.10",
                          "UUID-A3", "4.0");

        TMainFrm ventana;
        MainFrm = &ventana;
        ventana.show();
        TEtiquetaAccion* reportes = filaMenu(NOMBRE_REPORTES);
        QVERIFY(reportes);
        QTest::mouseClick(reportes, Qt::LeftButton);
        QTest::mouseClick(filaMenu(QStringLiteral("Comprobantes")), Qt::LeftButton);
        QVERIFY(respuestas.textos().isEmpty());
        QWidget* contenido = ventana.findChild<QWidget*>(QStringLiteral("ReportesComprobantes"));
        QCOMPARE(ventana.VentanaActiva.data(), contenido);
        QCOMPARE(ventana.VentanaMenuLateralActiva->objectName(), QStringLiteral("ReportesPeriodos"));
        auto* tabla = contenido->findChild<QTableView*>(QStringLiteral("GrComprobantes"));
        QCOMPARE(tabla->model()->rowCount(), 3);
        QCOMPARE(tabla->model()->index(1, TModeloComprobantes::Subtotal).data().toString(),
                 QStringLiteral("1,234,567,890.123456"));
        QCOMPARE(pieza<QLabel>(contenido, "TxTotal")->text(), QStringLiteral("1,234,568,006.223456"));

        // Filtered by receiver and type.
        pieza<QLineEdit>(contenido, "EdReceptor")->setText(QStringLiteral("público"));
        auto* tipo = contenido->findChild<QComboBox*>(QStringLiteral("CmbTipo"));
        tipo->setCurrentIndex(tipo->findData(QStringLiteral("I")));
        QTest::mouseClick(contenido->findChild<QPushButton*>(QStringLiteral("BtBuscar")), Qt::LeftButton);
        QCOMPARE(tabla->model()->rowCount(), 2);
        QCOMPARE(pieza<QLabel>(contenido, "TxCantidad")->text(), QStringLiteral("2"));
        QCOMPARE(pieza<QLabel>(contenido, "TxTotal")->text(), QStringLiteral("1,234,568,006.123456"));

        // The chart: one bar a month.
        auto* grafica = contenido->findChild<QChartView*>(QStringLiteral("GrMensual"));
        auto* barras = qobject_cast<QBarSeries*>(grafica->chart()->series().value(0));
        QVERIFY(barras);
        QCOMPARE(barras->barSets().value(0)->count(), 2);
        QCOMPARE(barras->barSets().value(0)->at(0), 116.0);

        // The CSV of what the filter takes (its content is checked above).
        const QString archivo = carpeta.archivo(QStringLiteral("Reporte.csv"));
        bool exportado = false;
        QVERIFY(
            QMetaObject::invokeMethod(contenido, "exportaCsv", Q_RETURN_ARG(bool, exportado), Q_ARG(QString, archivo)));
        QVERIFY(exportado && QFileInfo(archivo).size() > 0);

        // A voucher shows its stored XML.
        const int fila = tabla->model()->rowCount() - 1;
        QVERIFY(QMetaObject::invokeMethod(contenido, "abreComprobante", Q_ARG(int, fila)));
        auto* dialogo = contenido->findChild<QDialog*>(QStringLiteral("DlgComprobanteXml"));
        QVERIFY(dialogo && dialogo->isVisible());
        QCOMPARE(pieza<QPlainTextEdit>(dialogo, "EdXml")->toPlainText(), QString::fromUtf8(XML_V2));
        dialogo->close();

        // The chart's entry opens the same window on its chart.
        QTest::mouseClick(filaMenu(QStringLiteral("Gráfica mensual")), Qt::LeftButton);
        QCOMPARE(pieza<QTabWidget>(contenido, "TbReportes")->currentIndex(), 1);

        // After a switch the window made for the first business shows the
        // second one's vouchers.
        ventana.cambiaNegocio(QStringLiteral("Tx") + NegocioPrueba::RFC_ACCEM);
        QCOMPARE(Sistema::Negocio->getDatosfiscales()->getRfc(), NegocioPrueba::RFC_ACCEM);
        ventana.OnClickVentanaNombre(QStringLiteral("GetVentanaReportesFrm"));
        QCOMPARE(tabla->model()->rowCount(), 0);
        QCOMPARE(pieza<QLabel>(contenido, "TxTituloReportes")->text(), QStringLiteral("Comprobantes de Accem"));

        // A user without the reports right cannot open any of its entries.
        NegocioPrueba::fijaPermisos(QStringLiteral("-1|0|-1|-1|-1|-1|-1|-1"));
        ventana.remueveVentanaActiva();
        ventana.VentanaActiva = nullptr;
        respuestas.limpia();
        QTest::mouseClick(reportes, Qt::LeftButton);
        QTest::mouseClick(filaMenu(QStringLiteral("Comprobantes")), Qt::LeftButton);
        QTest::mouseClick(filaMenu(QStringLiteral("Gráfica mensual")), Qt::LeftButton);
        QCOMPARE(respuestas.textos(), QStringList(3, ERROR_PERMISOS));
        QVERIFY(ventana.VentanaActiva.isNull());

        MainFrm = nullptr;
        NegocioPrueba::limpiaSesion();
    }
};

QTEST_MAIN(TstReportes)
#include "tst_reportes.moc"

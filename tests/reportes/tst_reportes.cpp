#include "ComprobantesPrueba.h"

#include "CarpetaPrograma.h"
#include "ConciliacionSat.h"
#include "ConsultaComprobantes.h"
#include "Constantes.h"
#include "Entidades.h"
#include "NegocioPrueba.h"
#include "Prompter.h"
#include "Sistema.h"
#include "shell/TEtiquetaAccion.h"
#include "negocio/RevisionSellos.h"
#include "negocio/TIngreso.h"
#include "shell/TMainFrm.h"
#include "Capturas.h"
#include "CertificadoAjeno.h"
#include "CertificadosPrueba.h"
#include "SelectorArchivos.h"
#include "TConciliacionSat.h"
#include "TModeloComprobantes.h"
#include "Piezas.h"
#include "TamanoLimitado.h"

#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QCheckBox>
#include <QChartView>
#include <QDateEdit>
#include <QHeaderView>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QAbstractProxyModel>
#include <QTest>

#include <functional>

using namespace Constantes;
using namespace Qt::StringLiterals;

namespace {

// The text of a PDF as a reader sees it.
QString textoPdf(const QString& pdf)
{
    QProcess proceso;
    proceso.start(u"pdftotext"_s, {u"-layout"_s, pdf, u"-"_s});
    proceso.waitForFinished(60000);
    return QString::fromUtf8(proceso.readAllStandardOutput()).replace(QRegularExpression(u"[ \\t]+"_s), u" "_s);
}

// The totals table of a reports page, one "Tipo|Moneda|…" text per row.
QStringList filasTotales(const QWidget* contenido)
{
    QStringList filas;
    const QAbstractItemModel* modelo = pieza<QTableView>(contenido, "GrTotales")->model();
    for (int f = 0; f < modelo->rowCount(); ++f) {
        QStringList celdas;
        for (int c = 0; c < modelo->columnCount(); ++c)
            celdas << modelo->index(f, c).data().toString();
        filas << celdas.join(u'|');
    }
    return filas;
}

TEtiquetaAccion* filaMenu(const QString& texto)
{
    for (TEtiquetaAccion* e : pieza<QWidget>(MainFrm, "TxMenus")->findChildren<TEtiquetaAccion*>())
        if (e->text() == texto)
            return e;
    return nullptr;
}

// The object names of the widgets Tab reaches from the focus, that one first:
// `pasos` more, or fewer when it gets to `hasta`.
QString recorrido(int pasos, const QString& hasta = QString())
{
    QStringList orden{QApplication::focusWidget()->objectName()};
    for (int paso = 0; paso < pasos && (hasta.isNull() || orden.last() != hasta); ++paso) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        orden << QApplication::focusWidget()->objectName();
    }
    return orden.join(u' ');
}

// The school signed in, with the reports package and three vouchers of its
// own (the first with a real XML); `antes` adds to them before the main
// window opens on the reports' vouchers from its menu.
struct TReportesDesdeElMenu {
    explicit TReportesDesdeElMenu(bool conAccem, const std::function<void(TComprobantesPrueba&)>& antes = {},
                                  const QString& nombre = u"Escuela Kemper"_s)
    {
        QVERIFY(QFile::copy(QStringLiteral(VELKOR_PAQUETE_REPORTES), carpeta.archivo(u"Plugins/Reportes.bpl"_s)));
        NegocioPrueba::creaRegistro(carpeta);
        const QString correo = u"dueno@escuela.mx"_s;
        NegocioPrueba::registra(NegocioPrueba::RFC_ESCUELA, nombre, correo, QString());
        if (conAccem)
            NegocioPrueba::registra(NegocioPrueba::RFC_ACCEM, u"Accem"_s, correo, QString());
        QCOMPARE(Ingreso::ingresa(NegocioPrueba::RFC_ESCUELA, correo, QString()), Ingreso::TResultado::Correcto);
        TComprobantesPrueba& datos = this->datos.emplace(*Sistema::Conexion);
        datos.negocio = *Sistema::Negocio;
        const TCliente publico = datos.cliente(u"XAXX010101000"_s, u"PÚBLICO EN GENERAL"_s);
        QFile real(QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/cfdi40-real.xml"));
        QVERIFY(real.open(QIODevice::ReadOnly));
        xmlReal = real.readAll();
        datos.comprobante(datos.negocio, "2024-01-15 09:30:00", "I", "A", "1", publico, "100.00", "16.00", "0",
                          "116.00", "UUID-A1", "4.0", xmlReal);
        datos.comprobante(datos.negocio, "2024-02-10 10:00:00", "I", "A", "2", publico, "1234567890.123456", "0", "0",
                          "1234567890.123456", "UUID-A2");
        datos.comprobante(datos.negocio, "2024-02-11 10:00:00", "E", "NC", "1", publico, "0.10", "0", "0", "0.10",
                          "UUID-A3");
        if (antes)
            antes(datos);

        MainFrm = &ventana.emplace();
        ventana->resize(1200, 800);
        ventana->show();
        reportes = filaMenu(NOMBRE_REPORTES);
        QVERIFY(reportes);
        QTest::mouseClick(reportes, Qt::LeftButton);
        QTest::mouseClick(filaMenu(u"Comprobantes"_s), Qt::LeftButton);
        QVERIFY(respuestas.textos().isEmpty());
        contenido = ventana->findChild<QWidget*>(u"ReportesComprobantes"_s);
    }
    ~TReportesDesdeElMenu()
    {
        MainFrm = nullptr;
        NegocioPrueba::limpiaSesion();
    }

    TCarpetaPrograma carpeta;
    TColaRespuestas respuestas;
    std::optional<TComprobantesPrueba> datos;
    QByteArray xmlReal;
    std::optional<TMainFrm> ventana;
    TEtiquetaAccion* reportes = nullptr;
    QWidget* contenido = nullptr;
};

} // namespace

class TstReportes : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    // The reconciliation's page, outside the main window: its counts, its
    // kinds, its CSV, and what it says with nothing to show.
    void paginaConciliacion()
    {
        TCarpetaPrograma carpeta;
        TColaRespuestas respuestas;
        TComprobantesPrueba datos(carpeta.nuevaBaseNegocio());
        const int id = datos.negocio.getIdnegocio();
        const QString rfc = u"PAP010101AAA"_s;
        metadato(datos.unidad, id, u"UUID-2"_s, rfc, "2024-01-15T09:30:00", "116.00", u"2024-02-03 10:11:12"_s);
        metadato(datos.unidad, id, u"UUID-4"_s, rfc, "2024-02-01T00:00:00", "0.116");
        metadato(datos.unidad, id, u"UUID-5"_s, rfc, "2024-01-31T08:00:00", "4500.00");
        metadato(datos.unidad, id, u"UUID-9"_s, rfc, "2024-01-20T08:00:00", "50.00");
        metadato(datos.unidad, id, u"UUID-10"_s, u"OTR010101AAA"_s, "2024-03-01T08:00:00", "1.5");

        TConciliacionSat pagina;
        pagina.resize(1100, 420);
        pagina.show();
        pagina.carga(rfc, id, datos.conexion);
        QVERIFY(respuestas.textos().isEmpty());
        QCOMPARE(pieza<QLabel>(&pagina, "TxCuentasConciliacion")->text(),
                 u"Con los metadatos del SAT: 1 cancelado, 2 sin XML, 1 sin metadatos y 1 con importe "
                 "distinto."_s);
        const QAbstractItemModel* tabla = pieza<QTableView>(&pagina, "GrHallazgos")->model();
        QStringList titulos;
        for (int c = 0; c < tabla->columnCount(); ++c)
            titulos << tabla->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(titulos, ConciliacionSat::columnasCsv());
        const int tipo = int(ConciliacionSat::columnasCsv().indexOf(u"Tipo"_s));
        const int uuid = int(ConciliacionSat::columnasCsv().indexOf(u"UUID"_s));
        QCOMPARE(columna(tabla, tipo), (QStringList{u"Cancelado"_s, u"Falta el XML"_s, u"Falta el XML"_s,
                                                    u"Sin metadatos"_s, u"Importe distinto"_s}));
        QCOMPARE(columna(tabla, uuid), (QStringList{u"UUID-2"_s, u"UUID-9"_s, u"UUID-10"_s, u"UUID-3"_s, u"UUID-5"_s}));
        Capturas::guarda(pagina, u"conciliacion-todos"_s);
        // A title sorts amounts by value, the empty last, and dates by the
        // moment, whether written with a T (the SAT) or a space (UUID-3's).
        auto* vista = pieza<QTableView>(&pagina, "GrHallazgos");
        const int monto = int(ConciliacionSat::columnasCsv().indexOf(u"Monto SAT"_s));
        vista->sortByColumn(monto, Qt::AscendingOrder);
        QCOMPARE(columna(tabla, monto), (QStringList{u"1.50"_s, u"50.00"_s, u"116.00"_s, u"4,500.00"_s, QString()}));
        const int fecha = int(ConciliacionSat::columnasCsv().indexOf(u"Fecha"_s));
        vista->sortByColumn(fecha, Qt::AscendingOrder);
        QCOMPARE(columna(tabla, uuid), (QStringList{u"UUID-2"_s, u"UUID-9"_s, u"UUID-5"_s, u"UUID-3"_s, u"UUID-10"_s}));
        // Shown as the vouchers' tab shows dates, whoever wrote them.
        QCOMPARE(columna(tabla, fecha).mid(2, 2), (QStringList{u"31/01/2024 08:00:00"_s, u"31/01/2024 23:59:59"_s}));

        // One kind at a time, and the CSV of what is shown, owner-only. A year
        // of metadata makes tens of thousands of findings: the choice filters
        // the findings read, it does not build the table again.
        auto* tipos = pieza<QComboBox>(&pagina, "CmbTipoHallazgo");
        QCOMPARE(tipos->itemText(2), u"Falta el XML (2)"_s);
        const auto* filtrados = qobject_cast<const QAbstractProxyModel*>(tabla);
        QVERIFY(filtrados);
        QSignalSpy vaciada(filtrados->sourceModel(), &QAbstractItemModel::modelReset);
        QSignalSpy quitadas(filtrados->sourceModel(), &QAbstractItemModel::rowsRemoved);
        tipos->setCurrentIndex(2);
        QCOMPARE(columna(tabla, uuid), (QStringList{u"UUID-9"_s, u"UUID-10"_s}));
        QCOMPARE(vaciada.count() + quitadas.count(), 0);
        QTemporaryDir destino;
        const QString ruta = destino.filePath(u"c.csv"_s);
        QVERIFY(pagina.exportaCsv(ruta));
        QCOMPARE(TCarpetaPrograma::lee(ruta),
                 QByteArrayLiteral("\xEF\xBB\xBF") +
                     (ConciliacionSat::columnasCsv().join(u',') +
                      u"\r\nPAP010101AAA,UUID-9,Falta el XML,2024-01-20T08:00:00,,PAP010101AAA,"
                      "EMISOR PAP010101AAA,XAXX010101000,PÚBLICO EN GENERAL,,50\r\n"
                      "PAP010101AAA,UUID-10,Falta el XML,2024-03-01T08:00:00,,OTR010101AAA,"
                      "EMISOR OTR010101AAA,XAXX010101000,PÚBLICO EN GENERAL,,1.5\r\n"_s)
                         .toUtf8());
        QCOMPARE(QFile::permissions(ruta) & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup),
                 QFile::Permissions());
        // A disk that takes nothing more by the end keeps the earlier CSV.
        const QByteArray anterior = TCarpetaPrograma::lee(ruta);
        {
            const TTamanoLimitado lleno(10);
            QVERIFY(!pagina.exportaCsv(ruta));
        }
        QCOMPARE(
            respuestas.textos().last(),
            u"No se pudo guardar el archivo %1: El archivo llegó al tamaño máximo que el sistema permite"_s.arg(ruta));
        QCOMPARE(TCarpetaPrograma::lee(ruta), anterior);
        const QString sinCarpeta = destino.filePath(u"borrada/c.csv"_s);
        QVERIFY(!pagina.exportaCsv(sinCarpeta));
        QCOMPARE(respuestas.textos().last(), u"No se pudo crear el archivo %1: No existe"_s.arg(sinCarpeta));
        Capturas::guarda(pagina, u"conciliacion-falta-xml"_s);

        // An issuer registered on this computer after its metadata were
        // stored: its XML went to its own business, and is not missing here.
        Sistema::rfcsRegistrados = [] { return QSet<QString>{u"OTR010101AAA"_s}; };
        pagina.carga(rfc, id, datos.conexion);
        Sistema::rfcsRegistrados = nullptr;
        QCOMPARE(columna(tabla, uuid), QStringList{u"UUID-9"_s});

        // A business without metadata is told how to get them.
        pagina.carga(u"OTR010101AAA"_s, datos.otroNegocio.getIdnegocio(), datos.conexion);
        QCOMPARE(pieza<QStackedWidget>(&pagina, "PnHallazgos")->currentWidget()->objectName(), u"TxSinHallazgos"_s);
        QVERIFY(pieza<QLabel>(&pagina, "TxSinHallazgos")
                    ->text()
                    .startsWith(u"Este negocio aún no tiene metadatos del SAT."_s));
        QVERIFY(!pieza<QPushButton>(&pagina, "BtExportarConciliacion")->isEnabled());
        QVERIFY(pieza<QLabel>(&pagina, "TxCuentasConciliacion")->isHidden());
        Capturas::guarda(pagina, u"conciliacion-sin-metadatos"_s);
    }

    // The same as the user meets them from the main window.
    void canceladosDesdeElMenu()
    {
        TReportesDesdeElMenu f(false, [](TComprobantesPrueba& datos) {
            const int id = datos.negocio.getIdnegocio();
            const QString rfc = NegocioPrueba::RFC_ESCUELA;
            metadato(datos.unidad, id, u"UUID-A1"_s, rfc, "2024-01-15T09:30:00", "116.00", u"2024-03-05 09:00:00"_s);
            metadato(datos.unidad, id, u"UUID-A2"_s, rfc, "2024-02-10T10:00:00", "1234567890.123456");
            metadato(datos.unidad, id, u"UUID-A3"_s, rfc, "2024-02-11T10:00:00", "0.10");
            metadato(datos.unidad, id, u"UUID-A4"_s, rfc, "2024-02-12T10:00:00", "20.00");
        });
        if (QTest::currentTestFailed())
            return;
        TMainFrm& ventana = *f.ventana;
        QWidget* contenido = f.contenido;
        auto* tabla = pieza<QTableView>(contenido, "GrComprobantes");
        const auto totales = [contenido] { return filasTotales(contenido); };
        QCOMPARE(tabla->model()->rowCount(), 3);
        QCOMPARE(pieza<QLabel>(contenido, "TxMostrando")->text(), u"Mostrando 3 de 3"_s);
        QCOMPARE(columna(tabla->model(), TModeloComprobantes::EstadoSat),
                 (QStringList{QString(), QString(), u"Cancelado el 05/03/2024"_s}));
        QCOMPARE(totales(), (QStringList{u"Egreso|MXN|1|0.10|0.00|0.00|0.10"_s,
                                         u"Ingreso|MXN|1|1,234,567,890.123456|0.00|0.00|1,234,567,890.123456"_s}));

        QCOMPARE(pieza<QLabel>(contenido, "TxNotaCancelados")->text(),
                 u"No suma 1 comprobante cancelado ante el SAT."_s);
        tabla->scrollTo(tabla->model()->index(0, TModeloComprobantes::EstadoSat));
        Capturas::guarda(*contenido, u"reportes-cancelados"_s);

        // The check box is reached with Tab after the list's buttons (Tab
        // moves between cells inside the list), and the space bar adds the
        // cancelled ones.
        ventana.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&ventana));
        tabla->setFocus();
        tabla->setCurrentIndex(tabla->model()->index(0, 0));
        pieza<QWidget>(contenido, "BtPdfLista")->setFocus(Qt::TabFocusReason);
        QCOMPARE(recorrido(5, u"ChSumarCancelados"_s),
                 u"BtPdfLista BtImprimir BtGuardarPdf BtVerComprobante ChSumarCancelados"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(totales(), (QStringList{u"Egreso|MXN|1|0.10|0.00|0.00|0.10"_s,
                                         u"Ingreso|MXN|2|1,234,567,990.123456|16.00|0.00|1,234,568,006.123456"_s}));
        QCOMPARE(pieza<QLabel>(contenido, "TxNotaCancelados")->text(),
                 u"Incluyen 1 comprobante cancelado ante el SAT."_s);
        // The chart: January's only voucher was cancelled, so without it the
        // chart starts in February. Bars are doubles: two decimals still tell
        // a ten-digit amount from its neighbours.
        auto* grafica = pieza<QChartView>(contenido, "GrMensual");
        const auto barras = [grafica] {
            QStringList series;
            if (auto* b = qobject_cast<QBarSeries*>(grafica->chart()->series().value(0)))
                for (const QBarSet* conjunto : b->barSets())
                    series << u"%1: %2 meses, el primero %3"_s.arg(conjunto->label())
                                  .arg(conjunto->count())
                                  .arg(conjunto->at(0), 0, 'f', 2);
            return series;
        };
        QCOMPARE(barras(), (QStringList{u"Egreso MXN: 2 meses, el primero 0.00"_s,
                                        u"Ingreso MXN: 2 meses, el primero 116.00"_s}));
        Capturas::guarda(*contenido, u"reportes-cancelados-sumados"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(barras(), (QStringList{u"Egreso MXN: 1 meses, el primero 0.10"_s,
                                        u"Ingreso MXN: 1 meses, el primero 1234567890.12"_s}));

        // Its view says it first, in the warning colour.
        tabla->setFocus();
        tabla->setCurrentIndex(tabla->model()->index(2, 0));
        QTest::keyClick(tabla, Qt::Key_Return);
        QPointer<QDialog> dialogo = contenido->findChild<QDialog*>(u"DlgComprobante"_s);
        QVERIFY(dialogo && dialogo->isVisible());
        auto* aviso = pieza<QLabel>(dialogo, "TxCancelado");
        QCOMPARE(aviso->text(), u"Cancelado ante el SAT el 05/03/2024"_s);
        QCOMPARE(aviso->palette().color(QPalette::WindowText), TModeloComprobantes::COLOR_ALTERADO_TEXTO);
        Capturas::guarda(*dialogo, u"comprobante-cancelado"_s);
        QTest::keyClick(dialogo, Qt::Key_Escape);
        QTRY_VERIFY(dialogo.isNull());

        // Its PDF carries the mark.
        TColaArchivos archivos;
        QTemporaryDir destino;
        tabla->setCurrentIndex(tabla->model()->index(2, 0));
        archivos.agrega(destino.filePath(u"cancelado.pdf"_s));
        QTest::mouseClick(pieza<QPushButton>(contenido, "BtGuardarPdf"), Qt::LeftButton);
        if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty())
            QSKIP("pdftotext no está instalado");
        QVERIFY(textoPdf(destino.filePath(u"cancelado.pdf"_s)).contains(u"CANCELADO ANTE EL SAT el 05/03/2024"_s));
        if (Capturas::pedidas())
            QFile::copy(destino.filePath(u"cancelado.pdf"_s),
                        qEnvironmentVariable("VELKOR_CAPTURAS") + u"/comprobante-cancelado.pdf"_s);
        // The reconciliation: its own menu entry, that leaves the keyboard on
        // the page, and the tab reached by keyboard from the list.
        ventana.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&ventana));
        QTest::mouseClick(filaMenu(u"Conciliación con el SAT"_s), Qt::LeftButton);
        auto* paginas = pieza<QTabWidget>(contenido, "TbReportes");
        QCOMPARE(paginas->currentWidget()->objectName(), u"ConciliacionSat"_s);
        QCOMPARE(QApplication::focusWidget(), pieza<QWidget>(contenido, "CmbTipoHallazgo"));
        QCOMPARE(pieza<QLabel>(contenido, "TxCuentasConciliacion")->text(),
                 u"Con los metadatos del SAT: 1 cancelado, 1 sin XML, 0 sin metadatos y 0 con importe "
                 "distinto."_s);
        const QAbstractItemModel* hallazgos = pieza<QTableView>(contenido, "GrHallazgos")->model();
        QCOMPARE(columna(hallazgos, 1), (QStringList{u"UUID-A1"_s, u"UUID-A4"_s}));
        Capturas::guarda(*contenido, u"reportes-conciliacion"_s);
        paginas->setCurrentIndex(0);
        paginas->tabBar()->setFocus(Qt::TabFocusReason);
        QVERIFY(QApplication::focusWidget());
        QTest::keyClick(paginas->tabBar(), Qt::Key_Right);
        QTest::keyClick(paginas->tabBar(), Qt::Key_Right);
        QCOMPARE(paginas->currentWidget()->objectName(), u"ConciliacionSat"_s);
        QCOMPARE(recorrido(3), u"qt_tabwidget_tabbar CmbTipoHallazgo BtExportarConciliacion GrHallazgos"_s);
    }

    // The PDF of the list leaves out a voucher whose XML cannot be read and
    // names it at the end; the others are written, in one file or one each.
    void pdfDeLaLista_data()
    {
        QTest::addColumn<int>("accion");
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("aviso");
        QTest::newRow("un solo archivo")
            << 0 << u"lista.pdf"_s
            << u"Los 2 comprobantes se guardaron en %1.\n\nNo se pudieron escribir 1:\nUUID-A5: "_s;
        QTest::newRow("uno por comprobante")
            << 1 << QString() << u"Se guardaron 2 PDF en %1.\n\nNo se pudieron escribir 1:\nUUID-A5.pdf: "_s;
    }
    void pdfDeLaLista()
    {
        QFETCH(int, accion);
        QFETCH(QString, nombre);
        QFETCH(QString, aviso);
        TReportesDesdeElMenu f(false, [](TComprobantesPrueba& datos) {
            const TCliente publico = datos.cliente(u"XAXX010101000"_s, u"PÚBLICO EN GENERAL"_s);
            const QString cfdis = QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/");
            datos.comprobante(datos.negocio, "2024-01-20 10:00:00", "I", "A", "4", publico, "2010.01", "0", "0",
                              "2010.01", "UUID-A4", "3.3", TCarpetaPrograma::lee(cfdis + u"cfdi33-real.xml"_s));
            datos.comprobante(datos.negocio, "2024-01-25 10:00:00", "I", "A", "5", publico, "1000.00", "0", "0",
                              "1000.00", "UUID-A5", "4.0",
                              TCarpetaPrograma::lee(cfdis + u"cfdi40-real.xml"_s).left(900));
        });
        if (QTest::currentTestFailed())
            return;
        // January: the two good vouchers and the broken one.
        pieza<QCheckBox>(f.contenido, "ChPorFecha")->setChecked(true);
        pieza<QDateEdit>(f.contenido, "EdDesde")->setDate(QDate(2024, 1, 1));
        pieza<QDateEdit>(f.contenido, "EdHasta")->setDate(QDate(2024, 1, 31));
        QTRY_COMPARE(pieza<QTableView>(f.contenido, "GrComprobantes")->model()->rowCount(), 3);
        TColaArchivos archivos;
        QTemporaryDir destino;
        const QString ruta = nombre.isEmpty() ? destino.path() : destino.filePath(nombre);
        archivos.agrega(ruta);
        pieza<QPushButton>(f.contenido, "BtPdfLista")->menu()->actions().at(accion)->trigger();
        const QString texto = f.respuestas.textos().join(u'\n');
        QVERIFY2(texto.startsWith(aviso.arg(ruta)), qPrintable(texto));
        QCOMPARE(QDir(destino.path()).entryList(QDir::Files | QDir::Hidden).size(), nombre.isEmpty() ? 2 : 1);
        if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty())
            QSKIP("pdftotext no está instalado");
        QString impreso;
        for (const QString& pdf : QDir(destino.path()).entryList(QDir::Files))
            impreso += textoPdf(destino.filePath(pdf));
        QCOMPARE(impreso.count(u"Página 1 de"_s), 2);
        QVERIFY(impreso.contains(u"C2832671-DA6D-11EF-A83D-00155D012007"_s));
        QVERIFY(impreso.contains(u"CEE4BE01-ADFA-4DEB-8421-ADD60F0BEDAC"_s));
    }

    // On a 1024×768 screen, beside the periods, the list's buttons and the
    // totals are on view (not under the periods nor cut off), and Tab visits
    // the window as it reads: row by row, left to right.
    void cabeEn1024x768()
    {
        TReportesDesdeElMenu f(false);
        if (QTest::currentTestFailed())
            return;
        TMainFrm& ventana = *f.ventana;
        ventana.resize(1024, 768);
        QCoreApplication::processEvents();
        Capturas::guarda(ventana, u"reportes-1024x768"_s);
        const QWidget* area = pieza<QScrollArea>(&ventana, "SBPrincipal")->viewport();
        const QRect visible(area->mapTo(&ventana, QPoint(0, 0)), area->size());
        const QWidget* periodos = pieza<QWidget>(&ventana, "SBMenuLateral");
        QVERIFY(periodos->isVisible());
        const QRect lateral(periodos->mapTo(&ventana, QPoint(0, 0)), periodos->size());
        const auto texto = [](const QRect& r) {
            return u"%1,%2 %3×%4"_s.arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
        };
        for (const char* nombre : {"BtExportarCsv", "BtCertificadosSat", "BtPdfLista", "BtImprimir", "BtGuardarPdf",
                                   "BtVerComprobante", "ChSumarCancelados", "GrTotales"}) {
            const QWidget* pieza_ = pieza<QWidget>(f.contenido, QString::fromLatin1(nombre));
            const QRect donde(pieza_->mapTo(&ventana, QPoint(0, 0)), pieza_->size());
            QVERIFY2(
                pieza_->isVisible() && visible.contains(donde) && !lateral.intersects(donde),
                qPrintable(u"%1 en %2; se ve %3"_s.arg(QString::fromLatin1(nombre), texto(donde), texto(visible))));
        }
        // The "Total" column of the totals is on view too.
        auto* totales = pieza<QTableView>(f.contenido, "GrTotales");
        const int columnaTotal = totales->model()->columnCount() - 1;
        const QRect total(
            totales->viewport()->mapTo(&ventana, QPoint(totales->columnViewportPosition(columnaTotal), 0)),
            QSize(totales->columnWidth(columnaTotal), totales->viewport()->height()));
        QVERIFY(visible.contains(total) && !lateral.intersects(total));
        QVERIFY(totales->columnWidth(columnaTotal) >=
                static_cast<const QAbstractItemView*>(totales)->sizeHintForColumn(columnaTotal));

        // Tab, with the dates filtering and a voucher chosen: through the list
        // and on to its buttons.
        ventana.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&ventana));
        pieza<QDateEdit>(f.contenido, "EdDesde")->setDate(QDate(2024, 1, 1));
        pieza<QDateEdit>(f.contenido, "EdHasta")->setDate(QDate(2024, 12, 31));
        pieza<QCheckBox>(f.contenido, "ChPorFecha")->setChecked(true);
        auto* tabla = pieza<QTableView>(f.contenido, "GrComprobantes");
        QCOMPARE(tabla->model()->rowCount(), 3);
        tabla->setCurrentIndex(tabla->model()->index(0, 0));
        pieza<QWidget>(f.contenido, "ChPorFecha")->setFocus(Qt::TabFocusReason);
        QList<QWidget*> orden{QApplication::focusWidget()};
        for (int paso = 0; paso < 24 && orden.last()->objectName() != u"ChSumarCancelados"_s; ++paso) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            // A date's Tab first goes through its day, month and year.
            if (QApplication::focusWidget() != orden.last())
                orden << QApplication::focusWidget();
        }
        QStringList nombres;
        for (const QWidget* w : orden)
            nombres << w->objectName();
        QCOMPARE(nombres.join(u' '), u"ChPorFecha EdDesde EdHasta CmbTipo EdReceptor CmbSello BtExportarCsv "
                                     "BtCertificadosSat qt_tabwidget_tabbar GrComprobantes BtPdfLista BtImprimir "
                                     "BtGuardarPdf BtVerComprobante ChSumarCancelados"_s);
        // Each stop is on the row of the one before, further right, or on a
        // row below it.
        for (qsizetype i = 1; i < orden.size(); ++i) {
            const QRect antes(orden.at(i - 1)->mapTo(&ventana, QPoint(0, 0)), orden.at(i - 1)->size());
            const QRect ahora(orden.at(i)->mapTo(&ventana, QPoint(0, 0)), orden.at(i)->size());
            const bool mismaFila = qAbs(ahora.center().y() - antes.center().y()) < antes.height() / 2;
            QVERIFY2((mismaFila && ahora.left() > antes.left()) || ahora.top() >= antes.center().y(),
                     qPrintable(nombres.at(i - 1) + u" → "_s + nombres.at(i)));
        }
    }

    // A business's name of 200 characters is cut in the title, whole in its
    // tooltip: the window keeps its width, without a scroll bar.
    void tituloConNombreLargo()
    {
        const QString largo(200, u'N');
        TReportesDesdeElMenu f(false, {}, largo);
        if (QTest::currentTestFailed())
            return;
        TMainFrm& ventana = *f.ventana;
        ventana.resize(1024, 768);
        QCoreApplication::processEvents();
        Capturas::guarda(ventana, u"reportes-nombre-largo"_s);
        QCOMPARE(ventana.width(), 1024);
        QVERIFY(!pieza<QScrollArea>(&ventana, "SBPrincipal")->horizontalScrollBar()->isVisible());
        const auto* titulo = pieza<QLabel>(f.contenido, "TxTituloReportes");
        QCOMPARE(titulo->toolTip(), u"Comprobantes de "_s + largo);
        QVERIFY2(titulo->text().endsWith(u'…'), qPrintable(titulo->text()));
    }

    void desdeElMenu()
    {
        TReportesDesdeElMenu f(true);
        if (QTest::currentTestFailed())
            return;
        TMainFrm& ventana = *f.ventana;
        QWidget* contenido = f.contenido;
        QCOMPARE(ventana.VentanaActiva.data(), contenido);
        QCOMPARE(ventana.VentanaMenuLateralActiva->objectName(), u"ReportesPeriodos"_s);
        auto* tabla = contenido->findChild<QTableView*>(u"GrComprobantes"_s);
        QCOMPARE(tabla->model()->rowCount(), 3);
        QCOMPARE(tabla->model()->index(1, TModeloComprobantes::Subtotal).data().toString(), u"1,234,567,890.123456"_s);
        const auto totales = [contenido] { return filasTotales(contenido); };
        QCOMPARE(totales(), (QStringList{u"Egreso|MXN|1|0.10|0.00|0.00|0.10"_s,
                                         u"Ingreso|MXN|2|1,234,567,990.123456|16.00|0.00|1,234,568,006.123456"_s}));
        Capturas::guarda(*contenido, u"reportes-con-filas"_s);

        // Opened from its menu, the keyboard starts at the filters; Tab goes
        // through them, the export, the tabs and the list (the dates only
        // while they filter).
        ventana.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&ventana));
        QTest::mouseClick(filaMenu(u"Comprobantes"_s), Qt::LeftButton);
        QCOMPARE(recorrido(7), u"ChPorFecha CmbTipo EdReceptor CmbSello BtExportarCsv "
                               "BtCertificadosSat qt_tabwidget_tabbar GrComprobantes"_s);

        // Clicking a header sorts by it (amounts largest first), again turns it round.
        QHeaderView* encabezado = tabla->horizontalHeader();
        const auto clicEn = [encabezado](int columna) {
            QTest::mouseClick(encabezado->viewport(), Qt::LeftButton, {},
                              QPoint(encabezado->sectionViewportPosition(columna) + 5, encabezado->height() / 2));
        };
        clicEn(TModeloComprobantes::Total);
        QCOMPARE(tabla->model()->index(0, TModeloComprobantes::Folio).data().toString(), u"2"_s);
        QCOMPARE(encabezado->sortIndicatorOrder(), Qt::DescendingOrder);
        clicEn(TModeloComprobantes::Total);
        QCOMPARE(tabla->model()->index(0, TModeloComprobantes::Serie).data().toString(), u"NC"_s);
        clicEn(TModeloComprobantes::Fecha);
        QCOMPARE(tabla->model()->index(0, TModeloComprobantes::Serie).data().toString(), u"NC"_s);

        // Filters apply as they change: a choice at once, typing after a pause.
        auto* tipo = contenido->findChild<QComboBox*>(u"CmbTipo"_s);
        QCOMPARE(tipo->itemText(tipo->findData(u"N"_s)), u"Nómina"_s);
        tipo->setCurrentIndex(tipo->findData(u"I"_s));
        QCOMPARE(tabla->model()->rowCount(), 2);
        auto* receptor = pieza<QLineEdit>(contenido, "EdReceptor");
        QTest::keyClicks(receptor, u"zzz"_s);
        auto* area = pieza<QStackedWidget>(contenido, "PnComprobantes");
        QTRY_COMPARE(area->currentWidget()->objectName(), u"TxSinComprobantes"_s);
        QCOMPARE(pieza<QLabel>(contenido, "TxSinComprobantes")->text(), u"No hay comprobantes con estos filtros."_s);
        QCOMPARE(pieza<QLabel>(contenido, "TxMostrando")->text(), u"Mostrando 0 de 0"_s);
        QCOMPARE(totales(), QStringList());
        Capturas::guarda(*contenido, u"reportes-sin-filas"_s);
        receptor->setText(u"público"_s);
        QTRY_COMPARE(area->currentWidget(), tabla);
        QCOMPARE(tabla->model()->rowCount(), 2);
        QCOMPARE(pieza<QLabel>(contenido, "TxMostrando")->text(), u"Mostrando 2 de 2"_s);

        // The chart: one bar a month, one series per type and currency.
        auto* grafica = contenido->findChild<QChartView*>(u"GrMensual"_s);
        auto* barras = qobject_cast<QBarSeries*>(grafica->chart()->series().value(0));
        QVERIFY(barras);
        QCOMPARE(barras->barSets().size(), 1);
        QCOMPARE(barras->barSets().value(0)->label(), u"Ingreso MXN"_s);
        QCOMPARE(barras->barSets().value(0)->count(), 2);
        QCOMPARE(barras->barSets().value(0)->at(0), 116.0);
        auto* importes = grafica->chart()->findChild<QCategoryAxis*>(u"EjeImportes"_s);
        QVERIFY(importes);
        QCOMPARE(importes->categoriesLabels().last(), u"$1,500,000,000"_s);

        // The CSV of what the filter takes, its proposed name after the
        // business and the dates (its content is checked above).
        TColaArchivos archivos;
        QTemporaryDir destino;
        const QString nombreCsv = u"Comprobantes_%1_inicio_%2.csv"_s.arg(
            NegocioPrueba::RFC_ESCUELA, QDate::currentDate().toString(u"yyyy-MM-dd"_s));
        const QString csv = destino.filePath(nombreCsv);
        archivos.agrega(csv);
        QTest::mouseClick(pieza<QPushButton>(contenido, "BtExportarCsv"), Qt::LeftButton);
        QVERIFY2(archivos.inicios().last().endsWith(u'/' + nombreCsv), qPrintable(archivos.inicios().last()));
        QVERIFY2(QFileInfo(csv).size() > 0, qPrintable(csv));
        QCOMPARE(QFileInfo(csv).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        // A folder removed meanwhile is told in Spanish.
        const QString csvSinCarpeta = destino.filePath(u"borrada/c.csv"_s);
        archivos.agrega(csvSinCarpeta);
        QTest::mouseClick(pieza<QPushButton>(contenido, "BtExportarCsv"), Qt::LeftButton);
        QCOMPARE(f.respuestas.textos().last(), u"No se pudo crear el archivo %1: No existe"_s.arg(csvSinCarpeta));

        // Enter on a voucher shows it, read from its XML.
        tipo->setCurrentIndex(0);
        receptor->clear();
        QTRY_COMPARE(tabla->model()->rowCount(), 3);
        tabla->setFocus();
        tabla->setCurrentIndex(tabla->model()->index(2, 0));
        QVERIFY(pieza<QPushButton>(contenido, "BtVerComprobante")->isEnabled());
        QTest::keyClick(tabla, Qt::Key_Return);
        QPointer<QDialog> dialogo = contenido->findChild<QDialog*>(u"DlgComprobante"_s);
        QVERIFY(dialogo && dialogo->isVisible());
        QCOMPARE(pieza<QLabel>(dialogo, "TxUuid")->text(), u"C2832671-DA6D-11EF-A83D-00155D012007"_s);
        QCOMPARE(pieza<QLabel>(dialogo, "TxTotal")->text(), u"1000.00"_s);
        QCOMPARE(pieza<QTableView>(dialogo, "GrConceptos")->model()->rowCount(), 2);
        // In force: no cancellation box.
        QVERIFY(!dialogo->findChild<QWidget*>(u"PnCancelado"_s));
        Capturas::guarda(*dialogo, u"comprobante"_s);

        // "Guardar XML" writes the stored bytes as they are, proposing the
        // UUID as the name.
        archivos.agrega(destino.filePath(u"C2832671-DA6D-11EF-A83D-00155D012007.xml"_s));
        QTest::mouseClick(pieza<QPushButton>(dialogo, "BtGuardarXml"), Qt::LeftButton);
        QVERIFY(archivos.inicios().last().endsWith(u"/C2832671-DA6D-11EF-A83D-00155D012007.xml"_s));
        QFile guardado(destino.filePath(u"C2832671-DA6D-11EF-A83D-00155D012007.xml"_s));
        QVERIFY(guardado.open(QIODevice::ReadOnly));
        QCOMPARE(guardado.readAll(), f.xmlReal);
        QCOMPARE(guardado.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        // A folder removed meanwhile is told in Spanish.
        const QString sinCarpeta = destino.filePath(u"borrada/c.xml"_s);
        archivos.agrega(sinCarpeta);
        QTest::mouseClick(pieza<QPushButton>(dialogo, "BtGuardarXml"), Qt::LeftButton);
        QCOMPARE(f.respuestas.textos().last(), u"No se pudo guardar %1: No existe"_s.arg(sinCarpeta));
        QTest::keyClick(dialogo, Qt::Key_Escape);
        QTRY_VERIFY(dialogo.isNull());

        // Seals: what was stored before the check is checked in the background
        // (a voucher without its XML cannot be); the list shows each result,
        // an altered one and one whose certificate is not its own in the
        // warning colour, the filter takes them by it, and the voucher view
        // gives the reason.
        const int idNegocio = Sistema::Negocio->getIdnegocio();
        QTRY_COMPARE_WITH_TIMEOUT(RevisionSellos::pendientes(*Sistema::Conexion, idNegocio), 0, 120000);
        std::unique_ptr<TComprobante> a1 =
            TComprobante::getByUUIDAndNegocio(u"UUID-A1"_s, *Sistema::Negocio, *Sistema::Conexion);
        QCOMPARE(a1->getVerificacionsello(), u"Auténtico"_s);
        a1->setVerificacionsello(u"Alterado"_s);
        a1->setMotivoverificacion(u"El sello del emisor no corresponde al comprobante."_s);
        TUnidadTrabajo(*Sistema::Conexion, 1).guarda(*a1);
        std::unique_ptr<TComprobante> a2 =
            TComprobante::getByUUIDAndNegocio(u"UUID-A2"_s, *Sistema::Negocio, *Sistema::Conexion);
        a2->setComprobantexml(cfdiConCertificadoAjeno());
        a2->setVerificacionsello(QString());
        TUnidadTrabajo(*Sistema::Conexion, 1).guarda(*a2);
        QCOMPARE(RevisionSellos::revisa(*Sistema::Conexion, idNegocio, 1, 10).revisados, 1);
        QMetaObject::invokeMethod(contenido, "busca");
        QCOMPARE(columna(tabla->model(), TModeloComprobantes::Sello),
                 (QStringList{u"No verificable"_s, u"Certificado no corresponde"_s, u"Alterado"_s}));
        QCOMPARE(tabla->model()->index(2, TModeloComprobantes::Total).data(Qt::BackgroundRole).value<QBrush>().color(),
                 TModeloComprobantes::COLOR_ALTERADO_FONDO);
        QCOMPARE(tabla->model()->index(1, TModeloComprobantes::Total).data(Qt::BackgroundRole).value<QBrush>().color(),
                 TModeloComprobantes::COLOR_ALTERADO_FONDO);
        QCOMPARE(tabla->model()->index(1, TModeloComprobantes::Sello).data(Qt::ToolTipRole).toString(),
                 u"El comprobante trae un certificado que no le corresponde: no se sabe quién lo selló."_s);
        QVERIFY(!tabla->model()->index(0, TModeloComprobantes::Total).data(Qt::BackgroundRole).isValid());
        tabla->setCurrentIndex(tabla->model()->index(1, 0));
        QTest::keyClick(tabla, Qt::Key_Return);
        dialogo = contenido->findChild<QDialog*>(u"DlgComprobante"_s);
        QVERIFY(dialogo);
        QCOMPARE(pieza<QLabel>(dialogo, "TxSello")->palette().color(QPalette::WindowText),
                 TModeloComprobantes::COLOR_ALTERADO_TEXTO);
        QTest::keyClick(dialogo, Qt::Key_Escape);
        QTRY_VERIFY(dialogo.isNull());
        auto* sello = pieza<QComboBox>(contenido, "CmbSello");
        sello->setCurrentIndex(sello->findData(u"Alterado"_s));
        QCOMPARE(tabla->model()->rowCount(), 1);
        Capturas::guarda(*contenido, u"reportes-sello-alterado"_s);
        tabla->setCurrentIndex(tabla->model()->index(0, 0));
        QTest::keyClick(tabla, Qt::Key_Return);
        dialogo = contenido->findChild<QDialog*>(u"DlgComprobante"_s);
        QVERIFY(dialogo);
        QCOMPARE(pieza<QLabel>(dialogo, "TxSello")->text(), u"Alterado"_s);
        QCOMPARE(pieza<QLabel>(dialogo, "TxMotivoSello")->text(),
                 u"El sello del emisor no corresponde al comprobante."_s);
        Capturas::guarda(*dialogo, u"comprobante-alterado"_s);
        QTest::keyClick(dialogo, Qt::Key_Escape);
        QTRY_VERIFY(dialogo.isNull());

        // The PDF of what the filter takes, one per voucher in a folder named
        // by their UUIDs, and of the selected one.
        QTemporaryDir pdfs;
        archivos.agrega(pdfs.path());
        pieza<QPushButton>(contenido, "BtPdfLista")->menu()->actions().at(1)->trigger();
        QVERIFY2(QFileInfo(pdfs.filePath(u"UUID-A1.pdf"_s)).size() > 0, qPrintable(f.respuestas.textos().join('\n')));
        QCOMPARE(QDir(pdfs.path()).entryList(QDir::Files).size(), 1);
        archivos.agrega(pdfs.filePath(u"uno.pdf"_s));
        QTest::mouseClick(pieza<QPushButton>(contenido, "BtGuardarPdf"), Qt::LeftButton);
        QVERIFY(archivos.inicios().last().endsWith(u"/UUID-A1.pdf"_s));
        QVERIFY(TCarpetaPrograma::lee(pdfs.filePath(u"uno.pdf"_s)).startsWith("%PDF"));

        // SAT certificates chosen by the user join the program folder under
        // their number; a file that is not one is named in the message.
        const TCredencialPrueba sat(true);
        const QString cer = pdfs.filePath(u"sat.cer"_s);
        TCredencialPrueba::escribe(cer, sat.certificado(QString(), "00001000000999999999"));
        TCredencialPrueba::escribe(pdfs.filePath(u"otro.cer"_s), "no es un certificado");
        archivos.agrega(cer + u'\n' + pdfs.filePath(u"otro.cer"_s));
        f.respuestas.limpia();
        QTest::mouseClick(pieza<QPushButton>(contenido, "BtCertificadosSat"), Qt::LeftButton);
        QVERIFY(QFileInfo::exists(f.carpeta.archivo(u"Certificados/SAT/00001000000999999999.cer"_s)));
        QCOMPARE(f.respuestas.textos().size(), 1);
        QVERIFY2(f.respuestas.textos().first().contains(u"00001000000999999999"_s) &&
                     f.respuestas.textos().first().contains(u"otro.cer: "_s),
                 qPrintable(f.respuestas.textos().first()));
        sello->setCurrentIndex(0);

        // A range of years charts by year.
        pieza<QCheckBox>(contenido, "ChPorFecha")->setChecked(true);
        pieza<QDateEdit>(contenido, "EdDesde")->setDate(QDate(2015, 1, 1));
        pieza<QDateEdit>(contenido, "EdHasta")->setDate(QDate(2025, 12, 31));
        QTRY_COMPARE(grafica->chart()->title(), u"Total emitido por año"_s);
        pieza<QTabWidget>(contenido, "TbReportes")->setCurrentIndex(1);
        Capturas::guarda(*contenido, u"reportes-grafica-anios"_s);
        pieza<QCheckBox>(contenido, "ChPorFecha")->setChecked(false);
        pieza<QTabWidget>(contenido, "TbReportes")->setCurrentIndex(0);

        // The chart's entry opens the same window on its chart.
        QTest::mouseClick(filaMenu(u"Gráfica"_s), Qt::LeftButton);
        QCOMPARE(pieza<QTabWidget>(contenido, "TbReportes")->currentIndex(), 1);

        // After a switch the window made for the first business shows the
        // second one's vouchers.
        ventana.cambiaNegocio(u"Tx"_s + NegocioPrueba::RFC_ACCEM);
        QCOMPARE(Sistema::Negocio->getDatosfiscales()->getRfc(), NegocioPrueba::RFC_ACCEM);
        ventana.OnClickVentanaNombre(u"GetVentanaReportesFrm"_s);
        QCOMPARE(tabla->model()->rowCount(), 0);
        QCOMPARE(pieza<QLabel>(contenido, "TxTituloReportes")->text(), u"Comprobantes de Accem"_s);
        QCOMPARE(pieza<QLabel>(contenido, "TxSinComprobantes")->text(), u"Este negocio aún no tiene comprobantes."_s);

        // A user without the reports right cannot open any of its entries.
        NegocioPrueba::fijaPermisos(u"-1|0|-1|-1|-1|-1|-1|-1"_s);
        ventana.remueveVentanaActiva();
        ventana.VentanaActiva = nullptr;
        f.respuestas.limpia();
        QTest::mouseClick(f.reportes, Qt::LeftButton);
        QTest::mouseClick(filaMenu(u"Comprobantes"_s), Qt::LeftButton);
        QTest::mouseClick(filaMenu(u"Gráfica"_s), Qt::LeftButton);
        QCOMPARE(f.respuestas.textos(), QStringList(3, ERROR_PERMISOS));
        QVERIFY(ventana.VentanaActiva.isNull());
    }
};

QTEST_MAIN(TstReportes)
#include "tst_reportes.moc"

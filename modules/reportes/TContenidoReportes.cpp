#include "TContenidoReportes.h"

#include "Constantes.h"
#include "Controles.h"
#include "Entidades.h"
#include "Archivos.h"
#include "Errores.h"
#include "LecturaComprobante.h"
#include "Prompter.h"
#include "SelectorArchivos.h"
#include "TConciliacionSat.h"
#include "TablaLectura.h"
#include "TDlgComprobante.h"
#include "TModeloComprobantes.h"
#include "VerificacionSello.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDateEdit>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

#include <cerrno>

using namespace Constantes;

namespace {

QPushButton* boton(QWidget* padre, const QString& nombre, const QString& texto)
{
    auto* b = new QPushButton(texto, padre);
    b->setObjectName(nombre);
    return b;
}

} // namespace

TContenidoReportes::TContenidoReportes(const TNegocio* negocio, const TConexionSesion* conexion, QWidget* parent)
    : QWidget(parent), m_negocio(negocio), m_conexion(conexion), m_modelo(new TModeloComprobantes(this)),
      m_pdf(this, negocio, conexion, m_modelo)
{
    setObjectName(QStringLiteral("ReportesComprobantes"));
    setMinimumHeight(480);
    auto* diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(16, 12, 16, 12);

    m_titulo = new QLabel(this);
    m_titulo->setObjectName(QStringLiteral("TxTituloReportes"));
    QFont fuente = m_titulo->font();
    fuente.setBold(true);
    fuente.setPointSizeF(fuente.pointSizeF() * 1.3);
    m_titulo->setFont(fuente);
    diseno->addWidget(m_titulo);

    // Filters.
    auto* filtros = new QGridLayout();
    m_porFecha = new QCheckBox(QStringLiteral("Por fecha"), this);
    m_porFecha->setObjectName(QStringLiteral("ChPorFecha"));
    m_desde = new QDateEdit(QDate::currentDate().addDays(1 - QDate::currentDate().day()), this);
    m_desde->setObjectName(QStringLiteral("EdDesde"));
    m_hasta = new QDateEdit(QDate::currentDate(), this);
    m_hasta->setObjectName(QStringLiteral("EdHasta"));
    for (QDateEdit* fecha : {m_desde, m_hasta}) {
        fecha->setCalendarPopup(true);
        fecha->setDisplayFormat(ConsultaComprobantes::FORMATO_FECHA);
        // The calendar names its months and days in Spanish whatever the machine's language.
        fecha->setLocale(QLocale(QLocale::Spanish, QLocale::Mexico));
        fecha->setEnabled(false);
    }
    auto* etiquetaDesde = new QLabel(QStringLiteral("Desde"), this);
    etiquetaDesde->setBuddy(m_desde);
    auto* etiquetaHasta = new QLabel(QStringLiteral("Hasta"), this);
    etiquetaHasta->setBuddy(m_hasta);
    m_tipo = new QComboBox(this);
    m_tipo->setObjectName(QStringLiteral("CmbTipo"));
    m_tipo->addItem(QStringLiteral("Todos"), QString());
    for (const auto& [letra, nombre] : ConsultaComprobantes::tiposComprobante())
        m_tipo->addItem(nombre, letra);
    auto* etiquetaTipo = new QLabel(QStringLiteral("Tipo"), this);
    etiquetaTipo->setBuddy(m_tipo);
    m_sello = new QComboBox(this);
    m_sello->setObjectName(QStringLiteral("CmbSello"));
    m_sello->addItem(QStringLiteral("Todos"), QString());
    for (const QString& estado : ConsultaComprobantes::estadosSello())
        m_sello->addItem(estado, estado);
    m_sello->addItem(ConsultaComprobantes::SELLO_SIN_VERIFICAR, ConsultaComprobantes::SELLO_SIN_VERIFICAR);
    // Its longest state would set the width of the whole column; the list
    // that drops down still shows every state in full.
    for (QComboBox* lista : {m_tipo, m_sello}) {
        lista->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        lista->setMinimumContentsLength(12);
    }
    auto* etiquetaSello = new QLabel(QStringLiteral("Sello"), this);
    etiquetaSello->setBuddy(m_sello);
    m_certificadosSat = boton(this, QStringLiteral("BtCertificadosSat"), QStringLiteral("Certificados del SAT…"));
    m_certificadosSat->setToolTip(QStringLiteral("Agrega certificados del SAT para verificar también el sello del "
                                                 "timbre"));
    m_receptor = new QLineEdit(this);
    m_receptor->setObjectName(QStringLiteral("EdReceptor"));
    m_receptor->setPlaceholderText(QStringLiteral("RFC o nombre del receptor"));
    m_receptor->setClearButtonEnabled(true);
    auto* etiquetaReceptor = new QLabel(QStringLiteral("Receptor"), this);
    etiquetaReceptor->setBuddy(m_receptor);
    m_espera = new QTimer(this);
    m_espera->setSingleShot(true);
    m_espera->setInterval(ESPERA_TECLEO_MS);
    m_exportar = boton(this, QStringLiteral("BtExportarCsv"), QStringLiteral("Exportar CSV"));
    // The buttons close the last row, after every filter: read row by row,
    // the window meets them in the order Tab visits them. Kept narrow, the
    // filters leave a 1024-pixel screen room for the side menu beside them.
    filtros->addWidget(m_porFecha, 0, 0);
    filtros->addWidget(etiquetaDesde, 0, 1);
    filtros->addWidget(m_desde, 0, 2);
    filtros->addWidget(etiquetaHasta, 0, 3);
    filtros->addWidget(m_hasta, 0, 4);
    filtros->addWidget(etiquetaTipo, 1, 1);
    filtros->addWidget(m_tipo, 1, 2);
    filtros->addWidget(etiquetaReceptor, 1, 3);
    filtros->addWidget(m_receptor, 1, 4, 1, 2);
    filtros->addWidget(etiquetaSello, 2, 1);
    filtros->addWidget(m_sello, 2, 2);
    auto* acciones = new QHBoxLayout();
    acciones->addStretch(1);
    acciones->addWidget(m_exportar);
    acciones->addWidget(m_certificadosSat);
    filtros->addLayout(acciones, 2, 3, 1, 3);
    filtros->setColumnStretch(5, 1);
    diseno->addLayout(filtros);

    // The list and the chart.
    m_paginas = new QTabWidget(this);
    m_paginas->setObjectName(QStringLiteral("TbReportes"));
    auto* lista = new QWidget(m_paginas);
    auto* dLista = new QVBoxLayout(lista);
    dLista->setContentsMargins(0, 4, 0, 0);
    m_tabla = tablaLectura(lista, QStringLiteral("GrComprobantes"), m_modelo);
    QHeaderView* encabezado = m_tabla->horizontalHeader();
    encabezado->setStretchLastSection(true);
    encabezado->setSectionsClickable(true);
    encabezado->setSortIndicatorShown(true);
    encabezado->setSortIndicator(TModeloComprobantes::Fecha, Qt::DescendingOrder);
    m_tabla->setToolTip(QStringLiteral("Doble clic o Enter en un comprobante lo muestra; clic en un título ordena"));
    m_vacio = new QLabel(lista);
    m_vacio->setObjectName(QStringLiteral("TxSinComprobantes"));
    m_vacio->setAlignment(Qt::AlignCenter);
    m_vacio->setWordWrap(true);
    QFont grande = m_vacio->font();
    grande.setPointSizeF(grande.pointSizeF() * 1.2);
    m_vacio->setFont(grande);
    m_area = new QStackedWidget(lista);
    m_area->setObjectName(QStringLiteral("PnComprobantes"));
    m_area->addWidget(m_tabla);
    m_area->addWidget(m_vacio);
    m_mostrando = new QLabel(lista);
    m_mostrando->setObjectName(QStringLiteral("TxMostrando"));
    m_ver = boton(lista, QStringLiteral("BtVerComprobante"), QStringLiteral("Ver comprobante"));
    m_ver->setEnabled(false);
    m_imprimir = boton(lista, QStringLiteral("BtImprimir"), QStringLiteral("Imprimir"));
    m_guardarPdf = boton(lista, QStringLiteral("BtGuardarPdf"), QStringLiteral("Guardar PDF"));
    for (QPushButton* b : {m_imprimir, m_guardarPdf})
        b->setEnabled(false);
    m_pdfLista = boton(lista, QStringLiteral("BtPdfLista"), QStringLiteral("PDF de la lista"));
    auto* menuLista = new QMenu(m_pdfLista);
    menuLista->setObjectName(QStringLiteral("MnPdfLista"));
    connect(menuLista->addAction(QStringLiteral("Todos en un solo archivo…")), &QAction::triggered, this,
            [this] { eligePdfLista(false); });
    connect(menuLista->addAction(QStringLiteral("Un archivo por comprobante en una carpeta…")), &QAction::triggered,
            this, [this] { eligePdfLista(true); });
    m_pdfLista->setMenu(menuLista);
    auto* debajo = new QHBoxLayout();
    debajo->addWidget(m_mostrando, 1);
    debajo->addWidget(m_pdfLista);
    debajo->addWidget(m_imprimir);
    debajo->addWidget(m_guardarPdf);
    debajo->addWidget(m_ver);
    dLista->addWidget(m_area, 1);
    dLista->addLayout(debajo);
    m_paginas->addTab(lista, QStringLiteral("Comprobantes"));
    m_grafica = new QChartView(m_paginas);
    m_grafica->setObjectName(QStringLiteral("GrMensual"));
    m_grafica->setRenderHint(QPainter::Antialiasing);
    m_paginas->addTab(m_grafica, QStringLiteral("Gráfica"));
    m_conciliacion = new TConciliacionSat(m_paginas);
    m_paginas->addTab(m_conciliacion, QStringLiteral("Conciliación con el SAT"));
    diseno->addWidget(m_paginas, 1);

    // Totals of what the filter takes, summed by the database: one row per
    // type and currency, since adding an income to a payroll (or pesos to
    // dollars) gives a number that means nothing.
    m_modeloTotales = new QStandardItemModel(0, 7, this);
    m_modeloTotales->setHorizontalHeaderLabels(
        {QStringLiteral("Tipo"), QStringLiteral("Moneda"), QStringLiteral("Cantidad"), QStringLiteral("Subtotal"),
         QStringLiteral("Trasladados"), QStringLiteral("Retenidos"), QStringLiteral("Total")});
    m_totales = tablaLectura(this, QStringLiteral("GrTotales"), m_modeloTotales);
    m_totales->setFocusPolicy(Qt::NoFocus);
    // Each figure whole, the total above all: on a narrow screen the
    // subtotal is the one that gives way (its cell's tip holds it).
    m_totales->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    constexpr int COLUMNA_SUBTOTAL = 3;
    m_totales->horizontalHeader()->setSectionResizeMode(COLUMNA_SUBTOTAL, QHeaderView::Stretch);
    m_totales->setFixedHeight(22 * 4 + m_totales->horizontalHeader()->sizeHint().height() + 4);
    auto* tituloTotales = new QLabel(QStringLiteral("Totales por tipo y moneda"), this);
    tituloTotales->setBuddy(m_totales);
    // What the SAT cancelled was never owed: out of the figures unless asked.
    m_notaCancelados = new QLabel(this);
    m_notaCancelados->setObjectName(QStringLiteral("TxNotaCancelados"));
    // A long count goes to a second line rather than widen the window.
    m_notaCancelados->setWordWrap(true);
    m_notaCancelados->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_sumarCancelados = new QCheckBox(QStringLiteral("Sumar los &cancelados ante el SAT"), this);
    m_sumarCancelados->setObjectName(QStringLiteral("ChSumarCancelados"));
    m_sumarCancelados->setToolTip(QStringLiteral("Los comprobantes cancelados ante el SAT siempre aparecen en la "
                                                 "lista; con esta casilla también suman en los totales y la "
                                                 "gráfica"));
    auto* lineaTotales = new QHBoxLayout();
    lineaTotales->addWidget(tituloTotales);
    lineaTotales->addWidget(m_notaCancelados, 1);
    lineaTotales->addSpacing(12);
    lineaTotales->addWidget(m_sumarCancelados);
    diseno->addLayout(lineaTotales);
    diseno->addWidget(m_totales);

    // Choices apply at once; typed text and dates (typed digit by digit)
    // wait for a pause.
    connect(m_porFecha, &QCheckBox::toggled, this, [this](bool activo) {
        m_desde->setEnabled(activo);
        m_hasta->setEnabled(activo);
        busca();
    });
    connect(m_tipo, &QComboBox::currentIndexChanged, this, &TContenidoReportes::busca);
    connect(m_sello, &QComboBox::currentIndexChanged, this, &TContenidoReportes::busca);
    connect(m_sumarCancelados, &QCheckBox::toggled, this, &TContenidoReportes::busca);
    connect(m_paginas, &QTabWidget::currentChanged, this, [this](int pagina) {
        if (pagina == PaginaConciliacion)
            cargaConciliacion();
    });
    connect(m_certificadosSat, &QPushButton::clicked, this, &TContenidoReportes::eligeCertificadosSat);
    connect(m_desde, &QDateEdit::dateChanged, m_espera, qOverload<>(&QTimer::start));
    connect(m_hasta, &QDateEdit::dateChanged, m_espera, qOverload<>(&QTimer::start));
    connect(m_receptor, &QLineEdit::textChanged, m_espera, qOverload<>(&QTimer::start));
    connect(m_receptor, &QLineEdit::returnPressed, this, &TContenidoReportes::busca);
    connect(m_espera, &QTimer::timeout, this, &TContenidoReportes::busca);
    connect(m_exportar, &QPushButton::clicked, this, &TContenidoReportes::eligeArchivoCsv);
    connect(encabezado, &QHeaderView::sortIndicatorChanged, this, &TContenidoReportes::ordena);
    connect(m_tabla, &QTableView::activated, this,
            [this](const QModelIndex& indice) { abreComprobante(indice.row()); });
    connect(m_tabla->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& actual) {
                for (QPushButton* b : {m_ver, m_imprimir, m_guardarPdf})
                    b->setEnabled(actual.isValid());
            });
    connect(m_modelo, &QAbstractItemModel::modelReset, this, [this] {
        for (QPushButton* b : {m_ver, m_imprimir, m_guardarPdf})
            b->setEnabled(false);
        m_pdfLista->setEnabled(m_modelo->rowCount() > 0);
    });
    connect(m_ver, &QPushButton::clicked, this, [this] { abreComprobante(m_tabla->currentIndex().row()); });
    connect(m_imprimir, &QPushButton::clicked, this, [this] { m_pdf.imprime(m_tabla->currentIndex().row()); });
    connect(m_guardarPdf, &QPushButton::clicked, this, [this] { m_pdf.eligePdf(m_tabla->currentIndex().row()); });
    setTabOrder(m_porFecha, m_desde);
    setTabOrder(m_desde, m_hasta);
    setTabOrder(m_hasta, m_tipo);
    setTabOrder(m_tipo, m_receptor);
    setTabOrder(m_receptor, m_sello);
    setTabOrder(m_sello, m_exportar);
    setTabOrder(m_exportar, m_certificadosSat);
    setTabOrder(m_certificadosSat, m_paginas);
    setTabOrder(m_paginas, m_tabla);
    setTabOrder(m_tabla, m_pdfLista);
    setTabOrder(m_pdfLista, m_imprimir);
    setTabOrder(m_imprimir, m_guardarPdf);
    setTabOrder(m_guardarPdf, m_ver);
    connect(m_modelo, &QAbstractItemModel::rowsInserted, this, [this] {
        m_mostrando->setText(QStringLiteral("Mostrando %1 de %2").arg(m_modelo->rowCount()).arg(m_totalFilas));
    });
}

QWidget* TContenidoReportes::creaPeriodos(QWidget* padre)
{
    auto* periodos = new QWidget(padre);
    periodos->setObjectName(QStringLiteral("ReportesPeriodos"));
    auto* diseno = new QVBoxLayout(periodos);
    diseno->setContentsMargins(12, 12, 12, 12);
    auto* titulo = new QLabel(QStringLiteral("Periodos"), periodos);
    QFont negritas = titulo->font();
    negritas.setBold(true);
    titulo->setFont(negritas);
    diseno->addWidget(titulo);
    const QList<std::pair<QString, QString>> opciones = {
        {QStringLiteral("mes"), QStringLiteral("Este mes")},
        {QStringLiteral("mesAnterior"), QStringLiteral("Mes anterior")},
        {QStringLiteral("anio"), QStringLiteral("Este año")},
        {QStringLiteral("todos"), QStringLiteral("Todos")}};
    for (const auto& [clave, texto] : opciones) {
        QPushButton* b = boton(periodos, QStringLiteral("BtPeriodo_") + clave, texto);
        connect(b, &QPushButton::clicked, this, [this, clave = clave] { eligePeriodo(clave); });
        diseno->addWidget(b);
    }
    diseno->addStretch();
    return periodos;
}

void TContenidoReportes::click(QObject*)
{
    Controles::textoRecortado(m_titulo, QStringLiteral("Comprobantes de ") + m_negocio->getNombre());
    // Read again on every opening: an import may have stored metadata, or
    // the business may have changed.
    m_conciliacionLeida = false;
    m_paginas->setCurrentIndex(m_texto == ACCION_GRAFICA        ? PaginaGrafica
                               : m_texto == ACCION_CONCILIACION ? PaginaConciliacion
                                                                : PaginaComprobantes);
    if (m_paginas->currentIndex() == PaginaConciliacion)
        cargaConciliacion();
    busca();
    // The keyboard starts in the page opened, not on the side menu's link
    // that opened it: at the filters, or at the kind of finding to show (the
    // page's tab while there is nothing to choose).
    if (m_paginas->currentIndex() != PaginaConciliacion)
        m_porFecha->setFocus(Qt::OtherFocusReason);
    else if (!m_conciliacion->enfoca())
        m_paginas->tabBar()->setFocus(Qt::OtherFocusReason);
}

void TContenidoReportes::cargaConciliacion()
{
    if (m_conciliacionLeida)
        return;
    m_conciliacionLeida = true;
    const std::shared_ptr<TDatosfiscales> fiscales = m_negocio->getDatosfiscales();
    m_conciliacion->carga(fiscales ? fiscales->getRfc() : QString(), m_negocio->getIdnegocio(), *m_conexion);
}

TFiltroComprobantes TContenidoReportes::filtro() const
{
    TFiltroComprobantes f;
    f.idNegocio = m_negocio->getIdnegocio();
    if (m_porFecha->isChecked()) {
        f.desde = m_desde->date();
        f.hasta = m_hasta->date();
    }
    f.tipo = m_tipo->currentData().toString();
    f.receptor = m_receptor->text().trimmed();
    f.sello = m_sello->currentData().toString();
    f.incluyeCancelados = m_sumarCancelados->isChecked();
    const QHeaderView* encabezado = m_tabla->horizontalHeader();
    f.orden.campo = static_cast<TOrdenComprobantes::TCampo>(encabezado->sortIndicatorSection());
    f.orden.descendente = encabezado->sortIndicatorOrder() == Qt::DescendingOrder;
    return f;
}

void TContenidoReportes::busca()
{
    m_espera->stop();
    const TFiltroComprobantes f = filtro();
    TResumenComprobantes resumen;
    try {
        resumen = ConsultaComprobantes::resumen(*m_conexion, f);
        m_modelo->consulta(*m_conexion, f);
        m_tabla->resizeColumnsToContents();
    } catch (const std::exception& e) {
        resumen = {};
        m_modelo->limpia();
        ConsultaComprobantes::muestraError(e);
    }
    m_totalFilas = resumen.listados;
    actualizaTotales(resumen);
    const QString cancelados = resumen.cancelados == 1
                                   ? QStringLiteral("1 comprobante cancelado ante el SAT")
                                   : QStringLiteral("%1 comprobantes cancelados ante el SAT").arg(resumen.cancelados);
    m_notaCancelados->setText(resumen.cancelados == 0 ? QString()
                              : f.incluyeCancelados   ? QStringLiteral("Incluyen %1.").arg(cancelados)
                                                      : (resumen.cancelados == 1 ? QStringLiteral("No suma %1.")
                                                                                 : QStringLiteral("No suman %1."))
                                                          .arg(cancelados));
    try {
        actualizaGrafica(resumen.series);
    } catch (const std::exception& e) {
        // A quarter's or a year's bar may sum past what an amount holds.
        ConsultaComprobantes::muestraError(e);
    }
    const bool sinFiltro = !f.desde.isValid() && f.tipo.isEmpty() && f.receptor.isEmpty() && f.sello.isEmpty();
    m_vacio->setText(sinFiltro ? QStringLiteral("Este negocio aún no tiene comprobantes.")
                               : QStringLiteral("No hay comprobantes con estos filtros."));
    m_area->setCurrentWidget(m_totalFilas == 0 ? static_cast<QWidget*>(m_vacio) : m_tabla);
    m_mostrando->setText(QStringLiteral("Mostrando %1 de %2").arg(m_modelo->rowCount()).arg(m_totalFilas));
}

void TContenidoReportes::ordena(int columna, Qt::SortOrder orden)
{
    try {
        m_modelo->sort(columna, orden);
    } catch (const std::exception& e) {
        m_modelo->limpia();
        ConsultaComprobantes::muestraError(e);
    }
    m_mostrando->setText(QStringLiteral("Mostrando %1 de %2").arg(m_modelo->rowCount()).arg(m_totalFilas));
}

void TContenidoReportes::eligePeriodo(const QString& periodo)
{
    const QDate hoy = QDate::currentDate();
    const QDate inicioMes(hoy.year(), hoy.month(), 1);
    m_porFecha->setChecked(periodo != QLatin1String("todos"));
    if (periodo == QLatin1String("mes")) {
        m_desde->setDate(inicioMes);
        m_hasta->setDate(inicioMes.addMonths(1).addDays(-1));
    } else if (periodo == QLatin1String("mesAnterior")) {
        m_desde->setDate(inicioMes.addMonths(-1));
        m_hasta->setDate(inicioMes.addDays(-1));
    } else if (periodo == QLatin1String("anio")) {
        m_desde->setDate(QDate(hoy.year(), 1, 1));
        m_hasta->setDate(QDate(hoy.year(), 12, 31));
    }
    busca();
}

void TContenidoReportes::actualizaTotales(const TResumenComprobantes& resumen)
{
    m_modeloTotales->setRowCount(0);
    for (const TTotalesTipo& t : resumen.porTipo) {
        QList<QStandardItem*> fila;
        const auto celda = [&fila](const QString& texto, bool importe) {
            auto* c = new QStandardItem(texto);
            if (importe) {
                c->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                c->setToolTip(texto);
            }
            fila << c;
        };
        celda(ConsultaComprobantes::nombreTipo(t.tipo), false);
        celda(ConsultaComprobantes::nombreMoneda(t.moneda), false);
        celda(QString::number(t.totales.cantidad), true);
        celda(ConsultaComprobantes::textoImporte(t.totales.subtotal), true);
        celda(ConsultaComprobantes::textoImporte(t.totales.trasladados), true);
        celda(ConsultaComprobantes::textoImporte(t.totales.retenidos), true);
        celda(ConsultaComprobantes::textoImporte(t.totales.total), true);
        m_modeloTotales->appendRow(fila);
    }
}

void TContenidoReportes::actualizaGrafica(const QList<TSerieMensual>& series)
{
    auto* grafica = new QChart();
    grafica->legend()->setVisible(series.size() > 1);
    grafica->legend()->setAlignment(Qt::AlignBottom);
    auto* barras = new QBarSeries(grafica);
    const QList<TTotalMensual> meses = series.isEmpty() ? QList<TTotalMensual>() : series.first().meses;
    const QList<TPeriodoGrafica> periodos =
        meses.isEmpty() ? QList<TPeriodoGrafica>()
                        : ConsultaComprobantes::periodosGrafica(meses.first().mes, meses.last().mes);
    const int mesesGrafica = meses.isEmpty() ? 0 : int(meses.size());
    grafica->setTitle(periodos.size() == mesesGrafica ? QStringLiteral("Total emitido por mes")
                      : periodos.value(0).etiqueta.startsWith(QLatin1Char('T'))
                          ? QStringLiteral("Total emitido por trimestre")
                          : QStringLiteral("Total emitido por año"));
    double maximo = 0;
    for (const TSerieMensual& serie : series) {
        const QList<TDecimal> totales = ConsultaComprobantes::totalesPorPeriodo(periodos, serie.meses);
        auto* conjunto = new QBarSet(ConsultaComprobantes::nombreTipo(serie.tipo) + QLatin1Char(' ') +
                                         ConsultaComprobantes::nombreMoneda(serie.moneda),
                                     barras);
        for (const TDecimal& total : totales) {
            // Only the drawing takes the amount as a double; the amounts
            // shown are the exact ones.
            const double valor = total.texto().toDouble();
            conjunto->append(valor);
            maximo = qMax(maximo, valor);
        }
        connect(conjunto, &QBarSet::hovered, this, [periodos, totales, conjunto](bool encima, int indice) {
            if (!encima || indice < 0 || indice >= totales.size()) {
                QToolTip::hideText();
                return;
            }
            QToolTip::showText(QCursor::pos(), QStringLiteral("%1\n%2: $%3")
                                                   .arg(periodos.at(indice).etiqueta, conjunto->label(),
                                                        ConsultaComprobantes::textoImporte(totales.at(indice))));
        });
        barras->append(conjunto);
    }
    grafica->addSeries(barras);
    auto* ejePeriodos = new QBarCategoryAxis(grafica);
    QStringList categorias;
    for (int i = 0; i < periodos.size(); ++i)
        // The axis needs every category distinct: an unwritten one is a
        // different number of invisible spaces.
        categorias << (periodos.at(i).rotulado ? periodos.at(i).etiqueta : QString(i + 1, QChar(0x200B)));
    ejePeriodos->append(categorias);
    grafica->addAxis(ejePeriodos, Qt::AlignBottom);
    barras->attachAxis(ejePeriodos);
    // Marks of our own: the value axis writes numbers without thousands
    // separators or a currency sign.
    auto* ejeImportes = new QCategoryAxis(grafica);
    const QList<TMarcaImporte> marcas = ConsultaComprobantes::marcasImporte(maximo);
    for (const TMarcaImporte& marca : marcas)
        ejeImportes->append(marca.etiqueta, marca.valor);
    ejeImportes->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    ejeImportes->setRange(0, marcas.last().valor);
    ejeImportes->setObjectName(QStringLiteral("EjeImportes"));
    grafica->addAxis(ejeImportes, Qt::AlignLeft);
    barras->attachAxis(ejeImportes);
    QChart* anterior = m_grafica->chart();
    m_grafica->setChart(grafica);
    delete anterior;
}

QString TContenidoReportes::nombreCsv() const
{
    const std::shared_ptr<TDatosfiscales> fiscales = m_negocio->getDatosfiscales();
    const TFiltroComprobantes f = filtro();
    return ConsultaComprobantes::nombreCsv(fiscales ? fiscales->getRfc() : QString(), f.desde, f.hasta,
                                           QDate::currentDate());
}

void TContenidoReportes::eligeArchivoCsv()
{
    // The save dialog proposes the name and asks before replacing a file.
    const QString ruta = SelectorArchivos::guardar(this, QStringLiteral("Exportar comprobantes"), nombreCsv(),
                                                   QStringLiteral("Archivo CSV (*.csv)"));
    if (!ruta.isEmpty())
        exportaCsv(ruta);
}

bool TContenidoReportes::exportaCsv(const QString& ruta)
{
    // Written beside and put in place at the end: a failed export never
    // leaves half a file under the chosen name. Why it failed comes from the
    // system's error number, as Qt's own texts are English.
    QSaveFile archivo(ruta);
    try {
        if (!archivo.open(QIODevice::WriteOnly) || !archivo.setPermissions(QFile::ReadOwner | QFile::WriteOwner)) {
            const int numero = errno;
            throw EEntradaSalida(
                QStringLiteral("No se pudo crear el archivo %1: %2").arg(ruta, Errores::delSistema(numero)));
        }
        ConsultaComprobantes::exportaCsv(*m_conexion, filtro(), archivo);
        if (!Archivos::termina(archivo)) {
            const int numero = errno;
            throw EEntradaSalida(
                QStringLiteral("No se pudo guardar el archivo %1: %2").arg(ruta, Errores::delSistema(numero)));
        }
    } catch (const std::exception& e) {
        archivo.cancelWriting();
        ConsultaComprobantes::muestraError(e);
        return false;
    }
    Prompter::actual().mensaje(QStringLiteral("Los comprobantes se exportaron a %1.").arg(ruta), MSG_INFORMATION);
    return true;
}

void TContenidoReportes::abreComprobante(int fila)
{
    if (fila < 0 || fila >= m_modelo->rowCount())
        return;
    TComprobanteGuardado guardado;
    try {
        guardado = ConsultaComprobantes::guardado(*m_conexion, m_negocio->getIdnegocio(), m_modelo->fila(fila).id);
    } catch (const std::exception& e) {
        ConsultaComprobantes::muestraError(e);
        return;
    }
    if (guardado.xml.isEmpty()) {
        Prompter::actual().mensaje(QStringLiteral("Este comprobante no tiene su XML guardado."), MSG_WARNING);
        return;
    }
    TVistaComprobante vista;
    try {
        vista = LecturaComprobante::lee(guardado.xml);
    } catch (const std::exception& e) {
        ConsultaComprobantes::muestraError(e);
        return;
    }
    const bool pendiente = guardado.sello.isEmpty();
    vista.sello = pendiente ? ConsultaComprobantes::SELLO_SIN_VERIFICAR : guardado.sello;
    vista.motivoSello = pendiente ? QStringLiteral("Su sello se verificará en segundo plano.") : guardado.motivoSello;
    vista.cancelado = guardado.cancelado;
    vista.fechaCancelacion = guardado.fechaCancelacion;
    auto* dialogo = new TDlgComprobante(vista, guardado.xml, this);
    dialogo->setAttribute(Qt::WA_DeleteOnClose);
    dialogo->show();
}

bool TContenidoReportes::guardaPdf(int fila, const QString& ruta)
{
    return m_pdf.guardaPdf(fila, ruta);
}

void TContenidoReportes::eligePdfLista(bool unoPorComprobante)
{
    m_pdf.eligePdfLista(unoPorComprobante, nombreCsv().replace(QStringLiteral(".csv"), QStringLiteral(".pdf")),
                        filtro(), m_totalFilas);
}

bool TContenidoReportes::guardaPdfLista(const QString& ruta, bool unoPorComprobante)
{
    return m_pdf.guardaPdfLista(ruta, unoPorComprobante, filtro(), m_totalFilas);
}

void TContenidoReportes::eligeCertificadosSat()
{
    const QStringList archivos = SelectorArchivos::archivos(this, QStringLiteral("Certificados del SAT"),
                                                            QStringLiteral("Certificado (*.cer *.pem)"));
    if (!archivos.isEmpty())
        agregaCertificadosSat(archivos);
}

int TContenidoReportes::agregaCertificadosSat(const QStringList& archivos)
{
    QStringList agregados;
    QStringList rechazados;
    for (const QString& archivo : archivos) {
        QString error;
        const QString numero = VerificacionSello::agregaCertificadoSat(archivo, &error);
        if (numero.isEmpty())
            rechazados << QStringLiteral("%1: %2").arg(QFileInfo(archivo).fileName(), error);
        else
            agregados << numero;
    }
    QStringList partes;
    if (!agregados.isEmpty())
        partes << QStringLiteral("Se agregaron los certificados del SAT %1. Los sellos del SAT que firmen se "
                                 "verificarán en los comprobantes que se importen.")
                      .arg(agregados.join(QStringLiteral(", ")));
    if (!rechazados.isEmpty())
        partes << QStringLiteral("No se agregaron:\n") + rechazados.join(QLatin1Char('\n'));
    Prompter::actual().mensaje(partes.join(QStringLiteral("\n\n")),
                               rechazados.isEmpty() ? MSG_INFORMATION : MSG_WARNING);
    return int(agregados.size());
}

#include "TContenidoReportes.h"

#include "Constantes.h"
#include "Entidades.h"
#include "Errores.h"
#include "Prompter.h"
#include "TModeloComprobantes.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <QValueAxis>

using namespace Constantes;

namespace {

QLabel* importe(QWidget* padre, const QString& nombre)
{
    auto* etiqueta = new QLabel(padre);
    etiqueta->setObjectName(nombre);
    etiqueta->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    etiqueta->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return etiqueta;
}

QPushButton* boton(QWidget* padre, const QString& nombre, const QString& texto)
{
    auto* b = new QPushButton(texto, padre);
    b->setObjectName(nombre);
    return b;
}

} // namespace

TContenidoReportes::TContenidoReportes(const TNegocio* negocio, const TConexionSesion* conexion, QWidget* parent)
    : QWidget(parent), m_negocio(negocio), m_conexion(conexion), m_modelo(new TModeloComprobantes(this))
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
        fecha->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
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
        m_tipo->addItem(letra + QStringLiteral(" - ") + nombre, letra);
    auto* etiquetaTipo = new QLabel(QStringLiteral("Tipo"), this);
    etiquetaTipo->setBuddy(m_tipo);
    m_receptor = new QLineEdit(this);
    m_receptor->setObjectName(QStringLiteral("EdReceptor"));
    m_receptor->setPlaceholderText(QStringLiteral("RFC o nombre del receptor"));
    m_receptor->setClearButtonEnabled(true);
    auto* etiquetaReceptor = new QLabel(QStringLiteral("Receptor"), this);
    etiquetaReceptor->setBuddy(m_receptor);
    m_buscar = boton(this, QStringLiteral("BtBuscar"), QStringLiteral("Buscar"));
    m_buscar->setDefault(true);
    m_exportar = boton(this, QStringLiteral("BtExportarCsv"), QStringLiteral("Exportar CSV"));
    filtros->addWidget(m_porFecha, 0, 0);
    filtros->addWidget(etiquetaDesde, 0, 1);
    filtros->addWidget(m_desde, 0, 2);
    filtros->addWidget(etiquetaHasta, 0, 3);
    filtros->addWidget(m_hasta, 0, 4);
    filtros->addWidget(etiquetaTipo, 1, 1);
    filtros->addWidget(m_tipo, 1, 2);
    filtros->addWidget(etiquetaReceptor, 1, 3);
    filtros->addWidget(m_receptor, 1, 4, 1, 2);
    filtros->addWidget(m_buscar, 0, 6);
    filtros->addWidget(m_exportar, 1, 6);
    filtros->setColumnStretch(5, 1);
    diseno->addLayout(filtros);

    // The list and the chart.
    m_paginas = new QTabWidget(this);
    m_paginas->setObjectName(QStringLiteral("TbReportes"));
    auto* lista = new QWidget(m_paginas);
    auto* dLista = new QVBoxLayout(lista);
    dLista->setContentsMargins(0, 4, 0, 0);
    m_tabla = new QTableView(lista);
    m_tabla->setObjectName(QStringLiteral("GrComprobantes"));
    m_tabla->setModel(m_modelo);
    m_tabla->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tabla->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tabla->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tabla->setAlternatingRowColors(true);
    m_tabla->verticalHeader()->hide();
    m_tabla->verticalHeader()->setDefaultSectionSize(22);
    m_tabla->horizontalHeader()->setStretchLastSection(true);
    m_tabla->setWordWrap(false);
    m_tabla->setToolTip(QStringLiteral("Doble clic o Enter en un comprobante muestra su XML"));
    m_mostrando = new QLabel(lista);
    m_mostrando->setObjectName(QStringLiteral("TxMostrando"));
    dLista->addWidget(m_tabla, 1);
    dLista->addWidget(m_mostrando);
    m_paginas->addTab(lista, QStringLiteral("Comprobantes"));
    m_grafica = new QChartView(m_paginas);
    m_grafica->setObjectName(QStringLiteral("GrMensual"));
    m_grafica->setRenderHint(QPainter::Antialiasing);
    m_paginas->addTab(m_grafica, QStringLiteral("Gráfica mensual"));
    diseno->addWidget(m_paginas, 1);

    // Totals of what the filter takes, summed by the database; in two rows
    // so that the widest amounts fit beside the menus.
    auto* totales = new QGridLayout();
    m_cantidad = importe(this, QStringLiteral("TxCantidad"));
    m_subtotal = importe(this, QStringLiteral("TxSubtotal"));
    m_trasladados = importe(this, QStringLiteral("TxTrasladados"));
    m_retenidos = importe(this, QStringLiteral("TxRetenidos"));
    m_total = importe(this, QStringLiteral("TxTotal"));
    const QList<std::pair<QString, QLabel*>> celdas = {{QStringLiteral("Comprobantes:"), m_cantidad},
                                                       {QStringLiteral("Subtotal:"), m_subtotal},
                                                       {QStringLiteral("Total:"), m_total},
                                                       {QStringLiteral("Trasladados:"), m_trasladados},
                                                       {QStringLiteral("Retenidos:"), m_retenidos}};
    for (int i = 0; i < celdas.size(); ++i) {
        auto* titulo = new QLabel(celdas.at(i).first, this);
        titulo->setBuddy(celdas.at(i).second);
        totales->addWidget(titulo, i / 3, (i % 3) * 2);
        totales->addWidget(celdas.at(i).second, i / 3, (i % 3) * 2 + 1);
    }
    totales->setColumnStretch(6, 1);
    QFont negritas = m_total->font();
    negritas.setBold(true);
    m_total->setFont(negritas);
    diseno->addLayout(totales);

    connect(m_porFecha, &QCheckBox::toggled, this, [this](bool activo) {
        m_desde->setEnabled(activo);
        m_hasta->setEnabled(activo);
    });
    connect(m_buscar, &QPushButton::clicked, this, &TContenidoReportes::busca);
    connect(m_receptor, &QLineEdit::returnPressed, this, &TContenidoReportes::busca);
    connect(m_exportar, &QPushButton::clicked, this, &TContenidoReportes::eligeArchivoCsv);
    connect(m_tabla, &QTableView::activated, this,
            [this](const QModelIndex& indice) { abreComprobante(indice.row()); });
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
    m_titulo->setText(QStringLiteral("Comprobantes de ") + m_negocio->getNombre());
    m_paginas->setCurrentIndex(m_texto == ACCION_GRAFICA ? 1 : 0);
    busca();
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
    return f;
}

void TContenidoReportes::busca()
{
    const TFiltroComprobantes f = filtro();
    try {
        const TResumenComprobantes resumen = ConsultaComprobantes::resumen(*m_conexion, f);
        m_totalFilas = resumen.totales.cantidad;
        m_modelo->consulta(*m_conexion, f);
        m_tabla->resizeColumnsToContents();
        actualizaTotales(resumen.totales);
        actualizaGrafica(resumen.meses);
    } catch (const std::exception& e) {
        m_totalFilas = 0;
        m_modelo->limpia();
        actualizaTotales({});
        actualizaGrafica({});
        muestraError(e);
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

void TContenidoReportes::actualizaTotales(const TTotalesComprobantes& totales)
{
    m_cantidad->setText(QString::number(totales.cantidad));
    m_subtotal->setText(ConsultaComprobantes::textoImporte(totales.subtotal));
    m_trasladados->setText(ConsultaComprobantes::textoImporte(totales.trasladados));
    m_retenidos->setText(ConsultaComprobantes::textoImporte(totales.retenidos));
    m_total->setText(ConsultaComprobantes::textoImporte(totales.total));
}

void TContenidoReportes::actualizaGrafica(const QList<TTotalMensual>& meses)
{
    auto* grafica = new QChart();
    grafica->setTitle(QStringLiteral("Total emitido por mes"));
    grafica->legend()->hide();
    auto* serie = new QBarSeries(grafica);
    auto* barras = new QBarSet(QStringLiteral("Total"), serie);
    QStringList categorias;
    const QLocale espanol(QLocale::Spanish, QLocale::Mexico);
    double maximo = 0;
    for (const TTotalMensual& m : meses) {
        // Only the drawing takes the amount as a double; the amounts shown
        // are the exact ones.
        const double valor = m.total.texto().toDouble();
        barras->append(valor);
        maximo = qMax(maximo, valor);
        categorias << espanol.toString(m.mes, QStringLiteral("MMM yyyy"));
    }
    serie->append(barras);
    grafica->addSeries(serie);
    auto* ejeMeses = new QBarCategoryAxis(grafica);
    ejeMeses->append(categorias);
    grafica->addAxis(ejeMeses, Qt::AlignBottom);
    serie->attachAxis(ejeMeses);
    auto* ejeImportes = new QValueAxis(grafica);
    ejeImportes->setRange(0, maximo > 0 ? maximo * 1.1 : 1);
    ejeImportes->setLabelFormat(QStringLiteral("%.0f"));
    ejeImportes->applyNiceNumbers();
    grafica->addAxis(ejeImportes, Qt::AlignLeft);
    serie->attachAxis(ejeImportes);
    QChart* anterior = m_grafica->chart();
    m_grafica->setChart(grafica);
    delete anterior;
}

void TContenidoReportes::eligeArchivoCsv()
{
    const QString ruta =
        QFileDialog::getSaveFileName(this, QStringLiteral("Exportar comprobantes"), QStringLiteral("Comprobantes.csv"),
                                     QStringLiteral("Archivo CSV (*.csv)"));
    if (!ruta.isEmpty())
        exportaCsv(ruta);
}

bool TContenidoReportes::exportaCsv(const QString& ruta)
{
    // Written beside and put in place at the end: a failed export never
    // leaves half a file under the chosen name.
    QSaveFile archivo(ruta);
    try {
        if (!archivo.open(QIODevice::WriteOnly))
            throw EEntradaSalida(QStringLiteral("No se pudo crear el archivo %1: %2").arg(ruta, archivo.errorString()));
        ConsultaComprobantes::exportaCsv(*m_conexion, filtro(), archivo);
        if (!archivo.commit())
            throw EEntradaSalida(
                QStringLiteral("No se pudo guardar el archivo %1: %2").arg(ruta, archivo.errorString()));
    } catch (const std::exception& e) {
        archivo.cancelWriting();
        muestraError(e);
        return false;
    }
    Prompter::actual().mensaje(QStringLiteral("Los comprobantes se exportaron a %1.").arg(ruta), MSG_INFORMATION);
    return true;
}

void TContenidoReportes::abreComprobante(int fila)
{
    if (fila < 0 || fila >= m_modelo->rowCount())
        return;
    const TFilaComprobante& comprobante = m_modelo->fila(fila);
    QByteArray xml;
    try {
        xml = ConsultaComprobantes::xml(*m_conexion, m_negocio->getIdnegocio(), comprobante.id);
    } catch (const std::exception& e) {
        muestraError(e);
        return;
    }
    if (xml.isEmpty()) {
        Prompter::actual().mensaje(QStringLiteral("Este comprobante no tiene su XML guardado."), MSG_WARNING);
        return;
    }
    auto* dialogo = new QDialog(this);
    dialogo->setObjectName(QStringLiteral("DlgComprobanteXml"));
    dialogo->setAttribute(Qt::WA_DeleteOnClose);
    dialogo->setWindowTitle(QStringLiteral("Comprobante ") + comprobante.uuid);
    dialogo->resize(760, 560);
    auto* diseno = new QVBoxLayout(dialogo);
    auto* texto = new QPlainTextEdit(dialogo);
    texto->setObjectName(QStringLiteral("EdXml"));
    texto->setReadOnly(true);
    texto->setLineWrapMode(QPlainTextEdit::NoWrap);
    texto->setPlainText(QString::fromUtf8(xml));
    auto* botones = new QDialogButtonBox(QDialogButtonBox::Close, dialogo);
    botones->button(QDialogButtonBox::Close)->setText(QStringLiteral("Cerrar"));
    connect(botones, &QDialogButtonBox::rejected, dialogo, &QDialog::close);
    diseno->addWidget(texto);
    diseno->addWidget(botones);
    dialogo->show();
}

void TContenidoReportes::muestraError(const std::exception& e)
{
    const auto* propio = dynamic_cast<const EVelkor*>(&e);
    Prompter::actual().mensaje(propio ? propio->mensaje() : QString::fromLocal8Bit(e.what()), MSG_ERROR);
}

#include "TDlgComprobante.h"

#include "Constantes.h"
#include "Archivos.h"
#include "Errores.h"
#include "Prompter.h"
#include "SelectorArchivos.h"
#include "TModeloComprobantes.h"
#include "TablaLectura.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include <cerrno>
#include <tuple>

using namespace Constantes;

namespace {

QLabel* dato(QWidget* padre, const QString& nombre, const QString& texto)
{
    auto* etiqueta = new QLabel(texto.isEmpty() ? QStringLiteral("—") : texto, padre);
    etiqueta->setObjectName(nombre);
    etiqueta->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return etiqueta;
}

QGroupBox* grupo(QWidget* padre, const QString& titulo, const QList<std::tuple<QString, QString, QString>>& filas)
{
    auto* caja = new QGroupBox(titulo, padre);
    auto* forma = new QFormLayout(caja);
    for (const auto& [nombre, rotulo, texto] : filas)
        forma->addRow(rotulo, dato(caja, nombre, texto));
    return caja;
}

QTableView* tabla(QWidget* padre, const QString& nombre, const QStringList& titulos, const QList<QStringList>& filas,
                  const QList<int>& aLaDerecha)
{
    auto* modelo = new QStandardItemModel(int(filas.size()), int(titulos.size()), padre);
    modelo->setHorizontalHeaderLabels(titulos);
    for (int f = 0; f < filas.size(); ++f)
        for (int c = 0; c < titulos.size(); ++c) {
            auto* celda = new QStandardItem(filas.at(f).value(c));
            celda->setEditable(false);
            if (aLaDerecha.contains(c))
                celda->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            modelo->setItem(f, c, celda);
        }
    QTableView* vista = tablaLectura(padre, nombre, modelo);
    vista->resizeColumnsToContents();
    return vista;
}

} // namespace

TDlgComprobante::TDlgComprobante(const TVistaComprobante& vista, const QByteArray& xml, QWidget* parent)
    : QDialog(parent), m_vista(vista), m_xml(xml)
{
    setObjectName(QStringLiteral("DlgComprobante"));
    const QString serieFolio = QStringList{vista.serie, vista.folio}.join(QLatin1Char(' ')).trimmed();
    setWindowTitle(QStringLiteral("Comprobante ") + (serieFolio.isEmpty() ? vista.uuid : serieFolio));
    resize(860, 640);
    auto* diseno = new QVBoxLayout(this);

    // Said before anything else: a cancelled voucher was never owed.
    if (vista.cancelado) {
        auto* aviso = new QGroupBox(this);
        aviso->setObjectName(QStringLiteral("PnCancelado"));
        aviso->setStyleSheet(
            QStringLiteral("#PnCancelado { background: %1; border: 1px solid %2; border-radius: 4px; }")
                .arg(TModeloComprobantes::COLOR_ALTERADO_FONDO.name(),
                     TModeloComprobantes::COLOR_ALTERADO_TEXTO.name()));
        auto* lineaAviso = new QHBoxLayout(aviso);
        QLabel* texto = dato(aviso, QStringLiteral("TxCancelado"),
                             vista.fechaCancelacion.isValid()
                                 ? QStringLiteral("Cancelado ante el SAT el %1")
                                       .arg(vista.fechaCancelacion.toString(ConsultaComprobantes::FORMATO_FECHA))
                                 : QStringLiteral("Cancelado ante el SAT"));
        QFont fuerte = texto->font();
        fuerte.setBold(true);
        fuerte.setPointSizeF(fuerte.pointSizeF() * 1.15);
        texto->setFont(fuerte);
        QLabel* detalle =
            dato(aviso, QStringLiteral("TxDetalleCancelado"),
                 QStringLiteral("No suma en los totales de los reportes. El XML se conserva como llegó."));
        detalle->setWordWrap(true);
        for (QLabel* l : {texto, detalle}) {
            QPalette paleta = l->palette();
            paleta.setColor(QPalette::WindowText, TModeloComprobantes::COLOR_ALTERADO_TEXTO);
            l->setPalette(paleta);
        }
        lineaAviso->addWidget(texto);
        lineaAviso->addSpacing(12);
        lineaAviso->addWidget(detalle, 1);
        diseno->addWidget(aviso);
    }

    auto* cabecera = new QGridLayout();
    cabecera->addWidget(grupo(this, QStringLiteral("Comprobante"),
                              {{QStringLiteral("TxTipo"), QStringLiteral("Tipo:"), vista.tipo},
                               {QStringLiteral("TxSerieFolio"), QStringLiteral("Serie y folio:"), serieFolio},
                               {QStringLiteral("TxFecha"), QStringLiteral("Fecha:"), vista.fecha},
                               {QStringLiteral("TxVersion"), QStringLiteral("Versión:"), vista.version},
                               {QStringLiteral("TxMoneda"), QStringLiteral("Moneda:"), vista.moneda}}),
                        0, 0, 2, 1);
    cabecera->addWidget(grupo(this, QStringLiteral("Emisor"),
                              {{QStringLiteral("TxRfcEmisor"), QStringLiteral("RFC:"), vista.emisor.rfc},
                               {QStringLiteral("TxNombreEmisor"), QStringLiteral("Nombre:"), vista.emisor.nombre}}),
                        0, 1);
    cabecera->addWidget(grupo(this, QStringLiteral("Receptor"),
                              {{QStringLiteral("TxRfcReceptor"), QStringLiteral("RFC:"), vista.receptor.rfc},
                               {QStringLiteral("TxNombreReceptor"), QStringLiteral("Nombre:"), vista.receptor.nombre}}),
                        1, 1);
    cabecera->setColumnStretch(1, 1);
    diseno->addLayout(cabecera);

    QList<QStringList> lineas;
    for (const TLineaComprobante& l : vista.lineas)
        lineas << QStringList{l.cantidad, l.unidad, l.descripcion, l.valorUnitario, l.importe};
    QTableView* conceptos = tabla(this, QStringLiteral("GrConceptos"),
                                  {QStringLiteral("Cantidad"), QStringLiteral("Unidad"), QStringLiteral("Descripción"),
                                   QStringLiteral("Precio unitario"), QStringLiteral("Importe")},
                                  lineas, {0, 3, 4});
    conceptos->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    diseno->addWidget(new QLabel(QStringLiteral("Conceptos"), this));
    diseno->addWidget(conceptos, 1);

    QList<QStringList> impuestos;
    for (const TImpuestoComprobante& i : vista.impuestos)
        impuestos << QStringList{i.retenido ? QStringLiteral("Retenido") : QStringLiteral("Trasladado"), i.impuesto,
                                 i.tasa, i.importe};
    QTableView* tablaImpuestos = tabla(
        this, QStringLiteral("GrImpuestos"),
        {QStringLiteral("Tipo"), QStringLiteral("Impuesto"), QStringLiteral("Tasa o cuota"), QStringLiteral("Importe")},
        impuestos, {2, 3});
    tablaImpuestos->horizontalHeader()->setStretchLastSection(true);
    tablaImpuestos->setMaximumHeight(130);

    auto* pie = new QGridLayout();
    auto* cajaImpuestos = new QGroupBox(QStringLiteral("Impuestos"), this);
    (new QVBoxLayout(cajaImpuestos))->addWidget(tablaImpuestos);
    pie->addWidget(cajaImpuestos, 0, 0);
    QList<std::tuple<QString, QString, QString>> totales = {
        {QStringLiteral("TxSubtotal"), QStringLiteral("Subtotal:"), vista.subtotal}};
    if (!vista.descuento.isEmpty())
        totales.append({QStringLiteral("TxDescuento"), QStringLiteral("Descuento:"), vista.descuento});
    totales.append({QStringLiteral("TxTrasladados"), QStringLiteral("Impuestos trasladados:"), vista.trasladados});
    totales.append({QStringLiteral("TxRetenidos"), QStringLiteral("Impuestos retenidos:"), vista.retenidos});
    totales.append({QStringLiteral("TxTotal"), QStringLiteral("Total:"), vista.total});
    QGroupBox* cajaTotales = grupo(this, QStringLiteral("Totales"), totales);
    for (QLabel* importe : cajaTotales->findChildren<QLabel*>(QRegularExpression(QStringLiteral("^Tx"))))
        importe->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont negritas = font();
    negritas.setBold(true);
    cajaTotales->findChild<QLabel*>(QStringLiteral("TxTotal"))->setFont(negritas);
    pie->addWidget(cajaTotales, 0, 1);
    pie->setColumnStretch(0, 1);
    diseno->addLayout(pie);

    // The stamp in one line: its UUID is long.
    auto* timbre = new QGroupBox(QStringLiteral("Timbre fiscal"), this);
    auto* lineaTimbre = new QHBoxLayout(timbre);
    const QList<std::tuple<QString, QString, QString>> datosTimbre = {
        {QStringLiteral("TxUuid"), QStringLiteral("UUID:"), vista.uuid},
        {QStringLiteral("TxFechaTimbrado"), QStringLiteral("Fecha de timbrado:"), vista.fechaTimbrado},
        {QStringLiteral("TxCertificadoSat"), QStringLiteral("Certificado del SAT:"), vista.certificadoSat}};
    for (const auto& [nombre, rotulo, texto] : datosTimbre) {
        lineaTimbre->addWidget(new QLabel(rotulo, timbre));
        lineaTimbre->addWidget(dato(timbre, nombre, texto));
        lineaTimbre->addSpacing(12);
    }
    lineaTimbre->addStretch();
    diseno->addWidget(timbre);

    if (!vista.sello.isEmpty()) {
        auto* sello = new QGroupBox(QStringLiteral("Sello"), this);
        auto* lineaSello = new QHBoxLayout(sello);
        QLabel* estado = dato(sello, QStringLiteral("TxSello"), vista.sello);
        QFont fuerte = estado->font();
        fuerte.setBold(true);
        estado->setFont(fuerte);
        QLabel* motivo = dato(sello, QStringLiteral("TxMotivoSello"), vista.motivoSello);
        motivo->setWordWrap(true);
        if (!TModeloComprobantes::advertenciaSello(vista.sello).isEmpty()) {
            for (QLabel* l : {estado, motivo}) {
                QPalette paleta = l->palette();
                paleta.setColor(QPalette::WindowText, TModeloComprobantes::COLOR_ALTERADO_TEXTO);
                l->setPalette(paleta);
            }
        }
        lineaSello->addWidget(estado);
        lineaSello->addSpacing(12);
        lineaSello->addWidget(motivo, 1);
        diseno->addWidget(sello);
    }

    auto* botones = new QDialogButtonBox(this);
    QPushButton* guardar = botones->addButton(QStringLiteral("Guardar XML"), QDialogButtonBox::ActionRole);
    guardar->setObjectName(QStringLiteral("BtGuardarXml"));
    QPushButton* cerrar = botones->addButton(QStringLiteral("Cerrar"), QDialogButtonBox::RejectRole);
    cerrar->setObjectName(QStringLiteral("BtCerrar"));
    cerrar->setDefault(true);
    connect(guardar, &QPushButton::clicked, this, [this] { guardaXml(); });
    connect(botones, &QDialogButtonBox::rejected, this, &QDialog::reject);
    diseno->addWidget(botones);
    conceptos->setFocus();
}

QString TDlgComprobante::nombreArchivo() const
{
    const QString nombre = m_vista.uuid.isEmpty()
                               ? QStringList{m_vista.serie, m_vista.folio}.join(QLatin1Char('_')).trimmed()
                               : m_vista.uuid;
    return (nombre.isEmpty() || nombre == QLatin1String("_") ? QStringLiteral("Comprobante") : nombre) +
           QStringLiteral(".xml");
}

bool TDlgComprobante::guardaXml()
{
    // The save dialog proposes the name and asks before replacing a file.
    const QString ruta = SelectorArchivos::guardar(this, QStringLiteral("Guardar XML"), nombreArchivo(),
                                                   QStringLiteral("Comprobante XML (*.xml)"));
    if (ruta.isEmpty())
        return false;
    // Written beside and put in place at the end: never half a file. Why it
    // failed comes from the system's error number, as Qt's own texts are
    // English.
    QSaveFile archivo(ruta);
    if (!archivo.open(QIODevice::WriteOnly) || !archivo.setPermissions(QFile::ReadOwner | QFile::WriteOwner) ||
        archivo.write(m_xml) != m_xml.size() || !Archivos::termina(archivo)) {
        const int numero = errno;
        Prompter::actual().mensaje(QStringLiteral("No se pudo guardar %1: %2")
                                       .arg(QDir::toNativeSeparators(ruta), Errores::delSistema(numero)),
                                   MSG_ERROR);
        return false;
    }
    Prompter::actual().mensaje(QStringLiteral("El XML se guardó en %1.").arg(QDir::toNativeSeparators(ruta)),
                               MSG_INFORMATION);
    return true;
}

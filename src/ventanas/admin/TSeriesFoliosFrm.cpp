#include "TSeriesFoliosFrm.h"

#include "Constantes.h"
#include "Controles.h"
#include "Entidades.h"
#include "Sistema.h"
#include "Style.h"
#include "admin/TSeries.h"
#include "negocio/Utils.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

using namespace Constantes;

namespace {

// Refuses the characters a series name may not hold, typed or pasted.
class TValidadorSerie : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& texto, int&) const override
    {
        for (const QChar c : texto)
            if (!Series::caracterPermitido(c))
                return Invalid;
        return Acceptable;
    }
};

} // namespace

TSeriesFoliosFrm::TSeriesFoliosFrm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("SeriesFoliosFrm"));
    setWindowTitle(QStringLiteral("Configuración de series y folios"));
    setModal(true);

    RcFondo = new QWidget(this);
    RcFondo->setObjectName(QStringLiteral("RcFondo"));
    auto* ventana = new QVBoxLayout(this);
    ventana->setContentsMargins(0, 0, 0, 0);
    ventana->addWidget(RcFondo);

    TxSeriesFolios =
        Controles::texto(RcFondo, QStringLiteral("TxSeriesFolios"), QStringLiteral("Ingresa la serie y el folio"));
    QFont titulo = TxSeriesFolios->font();
    titulo.setPointSize(titulo.pointSize() + 2);
    titulo.setBold(true);
    TxSeriesFolios->setFont(titulo);

    EdSerie = Controles::campo(RcFondo, QStringLiteral("EdSerie"), QStringLiteral("Serie"));
    CmbTipoSerie = new QComboBox(RcFondo);
    CmbTipoSerie->setObjectName(QStringLiteral("CmbTipoSerie"));
    CmbSucursal = new QComboBox(RcFondo);
    CmbSucursal->setObjectName(QStringLiteral("CmbSucursal"));
    EdFolio = Controles::campo(RcFondo, QStringLiteral("EdFolio"), QStringLiteral("Folio Inicial"));

    auto* formulario = new QFormLayout();
    formulario->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    formulario->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    formulario->addRow(Controles::etiqueta(RcFondo, EdSerie, QStringLiteral("&Serie:")), EdSerie);
    formulario->addRow(Controles::etiqueta(RcFondo, CmbTipoSerie, QStringLiteral("&Tipo:")), CmbTipoSerie);
    formulario->addRow(Controles::etiqueta(RcFondo, CmbSucursal, QStringLiteral("S&ucursal:")), CmbSucursal);
    TxFolio = Controles::etiqueta(RcFondo, EdFolio, QStringLiteral("&Folio Inicial:"));
    formulario->addRow(TxFolio, EdFolio);

    BtCancelar = Controles::boton(RcFondo, QStringLiteral("BtCancelar"), QStringLiteral("Cancelar"));
    BtGuardar = Controles::boton(RcFondo, QStringLiteral("BtGuardar"), QStringLiteral("Guardar"));
    auto* botones = new QHBoxLayout();
    botones->addStretch();
    botones->addWidget(BtCancelar);
    botones->addWidget(BtGuardar);

    auto* contenido = new QVBoxLayout(RcFondo);
    contenido->setContentsMargins(16, 12, 16, 12);
    contenido->addWidget(TxSeriesFolios);
    contenido->addLayout(formulario);
    contenido->addStretch();
    contenido->addLayout(botones);

    connect(BtGuardar, &QPushButton::clicked, this, &TSeriesFoliosFrm::BtGuardarClick);
    connect(BtCancelar, &QPushButton::clicked, this, &QDialog::reject);
    FormCreate();
}

void TSeriesFoliosFrm::FormCreate()
{
    const Style::TStyleFrm& estilo = Style::StyleFrm();
    Controles::fondo(RcFondo, QBrush(estilo.getRectangleGradient(Sistema::claveMarca)));
    Controles::colorTexto(TxSeriesFolios, RS_TEXTOSECCION);
    Controles::estiloBotonesMarca({BtGuardar, BtCancelar});
    BtGuardar->setDefault(true);
    Controles::largoColumna(EdFolio, TSerie::tablaEsquema(), TSerie::col_Nofolioactual);
    EdFolio->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), EdFolio));
    Controles::largoColumna(EdSerie, TSerie::tablaEsquema(), TSerie::col_Serie);
    EdSerie->setValidator(new TValidadorSerie(EdSerie));
    CmbTipoSerie->addItems(Series::tiposComprobante());
    Controles::ordenTabulacion({EdSerie, CmbTipoSerie, CmbSucursal, EdFolio, BtCancelar, BtGuardar});
    setMinimumWidth(420);
}

void TSeriesFoliosFrm::fijaCombosSoloLectura(bool soloLectura)
{
    // Shown greyed: they tell which series is edited, and cannot change.
    for (QComboBox* lista : {CmbTipoSerie, CmbSucursal})
        lista->setEnabled(!soloLectura);
}

void TSeriesFoliosFrm::llenaSucursales()
{
    CmbSucursal->clear();
    if (!Sistema::Negocio || !Sistema::Conexion)
        return;
    for (const TSucursal& sucursal : TSucursal::getByNegocio(*Sistema::Negocio, *Sistema::Conexion))
        CmbSucursal->addItem(sucursal.getNombre());
    CmbSucursal->setCurrentIndex(-1);
}

void TSeriesFoliosFrm::inicializa()
{
    idSerie = -1;
    CmbTipoSerie->setCurrentIndex(-1);
    llenaSucursales();
    EdFolio->clear();
    EdSerie->clear();
    EdSerie->setEnabled(!isEditar);
    // A new series needs its type and branch, whatever the last opening left.
    if (!isEditar)
        fijaCombosSoloLectura(false);
    TxFolio->setText(isEditar ? QStringLiteral("&Folio actual:") : QStringLiteral("&Folio Inicial:"));
    for (QWidget* campo : {static_cast<QWidget*>(EdSerie), static_cast<QWidget*>(CmbTipoSerie),
                           static_cast<QWidget*>(CmbSucursal), static_cast<QWidget*>(EdFolio)})
        Controles::quitaError(campo);
    (isEditar ? EdFolio : EdSerie)->setFocus();
}

void TSeriesFoliosFrm::inicializa(qint64 serieElegida)
{
    inicializa();
    idSerie = serieElegida;
    if (!Sistema::Conexion)
        return;
    const std::unique_ptr<TSerie> serie = TSerie::getById(static_cast<int>(serieElegida), *Sistema::Conexion);
    if (!serie)
        return;
    EdSerie->setText(serie->getSerie());
    CmbTipoSerie->setCurrentIndex(Series::indiceTipo(serie->getTipodecomprobante()));
    if (const std::shared_ptr<TSucursal> sucursal = serie->getSucursal())
        CmbSucursal->setCurrentIndex(CmbSucursal->findText(sucursal->getNombre()));
    EdFolio->setText(serie->getNofolioactual());
    EdFolio->selectAll();
}

void TSeriesFoliosFrm::BtGuardarClick()
{
    if (!Sistema::Negocio || !Sistema::Conexion || !Sistema::Usuario)
        return;
    Series::TDatos datos;
    datos.serie = EdSerie->text();
    datos.tipo = CmbTipoSerie->currentIndex();
    datos.sucursal = CmbSucursal->currentIndex() >= 0 ? CmbSucursal->currentText() : QString();
    datos.folio = EdFolio->text();
    Series::TResultado resultado;
    if (!Utils::protegido(
            [&] {
                resultado = Series::guarda(datos, isEditar, static_cast<int>(idSerie), *Sistema::Negocio,
                                           *Sistema::Conexion, Sistema::Usuario->getIdusuario());
            },
            QStringLiteral("No se guardó la serie; lo guardado antes no cambió.") + SALTO))
        return;
    if (resultado == Series::TResultado::Guardada) {
        accept();
        return;
    }
    QWidget* campo = nullptr;
    switch (resultado) {
    case Series::TResultado::SinSucursal:
        campo = CmbSucursal;
        break;
    case Series::TResultado::SinFolio:
    case Series::TResultado::FolioNoValido:
        campo = EdFolio;
        break;
    case Series::TResultado::SinTipo:
        campo = CmbTipoSerie;
        break;
    case Series::TResultado::SinNombre:
    case Series::TResultado::NombreNoValido:
    case Series::TResultado::Existente:
        campo = EdSerie;
        break;
    default:
        break;
    }
    Controles::marcaError(campo);
    Utils::mensaje(Series::mensaje(resultado), MSG_ERROR);
    if (campo && campo->focusPolicy() != Qt::NoFocus)
        campo->setFocus();
}

#include "TSucursalesFrm.h"

#include "Constantes.h"
#include "Controles.h"
#include "Entidades.h"
#include "Errores.h"
#include "Sistema.h"
#include "Style.h"
#include "TDireccionesFrm.h"
#include "admin/TSucursales.h"
#include "negocio/Utils.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Constantes;

namespace {

constexpr int ANCHO_ETIQUETAS = 130;

// A list left on its prompt is no value.
QString elegido(QComboBox* lista)
{
    return lista->currentIndex() > 0 ? lista->currentText().trimmed() : QString();
}

} // namespace

TSucursalesFrm::TSucursalesFrm(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("SucursalesFrm"));
    setWindowTitle(QStringLiteral("Sucursales"));
    setModal(true);

    RcFondo = new QWidget(this);
    RcFondo->setObjectName(QStringLiteral("RcFondo"));
    auto* ventana = new QVBoxLayout(this);
    ventana->setContentsMargins(0, 0, 0, 0);
    ventana->addWidget(RcFondo);

    TxSucursales = Controles::texto(RcFondo, QStringLiteral("TxSucursales"),
                                    QStringLiteral("Ingresa la información de la sucursal"));
    QFont titulo = TxSucursales->font();
    titulo.setPointSize(titulo.pointSize() + 2);
    titulo.setBold(true);
    TxSucursales->setFont(titulo);

    EdNombreSucursal =
        Controles::campo(RcFondo, QStringLiteral("EdNombreSucursal"), QStringLiteral("Nombre de la Sucursal"));
    ChkCopiaMatriz = new QCheckBox(QStringLiteral("Co&piar dirección de la Matriz"), RcFondo);
    ChkCopiaMatriz->setObjectName(QStringLiteral("ChkCopiaMatriz"));

    auto* formulario = new QFormLayout();
    formulario->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QLabel* etiqueta = Controles::etiqueta(RcFondo, EdNombreSucursal, QStringLiteral("&Nombre:"));
    etiqueta->setMinimumWidth(ANCHO_ETIQUETAS);
    etiqueta->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    formulario->addRow(etiqueta, EdNombreSucursal);
    formulario->addRow(QString(), ChkCopiaMatriz);

    TxDireccion = new QWidget(RcFondo);
    TxDireccion->setObjectName(QStringLiteral("TxDireccion"));
    auto* direccion = new QVBoxLayout(TxDireccion);
    direccion->setContentsMargins(0, 0, 0, 0);
    DireccionesFrm = new TDireccionesFrm(TxDireccion);
    DireccionesFrm->setAnchoEtiquetas(ANCHO_ETIQUETAS);
    direccion->addWidget(DireccionesFrm);

    BtCancelar = Controles::boton(RcFondo, QStringLiteral("BtCancelar"), QStringLiteral("Cancelar"));
    BtEditar = Controles::boton(RcFondo, QStringLiteral("BtEditar"), BTN_GUARDAR);
    auto* botones = new QHBoxLayout();
    botones->addStretch();
    botones->addWidget(BtCancelar);
    botones->addWidget(BtEditar);

    auto* contenido = new QVBoxLayout(RcFondo);
    contenido->setContentsMargins(16, 12, 16, 12);
    contenido->addWidget(TxSucursales);
    contenido->addLayout(formulario);
    contenido->addWidget(TxDireccion);
    contenido->addStretch();
    contenido->addLayout(botones);

    connect(ChkCopiaMatriz, &QCheckBox::toggled, this, &TSucursalesFrm::ChkCopiaMatrizChange);
    connect(BtEditar, &QPushButton::clicked, this, &TSucursalesFrm::BtEditarClick);
    connect(BtCancelar, &QPushButton::clicked, this, &QDialog::reject);
    FormCreate();
}

void TSucursalesFrm::FormCreate()
{
    const Style::TStyleFrm& estilo = Style::StyleFrm();
    Controles::fondo(RcFondo, QBrush(estilo.getRectangleGradient(Sistema::claveMarca)));
    Controles::colorTexto(TxSucursales, RS_TEXTOSECCION);
    Controles::estiloBotonesMarca({BtEditar, BtCancelar});
    BtEditar->setDefault(true);
    EdNombreSucursal->setMaxLength(255);
    Controles::largoColumna(EdNombreSucursal, TSucursal::tablaEsquema(), TSucursal::col_Nombre);
    ordenTabulacion();
    // Room for the address panel's two columns of fields.
    setMinimumWidth(660);
}

void TSucursalesFrm::ordenTabulacion()
{
    QList<QWidget*> orden = {EdNombreSucursal, ChkCopiaMatriz};
    orden += DireccionesFrm->camposTabulacion();
    orden += {BtCancelar, BtEditar};
    Controles::ordenTabulacion(orden);
}

void TSucursalesFrm::keyPressEvent(QKeyEvent* evento)
{
    // Enter in the postal code confirms the code typed, as on the pages: the
    // list passes it on, and the default button would save the branch half
    // filled in.
    const bool enter = evento->key() == Qt::Key_Return || evento->key() == Qt::Key_Enter;
    if (enter && DireccionesFrm->getCmbCodigoPostal()->hasFocus()) {
        evento->accept();
        return;
    }
    QDialog::keyPressEvent(evento);
}

void TSucursalesFrm::inicializaAgregar()
{
    DireccionesFrm->inicializaDireccion(false);
    sucursal.reset();
    isAgregar = true;
    {
        const QSignalBlocker bloqueo(ChkCopiaMatriz);
        ChkCopiaMatriz->setChecked(false);
    }
    ChkCopiaMatriz->setVisible(true);
    EdNombreSucursal->clear();
    EdNombreSucursal->setReadOnly(false);
    Controles::quitaError(EdNombreSucursal);
    Controles::quitaError(DireccionesFrm->getCmbCodigoPostal());
    BtEditar->setText(BTN_GUARDAR);
    EdNombreSucursal->setFocus();
}

void TSucursalesFrm::inicializaEditar(qint64 idSucursal)
{
    inicializaAgregar();
    if (!Sistema::Conexion)
        return;
    std::unique_ptr<TSucursal> leida = TSucursal::getById(static_cast<int>(idSucursal), *Sistema::Conexion);
    if (!leida || !Sistema::Negocio || leida->getNegocioId() != Sistema::Negocio->getIdnegocio())
        return;
    const bool esMatriz = leida->getTipo() == TSucursal::TIPO_MATRIZ;
    isAgregar = false;
    sucursal = *leida;
    ChkCopiaMatriz->setVisible(!esMatriz);
    EdNombreSucursal->setText(sucursal->getNombre());
    // The head office keeps the name the business gave it.
    EdNombreSucursal->setReadOnly(esMatriz);
    inicializaDireccionSucursal(*sucursal);
    BtEditar->setText(BTN_ACTUALIZAR);
    if (esMatriz)
        DireccionesFrm->getEdCalle()->setFocus();
}

void TSucursalesFrm::inicializaDireccionSucursal(const TSucursal& origen)
{
    DireccionesFrm->inicializaDireccion(false);
    const std::shared_ptr<TDireccion> direccion = origen.getDireccion();
    if (!direccion)
        return;
    DireccionesFrm->inicializaPais(direccion->getPais());
    DireccionesFrm->inicializaEstado(direccion->getEstado());
    DireccionesFrm->inicializaMunicipio(direccion->getMunicipio());
    const std::shared_ptr<TCodigopostal> cp = direccion->getCodigoPostal();
    if (!direccion->getLocalidad().isEmpty()) {
        DireccionesFrm->inicializaLocalidad(direccion->getLocalidad());
        DireccionesFrm->inicializaCodigoPostal(cp ? cp->getCp() : QString());
    } else if (cp) {
        DireccionesFrm->inicializaCodigoPostalSinLocalidad(cp->getCp());
    }
    DireccionesFrm->inicializaColonia(direccion->getColonia());
    DireccionesFrm->setReferencia(direccion->getReferencia());
    DireccionesFrm->setNoExterior(direccion->getNoexterior());
    DireccionesFrm->setNoInterior(direccion->getNointerior());
    DireccionesFrm->setCalle(direccion->getCalle());
}

void TSucursalesFrm::ChkCopiaMatrizChange()
{
    // The addresses are read on first use, from a database that may have gone
    // away since the dialog opened.
    Utils::protegido([this] {
        if (ChkCopiaMatriz->isChecked()) {
            if (Sistema::Negocio && Sistema::Conexion)
                if (const std::unique_ptr<TSucursal> matriz = Sucursales::matriz(*Sistema::Negocio, *Sistema::Conexion))
                    inicializaDireccionSucursal(*matriz);
        } else if (sucursal) {
            inicializaDireccionSucursal(*sucursal);
        } else {
            DireccionesFrm->inicializaDireccion(false);
        }
    });
}

void TSucursalesFrm::BtEditarClick()
{
    if (!Sistema::Negocio || !Sistema::Conexion || !Sistema::Usuario)
        return;
    Sucursales::TDatos datos;
    datos.nombre = EdNombreSucursal->text();
    NuevoNegocio::TDireccion& d = datos.direccion;
    d.calle = DireccionesFrm->getCalle();
    d.noExterior = DireccionesFrm->getNoExterior();
    d.noInterior = DireccionesFrm->getNoInterior();
    d.referencia = DireccionesFrm->getReferencia();
    d.colonia = elegido(DireccionesFrm->getCmbColonia());
    d.localidad = elegido(DireccionesFrm->getCmbLocalidad());
    d.municipio = elegido(DireccionesFrm->getCmbMunicipio());
    d.estado = elegido(DireccionesFrm->getCmbEstado());
    d.pais = elegido(DireccionesFrm->getCmbPais());
    d.codigoPostal = DireccionesFrm->isCodigoPostalElegido() ? DireccionesFrm->getCodigoPostal().trimmed() : QString();

    // The name is checked against the database: one that fails leaves the
    // dialog open with what the user typed.
    QString error;
    if (!Utils::protegido([&] {
            error = Sucursales::valida(datos, sucursal ? &*sucursal : nullptr, *Sistema::Negocio, *Sistema::Conexion);
        }))
        return;
    if (!error.isEmpty()) {
        QWidget* campo = error.contains(ERR_NOMBRE_SUCURSAL_VACIO) || error.contains(ERR_SUCURSAL_YA_EXISTENTE)
                             ? static_cast<QWidget*>(EdNombreSucursal)
                             : DireccionesFrm->getCmbCodigoPostal();
        Controles::marcaError(campo);
        campo->setFocus();
        Utils::mensaje(error, MSG_ERROR);
        return;
    }
    const bool guardada = Utils::protegido(
        [&] {
            const int usuario = Sistema::Usuario->getIdusuario();
            if (isAgregar || !sucursal)
                Sucursales::guardaNueva(datos, *Sistema::Negocio, *Sistema::Conexion, usuario);
            else
                sucursal = Sucursales::actualiza(sucursal->getIdsucursal(), datos, *Sistema::Negocio,
                                                 *Sistema::Conexion, usuario);
        },
        QStringLiteral("No se guardó la sucursal; lo guardado antes no cambió.") + SALTO);
    if (!guardada)
        return;
    // Saved already: a list that cannot be read again now is read at the
    // next sign-in, and the dialog still closes.
    Utils::protegido([] { Sistema::actualizaSucursales(); });
    accept();
}

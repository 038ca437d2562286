#include "TSeccionFiscal.h"

#include "CombosCatalogo.h"
#include "Constantes.h"
#include "Controles.h"
#include "Entidades.h"
#include "Sistema.h"
#include "TDireccionesFrm.h"
#include "negocio/Utils.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Constantes;

TSeccionFiscal::TSeccionFiscal(QWidget* padre)
    : TSeccionEmpresa(padre, QStringLiteral("TxTopDatosFiscales"), QStringLiteral("TxTopDatosFiscalesTituloLeyenda"),
                      QStringLiteral("Información Fiscal (Matriz)"))
{
    QWidget* c = contenido();
    auto* d = new QVBoxLayout(c);
    auto* formulario = Controles::nuevoFormulario();
    EdRFC = Controles::campo(c, QStringLiteral("EdRFC"), QStringLiteral("RFC"));
    EdRFC->setReadOnly(true);
    EdRFC->setMaxLength(13);
    // Read, not typed into: Tab passes it by.
    EdRFC->setFocusPolicy(Qt::ClickFocus);
    EdRazon = Controles::campo(c, QStringLiteral("EdRazon"), QStringLiteral("Razón Social"));
    EdRazon->setMaxLength(255);
    Controles::largoColumna(EdRazon, TDatosfiscales::tablaEsquema(), TDatosfiscales::col_Razon);
    CmbRegimenFiscal = new QComboBox(c);
    CmbRegimenFiscal->setObjectName(QStringLiteral("CmbRegimenFiscal"));
    CmbRegimenFiscal->setEditable(false);
    Controles::fila(formulario, EdRFC, QStringLiteral("RFC"));
    Controles::fila(formulario, EdRazon, QStringLiteral("&Razón Social"));
    Controles::fila(formulario, CmbRegimenFiscal, QStringLiteral("Ré&gimen Fiscal"));
    d->addLayout(formulario);
    d->addWidget(Controles::texto(c, QStringLiteral("TxDomicilioMatriz"),
                                  QStringLiteral("Domicilio de la matriz (se cambia en «Sucursales»)")));
    // Shown only: the head office's address is edited in the branch window.
    DireccionMatriz = new TDireccionesFrm(c);
    DireccionMatriz->setObjectName(QStringLiteral("DireccionMatriz"));
    DireccionMatriz->setEnabled(false);
    d->addWidget(DireccionMatriz);
    BtGuardarIF = Controles::boton(c, QStringLiteral("BtGuardarIF"), QStringLiteral("Guardar"));
    d->addLayout(botones({BtGuardarIF}));
    connect(BtGuardarIF, &QPushButton::clicked, this, &TSeccionFiscal::BtGuardarIFClick);
    connect(EdRazon, &QLineEdit::returnPressed, this, &TSeccionFiscal::BtGuardarIFClick);
}

void TSeccionFiscal::carga()
{
    EdRFC->setText(EdicionEmpresa::rfc());
    EdRazon->setText(EdicionEmpresa::razon());
    CombosCatalogo::inicializaRegimenFiscal(CmbRegimenFiscal, EdRFC->text());
    m_regimenGuardado = CmbRegimenFiscal->currentIndex();
    if (!Sistema::Negocio)
        return;
    const QString regimen = EdicionEmpresa::regimenActual();
    const int indice = CmbRegimenFiscal->findText(regimen);
    if (indice >= 0) {
        CmbRegimenFiscal->setCurrentIndex(indice);
    } else if (!regimen.isEmpty()) {
        // A regime the catalogue lacks still shows, so saving keeps it.
        CmbRegimenFiscal->addItem(regimen);
        CmbRegimenFiscal->setCurrentIndex(CmbRegimenFiscal->count() - 1);
    }
    m_regimenGuardado = CmbRegimenFiscal->currentIndex();
    muestraMatriz();
}

void TSeccionFiscal::enfoca()
{
    EdRazon->setFocus();
}

QList<QWidget*> TSeccionFiscal::ordenTabulacion() const
{
    return {EdRazon, CmbRegimenFiscal, BtGuardarIF};
}

QStringList TSeccionFiscal::cambiosSinGuardar() const
{
    QStringList campos = modificados({EdRazon});
    if (CmbRegimenFiscal->currentIndex() != m_regimenGuardado)
        campos << QStringLiteral("Régimen Fiscal");
    return campos;
}

QString TSeccionFiscal::razon() const
{
    return EdRazon->text();
}

void TSeccionFiscal::fijaRazon(const QString& razon)
{
    EdRazon->setText(razon);
}

void TSeccionFiscal::limpia()
{
    EdRFC->clear();
    EdRazon->clear();
}

void TSeccionFiscal::muestraMatriz()
{
    muestraDireccion(DireccionMatriz, EdicionEmpresa::matriz());
}

void TSeccionFiscal::BtGuardarIFClick()
{
    const QString regimen = CmbRegimenFiscal->currentIndex() > 0 ? CmbRegimenFiscal->currentText() : QString();
    if (guarda([&] { EdicionEmpresa::guardaDatosFiscales(regimen, EdRazon->text()); })) {
        EdRazon->setModified(false);
        m_regimenGuardado = CmbRegimenFiscal->currentIndex();
        Utils::mensaje(INFORMACION_GUARDADA_EXITO, MSG_INFORMATION);
    }
}

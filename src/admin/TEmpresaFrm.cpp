#include "TEmpresaFrm.h"

#include "Entidades.h"
#include "Sistema.h"
#include "TPaginaDatos.h"
#include "Ventanas.h"

#include <QVBoxLayout>

TEmpresaFrm::TEmpresaFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("EmpresaFrm"));
    setWindowTitle(QStringLiteral("Empresa"));
    auto* diseno = new QVBoxLayout(this);
    m_datos = new TPaginaDatos(QStringLiteral("Datos de la empresa"),
                               {{QStringLiteral("TxNombreNegocio"), QStringLiteral("Nombre:")},
                                {QStringLiteral("TxRfcNegocio"), QStringLiteral("RFC:")},
                                {QStringLiteral("TxRazonNegocio"), QStringLiteral("Razón social:")}},
                               this);
    TxFondo = m_datos;
    TxFondo->setObjectName(QStringLiteral("TxFondo"));
    diseno->addWidget(TxFondo);
}

void TEmpresaFrm::inicializa()
{
    const std::shared_ptr<TNegocio> negocio = Sistema::Negocio;
    const std::shared_ptr<TDatosfiscales> fiscales = negocio ? negocio->getDatosfiscales() : nullptr;
    m_datos->fijaValor(QStringLiteral("TxNombreNegocio"), negocio ? negocio->getNombre() : QString());
    m_datos->fijaValor(QStringLiteral("TxRfcNegocio"), fiscales ? fiscales->getRfc() : QString());
    m_datos->fijaValor(QStringLiteral("TxRazonNegocio"), fiscales ? fiscales->getRazon() : QString());
}

void TEmpresaFrm::inicializaLogoNegocio() {}

int TEmpresaFrm::getHeight() const
{
    return TxFondo->sizeHint().height();
}

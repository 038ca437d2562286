#include "TMainFrm.h"

#include "Entidades.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Sistema.h"

#include <QVBoxLayout>

TMainFrm::TMainFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("MainFrm"));
    setWindowTitle(QStringLiteral("Velkor"));
    resize(1080, 705);
    auto* diseno = new QVBoxLayout(this);
    TxNegocio = new QLabel(this);
    TxNegocio->setObjectName(QStringLiteral("TxNegocio"));
    TxUsuario = new QLabel(this);
    TxUsuario->setObjectName(QStringLiteral("TxUsuario"));
    diseno->addWidget(TxNegocio);
    diseno->addWidget(TxUsuario);
    diseno->addStretch();
}

void TMainFrm::actualizaSesion()
{
    QString negocio;
    if (Sistema::Negocio) {
        negocio = Sistema::Negocio->getNombre();
        // The fiscal data are read from the business database on first use;
        // a failure there must not keep the window from showing.
        try {
            if (const auto fiscales = Sistema::Negocio->getDatosfiscales())
                negocio += QStringLiteral(" (") + fiscales->getRfc() + QLatin1Char(')');
        } catch (const std::exception& e) {
            Logmanager::Log(Errores::describe(e), 1, Sistema::exePath);
        }
    }
    TxNegocio->setText(negocio);
    TxUsuario->setText(Sistema::Usuario ? Sistema::Usuario->getEmail() : QString());
}

void TMainFrm::showEvent(QShowEvent* evento)
{
    actualizaSesion();
    QWidget::showEvent(evento);
}

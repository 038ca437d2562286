#include "TPerfilFrm.h"

#include "Ventanas.h"

#include <QVBoxLayout>

TPerfilFrm* PerfilFrm = nullptr;

TPerfilFrm::TPerfilFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PerfilFrm"));
    setWindowTitle(QStringLiteral("Perfil"));
    auto* diseno = new QVBoxLayout(this);
    TxFondo = new QWidget(this);
    TxFondo->setObjectName(QStringLiteral("TxFondo"));
    diseno->addWidget(TxFondo);
}

#include "TCartaManifiestoFrm.h"

#include <QVBoxLayout>

TCartaManifiestoFrm::TCartaManifiestoFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CartaManifiestoFrm"));
    setWindowTitle(QStringLiteral("Carta Manifiesto"));
    auto* diseno = new QVBoxLayout(this);
    TxFondo = new QWidget(this);
    TxFondo->setObjectName(QStringLiteral("TxFondo"));
    diseno->addWidget(TxFondo);
}

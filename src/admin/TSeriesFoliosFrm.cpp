#include "TSeriesFoliosFrm.h"

#include <QVBoxLayout>

TSeriesFoliosFrm::TSeriesFoliosFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SeriesFoliosFrm"));
    setWindowTitle(QStringLiteral("Series y Folios"));
    auto* diseno = new QVBoxLayout(this);
    TxFondo = new QWidget(this);
    TxFondo->setObjectName(QStringLiteral("TxFondo"));
    diseno->addWidget(TxFondo);
}

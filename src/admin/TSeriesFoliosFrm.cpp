#include "TSeriesFoliosFrm.h"

// STUB (interface only): replaced at merge by the series window.
TSeriesFoliosFrm::TSeriesFoliosFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SeriesFoliosFrm"));
    setWindowTitle(QStringLiteral("Series y Folios"));
}

void TSeriesFoliosFrm::fijaCombosSoloLectura(bool) {}

void TSeriesFoliosFrm::inicializa() {}

void TSeriesFoliosFrm::inicializa(qint64) {}

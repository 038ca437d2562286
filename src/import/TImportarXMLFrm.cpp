#include "TImportarXMLFrm.h"

TImportarXMLFrm::TImportarXMLFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ImportarXMLFrm"));
    setWindowTitle(QStringLiteral("Importar XML"));
}

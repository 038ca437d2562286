#include "TImportarXMLFrm.h"

#include "Ventanas.h"

TImportarXMLFrm* ImportarXMLFrm = nullptr;

TImportarXMLFrm::TImportarXMLFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ImportarXMLFrm"));
    setWindowTitle(QStringLiteral("Importar XML"));
}

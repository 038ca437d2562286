#include "TRecursosAjenoFrm.h"

#include "Constantes.h"
#include "RegistroClases.h"

namespace {
const TRegistroClase registro(Constantes::RS_CLASS_NAME + QStringLiteral("Ajeno"),
                              &TRecursosAjenoFrm::staticMetaObject);
}

TRecursosAjenoFrm::TRecursosAjenoFrm(QObject* parent) : QObject(parent) {}

QByteArray TRecursosAjenoFrm::getResource(const QString& nombre) const
{
    return nombre.toUtf8();
}

QString TRecursosAjenoFrm::getSistema() const
{
    return QString::fromUtf8("AJ|Ajeno|1");
}

#include "TRecursosIncompletoFrm.h"

#include "Constantes.h"
#include "RegistroClases.h"

#include <stdexcept>

namespace {
const TRegistroClase registro(Constantes::RS_CLASS_NAME, &TRecursosIncompletoFrm::staticMetaObject);
}

TRecursosIncompletoFrm::TRecursosIncompletoFrm(QObject* parent) : QObject(parent) {}

QString TRecursosIncompletoFrm::getSistema() const
{
    return QString::fromUtf8("IN|Incompleto|");
}

QString TRecursosIncompletoFrm::getMarcaMail() const
{
    throw std::runtime_error("sin servidor de correo");
}

QString TRecursosIncompletoFrm::getMailHTML(int version) const
{
    return QString::number(version);
}

QString TRecursosIncompletoFrm::getURLCatalogo() const
{
    return QString::fromUtf8("https://ejemplo.invalid/");
}

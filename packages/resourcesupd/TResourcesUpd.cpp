#include "TResourcesUpd.h"

#include "Constantes.h"
#include "RegistroClases.h"

namespace {

// Present exactly while the package is loaded.
const TRegistroClase registro(Constantes::UPD_CLASS_NAME, &TResourcesUpd::staticMetaObject);

} // namespace

TResourcesUpd::TResourcesUpd(QObject* parent) : QObject(parent) {}

// Built at run time, so the texts do not point into this module once the
// shell holds them.
QString TResourcesUpd::getUpdatePath() const
{
    return QString::fromUtf8("https://descargas.velkor.mx/actualizaciones/");
}

QString TResourcesUpd::getUpdateName() const
{
    return QString::fromUtf8("versiones.txt");
}

#include "TElementoModulo.h"

#include "ContratoModulos.h"

#include <QMetaObject>
#include <QVariant>

TElementoModulo::TElementoModulo(QObject* parent) : QObject(parent) {}

namespace ContratoModulos {

bool enviaComando(QObject* areaTrabajo, const QString& comando)
{
    if (!areaTrabajo)
        return false;
    areaTrabajo->setProperty(PROPIEDAD_TEXTO, comando);
    return QMetaObject::invokeMethod(areaTrabajo, OPERACION_CLIC, Qt::DirectConnection);
}

bool activaContenido(QObject* contenido, const QString& texto, QObject* emisor)
{
    if (!contenido)
        return false;
    contenido->setProperty(PROPIEDAD_TEXTO, texto);
    // Looked up first: invokeMethod would warn about a content without it,
    // and a content may well have nothing to do when it is opened.
    const QMetaObject* meta = contenido->metaObject();
    if (meta->indexOfMethod("click(QObject*)") < 0)
        return false;
    return QMetaObject::invokeMethod(contenido, OPERACION_CLIC, Qt::DirectConnection, Q_ARG(QObject*, emisor));
}

} // namespace ContratoModulos

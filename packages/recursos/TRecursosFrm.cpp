#include "TRecursosFrm.h"

#include "Constantes.h"
#include "RegistroClases.h"

#include <QFile>

namespace {

const QString RAIZ_RECURSOS = QStringLiteral(":/velkor-recursos/");
const QString CORREO = QStringLiteral(":/velkor-textos/correo.html");

// Present exactly while the package is loaded.
const TRegistroClase registro(Constantes::RS_CLASS_NAME, &TRecursosFrm::staticMetaObject);

QByteArray leeRecurso(const QString& ruta)
{
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly))
        return {};
    const QByteArray datos = archivo.readAll();
    // An explicit copy: whatever the resource engine hands back must not point
    // into this module once it is unloaded.
    return QByteArray(datos.constData(), datos.size());
}

// QStringLiteral data lives in the module; a text built at run time does not.
QString texto(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

TRecursosFrm::TRecursosFrm(QObject* parent) : QObject(parent) {}

QByteArray TRecursosFrm::getResource(const QString& nombre) const
{
    // Resource names are flat; a path must not reach the texts or Qt's own resources.
    if (nombre.isEmpty() || nombre.contains(QLatin1Char('/')) || nombre.contains(QLatin1Char('\\')))
        return {};
    return leeRecurso(RAIZ_RECURSOS + nombre);
}

QString TRecursosFrm::getSistema() const
{
    return texto("VK|Velkor|55029");
}

QString TRecursosFrm::getMarcaMail() const
{
    return texto("Velkor <no-responder@velkor.mx>");
}

QString TRecursosFrm::getMailHTML() const
{
    return QString::fromUtf8(leeRecurso(CORREO));
}

QString TRecursosFrm::getURLCartaManifiesto() const
{
    return texto("https://cartamanifiesto.velkor.mx/firma?rfc=%1&cliente=%2&hash=%3")
        .arg(Constantes::SG_HASHTOKEN_RFC, Constantes::SG_HASHTOKEN_CLIENTE, Constantes::SG_HASHTOKEN_HASH);
}

QString TRecursosFrm::getTokenCartaManifiesto() const
{
    return texto("%1|%2|VK-CM-7f3a9c52e1d84b06").arg(Constantes::SG_HASHTOKEN_RFC, Constantes::SG_HASHTOKEN_CLIENTE);
}

QString TRecursosFrm::getURLCatalogo() const
{
    return texto("https://descargas.velkor.mx/catalogos/CFDCAT.zip");
}

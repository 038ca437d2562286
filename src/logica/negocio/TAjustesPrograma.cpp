#include "TAjustesPrograma.h"

#include "Constantes.h"
#include "Archivos.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Secretos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cerrno>

namespace {
const QString RED_CATALOGO = QStringLiteral("Red/catalogo");
const QString RED_ACTUALIZACIONES = QStringLiteral("Red/actualizaciones");
const QString RED_CERTIFICADOS = QStringLiteral("Red/certificadosCA");
const QString GRUPO_CORREO = QStringLiteral("Correo");
} // namespace

const QString TAjustesPrograma::CORREO_SERVIDOR = QStringLiteral("Correo/servidor");
const QString TAjustesPrograma::CORREO_PUERTO = QStringLiteral("Correo/puerto");
const QString TAjustesPrograma::CORREO_CUENTA = QStringLiteral("Correo/cuenta");
const QString TAjustesPrograma::CORREO_PASSWORD = QStringLiteral("Correo/password");
const QString TAjustesPrograma::CORREO_REMITENTE = QStringLiteral("Correo/remitente");
const QString TAjustesPrograma::CORREO_TLS = QStringLiteral("Correo/tls");
const QString TAjustesPrograma::CORREO_CERTIFICADOS = QStringLiteral("Correo/certificadosCA");
const QString TAjustesPrograma::TLS_REQUERIDO = QStringLiteral("requerido");

TAjustesPrograma::TAjustesPrograma(const QString& carpetaPrograma) : m_carpeta(carpetaPrograma)
{
    if (!m_carpeta.isEmpty() && !m_carpeta.endsWith(QLatin1Char('/')))
        m_carpeta += QLatin1Char('/');
}

QString TAjustesPrograma::claveCorreo(const QString& rfc, const QString& clave)
{
    if (rfc.isEmpty())
        return clave;
    // Only letters, digits and "&" go into the group's name as they are: a
    // slash or a blank in a business's RFC (one taken from a voucher, say)
    // must not lead to another group.
    QString grupo = GRUPO_CORREO + QLatin1Char('.');
    for (const QChar c : rfc) {
        if (c.isLetterOrNumber() || c == QLatin1Char('&'))
            grupo += c;
        else
            grupo += QString::fromLatin1(QString(c).toUtf8().toPercentEncoding());
    }
    return grupo + clave.mid(GRUPO_CORREO.size());
}

QString TAjustesPrograma::archivo() const
{
    return m_carpeta + Constantes::ARCHIVO_AJUSTES;
}

QString TAjustesPrograma::valor(const QString& clave) const
{
    // A value with a comma reads as a list in QSettings; the parts are joined
    // back so an address or a sender keeps its text.
    const QVariant v = QSettings(archivo(), QSettings::IniFormat).value(clave);
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(',')).trimmed();
    return v.toString().trimmed();
}

void TAjustesPrograma::escribe(const QList<QPair<QString, QString>>& valores) const
{
    const QString destino = archivo();
    const auto falla = [&destino] {
        return EEntradaSalida(
            QStringLiteral("No se pudo escribir el archivo \"%1\": %2").arg(destino, Errores::delSistema(errno)));
    };
    // The values are set on a private copy: QSettings keeps in memory what
    // it could not write, and this process would read it back as saved.
    QTemporaryDir trabajo;
    if (!trabajo.isValid())
        throw falla();
    const QString copia = trabajo.filePath(QStringLiteral("ajustes.ini"));
    if (QFileInfo::exists(destino) && !QFile::copy(destino, copia))
        throw falla();
    {
        QSettings ini(copia, QSettings::IniFormat);
        for (const auto& [clave, texto] : valores) {
            if (texto.isNull())
                ini.remove(clave);
            else
                ini.setValue(clave, texto);
        }
        ini.sync();
        if (ini.status() != QSettings::NoError)
            throw falla();
    }
    QFile escrita(copia);
    if (!escrita.open(QIODevice::ReadOnly))
        throw falla();
    const QByteArray contenido = escrita.readAll();
    // Replaced whole, never half written; the new file is restricted before
    // its content goes in, whatever the mode of the one it replaces.
    QSaveFile nuevo(destino);
    if (!nuevo.open(QIODevice::WriteOnly) || !nuevo.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        nuevo.write(contenido) != contenido.size() || !Archivos::termina(nuevo))
        throw falla();
}

QString TAjustesPrograma::ruta(const QString& clave) const
{
    const QString texto = valor(clave);
    if (texto.isEmpty())
        return {};
    return QDir(m_carpeta).absoluteFilePath(texto);
}

QString TAjustesPrograma::urlCatalogo() const
{
    return valor(RED_CATALOGO);
}
QString TAjustesPrograma::urlActualizaciones() const
{
    return valor(RED_ACTUALIZACIONES);
}
QString TAjustesPrograma::certificadosRed() const
{
    return ruta(RED_CERTIFICADOS);
}
QString TAjustesPrograma::servidorCorreo(const QString& rfc) const
{
    return valor(claveCorreo(rfc, CORREO_SERVIDOR));
}

int TAjustesPrograma::puertoCorreo(const QString& rfc) const
{
    bool correcto = false;
    const int puerto = valor(claveCorreo(rfc, CORREO_PUERTO)).toInt(&correcto);
    return correcto && puerto > 0 && puerto < 65536 ? puerto : 0;
}

QString TAjustesPrograma::cuentaCorreo(const QString& rfc) const
{
    return valor(claveCorreo(rfc, CORREO_CUENTA));
}

QString TAjustesPrograma::passwordCorreo(const QString& rfc) const
{
    const QString clave = claveCorreo(rfc, CORREO_PASSWORD);
    const QString texto = valor(clave);
    if (texto.isEmpty())
        return texto;
    QString password = texto;
    try {
        password = Secretos::descifraLocal(texto, m_carpeta);
        if (!Secretos::esFormaAntigua(texto))
            return password;
    } catch (const ECifrado&) {
        // Written by hand in plain text. (Another installation's cipher
        // fails here too; sent as it is, it only fails to sign in.)
        if (Secretos::esFormaActual(texto))
            return texto;
    }
    // Kept in plain text or under the older program-wide cipher: rewritten
    // under this installation's key now that it has been read. When the file
    // cannot be written it is tried again at the next reading.
    try {
        escribe({{clave, Secretos::cifraLocal(password, m_carpeta)}});
    } catch (const std::exception& e) {
        Logmanager::Log(QStringLiteral("No se pudo volver a cifrar la contraseña del correo: ") + Errores::describe(e),
                        1, m_carpeta);
    }
    return password;
}

QString TAjustesPrograma::remitenteCorreo(const QString& rfc) const
{
    return valor(claveCorreo(rfc, CORREO_REMITENTE));
}

bool TAjustesPrograma::tlsRequeridoCorreo(const QString& rfc) const
{
    return valor(claveCorreo(rfc, CORREO_TLS)).compare(TLS_REQUERIDO, Qt::CaseInsensitive) == 0;
}

QString TAjustesPrograma::certificadosCorreo() const
{
    return ruta(CORREO_CERTIFICADOS);
}

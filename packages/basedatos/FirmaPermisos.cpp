#include "SecretoServidor.h"

#include "Constantes.h"
#include "Entidades.h"
#include "Errores.h"
#include "Secretos.h"
#include "TConexionSesion.h"

#include <QCryptographicHash>
#include <QHash>
#include <QMutex>

namespace FirmaPermisos {

namespace {

// Names what the signature is for, so a signature made for anything else
// under the same key never passes for one of these.
const QByteArray CONTEXTO = QByteArrayLiteral("velkor-permisos-1");
const QChar SEPARADOR = QLatin1Char('|');
const QString PREFIJO_COMPARTIDO = QStringLiteral("s1:");
constexpr int LONGITUD_SAL = 16;
// Secrets already opened under a server password, by a digest of the stored
// value and that password: drawing the key takes a noticeable fraction of a
// second and 64 MB, and every permission check reads the secret.
constexpr int MAXIMO_ABIERTOS = 64;

QString sinBlancos(const QString& texto)
{
    QString resultado;
    resultado.reserve(texto.size());
    for (const QChar c : texto)
        if (!c.isSpace())
            resultado.append(c);
    return resultado;
}

// The RFC as every reader of a permission text has compared it: blanks and
// letter case aside.
QString rfcNormal(const QString& rfc)
{
    return sinBlancos(rfc).toUpper();
}

QByteArray mensaje(const QString& cuerpo, const TSujeto& s)
{
    const QString ligado = QString::number(s.idNegocio) + QLatin1Char('\n') + rfcNormal(s.rfc) + QLatin1Char('\n') +
                           QString::number(s.idUsuario) + QLatin1Char('\n') + s.email.trimmed().toCaseFolded() +
                           QLatin1Char('\n') + cuerpo;
    return CONTEXTO + '\n' + ligado.toUtf8();
}

QByteArray mac(const QString& cuerpo, const TSujeto& s, const QByteArray& secreto)
{
    return Secretos::hmac(secreto, mensaje(cuerpo, s));
}

} // namespace

bool nombraNegocio(const QString& primerCampo, const QString& rfc)
{
    const QString esperado = rfcNormal(rfc);
    return !esperado.isEmpty() &&
           sinBlancos(primerCampo).compare(esperado + Constantes::USR_PASS, Qt::CaseInsensitive) == 0;
}

TSujeto sujeto(const TNegocio& negocio, const TUsuario& usuario)
{
    TSujeto s;
    s.idNegocio = negocio.getIdnegocio();
    if (const std::shared_ptr<TDatosfiscales> fiscales = negocio.getDatosfiscales())
        s.rfc = fiscales->getRfc();
    s.idUsuario = usuario.getIdusuario();
    s.email = usuario.getEmail();
    return s;
}

QString explica(TMotivo motivo)
{
    switch (motivo) {
    case TMotivo::Valido:
        return {};
    case TMotivo::Vacio:
        return QStringLiteral("no tiene permisos guardados");
    case TMotivo::FormaAntigua:
        return QStringLiteral("sus permisos están escritos en la forma anterior, sin la firma de la empresa; desde "
                              "que la empresa firma los permisos, un texto así solo puede venir de una copia "
                              "anterior de la base de datos o haberse escrito a mano");
    case TMotivo::Malformado:
        return QStringLiteral("sus permisos no tienen la forma de un texto firmado por la empresa: se escribieron a "
                              "mano o están dañados");
    case TMotivo::OtroNegocio:
        return QStringLiteral("sus permisos se hicieron para otra empresa y se copiaron a esta");
    case TMotivo::OtroUsuario:
        return QStringLiteral("sus permisos se hicieron para otro usuario y se copiaron al suyo");
    case TMotivo::FirmaInvalida:
        return QStringLiteral("la firma de sus permisos no corresponde: el texto se alteró, se escribió a mano o "
                              "se copió de otra empresa");
    case TMotivo::SinSecreto:
        return QStringLiteral("la empresa todavía no tiene su llave de permisos; se crea al ingresar a ella");
    case TMotivo::SecretoIlegible:
        return QStringLiteral("la llave de permisos de la empresa no se puede leer en esta computadora: su base de "
                              "datos se copió de otra instalación sin pasar por un respaldo");
    }
    return {};
}

QString firma(const QString& plano, const TSujeto& s, const QByteArray& secreto)
{
    if (secreto.size() != LONGITUD_SECRETO)
        throw ECifrado(QStringLiteral("No se pudieron firmar los permisos: la empresa no tiene su llave."));
    const QString cuerpo = QString::number(s.idNegocio) + SEPARADOR + QString::number(s.idUsuario) + SEPARADOR + plano;
    return PREFIJO + cuerpo + SEPARADOR + QString::fromLatin1(mac(cuerpo, s, secreto).toBase64());
}

TLectura lee(const QString& guardado, const TSujeto& s, const QByteArray& secreto)
{
    TLectura lectura;
    if (guardado.isEmpty())
        return lectura;
    if (Secretos::esFormaAntigua(guardado)) {
        lectura.motivo = TMotivo::FormaAntigua;
        return lectura;
    }
    lectura.motivo = TMotivo::Malformado;
    if (!guardado.startsWith(PREFIJO))
        return lectura;
    const QString resto = guardado.mid(PREFIJO.size());
    const qsizetype ultimo = resto.lastIndexOf(SEPARADOR);
    if (ultimo < 0)
        return lectura;
    const QString cuerpo = resto.left(ultimo);
    const QStringList campos = cuerpo.split(SEPARADOR);
    auto firmaLeida =
        QByteArray::fromBase64Encoding(resto.mid(ultimo + 1).toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    bool numeroNegocio = false;
    bool numeroUsuario = false;
    const int idNegocio = campos.value(0).toInt(&numeroNegocio);
    const int idUsuario = campos.value(1).toInt(&numeroUsuario);
    if (campos.size() < 3 || !numeroNegocio || !numeroUsuario || !firmaLeida ||
        !sinBlancos(campos.at(2)).endsWith(Constantes::USR_PASS, Qt::CaseInsensitive))
        return lectura;
    if (secreto.size() != LONGITUD_SECRETO) {
        lectura.motivo = TMotivo::SinSecreto;
        return lectura;
    }
    // What the text claims is told apart first, so the log can say whether
    // it was moved between users or businesses; only the signature decides.
    if (idNegocio != s.idNegocio || !nombraNegocio(campos.at(2), s.rfc))
        lectura.motivo = TMotivo::OtroNegocio;
    else if (idUsuario != s.idUsuario)
        lectura.motivo = TMotivo::OtroUsuario;
    else if (!Secretos::iguales(firmaLeida.decoded, mac(cuerpo, s, secreto)))
        lectura.motivo = TMotivo::FirmaInvalida;
    else {
        lectura.motivo = TMotivo::Valido;
        lectura.plano = campos.mid(2).join(SEPARADOR);
    }
    return lectura;
}

QByteArray nuevoSecreto()
{
    return Secretos::aleatorio(LONGITUD_SECRETO);
}

QString guardaSecreto(const QByteArray& secreto, const QString& carpetaPrograma)
{
    return Secretos::cifraLocal(QString::fromLatin1(secreto.toBase64()), carpetaPrograma);
}

TSecreto leeSecreto(const QString& guardado, const QString& carpetaPrograma)
{
    TSecreto leido;
    if (guardado.trimmed().isEmpty())
        return leido;
    leido.motivo = TMotivo::SecretoIlegible;
    if (Secretos::esFormaAntigua(guardado))
        return leido;
    try {
        const QByteArray bytes = QByteArray::fromBase64(
            Secretos::descifra(guardado, Secretos::llaveInstalacion(carpetaPrograma)).toLatin1());
        if (bytes.size() == LONGITUD_SECRETO) {
            leido.motivo = TMotivo::Valido;
            leido.bytes = bytes;
        }
    } catch (const ECifrado&) {
    }
    return leido;
}

TSecreto secretoDe(const TNegocio& negocio, const QString& carpetaPrograma)
{
    return leeSecreto(negocio.getSecreto(), carpetaPrograma);
}

QString guardaSecreto(const QByteArray& secreto, const QString& carpetaPrograma, const TConexionSesion& conexion)
{
    if (!conexion.enServidor())
        return guardaSecreto(secreto, carpetaPrograma);
    const QByteArray sal = Secretos::aleatorio(LONGITUD_SAL);
    return PREFIJO_COMPARTIDO + QString::fromLatin1(sal.toBase64()) + QLatin1Char(':') +
           Secretos::cifra(QString::fromLatin1(secreto.toBase64()),
                           Secretos::llaveDePassword(conexion.getPassword(), sal));
}

bool esSecretoCompartido(const QString& guardado)
{
    return guardado.startsWith(PREFIJO_COMPARTIDO);
}

TSecreto secretoDe(const TNegocio& negocio, const QString& carpetaPrograma, const TConexionSesion& conexion)
{
    const QString guardado = negocio.getSecreto();
    if (!esSecretoCompartido(guardado))
        return leeSecreto(guardado, carpetaPrograma);
    TSecreto leido;
    leido.motivo = TMotivo::SecretoIlegible;
    // Never on an embedded file: the form would let anyone who knows its
    // engine's fixed password write a secret of their own.
    if (!conexion.enServidor())
        return leido;

    static QMutex candado;
    static QHash<QByteArray, QByteArray> abiertos;
    const QByteArray huella = QCryptographicHash::hash(conexion.getPassword().toUtf8() + '\0' + guardado.toLatin1(),
                                                       QCryptographicHash::Sha256);
    {
        const QMutexLocker bloqueo(&candado);
        if (const auto it = abiertos.constFind(huella); it != abiertos.cend()) {
            leido.motivo = TMotivo::Valido;
            leido.bytes = *it;
            return leido;
        }
    }
    const QString resto = guardado.mid(PREFIJO_COMPARTIDO.size());
    const qsizetype corte = resto.indexOf(QLatin1Char(':'));
    const QByteArray sal = QByteArray::fromBase64(resto.left(corte).toLatin1());
    if (corte < 0 || sal.size() != LONGITUD_SAL)
        return leido;
    try {
        const QByteArray bytes = QByteArray::fromBase64(
            Secretos::descifra(resto.mid(corte + 1), Secretos::llaveDePassword(conexion.getPassword(), sal))
                .toLatin1());
        if (bytes.size() != LONGITUD_SECRETO)
            return leido;
        leido.motivo = TMotivo::Valido;
        leido.bytes = bytes;
    } catch (const ECifrado&) {
        return leido;
    }
    const QMutexLocker bloqueo(&candado);
    if (abiertos.size() >= MAXIMO_ABIERTOS)
        abiertos.clear();
    abiertos.insert(huella, leido.bytes);
    return leido;
}

} // namespace FirmaPermisos

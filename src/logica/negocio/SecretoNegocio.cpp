#include "SecretoNegocio.h"

#include "Archivos.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Entidades.h"
#include "Errores.h"
#include "FirmaPermisos.h"
#include "Logmanager.h"
#include "SecretoServidor.h"
#include "Secretos.h"
#include "Signerutils.h"
#include "Sistema.h"
#include "Utils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Constantes;

namespace SecretoNegocio {

namespace {

// Records stamped by the program itself, not by a signed-in user.
constexpr int SIN_USUARIO = -1;
const QByteArray CABECERA = QByteArrayLiteral("velkor-secretos-1");
constexpr int LONGITUD_SAL = 16;

void registra(const QString& texto)
{
    Logmanager::Log(texto, 1, Sistema::exePath);
}

QString sinBlancos(const QString& texto)
{
    QString resultado;
    for (const QChar c : texto)
        if (!c.isSpace())
            resultado.append(c);
    return resultado;
}

QString rfcDe(const TNegocio& negocio)
{
    const std::shared_ptr<TDatosfiscales> fiscales = negocio.getDatosfiscales();
    return fiscales ? sinBlancos(fiscales->getRfc()).toUpper() : QString();
}

QString carpetaMarcas()
{
    return Sistema::exePath + QStringLiteral("Motor/SecretosNegocio/");
}

QString marca(const QString& rfc)
{
    return carpetaMarcas() + sinBlancos(rfc).toUpper();
}

void avisa(TEstado estado, const QString& rfc, const TConexionSesion& conexion)
{
    const QString texto = mensaje(estado, rfc, conexion.enServidor());
    registra(texto);
    Utils::mensaje(texto, MSG_WARNING);
}

// The business's first secret, and every text and password of the older
// forms rewritten with it: all or none.
void migra(TNegocio negocio, const QString& rfc, const TConexionSesion& conexion)
{
    int firmados = 0;
    int anulados = 0;
    int passwords = 0;
    {
        TTransaccion transaccion(conexion);
        const TUnidadTrabajo unidad(conexion, SIN_USUARIO);
        const QByteArray secreto = creaSecreto(negocio, conexion);
        negocio = TNegocio::saveOrUpdate(negocio, unidad);
        for (TUsuarionegocio liga :
             TUsuarionegocio::busca(TUsuarionegocio::columna(TUsuarionegocio::col_Idnegocio) == negocio, conexion)) {
            const QString guardado = liga.getNivelpermiso();
            if (!Secretos::esFormaAntigua(guardado))
                continue;
            QString plano;
            try {
                plano = Signerutils::Signer().decrypt(guardado);
            } catch (const ECifrado&) {
            }
            const std::shared_ptr<TUsuario> usuario = liga.getIdusuario();
            // What never granted anything here is not turned into a right.
            if (!usuario || !FirmaPermisos::nombraNegocio(plano.section(QLatin1Char('|'), 0, 0), rfc)) {
                ++anulados;
                continue;
            }
            liga.setNivelpermiso(FirmaPermisos::firma(plano, FirmaPermisos::sujeto(negocio, *usuario), secreto));
            TUsuarionegocio::saveOrUpdate(liga, unidad);
            ++firmados;
        }
        for (TCertificado certificado :
             TCertificado::busca(TCertificado::columna(TCertificado::col_Negocio) == negocio, conexion)) {
            const QString guardado = certificado.getNegPassword();
            if (!Secretos::esFormaAntigua(guardado))
                continue;
            try {
                certificado.setNegPassword(
                    Secretos::cifraLocal(Secretos::descifraLocal(guardado, Sistema::exePath), Sistema::exePath));
            } catch (const ECifrado&) {
                continue;
            }
            TCertificado::saveOrUpdate(certificado, unidad);
            ++passwords;
        }
        transaccion.commit();
    }
    if (!rfc.isEmpty())
        recuerda(rfc);
    registra(QStringLiteral("La empresa %1 recibió su llave de permisos: se firmaron %2 textos de permisos, %3 que "
                            "no eran de la empresa o no se podían leer ya no dan ningún permiso, y se volvieron a "
                            "cifrar %4 contraseñas de certificado.")
                 .arg(rfc)
                 .arg(firmados)
                 .arg(anulados)
                 .arg(passwords));
}

QJsonObject contenido(const TConexionSesion& conexion)
{
    QJsonArray negocios;
    for (const TNegocio& negocio : TNegocio::busca(TCondicion(), conexion)) {
        const FirmaPermisos::TSecreto secreto = FirmaPermisos::secretoDe(negocio, Sistema::exePath, conexion);
        if (secreto.motivo != FirmaPermisos::TMotivo::Valido)
            continue;
        negocios.append(QJsonObject{{QStringLiteral("id"), negocio.getIdnegocio()},
                                    {QStringLiteral("rfc"), rfcDe(negocio)},
                                    {QStringLiteral("secreto"), QString::fromLatin1(secreto.bytes.toBase64())}});
    }
    QJsonArray certificados;
    for (const TCertificado& certificado : TCertificado::busca(TCondicion(), conexion)) {
        try {
            certificados.append(QJsonObject{
                {QStringLiteral("id"), certificado.getIdcertificado()},
                {QStringLiteral("password"), Secretos::descifraLocal(certificado.getNegPassword(), Sistema::exePath)}});
        } catch (const ECifrado&) {
            // Another installation's: it stays as unreadable as it is.
        }
    }
    return {{QStringLiteral("negocios"), negocios}, {QStringLiteral("certificados"), certificados}};
}

// The secret this workstation reads in its own cipher, written again in the
// shared form of a server database.
void comparte(TNegocio negocio, const QByteArray& secreto, const QString& rfc, const TConexionSesion& conexion)
{
    try {
        TTransaccion transaccion(conexion);
        negocio.setSecreto(FirmaPermisos::guardaSecreto(secreto, Sistema::exePath, conexion));
        TNegocio::saveOrUpdate(negocio, TUnidadTrabajo(conexion, SIN_USUARIO));
        transaccion.commit();
        registra(QStringLiteral("La llave de permisos de la empresa %1 se guardó en el servidor de modo que todas las "
                                "computadoras conectadas a él la lean.")
                     .arg(rfc));
    } catch (const EVelkor& e) {
        // This workstation still reads it; the next sign-in tries again.
        registra(QStringLiteral("No se pudo compartir la llave de permisos de la empresa %1 con las demás "
                                "computadoras: %2")
                     .arg(rfc, Errores::describe(e)));
    }
}

} // namespace

TEstado asegura(const TConexionSesion& conexion)
{
    TEstado estado = TEstado::Listo;
    for (const TNegocio& negocio : TNegocio::busca(TCondicion(), conexion)) {
        const QString rfc = rfcDe(negocio);
        const FirmaPermisos::TSecreto secreto = FirmaPermisos::secretoDe(negocio, Sistema::exePath, conexion);
        switch (secreto.motivo) {
        case FirmaPermisos::TMotivo::Valido:
            if (!rfc.isEmpty() && !recordado(rfc))
                recuerda(rfc);
            if (conexion.enServidor() && !FirmaPermisos::esSecretoCompartido(negocio.getSecreto()))
                comparte(negocio, secreto.bytes, rfc, conexion);
            break;
        case FirmaPermisos::TMotivo::SinSecreto:
            if (!recordado(rfc)) {
                migra(negocio, rfc, conexion);
                if (estado == TEstado::Listo)
                    estado = TEstado::Migrado;
                break;
            }
            estado = TEstado::Retirado;
            avisa(estado, rfc, conexion);
            break;
        default:
            estado = TEstado::Ilegible;
            avisa(estado, rfc, conexion);
            break;
        }
    }
    return estado;
}

QString mensaje(TEstado estado, const QString& rfc, bool enServidor)
{
    switch (estado) {
    case TEstado::Ilegible:
        if (enServidor)
            return QStringLiteral(
                       "La llave de permisos de la empresa %1 no se puede leer con la contraseña del servidor que usa "
                       "esta computadora: se guardó con otra contraseña de la cuenta, o la empresa se creó con una "
                       "versión anterior del programa. Nadie tiene permisos en ella desde aquí hasta que alguien "
                       "ingrese una vez desde la computadora donde se creó, o hasta que se restaure de un respaldo.")
                .arg(rfc);
        // This installation gave the business its secret: what changed is the
        // installation's key, not the database.
        if (recordado(rfc))
            return QStringLiteral("La llave de permisos de la empresa %1 no se puede leer en esta computadora: la "
                                  "llave de esta instalación (%2) se perdió o se reemplazó. Nadie tiene permisos en "
                                  "la empresa hasta que restaures ese archivo desde un respaldo de la carpeta del "
                                  "programa.")
                .arg(rfc, Secretos::ARCHIVO_LLAVE);
        return QStringLiteral("La llave de permisos de la empresa %1 no se puede leer en esta computadora: su base de "
                              "datos se copió de otra instalación sin pasar por un respaldo, o se perdió la llave de "
                              "esta instalación (%2). Nadie tiene permisos en ella hasta que la restaures desde un "
                              "respaldo hecho en la computadora de origen, o restaures ese archivo desde un respaldo "
                              "de la carpeta del programa.")
            .arg(rfc, Secretos::ARCHIVO_LLAVE);
    case TEstado::Retirado:
        return QStringLiteral("La base de datos de la empresa %1 ya no tiene la llave de permisos que esta "
                              "computadora le dio: se cambió fuera del programa. Nadie tiene permisos en ella hasta "
                              "que la restaures desde un respaldo.")
            .arg(rfc);
    case TEstado::Listo:
    case TEstado::Migrado:
        break;
    }
    return {};
}

QByteArray creaSecreto(TNegocio& negocio, const TConexionSesion& conexion)
{
    const QByteArray secreto = FirmaPermisos::nuevoSecreto();
    negocio.setSecreto(FirmaPermisos::guardaSecreto(secreto, Sistema::exePath, conexion));
    return secreto;
}

QString firmaPermisos(const TNegocio& negocio, const TUsuario& usuario, const QString& plano,
                      const TConexionSesion& conexion)
{
    const FirmaPermisos::TSecreto secreto = FirmaPermisos::secretoDe(negocio, Sistema::exePath, conexion);
    switch (secreto.motivo) {
    case FirmaPermisos::TMotivo::Valido:
        return FirmaPermisos::firma(plano, FirmaPermisos::sujeto(negocio, usuario), secreto.bytes);
    case FirmaPermisos::TMotivo::SinSecreto:
        throw EVelkor(QStringLiteral("La empresa todavía no tiene su llave de permisos; vuelve a ingresar a ella. No "
                                     "se guardó nada."));
    default:
        throw EVelkor(mensaje(TEstado::Ilegible, rfcDe(negocio), conexion.enServidor()) +
                      QStringLiteral(" No se guardó nada."));
    }
}

void recuerda(const QString& rfc)
{
    try {
        QDir().mkpath(Sistema::exePath + QStringLiteral("Motor"));
        Archivos::creaCarpetaPrivada(carpetaMarcas());
        Archivos::creaPrivado(marca(rfc), QByteArray());
    } catch (const EVelkor& e) {
        registra(
            QStringLiteral("No se pudo anotar que la empresa %1 tiene su llave de permisos: %2").arg(rfc, e.mensaje()));
    }
}

void olvida(const QString& rfc)
{
    QFile::remove(marca(rfc));
}

bool recordado(const QString& rfc)
{
    return !rfc.isEmpty() && QFileInfo::exists(marca(rfc));
}

void archiva(const QString& archivoZip, const QString& rfc, const TConexionSesion& conexion, const QString& password,
             TArchivoZip::TCifrado cifrado, const TArchivoZip::TAvance& avance)
{
    const QString prefijo = DB_PATH + rfc + QLatin1Char('/');
    QList<TArchivoZip::TAgregado> agregados;
    try {
        const QByteArray sal = Secretos::aleatorio(LONGITUD_SAL);
        const QByteArray plano = QJsonDocument(contenido(conexion)).toJson(QJsonDocument::Compact);
        const QString sobre = Secretos::cifra(QString::fromUtf8(plano), Secretos::llaveDePassword(password, sal));
        agregados.append({prefijo + ARCHIVO_RESPALDO, CABECERA + '\n' + sal.toBase64() + '\n' + sobre.toLatin1()});
    } catch (const EVelkor& e) {
        // A database of an earlier version, not opened since: it has no
        // secret yet, and its certificate passwords are in the older cipher,
        // which any installation reads.
        registra(QStringLiteral("El respaldo de la empresa %1 va sin su archivo de llaves: %2")
                     .arg(rfc, Errores::describe(e)));
    }
    Conexiones::cierra(conexion);
    TArchivoZip::comprime(archivoZip, Sistema::exePath + prefijo, prefijo, password, cifrado, {}, agregados, avance);
}

TRestauracion restaura(const QString& carpeta, const QStringList& passwords, const TConexionSesion& conexion)
{
    const QString ruta = QDir(carpeta).filePath(ARCHIVO_RESPALDO);
    if (!QFileInfo::exists(ruta))
        return TRestauracion::SinArchivo;
    QFile archivo(ruta);
    const QByteArray leido = archivo.open(QIODevice::ReadOnly) ? archivo.readAll() : QByteArray();
    archivo.close();
    QFile::remove(ruta);

    const QList<QByteArray> lineas = leido.split('\n');
    const QByteArray sal = QByteArray::fromBase64(lineas.value(1));
    QJsonObject datos;
    bool descifrado = false;
    for (const QString& password : passwords) {
        if (lineas.value(0) != CABECERA || sal.size() != LONGITUD_SAL)
            break;
        try {
            datos = QJsonDocument::fromJson(Secretos::descifra(QString::fromLatin1(lineas.value(2)),
                                                               Secretos::llaveDePassword(password, sal))
                                                .toUtf8())
                        .object();
            descifrado = true;
            break;
        } catch (const ECifrado&) {
        }
    }
    if (!descifrado) {
        registra(QStringLiteral("El archivo de llaves del respaldo no se pudo leer; la empresa restaurada no dará "
                                "permisos hasta que se restaure de un respaldo que sí lo tenga."));
        return TRestauracion::NoSeDescifra;
    }

    // Written by this version, so its database has every column; completing
    // it only guards against an archive put together by hand.
    TNuevastablas::createTable(conexion);
    TTransaccion transaccion(conexion);
    const TUnidadTrabajo unidad(conexion, SIN_USUARIO);
    for (const QJsonValue& v : datos.value(QStringLiteral("negocios")).toArray()) {
        const QJsonObject o = v.toObject();
        std::unique_ptr<TNegocio> negocio = TNegocio::getById(o.value(QStringLiteral("id")).toInt(-1), conexion);
        const QByteArray secreto = QByteArray::fromBase64(o.value(QStringLiteral("secreto")).toString().toLatin1());
        if (!negocio || rfcDe(*negocio) != o.value(QStringLiteral("rfc")).toString() ||
            secreto.size() != FirmaPermisos::LONGITUD_SECRETO)
            continue;
        negocio->setSecreto(FirmaPermisos::guardaSecreto(secreto, Sistema::exePath, conexion));
        TNegocio::saveOrUpdate(*negocio, unidad);
    }
    for (const QJsonValue& v : datos.value(QStringLiteral("certificados")).toArray()) {
        const QJsonObject o = v.toObject();
        std::unique_ptr<TCertificado> certificado =
            TCertificado::getById(o.value(QStringLiteral("id")).toInt(-1), conexion);
        if (!certificado)
            continue;
        certificado->setNegPassword(
            Secretos::cifraLocal(o.value(QStringLiteral("password")).toString(), Sistema::exePath));
        TCertificado::saveOrUpdate(*certificado, unidad);
    }
    transaccion.commit();
    return TRestauracion::Restaurado;
}

} // namespace SecretoNegocio

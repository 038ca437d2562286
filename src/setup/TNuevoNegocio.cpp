#include "TNuevoNegocio.h"

#include "Archivos.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Entidades.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Signerutils.h"
#include "Sistema.h"
#include "TBaseDatosLocalFrm.h"
#include "TIngreso.h"
#include "Utils.h"
#include "Ventanas.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

using namespace Constantes;

namespace NuevoNegocio {

namespace {

QByteArray leeArchivo(const QString& ruta)
{
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly))
        throw EEntradaSalida(QStringLiteral("No se pudo leer el archivo %1: %2").arg(ruta, archivo.errorString()));
    return archivo.readAll();
}

// A business database already at that place is never overwritten: it is
// kept beside, under a dated name, so creating a business again with the
// same RFC cannot destroy vouchers.
void apartaExistente(const QString& archivo)
{
    if (!QFileInfo::exists(archivo))
        return;
    Conexiones::cierra(TConexionSesion::embebida(archivo, Sistema::exePath));
    const QString aparte =
        archivo + QStringLiteral(".") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) +
        QStringLiteral(".anterior");
    if (!QFile::rename(archivo, aparte))
        throw EEntradaSalida(QStringLiteral("Ya existe una base de datos en %1 y no se pudo apartar.").arg(archivo));
    Logmanager::Log(QStringLiteral("La base de datos existente se apartó como ") + aparte, 1, Sistema::exePath);
}

TUsuario creaUsuario(const TDatos& datos, const TConexionSesion& conexion)
{
    const QString email = datos.email.trimmed();
    TUsuario usuario;
    usuario.setEmail(email);
    usuario.setPassword(cifraPassword(email, datos.password));
    usuario.setFechamodificacion(QDateTime::currentDateTime());
    usuario = TUsuario::saveOrUpdate(usuario, conexion);

    TContacto contacto;
    contacto.setUltimamodificacionpor(usuario.getIdusuario());
    contacto = TContacto::saveOrUpdate(contacto, conexion);
    for (const TTelefono& datosTelefono : datos.telefonos) {
        if (datosTelefono.numero.trimmed().isEmpty())
            continue;
        ::TTelefono telefono;
        telefono.setNumero(datosTelefono.numero.trimmed());
        telefono.setExtencion(datosTelefono.extension.trimmed());
        telefono.setTipotelefono(datosTelefono.tipo);
        telefono.setIdcontacto(contacto);
        telefono.setUltimamodificacionpor(usuario.getIdusuario());
        ::TTelefono::saveOrUpdate(telefono, conexion);
    }

    TPersona persona;
    persona.setNombre(datos.nombre.trimmed());
    persona.setApellidopaterno(datos.apellidoPaterno.trimmed());
    persona.setApellidomaterno(datos.apellidoMaterno.trimmed());
    persona.setContacto(contacto);
    persona.setDireccion(nullptr);
    persona.setUltimamodificacionpor(usuario.getIdusuario());
    persona = TPersona::saveOrUpdate(persona, conexion);

    usuario.setIdpersona(persona);
    return TUsuario::saveOrUpdate(usuario, conexion);
}

// The signed-in user, its person and contact, copied as new rows into the
// new database. References into the old database (the person's address)
// are not carried over: their ids mean nothing in the new one.
TUsuario copiaUsuario(const TUsuario& original, const TConexionSesion& conexion)
{
    TPersona persona;
    if (const std::shared_ptr<TPersona> personaOriginal = original.getIdpersona())
        persona = *personaOriginal;
    TContacto contacto;
    if (const std::shared_ptr<TContacto> contactoOriginal = persona.getContacto())
        contacto = *contactoOriginal;
    contacto.setIdcontacto(-1);
    contacto.setUltimamodificacionpor(-1);
    contacto = TContacto::saveOrUpdate(contacto, conexion);

    persona.setIdpersona(-1);
    persona.setContacto(contacto);
    persona.setDireccion(nullptr);
    persona.setUltimamodificacionpor(-1);
    persona = TPersona::saveOrUpdate(persona, conexion);

    TUsuario usuario = original;
    usuario.setIdusuario(-1);
    usuario.setIdpersona(persona);
    return TUsuario::saveOrUpdate(usuario, conexion);
}

std::shared_ptr<TCodigopostal> codigoPostal(const TDireccion& direccion, const TConexionSesion& conexion)
{
    const QString cp = direccion.codigoPostal.trimmed();
    if (cp.isEmpty())
        return nullptr;
    if (std::unique_ptr<TCodigopostal> existente = TCodigopostal::getByCP(cp, conexion))
        return std::shared_ptr<TCodigopostal>(existente.release());
    TCodigopostal nuevo;
    nuevo.setCp(cp);
    nuevo.setMunicipio(direccion.municipio.trimmed());
    nuevo.setEstado(direccion.estado.section(QLatin1Char(' '), 0, 0));
    return std::make_shared<TCodigopostal>(TCodigopostal::saveOrUpdate(nuevo, conexion));
}

// The RFC names the business folder and its database: anything else than
// an RFC (a path, an empty text) never gets that far.
void exigeRfcValido(const QString& rfc)
{
    if (!Signerutils::esRfcValido(rfc))
        throw EVelkor(ERR_RFC_NO_VALIDO.arg(rfc));
}

}  // namespace

QString cifraPassword(const QString& email, const QString& password)
{
    return Signerutils::Signer().crypt(email + USR_PASS + password);
}

TDestino destinoLocal(const QString& rfc)
{
    TDestino destino;
    destino.motor = DB_SQLITE;
    destino.baseDatos = Sistema::exePath + DB_PATH + rfc + QLatin1Char('/') + DB_SISTEMA_NOMBRE;
    return destino;
}

TConexionSesion saveNuevoLocal(const QString& email, const QString& rfc, const QString& razon, const TDestino& destino)
{
    exigeRfcValido(rfc);
    const QString carpeta = Sistema::exePath + DB_PATH + rfc + QLatin1Char('/');
    Archivos::creaCarpetaPrivada(carpeta);
    Sistema::dbSistema = carpeta + DB_SISTEMA_NOMBRE;

    // Without the template there would be no database behind the registry
    // row: refuse before anything is registered.
    const std::unique_ptr<QBuffer> plantilla = Utils::getResource(DB_SISTEMA_NOMBRE_RESOURCE, Sistema::exePath);
    if (!plantilla)
        throw EEntradaSalida(QStringLiteral("No se encontró la base de datos vacía del programa (%1). "
                                            "Reinstala el programa e inténtalo de nuevo.")
                                 .arg(RS_PATH));
    if (!email.isEmpty()) {
        apartaExistente(Sistema::dbSistema);
        Archivos::creaPrivado(Sistema::dbSistema, plantilla->data());
    }

    const QStringList registro = {email, razon, rfc, destino.motor, destino.usuario, destino.password,
                                  destino.servidor, destino.baseDatos, destino.puerto};
    auto conexion = std::make_shared<TConexionSesion>();
    conexion->setProvider(DB_INTERBASE);
    conexion->setUsername(DB_USER);
    conexion->setPassword(DB_PASSWORD);
    conexion->setServer(Sistema::exePath + DB_SPECIFI_COPTIONS);
    conexion->setDatabase(Sistema::dbSistema);
    Sistema::Conexion = conexion;
    registroLocal().usuarioLogginInsert(registro);
    return *conexion;
}

TUsuarionegocio saveNuevoNegocio(const TDatos& datos, const TConexionSesion& conexion, const TUsuario* usuarioDado)
{
    // Nothing is stored for a certificate the wizard would have refused.
    exigeRfcValido(datos.rfc.trimmed());
    const Signerutils::TRevision revision =
        Signerutils::Signer().revisaCertificados(datos.certificado, datos.llave, datos.passwordLlave);
    if (revision != Signerutils::TRevision::Correcto)
        throw ECertificado(Signerutils::Signer().explicaRevision(revision, datos.certificado));

    TUsuarionegocio liga;
    TDatosfiscales fiscales;
    {
        // One unit of work: a failure leaves an empty database, never half a
        // business.
        TTransaccion transaccion(conexion);
        const TUsuario usuario = usuarioDado ? copiaUsuario(*usuarioDado, conexion) : creaUsuario(datos, conexion);
        const int autor = usuario.getIdusuario();

        TNegocio negocio;
        negocio.setNombre(datos.nombreEmpresa.trimmed());
        negocio.setUltimamodificacionpor(autor);
        negocio.setFechamodificacion(QDateTime::currentDateTime());
        if (const std::unique_ptr<QBuffer> logo = Utils::getResource(IMG_EMPRESA_DEFAULT, Sistema::exePath))
            negocio.setLogonegocio(logo->data());
        negocio = TNegocio::saveOrUpdate(negocio, conexion);

        std::unique_ptr<TRegimen> regimen = TRegimen::getByDescripcion(datos.regimen, conexion);
        if (!regimen) {
            regimen = std::make_unique<TRegimen>();
            regimen->setDescripcion(datos.regimen == REGIMEN_FISCAL ? QString() : datos.regimen);
            regimen->setUltimamodificacionpor(autor);
            *regimen = TRegimen::saveOrUpdate(*regimen, conexion);
        }
        TRegimennegocio regimenNegocio;
        regimenNegocio.setIdnegocio(negocio);
        regimenNegocio.setIdregimen(*regimen);
        regimenNegocio.setUltimamodificacionpor(autor);
        TRegimennegocio::saveOrUpdate(regimenNegocio, conexion);

        const QMap<QString, QString> informacion = Signerutils::Signer().getInformacionCertificado(datos.certificado);
        TCertificado certificado;
        certificado.setNegCer(leeArchivo(datos.certificado));
        certificado.setNegKey(leeArchivo(datos.llave));
        certificado.setNumCertificado(informacion.value(CERT_SERIALNUMBER).trimmed());
        certificado.setFechaexpiracion(QDate::fromString(informacion.value(CERT_VALIDTOSTR), FORMATO_FECHA));
        certificado.setNegPassword(Signerutils::Signer().crypt(datos.passwordLlave));
        certificado.setNegocio(negocio);
        certificado.setUltimamodificacionpor(autor);
        TCertificado::saveOrUpdate(certificado, conexion);

        fiscales.setRfc(datos.rfc.trimmed());
        fiscales.setRazon(datos.razon.trimmed());
        fiscales.setRegimen(datos.regimen.left(3));

        const TDireccion& d = datos.direccion;
        ::TDireccion direccion;
        direccion.setCalle(d.calle.trimmed());
        direccion.setNoexterior(d.noExterior.trimmed());
        direccion.setNointerior(d.noInterior.trimmed());
        direccion.setReferencia(d.referencia.trimmed());
        direccion.setColonia(d.colonia.trimmed());
        direccion.setLocalidad(d.localidad.trimmed());
        direccion.setMunicipio(d.municipio.trimmed());
        direccion.setEstado(d.estado);
        direccion.setPais(d.pais);
        direccion.setCodigoPostal(codigoPostal(d, conexion));
        direccion.setUltimamodificacionpor(autor);
        direccion = ::TDireccion::saveOrUpdate(direccion, conexion);

        fiscales.setDireccion(direccion);
        fiscales.setUltimamodificacionpor(autor);
        fiscales = TDatosfiscales::saveOrUpdate(fiscales, conexion);
        negocio.setDatosfiscales(fiscales);
        negocio = TNegocio::saveOrUpdate(negocio, conexion);

        TSucursal matriz;
        matriz.setTipo(TSucursal::TIPO_MATRIZ);
        matriz.setNumerosucursal(TSucursal::SUCURSAL_DEFAULT);
        matriz.setNombre(datos.razon.trimmed().isEmpty() ? TSucursal::MATRIZ_STRING : datos.razon.trimmed());
        matriz.setDireccion(direccion);
        matriz.setNegocio(negocio);
        matriz.setUltimamodificacionpor(autor);
        TSucursal::saveOrUpdate(matriz, conexion);

        liga.setIdusuario(usuario);
        liga.setIdnegocio(negocio);
        liga.setNivelpermiso(Signerutils::Signer().crypt(datos.rfc + USR_PASS + PERMISOS_INICIALES));
        liga.setUltimamodificacionpor(autor);
        liga.setFechamodificacion(QDateTime::currentDateTime());
        liga = TUsuarionegocio::saveOrUpdate(liga, conexion);
        transaccion.commit();
    }

    if (!Sistema::Conexion || !(*Sistema::Conexion == conexion))
        Sistema::Conexion = std::make_shared<TConexionSesion>(conexion);
    Sistema::initNuevoNegocio(liga);
    Ingreso::updateBaseDatos(conexion);
    Utils::inicializaDirectorios(Sistema::exePath, fiscales.getRfc());
    return liga;
}

}  // namespace NuevoNegocio

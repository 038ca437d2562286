#include "TNuevoNegocio.h"

#include "Archivos.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Credenciales.h"
#include "Entidades.h"
#include "Errores.h"
#include "Esquema.h"
#include "Logmanager.h"
#include "Rutas.h"
#include "SecretoNegocio.h"
#include "Secretos.h"
#include "Signerutils.h"
#include "Sistema.h"
#include "TBaseDatosLocalFrm.h"
#include "TCadenaConexion.h"
#include "TDefaultDBValues.h"
#include "Utils.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

using namespace Constantes;

namespace NuevoNegocio {

namespace {

QByteArray leeArchivo(const QString& ruta)
{
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly)) {
        // The system's error number says why in Spanish; Qt's own texts are
        // English.
        const int numero = errno;
        throw EEntradaSalida(
            QStringLiteral("No se pudo leer el archivo %1: %2").arg(ruta, Errores::delSistema(numero)));
    }
    return archivo.readAll();
}

// A business database already at that place is never overwritten: it is
// kept beside, under a dated name, so creating a business again with the
// same RFC cannot destroy vouchers. The name it got, empty when there was none.
QString apartaExistente(const QString& archivo)
{
    if (!QFileInfo::exists(archivo))
        return QString();
    Conexiones::cierra(TConexionSesion::embebida(archivo, Sistema::exePath));
    const QString aparte = archivo + QStringLiteral(".") +
                           QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) +
                           QStringLiteral(".anterior");
    if (!QFile::rename(archivo, aparte))
        throw EEntradaSalida(QStringLiteral("Ya existe una base de datos en %1 y no se pudo apartar.").arg(archivo));
    Logmanager::Log(QStringLiteral("La base de datos existente se apartó como ") + aparte, 1, Sistema::exePath);
    return aparte;
}

// Lies beside a new business's database from before its file is made until
// its registry row is written. A database found with it is what a creation
// stopped in between left, its business possibly stored whole; without it, a
// database that holds a business is one whose registry row was lost.
QString marcaCreacion(const QString& archivo)
{
    return QFileInfo(archivo).absolutePath() + QStringLiteral("/.creacion");
}

// Until the registry knows the new business, a failure must leave the folder
// as it was: the new file goes and the database set aside comes back, so the
// business the registry (or a later rebuild) points to keeps its vouchers.
class TDeshaceArchivo {
public:
    TDeshaceArchivo(QString archivo, QString aparte, bool marcada = false)
        : m_archivo(std::move(archivo)), m_aparte(std::move(aparte)), m_marcada(marcada)
    {
    }
    ~TDeshaceArchivo()
    {
        if (m_hecho)
            return;
        Conexiones::cierra(TConexionSesion::embebida(m_archivo, Sistema::exePath));
        if (m_nuevo)
            QFile::remove(m_archivo);
        // A database put back keeps the mark it was found with, if any.
        if (!m_marcada)
            QFile::remove(marcaCreacion(m_archivo));
        if (!m_aparte.isEmpty() && !QFileInfo::exists(m_archivo) && QFile::rename(m_aparte, m_archivo))
            Logmanager::Log(QStringLiteral("La base de datos apartada volvió a su lugar: ") + m_archivo, 1,
                            Sistema::exePath);
    }
    TDeshaceArchivo(const TDeshaceArchivo&) = delete;
    TDeshaceArchivo& operator=(const TDeshaceArchivo&) = delete;

    // The file at its place is the new one (remove it when undoing).
    void creado() { m_nuevo = true; }
    void confirma() { m_hecho = true; }

private:
    QString m_archivo;
    QString m_aparte;
    bool m_marcada; // the creation's mark was there before
    bool m_nuevo = false;
    bool m_hecho = false;
};

// Nobody acts before the owner exists: the owner's own row is stored on
// behalf of no user, the rest on the owner's.
constexpr int SIN_USUARIO = -1;

TUsuario creaUsuario(const TDatos& datos, const TConexionSesion& conexion)
{
    const QString email = datos.email.trimmed();
    TUsuario usuario;
    usuario.setEmail(email);
    usuario.setPassword(datos.passwordGuardado.isEmpty() ? Credenciales::hashPassword(datos.password)
                                                         : datos.passwordGuardado);
    usuario = TUsuario::saveOrUpdate(usuario, TUnidadTrabajo(conexion, SIN_USUARIO));
    const TUnidadTrabajo unidad(conexion, usuario.getIdusuario());

    TContacto contacto = TContacto::saveOrUpdate(TContacto(), unidad);
    for (const TTelefono& datosTelefono : datos.telefonos) {
        if (datosTelefono.numero.trimmed().isEmpty())
            continue;
        ::TTelefono telefono;
        telefono.setNumero(datosTelefono.numero.trimmed());
        telefono.setExtencion(datosTelefono.extension.trimmed());
        telefono.setTipotelefono(datosTelefono.tipo);
        telefono.setIdcontacto(contacto);
        ::TTelefono::saveOrUpdate(telefono, unidad);
    }

    TPersona persona;
    persona.setNombre(datos.nombre.trimmed());
    persona.setApellidopaterno(datos.apellidoPaterno.trimmed());
    persona.setApellidomaterno(datos.apellidoMaterno.trimmed());
    persona.setContacto(contacto);
    persona.setDireccion(nullptr);
    persona = TPersona::saveOrUpdate(persona, unidad);

    usuario.setIdpersona(persona);
    return TUsuario::saveOrUpdate(usuario, unidad);
}

// The signed-in user, its person and contact, copied as new rows into the
// new database. References into the old database (the person's address)
// are not carried over: their ids mean nothing in the new one.
TUsuario copiaUsuario(const TUsuario& original, const TConexionSesion& conexion)
{
    const TUnidadTrabajo unidad(conexion, SIN_USUARIO);
    TPersona persona;
    if (const std::shared_ptr<TPersona> personaOriginal = original.getIdpersona())
        persona = *personaOriginal;
    TContacto contacto;
    if (const std::shared_ptr<TContacto> contactoOriginal = persona.getContacto())
        contacto = *contactoOriginal;
    contacto.setIdcontacto(-1);
    contacto = TContacto::saveOrUpdate(contacto, unidad);

    persona.setIdpersona(-1);
    persona.setContacto(contacto);
    persona.setDireccion(nullptr);
    persona = TPersona::saveOrUpdate(persona, unidad);

    TUsuario usuario = original;
    usuario.setIdusuario(-1);
    usuario.setIdpersona(persona);
    return TUsuario::saveOrUpdate(usuario, unidad);
}

std::shared_ptr<TCodigopostal> codigoPostal(const TDireccion& direccion, const TUnidadTrabajo& unidad)
{
    const QString cp = direccion.codigoPostal.trimmed();
    if (cp.isEmpty())
        return nullptr;
    if (std::unique_ptr<TCodigopostal> existente = TCodigopostal::getByCP(cp, unidad.conexion()))
        return std::shared_ptr<TCodigopostal>(existente.release());
    TCodigopostal nuevo;
    nuevo.setCp(cp);
    nuevo.setMunicipio(direccion.municipio.trimmed());
    if (direccion.codigoPostalDelCatalogo) {
        nuevo.setEstado(direccion.estado.trimmed());
        nuevo.setLocalidad(direccion.localidad.trimmed());
    } else {
        nuevo.setEstado(direccion.estado.trimmed().section(QLatin1Char(' '), 0, 0));
    }
    return std::make_shared<TCodigopostal>(TCodigopostal::saveOrUpdate(nuevo, unidad));
}

// The RFC names the business folder and its database: anything else than
// an RFC (a path, an empty text) never gets that far.
void exigeRfcValido(const QString& rfc)
{
    if (!Signerutils::esRfcValido(rfc))
        throw EVelkor(ERR_RFC_NO_VALIDO.arg(rfc));
}

} // namespace

QString archivoLocal(const QString& rfc)
{
    return Rutas::programa({DB_PATH, rfc, DB_SISTEMA_NOMBRE});
}

TDestino destinoLocal(const QString& rfc)
{
    TDestino destino;
    destino.motor = DB_SQLITE;
    destino.baseDatos = archivoLocal(rfc);
    return destino;
}

namespace {

// The registration array of the registry holder.
QStringList registroDe(const QString& email, const QString& rfc, const QString& razon, const TDestino& destino)
{
    const QStringList registro = {email, razon, rfc};
    return registro + QStringList{destino.motor,    destino.usuario,   destino.password,
                                  destino.servidor, destino.baseDatos, destino.puerto};
}

} // namespace

TOcupante ocupante(const TConexionSesion& conexion, const QStringList& tablas, const QString& rfc)
{
    // Counted, not read: an older or partial schema lacks the columns added
    // later.
    if (!tablas.contains(TNegocio::tablaEsquema().nombre))
        return TOcupante::Nadie;
    const int negocios = TNegocio::cuenta(TCondicion(), conexion);
    if (negocios == 0)
        return TOcupante::Nadie;
    if (!tablas.contains(TDatosfiscales::tablaEsquema().nombre))
        return TOcupante::Otro;
    using F = TDatosfiscales;
    const TCondicion suyos =
        TNegocio::columna(TNegocio::col_Datosfiscales).en(F::claves(F::columna(F::col_Rfc) == rfc));
    return TNegocio::cuenta(suyos, conexion) < negocios ? TOcupante::Otro : TOcupante::ElMismo;
}

namespace {

// Whether the file holds nothing but the start of a copy of `plantilla`
// (whole, cut short or empty): a creation stopped while copying it.
bool esCopiaDePlantilla(const QString& ruta, const QByteArray& plantilla)
{
    QFile archivo(ruta);
    return archivo.open(QIODevice::ReadOnly) && archivo.size() <= plantilla.size() &&
           archivo.readAll() == plantilla.left(archivo.size());
}

// A database already in the new business's folder is set aside only when it
// holds no business: what a creation stopped before its business was stored
// leaves. One that holds a business is that business's, whose registry row
// was lost (the registry deleted, or set aside as damaged): moved away, it
// would be out of reach of its owner's sign-in and of the registry's
// rebuild, which look for it by name. It stays as it is, and the creation is
// refused before anything is written. A creation stopped before its
// registry row left its mark (marcaCreacion): what it left is not looked at.
void exigeSinNegocio(const QString& rfc, const QByteArray& plantilla)
{
    const QString comoRegistrarla =
        QStringLiteral(" No se modificó. Para registrarla de nuevo en este equipo, elige \"Volver a registrar las "
                       "empresas de esta carpeta\" en el \"Asistente de configuración\" de Velkor (al abrirlo o al "
                       "cerrar sesión).");
    for (const QString& ruta : {archivoLocal(rfc), Rutas::programa({DB_PATH, rfc, DB_SISTEMA_NOMBRE_ANTERIOR})}) {
        if (!QFileInfo::exists(ruta) || esCopiaDePlantilla(ruta, plantilla))
            continue;
        const TConexionSesion conexion = TConexionSesion::embebida(ruta, Sistema::exePath);
        TOcupante quien = TOcupante::Nadie;
        try {
            quien = ocupante(conexion, Esquema::tablasPresentes(conexion), rfc);
        } catch (const std::exception& e) {
            // Not a database this program can read: no business could be
            // reached in it either. It is set aside and kept.
            Logmanager::Log(
                QStringLiteral("No se pudo revisar la base de datos %1: %2").arg(ruta, Errores::describe(e)), 1,
                Sistema::exePath);
        }
        Conexiones::cierra(conexion);
        if (quien == TOcupante::ElMismo)
            throw EVelkor(
                QStringLiteral("La base de datos de la empresa %1 ya está en su carpeta (%2), pero la empresa "
                               "no está registrada en este equipo.")
                    .arg(rfc, ruta) +
                comoRegistrarla);
        if (quien == TOcupante::Otro)
            throw EVelkor(QStringLiteral("En la carpeta de la empresa %1 está la base de datos de otra empresa (%2), "
                                         "que no está registrada en este equipo.")
                              .arg(rfc, ruta) +
                          comoRegistrarla);
    }
}

struct TArchivoCreado {
    TConexionSesion conexion;
    QString aparte; // where an existing database was set aside, if any
    bool marcada = false;
    bool nuevo = false;
};

TArchivoCreado creaArchivo(const QString& email, const QString& rfc, const TDestino& destino,
                           const QByteArray& plantilla)
{
    // A destination the registry could not store would leave a database
    // nobody can reach: refuse it before any file is made.
    TCadenaConexion::deRegistro(registroDe(email, rfc, QString(), destino)).plano();
    exigeRfcValido(rfc);

    Archivos::creaCarpetaPrivada(Rutas::programa({DB_PATH, rfc}));
    const QString archivoBase = archivoLocal(rfc);

    // Without the template there would be no database behind the registry
    // row: refuse before anything is registered.
    if (plantilla.isEmpty())
        throw EEntradaSalida(QStringLiteral("No se encontró la base de datos vacía del programa (%1). "
                                            "Reinstala el programa e inténtalo de nuevo.")
                                 .arg(RS_PATH));
    TArchivoCreado creado;
    if (!email.isEmpty()) {
        creado.marcada = QFileInfo::exists(marcaCreacion(archivoBase));
        if (!creado.marcada)
            exigeSinNegocio(rfc, plantilla);
        creado.aparte = apartaExistente(archivoBase);
    }
    TDeshaceArchivo deshace(archivoBase, creado.aparte, creado.marcada);
    if (!email.isEmpty()) {
        Archivos::creaPrivado(marcaCreacion(archivoBase), {});
        deshace.creado();
        creado.nuevo = true;
        Archivos::creaPrivado(archivoBase, plantilla);
    }
    creado.conexion = TConexionSesion::embebida(archivoBase, Sistema::exePath);
    creado.conexion.setServer(Rutas::programa({DB_SPECIFI_COPTIONS}));
    deshace.confirma();
    return creado;
}

} // namespace

TArchivoLocal creaArchivoLocal(const QString& email, const QString& rfc, const TDestino& destino,
                               const QByteArray& plantilla)
{
    const TArchivoCreado creado = creaArchivo(email, rfc, destino, plantilla);
    return {creado.conexion, creado.aparte, creado.marcada};
}

void deshazArchivoLocal(const TArchivoLocal& archivo)
{
    TDeshaceArchivo deshace(archivo.conexion.getDatabase(), archivo.aparte, archivo.marcada);
    deshace.creado();
}

namespace {

// Whether a database set aside holds nothing a creation did not put there.
bool esRestoDeCreacion(const QString& aparte, const QByteArray& plantilla)
{
    if (!QFileInfo::exists(aparte))
        return false;
    // The template being copied when the creation stopped.
    if (esCopiaDePlantilla(aparte, plantilla))
        return true;
    // Stopped later: the business's records may be committed, but the import
    // stores a voucher only once the business is registered.
    const TConexionSesion conexion = TConexionSesion::embebida(aparte, Sistema::exePath);
    bool sinComprobantes = false;
    try {
        sinComprobantes = TComprobante::cuenta(TCondicion(), conexion) == 0;
    } catch (const std::exception& e) {
        // Not a database this program can read: it is kept.
        Logmanager::Log(
            QStringLiteral("No se pudo revisar la base de datos apartada %1: %2").arg(aparte, Errores::describe(e)), 1,
            Sistema::exePath);
    }
    Conexiones::cierra(conexion);
    return sinComprobantes;
}

} // namespace

void concluyeArchivoLocal(const TArchivoLocal& archivo, const QByteArray& plantilla)
{
    if (archivo.aparte.isEmpty() || !esRestoDeCreacion(archivo.aparte, plantilla))
        return;
    if (QFile::remove(archivo.aparte))
        Logmanager::Log(QStringLiteral("Se eliminó la base de datos apartada, restos de una creación interrumpida: ") +
                            archivo.aparte,
                        1, Sistema::exePath);
}

bool anotaNegocio(const QString& email, const QString& rfc, const QString& razon, const TDestino& destino,
                  QString* error)
{
    return registroLocal().usuarioLogginInsert(registroDe(email, rfc, razon, destino), error);
}

void registraNegocio(const QString& email, const QString& rfc, const QString& razon, const TDestino& destino)
{
    QString error;
    if (!anotaNegocio(email, rfc, razon, destino, &error))
        throw EBaseDatos(ERR_REGISTRO_ESCRITURA + QLatin1Char(' ') + error + QLatin1Char('.'));
    if (!conexionDestino(destino).enServidor())
        QFile::remove(marcaCreacion(archivoLocal(rfc)));
}

TConexionSesion conexionDestino(const TDestino& destino)
{
    TConexionSesion motor;
    motor.setProvider(destino.motor);
    if (!motor.enServidor())
        return TConexionSesion::embebida(destino.baseDatos, Sistema::exePath);
    return TConexionSesion::servidor(motor.motor(), destino.usuario.trimmed(), destino.password,
                                     destino.servidor.trimmed(), destino.puerto.trimmed(), destino.baseDatos.trimmed());
}

QString nombreBaseServidor(TMotor motor, const QString& rfc, const QString& carpeta)
{
    if (motor == TMotor::FirebirdServidor) {
        QString base = carpeta.trimmed();
        while (base.endsWith(QLatin1Char('/')) && base.size() > 1)
            base.chop(1);
        return base + QLatin1Char('/') + rfc.toUpper() + QStringLiteral(".fdb");
    }
    // One name per RFC: with "&" and "ñ" both as "_", "A&B010101AB1" and
    // "AÑB010101AB1" would share a database. Each becomes "_" and its code
    // point, so an RFC without them keeps the name its business already has,
    // and "_", which no RFC holds, starts nothing else.
    QString nombre = QStringLiteral("velkor_") + rfc.trimmed().toLower();
    nombre.replace(QLatin1Char('&'), QLatin1String("_26"));
    nombre.replace(QChar(0x00F1), QLatin1String("_f1"));
    return nombre;
}

TDestino destinoServidor(const TConexionSesion& conexion)
{
    TDestino destino;
    destino.motor = conexion.getProvider();
    destino.usuario = conexion.getUsername();
    destino.password = conexion.getPassword();
    destino.servidor = conexion.getServer();
    destino.baseDatos = conexion.getDatabase();
    destino.puerto = conexion.getPuerto();
    return destino;
}

namespace {

// The connection to the database a server destination names, once it is
// known to be one this business may fill.
TConexionSesion baseServidorVacia(const QString& email, const QString& rfc, const QString& razon,
                                  const TDestino& destino)
{
    TCadenaConexion::deRegistro(registroDe(email, rfc, razon, destino)).plano();
    exigeRfcValido(rfc);
    const TConexionSesion conexion = conexionDestino(destino);
    // Another business's tables (or anyone's) are never written over: the
    // configuration window checked the database was empty, but time passed.
    const QStringList tablas = Esquema::tablasPresentes(conexion);
    if (!tablas.isEmpty())
        throw EBaseDatos(QStringLiteral("La base de datos %1 ya tiene tablas (%2); la empresa nueva necesita una base "
                                        "de datos vacía. Elige otra en \"Configura tu Conexión\".")
                             .arg(conexion.descripcion(), tablas.mid(0, 3).join(QStringLiteral(", "))));
    return conexion;
}

// A creation that failed on a server takes back what it made there, so the
// same database is empty again for a retry; the database itself was there
// before and stays.
void deshazBaseServidor(const TConexionSesion& conexion, const QStringList& antes)
{
    // A Firebird server drops no table the failed attempt's statements
    // still hold.
    Conexiones::cierra(conexion);
    try {
        Esquema::quitaNuevos(conexion, antes);
    } catch (const std::exception& e) {
        Logmanager::Log(QStringLiteral("No se pudieron quitar las tablas de la empresa que no se creó en %1: %2")
                            .arg(conexion.descripcion(), Errores::describe(e)),
                        3, Sistema::exePath);
    }
    Conexiones::cierra(conexion);
}

} // namespace

TConexionSesion creaBaseServidor(const QString& email, const QString& rfc, const QString& razon,
                                 const TDestino& destino)
{
    const TConexionSesion conexion = baseServidorVacia(email, rfc, razon, destino);
    Esquema::completaTodo(conexion);
    registraNegocio(email, rfc, razon, destino);
    return conexion;
}

TConexionSesion saveNuevoLocal(const QString& email, const QString& rfc, const QString& razon, const TDestino& destino,
                               const QByteArray& plantilla)
{
    if (conexionDestino(destino).enServidor())
        return creaBaseServidor(email, rfc, razon, destino);
    const TArchivoCreado creado = creaArchivo(email, rfc, destino, plantilla);
    // A registration that fails leaves the folder as it was: the new file
    // removed, a database set aside put back.
    TDeshaceArchivo deshace(creado.conexion.getDatabase(), creado.aparte, creado.marcada);
    if (creado.nuevo)
        deshace.creado();
    registraNegocio(email, rfc, razon, destino);
    deshace.confirma();
    return creado.conexion;
}

bool tieneDatos(const TDireccion& d)
{
    for (const QString* campo : {&d.calle, &d.noExterior, &d.noInterior, &d.referencia, &d.colonia, &d.localidad,
                                 &d.municipio, &d.estado, &d.pais, &d.codigoPostal})
        if (!campo->trimmed().isEmpty())
            return true;
    return false;
}

std::shared_ptr<::TDireccion> guardaDireccion(const TDireccion& d, const TUnidadTrabajo& unidad,
                                              const ::TDireccion* destino)
{
    if (!tieneDatos(d))
        return nullptr;
    ::TDireccion direccion = destino ? *destino : ::TDireccion();
    direccion.setCalle(d.calle.trimmed());
    direccion.setNoexterior(d.noExterior.trimmed());
    direccion.setNointerior(d.noInterior.trimmed());
    direccion.setReferencia(d.referencia.trimmed());
    direccion.setColonia(d.colonia.trimmed());
    direccion.setLocalidad(d.localidad.trimmed());
    direccion.setMunicipio(d.municipio.trimmed());
    direccion.setEstado(d.estado.trimmed());
    direccion.setPais(d.pais.trimmed());
    direccion.setCodigoPostal(codigoPostal(d, unidad));
    return std::make_shared<::TDireccion>(::TDireccion::saveOrUpdate(direccion, unidad));
}

TUsuarionegocio saveNuevoNegocio(const TDatos& datos, const TConexionSesion& conexion, const QByteArray& logo,
                                 const TUsuario* usuarioDado)
{
    // Nothing is stored for a certificate the wizard would have refused; a
    // business found in imported files comes without one.
    exigeRfcValido(datos.rfc.trimmed());
    if (!datos.certificado.isEmpty()) {
        const Signerutils::TRevision revision =
            Signerutils::Signer().revisaCertificados(datos.certificado, datos.llave, datos.passwordLlave);
        if (revision != Signerutils::TRevision::Correcto)
            throw ECertificado(Signerutils::Signer().explicaRevision(revision, datos.certificado));
    }

    TUsuarionegocio liga;
    TDatosfiscales fiscales;
    {
        // One unit of work: a failure leaves an empty database, never half a
        // business.
        TTransaccion transaccion(conexion);
        const TUsuario usuario = usuarioDado ? copiaUsuario(*usuarioDado, conexion) : creaUsuario(datos, conexion);
        const TUnidadTrabajo unidad(conexion, usuario.getIdusuario());

        TNegocio negocio;
        negocio.setNombre(datos.nombreEmpresa.trimmed());
        if (!logo.isEmpty())
            negocio.setLogonegocio(logo);
        SecretoNegocio::creaSecreto(negocio, conexion);
        negocio = TNegocio::saveOrUpdate(negocio, unidad);

        if (!datos.regimen.isEmpty()) {
            std::unique_ptr<TRegimen> regimen = TRegimen::getByDescripcion(datos.regimen, conexion);
            if (!regimen) {
                regimen = std::make_unique<TRegimen>();
                regimen->setDescripcion(datos.regimen == REGIMEN_FISCAL ? QString() : datos.regimen);
                *regimen = TRegimen::saveOrUpdate(*regimen, unidad);
            }
            TRegimennegocio regimenNegocio;
            regimenNegocio.setIdnegocio(negocio);
            regimenNegocio.setIdregimen(*regimen);
            TRegimennegocio::saveOrUpdate(regimenNegocio, unidad);
        }

        if (!datos.certificado.isEmpty()) {
            const QMap<QString, QString> informacion =
                Signerutils::Signer().getInformacionCertificado(datos.certificado);
            TCertificado certificado;
            certificado.setNegCer(leeArchivo(datos.certificado));
            certificado.setNegKey(leeArchivo(datos.llave));
            certificado.setNumCertificado(informacion.value(CERT_SERIALNUMBER).trimmed());
            certificado.setFechaexpiracion(QDate::fromString(informacion.value(CERT_VALIDTOSTR), FORMATO_FECHA));
            certificado.setNegPassword(Secretos::cifraLocal(datos.passwordLlave, Sistema::exePath));
            certificado.setNegocio(negocio);
            TCertificado::saveOrUpdate(certificado, unidad);
        }

        fiscales.setRfc(datos.rfc.trimmed());
        fiscales.setRazon(datos.razon.trimmed());
        fiscales.setRegimen(datos.regimen.left(3));

        const std::shared_ptr<::TDireccion> direccion = guardaDireccion(datos.direccion, unidad);
        fiscales.setDireccion(direccion);
        fiscales = TDatosfiscales::saveOrUpdate(fiscales, unidad);
        negocio.setDatosfiscales(fiscales);
        negocio = TNegocio::saveOrUpdate(negocio, unidad);

        TSucursal matriz;
        matriz.setTipo(TSucursal::TIPO_MATRIZ);
        matriz.setNumerosucursal(TSucursal::SUCURSAL_DEFAULT);
        matriz.setNombre(datos.razon.trimmed().isEmpty() ? TSucursal::MATRIZ_STRING : datos.razon.trimmed());
        matriz.setDireccion(direccion);
        matriz.setNegocio(negocio);
        TSucursal::saveOrUpdate(matriz, unidad);

        liga.setIdusuario(usuario);
        liga.setIdnegocio(negocio);
        liga.setNivelpermiso(
            SecretoNegocio::firmaPermisos(negocio, usuario, datos.rfc + USR_PASS + PERMISOS_INICIALES, conexion));
        liga = TUsuarionegocio::saveOrUpdate(liga, unidad);
        transaccion.commit();
    }

    TDefaultDBValues(conexion).inicia();
    SecretoNegocio::recuerda(fiscales.getRfc());
    Utils::inicializaDirectorios(Sistema::exePath, fiscales.getRfc());
    Logmanager::Log(QStringLiteral("Empresa creada: RFC \"%1\", \"%2\", en %3.")
                        .arg(fiscales.getRfc(), datos.nombreEmpresa.trimmed(), conexion.getDatabase()),
                    1, Sistema::exePath);
    return liga;
}

TUsuarionegocio creaNegocio(const TDatos& datos, const QString& email, const TDestino& destino,
                            const QByteArray& plantilla, const QByteArray& logo, const TUsuario* usuario,
                            TConexionSesion& conexion)
{
    if (conexionDestino(destino).enServidor()) {
        const TConexionSesion servidor = baseServidorVacia(email, datos.rfc, datos.razon, destino);
        const QStringList antes = Esquema::objetosPresentes(servidor);
        TUsuarionegocio liga;
        try {
            Esquema::completaTodo(servidor);
            liga = saveNuevoNegocio(datos, servidor, logo, usuario);
            registraNegocio(email, datos.rfc, datos.razon, destino);
        } catch (...) {
            deshazBaseServidor(servidor, antes);
            throw;
        }
        conexion = servidor;
        return liga;
    }
    const TArchivoLocal archivo = creaArchivoLocal(email, datos.rfc, destino, plantilla);
    TUsuarionegocio liga;
    try {
        liga = saveNuevoNegocio(datos, archivo.conexion, logo, usuario);
        registraNegocio(email, datos.rfc, datos.razon, destino);
    } catch (...) {
        deshazArchivoLocal(archivo);
        QDir().rmdir(QFileInfo(archivo.conexion.getDatabase()).absolutePath());
        throw;
    }
    conexion = archivo.conexion;
    return liga;
}

} // namespace NuevoNegocio

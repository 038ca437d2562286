#include "TNegociosImportacion.h"

#include "Conexiones.h"
#include "Constantes.h"
#include "Dialecto.h"
#include "Entidades.h"
#include "Errores.h"
#include "Esquema.h"
#include "Logmanager.h"
#include "Rutas.h"
#include "Sistema.h"
#include "negocio/ConexionIlegible.h"
#include "negocio/Credenciales.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TIngreso.h"
#include "negocio/Utils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <exception>
#include <mutex>

namespace {

// Jobs on several threads meet here: the registry and the business folders
// are read and written by one of them at a time.
std::mutex candadoRegistro;

} // namespace

struct TNegociosImportacion::TEntrada {
    TNegocioImportado negocio;
    std::exception_ptr error;
};

QString TServidoresAusentes::motivo(const QString& servidor) const
{
    const QMutexLocker bloqueo(&m_mutex);
    return m_motivos.value(servidor);
}

void TServidoresAusentes::agrega(const QString& servidor, const QString& motivo)
{
    const QMutexLocker bloqueo(&m_mutex);
    m_motivos.insert(servidor, motivo);
}

TNegociosImportacion::TNegociosImportacion(TBaseDatosLocalFrm& registro, const QString& email, const QString& password,
                                           const QByteArray& plantilla, const QByteArray& logo)
    : m_registro(registro), m_email(email.trimmed()), m_password(password), m_plantilla(plantilla), m_logo(logo)
{
}

TNegociosImportacion::~TNegociosImportacion() = default;

const TNegociosImportacion::TNegocioImportado& TNegociosImportacion::negocio(const QString& rfc,
                                                                             const std::function<TEmisor()>& emisor)
{
    const QString clave = rfc.trimmed().toUpper();
    std::shared_ptr<TEntrada>& entrada = m_negocios[clave];
    if (!entrada) {
        entrada = std::make_shared<TEntrada>();
        try {
            const std::lock_guard<std::mutex> bloqueo(candadoRegistro);
            entrada->negocio = abre(clave, rfc.trimmed(), emisor);
        } catch (...) {
            entrada->error = std::current_exception();
        }
    }
    if (entrada->error) {
        const std::exception_ptr error = entrada->error;
        // A connection that dropped while the business was being opened is
        // no reason to refuse its files for the rest of the job: the next
        // one tries again.
        m_porConexion.remove(clave);
        try {
            std::rethrow_exception(error);
        } catch (const EServidorAusente&) {
            // Given up for the job: its text speaks of the lost connection
            // too.
        } catch (const EVelkor& e) {
            if (TDialecto::esConexionPerdida(e.mensaje())) {
                m_negocios.remove(clave);
                m_candados.remove(clave);
                m_porConexion.insert(clave);
            }
        } catch (...) {
        }
        std::rethrow_exception(error);
    }
    m_porConexion.remove(clave);
    usa(clave);
    return entrada->negocio;
}

namespace {

// Raised by the issuer's data of a business that must not be created, before
// anything is.
struct ESinRegistro {};

// Why a registered business whose stored connection does not decipher here
// could not be found.
QString conexionIlegible(const QString& rfc)
{
    return QStringLiteral("La conexión guardada del negocio %1 no se puede leer en esta instalación del programa (se "
                          "guardó en otra, por ejemplo antes de copiar la carpeta \"db\" a esta), y su base de datos "
                          "no está en la carpeta del negocio; el archivo no se importó. Recupera el negocio desde un "
                          "respaldo.")
        .arg(rfc);
}

// Why a new business's database is left to the workstation that holds it.
QString enCreacion(const TConexionSesion& base)
{
    return QStringLiteral("Otro equipo está creando o importando el negocio de la base de datos %1 en este momento; "
                          "este archivo no se importó. Vuelve a importar cuando termine.")
        .arg(base.descripcion());
}

} // namespace

const TNegociosImportacion::TNegocioImportado* TNegociosImportacion::existente(const QString& rfc)
{
    if (!conoce(rfc))
        return nullptr;
    try {
        return &negocio(rfc, []() -> TEmisor { throw ESinRegistro(); });
    } catch (const ESinRegistro&) {
        return nullptr;
    }
}

bool TNegociosImportacion::conoce(const QString& rfc)
{
    const QString clave = rfc.trimmed().toUpper();
    if (clave.isEmpty())
        return false;
    const auto visto = m_conocidos.constFind(clave);
    if (visto != m_conocidos.constEnd())
        return *visto;
    QStringList detalle;
    {
        const std::lock_guard<std::mutex> bloqueo(candadoRegistro);
        lee(clave, detalle);
        if (detalle.isEmpty() && rfc.trimmed() != clave)
            lee(rfc.trimmed(), detalle);
    }
    m_conocidos.insert(clave, !detalle.isEmpty());
    return !detalle.isEmpty();
}

void TNegociosImportacion::usa(const QString& rfc)
{
    // The database opens again by itself on its next statement
    // (Conexiones::baseDatos): what was found about the business stands.
    m_abiertos.removeOne(rfc);
    m_abiertos.append(rfc);
    cierraSobrantes(rfc);
}

void TNegociosImportacion::cierraSobrantes(const QString& enUso)
{
    for (qsizetype i = 0; i < m_abiertos.size() && m_abiertos.size() > ABIERTOS;) {
        const QString rfc = m_abiertos.at(i);
        const TConexionSesion& conexion = m_negocios.value(rfc)->negocio.conexion;
        // Closing a connection rolls back what it holds: a batch's files
        // not yet committed stay open until their commit.
        if (rfc == enUso || Conexiones::enTransaccion(conexion)) {
            ++i;
            continue;
        }
        Conexiones::cierra(conexion);
        m_abiertos.removeAt(i);
        if (m_alCerrar)
            m_alCerrar(conexion);
    }
}

TNegociosImportacion::TNegocioImportado TNegociosImportacion::abre(const QString& rfc, const QString& escrito,
                                                                   const std::function<TEmisor()>& emisor)
{
    // RFCs are registered in upper case; an older row may keep another
    // spelling, and missing it would create the business a second time.
    QStringList detalle;
    lee(rfc, detalle);
    if (detalle.isEmpty() && escrito != rfc)
        lee(escrito, detalle);
    TNegocioImportado resultado = detalle.isEmpty() ? crea(rfc, emisor()) : registrado(rfc, detalle);
    try {
        Utils::inicializaDirectorios(Sistema::exePath, rfc);
    } catch (...) {
        Conexiones::cierra(resultado.conexion);
        throw;
    }
    return resultado;
}

void TNegociosImportacion::lee(const QString& rfc, QStringList& detalle) const
{
    // A registry that cannot be read is not one without the issuer: creating
    // the business again would set its database aside.
    QString error;
    if (!m_registro.leeEmpresaDetalle(rfc, detalle, &error))
        throw EBaseDatos(QStringLiteral("No se pudo leer el registro de negocios para saber si el negocio %1 ya "
                                        "existe: %2. El archivo no se importó.")
                             .arg(rfc, error));
}

TNegociosImportacion::TNegocioImportado TNegociosImportacion::registrado(const QString& rfc, const QStringList& detalle)
{
    TNegocioImportado resultado;
    resultado.rfc = rfc;
    // A connection another installation enciphered is not a missing
    // database: a business of this program folder is looked for in its own
    // folder, as the sign-in does.
    const bool ilegible = ConexionIlegible::es(detalle.value(2));
    bool existe = false;
    TFallaServidor falla = TFallaServidor::Otra;
    if (ilegible) {
        const QString base = ConexionIlegible::baseEnSuCarpeta(rfc);
        if (base.isEmpty())
            throw EBaseDatos(conexionIlegible(rfc));
        resultado.conexion = TConexionSesion::embebida(base, Sistema::exePath);
        existe = true;
    } else {
        try {
            if (const TConexionSesion guardada = Utils::conexionGuardada(detalle.value(2)); guardada.enServidor()) {
                // Its server already stayed away for another business: not
                // waited for again.
                if (const QString ausente = m_ausentes->motivo(servidorDe(guardada)); !ausente.isEmpty())
                    throw EServidorAusente(ausente);
                m_guardadas.insert(rfc, guardada);
            }
            existe = Utils::evaluaConexion(resultado.conexion, detalle.value(2), falla);
        } catch (const ECifrado&) {
            existe = false;
        }
    }
    if (!existe && resultado.conexion.enServidor())
        throw EBaseDatos(QStringLiteral("No se pudo abrir la base de datos del negocio %1 (%2); el archivo no se "
                                        "importó. %3 Luego vuelve a importar.")
                             .arg(rfc, resultado.conexion.descripcion(), Utils::fallaServidor(falla)));
    if (!existe)
        throw EBaseDatos(
            QStringLiteral("No se encontró la base de datos del negocio %1 registrado en este equipo.").arg(rfc));
    // An RFC that fails is never used again in this job: its database must
    // not stay open, one more for every refused issuer.
    try {
        abreRegistrado(resultado, ilegible);
        bloquea(resultado);
        if (ilegible)
            ConexionIlegible::registraDeNuevo(m_registro, rfc, detalle.value(1), resultado.conexion.getDatabase());
    } catch (...) {
        Conexiones::cierra(resultado.conexion);
        throw;
    }
    return resultado;
}

void TNegociosImportacion::abreRegistrado(TNegocioImportado& resultado, bool enSuCarpeta)
{
    const QString& rfc = resultado.rfc;
    // An older database lacks columns the entities now read; its data is
    // migrated (Ingreso::updateBaseDatos) only once the password is known.
    Esquema::completaTodo(resultado.conexion);
    std::unique_ptr<TNegocio> negocio = TNegocio::getByRFCSinLoad(rfc, resultado.conexion);
    // A registry row that leads to another business's database must not
    // receive this issuer's vouchers.
    if (!negocio && enSuCarpeta)
        throw EBaseDatos(conexionIlegible(rfc));
    if (!negocio)
        throw EBaseDatos(QStringLiteral("La base de datos registrada para el RFC %1 (%2) no contiene ese negocio.")
                             .arg(rfc, resultado.conexion.getDatabase()));
    // Only one of its users brings vouchers into a business that exists,
    // as only one of them signs in to it; checked before its database is
    // touched.
    switch (Credenciales::acceso(*negocio, m_email, m_password, resultado.conexion)) {
    case Credenciales::TAcceso::Permitido:
        break;
    case Credenciales::TAcceso::NoEsUsuario:
        throw EVelkor(QStringLiteral("El negocio %1 ya existe en este equipo y %2 no es uno de sus usuarios; el "
                                     "archivo no se importó. Importa sus archivos con el correo y la contraseña de "
                                     "un usuario del negocio.")
                          .arg(rfc, m_email));
    case Credenciales::TAcceso::ContrasenaIncorrecta:
        throw EVelkor(QStringLiteral("La contraseña no es la del usuario %1 del negocio %2; el archivo no se "
                                     "importó.")
                          .arg(m_email, rfc));
    case Credenciales::TAcceso::EmpresaEliminada:
        throw EVelkor(
            QStringLiteral("La empresa %1 se eliminó de esta computadora; el archivo no se importó.").arg(rfc));
    }
    Ingreso::updateBaseDatos(resultado.conexion);
    resultado.negocio = std::shared_ptr<TNegocio>(negocio.release());
}

TNegociosImportacion::TNegocioImportado TNegociosImportacion::crea(const QString& rfc, const TEmisor& emisor)
{
    if (m_email.isEmpty())
        throw EVelkor(QStringLiteral("El negocio %1 no está registrado y no se puede crear sin un correo "
                                     "electrónico para su usuario.")
                          .arg(rfc));
    Logmanager::Log(QStringLiteral("Creando un nuevo negocio"), 1, Sistema::exePath);
    const QString razon = emisor.nombre.trimmed().isEmpty() ? rfc : emisor.nombre.trimmed();
    const NuevoNegocio::TDestino destino = NuevoNegocio::destinoLocal(rfc);

    NuevoNegocio::TDatos datos;
    datos.email = m_email;
    datos.password = m_password;
    if (m_passwordGuardado.isEmpty())
        m_passwordGuardado = Credenciales::hashPassword(m_password);
    datos.passwordGuardado = m_passwordGuardado;
    datos.nombreEmpresa = razon;
    datos.rfc = rfc;
    datos.razon = razon;
    datos.regimen = emisor.regimen;
    datos.direccion = emisor.direccion;

    if (m_servidorNuevos.enServidor())
        return creaEnServidor(rfc, datos);
    TNegocioImportado resultado;
    resultado.rfc = rfc;
    resultado.creado = true;
    const NuevoNegocio::TArchivoLocal archivo = NuevoNegocio::creaArchivoLocal(m_email, rfc, destino, m_plantilla);
    resultado.conexion = archivo.conexion;
    try {
        const TUsuarionegocio liga = NuevoNegocio::saveNuevoNegocio(datos, resultado.conexion, m_logo);
        resultado.negocio = liga.getIdnegocio();
        NuevoNegocio::registraNegocio(m_email, rfc, razon, destino);
        // Reading the row back proves the business can be found again.
        if (m_registro.getEmpresaDetalle(rfc).isEmpty())
            throw EEntradaSalida(
                QStringLiteral("No se pudo registrar el negocio %1 en el registro local de negocios.").arg(rfc));
    } catch (...) {
        // The database found at its place (set aside) comes back.
        NuevoNegocio::deshazArchivoLocal(archivo);
        QDir().rmdir(QFileInfo(archivo.conexion.getDatabase()).absolutePath());
        throw;
    }
    NuevoNegocio::concluyeArchivoLocal(archivo, m_plantilla);
    ++m_creados;
    return resultado;
}

void TNegociosImportacion::quitaRestoDeCreacion(const QString& nombre, const QString& rfc)
{
    TConexionSesion anterior = m_servidorNuevos;
    anterior.setDatabase(nombre);
    try {
        Conexiones::baseDatos(anterior);
    } catch (const EBaseDatos&) {
        return; // there is none (or the server says why when creating it)
    }
    // The business is not in the registry, so a database of that name is
    // what a creation stopped before its registry row leaves (the server or
    // this program stopped) before the business was stored. One that holds a
    // business is someone's, and stays.
    const QStringList tablas = Esquema::tablasPresentes(anterior);
    // Another workstation may be creating it right now: on MariaDB it holds
    // the lock from the moment the database is there, on Firebird from the
    // moment the schema is (and until then stays attached, which the engine
    // will not drop).
    auto candado = std::make_unique<TCandadoServidor>(anterior);
    if ((anterior.motor() == TMotor::MariaDB || tablas.contains(QStringLiteral("VERSIONESQUEMA"))) &&
        !candado->toma()) {
        Conexiones::cierra(anterior);
        throw EVelkor(enCreacion(anterior));
    }
    // Older versions gave two RFCs one name, and a database may be named by
    // hand: one that holds another business is that business's, registered
    // here or not, whether or not it has vouchers yet.
    const NuevoNegocio::TOcupante quien = NuevoNegocio::ocupante(anterior, tablas, rfc);
    if (quien == NuevoNegocio::TOcupante::Otro) {
        Conexiones::cierra(anterior);
        throw EVelkor(
            QStringLiteral("El servidor ya tiene la base de datos %1 con otro negocio, y no se puede usar para "
                           "el negocio %2; no se modificó y este archivo no se importó.")
                .arg(anterior.descripcion(), rfc));
    }
    const bool conComprobantes =
        tablas.contains(TComprobante::tablaEsquema().nombre) && TComprobante::cuenta(TCondicion(), anterior) > 0;
    if (conComprobantes) {
        Conexiones::cierra(anterior);
        throw EVelkor(QStringLiteral("El servidor ya tiene la base de datos %1 con comprobantes, y este equipo no la "
                                     "tiene registrada; agrégala con \"Conectar a una empresa en un servidor\" y "
                                     "vuelve a importar.")
                          .arg(anterior.descripcion()));
    }
    // Stored whole, without vouchers yet, it is still another workstation's
    // business (its customers, its users), as a local one is: never dropped.
    if (quien == NuevoNegocio::TOcupante::ElMismo) {
        Conexiones::cierra(anterior);
        throw EVelkor(
            QStringLiteral("El servidor ya tiene la base de datos %1 con el negocio %2, aún sin comprobantes, "
                           "y este equipo no la tiene registrada; agrégala con \"Conectar a una empresa en "
                           "un servidor\" y vuelve a importar.")
                .arg(anterior.descripcion(), rfc));
    }
    Logmanager::Log(QStringLiteral("Se quita la base de datos %1, restos de una creación interrumpida.")
                        .arg(anterior.descripcion()),
                    1, Sistema::exePath);
    // A Firebird server drops no database someone is attached to, the lock
    // holder included. A MariaDB lock stays held through the drop: let go
    // before, another workstation could take it and start its schema in the
    // database about to go.
    if (anterior.motor() != TMotor::MariaDB)
        candado.reset();
    Conexiones::eliminaBaseServidor(anterior);
}

void TNegociosImportacion::bloquea(const TNegocioImportado& negocio)
{
    if (!negocio.conexion.enServidor() || m_candados.contains(negocio.rfc))
        return;
    // Two workstations importing into one business would both look for a
    // voucher, find it missing and store it: one import per business at a
    // time, held by the server for as long as this job runs.
    auto candado = std::make_shared<TCandadoServidor>(negocio.conexion);
    if (!candado->toma())
        throw EVelkor(QStringLiteral("Otro equipo está importando archivos del negocio %1 en este momento; este "
                                     "archivo no se importó. Vuelve a importar cuando termine.")
                          .arg(negocio.rfc));
    m_candados.insert(negocio.rfc, candado);
}

const TNegociosImportacion::TNegocioImportado* TNegociosImportacion::resuelto(const QString& rfc) const
{
    const auto it = m_negocios.constFind(rfc.trimmed().toUpper());
    if (it == m_negocios.constEnd() || !*it || (*it)->error || !(*it)->negocio.negocio)
        return nullptr;
    return &(*it)->negocio;
}

QString TNegociosImportacion::rfcDelCandado(const TConexionSesion& conexion) const
{
    for (auto it = m_candados.constBegin(); it != m_candados.constEnd(); ++it) {
        const TNegocioImportado* negocio = resuelto(it.key());
        if (negocio && negocio->conexion.motor() == conexion.motor() &&
            negocio->conexion.descripcion() == conexion.descripcion())
            return it.key();
    }
    return QString();
}

bool TNegociosImportacion::perdida(const TConexionSesion& conexion)
{
    if (!conexion.enServidor())
        return false;
    if (Conexiones::perdida(conexion))
        return true;
    const QString rfc = rfcDelCandado(conexion);
    return !rfc.isEmpty() && !m_candados.value(rfc)->vigente();
}

void TNegociosImportacion::vigila(const TConexionSesion& conexion)
{
    if (!conexion.enServidor())
        return;
    const QString rfc = rfcDelCandado(conexion);
    if (!rfc.isEmpty() && !m_candados.value(rfc)->vigente())
        recupera(conexion);
}

bool TNegociosImportacion::apartada(const TConexionSesion& conexion)
{
    if (!conexion.enServidor())
        return true;
    const QString rfc = rfcDelCandado(conexion);
    return rfc.isEmpty() || m_candados.value(rfc)->vigente();
}

bool TNegociosImportacion::sinConexion(const QString& rfc) const
{
    return m_porConexion.contains(rfc.trimmed().toUpper());
}

QString TNegociosImportacion::perdidaDuradera(const QString& donde)
{
    return QStringLiteral("Se perdió la conexión con el servidor %1 y no volvió después de %2 intentos; este archivo "
                          "no se importó, ni los demás de ese servidor en esta importación. Lo importado antes se "
                          "conserva. Revisa que el servidor esté encendido y que la red llegue a él, y vuelve a "
                          "importar la carpeta: sigue donde quedó.")
        .arg(donde)
        .arg(INTENTOS);
}

QString TNegociosImportacion::servidorDe(const TConexionSesion& conexion)
{
    return QStringLiteral("%1|%2|%3")
        .arg(int(conexion.motor()))
        .arg(conexion.getServer().trimmed().toLower())
        .arg(conexion.puertoEfectivo());
}

void TNegociosImportacion::renuncia(const QString& rfc, const QString& motivo)
{
    const QString clave = rfc.trimmed().toUpper();
    std::shared_ptr<TEntrada>& entrada = m_negocios[clave];
    if (!entrada)
        entrada = std::make_shared<TEntrada>();
    entrada->error = std::make_exception_ptr(EServidorAusente(motivo));
    m_porConexion.remove(clave);
    m_candados.remove(clave);
    m_abiertos.removeOne(clave);
}

QString TNegociosImportacion::abandona(const QString& rfc)
{
    const QString clave = rfc.trimmed().toUpper();
    const QString motivo = perdidaDuradera(QStringLiteral("del negocio %1").arg(clave));
    // Every other business of the job on that server would wait as long.
    if (const auto guardada = m_guardadas.constFind(clave); guardada != m_guardadas.constEnd())
        m_ausentes->agrega(servidorDe(*guardada),
                           perdidaDuradera(QStringLiteral("de la base de datos %1").arg(guardada->descripcion())));
    renuncia(rfc, motivo);
    return motivo;
}

void TNegociosImportacion::recupera(const TConexionSesion& conexion)
{
    const QString rfc = rfcDelCandado(conexion);
    // Another of its databases already waited for this server in vain.
    if (const QString motivo = m_ausentes->motivo(servidorDe(conexion)); !motivo.isEmpty()) {
        Conexiones::cierra(conexion);
        renunciaServidor(conexion, motivo);
        throw EServidorAusente(motivo);
    }
    Logmanager::Log(QStringLiteral("Se perdió la conexión con la base de datos %1 del servidor; se vuelve a conectar "
                                   "para seguir importando.")
                        .arg(conexion.descripcion()),
                    3, Sistema::exePath);
    // The old hold lets go of its dropped connection; what the records
    // cached for the database came from may have gone with it.
    m_candados.remove(rfc);
    if (m_alCerrar)
        m_alCerrar(conexion);
    bool ocupado = false;
    QString motivo;
    for (int intento = 1; intento <= INTENTOS; ++intento) {
        // A dropped connection still looks open to the client library.
        Conexiones::cierra(conexion);
        if (intento > 1)
            QThread::msleep(ESPERA_MS);
        try {
            Conexiones::baseDatos(conexion);
            if (rfc.isEmpty())
                return;
            auto candado = std::make_shared<TCandadoServidor>(conexion);
            // The server may not have noticed yet that the dropped
            // connection is gone, and hold the business for it a moment.
            ocupado = !candado->toma();
            if (!ocupado) {
                m_candados.insert(rfc, candado);
                Logmanager::Log(QStringLiteral("Se recuperó la conexión con la base de datos %1 del servidor.")
                                    .arg(conexion.descripcion()),
                                1, Sistema::exePath);
                return;
            }
        } catch (const EBaseDatos& e) {
            ocupado = false;
            motivo = e.mensaje();
        }
    }
    Conexiones::cierra(conexion);
    if (ocupado) {
        const QString tomado =
            QStringLiteral("Se perdió la conexión con el servidor y, al volver, otro equipo ya apartó el negocio %1 "
                           "para importar sus archivos, o el servidor aún no cierra la conexión anterior. Este "
                           "archivo no se importó, ni los demás de ese negocio en esta importación, para no guardar "
                           "comprobantes dos veces; lo importado antes se conserva. Vuelve a importar la carpeta en "
                           "unos minutos: sigue donde quedó.")
                .arg(rfc);
        renuncia(rfc, tomado);
        throw EServidorAusente(tomado);
    }
    Logmanager::Log(motivo, 3, Sistema::exePath);
    // Every business of the job on that server: a database that answered
    // nothing in ten seconds is not waited for again for each of them.
    const QString ausente = perdidaDuradera(QStringLiteral("de la base de datos %1").arg(conexion.descripcion()));
    m_ausentes->agrega(servidorDe(conexion), ausente);
    renunciaServidor(conexion, ausente);
    throw EServidorAusente(ausente);
}

void TNegociosImportacion::renunciaServidor(const TConexionSesion& conexion, const QString& motivo)
{
    const QString servidor = servidorDe(conexion);
    QList<std::pair<QString, TConexionSesion>> suyos;
    for (auto it = m_negocios.cbegin(); it != m_negocios.cend(); ++it)
        if (*it && !(*it)->error && (*it)->negocio.conexion.enServidor() &&
            servidorDe((*it)->negocio.conexion) == servidor)
            suyos.append({it.key(), (*it)->negocio.conexion});
    for (const auto& [rfc, suya] : std::as_const(suyos)) {
        Conexiones::cierra(suya);
        if (m_alCerrar)
            m_alCerrar(suya);
        renuncia(rfc, motivo);
    }
}

TNegociosImportacion::TNegocioImportado TNegociosImportacion::creaEnServidor(const QString& rfc,
                                                                             const NuevoNegocio::TDatos& datos)
{
    TNegocioImportado resultado;
    resultado.rfc = rfc;
    resultado.creado = true;
    const QString nombre =
        NuevoNegocio::nombreBaseServidor(m_servidorNuevos.motor(), rfc, m_servidorNuevos.getDatabase());
    quitaRestoDeCreacion(nombre, rfc);
    try {
        resultado.conexion = Conexiones::creaBaseServidor(m_servidorNuevos, nombre);
    } catch (const EBaseExistente&) {
        // Made by another workstation since it was looked for.
        TConexionSesion base = m_servidorNuevos;
        base.setDatabase(nombre);
        throw EVelkor(enCreacion(base));
    }
    const bool mariaDB = resultado.conexion.motor() == TMotor::MariaDB;
    if (mariaDB) {
        // The lock's name depends only on the database's, so it is held
        // before the first table: another workstation looking for the
        // remains of an interrupted creation finds this one being made and
        // leaves it. A Firebird server keeps it in a table of the schema,
        // and until then refuses to drop the file this one is attached to.
        auto candado = std::make_shared<TCandadoServidor>(resultado.conexion);
        if (!candado->toma())
            throw EVelkor(enCreacion(resultado.conexion)); // its holder's to keep or drop
        m_candados.insert(rfc, candado);
    }
    try {
        Esquema::completaTodo(resultado.conexion);
        bloquea(resultado);
        const TUsuarionegocio liga = NuevoNegocio::saveNuevoNegocio(datos, resultado.conexion, m_logo);
        resultado.negocio = liga.getIdnegocio();
        NuevoNegocio::registraNegocio(m_email, rfc, datos.razon, NuevoNegocio::destinoServidor(resultado.conexion));
        if (m_registro.getEmpresaDetalle(rfc).isEmpty())
            throw EEntradaSalida(
                QStringLiteral("No se pudo registrar el negocio %1 en el registro local de negocios.").arg(rfc));
    } catch (...) {
        // Nothing but the business itself was stored there yet. On MariaDB
        // it is dropped only while still held: a lock lost with its
        // connection may since have let another workstation drop it and make
        // it anew, and the name is then that one's.
        std::shared_ptr<TCandadoServidor> candado = m_candados.take(rfc);
        const bool suya = !mariaDB || (candado && candado->vigente());
        if (!mariaDB)
            candado.reset(); // the engine drops no file its holder is attached to
        if (suya)
            Conexiones::eliminaBaseServidor(resultado.conexion);
        throw;
    }
    ++m_creados;
    return resultado;
}

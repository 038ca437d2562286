#include "TEdicionEmpresa.h"

#include "negocio/THiloLectura.h"
#include "negocio/ContextoTrabajo.h"
#include "negocio/SecretoNegocio.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Entidades.h"
#include "Errores.h"
#include "Logmanager.h"
#include "RevisionImagen.h"
#include "Rutas.h"
#include "Secretos.h"
#include "Signerutils.h"
#include "Sistema.h"
#include "negocio/TArchivoZip.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TConfiguracionNegocio.h"
#include "negocio/VolcadoNegocio.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>

using namespace Constantes;

namespace EdicionEmpresa {

namespace {

const TConexionSesion& conexion()
{
    if (!Sistema::Conexion || !Sistema::Negocio)
        throw EVelkor(QStringLiteral("No hay una empresa abierta."));
    return *Sistema::Conexion;
}

TUnidadTrabajo unidad()
{
    return TUnidadTrabajo(conexion(), Sistema::Usuario ? Sistema::Usuario->getIdusuario() : -1);
}

// The business as stored now: a save changes its own fields on it, so what
// another user saved meanwhile in other fields is kept.
TNegocio negocioGuardado()
{
    std::unique_ptr<TNegocio> negocio = TNegocio::getById(Sistema::Negocio->getIdnegocio(), conexion());
    if (!negocio)
        throw EVelkor(QStringLiteral("La empresa ya no existe en su base de datos. No se guardó nada."));
    return *negocio;
}

void publica(const TNegocio& negocio)
{
    Sistema::Negocio = std::make_shared<TNegocio>(negocio);
}

TDireccionMostrada muestraDireccion(const TDireccion* direccion)
{
    TDireccionMostrada d;
    if (!direccion)
        return d;
    d.calle = direccion->getCalle();
    d.noExterior = direccion->getNoexterior();
    d.noInterior = direccion->getNointerior();
    d.colonia = direccion->getColonia();
    d.referencia = direccion->getReferencia();
    d.localidad = direccion->getLocalidad();
    d.municipio = direccion->getMunicipio();
    d.estado = direccion->getEstado();
    d.pais = direccion->getPais();
    if (const std::shared_ptr<TCodigopostal> cp = direccion->getCodigoPostal())
        d.codigoPostal = cp->getCp();
    return d;
}

void registra(const QString& texto, int nivel)
{
    Logmanager::Log(texto, nivel, Sistema::exePath);
}

} // namespace

void recargaNegocio()
{
    publica(negocioGuardado());
}

void guardaNombre(const QString& nombre)
{
    if (nombre.trimmed().isEmpty())
        throw EVelkor(ERR_NOMBRE_NEGOCIO_VACIO);
    TNegocio negocio = negocioGuardado();
    negocio.setNombre(nombre.trimmed());
    publica(TNegocio::saveOrUpdate(negocio, unidad()));
}

// --- Signing certificate --------------------------------------------------------------

std::optional<TCertificadoMostrado> certificado()
{
    const std::unique_ptr<TCertificado> guardado = TCertificado::getByNegocio(*Sistema::Negocio, conexion());
    if (!guardado || guardado->getNumCertificado().trimmed().isEmpty())
        return std::nullopt;
    return TCertificadoMostrado{guardado->getNumCertificado().trimmed(), guardado->getFechaexpiracion()};
}

QString revisaCertificadoElegido(const QString& archivoCertificado)
{
    const Signerutils::TSigner& signer = Signerutils::Signer();
    const Signerutils::TRevision revision = signer.revisaCertificado(archivoCertificado);
    if (revision != Signerutils::TRevision::Correcto)
        return signer.explicaRevision(revision, archivoCertificado);
    const QString rfcCertificado =
        Signerutils::rfcDelSujeto(signer.getInformacionCertificado(archivoCertificado).value(CERT_OID_45));
    if (rfcCertificado.compare(rfc(), Qt::CaseInsensitive) != 0)
        return ERR_CSD_DIFERENTE_RFC;
    return {};
}

void guardaCertificado(const QString& archivoCertificado, const QString& archivoLlave, const QString& password,
                       const QString& razonSocial)
{
    const QString cer = archivoCertificado.trimmed();
    const QString key = archivoLlave.trimmed();
    if (key.isEmpty())
        throw EVelkor(ERR_LLAVE_PRIVADA_REQUERIDO);
    if (password.isEmpty())
        throw EVelkor(ERR_PASS_CERTIFICADO_REQUERIDO);
    // Checked again at the save: the file may have changed since it was
    // chosen, and a business must never sign with another RFC's certificate.
    const QString rechazo = revisaCertificadoElegido(cer);
    if (!rechazo.isEmpty())
        throw ECertificado(rechazo);
    const Signerutils::TSigner& signer = Signerutils::Signer();
    const Signerutils::TRevision revision = signer.revisaCertificados(cer, key, password);
    if (revision != Signerutils::TRevision::Correcto)
        throw ECertificado(signer.explicaRevision(revision, cer));

    QFile archivoCer(cer);
    QFile archivoKey(key);
    if (!archivoCer.open(QIODevice::ReadOnly) || !archivoKey.open(QIODevice::ReadOnly))
        throw EEntradaSalida(QStringLiteral("No se pudieron leer el certificado y la llave. No se guardó nada."));
    const QMap<QString, QString> informacion = signer.getInformacionCertificado(cer);
    TCertificado nuevo;
    nuevo.setNegCer(archivoCer.readAll());
    nuevo.setNegKey(archivoKey.readAll());
    nuevo.setNumCertificado(informacion.value(CERT_SERIALNUMBER).trimmed());
    nuevo.setFechaexpiracion(QDate::fromString(informacion.value(CERT_VALIDTOSTR), FORMATO_FECHA));
    nuevo.setNegPassword(Secretos::cifraLocal(password, Sistema::exePath));

    TNegocio negocio = negocioGuardado();
    {
        TTransaccion transaccion(conexion());
        nuevo.setNegocio(negocio);
        TCertificado::saveOrUpdate(nuevo, unidad());
        if (std::shared_ptr<TDatosfiscales> fiscales = negocio.getDatosfiscales()) {
            fiscales->setRazon(razonSocial.trimmed());
            negocio.setDatosfiscales(TDatosfiscales::saveOrUpdate(*fiscales, unidad()));
        }
        transaccion.commit();
    }
    publica(negocio);

    // The certificate now lives in the database; older copies beside it
    // would be signed with by mistake.
    try {
        for (const QString& extension : {QStringLiteral(".cer"), QStringLiteral(".key")}) {
            const QString copia = Rutas::programa({FILECERTIFICADO, rfc() + extension});
            if (QFileInfo::exists(copia) && !QFile::remove(copia))
                throw EEntradaSalida(QStringLiteral("No se pudo borrar la copia anterior ") + copia);
        }
    } catch (const EVelkor& e) {
        registra(e.mensaje(), 3);
    }
}

// --- Fiscal data --------------------------------------------------------------------------

QString rfc()
{
    const std::shared_ptr<TDatosfiscales> fiscales = Sistema::Negocio ? Sistema::Negocio->getDatosfiscales() : nullptr;
    return fiscales ? fiscales->getRfc().trimmed() : QString();
}

QString razon()
{
    const std::shared_ptr<TDatosfiscales> fiscales = Sistema::Negocio ? Sistema::Negocio->getDatosfiscales() : nullptr;
    return fiscales ? fiscales->getRazon() : QString();
}

QString regimenActual()
{
    const std::unique_ptr<TRegimennegocio> liga = TRegimennegocio::buscaUno(
        TRegimennegocio::columna(TRegimennegocio::col_Idnegocio) == *Sistema::Negocio, conexion());
    const std::shared_ptr<TRegimen> regimen = liga ? liga->getIdregimen() : nullptr;
    return regimen ? regimen->getDescripcion() : QString();
}

TDireccionMostrada matriz()
{
    const std::unique_ptr<TSucursal> sede =
        TSucursal::buscaUno(TSucursal::columna(TSucursal::col_Negocio) == *Sistema::Negocio &&
                                TSucursal::columna(TSucursal::col_Tipo) == TSucursal::TIPO_MATRIZ,
                            conexion());
    const std::shared_ptr<TDireccion> direccion = sede ? sede->getDireccion() : nullptr;
    return muestraDireccion(direccion.get());
}

namespace {

// The kind of person a regime chosen for the business is for: the business's
// own, told by its RFC (the list offers only the regimes of that kind). An
// RFC of neither length tells nothing.
QString personaFiscal(const QString& rfcNegocio)
{
    switch (rfcNegocio.trimmed().size()) {
    case 12:
        return TRegimen::PERSONA_MORAL;
    case 13:
        return TRegimen::PERSONA_FISICA;
    default:
        return QString();
    }
}

} // namespace

void guardaDatosFiscales(const QString& regimenElegido, const QString& razonSocial)
{
    const QString regimen = regimenElegido.trimmed();
    const bool sinElegir = regimen.isEmpty() || regimen == REGIMEN_FISCAL;
    std::unique_ptr<TRegimennegocio> liga = TRegimennegocio::buscaUno(
        TRegimennegocio::columna(TRegimennegocio::col_Idnegocio) == *Sistema::Negocio, conexion());
    if (sinElegir && !liga)
        throw EVelkor(ERR_REGIMEN);

    TNegocio negocio = negocioGuardado();
    std::shared_ptr<TDatosfiscales> fiscales = negocio.getDatosfiscales();
    if (!fiscales)
        throw EVelkor(QStringLiteral("La empresa no tiene datos fiscales. No se guardó nada."));
    {
        TTransaccion transaccion(conexion());
        const std::shared_ptr<TRegimen> ligado = liga ? liga->getIdregimen() : nullptr;
        if (!sinElegir && !(ligado && ligado->getDescripcion() == regimen)) {
            std::unique_ptr<TRegimen> nuevo = TRegimen::getByDescripcion(regimen, conexion());
            if (!nuevo) {
                nuevo = std::make_unique<TRegimen>();
                nuevo->setDescripcion(regimen);
                nuevo->setPersonafiscal(personaFiscal(fiscales->getRfc()));
                *nuevo = TRegimen::saveOrUpdate(*nuevo, unidad());
            }
            if (!liga)
                liga = std::make_unique<TRegimennegocio>();
            liga->setIdnegocio(negocio);
            liga->setIdregimen(*nuevo);
            TRegimennegocio::saveOrUpdate(*liga, unidad());
            // The code vouchers write, as the new-business path keeps it.
            fiscales->setRegimen(regimen.left(3));
        }
        fiscales->setRazon(razonSocial.trimmed());
        negocio.setDatosfiscales(TDatosfiscales::saveOrUpdate(*fiscales, unidad()));
        transaccion.commit();
    }
    publica(negocio);
}

// --- Business image -----------------------------------------------------------------------

QByteArray guardaLogo(const QString& archivo)
{
    QByteArray datos;
    const QString error = RevisionImagen::lee(archivo, datos);
    if (!error.isEmpty())
        throw EVelkor(error);
    TNegocio negocio = negocioGuardado();
    negocio.setLogonegocio(datos);
    publica(TNegocio::saveOrUpdate(negocio, unidad()));
    return datos;
}

bool guardaImpresion(bool imprime)
{
    const TConfiguracionNegocio configuracion(Sistema::exePath, rfc());
    if (!configuracion.existe())
        return false;
    configuracion.setImprimeLogo(imprime);
    Sistema::imprimeLogo = imprime;
    return true;
}

// --- Branches and series ------------------------------------------------------------------

QStringList nombresSucursales()
{
    QStringList nombres;
    for (const TSucursal& s : TSucursal::getByNegocio(*Sistema::Negocio, conexion()))
        if (s.getStatus() == 0)
            nombres << s.getNombre();
    return nombres;
}

std::optional<TSucursalMostrada> sucursal(const QString& nombre)
{
    std::unique_ptr<TSucursal> elegida = TSucursal::getByNombreAndNegocio(nombre, *Sistema::Negocio, conexion());
    if (!elegida)
        return std::nullopt;
    std::shared_ptr<TDireccion> direccion = elegida->getDireccion();
    if (!direccion) {
        TTransaccion transaccion(conexion());
        direccion = std::make_shared<TDireccion>(TDireccion::saveOrUpdate(TDireccion(), unidad()));
        elegida->setDireccion(direccion);
        *elegida = TSucursal::saveOrUpdate(*elegida, unidad());
        transaccion.commit();
    }
    return TSucursalMostrada{elegida->getIdsucursal(), elegida->getNombre(), muestraDireccion(direccion.get())};
}

QList<TFilaSerie> series()
{
    QList<TFilaSerie> filas;
    for (const TSucursal& s : TSucursal::getByNegocio(*Sistema::Negocio, conexion())) {
        if (s.getStatus() != 0)
            continue;
        for (const TSerie& serie : ContextoTrabajo::seriesDeSucursal(s, QString(), conexion()))
            filas.append({ContextoTrabajo::nombreMostrado(s), serie.getSerie(), serie.getTipodecomprobante(),
                          serie.getNofolioactual(), serie.getIdserie()});
    }
    return filas;
}

// --- Deleting the business ----------------------------------------------------------------

TDatosEliminacion datosEliminacion()
{
    const TNegocio negocio = negocioGuardado();
    TDatosEliminacion datos;
    datos.rfc = rfc();
    datos.nombre = negocio.getNombre();
    datos.comprobantes = TComprobante::cuenta(TComprobante::columna(TComprobante::col_Negocio) == negocio, conexion());
    return datos;
}

QString avisoEliminacion(const TDatosEliminacion& datos)
{
    const QString cuantos = datos.comprobantes == 1
                                ? QStringLiteral("1 comprobante guardado")
                                : QStringLiteral("%1 comprobantes guardados")
                                      .arg(QLocale(QLocale::Spanish, QLocale::Mexico).toString(datos.comprobantes));
    return QStringLiteral("Vas a eliminar la empresa \"%1\" (RFC %2), que tiene %3.\n\nDejará de aparecer al "
                          "ingresar y nadie podrá entrar a ella. Su carpeta queda en el disco y se guarda una copia "
                          "cifrada en db/%2/%2.zip.\n\nPara confirmar, escribe el RFC de la empresa:")
        .arg(datos.nombre, datos.rfc, cuantos);
}

TEmpresaSesion empresaSesion()
{
    TEmpresaSesion empresa;
    empresa.conexion = conexion();
    empresa.rfc = rfc();
    empresa.idNegocio = Sistema::Negocio->getIdnegocio();
    if (Sistema::Usuario)
        empresa.idUsuario = Sistema::Usuario->getIdusuario();
    if (Sistema::UsuarioNegocio)
        empresa.idUsuarioNegocio = Sistema::UsuarioNegocio->getIdusuarionegocio();
    return empresa;
}

namespace {

// Tells the caller's aviso each step and each thousandth once, and keeps
// its answer: libzip asks again and again whether to go on.
class TSeguimiento {
public:
    explicit TSeguimiento(const TAviso& aviso) : m_aviso(aviso) {}

    // Starts a step; false when the caller asked to stop.
    bool paso(const QString& texto, bool cancelable = true)
    {
        m_paso = texto;
        m_cancelable = cancelable;
        m_milesimas = -2;
        return dice(-1);
    }
    TArchivoZip::TAvance avance()
    {
        return [this](double fraccion) { return dice(int(std::clamp(fraccion, 0.0, 1.0) * 1000)); };
    }
    // The rows of a server's business as its dump is written, counted in the
    // step's text; the step is `siguiente` once the last is written.
    VolcadoNegocio::TAvance volcado(const QString& siguiente)
    {
        return [this, siguiente](qint64 hechas, qint64 total) {
            const QLocale local(QLocale::Spanish, QLocale::Mexico);
            m_paso = QStringLiteral("Copiando los registros de la empresa… %1 de %2")
                         .arg(local.toString(hechas), local.toString(total));
            const bool sigue = dice(total > 0 ? int(hechas * 1000 / total) : 1000);
            if (hechas == total) {
                m_paso = siguiente;
                m_milesimas = -2;
            }
            return sigue;
        };
    }

private:
    bool dice(int milesimas)
    {
        if (!m_aviso || milesimas == m_milesimas)
            return m_sigue || !m_cancelable;
        m_milesimas = milesimas;
        m_sigue = m_aviso(TAvance{m_paso, milesimas, m_cancelable}) && m_sigue;
        return m_sigue || !m_cancelable;
    }

    const TAviso& m_aviso;
    QString m_paso;
    int m_milesimas = -2;
    bool m_cancelable = true;
    bool m_sigue = true;
};

// Archives the business folder of `empresa` into `archivo` and reads it
// back: an archive that does not read back whole is no copy, and is removed.
// Raises what the writing or the reading raised.
void archivaYVerifica(const QString& archivo, const TEmpresaSesion& empresa, const QString& password,
                      TArchivoZip::TCifrado cifrado, TSeguimiento& seguimiento, const QString& pasoEscritura,
                      const QString& pasoRevision)
{
    const auto cancelado = [] { return EArchivoCancelado(QStringLiteral("Se canceló.")); };
    if (!seguimiento.paso(pasoEscritura))
        throw cancelado();
    // A business on a server has no database file here: its data travels
    // as a dump, which the restore reads back into a file.
    if (empresa.conexion.enServidor())
        VolcadoNegocio::archiva(archivo, empresa.rfc, empresa.conexion, password, cifrado, seguimiento.avance(),
                                seguimiento.volcado(pasoEscritura));
    else
        // Closes the connection, so the archived database file holds every
        // committed page.
        SecretoNegocio::archiva(archivo, empresa.rfc, empresa.conexion, password, cifrado, seguimiento.avance());
    try {
        if (!seguimiento.paso(pasoRevision))
            throw cancelado();
        const TArchivoZip copia(archivo);
        // The database is what the copy is for: it must be among what reads back.
        const QString carpeta = DB_PATH + empresa.rfc + QLatin1Char('/');
        const QFileInfo base(empresa.conexion.getDatabase());
        const QString entrada = empresa.conexion.enServidor() ? carpeta + VolcadoNegocio::ARCHIVO
                                : base.absolutePath() == QFileInfo(Sistema::exePath + carpeta).absoluteFilePath()
                                    ? carpeta + base.fileName()
                                    : QString();
        if (!entrada.isEmpty() && copia.busca(entrada) < 0)
            throw EArchivoZip(EArchivoZip::TMotivo::Danado,
                              QStringLiteral("El archivo %1 no contiene la base de datos de la empresa.").arg(archivo));
        copia.verifica(password, seguimiento.avance());
    } catch (...) {
        QFile::remove(archivo);
        throw;
    }
}

} // namespace

QString guardaRespaldo(const QString& carpeta, const TEmpresaSesion& empresa, const TAviso& aviso)
{
    const QString base = QDir(carpeta).filePath(
        empresa.rfc + QLatin1Char('-') + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    QString archivo = base + RESPALDO_EXTENSION;
    for (int n = 2; QFileInfo::exists(archivo); ++n)
        archivo = base + QStringLiteral("-%1").arg(n) + RESPALDO_EXTENSION;
    TSeguimiento seguimiento(aviso);
    try {
        archivaYVerifica(archivo, empresa, RESPALDO_PASSWORD, TArchivoZip::TCifrado::Tradicional, seguimiento,
                         QStringLiteral("Guardando el respaldo de la empresa…"),
                         QStringLiteral("Revisando el respaldo guardado…"));
    } catch (const EArchivoCancelado&) {
        QFile::remove(archivo);
        throw EArchivoCancelado(QStringLiteral("Se canceló el respaldo; no se guardó ningún archivo."));
    } catch (...) {
        QFile::remove(archivo);
        throw;
    }
    registra(QStringLiteral("Respaldo antes de eliminar la empresa: RFC \"%1\"; archivo %2.").arg(empresa.rfc, archivo),
             1);
    return archivo;
}

QString guardaRespaldo(const QString& carpeta)
{
    return guardaRespaldo(carpeta, empresaSesion());
}

TEliminacion elimina(const TEmpresaSesion& empresa, const TAviso& aviso)
{
    THiloLectura::detenTodos();
    const TConexionSesion& base = empresa.conexion;
    TEliminacion resultado;
    const QString carpeta = Rutas::comoCarpeta(Rutas::programa({DB_PATH, empresa.rfc}));
    resultado.archivo = carpeta + empresa.rfc + QStringLiteral(".zip");
    TSeguimiento seguimiento(aviso);
    // The copy is a convenience, not the business: its database and folder
    // stay on disk whatever happens to it, so a copy that cannot be made does
    // not keep the user from deleting. The user is told, not only the log.
    try {
        archivaYVerifica(resultado.archivo, empresa, ELIMINACION_PASSWORD, TArchivoZip::TCifrado::Aes128, seguimiento,
                         QStringLiteral("Guardando la copia de la empresa…"),
                         QStringLiteral("Revisando la copia guardada…"));
        resultado.archivado = true;
    } catch (const EArchivoCancelado&) {
        throw EArchivoCancelado(QStringLiteral("Se canceló la eliminación; la empresa sigue como estaba."));
    } catch (const EVelkor& e) {
        registra(e.mensaje(), 3);
        resultado.falloCopia = e.mensaje();
    }

    seguimiento.paso(QStringLiteral("Eliminando la empresa…"), false);
    {
        TTransaccion transaccion(base);
        std::unique_ptr<TNegocio> negocio = TNegocio::getById(empresa.idNegocio, base);
        if (!negocio)
            throw EVelkor(QStringLiteral("La empresa ya no existe en su base de datos."));
        const TUnidadTrabajo unidad(base, empresa.idUsuario);
        negocio->setStatus(TNegocio::ESTATUS_INACTIVO);
        TNegocio::saveOrUpdate(*negocio, unidad);
        if (std::unique_ptr<TUsuario> usuario = TUsuario::getById(empresa.idUsuario, base)) {
            usuario->setStatus(1);
            TUsuario::saveOrUpdate(*usuario, unidad);
        }
        if (std::unique_ptr<TUsuarionegocio> liga = TUsuarionegocio::getById(empresa.idUsuarioNegocio, base)) {
            liga->setStatus(1);
            TUsuarionegocio::saveOrUpdate(*liga, unidad);
        }
        transaccion.commit();
    }

    try {
        registroLocal().deshabilitaEstatusEmpresa(empresa.rfc);
        resultado.empresasActivas = registroLocal().getNumeroEmpresas();
    } catch (const std::exception& e) {
        registra(Errores::describe(e), 1);
    }
    registra(QStringLiteral("Empresa eliminada: RFC \"%1\"; archivo %2.").arg(empresa.rfc, resultado.archivo), 1);
    return resultado;
}

TEliminacion elimina()
{
    return elimina(empresaSesion());
}

} // namespace EdicionEmpresa

#include "TCatalogosHilo.h"

#include "Conexiones.h"
#include "Constantes.h"
#include "Logmanager.h"
#include "Prompter.h"
#include "Rutas.h"
#include "negocio/Reemplazo.h"
#include "Sistema.h"
#include "negocio/TAjustesPrograma.h"
#include "negocio/TArchivoZip.h"
#include "TBaseDatosCatalogosFrm.h"
#include "TIdHTTPProgress.h"
#include "negocio/Utils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QStorageInfo>

#include <algorithm>

using namespace Constantes;

namespace {

// Tables the program reads; a catalogue without rows in them is no catalogue.
const QStringList TABLAS_CATALOGO = {QStringLiteral("CODIGOPOSTAL"), QStringLiteral("REGIMENFISCAL"),
                                     QStringLiteral("ESTADO")};

const QString SUFIJO_TEMPORAL = QStringLiteral(".descarga");

// Same size and the same bytes. The byte comparison alone counts only the
// bytes both files have, so a catalogue that grew would pass for the same.
bool iguales(const QString& a, const QString& b)
{
    QFile primero(a);
    QFile segundo(b);
    if (!primero.open(QIODevice::ReadOnly) || !segundo.open(QIODevice::ReadOnly))
        return false;
    return primero.size() == segundo.size() && Utils::CompareStreams(primero, segundo) == 0.0;
}

// Extraction writes what the entry declares, so the declaration is judged
// before a byte is written, as a backup's is: an archive that claims far more
// than it weighs was made to fill the disk. The database is later copied
// beside the installed one, hence twice its size.
void revisaTamano(quint64 expandido, const QString& archivoZip, const QString& carpeta)
{
    const quint64 comprimido = quint64(std::max<qint64>(QFileInfo(archivoZip).size(), 1));
    if (TArchivoZip::excedeLimites(expandido, comprimido))
        throw EArchivoZip(EArchivoZip::TMotivo::Danado,
                          QStringLiteral("El archivo %1 expandiría %2 a %3 bytes desde %4 bytes.")
                              .arg(archivoZip, CATALOGO_DB_ZIP)
                              .arg(expandido)
                              .arg(comprimido));
    const QStorageInfo disco(carpeta);
    const quint64 libre = quint64(std::max<qint64>(disco.bytesAvailable(), 0));
    if (disco.isValid() && 2 * expandido > libre)
        throw EDescarga(QStringLiteral("No hay espacio en el disco para el catálogo: necesita %1 MB y quedan %2 MB "
                                       "libres.")
                            .arg(TArchivoZip::megas(2 * expandido), TArchivoZip::megas(libre)));
}

} // namespace

TCatalogosHilo* TCatalogosHilo::crea(QObject* parent)
{
    if (Utils::mensajeConfirmacion(CONFIRMA_ACTUALIZA_CATALOGOS) != TPrompter::OK)
        return nullptr;
    return new TCatalogosHilo(direccionCatalogo(), parent);
}

QString TCatalogosHilo::direccionCatalogo()
{
    const QString ajuste = TAjustesPrograma(Sistema::exePath).urlCatalogo();
    return ajuste.isEmpty() ? Utils::getURLCatalogo(Sistema::exePath) : ajuste;
}

TCatalogosHilo::TCatalogosHilo(const QString& direccion, QObject* parent)
    : QThread(parent), version(CATALOGO_ZIP), m_direccion(direccion), m_carpeta(Sistema::exePath)
{
    // The thread object lives on the UI thread, so this runs there.
    connect(this, &QThread::finished, this, &TCatalogosHilo::actualizaFinal);
}

TCatalogosHilo::~TCatalogosHilo()
{
    cancela();
    wait();
}

void TCatalogosHilo::cancela()
{
    m_cancelacion.cancela();
}

void TCatalogosHilo::run()
{
    inicio();
    Conexiones::cierraHilo();
}

void TCatalogosHilo::inicio()
{
    const QString carpeta = m_carpeta + UPDATE_PATH;
    QString nombre = version;
    nombre.remove(QLatin1Char(' '));
    const QString archivoZip = carpeta + nombre;
    const QString zipTemporal = archivoZip + SUFIJO_TEMPORAL;
    const QString baseDatos = carpeta + CATALOGO_DB_ZIP;
    const QString baseTemporal = baseDatos + SUFIJO_TEMPORAL;
    try {
        if (!QDir().mkpath(carpeta))
            throw EDescarga(QStringLiteral("No se pudo crear la carpeta %1.").arg(carpeta));
        {
            TIdHTTPProgress http;
            const QString autoridades = TAjustesPrograma(m_carpeta).certificadosRed();
            if (!autoridades.isEmpty() && !http.agregaCertificadosCA(autoridades))
                Logmanager::Log(QStringLiteral("No se encontraron certificados en %1").arg(autoridades), 1, m_carpeta);
            connect(&http, &TIdHTTPProgress::OnChange, this, &TCatalogosHilo::progreso, Qt::DirectConnection);
            const TIdHTTPProgress::TCancelacion::TEnlace enlace(m_cancelacion, http);
            try {
                http.DownloadFile(m_direccion, zipTemporal);
            } catch (...) {
                http.freeStream();
                throw;
            }
            http.freeStream();
        }
        if (m_cancelacion.cancelada())
            throw EDescargaCancelada(QStringLiteral("Se canceló la descarga."));
        {
            const TArchivoZip zip(zipTemporal);
            const int entrada = zip.busca(CATALOGO_DB_ZIP);
            if (entrada < 0)
                throw EArchivoZip(EArchivoZip::TMotivo::Danado,
                                  QStringLiteral("El archivo descargado no contiene %1.").arg(CATALOGO_DB_ZIP));
            revisaTamano(zip.entradas().at(entrada).tamano, zipTemporal, carpeta);
            zip.extraeEntrada(entrada, baseTemporal, {});
        }
        verificaBaseDatos(baseTemporal);
        if (m_cancelacion.cancelada())
            throw EDescargaCancelada(QStringLiteral("Se canceló la descarga."));
        if (!Archivos::reemplaza(baseTemporal, baseDatos) || !Archivos::reemplaza(zipTemporal, archivoZip))
            throw EDescarga(QStringLiteral("No se pudo guardar el catálogo descargado en %1.").arg(carpeta));
        m_descargado = true;
        Logmanager::Log(QStringLiteral("Catálogo descargado de %1").arg(m_direccion), 1, m_carpeta);
    } catch (const EDescargaCancelada&) {
        m_resultado = Cancelado;
        m_mensaje = CATALOGO_CANCELADO;
        Logmanager::Log(QStringLiteral("Se canceló la descarga del catálogo"), 1, m_carpeta);
    } catch (const EDescarga& e) {
        m_resultado = Fallido;
        m_mensaje = ERR_DESCARGA_CATALOGO + e.mensaje();
        Logmanager::Log(Errores::describe(e), 1, m_carpeta);
    } catch (const std::exception& e) {
        // A damaged archive, or a database inside that does not open or is
        // not a catalogue.
        m_resultado = Fallido;
        m_mensaje = ERR_CATALOGO_DANADO;
        Logmanager::Log(Errores::describe(e), 1, m_carpeta);
    }
    QFile::remove(zipTemporal);
    QFile::remove(baseTemporal);
}

void TCatalogosHilo::verificaBaseDatos(const QString& archivo) const
{
    const TConexionSesion conexion = TConexionSesion::embebida(archivo, m_carpeta);
    try {
        QSqlDatabase db = Conexiones::baseDatos(conexion);
        QSqlQuery consulta(db);
        for (const QString& tabla : TABLAS_CATALOGO) {
            if (!consulta.exec(QStringLiteral("SELECT COUNT(*) FROM ") + tabla) || !consulta.next() ||
                consulta.value(0).toLongLong() <= 0)
                throw EBaseDatos(QStringLiteral("El catálogo descargado no tiene datos en %1.").arg(tabla));
            consulta.finish();
        }
    } catch (...) {
        Conexiones::cierra(conexion);
        throw;
    }
    Conexiones::cierra(conexion);
}

void TCatalogosHilo::actualizaFinal()
{
    if (m_descargado)
        m_resultado = compararCatalogos(&m_mensaje);
    emit terminado(m_resultado, m_mensaje);
}

TCatalogosHilo::TResultado TCatalogosHilo::compararCatalogos(QString* mensaje)
{
    const QString nuevo = Sistema::exePath + UPDATE_PATH + CATALOGO_DB_ZIP;
    const QString instalado = TBaseDatosCatalogosFrm::archivo();
    const auto resultado = [mensaje](TResultado r, const QString& texto) {
        if (mensaje)
            *mensaje = texto;
        return r;
    };
    if (!QFileInfo(nuevo).isFile())
        return resultado(Fallido, ERR_CATALOGO_INSTALA);
    if (QFileInfo::exists(instalado) && iguales(nuevo, instalado))
        return resultado(SinCambios, CATALOGO_FINALIZADO);

    // Copied beside and renamed over: the installed catalogue is never
    // missing or half written, whatever fails.
    const QString temporal = instalado + SUFIJO_TEMPORAL;
    QFile::remove(temporal);
    if (!QFile::copy(nuevo, temporal)) {
        Logmanager::Log(QStringLiteral("No se pudo copiar %1 a %2").arg(nuevo, temporal), 1, Sistema::exePath);
        QFile::remove(temporal);
        return resultado(Fallido, ERR_CATALOGO_INSTALA);
    }
    // The copy takes the download's mode; the catalogue is the owner's alone,
    // as when the program installed it.
    QFile::setPermissions(temporal, QFile::ReadOwner | QFile::WriteOwner);
    // Recorded first: an upgrade of the program must not take it back for
    // the older catalogue its package brought, even if what follows fails.
    try {
        Rutas::anotaDescargada(instalado);
    } catch (const EVelkor& e) {
        Logmanager::Log(Errores::describe(e), 1, Sistema::exePath);
        QFile::remove(temporal);
        return resultado(Fallido, ERR_CATALOGO_INSTALA);
    }
    BaseDatosCatalogosFrm().cierra();
    if (!Archivos::reemplaza(temporal, instalado)) {
        Logmanager::Log(QStringLiteral("No se pudo reemplazar %1").arg(instalado), 1, Sistema::exePath);
        QFile::remove(temporal);
        return resultado(Fallido, ERR_CATALOGO_INSTALA);
    }
    Logmanager::Log(QStringLiteral("Catálogo del SAT instalado en %1").arg(instalado), 1, Sistema::exePath);
    return resultado(Instalado, CATALOGO_FINALIZADO);
}

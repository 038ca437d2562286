#include "TImportarBaseHilo.h"

#include "Conexiones.h"
#include "Constantes.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "negocio/TBaseDatosLocalFrm.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

using namespace Constantes;

namespace {

// Column names of the business schema (EsquemaEntidades.h): a business
// points at its fiscal data through NEGOCIO.DATOSFISCALES. A status left
// empty counts as active, as the entity package reads it.
const QString SQL_USUARIOS =
    QStringLiteral("SELECT EMAIL FROM USUARIO WHERE COALESCE(STATUS, 0) = 0 ORDER BY IDUSUARIO");
const QString SQL_NEGOCIOS = QStringLiteral(
    "SELECT DF.RAZON, DF.RFC FROM NEGOCIO NEG JOIN DATOSFISCALES DF ON DF.IDDATOSFISCALES = NEG.DATOSFISCALES "
    "WHERE COALESCE(NEG.STATUS, 0) = 0 ORDER BY NEG.IDNEGOCIO");

void ejecuta(QSqlQuery& consulta, const QString& sql)
{
    consulta.setForwardOnly(true);
    if (!consulta.exec(sql))
        throw EBaseDatos(QStringLiteral("%1: %2").arg(sql, consulta.lastError().text()));
}

} // namespace

TImportarBaseHilo::TImportarBaseHilo(QObject* parent) : QThread(parent), m_carpeta(Sistema::exePath)
{
    connect(this, &QThread::finished, this, &TImportarBaseHilo::terminaHilo);
}

TImportarBaseHilo::~TImportarBaseHilo()
{
    wait();
}

QStringList TImportarBaseHilo::basesDatos(const QString& carpetaPrograma)
{
    QStringList bases;
    const QDir carpeta(carpetaPrograma + DB_PATH);
    // Hidden folders (a restore's replaced folder) are not businesses.
    for (const QFileInfo& negocio : carpeta.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        for (const QString& nombre : {DB_SISTEMA_NOMBRE, DB_SISTEMA_NOMBRE_ANTERIOR}) {
            const QString ruta = negocio.absoluteFilePath() + QLatin1Char('/') + nombre;
            if (QFileInfo(ruta).isFile()) {
                bases << ruta;
                break;
            }
        }
    }
    return bases;
}

void TImportarBaseHilo::run()
{
    cargaBaseDatos();
    Conexiones::cierraHilo();
}

void TImportarBaseHilo::cargaBaseDatos()
{
    const QStringList bases = basesDatos(m_carpeta);
    emit avance(0, static_cast<int>(bases.size()));
    for (qsizetype i = 0; i < bases.size(); ++i) {
        if (isInterruptionRequested())
            break;
        ExtraeInformacion(bases.at(i));
        emit avance(static_cast<int>(i + 1), static_cast<int>(bases.size()));
    }
}

void TImportarBaseHilo::ExtraeInformacion(const QString& archivo)
{
    const TConexionSesion conexion = TConexionSesion::embebida(archivo, m_carpeta);
    // The folder is named after the RFC: when a database holds several
    // businesses, that one is the folder's.
    const QString rfcCarpeta = QFileInfo(archivo).dir().dirName();
    QString email;
    QString rfc;
    QString razon;
    try {
        QSqlDatabase db = Conexiones::baseDatos(conexion);
        {
            QSqlQuery usuarios(db);
            ejecuta(usuarios, SQL_USUARIOS);
            while (email.isEmpty() && usuarios.next())
                email = usuarios.value(0).toString().trimmed();
        }
        {
            QSqlQuery negocios(db);
            ejecuta(negocios, SQL_NEGOCIOS);
            bool deLaCarpeta = false;
            while (negocios.next()) {
                const QString rfcFila = negocios.value(1).toString().trimmed();
                if (rfcFila.isEmpty() || deLaCarpeta)
                    continue;
                rfc = rfcFila;
                razon = negocios.value(0).toString().trimmed();
                deLaCarpeta = rfcFila == rfcCarpeta;
            }
        }
    } catch (const std::exception& e) {
        Conexiones::cierra(conexion);
        Logmanager::Log(Errores::describe(e), 1, m_carpeta);
        m_omitidas << archivo;
        return;
    }
    Conexiones::cierra(conexion);
    if (email.isEmpty() || rfc.isEmpty()) {
        Logmanager::Log(QStringLiteral("Reconstrucción del registro: %1 no tiene %2; no se registra.")
                            .arg(archivo, email.isEmpty() ? QStringLiteral("usuarios activos")
                                                          : QStringLiteral("una empresa con RFC")),
                        1, m_carpeta);
        m_omitidas << archivo;
        return;
    }
    // One registration per business: the registry lists businesses, not
    // users, and a registration per user would show the business once per
    // user on the sign-in page.
    QString error;
    if (!registroLocal().usuarioLogginInsert(
            {email, razon, rfc, DB_SQLITE, QString(), QString(), QString(), archivo, QString(), QString()}, &error)) {
        Logmanager::Log(QStringLiteral("Reconstrucción del registro: %1 no se pudo registrar: %2").arg(archivo, error),
                        1, m_carpeta);
        m_omitidas << archivo;
        return;
    }
    m_registradas << rfc;
    Logmanager::Log(QStringLiteral("Reconstrucción del registro: %1 (%2)").arg(rfc, archivo), 1, m_carpeta);
}

void TImportarBaseHilo::terminaHilo()
{
    emit terminado(m_registradas, m_omitidas);
}

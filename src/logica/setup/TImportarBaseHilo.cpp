#include "TImportarBaseHilo.h"

#include "Conexiones.h"
#include "Constantes.h"
#include "Entidades.h"
#include "Errores.h"
#include "Esquema.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "negocio/TBaseDatosLocalFrm.h"

#include <QDir>
#include <QFileInfo>

using namespace Constantes;

namespace {

// A status left empty counts as active, as the entity package reads it.
template <class T> TCondicion activos()
{
    const TCampo status = T::columna(T::col_Status);
    return status == 0 || status.esNulo();
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

void TImportarBaseHilo::run()
{
    cargaBaseDatos();
    Conexiones::cierraHilo();
}

void TImportarBaseHilo::cargaBaseDatos()
{
    for (const QString& linea : registroLocal().getEmpresas())
        m_yaRegistradas << linea.section(QLatin1Char('|'), 0, 0);
    const QStringList bases = TBaseDatosLocalFrm::basesDatos(m_carpeta);
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
        // An older database lacks columns the entities now read.
        Esquema::completaTodo(conexion);
        for (const TUsuario& usuario : TUsuario::busca(activos<TUsuario>(), conexion)) {
            email = usuario.getEmail().trimmed();
            if (!email.isEmpty())
                break;
        }
        bool deLaCarpeta = false;
        for (const TNegocio& negocio : TNegocio::busca(activos<TNegocio>(), conexion)) {
            const std::shared_ptr<TDatosfiscales> fiscales = negocio.getDatosfiscales();
            if (!fiscales)
                continue;
            const QString rfcNegocio = fiscales->getRfc().trimmed();
            if (rfcNegocio.isEmpty())
                continue;
            rfc = rfcNegocio;
            razon = fiscales->getRazon().trimmed();
            deLaCarpeta = rfcNegocio == rfcCarpeta;
            if (deLaCarpeta)
                break;
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
    if (m_yaRegistradas.contains(rfc)) {
        Logmanager::Log(
            QStringLiteral("Reconstrucción del registro: %1 ya está registrada; %2 no se registra.").arg(rfc, archivo),
            1, m_carpeta);
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

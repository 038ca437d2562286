// Arbitrary bytes through the per-file import (TImportadorXML::importa) into
// a scratch program folder: registry, SAT catalogue and the businesses the
// inputs create, as a real import would. Built with -DVELKOR_FUZZ=ON.
#include "Constantes.h"
#include "Rutas.h"
#include "Sistema.h"
#include "TBaseDatosCatalogosFrm.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "import/TImportadorXML.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>

namespace {

const QString PROGRAMA = QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/");

QByteArray lee(const QString& ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct TEntorno {
    QTemporaryDir carpeta;
    QString entrada;
    std::unique_ptr<TImportadorXML> importador;
};

TEntorno* g_entorno = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    g_entorno = new TEntorno;
    const QString raiz = g_entorno->carpeta.path() + QLatin1Char('/');
    QDir().mkpath(raiz + QStringLiteral("db"));
    QFile::link(PROGRAMA + QStringLiteral("Motor"), raiz + QStringLiteral("Motor"));
    QFile::link(PROGRAMA + QStringLiteral("db/CFDCAT.DB"), raiz + QStringLiteral("db/CFDCAT.DB"));
    QFile::copy(PROGRAMA + Constantes::RS_PATH, raiz + Constantes::RS_PATH);
    Rutas::fijaCarpetaPrograma(raiz);
    Sistema::dbUsuariosSistema = TBaseDatosLocalFrm::archivoRegistro();
    TBaseDatosLocalFrm::creaTablas(Sistema::dbUsuariosSistema);
    g_entorno->entrada = raiz + QStringLiteral("entrada.xml");

    TParametrosImportacion parametros;
    parametros.email = QStringLiteral("fuzz@velkor.mx");
    parametros.password = QStringLiteral("Fuzz#1");
    parametros.plantilla =
        lee(QStringLiteral(VELKOR_GENERADOS "/") + Constantes::DB_SISTEMA_NOMBRE_RESOURCE + QStringLiteral(".fdb"));
    parametros.logo = QByteArrayLiteral("logo");
    g_entorno->importador = std::make_unique<TImportadorXML>(registroLocal(), BaseDatosCatalogosFrm(), parametros);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano)
{
    QFile archivo(g_entorno->entrada);
    if (!archivo.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    archivo.write(reinterpret_cast<const char*>(datos), static_cast<qint64>(tamano));
    archivo.close();
    // Never raises: every outcome, an error included, is a result.
    g_entorno->importador->importa(g_entorno->entrada);
    return 0;
}

#include "CarpetaPrograma.h"

#include "Conexiones.h"
#include "Constantes.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Sistema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <mutex>
#include <sys/stat.h>

namespace {

// The engine takes its configuration (Motor/firebird.conf: processes share
// a file) from the folder of the process's first connection, and reads it
// again when the embedded engine first loads. A test process goes through
// many program folders: when its first connection was to a server, that
// folder is gone by the time a file is opened, and the engine, without its
// configuration, holds every file it opens for itself, the shared catalogue
// included, so the test processes running beside it cannot read it. The
// built program's folder outlives them all.
void fijaConfiguracionMotor()
{
    static std::once_flag hecho;
    std::call_once(hecho, [] {
        const TConexionSesion catalogo = TConexionSesion::embebida(TCarpetaPrograma::catalogoConstruido(),
                                                                   QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/"));
        try {
            Conexiones::baseDatos(catalogo);
        } catch (const EBaseDatos& e) {
            qFatal("No se pudo abrir el catálogo construido: %s", qPrintable(e.mensaje()));
        }
        Conexiones::cierra(catalogo);
    });
}

} // namespace

TCarpetaPrograma::TCarpetaPrograma(bool conRecursos)
{
    fijaConfiguracionMotor();
    m_ruta = QDir(m_dir.path()).absolutePath() + QLatin1Char('/');
    QDir raiz(m_ruta);
    raiz.mkpath(QStringLiteral("db"));
    raiz.mkpath(QStringLiteral("Plugins"));
    // The engine's files are shared, but Motor/ itself is the folder's own:
    // each program folder keeps its installation key there.
    raiz.mkpath(QStringLiteral("Motor"));
    const QDir motor(QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/Motor"));
    // Only what the build put there: the built folder may have been used as a
    // program folder (by hand, by a benchmark), and what a run writes there
    // (the key, a business's secret guard) belongs to that run.
    for (const QFileInfo& entrada : motor.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System))
        if (entrada.isSymLink() || entrada.fileName() == QLatin1String("firebird.conf"))
            QFile::link(entrada.filePath(), m_ruta + QStringLiteral("Motor/") + entrada.fileName());
    // The SAT's transforms are read-only: every folder shares the built ones.
    QFile::link(QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/Xslt"), m_ruta + QStringLiteral("Xslt"));
    if (conRecursos)
        QFile::copy(paqueteRecursos(), m_ruta + Constantes::RS_PATH);
    Sistema::exePath = m_ruta;
}

TCarpetaPrograma::~TCarpetaPrograma()
{
    // Firebird keeps files open until their connections close.
    Conexiones::cierraHilo();
}

TConexionSesion TCarpetaPrograma::nuevaBaseNegocio(const QString& relativo) const
{
    const QString destino = m_ruta + relativo;
    QDir().mkpath(QFileInfo(destino).absolutePath());
    if (!QFile::copy(plantillaNegocio(), destino))
        qFatal("No se pudo copiar la plantilla a %s", qPrintable(destino));
    QFile::setPermissions(destino, QFile::ReadOwner | QFile::WriteOwner);
    return TConexionSesion::embebida(destino, m_ruta);
}

QString TCarpetaPrograma::plantillaNegocio()
{
    return QStringLiteral(VELKOR_GENERADOS "/") + Constantes::DB_SISTEMA_NOMBRE_RESOURCE + QStringLiteral(".fdb");
}

QString TCarpetaPrograma::paqueteRecursos()
{
    return QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/") + Constantes::RS_PATH;
}

void TCarpetaPrograma::instalaCatalogo() const
{
    if (!QFileInfo::exists(catalogoConstruido()))
        qFatal("Falta el catálogo construido %s (objetivo catalogo)", qPrintable(catalogoConstruido()));
    QFile::link(catalogoConstruido(), m_ruta + QStringLiteral("db/CFDCAT.DB"));
}

QString TCarpetaPrograma::catalogoConstruido()
{
    return QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/db/CFDCAT.DB");
}

int TCarpetaPrograma::modo(const QString& ruta)
{
    struct stat estado {};
    if (::stat(QFile::encodeName(ruta).constData(), &estado) != 0)
        return -1;
    return static_cast<int>(estado.st_mode & 07777);
}

QByteArray TCarpetaPrograma::lee(const QString& ruta)
{
    QFile archivo(ruta);
    return archivo.open(QIODevice::ReadOnly) ? archivo.readAll() : QByteArray();
}

bool TCarpetaPrograma::escribe(const QString& ruta, const QByteArray& contenido)
{
    QDir().mkpath(QFileInfo(ruta).absolutePath());
    QFile archivo(ruta);
    return archivo.open(QIODevice::WriteOnly | QIODevice::Truncate) && archivo.write(contenido) == contenido.size();
}

QString TCarpetaPrograma::log() const
{
    return QString::fromUtf8(lee(Logmanager::archivoLog(m_ruta)));
}

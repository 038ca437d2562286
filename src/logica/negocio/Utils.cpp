#include "Utils.h"

#include "Archivos.h"
#include "Constantes.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Prompter.h"
#include "Rutas.h"
#include "Sistema.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <QFileInfo>
#include <QIODevice>

#include <algorithm>
#include <array>

namespace Utils {

void createDir(const QString& ruta)
{
    // mkdir, not mkpath: a missing parent means the caller got the folder
    // wrong, and silently building a whole tree would hide it. Made first
    // and looked at after: a folder another thread or process made between
    // a look and the mkdir (the threads of an import creating their first
    // businesses at once all make Facturas/) is as good as one made here.
    errno = 0;
    if (QDir().mkdir(ruta))
        return;
    const int error = errno;
    if (!QFileInfo(ruta).isDir())
        throw EEntradaSalida(
            QStringLiteral("No se pudo crear la carpeta \"%1\": %2.").arg(ruta, Errores::delSistema(error)));
}

void inicializaDirectorios(const QString& carpeta, const QString& rfc)
{
    const QString facturas = Rutas::une(carpeta, {Constantes::FACTURAS_PATH});
    const QString negocio = Rutas::une(facturas, {rfc});
    createDir(facturas);
    createDir(negocio);
    createDir(Rutas::une(negocio, {Constantes::XML_PATH}));
    createDir(Rutas::une(negocio, {Constantes::PDFS_PATH}));
}

int cierraDatosAnteriores(const QString& carpeta)
{
    const QDir programa(carpeta);
    int fallidas = Archivos::cierraArbol(programa.filePath(Constantes::DB_PATH)) +
                   Archivos::cierraArbol(programa.filePath(Constantes::FACTURAS_PATH));
    constexpr QFile::Permissions ajenos =
        QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    const QStringList sueltos = programa.entryList({Constantes::ARCHIVO_AJUSTES, QStringLiteral("Importacion-*.csv")},
                                                   QDir::Files | QDir::Hidden);
    for (const QString& nombre : sueltos) {
        QFile archivo(programa.filePath(nombre));
        if ((archivo.permissions() & ajenos) && !archivo.setPermissions(QFile::ReadOwner | QFile::WriteOwner))
            ++fallidas;
    }
    if (fallidas > 0)
        Logmanager::Log(
            QStringLiteral("No se pudieron cerrar a otras cuentas %1 archivos o carpetas de datos.").arg(fallidas), 1,
            carpeta);
    return fallidas;
}

void mensaje(const QString& texto)
{
    Prompter::actual().mensaje(texto, Constantes::MSG_INFORMATION);
}

void mensaje(const QString& texto, int tipo)
{
    Prompter::actual().mensaje(texto, tipo);
}

int mensajeConfirmacion(const QString& texto)
{
    return Prompter::actual().confirmacion(texto);
}

int mensajeConfirmacionEscrita(const QString& texto, const QString& clave)
{
    return Prompter::actual().confirmacionEscrita(texto, clave);
}

QString textoError(const std::exception& e, const QString& siAjeno)
{
    if (const auto* propio = dynamic_cast<const EVelkor*>(&e))
        return propio->mensaje();
    return siAjeno + QString::fromLocal8Bit(e.what());
}

void muestraError(const std::exception& e, const QString& siAjeno)
{
    Logmanager::Log(Errores::describe(e), 1, Sistema::exePath);
    mensaje(textoError(e, siAjeno), Constantes::MSG_ERROR);
}

bool protegido(const std::function<void()>& trabajo, const QString& siAjeno)
{
    try {
        trabajo();
        return true;
    } catch (const std::exception& e) {
        muestraError(e, siAjeno);
        return false;
    }
}

double CompareStreams(QIODevice& a, QIODevice& b)
{
    constexpr qint64 bloque = 8192;
    a.seek(0);
    b.seek(0);
    qint64 diferencias = 0;
    std::array<char, bloque> bufferA;
    std::array<char, bloque> bufferB;
    for (;;) {
        const qint64 leidosA = a.read(bufferA.data(), bloque);
        const qint64 leidosB = b.read(bufferB.data(), bloque);
        const qint64 comunes = std::min(leidosA, leidosB);
        for (qint64 i = 0; i < comunes; ++i) {
            if (bufferA[i] != bufferB[i])
                ++diferencias;
        }
        if (leidosA != leidosB || leidosA <= 0 || leidosB <= 0)
            break;
    }
    const qint64 mayor = std::max(a.size(), b.size());
    // Two empty streams hold the same (no) bytes; 0/0 would give NaN.
    if (mayor == 0)
        return 0.0;
    return static_cast<double>(diferencias) * 100.0 / static_cast<double>(mayor);
}

} // namespace Utils

#include "ZipPrueba.h"

#include "negocio/TArchivoZip.h"

#include <QFile>

#include <zip.h>

namespace ZipPrueba {

bool crudo(const QString& archivo, const QList<QPair<QString, mode_t>>& entradas)
{
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(archivo).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        return false;
    static const char datos[] = "contenido";
    for (const auto& [nombre, tipo] : entradas) {
        zip_source_t* s = zip_source_buffer(z, datos, sizeof datos - 1, 0);
        const zip_int64_t i = zip_file_add(z, nombre.toUtf8().constData(), s, ZIP_FL_ENC_UTF_8);
        if (i < 0) {
            zip_source_free(s);
            zip_discard(z);
            return false;
        }
        if (tipo != 0)
            zip_file_set_external_attributes(z, zip_uint64_t(i), 0, ZIP_OPSYS_UNIX, zip_uint32_t(tipo | 0777) << 16);
    }
    return zip_close(z) == 0;
}

bool tradicionalQueEngana(const QString& archivo, const QString& carpeta, const QString& prefijo,
                          const QString& password, const QString& falso)
{
    const QByteArray clave = falso.toUtf8();
    for (int intento = 0; intento < 5000; ++intento) {
        TArchivoZip::comprime(archivo, carpeta, prefijo, password, TArchivoZip::TCifrado::Tradicional);
        int error = 0;
        zip_t* z = zip_open(QFile::encodeName(archivo).constData(), ZIP_RDONLY, &error);
        if (!z)
            return false;
        bool engana = false;
        const zip_int64_t total = zip_get_num_entries(z, 0);
        for (zip_int64_t i = 0; i < total; ++i) {
            const QString nombre = QString::fromUtf8(zip_get_name(z, zip_uint64_t(i), 0));
            if (nombre.endsWith(QLatin1Char('/')))
                continue;
            zip_file_t* f = zip_fopen_index_encrypted(z, zip_uint64_t(i), 0, clave.constData());
            engana = f != nullptr;
            if (f)
                zip_fclose(f);
            break;
        }
        zip_discard(z);
        if (engana)
            return true;
    }
    return false;
}

} // namespace ZipPrueba

#include "TArchivoZip.h"

#include "Errores.h"
#include "Logmanager.h"
#include "Rutas.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <zip.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>

using TMotivo = EArchivoZip::TMotivo;

namespace {

QByteArray nombreArchivo(const QString& ruta)
{
    return QFile::encodeName(ruta);
}

// libzip's texts are English ("Failure to create temporary file: Permission
// denied"): the user reads the cause in Spanish, the log keeps libzip's words.
QString textoError(zip_error_t* error)
{
    // A tool without a program folder has no log to write.
    if (const QString carpeta = Rutas::programa(); !carpeta.isEmpty())
        Logmanager::Log(QStringLiteral("libzip: ") + QString::fromLocal8Bit(zip_error_strerror(error)), 1, carpeta);
    if (zip_error_system_type(error) == ZIP_ET_SYS)
        return Errores::delSistema(zip_error_code_system(error));
    switch (zip_error_code_zip(error)) {
    case ZIP_ER_NOZIP:
        return QStringLiteral("No es un archivo ZIP");
    case ZIP_ER_NOENT:
        return QStringLiteral("No existe");
    case ZIP_ER_WRONGPASSWD:
        return QStringLiteral("La contraseña no es la del archivo");
    case ZIP_ER_NOPASSWD:
        return QStringLiteral("El archivo está cifrado y no se dio su contraseña");
    case ZIP_ER_MEMORY:
        return QStringLiteral("No hay memoria suficiente");
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_ENCRNOTSUPP:
        return QStringLiteral("El archivo usa una compresión o un cifrado que no se admite");
    case ZIP_ER_INCONS:
    case ZIP_ER_CRC:
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA:
    case ZIP_ER_EOF:
        return QStringLiteral("Su contenido está dañado o incompleto");
    default:
        return QStringLiteral("Error %1 de la biblioteca de archivos ZIP").arg(zip_error_code_zip(error));
    }
}

// For libzip's bare error numbers; a system error is taken from errno, so
// call it right after the failing call.
QString textoError(int codigo)
{
    zip_error_t error;
    zip_error_init_with_code(&error, codigo);
    const QString texto = textoError(&error);
    zip_error_fini(&error);
    return texto;
}

// Errors of an entry's data. Traditional PKWARE encryption checks the
// password against a single byte, so about one wrong password in 256 gets
// past the opening and only shows up here, as garbage data.
bool errorDeDatos(int codigo)
{
    return codigo == ZIP_ER_CRC || codigo == ZIP_ER_ZLIB || codigo == ZIP_ER_COMPRESSED_DATA || codigo == ZIP_ER_INCONS;
}

bool tipoPermitido(mode_t tipo)
{
    return tipo == 0 || tipo == S_IFREG || tipo == S_IFDIR;
}

} // namespace

QString TArchivoZip::rutaSegura(const QString& nombre)
{
    QString limpio = nombre;
    // Archives made on Windows may separate folders with "\".
    limpio.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (limpio.isEmpty() || limpio.startsWith(QLatin1Char('/')))
        return {};
    if (limpio.size() >= 2 && limpio.at(1) == QLatin1Char(':'))
        return {};
    for (const QChar c : limpio) {
        if (c.unicode() < 32 || c.unicode() == 127)
            return {};
    }
    QStringList partes;
    for (const QString& parte : limpio.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (parte == QLatin1String(".."))
            return {};
        if (parte != QLatin1String("."))
            partes << parte;
    }
    return partes.join(QLatin1Char('/'));
}

TArchivoZip::TArchivoZip(const QString& archivo) : m_archivo(archivo)
{
    int codigo = 0;
    m_zip = zip_open(nombreArchivo(archivo).constData(), ZIP_RDONLY, &codigo);
    if (!m_zip)
        throw EArchivoZip(TMotivo::NoSeAbre,
                          QStringLiteral("No se pudo abrir el archivo %1: %2").arg(archivo, textoError(codigo)));
    const zip_int64_t total = zip_get_num_entries(m_zip, 0);
    for (zip_int64_t i = 0; i < total; ++i) {
        const auto indice = static_cast<zip_uint64_t>(i);
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(m_zip, indice, 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME)) {
            const QString razon = textoError(zip_get_error(m_zip));
            zip_discard(m_zip);
            m_zip = nullptr;
            throw EArchivoZip(TMotivo::NoSeAbre, QStringLiteral("El archivo %1 está dañado: %2").arg(archivo, razon));
        }
        TEntrada entrada;
        entrada.original = QString::fromUtf8(zip_get_name(m_zip, indice, ZIP_FL_ENC_GUESS));
        entrada.directorio =
            entrada.original.endsWith(QLatin1Char('/')) || entrada.original.endsWith(QLatin1Char('\\'));
        entrada.cifrada = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;
        entrada.tamano = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
        if (st.valid & ZIP_STAT_MTIME)
            entrada.fecha = QDateTime::fromSecsSinceEpoch(qint64(st.mtime));
        bool tipoSeguro = true;
        zip_uint8_t sistema = 0;
        zip_uint32_t atributos = 0;
        if (zip_file_get_external_attributes(m_zip, indice, 0, &sistema, &atributos) == 0 &&
            sistema == ZIP_OPSYS_UNIX) {
            const mode_t tipo = (atributos >> 16) & S_IFMT;
            tipoSeguro = tipoPermitido(tipo);
            if (tipo == S_IFDIR)
                entrada.directorio = true;
        }
        entrada.nombre = tipoSeguro ? rutaSegura(entrada.original) : QString();
        entrada.segura = !entrada.nombre.isEmpty();
        m_entradas << entrada;
    }
}

TArchivoZip::~TArchivoZip()
{
    if (m_zip)
        zip_discard(m_zip);
}

bool TArchivoZip::esSeguro() const
{
    return std::all_of(m_entradas.cbegin(), m_entradas.cend(), [](const TEntrada& e) { return e.segura; });
}

int TArchivoZip::busca(const QString& nombre) const
{
    for (int i = 0; i < m_entradas.size(); ++i) {
        if (!m_entradas.at(i).directorio && m_entradas.at(i).nombre.compare(nombre, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

quint64 TArchivoZip::expandido() const
{
    quint64 total = 0;
    for (const TEntrada& e : m_entradas)
        total += e.tamano;
    return total;
}

bool TArchivoZip::excedeLimites(quint64 expandido, quint64 comprimido)
{
    comprimido = std::max<quint64>(comprimido, 1);
    const bool razonExcesiva = expandido > EXPANDIDO_SIN_RAZON && expandido / comprimido > RAZON_MAXIMA;
    return expandido > MAXIMO_EXPANDIDO || razonExcesiva;
}

QString TArchivoZip::megas(quint64 bytes)
{
    return QString::number((bytes + (1u << 20) - 1) >> 20);
}

void TArchivoZip::extraeTodo(const QString& destino, const QStringList& passwords) const
{
    // Every name is checked before the first byte is written: an archive with
    // one unsafe entry is refused whole.
    for (const TEntrada& e : m_entradas) {
        if (!e.segura)
            throw EArchivoZip(
                TMotivo::EntradaInsegura,
                QStringLiteral("El archivo %1 contiene la entrada insegura \"%2\".").arg(m_archivo, e.original));
    }
    const QDir raiz(destino);
    // What is extracted is a business's data: its folders are their
    // owner's only, as its files (copia).
    const auto carpeta = [](const QString& ruta) {
        if (!QDir().mkpath(ruta) ||
            !QFile::setPermissions(ruta, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
            throw EArchivoZip(TMotivo::Escritura, QStringLiteral("No se pudo crear la carpeta %1.").arg(ruta));
    };
    carpeta(destino);
    for (int i = 0; i < m_entradas.size(); ++i) {
        const TEntrada& e = m_entradas.at(i);
        const QString ruta = raiz.filePath(e.nombre);
        if (e.directorio) {
            carpeta(ruta);
            continue;
        }
        carpeta(QFileInfo(ruta).absolutePath());
        copia(i, ruta, passwords);
    }
}

void TArchivoZip::extraeEntrada(int indice, const QString& archivo, const QStringList& passwords) const
{
    if (indice < 0 || indice >= m_entradas.size() || m_entradas.at(indice).directorio)
        throw EArchivoZip(TMotivo::Danado, QStringLiteral("El archivo %1 no contiene esa entrada.").arg(m_archivo));
    copia(indice, archivo, passwords);
}

QByteArray TArchivoZip::leeEntrada(int indice, qint64 maximo) const
{
    if (indice < 0 || indice >= m_entradas.size())
        throw EArchivoZip(TMotivo::Danado, QStringLiteral("El archivo %1 no contiene esa entrada.").arg(m_archivo));
    if (m_entradas.at(indice).tamano > quint64(std::max<qint64>(maximo, 0)))
        throw EArchivoZip(TMotivo::Danado,
                          QStringLiteral("La entrada \"%1\" de %2 ocupa %3 bytes, más de los %4 que se pueden leer.")
                              .arg(m_entradas.at(indice).original, m_archivo)
                              .arg(m_entradas.at(indice).tamano)
                              .arg(maximo));
    QByteArray datos;
    datos.reserve(qsizetype(m_entradas.at(indice).tamano));
    leeEntrada(indice, [&](const char* trozo, qint64 largo) {
        // Its declared size was within the cap; the data must be too.
        if (datos.size() + largo > maximo)
            throw EArchivoZip(TMotivo::Danado,
                              QStringLiteral("La entrada \"%1\" de %2 está dañada: tiene más datos de los que declara.")
                                  .arg(m_entradas.at(indice).original, m_archivo));
        datos.append(trozo, qsizetype(largo));
        return true;
    });
    return datos;
}

void TArchivoZip::leeEntrada(int indice, const std::function<bool(const char*, qint64)>& trozo,
                             const QString& password) const
{
    if (indice < 0 || indice >= m_entradas.size() || m_entradas.at(indice).directorio)
        throw EArchivoZip(TMotivo::Danado, QStringLiteral("El archivo %1 no contiene esa entrada.").arg(m_archivo));
    const TEntrada& e = m_entradas.at(indice);
    if (e.cifrada && password.isEmpty())
        throw EArchivoZip(
            TMotivo::PasswordIncorrecto,
            QStringLiteral("La entrada \"%1\" de %2 está cifrada con contraseña.").arg(e.original, m_archivo));
    const auto posicion = static_cast<zip_uint64_t>(indice);
    const auto danado = [&](int codigo) {
        return EArchivoZip(
            TMotivo::Danado,
            QStringLiteral("La entrada \"%1\" de %2 está dañada: %3").arg(e.original, m_archivo, textoError(codigo)));
    };
    const QByteArray clave = password.toUtf8();
    zip_file_t* entrada = e.cifrada ? zip_fopen_index_encrypted(m_zip, posicion, 0, clave.constData())
                                    : zip_fopen_index(m_zip, posicion, 0);
    if (!entrada) {
        const int codigo = zip_error_code_zip(zip_get_error(m_zip));
        zip_error_clear(m_zip);
        if (codigo == ZIP_ER_WRONGPASSWD || codigo == ZIP_ER_NOPASSWD)
            throw EArchivoZip(
                TMotivo::PasswordIncorrecto,
                QStringLiteral("La contraseña no abre la entrada \"%1\" de %2.").arg(e.original, m_archivo));
        throw danado(codigo);
    }
    // The file is closed however the reading ends, a throwing `trozo` too.
    std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> cierre(entrada, zip_fclose);
    std::array<char, 65536> bloque;
    quint64 total = 0;
    for (;;) {
        const zip_int64_t leidos = zip_fread(entrada, bloque.data(), bloque.size());
        if (leidos < 0)
            throw danado(zip_error_code_zip(zip_file_get_error(entrada)));
        if (leidos == 0)
            break;
        total += static_cast<quint64>(leidos);
        // As in copia: nothing past the declared size, which is what the
        // limits were checked against.
        if (total > e.tamano)
            throw danado(ZIP_ER_INCONS);
        if (!trozo(bloque.data(), leidos))
            return;
    }
    // The CRC, and an AES entry's authentication code, are checked here.
    if (const int codigo = zip_fclose(cierre.release()); codigo != 0)
        throw danado(codigo);
    if (total != e.tamano)
        throw danado(ZIP_ER_INCONS);
}

void TArchivoZip::verifica(const QString& password, const TAvance& avance) const
{
    const quint64 total = std::max<quint64>(expandido(), 1);
    quint64 leido = 0;
    for (int i = 0; i < m_entradas.size(); ++i) {
        if (m_entradas.at(i).directorio)
            continue;
        leeEntrada(
            i,
            [&](const char*, qint64 largo) {
                leido += static_cast<quint64>(largo);
                if (avance && !avance(double(std::min(leido, total)) / double(total)))
                    throw EArchivoCancelado(QStringLiteral("Se canceló la revisión de %1.").arg(m_archivo));
                return true;
            },
            m_entradas.at(i).cifrada ? password : QString());
    }
}

void TArchivoZip::copia(int indice, const QString& archivo, const QStringList& passwords) const
{
    const TEntrada& e = m_entradas.at(indice);
    const auto posicion = static_cast<zip_uint64_t>(indice);
    zip_stat_t st;
    zip_stat_init(&st);
    zip_stat_index(m_zip, posicion, 0, &st);
    const bool tradicional = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method == ZIP_EM_TRAD_PKWARE;
    const QStringList candidatos = e.cifrada ? passwords : QStringList{QString()};
    const auto danado = [&](int codigo) {
        return EArchivoZip(
            TMotivo::Danado,
            QStringLiteral("La entrada \"%1\" de %2 está dañada: %3").arg(e.original, m_archivo, textoError(codigo)));
    };
    // The system's error number, read as soon as a write fails: Qt's own
    // texts are English. A failure Qt found without a system call has none.
    const auto escritura = [&archivo](int numero) {
        return EArchivoZip(TMotivo::Escritura,
                           QStringLiteral("No se pudo escribir %1: %2").arg(archivo, Errores::delSistema(numero)));
    };

    for (const QString& password : candidatos) {
        QFile salida(archivo);
        // A restored database or copy is its owner's only, whatever mode the
        // file it replaces had.
        if (!salida.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            !salida.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            throw escritura(errno);
        const QByteArray clave = password.toUtf8();
        zip_file_t* entrada = e.cifrada ? zip_fopen_index_encrypted(m_zip, posicion, 0, clave.constData())
                                        : zip_fopen_index(m_zip, posicion, 0);
        if (!entrada) {
            const int codigo = zip_error_code_zip(zip_get_error(m_zip));
            zip_error_clear(m_zip);
            if (codigo == ZIP_ER_WRONGPASSWD || codigo == ZIP_ER_NOPASSWD)
                continue;
            throw danado(codigo);
        }
        std::array<char, 65536> bloque;
        quint64 total = 0;
        int codigo = 0;
        for (;;) {
            const zip_int64_t leidos = zip_fread(entrada, bloque.data(), bloque.size());
            if (leidos < 0) {
                codigo = zip_error_code_zip(zip_file_get_error(entrada));
                break;
            }
            if (leidos == 0)
                break;
            total += static_cast<quint64>(leidos);
            // The sizes the archive declares are what the caller checked
            // against its limits and the free space: data past them is not
            // written, whatever the entry's stream would go on to inflate to.
            if ((st.valid & ZIP_STAT_SIZE) && total > st.size) {
                zip_fclose(entrada);
                throw danado(ZIP_ER_INCONS);
            }
            if (salida.write(bloque.data(), leidos) != leidos) {
                const int numero = errno;
                zip_fclose(entrada);
                throw escritura(numero);
            }
        }
        const int cierre = zip_fclose(entrada);
        if (codigo == 0)
            codigo = cierre;
        if (codigo != 0) {
            if (tradicional && errorDeDatos(codigo))
                continue; // most likely a wrong password that passed the one-byte check
            throw danado(codigo);
        }
        if ((st.valid & ZIP_STAT_SIZE) && total != st.size)
            throw danado(ZIP_ER_INCONS);
        if (!salida.flush())
            throw escritura(errno);
        return;
    }
    QFile::remove(archivo);
    throw EArchivoZip(TMotivo::PasswordIncorrecto,
                      QStringLiteral("Ninguna contraseña abre la entrada \"%1\" de %2.").arg(e.original, m_archivo));
}

void TArchivoZip::comprime(const QString& archivoZip, const QString& carpeta, const QString& prefijo,
                           const QString& password, TCifrado cifrado, const QStringList& excluye,
                           const QList<TAgregado>& agregados, const TAvance& avance)
{
    QStringList fuera{QFileInfo(archivoZip).absoluteFilePath()};
    for (const QString& ruta : excluye)
        fuera << QFileInfo(ruta).absoluteFilePath();

    // Listed before the archive is opened: libzip writes a temporary file
    // beside the archive when it closes it, which must not be picked up.
    QStringList rutas;
    QDirIterator recorrido(carpeta, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                           QDirIterator::Subdirectories);
    while (recorrido.hasNext())
        rutas << recorrido.next();
    std::sort(rutas.begin(), rutas.end());

    int codigo = 0;
    zip_t* zip = zip_open(nombreArchivo(archivoZip).constData(), ZIP_CREATE | ZIP_TRUNCATE, &codigo);
    if (!zip)
        throw EArchivoZip(TMotivo::Escritura,
                          QStringLiteral("No se pudo crear el archivo %1: %2").arg(archivoZip, textoError(codigo)));
    const auto falla = [&](const QString& que) {
        const QString razon = textoError(zip_get_error(zip));
        zip_discard(zip);
        throw EArchivoZip(TMotivo::Escritura, QStringLiteral("%1 (%2): %3").arg(que, archivoZip, razon));
    };
    // libzip tells how far it went while it writes, in zip_close, and asks
    // whether to go on: a stop makes it throw its temporary file away.
    struct TSeguimiento {
        const TAvance* avance;
        bool detenido = false;
    } seguimiento{&avance};
    if (avance) {
        zip_register_progress_callback_with_state(
            zip, 0.001,
            [](zip_t*, double fraccion, void* datos) {
                auto* s = static_cast<TSeguimiento*>(datos);
                if (!s->detenido && !(*s->avance)(fraccion))
                    s->detenido = true;
            },
            nullptr, &seguimiento);
        zip_register_cancel_callback_with_state(
            zip, [](zip_t*, void* datos) { return static_cast<TSeguimiento*>(datos)->detenido ? 1 : 0; }, nullptr,
            &seguimiento);
    }
    const zip_uint16_t metodo = cifrado == TCifrado::Aes128        ? ZIP_EM_AES_128
                                : cifrado == TCifrado::Tradicional ? ZIP_EM_TRAD_PKWARE
                                                                   : ZIP_EM_NONE;
    const QByteArray clave = password.toUtf8();

    QString acumulado;
    for (const QString& parte : prefijo.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        acumulado += parte + QLatin1Char('/');
        if (zip_dir_add(zip, acumulado.toUtf8().constData(), ZIP_FL_ENC_UTF_8) < 0)
            falla(QStringLiteral("No se pudo agregar la carpeta %1").arg(acumulado));
    }
    const auto agrega = [&](zip_source_t* fuente, const QString& nombre, const QString& origen) {
        if (!fuente)
            falla(QStringLiteral("No se pudo leer %1").arg(origen));
        const zip_int64_t indice =
            zip_file_add(zip, nombre.toUtf8().constData(), fuente, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
        if (indice < 0) {
            zip_source_free(fuente);
            falla(QStringLiteral("No se pudo agregar %1").arg(origen));
        }
        const auto posicion = static_cast<zip_uint64_t>(indice);
        if (zip_set_file_compression(zip, posicion, ZIP_CM_DEFLATE, 0) != 0)
            falla(QStringLiteral("No se pudo comprimir %1").arg(origen));
        if (metodo != ZIP_EM_NONE && zip_file_set_encryption(zip, posicion, metodo, clave.constData()) != 0)
            falla(QStringLiteral("No se pudo cifrar %1").arg(origen));
    };
    const QDir raiz(carpeta);
    for (const QString& ruta : rutas) {
        const QFileInfo info(ruta);
        if (info.isSymLink() || fuera.contains(info.absoluteFilePath()))
            continue;
        const QString nombre = prefijo + raiz.relativeFilePath(ruta);
        if (info.isDir()) {
            if (zip_dir_add(zip, (nombre + QLatin1Char('/')).toUtf8().constData(), ZIP_FL_ENC_UTF_8) < 0)
                falla(QStringLiteral("No se pudo agregar la carpeta %1").arg(nombre));
            continue;
        }
        if (info.isFile())
            agrega(zip_source_file(zip, nombreArchivo(ruta).constData(), 0, -1), nombre, ruta);
    }
    // The caller's bytes outlive zip_close, which is where libzip reads them.
    for (const TAgregado& a : agregados)
        agrega(zip_source_buffer(zip, a.datos.constData(), zip_uint64_t(a.datos.size()), 0), a.nombre, a.nombre);
    if (zip_close(zip) != 0) {
        if (seguimiento.detenido) {
            zip_discard(zip);
            throw EArchivoCancelado(QStringLiteral("Se canceló la escritura de %1.").arg(archivoZip));
        }
        falla(QStringLiteral("No se pudo escribir el archivo"));
    }
}

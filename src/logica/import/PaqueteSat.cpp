#include "PaqueteSat.h"

#include "DocumentoXML.h"
#include "negocio/TArchivoZip.h"

#include <QFileInfo>

using TMotivo = EArchivoZip::TMotivo;
using TClase = TEntradaPaquete::TClase;

namespace {

// What is read of a text entry to tell whether it is metadata: the SAT's
// header is a few hundred bytes.
constexpr qint64 PRIMERA_LINEA_MAXIMA = 4096;

const QString MOTIVO_CIFRADO =
    QStringLiteral("El archivo está cifrado con contraseña dentro del paquete; no se puede leer.");
const QString MOTIVO_DANADO = QStringLiteral("El archivo está dañado dentro del paquete (sus datos no corresponden a "
                                             "su suma de verificación). Vuelve a descargar el paquete.");

// The reason an entry could not be read, for the report: the user can do
// nothing with libzip's own words.
QString motivoDeLectura(const EArchivoZip& e)
{
    return e.motivo() == TMotivo::PasswordIncorrecto ? MOTIVO_CIFRADO : MOTIVO_DANADO;
}

bool esRecursoMac(const QString& nombre)
{
    return nombre.section(QLatin1Char('/'), 0, 0).compare(QLatin1String("__MACOSX"), Qt::CaseInsensitive) == 0;
}

} // namespace

TPaqueteSat::TPaqueteSat(const QString& archivo) : m_archivo(archivo)
{
    try {
        m_zip = std::make_unique<TArchivoZip>(archivo);
    } catch (const EArchivoZip&) {
        throw EArchivoZip(TMotivo::NoSeAbre,
                          QStringLiteral("El paquete %1 no es un archivo ZIP o está incompleto; no se leyó nada de él. "
                                         "Vuelve a descargarlo.")
                              .arg(archivo));
    }
    for (const TArchivoZip::TEntrada& e : m_zip->entradas()) {
        if (!e.segura)
            throw EArchivoZip(TMotivo::EntradaInsegura,
                              QStringLiteral("El paquete %1 contiene la entrada \"%2\", que es un enlace, un "
                                             "dispositivo o un nombre que sale de su carpeta; no se leyó nada de él.")
                                  .arg(archivo, e.original));
    }
    // The sizes are the ones the entries declare: reading never goes past
    // them (TArchivoZip::leeEntrada), so they bound what the package costs.
    const quint64 expandido = m_zip->expandido();
    const quint64 comprimido = quint64(std::max<qint64>(QFileInfo(archivo).size(), 1));
    if (TArchivoZip::excedeLimites(expandido, comprimido))
        throw EArchivoZip(TMotivo::Danado,
                          QStringLiteral("El paquete %1 ocuparía %2 MB al abrirse, desde %3 MB: no es un paquete de "
                                         "comprobantes sino un archivo hecho para agotar la memoria o el disco; no "
                                         "se leyó nada de él.")
                              .arg(archivo, TArchivoZip::megas(expandido), TArchivoZip::megas(comprimido)));
}

TPaqueteSat::~TPaqueteSat() = default;

int TPaqueteSat::entradas() const
{
    return int(m_zip->entradas().size());
}

bool TPaqueteSat::recorre(const std::function<bool(TEntradaPaquete&)>& entrada,
                          const std::function<bool()>& detener) const
{
    const QList<TArchivoZip::TEntrada>& lista = m_zip->entradas();
    for (int i = 0; i < lista.size(); ++i) {
        if (detener && detener())
            return false;
        const TArchivoZip::TEntrada& e = lista.at(i);
        TEntradaPaquete paquete;
        paquete.indice = i;
        paquete.nombre = e.original;
        paquete.fecha = e.fecha;
        const auto omite = [&](const QString& motivo) {
            paquete.clase = TClase::Omitida;
            paquete.motivo = motivo;
        };
        const auto falla = [&](const QString& motivo) {
            paquete.clase = TClase::Fallida;
            paquete.motivo = motivo;
        };
        const QString base = e.nombre.section(QLatin1Char('/'), -1);
        if (e.directorio) {
            omite(QStringLiteral("Es una carpeta dentro del paquete; no es un comprobante."));
        } else if (esRecursoMac(e.nombre)) {
            omite(QStringLiteral("Es un archivo de recursos de macOS (__MACOSX); no es un comprobante."));
        } else if (base.startsWith(QLatin1String("._"))) {
            omite(QStringLiteral("Es un archivo de recursos de macOS (su nombre empieza con \"._\"); no es un "
                                 "comprobante."));
        } else if (e.tamano == 0) {
            omite(QStringLiteral("El archivo está vacío."));
        } else if (base.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive)) {
            if (e.cifrada) {
                falla(MOTIVO_CIFRADO);
            } else if (e.tamano > quint64(TDocumentoXML::TAMANO_MAXIMO)) {
                falla(QStringLiteral("El archivo ocupa %1 MB, más de los %2 MB que puede ocupar un comprobante.")
                          .arg(TArchivoZip::megas(e.tamano), TArchivoZip::megas(TDocumentoXML::TAMANO_MAXIMO)));
            } else {
                try {
                    paquete.datos = m_zip->leeEntrada(i, TDocumentoXML::TAMANO_MAXIMO);
                    paquete.clase = TClase::Comprobante;
                } catch (const EArchivoZip& error) {
                    falla(motivoDeLectura(error));
                }
            }
        } else if (base.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive)) {
            QByteArray inicio;
            try {
                m_zip->leeEntrada(i, [&](const char* datos, qint64 largo) {
                    inicio.append(datos, qsizetype(std::min(largo, PRIMERA_LINEA_MAXIMA - inicio.size())));
                    return !inicio.contains('\n') && inicio.size() < PRIMERA_LINEA_MAXIMA;
                });
                switch (TLectorMetadatos::tipoDe(inicio)) {
                case TLectorMetadatos::TTipo::Metadatos:
                    paquete.clase = TClase::Metadatos;
                    break;
                case TLectorMetadatos::TTipo::Terceros:
                    paquete.clase = TClase::Terceros;
                    break;
                default:
                    omite(QStringLiteral("Es un archivo de texto que no es de metadatos del SAT; no es un "
                                         "comprobante."));
                }
            } catch (const EArchivoZip& error) {
                falla(motivoDeLectura(error));
            }
        } else {
            omite(QStringLiteral("No es un archivo XML ni de metadatos del SAT."));
        }
        if (!entrada(paquete))
            return false;
    }
    return true;
}

void TPaqueteSat::leeMetadatos(int indice, TLectorMetadatos& lector) const
{
    bool sigue = true;
    try {
        m_zip->leeEntrada(indice, [&](const char* datos, qint64 largo) { return sigue = lector.agrega(datos, largo); });
    } catch (const EArchivoZip& error) {
        const QString nombre =
            indice >= 0 && indice < m_zip->entradas().size() ? m_zip->entradas().at(indice).original : QString();
        throw EArchivoZip(
            error.motivo(),
            QStringLiteral("No se pudo leer \"%1\" del paquete %2. %3").arg(nombre, m_archivo, motivoDeLectura(error)));
    }
    if (sigue)
        lector.termina();
}

bool TPaqueteSat::esPaquete(const QString& ruta)
{
    return ruta.endsWith(QStringLiteral(".zip"), Qt::CaseInsensitive);
}

int TPaqueteSat::filas(const QString& archivo)
{
    try {
        return TPaqueteSat(archivo).entradas();
    } catch (const std::exception&) {
        return 1;
    }
}

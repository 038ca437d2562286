#include "ComprobanteConsola.h"

#include "Archivos.h"
#include "CarpetaInstalada.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "DocumentoXML.h"
#include "Entidades.h"
#include "Errores.h"
#include "ImpresionComprobante.h"
#include "Rutas.h"
#include "Sistema.h"
#include "VerificacionSello.h"
#include "negocio/Consola.h"
#include "negocio/MetadatosSat.h"
#include "negocio/RevisionMotor.h"
#include "negocio/TArchivoZip.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TIngreso.h"
#include "negocio/TRecorridoXML.h"
#include "negocio/TSenalesTerminacion.h"
#include "negocio/Utils.h"
#include "Logmanager.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ComprobanteConsola {

namespace {

using Consola::escribe;

// What the command line said.
struct TOpciones {
    QString orden;
    QStringList rutas;
    QString salida;
    // A stored voucher: the business's RFC, the voucher's UUID and the user
    // who may see it.
    QString rfc;
    QString uuid;
    QString correo;
    bool guardados() const { return !rfc.isEmpty() || !correo.isEmpty() || !uuid.isEmpty(); }
};

int falla(int salida, const QString& texto)
{
    escribe(stderr, QStringLiteral("velkor-comprobante: ") + texto + QLatin1Char('\n'));
    return salida;
}

int usoIncorrecto(const QString& texto)
{
    return falla(Uso, texto + QStringLiteral("\nUsa velkor-comprobante --help para ver el uso."));
}

QString interpreta(const QStringList& argumentos, TOpciones& o)
{
    o.orden = argumentos.value(0);
    QStringList dadas;
    for (int i = 1; i < argumentos.size(); ++i) {
        const QString& a = argumentos.at(i);
        const QString nombre = a.section(QLatin1Char('='), 0, 0);
        QString* destino = nombre == QLatin1String("--salida") || nombre == QLatin1String("-o") ? &o.salida
                           : nombre == QLatin1String("--rfc")                                   ? &o.rfc
                           : nombre == QLatin1String("--uuid")                                  ? &o.uuid
                           : nombre == QLatin1String("--correo")                                ? &o.correo
                                                                                                : nullptr;
        // What follows "=" may be a password, as velkor-importar takes one.
        if (!destino && a.startsWith(QLatin1Char('-')) && a.size() > 1)
            return QStringLiteral("Opción desconocida: %1").arg(nombre);
        if (!destino) {
            o.rutas << a;
            continue;
        }
        if (dadas.contains(destino == &o.salida ? QStringLiteral("--salida") : nombre))
            return QStringLiteral("Se indicó dos veces %1.").arg(nombre);
        dadas << (destino == &o.salida ? QStringLiteral("--salida") : nombre);
        // An option right after one that needs a value means the value was
        // left out; taken as the value, it would name the PDF "--rfc".
        if (a.contains(QLatin1Char('=')))
            *destino = a.section(QLatin1Char('='), 1);
        else if (i + 1 < argumentos.size() && !argumentos.at(i + 1).startsWith(QLatin1String("--")))
            *destino = argumentos.at(++i);
        else
            return QStringLiteral("Falta el valor de %1.").arg(nombre);
    }
    if (o.orden == QLatin1String("verifica") && (!o.uuid.isEmpty() || dadas.contains(QStringLiteral("--salida"))))
        return QStringLiteral("La orden verifica no lleva --uuid ni --salida: verifica todos los comprobantes "
                              "indicados.");
    o.rfc = o.rfc.trimmed().toUpper();
    o.correo = o.correo.trimmed();
    if (o.guardados() && !o.rutas.isEmpty())
        return QStringLiteral("Indica archivos o un comprobante guardado (--rfc), no ambos.");
    if (o.guardados() && (o.rfc.isEmpty() || o.correo.isEmpty()))
        return QStringLiteral("Para los comprobantes guardados se necesitan --rfc RFC y --correo CORREO.");
    return {};
}

// Signs in to the business as its user, the password read from standard
// input; 0 when let in, else the exit status after saying why.
int ingresa(const TOpciones& o)
{
    if (!QFileInfo::exists(Sistema::dbUsuariosSistema))
        return falla(SinAcceso, QStringLiteral("Esta carpeta del programa no tiene negocios registrados."));
    // Before the password: a mistyped RFC is not a business whose database
    // went missing. A registry that cannot be read now is left to the
    // sign-in, which says why.
    try {
        const QSet<QString> registrados = registroLocal().rfcs();
        const QString comoSeGuarda = QString(o.rfc).replace(QLatin1Char('&'), QLatin1Char('_'));
        if (!registrados.contains(o.rfc) && !registrados.contains(comoSeGuarda))
            return falla(SinAcceso, QStringLiteral("No hay un negocio con RFC %1 registrado en esta carpeta del "
                                                   "programa (%2).")
                                        .arg(o.rfc, Rutas::carpetaPrograma()));
    } catch (const std::exception& e) {
        Logmanager::Log(Errores::describe(e), 3, Sistema::exePath);
    }
    const std::optional<QString> password = Consola::leeContrasena();
    if (!password)
        return falla(Uso, QStringLiteral("Cancelado."));
    const Ingreso::TResultado r =
        Ingreso::ingresa(QString(o.rfc).replace(QLatin1Char('&'), QLatin1Char('_')), o.correo, *password);
    if (r != Ingreso::TResultado::Correcto)
        return falla(SinAcceso, Ingreso::mensajes(r, o.rfc).join(QLatin1Char(' ')));
    // In the program a stored voucher's PDF and the check of its seal are
    // reached only through the reports module.
    if (!Sistema::getPermiso(Constantes::CODIGO_REPORTES))
        return falla(SinAcceso, QStringLiteral("No tienes permiso para usar los reportes de la empresa %1. Pide al "
                                               "administrador de la empresa que te lo dé.")
                                    .arg(o.rfc));
    return 0;
}

struct TCuenta {
    int autenticos = 0;
    int alterados = 0;
    int otros = 0;
    int sinSellos = 0;
    // The termination signal that stopped the run; 0 while none came.
    int senal = 0;

    int lineas() const { return autenticos + alterados + otros + sinSellos; }
    // Asked between files: the signals are blocked for the password prompt,
    // so nothing else would stop a long run.
    bool detenerse()
    {
        senal = senal != 0 ? senal : TSenalesTerminacion::pendiente();
        return senal != 0;
    }
    void anota(const QString& nombre, const VerificacionSello::TResultado& r)
    {
        using VerificacionSello::TEstado;
        escribe(stdout, QStringLiteral("%1: %2. %3\n").arg(nombre, VerificacionSello::texto(r.estado), r.motivo));
        if (r.estado == TEstado::Autentico)
            ++autenticos;
        else if (r.estado == TEstado::Alterado || r.estado == TEstado::CertificadoNoCorresponde)
            ++alterados;
        else
            ++otros;
    }
    void noVerificable(const QString& nombre, const QString& motivo)
    {
        VerificacionSello::TResultado r;
        r.motivo = motivo;
        anota(nombre, r);
    }
    // A path with nothing to check: it has its line, and no voucher was
    // left unchecked.
    void sinSello(const QString& nombre, const QString& motivo)
    {
        ++sinSellos;
        escribe(stdout, QStringLiteral("%1: Sin sello. %2\n").arg(nombre, motivo));
    }
    int salida()
    {
        if (senal != 0)
            escribe(stdout, QStringLiteral("Verificación detenida por una señal; faltaron comprobantes por "
                                           "verificar.\n"));
        escribe(stdout, QStringLiteral("Auténticos: %1  Alterados o de otro certificado: %2  No verificables: %3\n")
                            .arg(autenticos)
                            .arg(alterados)
                            .arg(otros));
        if (senal != 0)
            return Detenida;
        if (alterados > 0)
            return Alterados;
        return otros > 0 || autenticos == 0 ? NoVerificables : Autenticos;
    }
};

// The SAT's packages as the import takes them: opened in memory, held to the
// same limits, their vouchers one at a time. Each voucher's line names the
// package and the entry. Its other entries (folders, metadata, macOS
// resources) are left out as a folder's other files are; a package with no
// voucher at all gets one line saying so.
void verificaPaquete(const QString& ruta, TCuenta& cuenta)
{
    const QString ninguno = QStringLiteral("no se verificó ninguno de sus comprobantes.");
    std::unique_ptr<TArchivoZip> zip;
    try {
        zip = std::make_unique<TArchivoZip>(ruta);
    } catch (const EArchivoZip&) {
        return cuenta.noVerificable(ruta, QStringLiteral("No es un archivo ZIP o está incompleto; ") + ninguno);
    }
    const QList<TArchivoZip::TEntrada>& entradas = zip->entradas();
    for (const TArchivoZip::TEntrada& e : entradas) {
        if (!e.segura)
            return cuenta.noVerificable(ruta, QStringLiteral("Contiene la entrada \"%1\", que es un enlace, un "
                                                             "dispositivo o un nombre que sale de su carpeta, y la "
                                                             "importación no lo toma; ")
                                                      .arg(e.original) +
                                                  ninguno);
    }
    const quint64 comprimido = quint64(std::max<qint64>(QFileInfo(ruta).size(), 1));
    if (TArchivoZip::excedeLimites(zip->expandido(), comprimido))
        return cuenta.noVerificable(
            ruta, QStringLiteral("Ocuparía %1 MB al abrirse, desde %2 MB: no es un paquete de comprobantes; ")
                          .arg(TArchivoZip::megas(zip->expandido()), TArchivoZip::megas(comprimido)) +
                      ninguno);
    bool conComprobantes = false;
    for (int i = 0; i < entradas.size(); ++i) {
        const TArchivoZip::TEntrada& e = entradas.at(i);
        const QString base = e.nombre.section(QLatin1Char('/'), -1);
        if (e.directorio || !base.endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive) ||
            base.startsWith(QLatin1String("._")) ||
            e.nombre.section(QLatin1Char('/'), 0, 0).compare(QLatin1String("__MACOSX"), Qt::CaseInsensitive) == 0)
            continue;
        conComprobantes = true;
        const QString nombre = ruta + QStringLiteral(" › ") + e.original;
        const QString cifrado = QStringLiteral("Está cifrado con contraseña dentro del paquete; no se puede leer.");
        if (e.cifrada) {
            cuenta.noVerificable(nombre, cifrado);
        } else if (e.tamano > quint64(TDocumentoXML::TAMANO_MAXIMO)) {
            cuenta.noVerificable(
                nombre, QStringLiteral("Ocupa %1 MB, más de los %2 MB que puede ocupar un comprobante.")
                            .arg(TArchivoZip::megas(e.tamano), TArchivoZip::megas(TDocumentoXML::TAMANO_MAXIMO)));
        } else if (!cuenta.detenerse()) {
            try {
                cuenta.anota(nombre, VerificacionSello::verifica(zip->leeEntrada(i, TDocumentoXML::TAMANO_MAXIMO)));
            } catch (const EArchivoZip& error) {
                cuenta.noVerificable(nombre, error.motivo() == EArchivoZip::TMotivo::PasswordIncorrecto
                                                 ? cifrado
                                                 : QStringLiteral("Está dañado dentro del paquete (sus datos no "
                                                                  "corresponden a su suma de verificación). Vuelve "
                                                                  "a descargar el paquete."));
            }
        }
    }
    if (!conComprobantes)
        cuenta.sinSello(ruta, QStringLiteral("El paquete no contiene comprobantes XML (los de metadatos del SAT no "
                                             "tienen sello)."));
}

// A file opened to be read whole: never waiting on a pipe or a device, and
// never larger than a voucher may be, as the import reads them.
class TEntrada {
public:
    explicit TEntrada(const QString& ruta)
    {
        m_descriptor = ::open(QFile::encodeName(ruta).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        struct stat datos {};
        if (m_descriptor < 0 || ::fstat(m_descriptor, &datos) != 0)
            delSistema(errno);
        else if (S_ISDIR(datos.st_mode))
            m_motivo = QStringLiteral("Es una carpeta; indica un archivo.");
        else if (!S_ISREG(datos.st_mode))
            m_motivo = QStringLiteral("No es un archivo sino una tubería o un dispositivo; no se lee.");
        else
            m_tamano = datos.st_size;
    }
    ~TEntrada()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    TEntrada(const TEntrada&) = delete;
    TEntrada& operator=(const TEntrada&) = delete;

    // Why it cannot be read, as a sentence; empty when it can.
    QString motivo() const
    {
        return m_delSistema ? QStringLiteral("No se pudo leer el archivo: ") + m_motivo : m_motivo;
    }
    // The same, to follow "No se pudo leer ...: ".
    const QString& causa() const { return m_motivo; }
    QByteArray inicio(int cuantos) const
    {
        QByteArray bytes(cuantos, '\0');
        const ssize_t leidos = ::pread(m_descriptor, bytes.data(), size_t(cuantos), 0);
        bytes.truncate(leidos > 0 ? int(leidos) : 0);
        return bytes;
    }
    // Every byte, or empty with motivo() saying why.
    QByteArray lee()
    {
        if (m_tamano > TDocumentoXML::TAMANO_MAXIMO) {
            m_motivo =
                QStringLiteral("Ocupa %1 MB, más de los %2 MB que puede ocupar un comprobante; no se lee.")
                    .arg(TArchivoZip::megas(quint64(m_tamano)), TArchivoZip::megas(TDocumentoXML::TAMANO_MAXIMO));
            return {};
        }
        QByteArray bytes(qsizetype(m_tamano), Qt::Uninitialized);
        qsizetype leidos = 0;
        while (leidos < bytes.size()) {
            const ssize_t n = ::pread(m_descriptor, bytes.data() + leidos, size_t(bytes.size() - leidos), leidos);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                delSistema(errno);
                return {};
            }
            if (n == 0)
                break;
            leidos += n;
        }
        bytes.truncate(leidos);
        if (bytes.isEmpty())
            m_motivo = QStringLiteral("Está vacío; no es un comprobante.");
        return bytes;
    }

private:
    void delSistema(int numero)
    {
        m_delSistema = true;
        m_motivo = Errores::delSistema(numero) + QLatin1Char('.');
    }

    int m_descriptor = -1;
    qint64 m_tamano = 0;
    QString m_motivo;
    bool m_delSistema = false;
};

// A file the walk took or the user named.
void verificaArchivo(const QString& ruta, TCuenta& cuenta)
{
    TEntrada f(ruta);
    if (!f.motivo().isEmpty())
        return cuenta.noVerificable(ruta, f.motivo());
    // By its ending, as the import tells packages, or by its first bytes: a
    // package that lost its ending is still no XML.
    const QByteArray inicio = f.inicio(4);
    if (ruta.endsWith(QStringLiteral(".zip"), Qt::CaseInsensitive) || inicio == QByteArrayLiteral("PK\x03\x04") ||
        inicio == QByteArrayLiteral("PK\x05\x06"))
        return verificaPaquete(ruta, cuenta);
    if (ruta.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive) && TLectorMetadatos::esArchivoMetadatos(ruta))
        return cuenta.sinSello(ruta, QStringLiteral("Es un archivo de metadatos del SAT, no un comprobante."));
    const QByteArray bytes = f.lee();
    if (!f.motivo().isEmpty())
        return cuenta.noVerificable(ruta, f.motivo());
    cuenta.anota(ruta, VerificacionSello::verifica(bytes));
}

QString motivoOmision(TRecorridoXML::TOmision porque)
{
    switch (porque) {
    case TRecorridoXML::TOmision::CarpetaSoloLectura:
        return QStringLiteral("Es una carpeta de solo lectura y, como en la importación, no se entra en ella: no se "
                              "verificó ninguno de sus comprobantes. Indica la carpeta por sí sola para verificar lo "
                              "que contiene.");
    case TRecorridoXML::TOmision::EnlaceCarpeta:
        return QStringLiteral("Es un enlace a otra carpeta y, como en la importación, no se sigue: no se verificó "
                              "ninguno de sus comprobantes. Indica el enlace por sí solo para verificar lo que "
                              "contiene.");
    case TRecorridoXML::TOmision::EnlaceArchivo:
        break;
    }
    return QStringLiteral("Es un enlace a otro archivo y, como en la importación, no se sigue: no se verificó. Indica "
                          "el enlace por sí solo para verificar el archivo.");
}

int verifica(const TOpciones& o)
{
    TCuenta cuenta;
    if (o.guardados()) {
        if (const int salida = ingresa(o))
            return salida;
        // Every stored voucher again from its stored XML, a batch at a time:
        // what the file says now, whatever the import stored then.
        using C = TComprobante;
        int ultimo = -1;
        for (;;) {
            const QList<C> lote = C::primeros(100,
                                              C::columna(C::col_Negocio) == Sistema::Negocio->getIdnegocio() &&
                                                  C::columna(C::col_Idcomprobante) > ultimo,
                                              *Sistema::Conexion);
            for (const C& c : lote)
                if (!cuenta.detenerse())
                    cuenta.anota(c.getUuid(), VerificacionSello::verifica(c.getComprobantexml()));
            if (lote.isEmpty() || cuenta.senal != 0)
                break;
            ultimo = lote.last().getIdcomprobante();
        }
        return cuenta.salida();
    }
    if (o.rutas.isEmpty())
        return usoIncorrecto(QStringLiteral("Falta el archivo o la carpeta de los comprobantes que se verifican."));
    for (const QString& ruta : o.rutas) {
        if (cuenta.detenerse())
            break;
        const QFileInfo info(ruta);
        if (info.isDir()) {
            const int antes = cuenta.lineas();
            // The import's own walk: the same files and packages it would
            // take, and a line for each path it passes over.
            TRecorridoXML(Rutas::comoCarpeta(info.absoluteFilePath()), TRecorridoXML::TArchivos::ConPaquetes)
                .avisaOmitidos([&cuenta](const QString& omitido, TRecorridoXML::TOmision porque) {
                    cuenta.noVerificable(omitido, motivoOmision(porque));
                    return true;
                })
                .recorre(
                    [&cuenta](const QString& archivo) {
                        verificaArchivo(archivo, cuenta);
                        return true;
                    },
                    [&cuenta](const QString& inaccesible, const QString& motivo) {
                        cuenta.noVerificable(inaccesible, motivo);
                        return true;
                    },
                    [&cuenta] { return cuenta.detenerse(); });
            if (cuenta.lineas() == antes && cuenta.senal == 0) {
                escribe(stdout, QStringLiteral("%1: No se encontró ningún comprobante en la carpeta.\n").arg(ruta));
            }
        } else if (info.exists() || info.isSymLink()) {
            verificaArchivo(ruta, cuenta);
        } else {
            escribe(stderr, QStringLiteral("velkor-comprobante: \"%1\" no existe.\n").arg(ruta));
            ++cuenta.otros;
        }
    }
    return cuenta.salida();
}

// Why the PDF may not go to `salida`; empty when it may. A slip of the
// keyboard must not replace the voucher, or any other file, with its PDF.
QString destinoPdf(const QString& salida, const QString& entrada)
{
    struct stat destino {};
    if (salida.endsWith(QLatin1Char('/')) || QFileInfo(salida).isDir())
        return QStringLiteral("\"%1\" es una carpeta; indica el nombre del archivo PDF que se escribe.").arg(salida);
    if (::stat(QFile::encodeName(salida).constData(), &destino) != 0)
        return {};
    struct stat origen {};
    if (!entrada.isEmpty() && ::stat(QFile::encodeName(entrada).constData(), &origen) == 0 &&
        origen.st_dev == destino.st_dev && origen.st_ino == destino.st_ino)
        return QStringLiteral("\"%1\" es el mismo archivo que el comprobante; indica otro nombre para el PDF.")
            .arg(salida);
    const QString otro = QStringLiteral("\"%1\" ya existe y no es un PDF; no se reemplaza. Indica otro nombre para "
                                        "el PDF.")
                             .arg(salida);
    if (!S_ISREG(destino.st_mode))
        return otro;
    TEntrada existente(salida);
    if (destino.st_size > 0 && !existente.inicio(5).startsWith("%PDF-"))
        return otro;
    return {};
}

int pdf(const TOpciones& o)
{
    if (o.salida.isEmpty())
        return usoIncorrecto(QStringLiteral("Falta el archivo PDF que se escribe (--salida ARCHIVO.pdf)."));
    if (const QString motivo = destinoPdf(o.salida, o.rutas.value(0)); !motivo.isEmpty())
        return usoIncorrecto(motivo);
    ImpresionComprobante::TComprobante comprobante;
    if (o.guardados()) {
        if (o.uuid.isEmpty())
            return usoIncorrecto(QStringLiteral("Falta el UUID del comprobante guardado (--uuid UUID)."));
        if (const int salida = ingresa(o))
            return salida;
        const std::unique_ptr<TComprobante> guardado =
            TComprobante::getByUUIDAndNegocio(o.uuid.trimmed().toUpper(), *Sistema::Negocio, *Sistema::Conexion);
        if (!guardado)
            return falla(NoVerificables,
                         QStringLiteral("El negocio %1 no tiene el comprobante %2.").arg(o.rfc, o.uuid.trimmed()));
        comprobante.xml = guardado->getComprobantexml();
        // As the reports print it: with the check stored on import.
        comprobante.verificado =
            VerificacionSello::desdeTexto(guardado->getVerificacionsello(), comprobante.verificacion.estado);
        comprobante.verificacion.motivo = guardado->getMotivoverificacion();
    } else {
        if (o.rutas.isEmpty())
            return usoIncorrecto(QStringLiteral("Falta el archivo XML del comprobante."));
        if (o.rutas.size() > 1)
            return usoIncorrecto(
                QStringLiteral("Se indicó más de un comprobante: %1").arg(o.rutas.join(QStringLiteral(", "))));
        TEntrada f(o.rutas.first());
        if (f.motivo().isEmpty())
            comprobante.xml = f.lee();
        if (!f.motivo().isEmpty())
            return falla(NoVerificables, QStringLiteral("No se pudo leer \"%1\": %2").arg(o.rutas.first(), f.causa()));
        // What cannot be read as a voucher is the input's fault, not the
        // PDF's.
        try {
            TDocumentoXML::desdeBytes(comprobante.xml);
        } catch (const std::exception& e) {
            return falla(NoVerificables,
                         QStringLiteral("No se pudo leer \"%1\": %2").arg(o.rutas.first(), Utils::textoError(e)));
        }
    }
    // So is a well-formed XML that is no voucher of these versions (another
    // SAT document, a CFD 2.0): reading and writing fail apart.
    const QString entrada = o.guardados() ? QStringLiteral("el comprobante %1").arg(o.uuid.trimmed())
                                          : QStringLiteral("\"%1\"").arg(o.rutas.first());
    // Writing's own texts already name the PDF and say why.
    ImpresionComprobante::TArchivoPdf archivo(o.salida);
    QString error;
    if (!archivo.abre(&error))
        return falla(NoVerificables, error);
    if (!archivo.agrega(comprobante, &error))
        return falla(NoVerificables, QStringLiteral("No se pudo leer %1: %2").arg(entrada, error));
    if (!archivo.termina(&error))
        return falla(NoVerificables, error);
    escribe(stdout, QStringLiteral("Se escribió %1.\n").arg(o.salida));
    return Autenticos;
}

} // namespace

QString ayuda()
{
    return QStringLiteral(
        "Uso: velkor-comprobante verifica ARCHIVO|CARPETA...\n"
        "     velkor-comprobante verifica --rfc RFC --correo CORREO\n"
        "     velkor-comprobante pdf ARCHIVO.xml --salida ARCHIVO.pdf\n"
        "     velkor-comprobante pdf --rfc RFC --uuid UUID --correo CORREO --salida ARCHIVO.pdf\n"
        "\n"
        "verifica  comprueba el sello de cada CFDI (3.2, 3.3 y 4.0): el del emisor con el certificado\n"
        "          que trae el comprobante, y el del SAT cuando su certificado está en la carpeta\n"
        "          Certificados/SAT del programa. Las carpetas se recorren con sus subcarpetas, como en la\n"
        "          importación, y se verifica cada comprobante de los paquetes ZIP (los de la descarga\n"
        "          masiva del SAT). Escribe un renglón por archivo, o por paquete › comprobante, con su\n"
        "          resultado (Auténtico, Alterado, Certificado no corresponde o No verificable) y el\n"
        "          motivo, como lo guarda la importación. Las carpetas de solo lectura y los enlaces no se\n"
        "          recorren: cada uno tiene su renglón con el motivo. Los archivos de metadatos del SAT no\n"
        "          tienen sello: su renglón dice Sin sello.\n"
        "pdf       escribe la representación impresa del comprobante, con su código QR, en ARCHIVO.pdf.\n"
        "\n"
        "Con --rfc trabaja sobre los comprobantes guardados en el negocio de ese RFC en esta carpeta del\n"
        "programa: verifica todos desde su XML guardado, o escribe el PDF del de --uuid. CORREO debe ser\n"
        "usuario del negocio; su contraseña se lee de la entrada estándar (sin eco en una terminal).\n"
        "\n"
        "Opciones:\n"
        "  --salida ARCHIVO.pdf   el PDF que escribe la orden pdf\n"
        "  --rfc RFC              el negocio de los comprobantes guardados\n"
        "  --uuid UUID            el comprobante guardado del que se escribe el PDF\n"
        "  --correo CORREO        el usuario del negocio\n"
        "  -h, --help             muestra esta ayuda\n"
        "\n"
        "Estado de salida:\n"
        "  0  todos los comprobantes son auténticos (o se escribió el PDF)\n"
        "  1  algún comprobante está alterado o su certificado no corresponde\n"
        "  2  uso incorrecto\n"
        "  3  ninguno alterado, pero alguno no se verificó: no se pudo leer o verificar, o está en una\n"
        "     carpeta o un enlace que no se recorren (o no se escribió el PDF)\n"
        "  4  el correo o la contraseña no dan acceso al negocio, o no está registrado aquí\n"
        "  130  detenida por una señal (Ctrl-C): escribe lo verificado hasta entonces\n");
}

int ejecuta(const QStringList& argumentos, const QString& carpetaPrograma)
{
    if (QString error; !Rutas::preparaCarpetaPrograma(carpetaPrograma, &error))
        return falla(NoVerificables, error);
    if (argumentos.isEmpty())
        return usoIncorrecto(QStringLiteral("Falta la orden: verifica o pdf."));
    if (argumentos.contains(QStringLiteral("-h")) || argumentos.contains(QStringLiteral("--help")) ||
        argumentos.contains(QStringLiteral("--ayuda"))) {
        escribe(stdout, ayuda());
        return Autenticos;
    }
    TOpciones opciones;
    if (const QString error = interpreta(argumentos, opciones); !error.isEmpty())
        return usoIncorrecto(error);
    if (const QString motivo = RevisionMotor::motivoParaNoIniciar(); !motivo.isEmpty())
        return falla(NoVerificables, motivo);
    // What the graphical program does beside its start, in line: this one
    // ends as soon as its order does, which would cut a walk beside it short.
    Archivos::soloDueno();
    Utils::cierraDatosAnteriores(Rutas::carpetaPrograma());
    Sistema::dbUsuariosSistema = TBaseDatosLocalFrm::archivoRegistro();
    if (TBaseDatosLocalFrm::esLegible(Sistema::dbUsuariosSistema))
        registroLocal().migraCadenas();
    int salida = Uso;
    try {
        if (opciones.orden == QLatin1String("verifica"))
            salida = verifica(opciones);
        else if (opciones.orden == QLatin1String("pdf"))
            salida = pdf(opciones);
        else
            salida = usoIncorrecto(QStringLiteral("Orden desconocida: %1").arg(opciones.orden));
    } catch (const std::exception& e) {
        // The description with its class name is for the log.
        Logmanager::Log(Errores::describe(e), 3, Sistema::exePath);
        salida = falla(NoVerificables, Utils::textoError(e));
    }
    Conexiones::cierraHilo();
    return salida;
}

} // namespace ComprobanteConsola

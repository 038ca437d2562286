#include "ImportacionCarpeta.h"

#include "Constantes.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "TBaseDatosCatalogosFrm.h"
#include "ImportacionMetadatos.h"
#include "PaqueteSat.h"
#include "TImportacionParalela.h"
#include "TLoteImportacion.h"
#include "negocio/TRecorridoXML.h"
#include "TReporteImportacion.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/Utils.h"

#include "ConciliacionSat.h"
#include "Conexiones.h"
#include "Entidades.h"
#include "Archivos.h"
#include "Errores.h"
#include "TNegociosImportacion.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace ImportacionCarpeta {

namespace {

// A package's vouchers go to the threads as its files would, its metadata
// waits for the end of the job, and what is not a voucher gets its row.
bool importaPaquete(const QString& ruta, TImportacionParalela& lote, TImportacionMetadatos& metadatos,
                    const std::function<bool()>& detenerse)
{
    TResultadoArchivo propio;
    propio.ruta = ruta;
    propio.dePaquete = true;
    try {
        const TPaqueteSat paquete(ruta);
        paquete.recorre(
            [&](TEntradaPaquete& entrada) {
                using C = TEntradaPaquete::TClase;
                switch (entrada.clase) {
                case C::Comprobante:
                    lote.importaEntrada(ruta, entrada.nombre, entrada.datos);
                    break;
                case C::Metadatos:
                case C::Terceros:
                    metadatos.agregaEntrada(ruta, entrada);
                    break;
                case C::Omitida:
                case C::Fallida: {
                    TResultadoArchivo fila;
                    fila.ruta = ruta;
                    fila.entrada = entrada.nombre;
                    fila.dePaquete = true;
                    fila.motivo = entrada.motivo;
                    fila.estado = TResultadoArchivo::Omitido;
                    // Logged as a file's error is, naming the entry.
                    if (entrada.clase == C::Fallida)
                        fila = TImportadorXML::inaccesible(fila);
                    lote.agrega(fila);
                    break;
                }
                }
                return true;
            },
            detenerse);
    } catch (const std::exception& e) {
        TResultadoArchivo fila = TImportadorXML::inaccesible(ruta, Utils::textoError(e));
        fila.dePaquete = true;
        lote.agrega(fila);
    }
    return !(detenerse && detenerse());
}

// The reconciliation is one of the reports: a business is in it only for a
// user who holds the reports right there, as in the program.
bool conReportes(const QString& email, const TNegociosImportacion::TNegocioImportado& negocio)
{
    const std::unique_ptr<TUsuario> usuario = TUsuario::getInfoByEmail(email.trimmed(), negocio.conexion);
    const std::unique_ptr<TUsuarionegocio> liga =
        usuario ? TUsuarionegocio::getByUsuarioAndNegocio(*usuario, *negocio.negocio, negocio.conexion) : nullptr;
    return liga &&
           Sistema::getPermisoEn(Constantes::CODIGO_REPORTES, *negocio.negocio, *liga, *usuario, negocio.conexion);
}

} // namespace

TParametrosImportacion parametros(const QString& email, const QString& password)
{
    TParametrosImportacion p;
    p.email = email;
    p.password = password;
    p.plantilla = Utils::bytesRecurso(Constantes::DB_SISTEMA_NOMBRE_RESOURCE, Sistema::exePath);
    p.logo = Utils::bytesRecurso(Constantes::IMG_EMPRESA_DEFAULT, Sistema::exePath);
    // The benchmark measures the import without the seal check in the same
    // program; nobody else sets it.
    p.verificaSellos = !qEnvironmentVariableIsSet("VELKOR_MEDICION_SIN_SELLOS");
    return p;
}

int importa(const QString& raiz, const TParametrosImportacion& parametros, TReporteImportacion& reporte,
            const std::function<bool()>& detenerse, const std::function<void(const TResultadoArchivo&)>& alResultado)
{
    int hechos = 0;
    const auto entrega = [&](const TResultadoArchivo& resultado) {
        reporte.agrega(resultado);
        ++hechos;
        if (alResultado)
            alResultado(resultado);
    };
    TImportacionMetadatos metadatos(registroLocal(), parametros);
    {
        // Its importers hold the lock of each business on a server they
        // met until they are gone, and the metadata goes to those same
        // businesses: they must be gone first.
        TImportacionParalela lote(TImportacionParalela::hilosDeEsteEquipo(), TLoteImportacion::ARCHIVOS_POR_LOTE_MAXIMO,
                                  registroLocal(), BaseDatosCatalogosFrm(), parametros, entrega,
                                  TLoteImportacion::MS_POR_LOTE);
        Logmanager::Log(QStringLiteral("Importación de archivos"), 1, Sistema::exePath);
        TRecorridoXML(raiz, TRecorridoXML::TArchivos::ConPaquetes)
            .recorre(
                [&](const QString& ruta) {
                    if (TPaqueteSat::esPaquete(ruta))
                        return importaPaquete(ruta, lote, metadatos, detenerse);
                    if (ruta.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive))
                        metadatos.agregaArchivo(ruta);
                    else
                        lote.importa(ruta);
                    return true;
                },
                [&](const QString& ruta, const QString& motivo) {
                    lote.agrega(TImportadorXML::inaccesible(ruta, motivo));
                    return true;
                },
                detenerse);
        // What was taken before a stop is kept: its batch is committed.
        lote.confirma(detenerse);
    }
    metadatos.importa(entrega, detenerse);
    return hechos;
}

int cuenta(const QString& raiz, const std::function<bool()>& detenerse)
{
    int total = 0;
    TRecorridoXML(raiz, TRecorridoXML::TArchivos::ConPaquetes)
        .recorre(
            [&](const QString& ruta) {
                total += TPaqueteSat::esPaquete(ruta) ? TPaqueteSat::filas(ruta) : 1;
                return true;
            },
            [&](const QString&, const QString&) {
                ++total;
                return true;
            },
            detenerse);
    return total;
}

QString destinoConciliacion(const QString& archivoCsv, const QString& entrada)
{
    const QFileInfo destino(archivoCsv);
    if (archivoCsv.endsWith(QLatin1Char('/')) || destino.isDir())
        return QStringLiteral("\"%1\" es una carpeta; indica el nombre del archivo CSV de la conciliación.")
            .arg(archivoCsv);
    if (!destino.exists())
        return {};
    if (!entrada.isEmpty() && destino.canonicalFilePath() == QFileInfo(entrada).canonicalFilePath())
        return QStringLiteral("\"%1\" es el archivo que se importa; indica otro nombre para la conciliación.")
            .arg(archivoCsv);
    // A comma-separated text, as a conciliation written before; never an
    // XML, a package or anything else a slip of the keyboard would replace.
    QByteArray inicio;
    if (destino.isFile()) {
        const int descriptor = ::open(QFile::encodeName(archivoCsv).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (descriptor >= 0) {
            inicio.resize(512);
            const ssize_t leidos = ::read(descriptor, inicio.data(), size_t(inicio.size()));
            inicio.truncate(leidos > 0 ? int(leidos) : 0);
            ::close(descriptor);
        }
        if (inicio.startsWith("\xEF\xBB\xBF"))
            inicio.remove(0, 3);
    }
    const QByteArray linea = inicio.left(inicio.indexOf('\n'));
    if (destino.isFile() && destino.size() == 0)
        return {};
    if (!destino.isFile() || inicio.contains('\0') || inicio.trimmed().startsWith('<') || !linea.contains(','))
        return QStringLiteral("\"%1\" ya existe y no es un CSV; no se reemplaza. Indica otro nombre para la "
                              "conciliación.")
            .arg(archivoCsv);
    return {};
}

TConciliacion escribeConciliacion(const QString& archivoCsv, const QString& email, const QString& password)
{
    if (const QString motivo = destinoConciliacion(archivoCsv, QString()); !motivo.isEmpty())
        throw EEntradaSalida(motivo);
    TConciliacion resultado;
    resultado.porTipo = QList<int>(4, 0);
    TNegociosImportacion negocios(registroLocal(), email, password, QByteArray(), QByteArray());
    // The system's error number, read as soon as a call fails: Qt's own
    // texts are English. A failure Qt found without a system call has none.
    const auto falla = [&archivoCsv](int error) {
        return EEntradaSalida(QStringLiteral("No se pudo escribir la conciliación en %1: %2.")
                                  .arg(archivoCsv, Errores::delSistema(error)));
    };
    // Written whole or not at all: a stop half way leaves the last one.
    QSaveFile contenido(archivoCsv);
    if (!contenido.open(QIODevice::WriteOnly) ||
        !contenido.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        throw falla(errno);
    ConciliacionSat::escribeCsv(contenido, {}, true);
    const QStringList registradas = registroLocal().getEmpresasDetalle();
    const QSet<QString> rfcsRegistrados = registroLocal().rfcs();
    for (const QString& fila : registradas) {
        const QString rfc = fila.section(QLatin1Char('|'), 0, 0).trimmed().toUpper();
        if (rfc.isEmpty())
            continue;
        const TNegociosImportacion::TNegocioImportado* negocio = nullptr;
        try {
            negocio = negocios.existente(rfc);
        } catch (const std::exception& e) {
            resultado.omitidos << rfc + QStringLiteral(": ") + Utils::textoError(e);
            continue;
        }
        if (!negocio)
            continue;
        if (!conReportes(email, *negocio)) {
            resultado.omitidos << rfc + QStringLiteral(": No tienes permiso para usar los reportes de este negocio.");
            continue;
        }
        const QList<THallazgoSat> hallazgos =
            ConciliacionSat::hallazgos(rfc, negocio->negocio->id(), negocio->conexion, rfcsRegistrados);
        ConciliacionSat::escribeCsv(contenido, hallazgos, false);
        const QList<int> cuentas = ConciliacionSat::cuentaPorTipo(hallazgos);
        for (int i = 0; i < cuentas.size(); ++i)
            resultado.porTipo[i] += cuentas.at(i);
        resultado.hallazgos += hallazgos.size();
        ++resultado.negocios;
    }
    Conexiones::cierraHilo();
    if (!Archivos::termina(contenido))
        throw falla(errno);
    return resultado;
}

QString textoConciliacion(const TConciliacion& c, const QString& archivoCsv)
{
    QString texto = QStringLiteral("Conciliación con los metadatos del SAT de %1 negocios: %2 cancelados, %3 sin XML, "
                                   "%4 sin metadatos, %5 con importe distinto.\nEstá en: %6")
                        .arg(c.negocios)
                        .arg(c.porTipo.value(0))
                        .arg(c.porTipo.value(1))
                        .arg(c.porTipo.value(2))
                        .arg(c.porTipo.value(3))
                        .arg(archivoCsv);
    if (!c.omitidos.isEmpty())
        texto += QStringLiteral("\nNo se incluyeron estos negocios:\n  ") + c.omitidos.join(QStringLiteral("\n  "));
    return texto;
}

QStringList empresasRegistradas()
{
    QStringList empresas;
    for (const QString& fila : registroLocal().getEmpresasDetalle()) {
        const QStringList partes = fila.split(QLatin1Char('|'));
        empresas << partes.value(0) + QLatin1Char('|') + partes.value(1);
    }
    return empresas;
}

QStringList empresasCreadas(const QStringList& antes, const QStringList& despues)
{
    QSet<QString> conocidas;
    for (const QString& fila : antes)
        conocidas.insert(fila.section(QLatin1Char('|'), 0, 0));
    QStringList creadas;
    for (const QString& fila : despues) {
        const QString rfc = fila.section(QLatin1Char('|'), 0, 0);
        if (!conocidas.contains(rfc))
            creadas << rfc + QStringLiteral(" – ") + fila.section(QLatin1Char('|'), 1);
    }
    return creadas;
}

QString textoEmpresasCreadas(const QStringList& creadas)
{
    if (creadas.isEmpty())
        return QString();
    const QString encabezado =
        creadas.size() == 1
            ? QStringLiteral("Se creó 1 empresa nueva con el RFC de su emisor; entra a ella con tu correo y "
                             "contraseña:")
            : QStringLiteral("Se crearon %1 empresas nuevas con el RFC de sus emisores; entra a ellas con tu "
                             "correo y contraseña:")
                  .arg(creadas.size());
    return encabezado + QStringLiteral("\n  ") + creadas.join(QStringLiteral("\n  "));
}

} // namespace ImportacionCarpeta

double TRitmoImportacion::porSegundo(int hechos) const
{
    return hechos / (qMax<qint64>(1, m_reloj.elapsed()) / 1000.0);
}

qint64 TRitmoImportacion::segundosRestantes(int hechos, int total) const
{
    const double ritmo = porSegundo(hechos);
    if (hechos <= 0 || ritmo <= 0 || total < hechos)
        return -1;
    return static_cast<qint64>((total - hechos) / ritmo + 0.5);
}

QString TRitmoImportacion::duracion(qint64 segundos)
{
    return QStringLiteral("%1:%2:%3")
        .arg(segundos / 3600)
        .arg((segundos / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(segundos % 60, 2, 10, QLatin1Char('0'));
}

QString TRitmoImportacion::texto(int hechos, int total) const
{
    const qint64 restantes = segundosRestantes(hechos, total);
    return QStringLiteral("%1 archivos/s").arg(porSegundo(hechos), 0, 'f', 0) +
           (restantes < 0 ? QString() : QStringLiteral(" · faltan ") + duracion(restantes));
}

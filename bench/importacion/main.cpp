// The import at scale: a corpus made from the repository's real vouchers
// (every stamped one the import stores, in equal shares, fresh UUIDs, nested
// folders, about 5 % malformed, duplicate or unsupported files; --pequeno:
// five plain invoices instead) imported by velkor-importar into fresh
// program folders, against two limits: parsing alone, and the raw limit (the
// same rows loaded in one transaction per business, without savepoints,
// copies or duplicate checks).
#include "ServidoresBaseDatos.h"
#include "Archivos.h"
#include "Cfdi.h"
#include "CitaSql.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "DocumentoXML.h"
#include "Errores.h"
#include "Esquema.h"
#include "import/GuardadoComprobante.h"
#include "Rutas.h"
#include "Sistema.h"
#include "TBaseDatosCatalogosFrm.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "TCacheCatalogos.h"
#include "import/TNegociosImportacion.h"
#include "negocio/TArchivoZip.h"
#include "negocio/TRecorridoXML.h"
#include "negocio/TSenalesTerminacion.h"
#include "negocio/Utils.h"
#include "negocio/VolcadoNegocio.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const QString PROGRAMA = QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/");
const QString MUESTRAS = QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/");
const QString CORREO = QStringLiteral("bench@velkor.mx");

// Every stamped real voucher of the repository that the import stores, in
// equal shares: invoices of one to seven lines, 3.2, 3.3 and 4.0, payroll
// (1.1 and 1.2 with compensation), local taxes, retail detail, from nine
// issuers (one with "&" in its RFC). Real folders look like this.
const QStringList IMPORTABLES = {
    QStringLiteral("cfdi.xml"),
    QStringLiteral("cfdi32-real.xml"),
    QStringLiteral("cfdi33-real.xml"),
    QStringLiteral("cfdi33-valid.xml"),
    QStringLiteral("cfdi40-nomina-compensacion-valid.xml"),
    QStringLiteral("cfdi40-real.xml"),
    QStringLiteral("cfdv32-ejemplo.xml"),
    QStringLiteral("cfdv32-instituciones-educativas.xml"),
    QStringLiteral("cfdv32-nomina.xml"),
    QStringLiteral("cfdv33-signed-tfd.xml"),
    QStringLiteral("detallista-example.xml"),
    QStringLiteral("h&e951128469_ingreso_iva16_stamped.xml"),
    QStringLiteral("impuestos-locales-retenidos.xml"),
};
// The small corpus of earlier figures (--pequeno): five plain invoices of
// five issuers.
const QStringList IMPORTABLES_PEQUENO = {QStringLiteral("cfdi40-real.xml"), QStringLiteral("cfdi32-real.xml"),
                                         QStringLiteral("cfdi33-valid.xml"), QStringLiteral("cfdi33-real.xml"),
                                         QStringLiteral("h&e951128469_ingreso_iva16_stamped.xml")};
// Files the import passes over: no supported version, or no stamp.
const QStringList NO_SOPORTADOS = {QStringLiteral("cfdv2.xml"), QStringLiteral("retenciones20.xml")};

QByteArray lee(const QString& ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void escribe(const QString& ruta, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(ruta).absolutePath());
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw EEntradaSalida(QStringLiteral("No se pudo escribir %1").arg(ruta));
}

// The UUID of the stamp of a sample, the text to replace.
QByteArray uuidDelTimbre(const QByteArray& bytes)
{
    // Inside the stamp's own tag: a related voucher's UUID comes earlier.
    const QRegularExpression patron(QStringLiteral("<[^>]*TimbreFiscalDigital[^>]*\\sUUID=\"([0-9A-Fa-f-]{36})\""));
    return patron.match(QString::fromUtf8(bytes)).captured(1).toUtf8();
}

struct TCorpus {
    int archivos = 0;
    int malformados = 0;
    int duplicados = 0;
    int noSoportados = 0;
};

// The issuer's RFC of a sample as its bytes write it.
QByteArray rfcDelEmisor(const QByteArray& bytes)
{
    const TDocumentoXML documento = TDocumentoXML::desdeBytes(bytes);
    const QString rfc = Cfdi::rfcEmisor(documento.raiz(), Cfdi::versionPorUbicacion(documento));
    return rfc.toUtf8().replace("&", "&amp;");
}

// The issuers among the samples.
int distintos(const QStringList& importables)
{
    QSet<QByteArray> rfcs;
    for (const QString& nombre : importables)
        rfcs.insert(rfcDelEmisor(lee(MUESTRAS + nombre)));
    return int(rfcs.size());
}

// Seconds to read and parse every file under `carpeta` on one thread: what
// the import cannot go below on one core.
double soloLectura(const QString& carpeta)
{
    QElapsedTimer reloj;
    reloj.start();
    int analizados = 0;
    TRecorridoXML(carpeta).recorre([&](const QString& ruta) {
        try {
            const TDocumentoXML documento = TDocumentoXML::desdeBytes(lee(ruta));
            analizados += documento.raiz().nombre().isEmpty() ? 0 : 1;
        } catch (const std::exception&) {
        }
        return true;
    });
    return analizados > 0 ? reloj.elapsed() / 1000.0 : 0.0;
}

// The j-th of many issuers.
QByteArray rfcNumero(int j)
{
    return QStringLiteral("VKB%1A1B").arg(j, 6, 10, QLatin1Char('0')).toLatin1();
}

// `total` files under `carpeta`, ten folders of ten folders. With
// `emisores`, the storable files are spread over that many issuers, one
// after the other (file i is issuer i % emisores): every file meets another
// business than the one before.
TCorpus creaCorpus(const QString& carpeta, int total, const QStringList& importables, int emisores = 0)
{
    QList<QPair<QByteArray, QByteArray>> muestras;
    QList<QByteArray> rfcs;
    for (const QString& nombre : importables) {
        const QByteArray bytes = lee(MUESTRAS + nombre);
        muestras.append({bytes, uuidDelTimbre(bytes)});
        rfcs.append(rfcDelEmisor(bytes));
    }
    TCorpus corpus;
    QString anterior;
    for (int i = 0; i < total; ++i) {
        const QString ruta = QStringLiteral("%1/d%2/s%3/f%4.xml").arg(carpeta).arg(i % 10).arg((i / 10) % 10).arg(i);
        if (i % 100 == 37 || i % 100 == 81) { // malformed: cut short
            const QByteArray& bytes = muestras.at(i % muestras.size()).first;
            escribe(ruta, bytes.left(bytes.size() / 2));
            ++corpus.malformados;
        } else if ((i % 100 == 53 || i % 100 == 97) && !anterior.isEmpty()) { // the same voucher again
            escribe(ruta, lee(anterior));
            ++corpus.duplicados;
        } else if (i % 100 == 13) {
            escribe(ruta, lee(MUESTRAS + NO_SOPORTADOS.at((i / 100) % NO_SOPORTADOS.size())));
            ++corpus.noSoportados;
        } else {
            const auto& muestra = muestras.at(i % muestras.size());
            QByteArray bytes = muestra.first;
            bytes.replace(muestra.second, QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toLatin1());
            if (emisores > 0)
                bytes.replace(rfcs.at(i % muestras.size()), rfcNumero(i % emisores));
            escribe(ruta, bytes);
            anterior = ruta;
        }
        ++corpus.archivos;
    }
    return corpus;
}

// A program folder as after the first start, with velkor-importar in it;
// its other parts those of `partes`.
QString creaCarpetaPrograma(const QString& ruta, const QString& importador = PROGRAMA, const QString& partes = PROGRAMA)
{
    QDir().mkpath(ruta + QStringLiteral("/db"));
    QFile::link(partes + QStringLiteral("Motor"), ruta + QStringLiteral("/Motor"));
    QFile::link(partes + Constantes::RS_PATH, ruta + QLatin1Char('/') + Constantes::RS_PATH);
    QFile::link(partes + QStringLiteral("db/CFDCAT.DB"), ruta + QStringLiteral("/db/CFDCAT.DB"));
    QFile::link(partes + QStringLiteral("Xslt"), ruta + QStringLiteral("/Xslt"));
    QFile::copy(importador + QStringLiteral("velkor-importar"), ruta + QStringLiteral("/velkor-importar"));
    // Its own build's libraries, found beside it before the build folder's.
    QFile::link(importador + QStringLiteral("Lib"), ruta + QStringLiteral("/Lib"));
    return ruta + QLatin1Char('/');
}

struct TCorrida {
    int salida = -1;
    double segundos = 0;
    long memoriaKb = 0;
    QString resumen;
    QString tiempos; // where each thread's time went, as the log says
};

// Runs velkor-importar of `programa` over `corpus`, the password through a
// pipe, and measures its time and its peak resident memory.
TCorrida importa(const QString& programa, const QString& corpus, const QString& servidor = QString())
{
    const QByteArray ejecutable = QFile::encodeName(programa + QStringLiteral("velkor-importar"));
    const QByteArray salidaArchivo = QFile::encodeName(programa + QStringLiteral("resumen.txt"));
    const QByteArray carpeta = QFile::encodeName(corpus);
    int tubo[2];
    if (::pipe(tubo) != 0)
        throw EEntradaSalida(QStringLiteral("pipe"));
    posix_spawn_file_actions_t acciones;
    posix_spawn_file_actions_init(&acciones);
    posix_spawn_file_actions_adddup2(&acciones, tubo[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&acciones, tubo[1]);
    posix_spawn_file_actions_addopen(&acciones, STDOUT_FILENO, salidaArchivo.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawnattr_t atributos;
    posix_spawnattr_init(&atributos);
    sigset_t ninguna;
    sigemptyset(&ninguna);
    posix_spawnattr_setsigmask(&atributos, &ninguna);
    posix_spawnattr_setflags(&atributos, POSIX_SPAWN_SETSIGMASK);
    const QByteArray correo = CORREO.toUtf8();
    const QByteArray url = servidor.toUtf8();
    char* argumentos[] = {const_cast<char*>(ejecutable.constData()),
                          const_cast<char*>(carpeta.constData()),
                          const_cast<char*>("--correo"),
                          const_cast<char*>(correo.constData()),
                          servidor.isEmpty() ? nullptr : const_cast<char*>("--servidor"),
                          const_cast<char*>(url.constData()),
                          nullptr};
    QElapsedTimer reloj;
    reloj.start();
    pid_t pid = 0;
    const int error = posix_spawn(&pid, ejecutable.constData(), &acciones, &atributos, argumentos, environ);
    posix_spawn_file_actions_destroy(&acciones);
    posix_spawnattr_destroy(&atributos);
    ::close(tubo[0]);
    if (error != 0) {
        ::close(tubo[1]);
        throw EEntradaSalida(QStringLiteral("No se pudo iniciar %1").arg(QString::fromLocal8Bit(ejecutable)));
    }
    const char contrasena[] = "Bench#1\n";
    if (::write(tubo[1], contrasena, sizeof contrasena - 1) < 0)
        std::perror("write");
    ::close(tubo[1]);
    int estado = 0;
    rusage uso{};
    ::wait4(pid, &estado, 0, &uso);
    TCorrida corrida;
    corrida.segundos = reloj.elapsed() / 1000.0;
    corrida.salida = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
    corrida.memoriaKb = uso.ru_maxrss;
    corrida.resumen = QString::fromUtf8(lee(QString::fromLocal8Bit(salidaArchivo))).trimmed();
    const QString marca = QStringLiteral("Tiempos de la importación: ");
    const QString log = QString::fromUtf8(lee(programa + QStringLiteral("Velkor.log")));
    if (const qsizetype i = log.lastIndexOf(marca); i >= 0)
        corrida.tiempos = log.mid(i + marca.size())
                              .section(QLatin1Char('\n'), 0, 0)
                              .replace(QStringLiteral("; "), QStringLiteral("\n  "));
    return corrida;
}

QByteArray recurso(const QString& nombre)
{
    const std::unique_ptr<QBuffer> bytes = Utils::getResource(nombre, Sistema::exePath);
    return bytes ? bytes->data() : QByteArray();
}

// The raw limit, in this process: every storable voucher of the corpus (the
// first of each UUID) through the same mapping and savers, one transaction
// per business database, committed once at the end; no copy is written.
double limite(const QString& programa, const QString& corpus, int& guardados)
{
    Rutas::fijaCarpetaPrograma(programa);
    Sistema::dbUsuariosSistema = TBaseDatosLocalFrm::archivoRegistro();
    Archivos::creaPrivado(Sistema::dbUsuariosSistema, recurso(Constantes::RS_USRDB));
    TNegociosImportacion negocios(registroLocal(), CORREO, QStringLiteral("Bench#1"),
                                  recurso(Constantes::DB_SISTEMA_NOMBRE_RESOURCE),
                                  recurso(Constantes::IMG_EMPRESA_DEFAULT));
    TCacheCatalogos catalogos;
    QHash<QString, std::shared_ptr<TTransaccion>> transacciones;
    QSet<QString> vistos;
    guardados = 0;
    QElapsedTimer reloj;
    reloj.start();
    TRecorridoXML(corpus).recorre([&](const QString& ruta) {
        try {
            const TDocumentoXML documento = TDocumentoXML::desdeArchivo(ruta);
            const QString version = Cfdi::versionPorUbicacion(documento);
            if (version.isEmpty())
                return true;
            const QString uuid = Cfdi::uuid(documento.raiz()).toUpper();
            const QString rfc = Cfdi::rfcEmisor(documento.raiz(), version).toUpper();
            if (!Cfdi::uuidValido(uuid) || !Cfdi::rfcValido(rfc) || vistos.contains(rfc + uuid))
                return true;
            const auto& negocio = negocios.negocio(rfc, [&] {
                TNegociosImportacion::TEmisor emisor;
                emisor.nombre = documento.raiz().hijoPropio("Emisor").atributo("Nombre");
                return emisor;
            });
            std::shared_ptr<TTransaccion>& transaccion = transacciones[negocio.conexion.getDatabase()];
            if (!transaccion)
                transaccion = std::make_shared<TTransaccion>(negocio.conexion);
            GuardadoComprobante::guarda(
                documento, version,
                {*negocio.negocio, negocio.conexion, -1, BaseDatosCatalogosFrm(), catalogos, uuid,
                 Rutas::une(Constantes::FACTURAS_PATH, {rfc, Constantes::XML_PATH, uuid + QStringLiteral(".xml")})});
            vistos.insert(rfc + uuid);
            ++guardados;
        } catch (const std::exception&) {
            // Malformed: the import reports it; the limit passes it over.
        }
        return true;
    });
    for (const auto& transaccion : std::as_const(transacciones))
        transaccion->commit();
    const double segundos = reloj.elapsed() / 1000.0;
    transacciones.clear();
    Conexiones::cierraHilo();
    return segundos;
}

// The engine's own limit: the rows the import wrote into each business of
// `programa`, read back and loaded again into an empty copy of its schema
// with one prepared INSERT per table and a row per execution, one
// transaction per business: what the import would take if storing cost
// nothing but the engine's work. Seconds of the loads only.
double limiteMotor(const QString& programa, qint64& filas)
{
    Rutas::fijaCarpetaPrograma(programa);
    Sistema::dbUsuariosSistema = TBaseDatosLocalFrm::archivoRegistro();
    double segundos = 0;
    filas = 0;
    int n = 0;
    // Parents before children, as their foreign keys ask.
    const QList<const TTabla*> orden = VolcadoNegocio::ordenCarga();
    for (const QString& empresa : registroLocal().getEmpresas()) {
        const QString rfc = empresa.section(QLatin1Char('|'), 0, 0);
        TConexionSesion origen;
        Utils::evaluaConexion(origen, registroLocal().getEmpresaDetalle(rfc).value(2));
        QList<QPair<const TTabla*, QList<QVariantList>>> datos;
        for (const TTabla* tabla : orden) {
            const TTabla& t = *tabla;
            QStringList columnas;
            for (const TColumna& c : t.columnas)
                columnas << Esquema::cita(c.nombre);
            QSqlQuery q(Conexiones::baseDatos(origen));
            q.setForwardOnly(true);
            if (!q.exec(QStringLiteral("SELECT %1 FROM %2").arg(columnas.join(u','), Esquema::cita(t.nombre))))
                continue; // a step this business never needed
            QList<QVariantList> leidas;
            while (q.next()) {
                QVariantList fila;
                for (int i = 0; i < columnas.size(); ++i)
                    fila << q.value(i);
                leidas << fila;
            }
            datos.append({&t, leidas});
        }
        Conexiones::cierra(origen);

        const QString archivo = QStringLiteral("%1/motor-%2.fdb").arg(programa).arg(++n);
        Archivos::creaPrivado(archivo, recurso(Constantes::DB_SISTEMA_NOMBRE_RESOURCE));
        const TConexionSesion destino = TConexionSesion::embebida(archivo, programa);
        Esquema::completaTodo(destino);
        QSqlDatabase db = Conexiones::baseDatos(destino);
        // What the template brings goes first, children before parents.
        for (auto it = datos.crbegin(); it != datos.crend(); ++it)
            QSqlQuery(db).exec(QStringLiteral("DELETE FROM %1").arg(Esquema::cita(it->first->nombre)));
        QElapsedTimer reloj;
        reloj.start();
        db.transaction();
        for (const auto& [tabla, leidas] : std::as_const(datos)) {
            if (leidas.isEmpty())
                continue;
            QStringList columnas;
            for (const TColumna& c : tabla->columnas)
                columnas << Esquema::cita(c.nombre);
            QSqlQuery insercion(db);
            insercion.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                  .arg(Esquema::cita(tabla->nombre), columnas.join(u','),
                                       QStringList(columnas.size(), QStringLiteral("?")).join(u',')));
            for (const QVariantList& fila : leidas) {
                for (int i = 0; i < fila.size(); ++i)
                    insercion.bindValue(i, fila.at(i));
                if (!insercion.exec())
                    throw EBaseDatos(QStringLiteral("%1: %2").arg(tabla->nombre, insercion.lastError().text()));
                ++filas;
            }
        }
        db.commit();
        segundos += reloj.elapsed() / 1000.0;
        db = QSqlDatabase(); // the connection is removed next, and must not be in use
        Conexiones::cierra(destino);
    }
    Conexiones::cierraHilo();
    return segundos;
}

// The corpus as the SAT would deliver it: one ZIP package per top folder
// (a thousand vouchers each for the usual sizes), the same files.
QString creaPaquetes(const QString& corpus, const QString& destino)
{
    QDir().mkpath(destino);
    for (const QFileInfo& carpeta : QDir(corpus).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        TArchivoZip::comprime(QStringLiteral("%1/%2.zip").arg(destino, carpeta.fileName()), carpeta.absoluteFilePath(),
                              QString(), QString(), TArchivoZip::TCifrado::Ninguno);
    return destino;
}

QString cifra(double valor)
{
    return QLocale(QLocale::English).toString(valor, 'f', 0);
}

// Three rounds, each running both programs, the first of a round taking
// the other's place in the next.
void comparaCon(const QString& otro, const QString& corpus, int total, const QTemporaryDir& trabajo)
{
    double este = 0;
    double aquel = 0;
    for (int ronda = 0; ronda < 3; ++ronda) {
        for (int turno = 0; turno < 2; ++turno) {
            const bool propio = (ronda + turno) % 2 == 0;
            const QString carpeta = trabajo.filePath(QStringLiteral("%1%2").arg(propio ? u'a' : u'b').arg(ronda));
            const TCorrida corrida = importa(creaCarpetaPrograma(carpeta, propio ? PROGRAMA : otro), corpus);
            std::printf("Ronda %d, %s: %.2f s, %s archivos/s, salida %d\n", ronda + 1,
                        propio ? "este velkor-importar" : "el de la otra carpeta", corrida.segundos,
                        qPrintable(cifra(total / corrida.segundos)), corrida.salida);
            std::fflush(stdout);
            std::printf("  %s\n", qPrintable(corrida.tiempos));
            (propio ? este : aquel) += corrida.segundos;
        }
    }
    std::printf("Este / el de la otra carpeta (archivos por segundo, las tres rondas): %.2f\n", aquel / este);
}

// The same corpus imported twice into one program folder: the second run
// finds every voucher already stored, which is what an accountant's re-run
// of a folder of tens of thousands of files does.
void reimporta(const QString& corpus, int total, const QTemporaryDir& trabajo)
{
    const QString programa = creaCarpetaPrograma(trabajo.filePath(QStringLiteral("r")));
    const TCorrida primera = importa(programa, corpus);
    std::printf("Primera importación, %d archivos: %.2f s, %s archivos/s, salida %d\n", total, primera.segundos,
                qPrintable(cifra(total / primera.segundos)), primera.salida);
    std::fflush(stdout);
    const TCorrida otra = importa(programa, corpus);
    std::printf("Otra vez la misma carpeta (todo ya guardado): %.2f s, %s archivos/s, %.2f ms por archivo, memoria "
                "máxima %.1f MB, salida %d\n",
                otra.segundos, qPrintable(cifra(total / otra.segundos)), otra.segundos * 1000.0 / total,
                otra.memoriaKb / 1024.0, otra.salida);
    std::printf("  %s\n", qPrintable(QString(otra.resumen).replace(QLatin1Char('\n'), QStringLiteral("\n  "))));
    std::printf("Tiempos de cada hilo:\n  %s\n", qPrintable(otra.tiempos));
}

// `total` copies of one invoice of one issuer under `carpeta`, each with a
// fresh UUID and its first line's description numbered: a product no other
// file sells, beside the second line's, the same on every file. The seals
// no longer verify; the import stores such a voucher all the same.
void creaCorpusProductos(const QString& carpeta, int total)
{
    const QByteArray bytes = lee(MUESTRAS + QStringLiteral("cfdi40-real.xml"));
    const QByteArray uuid = uuidDelTimbre(bytes);
    const QByteArray atributo = "Descripcion=\"";
    const qsizetype cierre = bytes.indexOf('"', bytes.indexOf(atributo) + atributo.size());
    for (int i = 0; i < total; ++i) {
        QByteArray copia = bytes;
        copia.insert(cierre, " " + QByteArray::number(i));
        copia.replace(uuid, QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toLatin1());
        escribe(QStringLiteral("%1/d%2/f%3.xml").arg(carpeta).arg(i % 10).arg(i), copia);
    }
}

// A business selling ever new products: the peak memory of jobs of a
// hundredth, a tenth and all of `total` such files, into one business
// whose database stays open, so what each further product costs the job.
// The first tens of MB of the peak are the owner's password hash, made
// when the business is created and let go at once.
void productos(int total, const QTemporaryDir& trabajo, const QString& importador)
{
    // The resources and the SAT catalogue copied once: a build running
    // meanwhile rewrites the build folder's own under a long job.
    const QString partes = trabajo.filePath(QStringLiteral("partes/"));
    QDir().mkpath(partes + QStringLiteral("db"));
    QFile::link(PROGRAMA + QStringLiteral("Motor"), partes + QStringLiteral("Motor"));
    QFile::link(PROGRAMA + QStringLiteral("Xslt"), partes + QStringLiteral("Xslt"));
    QFile::copy(PROGRAMA + Constantes::RS_PATH, partes + Constantes::RS_PATH);
    QFile::copy(PROGRAMA + QStringLiteral("db/CFDCAT.DB"), partes + QStringLiteral("db/CFDCAT.DB"));
    QList<QPair<int, TCorrida>> corridas;
    for (const int archivos : {total / 100, total / 10, total}) {
        if (archivos < 1 || (!corridas.isEmpty() && corridas.last().first == archivos))
            continue;
        const QString corpus = trabajo.filePath(QStringLiteral("productos-%1").arg(archivos));
        creaCorpusProductos(corpus, archivos);
        const TCorrida corrida = importa(
            creaCarpetaPrograma(trabajo.filePath(QStringLiteral("q%1").arg(archivos)), importador, partes), corpus);
        QDir(corpus).removeRecursively();
        std::printf("%d productos distintos (un archivo cada uno): %.2f s, memoria máxima %.1f MB, salida %d\n",
                    archivos, corrida.segundos, corrida.memoriaKb / 1024.0, corrida.salida);
        std::printf("  %s\n", qPrintable(QString(corrida.resumen).replace(QLatin1Char('\n'), QStringLiteral("\n  "))));
        std::fflush(stdout);
        corridas.append({archivos, corrida});
    }
    if (corridas.size() > 1) {
        const auto& [menos, chica] = corridas.at(corridas.size() - 2);
        const auto& [mas, grande] = corridas.last();
        std::printf("Memoria por producto más, de %d a %d: %.2f KB\n", menos, mas,
                    double(grande.memoriaKb - chica.memoriaKb) / double(mas - menos));
    }
}

} // namespace

int main(int argc, char** argv)
{
    TSenalesTerminacion::bloquea();
    QCoreApplication app(argc, argv);
    QStringList numeros = QCoreApplication::arguments().mid(1);
    // --pequeno: the small corpus; --sin-servidores: the embedded figures
    // only (a server row takes longer than all the rest).
    const bool pequenoCorpus = numeros.removeAll(QStringLiteral("--pequeno")) > 0;
    const bool sinServidores = numeros.removeAll(QStringLiteral("--sin-servidores")) > 0;
    // --reimportacion: only the corpus imported, then imported again.
    const bool reimportacion = numeros.removeAll(QStringLiteral("--reimportacion")) > 0;
    // --productos: only files each selling a product of its own, a
    // hundredth, a tenth and all of them (with --comparar, by the other
    // build's velkor-importar).
    const bool conProductos = numeros.removeAll(QStringLiteral("--productos")) > 0;
    // --comparar CARPETA: only this build's velkor-importar against the one
    // of another build folder, over the same corpus, taking turns, so a
    // change is measured against the machine's mood of the moment.
    QString otro;
    if (const qsizetype i = numeros.indexOf(QStringLiteral("--comparar")); i >= 0 && i + 1 < numeros.size()) {
        otro = QDir(numeros.at(i + 1)).absolutePath() + QLatin1Char('/');
        numeros.remove(i, 2);
    }
    const QStringList& importables = pequenoCorpus ? IMPORTABLES_PEQUENO : IMPORTABLES;
    const int total = numeros.size() > 0 ? numeros.at(0).toInt() : 10000;
    // Issuers of the storable files; 0 keeps the samples' own.
    const int emisores = numeros.size() > 1 ? numeros.at(1).toInt() : 0;
    const int pequeno = qMin(1000, total);
    QTemporaryDir trabajo;
    // For profiling by hand: the corpus and program folders stay.
    if (qEnvironmentVariableIsSet("VELKOR_BENCH_CONSERVA")) {
        trabajo.setAutoRemove(false);
        std::printf("Carpeta de trabajo: %s\n", qPrintable(trabajo.path()));
    }
    try {
        if (conProductos) {
            productos(total, trabajo, otro.isEmpty() ? PROGRAMA : otro);
            Conexiones::apagaMotor();
            return 0;
        }
        QElapsedTimer reloj;
        reloj.start();
        const QString corpus = trabajo.filePath(QStringLiteral("corpus"));
        const QString corpusPequeno = trabajo.filePath(QStringLiteral("corpus-pequeno"));
        const TCorpus hecho = creaCorpus(corpus, total, importables, emisores);
        creaCorpus(corpusPequeno, pequeno, importables, emisores);
        std::printf("Corpus: %d archivos (%d malformados, %d duplicados, %d no soportados), %d emisores, hecho en "
                    "%.1f s\n",
                    hecho.archivos, hecho.malformados, hecho.duplicados, hecho.noSoportados,
                    emisores > 0 ? emisores : distintos(importables), reloj.elapsed() / 1000.0);
        std::fflush(stdout);
        const double lectura = soloLectura(corpus);
        std::printf("Solo la lectura (cada archivo leído y analizado, un hilo): %.2f s, %s archivos/s\n", lectura,
                    qPrintable(cifra(total / lectura)));
        std::fflush(stdout);

        if (!otro.isEmpty()) {
            comparaCon(otro, corpus, total, trabajo);
            Conexiones::apagaMotor();
            return 0;
        }
        if (reimportacion) {
            reimporta(corpus, total, trabajo);
            Conexiones::apagaMotor();
            return 0;
        }

        const TCorrida chica = importa(creaCarpetaPrograma(trabajo.filePath(QStringLiteral("p1"))), corpusPequeno);
        // The same import without the seal check, in the same run: the
        // check's cost is their ratio.
        qputenv("VELKOR_MEDICION_SIN_SELLOS", "1");
        const TCorrida sinSellos = importa(creaCarpetaPrograma(trabajo.filePath(QStringLiteral("p0"))), corpus);
        qunsetenv("VELKOR_MEDICION_SIN_SELLOS");
        const TCorrida grande = importa(creaCarpetaPrograma(trabajo.filePath(QStringLiteral("p2"))), corpus);
        std::printf("velkor-importar, %d archivos: %.2f s, %s archivos/s, salida %d\n", total, grande.segundos,
                    qPrintable(cifra(total / grande.segundos)), grande.salida);
        std::printf("  %s\n", qPrintable(QString(grande.resumen).replace(QLatin1Char('\n'), QStringLiteral("\n  "))));
        std::printf("Tiempos de cada hilo:\n  %s\n", qPrintable(grande.tiempos));
        std::printf("Sin verificar sellos: %.2f s, %s archivos/s, memoria máxima %.1f MB; con verificación / sin "
                    "ella: %.2f\n",
                    sinSellos.segundos, qPrintable(cifra(total / sinSellos.segundos)), sinSellos.memoriaKb / 1024.0,
                    sinSellos.segundos / grande.segundos);
        const QString paquetes = creaPaquetes(corpus, trabajo.filePath(QStringLiteral("paquetes")));
        const TCorrida empacados = importa(creaCarpetaPrograma(trabajo.filePath(QStringLiteral("p4"))), paquetes);
        std::printf("Los mismos %d archivos en %d paquetes ZIP: %.2f s, %s archivos/s, memoria máxima %.1f MB, "
                    "salida %d; paquetes / carpeta: %.2f\n",
                    total, int(QDir(paquetes).entryList(QDir::Files).size()), empacados.segundos,
                    qPrintable(cifra(total / empacados.segundos)), empacados.memoriaKb / 1024.0, empacados.salida,
                    grande.segundos / empacados.segundos);
        std::printf("  %s\n",
                    qPrintable(QString(empacados.resumen).replace(QLatin1Char('\n'), QStringLiteral("\n  "))));

        // The limit holds a transaction open on every business to the end:
        // with many issuers it would hold every database open.
        if (emisores <= TNegociosImportacion::ABIERTOS) {
            int guardados = 0;
            const double segundos =
                limite(creaCarpetaPrograma(trabajo.filePath(QStringLiteral("p3"))), corpus, guardados);
            std::printf("Límite (los mismos %d comprobantes, una transacción, sin copias): %.2f s, %s archivos/s\n",
                        guardados, segundos, qPrintable(cifra(total / segundos)));
            std::printf("Proporción velkor-importar / límite: %.2f\n", segundos / grande.segundos);
            qint64 filas = 0;
            const double motor = limiteMotor(trabajo.filePath(QStringLiteral("p3")), filas);
            std::printf("Límite del motor (las mismas %lld filas, un INSERT preparado por fila, una transacción por "
                        "negocio): %.2f s, %s archivos/s; velkor-importar / motor: %.2f\n",
                        filas, motor, qPrintable(cifra(total / motor)), motor / grande.segundos);
        }
        std::printf("Memoria máxima: %d archivos %.1f MB; %d archivos %.1f MB (%.2f veces)\n", pequeno,
                    chica.memoriaKb / 1024.0, total, grande.memoriaKb / 1024.0,
                    chica.memoriaKb > 0 ? double(grande.memoriaKb) / chica.memoriaKb : 0.0);

        // The same corpus with the businesses on a server of the bench's
        // own, one after the other, beside the embedded figure above.
        for (const auto tipo : {TServidorBaseDatos::Tipo::MariaDB, TServidorBaseDatos::Tipo::Firebird}) {
            if (sinServidores)
                break;
            const char* nombre = tipo == TServidorBaseDatos::Tipo::MariaDB ? "MariaDB" : "Firebird (servidor)";
            if (const QString falta = TServidorBaseDatos::faltante(tipo); !falta.isEmpty()) {
                std::printf("%s: no se midió (%s)\n", nombre, qPrintable(falta));
                continue;
            }
            TServidorBaseDatos servidor(tipo);
            if (!servidor.inicia()) {
                std::printf("%s: no arrancó (%s)\n", nombre, qPrintable(servidor.error()));
                continue;
            }
            qputenv("VELKOR_CLAVE_SERVIDOR", servidor.password().toUtf8());
            const QString url =
                tipo == TServidorBaseDatos::Tipo::MariaDB
                    ? QStringLiteral("mysql://%1@127.0.0.1:%2").arg(servidor.usuario()).arg(servidor.puerto())
                    : QStringLiteral("firebird://%1@127.0.0.1:%2%3")
                          .arg(servidor.usuario())
                          .arg(servidor.puerto())
                          .arg(servidor.carpeta());
            const TCorrida enServidor =
                importa(creaCarpetaPrograma(trabajo.filePath(QStringLiteral("s%1").arg(int(tipo)))), corpus, url);
            std::printf("%s, los mismos %d archivos: %.2f s, %s archivos/s, salida %d; servidor / embebido: %.2f\n",
                        nombre, total, enServidor.segundos, qPrintable(cifra(total / enServidor.segundos)),
                        enServidor.salida, grande.segundos / enServidor.segundos);
            std::fflush(stdout);
            servidor.detiene();
        }
        Conexiones::apagaMotor();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", qPrintable(Errores::describe(e)));
        Conexiones::apagaMotor();
        return 1;
    }
    return 0;
}

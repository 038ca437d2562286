// Build-time generator of the SAT catalogue database: every CSV of the SAT
// folder becomes a table of an embedded Firebird database, which is written
// as the program folder's installed catalogue and packed as the archive the
// catalogue download serves.
// Usage: generacatalogo <CSV folder> <program folder> <catalogue .DB> <archive .zip>
#include "Conexiones.h"
#include "Constantes.h"
#include "Errores.h"
#include "Rutas.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <cstdio>

#include <ibase.h>
#include <zip.h>

namespace {

// Entry name inside the archive: the name the download extracts and installs.
const char* const ENTRADA_ARCHIVO = "CFDCAT.db";

// Firebird 3 object names hold at most 31 bytes.
constexpr int LARGO_NOMBRE = 31;

// Keys and look-up indexes of the tables the address panel and the postal-code
// look-ups read. Other tables are loaded without keys: nothing searches them.
struct TIndices {
    QString tabla;
    QStringList clave;
    QList<QStringList> indices;
};

const QList<TIndices>& indicesConocidos()
{
    static const QList<TIndices> lista = {
        {QStringLiteral("CODIGOPOSTAL"),
         {QStringLiteral("CODIGO_POSTAL")},
         {{QStringLiteral("ESTADO"), QStringLiteral("MUNICIPIO")},
          {QStringLiteral("ESTADO"), QStringLiteral("LOCALIDAD")}}},
        {QStringLiteral("COLONIA"), {QStringLiteral("CODIGO_POSTAL"), QStringLiteral("COLONIA")}, {}},
        {QStringLiteral("ESTADO"), {QStringLiteral("ESTADO")}, {{QStringLiteral("PAIS")}}},
        {QStringLiteral("MUNICIPIO"), {QStringLiteral("ESTADO"), QStringLiteral("MUNICIPIO")}, {}},
        {QStringLiteral("LOCALIDAD"), {QStringLiteral("ESTADO"), QStringLiteral("LOCALIDAD")}, {}},
        {QStringLiteral("PAIS"), {QStringLiteral("PAIS")}, {}},
        {QStringLiteral("REGIMENFISCAL"), {QStringLiteral("REGIMEN")}, {}},
    };
    return lista;
}

struct TCsv {
    QString tabla;
    QStringList columnas;
    QList<QStringList> filas;
    QList<int> largos; // characters of the longest value per column
};

// One line of RFC 4180 text without line breaks inside fields.
QStringList partesLinea(const QString& linea, const QString& archivo, int numero)
{
    QStringList campos;
    QString campo;
    bool entreComillas = false;
    for (int i = 0; i < linea.size(); ++i) {
        const QChar c = linea.at(i);
        if (entreComillas) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < linea.size() && linea.at(i + 1) == QLatin1Char('"')) {
                    campo += c;
                    ++i;
                } else {
                    entreComillas = false;
                }
            } else {
                campo += c;
            }
        } else if (c == QLatin1Char('"')) {
            entreComillas = true;
        } else if (c == QLatin1Char(',')) {
            campos << campo;
            campo.clear();
        } else {
            campo += c;
        }
    }
    if (entreComillas)
        throw EConversion(QStringLiteral("%1, línea %2: comillas sin cerrar").arg(archivo).arg(numero));
    campos << campo;
    return campos;
}

// "c_RegimenFiscal_cfdi33" gives REGIMENFISCAL_CFDI33.
QString nombreTabla(const QString& archivo)
{
    QString base = QFileInfo(archivo).completeBaseName();
    if (base.startsWith(QLatin1String("c_"), Qt::CaseInsensitive))
        base = base.mid(2);
    return base.toUpper();
}

// Upper-case header names, cut to the engine's limit; a cut name that clashes
// with another gets a number at its end.
QStringList nombresColumnas(const QStringList& encabezado)
{
    QStringList nombres;
    QSet<QString> usados;
    for (const QString& original : encabezado) {
        QString nombre = original.trimmed().toUpper();
        if (nombre.toUtf8().size() > LARGO_NOMBRE)
            nombre = nombre.left(LARGO_NOMBRE);
        for (int n = 2; usados.contains(nombre); ++n) {
            const QString sufijo = QString::number(n);
            nombre = original.trimmed().toUpper().left(LARGO_NOMBRE - sufijo.size()) + sufijo;
        }
        usados.insert(nombre);
        nombres << nombre;
    }
    return nombres;
}

TCsv leeCsv(const QString& archivo)
{
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly))
        throw EEntradaSalida(QStringLiteral("No se pudo leer %1").arg(archivo));
    QString texto = QString::fromUtf8(f.readAll());
    if (texto.startsWith(QChar(0xFEFF)))
        texto.remove(0, 1);
    const QStringList lineas = texto.split(QLatin1Char('\n'));
    TCsv csv;
    csv.tabla = nombreTabla(archivo);
    int numero = 0;
    for (QString linea : lineas) {
        ++numero;
        if (linea.endsWith(QLatin1Char('\r')))
            linea.chop(1);
        if (linea.isEmpty())
            continue;
        const QStringList campos = partesLinea(linea, archivo, numero);
        if (csv.columnas.isEmpty()) {
            csv.columnas = nombresColumnas(campos);
            csv.largos = QList<int>(campos.size(), 1);
            continue;
        }
        if (campos.size() != csv.columnas.size())
            throw EConversion(QStringLiteral("%1, línea %2: %3 campos, se esperaban %4")
                                  .arg(archivo)
                                  .arg(numero)
                                  .arg(campos.size())
                                  .arg(csv.columnas.size()));
        for (int i = 0; i < campos.size(); ++i)
            csv.largos[i] = qMax(csv.largos.at(i), int(campos.at(i).size()));
        csv.filas << campos;
    }
    if (csv.columnas.isEmpty())
        throw EConversion(QStringLiteral("%1 no tiene encabezado").arg(archivo));
    return csv;
}

void ejecuta(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw EBaseDatos(QStringLiteral("%1: %2").arg(sql, q.lastError().text()));
}

QString lista(const QStringList& columnas)
{
    QStringList citadas;
    for (const QString& c : columnas)
        citadas << QLatin1Char('"') + c + QLatin1Char('"');
    return citadas.join(QLatin1String(", "));
}

// Empty fields are stored as NULL, so "no municipality" is a missing join and
// not a municipality with an empty key.
void cargaTabla(QSqlDatabase& db, const TCsv& csv)
{
    QStringList clave;
    for (const TIndices& indices : indicesConocidos()) {
        if (indices.tabla == csv.tabla)
            clave = indices.clave;
    }
    QStringList definiciones;
    for (int i = 0; i < csv.columnas.size(); ++i)
        definiciones << QStringLiteral("\"%1\" VARCHAR(%2)%3")
                            .arg(csv.columnas.at(i))
                            .arg(csv.largos.at(i))
                            .arg(clave.contains(csv.columnas.at(i)) ? QStringLiteral(" NOT NULL") : QString());
    ejecuta(db, QStringLiteral("CREATE TABLE \"%1\" (%2)").arg(csv.tabla, definiciones.join(QLatin1String(", "))));

    if (!db.transaction())
        throw EBaseDatos(QStringLiteral("No se pudo iniciar la carga de %1: %2").arg(csv.tabla, db.lastError().text()));
    QSqlQuery insercion(db);
    const QString marcas = QStringList(csv.columnas.size(), QStringLiteral("?")).join(QLatin1String(", "));
    if (!insercion.prepare(
            QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)").arg(csv.tabla, lista(csv.columnas), marcas)))
        throw EBaseDatos(QStringLiteral("%1: %2").arg(csv.tabla, insercion.lastError().text()));
    for (const QStringList& fila : csv.filas) {
        for (int i = 0; i < fila.size(); ++i)
            insercion.bindValue(i,
                                fila.at(i).isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(fila.at(i)));
        if (!insercion.exec()) {
            const QString error = insercion.lastError().text();
            db.rollback();
            throw EBaseDatos(QStringLiteral("%1, fila %2: %3").arg(csv.tabla, fila.join(QLatin1Char(',')), error));
        }
    }
    insercion.finish();
    if (!db.commit())
        throw EBaseDatos(QStringLiteral("No se pudo guardar %1: %2").arg(csv.tabla, db.lastError().text()));

    // Keys and indexes after the rows: building them once is cheaper than
    // keeping them up to date row by row.
    for (const TIndices& indices : indicesConocidos()) {
        if (indices.tabla != csv.tabla)
            continue;
        ejecuta(db, QStringLiteral("ALTER TABLE \"%1\" ADD CONSTRAINT \"%2\" PRIMARY KEY (%3)")
                        .arg(csv.tabla, (QStringLiteral("PK_") + csv.tabla).left(LARGO_NOMBRE), lista(indices.clave)));
        int n = 0;
        for (const QStringList& columnas : indices.indices) {
            const QString nombre = QStringLiteral("IX_%1_%2").arg(csv.tabla.left(LARGO_NOMBRE - 6)).arg(++n);
            ejecuta(db, QStringLiteral("CREATE INDEX \"%1\" ON \"%2\" (%3)").arg(nombre, csv.tabla, lista(columnas)));
        }
    }
}

QString textoEstado(const ISC_STATUS* estado)
{
    QString texto;
    char bufer[512];
    const ISC_STATUS* p = estado;
    while (fb_interpret(bufer, sizeof bufer, &p))
        texto += QString::fromLocal8Bit(bufer) + QLatin1Char(' ');
    return texto.trimmed();
}

// Sets one attribute of the database file through the engine's own call: the
// data-access layer has no way to pass it.
void fijaAtributo(const QString& archivo, char atributo, bool valor)
{
    QByteArray dpb(1, char(isc_dpb_version1));
    const auto agrega = [&](char parametro, const QByteArray& dato) {
        dpb.append(parametro);
        dpb.append(char(dato.size()));
        dpb.append(dato);
    };
    agrega(isc_dpb_user_name, Constantes::DB_USER.toUtf8());
    agrega(isc_dpb_password, Constantes::DB_PASSWORD.toUtf8());
    agrega(atributo, QByteArray(1, valor ? 1 : 0));
    const QByteArray ruta = QFile::encodeName(QFileInfo(archivo).absoluteFilePath());
    ISC_STATUS_ARRAY estado;
    isc_db_handle db = 0;
    if (isc_attach_database(estado, 0, ruta.constData(), &db, short(dpb.size()), dpb.constData()))
        throw EBaseDatos(QStringLiteral("No se pudo abrir %1: %2").arg(archivo, textoEstado(estado)));
    isc_detach_database(estado, &db);
}

void reemplaza(const QString& temporal, const QString& destino)
{
    QFile::remove(destino);
    if (!QFile::rename(temporal, destino))
        throw EEntradaSalida(QStringLiteral("No se pudo escribir %1").arg(destino));
}

void generaBaseDatos(const QString& carpetaCsv, const QString& programa, const QString& destino)
{
    const QStringList archivos = QDir(carpetaCsv).entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name);
    if (archivos.isEmpty())
        throw EEntradaSalida(QStringLiteral("No hay catálogos CSV en %1").arg(carpetaCsv));

    const QString temporal = destino + QStringLiteral(".%1.tmp").arg(QCoreApplication::applicationPid());
    QFile::remove(temporal);
    Conexiones::creaBaseDatos(temporal, programa);
    // Forced writes make the engine wait for the disk at every page it writes;
    // the load runs without them.
    fijaAtributo(temporal, isc_dpb_force_write, false);
    const TConexionSesion conexion = TConexionSesion::embebida(temporal, programa);
    try {
        QSqlDatabase db = Conexiones::baseDatos(conexion);
        for (const QString& archivo : archivos) {
            QElapsedTimer reloj;
            reloj.start();
            const TCsv csv = leeCsv(QDir(carpetaCsv).filePath(archivo));
            cargaTabla(db, csv);
            std::printf("  %-22s %7lld filas  %6lld ms\n", qPrintable(csv.tabla), qlonglong(csv.filas.size()),
                        qlonglong(reloj.elapsed()));
        }
    } catch (...) {
        Conexiones::cierra(conexion);
        QFile::remove(temporal);
        throw;
    }
    Conexiones::cierra(conexion);
    // Read-only: reading never changes the file, so a downloaded catalogue
    // equal to the installed one compares equal byte for byte, and any number
    // of processes may read it.
    fijaAtributo(temporal, isc_dpb_force_write, true);
    fijaAtributo(temporal, isc_dpb_set_db_readonly, true);
    reemplaza(temporal, destino);
}

QString errorZip(zip_t* zip)
{
    return QString::fromLocal8Bit(zip_strerror(zip));
}

void generaArchivo(const QString& baseDatos, const QString& destino)
{
    const QString temporal = destino + QStringLiteral(".%1.tmp").arg(QCoreApplication::applicationPid());
    QFile::remove(temporal);
    int codigo = 0;
    zip_t* zip = zip_open(QFile::encodeName(temporal).constData(), ZIP_CREATE | ZIP_TRUNCATE, &codigo);
    if (!zip)
        throw EEntradaSalida(QStringLiteral("No se pudo crear %1 (error %2)").arg(temporal).arg(codigo));
    zip_source_t* fuente = zip_source_file(zip, QFile::encodeName(baseDatos).constData(), 0, -1);
    zip_int64_t indice = fuente ? zip_file_add(zip, ENTRADA_ARCHIVO, fuente, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) : -1;
    if (indice < 0) {
        const QString error = errorZip(zip);
        if (fuente)
            zip_source_free(fuente);
        zip_discard(zip);
        throw EEntradaSalida(QStringLiteral("No se pudo agregar %1 al archivo: %2").arg(baseDatos, error));
    }
    zip_set_file_compression(zip, static_cast<zip_uint64_t>(indice), ZIP_CM_DEFLATE, 9);
    if (zip_close(zip) != 0) {
        const QString error = errorZip(zip);
        zip_discard(zip);
        QFile::remove(temporal);
        throw EEntradaSalida(QStringLiteral("No se pudo escribir %1: %2").arg(temporal, error));
    }
    reemplaza(temporal, destino);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Progress lines reach the build log as they happen, also through a pipe.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr,
                     "uso: generacatalogo <carpeta CSV> <carpeta del programa> <catálogo .DB> <archivo .zip>\n");
        return 2;
    }
    const QString carpetaCsv = QDir(args.at(1)).absolutePath();
    const QString programa = Rutas::comoCarpeta(QDir(args.at(2)).absolutePath());
    const QString baseDatos = QFileInfo(args.at(3)).absoluteFilePath();
    const QString archivo = QFileInfo(args.at(4)).absoluteFilePath();
    try {
        QElapsedTimer reloj;
        reloj.start();
        QDir().mkpath(QFileInfo(baseDatos).absolutePath());
        QDir().mkpath(QFileInfo(archivo).absolutePath());
        generaBaseDatos(carpetaCsv, programa, baseDatos);
        const qint64 carga = reloj.elapsed();
        generaArchivo(baseDatos, archivo);
        std::printf("Catálogo: %s (%lld KiB) en %lld ms; archivo %s (%lld KiB) en %lld ms\n", qPrintable(baseDatos),
                    QFileInfo(baseDatos).size() / 1024, carga, qPrintable(archivo), QFileInfo(archivo).size() / 1024,
                    reloj.elapsed() - carga);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", qPrintable(Errores::describe(e)));
        return 1;
    }
    return 0;
}

#include "CarpetaPrograma.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Entidades.h"
#include "Esquema.h"
#include "NegocioPrueba.h"
#include "Prompter.h"
#include "RegistroPrueba.h"
#include "Reloj.h"
#include "ServidoresBaseDatos.h"
#include "Sistema.h"
#include "ZonaHoraria.h"
#include "admin/TEdicionEmpresa.h"
#include "negocio/SecretoNegocio.h"
#include "negocio/TArchivoZip.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TIngreso.h"
#include "negocio/TNuevoNegocio.h"
#include "negocio/VolcadoNegocio.h"
#include "setup/TRespaldo.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace Constantes;
using namespace Qt::StringLiterals;
using Respaldo::TResultado;
using VolcadoNegocio::EVolcado;

namespace {

const QString RFC = NegocioPrueba::RFC_ESCUELA;
const QString EMAIL = u"dueno@escuela.mx"_s;
const QString PASSWORD = u"Volcado#1"_s;
const QString MAXIMO = u"999999999999.999999"_s;
// A text that holds every character the format escapes, and the very text
// that stands for NULL.
const QString TEXTO_ESCAPADO = u"Panadería Ñandú y Cía.\t«pan»\nsegunda línea\r\\ barra \\N"_s;

// A value as the comparison shows it: its type said, so that NULL, an empty
// text and 0 never pass for each other.
QString muestra(const TColumna& columna, const QVariant& valor)
{
    if (valor.isNull())
        return u"NULL"_s;
    switch (columna.tipo) {
    case TTipoColumna::Decimal:
        return u"dec:"_s + valor.value<TDecimal>().texto();
    case TTipoColumna::Texto:
        return u"txt:"_s + valor.toString();
    case TTipoColumna::Fecha:
        return valor.toDate().toString(Qt::ISODate);
    case TTipoColumna::FechaHora:
        return valor.toDateTime().toString(u"yyyy-MM-ddTHH:mm:ss.zzz"_s);
    case TTipoColumna::Binario:
        return u"bin:%1:"_s.arg(valor.toByteArray().size()) +
               QString::fromLatin1(QCryptographicHash::hash(valor.toByteArray(), QCryptographicHash::Sha256).toHex());
    default:
        return u"num:"_s + QString::number(valor.toLongLong());
    }
}

// Every row of every table of the schema, by table.
QMap<QString, QStringList> contenido(const TConexionSesion& conexion)
{
    QMap<QString, QStringList> tablas;
    for (const TTabla& tabla : Esquema::tablas()) {
        QStringList& filas = tablas[tabla.nombre];
        TPersistencia::busca(tabla, TCondicion(), conexion, TOrden(), [&](const QVector<QVariant>& valores) {
            QStringList campos;
            for (int i = 0; i < valores.size(); ++i)
                campos << tabla.columnas.at(i).nombre + u'=' + muestra(tabla.columnas.at(i), valores.at(i));
            filas << campos.join(u" | "_s);
        });
    }
    return tablas;
}

void comparaContenido(const QMap<QString, QStringList>& obtenido, const QMap<QString, QStringList>& esperado)
{
    QCOMPARE(obtenido.keys(), esperado.keys());
    for (auto it = esperado.cbegin(); it != esperado.cend(); ++it) {
        const QStringList filas = obtenido.value(it.key());
        QVERIFY2(filas.size() == it.value().size(),
                 qPrintable(u"%1: %2 filas en lugar de %3"_s.arg(it.key()).arg(filas.size()).arg(it.value().size())));
        for (int i = 0; i < filas.size(); ++i)
            QVERIFY2(filas.at(i) == it.value().at(i),
                     qPrintable(u"%1, fila %2:\n  obtenida %3\n  esperada %4"_s.arg(it.key()).arg(i).arg(
                         filas.at(i), it.value().at(i))));
    }
}

// A restored business: the same rows, but its secret and its key password
// are written again under the restoring installation's key (and stamped),
// so those two tables are compared by their number of rows.
void comparaRestaurado(QMap<QString, QStringList> obtenido, QMap<QString, QStringList> esperado)
{
    for (const QString& tabla : {u"NEGOCIO"_s, u"CERTIFICADO"_s}) {
        QCOMPARE(obtenido.value(tabla).size(), esperado.value(tabla).size());
        obtenido.remove(tabla);
        esperado.remove(tabla);
    }
    comparaContenido(obtenido, esperado);
}

qint64 totalFilas(const TConexionSesion& conexion)
{
    qint64 total = 0;
    for (const TTabla& tabla : Esquema::tablas())
        total += TPersistencia::cuenta(tabla, TCondicion(), conexion);
    return total;
}

QByteArray bytesDePrueba()
{
    QByteArray bytes;
    for (int i = 0; i < 300 * 256; ++i)
        bytes += char(i);
    return bytes;
}

// What a business keeps that a copy could lose: amounts a double cannot
// hold, a blob, NULL beside an empty text, texts with accents and the
// characters the format escapes, a date-time with milliseconds, and a
// product whose parent was stored after it (a reference to a later key of
// its own table).
void llena(const TConexionSesion& conexion)
{
    const TUnidadTrabajo unidad(conexion, 1);
    const auto negocio = std::make_shared<TNegocio>(TNegocio::busca(TCondicion(), conexion).first());

    TComprobante grande;
    grande.setUuid(u"6F1C2A4B-1D2E-4F3A-9B8C-7D6E5F4A3B2C"_s);
    grande.setNegocio(negocio);
    grande.setVersion(TDecimal::desdeTexto(u"4.0"_s));
    grande.setSubtotal(TDecimal::desdeTexto(u"0.10"_s));
    grande.setTotal(TDecimal::desdeTexto(MAXIMO));
    grande.setDescuentogeneral(TDecimal::desdeTexto(u"-0.000001"_s));
    grande.setSerie(QString(""));
    grande.setNombreemisor(TEXTO_ESCAPADO);
    grande.setNombrereceptor(u"Jesús Muñoz Ávila"_s);
    grande.setComprobantexml(bytesDePrueba());
    grande.setFechaemision(QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58, 123)));
    grande.setFechacancelacion(QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
    TComprobante::saveOrUpdate(grande, unidad);

    TComprobante pequeno;
    pequeno.setUuid(u"0A1B2C3D-4E5F-4061-8273-948596A7B8C9"_s);
    pequeno.setNegocio(negocio);
    pequeno.setTotal(TDecimal::desdeTexto(u"0.10"_s));
    pequeno.setMotivoverificacion(u"\\N"_s);
    // An hour Tijuana's clock skips into daylight saving (idaYVuelta runs in
    // that zone): stored as written, never as NULL.
    pequeno.setFechaemision(Reloj::deReloj(QDate(2024, 3, 10), QTime(2, 30)));
    pequeno = TComprobante::saveOrUpdate(pequeno, unidad);

    TConcepto hijo;
    hijo.setDescripcion(u"Café de olla"_s);
    hijo.setNegocio(negocio);
    hijo = TConcepto::saveOrUpdate(hijo, unidad);
    TConcepto padre;
    padre.setDescripcion(u"Bebidas calientes"_s);
    padre.setNegocio(negocio);
    padre = TConcepto::saveOrUpdate(padre, unidad);
    hijo.setConceptoPadre(padre);
    hijo = TConcepto::saveOrUpdate(hijo, unidad);

    TComprobanteconcepto linea;
    linea.setIdcomprobante(pequeno);
    linea.setIdconcepto(hijo);
    linea.setCantidad(TDecimal::desdeTexto(u"3"_s));
    linea.setPreciounitario(TDecimal::desdeTexto(u"0.033333"_s));
    linea.setDescripcion(u"Café de olla, jarro"_s);
    TComprobanteconcepto::saveOrUpdate(linea, unidad);

    // More units than the writer reads at once, so that it goes on from
    // where each batch ended.
    {
        TTransaccion lote(conexion);
        for (int i = 0; i < 450; ++i) {
            TUnidadmedida unidadMedida;
            unidadMedida.setNombreunidadmedida(u"Unidad %1 ñ"_s.arg(i));
            TUnidadmedida::saveOrUpdate(unidadMedida, unidad);
        }
        lote.commit();
    }

    TMetadatosat metadatos;
    metadatos.setNegocio(negocio);
    metadatos.setUuid(u"0A1B2C3D-4E5F-4061-8273-948596A7B8C9"_s);
    metadatos.setMonto(TDecimal::desdeTexto(MAXIMO));
    metadatos.setNombreemisor(u"Señora Peña"_s);
    TMetadatosat::saveOrUpdate(metadatos, unidad);
}

// A business of `programa`, its registry written first, filled by llena().
TConexionSesion negocioLleno(const TCarpetaPrograma& programa)
{
    NegocioPrueba::creaRegistro(programa);
    const TConexionSesion conexion = NegocioPrueba::crea(RFC, EMAIL, PASSWORD);
    llena(conexion);
    return conexion;
}

void escribeVolcado(const TConexionSesion& conexion, const QString& archivo, const VolcadoNegocio::TAvance& avance = {})
{
    QFile salida(archivo);
    QVERIFY(salida.open(QIODevice::WriteOnly | QIODevice::Truncate));
    VolcadoNegocio::escribe(conexion, salida, avance);
}

VolcadoNegocio::TResumen cargaVolcado(const QString& archivo, const TConexionSesion& conexion,
                                      const VolcadoNegocio::TAvance& avance = {})
{
    QFile entrada(archivo);
    if (!entrada.open(QIODevice::ReadOnly))
        throw EEntradaSalida(archivo);
    return VolcadoNegocio::carga(entrada, conexion, avance);
}

// What a VolcadoNegocio::TAvance heard, as (done, total); it answers false
// once `hasta` reports were heard.
struct TAvancesOidos {
    QList<QPair<qint64, qint64>> oidos;
    int hasta = -1;
    VolcadoNegocio::TAvance avance()
    {
        return [this](qint64 hechas, qint64 total) {
            oidos.append({hechas, total});
            return oidos.size() != hasta;
        };
    }
};

// Reports from 0 up to `total`, each further than the one before and in
// another thousandth, so that a window hears of each step once and not of
// every row.
void revisaAvances(const QList<QPair<qint64, qint64>>& oidos, qint64 total)
{
    QVERIFY(total > 0);
    QVERIFY(oidos.size() >= 2);
    QCOMPARE(oidos.first().first, 0);
    QCOMPARE(oidos.last().first, total);
    QVERIFY(oidos.size() <= 1001);
    for (qsizetype i = 0; i < oidos.size(); ++i) {
        QCOMPARE(oidos.at(i).second, total);
        if (i > 0) {
            QVERIFY2(oidos.at(i).first > oidos.at(i - 1).first, qPrintable(QString::number(i)));
            QVERIFY(oidos.at(i).first * 1000 / total > oidos.at(i - 1).first * 1000 / total ||
                    oidos.at(i).first == total);
        }
    }
}

// What a restore told its window, in its order.
QList<Respaldo::TAvance> avancesDe(const QList<Respaldo::TAvance>& oidos, const QString& paso)
{
    QList<Respaldo::TAvance> delPaso;
    for (const Respaldo::TAvance& a : std::as_const(oidos))
        if (a.paso == paso)
            delPaso << a;
    return delPaso;
}

// A step of a restore or a backup: thousandths from 0 up to 1000, each
// further than the one before, and its last count `final`; without one,
// "12,000 de 12,000": every row counted was copied.
void revisaPaso(const QList<Respaldo::TAvance>& avances, const QString& final = {})
{
    QVERIFY(avances.size() >= 2);
    QCOMPARE(avances.first().milesimas, 0);
    QCOMPARE(avances.last().milesimas, 1000);
    for (qsizetype i = 1; i < avances.size(); ++i)
        QVERIFY2(avances.at(i).milesimas > avances.at(i - 1).milesimas, qPrintable(QString::number(i)));
    const QString cuenta = avances.last().cuenta;
    if (!final.isEmpty()) {
        QCOMPARE(cuenta, final);
        return;
    }
    const QRegularExpressionMatch partes = QRegularExpression(u"^([0-9,]+) de ([0-9,]+)$"_s).match(cuenta);
    QVERIFY2(partes.hasMatch(), qPrintable(cuenta));
    QCOMPARE(partes.captured(1), partes.captured(2));
    QVERIFY(partes.captured(1) != u"0"_s);
}

// The dump's lines changed by `cambia` (which may drop a line by emptying
// it), with its closing line written again for what is left: a dump as
// another version of the program would write it.
QByteArray reescribe(const QByteArray& volcado, const std::function<void(QByteArrayList&)>& cambia)
{
    QByteArrayList lineas = volcado.split('\n');
    lineas.removeLast(); // after the last "\n"
    lineas.removeLast(); // the closing line
    cambia(lineas);
    QByteArray cuerpo;
    int tablas = 0;
    qint64 filas = 0;
    for (const QByteArray& l : std::as_const(lineas)) {
        if (l.isEmpty())
            continue;
        cuerpo += l + '\n';
        if (l.startsWith("fin-tabla\t")) {
            ++tablas;
            filas += l.split('\t').at(2).toLongLong();
        }
    }
    return cuerpo + "fin\t" + QByteArray::number(tablas) + '\t' + QByteArray::number(filas) + '\t' +
           QCryptographicHash::hash(cuerpo, QCryptographicHash::Sha256).toHex() + '\n';
}

// Drops one column of one table: its header entry and its value in each row.
void quitaColumna(QByteArrayList& lineas, const QByteArray& tabla, const QByteArray& columna)
{
    qsizetype posicion = -1;
    bool dentro = false;
    for (QByteArray& l : lineas) {
        QByteArrayList campos = l.split('\t');
        if (campos.at(0) == "tabla") {
            dentro = campos.at(1) == tabla;
            if (!dentro)
                continue;
            // Counted from the first column, which a row's first value matches.
            for (qsizetype i = 2; i < campos.size(); ++i)
                if (campos.at(i).startsWith(columna + ':'))
                    posicion = i - 2;
            campos.removeAt(posicion + 2);
        } else if (dentro && campos.at(0) == "fila") {
            campos.removeAt(posicion + 1);
        } else {
            continue;
        }
        l = campos.join('\t');
    }
}

// Drops one table with its rows.
void quitaTabla(QByteArrayList& lineas, const QByteArray& tabla)
{
    bool dentro = false;
    for (QByteArray& l : lineas) {
        if (l.startsWith("tabla\t"))
            dentro = l.split('\t').at(1) == tabla;
        const bool cierre = l.startsWith("fin-tabla\t");
        if (dentro)
            l.clear();
        if (cierre)
            dentro = false;
    }
}

// The fields of the first row of `tabla` in a dump, by column name.
QMap<QString, QByteArray> primeraFila(const QByteArray& volcado, const QByteArray& tabla)
{
    QByteArrayList columnas;
    for (const QByteArray& l : volcado.split('\n')) {
        const QByteArrayList campos = l.split('\t');
        if (campos.at(0) == "tabla" && campos.at(1) == tabla) {
            columnas = campos.mid(2);
        } else if (!columnas.isEmpty() && campos.at(0) == "fila") {
            QMap<QString, QByteArray> fila;
            for (qsizetype i = 0; i < columnas.size(); ++i)
                fila.insert(QString::fromUtf8(columnas.at(i).split(':').at(0)), campos.value(i + 1));
            return fila;
        }
    }
    return {};
}

QStringList restosRestauracion(const TCarpetaPrograma& programa)
{
    return QDir(programa.ruta()).entryList({u".restauracion-*"_s}, QDir::AllEntries | QDir::Hidden) +
           QDir(programa.archivo(DB_PATH)).entryList({u".*"_s}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// One row for each kind of server, after one for another embedded database
// (-1) when `conEmbebida`.
void filasServidores(bool conEmbebida = false)
{
    QTest::addColumn<int>("servidor");
    if (conEmbebida)
        QTest::newRow("otra base embebida") << -1;
    QTest::newRow("MariaDB") << int(TServidorBaseDatos::Tipo::MariaDB);
    QTest::newRow("servidor Firebird") << int(TServidorBaseDatos::Tipo::Firebird);
}

// The server of the row, started; null when the test was skipped or failed.
std::unique_ptr<TServidorBaseDatos> servidorDeLaFila()
{
    QFETCH(int, servidor);
    if (const QString motivo = TServidorBaseDatos::faltante(TServidorBaseDatos::Tipo(servidor)); !motivo.isEmpty()) {
        QTest::qSkip(qPrintable(motivo), __FILE__, __LINE__);
        return nullptr;
    }
    auto motor = std::make_unique<TServidorBaseDatos>(TServidorBaseDatos::Tipo(servidor));
    if (!motor->inicia()) {
        QTest::qFail(qPrintable(motor->error()), __FILE__, __LINE__);
        return nullptr;
    }
    return motor;
}

struct TRespaldoHecho {
    QString archivo;
    QMap<QString, QStringList> contenido;
};

// A business filled by llena() in a program folder of its own, its backup
// written as one of a server business is: the business folder holds no
// database file (the database is kept elsewhere), the archive carries the
// dump. Kept in `destino`. With `sobrante`, an empty database file is left
// in the business folder, as a folder the business once kept its file in.
TRespaldoHecho respaldoConVolcado(const QString& destino, bool sobrante)
{
    TRespaldoHecho hecho;
    const TCarpetaPrograma origen;
    const TConexionSesion creada = negocioLleno(origen);
    Conexiones::cierra(creada);
    const QString fuera = origen.archivo(u"fuera/"_s + DB_SISTEMA_NOMBRE);
    QDir().mkpath(QFileInfo(fuera).absolutePath());
    if (!QFile::rename(creada.getDatabase(), fuera) ||
        (sobrante && !QFile::copy(TCarpetaPrograma::plantillaNegocio(), creada.getDatabase())))
        return hecho;
    const TConexionSesion conexion = TConexionSesion::embebida(fuera, origen.ruta());
    hecho.contenido = contenido(conexion);
    hecho.archivo = destino + u'/' + RFC + RESPALDO_EXTENSION;
    VolcadoNegocio::archiva(hecho.archivo, RFC, conexion, RESPALDO_PASSWORD, TArchivoZip::TCifrado::Tradicional);
    Conexiones::cierra(conexion);
    NegocioPrueba::limpiaSesion();
    return hecho;
}

} // namespace

class TstVolcado : public QObject {
    Q_OBJECT
private slots:
    void init() { NegocioPrueba::limpiaSesion(); }

    // A business goes through a dump into another database and comes back
    // the same, row by row; the servers' rows go back into a file again, so
    // reading a server is proved as well as writing it.
    void idaYVuelta_data() { filasServidores(true); }
    void idaYVuelta()
    {
        QFETCH(int, servidor);
        const TZonaHoraria tijuana("America/Tijuana");
        std::unique_ptr<TServidorBaseDatos> motor;
        if (servidor >= 0 && !(motor = servidorDeLaFila()))
            return;
        const TCarpetaPrograma programa;
        const TConexionSesion origen = negocioLleno(programa);
        const QMap<QString, QStringList> esperado = contenido(origen);

        const QString volcado = programa.archivo(u"negocio.volcado"_s);
        TAvancesOidos escritura;
        escribeVolcado(origen, volcado, escritura.avance());
        revisaAvances(escritura.oidos, totalFilas(origen));
        if (QTest::currentTestFailed())
            return;
        const QByteArray texto = TCarpetaPrograma::lee(volcado);
        QVERIFY(texto.startsWith("velkor-volcado\t1\tesquema\t" + QByteArray::number(Esquema::version()) + '\n'));
        // Amounts as their exact text, an empty text apart from NULL, the
        // escapes, the blob in base64.
        const QMap<QString, QByteArray> fila = primeraFila(texto, "COMPROBANTE");
        QCOMPARE(fila.value(u"TOTAL"_s), MAXIMO.toLatin1());
        QCOMPARE(fila.value(u"SUBTOTAL"_s), QByteArray("0.1"));
        QCOMPARE(fila.value(u"DESCUENTOGENERAL"_s), QByteArray("-0.000001"));
        QCOMPARE(fila.value(u"SERIE"_s), QByteArray());
        QCOMPARE(fila.value(u"FOLIO"_s), QByteArray("\\N"));
        QCOMPARE(fila.value(u"NOMBREEMISOR"_s),
                 u"Panadería Ñandú y Cía.\\t«pan»\\nsegunda línea\\r\\\\ barra \\\\N"_s.toUtf8());
        QCOMPARE(fila.value(u"FECHAEMISION"_s), QByteArray("2024-02-29T23:59:58.123"));
        QCOMPARE(QByteArray::fromBase64(fila.value(u"COMPROBANTEXML"_s)), bytesDePrueba());
        QVERIFY(texto.contains("\nfin-tabla\tUNIDADMEDIDA\t450\n"));

        TConexionSesion destino;
        if (motor) {
            const QString base = motor->creaBaseDatos();
            QVERIFY2(!base.isEmpty(), qPrintable(motor->error()));
            destino = motor->conexion(base);
            Esquema::completaTodo(destino);
        } else {
            destino = programa.nuevaBaseNegocio(u"db/copia/"_s + DB_SISTEMA_NOMBRE);
        }
        TAvancesOidos lectura;
        const VolcadoNegocio::TResumen resumen = cargaVolcado(volcado, destino, lectura.avance());
        revisaAvances(lectura.oidos, texto.size());
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(resumen.tablas, int(Esquema::tablas().size()));
        QCOMPARE(resumen.filas, totalFilas(origen));
        comparaContenido(contenido(destino), esperado);

        // The sequences were moved past the keys: a new record takes a key
        // of its own.
        TConcepto nuevo;
        nuevo.setDescripcion(u"Pan dulce"_s);
        nuevo = TConcepto::saveOrUpdate(nuevo, TUnidadTrabajo(destino, 1));
        QCOMPARE(TConcepto::cuenta(TConcepto::columna(TConcepto::col_Idconcepto) == nuevo.getIdconcepto(), destino), 1);
        QVERIFY(nuevo.getIdconcepto() > TConcepto::busca(TCondicion(), origen).last().getIdconcepto());

        if (motor) {
            const QString regreso = programa.archivo(u"regreso.volcado"_s);
            escribeVolcado(destino, regreso);
            const TConexionSesion vuelta = programa.nuevaBaseNegocio(u"db/vuelta/"_s + DB_SISTEMA_NOMBRE);
            cargaVolcado(regreso, vuelta);
            comparaContenido(contenido(vuelta), contenido(destino));
            Conexiones::cierra(vuelta);
        }
        Conexiones::cierra(destino);
        Conexiones::cierra(origen);
    }

    // A dump of an older schema (a column and a table it did not have yet)
    // loads; what it lacks stays empty.
    void volcadoAnterior()
    {
        const TCarpetaPrograma programa;
        const TConexionSesion origen = negocioLleno(programa);
        QMap<QString, QStringList> esperado = contenido(origen);
        const QString volcado = programa.archivo(u"negocio.volcado"_s);
        escribeVolcado(origen, volcado);
        const QByteArray anterior = reescribe(TCarpetaPrograma::lee(volcado), [](QByteArrayList& lineas) {
            lineas[0] = "velkor-volcado\t1\tesquema\t" + QByteArray::number(Esquema::version() - 1);
            quitaColumna(lineas, "COMPROBANTE", "NOMBRERECEPTOR");
            quitaTabla(lineas, "METADATOSAT");
        });
        QVERIFY(TCarpetaPrograma::escribe(volcado, anterior));

        const TConexionSesion destino = programa.nuevaBaseNegocio(u"db/copia/"_s + DB_SISTEMA_NOMBRE);
        cargaVolcado(volcado, destino);
        esperado[u"METADATOSAT"_s].clear();
        for (QString& f : esperado[u"COMPROBANTE"_s])
            f.replace(u"NOMBRERECEPTOR=txt:Jesús Muñoz Ávila"_s, u"NOMBRERECEPTOR=NULL"_s);
        comparaContenido(contenido(destino), esperado);
        Conexiones::cierra(destino);
        Conexiones::cierra(origen);
    }

    // Answering false to a report stops the writing and the loading; the
    // target of a stopped load has no row.
    void seDetiene()
    {
        const TCarpetaPrograma programa;
        const TConexionSesion origen = negocioLleno(programa);
        const QString volcado = programa.archivo(u"negocio.volcado"_s);
        TAvancesOidos escritura;
        escritura.hasta = 3;
        QVERIFY_THROWS_EXCEPTION(EArchivoCancelado, escribeVolcado(origen, volcado, escritura.avance()));
        QCOMPARE(escritura.oidos.size(), 3);

        escribeVolcado(origen, volcado);
        const TConexionSesion destino = programa.nuevaBaseNegocio(u"db/copia/"_s + DB_SISTEMA_NOMBRE);
        TAvancesOidos lectura;
        lectura.hasta = 3;
        QVERIFY_THROWS_EXCEPTION(EArchivoCancelado, cargaVolcado(volcado, destino, lectura.avance()));
        QCOMPARE(lectura.oidos.size(), 3);
        QCOMPARE(totalFilas(destino), 0);
        Conexiones::cierra(destino);
        Conexiones::cierra(origen);
    }

    // What cannot be loaded is refused with its reason, and the target is
    // left as it was.
    void rechaza_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<int>("motivo");
        QTest::addColumn<QString>("mensaje");
        QTest::newRow("destino con registros") << "ocupado" << int(EVolcado::TMotivo::DestinoOcupado) << "ya tiene";
        QTest::newRow("destino sin el esquema")
            << "sinesquema" << int(EVolcado::TMotivo::DestinoSinEsquema) << "no tiene la estructura completa";
        QTest::newRow("cortado") << "cortado" << int(EVolcado::TMotivo::Danado) << "está incompleto";
        QTest::newRow("cortado a media línea") << "media" << int(EVolcado::TMotivo::Danado) << "está cortada";
        QTest::newRow("un importe cambiado") << "cambiado" << int(EVolcado::TMotivo::Danado) << "cambió";
        QTest::newRow("algo después del cierre") << "despues" << int(EVolcado::TMotivo::Danado) << "después del cierre";
        QTest::newRow("no es un volcado") << "ajeno" << int(EVolcado::TMotivo::Danado) << "no es un volcado";
        QTest::newRow("formato más reciente") << "formato" << int(EVolcado::TMotivo::Reciente) << "formato 2";
        QTest::newRow("esquema más reciente") << "esquema" << int(EVolcado::TMotivo::Reciente) << "más reciente";
        QTest::newRow("columna desconocida") << "columna" << int(EVolcado::TMotivo::Desconocido) << "SABOR";
        QTest::newRow("tabla desconocida") << "tabla" << int(EVolcado::TMotivo::Desconocido) << "PASTEL";
        QTest::newRow("fila de más") << "fila" << int(EVolcado::TMotivo::Danado) << "dice tener";
        QTest::newRow("valor que no es de su tipo") << "tipo" << int(EVolcado::TMotivo::Danado) << "no es válido";
    }
    void rechaza()
    {
        QFETCH(QString, caso);
        QFETCH(int, motivo);
        QFETCH(QString, mensaje);
        const TCarpetaPrograma programa;
        const TConexionSesion origen = negocioLleno(programa);
        const QString volcado = programa.archivo(u"negocio.volcado"_s);
        escribeVolcado(origen, volcado);
        Conexiones::cierra(origen);
        const QByteArray bueno = TCarpetaPrograma::lee(volcado);

        QByteArray malo = bueno;
        TConexionSesion destino = programa.nuevaBaseNegocio(u"db/copia/"_s + DB_SISTEMA_NOMBRE);
        if (caso == "ocupado"_L1) {
            TDonataria donataria;
            donataria.setLeyenda(u"Fundación Ñandú"_s);
            TDonataria::saveOrUpdate(donataria, TUnidadTrabajo(destino, 1));
        } else if (caso == "sinesquema"_L1) {
            Conexiones::cierra(destino);
            destino = TConexionSesion::embebida(programa.archivo(u"vacia.fdb"_s), programa.ruta());
            Conexiones::creaBaseDatos(destino.getDatabase(), programa.ruta());
        } else if (caso == "cortado"_L1) {
            malo.chop(malo.size() - malo.lastIndexOf("\nfin\t") - 1);
        } else if (caso == "media"_L1) {
            malo.chop(malo.size() / 2);
            malo.chop(malo.size() - malo.lastIndexOf("\t"));
        } else if (caso == "cambiado"_L1) {
            malo.replace(MAXIMO.toLatin1(), "999999999999.999998");
        } else if (caso == "despues"_L1) {
            malo += "fila\t1\n";
        } else if (caso == "ajeno"_L1) {
            malo = "<?xml version=\"1.0\"?>\n<cfdi:Comprobante/>\n";
        } else if (caso == "formato"_L1) {
            malo =
                reescribe(bueno, [](QByteArrayList& l) { l[0].replace("velkor-volcado\t1\t", "velkor-volcado\t2\t"); });
        } else if (caso == "esquema"_L1) {
            malo = reescribe(bueno, [](QByteArrayList& l) {
                l[0] = "velkor-volcado\t1\tesquema\t" + QByteArray::number(Esquema::version() + 1);
            });
        } else if (caso == "columna"_L1) {
            malo = reescribe(bueno, [](QByteArrayList& lineas) {
                bool dentro = false;
                for (QByteArray& l : lineas) {
                    if (l.startsWith("tabla\t"))
                        dentro = l.startsWith("tabla\tCONCEPTO\t");
                    if (dentro && (l.startsWith("tabla\t") || l.startsWith("fila\t")))
                        l += l.startsWith("tabla\t") ? "\tSABOR:texto" : "\tvainilla";
                }
            });
        } else if (caso == "tabla"_L1) {
            malo = reescribe(bueno, [](QByteArrayList& l) {
                l.append("tabla\tPASTEL\tIDPASTEL:id");
                l.append("fin-tabla\tPASTEL\t0");
            });
        } else if (caso == "fila"_L1) {
            malo = reescribe(bueno, [](QByteArrayList& lineas) {
                for (qsizetype i = 0; i < lineas.size(); ++i)
                    if (lineas.at(i).startsWith("fin-tabla\tDONATARIA\t")) {
                        lineas.insert(i, "fila\t77" + QByteArray("\t\\N").repeated(
                                                          Esquema::tabla(u"TDonataria"_s).columnas.size() - 1));
                        break;
                    }
            });
        } else if (caso == "tipo"_L1) {
            malo = reescribe(bueno, [](QByteArrayList& l) {
                for (QByteArray& linea : l)
                    linea.replace(MAXIMO.toLatin1(), "muchísimo");
            });
        }
        QVERIFY(TCarpetaPrograma::escribe(volcado, malo));
        const qint64 antes = caso == "sinesquema"_L1 ? 0 : totalFilas(destino);
        try {
            cargaVolcado(volcado, destino);
            QFAIL("el volcado se cargó");
        } catch (const EVolcado& e) {
            QCOMPARE(int(e.motivo()), motivo);
            QVERIFY2(e.mensaje().contains(mensaje), qPrintable(e.mensaje()));
        }
        if (caso != "sinesquema"_L1)
            QCOMPARE(totalFilas(destino), antes);
        Conexiones::cierra(destino);
    }

    // The backup of a business whose folder has no database file (its
    // database is on a server) carries a dump, and restoring it here makes
    // the business a file of this program folder, signed in to at once with
    // every row it had. A damaged dump changes nothing.
    void restauraVolcado_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::newRow("RFC nuevo") << "nuevo";
        QTest::newRow("RFC registrado en un servidor") << "servidor";
        QTest::newRow("volcado dañado") << "danado";
        QTest::newRow("con una base sobrante en la carpeta") << "sobrante";
    }
    void restauraVolcado()
    {
        QFETCH(QString, caso);
        QTemporaryDir guardados;
        const TRespaldoHecho hecho = respaldoConVolcado(guardados.path(), caso == "sobrante"_L1);
        QVERIFY(!hecho.archivo.isEmpty());
        {
            const TArchivoZip zip(hecho.archivo);
            const QString carpeta = DB_PATH + RFC + u'/';
            QVERIFY(zip.busca(carpeta + VolcadoNegocio::ARCHIVO) >= 0);
            QVERIFY(zip.busca(carpeta + SecretoNegocio::ARCHIVO_RESPALDO) >= 0);
            QCOMPARE(zip.busca(carpeta + DB_SISTEMA_NOMBRE) >= 0, caso == "sobrante"_L1);
        }
        if (caso == "danado"_L1) {
            QTemporaryDir abierto;
            TArchivoZip(hecho.archivo).extraeTodo(abierto.path(), Respaldo::passwords());
            const QString carpeta = abierto.filePath(DB_PATH + RFC);
            const QString dump = carpeta + u'/' + VolcadoNegocio::ARCHIVO;
            QByteArray texto = TCarpetaPrograma::lee(dump);
            QVERIFY(texto.contains(MAXIMO.toLatin1()));
            QVERIFY(TCarpetaPrograma::escribe(dump, texto.replace(MAXIMO.toLatin1(), "999999999999.999998")));
            TArchivoZip::comprime(hecho.archivo, carpeta, DB_PATH + RFC + u'/', RESPALDO_PASSWORD,
                                  TArchivoZip::TCifrado::Tradicional);
        }

        const TCarpetaPrograma programa;
        NegocioPrueba::creaRegistro(programa);
        TColaRespuestas respuestas;
        if (caso == "servidor"_L1) {
            // The workstation reached the business on its server.
            QVERIFY(registroLocal().usuarioLogginInsert({QString(), RFC, RFC, DB_MySQL, u"velkor"_s, u"secreta"_s,
                                                         u"192.0.2.1"_s, u"velkor_eku9003173c9"_s, QString()}));
            respuestas.agregaRespuesta(TPrompter::OK);
        }
        const TResultado resultado = Respaldo::restaurarRespaldo(hecho.archivo);
        QVERIFY(restosRestauracion(programa).isEmpty());
        if (caso == "danado"_L1) {
            QCOMPARE(resultado, TResultado::VolcadoIlegible);
            QCOMPARE(respuestas.textos().size(), 1);
            QVERIFY2(respuestas.textos().first().contains(u"está dañado"_s), qPrintable(respuestas.textos().first()));
            QVERIFY(!QFileInfo::exists(programa.archivo(DB_PATH + RFC)));
            QCOMPARE(registroLocal().getNumeroEmpresas(), 0);
            return;
        }
        QCOMPARE(resultado, TResultado::Restaurado);
        const QString carpeta = programa.archivo(DB_PATH + RFC);
        const QString base = carpeta + u'/' + DB_SISTEMA_NOMBRE;
        QVERIFY(QFileInfo(base).isFile());
        QVERIFY(!QFileInfo::exists(carpeta + u'/' + VolcadoNegocio::ARCHIVO));
        QVERIFY(!QFileInfo::exists(carpeta + u'/' + SecretoNegocio::ARCHIVO_RESPALDO));
        QCOMPARE(TCarpetaPrograma::modo(base), 0600);
        QCOMPARE(registroLocal().getEmpresas(), QStringList{RFC + u'|' + RFC});

        const TConexionSesion restaurada = TConexionSesion::embebida(base, programa.ruta());
        comparaRestaurado(contenido(restaurada), hecho.contenido);
        Conexiones::cierra(restaurada);

        QCOMPARE(Ingreso::ingresa(RFC, EMAIL, PASSWORD), Ingreso::TResultado::Correcto);
        QVERIFY(!Sistema::Conexion->enServidor());
        QCOMPARE(QFileInfo(Sistema::Conexion->getDatabase()).canonicalFilePath(), QFileInfo(base).canonicalFilePath());
        QVERIFY(Sistema::getPermiso(CODIGO_RESPALDOS));
    }

    // A backup of a business on this computer restored into an empty
    // database of a server: refused on one that has tables, then the same
    // rows there, the registry leading to it and the owner's rights intact.
    void restauraEnServidor_data() { filasServidores(); }
    void restauraEnServidor()
    {
        const std::unique_ptr<TServidorBaseDatos> motor = servidorDeLaFila();
        if (!motor)
            return;

        QTemporaryDir guardados;
        const QString archivo = guardados.filePath(RFC + RESPALDO_EXTENSION);
        QMap<QString, QStringList> esperado;
        {
            const TCarpetaPrograma origen;
            const TConexionSesion creada = negocioLleno(origen);
            esperado = contenido(creada);
            SecretoNegocio::archiva(archivo, RFC, creada, RESPALDO_PASSWORD, TArchivoZip::TCifrado::Tradicional);
            NegocioPrueba::limpiaSesion();
        }

        const TCarpetaPrograma programa;
        NegocioPrueba::creaRegistro(programa);
        const QString ocupada = motor->creaBaseDatos();
        QVERIFY2(motor->ejecuta(u"CREATE TABLE ajena (id INTEGER)"_s, ocupada), qPrintable(motor->error()));
        {
            TColaRespuestas respuestas;
            QCOMPARE(Respaldo::restauraEnServidor(archivo, motor->conexion(ocupada)), TResultado::ServidorNoVacio);
            QCOMPARE(respuestas.textos(), QStringList{Respaldo::ERR_SERVIDOR_NO_VACIO});
            // Firebird keeps an unquoted name in capitals.
            QCOMPARE(Esquema::tablasPresentes(motor->conexion(ocupada)).join(u',').toLower(), u"ajena"_s);
            QCOMPARE(registroLocal().getNumeroEmpresas(), 0);
        }

        // The registry refusing the registration: the message says where the
        // rows are and how to reach them, with the cause.
        {
            const TConexionSesion otra = motor->conexion(motor->creaBaseDatos());
            QVERIFY(RegistroPrueba::ejecuta(u"CREATE TRIGGER sinAltas BEFORE INSERT ON NegocioLoggin "
                                            "BEGIN SELECT RAISE(ABORT, 'solo lectura'); END"_s));
            TColaRespuestas respuestas;
            QCOMPARE(Respaldo::restauraEnServidor(archivo, otra), TResultado::Escritura);
            QVERIFY(RegistroPrueba::ejecuta(u"DROP TRIGGER sinAltas"_s));
            QCOMPARE(respuestas.textos(), QStringList{Respaldo::ERR_RESTAURADA_EN_SERVIDOR_SIN_REGISTRO.arg(
                                              RFC, u"el registro de empresas de este equipo no lo aceptó (el detalle "
                                                   "está en la bitácora del programa)"_s)});
            Conexiones::cierra(otra);
        }

        const TConexionSesion vacia = motor->conexion(motor->creaBaseDatos());
        {
            TColaRespuestas respuestas;
            QList<Respaldo::TAvance> avances;
            QCOMPARE(
                Respaldo::restauraEnServidor(archivo, vacia, [&avances](const Respaldo::TAvance& a) { avances << a; }),
                TResultado::Restaurado);
            QCOMPARE(respuestas.textos(), QStringList{Respaldo::textoRestaurada(RFC)});
            // The rows are counted as they are prepared, then the dump's
            // loading goes by its bytes; the strip is busy again after each.
            revisaPaso(avancesDe(avances, Respaldo::PASO_PREPARA_SERVIDOR));
            if (QTest::currentTestFailed())
                return;
            revisaPaso(avancesDe(avances, Respaldo::PASO_CARGA_SERVIDOR), u"100 %"_s);
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(avances.last().paso, QString());
            QCOMPARE(avances.last().milesimas, -1);
        }
        QVERIFY(restosRestauracion(programa).isEmpty());
        QVERIFY(!QFileInfo::exists(programa.archivo(DB_PATH + RFC + u'/' + DB_SISTEMA_NOMBRE)));
        comparaRestaurado(contenido(vacia), esperado);
        Conexiones::cierra(vacia);

        QCOMPARE(Ingreso::ingresa(RFC, EMAIL, PASSWORD), Ingreso::TResultado::Correcto);
        QVERIFY(Sistema::Conexion->enServidor());
        QCOMPARE(Sistema::Conexion->getDatabase(), vacia.getDatabase());
        QVERIFY(Sistema::getPermiso(CODIGO_RESPALDOS));
        NegocioPrueba::limpiaSesion();
    }

    // The backup the company editor makes of a business on a server, restored
    // in another program folder as a business of its own file.
    void respaldoDeServidor_data() { filasServidores(); }
    void respaldoDeServidor()
    {
        const std::unique_ptr<TServidorBaseDatos> motor = servidorDeLaFila();
        if (!motor)
            return;
        const QString base = motor->creaBaseDatos();
        QVERIFY2(!base.isEmpty(), qPrintable(motor->error()));
        const TConexionSesion enServidor = motor->conexion(base);

        QTemporaryDir guardados;
        QString archivo;
        QMap<QString, QStringList> esperado;
        {
            const TCarpetaPrograma origen;
            NegocioPrueba::creaRegistro(origen);
            NuevoNegocio::TDatos d;
            d.email = EMAIL;
            d.password = PASSWORD;
            d.nombre = u"Dueño"_s;
            d.nombreEmpresa = u"Escuela Kemper Urgate"_s;
            d.certificado = NegocioPrueba::certificado(RFC);
            d.llave = NegocioPrueba::llave(RFC);
            d.passwordLlave = NegocioPrueba::PASSWORD_CSD;
            d.rfc = RFC;
            d.razon = u"ESCUELA KEMPER URGATE"_s;
            d.regimen = u"601 - General de Ley Personas Morales"_s;
            const TConexionSesion creada = NuevoNegocio::saveNuevoLocal(
                d.email, d.rfc, d.razon, NuevoNegocio::destinoServidor(enServidor), QByteArray());
            NuevoNegocio::saveNuevoNegocio(d, creada, QByteArray());
            NegocioPrueba::limpiaSesion();
            QCOMPARE(Ingreso::ingresa(RFC, EMAIL, PASSWORD), Ingreso::TResultado::Correcto);
            QVERIFY(Sistema::Conexion->enServidor());
            llena(*Sistema::Conexion);
            const qint64 filas = totalFilas(*Sistema::Conexion);
            // The rows on the server are counted as the dump is written,
            // before the archive is.
            QList<Respaldo::TAvance> copia;
            archivo = EdicionEmpresa::guardaRespaldo(
                guardados.path(), EdicionEmpresa::empresaSesion(), [&copia](const EdicionEmpresa::TAvance& a) {
                    if (a.paso.startsWith(u"Copiando los registros de la empresa… "_s))
                        copia << Respaldo::TAvance{a.paso, a.paso.section(u"… "_s, 1), a.milesimas};
                    return true;
                });
            const QString todas = QLocale(QLocale::Spanish, QLocale::Mexico).toString(filas);
            revisaPaso(copia, todas + u" de "_s + todas);
            if (QTest::currentTestFailed())
                return;
            QVERIFY(!QFileInfo::exists(origen.archivo(DB_PATH + RFC + u'/' + VolcadoNegocio::ARCHIVO)));
            esperado = contenido(enServidor);
            // The copy kept when the business is deleted holds its data too.
            const EdicionEmpresa::TEliminacion eliminada = EdicionEmpresa::elimina();
            QVERIFY(eliminada.archivado);
            QVERIFY(TArchivoZip(eliminada.archivo).busca(DB_PATH + RFC + u'/' + VolcadoNegocio::ARCHIVO) >= 0);
            NegocioPrueba::limpiaSesion();
        }
        QVERIFY(TArchivoZip(archivo).busca(DB_PATH + RFC + u'/' + VolcadoNegocio::ARCHIVO) >= 0);

        const TCarpetaPrograma programa;
        NegocioPrueba::creaRegistro(programa);
        TColaRespuestas respuestas;
        QList<Respaldo::TAvance> avances;
        QCOMPARE(Respaldo::restaurarRespaldo(archivo, [&avances](const Respaldo::TAvance& a) { avances << a; }),
                 TResultado::Restaurado);
        QCOMPARE(respuestas.textos(), QStringList{Respaldo::textoRestaurada(RFC)});
        revisaPaso(avancesDe(avances, Respaldo::PASO_CARGA_ARCHIVO), u"100 %"_s);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(avances.last().paso, QString());

        // Compared before anyone signs in here, which may stamp a record.
        const TConexionSesion local =
            TConexionSesion::embebida(programa.archivo(DB_PATH + RFC + u'/' + DB_SISTEMA_NOMBRE), programa.ruta());
        comparaRestaurado(contenido(local), esperado);
        Conexiones::cierra(local);
        Conexiones::cierra(enServidor);

        QCOMPARE(Ingreso::ingresa(RFC, EMAIL, PASSWORD), Ingreso::TResultado::Correcto);
        QVERIFY(!Sistema::Conexion->enServidor());
        QVERIFY(Sistema::getPermiso(CODIGO_RESPALDOS));
        NegocioPrueba::limpiaSesion();
    }
};

QTEST_GUILESS_MAIN(TstVolcado)
#include "tst_volcado.moc"

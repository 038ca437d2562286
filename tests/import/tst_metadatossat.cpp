#include "CarpetaPrograma.h"
#include "negocio/MetadatosSat.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using TTipo = TLectorMetadatos::TTipo;
Q_DECLARE_METATYPE(TLectorMetadatos::TTipo)

namespace {

const QByteArray CLASICO = "Uuid~RfcEmisor~NombreEmisor~RfcReceptor~NombreReceptor~RfcPac~FechaEmision~"
                           "FechaCertificacionSat~Monto~EfectoComprobante~Estatus~FechaCancelacion";
// The 2022 layout, with the third-party columns in the middle: only the names
// tell where each field is.
const QByteArray CON_TERCEROS = "Uuid~RfcEmisor~NombreEmisor~RfcReceptor~NombreReceptor~RfcACuentaTerceros~"
                                "NombreACuentaTerceros~RfcPac~FechaEmision~FechaCertificacionSat~Monto~"
                                "EfectoComprobante~Estatus~FechaCancelacion";
const QByteArray TERCEROS = "Uuid~RfcACuentaTerceros~NombreACuentaTerceros";

// Rows of the classic layout.
const QByteArray VIGENTE = "5fd6e0a8-9a53-4a4b-8c3b-1f4e2a7d9c01~EKU9003173C9~ESCUELA KEMPER URGATE~"
                           "XAXX010101000~PUBLICO EN GENERAL~SAT970701NN3~2024-03-15 10:20:30~"
                           "2024-03-15 10:21:02~1160.00~I~1~";
const QByteArray CANCELADO = "E3A1C2B4-7D8F-4E6A-9B0C-2D4F6A8B0C1E~h&e951128469~Herrería & Eléctricos \"El Ñandú\", "
                             "S.A. de C.V.~cacx7605101p8~Xóchitl Casas Chávez~SAT970701NN3~2024-01-02 08:00:00~"
                             "2024-01-02 08:00:05~-35.5~E~0~2024-02-01 12:00:00";

// What a reading handed over, one text per row or refusal, so two readings
// compare as a whole.
struct TLectura {
    QStringList filas;
    QStringList errores;
    TTipo tipo = TTipo::Desconocido;
    int rechazadas = 0;
};

QString describe(const TFilaMetadatos& f)
{
    QString d = QString::number(f.linea);
    for (const QString* campo : {&f.uuid, &f.rfcEmisor, &f.nombreEmisor, &f.rfcReceptor, &f.nombreReceptor, &f.rfcPac,
                                 &f.fechaEmision, &f.fechaCertificacion, &f.monto, &f.efecto, &f.estatus,
                                 &f.fechaCancelacion, &f.rfcACuentaTerceros, &f.nombreACuentaTerceros})
        d += u'|' + *campo;
    return d;
}

// Reads `datos` handed over `trozo` bytes at a time (all at once when 0),
// or in two pieces split at `corte` when it is not negative.
TLectura lee(const QByteArray& datos, int trozo = 0, qsizetype corte = -1)
{
    TLectura l;
    TLectorMetadatos lector(
        [&](const TFilaMetadatos& f) {
            l.filas << describe(f);
            return true;
        },
        [&](int linea, const QString& motivo) {
            l.errores << u"%1: %2"_s.arg(linea).arg(motivo);
            return true;
        });
    QList<QByteArray> piezas;
    if (corte >= 0)
        piezas = {datos.left(corte), datos.mid(corte)};
    else if (trozo == 0)
        piezas = {datos};
    else
        for (qsizetype i = 0; i < datos.size(); i += trozo)
            piezas << datos.mid(i, trozo);
    for (const QByteArray& pieza : piezas)
        lector.agrega(pieza);
    lector.termina();
    l.tipo = lector.tipo();
    l.rechazadas = lector.rechazadas();
    if (lector.filas() != l.filas.size())
        l.errores << u"filas() no cuenta lo entregado"_s;
    return l;
}

QByteArray lineas(const QList<QByteArray>& renglones, const QByteArray& fin)
{
    QByteArray d;
    for (const QByteArray& r : renglones)
        d += r + fin;
    return d;
}

// A file with everything a reading may trip on: a byte-order mark, CRLF,
// names with multibyte letters, a refused row and a blank line.
QByteArray archivoCompleto()
{
    return "\xEF\xBB\xBF" +
           lineas({CLASICO, VIGENTE, CANCELADO, "", "no-es-uuid~EKU9003173C9~x~XAXX010101000~y~z~~~1~I~1~", VIGENTE},
                  "\r\n");
}

} // namespace

class TstMetadatosSat : public QObject {
    Q_OBJECT
private slots:
    void formas_data()
    {
        QTest::addColumn<QByteArray>("datos");
        QTest::addColumn<TTipo>("tipo");
        QTest::addColumn<QStringList>("filas");
        const QString vigente =
            u"|5FD6E0A8-9A53-4A4B-8C3B-1F4E2A7D9C01|EKU9003173C9|ESCUELA KEMPER URGATE|XAXX010101000|PUBLICO EN "
            "GENERAL|SAT970701NN3|2024-03-15 10:20:30|2024-03-15 10:21:02|1160.00|I|1|||"_s;
        const QString cancelado =
            u"|E3A1C2B4-7D8F-4E6A-9B0C-2D4F6A8B0C1E|H&E951128469|Herrería & Eléctricos \"El Ñandú\", S.A. de "
            "C.V.|CACX7605101P8|Xóchitl Casas Chávez|SAT970701NN3|2024-01-02 08:00:00|2024-01-02 "
            "08:00:05|-35.5|E|0|2024-02-01 12:00:00||"_s;
        const QStringList ambas{u'2' + vigente, u'3' + cancelado};
        QTest::newRow("clásico CRLF") << lineas({CLASICO, VIGENTE, CANCELADO}, "\r\n") << TTipo::Metadatos << ambas;
        QTest::newRow("clásico LF") << lineas({CLASICO, VIGENTE, CANCELADO}, "\n") << TTipo::Metadatos << ambas;
        QTest::newRow("sin fin de línea al final")
            << (CLASICO + "\r\n" + VIGENTE + "\r\n" + CANCELADO) << TTipo::Metadatos << ambas;
        QTest::newRow("marca de orden de bytes")
            << "\xEF\xBB\xBF" + lineas({CLASICO, VIGENTE, CANCELADO}, "\r\n") << TTipo::Metadatos << ambas;
        QTest::newRow("encabezado en minúsculas y con espacios")
            << lineas({CLASICO.toLower().replace("~", " ~ "), VIGENTE, CANCELADO}, "\r\n") << TTipo::Metadatos << ambas;
        QTest::newRow("líneas en blanco") << lineas({CLASICO, "", VIGENTE, "  ", CANCELADO, ""}, "\r\n")
                                          << TTipo::Metadatos << QStringList{u'3' + vigente, u'5' + cancelado};
        QTest::newRow("con terceros, otro orden")
            << lineas({CON_TERCEROS,
                       "5fd6e0a8-9a53-4a4b-8c3b-1f4e2a7d9c01~EKU9003173C9~ESCUELA KEMPER URGATE~XAXX010101000~"
                       "PUBLICO EN GENERAL~mag041126gt8~Mañanitas & Co~SAT970701NN3~2024-03-15 10:20:30~"
                       "2024-03-15 10:21:02~1160.00~I~1~",
                       "E3A1C2B4-7D8F-4E6A-9B0C-2D4F6A8B0C1E~EKU9003173C9~ESCUELA KEMPER URGATE~XAXX010101000~"
                       "PUBLICO EN GENERAL~~~SAT970701NN3~2024-03-15 10:20:30~2024-03-15 10:21:02~0~P~1~"},
                      "\r\n")
            << TTipo::Metadatos
            << QStringList{u"2|5FD6E0A8-9A53-4A4B-8C3B-1F4E2A7D9C01|EKU9003173C9|ESCUELA KEMPER "
                           "URGATE|XAXX010101000|PUBLICO EN GENERAL|SAT970701NN3|2024-03-15 "
                           "10:20:30|2024-03-15 10:21:02|1160.00|I|1||MAG041126GT8|Mañanitas & Co"_s,
                           u"3|E3A1C2B4-7D8F-4E6A-9B0C-2D4F6A8B0C1E|EKU9003173C9|ESCUELA KEMPER "
                           "URGATE|XAXX010101000|PUBLICO EN GENERAL|SAT970701NN3|2024-03-15 "
                           "10:20:30|2024-03-15 10:21:02|0|P|1|||"_s};
        QTest::newRow("archivo de terceros")
            << lineas({TERCEROS, "5fd6e0a8-9a53-4a4b-8c3b-1f4e2a7d9c01~mag041126gt8~Mañanitas \"La Güera\" & Co",
                       "E3A1C2B4-7D8F-4E6A-9B0C-2D4F6A8B0C1E~AÑO8001013B2~Ñoño Año"},
                      "\r\n")
            << TTipo::Terceros
            << QStringList{u"2|5FD6E0A8-9A53-4A4B-8C3B-1F4E2A7D9C01||||||||||||MAG041126GT8|Mañanitas "
                           "\"La Güera\" & Co"_s,
                           u"3|E3A1C2B4-7D8F-4E6A-9B0C-2D4F6A8B0C1E||||||||||||AÑO8001013B2|Ñoño Año"_s};
        // The SAT ends lines with CRLF; a line feed alone inside a name does
        // not cut its row.
        QTest::newRow("salto de línea dentro de un nombre")
            << lineas({CLASICO, QByteArray(VIGENTE).replace("PUBLICO EN", "PUBLICO\nEN"), CANCELADO}, "\r\n")
            << TTipo::Metadatos
            << QStringList{u'2' + QString(vigente).replace(u"PUBLICO EN"_s, u"PUBLICO\nEN"_s), u'4' + cancelado};
        QTest::newRow("renglones con LF en un archivo CRLF") << CLASICO + "\r\n" + VIGENTE + "\n" + CANCELADO + "\n"
                                                             << TTipo::Metadatos << ambas;
    }
    void formas()
    {
        QFETCH(QByteArray, datos);
        QFETCH(TTipo, tipo);
        QFETCH(QStringList, filas);
        const TLectura l = lee(datos);
        QCOMPARE(l.errores, QStringList());
        QCOMPARE(l.tipo, tipo);
        QCOMPARE(l.filas, filas);
        QCOMPARE(TLectorMetadatos::tipoDe(datos), tipo);
    }

    // A piece may end anywhere: inside the mark, a letter's bytes, a CRLF.
    void trozos()
    {
        const QByteArray datos = archivoCompleto();
        const TLectura entera = lee(datos);
        QCOMPARE(entera.filas.size(), 3);
        QCOMPARE(entera.errores.size(), 1);
        const auto igual = [&](const TLectura& l) { return l.filas == entera.filas && l.errores == entera.errores; };
        for (const int trozo : {1, 2, 3, 7, 64})
            QVERIFY2(igual(lee(datos, trozo)), qPrintable(QString::number(trozo)));
        for (qsizetype corte = 0; corte <= datos.size(); ++corte)
            QVERIFY2(igual(lee(datos, 0, corte)), qPrintable(QString::number(corte)));
    }

    void rechazos_data()
    {
        QTest::addColumn<QByteArray>("renglon");
        QTest::addColumn<QString>("motivo");
        const auto cambia = [](int campo, const QByteArray& valor) {
            QList<QByteArray> campos = VIGENTE.split('~');
            campos[campo] = valor;
            return campos.join('~');
        };
        const QString forma = u"no tiene la forma del SAT"_s;
        QTest::newRow("UUID corto") << cambia(0, "5fd6e0a8-9a53-4a4b-8c3b-1f4e2a7d9c0") << forma;
        QTest::newRow("UUID sin guiones") << cambia(0, "5fd6e0a89a534a4b8c3b1f4e2a7d9c01ab12") << forma;
        QTest::newRow("UUID con letra que no es hexadecimal")
            << cambia(0, "5fd6e0a8-9a53-4a4b-8c3b-1f4e2a7d9c0g") << forma;
        QTest::newRow("sin UUID") << cambia(0, "") << u"Falta el UUID"_s;
        QTest::newRow("un campo de más") << VIGENTE + "~extra" << u"tiene 13 campos y el encabezado 12"_s;
        QTest::newRow("un campo de menos")
            << VIGENTE.left(VIGENTE.lastIndexOf('~')) << u"tiene 11 campos y el encabezado 12"_s;
        QTest::newRow("monto con coma") << cambia(8, "1,160.00") << u"monto \"1,160.00\""_s;
        QTest::newRow("monto vacío") << cambia(8, "") << u"monto \"\""_s;
        QTest::newRow("monto sin decimales tras el punto") << cambia(8, "12.") << u"monto \"12.\""_s;
        QTest::newRow("monto con signo de pesos") << cambia(8, "$12.00") << u"monto \"$12.00\""_s;
        QTest::newRow("estatus 2") << cambia(10, "2") << u"estatus \"2\""_s;
        QTest::newRow("estatus vacío") << cambia(10, "") << u"estatus \"\""_s;
        QTest::newRow("estatus en palabras") << cambia(10, "Vigente") << u"estatus \"Vigente\""_s;
        QTest::newRow("sin RFC del emisor") << cambia(1, "") << u"Falta el RFC del emisor"_s;
        QTest::newRow("RFC del receptor corto") << cambia(3, "XAXX01010100") << u"RFC del receptor \"XAXX01010100\""_s;
    }
    // The refused row is reported with its line, and the rows around it are
    // read.
    void rechazos()
    {
        QFETCH(QByteArray, renglon);
        QFETCH(QString, motivo);
        const TLectura l = lee(lineas({CLASICO, CANCELADO, renglon, VIGENTE}, "\r\n"));
        QCOMPARE(l.filas.size(), 2);
        QVERIFY(l.filas.at(0).startsWith("2|"_L1));
        QVERIFY(l.filas.at(1).startsWith("4|"_L1));
        QCOMPARE(l.errores.size(), 1);
        QCOMPARE(l.rechazadas, 1);
        QVERIFY2(l.errores.at(0).startsWith("3: "_L1), qPrintable(l.errores.at(0)));
        QVERIFY2(l.errores.at(0).contains(motivo), qPrintable(l.errores.at(0)));
    }

    void noEsMetadatos_data()
    {
        QTest::addColumn<QByteArray>("datos");
        QTest::newRow("léame") << QByteArray("Paquete de comprobantes descargado del SAT.\r\nUuid~RfcEmisor\r\n");
        QTest::newRow("CSV con comas") << QByteArray(CLASICO).replace('~', ',') + "\r\n" +
                                              QByteArray(VIGENTE).replace('~', ',');
        QTest::newRow("encabezado sin Estatus")
            << lineas({QByteArray(CLASICO).replace("~Estatus", "~Status"), VIGENTE}, "\r\n");
        QTest::newRow("terceros con RfcEmisor") << lineas({"Uuid~RfcEmisor~RfcACuentaTerceros"}, "\r\n");
        QTest::newRow("encabezado en la segunda línea") << "\r\n" + CLASICO + "\r\n" + VIGENTE;
        QTest::newRow("vacío") << QByteArray();
        QTest::newRow("sólo la marca de orden de bytes") << QByteArray("\xEF\xBB\xBF");
        QTest::newRow("XML") << QByteArray("<?xml version=\"1.0\"?>\n<cfdi:Comprobante/>\n");
    }
    void noEsMetadatos()
    {
        QFETCH(QByteArray, datos);
        TLectorMetadatos lector([](const TFilaMetadatos&) { return true; }, [](int, const QString&) { return true; });
        QVERIFY(!(lector.agrega(datos) && lector.termina()));
        QCOMPARE(lector.tipo(), TTipo::Ninguno);
        QCOMPARE(lector.filas(), 0);
        QCOMPARE(lector.rechazadas(), 0);
        QCOMPARE(TLectorMetadatos::tipoDe(datos), TTipo::Ninguno);

        QTemporaryDir carpeta;
        const QString ruta = carpeta.filePath(u"paquete_01.txt"_s);
        QVERIFY(TCarpetaPrograma::escribe(ruta, datos));
        QVERIFY(!TLectorMetadatos::esArchivoMetadatos(ruta));
    }

    void esArchivoMetadatos_data()
    {
        QTest::addColumn<QByteArray>("datos");
        QTest::addColumn<bool>("esperado");
        QTest::newRow("metadatos") << archivoCompleto() << true;
        QTest::newRow("terceros sin más líneas") << TERCEROS << true;
        QTest::newRow("sin fin de línea en 1 MB") << QByteArray(1 << 20, 'x') << false;
        QTest::newRow("encabezado tras 5000 espacios") << QByteArray(5000, ' ') + CLASICO + "\r\n" << false;
    }
    void esArchivoMetadatos()
    {
        QFETCH(QByteArray, datos);
        QFETCH(bool, esperado);
        QTemporaryDir carpeta;
        const QString ruta = carpeta.filePath(u"paquete_01.txt"_s);
        QVERIFY(TCarpetaPrograma::escribe(ruta, datos));
        QCOMPARE(TLectorMetadatos::esArchivoMetadatos(ruta), esperado);
        QVERIFY(!TLectorMetadatos::esArchivoMetadatos(carpeta.filePath(u"no-existe.txt"_s)));
    }

    // A line with no end in sight is refused without being kept whole, and
    // the rows after it are read.
    void lineaDesmedida()
    {
        const QByteArray datos = lineas({CLASICO, QByteArray(3 << 20, 'x'), VIGENTE}, "\r\n");
        const TLectura l = lee(datos, 65536);
        QCOMPARE(l.filas.size(), 1);
        QVERIFY(l.filas.at(0).startsWith("3|"_L1));
        QCOMPARE(l.errores.size(), 1);
        QVERIFY2(l.errores.at(0).startsWith("2: "_L1), qPrintable(l.errores.at(0)));
    }
};

QTEST_GUILESS_MAIN(TstMetadatosSat)
#include "tst_metadatossat.moc"

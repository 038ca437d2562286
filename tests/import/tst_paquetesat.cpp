#include "CarpetaPrograma.h"
#include "DocumentoXML.h"
#include "PaquetesPrueba.h"
#include "ZipPrueba.h"
#include "import/PaqueteSat.h"
#include "negocio/TArchivoZip.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using TClase = TEntradaPaquete::TClase;
using TEntrada = PaquetesPrueba::TEntrada;
Q_DECLARE_METATYPE(TEntradaPaquete::TClase)

namespace {

const QByteArray METADATOS =
    "\xEF\xBB\xBFUuid~RfcEmisor~NombreEmisor~RfcReceptor~NombreReceptor~RfcPac~FechaEmision~FechaCertificacionSat~"
    "Monto~EfectoComprobante~Estatus~FechaCancelacion\r\n"
    "c2832671-da6d-11ef-a83d-00155d012007~EKU9003173C9~ESCUELA KEMPER URGATE~XAXX010101000~PUBLICO EN GENERAL~"
    "SAT970701NN3~2025-01-24 10:20:30~2025-01-24 10:21:02~1160.00~I~1~\r\n"
    "CEE4BE01-ADFA-4DEB-8421-ADD60F0BEDAC~H&E951128469~Herrería & Eléctricos~CACX7605101P8~Xóchitl Casas~"
    "SAT970701NN3~2024-01-02 08:00:00~2024-01-02 08:00:05~35.50~E~0~2024-02-01 12:00:00";
const QByteArray TERCEROS = "Uuid~RfcACuentaTerceros~NombreACuentaTerceros\r\n"
                            "C2832671-DA6D-11EF-A83D-00155D012007~MAG041126GT8~Mañanitas & Co\r\n";

QByteArray voucher(const QString& nombre)
{
    return TCarpetaPrograma::lee(QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/") + nombre);
}

// Every entry a walk hands over.
QList<TEntradaPaquete> recorre(const TPaqueteSat& paquete)
{
    QList<TEntradaPaquete> entradas;
    const bool alFinal = paquete.recorre([&](TEntradaPaquete& e) {
        entradas << e;
        return true;
    });
    if (!alFinal)
        entradas.clear();
    return entradas;
}

// Bytes that do not compress, the same on every run.
QByteArray variados(qsizetype n)
{
    QRandomGenerator generador(20261208);
    QByteArray d(n, Qt::Uninitialized);
    for (char& c : d)
        c = char(generador.bounded(256));
    return d;
}

} // namespace

class TstPaqueteSat : public QObject {
    Q_OBJECT
private slots:
    // What a CFDI package of the SAT, or a user's, really holds besides the
    // vouchers: each entry in its class, with its reason.
    void clases()
    {
        const QDateTime fecha(QDate(2025, 1, 24), QTime(10, 20, 30));
        struct TCaso {
            TEntrada entrada;
            TClase clase;
            QString motivo;
        };
        const QByteArray mac = QByteArrayLiteral("\0\5\26\7 Mac OS X");
        const QString noEs = u"No es un archivo XML ni de metadatos del SAT."_s;
        constexpr TClase O = TClase::Omitida, C = TClase::Comprobante;
        const QList<TCaso> casos{
            {{u"paquete/"_s, {}, {}}, O, u"Es una carpeta"_s},
            {{u"__MACOSX/"_s, {}, {}}, O, u"Es una carpeta"_s},
            {{u"__MACOSX/paquete/._C2832671-DA6D-11EF-A83D-00155D012007.xml"_s, mac, {}}, O, u"(__MACOSX)"_s},
            {{u"paquete/._CEE4BE01-ADFA-4DEB-8421-ADD60F0BEDAC.xml"_s, mac, {}}, O, u"empieza con \"._\""_s},
            {{u"vacío.xml"_s, {}, {}}, O, u"El archivo está vacío."_s},
            {{u"LEEME.txt"_s, "Comprobantes descargados del SAT.\r\n", {}}, O, u"texto que no es de metadatos"_s},
            {{u"paquete/C2832671-DA6D-11EF-A83D-00155D012007.xml"_s, voucher("cfdi40-real.xml"), fecha}, C, {}},
            {{u"cee4be01-adfa-4deb-8421-add60f0bedac.XML"_s, voucher("cfdi33-real.xml"), {}}, C, {}},
            {{u"5C9D2F2A-1D8B-4C4E-9B9E-0A1B2C3D4E5F.xml.xml"_s, voucher("cfdv40-donat11.xml.xml"), {}}, C, {}},
            {{u"otro.Xml"_s, voucher("h&e951128469_ingreso_iva16_stamped.xml"), {}}, C, {}},
            {{u"4E1F2A3B-5C6D-4E7F-8A9B-0C1D2E3F4A5B_01.txt"_s, METADATOS, fecha}, TClase::Metadatos, {}},
            {{u"4E1F2A3B-5C6D-4E7F-8A9B-0C1D2E3F4A5B_tercero.TXT"_s, TERCEROS, {}}, TClase::Terceros, {}},
            {{u"acuse.pdf"_s, "%PDF-1.4", {}}, O, noEs},
            {{u"sin-extension"_s, "<cfdi:Comprobante/>", {}}, O, noEs},
        };
        QTemporaryDir carpeta;
        const QString archivo = carpeta.filePath(u"paquete_01.zip"_s);
        QList<TEntrada> entradas;
        for (const TCaso& caso : casos)
            entradas << caso.entrada;
        QVERIFY(PaquetesPrueba::escribe(archivo, entradas));

        const TPaqueteSat paquete(archivo);
        QCOMPARE(paquete.entradas(), int(casos.size()));
        QCOMPARE(TPaqueteSat::filas(archivo), int(casos.size()));
        const QList<TEntradaPaquete> leidas = recorre(paquete);
        QCOMPARE(leidas.size(), casos.size());
        for (int i = 0; i < casos.size(); ++i) {
            const TCaso& caso = casos.at(i);
            const TEntradaPaquete& e = leidas.at(i);
            const QByteArray cual = caso.entrada.nombre.toUtf8();
            QCOMPARE(e.indice, i);
            QCOMPARE(e.nombre, caso.entrada.nombre);
            QVERIFY2(e.clase == caso.clase, cual.constData());
            QVERIFY2(e.motivo.contains(caso.motivo), qPrintable(caso.entrada.nombre + u": "_s + e.motivo));
            QVERIFY2(caso.motivo.isEmpty() == e.motivo.isEmpty(), cual.constData());
            // The voucher is the file as it came, byte for byte.
            QCOMPARE(e.datos, caso.clase == TClase::Comprobante ? caso.entrada.datos : QByteArray());
            if (caso.entrada.fecha.isValid())
                QCOMPARE(e.fecha, caso.entrada.fecha);
            QVERIFY(e.fecha.isValid());
        }

        QStringList uuids;
        int rechazos = 0;
        const auto rechaza = [&](int, const QString&) { return ++rechazos, true; };
        TLectorMetadatos metadatos(
            [&](const TFilaMetadatos& f) {
                uuids << f.uuid + (f.cancelado() ? u" cancelado"_s : QString());
                return true;
            },
            rechaza);
        paquete.leeMetadatos(10, metadatos);
        QCOMPARE(metadatos.tipo(), TLectorMetadatos::TTipo::Metadatos);
        QCOMPARE(uuids, QStringList({u"C2832671-DA6D-11EF-A83D-00155D012007"_s,
                                     u"CEE4BE01-ADFA-4DEB-8421-ADD60F0BEDAC cancelado"_s}));
        QCOMPARE(rechazos, 0);
        QStringList terceros;
        TLectorMetadatos lectorTerceros(
            [&](const TFilaMetadatos& f) {
                terceros << f.uuid + u' ' + f.rfcACuentaTerceros + u' ' + f.nombreACuentaTerceros;
                return true;
            },
            rechaza);
        paquete.leeMetadatos(11, lectorTerceros);
        QCOMPARE(lectorTerceros.tipo(), TLectorMetadatos::TTipo::Terceros);
        QCOMPARE(terceros, QStringList{u"C2832671-DA6D-11EF-A83D-00155D012007 MAG041126GT8 Mañanitas & Co"_s});
    }

    // One damaged entry fails alone; the others are read whole.
    void entradaDanada()
    {
        QTemporaryDir carpeta;
        const QString archivo = carpeta.filePath(u"paquete.zip"_s);
        // Rows enough, each its own, that the first pieces inflate before
        // the damage is reached.
        QByteArray metadatos = METADATOS.left(METADATOS.indexOf("\r\n") + 2);
        for (int i = 0; i < 4000; ++i)
            metadatos += u"%1-DA6D-11EF-A83D-00155D012007~EKU9003173C9~ESCUELA KEMPER URGATE~"
                         "XAXX010101000~PUBLICO EN GENERAL~SAT970701NN3~2025-01-24 10:20:30~"
                         "2025-01-24 10:21:02~%2.00~I~1~\r\n"_s.arg(i, 8, 16, QLatin1Char('0'))
                             .arg(i * 7)
                             .toUtf8();
        const QList<TEntrada> entradas{
            {u"uno.xml"_s, voucher("cfdi40-real.xml"), {}},
            {u"dos.xml"_s, voucher("cfdv40-cartaporte20.xml"), {}},
            {u"tres.xml"_s, voucher("cfdi33-real.xml"), {}},
            {u"paquete_01.txt"_s, metadatos, {}},
        };
        QVERIFY(PaquetesPrueba::escribe(archivo, entradas));
        QVERIFY(PaquetesPrueba::danaEntrada(archivo, u"dos.xml"_s));
        QVERIFY(PaquetesPrueba::danaEntrada(archivo, u"paquete_01.txt"_s));

        const TPaqueteSat paquete(archivo);
        QCOMPARE(TPaqueteSat::filas(archivo), 4);
        const QList<TEntradaPaquete> leidas = recorre(paquete);
        QCOMPARE(leidas.size(), 4);
        QCOMPARE(leidas.at(0).clase, TClase::Comprobante);
        QCOMPARE(leidas.at(0).datos, entradas.at(0).datos);
        QCOMPARE(leidas.at(1).clase, TClase::Fallida);
        QVERIFY2(leidas.at(1).motivo.contains(u"dañado"_s), qPrintable(leidas.at(1).motivo));
        QVERIFY(leidas.at(1).datos.isEmpty());
        QCOMPARE(leidas.at(2).clase, TClase::Comprobante);
        QCOMPARE(leidas.at(2).datos, entradas.at(2).datos);
        // Its header is read before the damage; its rows are not all there.
        QCOMPARE(leidas.at(3).clase, TClase::Metadatos);
        TLectorMetadatos lector([](const TFilaMetadatos&) { return true; }, [](int, const QString&) { return true; });
        try {
            paquete.leeMetadatos(3, lector);
            QFAIL("Se leyeron metadatos dañados sin aviso.");
        } catch (const EArchivoZip& e) {
            QCOMPARE(e.motivo(), EArchivoZip::TMotivo::Danado);
            QVERIFY2(QString::fromUtf8(e.what()).contains(archivo), e.what());
            QVERIFY2(QString::fromUtf8(e.what()).contains("paquete_01.txt"_L1), e.what());
        }
    }

    // An entry too large for a voucher is not read into memory.
    void comprobanteDemasiadoGrande()
    {
        QTemporaryDir carpeta;
        const QString archivo = carpeta.filePath(u"paquete.zip"_s);
        // Incompressible bytes keep the package's ratio within the limits.
        QVERIFY(PaquetesPrueba::bomba(archivo, 1, TDocumentoXML::TAMANO_MAXIMO + 1, variados(1 << 20)) >
                quint64(TDocumentoXML::TAMANO_MAXIMO));
        QCOMPARE(TPaqueteSat::filas(archivo), 2);
        const QList<TEntradaPaquete> leidas = recorre(TPaqueteSat(archivo));
        QCOMPARE(leidas.size(), 2);
        QCOMPARE(leidas.at(0).clase, TClase::Fallida);
        QVERIFY2(leidas.at(0).motivo.contains("128 MB"_L1), qPrintable(leidas.at(0).motivo));
        QCOMPARE(leidas.at(1).clase, TClase::Omitida);
    }

    // A voucher under a password cannot be read; it fails alone.
    void cifrada()
    {
        QTemporaryDir carpeta;
        const QString origen = carpeta.filePath(u"origen"_s);
        QVERIFY(QDir().mkpath(origen));
        QVERIFY(TCarpetaPrograma::escribe(origen + u"/C2832671-DA6D-11EF-A83D-00155D012007.xml"_s,
                                          voucher("cfdi40-real.xml")));
        const QString archivo = carpeta.filePath(u"paquete.zip"_s);
        TArchivoZip::comprime(archivo, origen, QString(), u"kaLumi"_s, TArchivoZip::TCifrado::Aes128);
        const QList<TEntradaPaquete> leidas = recorre(TPaqueteSat(archivo));
        QCOMPARE(leidas.size(), 1);
        QCOMPARE(leidas.at(0).clase, TClase::Fallida);
        QVERIFY2(leidas.at(0).motivo.contains(u"cifrado con contraseña"_s), qPrintable(leidas.at(0).motivo));
        QVERIFY(leidas.at(0).datos.isEmpty());
    }

    // The bombs below are genuine: a small one inflates, entry by entry, to
    // what it declares, and its CRC holds.
    void bombaPequenaSeLee()
    {
        QTemporaryDir carpeta;
        const QString archivo = carpeta.filePath(u"paquete.zip"_s);
        const quint64 expandido = PaquetesPrueba::bomba(archivo, 2, 5'000'000);
        QVERIFY(expandido >= 5'000'000);
        QCOMPARE(TPaqueteSat::filas(archivo), 2);
        const QList<TEntradaPaquete> leidas = recorre(TPaqueteSat(archivo));
        QCOMPARE(leidas.size(), 2);
        for (const TEntradaPaquete& e : leidas) {
            QCOMPARE(e.clase, TClase::Comprobante);
            QCOMPARE(e.datos, QByteArray(qsizetype(expandido), '\0'));
        }
    }

    void rechazados_data()
    {
        QTest::addColumn<int>("caso");
        QTest::addColumn<QString>("motivo");
        QTest::newRow("cortado a la mitad") << 0 << u"no es un archivo ZIP o está incompleto"_s;
        QTest::newRow("sin el último byte") << 1 << u"no es un archivo ZIP o está incompleto"_s;
        QTest::newRow("no es ZIP") << 2 << u"no es un archivo ZIP o está incompleto"_s;
        QTest::newRow("nombre que sube de carpeta") << 3 << u"\"../../x.xml\""_s;
        QTest::newRow("ruta absoluta") << 4 << u"\"/etc/x.xml\""_s;
        QTest::newRow("unidad de Windows") << 5 << u"\"C:\\x.xml\""_s;
        QTest::newRow("enlace simbólico") << 6 << u"\"enlace.xml\""_s;
        QTest::newRow("dispositivo") << 7 << u"\"disco.xml\""_s;
        QTest::newRow("bomba de 3 GiB") << 8 << u"MB al abrirse"_s;
        QTest::newRow("bomba de 6 entradas de 3 GiB") << 9 << u"MB al abrirse"_s;
    }
    // Refused whole, before any entry is read, with the package named; the
    // report gives it one row.
    void rechazados()
    {
        QFETCH(int, caso);
        QFETCH(QString, motivo);
        QTemporaryDir carpeta;
        const QString archivo = carpeta.filePath(u"paquete_02.zip"_s);
        const QList<TEntrada> comprobantes{{u"uno.xml"_s, voucher("cfdi40-real.xml"), {}},
                                           {u"dos.xml"_s, voucher("cfdi33-real.xml"), {}}};
        quint64 expandido = 0;
        switch (caso) {
        case 0:
        case 1:
            QVERIFY(PaquetesPrueba::escribe(archivo, comprobantes));
            QVERIFY(PaquetesPrueba::corta(archivo,
                                          caso == 0 ? QFileInfo(archivo).size() / 2 : QFileInfo(archivo).size() - 1));
            break;
        case 2:
            QVERIFY(TCarpetaPrograma::escribe(archivo, voucher("cfdi40-real.xml")));
            break;
        case 3:
        case 4:
        case 5: // the reason quotes the entry's name
            QVERIFY(PaquetesPrueba::escribe(
                archivo, comprobantes + QList<TEntrada>{{motivo.mid(1, motivo.size() - 2), "<x/>", {}}}));
            break;
        case 6:
            QVERIFY(ZipPrueba::crudo(archivo, {{u"uno.xml"_s, 0}, {u"enlace.xml"_s, S_IFLNK}}));
            break;
        case 7:
            QVERIFY(ZipPrueba::crudo(archivo, {{u"disco.xml"_s, S_IFBLK}}));
            break;
        case 8:
            // 3 GiB in 3 MB, written in some 15 ms.
            expandido = PaquetesPrueba::bomba(archivo, 1, 3ull << 30);
            QVERIFY(expandido > 0);
            break;
        case 9:
            // 18 GiB in 18 MB (some 150 ms), beyond the size limit as well as
            // the ratio.
            expandido = 6 * PaquetesPrueba::bomba(archivo, 6, 3ull << 30);
            QVERIFY(expandido > TArchivoZip::MAXIMO_EXPANDIDO);
            break;
        }
        try {
            const TPaqueteSat paquete(archivo);
            QFAIL("Se abrió un paquete que debía rechazarse.");
        } catch (const EArchivoZip& e) {
            const QString texto = QString::fromUtf8(e.what());
            QVERIFY2(texto.contains(archivo), e.what());
            QVERIFY2(texto.contains(motivo), e.what());
            QVERIFY2(texto.contains(u"no se leyó nada"_s), e.what());
            if (expandido > 0)
                QVERIFY2(texto.contains(u"ocuparía %1 MB"_s.arg((expandido + (1 << 20) - 1) >> 20)), e.what());
        }
        QCOMPARE(TPaqueteSat::filas(archivo), 1);
        QCOMPARE(TPaqueteSat::filas(carpeta.filePath(u"no-existe.zip"_s)), 1);
    }
};

QTEST_GUILESS_MAIN(TstPaqueteSat)
#include "tst_paquetesat.moc"

#include "DocumentoXML.h"
#include "PaquetesPrueba.h"
#include "ZipPrueba.h"
#include "import/PaqueteSat.h"
#include "negocio/TArchivoZip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

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

QByteArray lee(const QString& ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray voucher(const QString& nombre)
{
    return lee(QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/") + nombre);
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
        const QList<TCaso> casos{
            {{QStringLiteral("paquete/"), {}, {}}, TClase::Omitida, QStringLiteral("Es una carpeta")},
            {{QStringLiteral("__MACOSX/"), {}, {}}, TClase::Omitida, QStringLiteral("Es una carpeta")},
            {{QStringLiteral("__MACOSX/paquete/._C2832671-DA6D-11EF-A83D-00155D012007.xml"),
              QByteArrayLiteral("\0\5\26\7 Mac OS X"),
              {}},
             TClase::Omitida,
             QStringLiteral("(__MACOSX)")},
            {{QStringLiteral("paquete/._CEE4BE01-ADFA-4DEB-8421-ADD60F0BEDAC.xml"),
              QByteArrayLiteral("\0\5\26\7 Mac OS X"),
              {}},
             TClase::Omitida,
             QStringLiteral("empieza con \"._\"")},
            {{QStringLiteral("vacío.xml"), {}, {}}, TClase::Omitida, QStringLiteral("El archivo está vacío.")},
            {{QStringLiteral("LEEME.txt"), "Comprobantes descargados del SAT.\r\n", {}},
             TClase::Omitida,
             QStringLiteral("texto que no es de metadatos")},
            {{QStringLiteral("paquete/C2832671-DA6D-11EF-A83D-00155D012007.xml"), voucher("cfdi40-real.xml"), fecha},
             TClase::Comprobante,
             {}},
            {{QStringLiteral("cee4be01-adfa-4deb-8421-add60f0bedac.XML"), voucher("cfdi33-real.xml"), {}},
             TClase::Comprobante,
             {}},
            {{QStringLiteral("5C9D2F2A-1D8B-4C4E-9B9E-0A1B2C3D4E5F.xml.xml"), voucher("cfdv40-donat11.xml.xml"), {}},
             TClase::Comprobante,
             {}},
            {{QStringLiteral("otro.Xml"), voucher("h&e951128469_ingreso_iva16_stamped.xml"), {}},
             TClase::Comprobante,
             {}},
            {{QStringLiteral("4E1F2A3B-5C6D-4E7F-8A9B-0C1D2E3F4A5B_01.txt"), METADATOS, fecha}, TClase::Metadatos, {}},
            {{QStringLiteral("4E1F2A3B-5C6D-4E7F-8A9B-0C1D2E3F4A5B_tercero.TXT"), TERCEROS, {}}, TClase::Terceros, {}},
            {{QStringLiteral("acuse.pdf"), "%PDF-1.4", {}},
             TClase::Omitida,
             QStringLiteral("No es un archivo XML ni de metadatos del SAT.")},
            {{QStringLiteral("sin-extension"), "<cfdi:Comprobante/>", {}},
             TClase::Omitida,
             QStringLiteral("No es un archivo XML ni de metadatos del SAT.")},
        };
        QTemporaryDir carpeta;
        const QString archivo = carpeta.filePath(QStringLiteral("paquete_01.zip"));
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
            QVERIFY2(e.motivo.contains(caso.motivo), qPrintable(caso.entrada.nombre + QStringLiteral(": ") + e.motivo));
            QVERIFY2(caso.motivo.isEmpty() == e.motivo.isEmpty(), cual.constData());
            // The voucher is the file as it came, byte for byte.
            QCOMPARE(e.datos, caso.clase == TClase::Comprobante ? caso.entrada.datos : QByteArray());
            if (caso.entrada.fecha.isValid())
                QCOMPARE(e.fecha, caso.entrada.fecha);
            QVERIFY(e.fecha.isValid());
        }

        QStringList uuids;
        int rechazos = 0;
        TLectorMetadatos metadatos(
            [&](const TFilaMetadatos& f) {
                uuids << f.uuid + (f.cancelado() ? QStringLiteral(" cancelado") : QString());
                return true;
            },
            [&](int, const QString&) {
                ++rechazos;
                return true;
            });
        paquete.leeMetadatos(10, metadatos);
        QCOMPARE(metadatos.tipo(), TLectorMetadatos::TTipo::Metadatos);
        QCOMPARE(uuids, QStringList({QStringLiteral("C2832671-DA6D-11EF-A83D-00155D012007"),
                                     QStringLiteral("CEE4BE01-ADFA-4DEB-8421-ADD60F0BEDAC cancelado")}));
        QCOMPARE(rechazos, 0);
        QStringList terceros;
        TLectorMetadatos lectorTerceros(
            [&](const TFilaMetadatos& f) {
                terceros << f.uuid + QLatin1Char(' ') + f.rfcACuentaTerceros + QLatin1Char(' ') +
                                f.nombreACuentaTerceros;
                return true;
            },
            [&](int, const QString&) {
                ++rechazos;
                return true;
            });
        paquete.leeMetadatos(11, lectorTerceros);
        QCOMPARE(lectorTerceros.tipo(), TLectorMetadatos::TTipo::Terceros);
        QCOMPARE(terceros,
                 QStringList{QStringLiteral("C2832671-DA6D-11EF-A83D-00155D012007 MAG041126GT8 Mañanitas & Co")});
    }

    // One damaged entry fails alone; the others are read whole.
    void entradaDanada()
    {
        QTemporaryDir carpeta;
        const QString archivo = carpeta.filePath(QStringLiteral("paquete.zip"));
        // Rows enough, each its own, that the first pieces inflate before
        // the damage is reached.
        QByteArray metadatos = METADATOS.left(METADATOS.indexOf("\r\n") + 2);
        for (int i = 0; i < 4000; ++i)
            metadatos += QStringLiteral("%1-DA6D-11EF-A83D-00155D012007~EKU9003173C9~ESCUELA KEMPER URGATE~"
                                        "XAXX010101000~PUBLICO EN GENERAL~SAT970701NN3~2025-01-24 10:20:30~"
                                        "2025-01-24 10:21:02~%2.00~I~1~\r\n")
                             .arg(i, 8, 16, QLatin1Char('0'))
                             .arg(i * 7)
                             .toUtf8();
        const QList<TEntrada> entradas{
            {QStringLiteral("uno.xml"), voucher("cfdi40-real.xml"), {}},
            {QStringLiteral("dos.xml"), voucher("cfdv40-cartaporte20.xml"), {}},
            {QStringLiteral("tres.xml"), voucher("cfdi33-real.xml"), {}},
            {QStringLiteral("paquete_01.txt"), metadatos, {}},
        };
        QVERIFY(PaquetesPrueba::escribe(archivo, entradas));
        QVERIFY(PaquetesPrueba::danaEntrada(archivo, QStringLiteral("dos.xml")));
        QVERIFY(PaquetesPrueba::danaEntrada(archivo, QStringLiteral("paquete_01.txt")));

        const TPaqueteSat paquete(archivo);
        QCOMPARE(TPaqueteSat::filas(archivo), 4);
        const QList<TEntradaPaquete> leidas = recorre(paquete);
        QCOMPARE(leidas.size(), 4);
        QCOMPARE(leidas.at(0).clase, TClase::Comprobante);
        QCOMPARE(leidas.at(0).datos, entradas.at(0).datos);
        QCOMPARE(leidas.at(1).clase, TClase::Fallida);
        QVERIFY2(leidas.at(1).motivo.contains(QStringLiteral("dañado")), qPrintable(leidas.at(1).motivo));
        QVERIFY(leidas.at(1).datos.isEmpty());
        QCOMPARE(leidas.at(2).clase, TClase::Comprobante);
        QCOMPARE(leidas.at(2).datos, entradas.at(2).datos);
        // Its header is read before the damage; its rows are not all there.
        QCOMPARE(leidas.at(3).clase, TClase::Metadatos);
        int filas = 0;
        TLectorMetadatos lector(
            [&](const TFilaMetadatos&) {
                ++filas;
                return true;
            },
            [](int, const QString&) { return true; });
        try {
            paquete.leeMetadatos(3, lector);
            QFAIL("Se leyeron metadatos dañados sin aviso.");
        } catch (const EArchivoZip& e) {
            QCOMPARE(e.motivo(), EArchivoZip::TMotivo::Danado);
            QVERIFY2(QString::fromUtf8(e.what()).contains(archivo), e.what());
            QVERIFY2(QString::fromUtf8(e.what()).contains(QLatin1String("paquete_01.txt")), e.what());
        }
    }

    // An entry too large for a voucher is not read into memory.
    void comprobanteDemasiadoGrande()
    {
        QTemporaryDir carpeta;
        const QString archivo = carpeta.filePath(QStringLiteral("paquete.zip"));
        // Incompressible bytes keep the package's ratio within the limits.
        QVERIFY(PaquetesPrueba::bomba(archivo, 1, TDocumentoXML::TAMANO_MAXIMO + 1, variados(1 << 20)) >
                quint64(TDocumentoXML::TAMANO_MAXIMO));
        QCOMPARE(TPaqueteSat::filas(archivo), 2);
        const TPaqueteSat paquete(archivo);
        const QList<TEntradaPaquete> leidas = recorre(paquete);
        QCOMPARE(leidas.size(), 2);
        QCOMPARE(leidas.at(0).clase, TClase::Fallida);
        QVERIFY2(leidas.at(0).motivo.contains(QLatin1String("128 MB")), qPrintable(leidas.at(0).motivo));
        QCOMPARE(leidas.at(1).clase, TClase::Omitida);
    }

    // A voucher under a password cannot be read; it fails alone.
    void cifrada()
    {
        QTemporaryDir carpeta;
        const QString origen = carpeta.filePath(QStringLiteral("origen"));
        QVERIFY(QDir().mkpath(origen));
        QFile xml(origen + QStringLiteral("/C2832671-DA6D-11EF-A83D-00155D012007.xml"));
        QVERIFY(xml.open(QIODevice::WriteOnly) && xml.write(voucher("cfdi40-real.xml")) > 0);
        xml.close();
        const QString archivo = carpeta.filePath(QStringLiteral("paquete.zip"));
        TArchivoZip::comprime(archivo, origen, QString(), QStringLiteral("kaLumi"), TArchivoZip::TCifrado::Aes128);
        const TPaqueteSat paquete(archivo);
        const QList<TEntradaPaquete> leidas = recorre(paquete);
        QCOMPARE(leidas.size(), 1);
        QCOMPARE(leidas.at(0).clase, TClase::Fallida);
        QVERIFY2(leidas.at(0).motivo.contains(QStringLiteral("cifrado con contraseña")),
                 qPrintable(leidas.at(0).motivo));
        QVERIFY(leidas.at(0).datos.isEmpty());
    }

    // The bombs below are genuine: a small one inflates, entry by entry, to
    // what it declares, and its CRC holds.
    void bombaPequenaSeLee()
    {
        QTemporaryDir carpeta;
        const QString archivo = carpeta.filePath(QStringLiteral("paquete.zip"));
        const quint64 expandido = PaquetesPrueba::bomba(archivo, 2, 5'000'000);
        QVERIFY(expandido >= 5'000'000);
        QCOMPARE(TPaqueteSat::filas(archivo), 2);
        const TPaqueteSat paquete(archivo);
        const QList<TEntradaPaquete> leidas = recorre(paquete);
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
        QTest::newRow("cortado a la mitad") << 0 << QStringLiteral("no es un archivo ZIP o está incompleto");
        QTest::newRow("sin el último byte") << 1 << QStringLiteral("no es un archivo ZIP o está incompleto");
        QTest::newRow("no es ZIP") << 2 << QStringLiteral("no es un archivo ZIP o está incompleto");
        QTest::newRow("nombre que sube de carpeta") << 3 << QStringLiteral("\"../../x.xml\"");
        QTest::newRow("ruta absoluta") << 4 << QStringLiteral("\"/etc/x.xml\"");
        QTest::newRow("unidad de Windows") << 5 << QStringLiteral("\"C:\\x.xml\"");
        QTest::newRow("enlace simbólico") << 6 << QStringLiteral("\"enlace.xml\"");
        QTest::newRow("dispositivo") << 7 << QStringLiteral("\"disco.xml\"");
        QTest::newRow("bomba de 3 GiB") << 8 << QStringLiteral("MB al abrirse");
        QTest::newRow("bomba de 6 entradas de 3 GiB") << 9 << QStringLiteral("MB al abrirse");
    }
    // Refused whole, before any entry is read, with the package named; the
    // report gives it one row.
    void rechazados()
    {
        QFETCH(int, caso);
        QFETCH(QString, motivo);
        QTemporaryDir carpeta;
        const QString archivo = carpeta.filePath(QStringLiteral("paquete_02.zip"));
        const QList<TEntrada> comprobantes{{QStringLiteral("uno.xml"), voucher("cfdi40-real.xml"), {}},
                                           {QStringLiteral("dos.xml"), voucher("cfdi33-real.xml"), {}}};
        const auto conNombre = [&](const QString& nombre) {
            return PaquetesPrueba::escribe(archivo, comprobantes + QList<TEntrada>{{nombre, "<x/>", {}}});
        };
        quint64 expandido = 0;
        switch (caso) {
        case 0:
            QVERIFY(PaquetesPrueba::escribe(archivo, comprobantes));
            QVERIFY(PaquetesPrueba::corta(archivo, QFileInfo(archivo).size() / 2));
            break;
        case 1:
            QVERIFY(PaquetesPrueba::escribe(archivo, comprobantes));
            QVERIFY(PaquetesPrueba::corta(archivo, QFileInfo(archivo).size() - 1));
            break;
        case 2: {
            QFile f(archivo);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(voucher("cfdi40-real.xml")) > 0);
            break;
        }
        case 3:
            QVERIFY(conNombre(QStringLiteral("../../x.xml")));
            break;
        case 4:
            QVERIFY(conNombre(QStringLiteral("/etc/x.xml")));
            break;
        case 5:
            QVERIFY(conNombre(QStringLiteral("C:\\x.xml")));
            break;
        case 6:
            QVERIFY(
                ZipPrueba::crudo(archivo, {{QStringLiteral("uno.xml"), 0}, {QStringLiteral("enlace.xml"), S_IFLNK}}));
            break;
        case 7:
            QVERIFY(ZipPrueba::crudo(archivo, {{QStringLiteral("disco.xml"), S_IFBLK}}));
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
            QVERIFY2(texto.contains(QStringLiteral("no se leyó nada")), e.what());
            if (expandido > 0)
                QVERIFY2(texto.contains(QStringLiteral("ocuparía %1 MB").arg((expandido + (1 << 20) - 1) >> 20)),
                         e.what());
        }
        QCOMPARE(TPaqueteSat::filas(archivo), 1);
        QCOMPARE(TPaqueteSat::filas(carpeta.filePath(QStringLiteral("no-existe.zip"))), 1);
    }
};

QTEST_GUILESS_MAIN(TstPaqueteSat)
#include "tst_paquetesat.moc"

#include "CarpetaPrograma.h"
#include "negocio/TArchivoZip.h"
#include "ZipPrueba.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <zip.h>

using TMotivo = EArchivoZip::TMotivo;
Q_DECLARE_METATYPE(TArchivoZip::TCifrado)

namespace {

void escribe(const QString& ruta, const QByteArray& datos)
{
    QVERIFY(TCarpetaPrograma::escribe(ruta, datos));
}

// Every file below a folder with its bytes, by relative path.
QMap<QString, QByteArray> contenido(const QString& carpeta)
{
    QMap<QString, QByteArray> mapa;
    QDirIterator it(carpeta, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString ruta = it.next();
        mapa.insert(QDir(carpeta).relativeFilePath(ruta), TCarpetaPrograma::lee(ruta));
    }
    return mapa;
}

// Bytes that do not compress, the same on every run.
QByteArray datosVariados(int n)
{
    QRandomGenerator generador(20240611);
    QByteArray d(n, Qt::Uninitialized);
    for (char& c : d)
        c = char(generador.bounded(256));
    return d;
}

} // namespace

class TstArchivoZip : public QObject {
    Q_OBJECT
private slots:
    void idaYVuelta_data()
    {
        QTest::addColumn<TArchivoZip::TCifrado>("cifrado");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("metodo");
        QTest::newRow("AES-128") << TArchivoZip::TCifrado::Aes128 << QStringLiteral("kaLumi") << int(ZIP_EM_AES_128);
        QTest::newRow("tradicional") << TArchivoZip::TCifrado::Tradicional << QStringLiteral("zepqul")
                                     << int(ZIP_EM_TRAD_PKWARE);
        QTest::newRow("sin cifrar") << TArchivoZip::TCifrado::Ninguno << QString() << int(ZIP_EM_NONE);
    }
    void idaYVuelta()
    {
        QFETCH(TArchivoZip::TCifrado, cifrado);
        QFETCH(QString, password);
        QFETCH(int, metodo);
        QTemporaryDir dir;
        const QString origen = dir.filePath(QStringLiteral("EKU9003173C9"));
        escribe(origen + QStringLiteral("/Velkor.fdb"), datosVariados(300000));
        escribe(origen + QStringLiteral("/Configuración.ini"), "[Logo]\nImprimirLogo=true\n");
        escribe(origen + QStringLiteral("/Certificados/.oculto"), "x");
        QDir().mkpath(origen + QStringLiteral("/vacía"));
        // The archive is written inside the folder it archives.
        const QString archivo = origen + QStringLiteral("/EKU9003173C9.zip");
        escribe(archivo, "archivo anterior");
        TArchivoZip::comprime(archivo, origen, QStringLiteral("db/EKU9003173C9/"), password, cifrado);

        const TArchivoZip zip(archivo);
        QVERIFY(zip.esSeguro());
        QStringList nombres;
        for (const TArchivoZip::TEntrada& e : zip.entradas()) {
            nombres << e.nombre + (e.directorio ? QStringLiteral("/") : QString());
            QCOMPARE(e.cifrada, !e.directorio && metodo != ZIP_EM_NONE);
        }
        QVERIFY(nombres.contains(QStringLiteral("db/")));
        QVERIFY(nombres.contains(QStringLiteral("db/EKU9003173C9/vacía/")));
        QVERIFY(!nombres.contains(QStringLiteral("db/EKU9003173C9/EKU9003173C9.zip")));

        int error = 0;
        zip_t* crudo = zip_open(QFile::encodeName(archivo).constData(), ZIP_RDONLY, &error);
        zip_stat_t st;
        QCOMPARE(zip_stat(crudo, "db/EKU9003173C9/Velkor.fdb", 0, &st), 0);
        QCOMPARE(int(st.encryption_method), metodo);
        zip_discard(crudo);

        const QString destino = dir.filePath(QStringLiteral("extraido"));
        zip.extraeTodo(destino, {QStringLiteral("otra"), password});
        QFile::remove(archivo);
        QCOMPARE(contenido(destino + QStringLiteral("/db/EKU9003173C9")), contenido(origen));
        QVERIFY(QFileInfo(destino + QStringLiteral("/db/EKU9003173C9/vacía")).isDir());
    }

    // Traditional encryption checks a password against one byte only: about
    // one wrong password in 256 opens the entry and yields garbage, caught by
    // the CRC (or by the decompressor).
    void passwordIncorrecto_data()
    {
        QTest::addColumn<TArchivoZip::TCifrado>("cifrado");
        QTest::addColumn<bool>("pasaLaPrimeraPrueba");
        QTest::newRow("AES-128") << TArchivoZip::TCifrado::Aes128 << false;
        QTest::newRow("tradicional") << TArchivoZip::TCifrado::Tradicional << false;
        QTest::newRow("tradicional que pasa la primera prueba") << TArchivoZip::TCifrado::Tradicional << true;
    }
    void passwordIncorrecto()
    {
        QFETCH(TArchivoZip::TCifrado, cifrado);
        QFETCH(bool, pasaLaPrimeraPrueba);
        QTemporaryDir dir;
        const QString origen = dir.filePath(QStringLiteral("o"));
        escribe(origen + QStringLiteral("/Velkor.fdb"), datosVariados(20000));
        const QString archivo = dir.filePath(QStringLiteral("a.zip"));
        if (pasaLaPrimeraPrueba)
            QVERIFY(ZipPrueba::tradicionalQueEngana(archivo, origen, QString(), QStringLiteral("buena"),
                                                    QStringLiteral("mala")));
        else
            TArchivoZip::comprime(archivo, origen, QString(), QStringLiteral("buena"), cifrado);
        try {
            TArchivoZip(archivo).extraeTodo(dir.filePath(QStringLiteral("d")), {QStringLiteral("mala")});
            QFAIL("se extrajo con otra contraseña");
        } catch (const EArchivoZip& e) {
            QCOMPARE(e.motivo(), TMotivo::PasswordIncorrecto);
        }
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("d/Velkor.fdb"))));
    }

    void danado_data()
    {
        QTest::addColumn<TArchivoZip::TCifrado>("cifrado");
        QTest::addColumn<bool>("cortado");
        QTest::addColumn<int>("motivo");
        QTest::newRow("cortado a la mitad") << TArchivoZip::TCifrado::Ninguno << true << int(TMotivo::NoSeAbre);
        QTest::newRow("bytes cambiados") << TArchivoZip::TCifrado::Ninguno << false << int(TMotivo::Danado);
        QTest::newRow("bytes cambiados, AES") << TArchivoZip::TCifrado::Aes128 << false << int(TMotivo::Danado);
    }
    void danado()
    {
        QFETCH(TArchivoZip::TCifrado, cifrado);
        QFETCH(bool, cortado);
        QFETCH(int, motivo);
        QTemporaryDir dir;
        escribe(dir.filePath(QStringLiteral("o/a.bin")), datosVariados(200000));
        const QString archivo = dir.filePath(QStringLiteral("a.zip"));
        TArchivoZip::comprime(archivo, dir.filePath(QStringLiteral("o")), QString(), QStringLiteral("kaLumi"), cifrado);
        QByteArray bytes = TCarpetaPrograma::lee(archivo);
        if (cortado) {
            bytes.truncate(bytes.size() / 2);
        } else {
            for (qsizetype i = bytes.size() / 3; i < bytes.size() / 3 + 64; ++i)
                bytes[i] = char(bytes.at(i) ^ 0x5a);
        }
        escribe(archivo, bytes);
        try {
            TArchivoZip(archivo).extraeTodo(dir.filePath(QStringLiteral("d")), {QStringLiteral("kaLumi")});
            QFAIL("se aceptó un archivo dañado");
        } catch (const EArchivoZip& e) {
            QCOMPARE(int(e.motivo()), motivo);
        }
    }

    void entradasInseguras_data()
    {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<int>("tipo");
        QTest::newRow("sube con ..") << QStringLiteral("../fuera.txt") << 0;
        QTest::newRow(".. en medio") << QStringLiteral("db/RFC/../../../fuera.txt") << 0;
        QTest::newRow("ruta absoluta") << QStringLiteral("/tmp/velkor-fuera.txt") << 0;
        QTest::newRow("unidad de Windows") << QStringLiteral("C:/fuera.txt") << 0;
        QTest::newRow("separador de Windows") << QStringLiteral("db\\..\\..\\fuera.txt") << 0;
        QTest::newRow("enlace simbólico") << QStringLiteral("db/RFC/enlace") << int(S_IFLNK);
        QTest::newRow("dispositivo") << QStringLiteral("db/RFC/dispositivo") << int(S_IFCHR);
        QTest::newRow("tubería") << QStringLiteral("db/RFC/tuberia") << int(S_IFIFO);
    }
    void entradasInseguras()
    {
        QFETCH(QString, nombre);
        QFETCH(int, tipo);
        QTemporaryDir dir;
        const QString archivo = dir.filePath(QStringLiteral("a.zip"));
        // A safe entry first: nothing at all may be written.
        QVERIFY(ZipPrueba::crudo(archivo, {{QStringLiteral("db/RFC/bueno.txt"), 0}, {nombre, mode_t(tipo)}}));
        const TArchivoZip zip(archivo);
        QVERIFY(!zip.esSeguro());
        const QString destino = dir.filePath(QStringLiteral("programa/destino"));
        try {
            zip.extraeTodo(destino, {});
            QFAIL("se extrajo un archivo con una entrada insegura");
        } catch (const EArchivoZip& e) {
            QCOMPARE(e.motivo(), TMotivo::EntradaInsegura);
        }
        QVERIFY(!QFileInfo::exists(destino));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("programa/fuera.txt"))));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/velkor-fuera.txt")));
    }

    void rutaSegura_data()
    {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("limpia");
        QTest::newRow("normal") << QStringLiteral("db/RFC/Velkor.fdb") << QStringLiteral("db/RFC/Velkor.fdb");
        QTest::newRow("carpeta") << QStringLiteral("db/RFC/") << QStringLiteral("db/RFC");
        QTest::newRow("puntos y dobles barras") << QStringLiteral("./db//RFC/./a") << QStringLiteral("db/RFC/a");
        QTest::newRow("Windows") << QStringLiteral("db\\RFC\\a") << QStringLiteral("db/RFC/a");
        QTest::newRow("nombre con dos puntos") << QStringLiteral("db/a..b") << QStringLiteral("db/a..b");
        QTest::newRow("control") << QStringLiteral("db/a\nb") << QString();
        QTest::newRow("sólo punto") << QStringLiteral("./") << QString();
    }
    void rutaSegura()
    {
        QFETCH(QString, nombre);
        QFETCH(QString, limpia);
        QCOMPARE(TArchivoZip::rutaSegura(nombre), limpia);
    }

    void noEsZip()
    {
        QTemporaryDir dir;
        escribe(dir.filePath(QStringLiteral("a.zip")), "esto no es un zip");
        QVERIFY_THROWS_EXCEPTION(EArchivoZip, TArchivoZip(dir.filePath(QStringLiteral("a.zip"))));
        QVERIFY_THROWS_EXCEPTION(EArchivoZip, TArchivoZip(dir.filePath(QStringLiteral("no-existe.zip"))));
    }
};

QTEST_GUILESS_MAIN(TstArchivoZip)
#include "tst_archivozip.moc"

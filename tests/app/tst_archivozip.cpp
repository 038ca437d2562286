#include "CarpetaPrograma.h"
#include "ConPermisosDeUsuario.h"
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

using namespace Qt::StringLiterals;
using TMotivo = EArchivoZip::TMotivo;
Q_DECLARE_METATYPE(TArchivoZip::TCifrado)

namespace {

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
        QTest::newRow("AES-128") << TArchivoZip::TCifrado::Aes128 << u"kaLumi"_s << int(ZIP_EM_AES_128);
        QTest::newRow("tradicional") << TArchivoZip::TCifrado::Tradicional << u"zepqul"_s << int(ZIP_EM_TRAD_PKWARE);
        QTest::newRow("sin cifrar") << TArchivoZip::TCifrado::Ninguno << QString() << int(ZIP_EM_NONE);
    }
    void idaYVuelta()
    {
        QFETCH(TArchivoZip::TCifrado, cifrado);
        QFETCH(QString, password);
        QFETCH(int, metodo);
        QTemporaryDir dir;
        const QString origen = dir.filePath(u"EKU9003173C9"_s);
        QVERIFY(TCarpetaPrograma::escribe(origen + u"/Velkor.fdb"_s, datosVariados(300000)));
        QVERIFY(TCarpetaPrograma::escribe(origen + u"/Configuración.ini"_s, "[Logo]\nImprimirLogo=true\n"));
        QVERIFY(TCarpetaPrograma::escribe(origen + u"/Certificados/.oculto"_s, "x"));
        QDir().mkpath(origen + u"/vacía"_s);
        // The archive is written inside the folder it archives.
        const QString archivo = origen + u"/EKU9003173C9.zip"_s;
        QVERIFY(TCarpetaPrograma::escribe(archivo, "archivo anterior"));
        TArchivoZip::comprime(archivo, origen, u"db/EKU9003173C9/"_s, password, cifrado);

        const TArchivoZip zip(archivo);
        QVERIFY(zip.esSeguro());
        QStringList nombres;
        for (const TArchivoZip::TEntrada& e : zip.entradas()) {
            nombres << e.nombre + (e.directorio ? u"/"_s : QString());
            QCOMPARE(e.cifrada, !e.directorio && metodo != ZIP_EM_NONE);
        }
        QVERIFY(nombres.contains(u"db/"_s));
        QVERIFY(nombres.contains(u"db/EKU9003173C9/vacía/"_s));
        QVERIFY(!nombres.contains(u"db/EKU9003173C9/EKU9003173C9.zip"_s));

        zip_t* crudo = zip_open(QFile::encodeName(archivo).constData(), ZIP_RDONLY, nullptr);
        zip_stat_t st;
        QCOMPARE(zip_stat(crudo, "db/EKU9003173C9/Velkor.fdb", 0, &st), 0);
        QCOMPARE(int(st.encryption_method), metodo);
        zip_discard(crudo);

        const QString destino = dir.filePath(u"extraido"_s);
        zip.extraeTodo(destino, {u"otra"_s, password});
        QFile::remove(archivo);
        QCOMPARE(contenido(destino + u"/db/EKU9003173C9"_s), contenido(origen));
        QVERIFY(QFileInfo(destino + u"/db/EKU9003173C9/vacía"_s).isDir());
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
        const QString origen = dir.filePath(u"o"_s);
        QVERIFY(TCarpetaPrograma::escribe(origen + u"/Velkor.fdb"_s, datosVariados(20000)));
        const QString archivo = dir.filePath(u"a.zip"_s);
        if (pasaLaPrimeraPrueba)
            QVERIFY(ZipPrueba::tradicionalQueEngana(archivo, origen, QString(), u"buena"_s, u"mala"_s));
        else
            TArchivoZip::comprime(archivo, origen, QString(), u"buena"_s, cifrado);
        try {
            TArchivoZip(archivo).extraeTodo(dir.filePath(u"d"_s), {u"mala"_s});
            QFAIL("se extrajo con otra contraseña");
        } catch (const EArchivoZip& e) {
            QCOMPARE(e.motivo(), TMotivo::PasswordIncorrecto);
        }
        QVERIFY(!QFileInfo::exists(dir.filePath(u"d/Velkor.fdb"_s)));
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
        QVERIFY(TCarpetaPrograma::escribe(dir.filePath(u"o/a.bin"_s), datosVariados(200000)));
        const QString archivo = dir.filePath(u"a.zip"_s);
        TArchivoZip::comprime(archivo, dir.filePath(u"o"_s), QString(), u"kaLumi"_s, cifrado);
        QByteArray bytes = TCarpetaPrograma::lee(archivo);
        if (cortado) {
            bytes.truncate(bytes.size() / 2);
        } else {
            for (qsizetype i = bytes.size() / 3; i < bytes.size() / 3 + 64; ++i)
                bytes[i] = char(bytes.at(i) ^ 0x5a);
        }
        QVERIFY(TCarpetaPrograma::escribe(archivo, bytes));
        try {
            TArchivoZip(archivo).extraeTodo(dir.filePath(u"d"_s), {u"kaLumi"_s});
            QFAIL("se aceptó un archivo dañado");
        } catch (const EArchivoZip& e) {
            QCOMPARE(int(e.motivo()), motivo);
            QVERIFY2(e.mensaje().endsWith(u": Su contenido está dañado o incompleto"_s) ||
                         e.mensaje().endsWith(u": No es un archivo ZIP"_s),
                     qPrintable(e.mensaje()));
        }
    }

    // A folder the user may not write: the reason is the system's, in
    // Spanish, not libzip's English.
    void sinPermisoDeEscritura()
    {
        QTemporaryDir dir;
        QVERIFY(TCarpetaPrograma::escribe(dir.filePath(u"o/a.bin"_s), "datos"));
        const QString destino = dir.filePath(u"destino"_s);
        QVERIFY(QDir().mkdir(destino));
        QVERIFY(QFile::setPermissions(destino, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        QString mensaje;
        {
            const TConPermisosDeUsuario usuario;
            if (!usuario.efectivo())
                QSKIP("El superusuario no pudo dejar sus permisos sobre archivos (capset).");
            try {
                TArchivoZip::comprime(destino + u"/a.zip"_s, dir.filePath(u"o"_s), QString(), QString(),
                                      TArchivoZip::TCifrado::Ninguno);
            } catch (const EArchivoZip& e) {
                mensaje = e.mensaje();
            }
        }
        QVERIFY2(mensaje.endsWith(u": No tienes permiso"_s), qPrintable(mensaje));
    }

    void entradasInseguras_data()
    {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<int>("tipo");
        QTest::newRow("sube con ..") << u"../fuera.txt"_s << 0;
        QTest::newRow(".. en medio") << u"db/RFC/../../../fuera.txt"_s << 0;
        QTest::newRow("ruta absoluta") << u"/tmp/velkor-fuera.txt"_s << 0;
        QTest::newRow("unidad de Windows") << u"C:/fuera.txt"_s << 0;
        QTest::newRow("separador de Windows") << u"db\\..\\..\\fuera.txt"_s << 0;
        QTest::newRow("enlace simbólico") << u"db/RFC/enlace"_s << int(S_IFLNK);
        QTest::newRow("dispositivo") << u"db/RFC/dispositivo"_s << int(S_IFCHR);
        QTest::newRow("tubería") << u"db/RFC/tuberia"_s << int(S_IFIFO);
    }
    void entradasInseguras()
    {
        QFETCH(QString, nombre);
        QFETCH(int, tipo);
        QTemporaryDir dir;
        const QString archivo = dir.filePath(u"a.zip"_s);
        // A safe entry first: nothing at all may be written.
        QVERIFY(ZipPrueba::crudo(archivo, {{u"db/RFC/bueno.txt"_s, 0}, {nombre, mode_t(tipo)}}));
        const TArchivoZip zip(archivo);
        QVERIFY(!zip.esSeguro());
        const QString destino = dir.filePath(u"programa/destino"_s);
        try {
            zip.extraeTodo(destino, {});
            QFAIL("se extrajo un archivo con una entrada insegura");
        } catch (const EArchivoZip& e) {
            QCOMPARE(e.motivo(), TMotivo::EntradaInsegura);
        }
        QVERIFY(!QFileInfo::exists(destino));
        QVERIFY(!QFileInfo::exists(dir.filePath(u"programa/fuera.txt"_s)));
        QVERIFY(!QFileInfo::exists(u"/tmp/velkor-fuera.txt"_s));
    }

    void rutaSegura_data()
    {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("limpia");
        QTest::newRow("normal") << u"db/RFC/Velkor.fdb"_s << u"db/RFC/Velkor.fdb"_s;
        QTest::newRow("carpeta") << u"db/RFC/"_s << u"db/RFC"_s;
        QTest::newRow("puntos y dobles barras") << u"./db//RFC/./a"_s << u"db/RFC/a"_s;
        QTest::newRow("Windows") << u"db\\RFC\\a"_s << u"db/RFC/a"_s;
        QTest::newRow("nombre con dos puntos") << u"db/a..b"_s << u"db/a..b"_s;
        QTest::newRow("control") << u"db/a\nb"_s << QString();
        QTest::newRow("sólo punto") << u"./"_s << QString();
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
        QVERIFY(TCarpetaPrograma::escribe(dir.filePath(u"a.zip"_s), "esto no es un zip"));
        QVERIFY_THROWS_EXCEPTION(EArchivoZip, TArchivoZip(dir.filePath(u"a.zip"_s)));
        QVERIFY_THROWS_EXCEPTION(EArchivoZip, TArchivoZip(dir.filePath(u"no-existe.zip"_s)));
    }
};

QTEST_GUILESS_MAIN(TstArchivoZip)
#include "tst_archivozip.moc"

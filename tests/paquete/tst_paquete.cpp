#include "CarpetaInstalada.h"
#include "negocio/TSenalesTerminacion.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString INSTALADA = u"/opt/velkor"_s;

struct TCorrida {
    int salida = -1;
    QString texto; // standard output and error together
};

// Runs a program to its end; a tool that is not there ends at once with -1.
TCorrida corre(const QString& programa, const QStringList& argumentos, const QProcessEnvironment& entorno = {},
               const QByteArray& entrada = {}, int limite = 120000, const QString& carpeta = {})
{
    QProcess proceso;
    proceso.setProcessChannelMode(QProcess::MergedChannels);
    proceso.setWorkingDirectory(carpeta);
    if (!entorno.isEmpty())
        proceso.setProcessEnvironment(entorno);
    proceso.setChildProcessModifier(&TSenalesTerminacion::desbloquea);
    proceso.start(programa, argumentos);
    if (!proceso.waitForStarted())
        return {};
    proceso.write(entrada);
    proceso.closeWriteChannel();
    if (!proceso.waitForFinished(limite)) {
        proceso.kill();
        proceso.waitForFinished();
        return {-1, QString::fromUtf8(proceso.readAll()) + u"\n(no terminó)"_s};
    }
    return {proceso.exitStatus() == QProcess::NormalExit ? proceso.exitCode() : -1,
            QString::fromUtf8(proceso.readAll())};
}

// Every path below `carpeta`, links included, with its size: what a run
// may have written there.
QStringList contenido(const QString& carpeta)
{
    QStringList rutas;
    QDirIterator recorrido(carpeta, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDirIterator::Subdirectories);
    while (recorrido.hasNext()) {
        const QFileInfo entrada(recorrido.nextFileInfo());
        rutas << u"%1 %2"_s.arg(entrada.filePath()).arg(entrada.isSymLink() ? -1 : entrada.size());
    }
    rutas.sort();
    return rutas;
}

} // namespace

// The Debian package as the build makes it (cpack -G DEB), unpacked into a
// throwaway root as dpkg would install it: what it holds, the menu entry,
// lintian's verdict, and the installed program run by a user whose data goes
// to their own folder while the installed one is never written.
class TstPaquete : public QObject {
    Q_OBJECT
    QTemporaryDir m_trabajo;
    QString m_paquete;
    QString m_raiz;

    QString instalado(const QString& ruta) const { return m_raiz + ruta; }

private slots:
    void initTestCase()
    {
        for (const QString& herramienta : {u"cpack"_s, u"dpkg-deb"_s})
            if (QStandardPaths::findExecutable(herramienta).isEmpty())
                QSKIP(qPrintable(u"Falta %1 para construir el paquete."_s.arg(herramienta)));
        const QString salida = m_trabajo.filePath(u"salida"_s);
        // cpack reads the configuration of the build folder, which is the
        // program folder.
        const TCorrida construido = corre(u"cpack"_s, {u"-G"_s, u"DEB"_s, u"-B"_s, salida}, {}, {}, 900000,
                                          QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO));
        QVERIFY2(construido.salida == 0, qPrintable(construido.texto));
        m_paquete = salida + QStringLiteral("/velkor_" VELKOR_VERSION "_amd64.deb");
        QVERIFY2(QFileInfo::exists(m_paquete), qPrintable(construido.texto));
        m_raiz = m_trabajo.filePath(u"raiz"_s);
        const TCorrida extraido = corre(u"dpkg-deb"_s, {u"-x"_s, m_paquete, m_raiz});
        QVERIFY2(extraido.salida == 0, qPrintable(extraido.texto));
    }

    // The program folder under /opt/velkor, the programs on the path, the
    // menu entry and the icon in every size of the theme.
    void contiene_data()
    {
        QTest::addColumn<QString>("ruta");
        QTest::addColumn<QString>("enlace"); // where a link must lead; empty for a file or folder
        for (const QString& ruta :
             {u"Velkor"_s, u"velkor-importar"_s, u"velkor-comprobante"_s, u"Lib/libComunes.so"_s,
              u"Lib/libBaseDatos.so"_s, u"Lib/libControles.so"_s, u"Lib/ResourcesUpd.so"_s, u"Plugins/Reportes.bpl"_s,
              u"Recursos.bpl"_s, u"Motor/firebird.conf"_s,
              u"Xslt/www.sat.gob.mx/sitio_internet/cfd/4/cadenaoriginal_4_0/cadenaoriginal_4_0.xslt"_s,
              u"db/CFDCAT.DB"_s, Rutas::MARCA_INSTALACION})
            QTest::newRow(qPrintable(ruta)) << INSTALADA + u'/' + ruta << QString();
        QTest::newRow("cliente del motor")
            << INSTALADA + u"/Motor/libfbclient.so.2"_s << u"/usr/lib/x86_64-linux-gnu/libfbclient.so.2"_s;
        QTest::newRow("velkor") << u"/usr/bin/velkor"_s << INSTALADA + u"/Velkor"_s;
        for (const QString& orden : {u"velkor-importar"_s, u"velkor-comprobante"_s})
            QTest::newRow(qPrintable(orden)) << u"/usr/bin/"_s + orden << INSTALADA + u'/' + orden;
        QTest::newRow("menú") << u"/usr/share/applications/velkor.desktop"_s << QString();
        for (const int lado : {16, 24, 32, 48, 64, 128, 256})
            QTest::newRow(qPrintable(u"icono %1"_s.arg(lado)))
                << u"/usr/share/icons/hicolor/%1x%1/apps/velkor.png"_s.arg(lado) << QString();
        QTest::newRow("copyright") << u"/usr/share/doc/velkor/copyright"_s << QString();
    }
    void contiene()
    {
        QFETCH(QString, ruta);
        QFETCH(QString, enlace);
        const QFileInfo archivo(instalado(ruta));
        QVERIFY2(archivo.exists() || archivo.isSymLink(), qPrintable(ruta));
        if (enlace.isEmpty()) {
            QVERIFY2(!archivo.isSymLink(), qPrintable(ruta));
        } else {
            QVERIFY2(archivo.isSymLink(), qPrintable(ruta));
            QCOMPARE(archivo.symLinkTarget(), enlace);
        }
        if (ruta.endsWith(u".png"_s))
            QCOMPARE(QImage(archivo.filePath()).width(), ruta.section(u'/', 5, 5).section(u'x', 0, 0).toInt());
    }

    // The installed executables find their libraries in the package, not in
    // the build folder.
    void sinRutasDeConstruccion()
    {
        for (const QString& programa : {u"Velkor"_s, u"velkor-importar"_s}) {
            const TCorrida dependencias = corre(u"ldd"_s, {instalado(INSTALADA + u'/' + programa)});
            QCOMPARE(dependencias.salida, 0);
            QVERIFY2(!dependencias.texto.contains(QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO)),
                     qPrintable(dependencias.texto));
            QVERIFY2(dependencias.texto.contains(instalado(INSTALADA + u"/Lib/libComunes.so"_s)),
                     qPrintable(dependencias.texto));
        }
    }

    void entradaDelMenu()
    {
        if (QStandardPaths::findExecutable(u"desktop-file-validate"_s).isEmpty())
            QSKIP("Falta desktop-file-validate (paquete desktop-file-utils).");
        const TCorrida validada =
            corre(u"desktop-file-validate"_s, {instalado(u"/usr/share/applications/velkor.desktop"_s)});
        QVERIFY2(validada.salida == 0 && validada.texto.trimmed().isEmpty(), qPrintable(validada.texto));
    }

    void lintian()
    {
        if (QStandardPaths::findExecutable(u"lintian"_s).isEmpty())
            QSKIP("Falta lintian.");
        const TCorrida revision = corre(u"lintian"_s, {m_paquete}, {}, {}, 600000);
        QStringList errores;
        for (const QString& linea : revision.texto.split(u'\n'))
            if (linea.startsWith(u"E:"_s))
                errores << linea;
        QVERIFY2(errores.isEmpty(), qPrintable(errores.join(u'\n')));
        QVERIFY2(revision.salida >= 0, qPrintable(revision.texto));
    }

    // Run by a user, the installed program keeps everything in their data
    // folder: a business created by an import, the installation key, the
    // registry, the log; the installed folder stays as unpacked.
    void importaComoUsuario()
    {
        const QString importar = instalado(INSTALADA + u"/velkor-importar"_s);
        QTemporaryDir hogar;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert(u"XDG_DATA_HOME"_s, hogar.filePath(u"datos"_s));
        const TCorrida ayuda = corre(importar, {u"--help"_s}, entorno);
        QCOMPARE(ayuda.salida, 0);
        QVERIFY2(ayuda.texto.contains(u"Uso:"_s), qPrintable(ayuda.texto));

        QTemporaryDir carpeta;
        QVERIFY(QFile::copy(QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/cfdi40-real.xml"), carpeta.filePath(u"a.xml"_s)));
        const QStringList antes = contenido(m_raiz);
        const TCorrida importada =
            corre(importar, {carpeta.path(), u"--correo"_s, u"dueno@negocio.mx"_s}, entorno, "Clave#1\n");
        QVERIFY2(importada.salida == 0 && importada.texto.contains(u"Importados: 1\n"_s), qPrintable(importada.texto));
        QCOMPARE(contenido(m_raiz), antes);

        const QString datos = hogar.filePath(u"datos/Velkor"_s);
        QVERIFY(QFileInfo(datos + u"/Motor"_s).isDir() && !QFileInfo(datos + u"/Motor"_s).isSymLink());
        QVERIFY(QFileInfo::exists(datos + u"/Motor/Instalacion.llave"_s));
        QVERIFY(QFileInfo::exists(datos + u"/db/Usuarios.db"_s));
        // The SAT's catalogue, which the new-business page lists from, is the
        // user's own copy.
        QVERIFY(QFileInfo(datos + u"/db/CFDCAT.DB"_s).isFile());
        QVERIFY(!QFileInfo(datos + u"/db/CFDCAT.DB"_s).isSymLink());
        QVERIFY(QFileInfo(instalado(INSTALADA + u"/db/CFDCAT.DB"_s)).permissions() & QFileDevice::ReadOther);
        QCOMPARE(QDir(datos + u"/db"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
        QCOMPARE(QFileInfo(datos + u"/Xslt"_s).symLinkTarget(), instalado(INSTALADA + u"/Xslt"_s));
    }
};

QTEST_GUILESS_MAIN(TstPaquete)
#include "tst_paquete.moc"

#include "CarpetaInstalada.h"
#include "negocio/TSenalesTerminacion.h"

#include <QtTest>

namespace {

const QString INSTALADA = QStringLiteral("/opt/velkor");

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
        return {-1, QString::fromUtf8(proceso.readAll()) + QStringLiteral("\n(no terminó)")};
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
        rutas << QStringLiteral("%1 %2").arg(entrada.filePath()).arg(entrada.isSymLink() ? -1 : entrada.size());
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
        for (const QString& herramienta : {QStringLiteral("cpack"), QStringLiteral("dpkg-deb")})
            if (QStandardPaths::findExecutable(herramienta).isEmpty())
                QSKIP(qPrintable(QStringLiteral("Falta %1 para construir el paquete.").arg(herramienta)));
        const QString salida = m_trabajo.filePath(QStringLiteral("salida"));
        // cpack reads the configuration of the build folder, which is the
        // program folder.
        const TCorrida construido =
            corre(QStringLiteral("cpack"), {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), salida},
                  {}, {}, 900000, QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO));
        QVERIFY2(construido.salida == 0, qPrintable(construido.texto));
        m_paquete = salida + QStringLiteral("/velkor_" VELKOR_VERSION "_amd64.deb");
        QVERIFY2(QFileInfo::exists(m_paquete), qPrintable(construido.texto));
        m_raiz = m_trabajo.filePath(QStringLiteral("raiz"));
        const TCorrida extraido = corre(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), m_paquete, m_raiz});
        QVERIFY2(extraido.salida == 0, qPrintable(extraido.texto));
    }

    // The program folder under /opt/velkor, the programs on the path, the
    // menu entry and the icon in every size of the theme.
    void contiene_data()
    {
        QTest::addColumn<QString>("ruta");
        QTest::addColumn<QString>("enlace"); // where a link must lead; empty for a file or folder
        for (const QString& ruta :
             {QStringLiteral("Velkor"), QStringLiteral("velkor-importar"), QStringLiteral("velkor-comprobante"),
              QStringLiteral("Lib/libComunes.so"), QStringLiteral("Lib/libBaseDatos.so"),
              QStringLiteral("Lib/libControles.so"), QStringLiteral("Lib/ResourcesUpd.so"),
              QStringLiteral("Plugins/Reportes.bpl"), QStringLiteral("Recursos.bpl"),
              QStringLiteral("Motor/firebird.conf"),
              QStringLiteral("Xslt/www.sat.gob.mx/sitio_internet/cfd/4/cadenaoriginal_4_0/cadenaoriginal_4_0.xslt"),
              QStringLiteral("db/CFDCAT.DB"), Rutas::MARCA_INSTALACION})
            QTest::newRow(qPrintable(ruta)) << INSTALADA + QLatin1Char('/') + ruta << QString();
        QTest::newRow("cliente del motor") << INSTALADA + QStringLiteral("/Motor/libfbclient.so.2")
                                           << QStringLiteral("/usr/lib/x86_64-linux-gnu/libfbclient.so.2");
        QTest::newRow("velkor") << QStringLiteral("/usr/bin/velkor") << INSTALADA + QStringLiteral("/Velkor");
        for (const QString& orden : {QStringLiteral("velkor-importar"), QStringLiteral("velkor-comprobante")})
            QTest::newRow(qPrintable(orden))
                << QStringLiteral("/usr/bin/") + orden << INSTALADA + QLatin1Char('/') + orden;
        QTest::newRow("menú") << QStringLiteral("/usr/share/applications/velkor.desktop") << QString();
        for (const int lado : {16, 24, 32, 48, 64, 128, 256})
            QTest::newRow(qPrintable(QStringLiteral("icono %1").arg(lado)))
                << QStringLiteral("/usr/share/icons/hicolor/%1x%1/apps/velkor.png").arg(lado) << QString();
        QTest::newRow("copyright") << QStringLiteral("/usr/share/doc/velkor/copyright") << QString();
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
        if (ruta.endsWith(QStringLiteral(".png")))
            QCOMPARE(QImage(archivo.filePath()).width(), ruta.section(u'/', 5, 5).section(u'x', 0, 0).toInt());
    }

    // The installed executables find their libraries in the package, not in
    // the build folder.
    void sinRutasDeConstruccion()
    {
        for (const QString& programa : {QStringLiteral("Velkor"), QStringLiteral("velkor-importar")}) {
            const TCorrida dependencias =
                corre(QStringLiteral("ldd"), {instalado(INSTALADA + QLatin1Char('/') + programa)});
            QCOMPARE(dependencias.salida, 0);
            QVERIFY2(!dependencias.texto.contains(QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO)),
                     qPrintable(dependencias.texto));
            QVERIFY2(dependencias.texto.contains(instalado(INSTALADA + QStringLiteral("/Lib/libComunes.so"))),
                     qPrintable(dependencias.texto));
        }
    }

    void entradaDelMenu()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty())
            QSKIP("Falta desktop-file-validate (paquete desktop-file-utils).");
        const TCorrida validada = corre(QStringLiteral("desktop-file-validate"),
                                        {instalado(QStringLiteral("/usr/share/applications/velkor.desktop"))});
        QVERIFY2(validada.salida == 0 && validada.texto.trimmed().isEmpty(), qPrintable(validada.texto));
    }

    void lintian()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("lintian")).isEmpty())
            QSKIP("Falta lintian.");
        const TCorrida revision = corre(QStringLiteral("lintian"), {m_paquete}, {}, {}, 600000);
        QStringList errores;
        for (const QString& linea : revision.texto.split(u'\n'))
            if (linea.startsWith(QStringLiteral("E:")))
                errores << linea;
        QVERIFY2(errores.isEmpty(), qPrintable(errores.join(u'\n')));
        QVERIFY2(revision.salida >= 0, qPrintable(revision.texto));
    }

    // Run by a user, the installed program keeps everything in their data
    // folder: a business created by an import, the installation key, the
    // registry, the log; the installed folder stays as unpacked.
    void importaComoUsuario()
    {
        const QString importar = instalado(INSTALADA + QStringLiteral("/velkor-importar"));
        QTemporaryDir hogar;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert(QStringLiteral("XDG_DATA_HOME"), hogar.filePath(QStringLiteral("datos")));
        const TCorrida ayuda = corre(importar, {QStringLiteral("--help")}, entorno);
        QCOMPARE(ayuda.salida, 0);
        QVERIFY2(ayuda.texto.contains(QStringLiteral("Uso:")), qPrintable(ayuda.texto));

        QTemporaryDir carpeta;
        QVERIFY(QFile::copy(QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/cfdi40-real.xml"),
                            carpeta.filePath(QStringLiteral("a.xml"))));
        const QStringList antes = contenido(m_raiz);
        const TCorrida importada =
            corre(importar, {carpeta.path(), QStringLiteral("--correo"), QStringLiteral("dueno@negocio.mx")}, entorno,
                  "Clave#1\n");
        QVERIFY2(importada.salida == 0 && importada.texto.contains(QStringLiteral("Importados: 1\n")),
                 qPrintable(importada.texto));
        QCOMPARE(contenido(m_raiz), antes);

        const QString datos = hogar.filePath(QStringLiteral("datos/Velkor"));
        QVERIFY(QFileInfo(datos + QStringLiteral("/Motor")).isDir() &&
                !QFileInfo(datos + QStringLiteral("/Motor")).isSymLink());
        QVERIFY(QFileInfo::exists(datos + QStringLiteral("/Motor/Instalacion.llave")));
        QVERIFY(QFileInfo::exists(datos + QStringLiteral("/db/Usuarios.db")));
        // The SAT's catalogue, which the new-business page lists from, is the
        // user's own copy.
        QVERIFY(QFileInfo(datos + QStringLiteral("/db/CFDCAT.DB")).isFile());
        QVERIFY(!QFileInfo(datos + QStringLiteral("/db/CFDCAT.DB")).isSymLink());
        QVERIFY(QFileInfo(instalado(INSTALADA + QStringLiteral("/db/CFDCAT.DB"))).permissions() &
                QFileDevice::ReadOther);
        QCOMPARE(QDir(datos + QStringLiteral("/db")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
        QCOMPARE(QFileInfo(datos + QStringLiteral("/Xslt")).symLinkTarget(),
                 instalado(INSTALADA + QStringLiteral("/Xslt")));
    }
};

QTEST_GUILESS_MAIN(TstPaquete)
#include "tst_paquete.moc"

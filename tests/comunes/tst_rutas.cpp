#include "Archivos.h"
#include "CarpetaInstalada.h"
#include "CarpetaPrograma.h"
#include "Errores.h"
#include "Rutas.h"
#include "TamanoLimitado.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
const char* const INSTALADA_OTRO_PROCESO = "VELKOR_PRUEBA_INSTALADA";
const char* const ARRANQUE_OTRO_PROCESO = "VELKOR_PRUEBA_ARRANQUE";
} // namespace

class TstRutas : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Rutas::fijaCarpetaPrograma(QString()); }

    // Folder constants come with and without their final "/"; joined, the
    // path is the same.
    void une_data()
    {
        QTest::addColumn<QString>("carpeta");
        QTest::addColumn<QStringList>("partes");
        QTest::addColumn<QString>("ruta");
        QTest::newRow("base de un negocio")
            << "/prog/" << QStringList{"db/", "EKU9003173C9", "Velkor.fdb"} << "/prog/db/EKU9003173C9/Velkor.fdb";
        QTest::newRow("sin diagonales finales")
            << "/prog" << QStringList{"db", "EKU9003173C9"} << "/prog/db/EKU9003173C9";
        QTest::newRow("parte con carpeta")
            << "/prog/" << QStringList{"Motor/libfbclient.so.2"} << "/prog/Motor/libfbclient.so.2";
        QTest::newRow("RFC con &") << "/prog/" << QStringList{"db/", "H&E951128469"} << "/prog/db/H&E951128469";
        QTest::newRow("partes vacías") << "/prog/" << QStringList{"", "Temp", "", "Zip"} << "/prog/Temp/Zip";
        QTest::newRow("sin partes") << "/prog/" << QStringList{} << "/prog/";
        QTest::newRow("carpeta vacía: relativa") << "" << QStringList{"db/", "Usuarios.db"} << "db/Usuarios.db";
        QTest::newRow("parte absoluta") << "/prog/" << QStringList{"/otra/base.fdb"} << "/otra/base.fdb";
        QTest::newRow("acentos y espacios")
            << "/home/José Núñez/Velkor/" << QStringList{"Facturas", "AÑO"} << "/home/José Núñez/Velkor/Facturas/AÑO";
    }
    void une()
    {
        QFETCH(QString, carpeta);
        QFETCH(QStringList, partes);
        QFETCH(QString, ruta);
        QString obtenida = carpeta;
        // initializer_list cannot be built from a run-time list: join one at a time.
        for (const QString& parte : partes)
            obtenida = Rutas::une(obtenida, {parte});
        QCOMPARE(obtenida, ruta);
        if (partes.size() == 3)
            QCOMPARE(Rutas::une(carpeta, {partes.at(0), partes.at(1), partes.at(2)}), ruta);
    }

    void carpetaPrograma_data()
    {
        QTest::addColumn<QString>("dada");
        QTest::addColumn<QString>("carpeta");
        QTest::newRow("sin diagonal final") << u"/opt/velkor"_s << u"/opt/velkor/"_s;
        QTest::newRow("con diagonal final") << u"/opt/velkor/"_s << u"/opt/velkor/"_s;
        QTest::newRow("vacía") << QString() << QString();
    }
    void carpetaPrograma()
    {
        QFETCH(QString, dada);
        QFETCH(QString, carpeta);
        Rutas::fijaCarpetaPrograma(dada);
        QCOMPARE(Rutas::carpetaPrograma(), carpeta);
        QCOMPARE(Rutas::programa(), carpeta);
        QCOMPARE(Rutas::programa({u"db/"_s, u"Usuarios.db"_s}), carpeta + u"db/Usuarios.db"_s);
    }

    // The engine takes what precedes a ':' for a server, and '|' separates a
    // stored connection's fields: such a folder is refused at the start,
    // named, and nothing is made in it.
    void carpetaSinBases_data()
    {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<bool>("instalada");
        QTest::addColumn<QString>("caracter");
        QTest::newRow("dos puntos") << u"prog dos:uno"_s << false << u":"_s;
        QTest::newRow("barra vertical") << u"prog|4"_s << false << u"|"_s;
        QTest::newRow("datos del usuario con dos puntos") << u"datos:uno"_s << true << u":"_s;
        QTest::newRow("acentos y punto y coma") << u"prog é;uno"_s << false << QString();
    }
    // A folder whose name Qt cannot decode gives the executable no folder:
    // not the current directory, which is the user's own.
    void carpetaIlegible()
    {
        QTemporaryDir actual;
        const QString antes = QDir::currentPath();
        QVERIFY(QDir::setCurrent(actual.path()));
        QString error;
        const bool preparada = Rutas::preparaCarpetaPrograma(QString(), &error);
        QDir::setCurrent(antes);
        QVERIFY(!preparada);
        QVERIFY2(error.startsWith(u"Velkor no pudo leer el nombre de la carpeta"_s), qPrintable(error));
        QCOMPARE(Rutas::carpetaPrograma(), QString());
        QVERIFY(QDir(actual.path()).isEmpty());
    }
    void carpetaSinBases()
    {
        QFETCH(QString, nombre);
        QFETCH(bool, instalada);
        QFETCH(QString, caracter);
        QTemporaryDir raiz;
        const QString programa = raiz.filePath(instalada ? u"opt/velkor"_s : nombre);
        QVERIFY(QDir().mkpath(programa));
        if (instalada)
            QVERIFY(TCarpetaPrograma::escribe(programa + u'/' + Rutas::MARCA_INSTALACION, QByteArray()));
        const QByteArray xdg = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(raiz.filePath(nombre)));
        QString error;
        const bool preparada = Rutas::preparaCarpetaPrograma(programa, &error);
        qputenv("XDG_DATA_HOME", xdg);
        if (caracter.isEmpty()) {
            QVERIFY2(preparada, qPrintable(error));
            QCOMPARE(Rutas::carpetaPrograma(), programa + u'/');
            return;
        }
        QVERIFY(!preparada);
        QVERIFY2(error.contains(u"\""_s + (instalada ? raiz.filePath(nombre + u"/Velkor"_s) : programa) + u"\""_s) &&
                     error.contains(u"el carácter \""_s + caracter + u'"'),
                 qPrintable(error));
        QCOMPARE(Rutas::carpetaPrograma(), QString());
        QCOMPARE(QDir(raiz.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 1);
    }

    // An installed folder (the package's marker beside the executable) is
    // shared and read-only: the program folder becomes the user's data
    // folder, which reaches the installed entries through links, keeps what
    // the user has there, and has a Motor/ and a db/ of its own. Without the
    // marker a folder is its own program folder.
    void carpetaInstalada()
    {
        QTemporaryDir raiz;
        const QString instalada = raiz.filePath(u"opt/velkor"_s);
        for (const QString& carpeta : {u"Lib"_s, u"Xslt"_s, u"Motor/plugins"_s, u"db"_s})
            QVERIFY(QDir().mkpath(instalada + u'/' + carpeta));
        for (const QString& archivo :
             {u"velkor-importar"_s, u"Recursos.bpl"_s, u"Motor/firebird.conf"_s, u"db/CFDCAT.DB"_s, u"db/OTRO.DB"_s})
            QVERIFY(TCarpetaPrograma::escribe(instalada + u'/' + archivo, archivo.toUtf8()));
        QVERIFY(Rutas::preparaCarpetaPrograma(instalada));
        QCOMPARE(Rutas::carpetaPrograma(), instalada + u'/');

        QVERIFY(TCarpetaPrograma::escribe(instalada + u'/' + Rutas::MARCA_INSTALACION, QByteArray()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(raiz.filePath(u"datos"_s)));
        const QString datos = raiz.filePath(u"datos/Velkor"_s);
        QCOMPARE(Rutas::carpetaDatosUsuario(), datos);
        // The user's own settings and a link an older installation left.
        QVERIFY(QDir().mkpath(datos));
        QFile ajustes(datos + u"/Recursos.bpl"_s);
        QVERIFY(TCarpetaPrograma::escribe(ajustes.fileName(), "mío"));
        QVERIFY(QFile::link(raiz.filePath(u"vieja/Lib"_s), datos + u"/Lib"_s));
        // A catalogue the user already updated.
        QVERIFY(QDir().mkpath(datos + u"/db"_s));
        QFile actualizado(datos + u"/db/OTRO.DB"_s);
        QVERIFY(TCarpetaPrograma::escribe(actualizado.fileName(), "nuevo"));
        Rutas::anotaDescargada(actualizado.fileName());

        // What a first start killed during its copy left, and what one
        // copying at this moment has.
        QProcess terminado;
        terminado.start(u"true"_s, QStringList());
        QVERIFY(terminado.waitForStarted());
        const qint64 muerto = terminado.processId();
        QVERIFY(terminado.waitForFinished());
        const QString abandonada = datos + u"/db/CFDCAT.DB.parcial-"_s + QString::number(muerto);
        const QString enCurso = datos + u"/db/OTRO.DB.parcial-"_s + QString::number(::getppid());
        QVERIFY(TCarpetaPrograma::escribe(abandonada, "mitad"));
        QVERIFY(TCarpetaPrograma::escribe(enCurso, "mitad"));

        QString error;
        QVERIFY2(Rutas::preparaCarpetaPrograma(instalada + u'/', &error), qPrintable(error));
        QCOMPARE(Rutas::carpetaPrograma(), datos + u'/');
        QVERIFY(!QFileInfo::exists(abandonada));
        QVERIFY(QFileInfo::exists(enCurso));
        for (const QString& enlace :
             {u"Lib"_s, u"Xslt"_s, u"velkor-importar"_s, u"Motor/plugins"_s, u"Motor/firebird.conf"_s})
            QCOMPARE(QFileInfo(datos + u'/' + enlace).symLinkTarget(), instalada + u'/' + enlace);
        QVERIFY(!QFileInfo::exists(datos + u'/' + Rutas::MARCA_INSTALACION));
        // The installed databases are copies of the user's own, made once.
        const QFileInfo catalogo(datos + u"/db/CFDCAT.DB"_s);
        QVERIFY(catalogo.isFile() && !catalogo.isSymLink());
        QCOMPARE(catalogo.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::Permissions());
        QVERIFY(actualizado.open(QIODevice::ReadOnly));
        QCOMPARE(actualizado.readAll(), QByteArray("nuevo"));
        actualizado.close();
        QVERIFY(!QFileInfo::exists(datos + u"/db/CFDCAT.DB.parcial"_s));
        QVERIFY(!QFileInfo(datos + u"/Recursos.bpl"_s).isSymLink());
        QVERIFY(ajustes.open(QIODevice::ReadOnly));
        QCOMPARE(ajustes.readAll(), QByteArray("mío"));
        for (const QString& propia : {datos, datos + u"/Motor"_s, datos + u"/db"_s}) {
            const QFileInfo carpeta(propia);
            QVERIFY2(carpeta.isDir() && !carpeta.isSymLink(), qPrintable(propia));
            struct stat modo {};
            QCOMPARE(::stat(QFile::encodeName(propia).constData(), &modo), 0);
            QCOMPARE(modo.st_mode & 0777, mode_t(0700));
        }
        // Started again, the same folder as it was.
        QVERIFY(Rutas::preparaCarpetaPrograma(instalada));
        QCOMPARE(QFileInfo(datos + u"/Lib"_s).symLinkTarget(), instalada + u"/Lib"_s);

        // A copy that does not fit says why.
        qputenv("XDG_DATA_HOME", QFile::encodeName(raiz.filePath(u"lleno"_s)));
        {
            const TTamanoLimitado lleno(0);
            QVERIFY(!Rutas::preparaCarpetaPrograma(instalada, &error));
        }
        QVERIFY2(error.endsWith(u": El archivo llegó al tamaño máximo que el sistema permite."_s), qPrintable(error));

        // A data folder that cannot be made says where and why.
        qputenv("XDG_DATA_HOME", QFile::encodeName(instalada + u"/velkor-importar/datos"_s));
        QVERIFY(!Rutas::preparaCarpetaPrograma(instalada, &error));
        QVERIFY2(error.startsWith(u"No se pudo preparar la carpeta de datos del programa"_s), qPrintable(error));
        qunsetenv("XDG_DATA_HOME");
    }
    // The user's copy of the installed catalogue follows the one an upgrade
    // installs, but not back past one the user downloaded after the package
    // was made; a copy an earlier version made kept no record of its origin.
    void catalogoRenovado_data()
    {
        QTest::addColumn<QString>("origen");
        // Seconds from now of the installed catalogue the upgrade brings; 0,
        // no upgrade.
        QTest::addColumn<int>("instalado");
        QTest::addColumn<bool>("renovado");
        QTest::newRow("sin actualizar") << u"copia"_s << 0 << false;
        QTest::newRow("actualizado") << u"copia"_s << -3600 << true;
        QTest::newRow("descargado, paquete anterior") << u"descarga"_s << -3600 << false;
        QTest::newRow("descargado, paquete posterior") << u"descarga"_s << 3600 << true;
        QTest::newRow("copia sin registro") << u"sin registro"_s << -3600 << true;
        QTest::newRow("descarga sin registro") << u"descarga sin registro"_s << -3600 << false;
    }
    void catalogoRenovado()
    {
        QFETCH(QString, origen);
        QFETCH(int, instalado);
        QFETCH(bool, renovado);
        const auto fecha = [](const QString& archivo, qint64 segundos) {
            QFile f(archivo);
            return f.open(QIODevice::ReadWrite) &&
                   f.setFileTime(QDateTime::currentDateTime().addSecs(segundos), QFileDevice::FileModificationTime);
        };
        QTemporaryDir raiz;
        const QString instalada = raiz.filePath(u"opt/velkor"_s);
        const QString catalogo = instalada + u"/db/CFDCAT.DB"_s;
        QVERIFY(QDir().mkpath(instalada + u"/db"_s));
        QVERIFY(TCarpetaPrograma::escribe(catalogo, "antes"));
        QVERIFY(fecha(catalogo, -7200));
        QVERIFY(TCarpetaPrograma::escribe(instalada + u'/' + Rutas::MARCA_INSTALACION, QByteArray()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(raiz.filePath(u"datos"_s)));
        const QString datos = raiz.filePath(u"datos/Velkor"_s);
        const QString copia = datos + u"/db/CFDCAT.DB"_s;

        if (origen.endsWith(u"sin registro"_s)) {
            QVERIFY(QDir().mkpath(datos + u"/db"_s));
            QVERIFY(QDir().mkpath(datos + u"/Update"_s));
            if (origen == u"descarga sin registro"_s)
                QVERIFY(TCarpetaPrograma::escribe(datos + u"/Update/CFDCAT.db"_s, "descargado"));
        } else {
            QVERIFY(Rutas::preparaCarpetaPrograma(instalada));
            QCOMPARE(TCarpetaPrograma::lee(copia), QByteArray("antes"));
        }
        // The engine writes into the copy it opens.
        const QByteArray usada = origen.startsWith(u"descarga"_s) ? "descargado" : "usado";
        QVERIFY(TCarpetaPrograma::escribe(copia, usada));
        if (origen == u"descarga"_s)
            Rutas::anotaDescargada(copia);
        if (instalado != 0) {
            QVERIFY(TCarpetaPrograma::escribe(catalogo, "nuevo"));
            QVERIFY(fecha(catalogo, instalado));
        }

        QString error;
        QVERIFY2(Rutas::preparaCarpetaPrograma(instalada, &error), qPrintable(error));
        QCOMPARE(TCarpetaPrograma::lee(copia), renovado ? QByteArray("nuevo") : usada);
        if (renovado)
            QCOMPARE(TCarpetaPrograma::modo(copia), 0600);
        QCOMPARE(QDir(datos + u"/db"_s).entryList(QDir::Files), QStringList{u"CFDCAT.DB"_s});
        // Renewed once: the next start keeps what the engine wrote since.
        QVERIFY(TCarpetaPrograma::escribe(copia, "usado de nuevo"));
        QVERIFY(Rutas::preparaCarpetaPrograma(instalada));
        QCOMPARE(TCarpetaPrograma::lee(copia), QByteArray("usado de nuevo"));
        qunsetenv("XDG_DATA_HOME");
    }

    // A registry another process made between a look and the creation is
    // kept: that process may already be writing businesses into it.
    void archivoPrivadoNuevo()
    {
        QTemporaryDir carpeta;
        const QString archivo = carpeta.filePath(u"Usuarios.db"_s);
        QVERIFY(Archivos::creaPrivadoNuevo(archivo, "vacío"));
        QCOMPARE(TCarpetaPrograma::lee(archivo), QByteArray("vacío"));
        QCOMPARE(QFileInfo(archivo).permissions() & ~(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::Permissions());
        QVERIFY(TCarpetaPrograma::escribe(archivo, "con empresas"));
        QVERIFY(!Archivos::creaPrivadoNuevo(archivo, "vacío"));
        QCOMPARE(TCarpetaPrograma::lee(archivo), QByteArray("con empresas"));
        Archivos::creaPrivado(archivo, "reemplazado");
        QCOMPARE(TCarpetaPrograma::lee(archivo), QByteArray("reemplazado"));
        QCOMPARE(QDir(carpeta.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"Usuarios.db"_s});
        QVERIFY_THROWS_EXCEPTION(EEntradaSalida, Archivos::creaPrivadoNuevo(carpeta.filePath(u"no/a.db"_s), "x"));
    }

    // The first start of an installed copy may come twice at once (two
    // clicks, or the program and a scheduled import): every process gets
    // the data folder whole, and nothing half copied is left behind.
    void primerInicioALaVez()
    {
        QTemporaryDir raiz;
        const QString instalada = raiz.filePath(u"opt/velkor"_s);
        QVERIFY(QDir().mkpath(instalada + u"/Motor/plugins"_s));
        QVERIFY(QDir().mkpath(instalada + u"/db"_s));
        // Large enough that one process is still copying when the next looks.
        QByteArray catalogo(8 << 20, '\0');
        for (qsizetype i = 0; i < catalogo.size(); i += 4096)
            catalogo[i] = char(i / 4096);
        QVERIFY(TCarpetaPrograma::escribe(instalada + u"/db/CFDCAT.DB"_s, catalogo));
        for (const QString& archivo : {u"velkor-importar"_s, u"Motor/firebird.conf"_s, Rutas::MARCA_INSTALACION})
            QVERIFY(TCarpetaPrograma::escribe(instalada + u'/' + archivo, QByteArray()));

        QList<QProcess*> procesos;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert(QString::fromLatin1(INSTALADA_OTRO_PROCESO), instalada);
        entorno.insert(u"XDG_DATA_HOME"_s, raiz.filePath(u"datos"_s));
        // All begin at one agreed moment, past their own start-up.
        entorno.insert(QString::fromLatin1(ARRANQUE_OTRO_PROCESO),
                       QString::number(QDateTime::currentMSecsSinceEpoch() + 1500));
        for (int i = 0; i < 4; ++i) {
            auto* p = new QProcess(this);
            p->setProcessEnvironment(entorno);
            procesos << p;
        }
        for (QProcess* p : procesos)
            p->start(QCoreApplication::applicationFilePath(), {u"preparaEnOtroProceso"_s});
        for (QProcess* p : procesos) {
            QVERIFY(p->waitForFinished(60000));
            const QByteArray salida = p->readAllStandardOutput();
            QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0, salida.constData());
        }
        const QString datos = raiz.filePath(u"datos/Velkor"_s);
        QCOMPARE(TCarpetaPrograma::lee(datos + u"/db/CFDCAT.DB"_s), catalogo);
        QCOMPARE(QDir(datos + u"/db"_s).entryList(QDir::Files), QStringList{u"CFDCAT.DB"_s});
        QCOMPARE(QFileInfo(datos + u"/Motor/firebird.conf"_s).symLinkTarget(), instalada + u"/Motor/firebird.conf"_s);
    }

    void preparaEnOtroProceso()
    {
        const QString instalada = qEnvironmentVariable(INSTALADA_OTRO_PROCESO);
        if (instalada.isEmpty())
            QSKIP("Solo corre como segundo proceso de primerInicioALaVez.");
        const qint64 espera =
            qEnvironmentVariable(ARRANQUE_OTRO_PROCESO).toLongLong() - QDateTime::currentMSecsSinceEpoch();
        if (espera > 0)
            QThread::msleep(static_cast<unsigned long>(espera));
        QString error;
        QVERIFY2(Rutas::preparaCarpetaPrograma(instalada, &error), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TstRutas)
#include "tst_rutas.moc"

#include "BloqueosMotor.h"
#include "CarpetaPrograma.h"
#include "Conexiones.h"
#include "Errores.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t NADIE = 65534;

QString nombrePropio(const QString& raiz)
{
    return QStringLiteral("%1/velkor-firebird-%2").arg(raiz).arg(geteuid());
}

struct stat datos(const QString& ruta)
{
    struct stat d {};
    if (::lstat(QFile::encodeName(ruta).constData(), &d) != 0)
        qFatal("No existe %s", qPrintable(ruta));
    return d;
}

// One statement on a database, so the engine really takes its locks.
void abre(const TConexionSesion& conexion)
{
    QSqlQuery q(Conexiones::baseDatos(conexion));
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM RDB$RELATIONS")) || !q.next())
        throw EBaseDatos(QStringLiteral("La consulta de prueba falló"));
}

} // namespace

class TstMotor : public QObject {
    Q_OBJECT
private slots:
    // The folder is made the user's own and private, whatever the umask.
    void carpetaPropia()
    {
        QTemporaryDir raiz;
        const mode_t anterior = ::umask(0277);
        const QString carpeta = Conexiones::carpetaBloqueos(raiz.path());
        ::umask(anterior);
        QCOMPARE(carpeta, nombrePropio(raiz.path()));
        const struct stat d = datos(carpeta);
        QVERIFY(S_ISDIR(d.st_mode));
        QCOMPARE(d.st_uid, geteuid());
        QCOMPARE(int(d.st_mode & 07777), 0700);
        // Another process of the user settles on the same folder.
        QCOMPARE(Conexiones::carpetaBloqueos(raiz.path()), carpeta);
    }

    // What another user could have left under the name is never used nor
    // changed: the next name is taken.
    void carpetaPlantada_data()
    {
        QTest::addColumn<QString>("plantada");
        QTest::newRow("permisos abiertos") << QStringLiteral("abierta");
        QTest::newRow("legible por el grupo") << QStringLiteral("grupo");
        QTest::newRow("enlace a otra carpeta") << QStringLiteral("enlace");
        QTest::newRow("archivo") << QStringLiteral("archivo");
        QTest::newRow("de otro usuario") << QStringLiteral("ajena");
    }
    void carpetaPlantada()
    {
        QFETCH(QString, plantada);
        QTemporaryDir raiz;
        const QString nombre = nombrePropio(raiz.path());
        const QByteArray ruta = QFile::encodeName(nombre);
        if (plantada == QLatin1String("abierta")) {
            QVERIFY(::mkdir(ruta.constData(), 0700) == 0 && ::chmod(ruta.constData(), 0777) == 0);
        } else if (plantada == QLatin1String("grupo")) {
            QVERIFY(::mkdir(ruta.constData(), 0750) == 0);
        } else if (plantada == QLatin1String("enlace")) {
            const QString destino = raiz.filePath(QStringLiteral("destino"));
            QVERIFY(::mkdir(QFile::encodeName(destino).constData(), 0700) == 0);
            QVERIFY(QFile::link(destino, nombre));
        } else if (plantada == QLatin1String("archivo")) {
            QVERIFY(TCarpetaPrograma::escribe(nombre, QByteArray()));
        } else {
            if (geteuid() != 0)
                QSKIP("Dar la carpeta a otro usuario requiere ejecutar las pruebas como root.");
            QVERIFY(::mkdir(ruta.constData(), 0700) == 0 && ::chown(ruta.constData(), NADIE, NADIE) == 0);
        }
        const struct stat antes = datos(nombre);

        const QString carpeta = Conexiones::carpetaBloqueos(raiz.path());
        QCOMPARE(carpeta, nombre + QStringLiteral("-2"));
        QCOMPARE(int(datos(carpeta).st_mode & 07777), 0700);
        const struct stat despues = datos(nombre);
        QCOMPARE(despues.st_mode, antes.st_mode);
        QCOMPARE(despues.st_uid, antes.st_uid);
    }

    void todasPlantadas()
    {
        QTemporaryDir raiz;
        const QString nombre = nombrePropio(raiz.path());
        for (int i = 1; i <= 10; ++i) {
            const QString ruta = i == 1 ? nombre : nombre + QStringLiteral("-%1").arg(i);
            QVERIFY(::mkdir(QFile::encodeName(ruta).constData(), 0777) == 0);
            QVERIFY(::chmod(QFile::encodeName(ruta).constData(), 0777) == 0);
        }
        QVERIFY_THROWS_EXCEPTION(EBaseDatos, Conexiones::carpetaBloqueos(raiz.path()));
    }

    // A database file cut short or overwritten is named damaged, in Spanish:
    // the engine's English stays in the log.
    void archivoDanado_data()
    {
        QTest::addColumn<QByteArray>("contenido");
        QTest::newRow("vacío") << QByteArray();
        QTest::newRow("basura") << QByteArray(64 * 1024, '\x5a');
    }
    void archivoDanado()
    {
        QFETCH(QByteArray, contenido);
        TCarpetaPrograma programa;
        const TConexionSesion conexion = programa.nuevaBaseNegocio();
        abre(conexion);
        Conexiones::cierra(conexion);
        QVERIFY(TCarpetaPrograma::escribe(conexion.getDatabase(), contenido));
        try {
            abre(conexion);
            QFAIL("se abrió un archivo dañado");
        } catch (const EBaseDatos& e) {
            QVERIFY2(e.mensaje().endsWith(QStringLiteral(": el archivo de la base de datos está dañado o incompleto; "
                                                         "recupera la empresa desde un respaldo")),
                     qPrintable(e.mensaje()));
        }
    }

    // The engine of this process keeps its locks in the user's folder.
    void motorUsaLaCarpeta()
    {
        TCarpetaPrograma programa;
        abre(programa.nuevaBaseNegocio());
        const QString carpeta = Conexiones::carpetaBloqueos();
        QCOMPARE(qEnvironmentVariable("FIREBIRD_LOCK"), carpeta);
        QVERIFY2(!QDir(carpeta).entryList(QDir::Files | QDir::System).isEmpty(), qPrintable(carpeta));
    }

    // A second user of the computer opens its own databases while this
    // user's engine runs: the default lock folder would be this user's.
    void otroUsuarioDelSistema()
    {
        if (geteuid() != 0)
            QSKIP("Cambiar de usuario requiere ejecutar las pruebas como root.");
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (setpriv.isEmpty())
            QSKIP("No está setpriv (util-linux).");
        TCarpetaPrograma programa;
        abre(programa.nuevaBaseNegocio());

        QTemporaryDir suya;
        const QString base = suya.filePath(QStringLiteral("negocio.fdb"));
        QVERIFY(QFile::copy(TCarpetaPrograma::plantillaNegocio(), base));
        QVERIFY(::chown(QFile::encodeName(suya.path()).constData(), NADIE, NADIE) == 0);
        QVERIFY(::chown(QFile::encodeName(base).constData(), NADIE, NADIE) == 0);
        QVERIFY(::chmod(QFile::encodeName(base).constData(), 0600) == 0);

        QProcess hijo;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.remove(QStringLiteral("FIREBIRD_LOCK"));
        entorno.insert(QStringLiteral("HOME"), suya.path());
        entorno.insert(QStringLiteral("VELKOR_HIJO_BASE"), base);
        hijo.setProcessEnvironment(entorno);
        hijo.start(setpriv, {QStringLiteral("--reuid=%1").arg(NADIE), QStringLiteral("--regid=%1").arg(NADIE),
                             QStringLiteral("--clear-groups"), QCoreApplication::applicationFilePath()});
        QVERIFY(hijo.waitForFinished(60000));
        QVERIFY2(hijo.exitStatus() == QProcess::NormalExit && hijo.exitCode() == 0,
                 hijo.readAllStandardError().constData());
        const QString suyaBloqueos = QString::fromLocal8Bit(hijo.readAllStandardOutput());
        QCOMPARE(suyaBloqueos, QStringLiteral("/tmp/velkor-firebird-%1").arg(NADIE));
        QCOMPARE(datos(suyaBloqueos).st_uid, NADIE);
    }
};

// The second user's process of otroUsuarioDelSistema.
static int procesoHijo()
{
    const TConexionSesion conexion = TConexionSesion::embebida(qEnvironmentVariable("VELKOR_HIJO_BASE"),
                                                               QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/"));
    try {
        abre(conexion);
        Conexiones::cierraHilo();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", qPrintable(Errores::describe(e)));
        return 1;
    }
    std::fputs(qgetenv("FIREBIRD_LOCK").constData(), stdout);
    return 0;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("VELKOR_HIJO_BASE"))
        return procesoHijo();
    TstMotor prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "tst_motor.moc"

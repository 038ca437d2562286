#include "CarpetaPrograma.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Errores.h"
#include "Prompter.h"
#include "Signerutils.h"
#include "Sistema.h"
#include "Utils.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSqlQuery>
#include <QTest>

#include <clocale>

namespace {

QString cifra(const QString& plano)
{
    return Signerutils::Signer().crypt(plano);
}

QString cadenaLocal(const QString& proveedor, const QString& archivo, const QString& puerto = QString())
{
    return cifra(proveedor + QStringLiteral("||||") + archivo + QLatin1Char('|') + puerto);
}

QString creaArchivo(const QString& ruta)
{
    QDir().mkpath(QFileInfo(ruta).absolutePath());
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::WriteOnly))
        qFatal("No se pudo crear %s", qPrintable(ruta));
    archivo.write("base");
    return ruta;
}

}  // namespace

class TPruebaUtils : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Vouchers carry ISO dates; a day-month-year machine must not change them.
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Mexico));
        std::setlocale(LC_ALL, "es_MX.UTF-8");
    }

    void transformaStringConexion_data()
    {
        QTest::addColumn<QString>("plano");
        QTest::addColumn<QStringList>("campos");
        QTest::newRow("local: seis campos, puerto vacío")
            << Constantes::DB_SQLITE + QStringLiteral("||||/prog/db/AAA010101AAA/Velkor.fdb|")
            << QStringList{Constantes::DB_SQLITE, {}, {}, {}, QStringLiteral("/prog/db/AAA010101AAA/Velkor.fdb"), {}};
        QTest::newRow("servidor completo")
            << QStringLiteral("MySQL|root|cl@ve|servidor.local|negocios|3306")
            << QStringList{QStringLiteral("MySQL"), QStringLiteral("root"), QStringLiteral("cl@ve"),
                           QStringLiteral("servidor.local"), QStringLiteral("negocios"), QStringLiteral("3306")};
        QTest::newRow("corta: se completa con vacíos")
            << QStringLiteral("MySQL|root")
            << QStringList{QStringLiteral("MySQL"), QStringLiteral("root"), {}, {}, {}, {}};
        QTest::newRow("solo proveedor") << Constantes::DB_SQLITE
                                        << QStringList{Constantes::DB_SQLITE, {}, {}, {}, {}, {}};
        QTest::newRow("todo vacío") << QStringLiteral("|||||") << QStringList{{}, {}, {}, {}, {}, {}};
        QTest::newRow("acentos y eñes")
            << QStringLiteral("SQLITE||||/home/José Núñez/respaldo ñ.fdb|")
            << QStringList{QStringLiteral("SQLITE"), {}, {}, {}, QStringLiteral("/home/José Núñez/respaldo ñ.fdb"), {}};
    }
    void transformaStringConexion()
    {
        QFETCH(QString, plano);
        QFETCH(QStringList, campos);
        QCOMPARE(Utils::transformaStringConexion(cifra(plano)), campos);
    }

    void transformaStringConexionIlegible_data()
    {
        QTest::addColumn<QString>("guardada");
        QTest::newRow("texto plano") << QStringLiteral("SQLite||||/prog/db/x.fdb|");
        QTest::newRow("vacía") << QString();
        QString alterada = cifra(QStringLiteral("SQLite||||/prog/db/x.fdb|"));
        alterada[alterada.size() - 2] = alterada.at(alterada.size() - 2) == QLatin1Char('A') ? QLatin1Char('B')
                                                                                              : QLatin1Char('A');
        QTest::newRow("cifrada y alterada") << alterada;
    }
    void transformaStringConexionIlegible()
    {
        QFETCH(QString, guardada);
        QVERIFY_THROWS_EXCEPTION(ECifrado, Utils::transformaStringConexion(guardada));
    }

    void generaStrConexionIdaYVuelta_data()
    {
        QTest::addColumn<QStringList>("registro");
        QTest::newRow("negocio local")
            << QStringList{QStringLiteral("ana@correo.mx"), QStringLiteral("Abarrotes Ana"), QStringLiteral("AAA010101AAA"),
                           Constantes::DB_SQLITE, {}, {}, {}, QStringLiteral("/prog/db/AAA010101AAA/Velkor.fdb"), {}};
        QTest::newRow("servidor, con posición 9")
            << QStringList{QStringLiteral("b@c.mx"), QStringLiteral("B S.A."), QStringLiteral("BBB010101BB1"),
                           QStringLiteral("MySQL"), QStringLiteral("u"), QStringLiteral("p"), QStringLiteral("h"),
                           QStringLiteral("negocios"), QStringLiteral("3306"), QStringLiteral("extra")};
        QTest::newRow("registro incompleto")
            << QStringList{QStringLiteral("c@c.mx"), QStringLiteral("C"), QStringLiteral("CCC010101CC1"),
                           Constantes::DB_SQLITE};
    }
    void generaStrConexionIdaYVuelta()
    {
        QFETCH(QStringList, registro);
        const QString plano = Utils::generaStrConexion(registro);
        QCOMPARE(plano.count(QLatin1Char('|')), 5);
        QStringList esperados;
        for (int i = 3; i <= 8; ++i)
            esperados << registro.value(i);
        QCOMPARE(Utils::transformaStringConexion(cifra(plano)), esperados);
    }

    void validaConexionString_data()
    {
        QTest::addColumn<QString>("proveedor");
        QTest::addColumn<bool>("archivoPresente");
        QTest::addColumn<bool>("valida");
        QTest::addColumn<bool>("avisa");
        QTest::newRow("local presente") << Constantes::DB_SQLITE << true << true << false;
        QTest::newRow("local borrado") << Constantes::DB_SQLITE << false << false << true;
        QTest::newRow("MySQL sin servidor") << Constantes::DB_MySQL << false << true << false;
        QTest::newRow("restaurada SQLITE") << QStringLiteral("SQLITE") << true << false << false;
        QTest::newRow("InterBase") << Constantes::DB_INTERBASE << true << false << false;
        QTest::newRow("proveedor vacío") << QString() << true << false << false;
    }
    void validaConexionString()
    {
        QFETCH(QString, proveedor);
        QFETCH(bool, archivoPresente);
        QFETCH(bool, valida);
        QFETCH(bool, avisa);
        TCarpetaPrograma carpeta(false);
        const QString archivo = creaArchivo(carpeta.archivo(QStringLiteral("db/AAA010101AAA/Velkor.fdb")));
        if (!archivoPresente)
            QVERIFY(QFile::remove(archivo));
        TColaRespuestas respuestas;
        QCOMPARE(Utils::validaConexionString(cadenaLocal(proveedor, archivo)), valida);
        if (avisa) {
            QCOMPARE(respuestas.textos(), QStringList{Constantes::ERR_EXISTE_NEGOCIO});
            QCOMPARE(respuestas.tipos(), QList<int>{Constantes::MSG_WARNING});
        } else {
            QVERIFY(respuestas.textos().isEmpty());
        }
    }

    void validaConexionStringSinCampoBase()
    {
        TColaRespuestas respuestas;
        QVERIFY(!Utils::validaConexionString(cifra(Constantes::DB_SQLITE)));
        QCOMPARE(respuestas.textos(), QStringList{Constantes::ERR_EXISTE_NEGOCIO});
    }

    void evaluaConexion_data()
    {
        QTest::addColumn<QString>("proveedor");
        QTest::addColumn<bool>("archivoPresente");
        QTest::addColumn<QString>("puerto");
        QTest::newRow("SQLITE de un respaldo") << QStringLiteral("SQLITE") << true << QString();
        QTest::newRow("local") << Constantes::DB_SQLITE << true << QString();
        QTest::newRow("MySQL") << Constantes::DB_MySQL << true << QStringLiteral("3306");
        QTest::newRow("archivo borrado") << Constantes::DB_SQLITE << false << QString();
    }
    void evaluaConexion()
    {
        QFETCH(QString, proveedor);
        QFETCH(bool, archivoPresente);
        QFETCH(QString, puerto);
        TCarpetaPrograma carpeta(false);
        const QString archivo = creaArchivo(carpeta.archivo(QStringLiteral("db/AAA010101AAA/Velkor.fdb")));
        if (!archivoPresente)
            QVERIFY(QFile::remove(archivo));
        TConexionSesion conexion;
        conexion.setDatabase(QStringLiteral("anterior"));
        QCOMPARE(Utils::evaluaConexion(conexion, cadenaLocal(proveedor, archivo, puerto)), archivoPresente);
        QCOMPARE(conexion.getProvider(), Constantes::DB_INTERBASE);
        QCOMPARE(conexion.getUsername(), Constantes::DB_USER);
        QCOMPARE(conexion.getPassword(), Constantes::DB_PASSWORD);
        QCOMPARE(conexion.getServer(), carpeta.ruta() + Constantes::MOTOR_CLIENTE);
        QCOMPARE(conexion.getDatabase(), archivo);
        QCOMPARE(conexion.getPuerto(), puerto);
    }

    // A business restored from a backup names "SQLITE" yet is a Firebird file.
    void evaluaConexionAbreBaseRestaurada()
    {
        TCarpetaPrograma carpeta(false);
        const TConexionSesion plantilla = carpeta.nuevaBaseNegocio(QStringLiteral("db/AAA010101AAA/Velkor.fdb"));
        TConexionSesion conexion;
        QVERIFY(Utils::evaluaConexion(conexion, cadenaLocal(QStringLiteral("SQLITE"), plantilla.getDatabase())));
        QSqlDatabase db = Conexiones::baseDatos(conexion);
        QSqlQuery consulta(db);
        QVERIFY(consulta.exec(QStringLiteral("SELECT 1 FROM RDB$DATABASE")));
        QVERIFY(consulta.next());
        QCOMPARE(consulta.value(0).toInt(), 1);
    }

    void stringToDateTimeSQL_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QDateTime>("esperado");
        const QDateTime invalida;
        QTest::newRow("con T") << QStringLiteral("2017-05-10T12:34:56")
                               << QDateTime(QDate(2017, 5, 10), QTime(12, 34, 56));
        QTest::newRow("con espacio") << QStringLiteral("2017-05-10 12:34:56")
                                     << QDateTime(QDate(2017, 5, 10), QTime(12, 34, 56));
        QTest::newRow("día 1, mes 12") << QStringLiteral("2017-12-01T00:00:00")
                                       << QDateTime(QDate(2017, 12, 1), QTime(0, 0));
        QTest::newRow("bisiesto") << QStringLiteral("2016-02-29T23:59:59")
                                  << QDateTime(QDate(2016, 2, 29), QTime(23, 59, 59));
        QTest::newRow("30 de febrero") << QStringLiteral("2017-02-30T10:00:00") << invalida;
        QTest::newRow("orden día-mes-año") << QStringLiteral("10/05/2017 12:34:56") << invalida;
        QTest::newRow("sin hora") << QStringLiteral("2017-05-10") << invalida;
        QTest::newRow("hora 25") << QStringLiteral("2017-05-10T25:00:00") << invalida;
        QTest::newRow("vacío") << QString() << invalida;
        QTest::newRow("texto") << QStringLiteral("ayer") << invalida;
    }
    void stringToDateTimeSQL()
    {
        QFETCH(QString, texto);
        QFETCH(QDateTime, esperado);
        if (esperado.isValid()) {
            QCOMPARE(Utils::stringToDateTimeSQL(texto), esperado);
            return;
        }
        try {
            Utils::stringToDateTimeSQL(texto);
            QFAIL("se esperaba EConversion");
        } catch (const EConversion& e) {
            QVERIFY2(e.mensaje().contains(QLatin1Char('"') + texto + QLatin1Char('"')), qPrintable(e.mensaje()));
        }
    }

    void stringToDate_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QDate>("esperado");
        QTest::newRow("ISO") << QStringLiteral("2017-05-10") << QDate(2017, 5, 10);
        QTest::newRow("día mayor que 12") << QStringLiteral("2017-01-31") << QDate(2017, 1, 31);
        QTest::newRow("bisiesto") << QStringLiteral("2016-02-29") << QDate(2016, 2, 29);
        QTest::newRow("30 de febrero") << QStringLiteral("2017-02-30") << QDate();
        QTest::newRow("29 de febrero no bisiesto") << QStringLiteral("2017-02-29") << QDate();
        QTest::newRow("orden día-mes-año") << QStringLiteral("10-05-2017") << QDate();
        QTest::newRow("con barras") << QStringLiteral("2017/05/10") << QDate();
        QTest::newRow("con hora") << QStringLiteral("2017-05-10T12:34:56") << QDate();
        QTest::newRow("vacío") << QString() << QDate();
    }
    void stringToDate()
    {
        QFETCH(QString, texto);
        QFETCH(QDate, esperado);
        if (esperado.isValid()) {
            QCOMPARE(Utils::stringToDate(texto), esperado);
            return;
        }
        try {
            Utils::stringToDate(texto);
            QFAIL("se esperaba EConversion");
        } catch (const EConversion& e) {
            QVERIFY2(e.mensaje().contains(QLatin1Char('"') + texto + QLatin1Char('"')), qPrintable(e.mensaje()));
        }
    }

    void CompareStreams_data()
    {
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("b");
        QTest::addColumn<double>("porcentaje");
        const QByteArray grande(20000, 'x');
        QByteArray grandeCambiado = grande;
        // Differences only past the first 8192-byte block.
        grandeCambiado[9000] = 'y';
        grandeCambiado[12000] = 'y';
        grandeCambiado[19999] = 'y';
        const QByteArray grandeCambiadoCorto = grandeCambiado.left(10000);
        QTest::newRow("iguales") << QByteArray("factura") << QByteArray("factura") << 0.0;
        QTest::newRow("abc contra abd") << QByteArray("abc") << QByteArray("abd") << 100.0 / 3.0;
        QTest::newRow("abc contra abcdef") << QByteArray("abc") << QByteArray("abcdef") << 0.0;
        QTest::newRow("abcdef contra abc") << QByteArray("abcdef") << QByteArray("abc") << 0.0;
        QTest::newRow("todas distintas") << QByteArray("aaaa") << QByteArray("bbbb") << 100.0;
        QTest::newRow("vacíos") << QByteArray() << QByteArray() << 0.0;
        QTest::newRow("vacío contra abc") << QByteArray() << QByteArray("abc") << 0.0;
        QTest::newRow("grandes, segundo y tercer bloque") << grande << grandeCambiado << 3.0 * 100.0 / 20000.0;
        // The lengths part in the second block: bytes there still count up to
        // the shorter read, nothing after it does.
        QTest::newRow("grandes de distinto largo") << grande << grandeCambiadoCorto << 1.0 * 100.0 / 20000.0;
    }
    void CompareStreams()
    {
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        QFETCH(double, porcentaje);
        QBuffer bufferA(&a);
        QBuffer bufferB(&b);
        QVERIFY(bufferA.open(QIODevice::ReadOnly));
        QVERIFY(bufferB.open(QIODevice::ReadOnly));
        // Callers hand over streams they have just written or read.
        bufferA.seek(bufferA.size());
        bufferB.seek(bufferB.size());
        QCOMPARE(Utils::CompareStreams(bufferA, bufferB), porcentaje);
    }

    void inicializaDirectoriosDosVeces()
    {
        TCarpetaPrograma carpeta(false);
        const QString rfc = QStringLiteral("AAA010101AAA");
        Utils::inicializaDirectorios(carpeta.ruta(), rfc);
        const QString negocio = carpeta.ruta() + Constantes::FACTURAS_PATH + QLatin1Char('/') + rfc;
        QVERIFY(QFileInfo(negocio + QLatin1Char('/') + Constantes::XML_PATH).isDir());
        QVERIFY(QFileInfo(negocio + QLatin1Char('/') + Constantes::PDFS_PATH).isDir());
        creaArchivo(negocio + QLatin1Char('/') + Constantes::XML_PATH + QStringLiteral("/uno.xml"));

        Utils::inicializaDirectorios(carpeta.ruta(), rfc);
        QCOMPARE(QDir(negocio).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{Constantes::PDFS_PATH, Constantes::XML_PATH}));
        QCOMPARE(QDir(negocio + QLatin1Char('/') + Constantes::XML_PATH).entryList(QDir::Files),
                 QStringList{QStringLiteral("uno.xml")});
    }

    void createDir_data()
    {
        QTest::addColumn<QString>("relativo");
        QTest::addColumn<bool>("falla");
        QTest::newRow("nueva") << QStringLiteral("Nueva") << false;
        QTest::newRow("existente") << QStringLiteral("db") << false;
        QTest::newRow("sin carpeta padre") << QStringLiteral("NoExiste/Hija") << true;
        QTest::newRow("ocupada por un archivo") << QStringLiteral("archivo.txt") << true;
    }
    void createDir()
    {
        QFETCH(QString, relativo);
        QFETCH(bool, falla);
        TCarpetaPrograma carpeta(false);
        creaArchivo(carpeta.archivo(QStringLiteral("archivo.txt")));
        const QString ruta = carpeta.archivo(relativo);
        if (falla) {
            QVERIFY_THROWS_EXCEPTION(EEntradaSalida, Utils::createDir(ruta));
            QVERIFY(!QFileInfo(ruta).isDir());
        } else {
            Utils::createDir(ruta);
            QVERIFY(QFileInfo(ruta).isDir());
        }
    }

    void mensajeConfirmacion_data()
    {
        QTest::addColumn<int>("respuesta");
        QTest::newRow("acepta") << int(TPrompter::OK);
        QTest::newRow("cancela") << int(TPrompter::CANCELAR);
    }
    void mensajeConfirmacion()
    {
        QFETCH(int, respuesta);
        TColaRespuestas respuestas;
        respuestas.agregaRespuesta(respuesta);
        QCOMPARE(Utils::mensajeConfirmacion(QStringLiteral("¿Continuar?")), respuesta);
        QCOMPARE(respuestas.textos(), QStringList{QStringLiteral("¿Continuar?")});
    }
};

QTEST_MAIN(TPruebaUtils)
#include "tst_utils.moc"

#include "CarpetaPrograma.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Errores.h"
#include "NegocioPrueba.h"
#include "Prompter.h"
#include "RegistroPrueba.h"
#include "Signerutils.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TCadenaConexion.h"
#include "negocio/TIngreso.h"
#include "negocio/Utils.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <clocale>

using namespace Qt::StringLiterals;

namespace {

QString cifra(const QString& plano)
{
    return Signerutils::Signer().crypt(plano);
}

QString cadenaLocal(const QString& proveedor, const QString& archivo, const QString& puerto = QString())
{
    return cifra(proveedor + u"||||"_s + archivo + u'|' + puerto);
}

// The registrations of the RFC in the program folder's registry, active or
// not, read through a connection of the test's own.
int registraciones(const QString& rfc)
{
    int filas = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"registraciones"_s);
        db.setDatabaseName(TBaseDatosLocalFrm::archivoRegistro());
        QSqlQuery consulta(db);
        if (db.open() && consulta.prepare(u"SELECT COUNT(*) FROM NegocioLoggin WHERE rfc = ?"_s)) {
            consulta.addBindValue(rfc);
            if (consulta.exec() && consulta.next())
                filas = consulta.value(0).toInt();
        }
    }
    QSqlDatabase::removeDatabase(u"registraciones"_s);
    return filas;
}

QString creaArchivo(const QString& ruta)
{
    if (!TCarpetaPrograma::escribe(ruta, "base"))
        qFatal("No se pudo crear %s", qPrintable(ruta));
    return ruta;
}

} // namespace

class TPruebaUtils : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Vouchers carry ISO dates; a day-month-year machine must not change them.
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Mexico));
        std::setlocale(LC_ALL, "es_MX.UTF-8");
    }

    // Strings that do not decipher are cadenaIlegible's.
    void transformaStringConexion_data()
    {
        QTest::addColumn<QString>("plano");
        QTest::addColumn<QString>("campos");
        const auto f = [](const char* caso, const char* plano, const char* campos) {
            QTest::newRow(caso) << QString::fromUtf8(plano) << QString::fromUtf8(campos);
        };
        f("corta: se completa con vacíos", "MySQL|root", "MySQL|root||||");
        f("todo vacío", "|||||", "|||||");
        f("acentos y eñes", "SQLITE||||/home/José Núñez/respaldo ñ.fdb|", "SQLITE||||/home/José Núñez/respaldo ñ.fdb|");
    }
    void transformaStringConexion()
    {
        QFETCH(QString, plano);
        QFETCH(QString, campos);
        QCOMPARE(Utils::transformaStringConexion(cifra(plano)), campos.split(u'|'));
    }

    // A stored string that does not decipher is no connection wherever it is
    // read: nothing is raised, nothing is shown, and it is logged. The sign-in
    // keeps its entry: with the business's database in its folder it enters
    // there and rewrites its one registration, readable; without it, it says
    // so.
    void cadenaIlegible_data()
    {
        QTest::addColumn<QString>("guardada");
        QTest::addColumn<bool>("conBase");
        QTest::newRow("texto plano") << u"SQLite||||/prog/db/AAA010101AAA/Velkor.fdb|"_s << false;
        QTest::newRow("vacía") << QString() << false;
        QString alterada = cifra(u"SQLite||||/prog/db/AAA010101AAA/Velkor.fdb|"_s);
        alterada[5] = alterada.at(5) == u'A' ? u'B' : u'A';
        QTest::newRow("alterada") << alterada << false;
        // The db/ folder copied from another program folder, whose key differs.
        const QString deOtra = [] {
            const TCarpetaPrograma otra;
            return TCadenaConexion(Constantes::DB_SQLITE, {}, {}, {},
                                   otra.archivo(u"db/AAA010101AAA/"_s + Constantes::DB_SISTEMA_NOMBRE), {})
                .guardada();
        }();
        QTest::newRow("de otra instalación, sin base") << deOtra << false;
        QTest::newRow("de otra instalación, con su base en su carpeta") << deOtra << true;
    }
    void cadenaIlegible()
    {
        QFETCH(QString, guardada);
        QFETCH(bool, conBase);
        const QString rfc = NegocioPrueba::RFC_ACCEM;
        TCarpetaPrograma carpeta;
        NegocioPrueba::creaRegistro(carpeta);
        TColaRespuestas respuestas;
        try {
            QVERIFY(!TCadenaConexion::deGuardada(guardada).legible());
            QCOMPARE(Utils::transformaStringConexion(guardada), QStringList(6, QString()));
            QVERIFY(!Utils::validaConexionString(guardada));
            TConexionSesion conexion;
            QVERIFY(!Utils::evaluaConexion(conexion, guardada));
            QVERIFY(conexion.getDatabase().isEmpty());

            // A registry row holding it.
            if (conBase) {
                Conexiones::cierra(NegocioPrueba::crea(rfc, u"a@b.mx"_s, QString(), u"A"_s));
                QVERIFY(RegistroPrueba::ejecuta(u"UPDATE Conexion SET stringConexion = ?"_s, {guardada}));
            } else {
                QVERIFY(RegistroPrueba::ejecuta(
                    u"INSERT INTO NegocioLoggin (nombre, rfc, estatus) VALUES ('A', ?, 0)"_s, {rfc}));
                QVERIFY(RegistroPrueba::ejecuta(
                    u"INSERT INTO Conexion (stringConexion, idNegocioLogginFk) VALUES (?, 1)"_s, {guardada}));
            }
            QCOMPARE(Ingreso::ingresa(rfc, u"a@b.mx"_s, QString()),
                     conBase ? Ingreso::TResultado::Correcto : Ingreso::TResultado::ConexionIlegible);
            NegocioPrueba::limpiaSesion();
            QCOMPARE(registroLocal().getEmpresas(), QStringList{rfc + u"|A"_s});
            // Rewritten in place, not disabled and added again.
            QCOMPARE(registraciones(rfc), 1);
            const TCadenaConexion despues =
                TCadenaConexion::deGuardada(registroLocal().getEmpresaDetalle(rfc).value(2));
            QCOMPARE(despues.legible(), conBase);
            if (conBase)
                QCOMPARE(despues.getBaseDatos(),
                         carpeta.archivo(u"db/"_s + rfc + u'/' + Constantes::DB_SISTEMA_NOMBRE));
        } catch (const std::exception& e) {
            QFAIL(qPrintable(Errores::describe(e)));
        }
        QVERIFY(respuestas.textos().isEmpty());
        QVERIFY(carpeta.log().contains(u"ECifrado error raised"_s));
    }

    // The registration array, its fields split at ";".
    void generaStrConexionIdaYVuelta_data()
    {
        QTest::addColumn<QStringList>("registro");
        const auto f = [](const char* caso, const char* campos) {
            QTest::newRow(caso) << QString::fromUtf8(campos).split(u';');
        };
        f("negocio local", "ana@correo.mx;Abarrotes Ana;AAA010101AAA;SQLite;;;;/prog/db/AAA010101AAA/Velkor.fdb;");
        f("servidor, con posición 9", "b@c.mx;B S.A.;BBB010101BB1;MySQL;u;p;h;negocios;3306;extra");
        f("registro incompleto", "c@c.mx;C;CCC010101CC1;SQLite");
    }
    void generaStrConexionIdaYVuelta()
    {
        QFETCH(QStringList, registro);
        const QString plano = Utils::generaStrConexion(registro);
        QCOMPARE(plano.count(u'|'), 5);
        QStringList esperados;
        for (int i = 3; i <= 8; ++i)
            esperados << registro.value(i);
        QCOMPARE(Utils::transformaStringConexion(cifra(plano)), esperados);
    }

    // Nothing is escaped in a stored string, so a field holding the separator
    // would shift every field after it: it is refused, naming the field.
    void campoConSeparador_data()
    {
        QTest::addColumn<int>("posicion"); // in the registration array
        QTest::addColumn<QString>("campo");
        QTest::newRow("motor") << 3 << "Motor de la base de datos";
        QTest::newRow("usuario") << 4 << "Usuario";
        QTest::newRow("contraseña") << 5 << "Contraseña";
        QTest::newRow("servidor") << 6 << "Servidor";
        QTest::newRow("base de datos") << 7 << "Base de Datos";
        QTest::newRow("puerto") << 8 << "Puerto";
    }
    void campoConSeparador()
    {
        QFETCH(int, posicion);
        QFETCH(QString, campo);
        QStringList registro = u"b@c.mx;B S.A.;BBB010101BB1;MySQL;u;p;h;negocios;3306"_s.split(u';');
        registro[posicion] = u"a|b"_s;
        const QString mensaje = QString(Constantes::ERR_CONEXION_SEPARADOR).replace(Constantes::CAMPO, campo);
        try {
            Utils::generaStrConexion(registro);
            QFAIL("se esperaba ECadenaConexion");
        } catch (const ECadenaConexion& e) {
            QCOMPARE(e.mensaje(), mensaje);
        }
        QVERIFY_THROWS_EXCEPTION(ECadenaConexion, TCadenaConexion::deRegistro(registro).guardada());
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
        QTest::newRow("restaurada SQLITE") << "SQLITE" << true << false << false;
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
        const QString archivo = creaArchivo(carpeta.archivo(u"db/AAA010101AAA/Velkor.fdb"_s));
        if (!archivoPresente)
            QVERIFY(QFile::remove(archivo));
        TColaRespuestas respuestas;
        QCOMPARE(Utils::validaConexionString(cadenaLocal(proveedor, archivo)), valida);
        QCOMPARE(respuestas.textos(), avisa ? QStringList{Constantes::ERR_EXISTE_NEGOCIO} : QStringList());
    }

    // A business restored from a backup names "SQLITE", yet every local file
    // is a database of the embedded engine and must open as one.
    void evaluaConexion_data()
    {
        QTest::addColumn<QString>("proveedor");
        QTest::addColumn<bool>("archivoPresente");
        QTest::addColumn<QString>("puerto");
        QTest::newRow("SQLITE de un respaldo") << "SQLITE" << true << QString();
        QTest::newRow("local") << Constantes::DB_SQLITE << true << QString();
        QTest::newRow("MySQL") << Constantes::DB_MySQL << true << "3306";
        QTest::newRow("archivo borrado") << Constantes::DB_SQLITE << false << QString();
    }
    void evaluaConexion()
    {
        QFETCH(QString, proveedor);
        QFETCH(bool, archivoPresente);
        QFETCH(QString, puerto);
        TCarpetaPrograma carpeta(false);
        const QString archivo = carpeta.nuevaBaseNegocio(u"db/AAA010101AAA/Velkor.fdb"_s).getDatabase();
        if (!archivoPresente)
            QVERIFY(QFile::remove(archivo));
        TConexionSesion conexion;
        conexion.setDatabase(u"anterior"_s);
        QCOMPARE(Utils::evaluaConexion(conexion, cadenaLocal(proveedor, archivo, puerto)), archivoPresente);
        QCOMPARE(conexion.getDatabase(), archivo);
        QCOMPARE(conexion.getPuerto(), puerto);
        if (archivoPresente && puerto.isEmpty()) {
            QSqlQuery consulta(Conexiones::baseDatos(conexion));
            QVERIFY(consulta.exec(u"SELECT 1 FROM RDB$DATABASE"_s) && consulta.next());
        }
    }

    // A business kept in a program folder is reached in the running one,
    // wherever the folder was when it was registered.
    void baseDatosEn_data()
    {
        QTest::addColumn<QString>("guardada");
        QTest::addColumn<QString>("esperada"); // empty: as stored
        const QString aqui = u"/opt/velkor/"_s;
        QTest::newRow("en esta carpeta") << aqui + u"db/AAA010101AAA/Velkor.fdb"_s << QString();
        QTest::newRow("carpeta movida o copiada")
            << "/home/ana/velkor viejo/db/AAA010101AAA/Velkor.fdb" << aqui + u"db/AAA010101AAA/Velkor.fdb"_s;
        QTest::newRow("restaurada, de otro sistema")
            << "C:\\Velkor\\DB\\H&E951128469\\cfdidb.db" << aqui + u"db/H&E951128469/cfdidb.db"_s;
        QTest::newRow("archivo fuera de una carpeta de empresa") << "/home/ana/respaldo.fdb" << QString();
        QTest::newRow("nombre de base en un servidor") << "negocios" << QString();
        QTest::newRow("ruta relativa") << "db/AAA010101AAA/Velkor.fdb" << QString();
        QTest::newRow("vacía") << QString() << QString();
    }
    void baseDatosEn()
    {
        QFETCH(QString, guardada);
        QFETCH(QString, esperada);
        const TCadenaConexion cadena(Constantes::DB_SQLITE, {}, {}, {}, guardada, {});
        QCOMPARE(cadena.baseDatosEn(u"/opt/velkor/"_s), esperada.isEmpty() ? guardada : esperada);
    }

    // Dates without a time go through stringToDate; an invalid expectation
    // means the text is refused, naming itself.
    void fechas_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("conHora");
        QTest::addColumn<QDateTime>("esperado");
        const QDateTime invalida;
        const QDateTime mayo10(QDate(2017, 5, 10), QTime(12, 34, 56));
        QTest::newRow("con T") << "2017-05-10T12:34:56" << true << mayo10;
        QTest::newRow("con espacio") << "2017-05-10 12:34:56" << true << mayo10;
        QTest::newRow("bisiesto con hora")
            << "2016-02-29T23:59:59" << true << QDateTime(QDate(2016, 2, 29), QTime(23, 59, 59));
        QTest::newRow("30 de febrero con hora") << "2017-02-30T10:00:00" << true << invalida;
        QTest::newRow("día-mes-año con hora") << "10/05/2017 12:34:56" << true << invalida;
        QTest::newRow("fecha sin hora") << "2017-05-10" << true << invalida;
        QTest::newRow("hora 25") << "2017-05-10T25:00:00" << true << invalida;
        QTest::newRow("ISO") << "2017-12-01" << false << QDateTime(QDate(2017, 12, 1), QTime(0, 0));
        QTest::newRow("día mayor que 12") << "2017-01-31" << false << QDateTime(QDate(2017, 1, 31), QTime(0, 0));
        QTest::newRow("29 de febrero no bisiesto") << "2017-02-29" << false << invalida;
        QTest::newRow("día-mes-año") << "10-05-2017" << false << invalida;
        QTest::newRow("fecha con hora") << "2017-05-10T12:34:56" << false << invalida;
        QTest::newRow("vacío") << QString() << false << invalida;
    }
    void fechas()
    {
        QFETCH(QString, texto);
        QFETCH(bool, conHora);
        QFETCH(QDateTime, esperado);
        const auto convierte = [&] {
            return conHora ? Utils::stringToDateTimeSQL(texto) : Utils::stringToDate(texto).startOfDay();
        };
        if (esperado.isValid()) {
            QCOMPARE(convierte(), esperado);
            return;
        }
        try {
            convierte();
            QFAIL("se esperaba EConversion");
        } catch (const EConversion& e) {
            QVERIFY2(e.mensaje().contains(u'"' + texto + u'"'), qPrintable(e.mensaje()));
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
        const QString rfc = u"AAA010101AAA"_s;
        Utils::inicializaDirectorios(carpeta.ruta(), rfc);
        const QString negocio = carpeta.ruta() + Constantes::FACTURAS_PATH + u'/' + rfc;
        QVERIFY(QFileInfo(negocio + u'/' + Constantes::XML_PATH).isDir());
        creaArchivo(negocio + u'/' + Constantes::XML_PATH + u"/uno.xml"_s);

        Utils::inicializaDirectorios(carpeta.ruta(), rfc);
        QCOMPARE(QDir(negocio).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{Constantes::PDFS_PATH, Constantes::XML_PATH}));
        QCOMPARE(QDir(negocio + u'/' + Constantes::XML_PATH).entryList(QDir::Files), QStringList{"uno.xml"});
    }

    void createDir_data()
    {
        QTest::addColumn<QString>("relativo");
        QTest::addColumn<bool>("falla");
        QTest::newRow("nueva") << "Nueva" << false;
        QTest::newRow("sin carpeta padre") << "NoExiste/Hija" << true;
        QTest::newRow("ocupada por un archivo") << "archivo.txt" << true;
    }
    void createDir()
    {
        QFETCH(QString, relativo);
        QFETCH(bool, falla);
        TCarpetaPrograma carpeta(false);
        creaArchivo(carpeta.archivo(u"archivo.txt"_s));
        const QString ruta = carpeta.archivo(relativo);
        if (falla)
            QVERIFY_THROWS_EXCEPTION(EEntradaSalida, Utils::createDir(ruta));
        else
            Utils::createDir(ruta);
        QCOMPARE(QFileInfo(ruta).isDir(), !falla);
    }
};

QTEST_GUILESS_MAIN(TPruebaUtils)
#include "tst_utils.moc"

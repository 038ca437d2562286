#include "CarpetaPrograma.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Errores.h"
#include "Esquema.h"
#include "NegocioPrueba.h"
#include "Prompter.h"
#include "Sistema.h"
#include "import/ImportacionConsola.h"
#include "negocio/TArchivoZip.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TIngreso.h"
#include "negocio/Utils.h"
#include "setup/TRespaldo.h"

#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString RFC = u"EKU9003173C9"_s;
const QString DUENO = u"Dueno@Ejemplo.mx"_s;
const QString PASSWORD_DUENO = u"Clave.Antigua1"_s;

enum class TUso { Ingreso, Importacion, Restauracion };

TConexionSesion conexionRegistrada()
{
    TConexionSesion conexion;
    Utils::evaluaConexion(conexion, registroLocal().getEmpresaDetalle(RFC).value(2));
    return conexion;
}

// What a use may not change: the tables and generators, the versions
// recorded and the vouchers.
QStringList estado(const TConexionSesion& conexion)
{
    QStringList resultado = Esquema::objetosPresentes(conexion);
    resultado.sort();
    QSqlQuery q(Conexiones::baseDatos(conexion));
    for (const QString& sql :
         {u"SELECT LIST(\"VERSION\") FROM VERSIONESQUEMA"_s, u"SELECT COUNT(*) FROM COMPROBANTE"_s})
        if (q.exec(sql) && q.next())
            resultado << q.value(0).toString();
    return resultado;
}

} // namespace

Q_DECLARE_METATYPE(TUso)

// The earlier program's business database (schema 3), recorded as brought
// by a later version past this one's schema: it is refused before a single
// change, by whichever use reaches it first.
class TstEstructuraReciente : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { NegocioPrueba::limpiaSesion(); }

    void rechazada_data()
    {
        QTest::addColumn<TUso>("uso");
        QTest::newRow("ingreso") << TUso::Ingreso;
        QTest::newRow("importacion") << TUso::Importacion;
        QTest::newRow("restauracion") << TUso::Restauracion;
    }
    void rechazada()
    {
        QFETCH(TUso, uso);
        const int posterior = Esquema::version() + 1;
        QTemporaryDir guardados;
        const QString respaldo = guardados.filePath(RFC + Constantes::RESPALDO_EXTENSION);
        const QString xml = guardados.filePath(u"xml"_s);
        QVERIFY(QDir().mkpath(xml));
        QVERIFY(QFile::copy(QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/cfdi33-valid.xml"), xml + u"/uno.xml"_s));

        TCarpetaPrograma carpeta;
        TArchivoZip(QStringLiteral(VELKOR_DATOS_PRUEBA "/antiguo/programa.zip")).extraeTodo(carpeta.ruta(), {});
        Sistema::dbUsuariosSistema = carpeta.archivo(Constantes::DB_USUARIOS);
        const TConexionSesion conexion = conexionRegistrada();
        {
            QSqlQuery q(Conexiones::baseDatos(conexion));
            QVERIFY(q.exec(u"INSERT INTO VERSIONESQUEMA (\"VERSION\") VALUES (%1)"_s.arg(posterior)));
        }
        const QStringList antes = estado(conexion);
        QCOMPARE(Esquema::versionRegistrada(conexion), posterior);
        Conexiones::cierra(conexion);

        TColaRespuestas respuestas;
        QString dicho;
        switch (uso) {
        case TUso::Ingreso:
            try {
                Ingreso::ingresa(RFC, DUENO, PASSWORD_DUENO);
            } catch (const EVelkor& e) {
                dicho = e.mensaje();
            }
            break;
        case TUso::Importacion:
            QCOMPARE(ImportacionConsola::ejecuta({xml, u"--correo"_s, DUENO, u"--contrasena"_s, PASSWORD_DUENO},
                                                 carpeta.ruta()),
                     1);
            for (const QString& reporte : QDir(carpeta.ruta()).entryList({u"Importacion-*.csv"_s}, QDir::Files))
                dicho += QString::fromUtf8(TCarpetaPrograma::lee(carpeta.archivo(reporte)));
            break;
        case TUso::Restauracion: {
            QFile::remove(carpeta.archivo(Constantes::DB_PATH + RFC + u"/Velkor.ini"_s));
            TArchivoZip::comprime(respaldo, carpeta.archivo(Constantes::DB_PATH + RFC),
                                  Constantes::DB_PATH + RFC + u'/', Constantes::RESPALDO_PASSWORD,
                                  TArchivoZip::TCifrado::Tradicional);
            TCarpetaPrograma destino;
            NegocioPrueba::creaRegistro(destino);
            QCOMPARE(Respaldo::restaurarRespaldo(respaldo), Respaldo::TResultado::Reciente);
            dicho = respuestas.textos().join(u'\n');
            QVERIFY(registroLocal().getEmpresaDetalle(RFC).isEmpty());
            QVERIFY(!QFileInfo::exists(destino.archivo(Constantes::DB_PATH + RFC)));
            Sistema::exePath = carpeta.ruta();
            Sistema::dbUsuariosSistema = carpeta.archivo(Constantes::DB_USUARIOS);
            break;
        }
        }
        const QString esperado = u"más reciente del programa (estructura %1; esta versión llega a la %2)"_s;
        QVERIFY2(dicho.contains(esperado.arg(posterior).arg(Esquema::version())), qPrintable(dicho));
        QCOMPARE(estado(conexionRegistrada()), antes);
    }
};

QTEST_GUILESS_MAIN(TstEstructuraReciente)
#include "tst_estructurareciente.moc"

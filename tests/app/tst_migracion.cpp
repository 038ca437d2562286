#include "CarpetaPrograma.h"
#include "NegocioPrueba.h"
#include "Entidades.h"
#include "Secretos.h"
#include "Sistema.h"
#include "negocio/AjustesCorreo.h"
#include "negocio/TArchivoZip.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TCadenaConexion.h"
#include "negocio/TIngreso.h"
#include "negocio/Utils.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;
using Ingreso::TResultado;

namespace {

const QString RFC = u"EKU9003173C9"_s;
const QString DUENO = u"Dueno@Ejemplo.mx"_s;
const QString PASSWORD_DUENO = u"Clave.Antigua1"_s;
const QString CAJERO = u"cajero@ejemplo.mx"_s;
const QString PASSWORD_CAJERO = u"Cajero.Antiguo2"_s;
const QString PASSWORD_CORREO = u"CorreoSecreto.Antiguo3"_s;

// The program folder the previous version left (tests/data/antiguo).
void instalaAntiguo(const TCarpetaPrograma& carpeta)
{
    TArchivoZip(QStringLiteral(VELKOR_DATOS_PRUEBA "/antiguo/programa.zip")).extraeTodo(carpeta.ruta(), {});
    Sistema::dbUsuariosSistema = carpeta.archivo(u"db/Usuarios.db"_s);
}

QStringList cadenasRegistro(const QString& archivo)
{
    QStringList cadenas;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"lectura"_s);
        db.setDatabaseName(archivo);
        if (db.open()) {
            QSqlQuery q(u"SELECT stringConexion FROM Conexion"_s, db);
            while (q.next())
                cadenas << q.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(u"lectura"_s);
    return cadenas;
}

QString passwordGuardado(const QString& email)
{
    TConexionSesion conexion;
    if (!Utils::evaluaConexion(conexion, registroLocal().getEmpresaDetalle(RFC).value(2)))
        return {};
    const std::unique_ptr<TUsuario> usuario = TUsuario::getInfoByEmail(email, conexion);
    return usuario ? usuario->getPassword() : QString();
}

} // namespace

// A program folder written by the previous version signs in, and what it
// kept readable is rewritten: passwords as hashes, the rest under this
// installation's key.
class TstMigracion : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        Sistema::freeNegocio();
        Sistema::freeUsuario();
        Sistema::freeConexion();
        Ingreso::olvidaSesion();
    }

    void contrasenas()
    {
        TCarpetaPrograma carpeta;
        instalaAntiguo(carpeta);
        QVERIFY(Secretos::esFormaAntigua(passwordGuardado(DUENO)));

        // The first sign-in, even a refused one, leaves no user's password
        // readable: the cashier may never sign in again.
        QCOMPARE(Ingreso::ingresa(RFC, DUENO, u"otra"_s), TResultado::UsuarioIncorrecto);
        for (const QString& email : {DUENO, CAJERO})
            QVERIFY2(Secretos::esHashPassword(passwordGuardado(email)), qPrintable(email));

        // The typed e-mail may differ in case from the stored one.
        QCOMPARE(Ingreso::ingresa(RFC, DUENO.toLower(), PASSWORD_DUENO), TResultado::Correcto);
        const QString hash = passwordGuardado(DUENO);
        QVERIFY2(Secretos::esHashPassword(hash), qPrintable(hash));
        QVERIFY(Secretos::esHashPassword(Sistema::Usuario->getPassword()));
        QVERIFY(!Secretos::esFormaAntigua(Sistema::Usuario->getPasswordtocompareupdate()));

        cleanup();
        QCOMPARE(Ingreso::ingresa(RFC, DUENO, PASSWORD_DUENO), TResultado::Correcto);
        QCOMPARE(passwordGuardado(DUENO), hash);
        cleanup();
        QCOMPARE(Ingreso::ingresa(RFC, DUENO, u"clave.antigua1"_s), TResultado::UsuarioIncorrecto);
        QCOMPARE(Ingreso::ingresa(RFC, CAJERO, PASSWORD_CAJERO), TResultado::Correcto);
        QVERIFY(Secretos::esHashPassword(passwordGuardado(CAJERO)));

        // Nothing of the passwords reaches the log.
        const QString log = carpeta.log();
        QVERIFY(!log.isEmpty());
        for (const QString& secreto : {PASSWORD_DUENO, PASSWORD_CAJERO, hash})
            QVERIFY2(!log.contains(secreto), qPrintable(secreto));
    }

    void cadenasDeConexion()
    {
        TCarpetaPrograma carpeta;
        instalaAntiguo(carpeta);
        const QString antigua = cadenasRegistro(Sistema::dbUsuariosSistema).value(0);
        QVERIFY(Secretos::esFormaAntigua(antigua));

        QCOMPARE(registroLocal().migraCadenas(), 1);
        const QStringList nuevas = cadenasRegistro(Sistema::dbUsuariosSistema);
        QCOMPARE(nuevas.size(), 1);
        QVERIFY(Secretos::esFormaActual(nuevas.first()));
        QCOMPARE(TCadenaConexion::deGuardada(nuevas.first()).campos(), TCadenaConexion::deGuardada(antigua).campos());
        QCOMPARE(registroLocal().migraCadenas(), 0);
        QCOMPARE(Ingreso::ingresa(RFC, DUENO, PASSWORD_DUENO), TResultado::Correcto);

        // Another installation cannot read this registry's strings.
        const TCarpetaPrograma otra;
        QVERIFY(!TCadenaConexion::deGuardada(nuevas.first()).legible());
    }

    // Each database keeps its own salted hash, so moving to another business
    // checks the password typed at sign-in against that business's hash.
    void cambioDeNegocio()
    {
        TCarpetaPrograma carpeta;
        NegocioPrueba::creaRegistro(carpeta);
        const QString correo = u"dueno@escuela.mx"_s;
        NegocioPrueba::crea(NegocioPrueba::RFC_ESCUELA, correo, u"Misma.1"_s);
        NegocioPrueba::crea(NegocioPrueba::RFC_ACCEM, correo, u"Misma.1"_s);
        NegocioPrueba::crea(u"H&E951128469"_s, correo, u"Otra.2"_s);

        QCOMPARE(Ingreso::ingresa(NegocioPrueba::RFC_ESCUELA, correo, u"Misma.1"_s), TResultado::Correcto);
        QCOMPARE(Ingreso::reingresa(NegocioPrueba::RFC_ACCEM, correo), TResultado::Correcto);
        QCOMPARE(Sistema::Negocio->getDatosfiscales()->getRfc(), NegocioPrueba::RFC_ACCEM);
        QCOMPARE(Ingreso::reingresa(u"H_E951128469"_s, correo), TResultado::UsuarioIncorrecto);
        Ingreso::olvidaSesion();
        QCOMPARE(Ingreso::reingresa(NegocioPrueba::RFC_ESCUELA, correo), TResultado::UsuarioIncorrecto);
        QVERIFY(!carpeta.log().contains(u"Misma.1"_s));
    }

    // What an earlier version left readable by other accounts is closed;
    // what a link points to outside is not the program's to change.
    void archivosAbiertos()
    {
        TCarpetaPrograma carpeta;
        instalaAntiguo(carpeta);
        QTemporaryDir fuera;
        const QString ajeno = fuera.filePath(u"ajeno.txt"_s);
        QVERIFY(TCarpetaPrograma::escribe(ajeno, "de otro"));
        QVERIFY(TCarpetaPrograma::escribe(carpeta.archivo("Facturas/EKU9003173C9/XML/a.xml"), "<cfdi/>"));
        QVERIFY(TCarpetaPrograma::escribe(carpeta.archivo("Importacion-20260101-000000.csv"), "reporte"));
        QVERIFY(QFile::link(ajeno, carpeta.archivo("Facturas/EKU9003173C9/enlace.txt")));
        const QStringList abiertos =
            u"db db/Usuarios.db db/EKU9003173C9 db/EKU9003173C9/Velkor.fdb Facturas Facturas/EKU9003173C9 "
            "Facturas/EKU9003173C9/XML Facturas/EKU9003173C9/XML/a.xml Velkor.ini Importacion-20260101-000000.csv"_s
                .split(u' ');
        for (const QString& relativo : abiertos)
            QVERIFY(QFile::setPermissions(
                carpeta.archivo(relativo),
                QFile::Permissions(QFileInfo(carpeta.archivo(relativo)).isDir() ? 0x7755 : 0x6644)));
        QVERIFY(QFile::setPermissions(ajeno, QFile::Permissions(0x6644)));

        QCOMPARE(Utils::cierraDatosAnteriores(carpeta.ruta()), 0);
        for (const QString& relativo : abiertos)
            QCOMPARE(TCarpetaPrograma::modo(carpeta.archivo(relativo)),
                     QFileInfo(carpeta.archivo(relativo)).isDir() ? 0700 : 0600);
        QCOMPARE(TCarpetaPrograma::modo(ajeno), 0644);
        QCOMPARE(Ingreso::ingresa(RFC, DUENO, PASSWORD_DUENO), TResultado::Correcto);
    }

    void passwordDelCorreo()
    {
        TCarpetaPrograma carpeta;
        instalaAntiguo(carpeta);
        const auto ini = [&] { return QString::fromUtf8(TCarpetaPrograma::lee(carpeta.archivo("Velkor.ini"))); };
        QVERIFY(ini().contains(u"password=v1:"_s));

        QCOMPARE(AjustesCorreo::lee(carpeta.ruta()).password, PASSWORD_CORREO);
        QVERIFY2(ini().contains(u"v2:"_s) && !ini().contains(u"v1:"_s), qPrintable(ini()));
        QCOMPARE(AjustesCorreo::lee(carpeta.ruta()).password, PASSWORD_CORREO);
        QCOMPARE(AjustesCorreo::lee(carpeta.ruta()).cuenta, u"avisos@ejemplo.mx"_s);

        // One written by hand in plain text is enciphered once read.
        QVERIFY(TCarpetaPrograma::escribe(
            carpeta.archivo("Velkor.ini"),
            ini().replace(QRegularExpression(u"password=\\S+"_s), u"password=aMano.4"_s).toUtf8()));
        QCOMPARE(AjustesCorreo::lee(carpeta.ruta()).password, u"aMano.4"_s);
        QVERIFY(!ini().contains(u"aMano.4"_s));
        QCOMPARE(AjustesCorreo::lee(carpeta.ruta()).password, u"aMano.4"_s);
        QVERIFY(!carpeta.log().contains(u"aMano.4"_s));
    }
};

QTEST_GUILESS_MAIN(TstMigracion)
#include "tst_migracion.moc"

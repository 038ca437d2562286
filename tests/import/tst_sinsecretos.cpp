#include "NegocioPrueba.h"
#include "ProgramaConsola.h"
#include "Prompter.h"
#include "Secretos.h"
#include "ServidorPrueba.h"
#include "Sistema.h"
#include "admin/TUsuariosNegocio.h"
#include "negocio/AjustesCorreo.h"
#include "negocio/TIngreso.h"

#include <QDirIterator>
#include <QtTest>

namespace {

const QString PASSWORD_EQUIVOCADO = QStringLiteral("Equivocada#9");
const QString PASSWORD_CAJERO = QStringLiteral("Cajero-Secreto#7");
const QString PASSWORD_CORREO = QStringLiteral("Correo-Secreto#5");
const QString PASSWORD_SERVIDOR = QStringLiteral("Servidor-Distinta#3");

// Every text a secret could take in a file: as written, and the bytes of
// a key as hexadecimal and base64.
QStringList formas(const QByteArray& bytes)
{
    return {QString::fromLatin1(bytes.toHex()), QString::fromLatin1(bytes.toBase64())};
}

} // namespace

// A whole run of the program's paths that handle a secret: the command-line
// import with a wrong and a right password, businesses created from it,
// sign-ins, a new user, the mail settings and a refused mail. Afterwards no
// password, key or hash is in the log, in the import reports, in the
// command's output or in any message shown.
class TstSinSecretos : public QObject {
    Q_OBJECT

private slots:
    void corridaCompleta()
    {
        TProgramaConsola programa;
        const TEntornoImportacion& entorno = programa.entorno;
        entorno.agrega(QStringLiteral("cfdi40-real.xml"));
        entorno.agrega(QStringLiteral("cfdi33-real.xml"));
        const QString email = QString::fromUtf8(TEntornoImportacion::EMAIL);
        const QString password = QString::fromUtf8(TEntornoImportacion::PASSWORD);

        QStringList salidas;
        for (const QString& usado : {password, PASSWORD_EQUIVOCADO}) {
            const TProgramaConsola::TCorrida corrida = programa.importa(usado);
            salidas << corrida.salidaEstandar << corrida.errores;
        }
        const QStringList registradas = registroLocal().getEmpresas();
        QVERIFY2(!registradas.isEmpty(), qPrintable(salidas.join('\n')));
        const QString rfc = registradas.first().section(QLatin1Char('|'), 0, 0);

        TColaRespuestas respuestas;
        QCOMPARE(Ingreso::ingresa(rfc, email, PASSWORD_EQUIVOCADO), Ingreso::TResultado::UsuarioIncorrecto);
        QCOMPARE(Ingreso::ingresa(rfc, email, password), Ingreso::TResultado::Correcto);
        const QString hash = Sistema::Usuario->getPassword();
        NegocioPrueba::fijaPermisos(QStringLiteral("-1|-1|-1|-1|-1|-1|-1|-1"));
        UsuariosNegocio::TNuevoUsuario cajero;
        cajero.email = QStringLiteral("cajero@negocio.mx");
        cajero.nombre = QStringLiteral("Cajero");
        cajero.password = cajero.repitePassword = PASSWORD_CAJERO;
        QCOMPARE(UsuariosNegocio::agrega(cajero), UsuariosNegocio::TResultado::Correcto);

        TServidorPrueba smtp(QStringLiteral("servidor_smtp.py"),
                             {QStringLiteral("--carpeta"), entorno.carpeta.archivo(QStringLiteral("buzon")),
                              QStringLiteral("--cuenta"), QStringLiteral("avisos@negocio.mx:") + PASSWORD_SERVIDOR});
        QVERIFY2(smtp.puerto() > 0, qPrintable(smtp.error()));
        AjustesCorreo::TAjustes ajustes;
        ajustes.servidor = QStringLiteral("127.0.0.1");
        ajustes.puerto = smtp.puerto();
        ajustes.cuenta = QStringLiteral("avisos@negocio.mx");
        ajustes.password = PASSWORD_CORREO;
        QCOMPARE(AjustesCorreo::guarda(entorno.carpeta.ruta(), ajustes), QString());
        const QString falla =
            AjustesCorreo::envia(entorno.carpeta.ruta(), AjustesCorreo::lee(entorno.carpeta.ruta()),
                                 AjustesCorreo::mensajePrueba(email, QStringLiteral("avisos@negocio.mx")));
        QVERIFY2(!falla.isEmpty(), "el servidor debía rechazar la contraseña");
        NegocioPrueba::limpiaSesion();
        Ingreso::olvidaSesion();

        QStringList secretos{password,
                             PASSWORD_EQUIVOCADO,
                             PASSWORD_CAJERO,
                             PASSWORD_CORREO,
                             PASSWORD_SERVIDOR,
                             NegocioPrueba::PASSWORD_CSD,
                             hash.section(QLatin1Char('$'), -1)};
        secretos += formas(TCarpetaPrograma::lee(entorno.carpeta.archivo(Secretos::ARCHIVO_LLAVE)));
        QCOMPARE(TCarpetaPrograma::lee(entorno.carpeta.archivo(Secretos::ARCHIVO_LLAVE)).size(), 32);

        QStringList textos{entorno.carpeta.log(), falla};
        textos += salidas;
        textos += respuestas.textos();
        int reportes = 0;
        for (QDirIterator it(entorno.carpeta.ruta(), {QStringLiteral("Importacion-*.csv")}, QDir::Files);
             it.hasNext();) {
            textos << QString::fromUtf8(TCarpetaPrograma::lee(it.next()));
            ++reportes;
        }
        QCOMPARE(reportes, 1); // the run with the wrong password stops before its report
        QVERIFY(entorno.carpeta.log().contains(QStringLiteral("Ingreso rechazado")));
        for (const QString& texto : textos)
            for (const QString& secreto : secretos)
                QVERIFY2(!texto.contains(secreto), qPrintable(secreto + QStringLiteral(" en: ") + texto.left(300)));
    }
};

QTEST_MAIN(TstSinSecretos)
#include "tst_sinsecretos.moc"

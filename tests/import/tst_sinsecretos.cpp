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

using namespace Qt::StringLiterals;

namespace {

const QString PASSWORD_EQUIVOCADO = u"Equivocada#9"_s;
const QString PASSWORD_CAJERO = u"Cajero-Secreto#7"_s;
const QString PASSWORD_CORREO = u"Correo-Secreto#5"_s;
const QString PASSWORD_SERVIDOR = u"Servidor-Distinta#3"_s;

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
        entorno.agrega(u"cfdi40-real.xml"_s);
        entorno.agrega(u"cfdi33-real.xml"_s);
        const QString email = QString::fromUtf8(TEntornoImportacion::EMAIL);
        const QString password = QString::fromUtf8(TEntornoImportacion::PASSWORD);

        QStringList salidas;
        for (const QString& usado : {password, PASSWORD_EQUIVOCADO}) {
            const TProgramaConsola::TCorrida corrida = programa.importa(usado);
            salidas << corrida.salidaEstandar << corrida.errores;
        }
        const QStringList registradas = registroLocal().getEmpresas();
        QVERIFY2(!registradas.isEmpty(), qPrintable(salidas.join('\n')));
        const QString rfc = registradas.first().section(u'|', 0, 0);

        TColaRespuestas respuestas;
        QCOMPARE(Ingreso::ingresa(rfc, email, PASSWORD_EQUIVOCADO), Ingreso::TResultado::UsuarioIncorrecto);
        QCOMPARE(Ingreso::ingresa(rfc, email, password), Ingreso::TResultado::Correcto);
        const QString hash = Sistema::Usuario->getPassword();
        NegocioPrueba::fijaPermisos(u"-1|-1|-1|-1|-1|-1|-1|-1"_s);
        UsuariosNegocio::TNuevoUsuario cajero;
        cajero.email = u"cajero@negocio.mx"_s;
        cajero.nombre = u"Cajero"_s;
        cajero.password = cajero.repitePassword = PASSWORD_CAJERO;
        QCOMPARE(UsuariosNegocio::agrega(cajero), UsuariosNegocio::TResultado::Correcto);

        TServidorPrueba smtp(u"servidor_smtp.py"_s, {u"--carpeta"_s, entorno.carpeta.archivo(u"buzon"_s), u"--cuenta"_s,
                                                     u"avisos@negocio.mx:"_s + PASSWORD_SERVIDOR});
        QVERIFY2(smtp.puerto() > 0, qPrintable(smtp.error()));
        AjustesCorreo::TAjustes ajustes;
        ajustes.servidor = u"127.0.0.1"_s;
        ajustes.puerto = smtp.puerto();
        ajustes.cuenta = u"avisos@negocio.mx"_s;
        ajustes.password = PASSWORD_CORREO;
        QCOMPARE(AjustesCorreo::guarda(entorno.carpeta.ruta(), rfc, ajustes), QString());
        const QString falla =
            AjustesCorreo::envia(entorno.carpeta.ruta(), AjustesCorreo::lee(entorno.carpeta.ruta(), rfc),
                                 AjustesCorreo::mensajePrueba(email, u"avisos@negocio.mx"_s));
        QVERIFY2(!falla.isEmpty(), "el servidor debía rechazar la contraseña");
        NegocioPrueba::limpiaSesion();
        Ingreso::olvidaSesion();

        // Every text a secret could take in a file: as written, and the bytes
        // of the key as hexadecimal and base64.
        const QByteArray llave = TCarpetaPrograma::lee(entorno.carpeta.archivo(Secretos::ARCHIVO_LLAVE));
        const QStringList secretos = QStringList{password,        PASSWORD_EQUIVOCADO, PASSWORD_CAJERO,
                                                 PASSWORD_CORREO, PASSWORD_SERVIDOR,   NegocioPrueba::PASSWORD_CSD}
                                     << hash.section(u'$', -1) << QString::fromLatin1(llave.toHex())
                                     << QString::fromLatin1(llave.toBase64());
        QCOMPARE(llave.size(), 32);

        QStringList textos = QStringList{entorno.carpeta.log(), falla} + salidas + respuestas.textos();
        int reportes = 0;
        for (QDirIterator it(entorno.carpeta.ruta(), {u"Importacion-*.csv"_s}, QDir::Files); it.hasNext();) {
            textos << QString::fromUtf8(TCarpetaPrograma::lee(it.next()));
            ++reportes;
        }
        QCOMPARE(reportes, 1); // the run with the wrong password stops before its report
        QVERIFY(entorno.carpeta.log().contains(u"Ingreso rechazado"_s));
        for (const QString& texto : textos)
            for (const QString& secreto : secretos)
                QVERIFY2(!texto.contains(secreto), qPrintable(secreto + u" en: "_s + texto.left(300)));
    }
};

QTEST_MAIN(TstSinSecretos)
#include "tst_sinsecretos.moc"

#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "negocio/AjustesCorreo.h"
#include "Entidades.h"
#include "NegocioPrueba.h"
#include "Prompter.h"
#include "ServidorPrueba.h"
#include "Signerutils.h"
#include "Sistema.h"
#include "negocio/TIngreso.h"
#include "negocio/Credenciales.h"
#include "setup/TRecuperacion.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace Constantes;
using Recuperacion::TResultado;

namespace {

const QString RFC = QStringLiteral("EKU9003173C9");
const QString EMAIL = QStringLiteral("dueno@escuela.mx");
const QString VIEJA = QStringLiteral("Vieja#1");
const QString NUEVA = QStringLiteral("Nueva#2");

struct TCorreoRecibido {
    QMap<QByteArray, QByteArray> encabezados;
    QString html;
};

// A message as the test server stored it: its envelope lines and headers,
// then the base64 body.
TCorreoRecibido leeCorreo(const QString& archivo)
{
    TCorreoRecibido correo;
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly))
        return correo;
    const QByteArray todo = f.readAll();
    const qsizetype corte = todo.indexOf("\r\n\r\n");
    for (const QByteArray& linea : todo.left(corte).split('\n')) {
        const qsizetype dos = linea.indexOf(':');
        if (dos > 0)
            correo.encabezados.insert(linea.left(dos).trimmed().toLower(), linea.mid(dos + 1).trimmed());
    }
    correo.html = QString::fromUtf8(QByteArray::fromBase64(todo.mid(corte + 4)));
    return correo;
}

// The key as the user copies it out of the mail.
QString claveDelCorreo(const QString& html)
{
    const qsizetype inicio = html.indexOf(EMAIL_CLAVE_RECUPERACION);
    if (inicio < 0)
        return {};
    const qsizetype desde = inicio + EMAIL_CLAVE_RECUPERACION.size();
    return html.mid(desde, html.indexOf(QLatin1Char('<'), desde) - desde);
}

void ajustes(const TCarpetaPrograma& programa, const QMap<QString, QString>& valores)
{
    QSettings ini(programa.archivo(ARCHIVO_AJUSTES), QSettings::IniFormat);
    for (auto it = valores.cbegin(); it != valores.cend(); ++it)
        ini.setValue(it.key(), it.value());
}

QStringList correos(const QString& carpeta)
{
    return QDir(carpeta).entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name);
}

} // namespace

class TstRecuperacion : public QObject {
    Q_OBJECT
private slots:
    void init() { NegocioPrueba::limpiaSesion(); }

    void clave_data()
    {
        QTest::addColumn<QString>("clave");
        QTest::addColumn<bool>("valida");
        const Signerutils::TSigner& signer = Signerutils::Signer();
        QTest::newRow("la suya") << Recuperacion::claveRecuperacion(EMAIL) << true;
        QTest::newRow("con blancos alrededor") << QStringLiteral("  ") + Recuperacion::claveRecuperacion(EMAIL) + "\n"
                                               << true;
        QTest::newRow("de otro correo") << Recuperacion::claveRecuperacion(QStringLiteral("otro@escuela.mx")) << false;
        QTest::newRow("contraseña guardada") << signer.crypt(EMAIL + USR_PASS + VIEJA) << false;
        QTest::newRow("el correo cifrado") << signer.crypt(EMAIL) << false;
        QTest::newRow("texto cualquiera") << QStringLiteral("v1:abc") << false;
        QTest::newRow("vacía") << QString() << false;
    }
    void clave()
    {
        QFETCH(QString, clave);
        QFETCH(bool, valida);
        TColaRespuestas respuestas;
        QCOMPARE(Recuperacion::validaClave(clave, QStringLiteral(" ") + EMAIL), valida);
        QCOMPARE(respuestas.textos(), valida ? QStringList{} : QStringList{ERR_CLAVE_RECUPERACION});
    }

    void cuerpo()
    {
        const QString cuerpo =
            Recuperacion::cuerpoCorreo(QStringLiteral("<p>[clave]</p><p>[clave]</p>"), QStringLiteral("K"));
        QCOMPARE(cuerpo, QStringLiteral("<p>") + EMAIL_CLAVE_RECUPERACION + QStringLiteral("K</p><p>[clave]</p>"));
    }

    // The whole road: the mail arrives, its key is accepted, the new
    // password is stored and signs in; the old one no longer does.
    void recuperaPorCorreo_data()
    {
        QTest::addColumn<bool>("tls");
        QTest::addColumn<bool>("cuenta");
        // Saved by the administrator ("Configurar correo") rather than
        // written in the file by hand.
        QTest::addColumn<bool>("guardados");
        QTest::newRow("sin cifrar") << false << false << false;
        QTest::newRow("STARTTLS") << true << false << false;
        QTest::newRow("STARTTLS con cuenta") << true << true << false;
        QTest::newRow("cuenta sin cifrar") << false << true << false;
        QTest::newRow("guardados, sin cifrar") << false << false << true;
        QTest::newRow("guardados, STARTTLS con cuenta") << true << true << true;
    }
    void recuperaPorCorreo()
    {
        QFETCH(bool, tls);
        QFETCH(bool, cuenta);
        QFETCH(bool, guardados);
        const TCarpetaPrograma programa;
        NegocioPrueba::creaRegistro(programa);
        NegocioPrueba::crea(RFC, EMAIL, VIEJA);
        QTemporaryDir buzon;
        QStringList argumentos{QStringLiteral("--carpeta"), buzon.path()};
        QMap<QString, QString> valores{{QStringLiteral("Correo/servidor"), QStringLiteral("127.0.0.1")}};
        if (tls) {
            const TCertificadoPrueba certificado(buzon.path());
            QVERIFY(certificado.valido());
            argumentos << QStringLiteral("--certificado") << certificado.certificado << QStringLiteral("--llave")
                       << certificado.llave;
            valores.insert(QStringLiteral("Correo/certificadosCA"), certificado.certificado);
            valores.insert(QStringLiteral("Correo/tls"), QStringLiteral("requerido"));
        }
        if (cuenta) {
            argumentos << QStringLiteral("--cuenta") << QStringLiteral("avisos@escuela.mx:Secreta, con coma");
            valores.insert(QStringLiteral("Correo/cuenta"), QStringLiteral("avisos@escuela.mx"));
            valores.insert(QStringLiteral("Correo/password"), QStringLiteral("Secreta, con coma"));
        }
        const TServidorPrueba smtp(QStringLiteral("servidor_smtp.py"), argumentos);
        QVERIFY2(smtp.puerto() > 0, qPrintable(smtp.error()));
        valores.insert(QStringLiteral("Correo/puerto"), QString::number(smtp.puerto()));
        if (guardados) {
            // Only the authorities stay for the file: the window leaves them be.
            if (tls)
                ajustes(programa, {{QStringLiteral("Correo/certificadosCA"),
                                    valores.value(QStringLiteral("Correo/certificadosCA"))}});
            AjustesCorreo::TAjustes correo;
            correo.servidor = QStringLiteral("127.0.0.1");
            correo.puerto = smtp.puerto();
            correo.seguridad = tls ? AjustesCorreo::TSeguridad::Starttls : AjustesCorreo::TSeguridad::Ninguna;
            correo.cuenta = valores.value(QStringLiteral("Correo/cuenta"));
            correo.password = valores.value(QStringLiteral("Correo/password"));
            QCOMPARE(AjustesCorreo::guarda(programa.ruta(), correo), QString());
        } else {
            ajustes(programa, valores);
        }

        TColaRespuestas respuestas;
        QVERIFY2(Recuperacion::enviaClave(QStringLiteral(" ") + EMAIL + QStringLiteral(" ")),
                 qPrintable(respuestas.textos().join(QLatin1Char('\n'))));
        QCOMPARE(respuestas.textos(), QStringList{});
        QCOMPARE(correos(buzon.path()), QStringList{QStringLiteral("1.eml")});
        const TCorreoRecibido correo = leeCorreo(buzon.filePath(QStringLiteral("1.eml")));
        QCOMPARE(correo.encabezados.value("x-destinatario"), EMAIL.toUtf8());
        QCOMPARE(correo.encabezados.value("x-remitente"), QByteArray("no-responder@velkor.mx"));
        QCOMPARE(correo.encabezados.value("subject"),
                 "=?UTF-8?B?" + EMAIL_ASUNTO_RECUPERACION.toUtf8().toBase64() + "?=");
        QVERIFY(correo.html.contains(QStringLiteral("Recupera tu contraseña")));
        QVERIFY(!correo.html.contains(EMAIL_REPLACE));

        const QString clave = claveDelCorreo(correo.html);
        QVERIFY(Recuperacion::validaClave(clave, EMAIL));
        QCOMPARE(Recuperacion::guardaPassword(RFC, EMAIL, clave, NUEVA, NUEVA), TResultado::Correcto);
        QCOMPARE(respuestas.textos(), QStringList{EMAIL_CONTRASENA_ACTUALIZA});
        QCOMPARE(Ingreso::ingresa(RFC, EMAIL, VIEJA), Ingreso::TResultado::UsuarioIncorrecto);
        QCOMPARE(Ingreso::ingresa(RFC, EMAIL, NUEVA), Ingreso::TResultado::Correcto);
    }

    void correoNoEnviado_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<QString>("motivo");
        QTest::newRow("TLS requerido y el servidor no lo ofrece")
            << QStringLiteral("tls") << AjustesCorreo::FALLA_CIFRADO;
        QTest::newRow("cuenta rechazada") << QStringLiteral("cuenta") << AjustesCorreo::FALLA_AUTENTICACION;
        QTest::newRow("certificado desconocido") << QStringLiteral("certificado") << AjustesCorreo::FALLA_CERTIFICADO;
    }
    void correoNoEnviado()
    {
        QFETCH(QString, caso);
        QFETCH(QString, motivo);
        const TCarpetaPrograma programa;
        QTemporaryDir buzon;
        QStringList argumentos{QStringLiteral("--carpeta"), buzon.path()};
        QMap<QString, QString> valores{{QStringLiteral("Correo/servidor"), QStringLiteral("127.0.0.1")}};
        if (caso == QLatin1String("tls")) {
            valores.insert(QStringLiteral("Correo/tls"), QStringLiteral("requerido"));
        } else if (caso == QLatin1String("cuenta")) {
            argumentos << QStringLiteral("--cuenta") << QStringLiteral("avisos:buena");
            valores.insert(QStringLiteral("Correo/cuenta"), QStringLiteral("avisos"));
            valores.insert(QStringLiteral("Correo/password"), QStringLiteral("mala"));
        } else {
            const TCertificadoPrueba certificado(buzon.path());
            QVERIFY(certificado.valido());
            argumentos << QStringLiteral("--certificado") << certificado.certificado << QStringLiteral("--llave")
                       << certificado.llave;
        }
        const TServidorPrueba smtp(QStringLiteral("servidor_smtp.py"), argumentos);
        QVERIFY2(smtp.puerto() > 0, qPrintable(smtp.error()));
        valores.insert(QStringLiteral("Correo/puerto"), QString::number(smtp.puerto()));
        ajustes(programa, valores);

        TColaRespuestas respuestas;
        QVERIFY(!Recuperacion::enviaClave(EMAIL));
        // In plain words: neither the server's address nor the mail library's texts.
        QCOMPARE(respuestas.textos(), QStringList{ERR_CORREO_ENVIO + motivo});
        QCOMPARE(correos(buzon.path()), QStringList{});
    }

    // Until the administrator sets the mail, recovery says it is not
    // available here and who can set it, naming no file.
    void sinConfiguracion()
    {
        const TCarpetaPrograma programa;
        TColaRespuestas respuestas;
        QVERIFY(!Recuperacion::correoConfigurado());
        QVERIFY(!Recuperacion::enviaClave(EMAIL));
        QCOMPARE(respuestas.textos(), QStringList{ERR_CORREO_SIN_CONFIGURAR});
        QVERIFY(!ERR_CORREO_SIN_CONFIGURAR.contains(ARCHIVO_AJUSTES));
        ajustes(programa, {{QStringLiteral("Correo/servidor"), QStringLiteral("127.0.0.1")},
                           {QStringLiteral("Correo/cuenta"), QStringLiteral("avisos")}});
        respuestas.limpia();
        QVERIFY(!Recuperacion::correoConfigurado());
        QVERIFY(!Recuperacion::enviaClave(EMAIL));
        QCOMPARE(respuestas.textos(), QStringList{ERR_CORREO_SIN_CONFIGURAR});
    }

    void guardaPassword_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("claveDe");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("repetida");
        QTest::addColumn<int>("resultado");
        QTest::addColumn<QString>("mensaje");
        QTest::addColumn<QString>("entra"); // the password that signs in afterwards
        QTest::newRow("clave de otro correo") << EMAIL << QStringLiteral("otro@escuela.mx") << NUEVA << NUEVA
                                              << int(TResultado::ClaveNoValida) << ERR_CLAVE_RECUPERACION << VIEJA;
        QTest::newRow("repetición distinta") << EMAIL << EMAIL << NUEVA << QStringLiteral("Nueva#3")
                                             << int(TResultado::ContrasenaDistinta) << ERR_CONTRASENA << VIEJA;
        QTest::newRow("usuario inexistente")
            << QStringLiteral("otro@escuela.mx") << QStringLiteral("otro@escuela.mx") << NUEVA << NUEVA
            << int(TResultado::UsuarioNoEncontrado) << EMAIL_ERR_USUARIO_NO_ENCONTRADO << VIEJA;
        QTest::newRow("sin contraseña") << EMAIL << EMAIL << QString() << QString() << int(TResultado::Correcto)
                                        << EMAIL_CONTRASENA_ACTUALIZA << QString();
        QTest::newRow("correo en mayúsculas")
            << QStringLiteral("Dueno@Escuela.MX") << QStringLiteral("Dueno@Escuela.MX") << NUEVA << NUEVA
            << int(TResultado::Correcto) << EMAIL_CONTRASENA_ACTUALIZA << NUEVA;
    }
    void guardaPassword()
    {
        QFETCH(QString, email);
        QFETCH(QString, claveDe);
        QFETCH(QString, password);
        QFETCH(QString, repetida);
        QFETCH(int, resultado);
        QFETCH(QString, mensaje);
        QFETCH(QString, entra);
        const TCarpetaPrograma programa;
        NegocioPrueba::creaRegistro(programa);
        NegocioPrueba::crea(RFC, EMAIL, VIEJA);
        // Another business of the same user keeps its own password.
        const TConexionSesion otra = NegocioPrueba::crea(QStringLiteral("H&E951128469"), EMAIL, VIEJA);

        TColaRespuestas respuestas;
        QCOMPARE(
            int(Recuperacion::guardaPassword(RFC, email, Recuperacion::claveRecuperacion(claveDe), password, repetida)),
            resultado);
        QCOMPARE(respuestas.textos(), QStringList{mensaje});
        const auto usuario = TUsuario::getInfoByEmail(EMAIL, otra);
        QVERIFY(Credenciales::esSuPassword(*usuario, VIEJA));
        NegocioPrueba::limpiaSesion();
        QCOMPARE(Ingreso::ingresa(RFC, EMAIL, entra), Ingreso::TResultado::Correcto);
        if (resultado == int(TResultado::Correcto)) {
            QCOMPARE(Sistema::Usuario->getPasswordtocompareupdate(), Sistema::Usuario->getPassword());
            QCOMPARE(Ingreso::ingresa(RFC, EMAIL, VIEJA), Ingreso::TResultado::UsuarioIncorrecto);
        }
    }
};

QTEST_GUILESS_MAIN(TstRecuperacion)
#include "tst_recuperacion.moc"

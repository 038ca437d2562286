#include "Capturas.h"
#include "CarpetaPrograma.h"
#include "ConPermisosDeUsuario.h"
#include "Constantes.h"
#include "Controles.h"
#include "NegocioPrueba.h"
#include "Piezas.h"
#include "Prompter.h"
#include "ServidorPrueba.h"
#include "Signerutils.h"
#include "negocio/AjustesCorreo.h"
#include "admin/TAjustesCorreoFrm.h"
#include "negocio/TAjustesPrograma.h"
#include "negocio/TIngreso.h"
#include "setup/TPaginaRecuperacion.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Constantes;
using AjustesCorreo::TAjustes;
using AjustesCorreo::TFalta;
using AjustesCorreo::TSeguridad;

Q_DECLARE_METATYPE(AjustesCorreo::TAjustes)

namespace {

const QString CORREO = QStringLiteral("dueno@escuela.mx");
const QString PASSWORD = QStringLiteral("Secreta#1");

TAjustes ajustes(const QString& servidor, TSeguridad seguridad, int puerto, const QString& cuenta = QString(),
                 const QString& password = QString(), const QString& remitente = QString())
{
    TAjustes a;
    a.servidor = servidor;
    a.seguridad = seguridad;
    a.puerto = puerto;
    a.cuenta = cuenta;
    a.password = password;
    a.remitente = remitente;
    return a;
}

// A settings file as an installer leaves it: readable by everyone.
void escribeIni(const TCarpetaPrograma& programa, const QByteArray& contenido)
{
    QFile f(programa.archivo(ARCHIVO_AJUSTES));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(contenido);
    f.close();
    QVERIFY(f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                             QFileDevice::ReadOther));
}

void fijaIni(const TCarpetaPrograma& programa, const QString& clave, const QString& valor)
{
    QSettings(programa.archivo(ARCHIVO_AJUSTES), QSettings::IniFormat).setValue(clave, valor);
}

QStringList correos(const QString& carpeta)
{
    return QDir(carpeta).entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name);
}

template <class T> T* en(const QWidget& ventana, const QString& nombre)
{
    return pieza<T>(ventana, nombre);
}

// Types the settings into the window's fields.
void llena(const TAjustesCorreoFrm& w, const TAjustes& a)
{
    en<QLineEdit>(w, QStringLiteral("EdServidor"))->setText(a.servidor);
    en<QComboBox>(w, QStringLiteral("CbSeguridad"))->setCurrentIndex(static_cast<int>(a.seguridad));
    en<QSpinBox>(w, QStringLiteral("SpPuerto"))->setValue(a.puerto);
    en<QLineEdit>(w, QStringLiteral("EdCuenta"))->setText(a.cuenta);
    en<QLineEdit>(w, QStringLiteral("EdPassword"))->setText(a.password);
    en<QLineEdit>(w, QStringLiteral("EdRemitente"))->setText(a.remitente);
}

} // namespace

class TstCorreo : public QObject {
    Q_OBJECT

private slots:
    void init() { NegocioPrueba::limpiaSesion(); }

    // What is saved reads back the same; the password is never in the file
    // in clear, the file is its owner's only and everything else in it stays.
    void guardaYLee_data()
    {
        QTest::addColumn<TAjustes>("guardados");
        QTest::newRow("sin cuenta") << ajustes(QStringLiteral("smtp.negocio.mx"), TSeguridad::Ninguna, 25);
        QTest::newRow("STARTTLS con cuenta") << ajustes(
            QStringLiteral("mail.negocio.mx"), TSeguridad::Starttls, 587, QStringLiteral("avisos@negocio.mx"),
            QStringLiteral("Secreta, con coma; y = signos"), QStringLiteral("Avisos Négocio <avisos@negocio.mx>"));
        QTest::newRow("SSL/TLS") << ajustes(QStringLiteral("smtp.gmail.com"), TSeguridad::SslTls, 465,
                                            QStringLiteral("yo@gmail.com"), QStringLiteral("ñandú#1"));
    }
    void guardaYLee()
    {
        QFETCH(TAjustes, guardados);
        const TCarpetaPrograma programa;
        escribeIni(programa, "[Red]\ncatalogo=https://descargas.negocio.mx/CFDCAT.zip\n"
                             "[Correo]\ncertificadosCA=ca.pem\ncuenta=vieja\npassword=ViejaEnClaro\n");
        QCOMPARE(AjustesCorreo::guarda(programa.ruta(), guardados), QString());

        QCOMPARE(AjustesCorreo::lee(programa.ruta()), guardados);
        const QString archivo = programa.archivo(ARCHIVO_AJUSTES);
        QCOMPARE(TCarpetaPrograma::modo(archivo), 0600);
        const QByteArray contenido = TCarpetaPrograma::lee(archivo);
        QVERIFY(!contenido.contains("ViejaEnClaro"));
        if (!guardados.password.isEmpty()) {
            QVERIFY(!contenido.contains(guardados.password.toUtf8()));
            QVERIFY(!programa.log().contains(guardados.password));
            QVERIFY(QSettings(archivo, QSettings::IniFormat)
                        .value(TAjustesPrograma::CORREO_PASSWORD)
                        .toString()
                        .startsWith(QStringLiteral("v2:")));
        }
        const TAjustesPrograma ini(programa.ruta());
        QCOMPARE(ini.urlCatalogo(), QStringLiteral("https://descargas.negocio.mx/CFDCAT.zip"));
        QCOMPARE(ini.certificadosCorreo(), programa.archivo(QStringLiteral("ca.pem")));
        QCOMPARE(ini.tlsRequeridoCorreo(), guardados.seguridad == TSeguridad::Starttls);
        QVERIFY(AjustesCorreo::configurado(programa.ruta()));
    }

    // A folder the program may not write in keeps its file as it was, and
    // the user is told in words.
    void guardaRechazado()
    {
        const TCarpetaPrograma programa;
        const QByteArray antes("[Correo]\nservidor=mail.x.mx\n");
        escribeIni(programa, antes);
        const TConPermisosDeUsuario comoUsuario;
        if (!comoUsuario.efectivo())
            QSKIP("El superusuario no pudo dejar sus privilegios.");
        QVERIFY(QFile::setPermissions(programa.ruta(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const QString error =
            AjustesCorreo::guarda(programa.ruta(), ajustes(QStringLiteral("otro.x.mx"), TSeguridad::Ninguna, 25));
        QVERIFY(QFile::setPermissions(programa.ruta(),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        QCOMPARE(error, AjustesCorreo::ERR_GUARDAR);
        QCOMPARE(TCarpetaPrograma::lee(programa.archivo(ARCHIVO_AJUSTES)), antes);
        QCOMPARE(AjustesCorreo::lee(programa.ruta()).servidor, QStringLiteral("mail.x.mx"));
    }

    // Files written by hand before the window existed read as they always
    // sent: the address's scheme and port win.
    void archivosAnteriores_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<TAjustes>("leidos");
        QTest::addColumn<bool>("configurado");
        QTest::newRow("smtps con puerto") << QByteArray("servidor=smtps://mail.x.mx:2465\n")
                                          << ajustes(QStringLiteral("mail.x.mx"), TSeguridad::SslTls, 2465) << true;
        QTest::newRow("smtp y tls requerido")
            << QByteArray("servidor=smtp://mail.x.mx\npuerto=587\ntls=requerido\n")
            << ajustes(QStringLiteral("mail.x.mx"), TSeguridad::Starttls, 587) << true;
        QTest::newRow("anfitrión y puerto") << QByteArray("servidor=mail.x.mx:2525\npuerto=25\n")
                                            << ajustes(QStringLiteral("mail.x.mx"), TSeguridad::Ninguna, 2525) << true;
        QTest::newRow("contraseña en claro")
            << QByteArray("servidor=mail.x.mx\ncuenta=a@x.mx\npassword=clara\nremitente=Yo <a@x.mx>\n")
            << ajustes(QStringLiteral("mail.x.mx"), TSeguridad::Ninguna, 0, QStringLiteral("a@x.mx"),
                       QStringLiteral("clara"), QStringLiteral("Yo <a@x.mx>"))
            << true;
        QTest::newRow("contraseña cifrada")
            << QByteArray("servidor=mail.x.mx\ncuenta=a@x.mx\npassword=" +
                          Signerutils::Signer().crypt(QStringLiteral("oculta")).toUtf8() + '\n')
            << ajustes(QStringLiteral("mail.x.mx"), TSeguridad::Ninguna, 0, QStringLiteral("a@x.mx"),
                       QStringLiteral("oculta"))
            << true;
        QTest::newRow("cuenta sin contraseña")
            << QByteArray("servidor=mail.x.mx\ncuenta=a@x.mx\n")
            << ajustes(QStringLiteral("mail.x.mx"), TSeguridad::Ninguna, 0, QStringLiteral("a@x.mx")) << false;
        QTest::newRow("sin grupo") << QByteArray() << TAjustes() << false;
    }
    void archivosAnteriores()
    {
        QFETCH(QByteArray, ini);
        QFETCH(TAjustes, leidos);
        QFETCH(bool, configurado);
        const TCarpetaPrograma programa;
        escribeIni(programa, "[Correo]\n" + ini);
        QCOMPARE(AjustesCorreo::lee(programa.ruta()), leidos);
        QCOMPARE(AjustesCorreo::configurado(programa.ruta()), configurado);
    }

    void faltantes_data()
    {
        QTest::addColumn<TAjustes>("revisados");
        QTest::addColumn<QList<int>>("campos");
        QTest::newRow("completos") << ajustes(QStringLiteral("mail.x.mx"), TSeguridad::Ninguna, 25) << QList<int>{};
        QTest::newRow("sin servidor") << ajustes(QString(), TSeguridad::Ninguna, 25) << QList<int>{TFalta::Servidor};
        QTest::newRow("servidor con esquema")
            << ajustes(QStringLiteral("smtp://mail.x.mx"), TSeguridad::Ninguna, 25) << QList<int>{TFalta::Servidor};
        QTest::newRow("cuenta sin contraseña, remitente no válido")
            << ajustes(QStringLiteral("mail.x.mx"), TSeguridad::Ninguna, 25, QStringLiteral("a@x.mx"), QString(),
                       QStringLiteral("Yo <a@x>"))
            << QList<int>{TFalta::Password, TFalta::Remitente};
    }
    void faltantes()
    {
        QFETCH(TAjustes, revisados);
        QFETCH(QList<int>, campos);
        QList<int> encontrados;
        for (const TFalta& falta : AjustesCorreo::faltantes(revisados))
            encontrados << falta.campo;
        QCOMPARE(encontrados, campos);
        // Nothing is written while something is wanting.
        const TCarpetaPrograma programa;
        QCOMPARE(AjustesCorreo::guarda(programa.ruta(), revisados).isEmpty(), campos.isEmpty());
        QCOMPARE(QFile::exists(programa.archivo(ARCHIVO_AJUSTES)), campos.isEmpty());
    }

    // "Probar" sends with what is typed, to the address typed, and says in
    // plain words what went wrong.
    void prueba_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<QString>("falla"); // empty: delivered
        QTest::newRow("sin cifrar") << QStringLiteral("plano") << QString();
        QTest::newRow("STARTTLS con cuenta") << QStringLiteral("starttls") << QString();
        QTest::newRow("puerto equivocado") << QStringLiteral("puerto") << AjustesCorreo::FALLA_CONEXION;
        QTest::newRow("cuenta rechazada") << QStringLiteral("cuenta") << AjustesCorreo::FALLA_AUTENTICACION;
        QTest::newRow("SSL/TLS con un servidor sin TLS") << QStringLiteral("ssl") << AjustesCorreo::FALLA_CIFRADO;
    }
    void prueba()
    {
        QFETCH(QString, caso);
        QFETCH(QString, falla);
        const TCarpetaPrograma programa;
        QTemporaryDir buzon;
        QStringList argumentos{QStringLiteral("--carpeta"), buzon.path()};
        TAjustes a = ajustes(QStringLiteral("127.0.0.1"), TSeguridad::Ninguna, 0);
        if (caso == QLatin1String("starttls")) {
            const TCertificadoPrueba certificado(buzon.path());
            QVERIFY(certificado.valido());
            argumentos << QStringLiteral("--certificado") << certificado.certificado << QStringLiteral("--llave")
                       << certificado.llave << QStringLiteral("--cuenta") << QStringLiteral("avisos:Buena, sí");
            fijaIni(programa, TAjustesPrograma::CORREO_CERTIFICADOS, certificado.certificado);
            a = ajustes(QStringLiteral("127.0.0.1"), TSeguridad::Starttls, 0, QStringLiteral("avisos"),
                        QStringLiteral("Buena, sí"));
        } else if (caso == QLatin1String("cuenta")) {
            argumentos << QStringLiteral("--cuenta") << QStringLiteral("avisos:buena");
            a = ajustes(QStringLiteral("127.0.0.1"), TSeguridad::Ninguna, 0, QStringLiteral("avisos"),
                        QStringLiteral("Mala#Clave7"));
        } else if (caso == QLatin1String("ssl")) {
            a.seguridad = TSeguridad::SslTls;
        }
        std::unique_ptr<TServidorPrueba> smtp =
            std::make_unique<TServidorPrueba>(QStringLiteral("servidor_smtp.py"), argumentos);
        QVERIFY2(smtp->puerto() > 0, qPrintable(smtp->error()));
        a.puerto = smtp->puerto();
        // A port where nothing listens any more.
        if (caso == QLatin1String("puerto"))
            smtp.reset();

        TColaRespuestas respuestas;
        TAjustesCorreoFrm w(programa.ruta(), CORREO);
        w.show();
        llena(w, a);
        auto* destino = en<QLineEdit>(w, QStringLiteral("EdCorreoPrueba"));
        QCOMPARE(destino->text(), CORREO);
        destino->setText(QStringLiteral("contador@escuela.mx"));
        QTest::mouseClick(en<QPushButton>(w, QStringLiteral("BtProbar")), Qt::LeftButton);

        const QString esperado = falla.isEmpty()
                                     ? AjustesCorreo::PRUEBA_ENVIADA.arg(QStringLiteral("contador@escuela.mx"))
                                     : AjustesCorreo::PRUEBA_FALLIDA + falla;
        QCOMPARE(respuestas.textos(), QStringList{esperado});
        QVERIFY(w.isVisible());
        QVERIFY(en<QPushButton>(w, QStringLiteral("BtGuardar"))->isEnabled());
        // The failure is logged with its details, never with the password.
        if (!a.password.isEmpty())
            QVERIFY(!programa.log().contains(a.password));
        // Trying saves nothing.
        QVERIFY(!AjustesCorreo::lee(programa.ruta()).completos());
        if (falla.isEmpty()) {
            QCOMPARE(correos(buzon.path()), QStringList{QStringLiteral("1.eml")});
            const QByteArray recibido = TCarpetaPrograma::lee(buzon.filePath(QStringLiteral("1.eml")));
            QVERIFY(recibido.contains("X-Destinatario: contador@escuela.mx\r\n"));
            QVERIFY(recibido.contains("Subject: Mensaje de prueba del correo\r\n"));
        } else if (smtp) {
            QCOMPARE(correos(buzon.path()), QStringList{});
        }
    }

    // Guardar saves what is typed; the stored password never comes back on
    // screen and an untouched password field keeps it; Escape leaves
    // without saving.
    void ventana()
    {
        const TCarpetaPrograma programa;
        TColaRespuestas respuestas;
        const TAjustes a = ajustes(QStringLiteral("smtp.negocio.mx"), TSeguridad::Starttls, 587,
                                   QStringLiteral("avisos@negocio.mx"), QStringLiteral("Clave#1"));
        {
            TAjustesCorreoFrm w(programa.ruta(), CORREO);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            // Reading order, then the buttons; the settings open on the server.
            QCOMPARE(QApplication::focusWidget(), en<QWidget>(w, QStringLiteral("EdServidor")));
            QStringList orden{QApplication::focusWidget()->objectName()};
            for (int i = 0; i < 9; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                orden << QApplication::focusWidget()->objectName();
            }
            QCOMPARE(orden, (QStringList{"EdServidor", "CbSeguridad", "SpPuerto", "EdCuenta", "EdPassword",
                                         "EdRemitente", "EdCorreoPrueba", "BtProbar", "BtCancelar", "BtGuardar"}));
            QVERIFY(en<QPushButton>(w, QStringLiteral("BtGuardar"))->isDefault());
            // The port follows the security while it is the usual one.
            auto* seguridad = en<QComboBox>(w, QStringLiteral("CbSeguridad"));
            QCOMPARE(seguridad->currentText(), QStringLiteral("Ninguna"));
            QCOMPARE(en<QSpinBox>(w, QStringLiteral("SpPuerto"))->value(), 25);
            seguridad->setCurrentIndex(2);
            QCOMPARE(en<QSpinBox>(w, QStringLiteral("SpPuerto"))->value(), 465);
            Capturas::guarda(w, QStringLiteral("ajustes-correo"));

            // Something wanting is said and marked, and nothing is saved.
            QTest::mouseClick(en<QPushButton>(w, QStringLiteral("BtGuardar")), Qt::LeftButton);
            QCOMPARE(respuestas.textos(), QStringList{MENSAJE_ERROR + AjustesCorreo::FALTA_SERVIDOR});
            QVERIFY(Controles::tieneError(en<QWidget>(w, QStringLiteral("EdServidor"))));
            QVERIFY(!QFile::exists(programa.archivo(ARCHIVO_AJUSTES)));

            respuestas.limpia();
            llena(w, a);
            QTest::keyClick(en<QLineEdit>(w, QStringLiteral("EdCuenta")), Qt::Key_Return);
            QCOMPARE(respuestas.textos(), QStringList{AjustesCorreo::AJUSTES_GUARDADOS});
            QCOMPARE(w.result(), int(QDialog::Accepted));
        }
        QCOMPARE(AjustesCorreo::lee(programa.ruta()), a);

        TAjustesCorreoFrm otra(programa.ruta(), CORREO);
        otra.show();
        auto* password = en<QLineEdit>(otra, QStringLiteral("EdPassword"));
        QCOMPARE(password->text(), QString());
        QVERIFY(!password->placeholderText().isEmpty());
        QCOMPARE(en<QLineEdit>(otra, QStringLiteral("EdServidor"))->text(), a.servidor);
        QCOMPARE(en<QComboBox>(otra, QStringLiteral("CbSeguridad"))->currentText(), QStringLiteral("STARTTLS"));
        Capturas::guarda(otra, QStringLiteral("ajustes-correo-guardados"));
        en<QLineEdit>(otra, QStringLiteral("EdServidor"))->setText(QStringLiteral("otro.negocio.mx"));
        QTest::keyClick(&otra, Qt::Key_Escape);
        QVERIFY(!otra.isVisible());
        QCOMPARE(otra.result(), int(QDialog::Rejected));
        QCOMPARE(AjustesCorreo::lee(programa.ruta()), a);

        respuestas.limpia();
        TAjustesCorreoFrm tercera(programa.ruta(), CORREO);
        tercera.show();
        en<QLineEdit>(tercera, QStringLiteral("EdRemitente"))->setText(QStringLiteral("Avisos <avisos@negocio.mx>"));
        QTest::mouseClick(en<QPushButton>(tercera, QStringLiteral("BtGuardar")), Qt::LeftButton);
        QCOMPARE(respuestas.textos(), QStringList{AjustesCorreo::AJUSTES_GUARDADOS});
        QCOMPARE(AjustesCorreo::lee(programa.ruta()).password, a.password);
    }

    // The recovery page says so before the user tries, until the mail is set.
    void paginaRecuperacion()
    {
        const TCarpetaPrograma programa;
        TPaginaRecuperacion pagina;
        pagina.inicia(NegocioPrueba::RFC_ESCUELA, CORREO);
        auto* nota = pieza<QLabel>(pagina, QStringLiteral("TxNotaEnvio"));
        QCOMPARE(nota->text(), ERR_CORREO_SIN_CONFIGURAR);
        QCOMPARE(AjustesCorreo::guarda(programa.ruta(), ajustes(QStringLiteral("smtp.x.mx"), TSeguridad::Ninguna, 25)),
                 QString());
        pagina.inicia(NegocioPrueba::RFC_ESCUELA, CORREO);
        QVERIFY(nota->text() != ERR_CORREO_SIN_CONFIGURAR);
    }

    // Only who administers the business's users is given the window.
    void soloAdministradores()
    {
        const TCarpetaPrograma programa;
        NegocioPrueba::creaRegistro(programa);
        NegocioPrueba::crea(NegocioPrueba::RFC_ESCUELA, CORREO, PASSWORD);
        QCOMPARE(Ingreso::ingresa(NegocioPrueba::RFC_ESCUELA, CORREO, PASSWORD), Ingreso::TResultado::Correcto);
        QVERIFY(AjustesCorreo::puedeConfigurar());

        QString mostrada;
        QTimer::singleShot(0, this, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                mostrada = modal->objectName();
                QTest::keyClick(modal, Qt::Key_Escape);
            }
        });
        TColaRespuestas respuestas;
        QVERIFY(!TAjustesCorreoFrm::abre(nullptr, programa.ruta(), CORREO));
        QCOMPARE(mostrada, QStringLiteral("AjustesCorreoFrm"));
        QCOMPARE(respuestas.textos(), QStringList{});

        NegocioPrueba::fijaPermisos(QStringLiteral("-1|-1|-1|-1|-1|-1|-1|0"));
        QVERIFY(!AjustesCorreo::puedeConfigurar());
        QVERIFY(!TAjustesCorreoFrm::abre(nullptr, programa.ruta(), CORREO));
        QCOMPARE(respuestas.textos(), QStringList{ERROR_PERMISOS});
        NegocioPrueba::limpiaSesion();
        QVERIFY(!AjustesCorreo::puedeConfigurar());
    }
};

QTEST_MAIN(TstCorreo)
#include "tst_correo.moc"

#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "negocio/AjustesCorreo.h"
#include "Entidades.h"
#include "NegocioPrueba.h"
#include "Prompter.h"
#include "RegistroPrueba.h"
#include "Reloj.h"
#include "ServidorPrueba.h"
#include "Signerutils.h"
#include "Sistema.h"
#include "negocio/Credenciales.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TIngreso.h"
#include "setup/TRecuperacion.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace Constantes;
using namespace Qt::StringLiterals;
using Recuperacion::TResultado;

namespace {

const QString RFC = u"EKU9003173C9"_s;
// Another business, as its tile names it and as its session does.
const QString COMPONENTE_OTRO = u"H_E951128469"_s;
const QString RFC_OTRO = u"H&E951128469"_s;
const QString EMAIL = u"dueno@escuela.mx"_s;
const QString OTRO = u"otro@escuela.mx"_s;
const QString VIEJA = u"Vieja#1"_s;
const QString NUEVA = u"Nueva#2"_s;
// When the keys of a test are asked for.
const QDateTime PEDIDA(QDate(2026, 12, 8), QTime(10, 0));

struct TCorreoRecibido {
    QMap<QByteArray, QByteArray> encabezados;
    QString html;
};

// A message as the test server stored it: its envelope lines and headers,
// then the base64 body.
TCorreoRecibido leeCorreo(const QString& archivo)
{
    TCorreoRecibido correo;
    const QByteArray todo = TCarpetaPrograma::lee(archivo);
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
    return html.mid(desde, html.indexOf(u'<', desde) - desde);
}

void ajustes(const TCarpetaPrograma& programa, const QMap<QString, QString>& valores)
{
    QSettings ini(programa.archivo(ARCHIVO_AJUSTES), QSettings::IniFormat);
    for (auto it = valores.cbegin(); it != valores.cend(); ++it)
        ini.setValue(it.key(), it.value());
}

// A program folder whose registry is in place, as after the first start.
struct TProgramaConRegistro : TCarpetaPrograma {
    TProgramaConRegistro() { NegocioPrueba::creaRegistro(*this); }
};

// A program folder of its own, with a mail server on this computer set in it:
// a key exists only in the mail it goes in, so it is read back from there.
class TBuzon {
public:
    TBuzon() : m_smtp(u"servidor_smtp.py"_s, {u"--carpeta"_s, m_carpeta.path()})
    {
        ajustes(programa,
                {{u"Correo/servidor"_s, u"127.0.0.1"_s}, {u"Correo/puerto"_s, QString::number(m_smtp.puerto())}});
    }
    const TProgramaConRegistro programa;
    QString error() const { return m_smtp.puerto() > 0 ? QString() : m_smtp.error(); }
    // Asks for a key for `email` in the business `componente`; the key of
    // the mail that came, empty when none came.
    QString pide(const QString& email, const QString& componente = RFC)
    {
        if (!Recuperacion::enviaClave(componente, email))
            return {};
        ++m_enviados;
        return claveDelCorreo(leeCorreo(m_carpeta.filePath(u"%1.eml"_s.arg(m_enviados))).html);
    }

private:
    QTemporaryDir m_carpeta;
    TServidorPrueba m_smtp;
    int m_enviados = 0;
};

constexpr int NINGUNA = -1; // a key of the right shape that was never sent
constexpr int VACIA = -2;

} // namespace

class TstRecuperacion : public QObject {
    Q_OBJECT
private slots:
    void init() { NegocioPrueba::limpiaSesion(); }

    void nueva()
    {
        const QString clave = Recuperacion::nuevaClave();
        QVERIFY2(QRegularExpression(u"^[0-9A-HJKMNP-TV-Z]{4}(-[0-9A-HJKMNP-TV-Z]{4}){6}$"_s).match(clave).hasMatch(),
                 qPrintable(clave));
        QCOMPARE(Recuperacion::formaClave(clave), QString(clave).remove(u'-'));
        QVERIFY(Recuperacion::nuevaClave() != Recuperacion::nuevaClave());
    }

    void forma_data()
    {
        QTest::addColumn<QString>("tecleada");
        QTest::addColumn<QString>("forma");
        const QString forma = u"0123456789ABCDEFGHJKMNPQRSTV"_s;
        QTest::newRow("como en el correo") << u"0123-4567-89AB-CDEF-GHJK-MNPQ-RSTV"_s << forma;
        QTest::newRow("minúsculas, blancos, sin guiones") << u" 01234567 89abcdef\tghjkmnpqrstv\n"_s << forma;
        QTest::newRow("O por cero, I por uno") << u"OI23-4567-89AB-CDEF-GHJK-MNPQ-RSTV"_s << forma;
        QTest::newRow("o por cero, l por uno") << u"ol23-4567-89ab-cdef-ghjk-mnpq-rstv"_s << forma;
        QTest::newRow("guiones de otra clase") << u"0123\u20134567\u201089AB-CDEFGHJKMNPQRSTV"_s << forma;
        QTest::newRow("con U") << u"U123-4567-89AB-CDEF-GHJK-MNPQ-RSTV"_s << QString();
        QTest::newRow("corta") << u"0123-4567-89AB-CDEF-GHJK-MNPQ-RST"_s << QString();
        QTest::newRow("vacía") << QString() << QString();
    }
    void forma()
    {
        QFETCH(QString, tecleada);
        QFETCH(QString, forma);
        QCOMPARE(Recuperacion::formaClave(tecleada), forma);
    }

    // Which keys serve: `pedidas` are the e-mails keys were asked for, in
    // order; the key of `cual` is typed (desfigurada: as someone might type
    // it) for `correo`, `minutos` after it was asked for.
    void clave_data()
    {
        QTest::addColumn<QStringList>("pedidas");
        QTest::addColumn<int>("cual");
        QTest::addColumn<bool>("desfigurada");
        QTest::addColumn<QString>("correo");
        QTest::addColumn<int>("minutos");
        QTest::addColumn<QString>("mensaje"); // empty: it serves
        const QStringList una{EMAIL};
        const QString vencida = ERR_CLAVE_VENCIDA.arg(Recuperacion::MINUTOS_VIGENCIA);
        QTest::newRow("la suya") << una << 0 << false << EMAIL << 0 << QString();
        QTest::newRow("escrita a mano") << una << 0 << true << EMAIL << 0 << QString();
        QTest::newRow("correo en mayúsculas") << una << 0 << false << u" Dueno@Escuela.MX "_s << 0 << QString();
        QTest::newRow("a los 29 minutos") << una << 0 << false << EMAIL << 29 << QString();
        QTest::newRow("a los 30 minutos") << una << 0 << false << EMAIL << 30 << vencida;
        QTest::newRow("de otro correo") << QStringList{OTRO} << 0 << false << EMAIL << 0 << ERR_CLAVE_RECUPERACION;
        QTest::newRow("anulada al pedir otra")
            << QStringList{EMAIL, EMAIL} << 0 << false << EMAIL << 0 << ERR_CLAVE_ANULADA;
        QTest::newRow("la otra") << QStringList{EMAIL, EMAIL} << 1 << false << EMAIL << 0 << QString();
        QTest::newRow("otro correo pidió después") << QStringList{EMAIL, OTRO} << 0 << false << EMAIL << 0 << QString();
        QTest::newRow("nunca enviada") << una << NINGUNA << false << EMAIL << 0 << ERR_CLAVE_RECUPERACION;
        QTest::newRow("vacía") << una << VACIA << false << EMAIL << 0 << ERR_CLAVE_RECUPERACION;
    }
    void clave()
    {
        QFETCH(QStringList, pedidas);
        QFETCH(int, cual);
        QFETCH(bool, desfigurada);
        QFETCH(QString, correo);
        QFETCH(int, minutos);
        QFETCH(QString, mensaje);
        TBuzon buzon;
        QVERIFY2(buzon.error().isEmpty(), qPrintable(buzon.error()));
        TColaRespuestas respuestas;
        QStringList claves;
        {
            const TRelojFijo reloj(PEDIDA);
            for (const QString& email : pedidas)
                claves << buzon.pide(email);
        }
        QVERIFY2(!claves.contains(QString()), qPrintable(respuestas.textos().join(u'\n')));
        QCOMPARE(QSet<QString>(claves.cbegin(), claves.cend()).size(), claves.size());
        QString clave = cual == NINGUNA ? Recuperacion::nuevaClave() : cual == VACIA ? QString() : claves.at(cual);
        if (desfigurada)
            clave = u"  "_s + clave.toLower().remove(u'-').insert(8, u" "_s) + u"\n"_s;
        respuestas.limpia();
        const TRelojFijo reloj(PEDIDA.addSecs(minutos * 60));
        QCOMPARE(Recuperacion::validaClave(RFC, clave, correo), mensaje.isEmpty());
        QCOMPARE(respuestas.textos(), mensaje.isEmpty() ? QStringList{} : QStringList{mensaje});
    }

    // Wrong keys typed on this computer (at `equivocadas` minutes, for the
    // e-mails of `correos` in turn) stop every check for a while: typed at
    // `minuto`, the right key waits `espera` minutes more.
    void espera_data()
    {
        QTest::addColumn<QList<int>>("equivocadas");
        QTest::addColumn<QStringList>("correos");
        QTest::addColumn<int>("minuto");
        QTest::addColumn<int>("espera");
        QTest::newRow("cuatro") << QList<int>{0, 1, 2, 3} << QStringList{EMAIL} << 4 << 0;
        QTest::newRow("cinco") << QList<int>{0, 1, 2, 3, 4} << QStringList{EMAIL} << 5 << 10;
        QTest::newRow("cinco, de varios correos") << QList<int>{0, 0, 0, 0, 0} << QStringList{OTRO, EMAIL} << 0 << 15;
        QTest::newRow("cinco en más de 15 minutos") << QList<int>{0, 4, 8, 12, 16} << QStringList{EMAIL} << 16 << 0;
        QTest::newRow("seis") << QList<int>{0, 1, 2, 3, 4, 5} << QStringList{EMAIL} << 5 << 10;
    }
    void espera()
    {
        QFETCH(QList<int>, equivocadas);
        QFETCH(QStringList, correos);
        QFETCH(int, minuto);
        QFETCH(int, espera);
        TBuzon buzon;
        QVERIFY2(buzon.error().isEmpty(), qPrintable(buzon.error()));
        NegocioPrueba::crea(RFC, EMAIL, VIEJA);
        TColaRespuestas respuestas;
        const QString clave = [&] {
            const TRelojFijo reloj(PEDIDA);
            return buzon.pide(EMAIL);
        }();
        QVERIFY(!clave.isEmpty());
        const auto a = [](int minutos) { return PEDIDA.addSecs(minutos * 60); };
        // The sixth falls in the wait: refused unchecked, it adds nothing.
        for (int i = 0; i < equivocadas.size(); ++i) {
            const TRelojFijo reloj(a(equivocadas.at(i)));
            respuestas.limpia();
            QVERIFY(!Recuperacion::validaClave(RFC, Recuperacion::nuevaClave(), correos.at(i % correos.size())));
            QCOMPARE(respuestas.textos(),
                     QStringList{i < Recuperacion::INTENTOS_PERMITIDOS ? ERR_CLAVE_RECUPERACION
                                                                       : Recuperacion::textoEspera(10)});
        }
        respuestas.limpia();
        {
            const TRelojFijo reloj(a(minuto));
            QCOMPARE(Recuperacion::validaClave(RFC, clave, EMAIL), espera == 0);
            if (espera == 0) {
                QCOMPARE(respuestas.textos(), QStringList{});
                return;
            }
            QCOMPARE(Recuperacion::guardaPassword(RFC, EMAIL, clave, NUEVA, NUEVA), TResultado::DemasiadosIntentos);
            QCOMPARE(respuestas.textos(), QStringList(2, Recuperacion::textoEspera(espera)));
        }
        {
            // Kept in the program folder, not in the running program: another
            // folder does not wait, and after a restart this one still does.
            const TProgramaConRegistro otra;
            const TRelojFijo reloj(a(minuto));
            respuestas.limpia();
            QVERIFY(!Recuperacion::validaClave(RFC, Recuperacion::nuevaClave(), EMAIL));
            QCOMPARE(respuestas.textos(), QStringList{ERR_CLAVE_RECUPERACION});
        }
        Sistema::exePath = buzon.programa.ruta();
        respuestas.limpia();
        {
            const TRelojFijo reloj(a(minuto + espera - 1));
            QVERIFY(!Recuperacion::validaClave(RFC, clave, EMAIL));
            QCOMPARE(respuestas.textos(), QStringList{Recuperacion::textoEspera(1)});
        }
        respuestas.limpia();
        const TRelojFijo reloj(a(minuto + espera));
        QCOMPARE(Recuperacion::guardaPassword(RFC, EMAIL, clave, NUEVA, NUEVA), TResultado::Correcto);
        QCOMPARE(respuestas.textos(), QStringList{EMAIL_CONTRASENA_ACTUALIZA});
    }

    // Keys are kept in the registry, only as their hash, in a file only its
    // owner reads; a registry of before, without their tables, takes them,
    // and still reads as a registry.
    void almacen()
    {
        TBuzon buzon;
        QVERIFY2(buzon.error().isEmpty(), qPrintable(buzon.error()));
        const QString registro = TBaseDatosLocalFrm::archivoRegistro();
        QVERIFY(QFile::setPermissions(registro,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
        TColaRespuestas respuestas;
        const QString clave = buzon.pide(EMAIL);
        QVERIFY(!clave.isEmpty());
        QCOMPARE(TCarpetaPrograma::modo(registro), 0600);
        const QByteArray bytes = TCarpetaPrograma::lee(registro);
        const QString forma = Recuperacion::formaClave(clave);
        QVERIFY(bytes.contains(Signerutils::Signer().hash(forma).toLatin1()));
        for (const QString& escrita : {clave, forma, forma.toLower()})
            QVERIFY2(!bytes.contains(escrita.toLatin1()), qPrintable(escrita));
        QVERIFY(TBaseDatosLocalFrm::esLegible(registro));

        // A registry another program holds: no key is mailed that could not be kept.
        const RegistroPrueba::TBloqueo bloqueo;
        QVERIFY(bloqueo.activo());
        respuestas.limpia();
        QVERIFY(buzon.pide(EMAIL).isEmpty());
        QCOMPARE(respuestas.textos().size(), 1);
        QVERIFY(respuestas.textos().first().startsWith(ERR_CORREO_ENVIO));
    }

    void cuerpo()
    {
        const QString cuerpo = Recuperacion::cuerpoCorreo(u"<p>[clave]</p><p>[clave]</p>"_s, u"K"_s);
        QCOMPARE(cuerpo, u"<p>"_s + EMAIL_CLAVE_RECUPERACION + u"K<br>"_s + Recuperacion::textoVigencia() +
                             u"</p><p>[clave]</p>"_s);
        QCOMPARE(Recuperacion::textoVigencia(), u"La clave vale 30 minutos y sirve una sola vez."_s);
    }

    // The whole road: the mail arrives, its key is accepted, the new
    // password is stored and signs in; the old one no longer does. A mail
    // that cannot leave is told why in plain words: neither the server's
    // address nor the mail library's texts.
    void recuperaPorCorreo_data()
    {
        // "requerido": the server offers STARTTLS and its authority is set;
        // "sin ofrecer": required, not offered; "desconocido": offered with a
        // certificate of no authority set.
        QTest::addColumn<QString>("tls");
        QTest::addColumn<QString>("cuenta");   // the server's "cuenta:contraseña"
        QTest::addColumn<QString>("password"); // the account's password in the settings
        // Saved by the administrator ("Configurar correo") rather than
        // written in the file by hand.
        QTest::addColumn<bool>("guardados");
        QTest::addColumn<QString>("motivo"); // why it was not sent; empty: it was
        const QString cuenta = u"avisos@escuela.mx:Secreta, con coma"_s;
        const QString password = u"Secreta, con coma"_s;
        const QString tls = u"requerido"_s;
        QTest::newRow("sin cifrar") << QString() << QString() << QString() << false << QString();
        QTest::newRow("STARTTLS") << tls << QString() << QString() << false << QString();
        QTest::newRow("STARTTLS con cuenta") << tls << cuenta << password << false << QString();
        QTest::newRow("cuenta sin cifrar") << QString() << cuenta << password << false << QString();
        QTest::newRow("guardados, sin cifrar") << QString() << QString() << QString() << true << QString();
        QTest::newRow("guardados, STARTTLS con cuenta") << tls << cuenta << password << true << QString();
        QTest::newRow("TLS requerido y el servidor no lo ofrece")
            << u"sin ofrecer"_s << QString() << QString() << false << AjustesCorreo::FALLA_CIFRADO;
        QTest::newRow("cuenta rechazada")
            << QString() << u"avisos:buena"_s << u"mala"_s << false << AjustesCorreo::FALLA_AUTENTICACION;
        QTest::newRow("certificado desconocido")
            << u"desconocido"_s << QString() << QString() << false << AjustesCorreo::FALLA_CERTIFICADO;
    }
    void recuperaPorCorreo()
    {
        QFETCH(QString, tls);
        QFETCH(QString, cuenta);
        QFETCH(QString, password);
        QFETCH(bool, guardados);
        QFETCH(QString, motivo);
        const TProgramaConRegistro programa;
        NegocioPrueba::crea(RFC, EMAIL, VIEJA);
        QTemporaryDir buzon;
        QStringList argumentos{u"--carpeta"_s, buzon.path()};
        QMap<QString, QString> valores{{u"Correo/servidor"_s, u"127.0.0.1"_s}};
        if (tls == "requerido"_L1 || tls == "desconocido"_L1) {
            const TCertificadoPrueba certificado(buzon.path());
            QVERIFY(certificado.valido());
            argumentos << u"--certificado"_s << certificado.certificado << u"--llave"_s << certificado.llave;
            if (tls == "requerido"_L1)
                valores.insert(u"Correo/certificadosCA"_s, certificado.certificado);
        }
        if (tls == "requerido"_L1 || tls == "sin ofrecer"_L1)
            valores.insert(u"Correo/tls"_s, u"requerido"_s);
        if (!cuenta.isEmpty()) {
            argumentos << u"--cuenta"_s << cuenta;
            valores.insert({{u"Correo/cuenta"_s, cuenta.section(u':', 0, 0)}, {u"Correo/password"_s, password}});
        }
        const TServidorPrueba smtp(u"servidor_smtp.py"_s, argumentos);
        QVERIFY2(smtp.puerto() > 0, qPrintable(smtp.error()));
        valores.insert(u"Correo/puerto"_s, QString::number(smtp.puerto()));
        if (guardados) {
            // Only the authorities stay for the file: the window leaves them be.
            if (!tls.isEmpty())
                ajustes(programa, {{u"Correo/certificadosCA"_s, valores.value(u"Correo/certificadosCA"_s)}});
            AjustesCorreo::TAjustes correo;
            correo.servidor = u"127.0.0.1"_s;
            correo.puerto = smtp.puerto();
            correo.seguridad = tls.isEmpty() ? AjustesCorreo::TSeguridad::Ninguna : AjustesCorreo::TSeguridad::Starttls;
            correo.cuenta = valores.value(u"Correo/cuenta"_s);
            correo.password = valores.value(u"Correo/password"_s);
            QCOMPARE(AjustesCorreo::guarda(programa.ruta(), RFC, correo), QString());
        } else {
            ajustes(programa, valores);
        }

        TColaRespuestas respuestas;
        QVERIFY2(Recuperacion::enviaClave(RFC, u" "_s + EMAIL + u" "_s) == motivo.isEmpty(),
                 qPrintable(respuestas.textos().join(u'\n')));
        QCOMPARE(respuestas.textos(), motivo.isEmpty() ? QStringList{} : QStringList{ERR_CORREO_ENVIO + motivo});
        QCOMPARE(QDir(buzon.path()).entryList({u"*.eml"_s}, QDir::Files, QDir::Name),
                 motivo.isEmpty() ? QStringList{u"1.eml"_s} : QStringList{});
        if (!motivo.isEmpty())
            return;
        const TCorreoRecibido correo = leeCorreo(buzon.filePath(u"1.eml"_s));
        QCOMPARE(correo.encabezados.value("x-destinatario"), EMAIL.toUtf8());
        QCOMPARE(correo.encabezados.value("x-remitente"), QByteArray("no-responder@velkor.mx"));
        QCOMPARE(correo.encabezados.value("subject"),
                 "=?UTF-8?B?" + EMAIL_ASUNTO_RECUPERACION.toUtf8().toBase64() + "?=");
        QVERIFY(correo.html.contains(u"Recupera tu contraseña"_s));
        QVERIFY(!correo.html.contains(EMAIL_REPLACE));

        const QString clave = claveDelCorreo(correo.html);
        QVERIFY(correo.html.contains(clave + u"<br>"_s + Recuperacion::textoVigencia()));
        QVERIFY(Recuperacion::validaClave(RFC, clave, EMAIL));
        QCOMPARE(Recuperacion::guardaPassword(RFC, EMAIL, clave, NUEVA, NUEVA), TResultado::Correcto);
        QCOMPARE(respuestas.textos(), QStringList{EMAIL_CONTRASENA_ACTUALIZA});
        QCOMPARE(Ingreso::ingresa(RFC, EMAIL, VIEJA), Ingreso::TResultado::UsuarioIncorrecto);
        QCOMPARE(Ingreso::ingresa(RFC, EMAIL, NUEVA), Ingreso::TResultado::Correcto);
        // The log says a key went to the e-mail, and nothing of the key.
        QVERIFY(!Recuperacion::validaClave(RFC, Recuperacion::nuevaClave(), EMAIL));
        const QString log = programa.log();
        QVERIFY(log.contains(u"Se envió la clave de recuperación a "_s + EMAIL));
        const QString forma = Recuperacion::formaClave(clave);
        for (const QString& parte : {clave, forma, Signerutils::Signer().hash(forma), clave.left(9)})
            QVERIFY2(!log.contains(parte, Qt::CaseInsensitive), qPrintable(log));
    }

    // Each business's key goes by its own mail: never by the settings
    // another business's administrator saved; by the program-wide ones
    // while it has none of its own.
    void correoDeCadaNegocio_data()
    {
        QTest::addColumn<bool>("propios");
        QTest::newRow("sin los suyos") << false;
        QTest::newRow("con los suyos") << true;
    }
    void correoDeCadaNegocio()
    {
        QFETCH(bool, propios);
        const TProgramaConRegistro programa;
        QTemporaryDir general, deOtro, suyo;
        const TServidorPrueba smtpGeneral(u"servidor_smtp.py"_s, {u"--carpeta"_s, general.path()});
        const TServidorPrueba smtpOtro(u"servidor_smtp.py"_s, {u"--carpeta"_s, deOtro.path()});
        const TServidorPrueba smtpSuyo(u"servidor_smtp.py"_s, {u"--carpeta"_s, suyo.path()});
        for (const TServidorPrueba* smtp : {&smtpGeneral, &smtpOtro, &smtpSuyo})
            QVERIFY2(smtp->puerto() > 0, qPrintable(smtp->error()));
        ajustes(programa,
                {{u"Correo/servidor"_s, u"127.0.0.1"_s}, {u"Correo/puerto"_s, QString::number(smtpGeneral.puerto())}});
        AjustesCorreo::TAjustes correo;
        correo.servidor = u"127.0.0.1"_s;
        correo.puerto = smtpOtro.puerto();
        QCOMPARE(AjustesCorreo::guarda(programa.ruta(), RFC_OTRO, correo), QString());
        if (propios) {
            correo.puerto = smtpSuyo.puerto();
            QCOMPARE(AjustesCorreo::guarda(programa.ruta(), RFC, correo), QString());
        }

        TColaRespuestas respuestas;
        QVERIFY2(Recuperacion::enviaClave(RFC, EMAIL), qPrintable(respuestas.textos().join(u'\n')));
        const auto recibidos = [](const QTemporaryDir& buzon) {
            return QDir(buzon.path()).entryList({u"*.eml"_s}, QDir::Files);
        };
        QCOMPARE(recibidos(deOtro), QStringList{});
        QCOMPARE(recibidos(propios ? suyo : general), QStringList{u"1.eml"_s});
        QVERIFY(Recuperacion::enviaClave(COMPONENTE_OTRO, EMAIL));
        QCOMPARE(recibidos(deOtro), QStringList{u"1.eml"_s});
    }

    // Until the administrator sets the mail, recovery says it is not
    // available here and who can set it, naming no file.
    void sinConfiguracion()
    {
        const TCarpetaPrograma programa;
        TColaRespuestas respuestas;
        QVERIFY(!Recuperacion::correoConfigurado(RFC));
        QVERIFY(!Recuperacion::enviaClave(RFC, EMAIL));
        QCOMPARE(respuestas.textos(), QStringList{ERR_CORREO_SIN_CONFIGURAR});
        QVERIFY(!ERR_CORREO_SIN_CONFIGURAR.contains(ARCHIVO_AJUSTES));
        ajustes(programa, {{u"Correo/servidor"_s, u"127.0.0.1"_s}, {u"Correo/cuenta"_s, u"avisos"_s}});
        respuestas.limpia();
        QVERIFY(!Recuperacion::correoConfigurado(RFC));
        QVERIFY(!Recuperacion::enviaClave(RFC, EMAIL));
        QCOMPARE(respuestas.textos(), QStringList{ERR_CORREO_SIN_CONFIGURAR});
    }

    void guardaPassword_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("claveDe");
        QTest::addColumn<QString>("claveEn"); // the business the key was asked for
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("repetida");
        QTest::addColumn<int>("resultado");
        QTest::addColumn<QString>("mensaje");
        QTest::addColumn<QString>("entra"); // the password that signs in afterwards
        QTest::newRow("clave de otro correo") << EMAIL << OTRO << RFC << NUEVA << NUEVA
                                              << int(TResultado::ClaveNoValida) << ERR_CLAVE_RECUPERACION << VIEJA;
        QTest::newRow("clave de otra empresa") << EMAIL << EMAIL << COMPONENTE_OTRO << NUEVA << NUEVA
                                               << int(TResultado::ClaveNoValida) << ERR_CLAVE_RECUPERACION << VIEJA;
        QTest::newRow("repetición distinta") << EMAIL << EMAIL << RFC << NUEVA << u"Nueva#3"_s
                                             << int(TResultado::ContrasenaDistinta) << ERR_CONTRASENA << VIEJA;
        QTest::newRow("usuario inexistente")
            << OTRO << OTRO << RFC << NUEVA << NUEVA << int(TResultado::UsuarioNoEncontrado)
            << EMAIL_ERR_USUARIO_NO_ENCONTRADO << VIEJA;
        QTest::newRow("sin contraseña") << EMAIL << EMAIL << RFC << QString() << QString() << int(TResultado::Correcto)
                                        << EMAIL_CONTRASENA_ACTUALIZA << QString();
        QTest::newRow("correo en mayúsculas") << u"Dueno@Escuela.MX"_s << u"Dueno@Escuela.MX"_s << RFC << NUEVA << NUEVA
                                              << int(TResultado::Correcto) << EMAIL_CONTRASENA_ACTUALIZA << NUEVA;
    }
    void guardaPassword()
    {
        QFETCH(QString, email);
        QFETCH(QString, claveDe);
        QFETCH(QString, claveEn);
        QFETCH(QString, password);
        QFETCH(QString, repetida);
        QFETCH(int, resultado);
        QFETCH(QString, mensaje);
        QFETCH(QString, entra);
        TBuzon buzon;
        QVERIFY2(buzon.error().isEmpty(), qPrintable(buzon.error()));
        NegocioPrueba::crea(RFC, EMAIL, VIEJA);
        // Another business of the same user keeps its own password.
        const TConexionSesion otra = NegocioPrueba::crea(RFC_OTRO, EMAIL, VIEJA);

        TColaRespuestas respuestas;
        const QString clave = buzon.pide(claveDe, claveEn);
        QVERIFY(!clave.isEmpty());
        respuestas.limpia();
        QCOMPARE(int(Recuperacion::guardaPassword(RFC, email, clave, password, repetida)), resultado);
        QCOMPARE(respuestas.textos(), QStringList{mensaje});
        if (resultado == int(TResultado::Correcto)) {
            // A key sets one password: used, it no longer serves.
            respuestas.limpia();
            QVERIFY(!Recuperacion::validaClave(RFC, clave, email));
            QCOMPARE(Recuperacion::guardaPassword(RFC, email, clave, VIEJA, VIEJA), TResultado::ClaveNoValida);
            QCOMPARE(respuestas.textos(), (QStringList{ERR_CLAVE_USADA, ERR_CLAVE_USADA}));
        }
        const auto usuario = TUsuario::getInfoByEmail(EMAIL, otra);
        QVERIFY(Credenciales::esSuPassword(*usuario, VIEJA));
        NegocioPrueba::limpiaSesion();
        QCOMPARE(Ingreso::ingresa(RFC, EMAIL, entra), Ingreso::TResultado::Correcto);
        if (resultado == int(TResultado::Correcto)) {
            QCOMPARE(Sistema::Usuario->getPasswordtocompareupdate(), Sistema::Usuario->getPassword());
            QCOMPARE(Ingreso::ingresa(RFC, EMAIL, VIEJA), Ingreso::TResultado::UsuarioIncorrecto);
        }
        // Refused in another business, the key still serves its own.
        if (claveEn != RFC) {
            QCOMPARE(Recuperacion::guardaPassword(claveEn, EMAIL, clave, NUEVA, NUEVA), TResultado::Correcto);
            QVERIFY(Credenciales::esSuPassword(*TUsuario::getInfoByEmail(EMAIL, otra), NUEVA));
        }
    }
};

QTEST_GUILESS_MAIN(TstRecuperacion)
#include "tst_recuperacion.moc"

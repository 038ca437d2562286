#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "Reloj.h"
#include "VigenciaCertificado.h"
#include "setup/ReglasCaptura.h"

#include <QTest>

using namespace Constantes;
using namespace Qt::StringLiterals;
using namespace ReglasCaptura;

Q_DECLARE_METATYPE(ReglasCaptura::TFaltas)
Q_DECLARE_METATYPE(ReglasCaptura::TCapturaNegocio)

namespace {

const QString CSD = QStringLiteral(VELKOR_DATOS_PRUEBA "/csd/");
const QString RFC_ESCUELA = u"EKU9003173C9"_s;

QString requerido(const QString& campo)
{
    return QString(CAMPO_REQUERIDO).replace(CAMPO, campo);
}

// A business page filled in whole and right: Mexico City's 06600, no state
// chosen yet.
TCapturaNegocio completa()
{
    TCapturaNegocio c;
    c.nombre = u"Escuela Kemper"_s;
    c.certificado = CSD + RFC_ESCUELA + u".cer"_s;
    c.llave = CSD + RFC_ESCUELA + u".key"_s;
    c.passwordLlave = u"12345678a"_s;
    c.regimenElegido = true;
    c.promptRegimen = REGIMEN_FISCAL;
    c.codigoPostalElegido = true;
    c.codigoPostal = u"06600"_s;
    c.promptCodigoPostal = CMB_CODIGOPOSTAL;
    c.estado = CMB_ESTADO;
    return c;
}

} // namespace

// The set-up pages' rules without a window: what each answers for what was
// typed, field by field.
class TstCaptura : public QObject {
    Q_OBJECT

    // The postal codes are looked up in the built SAT catalogue.
    TCarpetaPrograma m_carpeta;

private slots:
    void initTestCase() { m_carpeta.instalaCatalogo(); }

    void perfil_data()
    {
        QTest::addColumn<QString>("correo");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("repetida");
        QTest::addColumn<TFaltas>("faltas");
        const QString correo = u"dueno@tienda.mx"_s;
        QTest::newRow("sin correo") << QString() << QString() << QString() << TFaltas{{CORREO, ERR_MAIL_REQUERIDO}};
        QTest::newRow("correo no válido")
            << "dueno@tienda" << QString() << QString() << TFaltas{{CORREO, ERR_MAIL_NO_VALIDO}};
        QTest::newRow("correo no válido y contraseñas distintas")
            << u"dueno"_s << u"a"_s << u"b"_s << TFaltas{{CORREO, ERR_MAIL_NO_VALIDO}};
        QTest::newRow("contraseñas distintas")
            << correo << u"abc"_s << u"abd"_s << TFaltas{{PASSWORD, ERR_CONTRASENA}, {REPITE_PASSWORD, ERR_CONTRASENA}};
        QTest::newRow("sin contraseña") << correo << QString() << QString() << TFaltas();
        QTest::newRow("contraseña con espacio") << correo << u" abc"_s << u"abc"_s << TFaltas();
        QTest::newRow("correo con espacios alrededor")
            << u" "_s + correo + u" "_s << QString() << QString() << TFaltas();
    }
    void perfil()
    {
        QFETCH(QString, correo);
        QFETCH(QString, password);
        QFETCH(QString, repetida);
        QFETCH(TFaltas, faltas);
        QCOMPARE(revisaPerfil(correo, password, repetida), faltas);
    }

    void negocio_data()
    {
        QTest::addColumn<TCapturaNegocio>("captura");
        QTest::addColumn<TFaltas>("faltas");
        QTest::addColumn<QString>("texto");

        QTest::newRow("completa") << completa() << TFaltas() << QString();

        TCapturaNegocio vacia;
        vacia.estado = CMB_ESTADO;
        const TFaltas todas{{NOMBRE_EMPRESA, requerido(u"Nombre de la Empresa"_s)},
                            {CERTIFICADO, requerido(u"Certificado"_s)},
                            {LLAVE, requerido(u"Llave Privada"_s)},
                            {PASSWORD_LLAVE, requerido(u"Contraseña de la llave privada"_s)},
                            {CODIGO_POSTAL, requerido(CMB_CODIGOPOSTAL)},
                            {REGIMEN, requerido(REGIMEN_FISCAL)}};
        QStringList lineas;
        for (const TFalta& f : todas)
            lineas << f.mensaje;
        QTest::newRow("vacía, en el orden de la página") << vacia << todas << lineas.join(SALTO);

        TCapturaNegocio sinDireccion = vacia;
        sinDireccion.conDireccion = false;
        TFaltas sinCodigo = todas;
        sinCodigo.removeAt(4);
        QTest::newRow("sin panel de dirección") << sinDireccion << sinCodigo << QString();

        TCapturaNegocio corto = completa();
        corto.codigoPostal = u"066"_s;
        const QString noValido = QString(CAMPO_NO_VALIDO).replace(CAMPO, CMB_CODIGOPOSTAL);
        QTest::newRow("código postal corto") << corto << TFaltas{{CODIGO_POSTAL, noValido}} << SALTO + noValido;

        TCapturaNegocio inexistente = completa();
        inexistente.codigoPostal = u"00001"_s;
        QTest::newRow("código postal inexistente")
            << inexistente << TFaltas{{CODIGO_POSTAL, ERR_CODIGOPOSTA_NO_EXISTE}} << SALTO + ERR_CODIGOPOSTA_NO_EXISTE;

        TCapturaNegocio suEstado = completa();
        suEstado.estado = u"CMX - Ciudad de México"_s;
        QTest::newRow("código postal de su estado") << suEstado << TFaltas() << QString();

        TCapturaNegocio otroEstado = completa();
        otroEstado.estado = u"JAL - Jalisco"_s;
        QTest::newRow("código postal de otro estado")
            << otroEstado << TFaltas{{CODIGO_POSTAL, ERR_CODIGOPOSTA_NO_EXISTE_EDO}}
            << SALTO + ERR_CODIGOPOSTA_NO_EXISTE_EDO;

        TCapturaNegocio sinRegimen = completa();
        sinRegimen.regimenElegido = false;
        sinRegimen.promptRegimen = u"Régimen"_s;
        QTest::newRow("régimen por elegir, con el texto de la lista")
            << sinRegimen << TFaltas{{REGIMEN, requerido(u"Régimen"_s)}} << SALTO + requerido(u"Régimen"_s);
    }
    void negocio()
    {
        QFETCH(TCapturaNegocio, captura);
        QFETCH(TFaltas, faltas);
        QFETCH(QString, texto);
        const TFaltas recibidas = revisaNegocio(captura);
        QCOMPARE(recibidas, faltas);
        if (!texto.isEmpty())
            QCOMPARE(textoFaltas(recibidas), texto);
    }

    void teclaCorreo_data()
    {
        QTest::addColumn<QString>("tecla");
        QTest::addColumn<bool>("admitida");
        QTest::newRow("letra") << "a" << true;
        QTest::newRow("arroba") << "@" << true;
        QTest::newRow("eñe") << "ñ" << true;
        QTest::newRow("espacio") << " " << false;
        QTest::newRow("fuera de Latin-1") << "€" << false;
        QTest::newRow("sin texto (flechas)") << QString() << true;
        QTest::newRow("retroceso") << "\b" << true;
        QTest::newRow("suprimir") << QString(QChar(127)) << true;
    }
    void teclaCorreo()
    {
        QFETCH(QString, tecla);
        QFETCH(bool, admitida);
        QCOMPARE(admiteEnCorreo(tecla), admitida);
    }

    // The last day and the one after: tst_panelcertificado, vigencia.
    void vigencia_data()
    {
        QTest::addColumn<QString>("fin");
        QTest::addColumn<QString>("texto");
        QTest::newRow("sin certificado") << QString() << QString();
        QTest::newRow("fecha ilegible") << "2027-05-18" << CN_CADUCIDAD + u"2027-05-18"_s;
    }
    void vigencia()
    {
        QFETCH(QString, fin);
        QFETCH(QString, texto);
        // The day after the unreadable date: it is still not taken as past.
        const TRelojFijo reloj(QDate(2027, 5, 19));
        QCOMPARE(VigenciaCertificado::texto(fin), texto);
        QCOMPARE(VigenciaCertificado::vencido(fin), texto.startsWith(CN_VENCIDO));
    }
};

QTEST_GUILESS_MAIN(TstCaptura)
#include "tst_captura.moc"

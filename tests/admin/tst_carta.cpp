#include "Aperturas.h"
#include "Capturas.h"
#include "CarpetaPrograma.h"
#include "NegocioPrueba.h"
#include "Piezas.h"
#include "Prompter.h"
#include "admin/CartaManifiesto.h"
#include "admin/TCartaManifiestoFrm.h"
#include "negocio/TIngreso.h"

#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

class TstCarta : public QObject {
    Q_OBJECT
    std::unique_ptr<TCarpetaPrograma> m_carpeta;

private slots:
    void initTestCase()
    {
        const QString correo = u"dueno@escuela.mx"_s, password = u"Secreta#1"_s;
        m_carpeta = std::make_unique<TCarpetaPrograma>();
        NegocioPrueba::creaRegistro(*m_carpeta);
        NegocioPrueba::crea(NegocioPrueba::RFC_ESCUELA, correo, password, u"ESCUELA KEMPER URGATE"_s);
        QCOMPARE(Ingreso::ingresa(NegocioPrueba::RFC_ESCUELA, correo, password), Ingreso::TResultado::Correcto);
    }
    void cleanupTestCase() { NegocioPrueba::limpiaSesion(); }

    // The link says what it does; the address is its tooltip. Following it
    // opens the browser and the program goes on, the user still signed in.
    void abreElNavegador()
    {
        TColaRespuestas respuestas;
        TCartaManifiestoFrm carta;
        carta.show();
        carta.inicializa();
        QVERIFY(carta.getUrl().contains(u"rfc=EKU9003173C9"_s));
        QVERIFY(carta.getUrl().contains(u"ESCUELA%20KEMPER%20URGATE"_s));
        auto* liga = pieza<QLabel>(carta, u"TxURL"_s);
        QCOMPARE(liga->text(), CartaManifiesto::TEXTO_LIGA);
        QCOMPARE(liga->toolTip(), carta.getUrl());
        Capturas::guarda(carta, u"carta"_s);

        TAperturas navegador;
        QTest::mouseClick(liga, Qt::LeftButton);
        liga->setFocus();
        QTest::keyClick(liga, Qt::Key_Return);
        const QUrl direccion(carta.getUrl(), QUrl::TolerantMode);
        QCOMPARE(navegador.abiertas, (QList<QUrl>{direccion, direccion}));
        QVERIFY(carta.isVisible());
        QCOMPARE(respuestas.textos(), QStringList{});
    }

    // Nothing opens the address (the offscreen platform has no browser, as
    // a computer without one): a message gives it to copy.
    void sinNavegador()
    {
        TColaRespuestas respuestas;
        TCartaManifiestoFrm carta;
        carta.show();
        carta.inicializa();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"openUrl"_s));
        QTest::mouseClick(pieza<QLabel>(carta, u"TxURL"_s), Qt::LeftButton);
        QCOMPARE(respuestas.textos(), QStringList{CartaManifiesto::ERR_SIN_NAVEGADOR.arg(carta.getUrl())});
        QVERIFY(carta.isVisible());
    }
};

QTEST_MAIN(TstCarta)
#include "tst_carta.moc"

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

namespace {

const QString CORREO = QStringLiteral("dueno@escuela.mx");
const QString PASSWORD = QStringLiteral("Secreta#1");

} // namespace

class TstCarta : public QObject {
    Q_OBJECT
    std::unique_ptr<TCarpetaPrograma> m_carpeta;

private slots:
    void initTestCase()
    {
        m_carpeta = std::make_unique<TCarpetaPrograma>();
        NegocioPrueba::creaRegistro(*m_carpeta);
        NegocioPrueba::crea(NegocioPrueba::RFC_ESCUELA, CORREO, PASSWORD, QStringLiteral("ESCUELA KEMPER URGATE"));
        QCOMPARE(Ingreso::ingresa(NegocioPrueba::RFC_ESCUELA, CORREO, PASSWORD), Ingreso::TResultado::Correcto);
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
        QVERIFY(carta.getUrl().contains(QStringLiteral("rfc=EKU9003173C9")));
        QVERIFY(carta.getUrl().contains(QStringLiteral("ESCUELA%20KEMPER%20URGATE")));
        auto* liga = pieza<QLabel>(carta, QStringLiteral("TxURL"));
        QCOMPARE(liga->text(), CartaManifiesto::TEXTO_LIGA);
        QCOMPARE(liga->toolTip(), carta.getUrl());
        Capturas::guarda(carta, QStringLiteral("carta"));

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
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("openUrl")));
        QTest::mouseClick(pieza<QLabel>(carta, QStringLiteral("TxURL")), Qt::LeftButton);
        QCOMPARE(respuestas.textos(), QStringList{CartaManifiesto::ERR_SIN_NAVEGADOR.arg(carta.getUrl())});
        QVERIFY(carta.isVisible());
    }
};

QTEST_MAIN(TstCarta)
#include "tst_carta.moc"

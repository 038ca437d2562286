#include "Constantes.h"
#include "Prompter.h"
#include "Reloj.h"
#include "SelectorArchivos.h"
#include "Signerutils.h"
#include "Style.h"
#include "TPanelCertificado.h"
#include "Piezas.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Constantes;
using Signerutils::TRevision;

namespace {

const QString CSD = QStringLiteral(VELKOR_DATOS_PRUEBA "/csd/");
const QString CERTIFICADO = CSD + u"EKU9003173C9.cer"_s;
const QString LLAVE = CSD + u"EKU9003173C9.key"_s;
const QString PASSWORD_CSD = u"12345678a"_s;

QString texto(const QWidget& panel, const QString& nombre)
{
    if (QLabel* etiqueta = panel.findChild<QLabel*>(nombre))
        return etiqueta->text();
    return pieza<QLineEdit>(panel, nombre)->text();
}

// The file dialog behind `boton` answers `archivo`.
void elige(TColaArchivos& archivos, const QWidget& panel, const QString& boton, const QString& archivo)
{
    archivos.agrega(archivo);
    pieza<QPushButton>(panel, boton)->click();
}

} // namespace

class TstPanelCertificado : public QObject {
    Q_OBJECT
private slots:
    // The end of validity shows one way; the day after it, as expired and in
    // the warning colour, yet the certificate is still taken.
    void vigencia_data()
    {
        QTest::addColumn<QDate>("hoy");
        QTest::addColumn<bool>("vencido");
        QTest::newRow("último día de vigencia") << QDate(2027, 5, 18) << false;
        QTest::newRow("un día después") << QDate(2027, 5, 19) << true;
    }
    void vigencia()
    {
        QFETCH(QDate, hoy);
        QFETCH(bool, vencido);
        const TRelojFijo reloj(hoy);
        TColaRespuestas respuestas;
        TColaArchivos archivos;
        TPanelCertificado panel;
        const QPalette normal = pieza<QLabel>(panel, "TxCaducidadCSD")->palette();
        QSignalSpy leido(&panel, &TPanelCertificado::certificadoLeido);

        elige(archivos, panel, u"SearchEditButton2"_s, CERTIFICADO);
        QCOMPARE(archivos.pedidos(), QStringList{TPanelCertificado::FILTRO_CERTIFICADO});
        QVERIFY(respuestas.textos().isEmpty());
        QCOMPARE(panel.certificado(), CERTIFICADO);
        QCOMPARE(texto(panel, u"TxCaducidadCSD"_s), (vencido ? CN_VENCIDO : CN_CADUCIDAD) + u"18/05/2027"_s);
        const QColor color = pieza<QLabel>(panel, "TxCaducidadCSD")->palette().color(QPalette::WindowText);
        QCOMPARE(color == Style::StyleFrm().color(RS_TEXTOADVERTENCIA), vencido);
        QCOMPARE(color == normal.color(QPalette::WindowText), !vencido);
        QCOMPARE(texto(panel, u"TxNoSerieCSDLeyenda"_s), CN_NO_SERIE);
        QCOMPARE(texto(panel, u"TxNoSerieCSD"_s).size(), 20);
        QCOMPARE(leido.size(), 1);
        const auto informacion = leido.at(0).at(0).value<QMap<QString, QString>>();
        QCOMPARE(Signerutils::rfcDelSujeto(informacion.value(CERT_OID_45)), u"EKU9003173C9"_s);

        // A stored certificate is judged by the same clock.
        panel.muestraGuardado(u"30001000000500003416"_s, QDate(2027, 5, 18));
        QVERIFY(panel.certificado().isEmpty());
        QCOMPARE(texto(panel, u"TxNoSerieCSD"_s), u"30001000000500003416"_s);
        QCOMPARE(texto(panel, u"TxCaducidadCSD"_s), (vencido ? CN_VENCIDO : CN_CADUCIDAD) + u"18/05/2027"_s);
        QCOMPARE(pieza<QLabel>(panel, "TxCaducidadCSD")->palette().color(QPalette::WindowText) ==
                     Style::StyleFrm().color(RS_TEXTOADVERTENCIA),
                 vencido);
    }

    // The three fields as they stand are checked as a pair: a wrong password
    // or a missing key are told apart. With a clear button per row each
    // clears its own field; with one, it clears the three fields and what
    // was read.
    void llave_data()
    {
        QTest::addColumn<QString>("llave");
        QTest::addColumn<QString>("password");
        QTest::addColumn<TRevision>("revision");
        QTest::addColumn<bool>("quitaLlave");
        QTest::newRow("su llave, un botón") << LLAVE << PASSWORD_CSD << TRevision::Correcto << false;
        QTest::newRow("su llave, un botón por fila") << LLAVE << PASSWORD_CSD << TRevision::Correcto << true;
        QTest::newRow("contraseña equivocada") << LLAVE << "otra" << TRevision::PasswordIncorrecto << false;
        QTest::newRow("sin llave") << QString() << PASSWORD_CSD << TRevision::LlaveIlegible << false;
    }
    void llave()
    {
        QFETCH(QString, llave);
        QFETCH(QString, password);
        QFETCH(TRevision, revision);
        QFETCH(bool, quitaLlave);
        TColaRespuestas respuestas;
        TColaArchivos archivos;
        TPanelCertificado::TOpciones opciones;
        opciones.quitaLlave = quitaLlave;
        TPanelCertificado panel(nullptr, opciones);
        QCOMPARE(panel.findChild<QPushButton*>(u"ClearEditButton2"_s) != nullptr, quitaLlave);
        elige(archivos, panel, u"SearchEditButton2"_s, CERTIFICADO);
        elige(archivos, panel, u"SearchEditButton1"_s, llave);
        pieza<QLineEdit>(panel, "EdCSDPass")->setText(password);
        QCOMPARE(archivos.pedidos(),
                 (QStringList{TPanelCertificado::FILTRO_CERTIFICADO, TPanelCertificado::FILTRO_LLAVE}));
        QCOMPARE(panel.llave(), llave);
        QCOMPARE(panel.password(), password);
        QCOMPARE(panel.revisa(), revision);
        QVERIFY(respuestas.textos().isEmpty());

        pieza<QPushButton>(panel, "ClearEditButton1")->click();
        QVERIFY(panel.certificado().isEmpty());
        QCOMPARE(panel.llave().isEmpty(), !quitaLlave);
        QCOMPARE(panel.password().isEmpty(), !quitaLlave);
        QCOMPARE(texto(panel, u"TxNoSerieCSD"_s).isEmpty(), !quitaLlave);
        if (quitaLlave) {
            pieza<QPushButton>(panel, "ClearEditButton2")->click();
            QVERIFY(panel.llave().isEmpty());
        }
        panel.limpia();
        for (const QString& nombre :
             {u"EdCSD"_s, u"EdKey"_s, u"EdCSDPass"_s, u"TxCaducidadCSD"_s, u"TxNoSerieCSDLeyenda"_s, u"TxNoSerieCSD"_s})
            QVERIFY2(texto(panel, nombre).isEmpty(), qPrintable(nombre));
    }

    // A cancelled dialog changes nothing; a file that is no readable CSD (or
    // one the window's revisor refuses) is not kept, and the user is told.
    void sinArchivo_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<bool>("avisado");
        QTest::newRow("cancelado") << QString() << false;
        QTest::newRow("no existe") << CSD + u"no-existe.cer"_s << true;
        QTest::newRow("una FIEL") << CSD + u"EKU9003173C9_FIEL.cer"_s << true;
    }
    void sinArchivo()
    {
        QFETCH(QString, archivo);
        QFETCH(bool, avisado);
        TColaRespuestas respuestas;
        TColaArchivos archivos;
        TPanelCertificado panel;
        QSignalSpy leido(&panel, &TPanelCertificado::certificadoLeido);
        elige(archivos, panel, u"SearchEditButton2"_s, archivo);
        QVERIFY(panel.certificado().isEmpty());
        QVERIFY(texto(panel, u"TxNoSerieCSD"_s).isEmpty());
        QVERIFY(texto(panel, u"TxCaducidadCSD"_s).isEmpty());
        QCOMPARE(leido.size(), 0);
        QCOMPARE(respuestas.textos().size(), avisado ? 1 : 0);
        QCOMPARE(panel.revisa(), TRevision::LlaveIlegible);

        // The window's own check decides too.
        QStringList revisados;
        panel.fijaRevisor([&](const QString& ruta) {
            revisados << ruta;
            return false;
        });
        elige(archivos, panel, u"SearchEditButton2"_s, CERTIFICADO);
        QCOMPARE(revisados, QStringList{CERTIFICADO});
        QVERIFY(panel.certificado().isEmpty());
        QCOMPARE(leido.size(), 0);
    }
};

QTEST_MAIN(TstPanelCertificado)
#include "tst_panelcertificado.moc"

#include "CarpetaPrograma.h"
#include "CombosCatalogo.h"
#include "Constantes.h"
#include "Controles.h"
#include "TBaseDatosCatalogosFrm.h"
#include "TTelefonosFrm.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include <memory>

using namespace Constantes;

class TstControles : public QObject {
    Q_OBJECT
private slots:
    // Only a left click released over an enabled link runs its action, and
    // asking again replaces the action instead of adding one.
    void alClic_data()
    {
        QTest::addColumn<Qt::MouseButton>("boton");
        QTest::addColumn<bool>("habilitado");
        QTest::addColumn<int>("primera");
        QTest::addColumn<int>("segunda");
        QTest::newRow("clic izquierdo") << Qt::LeftButton << true << 0 << 1;
        QTest::newRow("clic derecho") << Qt::RightButton << true << 0 << 0;
        QTest::newRow("deshabilitado") << Qt::LeftButton << false << 0 << 0;
    }
    void alClic()
    {
        QFETCH(Qt::MouseButton, boton);
        QFETCH(bool, habilitado);
        QFETCH(int, primera);
        QFETCH(int, segunda);
        QLabel liga(QStringLiteral("liga"));
        int uno = 0;
        int dos = 0;
        Controles::alClic(&liga, [&uno] { ++uno; });
        Controles::alClic(&liga, [&dos] { ++dos; });
        liga.setEnabled(habilitado);
        QTest::mouseClick(&liga, boton);
        QCOMPARE(uno, primera);
        QCOMPARE(dos, segunda);
    }

    // The action may free the very widget that was clicked.
    void alClicQueLiberaSuWidget()
    {
        QWidget ventana;
        QPointer<QLabel> liga = new QLabel(&ventana);
        Controles::alClic(liga, [&liga] { liga->deleteLater(); });
        QTest::mouseClick(liga, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(liga.isNull());
    }

    void marcasDeError()
    {
        QLineEdit campo;
        QVERIFY(!Controles::tieneError(&campo));
        Controles::marcaError(&campo);
        QVERIFY(Controles::tieneError(&campo));
        Controles::quitaError(&campo);
        QVERIFY(campo.styleSheet().isEmpty());
        Controles::marcaError(nullptr);
    }

    // The list the catalogue gives, under its prompt; what the list held
    // before goes.
    void regimenFiscal_data()
    {
        QTest::addColumn<bool>("conCatalogo");
        QTest::addColumn<QString>("rfc");
        QTest::newRow("persona moral") << true << QStringLiteral("EKU9003173C9");
        QTest::newRow("sin RFC") << true << QString();
        QTest::newRow("sin catálogo") << false << QStringLiteral("EKU9003173C9");
    }
    void regimenFiscal()
    {
        QFETCH(bool, conCatalogo);
        QFETCH(QString, rfc);
        TCarpetaPrograma programa;
        if (conCatalogo)
            programa.instalaCatalogo();
        QComboBox lista;
        lista.addItems({QStringLiteral("lista anterior"), QStringLiteral("otra")});
        lista.setCurrentIndex(1);
        CombosCatalogo::inicializaRegimenFiscal(&lista, rfc);

        const QStringList regimenes = BaseDatosCatalogosFrm().getRegimenesFiscales(rfc);
        QCOMPARE(regimenes.isEmpty(), !conCatalogo);
        QStringList mostrados;
        for (int i = 0; i < lista.count(); ++i)
            mostrados << lista.itemText(i);
        QCOMPARE(mostrados, QStringList{REGIMEN_FISCAL} + regimenes);
        QCOMPARE(lista.currentIndex(), 0);
    }

    // What the rows hold, as the work that stores them takes it; the delete
    // picture reaches rows made before and after it is given.
    void telefonos()
    {
        TTelefonosFrm panel;
        panel.agregaTelefono();
        QPixmap eliminar(4, 4);
        eliminar.fill(Qt::red);
        panel.setImagenEliminar(eliminar);
        panel.agregaTelefono();
        panel.agregaTelefono();
        for (const auto& fila : panel.telefonos())
            QCOMPARE(fila->getEliminar()->pixmap().size(), QSize(4, 4));

        panel.telefonos().at(0)->getTipo()->setCurrentIndex(TIPOS_TELEFONO.indexOf(QStringLiteral("Celular")));
        panel.telefonos().at(0)->getNumero()->setText(QStringLiteral(" 3312345678 "));
        panel.telefonos().at(1)->getNumero()->setText(QStringLiteral("5551234567"));
        panel.telefonos().at(1)->getExtension()->setText(QStringLiteral(" 12 "));
        const QList<TDatosTelefono> datos = panel.getTelefonos();
        QCOMPARE(datos.size(), 3);
        QCOMPARE(datos.at(0).tipo, 3);
        QCOMPARE(datos.at(0).numero, QStringLiteral("3312345678"));
        QCOMPARE(datos.at(1).tipo, 0);
        QCOMPARE(datos.at(1).extension, QStringLiteral("12"));
        QVERIFY(datos.at(2).numero.isEmpty());

        panel.eliminaTelefono(QStringLiteral("Cont1"));
        QCOMPARE(panel.getTelefonos().first().numero, QStringLiteral("5551234567"));
        panel.eliminaTelefono(QStringLiteral("Cont9"));
        QCOMPARE(panel.telefonos().size(), size_t(2));
    }
};

QTEST_MAIN(TstControles)
#include "tst_controles.moc"

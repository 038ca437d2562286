#include "CarpetaPrograma.h"
#include "CombosCatalogo.h"
#include "Constantes.h"
#include "Controles.h"
#include "Entidades.h"
#include "TBaseDatosCatalogosFrm.h"
#include "TDireccionesFrm.h"
#include "TTelefonosFrm.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace Constantes;

class TstControles : public QObject {
    Q_OBJECT
private slots:
    // Only a left click released over an enabled link, or Enter or Space on
    // it, runs its action, and asking again replaces the action instead of
    // adding one; a disabled link neither runs nor looks enabled.
    void alClic_data()
    {
        QTest::addColumn<int>("tecla"); // 0: a click of `boton`
        QTest::addColumn<Qt::MouseButton>("boton");
        QTest::addColumn<bool>("habilitado");
        QTest::addColumn<int>("veces");
        QTest::newRow("clic izquierdo") << 0 << Qt::LeftButton << true << 1;
        QTest::newRow("clic derecho") << 0 << Qt::RightButton << true << 0;
        QTest::newRow("clic deshabilitado") << 0 << Qt::LeftButton << false << 0;
        QTest::newRow("Enter") << int(Qt::Key_Return) << Qt::NoButton << true << 1;
        QTest::newRow("espacio") << int(Qt::Key_Space) << Qt::NoButton << true << 1;
        QTest::newRow("otra tecla") << int(Qt::Key_A) << Qt::NoButton << true << 0;
        QTest::newRow("Enter deshabilitada") << int(Qt::Key_Return) << Qt::NoButton << false << 0;
    }
    void alClic()
    {
        QFETCH(int, tecla);
        QFETCH(Qt::MouseButton, boton);
        QFETCH(bool, habilitado);
        QFETCH(int, veces);
        QLabel liga(u"+ Agregar Teléfono"_s);
        Controles::colorTexto(&liga, RS_TEXTOAZUL);
        int uno = 0, dos = 0;
        Controles::alClic(&liga, [&uno] { ++uno; });
        Controles::alClic(&liga, [&dos] { ++dos; });
        QVERIFY(liga.focusPolicy() & Qt::TabFocus);
        liga.setEnabled(habilitado);
        if (tecla != 0)
            QTest::keyClick(&liga, static_cast<Qt::Key>(tecla));
        else
            QTest::mouseClick(&liga, boton);
        QCOMPARE(uno, 0);
        QCOMPARE(dos, veces);
        const QPalette& p = liga.palette();
        QVERIFY(p.color(QPalette::Disabled, QPalette::WindowText) != p.color(QPalette::Active, QPalette::WindowText));
        QCOMPARE(liga.cursor().shape(), habilitado ? Qt::PointingHandCursor : Qt::ArrowCursor);
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

    // A marked field keeps its size (nothing around it moves) and its mark
    // goes as soon as the user corrects it; the program refilling it does
    // not count as a correction.
    void marcasDeError_data()
    {
        QTest::addColumn<QString>("campo");
        QTest::addColumn<bool>("porElUsuario");
        QTest::newRow("texto tecleado") << u"texto"_s << true;
        QTest::newRow("texto puesto por el programa") << u"texto"_s << false;
        QTest::newRow("lista elegida") << u"lista"_s << true;
        QTest::newRow("lista cambiada por el programa") << u"lista"_s << false;
        QTest::newRow("lista editable tecleada") << u"editable"_s << true;
    }
    void marcasDeError()
    {
        QFETCH(QString, campo);
        QFETCH(bool, porElUsuario);
        QWidget ventana;
        auto* diseno = new QVBoxLayout(&ventana);
        QLineEdit* edicion = campo == u"texto"_s ? new QLineEdit(&ventana) : nullptr;
        QComboBox* lista = edicion ? nullptr : new QComboBox(&ventana);
        QWidget* w = edicion ? static_cast<QWidget*>(edicion) : lista;
        if (lista) {
            lista->setEditable(campo == u"editable"_s);
            lista->addItems({u"Régimen Fiscal"_s, u"601"_s, u"612"_s});
        }
        auto* debajo = new QLineEdit(&ventana);
        diseno->addWidget(w);
        diseno->addWidget(debajo);
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));
        const QSize tamano = w->sizeHint();
        const QRect lugarDebajo = debajo->geometry();

        QVERIFY(!Controles::tieneError(w));
        Controles::marcaError(w);
        QVERIFY(Controles::tieneError(w));
        QCoreApplication::processEvents();
        QCOMPARE(w->sizeHint(), tamano);
        QCOMPARE(debajo->geometry(), lugarDebajo);

        if (lista && lista->isEditable())
            edicion = lista->lineEdit();
        if (edicion && porElUsuario)
            QTest::keyClicks(edicion, u"x"_s);
        else if (edicion)
            edicion->setText(u"x"_s);
        else if (porElUsuario)
            QTest::keyClick(lista, Qt::Key_Down);
        else
            lista->setCurrentIndex(1);
        QCOMPARE(Controles::tieneError(w), !porElUsuario);
        Controles::quitaError(w);
        QVERIFY(!Controles::tieneError(w));
        Controles::marcaError(nullptr);
    }

    // The list the catalogue gives, under its prompt; what the list held
    // before goes.
    void regimenFiscal_data()
    {
        QTest::addColumn<bool>("conCatalogo");
        QTest::newRow("persona moral") << true;
        QTest::newRow("sin catálogo") << false;
    }
    void regimenFiscal()
    {
        QFETCH(bool, conCatalogo);
        const QString rfc = u"EKU9003173C9"_s; // a legal person
        TCarpetaPrograma programa;
        if (conCatalogo)
            programa.instalaCatalogo();
        QComboBox lista;
        lista.addItems({u"lista anterior"_s, u"otra"_s});
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

    // The shared panels' fields take no more than the column each is saved
    // into: a longer text, typed or pasted, stops at the column's length.
    void largosDeColumna_data()
    {
        QTest::addColumn<QString>("campo");
        QTest::addColumn<int>("largo");
        const auto fila = [](const char* campo, const TTabla& tabla, int columna) {
            QTest::newRow(campo) << QString::fromLatin1(campo) << tabla.columnas.at(columna).largo;
        };
        const TTabla& direcciones = TDireccion::tablaEsquema();
        fila("EdCalle", direcciones, TDireccion::col_Calle);
        fila("EdNoExterior", direcciones, TDireccion::col_Noexterior);
        fila("EdNoInterior", direcciones, TDireccion::col_Nointerior);
        fila("EdReferencia", direcciones, TDireccion::col_Referencia);
    }
    void largosDeColumna()
    {
        QFETCH(QString, campo);
        QFETCH(int, largo);
        TCarpetaPrograma programa;
        QWidget ventana;
        new TDireccionesFrm(&ventana);
        auto* edicion = ventana.findChild<QLineEdit*>(campo);
        QVERIFY(edicion);
        QVERIFY(largo > 0);
        QCOMPARE(edicion->maxLength(), largo);
        edicion->insert(QString(largo + 1, u'7'));
        QCOMPARE(edicion->text().size(), largo);
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

        panel.telefonos().at(0)->getTipo()->setCurrentIndex(TIPOS_TELEFONO.indexOf(u"Celular"_s));
        panel.telefonos().at(0)->getNumero()->setText(u" 3312345678 "_s);
        panel.telefonos().at(1)->getNumero()->setText(u"5551234567"_s);
        panel.telefonos().at(1)->getExtension()->setText(u" 12 "_s);
        const QList<TDatosTelefono> datos = panel.getTelefonos();
        QCOMPARE(datos.size(), 3);
        QCOMPARE(datos.at(0).tipo, 3);
        QCOMPARE(datos.at(0).numero, u"3312345678"_s);
        QCOMPARE(datos.at(1).tipo, 0);
        QCOMPARE(datos.at(1).extension, u"12"_s);
        QVERIFY(datos.at(2).numero.isEmpty());

        panel.eliminaTelefono(u"Cont1"_s);
        QCOMPARE(panel.getTelefonos().first().numero, u"5551234567"_s);
        panel.eliminaTelefono(u"Cont9"_s);
        QCOMPARE(panel.telefonos().size(), size_t(2));
        // Added from its link, a row takes the focus at its kind.
        panel.show();
        QApplication::setActiveWindow(&panel);
        QVERIFY(QTest::qWaitForWindowActive(&panel));
        QTest::keyClick(panel.TxTelefonoBottom, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), panel.telefonos().back()->getTipo());
    }
};

QTEST_MAIN(TstControles)
#include "tst_controles.moc"

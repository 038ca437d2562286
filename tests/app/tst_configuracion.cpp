#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "Prompter.h"
#include "Signerutils.h"
#include "TConfiguracionBaseDatosFrm.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

QList<QLineEdit*> edits(const TConfiguracionBaseDatosFrm& ventana)
{
    QList<QLineEdit*> lista;
    for (int i = 1; i <= 5; ++i) {
        auto* edit = ventana.findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(i));
        if (!edit)
            qFatal("Falta Edit%d", i);
        lista << edit;
    }
    return lista;
}

void escribe(const TConfiguracionBaseDatosFrm& ventana, const QStringList& textos)
{
    const QList<QLineEdit*> lista = edits(ventana);
    for (int i = 0; i < textos.size(); ++i)
        lista.at(i)->setText(textos.at(i));
}

} // namespace

class TstConfiguracion : public QObject {
    Q_OBJECT

    std::unique_ptr<TCarpetaPrograma> m_carpeta;
    std::unique_ptr<TConfiguracionBaseDatosFrm> m_ventana;

    // Checks the rules that follow from the engine choice.
    static void verificaReglas(const TConfiguracionBaseDatosFrm& v, bool local)
    {
        for (QLineEdit* edit : edits(v))
            QCOMPARE(edit->isReadOnly(), local);
        QCOMPARE(v.CornerButton3->isHidden(), local);
        QCOMPARE(v.CornerButton1->isEnabled(), local);
        QCOMPARE(v.getMotorBaseDatos(), local ? Constantes::DB_SQLITE : Constantes::DB_MySQL);
    }

private slots:
    void init()
    {
        m_carpeta = std::make_unique<TCarpetaPrograma>(false);
        m_ventana = std::make_unique<TConfiguracionBaseDatosFrm>();
    }
    void cleanup()
    {
        m_ventana.reset();
        m_carpeta.reset();
    }

    void estadoInicial()
    {
        const TConfiguracionBaseDatosFrm& v = *m_ventana;
        QCOMPARE(v.windowTitle(), QStringLiteral("Configuración Base de Datos"));
        QCOMPARE(v.size(), QSize(382, 497));
        QCOMPARE(v.minimumSize(), v.maximumSize());
        QVERIFY(!v.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        for (const char* nombre :
             {"Rectangle1", "Text7", "Text8", "Text9", "ComboBox1", "CornerButton1", "CornerButton2", "CornerButton3"})
            QVERIFY2(v.findChild<QWidget*>(QString::fromLatin1(nombre)), nombre);
        QCOMPARE(v.Text7->text(), QStringLiteral("Configuración de la Base de Datos"));
        QCOMPARE(v.CornerButton1->text(), QStringLiteral("Guardar"));
        QCOMPARE(v.CornerButton2->text(), QStringLiteral("Cancelar"));
        QCOMPARE(v.CornerButton3->text(), QStringLiteral("Probar Conexión"));

        QCOMPARE(v.ComboBox1->count(), 2);
        QCOMPARE(v.ComboBox1->itemText(0), Constantes::CBD_LOCAL);
        QCOMPARE(v.ComboBox1->itemText(1), QStringLiteral("MySQL"));
        QCOMPARE(v.ComboBox1->currentIndex(), 0);
        QCOMPARE(v.Edit5->text(), Constantes::DB_SISTEMA_NOMBRE);
        verificaReglas(v, true);
        QVERIFY(v.getUsuario().isEmpty() && v.getPassword().isEmpty() && v.getServidor().isEmpty() &&
                v.getPuerto().isEmpty());
    }

    void cambioDeMotor()
    {
        TConfiguracionBaseDatosFrm& v = *m_ventana;
        v.ComboBox1->setCurrentIndex(1);
        verificaReglas(v, false);
        QVERIFY(v.Edit5->text().isEmpty());

        escribe(v, {QStringLiteral("root"), QStringLiteral("secreto"), QStringLiteral("3306"),
                    QStringLiteral("servidor.local"), QStringLiteral("negocios")});
        v.ComboBox1->setCurrentIndex(0);
        verificaReglas(v, true);
        for (int i = 0; i < 4; ++i)
            QVERIFY(edits(v).at(i)->text().isEmpty());
        QCOMPARE(v.Edit5->text(), Constantes::DB_SISTEMA_NOMBRE);

        // Going back to the server starts from empty fields as well.
        v.ComboBox1->setCurrentIndex(1);
        for (QLineEdit* edit : edits(v))
            QVERIFY(edit->text().isEmpty());
    }

    void pruebaConServidor()
    {
        TConfiguracionBaseDatosFrm& v = *m_ventana;
        v.ComboBox1->setCurrentIndex(1);
        escribe(v, {QStringLiteral("root"), QStringLiteral("se|creto"), QStringLiteral("3306"),
                    QStringLiteral("servidor.local"), QStringLiteral(" negocios ")});
        QVERIFY(!v.CornerButton1->isEnabled());

        TColaRespuestas respuestas;
        QTest::mouseClick(v.CornerButton3, Qt::LeftButton);
        QCOMPARE(respuestas.textos(), QStringList{Constantes::MSG_INFORMATION_CONEXION_EXITO});
        QCOMPARE(respuestas.tipos(), QList<int>{Constantes::MSG_INFORMATION});
        QVERIFY(v.CornerButton1->isEnabled());

        // Fields travel as typed, in the order of a stored connection string.
        QCOMPARE(Signerutils::Signer().decrypt(v.getConexionString()),
                 QStringLiteral("MySQL|root|se|creto|servidor.local| negocios |3306"));
        QCOMPARE(v.getMotorBaseDatos(), Constantes::DB_MySQL);
        QCOMPARE(v.getBaseDatos(QStringLiteral("EKU9003173C9")), QStringLiteral("negocios"));
        QCOMPARE(v.getUsuario(), QStringLiteral("root"));
        QCOMPARE(v.getPassword(), QStringLiteral("se|creto"));
        QCOMPARE(v.getPuerto(), QStringLiteral("3306"));
        QCOMPARE(v.getServidor(), QStringLiteral("servidor.local"));
    }

    void pruebaFallida()
    {
        // Only the server engines can be tested; a refused string keeps the
        // save disabled and says so.
        TConfiguracionBaseDatosFrm& v = *m_ventana;
        v.CornerButton1->setEnabled(true);
        TColaRespuestas respuestas;
        v.CornerButton3Click();
        QCOMPARE(respuestas.textos(), QStringList{Constantes::MSG_ERROR_CONEXION});
        QCOMPARE(respuestas.tipos(), QList<int>{Constantes::MSG_ERROR});
        QVERIFY(!v.CornerButton1->isEnabled());
        QVERIFY(v.getConexionString().isEmpty());
        QCOMPARE(v.Edit5->text(), Constantes::DB_SISTEMA_NOMBRE);
    }

    void baseDatosLocal_data()
    {
        QTest::addColumn<QString>("rfc");
        QTest::newRow("persona moral") << QStringLiteral("EKU9003173C9");
        QTest::newRow("con & y Ñ") << QStringLiteral("H&Ñ951128469");
    }
    void baseDatosLocal()
    {
        QFETCH(QString, rfc);
        const QString archivo = m_ventana->getBaseDatos(rfc);
        QCOMPARE(archivo,
                 m_carpeta->ruta() + QStringLiteral("db/") + rfc + QLatin1Char('/') + Constantes::DB_SISTEMA_NOMBRE);
        QCOMPARE(QFileInfo(archivo).absolutePath(),
                 QDir(m_carpeta->archivo(QStringLiteral("db/") + rfc)).absolutePath());
    }

    void mostrarSeleccionaLocal()
    {
        TConfiguracionBaseDatosFrm& v = *m_ventana;
        v.ComboBox1->setCurrentIndex(1);
        escribe(v, {QStringLiteral("root"), QStringLiteral("secreto"), QStringLiteral("3306"),
                    QStringLiteral("servidor.local"), QStringLiteral("negocios")});
        {
            TColaRespuestas respuestas;
            v.CornerButton3Click();
        }
        QVERIFY(!v.getConexionString().isEmpty());

        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        QCOMPARE(v.ComboBox1->currentIndex(), 0);
        QVERIFY(v.getConexionString().isEmpty());
        verificaReglas(v, true);
        QVERIFY(v.getUsuario().isEmpty());
        QCOMPARE(v.getBaseDatos(QStringLiteral("EKU9003173C9")),
                 m_carpeta->archivo(QStringLiteral("db/EKU9003173C9/")) + Constantes::DB_SISTEMA_NOMBRE);
        QVERIFY(v.CornerButton3->isHidden());
        v.hide();
    }

    void modalGuardarYCancelar_data()
    {
        QTest::addColumn<QString>("boton");
        QTest::addColumn<int>("resultado");
        QTest::newRow("Guardar") << QStringLiteral("CornerButton1") << int(QDialog::Accepted);
        QTest::newRow("Cancelar") << QStringLiteral("CornerButton2") << int(QDialog::Rejected);
    }
    void modalGuardarYCancelar()
    {
        QFETCH(QString, boton);
        QFETCH(int, resultado);
        TConfiguracionBaseDatosFrm& v = *m_ventana;
        QPushButton* pulsar = v.findChild<QPushButton*>(boton);
        QVERIFY(pulsar);
        // The click waits for the dialog's own event loop to run.
        QTimer::singleShot(0, pulsar, [pulsar] { pulsar->click(); });
        QCOMPARE(v.exec(), resultado);
        QVERIFY(v.isHidden());
        QCOMPARE(v.getMotorBaseDatos(), Constantes::DB_SQLITE);
    }
};

QTEST_MAIN(TstConfiguracion)
#include "tst_configuracion.moc"

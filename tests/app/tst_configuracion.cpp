#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "Prompter.h"
#include "Secretos.h"
#include "Sistema.h"
#include "app/TConfiguracionBaseDatosFrm.h"
#include "Piezas.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

QList<QLineEdit*> edits(const TConfiguracionBaseDatosFrm& ventana)
{
    QList<QLineEdit*> lista;
    for (int i = 1; i <= 5; ++i)
        lista << ventana.findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(i));
    return lista;
}

QPushButton* boton(const TConfiguracionBaseDatosFrm& ventana, const char* nombre)
{
    return pieza<QPushButton>(ventana, nombre);
}

QComboBox* motor(const TConfiguracionBaseDatosFrm& ventana)
{
    return pieza<QComboBox>(ventana, "ComboBox1");
}

QLineEdit* baseDatos(const TConfiguracionBaseDatosFrm& ventana)
{
    return pieza<QLineEdit>(ventana, "Edit5");
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
        QCOMPARE(boton(v, "CornerButton3")->isHidden(), local);
        QCOMPARE(boton(v, "CornerButton1")->isEnabled(), local);
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

    void cambioDeMotor()
    {
        TConfiguracionBaseDatosFrm& v = *m_ventana;
        verificaReglas(v, true);
        QCOMPARE(baseDatos(v)->text(), Constantes::DB_SISTEMA_NOMBRE);
        motor(v)->setCurrentIndex(1);
        verificaReglas(v, false);
        QVERIFY(baseDatos(v)->text().isEmpty());

        escribe(v, {QStringLiteral("root"), QStringLiteral("secreto"), QStringLiteral("3306"),
                    QStringLiteral("servidor.local"), QStringLiteral("negocios")});
        motor(v)->setCurrentIndex(0);
        verificaReglas(v, true);
        for (int i = 0; i < 4; ++i)
            QVERIFY(edits(v).at(i)->text().isEmpty());
        QCOMPARE(baseDatos(v)->text(), Constantes::DB_SISTEMA_NOMBRE);

        // Going back to the server starts from empty fields as well.
        motor(v)->setCurrentIndex(1);
        for (QLineEdit* edit : edits(v))
            QVERIFY(edit->text().isEmpty());
    }

    // Fields travel as typed, in the order of a stored connection string; a
    // field holding the separator would shift every field after it, so it is
    // refused, naming the field, and nothing is kept.
    void pruebaConServidor_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("guardada");
        QTest::addColumn<QString>("mensaje");
        QTest::addColumn<int>("tipo");
        QTest::newRow("campos válidos") << QStringLiteral("secreto")
                                        << QStringLiteral("MySQL|root|secreto|servidor.local| negocios |3306")
                                        << Constantes::MSG_INFORMATION_CONEXION_EXITO << Constantes::MSG_INFORMATION;
        QTest::newRow("separador en la contraseña")
            << QStringLiteral("se|creto") << QString()
            << QString(Constantes::ERR_CONEXION_SEPARADOR).replace(Constantes::CAMPO, QStringLiteral("Contraseña"))
            << Constantes::MSG_ERROR;
    }
    void pruebaConServidor()
    {
        QFETCH(QString, password);
        QFETCH(QString, guardada);
        QFETCH(QString, mensaje);
        QFETCH(int, tipo);
        TConfiguracionBaseDatosFrm& v = *m_ventana;
        motor(v)->setCurrentIndex(1);
        escribe(v, {QStringLiteral("root"), password, QStringLiteral("3306"), QStringLiteral("servidor.local"),
                    QStringLiteral(" negocios ")});
        QVERIFY(!boton(v, "CornerButton1")->isEnabled());

        TColaRespuestas respuestas;
        QTest::mouseClick(boton(v, "CornerButton3"), Qt::LeftButton);
        QCOMPARE(respuestas.textos(), QStringList{mensaje});
        QCOMPARE(respuestas.tipos(), QList<int>{tipo});
        QCOMPARE(boton(v, "CornerButton1")->isEnabled(), !guardada.isEmpty());
        if (guardada.isEmpty()) {
            QVERIFY(v.getConexionString().isEmpty());
            return;
        }
        QCOMPARE(Secretos::descifraLocal(v.getConexionString(), Sistema::exePath), guardada);
        QCOMPARE(v.getMotorBaseDatos(), Constantes::DB_MySQL);
        QCOMPARE(v.getBaseDatos(QStringLiteral("EKU9003173C9")), QStringLiteral("negocios"));

        // Shown again, the window starts over on the local engine.
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        QCOMPARE(motor(v)->currentIndex(), 0);
        QVERIFY(v.getConexionString().isEmpty());
        verificaReglas(v, true);
        QVERIFY(v.getUsuario().isEmpty());
        QCOMPARE(v.getBaseDatos(QStringLiteral("EKU9003173C9")),
                 m_carpeta->archivo(QStringLiteral("db/EKU9003173C9/") + Constantes::DB_SISTEMA_NOMBRE));
        v.hide();
    }

    void pruebaFallida()
    {
        // Only the server engines can be tested; a refused string keeps the
        // save disabled and says so.
        TConfiguracionBaseDatosFrm& v = *m_ventana;
        boton(v, "CornerButton1")->setEnabled(true);
        TColaRespuestas respuestas;
        v.CornerButton3Click();
        QCOMPARE(respuestas.textos(), QStringList{Constantes::MSG_ERROR_CONEXION});
        QCOMPARE(respuestas.tipos(), QList<int>{Constantes::MSG_ERROR});
        QVERIFY(!boton(v, "CornerButton1")->isEnabled());
        QVERIFY(v.getConexionString().isEmpty());
        QCOMPARE(baseDatos(v)->text(), Constantes::DB_SISTEMA_NOMBRE);
    }
};

QTEST_MAIN(TstConfiguracion)
#include "tst_configuracion.moc"

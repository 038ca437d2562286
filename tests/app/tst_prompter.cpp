#include "Arranque.h"
#include "Constantes.h"
#include "app/PrompterCajas.h"
#include "Sistema.h"
#include "negocio/Utils.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <memory>

class TPruebaPrompter : public QObject {
    Q_OBJECT

    TPrompterCajas m_cajas;
    // What the box showed: its title and its buttons.
    QString m_titulo;
    QList<QMessageBox::StandardButton> m_botones;
    QStringList m_textosBotones;

    // Presses `boton` on the next modal box once it is up.
    void contesta(QMessageBox::StandardButton boton, int intentos = 1000)
    {
        QTimer::singleShot(10, this, [this, boton, intentos] {
            auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (caja == nullptr) {
                if (intentos > 0)
                    contesta(boton, intentos - 1);
                return;
            }
            m_titulo = caja->windowTitle();
            for (QAbstractButton* b : caja->buttons()) {
                m_botones << caja->standardButton(b);
                m_textosBotones << b->text().remove(QLatin1Char('&'));
            }
            m_textosBotones.sort();
            std::sort(m_botones.begin(), m_botones.end());
            caja->button(boton)->click();
        });
    }

private slots:
    void initTestCase()
    {
        Prompter::instala(&m_cajas);
        Arranque::instalaTraducciones();
    }
    void cleanupTestCase() { Prompter::instala(nullptr); }

    // Boxes are shown on the UI thread even when a worker asks; the title is
    // the system's name once it is known.
    void caja_data()
    {
        QTest::addColumn<bool>("pregunta");
        QTest::addColumn<int>("boton");
        QTest::addColumn<bool>("desdeOtroHilo");
        QTest::addColumn<QString>("nombreSistema");
        QTest::addColumn<QString>("titulo");
        const QString nombre = QStringLiteral("Facturas Ñandú");
        QTest::newRow("aviso, sin nombre aún") << false << int(QMessageBox::Ok) << false << QString() << "Velkor";
        QTest::newRow("aviso desde un hilo") << false << int(QMessageBox::Ok) << true << nombre << nombre;
        QTest::newRow("cancela") << true << int(QMessageBox::Cancel) << false << nombre << nombre;
        QTest::newRow("acepta desde un hilo") << true << int(QMessageBox::Ok) << true << nombre << nombre;
        QTest::newRow("cancela desde un hilo") << true << int(QMessageBox::Cancel) << true << nombre << nombre;
    }
    void caja()
    {
        QFETCH(bool, pregunta);
        QFETCH(int, boton);
        QFETCH(bool, desdeOtroHilo);
        QFETCH(QString, nombreSistema);
        QFETCH(QString, titulo);
        Sistema::nameSistema = nombreSistema;
        m_titulo.clear();
        m_botones.clear();
        m_textosBotones.clear();
        contesta(static_cast<QMessageBox::StandardButton>(boton));
        int obtenido = -1;
        const auto muestra = [&] {
            if (pregunta)
                obtenido = Utils::mensajeConfirmacion(QStringLiteral("¿Deseas continuar?"));
            else
                Utils::mensaje(Constantes::ERR_EXISTE_NEGOCIO, Constantes::MSG_WARNING);
        };
        if (desdeOtroHilo) {
            std::unique_ptr<QThread> hilo(QThread::create(muestra));
            QEventLoop espera;
            connect(hilo.get(), &QThread::finished, &espera, &QEventLoop::quit);
            hilo->start();
            espera.exec();
            hilo->wait();
        } else {
            muestra();
        }
        Sistema::nameSistema.clear();
        QCOMPARE(m_titulo, titulo);
        if (pregunta)
            QCOMPARE(obtenido, boton == QMessageBox::Ok ? TPrompter::OK : TPrompter::CANCELAR);
        QCOMPARE(m_botones, (pregunta ? QList{QMessageBox::Ok, QMessageBox::Cancel} : QList{QMessageBox::Ok}));
        // Qt's own button texts, in Spanish.
        QCOMPARE(m_textosBotones, (pregunta ? QStringList{"Aceptar", "Cancelar"} : QStringList{"Aceptar"}));
    }

    // Enter in the typed confirmation confirms only once the key matches;
    // before that (or after the key is spoilt again) it cancels.
    void enterEnCajaEscrita_data()
    {
        QTest::addColumn<QString>("escrito");
        QTest::addColumn<int>("borrados");
        QTest::addColumn<int>("resultado");
        QTest::newRow("la clave") << QStringLiteral("ELIMINAR") << 0 << int(QDialog::Accepted);
        QTest::newRow("a medias") << QStringLiteral("ELIMIN") << 0 << int(QDialog::Rejected);
        QTest::newRow("la clave, luego una letra menos") << QStringLiteral("ELIMINAR") << 1 << int(QDialog::Rejected);
        QTest::newRow("nada") << QString() << 0 << int(QDialog::Rejected);
    }
    void enterEnCajaEscrita()
    {
        QFETCH(QString, escrito);
        QFETCH(int, borrados);
        QFETCH(int, resultado);
        std::unique_ptr<QDialog> caja(TPrompterCajas::cajaEscrita(QStringLiteral("Escribe ELIMINAR para confirmar."),
                                                                  QStringLiteral("ELIMINAR")));
        caja->show();
        auto* campo = caja->findChild<QLineEdit*>(QStringLiteral("EdConfirmacion"));
        QTest::keyClicks(campo, escrito);
        for (int i = 0; i < borrados; ++i)
            QTest::keyClick(campo, Qt::Key_Backspace);
        QTest::keyClick(campo, Qt::Key_Return);
        QVERIFY(!caja->isVisible());
        QCOMPARE(caja->result(), resultado);
    }
};

QTEST_MAIN(TPruebaPrompter)
#include "tst_prompter.moc"

#include "Constantes.h"
#include "PrompterCajas.h"
#include "Sistema.h"
#include "Utils.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

// What the box looked like, and the button pressed to close it.
struct TCajaVista {
    QString titulo;
    QString texto;
    QList<QMessageBox::StandardButton> botones;
};

class TPruebaPrompter : public QObject {
    Q_OBJECT

    TPrompterCajas m_cajas;
    TCajaVista m_vista;
    int m_intentos = 0;

    // Presses `boton` on the next modal box once it is up.
    void contesta(QMessageBox::StandardButton boton)
    {
        m_vista = {};
        m_intentos = 0;
        esperaCaja(boton);
    }
    void esperaCaja(QMessageBox::StandardButton boton)
    {
        QTimer::singleShot(10, this, [this, boton] {
            auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (caja == nullptr) {
                if (++m_intentos < 1000)
                    esperaCaja(boton);
                return;
            }
            m_vista.titulo = caja->windowTitle();
            m_vista.texto = caja->text();
            for (QAbstractButton* b : caja->buttons())
                m_vista.botones << caja->standardButton(b);
            std::sort(m_vista.botones.begin(), m_vista.botones.end());
            caja->button(boton)->click();
        });
    }

private slots:
    void initTestCase() { Prompter::instala(&m_cajas); }
    void cleanupTestCase() { Prompter::instala(nullptr); }
    void cleanup() { Sistema::nameSistema.clear(); }

    void mensaje_data()
    {
        QTest::addColumn<int>("tipo");
        QTest::addColumn<QString>("nombreSistema");
        QTest::addColumn<QString>("titulo");
        QTest::newRow("error, sin nombre aún") << Constantes::MSG_ERROR << QString() << QStringLiteral("Velkor");
        QTest::newRow("aviso") << Constantes::MSG_WARNING << QStringLiteral("Facturas Ñandú")
                               << QStringLiteral("Facturas Ñandú");
        QTest::newRow("información") << Constantes::MSG_INFORMATION << QStringLiteral("Velkor")
                                     << QStringLiteral("Velkor");
    }
    void mensaje()
    {
        QFETCH(int, tipo);
        QFETCH(QString, nombreSistema);
        QFETCH(QString, titulo);
        Sistema::nameSistema = nombreSistema;
        contesta(QMessageBox::Ok);
        Utils::mensaje(Constantes::ERR_EXISTE_NEGOCIO, tipo);
        QCOMPARE(m_vista.titulo, titulo);
        QCOMPARE(m_vista.texto, Constantes::ERR_EXISTE_NEGOCIO);
        QCOMPARE(m_vista.botones, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
    }

    void confirmacion_data()
    {
        QTest::addColumn<int>("boton");
        QTest::addColumn<int>("resultado");
        QTest::addColumn<bool>("desdeOtroHilo");
        QTest::newRow("acepta") << int(QMessageBox::Ok) << TPrompter::OK << false;
        QTest::newRow("cancela") << int(QMessageBox::Cancel) << TPrompter::CANCELAR << false;
        QTest::newRow("acepta desde un hilo") << int(QMessageBox::Ok) << TPrompter::OK << true;
        QTest::newRow("cancela desde un hilo") << int(QMessageBox::Cancel) << TPrompter::CANCELAR << true;
    }
    void confirmacion()
    {
        QFETCH(int, boton);
        QFETCH(int, resultado);
        QFETCH(bool, desdeOtroHilo);
        const QString pregunta = QStringLiteral("¿Deseas continuar?");
        contesta(static_cast<QMessageBox::StandardButton>(boton));
        int obtenido = -1;
        if (desdeOtroHilo) {
            std::unique_ptr<QThread> hilo(QThread::create([&] { obtenido = Utils::mensajeConfirmacion(pregunta); }));
            QEventLoop espera;
            connect(hilo.get(), &QThread::finished, &espera, &QEventLoop::quit);
            hilo->start();
            espera.exec();
            hilo->wait();
        } else {
            obtenido = Utils::mensajeConfirmacion(pregunta);
        }
        QCOMPARE(obtenido, resultado);
        QCOMPARE(m_vista.texto, pregunta);
        QCOMPARE(m_vista.botones, (QList<QMessageBox::StandardButton>{QMessageBox::Ok, QMessageBox::Cancel}));
    }
};

QTEST_MAIN(TPruebaPrompter)
#include "tst_prompter.moc"

#include "Prompter.h"
#include "RegistroClases.h"

#include <QtTest>

class TstPrompterRegistro : public QObject {
    Q_OBJECT

private slots:
    void restauraElAnterior()
    {
        TColaRespuestas externa;
        {
            TColaRespuestas interna;
            QCOMPARE(&Prompter::actual(), &interna);
        }
        QCOMPARE(&Prompter::actual(), &externa);

        // With no prompter at all a question is cancelled, and only logged.
        Prompter::instala(nullptr);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("¿Borrar la empresa\\?")));
        QCOMPARE(Prompter::actual().confirmacion(QStringLiteral("¿Borrar la empresa?")), TPrompter::CANCELAR);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Empresa guardada")));
        Prompter::actual().mensaje(QStringLiteral("Empresa guardada"), 1);
        Prompter::instala(&externa);
        QVERIFY(externa.textos().isEmpty());
    }

    void registroDeClases()
    {
        const QString nombre = QStringLiteral("TRecursosPrueba");
        QCOMPARE(RegistroClases::busca(nombre), nullptr);
        RegistroClases::registra(nombre, &QObject::staticMetaObject);
        RegistroClases::registra(QStringLiteral("TOtra"), &QObject::staticMetaObject);
        // A package loaded again replaces its earlier registration.
        RegistroClases::registra(nombre, &QTimer::staticMetaObject);
        QCOMPARE(RegistroClases::busca(nombre), &QTimer::staticMetaObject);
        RegistroClases::quita(nombre);
        QCOMPARE(RegistroClases::busca(nombre), nullptr);
        QCOMPARE(RegistroClases::busca(QStringLiteral("TOtra")), &QObject::staticMetaObject);
        RegistroClases::quita(QStringLiteral("TOtra"));

        {
            const TRegistroClase mientrasVive(nombre, &QTimer::staticMetaObject);
            QCOMPARE(RegistroClases::busca(nombre), &QTimer::staticMetaObject);
        }
        QCOMPARE(RegistroClases::busca(nombre), nullptr);
    }
};

QTEST_GUILESS_MAIN(TstPrompterRegistro)
#include "tst_prompter_registro.moc"

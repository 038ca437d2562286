#include "Prompter.h"
#include "RegistroClases.h"

#include <QtTest>

class TstPrompterRegistro : public QObject {
    Q_OBJECT

private slots:
    void respuestasEnOrden_data()
    {
        QTest::addColumn<QList<int>>("encoladas");
        QTest::addColumn<QList<int>>("obtenidas");
        const int ok = TPrompter::OK;
        const int cancelar = TPrompter::CANCELAR;
        QTest::newRow("sin-respuestas") << QList<int>{} << QList<int>{ok, ok};
        QTest::newRow("en-orden") << QList<int>{cancelar, ok, cancelar} << QList<int>{cancelar, ok, cancelar};
        QTest::newRow("se-agotan") << QList<int>{cancelar} << QList<int>{cancelar, ok};
    }

    void respuestasEnOrden()
    {
        QFETCH(QList<int>, encoladas);
        QFETCH(QList<int>, obtenidas);
        TColaRespuestas cola;
        for (int r : encoladas)
            cola.agregaRespuesta(r);
        // A message first: it is recorded with its kind and takes no answer.
        QStringList textos{QStringLiteral("Ñandú guardado")};
        Prompter::actual().mensaje(textos.first(), 3);
        for (int i = 0; i < obtenidas.size(); ++i) {
            textos << QStringLiteral("¿Pregunta %1?").arg(i);
            QCOMPARE(Prompter::actual().confirmacion(textos.last()), obtenidas.at(i));
        }
        QCOMPARE(cola.textos(), textos);
        QCOMPARE(cola.tipos(), QList<int>{3});
    }

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

#include "Prompter.h"
#include "RegistroClases.h"

#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

class TstPrompterRegistro : public QObject {
    Q_OBJECT

private slots:
    void sinPrompterSeCancela()
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("¿Borrar la empresa\\?")));
        QCOMPARE(Prompter::actual().confirmacion(QStringLiteral("¿Borrar la empresa?")), TPrompter::CANCELAR);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Empresa guardada")));
        Prompter::actual().mensaje(QStringLiteral("Empresa guardada"), 1);
    }

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
        QStringList preguntas;
        for (int i = 0; i < obtenidas.size(); ++i) {
            preguntas << QStringLiteral("¿Pregunta %1?").arg(i);
            QCOMPARE(Prompter::actual().confirmacion(preguntas.last()), obtenidas.at(i));
        }
        QCOMPARE(cola.textos(), preguntas);
        QVERIFY(cola.tipos().isEmpty());
    }

    void registraTextosYTipos()
    {
        TColaRespuestas cola;
        Prompter::actual().mensaje(QStringLiteral("Ñandú guardado"), 1);
        Prompter::actual().confirmacion(QStringLiteral("¿Continuar?"));
        Prompter::actual().mensaje(QStringLiteral("Error"), 3);
        QCOMPARE(cola.textos(), (QStringList{QStringLiteral("Ñandú guardado"), QStringLiteral("¿Continuar?"),
                                             QStringLiteral("Error")}));
        QCOMPARE(cola.tipos(), (QList<int>{1, 3}));
    }

    void restauraElAnterior()
    {
        TColaRespuestas externa;
        {
            TColaRespuestas interna;
            QCOMPARE(&Prompter::actual(), &interna);
            Prompter::actual().mensaje(QStringLiteral("a la interna"), 1);
        }
        QCOMPARE(&Prompter::actual(), &externa);
        QVERIFY(externa.textos().isEmpty());

        Prompter::instala(nullptr);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("predeterminado")));
        QCOMPARE(Prompter::actual().confirmacion(QStringLiteral("predeterminado")), TPrompter::CANCELAR);
        Prompter::instala(&externa);
    }

    void registroDeClases()
    {
        const QString nombre = QStringLiteral("TRecursosPrueba");
        QCOMPARE(RegistroClases::busca(nombre), nullptr);
        RegistroClases::registra(nombre, &QObject::staticMetaObject);
        RegistroClases::registra(QStringLiteral("TOtra"), &QObject::staticMetaObject);
        QCOMPARE(RegistroClases::busca(nombre), &QObject::staticMetaObject);
        // A package loaded again replaces its earlier registration.
        RegistroClases::registra(nombre, &QTimer::staticMetaObject);
        QCOMPARE(RegistroClases::busca(nombre), &QTimer::staticMetaObject);
        RegistroClases::quita(nombre);
        QCOMPARE(RegistroClases::busca(nombre), nullptr);
        QCOMPARE(RegistroClases::busca(QStringLiteral("TOtra")), &QObject::staticMetaObject);
        RegistroClases::quita(QStringLiteral("TOtra"));
    }

    void registroMientrasVive()
    {
        const QString nombre = QStringLiteral("TModuloPrueba");
        {
            const TRegistroClase registro(nombre, &QTimer::staticMetaObject);
            QCOMPARE(RegistroClases::busca(nombre), &QTimer::staticMetaObject);
        }
        QCOMPARE(RegistroClases::busca(nombre), nullptr);
    }
};

QTEST_GUILESS_MAIN(TstPrompterRegistro)
#include "tst_prompter_registro.moc"

#include "Errores.h"
#include "Style.h"

#include <QtTest>

#include <functional>

Q_DECLARE_METATYPE(std::function<void()>)

namespace velkor_prueba {
struct FallaPropia : std::logic_error {
    using std::logic_error::logic_error;
};
} // namespace velkor_prueba

class TstErroresEstilo : public QObject {
    Q_OBJECT

private slots:
    void describe_data()
    {
        QTest::addColumn<std::function<void()>>("lanza");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("ECifrado") << std::function<void()>([] { throw ECifrado(QStringLiteral("Ñandú alterado")); })
                                  << "ECifrado error raised, with message : Ñandú alterado";
        QTest::newRow("runtime_error") << std::function<void()>([] { throw std::runtime_error("disco lleno"); })
                                       << "std::runtime_error error raised, with message : disco lleno";
        QTest::newRow("de-otra-biblioteca") << std::function<void()>([] { throw velkor_prueba::FallaPropia("índice"); })
                                            << "velkor_prueba::FallaPropia error raised, with message : índice";
    }

    void describe()
    {
        QFETCH(std::function<void()>, lanza);
        QFETCH(QString, esperado);
        try {
            lanza();
            QFAIL("no se lanzó");
        } catch (const std::exception& e) {
            QCOMPARE(Errores::describe(e), esperado);
        }
    }

    void marca_data()
    {
        QTest::addColumn<QString>("clave");
        QTest::addColumn<bool>("deCasa");
        QTest::newRow("vacia") << QString() << true;
        QTest::newRow("desconocida") << "ZZZ" << true;
        QTest::newRow("otra marca, como se guardó") << " qzp " << false;
    }

    // A brand the build does not know falls back to the house look; a known
    // one must really get its own.
    void marca()
    {
        QFETCH(QString, clave);
        QFETCH(bool, deCasa);
        const Style::TStyleFrm& estilo = Style::StyleFrm();
        const QString casa = QStringLiteral("VK");
        QCOMPARE(estilo.getButtonStyle(clave) == estilo.getButtonStyle(casa), deCasa);
        QCOMPARE(estilo.getButtonFactStyle(clave) == estilo.getButtonFactStyle(casa), deCasa);
        QCOMPARE(estilo.getBannerGradient(clave) == estilo.getBannerGradient(casa), deCasa);
        QCOMPARE(estilo.getRectangleGradient(clave) == estilo.getRectangleGradient(casa), deCasa);
    }
};

QTEST_GUILESS_MAIN(TstErroresEstilo)
#include "tst_errores_estilo.moc"

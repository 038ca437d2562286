#include "Constantes.h"
#include "Errores.h"
#include "Style.h"

#include <QtTest>

#include <functional>

Q_DECLARE_METATYPE(std::function<void()>)

namespace velkor_prueba {
struct FallaPropia : std::logic_error {
    using std::logic_error::logic_error;
};
}  // namespace velkor_prueba

class TstErroresEstilo : public QObject {
    Q_OBJECT

private slots:
    void describe_data()
    {
        QTest::addColumn<std::function<void()>>("lanza");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("EVelkor") << std::function<void()>([] { throw EVelkor(QStringLiteral("falló")); })
                                 << QStringLiteral("EVelkor error raised, with message : falló");
        QTest::newRow("ECifrado") << std::function<void()>([] { throw ECifrado(QStringLiteral("Ñandú alterado")); })
                                  << QStringLiteral("ECifrado error raised, with message : Ñandú alterado");
        QTest::newRow("EBaseDatos")
            << std::function<void()>([] { throw EBaseDatos(QStringLiteral("sin conexión")); })
            << QStringLiteral("EBaseDatos error raised, with message : sin conexión");
        QTest::newRow("runtime_error") << std::function<void()>([] { throw std::runtime_error("disco lleno"); })
                                       << QStringLiteral("std::runtime_error error raised, with message : disco lleno");
        QTest::newRow("de-otra-biblioteca")
            << std::function<void()>([] { throw velkor_prueba::FallaPropia("índice"); })
            << QStringLiteral("velkor_prueba::FallaPropia error raised, with message : índice");
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

    void estiloCompartido()
    {
        QVERIFY(!Style::existeStyleFrm());
        const Style::TStyleFrm& estilo = Style::StyleFrm();
        QVERIFY(Style::existeStyleFrm());
        QCOMPARE(&Style::StyleFrm(), &estilo);

        for (const QString& nombre : {Constantes::RS_TEXTOBLANCO, Constantes::RS_TEXTOAZUL, Constantes::RS_SEPARADOR,
                                      Constantes::RS_NEGRO, Constantes::RS_TEXTOSECCION, Constantes::RS_TEXTOSUBTITULOS,
                                      Constantes::RS_COLORTEXTO})
            QVERIFY2(estilo.color(nombre).isValid(), qPrintable(nombre));
        QVERIFY(!estilo.color(QStringLiteral("NoExiste")).isValid());
    }

    void marcaDesconocidaUsaLaDeCasa_data()
    {
        QTest::addColumn<QString>("clave");
        QTest::newRow("vacia") << QString();
        QTest::newRow("desconocida") << QStringLiteral("ZZZ");
    }

    void marcaDesconocidaUsaLaDeCasa()
    {
        QFETCH(QString, clave);
        const Style::TStyleFrm& estilo = Style::StyleFrm();
        const QString casa = QStringLiteral("VK");
        QCOMPARE(estilo.getButtonStyle(clave), estilo.getButtonStyle(casa));
        QCOMPARE(estilo.getButtonFactStyle(clave), estilo.getButtonFactStyle(casa));
        QCOMPARE(estilo.getBannerGradient(clave), estilo.getBannerGradient(casa));
        QCOMPARE(estilo.getRectangleGradient(clave), estilo.getRectangleGradient(casa));
    }

    void degradadosVerticalesRelativos()
    {
        const Style::TStyleFrm& estilo = Style::StyleFrm();
        for (const QString& clave : {QStringLiteral("VK"), QStringLiteral("QZP")}) {
            for (const QLinearGradient& g : {estilo.getBannerGradient(clave), estilo.getRectangleGradient(clave)}) {
                QCOMPARE(g.coordinateMode(), QGradient::ObjectMode);
                QCOMPARE(g.start(), QPointF(0, 0));
                QCOMPARE(g.finalStop(), QPointF(0, 1));
                QVERIFY(g.stops().size() >= 2);
            }
            for (const QString& hoja : {estilo.getButtonStyle(clave), estilo.getButtonFactStyle(clave)})
                for (const char* estado : {":hover", ":pressed", ":disabled"})
                    QVERIFY2(hoja.contains(QLatin1String("QPushButton") + QLatin1String(estado)), qPrintable(hoja));
        }
        QVERIFY(estilo.getBannerGradient(QStringLiteral("QZP")) != estilo.getBannerGradient(QStringLiteral("VK")));
    }
};

QTEST_GUILESS_MAIN(TstErroresEstilo)
#include "tst_errores_estilo.moc"

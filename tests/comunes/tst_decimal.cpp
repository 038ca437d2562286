#include "Errores.h"
#include "TDecimal.h"

#include <QTest>

class TstDecimal : public QObject {
    Q_OBJECT
private slots:
    void lectura_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<qint64>("millonesimos");
        QTest::addColumn<QString>("canonico");
        QTest::newRow("seis decimales") << "1234567890.123456" << Q_INT64_C(1234567890123456) << "1234567890.123456";
        QTest::newRow("diez centavos") << "0.10" << Q_INT64_C(100000) << "0.1";
        QTest::newRow("millonesimo negativo") << "-0.000001" << Q_INT64_C(-1) << "-0.000001";
        QTest::newRow("maximo") << "999999999999.999999" << TDecimal::MAXIMO << "999999999999.999999";
        QTest::newRow("minimo") << "-999999999999.999999" << -TDecimal::MAXIMO << "-999999999999.999999";
        QTest::newRow("cero negativo") << "-0.00" << Q_INT64_C(0) << "0";
        QTest::newRow("signo mas") << "+5" << Q_INT64_C(5000000) << "5";
        QTest::newRow("ceros a la izquierda") << "007.5" << Q_INT64_C(7500000) << "7.5";
        QTest::newRow("sin entero") << ".5" << Q_INT64_C(500000) << "0.5";
        QTest::newRow("sin decimales tras el punto") << "5." << Q_INT64_C(5000000) << "5";
        QTest::newRow("ceros de mas") << "1.2300000000" << Q_INT64_C(1230000) << "1.23";
        QTest::newRow("blancos") << "  16.00 " << Q_INT64_C(16000000) << "16";
        QTest::newRow("muchos ceros a la izquierda") << "0000000000000001" << Q_INT64_C(1000000) << "1";
    }
    void lectura()
    {
        QFETCH(QString, texto);
        QFETCH(qint64, millonesimos);
        QFETCH(QString, canonico);
        const TDecimal d = TDecimal::desdeTexto(texto);
        QCOMPARE(d.millonesimos(), millonesimos);
        QCOMPARE(d.texto(), canonico);
        QCOMPARE(TDecimal::desdeTexto(d.texto()), d);
    }

    void rechazo_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::newRow("vacio") << "";
        QTest::newRow("solo signo") << "-";
        QTest::newRow("solo punto") << ".";
        QTest::newRow("coma decimal") << "1,5";
        QTest::newRow("separador de miles") << "1,234.50";
        QTest::newRow("exponente") << "1e3";
        QTest::newRow("dos puntos") << "1.2.3";
        QTest::newRow("letras") << "doce";
        QTest::newRow("siete decimales") << "0.1234567";
        QTest::newRow("trece enteros") << "1000000000000";
        QTest::newRow("trece enteros negativo") << "-1000000000000.5";
        QTest::newRow("desborda 64 bits") << "99999999999999999999999";
        QTest::newRow("signo doble") << "--1";
    }
    void rechazo()
    {
        QFETCH(QString, texto);
        TDecimal d;
        QVERIFY(!TDecimal::intenta(texto, d));
        try {
            TDecimal::desdeTexto(texto);
            QFAIL("se aceptó");
        } catch (const EConversion& e) {
            // The user must be able to see which value was refused.
            QVERIFY2(e.mensaje().contains(QLatin1Char('"') + texto + QLatin1Char('"')), qPrintable(e.mensaje()));
        }
    }

    void sumasExactas()
    {
        const auto d = [](const char* texto) { return TDecimal::desdeTexto(QString::fromLatin1(texto)); };
        TDecimal suma;
        for (int i = 0; i < 1000; ++i)
            suma += d("0.10");
        QCOMPARE(suma, TDecimal::desdeEntero(100));
        QCOMPARE((d("0.1") + d("0.2")).texto(), QStringLiteral("0.3"));
        QCOMPARE(d("-0.000001") + d("0.000001"), TDecimal());
        QVERIFY(d("-1") < d("0.000001"));
        QCOMPARE(d("5").texto(2), QStringLiteral("5.00"));
        QCOMPARE(d("1.234567").texto(2), QStringLiteral("1.234567"));
        QCOMPARE(d("-0.5").texto(2), QStringLiteral("-0.50"));
    }

    void sumaFueraDeRango()
    {
        const TDecimal maximo = TDecimal::desdeMillonesimos(TDecimal::MAXIMO);
        const TDecimal millonesimo = TDecimal::desdeMillonesimos(1);
        QVERIFY_THROWS_EXCEPTION(EConversion, maximo + millonesimo);
        QVERIFY_THROWS_EXCEPTION(EConversion, -maximo - millonesimo);
        QVERIFY_THROWS_EXCEPTION(EConversion, TDecimal::desdeMillonesimos(TDecimal::MAXIMO + 1));
        QVERIFY_THROWS_EXCEPTION(EConversion, TDecimal::desdeEntero(1000000000000));
        QCOMPARE(maximo - millonesimo + millonesimo, maximo);
    }
};

QTEST_APPLESS_MAIN(TstDecimal)
#include "tst_decimal.moc"

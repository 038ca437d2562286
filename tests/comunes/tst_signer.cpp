#include "Errores.h"
#include "Signerutils.h"

#include <QtTest>

#include <thread>

using Signerutils::Signer;

namespace {

QString textoLargo()
{
    QString texto;
    for (int i = 0; texto.size() < 10240; ++i)
        texto += QStringLiteral("Línea %1: Ñandú|Pingüino|€ 𝄞 \n").arg(i);
    return texto;
}

} // namespace

class TstSigner : public QObject {
    Q_OBJECT

private slots:
    void idaYVuelta_data()
    {
        QTest::addColumn<QString>("plano");
        QTest::newRow("vacio") << QString();
        QTest::newRow("acentos") << QStringLiteral("Ñandú ÁÉÍÓÚ");
        QTest::newRow("cadena-conexion") << QStringLiteral(
            "FIREBIRD|localhost|/opt/velkor/db/AAA010101AAA/negocio.fdb|SYSDBA|contraseña|3050");
        QTest::newRow("fuera-del-plano-basico") << QStringLiteral("clave 🔑 𝄞");
        QTest::newRow("10kB") << textoLargo();
    }

    void idaYVuelta()
    {
        QFETCH(QString, plano);
        const QString guardado = Signer().crypt(plano);
        QCOMPARE(Signer().decrypt(guardado), plano);
        // Stored passwords and permission texts are compared as stored.
        QCOMPARE(Signer().crypt(plano), guardado);
        for (const QChar c : guardado)
            QVERIFY2(c.unicode() > 0x20 && c.unicode() < 0x7F && c != u'|', qPrintable(guardado));
    }

    void alterado_data()
    {
        QTest::addColumn<QString>("guardado");
        const QString bueno = Signer().crypt(QStringLiteral("FIREBIRD|localhost|negocio.fdb|SYSDBA|masterkey"));
        const int prefijo = bueno.indexOf(u':') + 1;

        QString volteado = bueno;
        const int medio = bueno.size() / 2;
        volteado[medio] = bueno.at(medio) == u'A' ? u'B' : u'A';
        QTest::newRow("un-caracter-cambiado") << volteado;
        QTest::newRow("truncado") << bueno.left(bueno.size() - 4);
        QTest::newRow("solo-prefijo") << bueno.left(prefijo);
        QTest::newRow("vacio") << QString();
        QTest::newRow("texto-plano") << QStringLiteral("hola");
        QTest::newRow("otro-prefijo") << QStringLiteral("v2:") + bueno.mid(prefijo);
        QTest::newRow("no-base64") << QStringLiteral("v1:%%%%$$$$ññññ");
        QTest::newRow("con-salto") << bueno.left(medio) + u'\n' + bueno.mid(medio);

        QByteArray azar(48, '\0');
        QRandomGenerator gen(20240601);
        for (char& b : azar)
            b = static_cast<char>(gen.bounded(256));
        QTest::newRow("bytes-al-azar") << QStringLiteral("v1:") + QString::fromLatin1(azar.toBase64());
    }

    void alterado()
    {
        QFETCH(QString, guardado);
        try {
            const QString leido = Signer().decrypt(guardado);
            QFAIL(qPrintable(QStringLiteral("se aceptó y dio: ") + leido));
        } catch (const ECifrado& e) {
            QCOMPARE(e.mensaje(), QStringLiteral("El texto cifrado no es válido o fue alterado."));
        }
    }

    void hashConocido_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("abc") << QStringLiteral("abc")
                             << QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
        QTest::newRow("utf8") << QStringLiteral("Ñandú")
                              << QStringLiteral("2e823ea625a614e261b34c3376b0a68821f2cb65940e552f0731194f67b65ff4");
    }

    void hashConocido()
    {
        QFETCH(QString, texto);
        QFETCH(QString, esperado);
        QCOMPARE(Signer().hash(texto), esperado);
    }

    void variosHilos()
    {
        // The import thread and the UI thread cipher at the same time.
        const QString plano = QStringLiteral("Ñandú|concurrente");
        const QString esperado = Signer().crypt(plano);
        std::atomic<int> fallas{0};
        auto trabajo = [&] {
            for (int i = 0; i < 200; ++i)
                if (Signer().crypt(plano) != esperado || Signer().decrypt(esperado) != plano)
                    ++fallas;
        };
        std::thread a(trabajo), b(trabajo);
        a.join();
        b.join();
        QCOMPARE(fallas.load(), 0);
    }
};

QTEST_GUILESS_MAIN(TstSigner)
#include "tst_signer.moc"

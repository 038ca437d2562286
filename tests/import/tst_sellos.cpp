#include "Logmanager.h"
#include "Conexiones.h"
#include "EstadoImportacion.h"
#include "ProgramaConsola.h"
#include "negocio/RevisionSellos.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

const QString UUID_ALTERADO = QStringLiteral("C2832672-DA6D-11EF-A83D-00155D012007");
const QString AUTENTICO = VerificacionSello::texto(VerificacionSello::TEstado::Autentico);
const QString ALTERADO = VerificacionSello::texto(VerificacionSello::TEstado::Alterado);

struct TEsperado {
    QString archivo;
    QString rfc;
    QString uuid;
    QString estado;
};

// Three real vouchers and one of them with its total edited by hand (under
// another UUID, so it is stored beside the real one).
QList<TEsperado> preparaCarpeta(const TEntornoImportacion& entorno)
{
    entorno.agrega(QStringLiteral("cfdi32-real.xml"));
    entorno.agrega(QStringLiteral("cfdi33-real.xml"));
    entorno.agrega(QStringLiteral("cfdi40-real.xml"));
    entorno.escribe(QStringLiteral("editado/cfdi40-real.xml"),
                    TEntornoImportacion::variante(QStringLiteral("cfdi40-real.xml"),
                                                  {{"Total=\"1000.00\"", "Total=\"1900.00\""},
                                                   {"C2832671-DA6D", UUID_ALTERADO.left(13).toLatin1()}}));
    return {{QStringLiteral("cfdi32-real.xml"), QStringLiteral("CTO021007DZ8"),
             QStringLiteral("80824F3B-323E-407B-8F8E-40D83FE2E69F"), AUTENTICO},
            {QStringLiteral("cfdi33-real.xml"), QStringLiteral("POT9207213D6"),
             QStringLiteral("CEE4BE01-ADFA-4DEB-8421-ADD60F0BEDAC"), AUTENTICO},
            {QStringLiteral("cfdi40-real.xml"), QStringLiteral("ISD950921HE5"),
             QStringLiteral("C2832671-DA6D-11EF-A83D-00155D012007"), AUTENTICO},
            {QStringLiteral("editado/cfdi40-real.xml"), QStringLiteral("ISD950921HE5"), UUID_ALTERADO, ALTERADO}};
}

} // namespace

// The seal check as a user meets it: a folder where one voucher was edited
// by hand is imported, and the end message, the report and the stored
// vouchers flag that one alone; the command line says the same of each file.
// Vouchers stored before the check are checked afterwards, batch by batch.
class TstSellos : public QObject {
    Q_OBJECT

private slots:
    void unoEditadoAMano()
    {
        TProgramaConsola programa;
        const TEntornoImportacion& entorno = programa.entorno;
        const QList<TEsperado> esperados = preparaCarpeta(entorno);
        const TProgramaConsola::TCorrida corrida = programa.importa();
        QVERIFY2(corrida.salida == 0, qPrintable(corrida.salidaEstandar + corrida.errores));
        QVERIFY2(corrida.salidaEstandar.contains(QStringLiteral("Importados: 4")), qPrintable(corrida.salidaEstandar));
        QVERIFY2(corrida.salidaEstandar.contains(QStringLiteral("\nAlterados: 1 (no corresponden")),
                 qPrintable(corrida.salidaEstandar));

        const QStringList reporte = lineasReporte(entorno.carpeta.ruta());
        QCOMPARE(reporte.size(), 5);
        QVERIFY(reporte.first().endsWith(QStringLiteral("UUID,Sello,Motivo,Entrada del paquete")));

        const QString comprobante = entorno.carpeta.archivo(QStringLiteral("velkor-comprobante"));
        QVERIFY(QFile::copy(QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/velkor-comprobante"), comprobante));
        QFile::setPermissions(comprobante, QFile::ReadOwner | QFile::ExeOwner);
        QProcess verifica;
        verifica.start(comprobante, {QStringLiteral("verifica"), entorno.entrada()});
        QVERIFY(verifica.waitForFinished(120000));
        const QString lineas = QString::fromUtf8(verifica.readAllStandardOutput());
        QCOMPARE(verifica.exitCode(), 1);

        for (const TEsperado& e : esperados) {
            const std::unique_ptr<TComprobante> guardado = TEntornoImportacion::comprobante(e.rfc, e.uuid);
            QVERIFY2(guardado, qPrintable(e.archivo));
            QCOMPARE(guardado->getVerificacionsello(), e.estado);
            QVERIFY(!guardado->getMotivoverificacion().isEmpty());
            const QString ruta = entorno.entrada() + e.archivo;
            const auto fila = std::find_if(reporte.cbegin(), reporte.cend(),
                                           [&](const QString& l) { return l.startsWith(ruta + QLatin1Char(',')); });
            QVERIFY2(fila != reporte.cend(), qPrintable(ruta));
            QVERIFY2(fila->contains(QStringLiteral(",%1,%2,").arg(e.uuid, e.estado)), qPrintable(*fila));
            // The command line agrees with the import, file by file.
            QVERIFY2(lineas.contains(QStringLiteral("%1: %2. ").arg(ruta, e.estado)), qPrintable(lineas));
        }

        // The stored vouchers, by their business and a user of it: checked
        // again from their stored XML, and printed with the check stored.
        const auto corre = [&](const QStringList& argumentos, const QByteArray& password) {
            QProcess p;
            p.start(comprobante, argumentos);
            p.write(password + '\n');
            p.closeWriteChannel();
            p.waitForFinished(120000);
            return std::pair{p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
        };
        const QStringList delNegocio = {QStringLiteral("--rfc"), QStringLiteral("ISD950921HE5"),
                                        QStringLiteral("--correo"), QString::fromUtf8(TEntornoImportacion::EMAIL)};
        const auto [salidaGuardados, textoGuardados] =
            corre(QStringList{QStringLiteral("verifica")} + delNegocio, TEntornoImportacion::PASSWORD);
        QCOMPARE(salidaGuardados, 1);
        QVERIFY2(textoGuardados.contains(UUID_ALTERADO + QStringLiteral(": Alterado.")), qPrintable(textoGuardados));
        QVERIFY2(textoGuardados.contains(esperados.at(2).uuid + QStringLiteral(": Auténtico.")),
                 qPrintable(textoGuardados));
        QCOMPARE(corre(QStringList{QStringLiteral("verifica")} + delNegocio, "otra").first, 4);
        const QString pdf = entorno.carpeta.archivo(QStringLiteral("alterado.pdf"));
        const auto [salidaPdf, textoPdf] = corre(QStringList{QStringLiteral("pdf"), QStringLiteral("--uuid"),
                                                             UUID_ALTERADO.toLower(), QStringLiteral("--salida"), pdf} +
                                                     delNegocio,
                                                 TEntornoImportacion::PASSWORD);
        QVERIFY2(salidaPdf == 0, qPrintable(textoPdf));
        QProcess texto;
        texto.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(texto.waitForFinished(60000));
        const QString leido = QString::fromUtf8(texto.readAllStandardOutput());
        QVERIFY2(leido.contains(UUID_ALTERADO) && leido.contains(QStringLiteral("Alterado")), qPrintable(leido));
    }

    void ordenes_data()
    {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<int>("salida");
        QTest::addColumn<QString>("dice");
        const QString real = TEntornoImportacion::dato(QStringLiteral("cfdi40-real.xml"));
        QTest::newRow("sin orden") << QStringList() << 2 << QStringLiteral("Falta la orden");
        QTest::newRow("orden desconocida")
            << QStringList{QStringLiteral("firma")} << 2 << QStringLiteral("Orden desconocida: firma");
        QTest::newRow("ayuda") << QStringList{QStringLiteral("--help")} << 0
                               << QStringLiteral("Uso: velkor-comprobante verifica");
        QTest::newRow("verifica sin archivos")
            << QStringList{QStringLiteral("verifica")} << 2 << QStringLiteral("Falta el archivo o la carpeta");
        QTest::newRow("auténtico") << QStringList{QStringLiteral("verifica"), real} << 0
                                   << QStringLiteral("cfdi40-real.xml: Auténtico.");
        QTest::newRow("versión que no se verifica")
            << QStringList{QStringLiteral("verifica"), TEntornoImportacion::dato(QStringLiteral("cfdv2.xml"))} << 3
            << QStringLiteral("cfdv2.xml: No verificable.");
        QTest::newRow("archivo que no existe")
            << QStringList{QStringLiteral("verifica"), real, QStringLiteral("/no/existe.xml")} << 3
            << QStringLiteral("\"/no/existe.xml\" no existe");
        QTest::newRow("pdf sin salida") << QStringList{QStringLiteral("pdf"), real} << 2
                                        << QStringLiteral("Falta el archivo PDF");
        QTest::newRow("pdf") << QStringList{QStringLiteral("pdf"), real, QStringLiteral("--salida"),
                                            QStringLiteral("SALIDA")}
                             << 0 << QStringLiteral("Se escribió");
    }

    // The command line's use, its messages and its exit statuses.
    void ordenes()
    {
        QFETCH(QStringList, argumentos);
        QFETCH(int, salida);
        QFETCH(QString, dice);
        TCarpetaPrograma carpeta;
        const QString programa = carpeta.archivo(QStringLiteral("velkor-comprobante"));
        QVERIFY(QFile::copy(QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/velkor-comprobante"), programa));
        QFile::setPermissions(programa, QFile::ReadOwner | QFile::ExeOwner);
        const QString pdf = carpeta.archivo(QStringLiteral("salida.pdf"));
        argumentos.replaceInStrings(QStringLiteral("SALIDA"), pdf);
        QProcess proceso;
        proceso.start(programa, argumentos);
        QVERIFY(proceso.waitForFinished(120000));
        const QString todo =
            QString::fromUtf8(proceso.readAllStandardOutput()) + QString::fromUtf8(proceso.readAllStandardError());
        QCOMPARE(proceso.exitCode(), salida);
        QVERIFY2(todo.contains(dice), qPrintable(todo));
        if (argumentos.contains(pdf)) {
            QVERIFY(TCarpetaPrograma::lee(pdf).startsWith("%PDF"));
            QCOMPARE(TCarpetaPrograma::modo(pdf), 0600);
        }
    }

    // A business whose vouchers were stored before the check (the column
    // empty) gets them checked on a thread, with its progress, and the
    // next pass has nothing left.
    void revisaLosGuardados()
    {
        TEntornoImportacion entorno;
        const QList<TEsperado> esperados = preparaCarpeta(entorno);
        entorno.importaCarpeta(10);
        const TConexionSesion conexion = TEntornoImportacion::conexion(QStringLiteral("ISD950921HE5"));
        const std::unique_ptr<TNegocio> negocio = TNegocio::getByRFC(QStringLiteral("ISD950921HE5"), conexion);
        QVERIFY(negocio);
        {
            // As an earlier version left them.
            TTransaccion t(conexion);
            for (TComprobante c : TComprobante::busca(
                     TComprobante::columna(TComprobante::col_Negocio) == negocio->getIdnegocio(), conexion)) {
                c.setVerificacionsello(QString());
                c.setMotivoverificacion(QString());
                TUnidadTrabajo(conexion, -1).guarda(c);
            }
            t.commit();
        }
        QCOMPARE(RevisionSellos::pendientes(conexion, negocio->getIdnegocio()), 2);

        THiloRevisionSellos hilo(conexion, negocio->getIdnegocio(), -1);
        QSignalSpy avance(&hilo, &THiloRevisionSellos::avance);
        hilo.start();
        QVERIFY(hilo.wait(120000));
        QCOMPARE(hilo.error(), QString());
        QCOMPARE(avance.size(), 1);
        QCOMPARE(avance.first(), (QVariantList{2, 2, 1}));
        QCOMPARE(RevisionSellos::pendientes(conexion, negocio->getIdnegocio()), 0);
        for (const TEsperado& e : esperados.mid(2))
            QCOMPARE(TEntornoImportacion::comprobante(e.rfc, e.uuid)->getVerificacionsello(), e.estado);
        QCOMPARE(RevisionSellos::revisa(conexion, negocio->getIdnegocio(), -1, 10).revisados, 0);
    }
};

QTEST_GUILESS_MAIN(TstSellos)
#include "tst_sellos.moc"

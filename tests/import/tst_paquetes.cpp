#include "EstadoImportacion.h"
#include "PaquetesPrueba.h"
#include "ProgramaConsola.h"

#include "import/ImportacionCarpeta.h"

#include <QThread>
#include <QUuid>

#include <csignal>

namespace {

const QString RFC = QStringLiteral("ISD950921HE5");
const QByteArray UUID_REAL = "C2832671-DA6D-11EF-A83D-00155D012007";
const QString ENCABEZADO = QStringLiteral("Uuid~RfcEmisor~NombreEmisor~RfcReceptor~NombreReceptor~RfcPac~FechaEmision~"
                                          "FechaCertificacionSat~Monto~EfectoComprobante~Estatus~FechaCancelacion");

QString uuidNuevo()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QByteArray voucher(const QString& uuid)
{
    return TEntornoImportacion::variante(QStringLiteral("cfdi40-real.xml"), {{UUID_REAL, uuid.toLatin1()}});
}

// One metadata row of the real voucher's issuer, as the SAT writes it.
QString fila(const QString& uuid, const QString& monto, bool cancelado, const QString& emisor = RFC)
{
    return QStringLiteral("%1~%2~PASE, SERVICIOS \"ELECTRÓNICOS\" & CÍA~COSC8001137NA~CARLOS CORTÉS SOTO~"
                          "SAT970701NN3~2025-01-24 10:10:41~2025-01-24 10:11:00~%3~I~%4~%5")
        .arg(uuid, emisor, monto, cancelado ? QStringLiteral("0") : QStringLiteral("1"),
             cancelado ? QStringLiteral("2025-02-01 12:30:00") : QString());
}

// A metadata file: CRLF line ends, the last line without one.
QByteArray metadatos(const QStringList& filas)
{
    return (QStringList{ENCABEZADO} + filas).join(QStringLiteral("\r\n")).toUtf8();
}

QDateTime dia(int d)
{
    return QDateTime(QDate(2025, 3, d), QTime(8, 0));
}

// The report row of a package's entry.
QString filaDe(const QStringList& reporte, const QString& paquete, const QString& entrada)
{
    for (const QString& l : reporte)
        if (l.startsWith(paquete + u',') && l.endsWith(u',' + entrada))
            return l;
    return QString();
}

} // namespace

// The SAT's packages as a user gets them: a folder of ZIPs of vouchers and
// of metadata, mixed with loose files, imported by velkor-importar as is.
class TstPaquetes : public QObject {
    Q_OBJECT
private slots:
    void carpetaDePaquetes()
    {
        TProgramaConsola programa;
        const TEntornoImportacion& e = programa.entorno;
        const QString cancelado = uuidNuevo();
        const QString vigente = uuidNuevo();
        const QString distinto = uuidNuevo().toLower();
        const QString faltante = uuidNuevo();
        const QString paqueteCfdi = e.entrada() + QStringLiteral("A1B2C3_01.zip");
        QVERIFY(PaquetesPrueba::escribe(
            paqueteCfdi, {{cancelado + QStringLiteral(".xml"), voucher(cancelado), dia(1)},
                          {vigente + QStringLiteral(".xml.xml"), voucher(vigente), dia(1)},
                          {distinto + QStringLiteral(".XML"), voucher(distinto), dia(1)},
                          {QStringLiteral("carpeta/"), {}, dia(1)},
                          {QStringLiteral("__MACOSX/._") + cancelado + QStringLiteral(".xml"), "Mac", dia(1)},
                          {QStringLiteral("._recurso.xml"), "Mac", dia(1)},
                          {QStringLiteral("vacio.xml"), {}, dia(1)},
                          {QStringLiteral("leeme.txt"), "Paquete de prueba", dia(1)}}));
        // The newer metadata package says one voucher was cancelled; an
        // older one, read after it, still lists it in force.
        const QString nuevo = e.entrada() + QStringLiteral("meta/A1_01.zip");
        QDir().mkpath(e.entrada() + QStringLiteral("meta"));
        QVERIFY(PaquetesPrueba::escribe(
            nuevo, {{QStringLiteral("A1_01.txt"),
                     metadatos({fila(cancelado, QStringLiteral("1000.00"), true),
                                fila(vigente.toLower(), QStringLiteral("1000.00"), false),
                                fila(distinto.toUpper(), QStringLiteral("1000.01"), false),
                                fila(faltante, QStringLiteral("250.50"), false),
                                fila(uuidNuevo(), QStringLiteral("1.00"), false, QStringLiteral("XAXX010101000"))}),
                     dia(5)}}));
        const QString viejo = e.entrada() + QStringLiteral("meta/B0_01.zip");
        QVERIFY(PaquetesPrueba::escribe(
            viejo,
            {{QStringLiteral("B0_01.txt"), metadatos({fila(cancelado, QStringLiteral("1000.00"), false)}), dia(2)}}));
        // A damaged package fails alone.
        const QString danado = e.entrada() + QStringLiteral("roto.zip");
        QVERIFY(PaquetesPrueba::escribe(danado, {{uuidNuevo() + QStringLiteral(".xml"), voucher(uuidNuevo()), {}}}));
        QVERIFY(PaquetesPrueba::corta(danado, QFileInfo(danado).size() / 2));

        const int contados = ImportacionCarpeta::cuenta(e.entrada());
        const QString conciliacion = e.carpeta.archivo(QStringLiteral("conciliacion.csv"));
        const TProgramaConsola::TCorrida corrida =
            programa.corre({e.entrada(), QStringLiteral("--correo"), QString::fromUtf8(TEntornoImportacion::EMAIL),
                            QStringLiteral("--conciliacion"), conciliacion},
                           QByteArrayLiteral("Clave#1\n"));
        const QString salida = corrida.salidaEstandar;
        QVERIFY2(corrida.salida == 1, qPrintable(salida + corrida.errores));
        for (const QString& texto :
             {QStringLiteral("Importados: 3\n"), QStringLiteral("\nFallidos: 1\n"),
              QStringLiteral("\nPaquetes ZIP: 4, con 10 archivos dentro\n"),
              QStringLiteral("\nMetadatos del SAT: 2 archivos, 6 filas (1 de RFC sin negocio"),
              QStringLiteral("\nCancelados ante el SAT: 1 comprobantes"),
              QStringLiteral("1 cancelados, 1 sin XML, 0 sin metadatos, 1 con importe distinto")})
            QVERIFY2(salida.contains(texto), qPrintable(texto + QStringLiteral(" en:\n") + salida));

        // Every entry has its row, naming its package; the count the
        // progress bar is given is the number of rows.
        const QStringList reporte = lineasReporte(e.carpeta.ruta());
        QCOMPARE(reporte.size() - 1, contados);
        QCOMPARE(contados, 11);
        const QList<QPair<QString, QString>> esperadas = {
            {cancelado + QStringLiteral(".xml"), QStringLiteral(",Importado,")},
            {vigente + QStringLiteral(".xml.xml"), QStringLiteral(",Importado,")},
            {distinto + QStringLiteral(".XML"), QStringLiteral(",Importado,")},
            {QStringLiteral("carpeta/"), QStringLiteral(",Omitido,")},
            {QStringLiteral("__MACOSX/._") + cancelado + QStringLiteral(".xml"), QStringLiteral(",Omitido,")},
            {QStringLiteral("._recurso.xml"), QStringLiteral(",Omitido,")},
            {QStringLiteral("vacio.xml"), QStringLiteral(",Omitido,")},
            {QStringLiteral("leeme.txt"), QStringLiteral(",Omitido,")}};
        for (const auto& [entrada, estado] : esperadas) {
            const QString l = filaDe(reporte, paqueteCfdi, entrada);
            QVERIFY2(l.contains(estado), qPrintable(entrada + QStringLiteral(": ") + l));
        }
        QVERIFY(filaDe(reporte, nuevo, QStringLiteral("A1_01.txt")).contains(QStringLiteral(",Metadatos,")));
        QVERIFY(reporte.join(u'\n').contains(danado + QStringLiteral(",Fallido,")));

        // The voucher the newer package cancelled stays cancelled, the rest
        // in force; UUIDs match whatever their case.
        QCOMPARE(TEntornoImportacion::comprobante(RFC, cancelado)->getEstatus(),
                 TComprobante::ESTADO_FACTURA_CANCELADA);
        for (const QString& uuid : {vigente, distinto})
            QCOMPARE(TEntornoImportacion::comprobante(RFC, uuid)->getEstatus(), TComprobante::ESTADO_FACTURA_ACTIVA);

        const QString csv = QString::fromUtf8(TEntornoImportacion::bytes(conciliacion));
        QCOMPARE(TCarpetaPrograma::modo(conciliacion), 0600);
        QVERIFY2(csv.contains(
                     QStringLiteral("%1,%2,Cancelado,2025-01-24 10:10:41,2025-02-01 12:30:00,").arg(RFC, cancelado)),
                 qPrintable(csv));
        QVERIFY(csv.contains(QStringLiteral("%1,%2,Falta el XML,").arg(RFC, faltante)));
        QVERIFY(csv.contains(QStringLiteral("%1,%2,Importe distinto,").arg(RFC, distinto.toUpper())));
        QVERIFY(csv.contains(QStringLiteral(",1000,1000.01\r\n")));

        // Again: nothing new is stored or marked.
        const TProgramaConsola::TCorrida otra =
            programa.corre({e.entrada(), QStringLiteral("--correo"), QString::fromUtf8(TEntornoImportacion::EMAIL)},
                           QByteArrayLiteral("Clave#1\n"));
        QVERIFY2(otra.salidaEstandar.contains(QStringLiteral("Importados: 0\nYa existían: 3\n")),
                 qPrintable(otra.salidaEstandar));
        QVERIFY(!otra.salidaEstandar.contains(QStringLiteral("Cancelados ante el SAT")));
    }

    // A package that is unsafe or would expand beyond the limits is refused
    // whole, with one row saying why, and the job goes on.
    void paqueteRechazado_data()
    {
        QTest::addColumn<QString>("tipo");
        QTest::newRow("sale de la carpeta") << QStringLiteral("ruta");
        QTest::newRow("bomba") << QStringLiteral("bomba");
    }
    void paqueteRechazado()
    {
        QFETCH(QString, tipo);
        TProgramaConsola programa;
        const TEntornoImportacion& e = programa.entorno;
        const QString paquete = e.entrada() + QStringLiteral("paquete.zip");
        if (tipo == QLatin1String("ruta")) {
            const QString uuid = uuidNuevo();
            QVERIFY(PaquetesPrueba::escribe(paquete, {{uuid + QStringLiteral(".xml"), voucher(uuid), {}},
                                                      {QStringLiteral("../../fuera.xml"), voucher(uuidNuevo()), {}}}));
        } else {
            QVERIFY(PaquetesPrueba::bomba(paquete, 2, 3ull << 30) > 0);
        }
        e.escribe(QStringLiteral("suelto.xml"), voucher(uuidNuevo()));
        QCOMPARE(ImportacionCarpeta::cuenta(e.entrada()), 2);
        const TProgramaConsola::TCorrida corrida = programa.importa();
        QVERIFY2(corrida.salida == 1, qPrintable(corrida.salidaEstandar + corrida.errores));
        QVERIFY(corrida.salidaEstandar.contains(QStringLiteral("Importados: 1\n")));
        const QStringList reporte = lineasReporte(e.carpeta.ruta());
        QCOMPARE(reporte.size(), 3);
        QVERIFY2(reporte.join(u'\n').contains(paquete + QStringLiteral(",Fallido,")), qPrintable(reporte.join(u'\n')));
        QVERIFY(!QFileInfo::exists(e.carpeta.archivo(QStringLiteral("fuera.xml"))));
    }

    // Killed while it reads packages of vouchers and metadata, then run
    // again: the same as one run that was never stopped.
    void muertaYRepetida_data()
    {
        QTest::addColumn<int>("tomados");
        QTest::newRow("kill -9 antes del primer commit") << 40;
        QTest::newRow("kill -9 en el segundo paquete") << 110;
        QTest::newRow("kill -9 en los metadatos") << 161;
    }
    void muertaYRepetida()
    {
        QFETCH(int, tomados);
        if (!m_corpus)
            preparaCorpus();
        TProgramaConsola programa;
        QProcess proceso;
        programa.inicia(proceso, argumentos(), QByteArrayLiteral("Clave#1\n"));
        while (proceso.state() == QProcess::Running && archivosTomados() < tomados)
            QThread::usleep(500);
        ::kill(static_cast<pid_t>(proceso.processId()), SIGKILL);
        QVERIFY(proceso.waitForFinished(240000));

        const TProgramaConsola::TCorrida otra = programa.corre(argumentos(), QByteArrayLiteral("Clave#1\n"));
        QVERIFY2(otra.salida == 0, qPrintable(otra.salidaEstandar + otra.errores));
        QCOMPARE(estado(), m_limpio);
    }

private:
    // Two packages of 80 vouchers and one of their metadata (a quarter
    // cancelled), and what one run leaves.
    void preparaCorpus()
    {
        m_corpus = std::make_unique<QTemporaryDir>();
        QList<PaquetesPrueba::TEntrada> uno, dos;
        QStringList filas;
        for (int i = 0; i < 160; ++i) {
            const QString uuid = uuidNuevo();
            (i < 80 ? uno : dos).append({uuid + QStringLiteral(".xml"), voucher(uuid), dia(1)});
            filas << fila(uuid, QStringLiteral("1000.00"), i % 4 == 0);
        }
        QVERIFY(PaquetesPrueba::escribe(m_corpus->filePath(QStringLiteral("C_01.zip")), uno));
        QVERIFY(PaquetesPrueba::escribe(m_corpus->filePath(QStringLiteral("C_02.zip")), dos));
        QVERIFY(PaquetesPrueba::escribe(m_corpus->filePath(QStringLiteral("M_01.zip")),
                                        {{QStringLiteral("M_01.txt"), metadatos(filas), dia(3)}}));
        TProgramaConsola limpio;
        const TProgramaConsola::TCorrida corrida = limpio.corre(argumentos(), QByteArrayLiteral("Clave#1\n"));
        QVERIFY2(corrida.salida == 0, qPrintable(corrida.salidaEstandar + corrida.errores));
        QVERIFY(corrida.salidaEstandar.contains(QStringLiteral("Cancelados ante el SAT: 40 ")));
        m_limpio = estado();
    }
    QStringList argumentos() const
    {
        return {m_corpus->path(), QStringLiteral("--correo"), QString::fromUtf8(TEntornoImportacion::EMAIL)};
    }

    std::unique_ptr<QTemporaryDir> m_corpus;
    QStringList m_limpio;
};

QTEST_GUILESS_MAIN(TstPaquetes)
#include "tst_paquetes.moc"

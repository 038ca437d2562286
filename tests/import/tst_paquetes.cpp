#include "EstadoImportacion.h"
#include "PaquetesPrueba.h"
#include "ProgramaConsola.h"
#include "ServidoresBaseDatos.h"

#include "import/ImportacionCarpeta.h"
#include "import/ImportacionConsola.h"

#include <QThread>

#include <csignal>

using namespace Qt::StringLiterals;
using E = TEntornoImportacion;

namespace {

const QString RFC = u"ISD950921HE5"_s;
const QString ENCABEZADO = u"Uuid~RfcEmisor~NombreEmisor~RfcReceptor~NombreReceptor~RfcPac~FechaEmision~"
                           "FechaCertificacionSat~Monto~EfectoComprobante~Estatus~FechaCancelacion"_s;

// One metadata row of the real voucher's issuer, as the SAT writes it.
QString fila(const QString& uuid, const QString& monto, bool cancelado, const QString& emisor = RFC)
{
    return u"%1~%2~PASE, SERVICIOS \"ELECTRÓNICOS\" & CÍA~COSC8001137NA~CARLOS CORTÉS SOTO~"
           "SAT970701NN3~2025-01-24 10:10:41~2025-01-24 10:11:00~%3~I~%4~%5"_s.arg(
               uuid, emisor, monto, cancelado ? u"0"_s : u"1"_s, cancelado ? u"2025-02-01 12:30:00"_s : QString());
}

// A metadata file: CRLF line ends, the last line without one.
QByteArray metadatos(const QStringList& filas)
{
    return (QStringList{ENCABEZADO} + filas).join(u"\r\n"_s).toUtf8();
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
        const QString cancelado = E::uuidNuevo();
        const QString vigente = E::uuidNuevo();
        const QString distinto = E::uuidNuevo().toLower();
        const QString faltante = E::uuidNuevo();
        const QString paqueteCfdi = e.entrada() + u"A1B2C3_01.zip"_s;
        // The first three are imported, the rest left out.
        const QList<PaquetesPrueba::TEntrada> entradas{{cancelado + u".xml"_s, E::cfdi40(cancelado), dia(1)},
                                                       {vigente + u".xml.xml"_s, E::cfdi40(vigente), dia(1)},
                                                       {distinto + u".XML"_s, E::cfdi40(distinto), dia(1)},
                                                       {u"carpeta/"_s, {}, dia(1)},
                                                       {u"__MACOSX/._"_s + cancelado + u".xml"_s, "Mac", dia(1)},
                                                       {u"._recurso.xml"_s, "Mac", dia(1)},
                                                       {u"vacio.xml"_s, {}, dia(1)},
                                                       {u"leeme.txt"_s, "Paquete de prueba", dia(1)},
                                                       {u"=1+2.xml"_s, {}, dia(1)}};
        QVERIFY(PaquetesPrueba::escribe(paqueteCfdi, entradas));
        // The newer metadata package says one voucher was cancelled; an
        // older one, read after it, still lists it in force.
        const QString nuevo = e.entrada() + u"meta/A1_01.zip"_s;
        QDir().mkpath(e.entrada() + u"meta"_s);
        QVERIFY(PaquetesPrueba::escribe(
            nuevo, {{u"A1_01.txt"_s,
                     metadatos({fila(cancelado, u"1000.00"_s, true), fila(vigente.toLower(), u"1000.00"_s, false),
                                fila(distinto.toUpper(), u"1000.01"_s, false), fila(faltante, u"250.50"_s, false),
                                fila(E::uuidNuevo(), u"1.00"_s, false, u"XAXX010101000"_s)}),
                     dia(5)}}));
        const QString viejo = e.entrada() + u"meta/B0_01.zip"_s;
        QVERIFY(PaquetesPrueba::escribe(viejo,
                                        {{u"B0_01.txt"_s, metadatos({fila(cancelado, u"1000.00"_s, false)}), dia(2)}}));
        // A damaged package fails alone.
        const QString danado = e.entrada() + u"roto.zip"_s;
        QVERIFY(PaquetesPrueba::escribe(danado, {{E::uuidNuevo() + u".xml"_s, E::cfdi40(E::uuidNuevo()), {}}}));
        QVERIFY(PaquetesPrueba::corta(danado, QFileInfo(danado).size() / 2));

        const int contados = ImportacionCarpeta::cuenta(e.entrada());
        const QString conciliacion = e.carpeta.archivo(u"conciliacion.csv"_s);
        const TProgramaConsola::TCorrida corrida = programa.corre(
            {e.entrada(), u"--correo"_s, QString::fromUtf8(E::EMAIL), u"--conciliacion"_s, conciliacion});
        const QString salida = corrida.salidaEstandar;
        QVERIFY2(corrida.salida == 1, qPrintable(salida + corrida.errores));
        for (const QString& texto :
             {u"Importados: 3\n"_s, u"\nFallidos: 1\n"_s, u"\nPaquetes ZIP: 4, con 11 archivos dentro\n"_s,
              u"\nMetadatos del SAT: 2 archivos, 6 filas (1 de RFC sin negocio"_s,
              u"\nCancelados ante el SAT: 1 comprobantes"_s,
              u"1 cancelados, 1 sin XML, 0 sin metadatos, 1 con importe distinto"_s})
            QVERIFY2(salida.contains(texto), qPrintable(texto + u" en:\n"_s + salida));

        // Every entry has its row, naming its package; the count the
        // progress bar is given is the number of rows.
        const QStringList reporte = lineasReporte(e.carpeta.ruta());
        QCOMPARE(reporte.size() - 1, contados);
        QCOMPARE(contados, 12);
        for (int i = 0; i < entradas.size(); ++i) {
            // A name a spreadsheet would run as a formula is written as text.
            const QString nombre = entradas.at(i).nombre;
            const QString l = filaDe(reporte, paqueteCfdi, nombre.startsWith(u'=') ? u'\'' + nombre : nombre);
            QVERIFY2(l.contains(i < 3 ? u",Importado,"_s : u",Omitido,"_s), qPrintable(nombre + u": "_s + l));
        }
        QVERIFY(filaDe(reporte, nuevo, u"A1_01.txt"_s).contains(u",Metadatos,"_s));
        QVERIFY(reporte.join(u'\n').contains(danado + u",Fallido,"_s));

        // The voucher the newer package cancelled stays cancelled, the rest
        // in force; UUIDs match whatever their case.
        QCOMPARE(E::comprobante(RFC, cancelado)->getEstatus(), TComprobante::ESTADO_FACTURA_CANCELADA);
        for (const QString& uuid : {vigente, distinto})
            QCOMPARE(E::comprobante(RFC, uuid)->getEstatus(), TComprobante::ESTADO_FACTURA_ACTIVA);

        const QString csv = QString::fromUtf8(E::bytes(conciliacion));
        QCOMPARE(TCarpetaPrograma::modo(conciliacion), 0600);
        QVERIFY2(csv.contains(u"%1,%2,Cancelado,2025-01-24 10:10:41,2025-02-01 12:30:00,"_s.arg(RFC, cancelado)),
                 qPrintable(csv));
        QVERIFY(csv.contains(u"%1,%2,Falta el XML,"_s.arg(RFC, faltante)));
        QVERIFY(csv.contains(u"%1,%2,Importe distinto,"_s.arg(RFC, distinto.toUpper())));
        QVERIFY(csv.contains(u",1000,1000.01\r\n"_s));

        // Again: nothing new is stored or marked.
        const TProgramaConsola::TCorrida otra = programa.importa();
        QVERIFY2(otra.salidaEstandar.contains(u"Importados: 0\nYa existían: 3\n"_s), qPrintable(otra.salidaEstandar));
        QVERIFY(!otra.salidaEstandar.contains(u"Cancelados ante el SAT"_s));
    }

    // Into a business on a database server: the metadata of the job's own
    // vouchers is stored in the same run.
    void metadatosEnServidor()
    {
        if (const QString falta = TServidorBaseDatos::faltante(TServidorBaseDatos::Tipo::MariaDB); !falta.isEmpty())
            QSKIP(qPrintable(falta));
        TServidorBaseDatos servidor(TServidorBaseDatos::Tipo::MariaDB);
        QVERIFY2(servidor.inicia(), qPrintable(servidor.error()));
        qputenv(ImportacionConsola::VARIABLE_CLAVE_SERVIDOR, servidor.password().toUtf8());
        TProgramaConsola programa;
        const QString uuid = E::uuidNuevo();
        programa.entorno.escribe(uuid + u".xml"_s, E::cfdi40(uuid));
        programa.entorno.escribe(u"A1_01.txt"_s, metadatos({fila(uuid, u"1000.00"_s, true)}));
        const TProgramaConsola::TCorrida corrida =
            programa.corre({programa.entorno.entrada(), u"--correo"_s, QString::fromUtf8(E::EMAIL), u"--servidor"_s,
                            u"mysql://%1@127.0.0.1:%2"_s.arg(servidor.usuario()).arg(servidor.puerto())});
        QVERIFY2(corrida.salida == 0 && corrida.salidaEstandar.contains(u"\nCancelados ante el SAT: 1 "_s),
                 qPrintable(corrida.salidaEstandar + corrida.errores));
        QVERIFY(E::conexion(RFC).enServidor());
        QCOMPARE(E::comprobante(RFC, uuid)->getEstatus(), TComprobante::ESTADO_FACTURA_CANCELADA);
        Conexiones::cierraHilo();
    }

    // A package that is unsafe or would expand beyond the limits is refused
    // whole, with one row saying why, and the job goes on.
    void paqueteRechazado_data()
    {
        QTest::addColumn<QString>("tipo");
        QTest::newRow("sale de la carpeta") << u"ruta"_s;
        QTest::newRow("bomba") << u"bomba"_s;
    }
    void paqueteRechazado()
    {
        QFETCH(QString, tipo);
        TProgramaConsola programa;
        const TEntornoImportacion& e = programa.entorno;
        const QString paquete = e.entrada() + u"paquete.zip"_s;
        if (tipo == "ruta"_L1) {
            const QString uuid = E::uuidNuevo();
            QVERIFY(PaquetesPrueba::escribe(paquete, {{uuid + u".xml"_s, E::cfdi40(uuid), {}},
                                                      {u"../../fuera.xml"_s, E::cfdi40(E::uuidNuevo()), {}}}));
        } else {
            QVERIFY(PaquetesPrueba::bomba(paquete, 2, 3ull << 30) > 0);
        }
        e.escribe(u"suelto.xml"_s, E::cfdi40(E::uuidNuevo()));
        QCOMPARE(ImportacionCarpeta::cuenta(e.entrada()), 2);
        const TProgramaConsola::TCorrida corrida = programa.importa();
        QVERIFY2(corrida.salida == 1, qPrintable(corrida.salidaEstandar + corrida.errores));
        QVERIFY(corrida.salidaEstandar.contains(u"Importados: 1\n"_s));
        const QStringList reporte = lineasReporte(e.carpeta.ruta());
        QCOMPARE(reporte.size(), 3);
        QVERIFY2(reporte.join(u'\n').contains(paquete + u",Fallido,"_s), qPrintable(reporte.join(u'\n')));
        QVERIFY(!QFileInfo::exists(e.carpeta.archivo(u"fuera.xml"_s)));
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
        // A corpus that could not be made fails the row here, not later as a
        // confusing difference with an incomplete run.
        if (QTest::currentTestFailed())
            return;
        TProgramaConsola programa;
        QProcess proceso;
        programa.inicia(proceso, argumentos());
        while (proceso.state() == QProcess::Running && archivosTomados() < tomados)
            QThread::usleep(500);
        ::kill(static_cast<pid_t>(proceso.processId()), SIGKILL);
        QVERIFY(proceso.waitForFinished(240000));

        const TProgramaConsola::TCorrida otra = programa.corre(argumentos());
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
            const QString uuid = E::uuidNuevo();
            (i < 80 ? uno : dos).append({uuid + u".xml"_s, E::cfdi40(uuid), dia(1)});
            filas << fila(uuid, u"1000.00"_s, i % 4 == 0);
        }
        QVERIFY(PaquetesPrueba::escribe(m_corpus->filePath(u"C_01.zip"_s), uno));
        QVERIFY(PaquetesPrueba::escribe(m_corpus->filePath(u"C_02.zip"_s), dos));
        QVERIFY(
            PaquetesPrueba::escribe(m_corpus->filePath(u"M_01.zip"_s), {{u"M_01.txt"_s, metadatos(filas), dia(3)}}));
        TProgramaConsola limpio;
        const TProgramaConsola::TCorrida corrida = limpio.corre(argumentos());
        QVERIFY2(corrida.salida == 0, qPrintable(corrida.salidaEstandar + corrida.errores));
        QVERIFY(corrida.salidaEstandar.contains(u"Cancelados ante el SAT: 40 "_s));
        m_limpio = estado();
    }
    QStringList argumentos() const { return {m_corpus->path(), u"--correo"_s, QString::fromUtf8(E::EMAIL)}; }

    std::unique_ptr<QTemporaryDir> m_corpus;
    QStringList m_limpio;
};

QTEST_GUILESS_MAIN(TstPaquetes)
#include "tst_paquetes.moc"

#include "EntornoImportacion.h"

#include "Logmanager.h"
#include "Rutas.h"
#include "Sistema.h"
#include "import/TImportacionParalela.h"

#include <QDirIterator>
#include <QRegularExpression>

using namespace Qt::StringLiterals;
using namespace Constantes;
using Estado = TResultadoArchivo::TEstado;

namespace {

const auto& MUESTRAS = TEntornoImportacion::MUESTRAS;
const int EMISORES = int(MUESTRAS.size());

// The i-th sample, with a fresh UUID, written to carpeta/<i>.xml.
void escribeMuestra(const TEntornoImportacion& entorno, int i, const QString& carpeta)
{
    entorno.escribe(u"%1/%2.xml"_s.arg(carpeta).arg(i, 3, 10, QLatin1Char('0')), TEntornoImportacion::muestraNueva(i));
}

QStringList archivosBajo(const QString& carpeta)
{
    QStringList rutas;
    QDirIterator it(carpeta, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        rutas << it.next();
    return rutas;
}

} // namespace

class TstParalela : public QObject {
    Q_OBJECT
private slots:
    // Every file is reported once, stored by its own business and copied,
    // however the issuers' files lie in the folder and however many threads
    // share them; a duplicate is found on whichever thread holds its issuer.
    void variosEmisores_data()
    {
        QTest::addColumn<int>("hilos");
        QTest::addColumn<bool>("agrupados");
        QTest::newRow("un hilo") << 1 << true;
        QTest::newRow("dos hilos, emisores por carpeta") << 2 << true;
        QTest::newRow("dos hilos, emisores mezclados") << 2 << false;
        QTest::newRow("más hilos que emisores") << 5 << false;
    }
    void variosEmisores()
    {
        QFETCH(int, hilos);
        QFETCH(bool, agrupados);
        TEntornoImportacion entorno;
        constexpr int POR_EMISOR = 12;
        for (int i = 0; i < POR_EMISOR * EMISORES; ++i)
            escribeMuestra(entorno, i, QString::number(agrupados ? i % EMISORES : i % 4));
        entorno.agrega(MUESTRAS.at(0).first, u"1/repetido.xml"_s);
        entorno.agrega(MUESTRAS.at(0).first, u"2/original.xml"_s);
        entorno.escribe(u"0/roto.xml"_s, QByteArrayLiteral("<cfdi:Comprobante"));
        entorno.agrega(u"cfdv2.xml"_s, u"2/v2.xml"_s);

        QList<TResultadoArchivo> resultados;
        {
            TImportacionParalela importacion(hilos, 5, registroLocal(), BaseDatosCatalogosFrm(), entorno.parametros(),
                                             [&](const TResultadoArchivo& r) { resultados.append(r); });
            for (const QString& ruta : archivosBajo(entorno.entrada()))
                importacion.importa(ruta);
            importacion.confirma();
        }

        QSet<QString> reportados;
        QHash<QString, int> importadosPorEmisor;
        QHash<int, int> porEstado;
        for (const TResultadoArchivo& r : std::as_const(resultados)) {
            QVERIFY2(!reportados.contains(r.ruta), qPrintable(r.ruta));
            reportados.insert(r.ruta);
            ++porEstado[int(r.estado)];
            if (r.estado == Estado::Importado) {
                ++importadosPorEmisor[r.rfc];
                QVERIFY(QFileInfo::exists(TImportadorXML::rutaCopia(r.rfc, r.uuid)));
            }
        }
        QCOMPARE(reportados.size(), archivosBajo(entorno.entrada()).size());
        QCOMPARE(porEstado.value(int(Estado::Importado)), POR_EMISOR * EMISORES + 1);
        QCOMPARE(porEstado.value(int(Estado::YaExistia)), 1);
        QCOMPARE(porEstado.value(int(Estado::Fallido)), 1);
        QCOMPARE(registroLocal().getNumeroEmpresas(), EMISORES);
        QCOMPARE(int(importadosPorEmisor.size()), EMISORES);
        for (auto it = importadosPorEmisor.cbegin(); it != importadosPorEmisor.cend(); ++it)
            QCOMPARE(TComprobante::cuenta(TCondicion(), TEntornoImportacion::conexion(it.key())), it.value());
        QCOMPARE(int(archivosBajo(Rutas::programa({FACTURAS_PATH})).size()), POR_EMISOR * EMISORES + 1);
        // Each thread wrote the start of each of its files to the log, and
        // the job's account of its threads takes every file once.
        const QString log = QString::fromUtf8(TEntornoImportacion::bytes(Logmanager::archivoLog(Sistema::exePath)));
        QCOMPARE(log.count(u"Archivo a importar: "_s), int(reportados.size()));
        const QString cuenta = log.section(u"Tiempos de la importación: "_s, 1).section(u'\n', 0, 0);
        int tomados = 0;
        int enCuenta = 0;
        for (const QRegularExpressionMatch& m :
             QRegularExpression(
                 u"hilo \\d+: (\\d+) archivos, sin trabajo [0-9.]+ s, leyendo [0-9.]+ s, "
                 "buscando los ya guardados [0-9.]+ s, sellos [0-9.]+ s, guardando [0-9.]+ s, copias [0-9.]+ s, "
                 "confirmando [0-9.]+ s"_s)
                 .globalMatch(cuenta)) {
            tomados += m.captured(1).toInt();
            ++enCuenta;
        }
        QCOMPARE(enCuenta, hilos);
        QCOMPARE(tomados, int(reportados.size()));
    }

    // One issuer with a thousand files and another with a few: the thread
    // of the few gives way to the busiest, which keeps its priority.
    void prioridadCedida()
    {
        TEntornoImportacion entorno;
        constexpr int MUCHOS = 1000;
        constexpr int POCOS = 10;
        for (int i = 0; i < MUCHOS; ++i)
            escribeMuestra(entorno, i * EMISORES, u"0"_s);
        for (int i = 0; i < POCOS; ++i)
            escribeMuestra(entorno, i * EMISORES + 1, u"1"_s);
        // The busiest issuer's files are all routed before the other's first.
        QStringList rutas = archivosBajo(entorno.entrada());
        rutas.sort();
        {
            TImportacionParalela importacion(2, 100, registroLocal(), BaseDatosCatalogosFrm(), entorno.parametros(),
                                             nullptr);
            for (const QString& ruta : std::as_const(rutas))
                importacion.importa(ruta);
            importacion.confirma();
        }
        const QString log = QString::fromUtf8(TEntornoImportacion::bytes(Logmanager::archivoLog(Sistema::exePath)));
        const QString cuenta = log.section(u"Tiempos de la importación: "_s, 1).section(u'\n', 0, 0);
        QHash<int, bool> cedio;
        for (const QRegularExpressionMatch& m :
             QRegularExpression(u"hilo \\d+: (\\d+) archivos[^;]*?(, con menos prioridad)?(;|$)"_s).globalMatch(cuenta))
            cedio.insert(m.captured(1).toInt(), !m.captured(2).isEmpty());
        QCOMPARE(cedio, (QHash<int, bool>{{MUCHOS, false}, {POCOS, true}}));
    }

    // Stopped once the first results arrive: the files not started are never
    // reported, and what was reported is exactly what is stored and copied.
    void detenida()
    {
        TEntornoImportacion entorno;
        constexpr int ARCHIVOS = 60;
        for (int i = 0; i < ARCHIVOS; ++i)
            escribeMuestra(entorno, i, QString::number(i % EMISORES));
        QList<TResultadoArchivo> resultados;
        {
            TImportacionParalela importacion(2, 3, registroLocal(), BaseDatosCatalogosFrm(), entorno.parametros(),
                                             [&](const TResultadoArchivo& r) { resultados.append(r); });
            for (const QString& ruta : archivosBajo(entorno.entrada()))
                importacion.importa(ruta);
            importacion.confirma([&] { return !resultados.isEmpty(); });
        }
        QVERIFY(!resultados.isEmpty());
        QVERIFY2(resultados.size() < ARCHIVOS, qPrintable(QString::number(resultados.size())));
        QHash<QString, int> importadosPorEmisor;
        for (const TResultadoArchivo& r : std::as_const(resultados)) {
            QCOMPARE(int(r.estado), int(Estado::Importado));
            ++importadosPorEmisor[r.rfc];
        }
        int guardados = 0;
        for (const QString& empresa : registroLocal().getEmpresas()) {
            const QString rfc = empresa.section(u'|', 0, 0);
            const int enBase = TComprobante::cuenta(TCondicion(), TEntornoImportacion::conexion(rfc));
            QCOMPARE(enBase, importadosPorEmisor.value(rfc));
            guardados += enBase;
        }
        QCOMPARE(guardados, int(resultados.size()));
        QCOMPARE(archivosBajo(Rutas::programa({FACTURAS_PATH})).size(), resultados.size());
    }
};

QTEST_GUILESS_MAIN(TstParalela)
#include "tst_paralela.moc"

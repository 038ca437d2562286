#include "ProgramaConsola.h"

#include "Conexiones.h"
#include "import/TNegociosImportacion.h"

#include <QSqlDatabase>

#include <sched.h>
#include <sys/resource.h>

using namespace Qt::StringLiterals;
using Estado = TResultadoArchivo::TEstado;

namespace {

const QString MUESTRA = u"cfdi40-real.xml"_s;
const QByteArray RFC_MUESTRA = "ISD950921HE5";
const QByteArray UUID_MUESTRA = "C2832671-DA6D-11EF-A83D-00155D012007";

// The i-th issuer: the sample's RFC with another homoclave.
QString rfc(int i)
{
    const QString digitos = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"_s;
    return QString::fromLatin1(RFC_MUESTRA.left(9)) + digitos.at(i / 36 % 36) + digitos.at(i % 36) + u'A';
}

// A real voucher of issuer `i` with a fresh UUID, written as `como`; its UUID.
QString escribe(const TEntornoImportacion& entorno, int i, const QString& como)
{
    const QString uuid = TEntornoImportacion::uuidNuevo();
    entorno.escribe(como, TEntornoImportacion::variante(
                              MUESTRA, {{"Rfc=\"" + RFC_MUESTRA + '"', "Rfc=\"" + rfc(i).toLatin1() + '"'},
                                        {UUID_MUESTRA, uuid.toLatin1()}}));
    return uuid;
}

// Connections of this thread to business databases now open.
int conexionesAbiertas()
{
    int abiertas = 0;
    for (const QString& nombre : QSqlDatabase::connectionNames())
        abiertas += nombre.startsWith(u"vk|"_s) && !nombre.contains(u"CFDCAT"_s) ? 1 : 0;
    return abiertas;
}

// velkor-importar over the entry folder on one processor (so it runs two
// threads, whatever the machine) with at most `descriptores` open files, as
// under a low `ulimit -n`.
TProgramaConsola::TCorrida importaLimitado(const TProgramaConsola& consola, int descriptores)
{
    const QStringList argumentos{consola.entorno.entrada(), u"--correo"_s,
                                 QString::fromUtf8(TEntornoImportacion::EMAIL)};
    return consola.corre(argumentos, TProgramaConsola::clave(), [descriptores] {
        TSenalesTerminacion::desbloquea();
        cpu_set_t procesadores;
        CPU_ZERO(&procesadores);
        if (sched_getaffinity(0, sizeof procesadores, &procesadores) == 0) {
            int primero = 0;
            while (primero < CPU_SETSIZE - 1 && !CPU_ISSET(primero, &procesadores))
                ++primero;
            CPU_ZERO(&procesadores);
            CPU_SET(primero, &procesadores);
            sched_setaffinity(0, sizeof procesadores, &procesadores);
        }
        const rlimit limite{rlim_t(descriptores), rlim_t(descriptores)};
        setrlimit(RLIMIT_NOFILE, &limite);
    });
}

} // namespace

class TstNegociosAbiertos : public QObject {
    Q_OBJECT
private slots:
    // An issuer met again after the importer closed its database: its file
    // goes to the same business (not created again), its duplicate is
    // found, and never more than ABIERTOS databases are open, also while a
    // batch holds uncommitted files in many of them.
    void emisorQueVuelve()
    {
        TEntornoImportacion entorno;
        // Files of more businesses than stay open, all in one batch: the
        // batch commits before it would hold work on too many, and the first
        // business is closed by the time its second file comes.
        constexpr int porLote = 100;
        constexpr int OTROS = TNegociosImportacion::ABIERTOS + 1;
        const QString primero = escribe(entorno, 0, u"a/primero.xml"_s);
        for (int i = 1; i <= OTROS; ++i)
            escribe(entorno, i, u"b/%1.xml"_s.arg(i, 2, 10, QLatin1Char('0')));
        const QString segundo = escribe(entorno, 0, u"c/segundo.xml"_s);
        entorno.escribe(u"d/repetido.xml"_s, TEntornoImportacion::bytes(entorno.entrada() + u"a/primero.xml"_s));

        const int antes = conexionesAbiertas();
        int maximo = 0;
        int maximoNegocios = 0;
        QList<TResultadoArchivo> resultados;
        {
            const auto importador = entorno.importador();
            TLoteImportacion lote(*importador, porLote, [&](const TResultadoArchivo& r) { resultados.append(r); });
            TRecorridoXML(entorno.entrada()).recorre([&](const QString& ruta) {
                lote.importa(ruta);
                maximo = qMax(maximo, conexionesAbiertas() - antes);
                maximoNegocios = qMax(maximoNegocios, importador->negocios().abiertos());
                return true;
            });
            lote.confirma();
            QCOMPARE(importador->negocios().creados(), OTROS + 1);
        }
        QVERIFY2(maximo <= TNegociosImportacion::ABIERTOS + 1, qPrintable(QString::number(maximo)));
        QVERIFY2(maximoNegocios <= TNegociosImportacion::ABIERTOS + 1, qPrintable(QString::number(maximoNegocios)));
        QCOMPARE(resultados.size(), OTROS + 3);
        for (int i = 0; i < resultados.size() - 1; ++i)
            QVERIFY2(resultados.at(i).estado == Estado::Importado,
                     qPrintable(resultados.at(i).ruta + u' ' + resultados.at(i).motivo));
        QCOMPARE(int(resultados.last().estado), int(Estado::YaExistia));
        QCOMPARE(registroLocal().getNumeroEmpresas(), OTROS + 1);
        QVERIFY(TEntornoImportacion::comprobante(rfc(0), primero));
        QVERIFY(TEntornoImportacion::comprobante(rfc(0), segundo));
        for (int i = 1; i <= OTROS; ++i)
            QCOMPARE(TComprobante::cuenta(TCondicion(), TEntornoImportacion::conexion(rfc(i))), 1);
        Conexiones::cierraHilo();
    }

    // Each open database holds three descriptors (its file and two lock
    // files of the engine). Two threads keeping every business of 36 open
    // need about 125; keeping ABIERTOS each, about 75 (measured: 106 with 30
    // businesses all open, 73 with the limit).
    void limiteDeArchivosAbiertos()
    {
        TProgramaConsola consola;
        constexpr int EMISORES = 36;
        QStringList uuids;
        for (int i = 0; i < EMISORES; ++i)
            uuids << escribe(consola.entorno, i, u"%1.xml"_s.arg(i, 2, 10, QLatin1Char('0')));

        const TProgramaConsola::TCorrida corrida = importaLimitado(consola, 96);
        QVERIFY2(corrida.salida == 0, qPrintable(corrida.salidaEstandar + corrida.errores));
        QVERIFY2(corrida.salidaEstandar.contains(u"Importados: %1\n"_s.arg(EMISORES)),
                 qPrintable(corrida.salidaEstandar));
        QCOMPARE(registroLocal().getNumeroEmpresas(), EMISORES);
        for (int i = 0; i < EMISORES; ++i) {
            QVERIFY2(TEntornoImportacion::comprobante(rfc(i), uuids.at(i)), qPrintable(rfc(i)));
            QVERIFY(QFileInfo::exists(TImportadorXML::rutaCopia(rfc(i), uuids.at(i))));
            Conexiones::cierra(TEntornoImportacion::conexion(rfc(i)));
        }
    }
};

QTEST_GUILESS_MAIN(TstNegociosAbiertos)
#include "tst_negociosabiertos.moc"

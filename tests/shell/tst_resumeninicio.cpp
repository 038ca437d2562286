#include "CarpetaPrograma.h"

#include "Conexiones.h"
#include "Esquema.h"
#include "shell/ResumenInicio.h"

#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString PROPIO = u"ISD950921HE5"_s;
const QString OTRO = u"EKU9003173C9"_s;

// A report as the import writes it: the header, then one row per file.
void escribeReporte(const QString& carpeta, const QString& momento, const QList<QStringList>& filas)
{
    QByteArray texto = "\xEF\xBB\xBF"
                       "Archivo,Resultado,RFC emisor,UUID,Sello,Motivo,Entrada del paquete\r\n";
    for (const QStringList& fila : filas)
        texto += fila.join(u',').toUtf8() + "\r\n";
    QVERIFY(TCarpetaPrograma::escribe(carpeta + u"Importacion-"_s + momento + u".csv"_s, texto));
}

} // namespace

// What the start page says of the business, over the files and databases a
// program folder holds.
class TstResumenInicio : public QObject {
    Q_OBJECT
private slots:
    // An accountant's folder keeps the reports of every business: an import
    // of this one stays the last one however many newer reports name only
    // others, and a report still growing is read again.
    void ultimaImportacionEntreOtrasEmpresas()
    {
        const TCarpetaPrograma carpeta(false);
        const QString reportes = carpeta.ruta();
        escribeReporte(reportes, u"20250102-080000"_s,
                       {{u"\"/facturas/a,\"\"b\"\"\r\nc.xml\""_s, u"Importado"_s, PROPIO.toLower()},
                        {u"/facturas/d.xml"_s, u"Ya existía"_s, PROPIO},
                        {u"/facturas/e.xml"_s, u"Fallido"_s, PROPIO},
                        {u"/facturas/f.xml"_s, u"Importado"_s, OTRO}});
        for (int i = 0; i < 21; ++i)
            escribeReporte(reportes, u"20250103-0800%1"_s.arg(i, 2, 10, QLatin1Char('0')),
                           {{u"/otra/%1.xml"_s.arg(i), u"Importado"_s, OTRO}});
        for (int vez = 0; vez < 2; ++vez) {
            const ResumenInicio::TUltimaImportacion u = ResumenInicio::ultimaImportacion(reportes, PROPIO);
            QVERIFY(u.hubo);
            QCOMPARE(u.fecha, QDateTime(QDate(2025, 1, 2), QTime(8, 0)));
            QCOMPARE(QList<int>({u.importados, u.yaExistian, u.noImportados}), QList<int>({1, 1, 1}));
        }
        QCOMPARE(TCarpetaPrograma::modo(reportes + u"Importaciones.indice"_s), 0600);

        // Two jobs in the same second: the second one's report is the newer.
        escribeReporte(reportes, u"20250104-080000"_s, {{u"/g.xml"_s, u"Importado"_s, PROPIO}});
        escribeReporte(reportes, u"20250104-080000-2"_s, {{u"/h.xml"_s, u"Omitido"_s, PROPIO}});
        QCOMPARE(ResumenInicio::ultimaImportacion(reportes, PROPIO).noImportados, 1);
        QFile creciente(reportes + u"Importacion-20250104-080000-2.csv"_s);
        QVERIFY(creciente.open(QIODevice::Append));
        creciente.write("/i.xml,Importado," + PROPIO.toUtf8() + "\r\n");
        creciente.close();
        QCOMPARE(ResumenInicio::ultimaImportacion(reportes, PROPIO).importados, 1);
        QVERIFY(!ResumenInicio::ultimaImportacion(reportes, u"AAA010101AAA"_s).hubo);
    }

    // The totals of a month and a year go through an index on the emission
    // date, which a database made before it gets at its next sign-in.
    void indiceDeFechas()
    {
        const TCarpetaPrograma carpeta;
        const TConexionSesion conexion = carpeta.nuevaBaseNegocio();
        const auto indexada = [&] {
            QSqlQuery q(Conexiones::baseDatos(conexion));
            return q.exec(u"SELECT TRIM(S.RDB$INDEX_NAME) FROM RDB$INDEX_SEGMENTS S JOIN RDB$INDICES I ON "
                          "I.RDB$INDEX_NAME = S.RDB$INDEX_NAME WHERE I.RDB$RELATION_NAME = 'COMPROBANTE' AND "
                          "S.RDB$FIELD_NAME = 'FECHAEMISION' AND S.RDB$FIELD_POSITION = 0"_s) &&
                           q.next()
                       ? q.value(0).toString()
                       : QString();
        };
        Esquema::completaTodo(conexion);
        const QString indice = indexada();
        QVERIFY(!indice.isEmpty());
        QVERIFY(QSqlQuery(Conexiones::baseDatos(conexion)).exec(u"DROP INDEX "_s + indice));
        QVERIFY(indexada().isEmpty());
        Esquema::completaTodo(conexion);
        QCOMPARE(indexada(), indice);
        Conexiones::cierraHilo();
    }
};

QTEST_GUILESS_MAIN(TstResumenInicio)
#include "tst_resumeninicio.moc"

#include "CarpetaPrograma.h"
#include "ConciliacionSat.h"
#include "Conexiones.h"
#include "Entidades.h"
#include "Esquema.h"
#include "Logmanager.h"
#include "NegocioPrueba.h"
#include "Piezas.h"
#include "Reloj.h"
#include "ServidoresBaseDatos.h"
#include "Sistema.h"
#include "TablaRetenida.h"
#include "negocio/TIngreso.h"
#include "shell/ResumenInicio.h"
#include "shell/THiloResumenInicio.h"
#include "shell/TPaginaInicio.h"

#include <QFileInfo>
#include <QLabel>
#include <QTest>

using namespace Qt::StringLiterals;
using NegocioPrueba::RFC_ESCUELA;

namespace {

const QString CORREO = u"dueno@escuela.mx"_s;
const QString PASSWORD = u"Secreta#1"_s;
const QDate HOY(2026, 3, 15);

QString uuid(int n)
{
    return u"%1-0000-4000-8000-000000000000"_s.arg(n, 8, 16, QLatin1Char('0'));
}

// `cuantos` incomes of `fecha`, and the business's own record when none is
// given.
TNegocio conComprobantes(const TConexionSesion& conexion, std::unique_ptr<TNegocio> negocio, int cuantos,
                         const QDate& fecha)
{
    const TUnidadTrabajo unidad(conexion, 1);
    if (!negocio) {
        TNegocio nuevo;
        nuevo.setNombre(u"Sucursal del servidor"_s);
        negocio = std::make_unique<TNegocio>(TNegocio::saveOrUpdate(nuevo, unidad));
    }
    for (int n = 0; n < cuantos; ++n) {
        TComprobante v;
        v.setNegocio(*negocio);
        v.setFechaemision(QDateTime(fecha, QTime(10, n)));
        v.setTipocomprobante(u"I"_s);
        v.setMoneda(u"MXN"_s);
        v.setFolio(QString::number(n));
        v.setRfcreceptor(u"XAXX010101000"_s);
        v.setTotal(TDecimal::desdeTexto(u"1160.25"_s));
        v.setSubtotal(v.getTotal());
        v.setUuid(uuid(n));
        TComprobante::saveOrUpdate(v, unidad);
    }
    return *negocio;
}

// Everything a reading gave, in one comparable text.
QString describe(const ResumenInicio::TResumen& r)
{
    QStringList partes{r.rfc, r.razon, ResumenInicio::textoVigencia(r.vigencia)};
    for (const ResumenInicio::TPeriodo* p : {&r.mes, &r.anio}) {
        partes << QString::number(p->cantidad);
        for (const ResumenInicio::TTotalTipo& t : p->porTipo)
            partes << u"%1 %2 %3 %4"_s.arg(t.tipo, t.moneda).arg(t.cantidad).arg(t.total.texto());
    }
    partes << (r.sinSeries ? u"sin series"_s : u"con series"_s) << ResumenInicio::textoConciliacion(r.conciliacion)
           << ResumenInicio::textoUltimaImportacion(r.ultima) << (r.conDatos ? u"con datos"_s : r.error);
    return partes.join(u'\n');
}

QString texto(const TPaginaInicio& pagina, const char* nombre)
{
    return pieza<QLabel>(pagina, QLatin1String(nombre))->text();
}

bool visible(const TPaginaInicio& pagina, const char* nombre)
{
    return pieza<QLabel>(pagina, QLatin1String(nombre))->isVisibleTo(&pagina);
}

// Until the page's last reading has arrived: its result comes as an event.
void esperaCifras(const TPaginaInicio& pagina)
{
    while (pagina.calculando())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

// The start page reads its figures on a thread of their own: the window is
// free meanwhile, and what arrives too late is dropped.
class TstPaginaInicio : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        THiloResumenInicio::detenTodos();
        NegocioPrueba::limpiaSesion();
        Conexiones::cierraHilo();
    }

    // The same figures on the reading's thread as on the caller's, and on
    // the page once they arrive.
    void mismasCifrasEnSuHilo()
    {
        const TRelojFijo reloj(HOY);
        const TCarpetaPrograma carpeta;
        NegocioPrueba::creaRegistro(carpeta);
        NegocioPrueba::registra(RFC_ESCUELA, u"Escuela Kemper"_s, CORREO, PASSWORD);
        QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, CORREO, PASSWORD), Ingreso::TResultado::Correcto);
        const TConexionSesion conexion = *Sistema::Conexion;
        const TNegocio negocio =
            conComprobantes(conexion, std::make_unique<TNegocio>(*Sistema::Negocio), 3, HOY.addDays(-1));
        {
            TMetadatosat m;
            m.setUuid(uuid(90));
            m.setRfcemisor(RFC_ESCUELA);
            m.setRfcreceptor(u"XAXX010101000"_s);
            m.setFechaemision(u"2026-03-10T10:00:00"_s);
            m.setMonto(TDecimal::desdeTexto(u"10"_s));
            m.setEstatussat(TMetadatosat::ESTATUS_VIGENTE);
            m.setFechapaquete(QDateTime(QDate(2026, 3, 11), QTime(0, 0)));
            ConciliacionSat::guarda(m, negocio.getIdnegocio(), TUnidadTrabajo(conexion, 1));
        }
        const QString reportes = QFileInfo(Logmanager::archivoLog(carpeta.ruta())).absolutePath();
        QVERIFY(TCarpetaPrograma::escribe(reportes + u"/Importacion-20260314-090000.csv"_s,
                                          "Archivo,Resultado,RFC emisor,UUID,Sello,Motivo,Entrada del paquete\r\n"
                                          "/a.xml,Importado," +
                                              RFC_ESCUELA.toUtf8() + ",,,,\r\n"));

        const ResumenInicio::TPedido pedido{.conexion = conexion,
                                            .idNegocio = negocio.getIdnegocio(),
                                            .hoy = HOY,
                                            .carpetaReportes = reportes,
                                            .rfcsLocales = {RFC_ESCUELA}};
        const ResumenInicio::TResumen aqui = ResumenInicio::calcula(pedido);
        QCOMPARE(aqui.anio.cantidad, 3);
        QCOMPARE(aqui.conciliacion.sinXml, 1);
        QCOMPARE(aqui.ultima.importados, 1);
        QVERIFY(aqui.conDatos);

        ResumenInicio::TResumen alla;
        Qt::HANDLE hiloLectura = nullptr;
        auto* hilo = new THiloResumenInicio(pedido);
        connect(
            hilo, &THiloResumenInicio::calculado, hilo,
            [&](const ResumenInicio::TResumen& r) {
                alla = r;
                hiloLectura = QThread::currentThreadId();
            },
            Qt::DirectConnection);
        hilo->start();
        THiloResumenInicio::esperaTodos();
        QVERIFY(hiloLectura && hiloLectura != QThread::currentThreadId());
        QCOMPARE(describe(alla), describe(aqui));

        // The page says it is calculating at once, then shows them.
        TPaginaInicio pagina;
        pagina.actualiza();
        QVERIFY(pagina.calculando());
        QVERIFY(visible(pagina, "TxCalculando"));
        QVERIFY(!visible(pagina, "TxTituloMes"));
        QCOMPARE(texto(pagina, "TxTituloInicio"), u"Escuela Kemper"_s);
        esperaCifras(pagina);
        QVERIFY(!visible(pagina, "TxCalculando"));
        QCOMPARE(texto(pagina, "TxTituloMes"), u"Este mes (marzo): 3 comprobantes"_s);
        QCOMPARE(texto(pagina, "TxTituloAnio"), u"Este año (2026): 3 comprobantes"_s);
        QVERIFY2(texto(pagina, "TxTablaMes").contains(u"$3,480.75"_s), qPrintable(texto(pagina, "TxTablaMes")));
        QVERIFY(texto(pagina, "TxRfcInicio").startsWith(u"RFC "_s + RFC_ESCUELA));
        QCOMPARE(texto(pagina, "TxConciliacion"), ResumenInicio::textoConciliacion(aqui.conciliacion));
        QCOMPARE(texto(pagina, "TxUltimaImportacion"), ResumenInicio::textoUltimaImportacion(aqui.ultima));
    }

    // A reading held by a table another connection keeps locked: the window
    // it was asked for closes without waiting for it, and when it ends at
    // last, after the session went on to another business, its figures are
    // dropped.
    void lecturaRetenida()
    {
        if (const QString falta = TServidorBaseDatos::faltante(TServidorBaseDatos::Tipo::MariaDB); !falta.isEmpty())
            QSKIP(qPrintable(falta));
        const TRelojFijo reloj(HOY);
        const TCarpetaPrograma carpeta;
        NegocioPrueba::creaRegistro(carpeta);
        TServidorBaseDatos servidor(TServidorBaseDatos::Tipo::MariaDB);
        QVERIFY2(servidor.inicia(), qPrintable(servidor.error()));
        const QString base = servidor.creaBaseDatos();
        QVERIFY2(!base.isEmpty(), qPrintable(servidor.error()));
        const TConexionSesion enServidor = servidor.conexion(base);
        Esquema::completaTodo(enServidor);
        const TNegocio retenido = conComprobantes(enServidor, nullptr, 2, HOY);
        const TConexionSesion local = carpeta.nuevaBaseNegocio();
        TNegocio libre;
        libre.setNombre(u"Papelería local"_s);
        libre = TNegocio::saveOrUpdate(libre, TUnidadTrabajo(local, 1));
        Conexiones::cierraHilo();

        const auto entra = [](const TConexionSesion& conexion, const TNegocio& negocio) {
            Sistema::Conexion = std::make_shared<TConexionSesion>(conexion);
            Sistema::Negocio = std::make_shared<TNegocio>(negocio);
        };
        entra(enServidor, retenido);
        auto retencion = std::make_unique<TTablaRetenida>(enServidor, TComprobante::tablaEsquema().nombre);
        QVERIFY2(retencion->error().isEmpty(), qPrintable(retencion->error()));

        auto* ventana = new TPaginaInicio();
        ventana->show();
        ventana->actualiza();
        QVERIFY(ventana->calculando());
        QVERIFY(visible(*ventana, "TxCalculando"));
        ventana->close();
        delete ventana;

        TPaginaInicio pagina;
        pagina.actualiza();
        QVERIFY(pagina.calculando());
        entra(local, libre);
        retencion.reset();
        THiloResumenInicio::esperaTodos();
        QCoreApplication::sendPostedEvents();
        QVERIFY(pagina.calculando());
        QVERIFY(visible(pagina, "TxCalculando"));
        QVERIFY(!visible(pagina, "TxTituloMes"));
        QVERIFY2(!texto(pagina, "TxTituloMes").contains(u"2 comprobantes"_s), qPrintable(texto(pagina, "TxTituloMes")));

        // Asked again, the page shows the business the session is in.
        pagina.actualiza();
        esperaCifras(pagina);
        QCOMPARE(texto(pagina, "TxTituloInicio"), u"Papelería local"_s);
        QCOMPARE(texto(pagina, "TxTituloMes"), u"Este mes (marzo): 0 comprobantes"_s);
    }
};

QTEST_MAIN(TstPaginaInicio)
#include "tst_paginainicio.moc"

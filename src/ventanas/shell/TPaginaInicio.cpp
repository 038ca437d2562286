#include "TPaginaInicio.h"

#include "Constantes.h"
#include "Controles.h"
#include "Entidades.h"
#include "FormatoImporte.h"
#include "Logmanager.h"
#include "Reloj.h"
#include "Sistema.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "shell/ResumenInicio.h"
#include "shell/THiloResumenInicio.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Constantes;

namespace {

QLabel* titulo(QWidget* padre, const QString& nombre, int puntos)
{
    QLabel* t = Controles::texto(padre, nombre);
    QFont letra = t->font();
    letra.setBold(true);
    letra.setPointSize(letra.pointSize() + puntos);
    t->setFont(letra);
    Controles::colorTexto(t, RS_TEXTOSECCION);
    return t;
}

} // namespace

TPaginaInicio::TPaginaInicio(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PaginaInicio"));
    auto* d = new QVBoxLayout(this);
    d->setContentsMargins(40, 24, 40, 24);
    d->setSpacing(10);
    TxTituloInicio = titulo(this, QStringLiteral("TxTituloInicio"), 6);
    TxRfcInicio = Controles::texto(this, QStringLiteral("TxRfcInicio"));
    TxVigencia = Controles::texto(this, QStringLiteral("TxVigencia"));
    TxVigencia->setWordWrap(true);
    d->addWidget(TxTituloInicio);
    d->addWidget(TxRfcInicio);
    d->addWidget(TxVigencia);
    TxCalculando = Controles::texto(this, QStringLiteral("TxCalculando"));
    TxCalculando->setText(QStringLiteral("Calculando el resumen de la empresa…"));
    Controles::colorTexto(TxCalculando, RS_TEXTOSUBTITULOS);
    TxCalculando->hide();
    d->addWidget(TxCalculando);
    d->addSpacing(8);

    // The figures take the room they need; what is left goes below the
    // buttons.
    m_periodos = new QWidget(this);
    m_periodos->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    auto* periodos = new QHBoxLayout(m_periodos);
    periodos->setContentsMargins(0, 0, 0, 0);
    periodos->setSpacing(40);
    for (auto [tituloPeriodo, tabla, nombre] :
         {std::tuple{&TxTituloMes, &m_tablaMes, "Mes"}, std::tuple{&TxTituloAnio, &m_tablaAnio, "Anio"}}) {
        auto* columna = new QVBoxLayout();
        *tituloPeriodo = titulo(this, QStringLiteral("TxTitulo") + QLatin1String(nombre), 2);
        *tabla = Controles::texto(this, QStringLiteral("TxTabla") + QLatin1String(nombre));
        (*tabla)->setTextFormat(Qt::RichText);
        (*tabla)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        columna->setSpacing(2);
        columna->addWidget(*tituloPeriodo);
        columna->addWidget(*tabla);
        periodos->addLayout(columna);
    }
    periodos->addStretch();
    d->addWidget(m_periodos);
    d->addSpacing(8);
    TxUltimaImportacion = Controles::texto(this, QStringLiteral("TxUltimaImportacion"));
    TxUltimaImportacion->setWordWrap(true);
    d->addWidget(TxUltimaImportacion);
    TxConciliacion = Controles::texto(this, QStringLiteral("TxConciliacion"));
    TxConciliacion->setWordWrap(true);
    Controles::colorTexto(TxConciliacion, RS_TEXTOADVERTENCIA);
    TxConciliacion->hide();
    d->addWidget(TxConciliacion);
    TxSugerencia = Controles::texto(this, QStringLiteral("TxSugerencia"));
    TxSugerencia->setWordWrap(true);
    d->addWidget(TxSugerencia);
    TxRevisionSellos = Controles::texto(this, QStringLiteral("TxRevisionSellos"));
    TxRevisionSellos->setWordWrap(true);
    TxRevisionSellos->hide();
    m_barraRevision = new QProgressBar(this);
    m_barraRevision->setObjectName(QStringLiteral("BarraRevisionSellos"));
    m_barraRevision->setMaximumWidth(420);
    m_barraRevision->hide();
    d->addWidget(TxRevisionSellos);
    d->addWidget(m_barraRevision);
    d->addSpacing(8);

    auto* botones = new QHBoxLayout();
    BtImportarXML = Controles::boton(this, QStringLiteral("BtImportarXML"), QStringLiteral("Importar XML…"));
    BtDefinirSerie = Controles::boton(this, QStringLiteral("BtDefinirSerie"), QStringLiteral("Definir una serie"));
    BtAbrirReportes = Controles::boton(this, QStringLiteral("BtAbrirReportes"), QStringLiteral("Abrir reportes"));
    for (QPushButton* b : {BtImportarXML, BtDefinirSerie, BtAbrirReportes})
        botones->addWidget(b);
    botones->addStretch();
    d->addLayout(botones);
    d->addStretch(1);
    Controles::estiloBotonesMarca({BtImportarXML, BtDefinirSerie, BtAbrirReportes});
    connect(BtImportarXML, &QPushButton::clicked, this, &TPaginaInicio::importacionSolicitada);
    connect(BtDefinirSerie, &QPushButton::clicked, this, &TPaginaInicio::seriesSolicitadas);
    connect(BtAbrirReportes, &QPushButton::clicked, this, &TPaginaInicio::reportesSolicitados);
}

void TPaginaInicio::enfoca()
{
    BtImportarXML->setFocus();
}

void TPaginaInicio::muestraRevision(int hechos, int total, int alterados, int certificadoNoCorresponde)
{
    const QLocale local(QLocale::Spanish, QLocale::Mexico);
    QString texto = QStringLiteral("Verificando los sellos de los comprobantes ya guardados: %1 de %2.")
                        .arg(local.toString(hechos), local.toString(total));
    QStringList hallados;
    if (alterados > 0)
        hallados << QStringLiteral("%1 alterados").arg(local.toString(alterados));
    if (certificadoNoCorresponde > 0)
        hallados << QStringLiteral("%1 con un certificado que no les corresponde")
                        .arg(local.toString(certificadoNoCorresponde));
    if (!hallados.isEmpty())
        texto += QLatin1Char(' ') + hallados.join(QStringLiteral(" y ")) + QStringLiteral(" hasta ahora.");
    TxRevisionSellos->setText(texto);
    Controles::colorTexto(TxRevisionSellos, hallados.isEmpty() ? RS_TEXTOSUBTITULOS : RS_TEXTOADVERTENCIA);
    m_barraRevision->setRange(0, qMax(total, 1));
    m_barraRevision->setValue(hechos);
    TxRevisionSellos->show();
    m_barraRevision->show();
}

void TPaginaInicio::terminaRevision(int hechos, int alterados, int certificadoNoCorresponde, const QString& error)
{
    m_barraRevision->hide();
    const QLocale local(QLocale::Spanish, QLocale::Mexico);
    QStringList partes;
    if (hechos == 1)
        partes << QStringLiteral("Se verificó el sello de 1 comprobante ya guardado.");
    else if (hechos > 1)
        partes
            << QStringLiteral("Se verificaron los sellos de %1 comprobantes ya guardados.").arg(local.toString(hechos));
    if (alterados == 1)
        partes << QStringLiteral("1 no corresponde a su sello y quedó marcado como \"Alterado\" en los reportes.");
    else if (alterados > 1)
        partes << QStringLiteral("%1 no corresponden a su sello y quedaron marcados como \"Alterado\" en los reportes.")
                      .arg(local.toString(alterados));
    if (certificadoNoCorresponde == 1)
        partes << QStringLiteral("1 trae un certificado que no le corresponde y quedó marcado como \"Certificado no "
                                 "corresponde\" en los reportes.");
    else if (certificadoNoCorresponde > 1)
        partes << QStringLiteral("%1 traen un certificado que no les corresponde y quedaron marcados como "
                                 "\"Certificado no corresponde\" en los reportes.")
                      .arg(local.toString(certificadoNoCorresponde));
    if (!error.isEmpty())
        partes << QStringLiteral("La verificación se detuvo y seguirá en el próximo ingreso: %1").arg(error);
    TxRevisionSellos->setText(partes.join(QLatin1Char(' ')));
    Controles::colorTexto(TxRevisionSellos, alterados > 0 || certificadoNoCorresponde > 0 || !error.isEmpty()
                                                ? RS_TEXTOADVERTENCIA
                                                : RS_TEXTOSUBTITULOS);
    TxRevisionSellos->setVisible(!partes.isEmpty());
}

void TPaginaInicio::muestraPeriodo(QLabel* tabla, QLabel* tituloPeriodo, const QString& nombre,
                                   const ResumenInicio::TPeriodo& periodo)
{
    tituloPeriodo->setText(
        QStringLiteral("%1: %2 %3")
            .arg(nombre)
            .arg(periodo.cantidad)
            .arg(periodo.cantidad == 1 ? QStringLiteral("comprobante") : QStringLiteral("comprobantes")));
    // One line per type and currency: the type, how many, the total.
    QString filas;
    for (const ResumenInicio::TTotalTipo& tipo : periodo.porTipo)
        filas += QStringLiteral("<tr><td>%1</td><td align=\"right\">%2</td><td align=\"right\">%3</td>"
                                "<td>%4</td></tr>")
                     .arg(tipo.tipo.toHtmlEscaped())
                     .arg(tipo.cantidad)
                     .arg(FormatoImporte::pesos(tipo.total), tipo.moneda.toHtmlEscaped());
    tabla->setText(filas.isEmpty() ? QString()
                                   : QStringLiteral("<table cellspacing=\"0\" cellpadding=\"5\">") + filas +
                                         QStringLiteral("</table>"));
    tabla->setVisible(!filas.isEmpty());
}

bool TPaginaInicio::calculando() const
{
    return m_calculando;
}

void TPaginaInicio::actualiza()
{
    if (!Sistema::Negocio || !Sistema::Conexion)
        return;
    Controles::textoRecortado(TxTituloInicio, Sistema::Negocio->getNombre());
    ResumenInicio::TPedido pedido;
    pedido.conexion = *Sistema::Conexion;
    pedido.idNegocio = Sistema::Negocio->getIdnegocio();
    pedido.hoy = Reloj::hoy();
    pedido.carpetaReportes = QFileInfo(Logmanager::archivoLog(Sistema::exePath)).absolutePath();
    pedido.rfcsLocales = registroLocal().rfcs();

    // Until the figures arrive the page shows the business and says it is
    // working; nothing of what it showed before stays, it may be another
    // business's.
    TxRfcInicio->clear();
    for (QWidget* cifras : QList<QWidget*>{TxVigencia, m_periodos, TxUltimaImportacion, TxConciliacion, TxSugerencia})
        cifras->hide();
    TxCalculando->show();
    m_calculando = true;

    if (m_hilo)
        m_hilo->requestInterruption();
    const quint64 numero = ++m_pedido;
    auto* hilo = new THiloResumenInicio(pedido);
    connect(hilo, &THiloResumenInicio::calculado, this,
            [this, numero, conexion = pedido.conexion, negocio = pedido.idNegocio,
             hoy = pedido.hoy](const ResumenInicio::TResumen& r) {
                // A later reading was asked for, or the session went on to
                // another business (or none) meanwhile.
                if (numero != m_pedido || !Sistema::Negocio || !Sistema::Conexion || *Sistema::Conexion != conexion ||
                    Sistema::Negocio->getIdnegocio() != negocio)
                    return;
                muestra(r, hoy);
            });
    m_hilo = hilo;
    hilo->start();
}

void TPaginaInicio::muestra(const ResumenInicio::TResumen& r, const QDate& hoy)
{
    m_calculando = false;
    TxCalculando->hide();
    TxRfcInicio->setText(
        r.rfc.isEmpty()
            ? QString()
            : QStringLiteral("RFC %1%2").arg(r.rfc, r.razon.isEmpty() ? QString() : QStringLiteral(" · ") + r.razon));
    TxVigencia->setText(ResumenInicio::textoVigencia(r.vigencia));
    Controles::colorTexto(TxVigencia, r.vigencia.estado == ResumenInicio::TVigencia::Vigente ? RS_TEXTOSUBTITULOS
                                                                                             : RS_TEXTOADVERTENCIA);
    TxVigencia->setVisible(r.conDatos);
    muestraPeriodo(m_tablaMes, TxTituloMes,
                   QStringLiteral("Este mes (%1)")
                       .arg(QLocale(QLocale::Spanish, QLocale::Mexico).standaloneMonthName(hoy.month())),
                   r.mes);
    muestraPeriodo(m_tablaAnio, TxTituloAnio, QStringLiteral("Este año (%1)").arg(hoy.year()), r.anio);
    m_periodos->setVisible(r.conDatos);
    TxUltimaImportacion->setText(ResumenInicio::textoUltimaImportacion(r.ultima));
    TxUltimaImportacion->show();
    QStringList sugerencias;
    if (!r.conDatos)
        sugerencias << (r.error.isEmpty()
                            ? QStringLiteral("No se pudieron leer los comprobantes de la empresa; el "
                                             "registro del programa tiene el detalle.")
                            : QStringLiteral("No se pudieron leer los comprobantes de la empresa. %1").arg(r.error));
    else if (r.anio.cantidad == 0)
        sugerencias << QStringLiteral("Aún no hay comprobantes de este año: importa tus XML para empezar.");
    if (r.sinSeries)
        sugerencias << QStringLiteral("Define una serie para numerar tus facturas.");
    TxConciliacion->setText(r.conDatos ? ResumenInicio::textoConciliacion(r.conciliacion) : QString());
    TxConciliacion->setVisible(!TxConciliacion->text().isEmpty());
    TxSugerencia->setText(sugerencias.join(QLatin1Char(' ')));
    TxSugerencia->setVisible(!sugerencias.isEmpty());
}

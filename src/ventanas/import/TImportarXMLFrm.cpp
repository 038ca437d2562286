#include "TImportarXMLFrm.h"

#include "Constantes.h"
#include "Controles.h"
#include "Logmanager.h"
#include "SelectorArchivos.h"
#include "Sistema.h"
#include "Style.h"
#include "import/ImportacionCarpeta.h"
#include "import/RevisionImportacion.h"
#include "import/TCandadoImportacion.h"
#include "import/THiloImportacion.h"
#include "TConteoArchivos.h"
#include "negocio/Utils.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QUrl>
#include <QVBoxLayout>

using namespace Constantes;
using Controles::boton;
using Controles::campo;
using Controles::texto;

namespace {

const QString INFORMACION =
    QStringLiteral("Importa las facturas electrónicas (XML) de otro sistema de facturación, de una versión anterior "
                   "de [marca] o de los paquetes ZIP de la descarga masiva del SAT, con sus metadatos. Cada "
                   "comprobante se guarda en la empresa que lo emitió; la empresa que aún no está "
                   "registrada se crea con este correo y esta contraseña.");
const QString INFORMACION_SESION =
    QStringLiteral("Importa las facturas electrónicas (XML) de una carpeta o de los paquetes ZIP de la descarga masiva "
                   "del SAT, con sus metadatos. Cada comprobante se guarda en la empresa "
                   "que lo emitió; la empresa que aún no está registrada se crea con tu usuario. Escribe tu "
                   "contraseña para continuar.");
const QString TITULO_CARPETA = QStringLiteral("Elige la carpeta con los XML o los paquetes del SAT");
const QString TITULO_ARCHIVO = QStringLiteral("Elige un paquete del SAT, un archivo de metadatos o un XML");
const QString FILTRO_ARCHIVO = QStringLiteral("Paquetes, metadatos y XML (*.zip *.ZIP *.txt *.TXT *.xml *.XML)");
const QString ERROR_ARCHIVO = QStringLiteral("No se eligió un archivo; no se importó nada.");
const QString ERROR_CARPETA = QStringLiteral("No se eligió una carpeta; no se importó nada.");
const QString PROCESO_TERMINADO = QStringLiteral("Proceso Terminado");

} // namespace

TImportarXMLFrm::TImportarXMLFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ImportarXMLFrm"));
    setWindowTitle(QStringLiteral("Importar comprobantes XML"));
    setModal(true);
    setMinimumWidth(440);
    auto* diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(0, 0, 0, 0);
    diseno->setSizeConstraint(QLayout::SetFixedSize);

    TxDatosXML = new QWidget(this);
    TxDatosXML->setObjectName(QStringLiteral("TxDatosXML"));
    auto* datos = new QVBoxLayout(TxDatosXML);
    datos->setContentsMargins(16, 12, 16, 12);
    datos->setSpacing(8);
    TxInformacion = texto(TxDatosXML, QStringLiteral("TxInformacion"), INFORMACION);
    TxInformacion->setWordWrap(true);
    TxInformacion->setFixedWidth(408);
    datos->addWidget(TxInformacion);
    auto* campos = new QGridLayout();
    campos->setVerticalSpacing(6);
    TxEmail = texto(TxDatosXML, QStringLiteral("TxEmail"), QStringLiteral("Correo electrónico:"));
    EdEmail = campo(TxDatosXML, QStringLiteral("EdEmail"), QStringLiteral("Correo electrónico"));
    TxPass = texto(TxDatosXML, QStringLiteral("TxPass"), QStringLiteral("Contraseña:"));
    EdPass = campo(TxDatosXML, QStringLiteral("EdPass"), QStringLiteral("Contraseña"), true);
    TxRepitePass = texto(TxDatosXML, QStringLiteral("TxRepitePass"), QStringLiteral("Repite la contraseña:"));
    EdRepitePass = campo(TxDatosXML, QStringLiteral("EdRepitePass"), QStringLiteral("Contraseña"), true);
    campos->addWidget(TxEmail, 0, 0);
    campos->addWidget(EdEmail, 0, 1);
    campos->addWidget(TxPass, 1, 0);
    campos->addWidget(EdPass, 1, 1);
    campos->addWidget(TxRepitePass, 2, 0);
    campos->addWidget(EdRepitePass, 2, 1);
    TxEmail->setBuddy(EdEmail);
    TxPass->setBuddy(EdPass);
    TxRepitePass->setBuddy(EdRepitePass);
    datos->addLayout(campos);
    auto* botones = new QHBoxLayout();
    BtAceptar = boton(TxDatosXML, QStringLiteral("BtAceptar"), QStringLiteral("Elegir carpeta…"));
    BtArchivo = boton(TxDatosXML, QStringLiteral("BtArchivo"), QStringLiteral("Elegir archivo…"));
    BtArchivo->setToolTip(QStringLiteral("Un paquete ZIP de la descarga masiva del SAT, un archivo de metadatos o un "
                                         "XML."));
    BtCancelar = boton(TxDatosXML, QStringLiteral("BtCancelar"), QStringLiteral("Cancelar"));
    botones->addStretch();
    botones->addWidget(BtCancelar);
    botones->addWidget(BtArchivo);
    botones->addWidget(BtAceptar);
    datos->addLayout(botones);
    diseno->addWidget(TxDatosXML);

    TxProgresoXML = new QWidget(this);
    TxProgresoXML->setObjectName(QStringLiteral("TxProgresoXML"));
    auto* progreso = new QVBoxLayout(TxProgresoXML);
    progreso->setContentsMargins(16, 12, 16, 12);
    progreso->setSpacing(8);
    TxTituloProgreso = texto(TxProgresoXML, QStringLiteral("TxTituloProgreso"), QStringLiteral("Contando archivos…"));
    QFont titulo = TxTituloProgreso->font();
    titulo.setBold(true);
    TxTituloProgreso->setFont(titulo);
    progreso->addWidget(TxTituloProgreso);
    PBProgreso = new QProgressBar(TxProgresoXML);
    PBProgreso->setObjectName(QStringLiteral("PBProgreso"));
    PBProgreso->setOrientation(Qt::Horizontal);
    PBProgreso->setTextVisible(false);
    PBProgreso->setFixedWidth(408);
    progreso->addWidget(PBProgreso);
    auto* fila = new QHBoxLayout();
    TxLeyendo = texto(TxProgresoXML, QStringLiteral("TxLeyendo"), QStringLiteral("Importados"));
    TxNumeroXML = texto(TxProgresoXML, QStringLiteral("TxNumeroXML"), QStringLiteral("0"));
    TxArchivosXML = texto(TxProgresoXML, QStringLiteral("TxArchivosXML"), QStringLiteral("de"));
    TxTotalXML = texto(TxProgresoXML, QStringLiteral("TxTotalXML"), QStringLiteral("0"));
    // Room for six digits, so the row does not shift as the numbers grow.
    for (QLabel* numero : {TxNumeroXML, TxTotalXML})
        numero->setMinimumWidth(numero->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
    TxNumeroXML->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (QLabel* t : {TxLeyendo, TxNumeroXML, TxArchivosXML, TxTotalXML})
        fila->addWidget(t);
    fila->addStretch();
    progreso->addLayout(fila);
    TxRitmo = texto(TxProgresoXML, QStringLiteral("TxRitmo"));
    progreso->addWidget(TxRitmo);
    auto* filaDetener = new QHBoxLayout();
    BtDetener = boton(TxProgresoXML, QStringLiteral("BtDetener"), QStringLiteral("Cancelar"));
    BtDetener->setToolTip(QStringLiteral("Se detiene después del archivo en curso; lo importado se conserva."));
    filaDetener->addStretch();
    filaDetener->addWidget(BtDetener);
    progreso->addLayout(filaDetener);
    diseno->addWidget(TxProgresoXML);

    connect(BtAceptar, &QPushButton::clicked, this, &TImportarXMLFrm::BtAceptarClick);
    connect(BtArchivo, &QPushButton::clicked, this, [this] {
        m_eligeArchivo = true;
        hiloImportacion();
        m_eligeArchivo = false;
    });
    connect(BtCancelar, &QPushButton::clicked, this, &TImportarXMLFrm::BtCancelarClick);
    connect(BtDetener, &QPushButton::clicked, this, &TImportarXMLFrm::detiene);
    QWidget::setTabOrder(EdEmail, EdPass);
    QWidget::setTabOrder(EdPass, EdRepitePass);
    QWidget::setTabOrder(EdRepitePass, BtCancelar);
    QWidget::setTabOrder(BtCancelar, BtArchivo);
    QWidget::setTabOrder(BtArchivo, BtAceptar);
    FormCreate();
    initDatosXML();
}

TImportarXMLFrm::~TImportarXMLFrm()
{
    detieneHilos();
}

void TImportarXMLFrm::FormCreate()
{
    const Style::TStyleFrm& estilo = Style::StyleFrm();
    Controles::fondo(this, QBrush(estilo.getRectangleGradient(Sistema::claveMarca)));
    Controles::estiloBotonesMarca({BtAceptar, BtArchivo, BtCancelar, BtDetener});
    BtAceptar->setDefault(true);
}

void TImportarXMLFrm::initDatosXML(const QString& correoSesion)
{
    m_sesion = !correoSesion.isEmpty();
    TxInformacion->setText(QString(m_sesion ? INFORMACION_SESION : INFORMACION).replace(MARCA_SUST, Sistema::marca));
    for (QLineEdit* e : {EdEmail, EdPass, EdRepitePass})
        e->clear();
    EdEmail->setText(correoSesion);
    EdEmail->setReadOnly(m_sesion);
    // Signed in, the password is the user's own and is checked against the
    // businesses: there is nothing to repeat.
    TxRepitePass->setVisible(!m_sesion);
    EdRepitePass->setVisible(!m_sesion);
    TxProgresoXML->hide();
    TxDatosXML->show();
    PBProgreso->setValue(0);
    (m_sesion ? EdPass : EdEmail)->setFocus();
}

void TImportarXMLFrm::initProgresoXML()
{
    TxDatosXML->hide();
    TxTituloProgreso->setText(QStringLiteral("Contando archivos…"));
    TxRitmo->clear();
    BtDetener->setEnabled(true);
    BtDetener->setText(QStringLiteral("Cancelar"));
    TxProgresoXML->show();
    BtDetener->setFocus();
}

bool TImportarXMLFrm::ocupada() const
{
    // Each thread object lives until its end was handled: the count's until
    // the import started, the import's until the end was shown.
    return !m_conteo.isNull() || !m_hilo.isNull();
}

void TImportarXMLFrm::BtAceptarClick()
{
    hiloImportacion();
}

void TImportarXMLFrm::BtCancelarClick()
{
    close();
}

void TImportarXMLFrm::hiloImportacion()
{
    if (EdEmail->text().trimmed().isEmpty()) {
        Utils::mensaje(ERR_MAIL_REQUERIDO, MSG_WARNING);
        EdEmail->setFocus();
        return;
    }
    // The password becomes the sign-in password of every business the import
    // creates: a typing slip would lock the user out of them.
    if (!m_sesion && !Utils::validaContrasena(EdPass->text(), EdRepitePass->text())) {
        Utils::mensaje(ERR_CONTRASENA, MSG_WARNING);
        EdPass->setFocus();
        return;
    }
    m_candado = std::make_unique<TCandadoImportacion>();
    if (!m_candado->toma()) {
        Utils::mensaje(m_candado->mensaje(), MSG_WARNING);
        m_candado.reset();
        return;
    }
    // Before the folder is asked: a registry another program holds would
    // read as empty, and a wrong password would only show file by file.
    const RevisionImportacion::TRevision revision =
        RevisionImportacion::revisa(EdEmail->text().trimmed(), EdPass->text());
    if (!revision.correcta()) {
        m_candado.reset();
        const bool contrasena = revision.resultado == RevisionImportacion::TResultado::ContrasenaAjena;
        Utils::mensaje(revision.mensaje, contrasena ? MSG_WARNING : MSG_ERROR);
        (contrasena ? EdPass : EdEmail)->setFocus();
        return;
    }
    iniciaProcesoImportacion();
}

void TImportarXMLFrm::iniciaProcesoImportacion()
{
    directorio.clear();
    const QString elegido = m_eligeArchivo ? SelectorArchivos::archivo(this, TITULO_ARCHIVO, FILTRO_ARCHIVO)
                                           : SelectorArchivos::carpeta(this, TITULO_CARPETA);
    if (elegido.isEmpty()) {
        m_candado.reset();
        Utils::mensaje(m_eligeArchivo ? ERROR_ARCHIVO : ERROR_CARPETA, MSG_WARNING);
        return;
    }
    // A file chosen alone is imported alone; a folder is walked.
    directorio = m_eligeArchivo || elegido.endsWith(QLatin1Char('/')) ? elegido : elegido + QLatin1Char('/');
    m_email = EdEmail->text().trimmed();
    m_password = EdPass->text();
    m_resumen = TResumenImportacion();
    m_detenida = false;
    initProgresoXML();

    m_conteo = new TConteoArchivos(directorio, TxTotalXML);
    connect(m_conteo, &QThread::finished, this, &TImportarXMLFrm::OnThreadTerminate);
    connect(m_conteo, &QThread::finished, m_conteo, &QObject::deleteLater);
    m_conteo->start();
}

void TImportarXMLFrm::OnThreadTerminate()
{
    const int total = m_conteo ? m_conteo->getContador() : TxTotalXML->text().toInt();
    m_conteo = nullptr;
    if (m_detenida) {
        m_candado.reset();
        Utils::mensaje(QStringLiteral("Importación cancelada; no se importó nada."), MSG_INFORMATION);
        close();
        return;
    }
    PBProgreso->setMaximum(total);
    PBProgreso->setValue(0);
    TxNumeroXML->setText(QStringLiteral("0"));
    TxTotalXML->setText(QString::number(total));
    TxTituloProgreso->setText(QStringLiteral("Importando comprobantes…"));

    m_ritmo = std::make_unique<TRitmoImportacion>();
    m_hilo = new THiloImportacion(directorio, ImportacionCarpeta::parametros(m_email, m_password));
    connect(m_hilo, &THiloImportacion::archivoTerminado, this, &TImportarXMLFrm::archivoTerminado);
    connect(m_hilo, &THiloImportacion::avance, this, &TImportarXMLFrm::avanza);
    connect(m_hilo, &QThread::finished, this, &TImportarXMLFrm::OnThreadTerminateCerrar);
    connect(m_hilo, &QThread::finished, m_hilo, &QObject::deleteLater);
    m_hilo->start();
}

void TImportarXMLFrm::avanza(int hechos)
{
    TxNumeroXML->setText(QString::number(hechos));
    PBProgreso->setValue(qMin(hechos, PBProgreso->maximum()));
    if (m_ritmo && !m_detenida)
        TxRitmo->setText(m_ritmo->texto(hechos, PBProgreso->maximum()));
}

void TImportarXMLFrm::detiene()
{
    if (!ocupada() || m_detenida)
        return;
    m_detenida = true;
    BtDetener->setEnabled(false);
    TxRitmo->setText(QStringLiteral("Cancelando después del archivo en curso…"));
    Logmanager::Log(QStringLiteral("Importación cancelada por el usuario"), 1, Sistema::exePath);
    for (QThread* hilo : {static_cast<QThread*>(m_conteo.data()), static_cast<QThread*>(m_hilo.data())})
        if (hilo)
            hilo->requestInterruption();
}

void TImportarXMLFrm::OnThreadTerminateCerrar()
{
    QString texto = PROCESO_TERMINADO;
    QString reporte;
    if (m_hilo) {
        m_resumen = m_hilo->resumen();
        texto = m_hilo->mensajeFinal();
        reporte = m_hilo->rutaReporte();
    }
    m_hilo = nullptr;
    m_ritmo.reset();
    m_candado.reset();
    Utils::mensaje(texto, MSG_INFORMATION);
    // The report names every file that was not imported and why: it is what
    // the user reads next.
    if (!reporte.isEmpty() && QFileInfo::exists(reporte) && !QDesktopServices::openUrl(QUrl::fromLocalFile(reporte)))
        Logmanager::Log(QStringLiteral("No se pudo abrir el reporte de la importación: ") + reporte, 1,
                        Sistema::exePath);
    emit importacionTerminada();
    close();
}

void TImportarXMLFrm::closeEvent(QCloseEvent* evento)
{
    // A running job is cancelled, not abandoned: the window closes itself
    // once what was in hand is committed.
    if (ocupada()) {
        evento->ignore();
        detiene();
        return;
    }
    QDialog::closeEvent(evento);
}

void TImportarXMLFrm::reject()
{
    if (ocupada())
        detiene();
    else
        QDialog::reject();
}

void TImportarXMLFrm::detieneHilos()
{
    // Only at the end of the program: the threads stop between files and
    // commit what they hold. The count waits on the UI thread for each
    // number it shows; it gets it here, so it can see the stop.
    for (QThread* hilo : {static_cast<QThread*>(m_conteo.data()), static_cast<QThread*>(m_hilo.data())}) {
        if (!hilo)
            continue;
        hilo->disconnect(this);
        hilo->requestInterruption();
        while (!hilo->wait(20))
            QCoreApplication::sendPostedEvents(hilo, QEvent::MetaCall);
        delete hilo;
    }
}

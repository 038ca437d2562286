#include "TImportarXMLFrm.h"

#include "Constantes.h"
#include "Controles.h"
#include "SelectorArchivos.h"
#include "Sistema.h"
#include "Style.h"
#include "import/RevisionImportacion.h"
#include "import/TCandadoImportacion.h"
#include "TConteoArchivos.h"
#include "TImportarXMLHilo.h"
#include "negocio/Utils.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace Constantes;
using Controles::boton;
using Controles::campo;
using Controles::texto;

namespace {

const QString INFORMACION = QStringLiteral(
    "Bienvenido. Mediante esta herramienta es posible importar sus XML's de facturas provenientes de otro Sistema de "
    "Facturación o de u na versión previa de [marca], por favor proporcione la informacion que se le solicita.");
const QString TITULO_CARPETA = QStringLiteral("Selecciona una carpeta");
const QString ERROR_CARPETA = QStringLiteral("Error al seleccionar el directorio.");
const QString PROCESO_TERMINADO = QStringLiteral("Proceso Terminado");

} // namespace

TImportarXMLFrm::TImportarXMLFrm(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("ImportarXMLFrm"));
    setWindowTitle(QStringLiteral("Importar XML"));
    setModal(true);
    auto* diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(0, 0, 0, 0);

    TxDatosXML = new QWidget(this);
    TxDatosXML->setObjectName(QStringLiteral("TxDatosXML"));
    auto* datos = new QVBoxLayout(TxDatosXML);
    datos->setContentsMargins(10, 8, 10, 8);
    datos->setSpacing(4);
    TxInformacion = texto(TxDatosXML, QStringLiteral("TxInformacion"), INFORMACION);
    TxInformacion->setWordWrap(true);
    datos->addWidget(TxInformacion);
    auto* campos = new QGridLayout();
    campos->setVerticalSpacing(4);
    TxEmail = texto(TxDatosXML, QStringLiteral("TxEmail"), QStringLiteral("Correo Electrónico:"));
    EdEmail = campo(TxDatosXML, QStringLiteral("EdEmail"), QString());
    TxPass = texto(TxDatosXML, QStringLiteral("TxPass"), QStringLiteral("Contraseña:"));
    EdPass = campo(TxDatosXML, QStringLiteral("EdPass"), QStringLiteral("Password"), true);
    TxRepitePass = texto(TxDatosXML, QStringLiteral("TxRepitePass"), QStringLiteral("Repetir Contraseña:"));
    EdRepitePass = campo(TxDatosXML, QStringLiteral("EdRepitePass"), QStringLiteral("Password"), true);
    campos->addWidget(TxEmail, 0, 0);
    campos->addWidget(EdEmail, 0, 1);
    campos->addWidget(TxPass, 1, 0);
    campos->addWidget(EdPass, 1, 1);
    campos->addWidget(TxRepitePass, 2, 0);
    campos->addWidget(EdRepitePass, 2, 1);
    datos->addLayout(campos);
    auto* botones = new QHBoxLayout();
    BtAceptar = boton(TxDatosXML, QStringLiteral("BtAceptar"), QStringLiteral("Aceptar"));
    BtCancelar = boton(TxDatosXML, QStringLiteral("BtCancelar"), QStringLiteral("Cancelar"));
    botones->addStretch();
    botones->addWidget(BtAceptar);
    botones->addWidget(BtCancelar);
    datos->addLayout(botones);
    diseno->addWidget(TxDatosXML);

    TxProgresoXML = new QWidget(this);
    TxProgresoXML->setObjectName(QStringLiteral("TxProgresoXML"));
    auto* progreso = new QVBoxLayout(TxProgresoXML);
    progreso->setContentsMargins(10, 8, 10, 8);
    PBProgreso = new QProgressBar(TxProgresoXML);
    PBProgreso->setObjectName(QStringLiteral("PBProgreso"));
    PBProgreso->setOrientation(Qt::Horizontal);
    PBProgreso->setTextVisible(false);
    progreso->addWidget(PBProgreso);
    auto* fila = new QHBoxLayout();
    TxLeyendo = texto(TxProgresoXML, QStringLiteral("TxLeyendo"), QStringLiteral("Leyendo"));
    TxNumeroXML = texto(TxProgresoXML, QStringLiteral("TxNumeroXML"), QStringLiteral("0"));
    TxArchivosXML = texto(TxProgresoXML, QStringLiteral("TxArchivosXML"), QStringLiteral("Archivos XML de:"));
    TxTotalXML = texto(TxProgresoXML, QStringLiteral("TxTotalXML"), QStringLiteral("0"));
    // Room for six digits, so the row does not shift as the numbers grow.
    for (QLabel* numero : {TxNumeroXML, TxTotalXML})
        numero->setMinimumWidth(numero->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
    for (QLabel* t : {TxLeyendo, TxNumeroXML, TxArchivosXML, TxTotalXML})
        fila->addWidget(t);
    fila->addStretch();
    progreso->addLayout(fila);
    diseno->addWidget(TxProgresoXML);

    connect(BtAceptar, &QPushButton::clicked, this, &TImportarXMLFrm::BtAceptarClick);
    connect(BtCancelar, &QPushButton::clicked, this, &TImportarXMLFrm::BtCancelarClick);
    QWidget::setTabOrder(EdEmail, EdPass);
    QWidget::setTabOrder(EdPass, EdRepitePass);
    QWidget::setTabOrder(EdRepitePass, BtAceptar);
    QWidget::setTabOrder(BtAceptar, BtCancelar);
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
    // The style sheet gives the buttons their white text (RS_TEXTOBLANCO).
    const QString hoja = estilo.getButtonFactStyle(Sistema::claveMarca);
    for (QPushButton* b : {BtAceptar, BtCancelar})
        b->setStyleSheet(hoja);
    BtAceptar->setDefault(true);
}

void TImportarXMLFrm::initDatosXML()
{
    TxInformacion->setText(QString(INFORMACION).replace(MARCA_SUST, Sistema::marca));
    for (QLineEdit* e : {EdEmail, EdPass, EdRepitePass})
        e->clear();
    setFixedSize(314, 215);
    TxProgresoXML->hide();
    TxDatosXML->show();
    PBProgreso->setValue(0);
    EdEmail->setFocus();
}

void TImportarXMLFrm::initProgresoXML()
{
    setFixedSize(314, 81);
    TxDatosXML->hide();
    TxProgresoXML->show();
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
    if (!Utils::validaContrasena(EdPass->text(), EdRepitePass->text())) {
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
    const QString elegido = SelectorArchivos::carpeta(this, TITULO_CARPETA);
    if (elegido.isEmpty()) {
        m_candado.reset();
        Utils::mensaje(ERROR_CARPETA, MSG_WARNING);
        return;
    }
    directorio = elegido.endsWith(QLatin1Char('/')) ? elegido : elegido + QLatin1Char('/');
    m_email = EdEmail->text().trimmed();
    m_password = EdPass->text();
    m_resumen = TResumenImportacion();
    initProgresoXML();

    m_conteo = new TConteoArchivos(directorio, TxTotalXML);
    connect(m_conteo, &QThread::finished, this, &TImportarXMLFrm::OnThreadTerminate);
    connect(m_conteo, &QThread::finished, m_conteo, &QObject::deleteLater);
    m_conteo->start();
}

void TImportarXMLFrm::OnThreadTerminate()
{
    const int total = m_conteo ? m_conteo->getContador() : TxTotalXML->text().toInt();
    PBProgreso->setMaximum(total);
    PBProgreso->setValue(0);
    TxNumeroXML->setText(QStringLiteral("0"));

    m_hilo = new TImportarXMLHilo(PBProgreso, TxNumeroXML, directorio, m_email, m_password);
    connect(m_hilo, &TImportarXMLHilo::archivoTerminado, this, &TImportarXMLFrm::archivoTerminado);
    connect(m_hilo, &QThread::finished, this, &TImportarXMLFrm::OnThreadTerminateCerrar);
    connect(m_hilo, &QThread::finished, m_hilo, &QObject::deleteLater);
    m_hilo->start();
}

void TImportarXMLFrm::OnThreadTerminateCerrar()
{
    QString texto = PROCESO_TERMINADO;
    if (m_hilo) {
        m_resumen = m_hilo->resumen();
        texto = m_hilo->mensajeFinal();
    }
    m_hilo = nullptr;
    m_candado.reset();
    Utils::mensaje(texto, MSG_INFORMATION);
    close();
}

void TImportarXMLFrm::closeEvent(QCloseEvent* evento)
{
    // Once started, the import runs to its end; the window closes itself then.
    if (ocupada()) {
        evento->ignore();
        return;
    }
    QDialog::closeEvent(evento);
}

void TImportarXMLFrm::reject()
{
    if (!ocupada())
        QDialog::reject();
}

void TImportarXMLFrm::detieneHilos()
{
    // Only at the end of the program: the threads stop between files. A
    // thread waiting on a hand-off to the UI thread gets it here, so it can
    // see the stop.
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

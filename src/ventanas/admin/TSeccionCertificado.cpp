#include "TSeccionCertificado.h"

#include "Constantes.h"
#include "Controles.h"
#include "Sistema.h"
#include "TPanelCertificado.h"
#include "TSeccionFiscal.h"
#include "negocio/Utils.h"

#include <QPushButton>
#include <QVBoxLayout>

using namespace Constantes;
using TCampo = TPanelCertificado::TCampo;

TSeccionCertificado::TSeccionCertificado(QWidget* padre, TSeccionFiscal* fiscal)
    : TSeccionEmpresa(padre, QStringLiteral("TxTopCSD"), QStringLiteral("TxTopCSDTiuloLeyenda"),
                      QStringLiteral("Ingresa tu CSD para facturar electrónicamente")),
      m_fiscal(fiscal)
{
    QWidget* c = contenido();
    auto* d = new QVBoxLayout(c);
    TPanelCertificado::TOpciones opciones;
    opciones.quitaLlave = true;
    opciones.rutasConTab = false;
    opciones.buscaCertificado = QStringLiteral("&Buscar…");
    opciones.buscaLlave = QStringLiteral("B&uscar…");
    opciones.etiquetaPassword = QStringLiteral("&Contraseña de la llave");
    m_panel = new TPanelCertificado(c, opciones);
    // Besides being a usable CSD, the certificate must be this business's.
    m_panel->fijaRevisor([](const QString& ruta) {
        QString rechazo;
        if (!guarda([&] { rechazo = EdicionEmpresa::revisaCertificadoElegido(ruta); }))
            return false;
        if (rechazo.isEmpty())
            return true;
        Utils::mensaje(rechazo, rechazo == ERR_CSD_DIFERENTE_RFC ? MSG_ERROR : MSG_WARNING);
        return false;
    });
    d->addWidget(m_panel);
    BtLimpiarCampos = Controles::boton(c, QStringLiteral("BtLimpiarCampos"), QStringLiteral("&Limpiar Campos"));
    BtGuardarCSD = Controles::boton(c, QStringLiteral("BtGuardarCSD"), QStringLiteral("Guardar"));
    d->addLayout(botones({BtLimpiarCampos, BtGuardarCSD}));

    connect(m_panel, &TPanelCertificado::certificadoLeido, this,
            [this](const QMap<QString, QString>& info) { m_fiscal->fijaRazon(info.value(CERT_OID_41).trimmed()); });
    connect(m_panel, &TPanelCertificado::passwordTerminada, this, &TSeccionCertificado::BtGuardarCSDClick);
    connect(BtLimpiarCampos, &QPushButton::clicked, this, &TSeccionCertificado::BtLimpiarCamposClick);
    connect(BtGuardarCSD, &QPushButton::clicked, this, &TSeccionCertificado::BtGuardarCSDClick);
}

void TSeccionCertificado::carga()
{
    m_panel->limpia();
    if (!Sistema::Negocio)
        return;
    if (const auto guardado = EdicionEmpresa::certificado())
        m_panel->muestraGuardado(guardado->numero, guardado->expiracion);
}

void TSeccionCertificado::enfoca()
{
    m_panel->enfoca(TCampo::Certificado);
}

QList<QWidget*> TSeccionCertificado::ordenTabulacion() const
{
    return m_panel->ordenTabulacion() << BtLimpiarCampos << BtGuardarCSD;
}

QStringList TSeccionCertificado::cambiosSinGuardar() const
{
    // The panel opens empty, the stored certificate shown apart: anything in
    // it was chosen or typed and not saved.
    QStringList campos;
    if (!m_panel->certificado().isEmpty())
        campos << QStringLiteral("Certificado");
    if (!m_panel->llave().isEmpty())
        campos << QStringLiteral("Llave Privada");
    if (!m_panel->password().isEmpty())
        campos << QStringLiteral("Contraseña de la llave privada");
    return campos;
}

void TSeccionCertificado::BtLimpiarCamposClick()
{
    m_panel->limpia();
    m_fiscal->limpia();
}

void TSeccionCertificado::BtGuardarCSDClick()
{
    m_panel->quitaError(TCampo::Llave);
    m_panel->quitaError(TCampo::Password);
    if (m_panel->certificado().trimmed().isEmpty()) {
        Utils::mensaje(QString(CAMPO_REQUERIDO).replace(CAMPO, QStringLiteral("Certificado")), MSG_WARNING);
        m_panel->enfoca(TCampo::Certificado);
        return;
    }
    if (m_panel->llave().trimmed().isEmpty()) {
        m_panel->marcaError(TCampo::Llave);
        Utils::mensaje(ERR_LLAVE_PRIVADA_REQUERIDO, MSG_WARNING);
        m_panel->enfoca(TCampo::Llave);
        return;
    }
    if (m_panel->password().isEmpty()) {
        m_panel->marcaError(TCampo::Password);
        Utils::mensaje(ERR_PASS_CERTIFICADO_REQUERIDO, MSG_WARNING);
        m_panel->enfoca(TCampo::Password);
        return;
    }
    if (guarda([this] {
            EdicionEmpresa::guardaCertificado(m_panel->certificado(), m_panel->llave(), m_panel->password(),
                                              m_fiscal->razon());
        })) {
        Utils::mensaje(INFORMACION_GUARDADA_EXITO, MSG_INFORMATION);
        guarda([this] { carga(); });
    }
}

#include "TPanelCertificado.h"

#include "Constantes.h"
#include "Controles.h"
#include "Prompter.h"
#include "SelectorArchivos.h"
#include "VigenciaCertificado.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

using namespace Constantes;

const QString TPanelCertificado::FILTRO_CERTIFICADO = QStringLiteral("Certificado (*.cer)");
const QString TPanelCertificado::FILTRO_LLAVE = QStringLiteral("Llave privada (*.key)");

namespace {

constexpr int ESPACIO_FILA = 6;
constexpr int ANCHO_QUITAR = 32;

QPushButton* botonQuitar(QWidget* padre, const QString& nombre, const QString& ayuda)
{
    QPushButton* b = Controles::boton(padre, nombre, QStringLiteral("✕"));
    b->setToolTip(ayuda);
    b->setAccessibleName(ayuda);
    b->setFixedWidth(ANCHO_QUITAR);
    return b;
}

bool revisionDelSigner(const QString& archivo)
{
    // Nothing is taken from a certificate that is not a readable CSD of a
    // valid RFC and SAT number: its RFC may name a business folder.
    const Signerutils::TSigner& signer = Signerutils::Signer();
    const Signerutils::TRevision revision = signer.revisaCertificado(archivo);
    if (revision == Signerutils::TRevision::Correcto)
        return true;
    Prompter::actual().mensaje(signer.explicaRevision(revision, archivo), MSG_WARNING);
    return false;
}

} // namespace

TPanelCertificado::TPanelCertificado(QWidget* padre) : TPanelCertificado(padre, TOpciones()) {}

TPanelCertificado::TPanelCertificado(QWidget* padre, const TOpciones& opciones)
    : QWidget(padre), m_opciones(opciones), m_revisor(revisionDelSigner)
{
    setObjectName(QStringLiteral("PanelCertificado"));
    auto* formulario = Controles::nuevoFormulario();
    formulario->setContentsMargins(0, 0, 0, 0);
    setLayout(formulario);

    m_certificado = Controles::campo(this, QStringLiteral("EdCSD"), QStringLiteral("Certificado"));
    m_certificado->setReadOnly(true);
    m_buscaCertificado = Controles::boton(this, QStringLiteral("SearchEditButton2"), opciones.buscaCertificado);
    m_quitaCertificado =
        botonQuitar(this, QStringLiteral("ClearEditButton1"),
                    opciones.quitaLlave ? QStringLiteral("Quitar el certificado")
                                        : QStringLiteral("Quitar el certificado, la llave y la contraseña"));
    auto* filaCer = new QHBoxLayout();
    filaCer->setSpacing(ESPACIO_FILA);
    filaCer->addWidget(m_certificado, 1);
    filaCer->addWidget(m_buscaCertificado);
    filaCer->addWidget(m_quitaCertificado);
    Controles::fila(formulario, m_certificado, QStringLiteral("Certificado"), filaCer);

    m_llave = Controles::campo(this, QStringLiteral("EdKey"), QStringLiteral("Llave Privada"));
    m_llave->setReadOnly(true);
    m_buscaLlave = Controles::boton(this, QStringLiteral("SearchEditButton1"), opciones.buscaLlave);
    auto* filaKey = new QHBoxLayout();
    filaKey->setSpacing(ESPACIO_FILA);
    filaKey->addWidget(m_llave, 1);
    filaKey->addWidget(m_buscaLlave);
    if (opciones.quitaLlave) {
        m_quitaLlave = botonQuitar(this, QStringLiteral("ClearEditButton2"), QStringLiteral("Quitar la llave privada"));
        filaKey->addWidget(m_quitaLlave);
    } else {
        // Lines the key's search button up with the certificate's.
        filaKey->addSpacing(ANCHO_QUITAR + ESPACIO_FILA);
    }
    Controles::fila(formulario, m_llave, QStringLiteral("Llave Privada"), filaKey);

    m_password =
        Controles::campo(this, QStringLiteral("EdCSDPass"), QStringLiteral("Contraseña de la llave privada"), true);
    m_password->setMaxLength(150);
    Controles::fila(formulario, m_password, opciones.etiquetaPassword);

    auto* filaDatos = new QHBoxLayout();
    m_vigencia = Controles::texto(this, QStringLiteral("TxCaducidadCSD"));
    m_leyendaSerie = Controles::texto(this, QStringLiteral("TxNoSerieCSDLeyenda"));
    m_serie = Controles::texto(this, QStringLiteral("TxNoSerieCSD"));
    filaDatos->addWidget(m_vigencia);
    filaDatos->addStretch();
    filaDatos->addWidget(m_leyendaSerie);
    filaDatos->addWidget(m_serie);
    formulario->addRow(QString(), filaDatos);
    for (QLineEdit* campo : {m_certificado, m_llave, m_password})
        m_etiquetas << findChild<QLabel*>(QStringLiteral("Et") + campo->objectName());
    if (!opciones.rutasConTab) {
        m_certificado->setFocusPolicy(Qt::ClickFocus);
        m_llave->setFocusPolicy(Qt::ClickFocus);
    }

    connect(m_buscaCertificado, &QPushButton::clicked, this, &TPanelCertificado::buscaCertificado);
    connect(m_buscaLlave, &QPushButton::clicked, this, &TPanelCertificado::buscaLlave);
    connect(m_quitaCertificado, &QPushButton::clicked, this, &TPanelCertificado::quitaCertificado);
    connect(m_password, &QLineEdit::returnPressed, this, &TPanelCertificado::passwordTerminada);
    if (opciones.enterPropio)
        Controles::enterPropio(m_password);
    if (m_quitaLlave)
        connect(m_quitaLlave, &QPushButton::clicked, m_llave, &QLineEdit::clear);
}

void TPanelCertificado::fijaRevisor(TRevisor revisor)
{
    m_revisor = revisor ? std::move(revisor) : TRevisor(revisionDelSigner);
}

QString TPanelCertificado::certificado() const
{
    return m_certificado->text();
}

QString TPanelCertificado::llave() const
{
    return m_llave->text();
}

QString TPanelCertificado::password() const
{
    return m_password->text();
}

Signerutils::TRevision TPanelCertificado::revisa() const
{
    return Signerutils::Signer().revisaCertificados(certificado().trimmed(), llave().trimmed(), password());
}

void TPanelCertificado::limpia()
{
    for (QLineEdit* e : {m_certificado, m_llave, m_password})
        e->clear();
    limpiaLeido();
}

void TPanelCertificado::limpiaLeido()
{
    for (QLabel* t : {m_vigencia, m_leyendaSerie, m_serie})
        t->clear();
    m_vigencia->setPalette(QPalette());
}

void TPanelCertificado::muestraGuardado(const QString& numero, const QDate& expiracion)
{
    limpia();
    m_leyendaSerie->setText(CN_NO_SERIE);
    m_serie->setText(numero);
    muestraVigencia(expiracion.toString(FORMATO_FECHA));
}

void TPanelCertificado::muestraVigencia(const QString& fin)
{
    m_vigencia->setText(VigenciaCertificado::texto(fin));
    m_vigencia->setPalette(QPalette());
    if (VigenciaCertificado::vencido(fin))
        Controles::colorTexto(m_vigencia, RS_TEXTOADVERTENCIA);
}

QWidget* TPanelCertificado::widgetDe(TCampo campo) const
{
    switch (campo) {
    case TCampo::Certificado:
        return m_certificado;
    case TCampo::Llave:
        return m_llave;
    case TCampo::Password:
        break;
    }
    return m_password;
}

void TPanelCertificado::marcaError(TCampo campo)
{
    Controles::marcaError(widgetDe(campo));
}

void TPanelCertificado::quitaError(TCampo campo)
{
    Controles::quitaError(widgetDe(campo));
}

void TPanelCertificado::enfoca(TCampo campo)
{
    switch (campo) {
    case TCampo::Certificado:
        m_buscaCertificado->setFocus();
        break;
    case TCampo::Llave:
        m_buscaLlave->setFocus();
        break;
    case TCampo::Password:
        m_password->setFocus();
        break;
    }
}

QList<QWidget*> TPanelCertificado::ordenTabulacion() const
{
    // Controles::ordenTabulacion skips the missing key button.
    return {m_certificado, m_buscaCertificado, m_quitaCertificado, m_llave, m_buscaLlave, m_quitaLlave, m_password};
}

void TPanelCertificado::alineaEtiquetas(int ancho)
{
    for (QLabel* e : std::as_const(m_etiquetas))
        if (e)
            e->setMinimumWidth(ancho);
}

void TPanelCertificado::buscaCertificado()
{
    quitaError(TCampo::Certificado);
    const QString ruta =
        SelectorArchivos::archivo(this, QStringLiteral("Elige el certificado (.cer)"), FILTRO_CERTIFICADO);
    if (ruta.isEmpty())
        return;
    m_certificado->setText(ruta);
    if (!m_revisor(ruta)) {
        m_certificado->clear();
        return;
    }
    const QMap<QString, QString> informacion = Signerutils::Signer().getInformacionCertificado(ruta);
    muestraVigencia(informacion.value(CERT_VALIDTOSTR));
    m_leyendaSerie->setText(CN_NO_SERIE);
    m_serie->setText(informacion.value(CERT_SERIALNUMBER).trimmed());
    emit certificadoLeido(informacion);
}

void TPanelCertificado::buscaLlave()
{
    quitaError(TCampo::Llave);
    const QString ruta = SelectorArchivos::archivo(this, QStringLiteral("Elige la llave privada (.key)"), FILTRO_LLAVE);
    if (!ruta.isEmpty())
        m_llave->setText(ruta);
}

void TPanelCertificado::quitaCertificado()
{
    if (m_quitaLlave) {
        m_certificado->clear();
        return;
    }
    limpia();
}

#include "TEmpresaBean.h"

#include "Constantes.h"
#include "Controles.h"
#include "Sistema.h"
#include "TEtiquetaAccion.h"
#include "negocio/Utils.h"
#include "app/UtilsVentanas.h"

#include <QVBoxLayout>

TEmpresaBean::TEmpresaBean(const QString& rfc, const QString& nombre, QWidget* padre) : m_rfc(rfc)
{
    const QString componente = QString(rfc).replace(QLatin1Char('&'), QLatin1Char('_'));
    m_fondo = new QWidget(padre);
    m_fondo->setObjectName(Constantes::REC_CONTENEDOR + componente);
    m_fondo->setFixedHeight(ALTO);
    auto* diseno = new QVBoxLayout(m_fondo);
    diseno->setContentsMargins(8, 6, 8, 6);
    m_imagen = new TEtiquetaAccion(m_fondo);
    m_imagen->setObjectName(QStringLiteral("Im") + componente);
    m_imagen->setFixedSize(72, 72);
    m_imagen->setScaledContents(true);
    m_imagen->setToolTip(nombre);
    // One keyboard stop per business, its name: the logo does the same.
    m_imagen->setFocusPolicy(Qt::NoFocus);
    Utils::cargaImageRS(Constantes::IMG_EMPRESA_DEFAULT, m_imagen, Sistema::exePath);
    m_texto = new TEtiquetaAccion(m_fondo);
    m_texto->setObjectName(QStringLiteral("Tx") + componente);
    Controles::textoRecortado(m_texto, QStringLiteral("  ") + rfc + QStringLiteral(" - ") + nombre);
    diseno->addWidget(m_imagen, 0, Qt::AlignHCenter);
    diseno->addWidget(m_texto);
}

TEmpresaBean::~TEmpresaBean()
{
    delete m_fondo;
}

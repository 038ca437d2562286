#include "TSeccionLogo.h"

#include "Constantes.h"
#include "Controles.h"
#include "Entidades.h"
#include "SelectorArchivos.h"
#include "Sistema.h"
#include "admin/RevisionImagen.h"
#include "app/UtilsVentanas.h"
#include "negocio/Utils.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Constantes;

namespace {
const QString FILTRO_IMAGEN = QStringLiteral("Imágenes (*.png *.jpg *.jpeg *.bmp *.gif)");
} // namespace

TSeccionLogo::TSeccionLogo(QWidget* padre)
    : TSeccionEmpresa(padre, QStringLiteral("TxTopLogoNegocio"), QStringLiteral("TxTopLogoNegocioTituloLeyenda"),
                      QStringLiteral("Imagen del Negocio"))
{
    QWidget* c = contenido();
    auto* d = new QHBoxLayout(c);
    ImgLogoNegocio = new QLabel(c);
    ImgLogoNegocio->setObjectName(QStringLiteral("ImgLogoNegocio"));
    ImgLogoNegocio->setFixedSize(170, 80);
    ImgLogoNegocio->setAlignment(Qt::AlignCenter);
    ImgLogoNegocio->setFrameShape(QFrame::StyledPanel);
    d->addWidget(ImgLogoNegocio);
    auto* derecha = new QVBoxLayout();
    derecha->addWidget(
        Controles::texto(c, QStringLiteral("TxTamanoLogo"), QStringLiteral("Tamaño preferido en píxeles: 170x80")));
    ChkLogo = new QCheckBox(QStringLiteral("&Imprimir logo"), c);
    ChkLogo->setObjectName(QStringLiteral("ChkLogo"));
    derecha->addWidget(ChkLogo);
    BtPerfil = Controles::boton(c, QStringLiteral("BtPerfil"), QStringLiteral("Imagen de &Negocio"));
    BtGuardarNegocio = Controles::boton(c, QStringLiteral("BtGuardarNegocio"), QStringLiteral("Guardar"));
    derecha->addLayout(botones({BtPerfil, BtGuardarNegocio}));
    d->addLayout(derecha, 1);
    Utils::cargaImageRS(IMG_EMPRESA_DEFAULT, ImgLogoNegocio, Sistema::exePath);
    connect(BtPerfil, &QPushButton::clicked, this, &TSeccionLogo::BtPerfilClick);
    connect(BtGuardarNegocio, &QPushButton::clicked, this, &TSeccionLogo::BtGuardarNegocioClick);
    connect(ChkLogo, &QCheckBox::toggled, this, [this] {
        if (!m_cargando)
            guardaImpresion();
    });
}

void TSeccionLogo::carga()
{
    nombreArchivo.clear();
    QPixmap logo;
    if (Sistema::Negocio && logo.loadFromData(Sistema::Negocio->getLogonegocio()))
        ImgLogoNegocio->setPixmap(logo.scaled(ImgLogoNegocio->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    else
        Utils::cargaImageRS(IMG_EMPRESA_DEFAULT, ImgLogoNegocio, Sistema::exePath);
    cargaImpresion();
}

void TSeccionLogo::enfoca()
{
    BtPerfil->setFocus();
}

QList<QWidget*> TSeccionLogo::ordenTabulacion() const
{
    return {ChkLogo, BtPerfil, BtGuardarNegocio};
}

void TSeccionLogo::cargaImpresion()
{
    m_cargando = true;
    ChkLogo->setChecked(Sistema::imprimeLogo);
    m_cargando = false;
}

void TSeccionLogo::BtPerfilClick()
{
    const QString ruta = SelectorArchivos::archivo(this, QStringLiteral("Elige la imagen del negocio"), FILTRO_IMAGEN);
    if (ruta.isEmpty())
        return;
    // Refused at once: a picture that cannot be stored is never shown as if it were.
    QByteArray datos;
    const QString error = RevisionImagen::lee(ruta, datos);
    if (!error.isEmpty()) {
        Utils::mensaje(error, MSG_WARNING);
        return;
    }
    nombreArchivo = ruta;
    QPixmap vista;
    vista.loadFromData(datos);
    ImgLogoNegocio->setPixmap(vista.scaled(ImgLogoNegocio->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void TSeccionLogo::BtGuardarNegocioClick()
{
    if (nombreArchivo.isEmpty())
        return;
    if (guarda([this] { EdicionEmpresa::guardaLogo(nombreArchivo); })) {
        nombreArchivo.clear();
        Utils::mensaje(INFORMACION_GUARDADA_EXITO, MSG_INFORMATION);
        emit negocioModificado();
    } else {
        carga();
    }
}

void TSeccionLogo::guardaImpresion()
{
    bool guardado = false;
    // A failed save has told its error already.
    if (guarda([&] { guardado = EdicionEmpresa::guardaImpresion(ChkLogo->isChecked()); }) && !guardado)
        Utils::mensaje(QStringLiteral("No se encontró el archivo de configuración de la empresa; no se guardó el "
                                      "cambio de impresión del logo."),
                       MSG_WARNING);
    cargaImpresion();
}

#include "TPerfilFrm.h"

#include "Constantes.h"
#include "Controles.h"
#include "Entidades.h"
#include "admin/RevisionImagen.h"
#include "SelectorArchivos.h"
#include "Sistema.h"
#include "Style.h"
#include "admin/TPerfil.h"
#include "negocio/TIngreso.h"
#include "TSeccionEmpresa.h"
#include "TTelefonosFrm.h"
#include "negocio/Utils.h"
#include "app/UtilsVentanas.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Constantes;
using Controles::texto;

namespace {

constexpr int LARGO_CAMPO = 100;
constexpr int LADO_FOTO = 123;
constexpr int ALTO_FILA = 22;

QLabel* titulo(QWidget* padre, const QString& nombre, const QString& contenido, int aumento)
{
    QLabel* etiqueta = texto(padre, nombre, contenido);
    QFont letra = etiqueta->font();
    letra.setPointSize(letra.pointSize() + aumento);
    letra.setBold(true);
    etiqueta->setFont(letra);
    return etiqueta;
}

QFrame* linea(QWidget* padre, const QString& nombre)
{
    auto* separador = new QFrame(padre);
    separador->setObjectName(nombre);
    separador->setFrameShape(QFrame::HLine);
    separador->setFrameShadow(QFrame::Plain);
    return separador;
}

} // namespace

TPerfilFrm::TPerfilFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PerfilFrm"));
    setWindowTitle(QStringLiteral("Perfil"));
    auto* diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(0, 0, 0, 0);
    TxFondo = new QWidget(this);
    TxFondo->setObjectName(QStringLiteral("TxFondo"));
    diseno->addWidget(TxFondo);

    // Header.
    TxPerfil = titulo(TxFondo, QStringLiteral("TxPerfil"), QStringLiteral("Perfil"), 6);
    ImgLapiz = Controles::imagen(TxFondo, QStringLiteral("ImgLapiz"), 24);
    auto* encabezado = new QHBoxLayout();
    encabezado->addWidget(TxPerfil);
    encabezado->addWidget(ImgLapiz);
    encabezado->addStretch();
    TxCartaManifiesto =
        texto(TxFondo, QStringLiteral("TxCartaManifiesto"), QStringLiteral("Firma de Carta Manifiesto"));
    TxCartaManifiesto->setToolTip(QStringLiteral("Firma en línea la Carta Manifiesto con tu proveedor de timbrado"));
    encabezado->addWidget(TxCartaManifiesto);

    TxDatosPersonales = titulo(TxFondo, QStringLiteral("TxDatosPersonales"), QStringLiteral("Datos Personales"), 2);
    TxLeyendaUsoExclusivo = texto(TxFondo, QStringLiteral("TxLeyendaUsoExclusivo"));
    TxLeyendaUsoExclusivo->setWordWrap(true);

    // Names and password, one form so the fields line up.
    EdNombre = Controles::campo(TxFondo, QStringLiteral("EdNombre"), QStringLiteral("Nombre"));
    EdApellidoPaterno =
        Controles::campo(TxFondo, QStringLiteral("EdApellidoPaterno"), QStringLiteral("Apellido Paterno"));
    EdApellidoMaterno =
        Controles::campo(TxFondo, QStringLiteral("EdApellidoMaterno"), QStringLiteral("Apellido Materno"));
    EdContraseñaAnterior =
        Controles::campo(TxFondo, QStringLiteral("EdContraseñaAnterior"), QStringLiteral("Contraseña Anterior"), true);
    EdNuevaContraseña =
        Controles::campo(TxFondo, QStringLiteral("EdNuevaContraseña"), QStringLiteral("Nueva Contraseña"), true);
    EdRepetirContraseña = Controles::campo(TxFondo, QStringLiteral("EdRepetirContraseña"),
                                           QStringLiteral("Repetir Nueva Contraseña"), true);
    TxSinContraseña = texto(TxFondo, QStringLiteral("TxSinContraseña"),
                            QStringLiteral("Para utilizar el sistema sin contraseña, deja los campos en blanco."));
    TxSinContraseña->setWordWrap(true);

    // The sign-in name, shown and never edited here.
    TxEmailPerfil = texto(TxFondo, QStringLiteral("TxEmailPerfil"));
    TxEmailPerfil->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* formulario = new QFormLayout();
    formulario->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    formulario->addRow(QStringLiteral("Correo de acceso:"), TxEmailPerfil);
    formulario->addRow(Controles::etiqueta(TxFondo, EdNombre, QStringLiteral("&Nombre:")), EdNombre);
    formulario->addRow(Controles::etiqueta(TxFondo, EdApellidoPaterno, QStringLiteral("Apellido &Paterno:")),
                       EdApellidoPaterno);
    formulario->addRow(Controles::etiqueta(TxFondo, EdApellidoMaterno, QStringLiteral("Apellido &Materno:")),
                       EdApellidoMaterno);
    formulario->addRow(linea(TxFondo, QStringLiteral("LnContrasena")));
    formulario->addRow(Controles::etiqueta(TxFondo, EdContraseñaAnterior, QStringLiteral("Contraseña &anterior:")),
                       EdContraseñaAnterior);
    formulario->addRow(Controles::etiqueta(TxFondo, EdNuevaContraseña, QStringLiteral("N&ueva contraseña:")),
                       EdNuevaContraseña);
    formulario->addRow(Controles::etiqueta(TxFondo, EdRepetirContraseña, QStringLiteral("&Repetir contraseña:")),
                       EdRepetirContraseña);
    formulario->addRow(QString(), TxSinContraseña);

    // Phones.
    ImgTelefono = Controles::imagen(TxFondo, QStringLiteral("ImgTelefono"), 20);
    auto* tituloTelefonos = new QHBoxLayout();
    tituloTelefonos->addWidget(ImgTelefono);
    tituloTelefonos->addWidget(titulo(TxFondo, QStringLiteral("TxTelefonos"), QStringLiteral("Teléfonos"), 0), 1);
    TxTelefono = new TTelefonosFrm(TxFondo);
    TxTelefono->setObjectName(QStringLiteral("TxTelefono"));
    // A user keeps as many phones as they have; only the first run's form
    // asks for a few.
    TxTelefono->setMaximo(TTelefonosFrm::SIN_LIMITE);

    // E-mails.
    ImgMail = Controles::imagen(TxFondo, QStringLiteral("ImgMail"), 20);
    auto* tituloCorreos = new QHBoxLayout();
    tituloCorreos->addWidget(ImgMail);
    tituloCorreos->addWidget(titulo(TxFondo, QStringLiteral("TxCorreos"), QStringLiteral("Correos electrónicos"), 0),
                             1);
    TxEmail = new QWidget(TxFondo);
    TxEmail->setObjectName(QStringLiteral("TxEmail"));
    m_filasEmail = new QVBoxLayout(TxEmail);
    m_filasEmail->setContentsMargins(0, 0, 0, 0);
    m_filasEmail->setSpacing(2);
    TxAgregarCorreo = texto(TxFondo, QStringLiteral("TxAgregarCorreo"), QStringLiteral("+ Agregar Correo"));

    auto* datos = new QVBoxLayout();
    datos->addWidget(TxDatosPersonales);
    datos->addWidget(TxLeyendaUsoExclusivo);
    datos->addLayout(formulario);
    datos->addWidget(linea(TxFondo, QStringLiteral("LnTelefonos")));
    datos->addLayout(tituloTelefonos);
    datos->addWidget(TxTelefono);
    datos->addWidget(linea(TxFondo, QStringLiteral("LnCorreos")));
    datos->addLayout(tituloCorreos);
    datos->addWidget(TxEmail);
    datos->addWidget(TxAgregarCorreo);
    datos->addStretch();

    // Picture.
    ImgPerfil = Controles::imagen(TxFondo, QStringLiteral("ImgPerfil"), LADO_FOTO);
    ImgPerfil->setFrameShape(QFrame::Box);
    QLabel* preferido =
        texto(TxFondo, QStringLiteral("TxTamanoPreferido"), QStringLiteral("Tamaño preferido en píxeles: 123x123"));
    QLabel* maximo = texto(TxFondo, QStringLiteral("TxTamanoMaximo"),
                           QStringLiteral("Tamaño máximo %1 MB").arg(RevisionImagen::TAMANO_MAXIMO / (1024 * 1024)));
    for (QLabel* leyenda : {preferido, maximo})
        leyenda->setWordWrap(true);
    BtPerfil = Controles::boton(TxFondo, QStringLiteral("BtPerfil"), QStringLiteral("&Imagen de Perfil"));
    BtGuardar = Controles::boton(TxFondo, QStringLiteral("BtGuardar"), QStringLiteral("&Guardar"));
    auto* imagen = new QVBoxLayout();
    imagen->addWidget(ImgPerfil, 0, Qt::AlignHCenter);
    imagen->addWidget(preferido);
    imagen->addWidget(maximo);
    imagen->addWidget(BtPerfil);
    imagen->addStretch();
    imagen->addWidget(BtGuardar);
    auto* panelImagen = new QWidget(TxFondo);
    panelImagen->setObjectName(QStringLiteral("TxImagenPerfil"));
    panelImagen->setLayout(imagen);
    panelImagen->setFixedWidth(180);

    auto* cuerpo = new QHBoxLayout();
    cuerpo->addLayout(datos, 1);
    cuerpo->addSpacing(16);
    cuerpo->addWidget(panelImagen);

    auto* contenido = new QVBoxLayout(TxFondo);
    contenido->setContentsMargins(16, 12, 16, 12);
    contenido->addLayout(encabezado);
    contenido->addWidget(linea(TxFondo, QStringLiteral("LnSeparadorTitulo")));
    contenido->addLayout(cuerpo);

    Controles::alClic(TxAgregarCorreo, [this] {
        agregaEmail();
        listaEmail.last()->setFocus();
    });
    Controles::alClic(TxCartaManifiesto, [this] { emit cartaManifiestoSolicitada(); });
    connect(BtGuardar, &QPushButton::clicked, this, &TPerfilFrm::BtGuardarClick);
    connect(BtPerfil, &QPushButton::clicked, this, &TPerfilFrm::BtPerfilClick);
    connect(TxTelefono, &TTelefonosFrm::filasCambiadas, this, [this] {
        ordenTabulacion();
        avisaAltura();
    });
    FormCreate();
}

void TPerfilFrm::FormCreate()
{
    const QString carpeta = Sistema::exePath;
    Utils::cargaImageRS(IMG_LAPIZ, ImgLapiz, carpeta);
    Utils::cargaImageRS(IMG_USUARIO_DEFAULT, ImgPerfil, carpeta);
    Utils::cargaImageRS(IMG_TELEFONO, ImgTelefono, carpeta);
    Utils::cargaImageRS(IMG_EMAIL, ImgMail, carpeta);
    TxTelefono->setImagenEliminar(Utils::imagenRS(IMG_DELETE, carpeta));

    Controles::colorTexto(TxPerfil, RS_TEXTOSECCION);
    Controles::colorTexto(TxDatosPersonales, RS_TEXTOSECCION);
    Controles::colorTexto(TxSinContraseña, RS_TEXTOSECCION);
    Controles::colorTexto(TxAgregarCorreo, RS_TEXTOAZUL);
    Controles::colorTexto(TxTelefono->TxTelefonoBottom, RS_TEXTOAZUL);
    Controles::colorTexto(TxCartaManifiesto, RS_TEXTOAZUL);
    for (const char* nombre : {"TxTamanoPreferido", "TxTamanoMaximo"})
        Controles::colorTexto(TxFondo->findChild<QLabel*>(QLatin1String(nombre)), RS_COLORTEXTO);
    Controles::estiloBotonesMarca({BtPerfil, BtGuardar});
    for (QLineEdit* campo : {EdContraseñaAnterior, EdNuevaContraseña, EdRepetirContraseña})
        campo->setMaxLength(LARGO_CAMPO);
    // Names as long as their columns, as the wizard and the users' form take
    // them: a shorter field would cut a stored name on loading, and the next
    // save would keep it cut.
    const TTabla& personas = TPersona::tablaEsquema();
    Controles::largoColumna(EdNombre, personas, TPersona::col_Nombre);
    Controles::largoColumna(EdApellidoPaterno, personas, TPersona::col_Apellidopaterno);
    Controles::largoColumna(EdApellidoMaterno, personas, TPersona::col_Apellidomaterno);
    // Enter in any field saves.
    for (QLineEdit* campo :
         {EdContraseñaAnterior, EdNuevaContraseña, EdRepetirContraseña, EdNombre, EdApellidoPaterno, EdApellidoMaterno})
        connect(campo, &QLineEdit::returnPressed, this, &TPerfilFrm::BtGuardarClick);
    ordenTabulacion();
}

void TPerfilFrm::ordenTabulacion()
{
    // The form first, from Nombre; the letter's link, at the top right, is
    // no step of filling it in.
    QList<QWidget*> orden = {EdNombre,          EdApellidoPaterno,  EdApellidoMaterno, EdContraseñaAnterior,
                             EdNuevaContraseña, EdRepetirContraseña};
    orden += TxTelefono->camposTabulacion();
    for (const int n : listaEmail.keys())
        orden << listaEmail.value(n) << listaLineaEmail.value(n)->findChild<QLabel*>(ABC_IMG + QString::number(n));
    orden << TxAgregarCorreo << BtPerfil << BtGuardar << TxCartaManifiesto;
    Controles::ordenTabulacion(orden);
    // Where the focus goes when the page is shown.
    TxFondo->setFocusProxy(EdNombre);
}

int TPerfilFrm::getHeight() const
{
    return TxFondo->sizeHint().height();
}

void TPerfilFrm::avisaAltura()
{
    TxFondo->adjustSize();
    emit alturaCambiada(getHeight());
}

void TPerfilFrm::muestraImagen(const QByteArray& datos)
{
    QPixmap foto;
    if (!datos.isEmpty() && foto.loadFromData(datos))
        ImgPerfil->setPixmap(foto);
    else
        Utils::cargaImageRS(IMG_USUARIO_DEFAULT, ImgPerfil, Sistema::exePath);
}

void TPerfilFrm::inicializa()
{
    elminiaListaEmail();
    TxTelefono->inicializaTelefono();
    pathImagenPefil.clear();
    for (QLineEdit* campo : {EdContraseñaAnterior, EdNuevaContraseña, EdRepetirContraseña})
        campo->clear();
    Perfil::TDatos datos;
    if (Sistema::Usuario && Sistema::Conexion)
        datos = Perfil::lee(*Sistema::Usuario, *Sistema::Conexion);
    TxEmailPerfil->setText(Sistema::Usuario ? Sistema::Usuario->getEmail() : QString());
    EdNombre->setText(datos.nombre);
    EdApellidoPaterno->setText(datos.apellidoPaterno);
    EdApellidoMaterno->setText(datos.apellidoMaterno);
    muestraImagen(datos.imagen);
    for (const TDatosTelefono& telefono : datos.telefonos)
        TxTelefono->muestraTelefono(telefono);
    for (const QString& email : datos.emails)
        agregaEmail(email);
    TxLeyendaUsoExclusivo->setText(QString(QStringLiteral("Esta información es para uso exclusivo de [marca]."))
                                       .replace(MARCA_SUST, Sistema::marca));
    ordenTabulacion();
    avisaAltura();
}

bool TPerfilFrm::dejaCambios() const
{
    QStringList campos = TSeccionEmpresa::modificados({EdNombre, EdApellidoPaterno, EdApellidoMaterno});
    // The password fields open empty: anything in them was typed.
    for (const QLineEdit* campo : {EdContraseñaAnterior, EdNuevaContraseña, EdRepetirContraseña})
        if (!campo->text().isEmpty())
            campos << campo->placeholderText();
    for (const QLineEdit* correo : listaEmail)
        if (correo->isModified() && !campos.contains(CORREO_ELECTRONICO))
            campos << CORREO_ELECTRONICO;
    return TSeccionEmpresa::descartaCambios(campos);
}

void TPerfilFrm::agregaEmail(const QString& email)
{
    const int n = ++contEmail;
    auto* fila = new QWidget(TxEmail);
    fila->setObjectName(ABC + QString::number(n));
    auto* diseno = new QHBoxLayout(fila);
    diseno->setContentsMargins(0, 0, 0, 0);
    QLineEdit* correo = Controles::campo(fila, QStringLiteral("EdCorreo") + QString::number(n), CORREO_ELECTRONICO);
    Controles::largoColumna(correo, TEmail::tablaEsquema(), TEmail::col_Email);
    correo->setText(email);
    correo->setMinimumWidth(203);
    connect(correo, &QLineEdit::returnPressed, this, &TPerfilFrm::BtGuardarClick);
    QLabel* eliminar = Controles::imagen(fila, ABC_IMG + QString::number(n), 15);
    eliminar->setPixmap(Utils::imagenRS(IMG_DELETE, Sistema::exePath));
    eliminar->setToolTip(QStringLiteral("Quitar este correo"));
    // The picture is the only way to its action: named, it takes a stop of
    // its own after its field, and Enter or Space runs it.
    eliminar->setAccessibleName(eliminar->toolTip());
    // The image's name without NOMBRE_IMAGEN is the row's key.
    Controles::alClic(eliminar, [this, nombre = eliminar->objectName()] {
        eleminaLineaEmail(QString(nombre).remove(NOMBRE_IMAGEN, Qt::CaseInsensitive));
    });
    diseno->addWidget(correo, 1);
    diseno->addWidget(eliminar);
    fila->setFixedHeight(ALTO_FILA);
    m_filasEmail->addWidget(fila);
    // Counted by the page's height at once, not when the event loop shows it.
    fila->show();
    listaEmail.insert(n, correo);
    listaLineaEmail.insert(n, fila);
    ordenTabulacion();
    avisaAltura();
}

void TPerfilFrm::eleminaLineaEmail(const QString& clave)
{
    bool ok = false;
    const int n = QString(clave).remove(ABC).toInt(&ok);
    if (!ok || !listaLineaEmail.contains(n))
        return;
    QWidget* fila = listaLineaEmail.take(n);
    listaEmail.remove(n);
    m_filasEmail->removeWidget(fila);
    fila->hide();
    fila->deleteLater();
    ordenTabulacion();
    avisaAltura();
}

void TPerfilFrm::elminiaListaEmail()
{
    const QList<int> claves = listaLineaEmail.keys();
    for (auto it = claves.crbegin(); it != claves.crend(); ++it)
        eleminaLineaEmail(ABC + QString::number(*it));
}

void TPerfilFrm::BtPerfilClick()
{
    const QString ruta = SelectorArchivos::archivo(this, QStringLiteral("Imagen de Perfil"),
                                                   QStringLiteral("Imágenes (*.png *.jpg *.jpeg *.bmp *.gif)"));
    if (ruta.isEmpty())
        return;
    QByteArray datos;
    const QString error = RevisionImagen::lee(ruta, datos);
    if (!error.isEmpty()) {
        Utils::mensaje(error, MSG_ERROR);
        return;
    }
    pathImagenPefil = ruta;
    muestraImagen(datos);
}

void TPerfilFrm::BtGuardarClick()
{
    if (!Sistema::Usuario || !Sistema::Conexion)
        return;
    Perfil::TDatos datos;
    datos.nombre = EdNombre->text();
    datos.apellidoPaterno = EdApellidoPaterno->text();
    datos.apellidoMaterno = EdApellidoMaterno->text();
    datos.passwordAnterior = EdContraseñaAnterior->text();
    datos.passwordNueva = EdNuevaContraseña->text();
    datos.passwordRepetida = EdRepetirContraseña->text();
    datos.telefonos = TxTelefono->getTelefonos();
    for (QLineEdit* correo : listaEmail)
        datos.emails << correo->text();
    datos.rutaImagen = pathImagenPefil;

    TUsuario usuario = *Sistema::Usuario;
    Perfil::TResultado resultado;
    if (!Utils::protegido([&] { resultado = Perfil::guarda(datos, usuario, *Sistema::Conexion); },
                          QStringLiteral("No se guardó tu perfil; lo guardado antes no cambió.") + SALTO))
        return;
    if (!resultado.error.isEmpty()) {
        Utils::mensaje(resultado.error, MSG_ERROR);
        return;
    }
    Sistema::Usuario = std::make_shared<TUsuario>(usuario);
    // Moving to another business checks the password again; it must be the
    // one just stored, blanks around it dropped as Perfil stores it.
    if (resultado.password == Perfil::TPassword::Cambiada)
        Ingreso::recuerdaPassword(datos.passwordNueva.trimmed());
    const QString password = Perfil::mensajePassword(resultado.password);
    if (!password.isEmpty())
        Utils::mensaje(password,
                       resultado.password == Perfil::TPassword::AnteriorIncorrecta ? MSG_ERROR : MSG_INFORMATION);
    const bool conFoto = !pathImagenPefil.isEmpty();
    inicializa();
    if (conFoto)
        emit fotoPerfilCambiada();
    // The password is typed again where it was refused.
    if (resultado.password == Perfil::TPassword::AnteriorIncorrecta)
        EdContraseñaAnterior->setFocus();
    else if (!password.isEmpty())
        EdNuevaContraseña->setFocus();
    Utils::mensaje(password.isEmpty() ? INFORMACION_GUARDADA_EXITO : INFORMACION_GUARDADA_SIN_CONTRASENA,
                   MSG_INFORMATION);
}

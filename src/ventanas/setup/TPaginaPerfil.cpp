#include "TPaginaPerfil.h"

#include "Constantes.h"
#include "Controles.h"
#include "DisenoAsistente.h"
#include "Entidades.h"
#include "FiltroCampo.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "Style.h"
#include "TConectarServidorFrm.h"
#include "TTelefonosFrm.h"
#include "app/UtilsVentanas.h"
#include "negocio/Utils.h"
#include "setup/ReglasCaptura.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Constantes;
using namespace DisenoAsistente;
using Controles::campo;
using Controles::texto;

TPaginaPerfil::TPaginaPerfil(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabItem1"));
    setAutoFillBackground(true);
    auto* diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(40, 16, 40, 16);
    diseno->addLayout(
        bienvenida(this, ImgBienvenida, QStringLiteral("ImgBienvenida"), TxBienvenida, QStringLiteral("TxBienvenida")));
    diseno->addWidget(texto(this, QStringLiteral("TxPaso1"), QStringLiteral("Paso 1 de 2")));
    diseno->addWidget(texto(this, QStringLiteral("TxEditaPerfil"), QStringLiteral("Edita tu Perfil")));

    auto* formulario = Controles::nuevoFormulario();
    EdCorreoElectronico = campo(this, ReglasCaptura::CORREO, QStringLiteral("Correo Electrónico"));
    Controles::fila(formulario, EdCorreoElectronico, EdCorreoElectronico->placeholderText());
    auto* nota = texto(this, QStringLiteral("TxNotaCorreo"),
                       QStringLiteral("Tu correo electrónico es tu nombre de usuario para entrar al sistema."));
    nota->setWordWrap(true);
    formulario->addRow(QString(), nota);
    EdPassword = campo(this, ReglasCaptura::PASSWORD, QStringLiteral("Contraseña"), true);
    EdRepitePassword = campo(this, ReglasCaptura::REPITE_PASSWORD, QStringLiteral("Repetir Contraseña"), true);
    Controles::fila(formulario, EdPassword, EdPassword->placeholderText());
    Controles::fila(formulario, EdRepitePassword, EdRepitePassword->placeholderText());
    auto* pista = texto(this, QStringLiteral("TxPistaContrasena"),
                        QStringLiteral("Para utilizar el sistema sin contraseña, deja los campos en blanco."));
    pista->setWordWrap(true);
    formulario->addRow(QString(), pista);
    EdNombre = campo(this, QStringLiteral("EdNombre"), QStringLiteral("Nombre"));
    EdApellidoPaterno = campo(this, QStringLiteral("EdApellidoPaterno"), QStringLiteral("Apellido Paterno"));
    EdApellidoMaterno = campo(this, QStringLiteral("EdApellidoMaterno"), QStringLiteral("Apellido Materno"));
    Controles::fila(formulario, EdNombre, EdNombre->placeholderText());
    Controles::fila(formulario, EdApellidoPaterno, EdApellidoPaterno->placeholderText());
    Controles::fila(formulario, EdApellidoMaterno, EdApellidoMaterno->placeholderText());
    diseno->addLayout(formulario);

    auto* encabezado = new QHBoxLayout();
    ImgTelefono = Controles::imagen(this, QStringLiteral("ImgTelefono"), 20);
    encabezado->addWidget(ImgTelefono);
    encabezado->addWidget(texto(this, QStringLiteral("TxTelefonos"), QStringLiteral("Teléfonos")), 1);
    diseno->addLayout(encabezado);
    TxTelefonoContenedor = new TTelefonosFrm(this);
    diseno->addWidget(TxTelefonoContenedor);

    diseno->addStretch();
    auto* botones = new QHBoxLayout();
    BtSiguiente = Controles::boton(this, QStringLiteral("BtSiguiente"), QStringLiteral("Siguiente"));
    TxConectarServidor = texto(this, QStringLiteral("TxConectarServidor"), TConectarServidorFrm::TITULO);
    Controles::alClic(TxConectarServidor, [this] { emit conectarServidor(); });
    botones->addWidget(TxConectarServidor);
    botones->addStretch();
    botones->addWidget(BtSiguiente);
    diseno->addLayout(botones);

    for (QLineEdit* e : {EdCorreoElectronico, EdPassword, EdRepitePassword})
        e->setMaxLength(100);
    Controles::largoColumna(EdCorreoElectronico, TUsuario::tablaEsquema(), TUsuario::col_Email);
    const TTabla& personas = TPersona::tablaEsquema();
    Controles::largoColumna(EdNombre, personas, TPersona::col_Nombre);
    Controles::largoColumna(EdApellidoPaterno, personas, TPersona::col_Apellidopaterno);
    Controles::largoColumna(EdApellidoMaterno, personas, TPersona::col_Apellidomaterno);
    FiltroCampo::correo(EdCorreoElectronico);
    FiltroCampo::quitaErrorAlEnfocar(EdCorreoElectronico);
    connect(BtSiguiente, &QPushButton::clicked, this, &TPaginaPerfil::BtSiguienteClick);
    Controles::botonPredeterminado(this, BtSiguiente);
    connect(TxTelefonoContenedor, &TTelefonosFrm::filasCambiadas, this, &TPaginaPerfil::tabulacionCambiada);
    aplicaEstilos();
}

void TPaginaPerfil::aplicaEstilos()
{
    const QString& carpeta = Sistema::exePath;
    Utils::cargaImageRS(IMG_BANDERA, ImgBienvenida, carpeta);
    Utils::cargaImageRS(IMG_TELEFONO, ImgTelefono, carpeta);
    TxTelefonoContenedor->setImagenEliminar(Utils::imagenRS(IMG_DELETE, carpeta));
    const Style::TStyleFrm& estilo = Style::StyleFrm();
    Controles::fondo(this, QBrush(estilo.getRectangleGradient(Sistema::claveMarca)));
    for (const QString& nombre : {QStringLiteral("TxPaso1"), QStringLiteral("TxEditaPerfil")})
        Controles::colorTexto(findChild<QLabel*>(nombre), RS_TEXTOSUBTITULOS);
    Controles::colorTexto(findChild<QLabel*>(QStringLiteral("TxTelefonos")), RS_TEXTOSECCION);
    for (QLabel* enlace : {TxTelefonoContenedor->TxTelefonoBottom, TxConectarServidor})
        Controles::colorTexto(enlace, RS_TEXTOAZUL);
    Controles::estiloBoton(BtSiguiente, estilo.getButtonFactStyle(Sistema::claveMarca));
}

void TPaginaPerfil::aplicaMarca()
{
    TxBienvenida->setText(textoBienvenida());
}

void TPaginaPerfil::limpia()
{
    quitaErrores();
    for (QLineEdit* e :
         {EdCorreoElectronico, EdPassword, EdRepitePassword, EdNombre, EdApellidoPaterno, EdApellidoMaterno})
        e->clear();
    TxTelefonoContenedor->inicializaTelefono();
}

void TPaginaPerfil::quitaErrores()
{
    for (QWidget* w : {EdCorreoElectronico, EdPassword, EdRepitePassword})
        Controles::quitaError(w);
}

void TPaginaPerfil::enfoca()
{
    EdCorreoElectronico->setFocus();
}

QList<QWidget*> TPaginaPerfil::camposTabulacion() const
{
    QList<QWidget*> orden = {EdCorreoElectronico, EdPassword,       EdRepitePassword, EdNombre,
                             EdApellidoPaterno,   EdApellidoMaterno};
    orden << TxTelefonoContenedor->camposTabulacion();
    orden << TxConectarServidor << BtSiguiente;
    return orden;
}

void TPaginaPerfil::BtSiguienteClick()
{
    quitaErrores();
    const ReglasCaptura::TFaltas faltas =
        ReglasCaptura::revisaPerfil(EdCorreoElectronico->text(), EdPassword->text(), EdRepitePassword->text());
    if (faltas.isEmpty()) {
        emit aceptada();
        return;
    }
    // The cursor goes to the first field at fault before the marks are
    // painted: the e-mail field drops its mark as it takes the focus.
    findChild<QWidget*>(faltas.constFirst().campo)->setFocus();
    for (const ReglasCaptura::TFalta& falta : faltas)
        Controles::marcaError(findChild<QWidget*>(falta.campo));
    const QString& mensaje = faltas.constFirst().mensaje;
    Logmanager::Log(QStringLiteral("Perfil rechazado: ") + mensaje, 1, Sistema::exePath);
    Utils::mensaje(mensaje, MSG_WARNING);
}

void TPaginaPerfil::llena(NuevoNegocio::TDatos& datos) const
{
    datos.email = EdCorreoElectronico->text().trimmed();
    datos.password = EdPassword->text();
    datos.nombre = EdNombre->text().trimmed();
    datos.apellidoPaterno = EdApellidoPaterno->text().trimmed();
    datos.apellidoMaterno = EdApellidoMaterno->text().trimmed();
    datos.telefonos = TxTelefonoContenedor->getTelefonos();
}

const std::vector<std::unique_ptr<TTelefonoBean>>& TPaginaPerfil::telefonos() const
{
    return TxTelefonoContenedor->telefonos();
}

#include "TPaginaRecuperacion.h"

#include "Constantes.h"
#include "Controles.h"
#include "DisenoAsistente.h"
#include "Sistema.h"
#include "Style.h"
#include "app/UtilsVentanas.h"
#include "negocio/Utils.h"
#include "setup/TRecuperacion.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <memory>

using namespace Constantes;
using namespace DisenoAsistente;
using Controles::boton;
using Controles::campo;
using Controles::texto;

const QString TPaginaRecuperacion::PROGRESO_CORREO = QStringLiteral("Enviando la clave de recuperación");

namespace {
const QString CLAVE_ENVIADA = QStringLiteral("Se envió la clave de recuperación a %1. Revisa tu correo.");
const QString NOTA_ENVIO = QStringLiteral("Te enviaremos a este correo una clave para recuperar tu contraseña.");

QString notaEnvio()
{
    return NOTA_ENVIO + QLatin1Char(' ') + Recuperacion::textoVigencia();
}
} // namespace

TPaginaRecuperacion::TPaginaRecuperacion(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabItem3"));
    setAutoFillBackground(true);
    auto* diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(40, 16, 40, 16);
    diseno->addLayout(bienvenida(this, ImBienvenidaRecuperacion, QStringLiteral("ImBienvenidaRecuperacion"),
                                 TxBienvenidaRecuperacion, QStringLiteral("TxBienvenidaRecuperacion")));
    diseno->addWidget(texto(this, QStringLiteral("TxRecuperaContrasena"), QStringLiteral("Recupera tu Contraseña")));

    auto* formulario = Controles::nuevoFormulario();
    TxRecuperaEmail = texto(this, QStringLiteral("TxRecuperaEmail"));
    TxRecuperaEmail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    formulario->addRow(texto(this, QStringLiteral("TxUsuario"), QStringLiteral("Usuario")), TxRecuperaEmail);
    // The note has a row of its own: beside the button, in a nested row,
    // the form gave it two lines and cut the rest (where to set the mail).
    TxNotaEnvio = texto(this, QStringLiteral("TxNotaEnvio"), notaEnvio());
    TxNotaEnvio->setWordWrap(true);
    formulario->addRow(QString(), TxNotaEnvio);
    auto* filaEnvio = new QHBoxLayout();
    BtEnviaClave = boton(this, QStringLiteral("BtEnviaClave"), QStringLiteral("&Enviar Clave"));
    filaEnvio->addStretch();
    filaEnvio->addWidget(BtEnviaClave);
    formulario->addRow(QString(), filaEnvio);

    formulario->addRow(texto(this, QStringLiteral("TxIngresaClave"),
                             QStringLiteral("Ingresa tu Clave de Recuperación de Contraseña")));
    auto* filaClave = new QHBoxLayout();
    filaClave->setSpacing(ESPACIO_FILA);
    EdClaveRecuperacion =
        campo(this, QStringLiteral("EdClaveRecuperacion"), QStringLiteral("Clave de Recuperación de Contraseña"));
    BtIngresarRecuperacion = boton(this, QStringLiteral("BtIngresarRecuperacion"), QStringLiteral("&Ingresar"));
    filaClave->addWidget(EdClaveRecuperacion, 1);
    filaClave->addWidget(BtIngresarRecuperacion);
    formulario->addRow(Controles::etiqueta(this, EdClaveRecuperacion, QStringLiteral("C&lave")), filaClave);

    formulario->addRow(texto(this, QStringLiteral("TxIngresaContrasena"), QStringLiteral("Ingresa tu Contraseña")));
    EdRecuperaPass = campo(this, QStringLiteral("EdRecuperaPass"), QStringLiteral("Contraseña"), true);
    EdRecuperaPassRepite =
        campo(this, QStringLiteral("EdRecuperaPassRepite"), QStringLiteral("Repite Contraseña"), true);
    Controles::fila(formulario, EdRecuperaPass, EdRecuperaPass->placeholderText());
    Controles::fila(formulario, EdRecuperaPassRepite, EdRecuperaPassRepite->placeholderText());
    TxLeyendaAyuda = texto(this, QStringLiteral("TxLeyendaAyuda"),
                           QStringLiteral("Para utilizar el sistema sin contraseña, deja los campos en blanco."));
    TxLeyendaAyuda->setWordWrap(true);
    formulario->addRow(QString(), TxLeyendaAyuda);
    diseno->addLayout(formulario);

    diseno->addStretch();
    auto* botones = new QHBoxLayout();
    BtCancelar = boton(this, QStringLiteral("BtCancelar"), QStringLiteral("Cancelar"));
    BtGuardar = boton(this, QStringLiteral("BtGuardar"), QStringLiteral("&Guardar"));
    botones->addWidget(BtCancelar);
    botones->addStretch();
    botones->addWidget(BtGuardar);
    diseno->addLayout(botones);
    for (QLineEdit* e : {EdClaveRecuperacion, EdRecuperaPass, EdRecuperaPassRepite})
        e->setMaxLength(100);
    // Escape leaves the page as Cancelar does.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &TPaginaRecuperacion::BtCancelarClick);
    connect(BtCancelar, &QPushButton::clicked, this, &TPaginaRecuperacion::BtCancelarClick);
    connect(BtEnviaClave, &QPushButton::clicked, this, &TPaginaRecuperacion::BtEnviaClaveClick);
    connect(BtIngresarRecuperacion, &QPushButton::clicked, this, &TPaginaRecuperacion::BtIngresarRecuperacionClick);
    connect(EdClaveRecuperacion, &QLineEdit::returnPressed, this, &TPaginaRecuperacion::BtIngresarRecuperacionClick);
    connect(BtGuardar, &QPushButton::clicked, this, &TPaginaRecuperacion::BtGuardarClick);
    connect(EdRecuperaPass, &QLineEdit::returnPressed, this, &TPaginaRecuperacion::BtGuardarClick);
    connect(EdRecuperaPassRepite, &QLineEdit::returnPressed, this, &TPaginaRecuperacion::BtGuardarClick);
    habilitaNuevoPassword(false);
    aplicaEstilos();
}

TPaginaRecuperacion::~TPaginaRecuperacion()
{
    // The mail still on its way would report to a page that is gone.
    if (m_envio)
        m_envio->wait();
}

void TPaginaRecuperacion::aplicaEstilos()
{
    Utils::cargaImageRS(IMG_BANDERA, ImBienvenidaRecuperacion, Sistema::exePath);
    const Style::TStyleFrm& estilo = Style::StyleFrm();
    Controles::fondo(this, QBrush(estilo.getRectangleGradient(Sistema::claveMarca)));
    Controles::colorTexto(findChild<QLabel*>(QStringLiteral("TxRecuperaContrasena")), RS_TEXTOSUBTITULOS);
    for (const QString& nombre : {QStringLiteral("TxIngresaClave"), QStringLiteral("TxIngresaContrasena")})
        Controles::colorTexto(findChild<QLabel*>(nombre), RS_TEXTOSECCION);
    const QString hoja = estilo.getButtonFactStyle(Sistema::claveMarca);
    for (QPushButton* b : {BtEnviaClave, BtIngresarRecuperacion, BtCancelar, BtGuardar})
        Controles::estiloBoton(b, hoja);
}

void TPaginaRecuperacion::aplicaMarca()
{
    TxBienvenidaRecuperacion->setText(textoBienvenida());
}

QList<QWidget*> TPaginaRecuperacion::camposTabulacion() const
{
    return {BtEnviaClave, EdClaveRecuperacion, BtIngresarRecuperacion, EdRecuperaPass, EdRecuperaPassRepite, BtCancelar,
            BtGuardar};
}

void TPaginaRecuperacion::limpia()
{
    // Nothing typed on the page outlives it.
    for (QLineEdit* e : {EdClaveRecuperacion, EdRecuperaPass, EdRecuperaPassRepite})
        e->clear();
    habilitaNuevoPassword(false);
}

void TPaginaRecuperacion::inicia(const QString& rfc, const QString& email)
{
    m_rfc = rfc;
    TxRecuperaEmail->setText(email);
    // Said before the user tries: on a computer without mail the page
    // leads nowhere until the administrator sets it.
    const bool conCorreo = Recuperacion::correoConfigurado(rfc);
    TxNotaEnvio->setText(conCorreo ? notaEnvio() : ERR_CORREO_SIN_CONFIGURAR);
    limpia();
    // A button that can only refuse is no place for the focus; a key
    // received earlier can still be typed.
    BtEnviaClave->setEnabled(conCorreo && !m_envio);
    if (conCorreo)
        BtEnviaClave->setFocus();
    else
        EdClaveRecuperacion->setFocus();
}

void TPaginaRecuperacion::habilitaNuevoPassword(bool habilitar)
{
    for (QWidget* w : {static_cast<QWidget*>(EdRecuperaPass), static_cast<QWidget*>(EdRecuperaPassRepite),
                       static_cast<QWidget*>(BtGuardar)})
        w->setEnabled(habilitar);
}

void TPaginaRecuperacion::BtCancelarClick()
{
    limpia();
    emit cancelada();
}

void TPaginaRecuperacion::BtEnviaClaveClick()
{
    if (m_envio)
        return;
    const QString email = TxRecuperaEmail->text();
    // The resource package is read here, on this thread; only the mail goes
    // to the worker, so a slow server never freezes the window.
    const Recuperacion::TMarcaCorreo marca = Recuperacion::marcaCorreo();
    auto enviado = std::make_shared<bool>(false);
    QThread* hilo = QThread::create(
        [rfc = m_rfc, email, marca, enviado] { *enviado = Recuperacion::enviaClave(rfc, email, marca); });
    hilo->setParent(this);
    m_envio = hilo;
    const QString titulo = BtEnviaClave->text();
    BtEnviaClave->setEnabled(false);
    BtEnviaClave->setText(QStringLiteral("Enviando…"));
    connect(hilo, &QThread::finished, this, [this, enviado, email, titulo] {
        BtEnviaClave->setText(titulo);
        BtEnviaClave->setEnabled(true);
        if (*enviado) {
            Utils::mensaje(CLAVE_ENVIADA.arg(email), MSG_INFORMATION);
            EdClaveRecuperacion->setFocus();
        }
    });
    connect(hilo, &QThread::finished, hilo, &QObject::deleteLater);
    hilo->start();
}

void TPaginaRecuperacion::BtIngresarRecuperacionClick()
{
    if (!Recuperacion::validaClave(m_rfc, EdClaveRecuperacion->text(), TxRecuperaEmail->text())) {
        habilitaNuevoPassword(false);
        EdClaveRecuperacion->setFocus();
        EdClaveRecuperacion->selectAll();
        return;
    }
    habilitaNuevoPassword(true);
    EdRecuperaPass->setFocus();
}

void TPaginaRecuperacion::BtGuardarClick()
{
    if (!BtGuardar->isEnabled())
        return;
    Controles::quitaError(EdRecuperaPass);
    Controles::quitaError(EdRecuperaPassRepite);
    // The business's database is opened here for the first time since the
    // program started; one that fails (locked, moved, read-only) leaves the
    // page as it was, and the key, given back, still serves.
    Recuperacion::TResultado resultado{};
    if (!Utils::protegido([&] {
            resultado = Recuperacion::guardaPassword(m_rfc, TxRecuperaEmail->text(), EdClaveRecuperacion->text(),
                                                     EdRecuperaPass->text(), EdRecuperaPassRepite->text());
        }))
        return;
    switch (resultado) {
    case Recuperacion::TResultado::Correcto:
        limpia();
        emit guardada();
        break;
    case Recuperacion::TResultado::ContrasenaDistinta:
        Controles::marcaError(EdRecuperaPass);
        Controles::marcaError(EdRecuperaPassRepite);
        EdRecuperaPass->setFocus();
        break;
    case Recuperacion::TResultado::ClaveNoValida:
    case Recuperacion::TResultado::DemasiadosIntentos:
        habilitaNuevoPassword(false);
        EdClaveRecuperacion->setFocus();
        break;
    default:
        break;
    }
}

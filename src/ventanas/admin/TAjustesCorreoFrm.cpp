#include "TAjustesCorreoFrm.h"

#include "Constantes.h"
#include "Controles.h"
#include "Sistema.h"
#include "Style.h"
#include "negocio/Utils.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QThread>
#include <QVBoxLayout>

#include <memory>

using namespace Constantes;
using namespace AjustesCorreo;

const QString TAjustesCorreoFrm::TITULO = QStringLiteral("Configurar correo");

namespace {

const QString EXPLICACION =
    QStringLiteral("Con este correo el programa envía a los usuarios de esta empresa la clave para recuperar su "
                   "contraseña. Pide estos datos a tu proveedor de correo.");
const QString PASSWORD_GUARDADA = QStringLiteral("Guardada; escribe otra para cambiarla");
const QString ENVIANDO = QStringLiteral("Enviando el mensaje de prueba…");

} // namespace

bool TAjustesCorreoFrm::abre(QWidget* padre, const QString& carpetaPrograma, const QString& correoUsuario)
{
    if (!AjustesCorreo::puedeConfigurar()) {
        Utils::mensaje(ERROR_PERMISOS, MSG_WARNING);
        return false;
    }
    TAjustesCorreoFrm ventana(carpetaPrograma, AjustesCorreo::rfcSesion(), correoUsuario, padre);
    return ventana.exec() == QDialog::Accepted;
}

TAjustesCorreoFrm::TAjustesCorreoFrm(const QString& carpetaPrograma, const QString& rfc, const QString& correoUsuario,
                                     QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_carpeta(carpetaPrograma), m_rfc(rfc), m_guardados(AjustesCorreo::lee(carpetaPrograma, rfc))
{
    // The program-wide password is the deployment's, not this business's:
    // kept, "Probar" would hand it to whatever server is typed and "Guardar"
    // would copy it into this business's settings. The rest is offered as a
    // start; with an account the password has to be typed again.
    if (!AjustesCorreo::propios(carpetaPrograma, rfc))
        m_guardados.password.clear();
    setObjectName(QStringLiteral("AjustesCorreoFrm"));
    setWindowTitle(TITULO);
    setModal(true);
    setMinimumWidth(520);

    TxTitulo = Controles::texto(this, QStringLiteral("TxTitulo"), TITULO);
    QFont titulo = TxTitulo->font();
    titulo.setPointSize(titulo.pointSize() + 4);
    titulo.setBold(true);
    TxTitulo->setFont(titulo);
    TxExplicacion = Controles::texto(this, QStringLiteral("TxExplicacion"), EXPLICACION);
    TxExplicacion->setWordWrap(true);

    EdServidor = Controles::campo(this, QStringLiteral("EdServidor"), QStringLiteral("smtp.tu-proveedor.com"));
    CbSeguridad = new QComboBox(this);
    CbSeguridad->setObjectName(QStringLiteral("CbSeguridad"));
    CbSeguridad->addItems(AjustesCorreo::nombresSeguridad());
    SpPuerto = new QSpinBox(this);
    SpPuerto->setObjectName(QStringLiteral("SpPuerto"));
    SpPuerto->setRange(1, 65535);
    EdCuenta =
        Controles::campo(this, QStringLiteral("EdCuenta"), QStringLiteral("Vacía si el servidor no pide cuenta"));
    EdPassword = Controles::campo(this, QStringLiteral("EdPassword"), QString(), true);
    EdRemitente = Controles::campo(this, QStringLiteral("EdRemitente"), Utils::getMarcaMail(carpetaPrograma));
    EdCorreoPrueba = Controles::campo(this, QStringLiteral("EdCorreoPrueba"), CORREO_ELECTRONICO);
    BtProbar = Controles::boton(this, QStringLiteral("BtProbar"), QStringLiteral("&Probar"));
    TxEstado = Controles::texto(this, QStringLiteral("TxEstado"));
    BtCancelar = Controles::boton(this, QStringLiteral("BtCancelar"), QStringLiteral("Cancelar"));
    BtGuardar = Controles::boton(this, QStringLiteral("BtGuardar"), QStringLiteral("&Guardar"));
    for (QLineEdit* e : {EdServidor, EdCuenta, EdPassword, EdRemitente, EdCorreoPrueba})
        e->setMaxLength(254);

    auto* formulario = Controles::nuevoFormulario();
    Controles::fila(formulario, EdServidor, QStringLiteral("&Servidor"));
    Controles::fila(formulario, CbSeguridad, QStringLiteral("S&eguridad"));
    Controles::fila(formulario, SpPuerto, QStringLiteral("Puer&to"));
    Controles::fila(formulario, EdCuenta, QStringLiteral("&Cuenta"));
    Controles::fila(formulario, EdPassword, QStringLiteral("C&ontraseña"));
    Controles::fila(formulario, EdRemitente, QStringLiteral("&Remitente"));

    auto* separador = new QFrame(this);
    separador->setObjectName(QStringLiteral("LnSeparador"));
    separador->setFrameShape(QFrame::HLine);
    separador->setFrameShadow(QFrame::Plain);
    auto* prueba = Controles::nuevoFormulario();
    auto* filaPrueba = new QHBoxLayout();
    filaPrueba->addWidget(EdCorreoPrueba, 1);
    filaPrueba->addWidget(BtProbar);
    Controles::fila(prueba, EdCorreoPrueba, QStringLiteral("Enviar una prueba &a"), filaPrueba);

    auto* botones = new QHBoxLayout();
    botones->addStretch();
    botones->addWidget(BtCancelar);
    botones->addWidget(BtGuardar);

    auto* diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(20, 16, 20, 16);
    diseno->addWidget(TxTitulo);
    diseno->addWidget(TxExplicacion);
    diseno->addSpacing(8);
    diseno->addLayout(formulario);
    diseno->addSpacing(4);
    diseno->addWidget(separador);
    diseno->addLayout(prueba);
    diseno->addWidget(TxEstado);
    diseno->addStretch();
    diseno->addLayout(botones);

    // Enter saves; "Probar" only runs when asked for.
    BtGuardar->setDefault(true);
    BtProbar->setAutoDefault(false);
    BtCancelar->setAutoDefault(false);
    Controles::ordenTabulacion({EdServidor, CbSeguridad, SpPuerto, EdCuenta, EdPassword, EdRemitente, EdCorreoPrueba,
                                BtProbar, BtCancelar, BtGuardar});
    const Style::TStyleFrm& estilo = Style::StyleFrm();
    Controles::fondo(this, QBrush(estilo.getRectangleGradient(Sistema::claveMarca)));
    Controles::colorTexto(TxTitulo, RS_TEXTOSUBTITULOS);
    Controles::estiloBotonesMarca({BtProbar, BtCancelar, BtGuardar});

    EdServidor->setText(m_guardados.servidor);
    CbSeguridad->setCurrentIndex(static_cast<int>(m_guardados.seguridad));
    m_seguridadAnterior = CbSeguridad->currentIndex();
    SpPuerto->setValue(m_guardados.puerto > 0 ? m_guardados.puerto : AjustesCorreo::puertoUsual(m_guardados.seguridad));
    EdCuenta->setText(m_guardados.cuenta);
    // The stored password is never put back on screen, not even masked.
    if (!m_guardados.password.isEmpty())
        EdPassword->setPlaceholderText(PASSWORD_GUARDADA);
    EdRemitente->setText(m_guardados.remitente);
    EdCorreoPrueba->setText(correoUsuario.trimmed());

    connect(CbSeguridad, &QComboBox::currentIndexChanged, this, &TAjustesCorreoFrm::CbSeguridadChange);
    connect(BtProbar, &QPushButton::clicked, this, &TAjustesCorreoFrm::BtProbarClick);
    connect(BtGuardar, &QPushButton::clicked, this, &TAjustesCorreoFrm::BtGuardarClick);
    connect(BtCancelar, &QPushButton::clicked, this, &TAjustesCorreoFrm::reject);
    EdServidor->setFocus();
}

void TAjustesCorreoFrm::CbSeguridadChange(int indice)
{
    // A port the user left at the usual one follows the security; one they
    // typed stays.
    if (SpPuerto->value() == AjustesCorreo::puertoUsual(static_cast<TSeguridad>(m_seguridadAnterior)))
        SpPuerto->setValue(AjustesCorreo::puertoUsual(static_cast<TSeguridad>(indice)));
    m_seguridadAnterior = indice;
}

AjustesCorreo::TAjustes TAjustesCorreoFrm::ajustes() const
{
    AjustesCorreo::TAjustes a;
    a.servidor = EdServidor->text().trimmed();
    a.seguridad = static_cast<TSeguridad>(CbSeguridad->currentIndex());
    a.puerto = SpPuerto->value();
    a.cuenta = EdCuenta->text().trimmed();
    a.password = EdPassword->text().isEmpty() ? m_guardados.password : EdPassword->text();
    if (a.cuenta.isEmpty())
        a.password.clear();
    a.remitente = EdRemitente->text().trimmed();
    return a;
}

void TAjustesCorreoFrm::marcaFaltantes(const AjustesCorreo::TAjustes& ajustes)
{
    QWidget* primero = nullptr;
    for (const AjustesCorreo::TFalta& falta : AjustesCorreo::faltantes(ajustes)) {
        QLineEdit* campo = falta.campo == AjustesCorreo::TFalta::Servidor   ? EdServidor
                           : falta.campo == AjustesCorreo::TFalta::Password ? EdPassword
                                                                            : EdRemitente;
        Controles::marcaError(campo);
        if (!primero)
            primero = campo;
    }
    if (primero)
        primero->setFocus();
}

void TAjustesCorreoFrm::ocupado(bool enviando)
{
    m_enviando = enviando;
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w != TxEstado)
            w->setEnabled(!enviando);
    }
    TxEstado->setText(enviando ? ENVIANDO : QString());
    if (enviando)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TAjustesCorreoFrm::BtProbarClick()
{
    if (m_enviando)
        return;
    const AjustesCorreo::TAjustes a = ajustes();
    if (const QString falta = AjustesCorreo::revisa(a); !falta.isEmpty()) {
        Utils::mensaje(falta, MSG_WARNING);
        marcaFaltantes(a);
        return;
    }
    static const QRegularExpression correo(QRegularExpression::anchoredPattern(ER_EMAIL));
    const QString destinatario = EdCorreoPrueba->text().trimmed();
    if (!correo.match(destinatario).hasMatch()) {
        Utils::mensaje(FALTA_CORREO_PRUEBA, MSG_WARNING);
        Controles::marcaError(EdCorreoPrueba);
        EdCorreoPrueba->setFocus();
        return;
    }
    // The server may take its time (up to the signer's wait) to answer: the
    // mail goes on a worker thread while the window keeps painting, every
    // control disabled, and the click returns once the answer is in.
    const AjustesCorreo::TMensaje mensaje = AjustesCorreo::mensajePrueba(destinatario, Utils::getMarcaMail(m_carpeta));
    auto falla = std::make_shared<QString>();
    const QString carpeta = m_carpeta;
    QThread* hilo =
        QThread::create([carpeta, a, mensaje, falla] { *falla = AjustesCorreo::envia(carpeta, a, mensaje); });
    QEventLoop espera;
    connect(hilo, &QThread::finished, &espera, &QEventLoop::quit);
    ocupado(true);
    hilo->start();
    espera.exec(QEventLoop::ExcludeUserInputEvents);
    hilo->wait();
    delete hilo;
    ocupado(false);
    if (falla->isEmpty())
        Utils::mensaje(PRUEBA_ENVIADA.arg(destinatario), MSG_INFORMATION);
    else
        Utils::mensaje(PRUEBA_FALLIDA + *falla, MSG_ERROR);
    BtProbar->setFocus();
}

void TAjustesCorreoFrm::BtGuardarClick()
{
    if (m_enviando)
        return;
    const AjustesCorreo::TAjustes a = ajustes();
    const QString error = AjustesCorreo::guarda(m_carpeta, m_rfc, a);
    if (!error.isEmpty()) {
        Utils::mensaje(error, MSG_WARNING);
        marcaFaltantes(a);
        return;
    }
    m_guardados = a;
    Utils::mensaje(AJUSTES_GUARDADOS, MSG_INFORMATION);
    accept();
}

void TAjustesCorreoFrm::reject()
{
    if (!m_enviando)
        QDialog::reject();
}

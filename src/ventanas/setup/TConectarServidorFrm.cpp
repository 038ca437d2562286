#include "TConectarServidorFrm.h"

#include "Conexiones.h"
#include "Constantes.h"
#include "Controles.h"
#include "FiltroCampo.h"
#include "Sistema.h"
#include "Style.h"
#include "negocio/Utils.h"

#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include <exception>
#include <memory>

using namespace Constantes;
using EmpresaEnServidor::TResultado;

namespace {

const QString EXPLICACION = QStringLiteral(
    "Si la empresa ya trabaja en un servidor de base de datos desde otro equipo, escribe aquí los datos de ese "
    "servidor y el correo y la contraseña de un usuario de la empresa. La empresa se agregará a la lista de este "
    "equipo; en el servidor no se cambia nada.");
const QString BASE_MARIADB = QStringLiteral("Nombre de la base de datos");
const QString BASE_FIREBIRD = QStringLiteral("Ruta del archivo .fdb en el servidor");
const QString CONECTANDO = QStringLiteral("Conectando…");
const QString NO_SE_AGREGO = QStringLiteral("No se pudo agregar la empresa: ");

QLabel* seccion(QWidget* padre, const QString& nombre, const QString& texto)
{
    QLabel* etiqueta = Controles::texto(padre, nombre, texto);
    QFont letra = etiqueta->font();
    letra.setBold(true);
    etiqueta->setFont(letra);
    return etiqueta;
}

} // namespace

// What the worker hands back: the answer, or what it raised (a registry
// that could not be written).
struct TConectarServidorFrm::TRespuesta {
    EmpresaEnServidor::TConexion conexion;
    std::exception_ptr error;
};

TConectarServidorFrm::TConectarServidorFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ConectarServidorFrm"));
    setWindowTitle(TITULO);
    setModal(true);
    setMinimumWidth(480);

    TxExplicacion = Controles::texto(this, QStringLiteral("TxExplicacion"), EXPLICACION);
    TxExplicacion->setWordWrap(true);

    CmbMotor = new QComboBox(this);
    CmbMotor->setObjectName(QStringLiteral("CmbMotor"));
    CmbMotor->addItem(CBD_MARIADB, DB_MySQL);
    CmbMotor->addItem(CBD_FIREBIRD, DB_FIREBIRD_SERVIDOR);
    EdServidor = Controles::campo(this, QStringLiteral("EdServidor"), QStringLiteral("Nombre o dirección IP"));
    EdPuerto = Controles::campo(this, QStringLiteral("EdPuerto"), PUERTO_MARIADB);
    EdPuerto->setValidator(new QIntValidator(1, 65535, EdPuerto));
    EdBaseDatos = Controles::campo(this, QStringLiteral("EdBaseDatos"), BASE_MARIADB);
    EdUsuarioServidor = Controles::campo(this, QStringLiteral("EdUsuarioServidor"), QStringLiteral("Usuario"));
    EdPasswordServidor =
        Controles::campo(this, QStringLiteral("EdPasswordServidor"), QStringLiteral("Contraseña"), true);
    EdCorreo = Controles::campo(this, QStringLiteral("EdCorreo"), QStringLiteral("Correo Electrónico"));
    EdPassword = Controles::campo(this, QStringLiteral("EdPassword"), QStringLiteral("Contraseña"), true);
    for (QLineEdit* e :
         {EdServidor, EdPuerto, EdBaseDatos, EdUsuarioServidor, EdPasswordServidor, EdCorreo, EdPassword})
        e->setMaxLength(e == EdBaseDatos ? 255 : 100);
    FiltroCampo::correo(EdCorreo);

    // One form for both parts, so every field starts at the same column.
    auto* formulario = Controles::nuevoFormulario();
    formulario->addRow(
        seccion(this, QStringLiteral("TxServidorBaseDatos"), QStringLiteral("Servidor de base de datos")));
    Controles::fila(formulario, CmbMotor, QStringLiteral("Motor"));
    Controles::fila(formulario, EdServidor, QStringLiteral("Servidor"));
    Controles::fila(formulario, EdPuerto, QStringLiteral("Puerto"));
    Controles::fila(formulario, EdBaseDatos, QStringLiteral("Base de Datos"));
    Controles::fila(formulario, EdUsuarioServidor, QStringLiteral("Usuario"));
    Controles::fila(formulario, EdPasswordServidor, QStringLiteral("Contraseña"));
    auto* separador = new QFrame(this);
    separador->setObjectName(QStringLiteral("LnSeparador"));
    separador->setFrameShape(QFrame::HLine);
    separador->setFrameShadow(QFrame::Sunken);
    formulario->addRow(separador);
    formulario->addRow(seccion(this, QStringLiteral("TxUsuarioEmpresa"), QStringLiteral("Usuario de la empresa")));
    Controles::fila(formulario, EdCorreo, QStringLiteral("Correo Electrónico"));
    Controles::fila(formulario, EdPassword, QStringLiteral("Contraseña"));

    BtCancelar = Controles::boton(this, QStringLiteral("BtCancelar"), QStringLiteral("Cancelar"));
    BtConectar = Controles::boton(this, QStringLiteral("BtConectar"), QStringLiteral("Conectar"));
    BtConectar->setDefault(true);
    // One width for both, wide enough for the busy text: the button never
    // grows and shifts its neighbour.
    const int ancho =
        qMax(BtConectar->sizeHint().width(), BtConectar->fontMetrics().horizontalAdvance(CONECTANDO) + 40);
    for (QPushButton* boton : {BtCancelar, BtConectar})
        boton->setMinimumWidth(ancho);
    auto* botones = new QHBoxLayout();
    botones->addStretch();
    botones->addWidget(BtCancelar);
    botones->addWidget(BtConectar);

    auto* diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(20, 16, 20, 16);
    diseno->setSpacing(12);
    diseno->addWidget(TxExplicacion);
    diseno->addLayout(formulario);
    diseno->addStretch();
    diseno->addLayout(botones);

    Controles::ordenTabulacion({CmbMotor, EdServidor, EdPuerto, EdBaseDatos, EdUsuarioServidor, EdPasswordServidor,
                                EdCorreo, EdPassword, BtCancelar, BtConectar});

    connect(CmbMotor, &QComboBox::currentIndexChanged, this, &TConectarServidorFrm::cambiaMotor);
    for (QLineEdit* e : {EdServidor, EdPuerto, EdBaseDatos, EdUsuarioServidor, EdCorreo})
        connect(e, &QLineEdit::textChanged, this, &TConectarServidorFrm::revisaCampos);
    connect(BtCancelar, &QPushButton::clicked, this, &QDialog::reject);
    connect(BtConectar, &QPushButton::clicked, this, &TConectarServidorFrm::BtConectarClick);
    aplicaEstilos();
    revisaCampos();
    CmbMotor->setFocus();
}

TConectarServidorFrm::~TConectarServidorFrm()
{
    // The check would report to a window that is gone.
    if (m_hilo)
        m_hilo->wait();
}

void TConectarServidorFrm::aplicaEstilos()
{
    const Style::TStyleFrm& estilo = Style::StyleFrm();
    Controles::fondo(this, QBrush(estilo.getRectangleGradient(Sistema::claveMarca)));
    for (const QString& nombre : {QStringLiteral("TxServidorBaseDatos"), QStringLiteral("TxUsuarioEmpresa")})
        Controles::colorTexto(findChild<QLabel*>(nombre), RS_TEXTOSECCION);
    Controles::estiloBotonesMarca({BtCancelar, BtConectar});
}

NuevoNegocio::TDestino TConectarServidorFrm::destino() const
{
    NuevoNegocio::TDestino d;
    d.motor = CmbMotor->currentData().toString();
    d.servidor = EdServidor->text().trimmed();
    d.puerto = EdPuerto->text().trimmed();
    d.baseDatos = EdBaseDatos->text().trimmed();
    d.usuario = EdUsuarioServidor->text().trimmed();
    d.password = EdPasswordServidor->text();
    return d;
}

QString TConectarServidorFrm::correo() const
{
    return EdCorreo->text().trimmed();
}

void TConectarServidorFrm::cambiaMotor()
{
    // What was typed stays: only the hints follow the engine.
    const bool firebird = CmbMotor->currentData().toString() == DB_FIREBIRD_SERVIDOR;
    EdPuerto->setPlaceholderText(firebird ? PUERTO_FIREBIRD : PUERTO_MARIADB);
    EdBaseDatos->setPlaceholderText(firebird ? BASE_FIREBIRD : BASE_MARIADB);
}

void TConectarServidorFrm::revisaCampos()
{
    bool completos = EdPuerto->text().isEmpty() || EdPuerto->hasAcceptableInput();
    for (const QLineEdit* e : {EdServidor, EdBaseDatos, EdUsuarioServidor, EdCorreo})
        completos = completos && !e->text().trimmed().isEmpty();
    BtConectar->setEnabled(completos && !conectando());
}

void TConectarServidorFrm::muestraOcupado(bool ocupado)
{
    for (QWidget* w : std::initializer_list<QWidget*>{CmbMotor, EdServidor, EdPuerto, EdBaseDatos, EdUsuarioServidor,
                                                      EdPasswordServidor, EdCorreo, EdPassword, BtCancelar})
        w->setEnabled(!ocupado);
    BtConectar->setText(ocupado ? CONECTANDO : QStringLiteral("Conectar"));
    if (ocupado)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
    revisaCampos();
}

void TConectarServidorFrm::BtConectarClick()
{
    if (conectando() || !BtConectar->isEnabled())
        return;
    const NuevoNegocio::TDestino servidor = destino();
    const QString email = correo();
    const QString password = EdPassword->text();
    auto respuesta = std::make_shared<TRespuesta>();
    QThread* hilo = QThread::create([servidor, email, password, respuesta] {
        try {
            respuesta->conexion = EmpresaEnServidor::conecta(servidor, email, password);
        } catch (...) {
            respuesta->error = std::current_exception();
        }
        Conexiones::cierraHilo();
    });
    hilo->setParent(this);
    m_hilo = hilo;
    muestraOcupado(true);
    connect(hilo, &QThread::finished, this, [this, respuesta] { terminaConexion(*respuesta); });
    connect(hilo, &QThread::finished, hilo, &QObject::deleteLater);
    hilo->start();
}

void TConectarServidorFrm::terminaConexion(const TRespuesta& respuesta)
{
    m_hilo.clear();
    muestraOcupado(false);
    if (respuesta.error) {
        try {
            std::rethrow_exception(respuesta.error);
        } catch (const std::exception& e) {
            Utils::muestraError(e, NO_SE_AGREGO);
        } catch (...) {
            Utils::mensaje(NO_SE_AGREGO + QStringLiteral("error desconocido."), MSG_ERROR);
        }
        return;
    }
    const EmpresaEnServidor::TConexion& conexion = respuesta.conexion;
    if (conexion.resultado == TResultado::Conectada) {
        Utils::mensaje(conexion.texto, MSG_INFORMATION);
        emit empresaConectada(conexion.rfc);
        accept();
        return;
    }
    Utils::mensaje(conexion.texto, conexion.resultado == TResultado::SinRespuesta ? MSG_ERROR : MSG_WARNING);
    // The user goes back to what the answer points at.
    switch (conexion.resultado) {
    case TResultado::SinRespuesta:
        EdServidor->setFocus();
        break;
    case TResultado::SinNegocio:
        EdBaseDatos->setFocus();
        break;
    case TResultado::NoEsUsuario:
        EdCorreo->setFocus();
        break;
    case TResultado::ContrasenaIncorrecta:
        EdPassword->setFocus();
        EdPassword->selectAll();
        break;
    default:
        BtCancelar->setFocus();
        break;
    }
}

void TConectarServidorFrm::done(int resultado)
{
    if (conectando())
        return;
    QDialog::done(resultado);
}

#include "TConfiguracionBaseDatosFrm.h"

#include "Constantes.h"
#include "Controles.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "Style.h"
#include "TConexionSesion.h"
#include "negocio/PruebaServidor.h"
#include "negocio/TNuevoNegocio.h"
#include "negocio/TCadenaConexion.h"
#include "negocio/TNuevoNegocio.h"
#include "negocio/Utils.h"

#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QThread>
#include <QVBoxLayout>

#include <memory>

namespace {

constexpr int ANCHO = 382;
constexpr int ALTO = 497;

const QString PROBAR = QStringLiteral("Probar Conexión");
const QString PROBANDO = QStringLiteral("Probando…");
const QString ETIQUETA_BASE = QStringLiteral("Base de Datos");
const QString ETIQUETA_ARCHIVO = QStringLiteral("Archivo en el servidor");

QLineEdit* creaEdit(QWidget* padre, const QString& nombre)
{
    QLineEdit* edit = Controles::campo(padre, nombre, QString());
    edit->setClearButtonEnabled(true);
    return edit;
}

} // namespace

TConfiguracionBaseDatosFrm::TConfiguracionBaseDatosFrm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("ConfiguracionBaseDatosFrm"));
    setWindowTitle(QStringLiteral("Configuración Base de Datos"));
    setModal(true);
    setFixedSize(ANCHO, ALTO);

    Rectangle1 = new QFrame(this);
    Rectangle1->setObjectName(QStringLiteral("Rectangle1"));
    auto* ventana = new QVBoxLayout(this);
    ventana->setContentsMargins(0, 0, 0, 0);
    ventana->addWidget(Rectangle1);

    Text7 = new QLabel(QStringLiteral("Configuración de la Base de Datos"), Rectangle1);
    Text7->setObjectName(QStringLiteral("Text7"));
    QFont titulo = Text7->font();
    titulo.setPointSize(titulo.pointSize() + 4);
    titulo.setBold(true);
    Text7->setFont(titulo);

    Text8 = new QLabel(
        QStringLiteral("Si dispones de una Base de Datos en un servidor que desees utilice el sistema, puedes "
                       "configurarla para que el Sistema Contable la utilice para almacenar tu información"),
        Rectangle1);
    Text8->setObjectName(QStringLiteral("Text8"));
    Text8->setWordWrap(true);

    auto* separador = new QFrame(Rectangle1);
    separador->setObjectName(QStringLiteral("Line1"));
    separador->setFrameShape(QFrame::HLine);
    separador->setFrameShadow(QFrame::Plain);

    Text9 = new QLabel(QStringLiteral("La base de datos debe estar vacía, y el usuario con el que se entra debe "
                                      "poder leer, escribir y crear tablas en ella."),
                       Rectangle1);
    Text9->setObjectName(QStringLiteral("Text9"));
    Text9->setWordWrap(true);

    ComboBox1 = new QComboBox(Rectangle1);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    Edit1 = creaEdit(Rectangle1, QStringLiteral("Edit1"));
    Edit2 = creaEdit(Rectangle1, QStringLiteral("Edit2"));
    Edit2->setEchoMode(QLineEdit::Password);
    Edit3 = creaEdit(Rectangle1, QStringLiteral("Edit3"));
    Edit4 = creaEdit(Rectangle1, QStringLiteral("Edit4"));
    Edit5 = creaEdit(Rectangle1, QStringLiteral("Edit5"));

    auto* campos = new QFormLayout();
    campos->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    campos->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    campos->addRow(QStringLiteral("Motor de la base de datos"), ComboBox1);
    campos->addRow(QStringLiteral("Usuario"), Edit1);
    campos->addRow(QStringLiteral("Contraseña"), Edit2);
    campos->addRow(QStringLiteral("Puerto"), Edit3);
    campos->addRow(QStringLiteral("Servidor"), Edit4);
    m_etiquetaBase = new QLabel(ETIQUETA_BASE, Rectangle1);
    m_etiquetaBase->setObjectName(QStringLiteral("EtEdit5"));
    campos->addRow(m_etiquetaBase, Edit5);

    CornerButton3 = new QPushButton(PROBAR, Rectangle1);
    CornerButton3->setObjectName(QStringLiteral("CornerButton3"));
    CornerButton2 = new QPushButton(QStringLiteral("Cancelar"), Rectangle1);
    CornerButton2->setObjectName(QStringLiteral("CornerButton2"));
    CornerButton1 = new QPushButton(QStringLiteral("Guardar"), Rectangle1);
    CornerButton1->setObjectName(QStringLiteral("CornerButton1"));
    // Enter in an edit must not press "Guardar" behind the user's back.
    for (QPushButton* boton : {CornerButton1, CornerButton2, CornerButton3}) {
        boton->setAutoDefault(false);
        boton->setDefault(false);
    }
    // "Probando…" must not make the button, and the row, jump.
    CornerButton3->setMinimumWidth(
        qMax(CornerButton3->sizeHint().width(), CornerButton3->fontMetrics().horizontalAdvance(PROBANDO) + 24));
    auto* botones = new QHBoxLayout();
    botones->addWidget(CornerButton3);
    botones->addStretch();
    botones->addWidget(CornerButton2);
    botones->addWidget(CornerButton1);

    auto* contenido = new QVBoxLayout(Rectangle1);
    contenido->setContentsMargins(16, 16, 16, 16);
    contenido->addWidget(Text7);
    contenido->addWidget(Text8);
    contenido->addWidget(separador);
    contenido->addWidget(Text9);
    contenido->addLayout(campos);
    contenido->addStretch();
    contenido->addLayout(botones);

    QWidget::setTabOrder(ComboBox1, Edit1);
    QWidget::setTabOrder(Edit1, Edit2);
    QWidget::setTabOrder(Edit2, Edit3);
    QWidget::setTabOrder(Edit3, Edit4);
    QWidget::setTabOrder(Edit4, Edit5);
    QWidget::setTabOrder(Edit5, CornerButton3);
    QWidget::setTabOrder(CornerButton3, CornerButton2);
    QWidget::setTabOrder(CornerButton2, CornerButton1);

    connect(CornerButton1, &QPushButton::clicked, this, &TConfiguracionBaseDatosFrm::CornerButton1Click);
    connect(CornerButton2, &QPushButton::clicked, this, &TConfiguracionBaseDatosFrm::CornerButton2Click);
    connect(CornerButton3, &QPushButton::clicked, this, &TConfiguracionBaseDatosFrm::CornerButton3Click);
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4, Edit5})
        connect(edit, &QLineEdit::textChanged, this, &TConfiguracionBaseDatosFrm::invalidaPrueba);

    FormCreate();
}

TConfiguracionBaseDatosFrm::~TConfiguracionBaseDatosFrm()
{
    // The thread is a child: destroyed while still running it would end the
    // program.
    if (m_prueba)
        m_prueba->wait();
}

void TConfiguracionBaseDatosFrm::FormCreate()
{
    Init();
    // The item data is the provider the business is stored with.
    ComboBox1->addItem(Constantes::CBD_LOCAL, Constantes::DB_SQLITE);
    ComboBox1->addItem(Constantes::CBD_MARIADB, Constantes::DB_MySQL);
    ComboBox1->addItem(Constantes::CBD_FIREBIRD, Constantes::DB_FIREBIRD_SERVIDOR);
    ComboBox1->setCurrentIndex(0);
    InicializaCamposDB(true);
    Edit5->setText(Constantes::DB_SISTEMA_NOMBRE);
    // Connected after the items are in, so filling the list is not taken for
    // a choice of the user.
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TConfiguracionBaseDatosFrm::ComboBox1Change);
}

void TConfiguracionBaseDatosFrm::Init()
{
    const Style::TStyleFrm& estilo = Style::StyleFrm();
    Controles::fondo(Rectangle1, QBrush(estilo.getRectangleGradient(Sistema::claveMarca)));
    Controles::colorTexto(Text7, Constantes::RS_TEXTOSUBTITULOS);

    const QString hoja =
        estilo.getButtonStyle(Sistema::claveMarca) +
        QStringLiteral("\nQPushButton { color: %1; }").arg(estilo.color(Constantes::RS_TEXTOBLANCO).name());
    for (QPushButton* boton : {CornerButton1, CornerButton2, CornerButton3})
        boton->setStyleSheet(hoja);
}

void TConfiguracionBaseDatosFrm::InicializaCamposDB(bool local)
{
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4, Edit5}) {
        edit->setReadOnly(local);
        // Nothing to type for the local file: greyed, and Tab goes past them.
        edit->setEnabled(!local);
    }
    CornerButton3->setVisible(!local);
    CornerButton1->setEnabled(local);

    const bool firebird = getMotorBaseDatos() == Constantes::DB_FIREBIRD_SERVIDOR;
    const QString puerto = firebird ? Constantes::PUERTO_FIREBIRD : Constantes::PUERTO_MARIADB;
    Edit3->setPlaceholderText(local ? QString() : puerto + QStringLiteral(" si lo dejas vacío"));
    Edit4->setPlaceholderText(local ? QString() : QStringLiteral("Nombre o dirección IP"));
    m_etiquetaBase->setText(firebird ? ETIQUETA_ARCHIVO : ETIQUETA_BASE);
    if (local)
        Edit5->setPlaceholderText(QString());
    else if (firebird)
        Edit5->setPlaceholderText(QStringLiteral("Ruta completa del archivo"));
    else
        Edit5->setPlaceholderText(QStringLiteral("Nombre de la base de datos"));
}

bool TConfiguracionBaseDatosFrm::esLocal() const
{
    return ComboBox1->currentIndex() <= 0;
}

void TConfiguracionBaseDatosFrm::reinicia()
{
    ++m_ronda;
    conexionString.clear();
    if (ComboBox1->currentIndex() != 0)
        ComboBox1->setCurrentIndex(0);
    else
        ComboBox1Change();
}

void TConfiguracionBaseDatosFrm::showEvent(QShowEvent* evento)
{
    QDialog::showEvent(evento);
    // Restoring a minimised window is not a new showing.
    if (evento->spontaneous())
        return;
    reinicia();
}

void TConfiguracionBaseDatosFrm::reject()
{
    QDialog::reject();
    // Only "Guardar" keeps a server: a cancelled window leaves the business
    // on this computer, not on fields nobody tested.
    reinicia();
}

void TConfiguracionBaseDatosFrm::ComboBox1Change()
{
    ++m_ronda;
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4})
        edit->clear();
    const bool local = esLocal();
    Edit5->setText(local ? Constantes::DB_SISTEMA_NOMBRE : QString());
    InicializaCamposDB(local);
}

void TConfiguracionBaseDatosFrm::invalidaPrueba()
{
    ++m_ronda;
    if (esLocal())
        return;
    conexionString.clear();
    CornerButton1->setEnabled(false);
}

void TConfiguracionBaseDatosFrm::bloqueaCampos(bool bloqueados)
{
    ComboBox1->setEnabled(!bloqueados);
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4, Edit5})
        edit->setReadOnly(bloqueados || esLocal());
    CornerButton3->setEnabled(!bloqueados);
    CornerButton3->setText(bloqueados ? PROBANDO : PROBAR);
}

void TConfiguracionBaseDatosFrm::CornerButton1Click()
{
    accept();
}

void TConfiguracionBaseDatosFrm::CornerButton2Click()
{
    reject();
}

TConexionSesion TConfiguracionBaseDatosFrm::conexionServidor() const
{
    const TMotor motor =
        getMotorBaseDatos() == Constantes::DB_FIREBIRD_SERVIDOR ? TMotor::FirebirdServidor : TMotor::MariaDB;
    return TConexionSesion::servidor(motor, getUsuario(), getPassword(), getServidor(), getPuerto(),
                                     getBaseDatos(QString()));
}

void TConfiguracionBaseDatosFrm::CornerButton3Click()
{
    if (m_prueba)
        return;
    if (esLocal()) {
        // The local file needs no test: only a server can be tried.
        Utils::mensaje(Constantes::MSG_ERROR_CONEXION, Constantes::MSG_ERROR);
        return;
    }
    conexionString.clear();
    CornerButton1->setEnabled(false);
    QString cifrada;
    try {
        cifrada = TCadenaConexion(getMotorBaseDatos(), getUsuario(), getPassword(), getServidor(),
                                  getBaseDatos(QString()), getPuerto())
                      .guardada();
    } catch (const ECadenaConexion& e) {
        // The registry could not hold these fields: say which one, before
        // making the user wait for a server.
        Utils::mensaje(e.mensaje(), Constantes::MSG_ERROR);
        return;
    } catch (const std::exception& e) {
        // The password is enciphered under this installation's key, which
        // may be unreadable or not yet writable.
        Utils::muestraError(e);
        return;
    }

    const TConexionSesion conexion = conexionServidor();
    const QString descripcion = conexion.descripcion();
    const quint64 ronda = m_ronda;
    // Owned by the thread's function until it ends, then read here.
    auto resultado = std::make_shared<PruebaServidor::TPrueba>();
    QThread* hilo = QThread::create([conexion, resultado] { *resultado = PruebaServidor::prueba(conexion); });
    hilo->setObjectName(QStringLiteral("PruebaServidor"));
    hilo->setParent(this);
    // `this` as the context: a window already gone is not called.
    connect(hilo, &QThread::finished, this, [this, hilo, ronda, descripcion, cifrada, resultado] {
        hilo->wait();
        delete hilo;
        m_prueba = nullptr;
        concluyePrueba(ronda, descripcion, cifrada, *resultado);
    });
    m_prueba = hilo;
    bloqueaCampos(true);
    hilo->start();
}

void TConfiguracionBaseDatosFrm::concluyePrueba(quint64 ronda, const QString& descripcion, const QString& cifrada,
                                                const PruebaServidor::TPrueba& prueba)
{
    bloqueaCampos(false);
    Logmanager::Log(QStringLiteral("Prueba de conexión con ") + descripcion + QStringLiteral(": ") +
                        (prueba.correcta() ? QStringLiteral("correcta") : prueba.texto),
                    1, Sistema::exePath);
    // Cancelled, shown again or changed meanwhile: the verdict is about
    // fields the window no longer holds.
    if (ronda != m_ronda)
        return;
    if (prueba.correcta()) {
        conexionString = cifrada;
        CornerButton1->setEnabled(true);
        Utils::mensaje(prueba.texto.isEmpty() ? Constantes::MSG_INFORMATION_CONEXION_EXITO : prueba.texto,
                       Constantes::MSG_INFORMATION);
    } else {
        Utils::mensaje(prueba.texto.isEmpty() ? Constantes::MSG_ERROR_CONEXION : prueba.texto, Constantes::MSG_ERROR);
    }
}

QString TConfiguracionBaseDatosFrm::getMotorBaseDatos() const
{
    return esLocal() ? Constantes::DB_SQLITE : ComboBox1->currentData().toString();
}

QString TConfiguracionBaseDatosFrm::getBaseDatos(const QString& rfc) const
{
    if (!esLocal())
        return Edit5->text().trimmed();
    return NuevoNegocio::archivoLocal(rfc);
}

QString TConfiguracionBaseDatosFrm::getUsuario() const
{
    return Edit1->text();
}

QString TConfiguracionBaseDatosFrm::getPassword() const
{
    return Edit2->text();
}

QString TConfiguracionBaseDatosFrm::getPuerto() const
{
    return Edit3->text().trimmed();
}

QString TConfiguracionBaseDatosFrm::getServidor() const
{
    return Edit4->text().trimmed();
}

NuevoNegocio::TDestino TConfiguracionBaseDatosFrm::destino(const QString& rfc) const
{
    NuevoNegocio::TDestino d;
    d.motor = getMotorBaseDatos();
    d.usuario = getUsuario();
    d.password = getPassword();
    d.servidor = getServidor();
    d.baseDatos = getBaseDatos(rfc);
    d.puerto = getPuerto();
    return d;
}

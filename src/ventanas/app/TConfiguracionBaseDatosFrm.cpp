#include "TConfiguracionBaseDatosFrm.h"

#include "Constantes.h"
#include "Controles.h"
#include "Sistema.h"
#include "Style.h"
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
#include <QVBoxLayout>

namespace {

constexpr int ANCHO = 382;
constexpr int ALTO = 497;

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
    campos->addRow(QStringLiteral("Motor de la base de datos"), ComboBox1);
    campos->addRow(QStringLiteral("Usuario"), Edit1);
    campos->addRow(QStringLiteral("Contraseña"), Edit2);
    campos->addRow(QStringLiteral("Puerto"), Edit3);
    campos->addRow(QStringLiteral("Servidor"), Edit4);
    campos->addRow(QStringLiteral("Base de Datos"), Edit5);

    CornerButton3 = new QPushButton(QStringLiteral("Probar Conexión"), Rectangle1);
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

    connect(CornerButton1, &QPushButton::clicked, this, &TConfiguracionBaseDatosFrm::CornerButton1Click);
    connect(CornerButton2, &QPushButton::clicked, this, &TConfiguracionBaseDatosFrm::CornerButton2Click);
    connect(CornerButton3, &QPushButton::clicked, this, &TConfiguracionBaseDatosFrm::CornerButton3Click);

    FormCreate();
}

void TConfiguracionBaseDatosFrm::FormCreate()
{
    Init();
    ComboBox1->addItems({Constantes::CBD_LOCAL, Constantes::DB_MySQL});
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
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4, Edit5})
        edit->setReadOnly(local);
    CornerButton3->setVisible(!local);
    CornerButton1->setEnabled(local);
}

bool TConfiguracionBaseDatosFrm::esLocal() const
{
    return ComboBox1->currentText() == Constantes::CBD_LOCAL;
}

void TConfiguracionBaseDatosFrm::showEvent(QShowEvent* evento)
{
    QDialog::showEvent(evento);
    // Restoring a minimised window is not a new showing.
    if (evento->spontaneous())
        return;
    conexionString.clear();
    ComboBox1->setCurrentIndex(0);
}

void TConfiguracionBaseDatosFrm::ComboBox1Change()
{
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4})
        edit->clear();
    if (ComboBox1->currentIndex() != 0) {
        InicializaCamposDB(false);
        Edit5->clear();
    } else {
        InicializaCamposDB(true);
        Edit5->setText(Constantes::DB_SISTEMA_NOMBRE);
    }
}

void TConfiguracionBaseDatosFrm::CornerButton1Click()
{
    accept();
}

void TConfiguracionBaseDatosFrm::CornerButton2Click()
{
    reject();
}

void TConfiguracionBaseDatosFrm::CornerButton3Click()
{
    QString cifrada;
    try {
        cifrada = TCadenaConexion(ComboBox1->currentText(), Edit1->text(), Edit2->text(), Edit4->text(), Edit5->text(),
                                  Edit3->text())
                      .guardada();
    } catch (const ECadenaConexion& e) {
        // The string could not even be stored: say which field is wrong.
        conexionString.clear();
        CornerButton1->setEnabled(false);
        Utils::mensaje(e.mensaje(), Constantes::MSG_ERROR);
        return;
    }
    if (Utils::validaConexionString(cifrada)) {
        conexionString = cifrada;
        CornerButton1->setEnabled(true);
        Utils::mensaje(Constantes::MSG_INFORMATION_CONEXION_EXITO, Constantes::MSG_INFORMATION);
    } else {
        conexionString.clear();
        CornerButton1->setEnabled(false);
        Utils::mensaje(Constantes::MSG_ERROR_CONEXION, Constantes::MSG_ERROR);
    }
}

QString TConfiguracionBaseDatosFrm::getMotorBaseDatos() const
{
    return esLocal() ? Constantes::DB_SQLITE : ComboBox1->currentText();
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
    return Edit3->text();
}

QString TConfiguracionBaseDatosFrm::getServidor() const
{
    return Edit4->text();
}

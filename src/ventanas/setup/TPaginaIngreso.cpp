#include "TPaginaIngreso.h"

#include "Constantes.h"
#include "Controles.h"
#include "DisenoAsistente.h"
#include "FiltroCampo.h"
#include "Sistema.h"
#include "Style.h"
#include "TConectarServidorFrm.h"
#include "app/UtilsVentanas.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TIngreso.h"
#include "negocio/Utils.h"

#include <QApplication>
#include <QFormLayout>
#include <QKeyEvent>
#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Constantes;
using namespace DisenoAsistente;
using Controles::texto;

TPaginaIngreso::TPaginaIngreso(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabItem5"));
    setAutoFillBackground(true);
    auto* diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(40, 16, 40, 16);
    diseno->addLayout(bienvenida(this, ImgBienvenidaLoggin, QStringLiteral("ImgBienvenidaLoggin"), TxBienvenidaLoggin,
                                 QStringLiteral("TxBienvenidaLoggin")));
    diseno->addWidget(
        texto(this, QStringLiteral("TxSeleccionaEmpresa"), QStringLiteral("Por favor selecciona una empresa")));

    SBSeleccionarEmpresa = new QScrollArea(this);
    SBSeleccionarEmpresa->setObjectName(QStringLiteral("SBSeleccionarEmpresa"));
    SBSeleccionarEmpresa->setWidgetResizable(true);
    SBSeleccionarEmpresa->setFrameShape(QFrame::NoFrame);
    SBSeleccionarEmpresa->setFixedHeight(30);
    // No keyboard stop of its own: Tab goes to its tiles.
    SBSeleccionarEmpresa->setFocusPolicy(Qt::NoFocus);
    m_contenedorEmpresas = new QWidget(SBSeleccionarEmpresa);
    m_contenedorEmpresas->setObjectName(QStringLiteral("TxListaEmpresas"));
    m_listaTiles = new QVBoxLayout(m_contenedorEmpresas);
    m_listaTiles->setContentsMargins(0, 0, 0, 0);
    m_listaTiles->setSpacing(0);
    m_listaTiles->addStretch();
    SBSeleccionarEmpresa->setWidget(m_contenedorEmpresas);
    diseno->addWidget(SBSeleccionarEmpresa);
    m_grupoEmpresas = new QButtonGroup(this);
    m_grupoEmpresas->setObjectName(RB_GRUPO_EMPRESA);
    // The list shows three rows, and the arrows move the focus past them:
    // the business that takes the focus comes into view.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* ahora) {
        if (ahora && m_tiles.contains(ahora->parentWidget()))
            SBSeleccionarEmpresa->ensureWidgetVisible(ahora->parentWidget(), 0, 0);
    });

    auto* seleccion = new QHBoxLayout();
    seleccion->addWidget(texto(this, QStringLiteral("TxEmpresaSeleccionada"), QStringLiteral("Empresa Seleccionada")));
    TxSeleccion = texto(this, QStringLiteral("TxSeleccion"));
    seleccion->addWidget(TxSeleccion, 1);
    diseno->addLayout(seleccion);

    auto* formulario = Controles::nuevoFormulario();
    EdCorreoElectronicoLoggin =
        Controles::campo(this, QStringLiteral("EdCorreoElectronicoLoggin"), QStringLiteral("Correo Electrónico"));
    Controles::fila(formulario, EdCorreoElectronicoLoggin, EdCorreoElectronicoLoggin->placeholderText());
    auto* filaPassword = new QHBoxLayout();
    ImgCandado = Controles::imagen(this, QStringLiteral("ImgCandado"), 20);
    EdPasswordLoggin = Controles::campo(this, QStringLiteral("EdPasswordLoggin"), QStringLiteral("Contraseña"), true);
    filaPassword->addWidget(ImgCandado);
    filaPassword->addWidget(EdPasswordLoggin, 1);
    Controles::fila(formulario, EdPasswordLoggin, EdPasswordLoggin->placeholderText(), filaPassword);
    diseno->addLayout(formulario);

    auto* filaIngreso = new QHBoxLayout();
    TxOlvidarContraseña = texto(this, QStringLiteral("TxOlvidarContraseña"), QStringLiteral("Olvidé mi contraseña"));
    BtIngresar = Controles::boton(this, QStringLiteral("BtIngresar"), QStringLiteral("Ingresar"));
    BtIngresar->setDefault(true);
    filaIngreso->addWidget(TxOlvidarContraseña);
    filaIngreso->addStretch();
    filaIngreso->addWidget(BtIngresar);
    diseno->addLayout(filaIngreso);
    Controles::alClic(TxOlvidarContraseña, [this] { TxOlvidarContraseñaClick(); });
    TxOlvidarContraseña->setCursor(Qt::PointingHandCursor);
    // A business another workstation keeps on a database server joins the
    // tiles from here.
    TxConectarServidor = texto(this, QStringLiteral("TxConectarServidor"), TConectarServidorFrm::TITULO);
    diseno->addWidget(TxConectarServidor, 0, Qt::AlignLeft);
    Controles::alClic(TxConectarServidor, [this] { emit conectarServidor(); });
    diseno->addStretch();

    for (QLineEdit* e : {EdCorreoElectronicoLoggin, EdPasswordLoggin})
        e->setMaxLength(100);
    FiltroCampo::correo(EdCorreoElectronicoLoggin);
    connect(BtIngresar, &QPushButton::clicked, this, &TPaginaIngreso::BtIngresarClick);
    Controles::botonPredeterminado(this, BtIngresar);
    aplicaEstilos();
}

void TPaginaIngreso::aplicaEstilos()
{
    Utils::cargaImageRS(IMG_BANDERA, ImgBienvenidaLoggin, Sistema::exePath);
    Utils::cargaImageRS(IMG_CANDADO_LOGGIN, ImgCandado, Sistema::exePath);
    const Style::TStyleFrm& estilo = Style::StyleFrm();
    Controles::fondo(this, QBrush(estilo.getRectangleGradient(Sistema::claveMarca)));
    Controles::colorTexto(findChild<QLabel*>(QStringLiteral("TxSeleccionaEmpresa")), RS_TEXTOSUBTITULOS);
    for (QLabel* seccion : {findChild<QLabel*>(QStringLiteral("TxEmpresaSeleccionada")), TxSeleccion})
        Controles::colorTexto(seccion, RS_TEXTOSECCION);
    for (QLabel* enlace : {TxOlvidarContraseña, TxConectarServidor})
        Controles::colorTexto(enlace, RS_TEXTOAZUL);
    Controles::estiloBoton(BtIngresar, estilo.getButtonFactStyle(Sistema::claveMarca));
}

void TPaginaIngreso::aplicaMarca()
{
    TxBienvenidaLoggin->setText(textoBienvenida());
}

QList<QWidget*> TPaginaIngreso::camposTabulacion() const
{
    QList<QWidget*> orden;
    for (QAbstractButton* radio : m_grupoEmpresas->buttons())
        orden << radio;
    orden << QList<QWidget*>{EdCorreoElectronicoLoggin, EdPasswordLoggin, TxOlvidarContraseña, BtIngresar,
                             TxConectarServidor};
    return orden;
}

QString TPaginaIngreso::seleccion() const
{
    return TxSeleccion->text();
}

bool TPaginaIngreso::eligeEmpresa(const QString& rfc, const QString& email)
{
    const int indice = m_listaEmpresas.indexOf(rfc);
    if (indice < 0)
        return false;
    m_grupoEmpresas->buttons().at(indice)->setChecked(true);
    if (!email.isEmpty())
        EdCorreoElectronicoLoggin->setText(email);
    return true;
}

void TPaginaIngreso::limpiaPassword()
{
    EdPasswordLoggin->clear();
}

void TPaginaIngreso::quitaErrores()
{
    for (QWidget* w : {EdCorreoElectronicoLoggin, EdPasswordLoggin})
        Controles::quitaError(w);
}

bool TPaginaIngreso::cargaEmpresas()
{
    for (QWidget* tile : std::as_const(m_tiles))
        delete tile;
    m_tiles.clear();
    m_listaEmpresas.clear();
    // The chosen tile may be gone; a stale choice would sign in to it again.
    TxSeleccion->clear();
    SBSeleccionarEmpresa->update();

    const QStringList empresas = registroLocal().getEmpresas();
    if (empresas.isEmpty())
        return false;
    SBSeleccionarEmpresa->setFixedHeight(30 * static_cast<int>(qMin<qsizetype>(empresas.size(), 3)));
    for (const QString& entrada : empresas)
        agregaEmpresa(entrada);
    // With a single business there is nothing to choose.
    if (empresas.size() == 1)
        m_grupoEmpresas->buttons().constFirst()->setChecked(true);
    return true;
}

void TPaginaIngreso::enfoca()
{
    const QList<QAbstractButton*> radios = m_grupoEmpresas->buttons();
    if (TxSeleccion->text().isEmpty() && !radios.isEmpty())
        radios.constFirst()->setFocus();
    else if (EdCorreoElectronicoLoggin->text().isEmpty())
        EdCorreoElectronicoLoggin->setFocus();
    else if (EdPasswordLoggin->text().isEmpty())
        EdPasswordLoggin->setFocus();
    else
        BtIngresar->setFocus();
}

void TPaginaIngreso::agregaEmpresa(const QString& entrada)
{
    const int separador = entrada.indexOf(QLatin1Char('|'));
    const QString rfc = separador < 0 ? entrada : entrada.left(separador);
    const QString nombre = separador < 0 ? QString() : entrada.mid(separador + 1).trimmed();
    QString componente = rfc;
    componente.replace(QLatin1Char('&'), QLatin1Char('_'));

    auto* tile = new QWidget(m_contenedorEmpresas);
    tile->setObjectName(REC_CONTENEDOR + componente);
    tile->setFixedHeight(30);
    Controles::fondo(tile, Style::StyleFrm().color(RS_TEXTOBLANCO));
    auto* fila = new QHBoxLayout(tile);
    fila->setContentsMargins(4, 0, 4, 0);
    // "&" would mark a keyboard shortcut and vanish from the text shown.
    auto* radio = new QRadioButton(QString(rfc).replace(QLatin1Char('&'), QStringLiteral("&&")), tile);
    radio->setObjectName(componente);
    radio->setFixedWidth(121);
    m_grupoEmpresas->addButton(radio);
    radio->installEventFilter(this);
    // Chosen by mouse, Space or the arrows alike.
    connect(radio, &QRadioButton::toggled, this, [this, radio](bool elegido) {
        if (elegido)
            TxSeleccion->setText(radio->objectName());
    });
    auto* textoNombre = new QLabel(tile);
    textoNombre->setObjectName(QStringLiteral("TxNombre") + componente);
    Controles::textoRecortado(textoNombre, nombre);
    auto* vacio = new QLabel(tile);
    vacio->setFixedWidth(85);
    fila->addWidget(radio);
    fila->addWidget(textoNombre, 1);
    fila->addWidget(vacio);
    m_listaTiles->insertWidget(m_listaTiles->count() - 1, tile);
    m_tiles.append(tile);
    m_listaEmpresas.append(rfc);
}

bool TPaginaIngreso::eventFilter(QObject* objeto, QEvent* evento)
{
    // The arrows choose only from a chosen tile; with none chosen they would
    // just move the focus. The tile left is chosen first, so the arrow then
    // chooses the next one.
    if (evento->type() == QEvent::KeyPress) {
        const int tecla = static_cast<QKeyEvent*>(evento)->key();
        auto* radio = qobject_cast<QRadioButton*>(objeto);
        if (radio && !radio->isChecked() &&
            (tecla == Qt::Key_Up || tecla == Qt::Key_Down || tecla == Qt::Key_Left || tecla == Qt::Key_Right))
            radio->setChecked(true);
    }
    return QWidget::eventFilter(objeto, evento);
}

void TPaginaIngreso::BtIngresarClick()
{
    quitaErrores();
    Ingreso::TResultado resultado;
    try {
        resultado = Ingreso::ingresa(TxSeleccion->text(), EdCorreoElectronicoLoggin->text(), EdPasswordLoggin->text());
    } catch (const std::exception& e) {
        Utils::muestraError(e);
        emit ingreso(false);
        return;
    }
    // The cursor goes to what is missing: the list, then the e-mail.
    if (resultado == Ingreso::TResultado::SinEmpresa || resultado == Ingreso::TResultado::SinCorreo)
        enfoca();
    for (const QString& texto : Ingreso::mensajes(resultado))
        Utils::mensaje(texto, MSG_WARNING);
    emit ingreso(resultado == Ingreso::TResultado::Correcto);
    switch (resultado) {
    case Ingreso::TResultado::BaseInexistente:
    case Ingreso::TResultado::EmpresaNoValida:
    case Ingreso::TResultado::EmpresaYUsuario:
        // The entry was disabled: its tile goes.
        emit empresasCambiadas();
        break;
    default:
        break;
    }
}

void TPaginaIngreso::TxOlvidarContraseñaClick()
{
    quitaErrores();
    const QString email = EdCorreoElectronicoLoggin->text().trimmed();
    if (TxSeleccion->text().isEmpty() || email.isEmpty()) {
        const bool sinEmpresa = TxSeleccion->text().isEmpty();
        if (!sinEmpresa)
            Controles::marcaError(EdCorreoElectronicoLoggin);
        for (const QString& texto :
             Ingreso::mensajes(sinEmpresa ? Ingreso::TResultado::SinEmpresa : Ingreso::TResultado::SinCorreo))
            Utils::mensaje(texto, MSG_WARNING);
        enfoca();
        return;
    }
    emit olvidoContrasena(TxSeleccion->text(), email);
}

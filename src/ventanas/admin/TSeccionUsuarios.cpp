#include "TSeccionUsuarios.h"

#include "Constantes.h"
#include "Controles.h"
#include "Entidades.h"
#include "Sistema.h"
#include "app/UtilsVentanas.h"
#include "negocio/Utils.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Constantes;
using Controles::marcaError;
using Controles::quitaError;

namespace {
constexpr int ANCHO_ICONO = 25;
} // namespace

TSeccionUsuarios::TSeccionUsuarios(QWidget* padre)
    : TSeccionEmpresa(padre, QStringLiteral("TxUsuarios"), QStringLiteral("TxUsuariosTituloLeyenda"),
                      QStringLiteral("Administra tus Usuarios"))
{
    QWidget* c = contenido();
    auto* d = new QVBoxLayout(c);
    GrPermisos = tabla(c, QStringLiteral("GrPermisos"));
    GrPermisos->setFixedHeight(150);
    d->addWidget(GrPermisos);
    inicializaGridPermisos();
    creaFormulario(c);
    d->addWidget(TxUsuarioContenedor);

    BtGuardarUsuario = Controles::boton(c, QStringLiteral("BtGuardarUsuario"), CONCEPTO_GUARDAR);
    BtCancelar = Controles::boton(c, QStringLiteral("BtCancelar"), QStringLiteral("Cancelar"));
    BtAgregarUsuario = Controles::boton(c, QStringLiteral("BtAgregarUsuario"), QStringLiteral("+ Agregar"));
    BtEditarUsuario = Controles::boton(c, QStringLiteral("BtEditarUsuario"), QStringLiteral("Editar"));
    d->addLayout(botones({BtAgregarUsuario, BtEditarUsuario, BtCancelar, BtGuardarUsuario}));

    connect(GrPermisos, &QTableWidget::currentCellChanged, this, [this](int renglon) { muestraUsuario(renglon); });
    connect(GrPermisos, &QTableWidget::cellClicked, this, [this](int renglon) { muestraUsuario(renglon); });
    connect(BtAgregarUsuario, &QPushButton::clicked, this, &TSeccionUsuarios::BtAgregarUsuarioClick);
    connect(BtEditarUsuario, &QPushButton::clicked, this, &TSeccionUsuarios::BtEditarUsuarioClick);
    connect(BtGuardarUsuario, &QPushButton::clicked, this, &TSeccionUsuarios::BtGuardarUsuarioClick);
    connect(BtCancelar, &QPushButton::clicked, this, &TSeccionUsuarios::BtCancelarClick);
    // Enter on a row edits it, as Editar does.
    connect(GrPermisos, &QTableWidget::activated, this, [this](const QModelIndex& indice) {
        muestraUsuario(indice.row());
        if (BtEditarUsuario->isEnabled())
            BtEditarUsuarioClick();
    });
    // Enter in the form saves, as on the editor's other sections.
    Controles::botonPredeterminado(TxUsuarioContenedor, BtGuardarUsuario);
    // Escape leaves a form being filled, as Cancelar does, once the user
    // agrees to lose what was typed.
    auto* salida = new QShortcut(QKeySequence(Qt::Key_Escape), TxUsuarioContenedor);
    salida->setContext(Qt::WidgetWithChildrenShortcut);
    connect(salida, &QShortcut::activated, this, [this] {
        if (descartaCambios(cambiosSinGuardar()))
            BtCancelarClick();
    });
    habilitaFormularioUsuario(false);
    cargaIconos();
}

void TSeccionUsuarios::creaFormulario(QWidget* c)
{
    TxUsuarioContenedor = new QWidget(c);
    TxUsuarioContenedor->setObjectName(QStringLiteral("TxUsuarioContenedor"));
    auto* dForm = new QGridLayout(TxUsuarioContenedor);
    dForm->setContentsMargins(0, 0, 0, 0);
    QWidget* f = TxUsuarioContenedor;
    EdEmail = Controles::campo(f, QStringLiteral("EdEmail"), QStringLiteral("Correo electrónico"));
    EdNombre = Controles::campo(f, QStringLiteral("EdNombre"), QStringLiteral("Nombre"));
    EdApellidoPaterno = Controles::campo(f, QStringLiteral("EdApellidoPaterno"), QStringLiteral("Apellido Paterno"));
    EdApellidoMaterno = Controles::campo(f, QStringLiteral("EdApellidoMaterno"), QStringLiteral("Apellido Materno"));
    EdPassword = Controles::campo(f, QStringLiteral("EdPassword"), QStringLiteral("Contraseña"), true);
    EdRepitePassword =
        Controles::campo(f, QStringLiteral("EdRepitePassword"), QStringLiteral("Repite la contraseña"), true);
    Controles::largoColumna(EdEmail, TUsuario::tablaEsquema(), TUsuario::col_Email);
    const TTabla& personas = TPersona::tablaEsquema();
    Controles::largoColumna(EdNombre, personas, TPersona::col_Nombre);
    Controles::largoColumna(EdApellidoPaterno, personas, TPersona::col_Apellidopaterno);
    Controles::largoColumna(EdApellidoMaterno, personas, TPersona::col_Apellidomaterno);
    const QList<std::pair<QLineEdit*, QString>> campos = {{EdEmail, QStringLiteral("&Correo electrónico")},
                                                          {EdNombre, QStringLiteral("Nom&bre")},
                                                          {EdApellidoPaterno, QStringLiteral("Apellido &Paterno")},
                                                          {EdApellidoMaterno, QStringLiteral("Apellido Ma&terno")},
                                                          {EdPassword, QStringLiteral("Contra&seña")},
                                                          {EdRepitePassword, QStringLiteral("Repite la contrase&ña")}};
    for (int k = 0; k < campos.size(); ++k) {
        dForm->addWidget(Controles::etiqueta(f, campos[k].first, campos[k].second), k % 3, (k / 3) * 2);
        dForm->addWidget(campos[k].first, k % 3, (k / 3) * 2 + 1);
    }
    const QStringList nombres = {QStringLiteral("ChBridgeTxt"),   QStringLiteral("ChReportes"),
                                 QStringLiteral("ChProductos"),   QStringLiteral("ChNomina"),
                                 QStringLiteral("ChFacturacion"), QStringLiteral("ChClientes"),
                                 QStringLiteral("ChRespaldos"),   QStringLiteral("ChPermisos")};
    auto* modulos = new QGridLayout();
    for (int k = 0; k < UsuariosNegocio::NUMERO_MODULOS; ++k) {
        auto* caja = new QCheckBox(UsuariosNegocio::nombresModulos().at(k), f);
        caja->setObjectName(nombres.at(k));
        m_modulos.append(caja);
    }
    TxSinPermisos = Controles::texto(f, QStringLiteral("TxSinPermisos"),
                                     QStringLiteral("Un usuario nuevo empieza sin permisos: marca lo que podrá usar."));
    TxSinPermisos->setWordWrap(true);
    dForm->addLayout(modulos, 3, 0, 1, 4);
    dForm->addWidget(TxSinPermisos, 4, 0, 1, 4);
    m_cuadriculaModulos = modulos;
}

void TSeccionUsuarios::cargaIconos()
{
    m_iconos.clear();
    for (const QString& nombre : {IMG_BRIDGE_TXT, IMG_REPORTES, IMG_PRODUCTOSERVICIOS, IMG_NOMINA, IMG_FACTURACION,
                                  IMG_CLIENTES, IMG_RESPALDO, IMG_CANDADO_LOGGIN})
        m_iconos.append(Utils::imagenRS(nombre, Sistema::exePath)
                            .scaled(ANCHO_ICONO - 5, ANCHO_ICONO - 5, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void TSeccionUsuarios::muestraModulosOfrecidos()
{
    const UsuariosNegocio::TPermisos ofrecidos = UsuariosNegocio::ofrecidos();
    int lugar = 0;
    for (int k = 0; k < UsuariosNegocio::NUMERO_MODULOS; ++k) {
        QCheckBox* caja = m_modulos.at(k);
        m_cuadriculaModulos->removeWidget(caja);
        caja->setVisible(ofrecidos[k]);
        GrPermisos->setColumnHidden(k + 1, !ofrecidos[k]);
        if (ofrecidos[k]) {
            m_cuadriculaModulos->addWidget(caja, lugar / 4, lugar % 4);
            ++lugar;
        }
    }
}

void TSeccionUsuarios::carga()
{
    muestraModulosOfrecidos();
    inicializaPanelUsuarios(false);
    habilitaFormularioUsuario(false);
    actualizaGrid();
}

QStringList TSeccionUsuarios::cambiosSinGuardar() const
{
    // Only a form opened with Agregar or Editar holds typing of its own.
    if (!TxUsuarioContenedor->isEnabled())
        return {};
    const QString permisos = QStringLiteral("Permisos");
    if (m_editandoUsuario)
        return permisosMarcados() == m_permisosMostrados ? QStringList() : QStringList{permisos};
    QStringList campos;
    for (const QLineEdit* e : {EdEmail, EdNombre, EdApellidoPaterno, EdApellidoMaterno, EdPassword, EdRepitePassword})
        if (!e->text().isEmpty())
            campos << e->placeholderText();
    if (permisosMarcados() != UsuariosNegocio::todos(false))
        campos << permisos;
    return campos;
}

void TSeccionUsuarios::enfoca()
{
    GrPermisos->setFocus();
}

QList<QWidget*> TSeccionUsuarios::ordenTabulacion() const
{
    QList<QWidget*> orden{GrPermisos,        EdEmail,    EdNombre,        EdApellidoPaterno,
                          EdApellidoMaterno, EdPassword, EdRepitePassword};
    for (QCheckBox* caja : m_modulos)
        orden << caja;
    return orden << BtAgregarUsuario << BtEditarUsuario << BtCancelar << BtGuardarUsuario;
}

void TSeccionUsuarios::inicializaGridPermisos()
{
    GrPermisos->setColumnCount(1 + UsuariosNegocio::NUMERO_MODULOS);
    // Each column is headed by what it holds: the users' e-mails, then one
    // module right each.
    GrPermisos->setHorizontalHeaderLabels(QStringList{QStringLiteral("Usuario")} + UsuariosNegocio::nombresModulos());
    GrPermisos->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    GrPermisos->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    GrPermisos->setIconSize(QSize(ANCHO_ICONO - 5, ANCHO_ICONO - 5));
    GrPermisos->setRowCount(0);
}

void TSeccionUsuarios::actualizaGrid()
{
    GrPermisos->setRowCount(0);
    m_filas = UsuariosNegocio::usuarios();
    {
        const QSignalBlocker bloqueo(GrPermisos);
        GrPermisos->setRowCount(static_cast<int>(m_filas.size()));
        for (int r = 0; r < m_filas.size(); ++r) {
            GrPermisos->setItem(r, 0, new QTableWidgetItem(m_filas.at(r).email));
            for (int k = 0; k < UsuariosNegocio::NUMERO_MODULOS; ++k) {
                auto* celda = new QTableWidgetItem();
                if (m_filas.at(r).permisos[k]) {
                    celda->setIcon(QIcon(m_iconos.value(k)));
                    celda->setToolTip(UsuariosNegocio::nombresModulos().at(k));
                }
                GrPermisos->setItem(r, k + 1, celda);
            }
        }
        GrPermisos->setCurrentCell(-1, -1);
    }
    // The first user is shown from the start: Editar and Enter work without
    // an arrow key pressed first.
    if (!m_filas.isEmpty())
        GrPermisos->setCurrentCell(0, 0);
}

void TSeccionUsuarios::muestraUsuario(int renglon)
{
    // A row is shown only while browsing: a form being filled stays as typed.
    if (renglon < 0 || renglon >= m_filas.size() || TxUsuarioContenedor->isEnabled())
        return;
    guarda([&] {
        const auto usuario = UsuariosNegocio::muestra(m_filas.at(renglon).email);
        if (!usuario)
            return;
        EdEmail->setText(usuario->email);
        EdNombre->setText(usuario->nombre);
        EdApellidoPaterno->setText(usuario->apellidoPaterno);
        EdApellidoMaterno->setText(usuario->apellidoMaterno);
        EdPassword->clear();
        EdRepitePassword->clear();
        marcaPermisos(usuario->permisos);
        m_permisosMostrados = usuario->permisos;
        BtEditarUsuario->setEnabled(true);
    });
}

void TSeccionUsuarios::inicializaPanelUsuarios(bool marcados)
{
    EdEmail->setReadOnly(false);
    for (QLineEdit* e : {EdEmail, EdNombre, EdApellidoPaterno, EdApellidoMaterno, EdPassword, EdRepitePassword})
        e->clear();
    marcaPermisos(UsuariosNegocio::todos(marcados));
    BtEditarUsuario->setEnabled(false);
    m_editandoUsuario = false;
}

void TSeccionUsuarios::habilitaFormularioUsuario(bool habilitado)
{
    TxUsuarioContenedor->setEnabled(habilitado);
    // Said while a new user is being filled in, where it matters.
    TxSinPermisos->hide();
    BtGuardarUsuario->setEnabled(habilitado);
    BtCancelar->setEnabled(habilitado);
    BtAgregarUsuario->setEnabled(!habilitado);
    if (habilitado)
        BtEditarUsuario->setEnabled(false);
}

UsuariosNegocio::TPermisos TSeccionUsuarios::permisosMarcados() const
{
    UsuariosNegocio::TPermisos permisos{};
    for (int k = 0; k < UsuariosNegocio::NUMERO_MODULOS; ++k)
        permisos[k] = m_modulos.at(k)->isChecked();
    return permisos;
}

void TSeccionUsuarios::marcaPermisos(const UsuariosNegocio::TPermisos& permisos)
{
    for (int k = 0; k < UsuariosNegocio::NUMERO_MODULOS; ++k)
        m_modulos.at(k)->setChecked(permisos[k]);
}

void TSeccionUsuarios::BtAgregarUsuarioClick()
{
    // Not a form to fill for nothing: the right may have been taken at
    // another computer since sign-in.
    if (const UsuariosNegocio::TResultado permitido = UsuariosNegocio::puedeAgregar();
        permitido != UsuariosNegocio::TResultado::Correcto) {
        Utils::mensaje(UsuariosNegocio::mensaje(permitido), MSG_WARNING);
        return;
    }
    GrPermisos->clearSelection();
    inicializaPanelUsuarios(false);
    habilitaFormularioUsuario(true);
    TxSinPermisos->show();
    BtGuardarUsuario->setText(CONCEPTO_GUARDAR);
    EdEmail->setFocus();
}

void TSeccionUsuarios::BtEditarUsuarioClick()
{
    const UsuariosNegocio::TResultado permitido = UsuariosNegocio::puedeEditar(EdEmail->text());
    if (permitido != UsuariosNegocio::TResultado::Correcto) {
        Utils::mensaje(UsuariosNegocio::mensaje(permitido), MSG_WARNING);
        return;
    }
    m_editandoUsuario = true;
    habilitaFormularioUsuario(true);
    // Only the rights change in an edit: the user edited is the one shown.
    for (QLineEdit* e : {EdEmail, EdNombre, EdApellidoPaterno, EdApellidoMaterno})
        e->setReadOnly(true);
    EdPassword->setEnabled(false);
    EdRepitePassword->setEnabled(false);
    BtGuardarUsuario->setText(ACTUALIZAR);
    m_modulos.first()->setFocus();
}

bool TSeccionUsuarios::isUsuarioValido()
{
    UsuariosNegocio::TNuevoUsuario datos;
    datos.email = EdEmail->text();
    datos.password = EdPassword->text();
    datos.repitePassword = EdRepitePassword->text();
    UsuariosNegocio::TResultado resultado = UsuariosNegocio::TResultado::Correcto;
    if (!guarda([&] { resultado = UsuariosNegocio::revisaNuevo(datos); }))
        return false;
    if (resultado == UsuariosNegocio::TResultado::Correcto)
        return true;
    Utils::mensaje(UsuariosNegocio::mensaje(resultado, datos.email), MSG_WARNING);
    if (resultado == UsuariosNegocio::TResultado::PasswordsDistintas) {
        marcaError(EdRepitePassword);
        EdRepitePassword->setFocus();
    } else {
        marcaError(EdEmail);
        EdEmail->setFocus();
    }
    return false;
}

void TSeccionUsuarios::BtGuardarUsuarioClick()
{
    UsuariosNegocio::TResultado resultado = UsuariosNegocio::TResultado::Correcto;
    if (m_editandoUsuario) {
        if (!guarda([&] { resultado = UsuariosNegocio::actualizaPermisos(EdEmail->text(), permisosMarcados()); }))
            return;
        if (resultado != UsuariosNegocio::TResultado::Correcto) {
            Utils::mensaje(UsuariosNegocio::mensaje(resultado, EdEmail->text()), MSG_WARNING);
            return;
        }
        Utils::mensaje(MSG_USUARIO_ACTUALIZADO_EXITO, MSG_INFORMATION);
    } else {
        // What was typed stays until it can be stored.
        if (!isUsuarioValido())
            return;
        UsuariosNegocio::TNuevoUsuario datos{EdEmail->text(),           EdNombre->text(),   EdApellidoPaterno->text(),
                                             EdApellidoMaterno->text(), EdPassword->text(), EdRepitePassword->text(),
                                             permisosMarcados()};
        if (!guarda([&] { resultado = UsuariosNegocio::agrega(datos); }))
            return;
        if (resultado != UsuariosNegocio::TResultado::Correcto) {
            Utils::mensaje(UsuariosNegocio::mensaje(resultado, datos.email), MSG_WARNING);
            return;
        }
        Utils::mensaje(MSG_USUARIO_GUARDADO_EXITO, MSG_INFORMATION);
    }
    BtCancelarClick();
    guarda([this] { actualizaGrid(); });
}

void TSeccionUsuarios::BtCancelarClick()
{
    for (QLineEdit* e : {EdNombre, EdApellidoPaterno, EdApellidoMaterno})
        e->setReadOnly(false);
    EdPassword->setEnabled(true);
    EdRepitePassword->setEnabled(true);
    quitaError(EdEmail);
    quitaError(EdRepitePassword);
    inicializaPanelUsuarios(false);
    habilitaFormularioUsuario(false);
    BtGuardarUsuario->setText(CONCEPTO_GUARDAR);
    GrPermisos->setFocus();
}

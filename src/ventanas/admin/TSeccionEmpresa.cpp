#include "TSeccionEmpresa.h"

#include "Constantes.h"
#include "Controles.h"
#include "Prompter.h"
#include "TDireccionesFrm.h"
#include "negocio/Utils.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

const QString TSeccionEmpresa::SIN_GUARDAR = QStringLiteral("No se pudo guardar; lo guardado antes sigue igual. ");

namespace {
constexpr int ALTO_TITULO = 50;
const QString CERRADA = QStringLiteral("▸  ");
const QString ABIERTA = QStringLiteral("▾  ");
} // namespace

TSeccionEmpresa::TSeccionEmpresa(QWidget* padre, const QString& nombre, const QString& nombreTitulo,
                                 const QString& textoTitulo)
    : QWidget(padre)
{
    setObjectName(nombre);
    auto* d = new QVBoxLayout(this);
    d->setContentsMargins(0, 0, 0, 0);
    d->setSpacing(0);
    m_titulo = Controles::texto(this, nombreTitulo, CERRADA + textoTitulo);
    m_titulo->setFixedHeight(ALTO_TITULO);
    QFont negrita = m_titulo->font();
    negrita.setBold(true);
    m_titulo->setFont(negrita);
    Controles::colorTexto(m_titulo, Constantes::RS_TEXTOAZUL);
    d->addWidget(m_titulo);
    m_contenido = new QWidget(this);
    m_contenido->setObjectName(nombre + QStringLiteral("Contenido"));
    d->addWidget(m_contenido);
    auto* linea = new QFrame(this);
    linea->setFrameShape(QFrame::HLine);
    linea->setFrameShadow(QFrame::Sunken);
    d->addWidget(linea);
    Controles::alClic(m_titulo, [this] { emit tituloPulsado(); });
}

bool TSeccionEmpresa::abierta() const
{
    return !m_contenido->isHidden();
}

void TSeccionEmpresa::muestraContenido(bool visible)
{
    m_contenido->setVisible(visible);
    m_titulo->setText((visible ? ABIERTA : CERRADA) + m_titulo->text().mid(CERRADA.size()));
}

bool TSeccionEmpresa::guarda(const std::function<void()>& accion)
{
    return Utils::protegido(accion, SIN_GUARDAR);
}

bool TSeccionEmpresa::descartaCambios(const QStringList& campos)
{
    if (campos.isEmpty())
        return true;
    return Utils::mensajeConfirmacion(QStringLiteral("Hay cambios sin guardar en «%1». ¿Quieres descartarlos?")
                                          .arg(campos.join(QStringLiteral("», «")))) == TPrompter::OK;
}

QStringList TSeccionEmpresa::modificados(std::initializer_list<const QLineEdit*> campos)
{
    QStringList etiquetas;
    for (const QLineEdit* campo : campos)
        if (campo->isModified())
            etiquetas << campo->placeholderText();
    return etiquetas;
}

QHBoxLayout* TSeccionEmpresa::botones(const QList<QPushButton*>& lista)
{
    auto* f = new QHBoxLayout();
    f->addStretch();
    for (QPushButton* b : lista)
        f->addWidget(b);
    return f;
}

QTableWidget* TSeccionEmpresa::tabla(QWidget* padre, const QString& nombre)
{
    auto* t = new QTableWidget(padre);
    t->setObjectName(nombre);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setAlternatingRowColors(true);
    t->verticalHeader()->hide();
    t->setTabKeyNavigation(false);
    return t;
}

void TSeccionEmpresa::muestraDireccion(TDireccionesFrm* panel, const EdicionEmpresa::TDireccionMostrada& d)
{
    panel->inicializaDireccion(false);
    panel->inicializaPais(d.pais);
    panel->inicializaEstado(d.estado);
    panel->inicializaMunicipio(d.municipio);
    if (!d.localidad.isEmpty()) {
        panel->inicializaLocalidad(d.localidad);
        panel->inicializaCodigoPostal(d.codigoPostal);
    } else {
        panel->inicializaCodigoPostalSinLocalidad(d.codigoPostal);
    }
    panel->inicializaColonia(d.colonia);
    panel->setCalle(d.calle);
    panel->setNoExterior(d.noExterior);
    panel->setNoInterior(d.noInterior);
    panel->setReferencia(d.referencia);
}

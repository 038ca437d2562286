#include "TWizardFrm.h"

#include "Constantes.h"
#include "Style.h"
#include "TBaseDatosLocalFrm.h"
#include "Ventanas.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>

TWizardFrm* WizardFrm = nullptr;

namespace {

QWidget* pagina(QStackedWidget* paginas, const QString& nombre, const QString& titulo)
{
    auto* p = new QWidget(paginas);
    p->setObjectName(nombre);
    auto* diseno = new QVBoxLayout(p);
    auto* etiqueta = new QLabel(titulo, p);
    etiqueta->setObjectName(nombre + QStringLiteral("Titulo"));
    diseno->addWidget(etiqueta);
    paginas->addWidget(p);
    return p;
}

}  // namespace

TWizardFrm::TWizardFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("WizardFrm"));
    setWindowTitle(QStringLiteral("Wizard de Configuración"));
    resize(900, 600);
    auto* diseno = new QVBoxLayout(this);
    TabControl1 = new QStackedWidget(this);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    diseno->addWidget(TabControl1);

    TabItem1 = pagina(TabControl1, QStringLiteral("TabItem1"), QStringLiteral("Paso 1 de 2 · Edita tu Perfil"));
    TabItem2 = pagina(TabControl1, QStringLiteral("TabItem2"), QStringLiteral("Paso 2 de 2"));
    TabItem4 = pagina(TabControl1, QStringLiteral("TabItem4"), QStringLiteral("4. Configuración de Base de Datos"));
    TabItem5 = pagina(TabControl1, QStringLiteral("TabItem5"), QStringLiteral("Por favor selecciona una empresa"));
    TabItem3 = pagina(TabControl1, QStringLiteral("TabItem3"), QStringLiteral("Recupera tu contraseña"));

    SBSeleccionarEmpresa = new QScrollArea(TabItem5);
    SBSeleccionarEmpresa->setObjectName(QStringLiteral("SBSeleccionarEmpresa"));
    SBSeleccionarEmpresa->setWidgetResizable(true);
    m_contenedorEmpresas = new QWidget(SBSeleccionarEmpresa);
    m_listaTiles = new QVBoxLayout(m_contenedorEmpresas);
    m_listaTiles->addStretch();
    SBSeleccionarEmpresa->setWidget(m_contenedorEmpresas);
    TabItem5->layout()->addWidget(SBSeleccionarEmpresa);
    m_grupoEmpresas = new QButtonGroup(this);
    m_grupoEmpresas->setObjectName(Constantes::RB_GRUPO_EMPRESA);
}

void TWizardFrm::initEmpresas()
{
    for (QWidget* tile : m_contenedorEmpresas->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        delete tile;
    m_listaEmpresas.clear();
    const QStringList empresas = BaseDatosLocalFrm ? BaseDatosLocalFrm->getEmpresas() : QStringList();
    if (empresas.isEmpty()) {
        TabControl1->setCurrentIndex(0);
        initNuevaEmpresa();
        return;
    }
    for (const QString& entrada : empresas)
        getElementoEmpresa(entrada);
}

void TWizardFrm::getElementoEmpresa(const QString& entrada)
{
    const int separador = entrada.indexOf(QLatin1Char('|'));
    const QString rfc = separador < 0 ? entrada : entrada.left(separador);
    const QString nombre = separador < 0 ? QString() : entrada.mid(separador + 1).trimmed();
    QString componente = rfc;
    componente.replace(QLatin1Char('&'), QLatin1Char('_'));

    auto* tile = new QWidget(m_contenedorEmpresas);
    tile->setObjectName(Constantes::REC_CONTENEDOR + componente);
    tile->setFixedHeight(30);
    tile->setAutoFillBackground(true);
    QPalette paleta = tile->palette();
    paleta.setColor(QPalette::Window, Style::StyleFrm().color(Constantes::RS_TEXTOBLANCO));
    tile->setPalette(paleta);
    auto* fila = new QHBoxLayout(tile);
    fila->setContentsMargins(4, 0, 4, 0);
    auto* radio = new QRadioButton(rfc, tile);
    radio->setObjectName(componente);
    radio->setFixedWidth(121);
    m_grupoEmpresas->addButton(radio);
    auto* texto = new QLabel(nombre, tile);
    texto->setWordWrap(true);
    auto* vacio = new QLabel(tile);
    vacio->setFixedWidth(85);
    fila->addWidget(radio);
    fila->addWidget(texto, 1);
    fila->addWidget(vacio);
    m_listaTiles->insertWidget(m_listaTiles->count() - 1, tile);
    m_listaEmpresas.append(rfc);
}

void TWizardFrm::initNuevaEmpresa()
{
    isNuevaNegocio = false;
    nextStep = false;
}

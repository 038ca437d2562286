#include "TDireccionesFrm.h"

#include "Constantes.h"
#include "Controles.h"
#include "Entidades.h"
#include "TBaseDatosCatalogosFrm.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRegularExpression>

namespace {

// Prompts of the lists that have no shared constant.
const QString CMB_COLONIA = QStringLiteral("Colonia");
const QString CMB_LOCALIDAD = QStringLiteral("Localidad");
const QString CMB_MUNICIPIO = QStringLiteral("Municipio");
const QString CMB_PAIS = QStringLiteral("País");
const QString ED_CALLE = QStringLiteral("Calle");
const QString ED_NOEXTERIOR = QStringLiteral("No. Exterior");
const QString ED_NOINTERIOR = QStringLiteral("No. Interior");
const QString ED_REFERENCIA = QStringLiteral("Referencia");

// Postal codes are Mexican: a code from the catalogue brings this country.
const QString PAIS_CODIGOS = QStringLiteral("MEX");
const QString SEPARADOR = QStringLiteral(" - ");
constexpr int LARGO_CP = 5;

QString promptCodigoPostal()
{
    return Constantes::CMB_CODIGOPOSTAL.left(LARGO_CP);
}

QString clave(const QString& texto)
{
    const int corte = texto.indexOf(SEPARADOR);
    return (corte < 0 ? texto : texto.left(corte)).trimmed();
}

bool esCodigoPostal(const QString& texto)
{
    static const QRegularExpression cinco(QStringLiteral("^[0-9]{5}$"));
    return cinco.match(texto).hasMatch();
}

QString valor(const QStringList& filas, const QString& nombre)
{
    const QString prefijo = nombre + QLatin1Char('=');
    for (const QString& f : filas) {
        if (f.startsWith(prefijo))
            return f.mid(prefijo.size());
    }
    return {};
}

QStringList textos(const QList<TBaseDatosCatalogosFrm::TClaveNombre>& pares)
{
    QStringList resultado;
    resultado.reserve(pares.size());
    for (const auto& p : pares)
        resultado << p.first + SEPARADOR + p.second;
    return resultado;
}

enum class TSeleccion { Prompt, Encontrada, Agregada };

// An empty text is the prompt; otherwise the entry with that text, or with
// that key, or a new entry holding the text.
TSeleccion selecciona(QComboBox* combo, const QString& texto, bool porClave = true)
{
    const QString buscado = texto.trimmed();
    if (buscado.isEmpty()) {
        combo->setCurrentIndex(0);
        return TSeleccion::Prompt;
    }
    for (int i = 1; i < combo->count(); ++i) {
        if (combo->itemText(i) == buscado) {
            combo->setCurrentIndex(i);
            return TSeleccion::Encontrada;
        }
    }
    if (porClave) {
        const QString llave = clave(buscado);
        for (int i = 1; i < combo->count(); ++i) {
            if (clave(combo->itemText(i)).compare(llave, Qt::CaseInsensitive) == 0) {
                combo->setCurrentIndex(i);
                return TSeleccion::Encontrada;
            }
        }
    }
    combo->addItem(buscado);
    combo->setCurrentIndex(combo->count() - 1);
    return TSeleccion::Agregada;
}

// Sets a flag for the length of a scope and puts back what it held.
class TBandera {
public:
    explicit TBandera(bool& bandera) : m_bandera(bandera), m_previo(bandera) { m_bandera = true; }
    ~TBandera() { m_bandera = m_previo; }
    TBandera(const TBandera&) = delete;
    TBandera& operator=(const TBandera&) = delete;

private:
    bool& m_bandera;
    bool m_previo;
};

} // namespace

TDireccionesFrm::TDireccionesFrm(QWidget* parent)
    : QWidget(parent), EdCalle(new QLineEdit(this)), EdNoExterior(new QLineEdit(this)),
      EdNoInterior(new QLineEdit(this)), EdReferencia(new QLineEdit(this)), CmbColonia(new QComboBox(this)),
      CmbLocalidad(new QComboBox(this)), CmbMunicipio(new QComboBox(this)), CmbEstado(new QComboBox(this)),
      CmbPais(new QComboBox(this)), CmbCodigoPostal(new QComboBox(this))
{
    setObjectName(QStringLiteral("DireccionesFrm"));
    EdCalle->setObjectName(QStringLiteral("EdCalle"));
    EdNoExterior->setObjectName(QStringLiteral("EdNoExterior"));
    EdNoInterior->setObjectName(QStringLiteral("EdNoInterior"));
    EdReferencia->setObjectName(QStringLiteral("EdReferencia"));
    CmbColonia->setObjectName(QStringLiteral("CmbColonia"));
    CmbLocalidad->setObjectName(QStringLiteral("CmbLocalidad"));
    CmbMunicipio->setObjectName(QStringLiteral("CmbMunicipio"));
    CmbEstado->setObjectName(QStringLiteral("CmbEstado"));
    CmbPais->setObjectName(QStringLiteral("CmbPais"));
    CmbCodigoPostal->setObjectName(QStringLiteral("CmbCodigoPostal"));

    EdCalle->setPlaceholderText(ED_CALLE);
    // The numbers' fields are narrow and their labels say what they hold: a
    // prompt there only showed cut ("No. Ext").
    EdReferencia->setPlaceholderText(ED_REFERENCIA);
    const TTabla& direcciones = TDireccion::tablaEsquema();
    Controles::largoColumna(EdCalle, direcciones, TDireccion::col_Calle);
    Controles::largoColumna(EdNoExterior, direcciones, TDireccion::col_Noexterior);
    Controles::largoColumna(EdNoInterior, direcciones, TDireccion::col_Nointerior);
    Controles::largoColumna(EdReferencia, direcciones, TDireccion::col_Referencia);

    CmbCodigoPostal->setEditable(true);
    CmbCodigoPostal->setInsertPolicy(QComboBox::NoInsert);
    // Five characters would cut the prompt to "Códig": the empty choice shows
    // an empty box with the whole prompt as its placeholder instead. Item 0
    // stays the prompt, the name the checks give the field.
    CmbCodigoPostal->lineEdit()->setMaxLength(LARGO_CP);
    CmbCodigoPostal->lineEdit()->setPlaceholderText(Constantes::CMB_CODIGOPOSTAL);
    for (QComboBox* combo : {CmbColonia, CmbLocalidad, CmbMunicipio, CmbEstado, CmbPais})
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    // Label and field side by side, two pairs a row, so a filled field still
    // says what it holds without making the panel taller.
    auto* rejilla = new QGridLayout(this);
    rejilla->setContentsMargins(0, 0, 0, 0);
    rejilla->setColumnStretch(1, 1);
    rejilla->setColumnStretch(3, 1);
    const auto par = [this, rejilla](int fila, int columna, QWidget* campo, const QString& texto) {
        rejilla->addWidget(Controles::etiqueta(this, campo, texto), fila, columna);
        rejilla->addWidget(campo, fila, columna + 1);
    };
    par(0, 0, EdCalle, ED_CALLE);
    auto* numeros = new QHBoxLayout;
    numeros->addWidget(EdNoExterior, 1);
    numeros->addWidget(Controles::etiqueta(this, EdNoInterior, ED_NOINTERIOR));
    numeros->addWidget(EdNoInterior, 1);
    rejilla->addWidget(Controles::etiqueta(this, EdNoExterior, ED_NOEXTERIOR), 0, 2);
    rejilla->addLayout(numeros, 0, 3);
    par(1, 0, CmbCodigoPostal, Constantes::CMB_CODIGOPOSTAL);
    par(1, 2, CmbColonia, CMB_COLONIA);
    par(2, 0, CmbMunicipio, CMB_MUNICIPIO);
    par(2, 2, CmbLocalidad, CMB_LOCALIDAD);
    par(3, 0, CmbEstado, Constantes::CMB_ESTADO);
    par(3, 2, CmbPais, CMB_PAIS);
    rejilla->addWidget(Controles::etiqueta(this, EdReferencia, ED_REFERENCIA), 4, 0);
    rejilla->addWidget(EdReferencia, 4, 1, 1, 3);
    Controles::ordenTabulacion(camposTabulacion());

    // The list writes its item 0 into the box whenever the prompt is chosen,
    // by the user or by the panel; only what the user types stays.
    connect(CmbCodigoPostal->lineEdit(), &QLineEdit::textChanged, this, [this](const QString& texto) {
        QLineEdit* edicion = CmbCodigoPostal->lineEdit();
        if (texto == promptCodigoPostal() && !edicion->isModified()) {
            TBandera llenando(m_llenando);
            edicion->clear();
        }
    });
    connect(CmbPais, &QComboBox::currentIndexChanged, this, &TDireccionesFrm::alElegirPais);
    connect(CmbEstado, &QComboBox::currentIndexChanged, this, &TDireccionesFrm::alElegirEstado);
    connect(CmbMunicipio, &QComboBox::currentIndexChanged, this, &TDireccionesFrm::alElegirMunicipio);
    connect(CmbCodigoPostal, &QComboBox::editTextChanged, this, &TDireccionesFrm::alCambiarCodigoPostal);

    inicializaDireccion(true);
}

// --- Lists ---------------------------------------------------------------------

void TDireccionesFrm::cargaPaises()
{
    TBandera llenando(m_llenando);
    Controles::llenaLista(CmbPais, CMB_PAIS, textos(BaseDatosCatalogosFrm().getPaises()));
}

void TDireccionesFrm::cargaEstados(const QString& clavePais)
{
    TBandera llenando(m_llenando);
    m_paisCargado = clavePais;
    Controles::llenaLista(CmbEstado, Constantes::CMB_ESTADO, textos(BaseDatosCatalogosFrm().getEstados(clavePais)));
    cargaMunicipiosYLocalidades(QString());
}

void TDireccionesFrm::cargaMunicipiosYLocalidades(const QString& claveEstado)
{
    TBandera llenando(m_llenando);
    m_estadoCargado = claveEstado;
    const TBaseDatosCatalogosFrm& catalogos = BaseDatosCatalogosFrm();
    Controles::llenaLista(CmbMunicipio, CMB_MUNICIPIO,
                          claveEstado.isEmpty() ? QStringList() : textos(catalogos.getMunicipios(claveEstado)));
    Controles::llenaLista(CmbLocalidad, CMB_LOCALIDAD,
                          claveEstado.isEmpty() ? QStringList() : textos(catalogos.getLocalidades(claveEstado)));
    cargaCodigosPostales(claveEstado, QString());
}

// The code shown survives the new list: it is the user's input, not a choice
// from the old list.
void TDireccionesFrm::cargaCodigosPostales(const QString& claveEstado, const QString& claveMunicipio)
{
    const QString cargado = claveEstado + QLatin1Char('|') + claveMunicipio;
    if (cargado == m_municipioCargado)
        return;
    TBandera llenando(m_llenando);
    m_municipioCargado = cargado;
    const QString mostrado = CmbCodigoPostal->currentText();
    Controles::llenaLista(CmbCodigoPostal, Constantes::CMB_CODIGOPOSTAL,
                          claveEstado.isEmpty() || claveMunicipio.isEmpty()
                              ? QStringList()
                              : BaseDatosCatalogosFrm().getCodigosPostales(claveEstado, claveMunicipio));
    muestraCodigoPostal(mostrado == promptCodigoPostal() ? QString() : mostrado);
}

void TDireccionesFrm::cargaColonias(const QString& cp)
{
    TBandera llenando(m_llenando);
    QStringList nombres;
    if (esCodigoPostal(cp.trimmed())) {
        const auto colonias = BaseDatosCatalogosFrm().getColonias(cp.trimmed());
        for (const auto& colonia : colonias)
            nombres << colonia.second;
    }
    Controles::llenaLista(CmbColonia, CMB_COLONIA, nombres);
}

void TDireccionesFrm::muestraCodigoPostal(const QString& cp)
{
    TBandera llenando(m_llenando);
    const QString codigo = cp.trimmed();
    if (codigo.isEmpty()) {
        CmbCodigoPostal->setCurrentIndex(0);
        return;
    }
    // A code the list lacks is shown over the prompt, so no other code stays
    // chosen underneath it.
    const int indice = CmbCodigoPostal->findText(codigo);
    CmbCodigoPostal->setCurrentIndex(qMax(indice, 0));
    if (indice <= 0)
        CmbCodigoPostal->setEditText(codigo);
}

bool TDireccionesFrm::aplicaCodigoPostal(const QString& cp, bool soloFaltantes, bool conLocalidad)
{
    const QStringList filas = BaseDatosCatalogosFrm().getCodigoPostalAndEstadoByCp(cp);
    if (filas.isEmpty())
        return false;
    TBandera llenando(m_llenando);
    const QString estado = valor(filas, QStringLiteral("ESTADOCLAVE"));
    const QString municipio = valor(filas, QStringLiteral("MUNICIPIOCLAVE"));
    const QString localidad = valor(filas, QStringLiteral("LOCALIDADCLAVE"));

    if (!soloFaltantes || !isPaisElegido()) {
        selecciona(CmbPais, PAIS_CODIGOS);
        if (m_paisCargado != PAIS_CODIGOS)
            cargaEstados(PAIS_CODIGOS);
    }
    if (!soloFaltantes || !isEstadoElegido()) {
        selecciona(CmbEstado, estado + SEPARADOR + valor(filas, QStringLiteral("ESTADO")));
        if (m_estadoCargado != estado)
            cargaMunicipiosYLocalidades(estado);
    }
    // A municipality or locality belongs to its state: none is taken for a
    // state the user chose differently.
    if (clave(getEstado()) == estado) {
        if (!soloFaltantes || !isMunicipioElegido()) {
            if (municipio.isEmpty())
                CmbMunicipio->setCurrentIndex(0);
            else
                selecciona(CmbMunicipio, municipio + SEPARADOR + valor(filas, QStringLiteral("MUNICIPIO")));
        }
        if (conLocalidad && (!soloFaltantes || !isLocalidadElegida())) {
            if (localidad.isEmpty())
                CmbLocalidad->setCurrentIndex(0);
            else
                selecciona(CmbLocalidad, localidad + SEPARADOR + valor(filas, QStringLiteral("LOCALIDAD")));
        }
    }
    if (isEstadoElegido() && isMunicipioElegido())
        cargaCodigosPostales(clave(getEstado()), clave(getMunicipio()));
    muestraCodigoPostal(cp);
    cargaColonias(cp);
    m_codigoAplicado = cp.trimmed();
    return true;
}

// --- Choices of the user ----------------------------------------------------

void TDireccionesFrm::alElegirPais(int indice)
{
    if (m_llenando)
        return;
    cargaEstados(indice > 0 ? clave(CmbPais->itemText(indice)) : PAIS_CODIGOS);
}

void TDireccionesFrm::alElegirEstado(int indice)
{
    if (m_llenando)
        return;
    cargaMunicipiosYLocalidades(indice > 0 ? clave(CmbEstado->itemText(indice)) : QString());
}

void TDireccionesFrm::alElegirMunicipio(int indice)
{
    if (m_llenando)
        return;
    cargaCodigosPostales(m_estadoCargado, indice > 0 ? clave(CmbMunicipio->itemText(indice)) : QString());
}

void TDireccionesFrm::alCambiarCodigoPostal(const QString& texto)
{
    if (m_llenando)
        return;
    const QString codigo = texto.trimmed();
    if (codigo == m_codigoAplicado)
        return;
    m_codigoAplicado = codigo;
    if (!esCodigoPostal(codigo) || !aplicaCodigoPostal(codigo, false, true))
        cargaColonias(QString());
}

// --- Operations of the hosting windows --------------------------------------

void TDireccionesFrm::inicializaDireccion(bool recargar)
{
    TBandera llenando(m_llenando);
    EdCalle->clear();
    EdNoExterior->clear();
    EdNoInterior->clear();
    EdReferencia->clear();
    if (recargar || CmbPais->count() <= 1)
        cargaPaises();
    CmbPais->setCurrentIndex(0);
    if (recargar || CmbEstado->count() <= 1 || m_paisCargado != PAIS_CODIGOS) {
        cargaEstados(PAIS_CODIGOS);
    } else {
        CmbEstado->setCurrentIndex(0);
        cargaMunicipiosYLocalidades(QString());
    }
    m_municipioCargado = QStringLiteral("-"); // the next list is always read again
    cargaCodigosPostales(QString(), QString());
    CmbCodigoPostal->setCurrentIndex(0);
    cargaColonias(QString());
    m_codigoAplicado.clear();
}

void TDireccionesFrm::inicializaPais(const QString& pais)
{
    TBandera llenando(m_llenando);
    const TSeleccion seleccion = selecciona(CmbPais, pais);
    // A country the catalogue lacks keeps the states listed so far.
    if (seleccion == TSeleccion::Agregada)
        return;
    const QString llave = seleccion == TSeleccion::Encontrada ? clave(getPais()) : PAIS_CODIGOS;
    if (llave != m_paisCargado)
        cargaEstados(llave);
}

void TDireccionesFrm::inicializaEstado(const QString& estado)
{
    TBandera llenando(m_llenando);
    const TSeleccion seleccion = selecciona(CmbEstado, estado);
    const QString llave = seleccion == TSeleccion::Encontrada ? clave(getEstado()) : QString();
    if (llave != m_estadoCargado)
        cargaMunicipiosYLocalidades(llave);
}

void TDireccionesFrm::inicializaMunicipio(const QString& municipio)
{
    TBandera llenando(m_llenando);
    const TSeleccion seleccion = selecciona(CmbMunicipio, municipio);
    cargaCodigosPostales(m_estadoCargado, seleccion == TSeleccion::Encontrada ? clave(getMunicipio()) : QString());
}

void TDireccionesFrm::inicializaLocalidad(const QString& localidad)
{
    TBandera llenando(m_llenando);
    selecciona(CmbLocalidad, localidad);
}

void TDireccionesFrm::inicializaCodigoPostal(const QString& cp)
{
    TBandera llenando(m_llenando);
    muestraCodigoPostal(cp);
    cargaColonias(cp);
    m_codigoAplicado = cp.trimmed();
}

void TDireccionesFrm::inicializaCodigoPostalSinLocalidad(const QString& cp)
{
    TBandera llenando(m_llenando);
    if (!aplicaCodigoPostal(cp, true, false)) {
        muestraCodigoPostal(cp);
        cargaColonias(cp);
        m_codigoAplicado = cp.trimmed();
    }
}

void TDireccionesFrm::inicializaColonia(const QString& colonia)
{
    TBandera llenando(m_llenando);
    selecciona(CmbColonia, colonia, false);
}

// --- Texts ---------------------------------------------------------------------

QString TDireccionesFrm::getCalle() const
{
    return EdCalle->text();
}
QString TDireccionesFrm::getNoExterior() const
{
    return EdNoExterior->text();
}
QString TDireccionesFrm::getNoInterior() const
{
    return EdNoInterior->text();
}
QString TDireccionesFrm::getReferencia() const
{
    return EdReferencia->text();
}
QString TDireccionesFrm::getColonia() const
{
    return CmbColonia->currentText();
}
QString TDireccionesFrm::getLocalidad() const
{
    return CmbLocalidad->currentText();
}
QString TDireccionesFrm::getMunicipio() const
{
    return CmbMunicipio->currentText();
}
QString TDireccionesFrm::getEstado() const
{
    return CmbEstado->currentText();
}
QString TDireccionesFrm::getPais() const
{
    return CmbPais->currentText();
}
QString TDireccionesFrm::getCodigoPostal() const
{
    return CmbCodigoPostal->currentText();
}

void TDireccionesFrm::setCalle(const QString& texto)
{
    EdCalle->setText(texto);
}
void TDireccionesFrm::setNoExterior(const QString& texto)
{
    EdNoExterior->setText(texto);
}
void TDireccionesFrm::setNoInterior(const QString& texto)
{
    EdNoInterior->setText(texto);
}
void TDireccionesFrm::setReferencia(const QString& texto)
{
    EdReferencia->setText(texto);
}

bool TDireccionesFrm::isColoniaElegida() const
{
    return CmbColonia->currentIndex() > 0;
}
bool TDireccionesFrm::isLocalidadElegida() const
{
    return CmbLocalidad->currentIndex() > 0;
}
bool TDireccionesFrm::isMunicipioElegido() const
{
    return CmbMunicipio->currentIndex() > 0;
}
bool TDireccionesFrm::isEstadoElegido() const
{
    return CmbEstado->currentIndex() > 0;
}
bool TDireccionesFrm::isPaisElegido() const
{
    return CmbPais->currentIndex() > 0;
}

QList<QWidget*> TDireccionesFrm::camposTabulacion() const
{
    return {EdCalle,      EdNoExterior, EdNoInterior, CmbCodigoPostal, CmbColonia,
            CmbMunicipio, CmbLocalidad, CmbEstado,    CmbPais,         EdReferencia};
}

void TDireccionesFrm::setAnchoEtiquetas(int ancho)
{
    if (auto* rejilla = qobject_cast<QGridLayout*>(layout()))
        rejilla->setColumnMinimumWidth(0, ancho);
}

bool TDireccionesFrm::isCodigoPostalElegido() const
{
    const QString texto = getCodigoPostal().trimmed();
    return !texto.isEmpty() && texto != promptCodigoPostal();
}

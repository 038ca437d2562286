#pragma once
#include "ControlesExport.h"

#include <QList>
#include <QString>
#include <QWidget>

class QComboBox;
class QLineEdit;

// The address panel that the new-business page and the branch window host:
// street, exterior and interior number and reference as text fields; colony,
// locality, municipality, state and country as lists whose item 0 is a prompt
// (the state's is CMB_ESTADO); the postal code as an editable list of at most
// five characters whose item 0 is CMB_CODIGOPOSTAL: its empty choice shows an
// empty box with that prompt as placeholder. Every field has a label beside it.
//
// Entries read as stored in an address: state "CMX - Ciudad de México",
// municipality "015 - Cuauhtémoc", locality "06 - Ciudad de México", country
// "MEX - México" (key, " - ", name); colonies by name. The lists come from the
// SAT catalogue (TBaseDatosCatalogosFrm).
//
// Typing or choosing a postal code the catalogue knows selects its country,
// state, municipality and locality and lists its colonies; an unknown code
// changes nothing but the colonies, which empty. Choosing a state lists its
// municipalities and localities; choosing a municipality lists its postal
// codes; choosing a country lists its states.
class CONTROLES_EXPORT TDireccionesFrm : public QWidget {
    Q_OBJECT
public:
    explicit TDireccionesFrm(QWidget* parent = nullptr);

    // Empties every field and selects every prompt. With recargar the country
    // and state lists are read again from the catalogue (a new program folder
    // or a newly installed catalogue); without it the lists already loaded stay
    // (they are read only when there are none yet).
    void inicializaDireccion(bool recargar);

    // Show a stored address, each from the text of its field ("CMX - Ciudad de
    // México"). An entry is found by its whole text or, failing that, by its
    // key; a text the lists lack is added as an entry of its own, so saving the
    // address again keeps it. An empty text selects the prompt. Choosing the
    // country lists its states, the state its municipalities and localities,
    // the municipality its postal codes.
    void inicializaPais(const QString& pais);
    void inicializaEstado(const QString& estado);
    void inicializaMunicipio(const QString& municipio);
    void inicializaLocalidad(const QString& localidad);
    // For an address with a locality: shows the code and lists its colonies;
    // the state, municipality and locality already shown stay.
    void inicializaCodigoPostal(const QString& cp);
    // For an address without locality: shows the code and lists its colonies;
    // a country, state or municipality not chosen yet is taken from the
    // catalogue, the locality stays unchosen.
    void inicializaCodigoPostalSinLocalidad(const QString& cp);
    void inicializaColonia(const QString& colonia);

    // Texts as shown: a prompt when nothing is chosen ("Estado"; the postal
    // code's empty choice is an empty text).
    QString getCalle() const;
    QString getNoExterior() const;
    QString getNoInterior() const;
    QString getReferencia() const;
    QString getColonia() const;
    QString getLocalidad() const;
    QString getMunicipio() const;
    QString getEstado() const;
    QString getPais() const;
    QString getCodigoPostal() const;

    void setCalle(const QString& texto);
    void setNoExterior(const QString& texto);
    void setNoInterior(const QString& texto);
    void setReferencia(const QString& texto);

    // Whether an entry after the prompt is chosen.
    bool isColoniaElegida() const;
    bool isLocalidadElegida() const;
    bool isMunicipioElegido() const;
    bool isEstadoElegido() const;
    bool isPaisElegido() const;
    // Whether a code is typed or chosen: the text is neither empty nor the
    // prompt's first five characters.
    bool isCodigoPostalElegido() const;

    // The keyboard stops in reading order; the hosting window chains them
    // into its own order (Controles::ordenTabulacion).
    QList<QWidget*> camposTabulacion() const;
    // The width of the first column of labels, so the panel's fields line up
    // with a form of the hosting window above it.
    void setAnchoEtiquetas(int ancho);

    // The fields themselves, for the hosting window's error styles and focus.
    QLineEdit* getEdCalle() const { return EdCalle; }
    QLineEdit* getEdNoExterior() const { return EdNoExterior; }
    QLineEdit* getEdNoInterior() const { return EdNoInterior; }
    QLineEdit* getEdReferencia() const { return EdReferencia; }
    QComboBox* getCmbColonia() const { return CmbColonia; }
    QComboBox* getCmbLocalidad() const { return CmbLocalidad; }
    QComboBox* getCmbMunicipio() const { return CmbMunicipio; }
    QComboBox* getCmbEstado() const { return CmbEstado; }
    QComboBox* getCmbPais() const { return CmbPais; }
    QComboBox* getCmbCodigoPostal() const { return CmbCodigoPostal; }

private:
    void cargaPaises();
    void cargaEstados(const QString& clavePais);
    void cargaMunicipiosYLocalidades(const QString& claveEstado);
    void cargaCodigosPostales(const QString& claveEstado, const QString& claveMunicipio);
    void cargaColonias(const QString& cp);
    void muestraCodigoPostal(const QString& cp);
    // Fills the fields from the catalogue's rows of the code; false for an
    // unknown code. soloFaltantes keeps what is already chosen.
    bool aplicaCodigoPostal(const QString& cp, bool soloFaltantes, bool conLocalidad);

    void alElegirPais(int indice);
    void alElegirEstado(int indice);
    void alElegirMunicipio(int indice);
    void alCambiarCodigoPostal(const QString& texto);

    QLineEdit* EdCalle;
    QLineEdit* EdNoExterior;
    QLineEdit* EdNoInterior;
    QLineEdit* EdReferencia;
    QComboBox* CmbColonia;
    QComboBox* CmbLocalidad;
    QComboBox* CmbMunicipio;
    QComboBox* CmbEstado;
    QComboBox* CmbPais;
    QComboBox* CmbCodigoPostal;

    // True while the panel fills its own lists, so their signals do not cascade.
    bool m_llenando = false;
    // What the loaded lists belong to, so a list is read again only when it changes.
    QString m_paisCargado;
    QString m_estadoCargado;
    QString m_municipioCargado;
    QString m_codigoAplicado;
};

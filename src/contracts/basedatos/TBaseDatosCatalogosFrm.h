#pragma once
#include "BaseDatosExport.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

// Look-ups in the SAT catalogue database, program folder + "db/CFDCAT.DB"
// (built from data/sat by tools/generacatalogo, replaced by the catalogue
// download). A holder that is never shown; the shared one is
// BaseDatosCatalogosFrm(). Each thread reads through a connection of its own.
//
// A missing or unreadable catalogue is not an error for the caller: every
// look-up answers false or empty and the first failure for that file is
// written to the log.
//
// Postal-code rows are lines "NAME=value" with the names CODIGOPOSTAL,
// ESTADOCLAVE, ESTADO, MUNICIPIOCLAVE, MUNICIPIO, LOCALIDADCLAVE, LOCALIDAD,
// always all seven and in that order; a value the catalogue lacks is empty
// ("LOCALIDADCLAVE=").
class BASEDATOS_EXPORT TBaseDatosCatalogosFrm : public QObject {
    Q_OBJECT
public:
    // Key and name of a catalogue entry ("CMX", "Ciudad de México").
    using TClaveNombre = QPair<QString, QString>;

    explicit TBaseDatosCatalogosFrm(QObject* parent = nullptr);

    // The catalogue file of the current program folder.
    static QString archivo();
    bool existeCatalogo() const;
    // Closes the calling thread's connection to the catalogue, so the next
    // look-up reads a newly installed file.
    void cierra() const;

    // Whether the catalogue knows the 5-digit code.
    bool existeCodigoPostalByCP(const QString& cp) const;
    // Whether the code lies in the state with that SAT key ("CMX", "JAL").
    bool existeCodigoPostalByCPAndEstado(const QString& cp, const QString& claveEstado) const;

    // The code's rows when the catalogue gives it a state, a municipality and a
    // locality; empty otherwise (unknown code, or a code without locality).
    QStringList getCodigoPostalByCP(const QString& cp) const;
    // The code's rows whenever the code is known: the state always, the
    // municipality and locality when the catalogue has them. Empty for an
    // unknown code.
    QStringList getCodigoPostalAndEstadoByCp(const QString& cp) const;

    // The regimes in force that apply to the RFC, as "601 - General de Ley
    // Personas Morales", in code order. A 12-character RFC (trimmed) is a legal
    // person (moral), a 13-character one a natural person (física); any other
    // RFC, the empty one included, gets every regime. The regime list of the
    // windows (CombosCatalogo::inicializaRegimenFiscal) shows these.
    QStringList getRegimenesFiscales(const QString& rfc) const;

    // The SAT's description of a payment form by its key ("03": "Transferencia
    // electrónica de fondos") and of a payment method by its code ("PUE");
    // empty when the catalogue lacks it.
    QString getDescripcionFormaPago(const QString& clave) const;
    QString getDescripcionMetodoPago(const QString& codigo) const;

    // Lists for the address panel, in key order (colonies in name order).
    // States of a country by its SAT key ("MEX", "USA", "CAN").
    QList<TClaveNombre> getEstados(const QString& clavePais = QStringLiteral("MEX")) const;
    QList<TClaveNombre> getMunicipios(const QString& claveEstado) const;
    QList<TClaveNombre> getLocalidades(const QString& claveEstado) const;
    QList<TClaveNombre> getPaises() const;
    // Colony key and name of each colony of the code.
    QList<TClaveNombre> getColonias(const QString& cp) const;
    // The codes of a municipality.
    QStringList getCodigosPostales(const QString& claveEstado, const QString& claveMunicipio) const;

private:
    QList<QStringList> consulta(const QString& sql, const QVariantList& parametros, int columnas) const;
    QStringList filasCodigoPostal(const QString& cp, bool completo) const;
};

// The shared catalogue holder, created on first use.
BASEDATOS_EXPORT TBaseDatosCatalogosFrm& BaseDatosCatalogosFrm();

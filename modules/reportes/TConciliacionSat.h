#pragma once
#include "ConciliacionSat.h"

#include <QList>
#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTableView;
class TConexionSesion;
class TModeloHallazgos;
class TVistaHallazgos;

// What the SAT's metadata and the business's stored vouchers say differently
// (ConciliacionSat::hallazgos): how many of each kind, a table of them (one
// kind or all) and its CSV. With no metadata stored it tells the user to
// import the SAT's packages first.
class TConciliacionSat : public QWidget {
    Q_OBJECT
public:
    explicit TConciliacionSat(QWidget* parent = nullptr);

    // Reads the findings of the business `idNegocio` (RFC `rfc`) again; a
    // database that cannot answer is told to the user and leaves it empty.
    void carga(const QString& rfc, int idNegocio, const TConexionSesion& conexion);
    // The findings the kind filter takes, in the table's order.
    QList<THallazgoSat> mostrados() const;
    // The name "Exportar CSV…" proposes: Conciliacion_<RFC>_<yyyy-MM-dd>.csv.
    QString nombreCsv() const;
    // Writes the findings the filter takes to `ruta` (owner-only), whole or
    // not at all; false, after telling the user, when it could not.
    Q_INVOKABLE bool exportaCsv(const QString& ruta);
    // Puts the keyboard on the kind of finding to show; false while there is
    // nothing to choose (no metadata).
    bool enfoca();

    // "2 cancelados, 5 sin XML, 1 sin metadatos y 0 con importe distinto",
    // from ConciliacionSat::cuentaPorTipo.
    static QString textoCuentas(const QList<int>& cuentas);

private:
    void muestra();
    void eligeArchivoCsv();

    QString m_rfc;
    QList<THallazgoSat> m_hallazgos;
    bool m_hayMetadatos = false;

    QLabel* m_cuentas;
    QComboBox* m_tipo;
    QPushButton* m_exportar;
    QStackedWidget* m_area;
    TModeloHallazgos* m_modelo;
    TVistaHallazgos* m_vista;
    QTableView* m_tabla;
    QLabel* m_vacio;
};

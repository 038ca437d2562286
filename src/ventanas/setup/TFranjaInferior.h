#pragma once
#include "setup/TRespaldo.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QThread>
#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;
class TCatalogosHilo;
class TVerificaUpdate;

// The wizard's bottom, on every page: the progress panel of the long work
// and the strip of links under it (program update, SAT catalogue, restore
// from XML, restore a backup, rebuild the registry). One piece of work runs
// at a time; each writes the program folder.
class TFranjaInferior : public QWidget {
    Q_OBJECT
public:
    explicit TFranjaInferior(QWidget* parent = nullptr);
    ~TFranjaInferior() override;

    // Checks for a program update (once at a time).
    void iniciaVerificacion();
    // Whether a download, restore or rebuild is running.
    bool ocupado() const { return m_ocupado; }
    // The title of a restore or rebuild still running on its thread; empty
    // when none is.
    QString trabajoEnCurso() const;
    // The registry is empty: registers again the businesses of the program's
    // "db" folder, on a worker thread.
    void reconstruyeRegistro();
    QList<QWidget*> camposTabulacion() const;

signals:
    // The update check's verdict, for the main window's indicator.
    void actualizacionDisponible(bool disponible);
    // The updater was started; the program is to end so it can replace it.
    void actualizadorIniciado();
    // A long piece of work (download, restore, rebuild) ended.
    void procesoTerminado();
    // A restore or a rebuild changed the registry.
    void registroCambiado();
    // The XML import ran; it may have registered businesses.
    void xmlImportado();

private:
    void creaPanelProgreso(QVBoxLayout* diseno);
    void creaEnlaces(QVBoxLayout* diseno);
    void aplicaEstilos();
    void muestraActualizacion(int estado, const QString& ultima, const QStringList& notas);
    // Shows the progress panel under `titulo` and disables the links;
    // terminaProceso hides it and enables them again.
    void iniciaProceso(const QString& titulo, bool cancelable);
    void terminaProceso();
    void terminaRespaldo(int resultado);
    void terminaReconstruccion(const QStringList& registradas, const QStringList& omitidas);
    void compararCatalogos(int resultado, const QString& mensaje);
    // The links.
    void TxUpdateClick();
    void TXCatalogosClick();
    void ImgAbrirXMLClick();
    void restaurarRespaldo();
    // A backup into an empty database of a server, chosen in the database
    // configuration window.
    void restaurarEnServidor();
    // Runs a restore on a thread of its own behind the busy bar.
    void ejecutaRestauracion(std::function<int(const Respaldo::TAviso&)> restauracion);
    // A restore's step on the strip (queued from its thread).
    void muestraAvance(const Respaldo::TAvance& avance);
    void ImgBaseDatosClick();

    QWidget* Text8;
    QLabel* TxProgreso;
    QProgressBar* ProgressBar1;
    QLabel* Text11;
    QPushButton* BtCancelarProceso;
    QLabel* TxUpdate;
    QLabel* ImgUpdate;
    QLabel* TXCatalogos;
    QLabel* ImgCatalogo;
    QLabel* TxBaseDatos;
    QLabel* ImgBaseDatos;
    QLabel* Text2;
    QLabel* ImgAbrirConf;
    QLabel* TxRestaurarServidor;
    QLabel* ImgRestaurarServidor;
    QLabel* TxRestaurarRespaldoXML;
    QLabel* ImgAbrirXML;
    QLabel* TxLeyenda;

    bool m_ocupado = false;
    QPointer<TVerificaUpdate> m_verificacion;
    QPointer<TCatalogosHilo> m_catalogo;
    QPointer<QThread> m_trabajo;
    // What the registry rebuild under way kept of the registry it replaced.
    Respaldo::TRegistroConservado m_conservado;
};

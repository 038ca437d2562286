#pragma once
#include "import/TImportadorXML.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

#include <memory>

class TCandadoImportacion;
class TConteoArchivos;
class THiloImportacion;
class TRitmoImportacion;

// The import window: a folder tree of CFDI XML files into the businesses that
// issued them. Two panels, of which one shows: the data panel asks for the
// e-mail and password (the owner of the businesses the import may have to
// create, and a user of each existing business it brings vouchers into),
// checks them and the registry (RevisionImportacion), as the command line
// does, and then asks for the folder; the progress panel shows the count of
// files (TConteoArchivos), then the import on the parallel import
// (THiloImportacion) with its pace, and "Cancelar", which stops it after the
// files in hand and keeps what was committed. At the end it says the tally,
// where the report of each file was written (TReporteImportacion) and the
// businesses it created, opens the report and closes. The folder is asked
// through SelectorArchivos::carpeta.
class TImportarXMLFrm : public QDialog {
    Q_OBJECT
public:
    explicit TImportarXMLFrm(QWidget* parent = nullptr);
    ~TImportarXMLFrm() override;

    // The chosen folder, ending in "/" once chosen.
    QString directorio;

    // Called by the opener before showing the window: empty fields, the data
    // panel. Signed in, the import runs under the session's user: the e-mail
    // is given and only its password is asked.
    void initDatosXML(const QString& correoSesion = QString());
    void initProgresoXML();

    // Whether a count or an import is running.
    bool ocupada() const;
    // The outcome of the last import, file by file in its tally; complete
    // once its end message was shown.
    const TResumenImportacion& resumen() const { return m_resumen; }

signals:
    // Each file's outcome as soon as it is final (UI thread).
    void archivoTerminado(const TResultadoArchivo& resultado);
    // An import ended (completed, cancelled or failed) and its message was
    // shown: what shows the businesses' figures reads them again.
    void importacionTerminada();

public slots:
    void BtAceptarClick();
    void BtCancelarClick();

protected:
    void closeEvent(QCloseEvent* evento) override;
    void reject() override;

private:
    // Data panel.
    QWidget* TxDatosXML;
    QLabel* TxInformacion;
    QLabel* TxEmail;
    QLineEdit* EdEmail;
    QLabel* TxPass;
    QLineEdit* EdPass;
    QLabel* TxRepitePass;
    QLineEdit* EdRepitePass;
    QPushButton* BtAceptar;
    // Picks one file (a package, a metadata file, a voucher) instead of a folder.
    QPushButton* BtArchivo;
    QPushButton* BtCancelar;
    // Progress panel.
    QWidget* TxProgresoXML;
    QLabel* TxTituloProgreso;
    QProgressBar* PBProgreso;
    QLabel* TxLeyendo;
    QLabel* TxNumeroXML;
    QLabel* TxArchivosXML;
    QLabel* TxTotalXML;
    QLabel* TxRitmo;
    QPushButton* BtDetener;

    void FormCreate();
    void hiloImportacion();
    void iniciaProcesoImportacion();
    bool m_eligeArchivo = false;
    void OnThreadTerminate();
    void OnThreadTerminateCerrar();
    void avanza(int hechos);
    void detiene();
    void detieneHilos();

    // Held from Aceptar to the end of the import.
    std::unique_ptr<TCandadoImportacion> m_candado;
    QPointer<TConteoArchivos> m_conteo;
    QPointer<THiloImportacion> m_hilo;
    std::unique_ptr<TRitmoImportacion> m_ritmo;
    TResumenImportacion m_resumen;
    QString m_email;
    QString m_password;
    bool m_sesion = false;
    bool m_detenida = false;
};

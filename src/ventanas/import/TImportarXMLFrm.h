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
class TImportarXMLHilo;

// The import window: a folder tree of CFDI XML files into the businesses that
// issued them. Borderless, with two panels of which one shows: the data panel
// asks for the e-mail and password (the owner of the businesses the import
// may have to create, and a user of each existing business it brings
// vouchers into), checks them and the registry (RevisionImportacion) and
// then asks for the folder; the progress panel shows the count of files
// (TConteoArchivos) and the progress of the import (TImportarXMLHilo). Once
// the import starts the window offers no way out; when the import ends it
// says "Proceso Terminado" with the tally and where the report of each file
// was written (TReporteImportacion), and closes. The wizard opens it modally.
// The folder is asked through SelectorArchivos::carpeta.
class TImportarXMLFrm : public QDialog {
    Q_OBJECT
public:
    explicit TImportarXMLFrm(QWidget* parent = nullptr);
    ~TImportarXMLFrm() override;

    // The chosen folder, ending in "/" once chosen.
    QString directorio;

    // Called by the opener before showing the window: the brand in the
    // welcome text, empty fields, the data panel.
    void initDatosXML();
    void initProgresoXML();

    // Whether a count or an import is running.
    bool ocupada() const;
    // The outcome of the last import, file by file in its tally; complete
    // once "Proceso Terminado" was shown.
    const TResumenImportacion& resumen() const { return m_resumen; }

signals:
    // Each file's outcome as soon as it is final (UI thread).
    void archivoTerminado(const TResultadoArchivo& resultado);

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
    QPushButton* BtCancelar;
    // Progress panel.
    QWidget* TxProgresoXML;
    QProgressBar* PBProgreso;
    QLabel* TxLeyendo;
    QLabel* TxNumeroXML;
    QLabel* TxArchivosXML;
    QLabel* TxTotalXML;

    void FormCreate();
    void hiloImportacion();
    void iniciaProcesoImportacion();
    void OnThreadTerminate();
    void OnThreadTerminateCerrar();
    void detieneHilos();

    // Held from Aceptar to the end of the import.
    std::unique_ptr<TCandadoImportacion> m_candado;
    QPointer<TConteoArchivos> m_conteo;
    QPointer<TImportarXMLHilo> m_hilo;
    TResumenImportacion m_resumen;
    QString m_email;
    QString m_password;
};

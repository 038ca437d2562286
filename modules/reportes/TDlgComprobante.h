#pragma once
#include "LecturaComprobante.h"

#include <QByteArray>
#include <QDialog>

// One stored voucher as a person reads it: who issued it to whom, when, its
// lines, taxes and totals as the file wrote them, and its stamp. "Guardar
// XML" writes the stored bytes, unchanged, as <UUID>.xml in the folder the
// user picks. Escape closes it.
class TDlgComprobante : public QDialog {
    Q_OBJECT
public:
    TDlgComprobante(const TVistaComprobante& vista, const QByteArray& xml, QWidget* parent = nullptr);

    // The file name "Guardar XML" writes.
    QString nombreArchivo() const;
    // Asks the folder and writes the XML there; false when the user cancelled
    // or it could not be written (the user is told).
    bool guardaXml();

private:
    TVistaComprobante m_vista;
    QByteArray m_xml;
};

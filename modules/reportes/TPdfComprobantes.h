#pragma once
#include "ConsultaComprobantes.h"

#include <QString>

class QWidget;
class TConexionSesion;
class TModeloComprobantes;
class TNegocio;

// The printed vouchers of the reports page: one listed voucher to a PDF or to
// the printer, or every voucher of the filter to one PDF or one per voucher.
// It asks the user through the page (`ventana`) and tells the outcome through
// the prompter. The business, the connection and the list are the page's, and
// live as long as it does.
class TPdfComprobantes {
public:
    TPdfComprobantes(QWidget* ventana, const TNegocio* negocio, const TConexionSesion* conexion,
                     const TModeloComprobantes* modelo);

    // The listed voucher's printed representation, written to `ruta`; false,
    // after telling the user, when it could not.
    bool guardaPdf(int fila, const QString& ruta);
    // Asks where, proposing the voucher's UUID, then writes it.
    void eligePdf(int fila);
    // Asks for a printer and prints the listed voucher.
    void imprime(int fila);
    // Every voucher of `filtro` (`total` of them) in one PDF (`ruta` a file),
    // or one PDF per voucher named by its UUID (`ruta` a folder). Shows the
    // progress; the user may stop it, and what was written stays.
    bool guardaPdfLista(const QString& ruta, bool unoPorComprobante, const TFiltroComprobantes& filtro, int total);
    // Asks for the file (proposing `nombre`) or the folder, then writes them.
    void eligePdfLista(bool unoPorComprobante, const QString& nombre, const TFiltroComprobantes& filtro, int total);

private:
    struct TImpresion;
    // The listed voucher with what the PDF needs (its XML, the logo, the
    // stored check); false, after telling the user, when it has no XML.
    bool paraImprimir(int fila, TImpresion& impresion);

    QWidget* m_ventana;
    const TNegocio* m_negocio;
    const TConexionSesion* m_conexion;
    const TModeloComprobantes* m_modelo;
};

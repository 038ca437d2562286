#pragma once
#include "TElementoMenuModulo.h"
#include "TMenuModulo.h"
#include "shell/Modulos.h"

#include <QHash>
#include <QScrollArea>

#include <memory>
#include <vector>

class QLabel;
class QVBoxLayout;
class TEtiquetaAccion;
class TVentanasModulo;

// The modules' menus in the left panel (SbMenuPrincipal): one group per
// package, a header that expands its submenu and rows that open windows.
class TMenuModulos : public QScrollArea {
    Q_OBJECT
public:
    explicit TMenuModulos(QWidget* parent = nullptr);

    // Loads the packages of the program folder not tried yet and shows the
    // menu of each; the windows the rows name are made through `ventanas`.
    void cargaModulos(const QString& carpetaPrograma, TVentanasModulo& ventanas);
    // Expands or collapses the group of a header, when the user's rights
    // allow its module.
    void alterna(QLabel* encabezado);

    // Every package file tried, one per name, for the whole run.
    const Modulos::TListaPaquetes& paquetes() const { return m_paquetes; }
    // The group of a header or single entry, by its text.
    TMenuModulo* grupo(const QString& encabezado) const { return m_expandibles.value(encabezado); }
    // The rows, in the order they show.
    QList<TEtiquetaAccion*> filas() const;

signals:
    // A row that opens a window was activated; its object name is the
    // window routine's component name.
    void ventanaSolicitada(QLabel* fila);

private:
    TMenuModulo* generaElementosMenu(const TListaMenuModulo& elementos, TPaqueteBean& paquete,
                                     TVentanasModulo& ventanas);
    void imprimeMenu(TMenuModulo* menu);
    void conectaFila(TEtiquetaAccion* etiqueta, const TElementoMenuModulo& elemento, TVentanasModulo& ventanas);

    QVBoxLayout* m_menus;
    Modulos::TListaPaquetes m_paquetes;
    QHash<QString, TMenuModulo*> m_expandibles;
    std::vector<std::unique_ptr<TMenuModulo>> m_grupos;
};

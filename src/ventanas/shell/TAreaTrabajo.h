#pragma once
#include <QPointer>
#include <QWidget>

class QScrollArea;
class TContenedorTexto;

// The main window's work area (PnlPrincipal): the content shown now, lent
// by a module or another window, and the side menu some module contents
// bring along. The work area's holder is also the channel modules send
// their commands through (TxVentanaPrincipal).
class TAreaTrabajo : public QWidget {
    Q_OBJECT
public:
    explicit TAreaTrabajo(QWidget* parent = nullptr);

    // The content shown now, or null.
    QPointer<QWidget>& activa() { return m_activa; }
    // The side menu shown now, or null.
    QPointer<QWidget>& lateralActiva() { return m_lateralActiva; }
    // The holders handed to module windows: the work area and the side menu.
    TContenedorTexto* trabajo() const { return TxVentanaPrincipal; }
    TContenedorTexto* lateral() const { return TxMenuLateral; }
    bool muestra(const QWidget* contenido) const;

    // Shows a page of the shell's own at a fixed height, in place of what
    // was there; no side menu.
    void hospeda(QWidget* contenido, int altura);
    // Shows a page of the shell's own over the whole area (taller when it
    // needs, then it scrolls); no side menu.
    void hospedaCompleta(QWidget* contenido);
    // The page the area rests on when nothing was opened (the start page):
    // shown over the whole area, it is no active content, and anything
    // hosted or opened takes its place.
    void muestraReposo(QWidget* pagina);
    // A module's configuration content, told to clear itself.
    void abreConfiguracion(QWidget* configuracion);
    // A module's main content filling the area, told `accion` by `emisor`,
    // with its side menu when it has one. Whatever the content throws there
    // is logged and told to the user naming the module, and the content is
    // taken out again. Another content opened while this one runs (its
    // opening lets events run) takes its place: one content is shown.
    void abrePrincipal(QWidget* principal, const QString& accion, QObject* emisor, QWidget* subMenu);
    // A hosted page grew or shrank; nothing happens when it is not shown.
    void ajustaAltura(QWidget* contenido, int altura);
    // White background, scrolled to the top left.
    void reinicia();
    // The brand's gradient behind the shell's own pages.
    void fondoPaginas();
    // Gives the contents back to their windows (the active one stays named).
    void remueve();
    // Gives them back and forgets them.
    void limpia();

private:
    // Tells the content `texto`; false when it threw (logged and told).
    bool activa(QWidget* contenido, const QString& texto, QObject* emisor);
    void retiraFallido(const QPointer<QWidget>& contenido);
    void quitaMenuLateral();
    void quitaReposo();
    void muestraMenuLateral(QWidget* submenu);

    QPointer<QWidget> m_reposo;
    QWidget* RcFondoPrincipal;
    QScrollArea* SBPrincipal;
    TContenedorTexto* TxVentanaPrincipal;
    QScrollArea* SBMenuLateral;
    TContenedorTexto* TxMenuLateral;
    QPointer<QWidget> m_activa;
    QPointer<QWidget> m_lateralActiva;
};

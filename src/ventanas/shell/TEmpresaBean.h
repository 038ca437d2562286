#pragma once
#include <QString>

class QWidget;
class TEtiquetaAccion;

// One business in the main window's business list: its tile, whose RFC label
// ("Tx" + RFC) and logo ("Im" + RFC) switch to it when clicked; the label is
// its one keyboard stop. An "&" of the RFC is "_" in those names.
class TEmpresaBean {
public:
    TEmpresaBean(const QString& rfc, const QString& nombre, QWidget* padre);
    ~TEmpresaBean();
    TEmpresaBean(const TEmpresaBean&) = delete;
    TEmpresaBean& operator=(const TEmpresaBean&) = delete;

    static constexpr int ALTO = 119;

    QString getRfc() const { return m_rfc; }
    QWidget* getFondo() const { return m_fondo; }
    TEtiquetaAccion* getTexto() const { return m_texto; }
    TEtiquetaAccion* getImagen() const { return m_imagen; }

private:
    QString m_rfc;
    QWidget* m_fondo;
    TEtiquetaAccion* m_texto;
    TEtiquetaAccion* m_imagen;
};

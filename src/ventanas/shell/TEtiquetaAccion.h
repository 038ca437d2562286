#pragma once
#include <QLabel>

// A text or picture the user clicks, or reaches with Tab and activates with
// Enter or the space bar.
class TEtiquetaAccion : public QLabel {
    Q_OBJECT
public:
    explicit TEtiquetaAccion(QWidget* parent = nullptr);
    TEtiquetaAccion(const QString& texto, QWidget* parent);

signals:
    void activada();

protected:
    void mouseReleaseEvent(QMouseEvent* evento) override;
    void keyPressEvent(QKeyEvent* evento) override;
};

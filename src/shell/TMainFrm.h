#pragma once
#include <QLabel>
#include <QWidget>

// The main window: the signed-in business, its modules and its working
// context. For now it only says who is signed in to which business.
class TMainFrm : public QWidget {
    Q_OBJECT
public:
    explicit TMainFrm(QWidget* parent = nullptr);

    QLabel* TxNegocio;
    QLabel* TxUsuario;

    // Reads the session again (Sistema::Negocio, Usuario); the start-up
    // calls it when the wizard hands over or adds a business.
    void actualizaSesion();

protected:
    void showEvent(QShowEvent* evento) override;
};

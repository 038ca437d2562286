#pragma once
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include "negocio/TBaseDatosLocalFrm.h"

// The borderless start window: shows the brand's picture for three seconds
// while the program prepares its folders, then is destroyed. Its destruction
// writes the local registry when it is missing (registroFaltante() when
// businesses were left without it), sets a damaged one aside for a new one
// (registroDanado()), lets one it may not read be (registroIlegible()), counts the active businesses and announces them
// with terminado(); the start-up hands over to the wizard from there.
class TSplashFrm : public QWidget {
    Q_OBJECT
public:
    explicit TSplashFrm(const QString& carpetaPrograma, QWidget* parent = nullptr);
    ~TSplashFrm() override;

    // At the end of the program the splash is freed without handing over.
    void cancelaSiguiente() { m_entregar = false; }

public slots:
    void TimerSplashTimer();

signals:
    // The registry could not be read: it was kept as `apartado` and a new,
    // empty one took its place. Emitted before terminado().
    void registroDanado(const QString& apartado);
    // The registry was missing while the program folder holds businesses'
    // databases: a new, empty one was written. Emitted before terminado().
    void registroFaltante();
    // The registry could not be read (Ocupado or SinPermiso) and was let be;
    // terminado() then counts 0. Emitted before terminado().
    void registroIlegible(TBaseDatosLocalFrm::TEstadoRegistro estado);
    // Emitted while the splash is destroyed, once its work is done: the
    // number of active businesses of the local registry (0 when it could not
    // be read).
    void terminado(int empresasActivas);

protected:
    void showEvent(QShowEvent* evento) override;

private:
    QLabel* Image1;
    QTimer* TimerSplash;

    void FormCreate(const QString& carpetaPrograma);
    void init();
    bool verifyFiles() const;
    void createDirs();
    void FormDestroy();
    void ShowNextForm();

    bool m_entregar = true;
};

#pragma once
#include <QLabel>
#include <QTimer>
#include <QWidget>

// The borderless start window: shows the brand's picture for three seconds
// while the program prepares its folders, then hands over to the wizard on
// the page that fits the number of registered businesses.
class TSplashFrm : public QWidget {
    Q_OBJECT
public:
    explicit TSplashFrm(const QString& carpetaPrograma, QWidget* parent = nullptr);
    ~TSplashFrm() override;

    QLabel* Image1;
    QTimer* TimerSplash;

    // At the end of the program the splash is freed without handing over.
    void cancelaSiguiente() { m_entregar = false; }

public slots:
    void TimerSplashTimer();

protected:
    void showEvent(QShowEvent* evento) override;

private:
    void FormCreate(const QString& carpetaPrograma);
    void init();
    bool verifyFiles() const;
    void createDirs();
    void FormDestroy();
    void ShowNextForm();

    bool m_entregar = true;
};

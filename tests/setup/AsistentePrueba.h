#pragma once
#include "CarpetaPrograma.h"
#include "Logmanager.h"
#include "NegocioPrueba.h"
#include "ProgramaPrueba.h"
#include "SelectorArchivos.h"
#include "Sistema.h"
#include "app/Ventanas.h"
#include "negocio/TIngreso.h"

#include <QApplication>
#include <QPushButton>
#include <QString>

#include <functional>
#include <memory>

// The first-run wizard as the tests of its flow and of the business creation
// find it: the program started in a fresh folder, the test CSDs and the one
// business both know. Each test program includes it once.
namespace AsistentePrueba {

inline const QString CSD = QStringLiteral(VELKOR_DATOS_PRUEBA "/csd/");
inline const QString RFC_ESCUELA = QStringLiteral("EKU9003173C9");

// What the file dialogs answer, in order; a fresh queue for each test.
inline std::unique_ptr<TColaArchivos> g_archivos;

// Every test starts with an empty file-dialog queue and no session left by
// the one before. Closing the wizard without success ends the event loop;
// the tests run without one, and no window closing may end them.
inline void iniciaPrueba()
{
    QApplication::setQuitOnLastWindowClosed(false);
    g_archivos.reset();
    g_archivos = std::make_unique<TColaArchivos>();
    NegocioPrueba::limpiaSesion();
    Ingreso::olvidaSesion();
}

inline void terminaPrueba()
{
    g_archivos.reset();
}

// A business already registered on the computer, made by the same service
// the wizard calls; the session it leaves is cleared, as after a restart.
inline void registraEscuela(const QString& password)
{
    NegocioPrueba::registra(RFC_ESCUELA, QStringLiteral("Escuela Kemper"), QStringLiteral("dueno@escuela.mx"), password,
                            QStringLiteral("ESCUELA KEMPER URGATE SA DE CV"));
}

inline QString textoLog()
{
    return QString::fromUtf8(TCarpetaPrograma::lee(Logmanager::archivoLog(Sistema::exePath)));
}

// The program as started: every window created, the splash over, the
// wizard shown on the page the registry calls for.
class TPrograma : public TProgramaPrueba {
public:
    explicit TPrograma(bool conCatalogo = false, const std::function<void()>& antesDelAsistente = {})
    {
        if (conCatalogo)
            carpeta.instalaCatalogo();
        // Without a registry the wizard opens on its first-run page.
        arranca(static_cast<bool>(antesDelAsistente), antesDelAsistente);
        w = WizardFrm;
    }

    TWizardFrm* w = nullptr;
};

// The file dialog behind `boton` (SearchEditButton2: certificate,
// SearchEditButton1: key) answers `archivo`.
inline void elige(QPushButton* boton, const QString& archivo)
{
    g_archivos->agrega(archivo);
    boton->click();
}

} // namespace AsistentePrueba

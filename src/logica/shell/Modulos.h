#pragma once
#include "TElementoMenuModulo.h"
#include "TPaqueteBean.h"

#include <QList>
#include <QMetaMethod>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace Utils {
// The package files of a folder (ending in "/"): regular files whose name
// ends in ".bpl" (letter case aside), full paths, in name order. Empty when
// the folder is missing.
QStringList getListBpl(const QString& carpeta);
} // namespace Utils

// Discovery and loading of the module packages of Plugins/, without any
// window: the main window hands over what to do with each package's menu.
namespace Modulos {

// Packages the loading loop leaves alone (the text bridge).
inline const QString BRIDGE_TXT_BPL = QStringLiteral("BridgeTXT.bpl");

// The packages tried so far, in the order they were tried; one per name.
using TListaPaquetes = QList<std::shared_ptr<TPaqueteBean>>;

// "a.bpl.bpl" -> "a": the file name without any ".bpl".
QString nombrePaquete(const QString& archivo);
// The permission code of a module name (CODIGO_*); empty for a name that no
// module right covers. Accents, blanks and dots do not count, so a window
// routine's "Facturacion40" names "Facturación 4.0".
QString convierteModulo(const QString& nombre);

// Whether the user's rights allow a module's permission code; a module no
// right covers is open to every user.
bool permitido(const QString& codigo);

// The package in the list under that name, or nullptr.
TPaqueteBean* buscaPaquete(const TListaPaquetes& lista, const QString& nombre);

// A package whose own start-up code threw while it loaded (TPaquete::lanzo):
// where it was set aside, or why it could not be.
struct TPaqueteFallido {
    QString archivo;
    QString apartado;
    QString motivoNoApartado;
};

// Loads one package into `paquete` (whose Bpl and NombreBPL are set) and asks
// it for its menu. False, with the reason in getError and in the log of
// carpetaPrograma, when the package does not load, lacks its menu class or
// lacks GetMenuItems, or when that operation fails; nothing is raised. When
// it failed because its start-up code threw, `fallido` (if given) says so.
bool cargaPaquete(TPaqueteBean& paquete, TListaMenuModulo& menu, const QString& carpetaPrograma,
                  std::optional<TPaqueteFallido>* fallido = nullptr);

// The window class and routine a menu entry names, looked up among every
// loaded package; `problema` says why the entry can open no window. The
// routine's shape (ContratoModulos::TRutinaVentana) is checked by the window
// that calls it.
struct TClaseVentana {
    const QMetaObject* clase = nullptr;
    QMetaMethod metodo;
    QString problema;
};
TClaseVentana claseVentana(const TElementoMenuModulo& elemento);

// Every package of carpetaPrograma + "Plugins/" not tried yet: each is loaded
// once per program run, so a second call loads nothing and builds no menu.
// `alMenu` gets the menu of every package that gave one. Packages that give
// none are logged (level 1) and recorded all the same. When the start-up
// code of any threw, the user is told once, after the others loaded, and
// asked whether to start the program again (avisaFallidos).
void cargaModulos(TListaPaquetes& lBpl, const QString& carpetaPrograma,
                  const std::function<void(const TListaMenuModulo&, TPaqueteBean&)>& alMenu);

// Tells the user which packages threw while they loaded. The dynamic loader
// stays locked for every other thread of this process, so when every one of
// them was set aside the user is asked to start the program again; on OK it
// starts anew (Reinicio) and this process quits once its event loop runs.
void avisaFallidos(const QList<TPaqueteFallido>& fallidos, const QString& carpetaPrograma);

} // namespace Modulos

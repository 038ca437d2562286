#pragma once
#include <QMetaMethod>
#include <QMetaType>
#include <QString>

#include <initializer_list>

class QLibrary;
struct QMetaObject;

// Loadable packages found by names only: a package registers its classes in
// the class registry when it is loaded, and the shell reaches them and their
// operations through Qt's meta-object system. The resource package and the
// module packages are both reached this way.
namespace Utils {

// Loads with every symbol resolved, so a package with missing symbols fails
// here instead of at the first call into it.
bool cargaPaquete(QLibrary& paquete);
// The class registered under `clase`, only when its code lies in that package.
const QMetaObject* clasePaquete(const QLibrary& paquete, const QString& clase);
// An instance made with no arguments; nullptr when the class cannot be made
// that way or its constructor throws.
QObject* creaInstancia(const QMetaObject& clase);
// By full signature ("getResource(QString)") or by name, the most derived
// class first. Invalid when missing.
QMetaMethod buscaMetodo(const QMetaObject& clase, const QString& operacion);
// The operation returns `resultado` and takes exactly `argumentos`.
bool tieneFirma(const QMetaMethod& metodo, QMetaType resultado, std::initializer_list<QMetaType> argumentos);
// Keeps a loaded package mapped for the rest of the process, whatever other
// QLibrary objects of the same file do; the dynamic loader's handle.
void* retienePaquete(const QLibrary& paquete);

} // namespace Utils

#pragma once
#include <QLibrary>
#include <QMetaMethod>
#include <QMetaType>
#include <QString>

#include <initializer_list>

struct QMetaObject;

// One loadable package file (the resource package, the update-name package,
// a module package) as the program reaches it: only by names. A package
// registers its classes in the class registry (RegistroClases) when it is
// loaded, and the program reaches them and their operations through Qt's
// meta-object system.
//
// Every step answers false or nullptr on failure and keeps why in error();
// each failure is also logged (level 1) in the program folder's log. Nothing
// is raised and nothing is shown to the user. UI thread only.
class TPaquete {
public:
    // `carpetaLog`: the program folder whose log receives the failures.
    TPaquete(const QString& archivo, const QString& carpetaLog);
    TPaquete(const TPaquete&) = delete;
    TPaquete& operator=(const TPaquete&) = delete;

    // Absolute path of the file.
    QString archivo() const { return m_archivo; }
    // Whether there is a file to load; a missing file is no failure.
    bool existe() const;
    // Loads with every symbol resolved, so a package with missing symbols
    // fails here instead of at the first call into it. What loads is a copy
    // of the file in the process's own memory, read whole at the first load
    // of the file in this process and used by every later one: the file may
    // be written over while the program runs without changing the code under
    // it. A file that is not a
    // whole shared library of this platform (cut short by an interrupted copy,
    // built for another machine) is refused before the dynamic loader sees
    // it. A package whose own start-up code throws is set aside under its
    // name + SUFIJO_APARTADO and never loaded again in this process.
    bool carga();
    // Whether carga met an exception from the package's start-up code. The
    // dynamic loader then stays locked for every other thread of this
    // process (glibc does not release it when an exception passes through
    // dlopen), so the process should be started again.
    bool lanzo() const { return m_lanzo; }
    // Whether any package's start-up code threw in this process: waiting at
    // the end for a thread that the locked loader stopped would never end.
    static bool cargadorBloqueado();
    // Where the file went when it was set aside; empty when it threw and
    // could not be moved (the reason, in Spanish, in motivoNoApartado()).
    QString apartadoComo() const { return m_apartado; }
    QString motivoNoApartado() const { return m_motivoNoApartado; }
    // The class registered under `nombre`, only when its code lies in this
    // package (the registry is process-wide).
    const QMetaObject* clase(const QString& nombre);
    // An instance made with no arguments, owned by the caller; nullptr when
    // the class cannot be made that way or its constructor throws.
    QObject* crea(const QMetaObject& clase);
    // The operation `nombre` (a full signature, "getResource(QString)", or a
    // name, the most derived class first) when it returns `resultado` and
    // takes exactly `argumentos`; invalid otherwise.
    QMetaMethod operacion(const QMetaObject& clase, const QString& nombre, QMetaType resultado,
                          std::initializer_list<QMetaType> argumentos);
    // Keeps the package mapped for the rest of the process, whatever other
    // QLibrary objects of the same file do; the dynamic loader's handle.
    void* retiene();
    // Unmaps the package; nothing made from it may be used afterwards.
    void descarga();

    // Keeps `texto` as the error, logs it with the file's path; false.
    bool falla(const QString& texto);
    // Why the last step failed; empty when none did.
    QString error() const { return m_error; }

    // Appended to the name of a package whose start-up code threw.
    static inline const QString SUFIJO_APARTADO = QStringLiteral(".fallido");
    // The file of the loaded object that holds `direccion` (code or data),
    // canonical (for a package, the file it was copied from); empty when none
    // does. Only the loader's tables are read.
    static QString archivoDe(const void* direccion);

    // By full signature or by name, the most derived class first; invalid
    // when missing.
    static QMetaMethod buscaMetodo(const QMetaObject& clase, const QString& operacion);
    // The operation returns `resultado` and takes exactly `argumentos`.
    static bool tieneFirma(const QMetaMethod& metodo, QMetaType resultado, std::initializer_list<QMetaType> argumentos);
    // Whether `clase` is, or derives from, the class named `base`; the
    // window-free code names widget classes instead of including them.
    static bool deriva(const QMetaObject& clase, const char* base);

private:
    QString m_archivo;
    QLibrary m_biblioteca;
    QString m_carpetaLog;
    QString m_error;
    bool m_lanzo = false;
    QString m_apartado;
    QString m_motivoNoApartado;
};

#pragma once
#include "negocio/Utils.h"

#include <QHash>
#include <QString>

#include <memory>

class TElementoModulo;
struct QMetaObject;

// What the shell keeps of one module package file it found in Plugins/: where
// it is, whether it loaded, its menu class and the instance that gives the
// menu. A package that contributed no menu says why in getError.
class TPaqueteBean {
public:
    TPaqueteBean() = default;
    TPaqueteBean(const TPaqueteBean&) = delete;
    TPaqueteBean& operator=(const TPaqueteBean&) = delete;
    ~TPaqueteBean();

    // The dynamic loader's handle of the loaded package; nullptr when it did
    // not load. Packages are never unloaded.
    void* getH() const { return m_h; }
    void setH(void* v) { m_h = v; }
    // Full path of the package file.
    QString getBpl() const { return m_bpl; }
    void setBpl(const QString& v) { m_bpl = v; }
    // The menu class; nullptr when the package does not register it.
    const QMetaObject* getObjClass() const { return m_objClass; }
    void setObjClass(const QMetaObject* v) { m_objClass = v; }
    // The menu class's instance, made with no owner; the bean owns it.
    QObject* getNewForm() const { return m_newForm.get(); }
    void setNewForm(QObject* v);
    // GetMenuItems bound to that instance.
    Utils::TMetodo getRoutine() const { return m_routine; }
    void setRoutine(const Utils::TMetodo& v) { m_routine = v; }
    const QMetaObject* getFormClass() const { return m_formClass; }
    void setFormClass(const QMetaObject* v) { m_formClass = v; }
    // The file name without any ".bpl".
    QString getNombreBPL() const { return m_nombreBPL; }
    void setNombreBPL(const QString& v) { m_nombreBPL = v; }
    // Kept for the package's own use; the shell does not fill it.
    QHash<QString, TElementoModulo*>& getVentanas() { return m_ventanas; }
    void setVentanas(const QHash<QString, TElementoModulo*>& v) { m_ventanas = v; }
    // Why the package contributed no menu; empty when it did.
    QString getError() const { return m_error; }
    void setError(const QString& v) { m_error = v; }

private:
    void* m_h = nullptr;
    QString m_bpl;
    const QMetaObject* m_objClass = nullptr;
    std::unique_ptr<QObject> m_newForm;
    Utils::TMetodo m_routine;
    const QMetaObject* m_formClass = nullptr;
    QString m_nombreBPL;
    QHash<QString, TElementoModulo*> m_ventanas;
    QString m_error;
};

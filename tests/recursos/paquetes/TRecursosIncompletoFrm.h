#pragma once
#include <QObject>
#include <QString>

// Fixture: the class registered under RS_CLASS_NAME by a package that lacks
// operations or publishes them in another shape: no getResource, a
// getMarcaMail that fails, a getMailHTML that wants an argument, and a
// getURLCatalogo that is not invokable at all.
class TRecursosIncompletoFrm : public QObject {
    Q_OBJECT

public:
    Q_INVOKABLE explicit TRecursosIncompletoFrm(QObject* parent = nullptr);
    Q_INVOKABLE QString getSistema() const;
    Q_INVOKABLE QString getMarcaMail() const;
    Q_INVOKABLE QString getMailHTML(int version) const;
    QString getURLCatalogo() const;
};

#pragma once
#include <QObject>
#include <QString>

#include <stdexcept>

// Fixture: the class registered under RS_CLASS_NAME by a package that lacks
// operations or publishes them in another shape: no getResource, a
// getMarcaMail that fails, a getMailHTML that wants an argument, and a
// getURLCatalogo that is not invokable at all.
class TRecursosIncompletoFrm : public QObject {
    Q_OBJECT

public:
    Q_INVOKABLE explicit TRecursosIncompletoFrm(QObject* parent = nullptr) : QObject(parent) {}
    Q_INVOKABLE QString getSistema() const { return QStringLiteral("IN|Incompleto|"); }
    Q_INVOKABLE QString getMarcaMail() const { throw std::runtime_error("sin servidor de correo"); }
    Q_INVOKABLE QString getMailHTML(int version) const { return QString::number(version); }
    QString getURLCatalogo() const { return QStringLiteral("https://ejemplo.invalid/"); }
};

#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>

// Fixture: a resource class of the right shape registered under another name,
// as an older or foreign package would. Its getResource answers every name,
// so a shell that ignored the class name would be caught.
class TRecursosAjenoFrm : public QObject {
    Q_OBJECT

public:
    Q_INVOKABLE explicit TRecursosAjenoFrm(QObject* parent = nullptr) : QObject(parent) {}
    Q_INVOKABLE QByteArray getResource(const QString& nombre) const { return nombre.toUtf8(); }
    Q_INVOKABLE QString getSistema() const { return QStringLiteral("AJ|Ajeno|1"); }
};

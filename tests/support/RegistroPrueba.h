#pragma once
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariantList>

// Registry files for tests, as bytes.
namespace RegistroPrueba {

// A registry with `filas` registrations; with a few hundred it spans several
// pages, so damage in its middle reaches a table.
QByteArray conFilas(int filas);
// The ways a registry file is found damaged, each with its name: truncated
// (to nothing, in its header, halfway), garbage, and a SQLite file whose
// pages or schema were overwritten.
QList<QPair<QString, QByteArray>> danados(const QByteArray& sano);
// Runs one statement, with its values bound in order, on the registry of the
// current program folder through a connection of the test's own; false when
// it failed.
bool ejecuta(const QString& sql, const QVariantList& valores = {});

// Leaves the registry of the current program folder as a write cut short by
// a crash leaves it: `filas` active registrations half written into the file
// and the journal that undoes them beside it. False when it could not.
bool dejaEscrituraInterrumpida(int filas);

// Holds the registry of the current program folder locked for writing, as
// another process in the middle of a write would, for its lifetime.
class TBloqueo {
public:
    TBloqueo();
    ~TBloqueo();
    TBloqueo(const TBloqueo&) = delete;
    TBloqueo& operator=(const TBloqueo&) = delete;
    // The lock was taken.
    bool activo() const { return m_activo; }

private:
    bool m_activo = false;
};

} // namespace RegistroPrueba

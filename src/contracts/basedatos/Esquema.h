#pragma once
#include "BaseDatosExport.h"
#include "TConexionSesion.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

// The business database described once, as data (EsquemaEntidades.h). The
// same description creates the tables, completes older databases and drives
// every insert, update and read of the entity classes.

enum class TTipoColumna { Id, Texto, Entero, Grande, Decimal, Booleano, Fecha, FechaHora, Binario, Ref };

// Which schema step owns a table or column. Base is in every database from
// the start; the others are added to older databases at sign-in.
enum class TGrupoEsquema { Base, NominaEmpleado, ConceptoClaves, ConceptoPrecios, Nuevas, Cfdi40 };

struct BASEDATOS_EXPORT TColumna {
    QString accesor; // Uuid
    QString nombre;  // UUID
    TTipoColumna tipo;
    int largo;       // characters, for Texto; 0 = unlimited
    QString destino; // referenced table, for Ref
    TGrupoEsquema grupo;
    QString tipoSql() const;
};

struct BASEDATOS_EXPORT TTabla {
    QString clase;            // TComprobante
    QString nombre;           // COMPROBANTE
    QList<TColumna> columnas; // the key first
    QStringList indices;      // column names
    // Columns indexed by their first characters: column name -> characters.
    QHash<QString, int> prefijos;
    // Column lists no two rows may share, by column name.
    QList<QStringList> unicos;
    // Text columns no two rows may share whatever their letter case.
    QStringList unicosSinMayusculas;
    // Mark, group and subgroup columns: one marked active row per group.
    QList<QStringList> unicosMarcados;
    const TColumna& clave() const { return columnas.first(); }
    TGrupoEsquema grupo() const { return clave().grupo; }
    QString generador() const { return QStringLiteral("GEN_") + nombre; }
    int posicion(const QString& nombreColumna) const;
    // The expression a prefix index is built on, and that a look-up must
    // repeat to use it: the first `caracteres` characters of `expresion`.
    static QString prefijo(const QString& expresion, int caracteres);
};

namespace Esquema {

// The schema version this program writes.
BASEDATOS_EXPORT int version();
BASEDATOS_EXPORT const QList<TTabla>& tablas();
// Raises EBaseDatos for an unknown class.
BASEDATOS_EXPORT const TTabla& tabla(const QString& clase);

// Creates in that database whatever the step owns and is missing (tables,
// columns, key generators) and every foreign key and index whose columns
// exist; records the schema version. Creates nothing that exists, so it can
// run at every sign-in.
BASEDATOS_EXPORT void completa(const TConexionSesion& conexion, TGrupoEsquema grupo);
// Every step, in order: a complete schema.
BASEDATOS_EXPORT void completaTodo(const TConexionSesion& conexion);
// The version recorded in that database; 0 when none is.
BASEDATOS_EXPORT int versionRegistrada(const TConexionSesion& conexion);
// Moves every table's sequence past the highest key its table holds, after
// rows were copied in with their keys.
BASEDATOS_EXPORT void ajustaSecuencias(const TConexionSesion& conexion);
// The tables the database holds (not the engine's own), by name.
BASEDATOS_EXPORT QStringList tablasPresentes(const TConexionSesion& conexion);
// The tables and key generators the database holds (not the engine's own),
// by name: what quitaNuevos is to leave.
BASEDATOS_EXPORT QStringList objetosPresentes(const TConexionSesion& conexion);
// Undoes completaTodo on a database that held `antes` (objetosPresentes
// before it ran): drops, with their rows, the schema's tables, the version
// table and the key generators the database holds and `antes` does not
// name, with the keys that tie them. Nothing the description does not name
// is touched, nor the database itself. Raises EBaseDatos.
BASEDATOS_EXPORT void quitaNuevos(const TConexionSesion& conexion, const QStringList& antes);

} // namespace Esquema

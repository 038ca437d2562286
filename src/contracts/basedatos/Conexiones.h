#pragma once
#include "BaseDatosExport.h"
#include "TConexionSesion.h"

#include <QSqlDatabase>

// One named Qt connection per database file and thread, opened on first use
// and reused: every statement of a thread on a database goes through the same
// connection, so a thread can never wait on a row lock of its own.
namespace Conexiones {

// The open connection of the calling thread; raises EBaseDatos when the
// database cannot be opened.
BASEDATOS_EXPORT QSqlDatabase baseDatos(const TConexionSesion& conexion);
// Closes the calling thread's connection to that database (if open).
BASEDATOS_EXPORT void cierra(const TConexionSesion& conexion);
// Closes every connection of the calling thread; worker threads call it
// before they end.
BASEDATOS_EXPORT void cierraHilo();

// Creates an empty embedded database file (UTF-8 text, the program's page size).
// Raises EBaseDatos when the file exists or cannot be created.
BASEDATOS_EXPORT void creaBaseDatos(const QString& archivo, const QString& carpetaPrograma);

}  // namespace Conexiones

// A unit of work: saves made while it lives share one transaction, committed
// by commit() or rolled back when it leaves scope uncommitted. Saves made
// outside one commit on their own. Nesting on the same database joins the
// outer transaction.
class BASEDATOS_EXPORT TTransaccion {
public:
    explicit TTransaccion(const TConexionSesion& conexion);
    ~TTransaccion();
    TTransaccion(const TTransaccion&) = delete;
    TTransaccion& operator=(const TTransaccion&) = delete;
    void commit();
    void rollback();

private:
    TConexionSesion m_conexion;
    bool m_propia = false;
    bool m_terminada = false;
};

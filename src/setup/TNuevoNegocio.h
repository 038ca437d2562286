#pragma once
#include "TConexionSesion.h"

#include <QList>
#include <QString>
#include <memory>

class TUsuario;
class TUsuarionegocio;

// Creating a business: its database file (from the template the resource
// package ships), its registry row, and inside the new database the owner
// user, the business with its fiscal data, address, regime and certificate,
// the head office and the owner's link with every module right. The wizard
// only gathers what is typed; the XML import uses the same steps.
namespace NuevoNegocio {

struct TTelefono {
    int tipo = 0;  // 0 "Tipo", 1 "Casa", 2 "Trabajo", 3 "Celular"
    QString numero;
    QString extension;
};

// The address as chosen in the address panel; a combo left on its prompt is
// an empty text here.
struct TDireccion {
    QString calle;
    QString noExterior;
    QString noInterior;
    QString referencia;
    QString colonia;
    QString localidad;
    QString municipio;
    QString estado;        // "CMX - Ciudad de México"
    QString pais;          // "MEX - México"
    QString codigoPostal;  // empty when none was chosen or typed
};

// Where the new business's data will live (the database configuration
// window's choice); the default is the program's own local file.
struct TDestino {
    QString motor;       // DB_SQLITE for the local file
    QString usuario;
    QString password;
    QString servidor;
    QString baseDatos;   // for the local file: the path getBaseDatos gives
    QString puerto;
};

struct TDatos {
    // Owner (first run only; the new-business-only path copies the
    // signed-in user instead).
    QString email;
    QString password;
    QString nombre;
    QString apellidoPaterno;
    QString apellidoMaterno;
    QList<TTelefono> telefonos;
    // Business.
    QString nombreEmpresa;
    QString certificado;     // .cer path
    QString llave;           // .key path
    QString passwordLlave;
    QString rfc;
    QString razon;
    QString regimen;         // "601 - General de Ley Personas Morales"; empty for none
    TDireccion direccion;
};

// The local destination of a business in this program folder.
TDestino destinoLocal(const QString& rfc);

// Creates the business's folder and database file from the template, adds
// its registry row and returns the connection to the new database (also
// made the session connection, with Sistema::dbSistema its file). The
// folder is private to the owner (0700), the file too (0600). An existing
// file is replaced only when `email` is not empty. Raises EVelkor (an RFC
// that is not one, refused before anything is written; the template is
// missing, the file cannot be written).
TConexionSesion saveNuevoLocal(const QString& email, const QString& rfc, const QString& razon, const TDestino& destino);

// Fills the new database on `conexion`. Without `usuario` the owner is
// created from `datos`; with one (read from `origen`) that user, its person
// and contact are copied into the new database. Returns the stored owner's
// link, already made the session's (Sistema::initNuevoNegocio). Before
// anything is stored, the RFC must be one and the certificate, key and
// password must pass TSigner::revisaCertificados: otherwise raises EVelkor
// or ECertificado with the message for the user. Raises on any later
// failure too; the whole business is one transaction.
TUsuarionegocio saveNuevoNegocio(const TDatos& datos, const TConexionSesion& conexion,
                                 const TUsuario* usuario = nullptr);

// The stored form of a user's password.
QString cifraPassword(const QString& email, const QString& password);

}  // namespace NuevoNegocio

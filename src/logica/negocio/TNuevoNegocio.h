#pragma once
#include "TConexionSesion.h"
#include "TDatosTelefono.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QString>
#include <memory>

class TDireccion;
class TUnidadTrabajo;
class TUsuario;
class TUsuarionegocio;

// Creating a business: its database file (from the empty template), its
// registry row, and inside the new database the owner user, the business
// with its fiscal data, address, regime and certificate, the head office and
// the owner's link with every module right. The wizard only gathers what is
// typed; the XML import uses the same steps.
//
// Nothing here touches the signed-in session or the resource package: the
// caller hands in the template and logo bytes (read on the UI thread) and,
// when the new business is to become the session's, publishes what it gets
// back. So the import can create businesses for unknown issuers from its own
// thread while a user is signed in.
namespace NuevoNegocio {

// A phone of the owner (TIPOS_TELEFONO gives the kinds).
using TTelefono = TDatosTelefono;

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
    QString estado;       // "CMX - Ciudad de México"
    QString pais;         // "MEX - México"
    QString codigoPostal; // empty when none was chosen or typed
    // Whether locality, municipality and state are the SAT catalogue's for
    // the postal code, each "key - name" (an imported address). A postal-code
    // row the business database lacks then keeps all three as they are;
    // otherwise (the address panel) it keeps the municipality and the
    // state's key.
    bool codigoPostalDelCatalogo = false;
};

// Where the new business's data will live (the database configuration
// window's choice); the default is the program's own local file.
struct TDestino {
    QString motor; // DB_SQLITE for the local file
    QString usuario;
    QString password;
    QString servidor;
    QString baseDatos; // for the local file: the path getBaseDatos gives
    QString puerto;
};

struct TDatos {
    // Owner (first run only; the new-business-only path copies the
    // signed-in user instead).
    QString email;
    QString password;
    // The password's stored form when the caller already made it (the
    // import makes it once for all the businesses it creates: a hash takes a
    // tenth of a second); empty to make it from `password`.
    QString passwordGuardado;
    QString nombre;
    QString apellidoPaterno;
    QString apellidoMaterno;
    QList<TTelefono> telefonos;
    // Business.
    QString nombreEmpresa;
    QString certificado; // .cer path
    QString llave;       // .key path
    QString passwordLlave;
    QString rfc;
    QString razon;
    QString regimen; // "601 - General de Ley Personas Morales"; empty for none
    // Left with every field empty, the business gets no fiscal address and
    // its head office none either (a business found in imported files whose
    // vouchers give no address).
    TDireccion direccion;
};

// Whether an address holds anything to store.
bool tieneDatos(const TDireccion& direccion);
// Stores the address through `unidad` (its postal code found in the business
// database or stored there), written over `destino` when given: a stored
// address keeps its id and is updated. nullptr, and nothing stored, when it
// holds nothing.
std::shared_ptr<::TDireccion> guardaDireccion(const TDireccion& direccion, const TUnidadTrabajo& unidad,
                                              const ::TDireccion* destino = nullptr);

// The database file of a local business in this program folder.
QString archivoLocal(const QString& rfc);
// The local destination of a business in this program folder.
TDestino destinoLocal(const QString& rfc);

// Who a database found where a new business of `rfc` goes belongs to, by
// the businesses it holds: nobody (empty, or what a creation stopped before
// its business was stored leaves), that business, or another one (a business
// without fiscal data too: it is nobody's to take). `tablas` are the tables
// it has (Esquema::tablasPresentes).
enum class TOcupante { Nadie, ElMismo, Otro };
TOcupante ocupante(const TConexionSesion& conexion, const QStringList& tablas, const QString& rfc);

// Creates the business's folder and database file from `plantilla` (the
// empty business database, DB_SISTEMA_NOMBRE_RESOURCE), adds its registry row
// and returns the connection to the new database, whose file is
// archivoLocal(rfc). An existing file is set aside (kept under a dated name)
// and replaced only when `email` is not empty, and only when it holds no
// business (or is what a creation stopped before its registry row left): a
// database in the folder, by today's name or an earlier version's, that
// holds one is left as it is and the creation refused (EVelkor, saying how
// to register it again). Raises ECadenaConexion when a
// field of `destino` cannot be stored and EEntradaSalida when the template is
// empty or the file cannot be written; either way before anything is
// registered. The RFC must pass Signerutils::esRfcValido; the folder is
// private to the owner (0700), the file too (0600). A registry that cannot be
// written raises EBaseDatos; the folder is then left as it was (the new file
// removed, a database set aside put back). The same as creaArchivoLocal
// followed by registraNegocio.
//
// A destination on a server (DB_MySQL, DB_FIREBIRD_SERVIDOR) names an empty
// database there instead: it gets the whole schema and the registry row,
// and `plantilla` is not used. A database that already holds tables is
// refused (EBaseDatos) before anything is written.
TConexionSesion saveNuevoLocal(const QString& email, const QString& rfc, const QString& razon, const TDestino& destino,
                               const QByteArray& plantilla);
// The session connection a destination stands for.
TConexionSesion conexionDestino(const TDestino& destino);
// The name a new business's database gets on a server: on MariaDB
// "velkor_" + the RFC in lower case, "&" as "_26" and "ñ" as "_f1" (one
// name per RFC, at most 28 characters); on a Firebird server the file
// <RFC>.fdb in `carpeta`.
QString nombreBaseServidor(TMotor motor, const QString& rfc, const QString& carpeta);
// The destination of a business whose database `conexion` reaches on a
// server, as the registry stores it.
TDestino destinoServidor(const TConexionSesion& conexion);
// The server half of saveNuevoLocal.
TConexionSesion creaBaseServidor(const QString& email, const QString& rfc, const QString& razon,
                                 const TDestino& destino);

// A database file made for a new business and not registered yet.
struct TArchivoLocal {
    TConexionSesion conexion;
    QString aparte;       // where the database found at its place was set aside; empty when none
    bool marcada = false; // a creation stopped before its registry row had left its mark
};

// The two halves of saveNuevoLocal, for a caller that fills the database
// before registering it (the XML import), so a registry row never points at
// a database without its business: the folder and the database file, with
// the same checks and errors, and nothing registered; then the registry row.
// The caller ends the creation with one of the two calls below.
TArchivoLocal creaArchivoLocal(const QString& email, const QString& rfc, const TDestino& destino,
                               const QByteArray& plantilla);
void registraNegocio(const QString& email, const QString& rfc, const QString& razon, const TDestino& destino);
// The same registry row for a caller whose business already exists (a
// restore): false when the registry refused it, with the cause in `error`
// (Spanish), where registraNegocio would say the business was not created.
bool anotaNegocio(const QString& email, const QString& rfc, const QString& razon, const TDestino& destino,
                  QString* error);
// The creation failed before its registry row: the new file is removed and
// the database set aside goes back to its place.
void deshazArchivoLocal(const TArchivoLocal& archivo);
// The business is whole (its records committed, its registry row written).
// The database set aside is removed when it is what an interrupted creation
// of the business leaves (stopped by a kill, a power cut): a copy of
// `plantilla` (whole or cut short), or a business database without a single
// voucher. Any other stays beside under its dated name: it may be someone's
// vouchers, unregistered only because the registry lost its row.
void concluyeArchivoLocal(const TArchivoLocal& archivo, const QByteArray& plantilla);

// Fills the new database on `conexion`, brings it to the program's schema
// and creates the business's invoice folders. Without `usuario` the owner is
// created from `datos`; with one (read from its own database) that user, its
// person and contact are copied into the new database. `logo` is the
// business's first logo (IMG_EMPRESA_DEFAULT); empty leaves it without one.
// Without a certificate path no certificate is stored and without a regime
// no regime is linked: a business found in imported files has neither yet.
// Returns the stored owner's link, from which the business and user are read.
// Before anything is stored, the RFC must be one and a certificate given, its
// key and password must pass TSigner::revisaCertificados: otherwise raises EVelkor or
// ECertificado with the message for the user. Raises on any later failure
// too; the records are stored all or none. A business created writes one
// line to the log.
TUsuarionegocio saveNuevoNegocio(const TDatos& datos, const TConexionSesion& conexion, const QByteArray& logo,
                                 const TUsuario* usuario = nullptr);

// A whole business as the wizard creates it: the database of saveNuevoLocal,
// filled by saveNuevoNegocio, and only then its registry row, so the
// registry never lists a business whose database lacks it. A failure before
// the row is written removes the new local file and puts back the database
// set aside, if any: nothing is registered and the same business can be
// created again. Once the business is whole a database set aside stays
// beside: unlike an import's, it may hold customers and products without a
// single voucher. `conexion` gets the connection to the new database. On a
// server the empty database is checked as creaBaseServidor does, then gets
// the schema and the business before its row; a failure after the check
// drops the tables and key generators the attempt made there (the database
// itself stays), so a retry finds it empty again. Raises as those calls do.
TUsuarionegocio creaNegocio(const TDatos& datos, const QString& email, const TDestino& destino,
                            const QByteArray& plantilla, const QByteArray& logo, const TUsuario* usuario,
                            TConexionSesion& conexion);

} // namespace NuevoNegocio

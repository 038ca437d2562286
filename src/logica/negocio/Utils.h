#pragma once
#include "TConexionSesion.h"

#include <QDate>
#include <QDateTime>
#include <QMetaMethod>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <memory>

class QBuffer;
class QIODevice;
enum class TFallaServidor; // Dialecto.h

// Small routines the whole shell uses: the resource package, folders,
// messages, stream comparison, connection strings and voucher dates. None
// needs a window: the routine that shows a resource's picture in a label
// (cargaImageRS) is the windows' (UtilsVentanas.h), and messages go through
// the installed prompter.
namespace Utils {

// --- Resource package (program folder + RS_PATH) ---------------------------

// An operation found by name on an instance of a package class. Empty when
// the package, the class or the operation is missing.
struct TMetodo {
    QPointer<QObject> instancia;
    QMetaMethod metodo;
    bool vacio() const { return instancia.isNull() || !metodo.isValid(); }
};

// The resource's bytes, owned by the caller (they stay valid after the
// package is unloaded); nullptr when the package, class, operation or
// resource is missing. Loading and unloading the package and making its
// instance is the UI thread's work: work on other threads is handed the
// bytes it needs.
std::unique_ptr<QBuffer> getResource(const QString& nombre, const QString& carpetaPrograma);
// The same resource as bytes; empty when it is missing. UI thread.
QByteArray bytesRecurso(const QString& nombre, const QString& carpetaPrograma);
// The package stays loaded; the instance lives as long as it does. UI thread.
TMetodo getMetodoPaquete(const QString& paquete, const QString& clase, const QString& operacion);
// Brand texts; empty on any failure, nothing is shown to the user. UI thread.
QString getSistema(const QString& carpetaPrograma);
QString getMarcaMail(const QString& carpetaPrograma);
QString getMailHTML(const QString& carpetaPrograma);
QString getURLCartaManifiesto(const QString& carpetaPrograma);
QString getTokenCartaManifiesto(const QString& carpetaPrograma);
QString getURLCatalogo(const QString& carpetaPrograma);

// --- Folders -----------------------------------------------------------------

// Creates one folder level when missing; raises EEntradaSalida when it cannot
// (for example when the parent does not exist).
void createDir(const QString& ruta);
// The invoice folders of a business inside `carpeta` (the program folder):
// FACTURAS_PATH/<rfc>/XML_PATH and PDFS_PATH.
void inicializaDirectorios(const QString& carpeta, const QString& rfc);
// Closes to other accounts what earlier versions of the program wrote open
// in the program folder `carpeta`: the business databases and the copies of
// the vouchers (Archivos::cierraArbol), the settings and the import reports.
// The entries it could not change, logged.
int cierraDatosAnteriores(const QString& carpeta);

// --- Messages (through the installed prompter) ------------------------------

void mensaje(const QString& texto);
void mensaje(const QString& texto, int tipo);
// TPrompter::OK (1) or TPrompter::CANCELAR.
int mensajeConfirmacion(const QString& texto);
// A question the user answers by typing `clave` (TPrompter::confirmacionEscrita).
int mensajeConfirmacionEscrita(const QString& texto, const QString& clave);

// --- The error edge ----------------------------------------------------------
// Where an exception stops being one: the log gets Errores::describe, the
// user the text below through mensaje (MSG_ERROR).

// The user's text of an error: our own errors (EVelkor) carry it; any other
// gets `siAjeno` in front of what it says, so the user knows what failed.
QString textoError(const std::exception& e, const QString& siAjeno = QString());
void muestraError(const std::exception& e, const QString& siAjeno = QString());
// Runs `trabajo`; what it raises goes through muestraError, so no handler
// lets an exception reach the event loop. False when it raised.
bool protegido(const std::function<void()>& trabajo, const QString& siAjeno = QString());

// --- Streams -------------------------------------------------------------------

// Percentage of differing bytes over the larger size; bytes beyond the
// shorter stream are not compared. Two empty streams are equal: 0.
double CompareStreams(QIODevice& a, QIODevice& b);

// --- Connection strings (TCadenaConexion) -------------------------------------

// Positions 3 to 8 of a registration array joined by "|" (plain text).
// Raises ECadenaConexion when a field holds the separator.
QString generaStrConexion(const QStringList& registro);
// A stored connection string that does not decipher counts as no connection
// in each of these (logged, never raised).
//
// Deciphers a stored connection string and splits it into its six fields
// (missing fields read as empty; all six for a text that does not decipher).
QStringList transformaStringConexion(const QString& cadena);
// A local string (DB_SQLITE) whose database file exists, or a server string
// (DB_MySQL), taken as written. A missing file shows ERR_EXISTE_NEGOCIO; a
// string that does not decipher is false without a message.
bool validaConexionString(const QString& cadena);
// The sign-in rule: the business database is always opened as an embedded
// file, the one its path names in this program folder
// (TCadenaConexion::baseDatosEn); `conexion` is filled also when the result
// is false. True when the file exists.
bool evaluaConexion(TConexionSesion& conexion, const QString& cadena);
// The same; for a server database that would not open, `falla` says why.
bool evaluaConexion(TConexionSesion& conexion, const QString& cadena, TFallaServidor& falla);
// The connection evaluaConexion() opens, without opening it.
TConexionSesion conexionGuardada(const QString& cadena);
// What the user reads of such a failure: what went wrong and what to do,
// in whole sentences.
QString fallaServidor(TFallaServidor falla);

// --- Voucher dates (independent of the user's regional settings) -------------

// "2017-05-10T12:34:56" or "2017-05-10 12:34:56"; raises EConversion.
QDateTime stringToDateTimeSQL(const QString& texto);
// "2017-05-10"; raises EConversion.
QDate stringToDate(const QString& texto);

// --- Sign-in checks (no messages; the caller decides what to show) --------

// The typed character when an e-mail field may take it (codes 33 to 254),
// otherwise QChar() so the field ignores it.
QChar soloAlphaNumericos(QChar tecla);
// Non-empty after trimming and matching ER_EMAIL, ignoring case.
bool validaMail(const QString& texto);
bool validaUsuario(const QString& texto);
// The trimmed password equals the repetition as typed.
bool validaContrasena(const QString& password, const QString& repetida);

// --- Certificates --------------------------------------------------------------

// Whether the key opens with the password, the certificate is a usable CSD
// and they are a pair (TSigner::revisaCertificados). An empty key path or
// password fails silently; any other refusal shows its message
// (mensajeRevision: ERR_CERT_LLAVE_PRIVADA for a wrong password,
// ERR_CERT_RELACION for a key of another certificate, ...) as a warning.
bool evaluaRelacionCertificados(const QString& certificado, const QString& llave, const QString& password);

} // namespace Utils

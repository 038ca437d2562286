#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// Named constants shared by the shell and the module packages: paths and file
// names, resource names, database settings, every text shown to the user,
// image and colour names, module codes and names, certificate attribute names.
// Code names the constant and never repeats its value.
namespace Constantes {

// ---------------------------------------------------------------------------
// System identity
// ---------------------------------------------------------------------------
inline const QString NOMBRE_SISTEMA = QStringLiteral("Velkor");
// The program file in the program folder (started again after a sign-out).
inline const QString ARCHIVO_PROGRAMA = QStringLiteral("Velkor");

// ---------------------------------------------------------------------------
// Working folders and files
// Paths use "/" and are relative to the program folder unless said otherwise.
// ---------------------------------------------------------------------------
// Folders created at start (relative to the working folder); the zip folder
// lives inside the temporary one: SPLASH_TEMP + "/" + SPLASH_ZIP.
inline const QString SPLASH_DB = QStringLiteral("db");
inline const QString SPLASH_TEMP = QStringLiteral("Temp");
inline const QString SPLASH_ZIP = QStringLiteral("Zip");

// Invoice folders of a business: FACTURAS_PATH/<RFC>/XML_PATH and
// FACTURAS_PATH/<RFC>/PDFS_PATH.
inline const QString FACTURAS_PATH = QStringLiteral("Facturas");
inline const QString XML_PATH = QStringLiteral("XML");
inline const QString PDFS_PATH = QStringLiteral("PDF");

// Folder where older versions kept loose copies of the signing certificate
// (<RFC>.cer, <RFC>.key); they are deleted when a new certificate is saved.
inline const QString FILECERTIFICADO = QStringLiteral("Certificados");

// INI file of a business, kept in DB_PATH + RFC + "/": one section with the
// export path and business (QVX_PATH, QVX_EMPRESA), one with the logo-printing
// switch (QVX_IMPRIME).
inline const QString QVX_FILE = QStringLiteral("Configuracion.ini");
inline const QString QVX_INI = QStringLiteral("Configuracion");
inline const QString QVX_PATH = QStringLiteral("Ruta");
inline const QString QVX_EMPRESA = QStringLiteral("Empresa");
inline const QString QVX_LOGO = QStringLiteral("Logo");
inline const QString QVX_IMPRIME = QStringLiteral("ImprimirLogo");

// ---------------------------------------------------------------------------
// Run-time resource package
// ---------------------------------------------------------------------------
// Package file (inside the program folder) and the class it registers.
inline const QString RS_PATH = QStringLiteral("Recursos.bpl");
inline const QString RS_CLASS_NAME = QStringLiteral("TRecursosFrm");

// Operations published by that class, looked up by name.
inline const QString RS_METHOD_GETRESOURCE = QStringLiteral("getResource");
inline const QString RS_METHOD_GETSISTEMA = QStringLiteral("getSistema");
inline const QString RS_METHOD_MARCA_MAIL = QStringLiteral("getMarcaMail");
inline const QString RS_METHOD_GET_HTML = QStringLiteral("getMailHTML");
inline const QString RS_METHOD_GETURLCARTAMANIFIESTO = QStringLiteral("getURLCartaManifiesto");
inline const QString RS_METHOD_GETTOKENCARTAMANIFIESTO = QStringLiteral("getTokenCartaManifiesto");
inline const QString RS_METHOD_GETURLCATALOGO = QStringLiteral("getURLCatalogo");

// Resources that are files: the empty local registry of businesses (SQLite)
// and the empty business database used as template for a new business.
inline const QString RS_USRDB = QStringLiteral("Usuarios");
inline const QString DB_SISTEMA_NOMBRE_RESOURCE = QStringLiteral("BDNEGOCIO");

// ---------------------------------------------------------------------------
// Databases
// ---------------------------------------------------------------------------
// Folder of the business databases; a business lives in DB_PATH + RFC + "/".
inline const QString DB_PATH = QStringLiteral("db/");
// Local registry of businesses. Always equal to DB_PATH + RS_USRDB + ".db":
// the splash writes it under this name and the registry opens it under that one.
inline const QString DB_USUARIOS = QStringLiteral("db/Usuarios.db");
// File name of a business database inside its business folder.
inline const QString DB_SISTEMA_NOMBRE = QStringLiteral("Velkor.fdb");

// Provider names of the data-access layer; DB_SQLITE is also the provider
// field of the connection string of a business kept in a local file.
inline const QString DB_SQLITE = QStringLiteral("SQLite");
inline const QString DB_MySQL = QStringLiteral("MySQL");
inline const QString DB_INTERBASE = QStringLiteral("InterBase");
// Provider field of a business whose database lies on a Firebird server.
inline const QString DB_FIREBIRD_SERVIDOR = QStringLiteral("Firebird");
// Items of the engine combo box for a database on a server; the first is
// stored as DB_MySQL, the provider older registries already hold.
inline const QString CBD_MARIADB = QStringLiteral("MySQL / MariaDB");
inline const QString CBD_FIREBIRD = QStringLiteral("Firebird (servidor)");
// Ports a server listens on when the user leaves the port empty.
inline const QString PUERTO_MARIADB = QStringLiteral("3306");
inline const QString PUERTO_FIREBIRD = QStringLiteral("3050");

// Administrator account of the embedded database engine.
inline const QString DB_USER = QStringLiteral("fbroot");
inline const QString DB_PASSWORD = QStringLiteral("quillstar");

// Embedded engine: its folder and its client library. A session connection to
// an embedded database carries program folder + MOTOR_CLIENTE in its server
// field, which the data-access layer receives as "ClientLibrary".
inline const QString MOTOR_PATH = QStringLiteral("Motor/");
inline const QString MOTOR_CLIENTE = QStringLiteral("Motor/libfbclient.so.2");
// Server field written for a new business: the same client library.
inline const QString DB_SPECIFI_COPTIONS = QStringLiteral("Motor/libfbclient.so.2");

// Item of the engine combo box that stands for the system's own local file.
inline const QString CBD_LOCAL = QStringLiteral("Local");

// ---------------------------------------------------------------------------
// Enciphered texts
// ---------------------------------------------------------------------------
// Separator between an e-mail (or RFC) and a password (or permission flags)
// before encipherment. "<" and ">" never appear in an e-mail address or RFC.
inline const QString USR_PASS = QStringLiteral("<VK>");

// Permission text of a business owner from position 1 on: the eight module
// rights granted ("-1": Bridge Txt, reports, products, payroll, invoicing,
// customers, backups, users and permissions), then the four fixed "TRUE".
inline const QString PERMISOS_INICIALES = QStringLiteral("|-1|-1|-1|-1|-1|-1|-1|-1|TRUE|TRUE|TRUE|TRUE");

// ---------------------------------------------------------------------------
// Message dialogs
// ---------------------------------------------------------------------------
// Kinds passed to mensaje.
inline constexpr int MSG_ERROR = 0;
inline constexpr int MSG_WARNING = 1;
inline constexpr int MSG_INFORMATION = 2;

// Line break between accumulated messages.
inline const QString SALTO = QStringLiteral("\n");
// Heading of a list of validation messages joined with SALTO.
inline const QString MENSAJE_ERROR = QStringLiteral("Revisa los siguientes datos:\n");

// Placeholder inside CAMPO_REQUERIDO and CAMPO_NO_VALIDO, replaced by the
// field's name (also when the replacement ignores case: the brackets keep
// the word "campo" of the sentence from matching).
inline const QString CAMPO = QStringLiteral("[campo]");
inline const QString CAMPO_REQUERIDO = QStringLiteral("El campo [campo] es obligatorio.");
inline const QString CAMPO_NO_VALIDO = QStringLiteral("El campo [campo] no es válido.");

// Placeholders of the brand texts: the brand name and the stamping
// provider's (PAC) authorisation number.
inline const QString MARCA_SUST = QStringLiteral("[marca]");
inline const QString NUMERO_PAC = QStringLiteral("[numero_pac]");

// General results
inline const QString INFORMACION_GUARDADA_EXITO = QStringLiteral("La información se guardó correctamente.");
inline const QString ERROR_PERMISOS =
    QStringLiteral("No tienes permiso para usar esta opción. Pide al administrador de la empresa que te lo dé.");

// ---------------------------------------------------------------------------
// Messages: database connection
// ---------------------------------------------------------------------------
inline const QString MSG_INFORMATION_CONEXION_EXITO =
    QStringLiteral("La conexión con la base de datos funciona correctamente.");
inline const QString MSG_ERROR_CONEXION = QStringLiteral(
    "No se pudo conectar con la base de datos. Revisa el servidor, el puerto, el usuario y la contraseña.");
inline const QString ERR_EXISTE_NEGOCIO =
    QStringLiteral("No se encontró el archivo de la base de datos de la empresa.");
// A connection field that holds the separator of the stored connection
// string; CAMPO is replaced by the field's name.
inline const QString ERR_CONEXION_SEPARADOR =
    QStringLiteral("El campo [campo] de la conexión no puede contener el carácter \"|\". Escríbelo sin ese carácter.");
inline const QString ERR_EXISTE_NEGOCIO_MYSQL =
    QStringLiteral("No se pudo conectar con el servidor MySQL de la empresa. Revisa el servidor, el puerto, el usuario "
                   "y la contraseña.");

// ---------------------------------------------------------------------------
// Messages: local registry of businesses
// ---------------------------------------------------------------------------
// The registry could not be written; the cause follows.
inline const QString ERR_REGISTRO_ESCRITURA = QStringLiteral(
    "No se pudo guardar la empresa en el registro de empresas de este equipo, por eso no se creó. Causa:");
// The registry could not be read at start; ARCHIVO_SUST is replaced by the
// name the damaged file was kept under.
inline const QString ARCHIVO_SUST = QStringLiteral("[archivo]");
inline const QString AVISO_REGISTRO_DANADO =
    QStringLiteral("El registro de empresas de este equipo estaba dañado y no se pudo leer, por eso se creó uno nuevo. "
                   "El registro dañado se guardó como \"[archivo]\".\n\n"
                   "Los datos de cada empresa no se perdieron: siguen en su carpeta dentro de \"db\".");

// ---------------------------------------------------------------------------
// Messages: sign-in and new business (wizard)
// ---------------------------------------------------------------------------
// Welcome text; MARCA_SUST is replaced by the brand name.
inline const QString MENSAJE_BIENVENIDA =
    QStringLiteral("Bienvenido a [marca]. Aquí guardas y consultas las facturas electrónicas (CFDI) de tu negocio.");

inline const QString ERR_SELECCION_EMPRESA = QStringLiteral("Selecciona la empresa a la que quieres entrar.");
inline const QString ERR_SELECCION_CORREO_ELECTRONICO = QStringLiteral("Escribe tu correo electrónico para entrar.");
inline const QString ERR_BASE_DATOS_USUARIO =
    QStringLiteral("No se encontró la base de datos de esta empresa, por eso se quitará de la lista. Puedes "
                   "recuperarla desde un respaldo.");
inline const QString ERR_EMPRESA_NO_VALIDA =
    QStringLiteral("La base de datos no contiene esta empresa, por eso se quitará de la lista.");
inline const QString ERR_USUARIO_CONTRASEÑA_INCORRECTA = QStringLiteral("El correo o la contraseña no son correctos.");
inline const QString ERR_USUARIO_ACCESO_EMPRESA = QStringLiteral("Tu usuario no tiene acceso a esta empresa.");

inline const QString ERR_MAIL_REQUERIDO = QStringLiteral("Escribe el correo electrónico.");
inline const QString ERR_MAIL_NO_VALIDO =
    QStringLiteral("El correo electrónico no es válido. Revisa que esté bien escrito, por ejemplo: nombre@dominio.com");
inline const QString ERR_CONTRASENA = QStringLiteral("Las contraseñas no coinciden. Escríbelas de nuevo.");
inline const QString EMPRESA_EXITO = QStringLiteral("La empresa se creó correctamente.");

// E-mail syntax, matched without regard to case against the whole trimmed text.
inline const QString ER_EMAIL = QStringLiteral("^[A-Za-z0-9._%+-]+@[A-Za-z0-9-]+(\\.[A-Za-z0-9-]+)*\\.[A-Za-z]{2,}$");

// ---------------------------------------------------------------------------
// Messages: signing certificate (CSD)
// ---------------------------------------------------------------------------
inline const QString ERR_CERT_LLAVE_PRIVADA =
    QStringLiteral("No se pudo abrir la llave privada (.key) con esa contraseña. Revisa la contraseña y el archivo.");
inline const QString ERR_CERT_RELACION =
    QStringLiteral("El certificado (.cer) y la llave privada (.key) no corresponden entre sí.");
inline const QString ERR_CSD_DIFERENTE_RFC =
    QStringLiteral("El certificado es de otro RFC. Elige el certificado de sello digital de esta empresa.");
inline const QString ERR_LLAVE_PRIVADA_REQUERIDO = QStringLiteral("Elige el archivo de la llave privada (.key).");
inline const QString ERR_PASS_CERTIFICADO_REQUERIDO = QStringLiteral("Escribe la contraseña de la llave privada.");
// Refusals of the certificate check, one per outcome it can find.
inline const QString ERR_LLAVE_ILEGIBLE =
    QStringLiteral("No se pudo leer el archivo de la llave privada (.key): no existe, no es un archivo o está dañado.");
inline const QString ERR_LLAVE_SIN_CIFRAR =
    QStringLiteral("La llave privada (.key) no está protegida con contraseña. Usa la llave que te entregó el SAT.");
inline const QString ERR_LLAVE_NO_ADMITIDA =
    QStringLiteral("La llave privada (.key) está protegida de una forma que no usan las llaves del SAT. "
                   "Usa la llave que te entregó el SAT.");
inline const QString ERR_CERT_ILEGIBLE =
    QStringLiteral("No se pudo leer el archivo del certificado (.cer): no existe, no es un archivo o está dañado.");
// Followed by the key usage the certificate declares.
inline const QString ERR_CERT_NO_CSD =
    QStringLiteral("El archivo no corresponde a un CSD (Certificado de sello digital). Uso de la llave: ");
inline const QString ERR_CERT_RFC_NO_VALIDO = QStringLiteral(
    "El certificado no trae un RFC válido, así que no puede ser el certificado de sello digital de una empresa.");
inline const QString ERR_CERT_NUMERO_NO_VALIDO =
    QStringLiteral("El número del certificado no es de 20 dígitos como los que asigna el SAT.");
// A business is created or opened only under a valid RFC.
inline const QString ERR_RFC_NO_VALIDO = QStringLiteral("El RFC \"%1\" no es válido.");

// ---------------------------------------------------------------------------
// Messages: password recovery and recovery mail
// ---------------------------------------------------------------------------
// Placeholder in the brand's HTML mail template (case-sensitive, first
// occurrence), replaced by EMAIL_CLAVE_RECUPERACION followed by the key.
inline const QString EMAIL_REPLACE = QStringLiteral("[clave]");
inline const QString EMAIL_CLAVE_RECUPERACION = QStringLiteral("Tu clave para recuperar tu contraseña es: ");
inline const QString EMAIL_CONTRASENA_ACTUALIZA =
    QStringLiteral("Tu contraseña se cambió correctamente. Ya puedes entrar con ella.");
inline const QString EMAIL_ERR_USUARIO_NO_ENCONTRADO =
    QStringLiteral("No se encontró un usuario con ese correo en la empresa seleccionada.");

// ---------------------------------------------------------------------------
// Messages: company editor, branches, series and folios
// ---------------------------------------------------------------------------
inline const QString ERR_NOMBRE_NEGOCIO_VACIO = QStringLiteral("Escribe el nombre del negocio.");
inline const QString ERR_REGIMEN = QStringLiteral("Elige el régimen fiscal.");
inline const QString ERR_SELECCIONA_SUCURSAL = QStringLiteral("Selecciona la sucursal que quieres editar.");

inline const QString ERR_NOMBRE_SUCURSAL_VACIO = QStringLiteral("Escribe el nombre de la sucursal.");
inline const QString ERR_SUCURSAL_YA_EXISTENTE = QStringLiteral("Ya existe una sucursal con ese nombre.");
inline const QString ERR_CODIGOPOSTA_NO_EXISTE = QStringLiteral("El código postal no existe en el catálogo del SAT.");
inline const QString ERR_CODIGOPOSTA_NO_EXISTE_EDO =
    QStringLiteral("El código postal no corresponde al estado seleccionado.");

inline const QString ERR_ELEGIR_SUCURSAL = QStringLiteral("Elige la sucursal de la serie.");
inline const QString ERR_ELEGIR_FOLIO_INICIAL = QStringLiteral("Escribe el folio con el que empieza la serie.");
inline const QString ERR_SERIE_EXISTENTE = QStringLiteral("Ya existe una serie con ese nombre en esta sucursal.");
inline const QString ERR_NOMBRE_SERIE_VACIO = QStringLiteral("Escribe el nombre de la serie.");
inline const QString ERR_NOMBRE_SERIE_NO_VALIDO =
    QStringLiteral("El nombre de la serie no puede llevar ninguno de estos caracteres: / \\ { } [ ] $ % # \" & ( ) =");
inline const QString ERR_ELEGIR_TIPO_SERIE = QStringLiteral("Elige el tipo de comprobante de la serie.");
inline const QString ERR_FOLIO_NO_VALIDO = QStringLiteral("El folio debe ser un número entero de hasta 20 dígitos.");
inline const QString ERR_SERIE_NO_ENCONTRADA =
    QStringLiteral("La serie ya no existe; cierra esta ventana y vuelve a elegirla de la lista.");

// Shown in the branch label when the branch has no name.
inline const QString SUCURSAL_SIN_NOMBRE = QStringLiteral("Sucursal sin nombre");

// ---------------------------------------------------------------------------
// Messages: users, permissions and profile
// ---------------------------------------------------------------------------
// Followed by the e-mail that is already taken.
inline const QString ERR_USUARIO_EXISTENTE = QStringLiteral("Ya existe un usuario con el correo: ");
inline const QString ERR_EDICION_PERMISOS =
    QStringLiteral("No puedes cambiar tus propios permisos. Pídeselo a otro usuario que administre los usuarios.");
inline const QString MSG_USUARIO_GUARDADO_EXITO = QStringLiteral("El usuario se guardó correctamente.");
inline const QString MSG_USUARIO_ACTUALIZADO_EXITO =
    QStringLiteral("Los permisos del usuario se actualizaron correctamente.");

inline const QString ERR_CONTRASENA_NUEVA =
    QStringLiteral("No se cambió la contraseña: la nueva es igual a la anterior.");
inline const QString ERR_CONTRASEÑA_INCORRECTA = QStringLiteral("La contraseña anterior no es correcta.");
// After a save whose password step was refused: the rest was stored.
inline const QString INFORMACION_GUARDADA_SIN_CONTRASENA =
    QStringLiteral("Tus demás datos se guardaron correctamente; la contraseña sigue siendo la anterior.");
// Followed by the address that is not one.
inline const QString ERR_CORREO_PERFIL_NO_VALIDO = QStringLiteral("Este correo electrónico no es válido: ");

// ---------------------------------------------------------------------------
// Captions, prompts and grid headers
// ---------------------------------------------------------------------------
// Save button of the user form: its caption tells adding from editing, so the
// two texts must differ.
inline const QString CONCEPTO_GUARDAR = QStringLiteral("Guardar");
inline const QString ACTUALIZAR = QStringLiteral("Actualizar");
// Save button of the branch window.
inline const QString BTN_GUARDAR = QStringLiteral("Guardar");
inline const QString BTN_ACTUALIZAR = QStringLiteral("Actualizar");

// Grid headers.
inline const QString GRID_SUCURSAL = QStringLiteral("Sucursal");
inline const QString GRID_SERIE = QStringLiteral("Serie");
inline const QString GRID_TIPO = QStringLiteral("Tipo");
inline const QString GRID_FOLIO_ACTUAL = QStringLiteral("Folio actual");

// First item (empty choice) of the address and regime combo boxes. The postal
// code box holds five characters, so its empty choice reads "Códig".
inline const QString CMB_CODIGOPOSTAL = QStringLiteral("Código Postal");
inline const QString CMB_ESTADO = QStringLiteral("Estado");
inline const QString REGIMEN_FISCAL = QStringLiteral("Régimen Fiscal");

// Kinds of phone, by the index a phone row's kind list gives them; index 0
// is the list's prompt (no kind chosen).
inline const QStringList TIPOS_TELEFONO = {QStringLiteral("Tipo"), QStringLiteral("Casa"), QStringLiteral("Trabajo"),
                                           QStringLiteral("Celular")};
// Rows of phones a form holds at the most.
inline constexpr int MAX_TELEFONOS = 4;

// Prompts of the phone and e-mail rows of the profile.
inline const QString NUMERO = QStringLiteral("Número");
inline const QString EXTENSION = QStringLiteral("Ext.");
inline const QString CORREO_ELECTRONICO = QStringLiteral("Correo electrónico");

// ---------------------------------------------------------------------------
// Component names built at run time
// ---------------------------------------------------------------------------
// Profile rows: row key ABC + n, delete image ABC_IMG + n. Removing
// NOMBRE_IMAGEN (ignoring case) from the image name gives the row key back,
// so ABC_IMG is ABC + NOMBRE_IMAGEN and ABC does not contain NOMBRE_IMAGEN.
inline const QString ABC = QStringLiteral("Linea");
inline const QString NOMBRE_IMAGEN = QStringLiteral("Img");
inline const QString ABC_IMG = QStringLiteral("LineaImg");

// Company tiles of the sign-in page: container name prefix (followed by the
// RFC) and the radio group of their buttons.
inline const QString REC_CONTENEDOR = QStringLiteral("RecContenedor");
inline const QString RB_GRUPO_EMPRESA = QStringLiteral("GrupoEmpresa");

// ---------------------------------------------------------------------------
// Window sizes
// ---------------------------------------------------------------------------
// The splash is SPLASH_ANCHO wide and SPLASH_LARGO high.
inline constexpr int SPLASH_ANCHO = 500;
inline constexpr int SPLASH_LARGO = 270;
// Height of the main area while a module shows its configuration.
inline constexpr int VENTANA_CONFIGURACION_HEIGHT = 600;

// ---------------------------------------------------------------------------
// Log lines
// ---------------------------------------------------------------------------
// Follows the splash window's name.
inline const QString INICIO_SISTEMA = QStringLiteral(": inicio del sistema");
// Followed by the system's name.
inline const QString SPLASH_NOMBRE_SISTEMA = QStringLiteral("Nombre del sistema: ");
inline const QString SPLASH_SPLASH = QStringLiteral("Fin de la pantalla de inicio");
inline const QString SPLASH_NEXT_FORM = QStringLiteral("Se abre el asistente de configuración");

// ---------------------------------------------------------------------------
// Images (resource names inside the resource package)
// ---------------------------------------------------------------------------
// Each image is listed once, here: the list makes its IMG_* constant and its
// entry of IMAGENES, which the image tool draws and the resource package and
// its tests walk. A new image needs only its line.
#define VELKOR_IMAGENES(I)                                                                                             \
    I(IMG_SPLASH, "splash")                                                                                            \
    I(IMG_LOGO, "logo")                                                                                                \
    I(IMG_BANDERA, "bandera")                                                                                          \
    I(IMG_USUARIO_DEFAULT, "usuario_default")                                                                          \
    I(IMG_EMPRESA_DEFAULT, "empresa_default")                                                                          \
    I(IMG_USUARIO, "usuario")                                                                                          \
    I(IMG_CORONA, "corona")                                                                                            \
    I(IMG_UPDATE, "actualizacion")                                                                                     \
    I(IMG_ABRIR_CONFIGURACION, "abrir_configuracion")                                                                  \
    I(IMG_ABRIR_XML, "abrir_xml")                                                                                      \
    I(IMG_BASE_DATOS, "base_datos")                                                                                    \
    I(IMG_CANDADO_LOGGIN, "candado")                                                                                   \
    I(IMG_TELEFONO, "telefono")                                                                                        \
    I(IMG_EMAIL, "correo")                                                                                             \
    I(IMG_DELETE, "eliminar")                                                                                          \
    I(IMG_LAPIZ, "lapiz")                                                                                              \
    I(IMG_BOTE, "bote_basura")                                                                                         \
    /* Module icons. */                                                                                                \
    I(IMG_BRIDGE_TXT, "bridge_txt")                                                                                    \
    I(IMG_REPORTES, "reportes")                                                                                        \
    I(IMG_PRODUCTOSERVICIOS, "productos_servicios")                                                                    \
    I(IMG_NOMINA, "nomina")                                                                                            \
    I(IMG_FACTURACION, "facturacion")                                                                                  \
    I(IMG_CLIENTES, "clientes")                                                                                        \
    I(IMG_RESPALDO, "respaldo")

#define VELKOR_IMAGEN_CONSTANTE(Constante, valor) inline const QString Constante = QStringLiteral(valor);
VELKOR_IMAGENES(VELKOR_IMAGEN_CONSTANTE)
#undef VELKOR_IMAGEN_CONSTANTE

// One image of the resource package: its constant's name and its resource name.
struct TImagenRecurso {
    QString constante; // "IMG_LOGO"
    QString nombre;    // the value of IMG_LOGO
};

#define VELKOR_IMAGEN_ENTRADA(Constante, valor) TImagenRecurso{QStringLiteral(#Constante), Constante},
inline const QList<TImagenRecurso> IMAGENES = {VELKOR_IMAGENES(VELKOR_IMAGEN_ENTRADA)};
#undef VELKOR_IMAGEN_ENTRADA

// ---------------------------------------------------------------------------
// Style colours (names in the shared style window's colour table)
// ---------------------------------------------------------------------------
inline const QString RS_TEXTOBLANCO = QStringLiteral("TextoBlanco");
inline const QString RS_TEXTOAZUL = QStringLiteral("TextoAzul");
inline const QString RS_SEPARADOR = QStringLiteral("Separador");
inline const QString RS_NEGRO = QStringLiteral("Negro");
inline const QString RS_TEXTOSECCION = QStringLiteral("TextoSeccion");
inline const QString RS_TEXTOSUBTITULOS = QStringLiteral("TextoSubtitulos");
inline const QString RS_COLORTEXTO = QStringLiteral("ColorTexto");
inline const QString RS_TEXTOADVERTENCIA = QStringLiteral("TextoAdvertencia");

// ---------------------------------------------------------------------------
// Modules
// ---------------------------------------------------------------------------
// Permission codes, one per right of the permission text. The 4.0 payroll and
// text-bridge modules use the codes of their 3.3 modules.
inline const QString CODIGO_BRIDGE_TXT = QStringLiteral("BTX");
inline const QString CODIGO_REPORTES = QStringLiteral("REP");
inline const QString CODIGO_PRODUCTOS = QStringLiteral("PRO");
inline const QString CODIGO_NOMINA = QStringLiteral("NOM");
inline const QString CODIGO_FACTURACION = QStringLiteral("FAC");
inline const QString CODIGO_CLIENTES = QStringLiteral("CLI");
inline const QString CODIGO_RESPALDOS = QStringLiteral("RES");
inline const QString CODIGO_PERMISOS = QStringLiteral("PER");
inline const QString CODIGO_FACTURACION_40 = QStringLiteral("FAC40");

// Module names: the header label of a module's menu, and the part of its
// window routines between "GetVentana" and "Frm". They contain no "_" (it
// starts the action of a window routine name); the text bridge names contain
// "BridgeTXT", which the menu uses to ask for a series first.
inline const QString NOMBRE_BRIDGE_TXT = QStringLiteral("BridgeTXT");
inline const QString NOMBRE_BRIDGE_TXT_40 = QStringLiteral("BridgeTXT 4.0");
inline const QString NOMBRE_REPORTES = QStringLiteral("Reportes");
inline const QString NOMBRE_PRODUCTOS = QStringLiteral("Productos");
inline const QString NOMBRE_NOMINA = QStringLiteral("Nómina");
inline const QString NOMBRE_NOMINA_40 = QStringLiteral("Nómina 4.0");
inline const QString NOMBRE_FACTURACION = QStringLiteral("Facturación");
inline const QString NOMBRE_FACTURACION_40 = QStringLiteral("Facturación 4.0");
inline const QString NOMBRE_CLIENTES = QStringLiteral("Clientes");
inline const QString NOMBRE_RESPALDOS = QStringLiteral("Respaldos");

// Main window: a text-bridge module opened without a series chosen, and the
// sign-out question.
inline const QString MSG_FALTA_SERIE = QStringLiteral("Falta indicar la serie correspondiente");
inline const QString MSG_CERRAR_SESION = QStringLiteral("¿Desea cerrar sesión?");

// Kinds of menu entries: the expandable header of a module, a single entry
// that opens a window, and (any other value) an entry of the module's submenu.
inline constexpr int TIPO_MENU_PRINCIPAL = 1;
inline constexpr int TIPO_MENU_UNICO = 2;
inline constexpr int TIPO_MENU_SUBMENU = 0;

// ---------------------------------------------------------------------------
// CFDI versions (tags compared with each other only)
// ---------------------------------------------------------------------------
inline const QString CFDI_32 = QStringLiteral("3.2");
inline const QString CFDI_33 = QStringLiteral("3.3");
inline const QString CFDI_40 = QStringLiteral("4.0");

// ---------------------------------------------------------------------------
// Certificate information (keys of the signer's certificate dictionary)
// ---------------------------------------------------------------------------
inline const QString CERT_INTENDEDKEYUSAGE = QStringLiteral("IntendedKeyUsage");
inline const QString CERT_VALIDTOSTR = QStringLiteral("ValidToStr");
inline const QString CERT_SERIALNUMBER = QStringLiteral("SerialNumber");
// Subject unique identifier: the RFC (a legal person's may be followed by
// "/" and its representative's RFC).
inline const QString CERT_OID_45 = QStringLiteral("2.5.4.45");
// Subject name: the legal name.
inline const QString CERT_OID_41 = QStringLiteral("2.5.4.41");
// Key usage of a digital seal certificate (CSD): digital signature and
// non-repudiation only, as the signer words it.
inline const QString CERT_CSD = QStringLiteral("Firma digital, No repudio");

// Captions shown with a certificate: before its expiry date, and beside its
// serial number.
inline const QString CN_CADUCIDAD = QStringLiteral("Vigente hasta: ");
// The validity end of a certificate that has already expired.
inline const QString CN_VENCIDO = QStringLiteral("Certificado vencido desde: ");
inline const QString CN_NO_SERIE = QStringLiteral("No. de serie:");

// ---------------------------------------------------------------------------
// Letter of manifest
// ---------------------------------------------------------------------------
// Placeholders of the address and token templates (replaced ignoring case).
inline const QString SG_HASHTOKEN_RFC = QStringLiteral("{RFC}");
inline const QString SG_HASHTOKEN_CLIENTE = QStringLiteral("{CLIENTE}");
inline const QString SG_HASHTOKEN_HASH = QStringLiteral("{HASH}");

inline const QString REGLA_LYENDA_FISCAL =
    QStringLiteral("Para timbrar tus facturas electrónicas, el SAT pide que firmes la Carta Manifiesto "
                   "con tu proveedor de certificación (PAC). Da clic en la liga para firmarla en línea: "
                   "se abrirá en tu navegador.");

// Short date of the system: certificate expiry texts are written and read with it.
inline const QString FORMATO_FECHA = QStringLiteral("dd/MM/yyyy");

// ---------------------------------------------------------------------------
// Program settings, downloads, recovery mail and backups
// ---------------------------------------------------------------------------
// Deployment settings kept out of the source: an INI file in the program
// folder. Group [Red]: the download addresses; group [Correo]: the mail server
// of the recovery mail, set in "Configurar correo" (TAjustesPrograma names the keys).
inline const QString ARCHIVO_AJUSTES = QStringLiteral("Velkor.ini");

// Download folder (inside the program folder), the catalogue archive, and the
// catalogue database it holds (also its name once extracted there).
inline const QString UPDATE_PATH = QStringLiteral("Update/");
inline const QString CATALOGO_ZIP = QStringLiteral("CFDCAT.zip");
inline const QString CATALOGO_DB_ZIP = QStringLiteral("CFDCAT.db");

// The update-name package (program folder + UPD_PATH), found like the resource
// package by its class and operation names, and the separate update program.
#ifdef Q_OS_WIN
inline const QString UPD_PATH = QStringLiteral("Lib/ResourcesUpd.dll");
inline const QString ACTUALIZADOR = QStringLiteral("Updater.exe");
#else
inline const QString UPD_PATH = QStringLiteral("Lib/ResourcesUpd.so");
inline const QString ACTUALIZADOR = QStringLiteral("Updater");
#endif
inline const QString UPD_CLASS_NAME = QStringLiteral("TResourcesUpd");
inline const QString UPD_METHOD_PATH = QStringLiteral("getUpdatePath");
inline const QString UPD_METHOD_NAME = QStringLiteral("getUpdateName");

// Catalogue and program updates (the first text begins with a space).
inline const QString CONFIRMA_ACTUALIZA_CATALOGOS =
    QStringLiteral(" ¿Desea actualizar los catálogos a la última versión?");
inline const QString CATALOGO_FINALIZADO = QStringLiteral("Proceso finalizado.");
inline const QString CONFIRMA_ACTUALIZACION =
    QStringLiteral("Es recomendable realizar un respaldo de su información antes de iniciar este proceso.\n\r"
                   " ¿Desea actualizar a la versión más reciente?");
// Followed by the reason.
inline const QString ERR_DESCARGA_CATALOGO =
    QStringLiteral("No se pudo descargar el catálogo del SAT; se conserva el catálogo instalado. ");
inline const QString ERR_CATALOGO_DANADO =
    QStringLiteral("El catálogo descargado está dañado; se conserva el catálogo instalado.");
inline const QString ERR_CATALOGO_INSTALA =
    QStringLiteral("No se pudo instalar el catálogo descargado; se conserva el catálogo anterior.");
inline const QString CATALOGO_CANCELADO =
    QStringLiteral("Se canceló la descarga del catálogo; se conserva el catálogo instalado.");
inline const QString ERR_ACTUALIZADOR =
    QStringLiteral("No se pudo iniciar el programa de actualización. Revisa que esté en la carpeta del programa.");

inline const QString ERR_CLAVE_RECUPERACION = QStringLiteral("Clave de recuperación no válida");
// How long a recovery key lasts (%1 minutes), in the mail after the key and
// on the recovery page.
inline const QString VIGENCIA_CLAVE_RECUPERACION = QStringLiteral("La clave vale %1 minutos y sirve una sola vez.");
// A key that was the user's, refused for what became of it.
inline const QString ERR_CLAVE_VENCIDA =
    QStringLiteral("La clave de recuperación ya venció: vale %1 minutos. Pide una nueva con «Enviar Clave».");
inline const QString ERR_CLAVE_USADA =
    QStringLiteral("La clave de recuperación ya se usó y sirve una sola vez. Pide una nueva con «Enviar Clave».");
inline const QString ERR_CLAVE_ANULADA = QStringLiteral(
    "Esa clave de recuperación ya no vale porque después pediste otra. Usa la clave del correo más reciente.");
// Too many wrong keys on this computer; %1 is the wait in words ("5 minutos").
inline const QString ERR_DEMASIADOS_INTENTOS =
    QStringLiteral("Demasiados intentos con una clave equivocada. Espera %1 e intenta de nuevo.");
// The registry, where keys are kept, could not be read or written.
inline const QString ERR_CLAVE_SIN_REGISTRO =
    QStringLiteral("No se pudo revisar la clave de recuperación, porque el registro de empresas de esta computadora "
                   "no se pudo leer. Intenta de nuevo en un momento.");
inline const QString EMAIL_ASUNTO_RECUPERACION = QStringLiteral("Recupera tu contraseña");
// Recovery asked for in a business whose mail nobody has set yet.
inline const QString ERR_CORREO_SIN_CONFIGURAR =
    QStringLiteral("La recuperación de la contraseña por correo no está disponible en esta empresa, porque "
                   "todavía no se configura su envío de correo. Pide al administrador de tu negocio que lo "
                   "configure en «Configurar correo».");
// Followed by the reason.
inline const QString ERR_CORREO_ENVIO = QStringLiteral("No se pudo enviar el correo con la clave de recuperación. ");

// Backup archives (*.respal33) and the archive kept when a business is deleted.
inline const QString RESPALDO_EXTENSION = QStringLiteral(".respal33");
inline const QString RESPALDO_PASSWORD = QStringLiteral("zepqul");
inline const QString ELIMINACION_PASSWORD = QStringLiteral("kaLumi");
// Name of a business database in the folders of older versions.
inline const QString DB_SISTEMA_NOMBRE_ANTERIOR = QStringLiteral("cfdidb.db");
inline const QString REINICIA_APLICACION =
    QStringLiteral("Por favor, reinicie la aplicación para que los cambios tomen efecto");
// Followed by SALTO and RESPALDO_NO_REVERTIR.
inline const QString CONFIRMA_SOBRESCRIBE_RESPALDO =
    QStringLiteral("Ya existe una base de datos con este RFC, ¿Desea sobre escribirla?");
inline const QString RESPALDO_NO_REVERTIR = QStringLiteral("Este proceso no se podrá revertir");
inline const QString CONFIRMA_RESTAURA_REGISTRO =
    QStringLiteral("¿Desea restaurar el archivo de configuración de base de datos?");
inline const QString ERR_REGISTRO_ADMINISTRADOR = QStringLiteral("Debe ejecutar la aplicación como administrador.");
inline const QString ERR_RESPALDO_NO_ABRE =
    QStringLiteral("No se pudo abrir el respaldo: no es un archivo de respaldo o está dañado. No se cambió nada.");
inline const QString ERR_RESPALDO_PASSWORD = QStringLiteral(
    "No se pudo leer el respaldo: su contraseña no es la de un respaldo del programa o el archivo está dañado. "
    "No se cambió nada.");
inline const QString ERR_RESPALDO_DANADO = QStringLiteral("El respaldo está dañado. No se cambió nada.");
inline const QString ERR_RESPALDO_INSEGURO =
    QStringLiteral("El respaldo contiene archivos que quedarían fuera de la carpeta de la empresa. Por seguridad no se "
                   "restauró nada.");
inline const QString ERR_RESPALDO_SIN_RFC =
    QStringLiteral("El respaldo no contiene la carpeta de una empresa (db/RFC/). No se cambió nada.");
inline const QString ERR_RESPALDO_SIN_BASE =
    QStringLiteral("El respaldo no contiene la base de datos de la empresa. No se cambió nada.");
inline const QString ERR_RESPALDO_ESCRITURA =
    QStringLiteral("No se pudo escribir la empresa restaurada en la carpeta del programa. No se cambió nada.");

} // namespace Constantes

#pragma once

// The business database (Firebird 3) as data: one entity class per table, one
// line per column, and the indexes its look-ups need. Table names are the class
// names without the leading T, column names the accessor suffixes, both upper
// case; every name stays within Firebird's 31 characters.
//
// Ultimamodificacionpor holds the acting user's id as a plain number, not a
// reference: records are also stamped with -1 and 1, which no user row has.
// Status and Estatus: 0 active, 1 inactive.
//
// Indexed texts are kept at 500 characters or fewer so that their UTF8 keys fit
// Firebird's key limit on 8 KB pages; a concept's description (up to 1000
// characters in CFDI 3.3 and 4.0) is therefore found through the business's
// foreign-key index instead of one of its own. Reference columns need no entry
// below: every foreign key carries its own index.

// Every entity, in an order where nothing matters (foreign keys are added after all tables exist).
#define VELKOR_ENTIDADES(E) \
    E(TComprobante) \
    E(TComprobanteconcepto) \
    E(TConcepto) \
    E(TImpuesto) \
    E(TDesgloseimpuesto) \
    E(TPedimentoaduanal) \
    E(TUnidadmedida) \
    E(TFormapago) \
    E(TMetodopago) \
    E(TNegocio) \
    E(TDatosfiscales) \
    E(TRegimen) \
    E(TRegimennegocio) \
    E(TSucursal) \
    E(TSerie) \
    E(TDireccion) \
    E(TCodigopostal) \
    E(TPersona) \
    E(TCliente) \
    E(TContacto) \
    E(TTelefono) \
    E(TEmail) \
    E(TImagen) \
    E(TUsuario) \
    E(TUsuarionegocio) \
    E(TCertificado) \
    E(TDonataria) \
    E(TEmpleado) \
    E(TNominacomprobante) \
    E(TNominacomprobanteempleado) \
    E(TPercepcion) \
    E(TDeduccion)

// One line per column: C(Nombre, Tipo, Largo, Destino, Grupo)
//  Nombre  accessor suffix; the column is its upper-case form (getUuid/setUuid -> UUID)
//  Tipo    Id (the table's own key: first column, exactly one per table), Texto, Entero, Grande (64-bit integer),
//          Decimal (money and quantities, NUMERIC(18,6)), Booleano, Fecha, FechaHora, Binario (bytes: files, images, keys),
//          Ref (reference to another entity's row)
//  Largo   for Texto: the maximum length in characters, 0 for unlimited text (BLOB text); 0 for every other type
//  Destino for Ref: the target class (TNegocio); otherwise _
//  Grupo   which schema step owns the column: Base (in every database from the start), NominaEmpleado (the whole
//          TNominacomprobanteempleado table, created by TNominacomprobanteempleado.createTable), ConceptoClaves (columns
//          added to TConcepto by TConcepto.actualizaColumnaConcepto: the SAT product/unit keys and other CFDI 3.3+ fields),
//          ConceptoPrecios (price columns added to TConcepto by TConcepto.actualizaColumnaPrecios), Nuevas (tables that
//          came later, created by TNuevastablas.createTable; all columns of such a table carry Nuevas)

// A stored voucher. Pathxml/Pathpdf point at the copies in the invoice folder; Comprobantexml keeps the file's
// bytes unchanged. Fechacancelacion holds the date-time -1.0 while the voucher is not cancelled.
#define VELKOR_TABLA_TComprobante(C) \
    C(Idcomprobante, Id, 0, _, Base) \
    C(Uuid, Texto, 36, _, Base) \
    C(Negocio, Ref, 0, TNegocio, Base) \
    C(Cliente, Ref, 0, TCliente, Base) \
    C(Sucursal, Ref, 0, TSucursal, Base) \
    C(Formapago, Ref, 0, TFormapago, Base) \
    C(Metodopago, Ref, 0, TMetodopago, Base) \
    C(Donataria, Ref, 0, TDonataria, Base) \
    C(Version, Decimal, 0, _, Base) \
    C(Serie, Texto, 25, _, Base) \
    C(Folio, Texto, 40, _, Base) \
    C(Tipocomprobante, Texto, 5, _, Base) \
    C(Categoriacomprobante, Texto, 50, _, Base) \
    C(Rfcreceptor, Texto, 13, _, Base) \
    C(Subtotal, Decimal, 0, _, Base) \
    C(Descuentogeneral, Decimal, 0, _, Base) \
    C(Total, Decimal, 0, _, Base) \
    C(Totalimpuestostrasladados, Decimal, 0, _, Base) \
    C(Totalimpuestosretenidos, Decimal, 0, _, Base) \
    C(Moneda, Texto, 100, _, Base) \
    C(Tipodecambio, Decimal, 0, _, Base) \
    C(Numerocuentapago, Texto, 100, _, Base) \
    C(Lugarexpedicion, Texto, 250, _, Base) \
    C(Condicionesdepago, Texto, 1000, _, Base) \
    C(Usocfdi, Texto, 5, _, Base) \
    C(Exportacion, Texto, 2, _, Base) \
    C(Confirmacion, Texto, 5, _, Base) \
    C(Nocertificado, Texto, 20, _, Base) \
    C(Nocertificadosat, Texto, 20, _, Base) \
    C(Sellocfd, Texto, 0, _, Base) \
    C(Sellosat, Texto, 0, _, Base) \
    C(Estatus, Entero, 0, _, Base) \
    C(Fechaemision, FechaHora, 0, _, Base) \
    C(Fechacreacion, FechaHora, 0, _, Base) \
    C(Fechatimbrado, FechaHora, 0, _, Base) \
    C(Fechacancelacion, FechaHora, 0, _, Base) \
    C(Comprobantexml, Binario, 0, _, Base) \
    C(Pathxml, Texto, 500, _, Base) \
    C(Pathpdf, Texto, 500, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

// One line of a voucher. The product is set by its id (setIdconcepto takes the catalogue record's integer id).
#define VELKOR_TABLA_TComprobanteconcepto(C) \
    C(Idcomprobanteconcepto, Id, 0, _, Base) \
    C(Idcomprobante, Ref, 0, TComprobante, Base) \
    C(Idconcepto, Ref, 0, TConcepto, Base) \
    C(Idunidad, Ref, 0, TUnidadmedida, Base) \
    C(Cantidad, Decimal, 0, _, Base) \
    C(Preciounitario, Decimal, 0, _, Base) \
    C(Importe, Decimal, 0, _, Base) \
    C(Descuento, Decimal, 0, _, Base) \
    C(Objetoimp, Texto, 2, _, Base) \
    C(Cuentapredial, Texto, 150, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

// The business's product/service catalogue. A part of a line is a product of its own that names its parent.
#define VELKOR_TABLA_TConcepto(C) \
    C(Idconcepto, Id, 0, _, Base) \
    C(Descripcion, Texto, 1000, _, Base) \
    C(Unidad, Texto, 100, _, Base) \
    C(UnidadObj, Ref, 0, TUnidadmedida, Base) \
    C(Negocio, Ref, 0, TNegocio, Base) \
    C(ConceptoPadre, Ref, 0, TConcepto, Base) \
    C(Numidentificacion, Texto, 100, _, Base) \
    C(Precioventa, Decimal, 0, _, Base) \
    C(Status, Entero, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base) \
    C(Claveprodserv, Texto, 8, _, ConceptoClaves) \
    C(Claveunidad, Texto, 5, _, ConceptoClaves) \
    C(Objetoimp, Texto, 2, _, ConceptoClaves) \
    C(Preciocompra, Decimal, 0, _, ConceptoPrecios) \
    C(Preciomayoreo, Decimal, 0, _, ConceptoPrecios) \
    C(Incluyeimpuestos, Booleano, 0, _, ConceptoPrecios)

// The tax catalogue, keyed by abbreviation and rate. Withheld federal taxes carry the rate -1; a local tax uses
// its own name as abbreviation.
#define VELKOR_TABLA_TImpuesto(C) \
    C(Idimpuesto, Id, 0, _, Base) \
    C(Nombreimpuesto, Texto, 100, _, Base) \
    C(Siglaimpuesto, Texto, 100, _, Base) \
    C(Claveimpuesto, Texto, 3, _, Base) \
    C(Tasa, Decimal, 0, _, Base) \
    C(Tipoimpuesto, Texto, 20, _, Base) \
    C(Status, Entero, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

// One tax row of a voucher (or of one of its lines). Idimpuestofk and Idcomprobantefk repeat the ids of the
// two references as plain numbers, because callers set both forms.
#define VELKOR_TABLA_TDesgloseimpuesto(C) \
    C(Iddesgloseimpuesto, Id, 0, _, Base) \
    C(Comprobante, Ref, 0, TComprobante, Base) \
    C(Idcomprobantefk, Entero, 0, _, Base) \
    C(Comprobanteconcepto, Ref, 0, TComprobanteconcepto, Base) \
    C(Impuesto, Ref, 0, TImpuesto, Base) \
    C(Idimpuestofk, Entero, 0, _, Base) \
    C(Nombre, Texto, 100, _, Base) \
    C(Tasa, Decimal, 0, _, Base) \
    C(Tipofactor, Texto, 10, _, Base) \
    C(Importebase, Decimal, 0, _, Base) \
    C(Importe, Decimal, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

#define VELKOR_TABLA_TPedimentoaduanal(C) \
    C(Idpedimentoaduanal, Id, 0, _, Base) \
    C(Idcomprobante, Ref, 0, TComprobante, Base) \
    C(Idcomprobanteconcepto, Ref, 0, TComprobanteconcepto, Base) \
    C(Numeropedimento, Texto, 50, _, Base) \
    C(Nombreaduana, Texto, 250, _, Base) \
    C(Fechaautorizacionaduana, Fecha, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

#define VELKOR_TABLA_TUnidadmedida(C) \
    C(Idunidadmedida, Id, 0, _, Base) \
    C(Nombreunidadmedida, Texto, 100, _, Base) \
    C(Status, Entero, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

#define VELKOR_TABLA_TFormapago(C) \
    C(Idformapago, Id, 0, _, Base) \
    C(Clave, Texto, 3, _, Base) \
    C(Descripcion, Texto, 250, _, Base) \
    C(Status, Entero, 0, _, Base)

#define VELKOR_TABLA_TMetodopago(C) \
    C(Idmetodopago, Id, 0, _, Base) \
    C(Codigo, Texto, 10, _, Base) \
    C(Descripcion, Texto, 250, _, Base) \
    C(Status, Entero, 0, _, Base)

// A business. Its branches, regimes and certificates point to it; its RFC lives in its fiscal data.
#define VELKOR_TABLA_TNegocio(C) \
    C(Idnegocio, Id, 0, _, Base) \
    C(Nombre, Texto, 300, _, Base) \
    C(Datosfiscales, Ref, 0, TDatosfiscales, Base) \
    C(Logonegocio, Binario, 0, _, Base) \
    C(Status, Entero, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

// Fiscal data of a business, a customer or an employee. Regimen keeps the SAT regime code as text.
#define VELKOR_TABLA_TDatosfiscales(C) \
    C(Iddatosfiscales, Id, 0, _, Base) \
    C(Rfc, Texto, 13, _, Base) \
    C(Razon, Texto, 300, _, Base) \
    C(Regimen, Texto, 10, _, Base) \
    C(Direccion, Ref, 0, TDireccion, Base) \
    C(Status, Entero, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

// Regime codes of the SAT catalogue arrived with CFDI 3.3, and with them these two tables.
#define VELKOR_TABLA_TRegimen(C) \
    C(Idregimen, Id, 0, _, Nuevas) \
    C(Descripcion, Texto, 300, _, Nuevas) \
    C(Personafiscal, Texto, 20, _, Nuevas) \
    C(Status, Entero, 0, _, Nuevas) \
    C(Ultimamodificacionpor, Entero, 0, _, Nuevas) \
    C(Fechamodificacion, FechaHora, 0, _, Nuevas)

#define VELKOR_TABLA_TRegimennegocio(C) \
    C(Idregimennegocio, Id, 0, _, Nuevas) \
    C(Idnegocio, Ref, 0, TNegocio, Nuevas) \
    C(Idregimen, Ref, 0, TRegimen, Nuevas) \
    C(Status, Entero, 0, _, Nuevas) \
    C(Ultimamodificacionpor, Entero, 0, _, Nuevas) \
    C(Fechamodificacion, FechaHora, 0, _, Nuevas)

// A branch. Numerosucursal marks the default branch (where the next session starts), Tipo the head office.
#define VELKOR_TABLA_TSucursal(C) \
    C(Idsucursal, Id, 0, _, Base) \
    C(Nombre, Texto, 255, _, Base) \
    C(Tipo, Entero, 0, _, Base) \
    C(Numerosucursal, Entero, 0, _, Base) \
    C(Direccion, Ref, 0, TDireccion, Base) \
    C(Negocio, Ref, 0, TNegocio, Base) \
    C(Status, Entero, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

// A voucher series of a branch. The current folio arrives as typed text and is kept that way.
#define VELKOR_TABLA_TSerie(C) \
    C(Idserie, Id, 0, _, Base) \
    C(Serie, Texto, 25, _, Base) \
    C(Tipodecomprobante, Texto, 5, _, Base) \
    C(Nofolioactual, Texto, 20, _, Base) \
    C(Isdefault, Booleano, 0, _, Base) \
    C(Rfc, Texto, 13, _, Base) \
    C(Sucursal, Ref, 0, TSucursal, Base) \
    C(Status, Entero, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

// An address. Locality, municipality and state are texts as shown ("key - name"), copied from the postal code.
#define VELKOR_TABLA_TDireccion(C) \
    C(Iddireccion, Id, 0, _, Base) \
    C(Calle, Texto, 255, _, Base) \
    C(Noexterior, Texto, 100, _, Base) \
    C(Nointerior, Texto, 100, _, Base) \
    C(Referencia, Texto, 255, _, Base) \
    C(Colonia, Texto, 255, _, Base) \
    C(Localidad, Texto, 255, _, Base) \
    C(Municipio, Texto, 255, _, Base) \
    C(Estado, Texto, 255, _, Base) \
    C(Pais, Texto, 255, _, Base) \
    C(CodigoPostal, Ref, 0, TCodigopostal, Base) \
    C(Status, Entero, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

#define VELKOR_TABLA_TCodigopostal(C) \
    C(Idcodigopostal, Id, 0, _, Base) \
    C(Cp, Texto, 5, _, Base) \
    C(Estado, Texto, 255, _, Base) \
    C(Municipio, Texto, 255, _, Base) \
    C(Localidad, Texto, 255, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

#define VELKOR_TABLA_TPersona(C) \
    C(Idpersona, Id, 0, _, Base) \
    C(Nombre, Texto, 250, _, Base) \
    C(Apellidopaterno, Texto, 250, _, Base) \
    C(Apellidomaterno, Texto, 250, _, Base) \
    C(Fechanacimiento, Fecha, 0, _, Base) \
    C(Contacto, Ref, 0, TContacto, Base) \
    C(Direccion, Ref, 0, TDireccion, Base) \
    C(Status, Entero, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

// A customer of a business, found by the RFC of its fiscal data.
#define VELKOR_TABLA_TCliente(C) \
    C(Idcliente, Id, 0, _, Base) \
    C(Negocio, Ref, 0, TNegocio, Base) \
    C(Persona, Ref, 0, TPersona, Base) \
    C(Datosfiscales, Ref, 0, TDatosfiscales, Base) \
    C(DireccionEnvio, Ref, 0, TDireccion, Base) \
    C(Status, Entero, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

// A contact: its phones and e-mails point to it.
#define VELKOR_TABLA_TContacto(C) \
    C(Idcontacto, Id, 0, _, Base) \
    C(Status, Entero, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

// Tipotelefono: 0 none, 1 home, 2 work, 3 mobile (the position in the type list).
#define VELKOR_TABLA_TTelefono(C) \
    C(Idtelefono, Id, 0, _, Base) \
    C(Idcontacto, Ref, 0, TContacto, Base) \
    C(Numero, Texto, 30, _, Base) \
    C(Extencion, Texto, 10, _, Base) \
    C(Tipotelefono, Entero, 0, _, Base) \
    C(Status, Entero, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

#define VELKOR_TABLA_TEmail(C) \
    C(Idemail, Id, 0, _, Base) \
    C(Idcontacto, Ref, 0, TContacto, Base) \
    C(Email, Texto, 100, _, Base) \
    C(Status, Entero, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

// A person's profile picture.
#define VELKOR_TABLA_TImagen(C) \
    C(Idimagen, Id, 0, _, Base) \
    C(Idpersona, Ref, 0, TPersona, Base) \
    C(Imagenperfil, Binario, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

// A user of the database; the e-mail is the sign-in name. Both passwords are enciphered, hence unlimited.
#define VELKOR_TABLA_TUsuario(C) \
    C(Idusuario, Id, 0, _, Base) \
    C(Email, Texto, 100, _, Base) \
    C(Password, Texto, 0, _, Base) \
    C(Passwordtocompareupdate, Texto, 0, _, Base) \
    C(Idpersona, Ref, 0, TPersona, Base) \
    C(Status, Entero, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

// A user's access to a business; Nivelpermiso is the enciphered permission text.
#define VELKOR_TABLA_TUsuarionegocio(C) \
    C(Idusuarionegocio, Id, 0, _, Base) \
    C(Idusuario, Ref, 0, TUsuario, Base) \
    C(Idnegocio, Ref, 0, TNegocio, Base) \
    C(Nivelpermiso, Texto, 0, _, Base) \
    C(Status, Entero, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

// The signing certificate (CSD) kept inside the database; it used to live as RFC.cer/RFC.key files in the
// certificate folder. The key password is stored enciphered only. A business may hold several; the newest wins.
#define VELKOR_TABLA_TCertificado(C) \
    C(Idcertificado, Id, 0, _, Nuevas) \
    C(Negocio, Ref, 0, TNegocio, Nuevas) \
    C(NegCer, Binario, 0, _, Nuevas) \
    C(NegKey, Binario, 0, _, Nuevas) \
    C(NegPassword, Texto, 0, _, Nuevas) \
    C(NumCertificado, Texto, 20, _, Nuevas) \
    C(Fechaexpiracion, Fecha, 0, _, Nuevas) \
    C(Status, Entero, 0, _, Nuevas) \
    C(Ultimamodificacionpor, Entero, 0, _, Nuevas) \
    C(Fechamodificacion, FechaHora, 0, _, Nuevas)

// Donee complement of a donation receipt, referenced by its voucher.
#define VELKOR_TABLA_TDonataria(C) \
    C(Iddonataria, Id, 0, _, Nuevas) \
    C(Version, Texto, 10, _, Nuevas) \
    C(Noautorizacion, Texto, 50, _, Nuevas) \
    C(Fechaautorizacion, FechaHora, 0, _, Nuevas) \
    C(Leyenda, Texto, 500, _, Nuevas) \
    C(Ultimamodificacionpor, Entero, 0, _, Nuevas) \
    C(Fechamodificacion, FechaHora, 0, _, Nuevas)

// An employee, keyed by CURP. Payroll 1.1 gives several numbers as texts; they are kept as given.
#define VELKOR_TABLA_TEmpleado(C) \
    C(Idempleado, Id, 0, _, Base) \
    C(Idnegocio, Ref, 0, TNegocio, Base) \
    C(Datosfiscales, Ref, 0, TDatosfiscales, Base) \
    C(Numempleado, Texto, 15, _, Base) \
    C(Curp, Texto, 18, _, Base) \
    C(Numsegurosocial, Texto, 15, _, Base) \
    C(Tiporegimen, Texto, 10, _, Base) \
    C(Tipoconrato, Texto, 100, _, Base) \
    C(Tipojornada, Texto, 100, _, Base) \
    C(Periodicidadpago, Texto, 100, _, Base) \
    C(Departamento, Texto, 250, _, Base) \
    C(Puesto, Texto, 250, _, Base) \
    C(Riesgopuesto, Entero, 0, _, Base) \
    C(Salariobasecotapor, Texto, 30, _, Base) \
    C(Fechainiciorelacionlaboral, Fecha, 0, _, Base) \
    C(Banco, Entero, 0, _, Base) \
    C(Clabe, Texto, 18, _, Base) \
    C(Status, Entero, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

// A payroll receipt, next to the voucher that carries it.
#define VELKOR_TABLA_TNominacomprobante(C) \
    C(Idnominacomprobante, Id, 0, _, Base) \
    C(Comprobante, Ref, 0, TComprobante, Base) \
    C(Negocio, Ref, 0, TNegocio, Base) \
    C(Metodopago, Ref, 0, TMetodopago, Base) \
    C(Uuid, Texto, 36, _, Base) \
    C(Version, Decimal, 0, _, Base) \
    C(Tiponomina, Texto, 1, _, Base) \
    C(Fechaemision, FechaHora, 0, _, Base) \
    C(Fechapago, Fecha, 0, _, Base) \
    C(Fechainicialpago, Fecha, 0, _, Base) \
    C(Fechafinalpago, Fecha, 0, _, Base) \
    C(Numdiaspagados, Decimal, 0, _, Base) \
    C(Subtotal, Decimal, 0, _, Base) \
    C(Descuento, Decimal, 0, _, Base) \
    C(Total, Decimal, 0, _, Base) \
    C(Totalpercepciones, Decimal, 0, _, Base) \
    C(Totaldeducciones, Decimal, 0, _, Base) \
    C(Totalotrospagos, Decimal, 0, _, Base) \
    C(Banco, Entero, 0, _, Base) \
    C(Clabe, Texto, 18, _, Base) \
    C(Nominaxml, Binario, 0, _, Base) \
    C(Pathxml, Texto, 500, _, Base) \
    C(Pathpdf, Texto, 500, _, Base) \
    C(Estatus, Entero, 0, _, Base) \
    C(Fechacancelacion, FechaHora, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

#define VELKOR_TABLA_TNominacomprobanteempleado(C) \
    C(Idnominacomprobanteempleado, Id, 0, _, NominaEmpleado) \
    C(NominaComprobante, Ref, 0, TNominacomprobante, NominaEmpleado) \
    C(Empleado, Ref, 0, TEmpleado, NominaEmpleado)

// Concepto here is the payroll concept's text, not a catalogue product.
#define VELKOR_TABLA_TPercepcion(C) \
    C(Idpercepcion, Id, 0, _, Base) \
    C(Idrecibonomina, Ref, 0, TNominacomprobante, Base) \
    C(Tipopercepcion, Texto, 10, _, Base) \
    C(Clave, Texto, 15, _, Base) \
    C(Concepto, Texto, 250, _, Base) \
    C(Importegravado, Decimal, 0, _, Base) \
    C(Importeexcento, Decimal, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

// A deduction has a single amount, kept in Importegravado.
#define VELKOR_TABLA_TDeduccion(C) \
    C(Iddeduccion, Id, 0, _, Base) \
    C(Reciboj, Ref, 0, TNominacomprobante, Base) \
    C(Tipodeduccion, Texto, 10, _, Base) \
    C(Clave, Texto, 15, _, Base) \
    C(Concepto, Texto, 250, _, Base) \
    C(Importegravado, Decimal, 0, _, Base) \
    C(Ultimamodificacionpor, Entero, 0, _, Base) \
    C(Fechamodificacion, FechaHora, 0, _, Base)

// Indexes that the look-ups need: I(Clase, Nombre) where Nombre is a column accessor suffix of that class.
#define VELKOR_INDICES(I) \
    I(TComprobante, Uuid) \
    I(TImpuesto, Siglaimpuesto) \
    I(TUnidadmedida, Nombreunidadmedida) \
    I(TFormapago, Descripcion) \
    I(TMetodopago, Codigo) \
    I(TDatosfiscales, Rfc) \
    I(TRegimen, Descripcion) \
    I(TSucursal, Nombre) \
    I(TSucursal, Tipo) \
    I(TSerie, Serie) \
    I(TSerie, Tipodecomprobante) \
    I(TCodigopostal, Cp) \
    I(TUsuario, Email) \
    I(TEmpleado, Curp) \
    I(TNominacomprobante, Uuid)

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
// characters in CFDI 3.3 and 4.0) is therefore indexed by its first characters
// (VELKOR_INDICES_PREFIJO). Reference columns need no entry below: every
// foreign key carries its own index.

// Every entity with the schema step that owns its table, in an order where nothing matters (foreign keys are added
// after all tables exist). E(Clase, Grupo)
//  Grupo   Base (in every database from the start), NominaEmpleado (the TNominacomprobanteempleado table, created by
//          TNominacomprobanteempleado.createTable), Nuevas (tables that came later, created by
//          TNuevastablas.createTable), Cfdi40 (what whole CFDI 3.3 and 4.0 vouchers need and older databases lack,
//          added by TComprobante.actualizaCfdi40)
#define VELKOR_ENTIDADES(E)                                                                                            \
    E(TComprobante, Base)                                                                                              \
    E(TComprobanteconcepto, Base)                                                                                      \
    E(TConcepto, Base)                                                                                                 \
    E(TImpuesto, Base)                                                                                                 \
    E(TDesgloseimpuesto, Base)                                                                                         \
    E(TPedimentoaduanal, Base)                                                                                         \
    E(TUnidadmedida, Base)                                                                                             \
    E(TFormapago, Base)                                                                                                \
    E(TMetodopago, Base)                                                                                               \
    E(TNegocio, Base)                                                                                                  \
    E(TDatosfiscales, Base)                                                                                            \
    E(TRegimen, Nuevas)                                                                                                \
    E(TRegimennegocio, Nuevas)                                                                                         \
    E(TSucursal, Base)                                                                                                 \
    E(TSerie, Base)                                                                                                    \
    E(TDireccion, Base)                                                                                                \
    E(TCodigopostal, Base)                                                                                             \
    E(TPersona, Base)                                                                                                  \
    E(TCliente, Base)                                                                                                  \
    E(TContacto, Base)                                                                                                 \
    E(TTelefono, Base)                                                                                                 \
    E(TEmail, Base)                                                                                                    \
    E(TImagen, Base)                                                                                                   \
    E(TUsuario, Base)                                                                                                  \
    E(TUsuarionegocio, Base)                                                                                           \
    E(TCertificado, Nuevas)                                                                                            \
    E(TDonataria, Nuevas)                                                                                              \
    E(TEmpleado, Base)                                                                                                 \
    E(TNominacomprobante, Base)                                                                                        \
    E(TNominacomprobanteempleado, NominaEmpleado)                                                                      \
    E(TPercepcion, Base)                                                                                               \
    E(TDeduccion, Base)                                                                                                \
    E(TCfdirelacionado, Cfdi40)                                                                                        \
    E(TOtropago, Cfdi40)                                                                                               \
    E(TIncapacidad, Cfdi40)                                                                                            \
    E(TMetadatosat, Nuevas)

// One line per column, in the table's own step: C(Nombre, Tipo, Largo, Destino)
//  Nombre  accessor suffix; the column is its upper-case form (getUuid/setUuid -> UUID)
//  Tipo    Id (the table's own key: first column, exactly one per table), Texto, Entero, Grande (64-bit integer),
//          Decimal (money and quantities, NUMERIC(18,6), exact), Booleano, Fecha, FechaHora, Binario (bytes: files,
//          images, keys), Ref (reference to another entity's row)
//  Largo   for Texto: the maximum length in characters, 0 for unlimited text (BLOB text); 0 for every other type
//  Destino for Ref: the target class (TNegocio); otherwise _
// A column that came after its table uses A(Nombre, Tipo, Largo, Destino, Grupo) with the step that adds it to
// older databases: ConceptoClaves (the SAT product/unit keys and other CFDI 3.3+ fields of TConcepto, added by
// TConcepto.actualizaColumnaConcepto), ConceptoPrecios (price columns of TConcepto, added by
// TConcepto.actualizaColumnaPrecios), Cfdi40 (what the voucher savers of CFDI 3.3 and 4.0 store beyond version 3.2,
// added by TComprobante.actualizaCfdi40).
//
// Audit columns are filled by every save (TUnidadTrabajo): Ultimamodificacionpor with the acting user,
// Fechamodificacion with the time of the save, and Fechacreacion, when the caller left it empty, with the time of
// the first save.

// A stored voucher. Pathxml/Pathpdf point at the copies in the invoice folder; Comprobantexml keeps the file's
// bytes unchanged. Fechacancelacion holds the date-time -1.0 while the voucher is not cancelled.
// The issuer's and the receiver's data are also kept as the voucher wrote them (the business and the customer
// records may change later); the Global columns are InformacionGlobal of a 4.0 voucher to the general public.
#define VELKOR_TABLA_TComprobante(C, A)                                                                                \
    C(Idcomprobante, Id, 0, _)                                                                                         \
    C(Uuid, Texto, 36, _)                                                                                              \
    C(Negocio, Ref, 0, TNegocio)                                                                                       \
    C(Cliente, Ref, 0, TCliente)                                                                                       \
    C(Sucursal, Ref, 0, TSucursal)                                                                                     \
    C(Formapago, Ref, 0, TFormapago)                                                                                   \
    C(Metodopago, Ref, 0, TMetodopago)                                                                                 \
    C(Donataria, Ref, 0, TDonataria)                                                                                   \
    C(Version, Decimal, 0, _)                                                                                          \
    C(Serie, Texto, 25, _)                                                                                             \
    C(Folio, Texto, 40, _)                                                                                             \
    C(Tipocomprobante, Texto, 5, _)                                                                                    \
    C(Categoriacomprobante, Texto, 50, _)                                                                              \
    C(Rfcreceptor, Texto, 13, _)                                                                                       \
    C(Subtotal, Decimal, 0, _)                                                                                         \
    C(Descuentogeneral, Decimal, 0, _)                                                                                 \
    C(Total, Decimal, 0, _)                                                                                            \
    C(Totalimpuestostrasladados, Decimal, 0, _)                                                                        \
    C(Totalimpuestosretenidos, Decimal, 0, _)                                                                          \
    C(Moneda, Texto, 1000, _)                                                                                          \
    C(Tipodecambio, Decimal, 0, _)                                                                                     \
    C(Numerocuentapago, Texto, 1000, _)                                                                                \
    C(Lugarexpedicion, Texto, 1000, _)                                                                                 \
    C(Condicionesdepago, Texto, 1000, _)                                                                               \
    C(Usocfdi, Texto, 5, _)                                                                                            \
    C(Exportacion, Texto, 2, _)                                                                                        \
    C(Confirmacion, Texto, 5, _)                                                                                       \
    C(Nocertificado, Texto, 20, _)                                                                                     \
    C(Nocertificadosat, Texto, 20, _)                                                                                  \
    C(Sellocfd, Texto, 0, _)                                                                                           \
    C(Sellosat, Texto, 0, _)                                                                                           \
    C(Estatus, Entero, 0, _)                                                                                           \
    C(Fechaemision, FechaHora, 0, _)                                                                                   \
    C(Fechacreacion, FechaHora, 0, _)                                                                                  \
    C(Fechatimbrado, FechaHora, 0, _)                                                                                  \
    C(Fechacancelacion, FechaHora, 0, _)                                                                               \
    C(Comprobantexml, Binario, 0, _)                                                                                   \
    C(Pathxml, Texto, 500, _)                                                                                          \
    C(Pathpdf, Texto, 500, _)                                                                                          \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)                                                                              \
    A(Nombreemisor, Texto, 1000, _, Cfdi40)                                                                            \
    A(Regimenfiscalemisor, Texto, 10, _, Cfdi40)                                                                       \
    A(Facatradquirente, Texto, 10, _, Cfdi40)                                                                          \
    A(Nombrereceptor, Texto, 1000, _, Cfdi40)                                                                          \
    A(Regimenfiscalreceptor, Texto, 10, _, Cfdi40)                                                                     \
    A(Domiciliofiscalreceptor, Texto, 5, _, Cfdi40)                                                                    \
    A(Residenciafiscalreceptor, Texto, 3, _, Cfdi40)                                                                   \
    A(Numregidtribreceptor, Texto, 40, _, Cfdi40)                                                                      \
    A(Periodicidadglobal, Texto, 2, _, Cfdi40)                                                                         \
    A(Mesesglobal, Texto, 2, _, Cfdi40)                                                                                \
    A(Anioglobal, Entero, 0, _, Cfdi40)                                                                                \
    A(Rfcprovcertif, Texto, 13, _, Cfdi40)                                                                             \
    A(Verificacionsello, Texto, 30, _, Cfdi40)                                                                         \
    A(Motivoverificacion, Texto, 1000, _, Cfdi40)

// One line of a voucher. The product is set by its id (setIdconcepto takes the catalogue record's integer id).
// The line also keeps its own texts and keys as the voucher wrote them. Cuentapredial is the first property
// account; Cuentaspredial all of them, one per line (4.0 allows several). The ACuentaTerceros columns name the
// third party on whose behalf the line was billed.
#define VELKOR_TABLA_TComprobanteconcepto(C, A)                                                                        \
    C(Idcomprobanteconcepto, Id, 0, _)                                                                                 \
    C(Idcomprobante, Ref, 0, TComprobante)                                                                             \
    C(Idconcepto, Ref, 0, TConcepto)                                                                                   \
    C(Idunidad, Ref, 0, TUnidadmedida)                                                                                 \
    C(Cantidad, Decimal, 0, _)                                                                                         \
    C(Preciounitario, Decimal, 0, _)                                                                                   \
    C(Importe, Decimal, 0, _)                                                                                          \
    C(Descuento, Decimal, 0, _)                                                                                        \
    C(Objetoimp, Texto, 2, _)                                                                                          \
    C(Cuentapredial, Texto, 1000, _)                                                                                   \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)                                                                              \
    A(Claveprodserv, Texto, 8, _, Cfdi40)                                                                              \
    A(Noidentificacion, Texto, 1000, _, Cfdi40)                                                                        \
    A(Claveunidad, Texto, 5, _, Cfdi40)                                                                                \
    A(Unidad, Texto, 1000, _, Cfdi40)                                                                                  \
    A(Descripcion, Texto, 1000, _, Cfdi40)                                                                             \
    A(Cuentaspredial, Texto, 0, _, Cfdi40)                                                                             \
    A(Rfcacuentaterceros, Texto, 13, _, Cfdi40)                                                                        \
    A(Nombreacuentaterceros, Texto, 300, _, Cfdi40)                                                                    \
    A(Regimenfiscalacuentaterceros, Texto, 10, _, Cfdi40)                                                              \
    A(Domiciliofiscalacuentaterceros, Texto, 5, _, Cfdi40)

// The business's product/service catalogue. A part of a line is a product of its own that names its parent.
#define VELKOR_TABLA_TConcepto(C, A)                                                                                   \
    C(Idconcepto, Id, 0, _)                                                                                            \
    C(Descripcion, Texto, 1000, _)                                                                                     \
    C(Unidad, Texto, 1000, _)                                                                                          \
    C(UnidadObj, Ref, 0, TUnidadmedida)                                                                                \
    C(Negocio, Ref, 0, TNegocio)                                                                                       \
    C(ConceptoPadre, Ref, 0, TConcepto)                                                                                \
    C(Numidentificacion, Texto, 1000, _)                                                                               \
    C(Precioventa, Decimal, 0, _)                                                                                      \
    C(Status, Entero, 0, _)                                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)                                                                              \
    A(Claveprodserv, Texto, 8, _, ConceptoClaves)                                                                      \
    A(Claveunidad, Texto, 5, _, ConceptoClaves)                                                                        \
    A(Objetoimp, Texto, 2, _, ConceptoClaves)                                                                          \
    A(Preciocompra, Decimal, 0, _, ConceptoPrecios)                                                                    \
    A(Preciomayoreo, Decimal, 0, _, ConceptoPrecios)                                                                   \
    A(Incluyeimpuestos, Booleano, 0, _, ConceptoPrecios)

// The tax catalogue, keyed by abbreviation and rate. Withheld federal taxes carry the rate -1; a local tax uses
// its own name as abbreviation.
#define VELKOR_TABLA_TImpuesto(C, A)                                                                                   \
    C(Idimpuesto, Id, 0, _)                                                                                            \
    C(Nombreimpuesto, Texto, 1000, _)                                                                                  \
    C(Siglaimpuesto, Texto, 500, _)                                                                                    \
    C(Claveimpuesto, Texto, 3, _)                                                                                      \
    C(Tasa, Decimal, 0, _)                                                                                             \
    C(Tipoimpuesto, Texto, 20, _)                                                                                      \
    C(Status, Entero, 0, _)                                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

// One tax row of a voucher (or of one of its lines). Idimpuestofk and Idcomprobantefk repeat the ids of the
// two references as plain numbers, because callers set both forms. The voucher's own breakdown is the rows whose
// Comprobanteconcepto is empty; rows of a line repeat what the voucher's rows total. Tipoimpuesto is the kind
// (TImpuesto.TIPO_IMPUESTO_TRASLADADO or _RETENIDO), Claveimpuesto the SAT code of a federal tax as written
// (empty for a local tax). Rates are as the voucher wrote them: a percentage in 3.2 and in the local-taxes
// complement, a fraction (or a quota, see Tipofactor) in 3.3 and 4.0; an exempt tax, and a withholding of the
// voucher in 3.3 and 4.0, have none.
#define VELKOR_TABLA_TDesgloseimpuesto(C, A)                                                                           \
    C(Iddesgloseimpuesto, Id, 0, _)                                                                                    \
    C(Comprobante, Ref, 0, TComprobante)                                                                               \
    C(Idcomprobantefk, Entero, 0, _)                                                                                   \
    C(Comprobanteconcepto, Ref, 0, TComprobanteconcepto)                                                               \
    C(Impuesto, Ref, 0, TImpuesto)                                                                                     \
    C(Idimpuestofk, Entero, 0, _)                                                                                      \
    C(Nombre, Texto, 1000, _)                                                                                          \
    C(Tasa, Decimal, 0, _)                                                                                             \
    C(Tipofactor, Texto, 10, _)                                                                                        \
    C(Importebase, Decimal, 0, _)                                                                                      \
    C(Importe, Decimal, 0, _)                                                                                          \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)                                                                              \
    A(Tipoimpuesto, Texto, 20, _, Cfdi40)                                                                              \
    A(Claveimpuesto, Texto, 3, _, Cfdi40)

// A customs entry of a voucher line. Parte is the catalogue product of the line's part whose entry it is (empty for
// the line's own entries).
#define VELKOR_TABLA_TPedimentoaduanal(C, A)                                                                           \
    C(Idpedimentoaduanal, Id, 0, _)                                                                                    \
    C(Idcomprobante, Ref, 0, TComprobante)                                                                             \
    C(Idcomprobanteconcepto, Ref, 0, TComprobanteconcepto)                                                             \
    C(Numeropedimento, Texto, 1000, _)                                                                                 \
    C(Nombreaduana, Texto, 1000, _)                                                                                    \
    C(Fechaautorizacionaduana, Fecha, 0, _)                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)                                                                              \
    A(Parte, Ref, 0, TConcepto, Cfdi40)

#define VELKOR_TABLA_TUnidadmedida(C, A)                                                                               \
    C(Idunidadmedida, Id, 0, _)                                                                                        \
    C(Nombreunidadmedida, Texto, 500, _)                                                                               \
    C(Status, Entero, 0, _)                                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

#define VELKOR_TABLA_TFormapago(C, A)                                                                                  \
    C(Idformapago, Id, 0, _)                                                                                           \
    C(Clave, Texto, 3, _)                                                                                              \
    C(Descripcion, Texto, 500, _)                                                                                      \
    C(Status, Entero, 0, _)

#define VELKOR_TABLA_TMetodopago(C, A)                                                                                 \
    C(Idmetodopago, Id, 0, _)                                                                                          \
    C(Codigo, Texto, 10, _)                                                                                            \
    C(Descripcion, Texto, 1000, _)                                                                                     \
    C(Status, Entero, 0, _)

// A business. Its branches, regimes and certificates point to it; its RFC lives in its fiscal data. Secreto is the
// key that signs its users' permission texts, enciphered under the installation's key (Secretos::cifraLocal); it
// came after the table, with the step that runs at every sign-in.
#define VELKOR_TABLA_TNegocio(C, A)                                                                                    \
    C(Idnegocio, Id, 0, _)                                                                                             \
    C(Nombre, Texto, 1000, _)                                                                                          \
    C(Datosfiscales, Ref, 0, TDatosfiscales)                                                                           \
    C(Logonegocio, Binario, 0, _)                                                                                      \
    C(Status, Entero, 0, _)                                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)                                                                              \
    A(Secreto, Texto, 0, _, Nuevas)

// Fiscal data of a business, a customer or an employee. Regimen keeps the SAT regime code as text.
#define VELKOR_TABLA_TDatosfiscales(C, A)                                                                              \
    C(Iddatosfiscales, Id, 0, _)                                                                                       \
    C(Rfc, Texto, 13, _)                                                                                               \
    C(Razon, Texto, 1000, _)                                                                                           \
    C(Regimen, Texto, 10, _)                                                                                           \
    C(Direccion, Ref, 0, TDireccion)                                                                                   \
    C(Status, Entero, 0, _)                                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

// Regime codes of the SAT catalogue arrived with CFDI 3.3, and with them these two tables.
#define VELKOR_TABLA_TRegimen(C, A)                                                                                    \
    C(Idregimen, Id, 0, _)                                                                                             \
    C(Descripcion, Texto, 300, _)                                                                                      \
    C(Personafiscal, Texto, 20, _)                                                                                     \
    C(Status, Entero, 0, _)                                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

#define VELKOR_TABLA_TRegimennegocio(C, A)                                                                             \
    C(Idregimennegocio, Id, 0, _)                                                                                      \
    C(Idnegocio, Ref, 0, TNegocio)                                                                                     \
    C(Idregimen, Ref, 0, TRegimen)                                                                                     \
    C(Status, Entero, 0, _)                                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

// A branch. Numerosucursal marks the default branch (where the next session starts), Tipo the head office.
#define VELKOR_TABLA_TSucursal(C, A)                                                                                   \
    C(Idsucursal, Id, 0, _)                                                                                            \
    C(Nombre, Texto, 500, _)                                                                                           \
    C(Tipo, Entero, 0, _)                                                                                              \
    C(Numerosucursal, Entero, 0, _)                                                                                    \
    C(Direccion, Ref, 0, TDireccion)                                                                                   \
    C(Negocio, Ref, 0, TNegocio)                                                                                       \
    C(Status, Entero, 0, _)                                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

// A voucher series of a branch. The current folio arrives as typed text and is kept that way.
#define VELKOR_TABLA_TSerie(C, A)                                                                                      \
    C(Idserie, Id, 0, _)                                                                                               \
    C(Serie, Texto, 25, _)                                                                                             \
    C(Tipodecomprobante, Texto, 5, _)                                                                                  \
    C(Nofolioactual, Texto, 20, _)                                                                                     \
    C(Isdefault, Booleano, 0, _)                                                                                       \
    C(Rfc, Texto, 13, _)                                                                                               \
    C(Sucursal, Ref, 0, TSucursal)                                                                                     \
    C(Status, Entero, 0, _)                                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

// An address. Locality, municipality and state are texts as shown ("key - name"), copied from the postal code.
#define VELKOR_TABLA_TDireccion(C, A)                                                                                  \
    C(Iddireccion, Id, 0, _)                                                                                           \
    C(Calle, Texto, 1000, _)                                                                                           \
    C(Noexterior, Texto, 1000, _)                                                                                      \
    C(Nointerior, Texto, 1000, _)                                                                                      \
    C(Referencia, Texto, 1000, _)                                                                                      \
    C(Colonia, Texto, 1000, _)                                                                                         \
    C(Localidad, Texto, 255, _)                                                                                        \
    C(Municipio, Texto, 255, _)                                                                                        \
    C(Estado, Texto, 255, _)                                                                                           \
    C(Pais, Texto, 255, _)                                                                                             \
    C(CodigoPostal, Ref, 0, TCodigopostal)                                                                             \
    C(Status, Entero, 0, _)                                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

#define VELKOR_TABLA_TCodigopostal(C, A)                                                                               \
    C(Idcodigopostal, Id, 0, _)                                                                                        \
    C(Cp, Texto, 5, _)                                                                                                 \
    C(Estado, Texto, 255, _)                                                                                           \
    C(Municipio, Texto, 255, _)                                                                                        \
    C(Localidad, Texto, 255, _)                                                                                        \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

#define VELKOR_TABLA_TPersona(C, A)                                                                                    \
    C(Idpersona, Id, 0, _)                                                                                             \
    C(Nombre, Texto, 1000, _)                                                                                          \
    C(Apellidopaterno, Texto, 250, _)                                                                                  \
    C(Apellidomaterno, Texto, 250, _)                                                                                  \
    C(Fechanacimiento, Fecha, 0, _)                                                                                    \
    C(Contacto, Ref, 0, TContacto)                                                                                     \
    C(Direccion, Ref, 0, TDireccion)                                                                                   \
    C(Status, Entero, 0, _)                                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

// A customer of a business, found by the RFC of its fiscal data. Usocfdi is the SAT's CFDI use its vouchers give.
#define VELKOR_TABLA_TCliente(C, A)                                                                                    \
    C(Idcliente, Id, 0, _)                                                                                             \
    C(Negocio, Ref, 0, TNegocio)                                                                                       \
    C(Persona, Ref, 0, TPersona)                                                                                       \
    C(Datosfiscales, Ref, 0, TDatosfiscales)                                                                           \
    C(DireccionEnvio, Ref, 0, TDireccion)                                                                              \
    C(Status, Entero, 0, _)                                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)                                                                              \
    A(Usocfdi, Texto, 5, _, Cfdi40)

// A contact: its phones and e-mails point to it.
#define VELKOR_TABLA_TContacto(C, A)                                                                                   \
    C(Idcontacto, Id, 0, _)                                                                                            \
    C(Status, Entero, 0, _)                                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

// Tipotelefono: 0 none, 1 home, 2 work, 3 mobile (the position in the type list).
#define VELKOR_TABLA_TTelefono(C, A)                                                                                   \
    C(Idtelefono, Id, 0, _)                                                                                            \
    C(Idcontacto, Ref, 0, TContacto)                                                                                   \
    C(Numero, Texto, 30, _)                                                                                            \
    C(Extencion, Texto, 10, _)                                                                                         \
    C(Tipotelefono, Entero, 0, _)                                                                                      \
    C(Status, Entero, 0, _)                                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

#define VELKOR_TABLA_TEmail(C, A)                                                                                      \
    C(Idemail, Id, 0, _)                                                                                               \
    C(Idcontacto, Ref, 0, TContacto)                                                                                   \
    C(Email, Texto, 100, _)                                                                                            \
    C(Status, Entero, 0, _)                                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

// A person's profile picture.
#define VELKOR_TABLA_TImagen(C, A)                                                                                     \
    C(Idimagen, Id, 0, _)                                                                                              \
    C(Idpersona, Ref, 0, TPersona)                                                                                     \
    C(Imagenperfil, Binario, 0, _)                                                                                     \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

// A user of the database; the e-mail is the sign-in name. Both passwords are enciphered, hence unlimited.
#define VELKOR_TABLA_TUsuario(C, A)                                                                                    \
    C(Idusuario, Id, 0, _)                                                                                             \
    C(Email, Texto, 100, _)                                                                                            \
    C(Password, Texto, 0, _)                                                                                           \
    C(Passwordtocompareupdate, Texto, 0, _)                                                                            \
    C(Idpersona, Ref, 0, TPersona)                                                                                     \
    C(Status, Entero, 0, _)                                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

// A user's access to a business; Nivelpermiso is the enciphered permission text.
#define VELKOR_TABLA_TUsuarionegocio(C, A)                                                                             \
    C(Idusuarionegocio, Id, 0, _)                                                                                      \
    C(Idusuario, Ref, 0, TUsuario)                                                                                     \
    C(Idnegocio, Ref, 0, TNegocio)                                                                                     \
    C(Nivelpermiso, Texto, 0, _)                                                                                       \
    C(Status, Entero, 0, _)                                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

// The signing certificate (CSD) kept inside the database; it used to live as RFC.cer/RFC.key files in the
// certificate folder. The key password is stored enciphered only. A business may hold several; the newest wins.
#define VELKOR_TABLA_TCertificado(C, A)                                                                                \
    C(Idcertificado, Id, 0, _)                                                                                         \
    C(Negocio, Ref, 0, TNegocio)                                                                                       \
    C(NegCer, Binario, 0, _)                                                                                           \
    C(NegKey, Binario, 0, _)                                                                                           \
    C(NegPassword, Texto, 0, _)                                                                                        \
    C(NumCertificado, Texto, 20, _)                                                                                    \
    C(Fechaexpiracion, Fecha, 0, _)                                                                                    \
    C(Status, Entero, 0, _)                                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

// Donee complement of a donation receipt, referenced by its voucher.
#define VELKOR_TABLA_TDonataria(C, A)                                                                                  \
    C(Iddonataria, Id, 0, _)                                                                                           \
    C(Version, Texto, 1000, _)                                                                                         \
    C(Noautorizacion, Texto, 1000, _)                                                                                  \
    C(Fechaautorizacion, FechaHora, 0, _)                                                                              \
    C(Leyenda, Texto, 1000, _)                                                                                         \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

// An employee, keyed by CURP. Payroll 1.1 gives several numbers as texts; they are kept as given.
#define VELKOR_TABLA_TEmpleado(C, A)                                                                                   \
    C(Idempleado, Id, 0, _)                                                                                            \
    C(Idnegocio, Ref, 0, TNegocio)                                                                                     \
    C(Datosfiscales, Ref, 0, TDatosfiscales)                                                                           \
    C(Numempleado, Texto, 15, _)                                                                                       \
    C(Curp, Texto, 18, _)                                                                                              \
    C(Numsegurosocial, Texto, 15, _)                                                                                   \
    C(Tiporegimen, Texto, 10, _)                                                                                       \
    C(Tipoconrato, Texto, 1000, _)                                                                                     \
    C(Tipojornada, Texto, 1000, _)                                                                                     \
    C(Periodicidadpago, Texto, 100, _)                                                                                 \
    C(Departamento, Texto, 250, _)                                                                                     \
    C(Puesto, Texto, 1000, _)                                                                                          \
    C(Riesgopuesto, Entero, 0, _)                                                                                      \
    C(Salariobasecotapor, Texto, 1000, _)                                                                              \
    C(Fechainiciorelacionlaboral, Fecha, 0, _)                                                                         \
    C(Banco, Entero, 0, _)                                                                                             \
    C(Clabe, Texto, 50, _)                                                                                             \
    C(Status, Entero, 0, _)                                                                                            \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)                                                                              \
    A(Sindicalizado, Texto, 2, _, Cfdi40)                                                                              \
    A(Salariodiariointegrado, Decimal, 0, _, Cfdi40)                                                                   \
    A(Claveentfed, Texto, 3, _, Cfdi40)

// A payroll receipt, next to the voucher that carries it. The employer's data (Registropatronal, Rfcpatronorigen,
// Curpemisor), the seniority and the partial totals came with payroll 1.2.
#define VELKOR_TABLA_TNominacomprobante(C, A)                                                                          \
    C(Idnominacomprobante, Id, 0, _)                                                                                   \
    C(Comprobante, Ref, 0, TComprobante)                                                                               \
    C(Negocio, Ref, 0, TNegocio)                                                                                       \
    C(Metodopago, Ref, 0, TMetodopago)                                                                                 \
    C(Uuid, Texto, 36, _)                                                                                              \
    C(Version, Decimal, 0, _)                                                                                          \
    C(Tiponomina, Texto, 1, _)                                                                                         \
    C(Fechaemision, FechaHora, 0, _)                                                                                   \
    C(Fechapago, Fecha, 0, _)                                                                                          \
    C(Fechainicialpago, Fecha, 0, _)                                                                                   \
    C(Fechafinalpago, Fecha, 0, _)                                                                                     \
    C(Numdiaspagados, Decimal, 0, _)                                                                                   \
    C(Subtotal, Decimal, 0, _)                                                                                         \
    C(Descuento, Decimal, 0, _)                                                                                        \
    C(Total, Decimal, 0, _)                                                                                            \
    C(Totalpercepciones, Decimal, 0, _)                                                                                \
    C(Totaldeducciones, Decimal, 0, _)                                                                                 \
    C(Totalotrospagos, Decimal, 0, _)                                                                                  \
    C(Banco, Entero, 0, _)                                                                                             \
    C(Clabe, Texto, 50, _)                                                                                             \
    C(Nominaxml, Binario, 0, _)                                                                                        \
    C(Pathxml, Texto, 500, _)                                                                                          \
    C(Pathpdf, Texto, 500, _)                                                                                          \
    C(Estatus, Entero, 0, _)                                                                                           \
    C(Fechacancelacion, FechaHora, 0, _)                                                                               \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)                                                                              \
    A(Registropatronal, Texto, 20, _, Cfdi40)                                                                          \
    A(Rfcpatronorigen, Texto, 13, _, Cfdi40)                                                                           \
    A(Curpemisor, Texto, 18, _, Cfdi40)                                                                                \
    A(Antiguedad, Texto, 30, _, Cfdi40)                                                                                \
    A(Totalsueldos, Decimal, 0, _, Cfdi40)                                                                             \
    A(Totalgravado, Decimal, 0, _, Cfdi40)                                                                             \
    A(Totalexento, Decimal, 0, _, Cfdi40)                                                                              \
    A(Totalseparacionindemnizacion, Decimal, 0, _, Cfdi40)                                                             \
    A(Totaljubilacionpensionretiro, Decimal, 0, _, Cfdi40)                                                             \
    A(Totalotrasdeducciones, Decimal, 0, _, Cfdi40)                                                                    \
    A(Totalimpuestosretenidos, Decimal, 0, _, Cfdi40)

#define VELKOR_TABLA_TNominacomprobanteempleado(C, A)                                                                  \
    C(Idnominacomprobanteempleado, Id, 0, _)                                                                           \
    C(NominaComprobante, Ref, 0, TNominacomprobante)                                                                   \
    C(Empleado, Ref, 0, TEmpleado)

// Concepto here is the payroll concept's text, not a catalogue product.
#define VELKOR_TABLA_TPercepcion(C, A)                                                                                 \
    C(Idpercepcion, Id, 0, _)                                                                                          \
    C(Idrecibonomina, Ref, 0, TNominacomprobante)                                                                      \
    C(Tipopercepcion, Texto, 10, _)                                                                                    \
    C(Clave, Texto, 15, _)                                                                                             \
    C(Concepto, Texto, 250, _)                                                                                         \
    C(Importegravado, Decimal, 0, _)                                                                                   \
    C(Importeexcento, Decimal, 0, _)                                                                                   \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

// A deduction has a single amount, kept in Importegravado.
#define VELKOR_TABLA_TDeduccion(C, A)                                                                                  \
    C(Iddeduccion, Id, 0, _)                                                                                           \
    C(Reciboj, Ref, 0, TNominacomprobante)                                                                             \
    C(Tipodeduccion, Texto, 10, _)                                                                                     \
    C(Clave, Texto, 15, _)                                                                                             \
    C(Concepto, Texto, 250, _)                                                                                         \
    C(Importegravado, Decimal, 0, _)                                                                                   \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

// A voucher related to a stored one (CfdiRelacionados): the relation type of its group and its UUID, upper case.
#define VELKOR_TABLA_TCfdirelacionado(C, A)                                                                            \
    C(Idcfdirelacionado, Id, 0, _)                                                                                     \
    C(Comprobante, Ref, 0, TComprobante)                                                                               \
    C(Tiporelacion, Texto, 2, _)                                                                                       \
    C(Uuid, Texto, 36, _)                                                                                              \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

// Another payment of a payroll 1.2 receipt (subsidy for employment, compensation of balances in favour...).
// Subsidiocausado, Saldoafavor, Anio and Remanentesalfav stay empty when the payment carries no such element.
#define VELKOR_TABLA_TOtropago(C, A)                                                                                   \
    C(Idotropago, Id, 0, _)                                                                                            \
    C(Idrecibonomina, Ref, 0, TNominacomprobante)                                                                      \
    C(Tipootropago, Texto, 3, _)                                                                                       \
    C(Clave, Texto, 15, _)                                                                                             \
    C(Concepto, Texto, 250, _)                                                                                         \
    C(Importe, Decimal, 0, _)                                                                                          \
    C(Subsidiocausado, Decimal, 0, _)                                                                                  \
    C(Saldoafavor, Decimal, 0, _)                                                                                      \
    C(Anio, Entero, 0, _)                                                                                              \
    C(Remanentesalfav, Decimal, 0, _)                                                                                  \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

// A sick leave or other incapacity paid with a payroll 1.2 receipt.
#define VELKOR_TABLA_TIncapacidad(C, A)                                                                                \
    C(Idincapacidad, Id, 0, _)                                                                                         \
    C(Idrecibonomina, Ref, 0, TNominacomprobante)                                                                      \
    C(Diasincapacidad, Entero, 0, _)                                                                                   \
    C(Tipoincapacidad, Texto, 2, _)                                                                                    \
    C(Importemonetario, Decimal, 0, _)                                                                                 \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

// A row of the SAT's metadata of a voucher this business issued or received, as the SAT's package wrote it: the
// UUID and RFCs in upper case, dates as written, the amount exact. Estatussat is the SAT's own "1" (in force) or "0"
// (cancelled). Fechapaquete is the date of the package the row came from: a row seen again is replaced only by one
// from a package as new or newer. Emisorlocal is 1 when, as the row was stored, another business of this program
// folder had the issuer's RFC (its voucher is kept there, not here).
#define VELKOR_TABLA_TMetadatosat(C, A)                                                                                \
    C(Idmetadatosat, Id, 0, _)                                                                                         \
    C(Negocio, Ref, 0, TNegocio)                                                                                       \
    C(Uuid, Texto, 36, _)                                                                                              \
    C(Rfcemisor, Texto, 13, _)                                                                                         \
    C(Nombreemisor, Texto, 1000, _)                                                                                    \
    C(Rfcreceptor, Texto, 13, _)                                                                                       \
    C(Nombrereceptor, Texto, 1000, _)                                                                                  \
    C(Rfcpac, Texto, 13, _)                                                                                            \
    C(Fechaemision, Texto, 30, _)                                                                                      \
    C(Fechacertificacion, Texto, 30, _)                                                                                \
    C(Monto, Decimal, 0, _)                                                                                            \
    C(Efecto, Texto, 5, _)                                                                                             \
    C(Estatussat, Texto, 5, _)                                                                                         \
    C(Fechacancelacion, Texto, 30, _)                                                                                  \
    C(Rfcacuentaterceros, Texto, 13, _)                                                                                \
    C(Nombreacuentaterceros, Texto, 1000, _)                                                                           \
    C(Emisorlocal, Entero, 0, _)                                                                                       \
    C(Paquete, Texto, 500, _)                                                                                          \
    C(Fechapaquete, FechaHora, 0, _)                                                                                   \
    C(Ultimamodificacionpor, Entero, 0, _)                                                                             \
    C(Fechamodificacion, FechaHora, 0, _)

// Indexes that the look-ups need: I(Clase, Nombre) where Nombre is a column accessor suffix of that class.
#define VELKOR_INDICES(I)                                                                                              \
    I(TComprobante, Uuid)                                                                                              \
    I(TComprobante, Fechaemision)                                                                                      \
    I(TImpuesto, Siglaimpuesto)                                                                                        \
    I(TUnidadmedida, Nombreunidadmedida)                                                                               \
    I(TFormapago, Descripcion)                                                                                         \
    I(TMetodopago, Codigo)                                                                                             \
    I(TDatosfiscales, Rfc)                                                                                             \
    I(TRegimen, Descripcion)                                                                                           \
    I(TSucursal, Nombre)                                                                                               \
    I(TSucursal, Tipo)                                                                                                 \
    I(TSerie, Serie)                                                                                                   \
    I(TSerie, Tipodecomprobante)                                                                                       \
    I(TCodigopostal, Cp)                                                                                               \
    I(TUsuario, Email)                                                                                                 \
    I(TEmpleado, Curp)                                                                                                 \
    I(TNominacomprobante, Uuid)                                                                                        \
    I(TFormapago, Clave)                                                                                               \
    I(TCfdirelacionado, Uuid)                                                                                          \
    I(TMetadatosat, Uuid)

// Columns no two rows may share together: U(Clase, Columnas...), the index
// named after the second. A voucher is stored once per business even when two
// workstations import it at once; an active series name once per branch even
// when two administrators add it at once (a retired one may be added again).
#define VELKOR_UNICOS(U)                                                                                               \
    U(TComprobante, Negocio, Uuid)                                                                                     \
    U(TSerie, Sucursal, Serie, Status)

// A text no two rows may share whatever its letter case: M(Clase, Nombre). A
// sign-in looks the e-mail up that way, so two users under one e-mail would
// leave one of them unable to sign in.
#define VELKOR_UNICOS_SIN_MAYUSCULAS(M) M(TUsuario, Email)

// At most one active row of a group carries the mark: D(Clase, Marca, Grupo,
// Subgrupo). A branch starts each type of voucher with its one default series.
#define VELKOR_UNICOS_MARCADOS(D) D(TSerie, Isdefault, Sucursal, Tipodecomprobante)

// Texts too long for a whole index (see above) are indexed by their first characters: P(Clase, Nombre, Caracteres).
// An equality look-up on such a column goes through that index by itself (TCampo), so no caller needs to know.
#define VELKOR_INDICES_PREFIJO(P) P(TConcepto, Descripcion, 250)
